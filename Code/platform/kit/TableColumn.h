#pragma once

#include "platform/kit/Cell.h"

#include <QString>

#include <memory>

namespace kit {

class TableView;

// One column of a table or outline: named by its identifier, with a width and
// the data cell that draws (and edits) every row of it. A column is editable
// unless told otherwise; the table's last column takes the width the others
// leave. Main thread only.
class TableColumn final {
public:
    explicit TableColumn(const QString& identifier);

    QString identifier() const { return identifier_; }
    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    double width() const { return width_; }
    void setWidth(double width);
    double minWidth() const { return minWidth_; }
    void setMinWidth(double width);
    bool isEditable() const { return editable_; }
    void setEditable(bool editable) { editable_ = editable; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }

    // The cell that draws the column's rows (a text cell unless set).
    Cell* dataCell() const { return cell_.get(); }
    void setDataCell(std::unique_ptr<Cell> cell);

    TableView* tableView() const { return table_; }

private:
    friend class TableView;
    QString identifier_;
    QString title_;
    double width_ = 100;
    double minWidth_ = 10;
    bool editable_ = true;
    bool hidden_ = false;
    std::unique_ptr<Cell> cell_;
    TableView* table_ = nullptr;
};

}  // namespace kit
