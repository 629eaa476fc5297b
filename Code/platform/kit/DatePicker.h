#pragma once

#include "platform/kit/Control.h"

#include <QDateTime>
#include <QPointer>

class QDateTimeEdit;

namespace kit {

class ClockFace;
class MonthGrid;

// A point in time the user picks, in one of three styles:
// - a text field showing the date, the date and time, or the time only, edited
//   section by section with the keys or its arrows (a Qt date-time edit);
// - a graphical month calendar (the kit's own MonthGrid): a click picks a day,
//   and in range mode a drag or a shift-click picks a run of days; the picker
//   then holds the first day as its date value and the length of the run as its
//   time interval (seconds from the date value to the same time of day on the
//   last day);
// - an analog clock face (the kit's own ClockFace) whose hands the user drags
//   to set the hour and minute.
// A picked day keeps the value's time of day and a picked time keeps its day;
// days and times are read in the user calendar's time zone. The date value is
// the object value. Every change the user makes sends the action; code's
// changes send none. An invalid date changes nothing.
//
// The keyboard reaches the picker through the window's makeFirstResponder (a
// click, Tab, or code), so a subclass's becomeFirstResponder sees each time the
// picker takes the focus. Main thread only.
class DatePicker : public Control {
    Q_OBJECT

public:
    enum class Style { TextField, Graphical, Clock };
    // What a text field shows.
    enum class Elements { Date, DateAndTime, Time };
    enum class Mode { Single, Range };

    explicit DatePicker(const QRectF& frame = QRectF(), Style style = Style::TextField,
                        Elements elements = Elements::Date);

    Style datePickerStyle() const { return style_; }
    void setDatePickerStyle(Style style);
    Elements datePickerElements() const { return elements_; }
    void setDatePickerElements(Elements elements);
    Mode datePickerMode() const { return mode_; }
    void setDatePickerMode(Mode mode);

    QDateTime dateValue() const { return date_; }
    void setDateValue(const QDateTime& date);
    // The length of the range in seconds (range mode; 0 for a single day).
    double timeInterval() const { return interval_; }
    void setTimeInterval(double seconds);
    void setObjectValue(const QVariant& value) override { setDateValue(value.toDateTime()); }

    // The calendar's shown month (its first day) and where a day is drawn, in
    // the view's own coordinates (empty when not shown or not a calendar).
    QDate displayedMonth() const;
    QRectF rectOfDay(const QDate& day) const;

    // The clock is worked with the mouse alone; a disabled picker takes no keys.
    bool acceptsFirstResponder() override { return style_ != Style::Clock && isEnabled(); }

    // The hosted widget of each style (null in the others).
    QDateTimeEdit* dateTimeEdit() const;
    MonthGrid* monthGrid() const;
    ClockFace* clockFace() const;

private:
    void rebuild();
    // Shows the value in the hosted widget.
    void refresh(bool showValuesMonth);
    // The wall-clock reading the text field shows (in UTC, which has no gaps).
    QDateTime editValue() const;
    void userChanged(const QDateTime& date, double interval);

    Style style_;
    Elements elements_;
    Mode mode_ = Mode::Single;
    QDateTime date_;
    double interval_ = 0;
    bool refreshing_ = false;
    QPointer<QDateTimeEdit> edit_;
    QPointer<MonthGrid> grid_;
    QPointer<ClockFace> clock_;
};

}  // namespace kit
