// A loader thread fills and empties day cells while the main thread draws and
// queries them, as the year page's loaders and drawing do. Run it under
// ThreadSanitizer as well: every change of a cell must happen under its lock
// and every reader must work on a snapshot.

#include "YearViewTestSupport.h"

#include "data/CalendarGroup.h"
#include "platform/kit/Graphics.h"

#include <QImage>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace yvtest;

namespace {

class YearViewCellStress : public CellTest {};

// What one day carries: a holiday, a birthday, the notes, a mark, an event.
struct DayEvents {
    calstore::EventPtr holiday, birthday, notes, mark, event;
};

DayEvents eventsFor(const MyDatePtr& d, const EMarkerPtr& marker) {
    const int y = d->yearNum(), m = d->monthNum(), day = d->dayNum();
    return {makeAllDay(y, m, day, QStringLiteral("Holiday")),
            makeAllDay(y, m, day, QStringLiteral("Ann")),
            makeAllDay(y, m, day, QStringLiteral("Notes"), QStringLiteral("Zolt:Notes"),
                       QStringLiteral("text")),
            makeAllDay(y, m, day, QStringLiteral("Mark"), QStringLiteral("Zolt:") + marker->uID()),
            makeEvent(at(y, m, day, 9), at(y, m, day, 11))};
}

}  // namespace

TEST_F(YearViewCellStress, DayFactsFollowChangesMadeWhileTheMainThreadDraws) {
    delegate_->calendarSources->loadMarkers();
    auto marker = std::make_shared<EMarker>();
    marker->setMarkerType(4);
    marker->setColor(QColor(0, 120, 0));
    delegate_->calendarSources->markersGroup()->addElement(marker);

    const auto holidays = makeCalendar(Calendar::kTypeHoliday);
    const auto birthdays = makeCalendar(Calendar::kTypeBirthday);
    const auto markers = makeCalendar(Calendar::kTypeMarker);
    const auto ordinary = makeCalendar(Calendar::kTypeNormal);

    std::vector<YearViewCellPtr> cells;
    std::vector<DayEvents> events;
    for (int day = 1; day <= 4; ++day) {
        cells.push_back(makeCell(2011, 9, day));
        events.push_back(eventsFor(cells.back()->cellDate(), marker));
    }

    // The loader: fills every day, takes parts away again, empties the days,
    // and in its last round leaves days 1 and 3 full and days 2 and 4 empty.
    constexpr int kRounds = 3000;
    std::atomic<bool> done{false};
    std::thread loader([&] {
        for (int round = 0; round < kRounds; ++round) {
            for (size_t i = 0; i < cells.size(); ++i) {
                const YearViewCellPtr& cell = cells[i];
                const DayEvents& e = events[i];
                cell->addEventFromCalendar(e.holiday, holidays);
                cell->addEventFromCalendar(e.birthday, birthdays);
                cell->addEventFromCalendar(e.notes, markers);
                cell->addEventFromCalendar(e.mark, markers);
                cell->addEventFromCalendar(e.event, ordinary);
                const bool last = round == kRounds - 1;
                if (!last || i % 2 == 1) {
                    cell->removeEventWithUID(e.holiday->uid());
                    cell->removeEventWithUID(e.notes->uid());
                    cell->removeCalendar(birthdays);
                    cell->removeCalendar(markers);
                    if (round % 3 == 0) cell->invalidateEvents();
                    cell->removeCalendar(ordinary);
                }
            }
        }
        done = true;
    });

    QImage image(200, 30, QImage::Format_ARGB32_Premultiplied);
    int draws = 0;
    while (!done) {
        for (const YearViewCellPtr& cell : cells) {
            kit::Graphics g(image);
            cell->drawWithFrame(g, QRectF(0, 0, 200, 30), nullptr);
            // The queries the popups, hovers and the week view make meanwhile.
            const auto list = cell->events();
            for (const EventDayPtr& record : *list) ASSERT_TRUE(record);
            (void)cell->birthdaysText();
            (void)cell->marksText();
            (void)cell->notesText();
            (void)cell->holidayText();
            (void)cell->zoltMarks();
            (void)cell->hasNotes2();
            (void)cell->dayHasBirthdays2();
        }
        ++draws;
    }
    loader.join();
    EXPECT_GT(draws, 0);

    // One more drawing brings every cached fact up to the final lists.
    for (size_t i = 0; i < cells.size(); ++i) {
        SCOPED_TRACE(i);
        const YearViewCellPtr& cell = cells[i];
        kit::Graphics g(image);
        cell->drawWithFrame(g, QRectF(0, 0, 200, 30), nullptr);
        const bool full = i % 2 == 0;
        EXPECT_EQ(cell->events()->size(), full ? 5u : 0u);
        EXPECT_EQ(cell->dayHasHolidayEntry2(), full);
        EXPECT_EQ(cell->dayHasBirthdays2(), full);
        EXPECT_EQ(cell->dayHasBirthdays3(), full);
        EXPECT_EQ(cell->hasNotes2(), full);
        EXPECT_EQ(cell->hasMarks2(), full);
        EXPECT_EQ(cell->notesText(), full ? QStringLiteral("text") : QString());
    }
}
