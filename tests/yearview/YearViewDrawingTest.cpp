// The year page's drawing: layout from its size, fitted fonts, the days drawn
// per month, the first drawing, offscreen renderings and live resizing.

#include "YearViewPageWorld.h"

#include "platform/kit/Image.h"
#include "platform/kit/TextAttributes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace yvpage;
using yvtest::at;
using yvtest::makeAllDay;
using yvtest::makeEvent;

namespace {

class YearViewDrawingTest : public PageTest {};

// Mean darkness (0 white to 255 black) of the rectangle.
double darkness(const QImage& image, const QRect& r) {
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = testsupport::pixel(image, x, y);
            sum += 255 - (c.red() + c.green() + c.blue()) / 3.0;
        }
    return sum / (r.width() * r.height());
}

TEST_F(YearViewDrawingTest, TheGridFollowsThePageSize) {
    YearView* page = makePage(2024, QSizeF(1000, 400));
    render(page);
    const YearViewModel::Layout l = page->model()->layout();
    EXPECT_EQ(l.cellWidth, 76.0);
    EXPECT_EQ(l.dayCellStartX, 40.0);
    EXPECT_EQ(l.cellHeight, std::floor((400 - 44 - l.monthHeaderHeight - 4) / 31));
    EXPECT_EQ(l.dayCellStartY, std::floor(400 - 22 - l.monthHeaderHeight - 4));
    EXPECT_EQ(YearViewCell::width(), 76.0f);
    EXPECT_EQ(YearViewCell::height(), float(l.cellHeight));
    EXPECT_EQ(page->innerFrame(), QPointF(40.0, l.dayCellStartY));
    // The last row still lies above the bottom margin.
    EXPECT_GE(l.dayCellStartY - 31 * l.cellHeight, 22.0 - 1e-9);
}

// The day font is the largest size whose sample (the widest short weekday
// name with a two-digit day) fits with room to spare (up to 13 points), the
// month font never smaller than the day font. The name column is as wide as
// the widest name, so that no name runs into its day's number ("We14").
TEST_F(YearViewDrawingTest, FontsAreFittedToThePageSize) {
    const QStringList names = YearViewCell::weekDayNames();
    ASSERT_EQ(names.size(), 7);
    const auto widest = [&](const kit::TextAttributes& attributes) {
        double w = 0;
        for (const QString& name : names) w = std::max(w, attributes.sizeOfString(name).width());
        return w;
    };
    const kit::TextAttributes sampleFont(kit::Font::systemFont(10), Qt::black);
    QString sample;
    for (const QString& name : names)
        if (sampleFont.sizeOfString(name).width() == widest(sampleFont)) sample = name;
    ASSERT_GT(widest(sampleFont), sampleFont.sizeOfString(QStringLiteral("Do")).width());
    struct Case {
        double w, h;
    };
    double previousDay = 0;
    for (const Case c :
         {Case{500, 260}, Case{800, 420}, Case{1000, 600}, Case{1400, 900}, Case{2400, 1600}}) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        YearView* page = makePage(2024, QSizeF(c.w, c.h));
        render(page);
        const YearViewModel::Layout l = page->model()->layout();
        const double n = std::floor((c.h - 44) / 33);
        const auto fits = [&](double size) {
            const QSizeF t = kit::TextAttributes(kit::Font::systemFont(size), Qt::black)
                                 .sizeOfString(sample + QStringLiteral(" 30"));
            return t.width() <= l.cellWidth - 15 && t.height() <= n - 2;
        };
        EXPECT_TRUE(l.daySize == 6 || fits(l.daySize)) << l.daySize;
        EXPECT_TRUE(l.daySize == 13 || !fits(l.daySize + 1)) << l.daySize;
        EXPECT_GE(l.daySize, previousDay);
        previousDay = l.daySize;
        EXPECT_GE(l.monthSize, l.daySize);
        EXPECT_EQ(page->model()->dayCellAttribs().font.pointSize(), l.daySize);
        const kit::TextAttributes month = page->model()->monthNameAttribs();
        EXPECT_EQ(month.font.pointSize(), l.monthSize);
        EXPECT_TRUE(month.font.isBold());
        EXPECT_NEAR(l.monthHeaderHeight,
                    month.sizeOfString(QStringLiteral("September")).height() * 1.1, 1e-6);
        EXPECT_EQ(l.maxDayNumWidth,
                  std::floor(page->model()->dayCellAttribs().sizeOfString("30").width() + 1));
        EXPECT_EQ(l.maxDayNameWidth == 0, l.useAbbreviatedDayCellEntries);
        if (!l.useAbbreviatedDayCellEntries)
            EXPECT_EQ(l.maxDayNameWidth, std::floor(widest(page->model()->dayCellAttribs()) + 1));
    }
}

