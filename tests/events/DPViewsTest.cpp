// The day popup's two lists drawn on their own: where the hour grid, the
// event boxes and their titles, the full-day rows, their glyphs and the more
// line go, and the colours of the boxes.

#include "events/DPEventsView.h"
#include "events/DPFulldayView.h"
#include "platform/kit/Color.h"
#include "yearview/YearViewTestSupport.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

using yvtest::at;
using yvtest::makeAllDay;
using yvtest::makeCalendar;
using yvtest::makeEvent;

EventDayPtr record(const calstore::EventPtr& event, const CalendarPtr& calendar) {
    return EventDay::eventDayForDay(event, calendar, *MyDate::dateWithDayMonthYear(11, 3, 2024), 8,
                                    18);
}

// The view drawn over the panel's dark grey, as it shows in the popup.
QImage renderOnPanel(kit::View* view) {
    const QImage drawn = view->renderToImage();
    QImage image(drawn.size(), QImage::Format_ARGB32);
    image.fill(QColor(40, 40, 40));
    QPainter p(&image);
    p.drawImage(0, 0, drawn);
    return image;
}

// A pixel of the view at (x, y) in its own coordinates (y upwards).
QColor at(const QImage& image, const kit::View* view, double x, double y) {
    return testsupport::pixel(image, int(x), int(view->bounds().height() - y));
}

// Pixels of a view's rectangle (its coordinates) brighter than `level` grey.
int brightPixels(const QImage& image, const kit::View* view, const QRectF& r, int level = 230) {
    int n = 0;
    const double H = view->bounds().height();
    for (int y = std::max(0, int(H - r.y() - r.height())); y < int(H - r.y()); ++y)
        for (int x = int(r.x()); x < int(r.x() + r.width()); ++x) {
            const QColor c = testsupport::pixel(image, x, y);
            if (c.red() > level && c.green() > level && c.blue() > level) ++n;
        }
    return n;
}

class DPViewsTest : public yvtest::CellTest {
protected:
    CalendarPtr blue = makeCalendar(1, true, QColor(40, 90, 220), QStringLiteral("Work"));
    CalendarPtr hidden = makeCalendar(1, false, QColor(220, 40, 40), QStringLiteral("Hidden"));
    MyDatePtr day = MyDate::dateWithDayMonthYear(11, 3, 2024);

    DPEventsView* eventsView(const std::vector<DayEventLayout::TimedEvent>& events,
                             bool colors = true) {
        auto* view = new DPEventsView(QRectF(0, 0, 222, DPEventsView::kViewHeight));
        views_.emplace_back(view);
        view->setDate(day);
        view->setUseCalendarColors(colors);
        view->setEvents(events);
        return view;
    }
    DayEventLayout::TimedEvent timed(int h1, int m1, int h2, int m2,
                                     const QString& title = QStringLiteral("Meeting"),
                                     int together = 1, int index = 0, int indent = 0) {
        return {record(makeEvent(at(2024, 3, 11, h1, m1), at(2024, 3, 11, h2, m2), title), blue),
                indent, index, together};
    }

    std::vector<std::unique_ptr<kit::View>> views_;
};

TEST_F(DPViewsTest, TheHourGridHasItsLinesAndLabelsWhereTheDayPutsThem) {
    DPEventsView* view = eventsView({});
    const QImage image = renderOnPanel(view);
    testsupport::saveForInspection(image, QStringLiteral("dp-events-grid"));
    const double L = view->labelColumnWidth();
    for (int i : {0, 1, 12, 23}) {
        // Hour lines at 1208.5 - 50 i, grey 0.4; the dotted half hour 24 lower.
        const double y = 1208.5 - 50 * i;
        EXPECT_TRUE(testsupport::colorNear(at(image, view, L + 20, y), kit::Color::white(0.4), 12))
            << i;
        int dots = 0;
        for (int x = int(L) + 4; x < int(L) + 16; ++x)
            if (testsupport::colorNear(at(image, view, x, y - 24), kit::Color::white(0.3), 12))
                ++dots;
        EXPECT_GE(dots, 3) << i;
        EXPECT_LE(dots, 6) << i;  // one point in three
        // Between the lines the panel shows through.
        EXPECT_TRUE(testsupport::colorNear(at(image, view, L + 20, y - 12), QColor(40, 40, 40), 4));
        // The label ends at L, left of the lines.
        EXPECT_GT(brightPixels(image, view, QRectF(0, y - 6, L, 14), 110), 0) << i;
    }
}

