#pragma once

#include <QDate>
#include <QWidget>

#include <functional>

namespace kit {

// The month calendar a graphical date picker shows: a title with the month and
// arrows to the months around it, a row of weekday names and six weeks of days
// (the days of the months around it greyed), starting on the user calendar's
// first weekday. It shows a run of selected days and tells `picked` when the
// user selects others:
// - a press on a day selects it; in range mode a drag goes on selecting every
//   day from the pressed one to the one under the mouse (past the edge of the
//   grid, the nearest day), across the end of the month into the greyed days;
// - in range mode a shift-click extends the run to the clicked day from its far
//   end;
// - Left, Right, Up and Down move the selection by a day or a week (with Shift
//   in range mode, they move the end that moved last), and Page Up and Page Down
//   show the month before and after.
// A click on a greyed day, or a key that moves the selection out of the month,
// shows that day's month; a drag leaves the month alone. Main thread only.
class MonthGrid final : public QWidget {
public:
    MonthGrid();

    // Called with the first and last selected day (equal outside range mode)
    // whenever the user changes them.
    std::function<void(const QDate& first, const QDate& last)> picked;

    bool rangeMode() const { return range_; }
    void setRangeMode(bool range) { range_ = range; }

    QDate firstSelected() const { return std::min(anchor_, end_); }
    QDate lastSelected() const { return std::max(anchor_, end_); }
    void setSelection(const QDate& first, const QDate& last);

    // The first day of the month shown.
    QDate month() const { return month_; }
    void showMonth(const QDate& anyDay);

    // The cell of a day in the grid; empty when the day is not shown.
    QRect rectOfDay(const QDate& day) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QDate firstShownDay() const;
    int gridTop() const;
    QRect cellRect(int index) const;
    // The day under a point; with `nearest`, the nearest day of the grid when
    // the point lies outside it, else an invalid date.
    QDate dayAt(const QPoint& p, bool nearest) const;
    QRect arrowRect(int direction) const;
    // The user moved the selection: the anchor stays, `end` moves.
    void userMoved(const QDate& anchor, const QDate& end);

    bool range_ = false;
    QDate month_;
    QDate anchor_;  // the end of the selection that stays while the user extends it
    QDate end_;     // the end that moves
    QDate pressed_;
    bool tracking_ = false;
};

}  // namespace kit
