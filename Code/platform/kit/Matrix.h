#pragma once

#include "platform/kit/Control.h"

#include <QString>

#include <functional>
#include <vector>

namespace kit {

// A group of radio cells in rows and columns, each with a title and a tag;
// at most one is selected, and none may be (a new matrix starts so). Cells
// can be disabled and hidden: a hidden cell keeps its place, is not drawn and
// is never chosen. A click on a cell, or Up, Down, Left and Right on the focused
// matrix, selects a cell and sends the action. The selected cell's tag is the
// object value (-1 for none). Main thread only.
class Matrix final : public Control {
    Q_OBJECT

public:
    explicit Matrix(const QRectF& frame = QRectF(), int columns = 1);

    int numberOfColumns() const { return columns_; }
    int numberOfRows() const;
    int numberOfCells() const { return int(cells_.size()); }
    // Cells fill the rows from the left.
    void addCell(const QString& title, int tag);
    void removeAllCells();

    bool selectCellWithTag(int tag);
    void deselectAllCells();
    // The selected cell's tag, -1 with none selected.
    int selectedTag() const;
    int selectedIndex() const { return selected_; }
    QString titleOfCellWithTag(int tag) const;
    void setTitleOfCellWithTag(const QString& title, int tag);
    bool isCellEnabled(int tag) const;
    void setCellEnabled(bool enabled, int tag);
    bool isCellHidden(int tag) const;
    void setCellHidden(bool hidden, int tag);
    void setObjectValue(const QVariant& value) override;

private:
    friend class RadioGrid;
    struct Cell {
        QString title;
        int tag = 0;
        bool enabled = true;
        bool hidden = false;
    };
    int indexOfTag(int tag) const;
    Cell* cellWithTag(int tag);
    const Cell* cellWithTag(int tag) const;
    void changeCell(int tag, const std::function<void(Cell&)>& change);
    bool canChoose(int index) const;
    void userChose(int index);
    void changed();

    int columns_;
    std::vector<Cell> cells_;
    int selected_ = -1;
};

}  // namespace kit