TEST_F(DPViewsTest, ABoxLiesOnTheGridLinesOfItsStartAndEnd) {
    DPEventsView* view = eventsView({timed(10, 0, 11, 0)});
    const QRectF box = view->boxForEvent(view->events().front());
    EXPECT_DOUBLE_EQ(box.y(), 658.5);
    EXPECT_DOUBLE_EQ(box.height(), 50);
    EXPECT_DOUBLE_EQ(box.x(), std::floor(view->labelColumnWidth() + 2) + 0.5);
    EXPECT_DOUBLE_EQ(box.width(), std::floor(222 - view->labelColumnWidth() - 2));

    // Coloured: the body takes the calendar's hue; grey without colours.
    const QImage colored = renderOnPanel(view);
    testsupport::saveForInspection(colored, QStringLiteral("dp-events-box"));
    const QColor body = at(colored, view, box.x() + box.width() - 20, box.y() + 8);
    EXPECT_GT(body.blue(), body.red() + 40);
    view->setUseCalendarColors(false);
    const QColor grey = at(renderOnPanel(view), view, box.x() + box.width() - 20, box.y() + 8);
    EXPECT_LE(std::abs(grey.red() - grey.blue()), 3);
    EXPECT_GT(grey.red(), 45);
}

TEST_F(DPViewsTest, SmallBoxesAreLeftOutAndTitlesNeedSixteenPoints) {
    struct Case {
        int endMinute;
        double height;  // 0: not drawn
        bool title;
    };
    for (const Case& c :
         {Case{13, 0, false}, Case{14, 11, false}, Case{19, 15, false}, Case{20, 16, true}}) {
        DPEventsView* view = eventsView({timed(10, 0, 10, c.endMinute, QStringLiteral("WWWW"))});
        const QRectF box = view->boxForEvent(view->events().front());
        EXPECT_DOUBLE_EQ(box.height(), c.height) << c.endMinute;
        const QImage image = renderOnPanel(view);
        if (c.endMinute == 20) testsupport::saveForInspection(image, QStringLiteral("dp-box-16"));
        // White title pixels inside the 10:00 hour, left of the rounded right edge.
        const QRectF inside(view->labelColumnWidth() + 6, 708.5 - 20, 60, 18);
        EXPECT_EQ(brightPixels(image, view, inside) > 0, c.title) << c.endMinute;
        // Anything drawn at all where the box would be.
        const QColor mid = at(image, view, view->labelColumnWidth() + 100, 708.5 - 5);
        EXPECT_EQ(!testsupport::colorNear(mid, QColor(40, 40, 40), 6), c.height > 0) << c.endMinute;
    }
}

TEST_F(DPViewsTest, OverlappingEventsShareTheWidthAndIndentedGroupsStepRight) {
    DPEventsView* view = eventsView({});
    const double L = view->labelColumnWidth(), W = 222;
    for (int indent : {0, 1}) {
        const double free = W - L - 2 - 8 * indent;
        const QRectF a = view->boxForEvent(timed(10, 0, 11, 0, QString(), 2, 0, indent));
        const QRectF b = view->boxForEvent(timed(10, 5, 11, 0, QString(), 2, 1, indent));
        EXPECT_DOUBLE_EQ(a.width(), std::floor(free / 2)) << indent;
        EXPECT_DOUBLE_EQ(b.width(), std::floor(free / 2)) << indent;
        EXPECT_DOUBLE_EQ(a.x(), std::floor(L + 2 + 8 * indent) + 0.5) << indent;
        EXPECT_DOUBLE_EQ(b.x(), std::floor(L + 2 + 8 * indent + free / 2) + 0.5) << indent;
    }
    // A group of no members is drawn at full width, never divided by.
    const QRectF whole = view->boxForEvent(timed(10, 0, 11, 0, QString(), 0));
    EXPECT_DOUBLE_EQ(whole.width(), std::floor(W - L - 2));

    view->setEvents({timed(9, 0, 12, 0, QStringLiteral("Workshop"), 2, 0),
                     timed(9, 10, 10, 0, QStringLiteral("Call"), 2, 1),
                     timed(10, 30, 11, 30, QStringLiteral("Review"), 1, 0, 1)});
    testsupport::saveForInspection(renderOnPanel(view), QStringLiteral("dp-events-overlap"));
}