TEST_F(YearViewDrawingTest, NarrowPagesAbbreviateTheMonthTitles) {
    YearView* narrow = makePage(2024, QSizeF(420, 600));
    render(narrow);
    EXPECT_TRUE(narrow->model()->layout().useAbbreviatedMonthHeaders);
    YearView* wide = makePage(2024, QSizeF(1800, 600));
    render(wide);
    EXPECT_FALSE(wide->model()->layout().useAbbreviatedMonthHeaders);
}

// Twelve columns of as many rows as each month has days; the rest stays white.
TEST_F(YearViewDrawingTest, EveryMonthDrawsItsDaysOnly) {
    for (const int year : {2023, 2024}) {
        SCOPED_TRACE(year);
        YearView* page = makePage(year);
        const QImage image = render(page);
        for (int month = 1; month <= 12; ++month) {
            const int days = QDate(year, month, 1).daysInMonth();
            for (int day = 1; day <= 31; ++day) {
                const int ink = inkIn(image, cellPixels(page, day, month));
                if (day <= days)
                    EXPECT_GT(ink, 10) << day << "." << month;
                else
                    EXPECT_EQ(ink, 0) << day << "." << month;
            }
        }
    }
}

TEST_F(YearViewDrawingTest, ADirtyRectangleLowerThanAPointDrawsOnlyWhite) {
    YearView* page = makePage(2024);
    QImage image = kit::Image::withSize(QSizeF(1000, 600));
    kit::Graphics g(image, false);
    EXPECT_FALSE(page->model()->drawPage(g, page->bounds(), QRectF(0, 0, 1000, 0.5),
                                         YearViewModel::Pass::Screen, false, page));
    EXPECT_EQ(inkIn(image, image.rect()), 0);
    EXPECT_EQ(log->count("startPopulatingView"), 0);
}

// Redrawing one cell visits that cell and its month title only.
TEST_F(YearViewDrawingTest, DrawingIsClippedByWholeColumnsAndRows) {
    YearView* page = makePage(2024);
    const QImage full = render(page);
    const YearViewModel::Layout l = page->model()->layout();
    const QRectF cell(l.dayCellStartX + 4 * l.cellWidth, l.dayCellStartY - 10 * l.cellHeight,
                      l.cellWidth, l.cellHeight);  // 10 May
    QImage part = kit::Image::withSize(QSizeF(1000, 600));
    {
        kit::Graphics g(part, false);
        page->model()->drawPage(g, page->bounds(), cell, YearViewModel::Pass::Screen, false, page);
    }
    EXPECT_GT(inkIn(part, cellPixels(page, 10, 5)), 10);
    for (const auto& [day, month] : {std::pair{7, 5}, {14, 5}, {10, 7}, {10, 3}, {1, 1}})
        EXPECT_EQ(inkIn(part, cellPixels(page, day, month)), 0) << day << "." << month;
    EXPECT_GT(inkIn(full, cellPixels(page, 14, 5)), 10);
}

TEST_F(YearViewDrawingTest, TheFirstDrawingOnScreenAsksForTheEventsOnce) {
    YearView* page = makePage(2024);
    render(page);
    render(page);
    EXPECT_EQ(log->count("startPopulatingView"), 1);
    EXPECT_TRUE(page->model()->initialRedrawDone());

    // A page rendered offscreen first loads through its offscreen population.
    YearView* side = makePage(2025);
    side->drawOffscreen();
    render(side);
    EXPECT_EQ(log->count("startPopulatingView"), 1);
}

TEST_F(YearViewDrawingTest, OffscreenRenderingsUseTheBoundsOrAFallbackSize) {
    YearView* page = makePage(2024, QSizeF(700, 400));
    std::thread render([model = page->model()] { model->drawOffscreen(); });
    render.join();
    EXPECT_EQ(kit::Image::sizeInPoints(page->model()->cachedView()), QSizeF(700, 400));
    EXPECT_GT(inkIn(page->model()->cachedView(), page->model()->cachedView().rect()), 1000);

    YearView* empty = makePage(2025, QSizeF(0, 0));
    empty->drawOffscreen();
    EXPECT_EQ(kit::Image::sizeInPoints(empty->model()->cachedView()), QSizeF(800, 600));
    EXPECT_TRUE(empty->model()->initialRedrawDone());
}

