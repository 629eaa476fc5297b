#include "platform/kit/DatePicker.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/UserCalendar.h"
#include "platform/kit/ClockFace.h"
#include "platform/kit/MonthGrid.h"

#include <QDateTimeEdit>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

using foundation::UserCalendar;

// The day a time-only field keeps: Qt pins such a field to the day it holds
// when its format is set.
const QDate kTimeFieldDay(2001, 1, 1);

QDate dayOf(const QDateTime& date) {
    return UserCalendar::current().localDate(date);
}

QTime timeOf(const QDateTime& date) {
    const UserCalendar::Components c = UserCalendar::current().components(date);
    return QTime(c.hour, c.minute, c.second, c.millisecond);
}

// The point in time of a local day and time of day.
QDateTime at(const QDate& day, const QTime& time) {
    return UserCalendar::current()
        .dateFromComponents(day.year(), day.month(), day.day(), time.hour(), time.minute(),
                            time.second())
        .addMSecs(time.msec());
}

QString displayFormat(const QLocale& locale, DatePicker::Elements elements) {
    QString date = locale.dateFormat(QLocale::ShortFormat);
    // Two-digit years would leave the century to guesswork.
    if (!date.contains(QLatin1String("yyyy"))) date.replace(QLatin1String("yy"), "yyyy");
    // Times are picked to the minute.
    QString time = locale.timeFormat(QLocale::ShortFormat);
    time.remove(QRegularExpression(QStringLiteral("[:.]s+")));
    switch (elements) {
        case DatePicker::Elements::Date:
            return date;
        case DatePicker::Elements::Time:
            return time;
        case DatePicker::Elements::DateAndTime:
            break;
    }
    return date + QLatin1Char(' ') + time;
}

}  // namespace

DatePicker::DatePicker(const QRectF& frame, Style style, Elements elements)
    : Control(frame), style_(style), elements_(elements) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    date_ = now.addMSecs(-(now.toMSecsSinceEpoch() % 60000));
    storeValue(date_);
    rebuild();
}

void DatePicker::setDatePickerStyle(Style style) {
    if (style == style_) return;
    style_ = style;
    rebuild();
}

void DatePicker::setDatePickerElements(Elements elements) {
    if (elements == elements_) return;
    elements_ = elements;
    if (style_ == Style::TextField) rebuild();
}

void DatePicker::setDatePickerMode(Mode mode) {
    mode_ = mode;
    if (grid_) grid_->setRangeMode(mode == Mode::Range);
    refresh(false);
}

void DatePicker::setDateValue(const QDateTime& date) {
    foundation::requireMainThread("DatePicker::setDateValue");
    if (!date.isValid()) return;
    date_ = date;
    storeValue(date_);
    refresh(true);
}

void DatePicker::setTimeInterval(double seconds) {
    if (!std::isfinite(seconds)) return;
    interval_ = seconds;
    refresh(false);
}

QDate DatePicker::displayedMonth() const {
    return grid_ ? grid_->month() : QDate();
}

QRectF DatePicker::rectOfDay(const QDate& day) const {
    if (!grid_) return QRectF();
    const QRect r = grid_->rectOfDay(day);
    if (r.isEmpty()) return QRectF();
    // The grid's rows run downwards, the view's y upwards.
    return QRectF(r.x(), bounds().height() - r.y() - r.height(), r.width(), r.height());
}

QDateTimeEdit* DatePicker::dateTimeEdit() const {
    return edit_;
}

MonthGrid* DatePicker::monthGrid() const {
    return grid_;
}

ClockFace* DatePicker::clockFace() const {
    return clock_;
}

QDateTime DatePicker::editValue() const {
    const QDate day = elements_ == Elements::Time ? kTimeFieldDay : dayOf(date_);
    const QTime time = elements_ == Elements::Date ? QTime(0, 0) : timeOf(date_);
    return QDateTime(day, time, Qt::UTC);
}

void DatePicker::rebuild() {
    edit_ = nullptr;
    grid_ = nullptr;
    clock_ = nullptr;
    switch (style_) {
        case Style::TextField: {
            auto* e = new QDateTimeEdit;
            edit_ = e;
            e->setTimeSpec(Qt::UTC);
            e->setDateTime(editValue());
            e->setDisplayFormat(displayFormat(e->locale(), elements_));
            e->setFocusPolicy(Qt::StrongFocus);
            connect(e, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& shown) {
                if (refreshing_) return;
                const QDate day = elements_ == Elements::Time ? dayOf(date_) : shown.date();
                const QTime time = elements_ == Elements::Date ? timeOf(date_) : shown.time();
                userChanged(at(day, time), interval_);
            });
            setHostedWidget(e);
            break;
        }
        case Style::Graphical: {
            auto* g = new MonthGrid;
            grid_ = g;
            g->setRangeMode(mode_ == Mode::Range);
            g->picked = [this](const QDate& first, const QDate& last) {
                const QTime time = timeOf(date_);
                const QDateTime start = at(first, time);
                const double interval =
                    mode_ == Mode::Range ? start.msecsTo(at(last, time)) / 1000.0 : interval_;
                userChanged(start, interval);
            };
            setHostedWidget(g);
            break;
        }
        case Style::Clock: {
            auto* c = new ClockFace;
            clock_ = c;
            c->set = [this](int hour, int minute) {
                const QTime was = timeOf(date_);
                userChanged(at(dayOf(date_), QTime(hour, minute, was.second(), was.msec())),
                            interval_);
            };
            setHostedWidget(c);
            break;
        }
    }
    refresh(true);
}

void DatePicker::refresh(bool showValuesMonth) {
    refreshing_ = true;
    if (edit_ && edit_->dateTime() != editValue()) edit_->setDateTime(editValue());
    if (grid_) {
        const QDate first = dayOf(date_);
        const QDate last =
            mode_ == Mode::Range ? dayOf(date_.addMSecs(qint64(interval_ * 1000))) : first;
        grid_->setSelection(std::min(first, last), std::max(first, last));
        if (showValuesMonth) grid_->showMonth(std::min(first, last));
    }
    if (clock_) {
        const QTime time = timeOf(date_);
        clock_->setTime(time.hour(), time.minute());
    }
    refreshing_ = false;
}

void DatePicker::userChanged(const QDateTime& date, double interval) {
    if (!date.isValid() || (date == date_ && interval == interval_)) return;
    date_ = date;
    interval_ = interval;
    storeValue(date_);
    // The widget shows what it was given; this only mends a time the clocks
    // skip (2:30 on the night they go forward is 3:30).
    refresh(false);
    sendAction();
}

}  // namespace kit