TEST_F(DPViewsTest, EventsBeyondTheDayRunToItsEdgesAndHiddenOrFulldayOnesAreNotDrawn) {
    DPEventsView* view = eventsView({});
    const auto box = [&](const QDateTime& s, const QDateTime& e) {
        return view->boxForEvent({record(makeEvent(s, e), blue), 0, 0, 1});
    };
    // From the day before: from the top; into the next day: to the bottom.
    EXPECT_DOUBLE_EQ(box(at(2024, 3, 10, 22, 0), at(2024, 3, 11, 2, 0)).height(), 100);
    EXPECT_DOUBLE_EQ(box(at(2024, 3, 10, 22, 0), at(2024, 3, 11, 2, 0)).y(), 1108.5);
    EXPECT_DOUBLE_EQ(box(at(2024, 3, 11, 23, 0), at(2024, 3, 12, 1, 0)).y(), 8.5);
    const QRectF all = box(at(2024, 3, 10, 20, 0), at(2024, 3, 12, 1, 0));
    EXPECT_DOUBLE_EQ(all.y(), 8.5);
    EXPECT_DOUBLE_EQ(all.height(), 1200);
    EXPECT_TRUE(view->boxForEvent(
                        {record(makeEvent(at(2024, 3, 11, 10, 0), at(2024, 3, 11, 11, 0)), hidden),
                         0, 0, 1})
                    .isEmpty());
    EXPECT_TRUE(view->boxForEvent({record(makeAllDay(2024, 3, 11), blue), 0, 0, 1}).isEmpty());
}

TEST_F(DPViewsTest, OnClockChangeDaysTheDayEndsAtTheNextMidnight) {
    // 27 October 2024 has 25 hours in Berlin: a box after 23:00 ends where its
    // event ends, and only one reaching midnight runs to the bottom.
    day = MyDate::dateWithDayMonthYear(27, 10, 2024);
    DPEventsView* view = eventsView({});
    const auto box = [&](const QDateTime& s, const QDateTime& e) {
        return view->boxForEvent(
            {EventDay::eventDayForDay(makeEvent(s, e), blue, *day, 8, 18), 0, 0, 1});
    };
    const QRectF late = box(at(2024, 10, 27, 23, 0), at(2024, 10, 27, 23, 30));
    EXPECT_DOUBLE_EQ(late.y(), std::floor(0.5 * 50 + 8.5) + 0.5);
    EXPECT_DOUBLE_EQ(late.height(), 25);
    EXPECT_DOUBLE_EQ(box(at(2024, 10, 27, 23, 0), at(2024, 10, 28, 0, 0)).y(), 8.5);
}

// -- Full-day rows --------------------------------------------------------------------

class DPFulldayRowsTest : public DPViewsTest {
protected:
    DPFulldayView* fulldayView(const std::vector<EventDayPtr>& events, int rows, int total) {
        auto* view = new DPFulldayView(QRectF(0, 0, 242, rows * 18 + 2));
        views_.emplace_back(view);
        view->setMaxEntriesTotal(9, total);
        view->setUseCalendarColors(true);
        view->setEvents(events);
        return view;
    }
    std::vector<EventDayPtr> entries(int n) {
        std::vector<EventDayPtr> list;
        for (int i = 0; i < n; ++i)
            list.push_back(
                record(makeAllDay(2024, 3, 11, QStringLiteral("Entry %1").arg(i)), blue));
        return list;
    }
};