// Several threads render pages of different sizes while the main thread draws:
// each picture is laid out for its own page.
TEST_F(YearViewDrawingTest, ConcurrentRenderingsKeepTheirOwnLayout) {
    YearView* small = makePage(2023, QSizeF(600, 300));
    YearView* large = makePage(2025, QSizeF(1400, 900));
    YearView* shown = makePage(2024, QSizeF(1000, 600));
    const QImage smallAlone = [&] {
        small->drawOffscreen();
        return small->model()->cachedView();
    }();
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([m = small->model()] {
            for (int k = 0; k < 3; ++k) m->drawOffscreen();
        });
        threads.emplace_back([m = large->model()] {
            for (int k = 0; k < 3; ++k) m->drawOffscreen();
        });
    }
    for (int k = 0; k < 3; ++k) render(shown);
    for (auto& t : threads) t.join();
    EXPECT_EQ(small->model()->cachedView(), smallAlone);
}

// -- Live move and resize

TEST_F(YearViewDrawingTest, ALiveResizeDrawsTheSnapshotInsteadOfTheCells) {
    YearView* page = makePage(2024, QSizeF(1000, 600));
    fillFromThread(
        page, {{makeAllDay(2024, 3, 5, QStringLiteral("V"), QStringLiteral("Zolt:") + kMarkerShade),
                markers}});
    const QImage before = render(page);
    window->beginLiveResize();
    EXPECT_TRUE(page->inLiveResize());
    const QImage snapshot = page->model()->cachedView();
    ASSERT_FALSE(snapshot.isNull());
    EXPECT_EQ(snapshot.size(), before.size());
    EXPECT_NEAR(inkIn(snapshot, snapshot.rect()), inkIn(before, before.rect()),
                inkIn(before, before.rect()) / 50);

    // While the page grows, the snapshot is drawn scaled: the page stays drawn.
    page->setFrame(QRectF(0, 23, 1200, 700));
    const QImage live = render(page);
    EXPECT_EQ(page->model()->layout().cellWidth, std::floor((1200 - 80) / 12.0));
    EXPECT_GT(inkIn(live, QRect(60, 60, 1100, 580)), 20000);
    // Day cells are not drawn one by one: no cell records the new size.
    EXPECT_NE(page->cellForDayAndMonth(1, 1)->inset().width(), page->model()->layout().cellWidth);

    window->endLiveResize();
    EXPECT_FALSE(page->inLiveResize());
    const QImage after = render(page);
    EXPECT_EQ(page->cellForDayAndMonth(1, 1)->inset().width(), page->model()->layout().cellWidth);
    EXPECT_GT(inkIn(after, cellPixels(page, 31, 12)), 10);
    EXPECT_EQ(log->count("dayPopupMoved"), 1);  // the next drawing told the day popup
}

TEST_F(YearViewDrawingTest, LowPagesShowTheSnapshotFadedOrNotAtAll) {
    YearView* page = makePage(2024, QSizeF(1000, 600));
    render(page);
    page->viewWillStartLiveMove();  // no new snapshot: the offscreen picture is shown
    EXPECT_TRUE(page->model()->cachedView().isNull());
    page->drawOffscreen();
    const QImage cached = page->model()->cachedView();

    page->setFrame(QRectF(0, 23, 1000, 200));
    const QImage faded = render(page);
    const QImage full = [&] {
        page->setFrame(QRectF(0, 23, 1000, 300));
        return render(page);
    }();
    // The picture is paler at half opacity.
    const double fadedDark = darkness(faded, QRect(45, 30, 950, 140));
    const double fullDark = darkness(full, QRect(45, 30, 950, 240));
    EXPECT_GT(fadedDark, 0.0);
    EXPECT_LT(fadedDark, 0.75 * fullDark);

    page->setFrame(QRectF(0, 23, 1000, 40));
    const QImage tiny = render(page);
    EXPECT_EQ(inkIn(tiny, QRect(0, 24, 1000, 16)), 0);  // below the year number only white
    EXPECT_GT(inkIn(tiny, QRect(40, 0, 100, 22)), 0);   // the year number
    page->viewDidEndLiveMove();
    EXPECT_FALSE(page->inLiveResize());
}

TEST_F(YearViewDrawingTest, EndingALiveResizeOfALowShownPageClosesTheDayPopup) {
    YearView* page = makePage(2024, QSizeF(1000, 600));
    render(page);
    page->viewWillStartLiveResize();
    page->setFrame(QRectF(0, 23, 1000, 240));
    page->viewDidEndLiveResize();
    EXPECT_EQ(log->count("dayPopupClose"), 1);
    // The frame-change notification of the end renews the tracking area.
    ASSERT_TRUE(page->viewArea());
    EXPECT_EQ(page->viewArea()->rect(), QRectF(0, 0, 1000, 240));

    YearView* side = makePage(2025, QSizeF(1000, 600));
    side->setIsVisible(false);
    const auto sideArea = side->viewArea();
    side->viewWillStartLiveResize();
    side->setFrame(QRectF(0, 23, 1000, 240));
    side->viewDidEndLiveResize();
    EXPECT_EQ(log->count("dayPopupClose"), 1);
    EXPECT_EQ(side->viewArea(), sideArea);  // a page not shown keeps to its area
}

