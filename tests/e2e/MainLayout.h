#pragma once

// Where the main window puts its parts on the journeys' screen: the window
// fills the 1600 x 1000 screen (the fixture's settings), the splitters sit where
// a first start puts them and the fonts are the set-up's, so the year grid and
// the week's columns lie on fixed pixels. `matches` tells when they moved.

#include "e2e/Desktop.h"

#include <QDate>
#include <QImage>
#include <QRect>

namespace e2e::layout {

// The year page: twelve month columns of 31 day rows.
inline constexpr int kYearLeft = 241;
inline constexpr int kMonthWidth = 109;
inline constexpr int kYearTop = 131;
inline constexpr int kDayHeight = 11;

// The week: seven columns from Monday; the first start shows it from 8:00 on.
inline constexpr int kWeekLeft = 241;
inline constexpr int kColumnWidth = 187;
inline constexpr int kEightOClockY = 578;
inline constexpr int kHourHeight = 50;

// The lines of the grids.
inline constexpr QRgb kGridLine = qRgb(0x9f, 0x9f, 0x9f);

// The inside of a day's cell of the shown year.
inline QRect yearCell(const QDate& day) {
    return QRect(kYearLeft + kMonthWidth * (day.month() - 1) + 1,
                 kYearTop + kDayHeight * (day.day() - 1) + 1, kMonthWidth - 1, kDayHeight - 1);
}

// The column of a day of the shown week (weeks begin on Monday).
inline QRect weekColumn(const QDate& day) {
    return QRect(kWeekLeft + kColumnWidth * (day.dayOfWeek() - 1) + 1, kEightOClockY + 1,
                 kColumnWidth - 1, 1000 - kEightOClockY - 30);
}

// The screen line of an hour of the shown week.
inline int hourY(double hour) {
    return kEightOClockY + int(kHourHeight * (hour - 8));
}

// The point of a day's column at an hour.
inline QPoint weekPoint(const QDate& day, double hour) {
    return QPoint(weekColumn(day).center().x(), hourY(hour));
}

// The Work calendar's blue as events are drawn in either view (the week's
// lighter, the year's line full); no background, selection-free cell or text
// of the views is that blue.
inline bool isEventBlue(QRgb c) {
    return qBlue(c) - qRed(c) >= 60 && qBlue(c) - qGreen(c) >= 20;
}
inline int eventPixels(const QImage& screen, const QRect& area) {
    return countPixels(screen, area, isEventBlue);
}

// The source list: each row's checkbox shows its calendar's or marker's
// colour. The point on the title of the first row (from the top) whose
// checkbox has pixels `wanted` answers true for; null when no row has.
inline constexpr QRect kSourceCheckboxes(20, 90, 30, 600);
inline QPoint sourceRow(const QImage& screen, const std::function<bool(QRgb)>& wanted) {
    const QRect area = kSourceCheckboxes.intersected(screen.rect());
    int first = -1, last = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const bool hit = countPixels(screen, QRect(area.left(), y, area.width(), 1), wanted) >= 3;
        if (hit && first < 0) first = y;
        if (hit) last = y;
        if (!hit && first >= 0) break;
    }
    return first < 0 ? QPoint() : QPoint(80, (first + last) / 2);
}

// The checkboxes of a birthday store and a holiday store in the colours the
// setup assistant gives them (the journeys give theirs the same): a light
// orange and a light yellow, which no other row's checkbox has.
inline bool isBirthdayOrange(QRgb c) {
    return qRed(c) > 220 && qGreen(c) > 150 && qGreen(c) < 215 && qBlue(c) < qGreen(c) - 40;
}
inline bool isHolidayYellow(QRgb c) {
    return qRed(c) > 220 && qGreen(c) > 220 && qBlue(c) < 170;
}

// Whether the screen still has the grid lines where these constants say: the
// year's column and row lines, and the week's hour lines darker than the
// half-hour's space below them.
inline bool matches(const QImage& screen) {
    const auto darker = [&](int x, int y) {
        return qGray(screen.pixel(x, y)) + 12 < qGray(screen.pixel(x, y + 10));
    };
    return colorNear(screen.pixel(kYearLeft, kYearTop + kDayHeight / 2), kGridLine, 12) &&
           colorNear(screen.pixel(kYearLeft + kMonthWidth, kYearTop + kDayHeight / 2), kGridLine,
                     12) &&
           colorNear(screen.pixel(kYearLeft + 50, kYearTop + kDayHeight), kGridLine, 12) &&
           darker(kWeekLeft + kColumnWidth / 2, hourY(9)) &&
           darker(kWeekLeft + kColumnWidth / 2, hourY(10));
}

}  // namespace e2e::layout