TEST_F(DPFulldayRowsTest, MoreEntriesThanRowsGiveTheLastRowToTheMoreLine) {
    struct Case {
        int total, rows, additional;
    };
    for (const Case& c : {Case{9, 9, 0}, Case{10, 8, 2}, Case{12, 8, 4}}) {
        DPFulldayView* view = fulldayView(entries(c.total), 9, c.total);
        EXPECT_EQ(view->maxNumberOfEntries(), c.rows) << c.total;
        EXPECT_EQ(view->additionalEntries(), c.additional) << c.total;
        const auto rows = view->rows();
        ASSERT_EQ(int(rows.size()), c.rows + (c.additional ? 1 : 0)) << c.total;
        EXPECT_EQ(rows.front().text, QStringLiteral("Entry 0"));
        EXPECT_DOUBLE_EQ(rows.front().rect.y(), 9 * 18 + 2 - 18);
        EXPECT_DOUBLE_EQ(rows.back().rect.y(), 2);
        if (c.additional) {
            EXPECT_EQ(rows.back().text, QStringLiteral("and %1 more...").arg(c.additional));
            EXPECT_EQ(rows[rows.size() - 2].text, QStringLiteral("Entry 7"));
        }
    }
    testsupport::saveForInspection(renderOnPanel(fulldayView(entries(12), 9, 12)),
                                   QStringLiteral("dp-fullday-more"));
}

TEST_F(DPFulldayRowsTest, OnlyShownFulldayEntriesOtherThanTheNotesGetRows) {
    std::vector<EventDayPtr> list = {
        record(makeEvent(at(2024, 3, 11, 9, 0), at(2024, 3, 11, 10, 0), QStringLiteral("Timed")),
               blue),
        record(makeAllDay(2024, 3, 11, QStringLiteral("Notes"), QStringLiteral("Zolt:Notes")),
               blue),
        record(makeAllDay(2024, 3, 11, QStringLiteral("Hidden")), hidden),
        record(makeAllDay(2024, 3, 11, QStringLiteral("Trip")), blue)};
    EXPECT_EQ(std::count_if(list.begin(), list.end(), &DPFulldayView::listsRecord), 1);
    const auto rows = fulldayView(list, 1, 1)->rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text, QStringLiteral("Trip"));
}

TEST_F(DPFulldayRowsTest, MarksHolidaysAndBirthdaysShowTheirGlyphsAndMarksTheirMarkersColour) {
    const QString markerUID = QStringLiteral("DDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDD");
    foundation::Defaults::standard().setObject(
        CalendarSources::kMarkersPrefs,
        QVariantMap{
            {markerUID, QVariantMap{{QStringLiteral("Name"), QStringLiteral("Gym")},
                                    {QStringLiteral("Selected"), true},
                                    {QStringLiteral("Color"), QStringLiteral("250 160 30 1.0")},
                                    {QStringLiteral("Type"), 8},
                                    {QStringLiteral("Calendar"), QStringLiteral("markers")},
                                    {QStringLiteral("Sequence"), 0}}}});
    delegate_->calendarSources->loadMarkers();
    const EMarkerPtr marker = delegate_->calendarSources->markerWithUID(markerUID);
    ASSERT_TRUE(marker);
    CalendarPtr markers = makeCalendar(4, true, QColor(120, 120, 120), QStringLiteral("Markers"));
    CalendarPtr holidays = makeCalendar(2, true, QColor(200, 50, 50), QStringLiteral("Holidays"));
    CalendarPtr birthdays = makeCalendar(3, true, QColor(200, 60, 200), QStringLiteral("Bdays"));
    std::vector<EventDayPtr> list = {
        record(makeAllDay(2024, 3, 11, QStringLiteral("Gym"), QStringLiteral("Zolt:") + markerUID),
               markers),
        record(makeAllDay(2024, 3, 11, QStringLiteral("Gone"),
                          QStringLiteral("Zolt:EEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEE")),
               markers),
        record(makeAllDay(2024, 3, 11, QStringLiteral("Spring Day")), holidays),
        record(makeAllDay(2024, 3, 11, QStringLiteral("Anna")), birthdays),
        record(makeAllDay(2024, 3, 11, QStringLiteral("Trip")), blue)};
    DPFulldayView* view = fulldayView(list, 5, 5);
    const auto rows = view->rows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].eventType, DPFulldayView::Mark);
    EXPECT_EQ(*rows[0].color, marker->color());
    EXPECT_EQ(rows[1].eventType, DPFulldayView::Mark);
    EXPECT_EQ(*rows[1].color, markers->color());  // its marker is gone
    EXPECT_EQ(rows[2].eventType, DPFulldayView::Holiday);
    EXPECT_EQ(rows[3].eventType, DPFulldayView::Birthday);
    EXPECT_EQ(rows[4].eventType, DPFulldayView::Plain);

    // The glyph rectangle (x + 5, y + 3, 13 by 12) of a glyph row differs from
    // the same place of the plain row, which has only its box there.
    const QImage image = renderOnPanel(view);
    testsupport::saveForInspection(image, QStringLiteral("dp-fullday-glyphs"));
    view->setUseCalendarColors(false);
    const QImage grey = renderOnPanel(view);
    testsupport::saveForInspection(grey, QStringLiteral("dp-fullday-grey"));
    const auto glyphDiff = [&](const QImage& img, int row) {
        int differing = 0;
        for (int dy = 3; dy < 15; ++dy)
            for (int dx = 5; dx < 18; ++dx) {
                const QColor a = at(img, view, dx, rows[row].rect.y() + dy);
                const QColor b = at(img, view, dx, rows[4].rect.y() + dy);
                if (!testsupport::colorNear(a, b, 30)) ++differing;
            }
        return differing;
    };
    for (int row : {0, 2, 3}) {
        EXPECT_GT(glyphDiff(grey, row), 10) << row;  // glyphs stay without colours
    }
    // With colours off every box is grey.
    const QColor body = at(grey, view, 200, rows[2].rect.y() + 6);
    EXPECT_LE(std::abs(body.red() - body.blue()), 3);
}

