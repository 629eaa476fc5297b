#include "platform/kit/TableColumn.h"

#include "platform/kit/TableView.h"
#include "platform/kit/TextFieldCell.h"

#include <algorithm>

namespace kit {

TableColumn::TableColumn(const QString& identifier)
    : identifier_(identifier), cell_(std::make_unique<TextFieldCell>()) {}

void TableColumn::setWidth(double width) {
    width_ = std::max(minWidth_, width);
    if (table_) table_->tile();
}

void TableColumn::setMinWidth(double width) {
    minWidth_ = std::max(0.0, width);
    if (width_ < minWidth_) setWidth(minWidth_);
}

void TableColumn::setDataCell(std::unique_ptr<Cell> cell) {
    if (!cell) return;
    cell_ = std::move(cell);
    if (table_) table_->setNeedsDisplay();
}

}  // namespace kit
