#pragma once

#include <QList>
#include <QPair>
#include <QRectF>
#include <QString>

#include <vector>

namespace kit {
class Button;
class ColorWell;
class DatePicker;
class Matrix;
class PopUpButton;
class TextField;
class View;
}  // namespace kit

// Lays out the controls of a preferences pane in columns from the top down:
// each row is a control, with a label at its left where the control has no
// title of its own. Titles are looked up by key with an English default. The
// rows keep their distance to the top edge when the view grows (the window
// keeps its top edge too). Main thread only.
class PrefPaneBuilder final {
public:
    static constexpr double kMargin = 20.0;
    static constexpr double kRowHeight = 26.0;
    static constexpr double kLabelWidth = 170.0;

    explicit PrefPaneBuilder(double width);

    // Starts a column at `x`, `width` wide, at the top.
    void column(double x, double width);
    void gap(double height);

    kit::TextField* heading(const QString& key, const QString& fallback);
    kit::TextField* text(const QString& key, const QString& fallback, double height = kRowHeight);
    kit::Button* checkbox(const QString& key, const QString& fallback);
    kit::Button* button(const QString& key, const QString& fallback, double width = 100.0);
    kit::ColorWell* colorWell(const QString& key, const QString& fallback);
    // Items are titles (by key, with their fallback) and their tags.
    struct Item {
        QString key, fallback;
        int tag = 0;
    };
    kit::PopUpButton* popUp(const QString& key, const QString& fallback, const QList<Item>& items);
    kit::DatePicker* timePicker(const QString& key, const QString& fallback);
    // Two radio cells side by side, tags 1 (left) and 2 (right).
    kit::Matrix* leftRight(const QString& key, const QString& fallback);
    // An editable line of text over the column's width.
    kit::TextField* field(double width);

    // The label placed at the left of the last labelled control.
    kit::TextField* lastLabel() const { return lastLabel_; }

    // The pane view holding every row, as tall as the tallest column.
    kit::View* finish();

private:
    struct Row {
        kit::View* view;
        double x, top, width, height;
    };
    // Places a labelled control: label at the left, control after it.
    void labelled(const QString& key, const QString& fallback, kit::View* control, double width,
                  double height = kRowHeight);
    void add(kit::View* view, double x, double width, double height);

    double width_;
    double x_ = kMargin;
    double columnWidth_;
    double top_ = kMargin;
    double deepest_ = kMargin;
    std::vector<Row> rows_;
    kit::TextField* lastLabel_ = nullptr;
};
