// The day column's drawing: event boxes where the hours put them, their
// colours, the grid, the grey-out of the past, the title row, the full-day
// panel, and the pictures used off screen and while the column moves.

#include "WeekdayViewTestSupport.h"

#include "platform/kit/Color.h"
#include "platform/kit/Image.h"
#include "platform/kit/TrackingArea.h"
#include "platform/store/Calendar.h"
#include "platform/store/Store.h"
#include "support/TestSupport.h"

#ifdef ZOLT_HAS_SAMPLE_STORE
#include "SampleStore.h"
#endif

#include <gtest/gtest.h>

#include <QPainter>
#include <QRegularExpression>

#include <map>

using namespace wdvtest;

namespace {

// The pixel of a view's picture at (x, y) of the view's unflipped coordinates.
QColor px(const QImage& image, double x, double y) {
    return image.pixelColor(int(std::floor(x)), image.height() - 1 - int(std::floor(y)));
}
bool blank(const QColor& c) {
    return c.alpha() == 0;
}
bool bluish(const QColor& c) {
    return c.alpha() > 0 && c.blue() > c.red() + 40;
}
bool greyish(const QColor& c) {
    return c.alpha() > 0 && std::abs(c.red() - c.green()) < 10 &&
           std::abs(c.green() - c.blue()) < 10;
}
// Whether some pixel of the rectangle (view coordinates) is darker than `level`.
bool hasDarkPixel(const QImage& image, const QRectF& r, int level) {
    for (int x = int(r.left()); x < int(r.right()); ++x)
        for (int y = int(r.top()); y < int(r.bottom()); ++y) {
            const QColor c = px(image, x, y);
            if (c.alpha() > 100 && c.value() < level) return true;
        }
    return false;
}

class WeekdayViewDrawingTest : public ColumnTest {
protected:
    void SetUp() override {
        ColumnTest::SetUp();
        // Long before the days drawn: nothing is greyed out.
        WeekdayView::setFixedNow(MyDate::dateWithNSDate(yvtest::at(2011, 6, 15, 12)));
        WeekdayView::setSelection(false);
    }
    void TearDown() override {
        WeekdayView::setFixedNow(nullptr);
        WeekdayView::setSelection(false);
        ColumnTest::TearDown();
    }

    EventDayPtr add(const QDateTime& from, const QDateTime& to, const QString& title,
                    const CalendarPtr& calendar, const YearViewCellPtr& day) {
        auto event = yvtest::makeEvent(from, to, title);
        day->addEventFromCalendar(event, calendar);
        for (const EventDayPtr& r : *day->events())
            if (r->event() == event) return r;
        return nullptr;
    }
    EventDayPtr add(const char* from, const char* to, const QString& title = QStringLiteral("E")) {
        return add(at(from), at(to), title, work, cell);
    }