TEST_F(YearViewDrawingTest, OnlyTheShownPageFollowsItsFrameWithATrackingArea) {
    YearView* page = makePage(2024, QSizeF(1000, 600));
    page->setFrame(QRectF(0, 23, 900, 500));
    ASSERT_TRUE(page->viewArea());
    EXPECT_EQ(page->viewArea()->rect(), QRectF(0, 0, 900, 500));
    EXPECT_EQ(page->viewArea()->options(), 34u);
    const auto area = page->viewArea();
    page->setIsVisible(false);
    page->setFrame(QRectF(0, 23, 800, 500));
    EXPECT_EQ(page->viewArea(), area);
    // Shown again, it follows its frame at once; a live move keeps that area.
    page->setIsVisible(true);
    const auto shown = page->viewArea();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->rect(), QRectF(0, 0, 800, 500));
    page->viewWillStartLiveMove();
    page->setFrame(QRectF(0, 23, 700, 500));
    EXPECT_EQ(page->viewArea(), shown);
    page->viewDidEndLiveMove();
}

// A year with a few hundred events of every kind, kept for a person to look at.
TEST_F(YearViewDrawingTest, AFullYearIsRenderedForInspection) {
    YearView* page = makePage(2024, QSizeF(1400, 820));
    std::mt19937 random(7);
    std::vector<Placed> events;
    const CalendarPtr ordinary[] = {work, home};
    for (int i = 0; i < 320; ++i) {
        const int month = int(random() % 12) + 1;
        const int day = int(random() % QDate(2024, month, 1).daysInMonth()) + 1;
        const int hour = 7 + int(random() % 11);
        const int length = 1 + int(random() % 4);
        if (random() % 9 == 0)
            events.push_back({makeEvent(at(2024, month, day), at(2024, month, day, 23, 59, 59),
                                        QStringLiteral("All day"), QString(), true),
                              ordinary[i % 2]});
        else
            events.push_back({makeEvent(at(2024, month, day, hour),
                                        at(2024, month, day, std::min(hour + length, 23)),
                                        QStringLiteral("Meeting %1").arg(i)),
                              ordinary[i % 2]});
    }
    const QString shade = QStringLiteral("Zolt:") + kMarkerShade;
    for (int day = 12; day <= 23; ++day)
        events.push_back({makeAllDay(2024, 8, day, QStringLiteral("Vacation"), shade), markers});
    for (int day = 1; day <= 28; day += 3)
        events.push_back(
            {makeAllDay(2024, 10, day, QStringLiteral("Gym"), QStringLiteral("Zolt:") + kMarkerDot),
             markers});
    for (int day = 4; day <= 8; ++day)
        events.push_back({makeAllDay(2024, 5, day, QStringLiteral("Travel"),
                                     QStringLiteral("Zolt:") + kMarkerBar),
                          markers});
    for (const auto& [d, m] : {std::pair{20, 2}, {9, 7}, {27, 11}})
        events.push_back({makeAllDay(2024, m, d, QStringLiteral("Notes"),
                                     QStringLiteral("Zolt:Notes"), QStringLiteral("Call back")),
                          markers});
    for (const auto& [d, m] :
         {std::pair{1, 1}, {29, 3}, {1, 4}, {1, 5}, {3, 10}, {25, 12}, {26, 12}})
        events.push_back({makeAllDay(2024, m, d, QStringLiteral("Holiday")), holidays});
    for (const auto& [d, m] : {std::pair{7, 1}, {14, 6}, {2, 9}, {18, 11}})
        events.push_back({makeAllDay(2024, m, d, QStringLiteral("Birthday")), birthdays});
    fillFromThread(page, events);
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->eventsLoaded(); }));
    page->setHighlightStatusForDayMonthHighlight(5, 6, 1);
    page->setHighlightStatusForDayMonthHighlight(6, 6, 1);
    const QImage image = render(page);
    const QString path = testsupport::saveForInspection(image, QStringLiteral("YearPage2024"));
    EXPECT_FALSE(path.isEmpty());
    // The vacation marks shade their whole cells in the marker's blue.
    const QRect vacation = cellPixels(page, 15, 8);
    const QColor shaded =
        testsupport::pixel(image, vacation.center().x() - 8, vacation.bottom() - 2);
    EXPECT_GT(shaded.blue(), shaded.red() + 40);
}

}  // namespace
