// The year page keeps its drawing between repaints: a repaint it was not asked
// for copies the kept pixels, and every change of what a page shows (its days'
// records, selection, hover, marks, notes, the calendars' and markers' looks,
// the settings, today, its size) is drawn at the next repaint, pixel for pixel
// as a drawing from scratch.

#include "YearViewPageWorld.h"

#include <QDate>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

using namespace yvpage;
using yvtest::at;
using yvtest::makeAllDay;
using yvtest::makeEvent;

namespace {

class YearViewDrawingCacheTest : public PageTest {
protected:
    // A year of a few hundred events of the ordinary calendars, with marks,
    // notes, holidays and birthdays.
    YearView* filledPage() {
        YearView* page = makePage(2024, QSizeF(1200, 700));
        std::mt19937 random(11);
        std::vector<Placed> events;
        const CalendarPtr ordinary[] = {work, home};
        for (int i = 0; i < 600; ++i) {
            const int month = int(random() % 12) + 1;
            const int day = int(random() % QDate(2024, month, 1).daysInMonth()) + 1;
            const int hour = 6 + int(random() % 14);
            events.push_back(
                {makeEvent(at(2024, month, day, hour), at(2024, month, day, std::min(hour + 2, 23)),
                           QStringLiteral("Meeting %1").arg(i)),
                 ordinary[i % 2]});
        }
        for (int day = 8; day <= 19; ++day)
            events.push_back({makeAllDay(2024, 8, day, QStringLiteral("Vacation"),
                                         QStringLiteral("Zolt:") + kMarkerShade),
                              markers});
        events.push_back({makeAllDay(2024, 2, 20, QStringLiteral("Notes"),
                                     QStringLiteral("Zolt:Notes"), QStringLiteral("Call back")),
                          markers});
        events.push_back({makeAllDay(2024, 12, 25, QStringLiteral("Holiday")), holidays});
        events.push_back({makeAllDay(2024, 6, 14, QStringLiteral("Birthday")), birthdays});
        fillFromThread(page, events);
        EXPECT_TRUE(testsupport::waitUntil([&] { return page->eventsLoaded(); }));
        settle();
        return page;
    }

    // The page as its window paints it (through the kept drawing when it has one).
    static QImage painted(YearView* page) {
        QImage image(page->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        page->render(&image);
        return image;
    }

    // The page drawn from scratch, without a kept drawing.
    static QImage drawnAfresh(YearView* page) {
        page->setCachesDrawing(false);
        const QImage image = painted(page);
        page->setCachesDrawing(true);
        return image;
    }

    void setYearViewPref(const QString& key, const QString& value) {
        QVariantMap map = foundation::Defaults::standard().dictionaryForKey(AppDelegate::kYearView);
        map.insert(key, value);
        foundation::Defaults::standard().setObject(AppDelegate::kYearView, map);
    }
};

TEST_F(YearViewDrawingCacheTest, APageDrawsTheSameWithAndWithoutTheKeptDrawing) {
    YearView* page = filledPage();
    ASSERT_TRUE(page->cachesDrawing());
    const QImage fresh = drawnAfresh(page);
    const QImage first = painted(page);
    EXPECT_EQ(first, fresh);
    EXPECT_EQ(painted(page), fresh);  // a repaint nobody asked for copies
    // A marked cell drawn again over the kept drawing still matches.
    page->setNeedsDisplayInRect(page->model()->cellForDayAndMonth(12, 8)->inset());
    EXPECT_EQ(painted(page), fresh);
    testsupport::saveForInspection(first, QStringLiteral("YearPageKeptDrawing"));
}

// A page redrawn on job threads while another job keeps adding to it: once
// both have ended it shows exactly a drawing from scratch, so no picture of a
// job was taken half drawn or kept when older than the last change.
TEST_F(YearViewDrawingCacheTest, APageRedrawnOnJobThreadsWhileItChangesEndsUpCurrent) {
    YearView* page = filledPage();
    painted(page);
    const auto model = page->model();
    std::atomic<bool> stop{false};
    std::thread changer([&] {
        std::mt19937 random(5);
        for (int i = 0; !stop; ++i) {
            const int month = int(random() % 12) + 1, day = int(random() % 28) + 1;
            model->threadedAddEventFromCalendarForDayInMonthInFullLoading(
                makeEvent(at(2024, month, day, 8), at(2024, month, day, 9),
                          QStringLiteral("Added %1").arg(i)),
                i % 2 ? work : home, day, month, false);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    for (int round = 0; round < 30; ++round) {
        page->redrawInBackground();
        settle();
        if (round % 3 == 0) painted(page);  // repaints in between draw what changed
    }
    stop = true;
    changer.join();
    foundation::waitForThreads(30);
    settle();
    EXPECT_EQ(painted(page), drawnAfresh(page));

    // Nothing changing: the job's picture is the one shown, pixel for pixel.
    page->redrawInBackground();
    foundation::waitForThreads(30);
    settle();
    EXPECT_EQ(painted(page), drawnAfresh(page));
}

// Each change is made without asking the page to redraw: the next repaint
// must show it all the same. (Jobs add to a loaded page without a full load,
// which would empty it first.)
TEST_F(YearViewDrawingCacheTest, EveryChangeAfterAKeptDrawingShows) {
    YearView* page = filledPage();
    const auto model = page->model();
    const auto cell = [&](int day, int month) { return model->cellForDayAndMonth(day, month); };
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const std::vector<Case> cases = {
        {"an event added by a job",
         [&] {
             const calstore::EventPtr e = makeEvent(at(2024, 4, 10, 9), at(2024, 4, 10, 17),
                                                    QStringLiteral("Late addition"));
             std::thread([&] {
                 model->threadedAddEventFromCalendarForDayInMonthInFullLoading(e, home, 10, 4,
                                                                               false);
             }).join();
         }},
        {"a calendar's events removed from days",
         [&] {
             for (int day = 1; day <= 31; ++day)
                 model->threadedRemoveCalendarForDayInMonth(home, day, 5);
         }},
        {"a mark",
         [&] {
             model->threadedAddEventFromCalendarForDayInMonthInFullLoading(
                 makeAllDay(2024, 10, 3, QStringLiteral("Gym"),
                            QStringLiteral("Zolt:") + kMarkerDot),
                 markers, 3, 10, false);
         }},
        {"a day selected", [&] { cell(3, 3)->setHighlighted(true); }},
        {"the calendar week shown on hover", [&] { cell(9, 9)->setDrawsCalendarWeek(true); }},
        {"a calendar's colour", [&] { home->setColor(QColor(200, 40, 40)); }},
        {"a marker's colour",
         [&] {
             delegate->calendarSources->markerWithUID(kMarkerShade)->setColor(QColor(20, 200, 20));
         }},
        {"a setting",
         [&] {
             setYearViewPref(QStringLiteral("Weekend BackgroundColorTop"), "250 220 120 1.0");
             YearViewCell::updatePreferences();
         }},
        {"today", [&] { delegate->today = MyDate::dateWithDayMonthYear(16, 3, 2024); }},
        {"the size", [&] { page->setFrame(QRectF(0, 23, 1200, 640)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage before = painted(page);
        c.change();
        const QImage after = painted(page);
        EXPECT_NE(after, before);
        EXPECT_EQ(after, drawnAfresh(page));
    }
}

}  // namespace
