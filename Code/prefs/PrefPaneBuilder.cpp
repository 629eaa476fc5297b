#include "prefs/PrefPaneBuilder.h"

#include "platform/foundation/Localized.h"
#include "platform/kit/Button.h"
#include "platform/kit/ColorWell.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Font.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/TextField.h"
#include "platform/kit/View.h"

#include <algorithm>

using foundation::localized;

PrefPaneBuilder::PrefPaneBuilder(double width) : width_(width), columnWidth_(width - 2 * kMargin) {}

void PrefPaneBuilder::column(double x, double width) {
    x_ = x;
    columnWidth_ = width;
    top_ = kMargin;
}

void PrefPaneBuilder::gap(double height) {
    top_ += height;
}

void PrefPaneBuilder::add(kit::View* view, double x, double width, double height) {
    rows_.push_back({view, x, top_, width, height});
    deepest_ = std::max(deepest_, top_ + height);
}

void PrefPaneBuilder::labelled(const QString& key, const QString& fallback, kit::View* control,
                               double width, double height) {
    lastLabel_ = kit::TextField::labelWithString(localized(key, fallback));
    add(lastLabel_, x_, kLabelWidth, height);
    add(control, x_ + kLabelWidth, width, height);
    top_ += height;
}

kit::TextField* PrefPaneBuilder::heading(const QString& key, const QString& fallback) {
    auto* field = kit::TextField::labelWithString(localized(key, fallback));
    field->setTextFont(kit::Font::boldSystemFont(13));
    add(field, x_, columnWidth_, kRowHeight);
    top_ += kRowHeight;
    return field;
}

kit::TextField* PrefPaneBuilder::text(const QString& key, const QString& fallback, double height) {
    auto* field = kit::TextField::labelWithString(localized(key, fallback));
    field->setWraps(true);
    add(field, x_, columnWidth_, height);
    top_ += height;
    return field;
}

kit::Button* PrefPaneBuilder::checkbox(const QString& key, const QString& fallback) {
    auto* box = new kit::Button(QRectF(), kit::Button::Type::Checkbox);
    box->setTitle(localized(key, fallback));
    add(box, x_, columnWidth_, kRowHeight);
    top_ += kRowHeight;
    return box;
}

kit::Button* PrefPaneBuilder::button(const QString& key, const QString& fallback, double width) {
    auto* push = new kit::Button(QRectF(), kit::Button::Type::Push);
    push->setTitle(localized(key, fallback));
    add(push, x_, width, kRowHeight);
    top_ += kRowHeight;
    return push;
}

kit::ColorWell* PrefPaneBuilder::colorWell(const QString& key, const QString& fallback) {
    auto* well = new kit::ColorWell;
    well->setSupportsAlpha(true);
    labelled(key, fallback, well, 44, 24);
    top_ += 2;
    return well;
}

kit::PopUpButton* PrefPaneBuilder::popUp(const QString& key, const QString& fallback,
                                         const QList<Item>& items) {
    auto* popUp = new kit::PopUpButton;
    for (const Item& item : items)
        popUp->addItemWithTitle(localized(item.key, item.fallback))->setTag(item.tag);
    labelled(key, fallback, popUp, std::max(120.0, columnWidth_ - kLabelWidth));
    return popUp;
}

kit::DatePicker* PrefPaneBuilder::timePicker(const QString& key, const QString& fallback) {
    auto* picker = new kit::DatePicker(QRectF(), kit::DatePicker::Style::TextField,
                                       kit::DatePicker::Elements::Time);
    labelled(key, fallback, picker, 100);
    return picker;
}

kit::Matrix* PrefPaneBuilder::leftRight(const QString& key, const QString& fallback) {
    auto* matrix = new kit::Matrix(QRectF(), 2);
    matrix->addCell(localized(QStringLiteral("prefPaneLeft"), QStringLiteral("Left")), 1);
    matrix->addCell(localized(QStringLiteral("prefPaneRight"), QStringLiteral("Right")), 2);
    labelled(key, fallback, matrix, 160);
    return matrix;
}

kit::TextField* PrefPaneBuilder::field(double width) {
    auto* line = new kit::TextField;
    add(line, x_, width, 24);
    top_ += kRowHeight;
    return line;
}

kit::View* PrefPaneBuilder::finish() {
    const double height = deepest_ + kMargin;
    auto* view = new kit::View(QRectF(0, 0, width_, height));
    view->setAutoresizesSubviews(true);
    for (const Row& row : rows_) {
        // y grows upwards: the distance to the top edge is kept.
        row.view->setFrame(QRectF(row.x, height - row.top - row.height, row.width, row.height));
        row.view->setAutoresizingMask(kit::View::MinYMargin);
        view->addSubview(row.view);
    }
    return view;
}