    // A column 1225 points high: hours of 50 points, all of them in sight.
    std::unique_ptr<WeekdayView> dayColumn(const YearViewCellPtr& day, double width = 120.0) {
        auto col = column(1225, width);
        col->setYVCell(day);
        return col;
    }
    static QImage hours(WeekdayView& col) {
        col.eventsView()->setUseCache(false);
        return col.eventsView()->renderToImage();
    }
};

// -- Boxes where the hours put them -------------------------------------------------

TEST_F(WeekdayViewDrawingTest, BoxesStandWhereTheirHoursAreAndRecordHitBoxes) {
    struct Case {
        const char* what;
        QDateTime from, to;
        bool drawn;
        float y, h, earliest, latest;
    };
    const Case cases[] = {
        {"9:00 to 10:30", at("09:00"), at("10:30"), true, 675.5f, 75, 9, 10.5f},
        {"22:00 to midnight", at("22:00"), at("00:00", 1), true, 0.5f, 100, 22, 24},
        {"from the day before", at("20:00", -1), at("10:00"), true, 700.5f, 500, 0, 10},
        {"ending as the day begins", at("20:00", -1), at("00:00"), false, 0, 0, 24, 0},
        {"ten minutes", at("10:00"), at("10:10"), true, 692.5f, 8, 10, 10 + 10 / 60.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto day = yvtest::makeCell(kYear, kMonth, kDay);
        const EventDayPtr e = add(c.from, c.to, QStringLiteral("Box"), work, day);
        auto col = dayColumn(day);
        const QImage img = hours(*col);
        EXPECT_EQ(col->earliestEvent(), c.earliest);
        EXPECT_FLOAT_EQ(col->latestEvent(), c.latest);
        if (!c.drawn) {
            EXPECT_TRUE(col->hitRects().empty());
            EXPECT_TRUE(blank(px(img, 60, 1190)));
            continue;
        }
        ASSERT_EQ(col->hitRects(), std::vector<EventDayPtr>{e});
        EXPECT_EQ(QRectF(e->hitX(), e->hitY(), e->hitW(), e->hitH()), QRectF(2.5, c.y, 110, c.h));
        EXPECT_FLOAT_EQ(col->earliestEventBottomBorder(), c.y);
        EXPECT_FLOAT_EQ(col->latestEventTopBorder(), std::min(1200.0f, c.y + c.h));
        EXPECT_TRUE(bluish(px(img, 60, c.y + c.h / 2))) << "inside";
        // The lower left corner: square in a box lower than 12 points, else rounded.
        EXPECT_EQ(bluish(px(img, 4.5, c.y + 1)), c.h < 12) << "corner";
        if (c.y + c.h + 3 < 1200) EXPECT_TRUE(blank(px(img, 60, c.y + c.h + 3))) << "above";
    }
}

TEST_F(WeekdayViewDrawingTest, OnClockChangeDaysTheDayEndsAtTheNextMidnight) {
    // 31 March 2024 has 23 hours, 27 October 2024 has 25.
    for (const bool spring : {true, false}) {
        const int month = spring ? 3 : 10, dayNum = spring ? 31 : 27;
        SCOPED_TRACE(month);
        auto day = yvtest::makeCell(kYear, month, dayNum);
        const auto moment = [&](int h, int m) { return yvtest::at(kYear, month, dayNum, h, m); };
        const EventDayPtr late =
            add(moment(23, 0), moment(0, 0).addDays(1), QStringLiteral("Late"), work, day);
        const EventDayPtr later =
            add(moment(23, 30), moment(23, 50), QStringLiteral("Later"), home, day);
        auto col = dayColumn(day);
        hours(*col);
        ASSERT_EQ(col->hitRects().size(), 2u);
        EXPECT_EQ(late->hitY(), 0.5f);
        EXPECT_EQ(late->hitH(), 50.0f);
        EXPECT_EQ(col->latestEvent(), 24.0f);
        EXPECT_EQ(later->hitY(), std::floor(10 / 60.0 * 50 + 0.5) + 0.5);
    }
}

TEST_F(WeekdayViewDrawingTest, ADraggedEdgeMovesTheBoxButNotTheHitBoxes) {
    const EventDayPtr e = add("10:00", "11:00");
    auto col = dayColumn(cell);
    hours(*col);
    col->setCurrentlyDraggedEvent(e);
    col->setTempHourOffsets(0.5f, -0.25f);  // start half an hour later, end a quarter earlier
    const QImage img = hours(*col);
    EXPECT_EQ(QRectF(e->hitX(), e->hitY(), e->hitW(), e->hitH()), QRectF(2.5, 650.5, 110, 50));
    EXPECT_TRUE(blank(px(img, 60, 695))) << "the start moved down";
    EXPECT_TRUE(bluish(px(img, 60, 670)));
    EXPECT_FALSE(bluish(px(img, 60, 655))) << "the end moved up";
}

// -- Colours ---------------------------------------------------------------------------

TEST_F(WeekdayViewDrawingTest, SchemesSelectionAndFading) {
    const EventDayPtr a = add("09:00", "10:00", QStringLiteral("A"));
    add("12:00", "13:00", QStringLiteral("B"));
    // Low in the bodies, below the shading of the top.
    const double ay = 700.5 + 8, by = 550.5 + 8;
    struct Case {
        const char* what;
        bool calendarColors, selectA;
        bool aBlue, bBlue;
    };
    const Case cases[] = {
        {"calendar colours", true, false, true, true},
        {"grey", false, false, false, false},
        {"grey, A selected", false, true, true, false},
        {"calendar colours, A selected", true, true, true, true},
    };
    double plainSaturation = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setWeekPref(QStringLiteral("Event Use CalendarColor"), c.calendarColors);
        a->setIsSelected(c.selectA);
        a->setBlinkingFactor(c.selectA ? 1.0f : 0.0f);
        WeekdayView::setSelection(c.selectA);
        auto col = dayColumn(cell);
        const QImage img = hours(*col);
        const QColor pa = px(img, 60, ay), pb = px(img, 60, by);
        EXPECT_EQ(bluish(pa), c.aBlue);
        EXPECT_EQ(bluish(pb), c.bBlue);
        if (!c.aBlue) EXPECT_TRUE(greyish(pa));
        if (!c.bBlue) EXPECT_TRUE(greyish(pb));
        if (c.calendarColors && !c.selectA) plainSaturation = pb.hsvSaturationF();
        if (c.calendarColors && c.selectA)
            // The others step back to half their saturation.
            EXPECT_NEAR(pb.hsvSaturationF(), plainSaturation / 2, 0.12);
    }
}

// -- Grid, holiday, grey-out ------------------------------------------------------------

TEST_F(WeekdayViewDrawingTest, TheGridHasSolidHoursDashedHalfHoursAndTheHolidayAtNoon) {
    auto col = dayColumn(cell);
    QImage img = hours(*col);
    int solid = 0, dashed = 0;
    for (int x = 1; x < 31; ++x) {
        solid += !blank(px(img, x, 50));   // the line of 23:00
        dashed += !blank(px(img, x, 25));  // 23:30
    }
    EXPECT_EQ(solid, 30);
    EXPECT_GE(dashed, 8);
    EXPECT_LE(dashed, 12);
    const QRectF aboveNoon(40, 603, 40, 10);
    EXPECT_FALSE(hasDarkPixel(img, aboveNoon, 250));

    cell->addEventFromCalendar(yvtest::makeAllDay(kYear, kMonth, kDay, QStringLiteral("Feast")),
                               yvtest::makeCalendar(Calendar::kTypeHoliday));
    ASSERT_FALSE(cell->holidayText().isEmpty());
    col->setYVCell(cell);
    img = hours(*col);
    EXPECT_TRUE(hasDarkPixel(img, aboveNoon, 250));
    setWeekPref(QStringLiteral("Show Holidays"), false);
    img = hours(*col);
    EXPECT_FALSE(hasDarkPixel(img, aboveNoon, 250));
}

TEST_F(WeekdayViewDrawingTest, ThePastIsGreyedOutAndTodayHasItsNowLine) {
    auto col = dayColumn(cell);
    const QColor now = WeekdayView::nowColor();
    struct Case {
        const char* what;
        QDateTime moment;
        bool greyAt310, greyAt810, lineAt450;
    };
    const Case cases[] = {
        {"today at 15:00", at("15:00"), false, true, true},
        {"the day after", at("09:00", 1), true, true, false},
        {"the day before", at("23:00", -1), false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WeekdayView::setFixedNow(MyDate::dateWithNSDate(c.moment));
        const QImage img = hours(*col);
        EXPECT_EQ(!blank(px(img, 60, 310)), c.greyAt310);
        EXPECT_EQ(!blank(px(img, 60, 810)), c.greyAt810);
        EXPECT_EQ(testsupport::colorNear(px(img, 60, 450), now, 12), c.lineAt450);
    }
}

// -- Cached and direct drawing ------------------------------------------------------------

TEST_F(WeekdayViewDrawingTest, TheCachedImageMatchesTheDirectDrawing) {
    add("08:00", "09:30", QStringLiteral("Standup with a long title that wraps"));
    add("08:10", "10:00", QStringLiteral("Review"));
    add("13:00", "13:10", QStringLiteral("Call"));
    add("13:00", "13:20", QStringLiteral("Tea"));
    add(at("22:00"), at("02:00", 1), QStringLiteral("Night"), home, cell);
    WeekdayView::setFixedNow(MyDate::dateWithNSDate(at("11:20")));
    auto col = dayColumn(cell);
    col->setPositionInView(3);
    const QImage direct = hours(*col);
    col->eventsView()->setUseCache(true);
    col->eventsView()->redrawCache();
    EXPECT_EQ(kit::Image::sizeInPoints(col->eventsView()->cachedView()), QSizeF(120, 1200));
    const QImage cached = col->eventsView()->renderToImage();
    ASSERT_EQ(direct.size(), cached.size());
    int differing = 0;
    for (int y = 0; y < direct.height(); ++y)
        for (int x = 0; x < direct.width(); ++x)
            differing +=
                !testsupport::colorNear(direct.pixelColor(x, y), cached.pixelColor(x, y), 40);
    EXPECT_LT(differing, direct.width() * direct.height() / 200);
    testsupport::saveForInspection(direct, QStringLiteral("weekday-hours-direct"));
    testsupport::saveForInspection(cached, QStringLiteral("weekday-hours-cached"));
    // The cache drawing leaves the same hit boxes behind.
    EXPECT_EQ(col->hitRects().size(), 5u);
    EXPECT_EQ(col->earliestEvent(), 8.0f);
    EXPECT_EQ(col->latestEvent(), 24.0f);
}

// -- Texts ----------------------------------------------------------------------------------

TEST_F(WeekdayViewDrawingTest, TruncateStringKeepsShortTextsAndCutsBeforeTheEllipsis) {
    const kit::TextAttributes a = WeekdayView::titleSmallTextAttribs();
    const QString ellipsis(QChar(0x2026));
    const auto width = [&](const QString& s) { return a.sizeOfString(s).width(); };
    EXPECT_EQ(WeekdayView::truncateString(QStringLiteral("ab"), 0, a), QStringLiteral("ab"));
    EXPECT_EQ(WeekdayView::truncateString(QStringLiteral("Hello"), width("Hello"), a),
              QStringLiteral("Hello"));
    // Room for "Hello " and the ellipsis: the space goes, the ellipsis follows the o.
    const QString cut = WeekdayView::truncateString(
        QStringLiteral("Hello world"), width(QStringLiteral("Hello ")) + width(ellipsis) + 0.5, a);
    EXPECT_EQ(cut, QStringLiteral("Hello") + ellipsis);
    const QString tiny = WeekdayView::truncateString(QStringLiteral("Hello world"), 1, a);
    EXPECT_EQ(tiny, ellipsis);
}

// -- The title row -----------------------------------------------------------------------------

TEST_F(WeekdayViewDrawingTest, TitleTextsFollowTheDayTheOrderAndTheWidth) {
    struct Case {
        bool hasDay, us;
        double width;
        const char *name, *date;
    };
    const Case cases[] = {
        {false, false, 200, "No Day", "--.--.----"}, {false, true, 30, "No Day", "--.--"},
        {true, true, 200, "Tuesday", "3/5/2024"},    {true, true, 30, "Tu", "3/5."},
        {true, false, 200, "Tuesday", "5.3.2024"},   {true, false, 30, "Tu", "5.3."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.date);
        setPref(QStringLiteral("AppPref General"), QStringLiteral("Use US Date Format"), c.us);
        WeekdayView::updatePreferences();
        auto col = column(300, c.width);
        col->setFrame(QRectF(0, 0, c.width, 300));
        col->setYVCell(c.hasDay ? cell : nullptr);
        const WeekdayView::TitleTexts t = col->titleTexts();
        EXPECT_EQ(t.dayName, QString::fromUtf8(c.name));
        EXPECT_EQ(t.dateText, QString::fromLatin1(c.date));
    }
}

TEST_F(WeekdayViewDrawingTest, TitleRowSeparatorMarksAndHoverAreas) {
    fullday(yvtest::makeCalendar(Calendar::kTypeBirthday), QStringLiteral("Ada"));
    fullday(work, QStringLiteral("Notes"), QStringLiteral("Zolt:Notes"));
    auto col = column(300, 120);
    col->setYVCell(cell);
    WDHeaderView* header = col->headerView();
    ASSERT_EQ(header->frame().height(), 26);
    const QRectF candle(100, 4, 18, 18), notes(4, 4, 18, 18);
    for (const int position : {2, 3, 4, 5}) {
        SCOPED_TRACE(position);
        col->setPositionInView(position);
        const QImage img = header->renderToImage();
        const bool tick = position == 3 || position == 4;
        EXPECT_EQ(testsupport::colorNear(px(img, 0, 6), kit::Color::lightGray(), 10), tick);
        EXPECT_TRUE(testsupport::colorNear(px(img, 0, 18), kit::Color::whiteColor(), 10));
        EXPECT_TRUE(hasDarkPixel(img, QRectF(30, 14, 60, 12), 100)) << "the day name";
        EXPECT_TRUE(hasDarkPixel(img, QRectF(30, 0, 60, 12), 200)) << "the date";
        EXPECT_TRUE(hasDarkPixel(img, candle, 230));
        EXPECT_TRUE(hasDarkPixel(img, notes, 230));
    }
    testsupport::saveForInspection(header->renderToImage(), QStringLiteral("weekday-title"));
    ASSERT_TRUE(header->birthdayTrackingArea() && header->notesTrackingArea());
    EXPECT_EQ(header->birthdayTrackingArea()->rect(), candle);
    EXPECT_EQ(header->notesTrackingArea()->rect(), notes);
    EXPECT_EQ(header->birthdayTrackingArea()->options(), 0x21u);
    EXPECT_EQ(header->fdeventsTrackingArea(), nullptr) << "no full-day rows";

    col->forceRedraw();
    EXPECT_EQ(header->birthdayTrackingArea(), nullptr);
    EXPECT_EQ(header->notesTrackingArea(), nullptr);
    EXPECT_TRUE(header->trackingAreas().empty());
    setWeekPref(QStringLiteral("Show Birthdays"), false);
    const QImage img = header->renderToImage();
    EXPECT_FALSE(hasDarkPixel(img, candle, 230));
    EXPECT_EQ(header->birthdayTrackingArea(), nullptr);
}

// -- The full-day panel --------------------------------------------------------------------------

TEST_F(WeekdayViewDrawingTest, FulldayPanelOpenWithItsMoreRowAndCollapsedWithItsSummary) {
    const auto rowProbe = [](double rowY) { return rowY + 8; };
    struct Case {
        const char* what;
        int entries;
        bool open;
        double headerHeight;
        std::vector<std::pair<double, bool>> rows;  // rowY, box drawn
        double textRowY;                            // a row of text without a box, or -1
    };
    const Case cases[] = {
        // 20 entries, 14 rows fit: 13 boxes, then the "more" row at y 10.
        {"open, overflowing", 20, true, 288, {{244, true}, {28, true}, {10, false}}, 10},
        {"closed, one entry", 1, false, 54, {{10, true}}, -1},
        {"closed, three entries", 3, false, 54, {{10, false}}, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto day = yvtest::makeCell(kYear, kMonth, kDay);
        for (int i = 0; i < c.entries; ++i) {
            auto event = yvtest::makeAllDay(kYear, kMonth, kDay, QStringLiteral("Entry %1").arg(i));
            day->addEventFromCalendar(event, work);
        }
        auto col = column(300, 120);
        col->setYVCell(day);
        WDHeaderView* header = col->headerView();
        header->setIsCollapsed(!c.open);
        ASSERT_EQ(header->frame().height(), c.headerHeight);
        const QImage img = header->renderToImage();
        for (const auto& [rowY, box] : c.rows) {
            SCOPED_TRACE(rowY);
            // Right of the texts.
            const QColor p = px(img, 104, rowProbe(rowY));
            EXPECT_EQ(bluish(p), box);
            if (!box) EXPECT_TRUE(greyish(p)) << "the panel";
        }
        if (c.textRowY >= 0)
            EXPECT_TRUE(hasDarkPixel(img, QRectF(12, c.textRowY + 3, 90, 12), 160));
        testsupport::saveForInspection(
            img, QStringLiteral("weekday-fullday-%1")
                     .arg(QString::fromLatin1(c.what).replace(QRegularExpression("\\W+"), "-")));
        // Hovering over the rows opens a closed panel.
        EXPECT_EQ(header->fdeventsTrackingArea() != nullptr, !c.open);
    }
}

// -- Off screen and while moving ------------------------------------------------------------------

TEST_F(WeekdayViewDrawingTest, AZeroSizeColumnIsPreparedOffScreenAt200By500) {
    auto col = column(0, 0);
    col->setYVCell(cell);
    col->drawOffscreen();
    EXPECT_EQ(kit::Image::sizeInPoints(col->cachedView()), QSizeF(200, 500));
    EXPECT_FALSE(col->eventsView()->cachedView().isNull());
    // A weekday's background fills the picture.
    EXPECT_TRUE(testsupport::colorNear(col->cachedView().pixelColor(100, 250),
                                       WeekdayView::weekdayBGColor(), 4));
}

TEST_F(WeekdayViewDrawingTest, ALiveMoveCapturesOnceAndShowsTheSubviewsAgain) {
    add("09:00", "10:00");
    auto col = dayColumn(cell);
    col->forceRedraw();
    col->didEndLiveMove();  // without a start: nothing
    EXPECT_FALSE(col->inLiveMove());
    const QImage before = col->renderToImage();

    col->willStartLiveMove();
    const qint64 captured = col->cachedView().cacheKey();
    EXPECT_TRUE(col->headerView()->isHidden());
    EXPECT_TRUE(col->eventsView()->isHidden());
    col->willStartLiveMove();
    EXPECT_EQ(col->cachedView().cacheKey(), captured);
    // The picture stands in for the subviews.
    EXPECT_EQ(col->renderToImage(), before);

    col->didEndLiveMove();
    EXPECT_FALSE(col->inLiveMove());
    EXPECT_FALSE(col->headerView()->isHidden());
    EXPECT_FALSE(col->eventsView()->isHidden());
}

// -- A busy week
// -------------------------------------------------------------------------------------

TEST_F(WeekdayViewDrawingTest, ABusyWeekOfTheSampleStoreDrawsEveryEventInsideItsColumn) {
#ifndef ZOLT_HAS_SAMPLE_STORE
    GTEST_SKIP() << "built without the sample store";
#else
    BusySampleWeek week;
    ASSERT_TRUE(week.open());
    ASSERT_GT(week.events.size(), 20);

    const int width = 130, height = 700;
    QImage strip(7 * width, height, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::white);
    QPainter painter(&strip);
    WeekdayView::setFixedNow(MyDate::dateWithNSDate(yvtest::at(kYear, kMonth, 6, 14, 40)));
    for (int d = 0; d < 7; ++d) {
        const int dayNum = 4 + d;
        SCOPED_TRACE(dayNum);
        auto day = yvtest::makeCell(kYear, kMonth, dayNum);
        week.fillDay(day, d);
        auto col = column(height, width);
        col->setYVCell(day);
        col->setPositionInView(d == 0 ? 2 : d == 6 ? 4 : 3);
        col->setEventsViewYpos(col->yPosForScrollPercent(col->scrollPercentForHour(7)));
        col->forceRedraw();
        painter.drawImage(d * width, 0, col->renderToImage());
        // Every timed event of the day has a box inside the hours.
        EXPECT_EQ(col->hitRects().size(), col->events().size());
        for (const EventDayPtr& e : col->hitRects()) {
            if (e->hitW() < 4) continue;  // too narrow to be drawn
            EXPECT_GE(e->hitX(), 2);
            EXPECT_LE(e->hitX() + e->hitW(), width);
            EXPECT_GE(e->hitY(), 0);
            EXPECT_LE(e->hitY() + e->hitH(), 1200.5);
        }
    }
    painter.end();
    testsupport::saveForInspection(strip, QStringLiteral("weekday-busy-week"));
#endif
}

}  // namespace