TEST(DPListViewColors, BoxColoursFollowTheBaseColourAndTheListsRules) {
    const DPListView::BoxStyle timed{0.1, 0.4, true}, fullday{0.0, 0.2, false};
    using kit::Color;
    const auto near = [](const QColor& a, const QColor& b) {
        return std::abs(a.redF() - b.redF()) < 0.02 && std::abs(a.greenF() - b.greenF()) < 0.02 &&
               std::abs(a.blueF() - b.blueF()) < 0.02 && std::abs(a.alphaF() - b.alphaF()) < 0.02;
    };
    // No colour: the four greys.
    const auto none = DPListView::boxColors(std::nullopt, timed);
    EXPECT_TRUE(near(none.edge, Color::white(0.1, 1.0)));
    EXPECT_TRUE(near(none.rim, Color::white(0.5, 1.0)));
    EXPECT_TRUE(near(none.top, Color::white(0.5, 0.7)));
    EXPECT_TRUE(near(none.body, Color::white(0.3, 0.7)));
    // A nearly grey colour is grey for the timed boxes, coloured for the rows.
    const QColor greyish = Color::hsb(0.6, 0.05, 0.4);
    EXPECT_TRUE(near(DPListView::boxColors(greyish, timed).rim, Color::white(0.9, 1.0)));
    EXPECT_TRUE(near(DPListView::boxColors(greyish, timed).edge, Color::white(0.1, 1.0)));
    EXPECT_TRUE(near(DPListView::boxColors(greyish, fullday).rim, Color::hsb(0.6, 0.5, 0.9)));
    // A saturated colour: the rims of the two lists.
    const QColor deep = Color::hsb(0.6, 0.8, 0.6);
    EXPECT_TRUE(near(DPListView::boxColors(deep, timed).rim, Color::hsb(0.6, 0.4, 1.0)));
    EXPECT_TRUE(near(DPListView::boxColors(deep, timed).edge, Color::hsb(0.6, 0.8, 0.4)));
    EXPECT_TRUE(near(DPListView::boxColors(deep, fullday).edge, Color::hsb(0.6, 0.8, 0.2)));
    EXPECT_TRUE(near(DPListView::boxColors(deep, fullday).body, Color::hsb(0.6, 0.8, 0.6, 0.7)));
    EXPECT_TRUE(near(DPListView::boxColors(deep, fullday).top, Color::hsb(0.6, 0.4, 0.8, 0.7)));
    // A very light colour tops out at full brightness, less see-through.
    EXPECT_TRUE(near(DPListView::boxColors(Color::hsb(0.1, 0.3, 0.9), timed).top,
                     Color::hsb(0.1, 0.0, 1.0, 0.85)));
}

}  // namespace
