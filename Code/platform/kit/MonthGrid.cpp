#include "platform/kit/MonthGrid.h"

#include "platform/foundation/UserCalendar.h"
#include "platform/kit/Event.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kit {

namespace {

constexpr int kTitleHeight = 22;
constexpr int kWeekdayHeight = 16;
constexpr int kArrowWidth = 24;
constexpr int kWeeks = 6;

QDate firstOfMonth(const QDate& d) {
    return QDate(d.year(), d.month(), 1);
}

}  // namespace

MonthGrid::MonthGrid() {
    setFocusPolicy(Qt::StrongFocus);
    const QDate today = QDate::currentDate();
    anchor_ = end_ = today;
    month_ = firstOfMonth(today);
}

void MonthGrid::setSelection(const QDate& first, const QDate& last) {
    if (!first.isValid() || !last.isValid()) return;
    // The user's own selection coming back keeps its anchor.
    if (first == firstSelected() && last == lastSelected()) return;
    anchor_ = std::min(first, last);
    end_ = std::max(first, last);
    update();
}

void MonthGrid::showMonth(const QDate& anyDay) {
    if (!anyDay.isValid()) return;
    month_ = firstOfMonth(anyDay);
    update();
}

QDate MonthGrid::firstShownDay() const {
    const int first = foundation::UserCalendar::current().firstWeekday();
    const int weekday = foundation::UserCalendar::weekdayOfDate(month_);
    return month_.addDays(-((weekday - first + 7) % 7));
}

int MonthGrid::gridTop() const {
    return kTitleHeight + kWeekdayHeight;
}

QRect MonthGrid::cellRect(int index) const {
    const int row = index / 7, col = index % 7;
    const int h = height() - gridTop();
    return QRect(width() * col / 7, gridTop() + h * row / kWeeks,
                 width() * (col + 1) / 7 - width() * col / 7,
                 h * (row + 1) / kWeeks - h * row / kWeeks);
}

QRect MonthGrid::rectOfDay(const QDate& day) const {
    const qint64 index = firstShownDay().daysTo(day);
    if (!day.isValid() || index < 0 || index >= 7 * kWeeks) return QRect();
    return cellRect(int(index));
}

QDate MonthGrid::dayAt(const QPoint& p, bool nearest) const {
    const int h = std::max(1, height() - gridTop());
    int col = p.x() * 7 / std::max(1, width());
    int row = p.y() < gridTop() ? -1 : (p.y() - gridTop()) * kWeeks / h;
    if (!nearest && (col < 0 || col >= 7 || row < 0 || row >= kWeeks)) return QDate();
    col = std::clamp(col, 0, 6);
    row = std::clamp(row, 0, kWeeks - 1);
    return firstShownDay().addDays(row * 7 + col);
}

QRect MonthGrid::arrowRect(int direction) const {
    return direction < 0 ? QRect(0, 0, kArrowWidth, kTitleHeight)
                         : QRect(width() - kArrowWidth, 0, kArrowWidth, kTitleHeight);
}

void MonthGrid::userMoved(const QDate& anchor, const QDate& end) {
    if (!anchor.isValid() || !end.isValid()) return;
    const QDate wasFirst = firstSelected(), wasLast = lastSelected();
    anchor_ = range_ ? anchor : end;
    end_ = end;
    update();
    if ((firstSelected() != wasFirst || lastSelected() != wasLast) && picked)
        picked(firstSelected(), lastSelected());
}

void MonthGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const bool enabled = isEnabled();
    p.fillRect(rect(), pal.color(QPalette::Base));
    const QColor text = pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::Text);
    const QColor grey = pal.color(QPalette::Disabled, QPalette::Text);

    // Title and arrows.
    const QLocale locale;
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(text);
    p.drawText(QRect(0, 0, width(), kTitleHeight), Qt::AlignCenter,
               locale.standaloneMonthName(month_.month()) + QLatin1Char(' ') +
                   QString::number(month_.year()));
    p.setPen(Qt::NoPen);
    p.setBrush(text);
    for (int direction : {-1, 1}) {
        const QPointF c = QRectF(arrowRect(direction)).center();
        const double s = 4;
        // The tip points the way the arrow goes.
        const QPointF tri[3] = {c + QPointF(-direction * s, -s), c + QPointF(-direction * s, s),
                                c + QPointF(direction * s, 0)};
        p.drawPolygon(tri, 3);
    }

    // Weekday names, from the first weekday on.
    p.setFont(font());
    p.setPen(grey);
    const QDate first = firstShownDay();
    for (int col = 0; col < 7; ++col) {
        const QRect cell = cellRect(col);
        p.drawText(QRect(cell.x(), kTitleHeight, cell.width(), kWeekdayHeight), Qt::AlignCenter,
                   locale.standaloneDayName(first.addDays(col).dayOfWeek(), QLocale::NarrowFormat));
    }

    // Days; the selection is one band per week row.
    const QColor highlight =
        pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::Highlight);
    const QDate selFirst = firstSelected(), selLast = lastSelected();
    for (int i = 0; i < 7 * kWeeks; ++i) {
        const QDate day = first.addDays(i);
        const QRect cell = cellRect(i);
        const bool selected = day >= selFirst && day <= selLast;
        if (selected) p.fillRect(cell.adjusted(0, 1, 0, -1), highlight);
        const bool inMonth = day.month() == month_.month();
        p.setPen(selected ? pal.color(QPalette::HighlightedText) : inMonth ? text : grey);
        p.drawText(cell, Qt::AlignCenter, QString::number(day.day()));
    }
    if (hasFocus()) {
        const QRect cell = rectOfDay(end_);
        if (!cell.isEmpty()) {
            p.setPen(QPen(text, 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(cell.adjusted(1, 1, -2, -2));
        }
    }
}

void MonthGrid::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return e->ignore();
    const QPoint p = e->position().toPoint();
    for (int direction : {-1, 1}) {
        if (arrowRect(direction).contains(p)) {
            showMonth(month_.addMonths(direction));
            return;
        }
    }
    const QDate day = dayAt(p, false);
    if (!day.isValid()) return;
    pressed_ = day;
    tracking_ = true;
    if (range_ && (e->modifiers() & Qt::ShiftModifier))
        userMoved(day < firstSelected() ? lastSelected() : firstSelected(), day);
    else
        userMoved(day, day);
}

void MonthGrid::mouseMoveEvent(QMouseEvent* e) {
    if (!tracking_ || !(e->buttons() & Qt::LeftButton)) return e->ignore();
    const QDate day = dayAt(e->position().toPoint(), true);
    if (day != end_) userMoved(anchor_, day);
}

void MonthGrid::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !tracking_) return e->ignore();
    tracking_ = false;
    const QDate day = dayAt(e->position().toPoint(), false);
    if (day == pressed_ && !(e->modifiers() & Qt::ShiftModifier) && firstOfMonth(day) != month_)
        showMonth(day);
    pressed_ = QDate();
}

void MonthGrid::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown) {
        showMonth(month_.addMonths(e->key() == Qt::Key_PageUp ? -1 : 1));
        return;
    }
    const int step = Event::gridStepForQtKey(e->key(), 7);
    if (step == 0) return e->ignore();
    const QDate day = end_.addDays(step);
    const bool extend = range_ && (e->modifiers() & Qt::ShiftModifier);
    userMoved(extend ? anchor_ : day, day);
    if (firstOfMonth(day) != month_) showMonth(day);
}

}  // namespace kit
