#include "platform/kit/Matrix.h"

#include "platform/kit/Event.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QWidget>

namespace kit {

// Draws the radio cells in their grid and takes the clicks and keys.
class RadioGrid final : public QWidget {
public:
    explicit RadioGrid(Matrix* owner) : owner_(owner) { setFocusPolicy(Qt::StrongFocus); }

    QRect cellRect(int i) const {
        const int cols = owner_->columns_, rows = std::max(1, owner_->numberOfRows());
        const int r = i / cols, c = i % cols;
        return QRect(width() * c / cols, height() * r / rows, width() / cols, height() / rows);
    }

    int cellAt(const QPoint& p) const {
        for (int i = 0; i < owner_->numberOfCells(); ++i)
            if (cellRect(i).contains(p)) return i;
        return -1;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        for (int i = 0; i < owner_->numberOfCells(); ++i) {
            const Matrix::Cell& cell = owner_->cells_[size_t(i)];
            if (cell.hidden) continue;
            QStyleOptionButton o;
            o.initFrom(this);
            o.rect = cellRect(i);
            o.text = cell.title;
            o.state |= i == owner_->selected_ ? QStyle::State_On : QStyle::State_Off;
            if (!cell.enabled || !isEnabled()) o.state &= ~QStyle::State_Enabled;
            if (!hasFocus() || i != std::max(0, owner_->selected_))
                o.state &= ~QStyle::State_HasFocus;
            p.drawControl(QStyle::CE_RadioButton, o);
        }
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return e->ignore();
        pressed_ = cellAt(e->position().toPoint());
    }

    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return e->ignore();
        const int hit = cellAt(e->position().toPoint());
        if (hit >= 0 && hit == pressed_) owner_->userChose(hit);
        pressed_ = -1;
    }

    void keyPressEvent(QKeyEvent* e) override {
        const int step = Event::gridStepForQtKey(e->key(), owner_->columns_);
        if (step == 0) return e->ignore();
        // From no selection the first step lands on the first cell that can be
        // chosen in that direction.
        const int n = owner_->numberOfCells();
        int i = owner_->selected_ >= 0 ? owner_->selected_ + step : (step > 0 ? 0 : n - 1);
        while (i >= 0 && i < n && !owner_->canChoose(i)) i += step;
        if (i >= 0 && i < n) owner_->userChose(i);
    }

private:
    Matrix* owner_;
    int pressed_ = -1;
};

Matrix::Matrix(const QRectF& frame, int columns) : Control(frame), columns_(std::max(1, columns)) {
    setHostedWidget(new RadioGrid(this));
    changed();
}

int Matrix::numberOfRows() const {
    return (numberOfCells() + columns_ - 1) / columns_;
}

void Matrix::addCell(const QString& title, int tag) {
    cells_.push_back({title, tag});
    changed();
}

void Matrix::removeAllCells() {
    cells_.clear();
    selected_ = -1;
    changed();
}

int Matrix::indexOfTag(int tag) const {
    for (size_t i = 0; i < cells_.size(); ++i)
        if (cells_[i].tag == tag) return int(i);
    return -1;
}

bool Matrix::canChoose(int index) const {
    return index >= 0 && index < numberOfCells() && cells_[size_t(index)].enabled &&
           !cells_[size_t(index)].hidden;
}

bool Matrix::selectCellWithTag(int tag) {
    selected_ = indexOfTag(tag);
    changed();
    return selected_ >= 0;
}

void Matrix::deselectAllCells() {
    selected_ = -1;
    changed();
}

int Matrix::selectedTag() const {
    return selected_ >= 0 ? cells_[size_t(selected_)].tag : -1;
}

Matrix::Cell* Matrix::cellWithTag(int tag) {
    const int i = indexOfTag(tag);
    return i >= 0 ? &cells_[size_t(i)] : nullptr;
}

const Matrix::Cell* Matrix::cellWithTag(int tag) const {
    return const_cast<Matrix*>(this)->cellWithTag(tag);
}

QString Matrix::titleOfCellWithTag(int tag) const {
    const Cell* c = cellWithTag(tag);
    return c ? c->title : QString();
}

bool Matrix::isCellEnabled(int tag) const {
    const Cell* c = cellWithTag(tag);
    return c && c->enabled;
}

bool Matrix::isCellHidden(int tag) const {
    const Cell* c = cellWithTag(tag);
    return c && c->hidden;
}

void Matrix::setTitleOfCellWithTag(const QString& title, int tag) {
    changeCell(tag, [&](Cell& c) { c.title = title; });
}

void Matrix::setCellEnabled(bool enabled, int tag) {
    changeCell(tag, [&](Cell& c) { c.enabled = enabled; });
}

void Matrix::setCellHidden(bool hidden, int tag) {
    changeCell(tag, [&](Cell& c) { c.hidden = hidden; });
}

void Matrix::changeCell(int tag, const std::function<void(Cell&)>& change) {
    if (Cell* c = cellWithTag(tag)) {
        change(*c);
        changed();
    }
}

void Matrix::setObjectValue(const QVariant& value) {
    const int tag = value.toInt();
    if (!selectCellWithTag(tag)) deselectAllCells();
}

void Matrix::userChose(int index) {
    if (!isEnabled() || !canChoose(index)) return;
    selected_ = index;
    changed();
    sendAction();
}

void Matrix::changed() {
    storeValue(selectedTag());
    if (QWidget* w = hostedWidget()) w->update();
}

}  // namespace kit
