// The column header's hover areas and its full-day flap in a week view in a
// key window: the pointer moves through the window, the hover delays run on a
// manual clock, and the hovers are recorded through the week view's services.

#include "weekview/WeekViewTestSupport.h"

#include "platform/foundation/Timer.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Perform.h"
#include "platform/kit/TrackingArea.h"
#include "platform/kit/Window.h"

#include <gtest/gtest.h>

using namespace wvtest;

namespace {

const QDate kWednesday(2011, 6, 15), kThursday(2011, 6, 16);

class WDHeaderViewTest : public WeekViewTest {
protected:
    void SetUp() override {
        WeekViewTest::SetUp();
        WDHeaderView::setTimerClock(&clock);
        kit::Animation::setInstantForTesting(true);
        WeekView::changeServices([this](WeekView::Services& s) {
            s.birthdayHoverShowWindow = [this](const QRectF& rect, kit::View* view,
                                               const QString& text) {
                log << QStringLiteral("birthdays %1").arg(text);
                lastRect = rect;
                lastView = view;
            };
            s.birthdayHoverCloseWindow = [this](QObject*) {
                log << QStringLiteral("close birthdays");
            };
            s.notesHoverShowWindow = [this](const YearViewCellPtr& cell, const QRectF& rect,
                                            kit::View* view, const QString& text) {
                log << QStringLiteral("notes %1").arg(text);
                lastCell = cell;
                lastRect = rect;
                lastView = view;
            };
            s.notesHoverShowWindowInEditMode = [this](const YearViewCellPtr& cell,
                                                      const QRectF& rect, kit::View* view,
                                                      const QString& text) {
                log << QStringLiteral("edit notes %1").arg(text);
                lastCell = cell;
                lastRect = rect;
                lastView = view;
            };
            s.notesHoverTriggerRectExited = [this] { log << QStringLiteral("left notes mark"); };
        });
        // Wednesday: a birthday, notes and five full-day entries; Thursday one.
        const YearViewCellPtr wed = yearArea->cellForDate(day(2011, 6, 15));
        wed->addEventFromCalendar(yvtest::makeAllDay(2011, 6, 15, QStringLiteral("Ada")),
                                  yvtest::makeCalendar(Calendar::kTypeBirthday));
        auto notes =
            yvtest::makeAllDay(2011, 6, 15, QStringLiteral("Notes"), QStringLiteral("Zolt:Notes"));
        notes->setNotes(QStringLiteral("Buy flowers"));
        wed->addEventFromCalendar(notes, work);
        for (int i = 0; i < 5; ++i)
            wed->addEventFromCalendar(
                yvtest::makeAllDay(2011, 6, 15, QStringLiteral("Entry %1").arg(i)), work);
        yearArea->cellForDate(day(2011, 6, 16))
            ->addEventFromCalendar(yvtest::makeAllDay(2011, 6, 16, QStringLiteral("Trip")), work);

        window = std::make_unique<kit::Window>(QRectF(0, 0, 1000, 700));
        view = makeView(1000, 700, 1, day(2011, 6, 15)).release();
        window->contentView()->addSubview(view);
        window->makeKeyAndOrderFront();
        // The drawing places the hover areas.
        for (WeekdayView* c : view->viewSet()) c->headerView()->renderToImage();
        header = column(kWednesday)->headerView();
        ASSERT_TRUE(header->birthdayTrackingArea() && header->notesTrackingArea() &&
                    header->fdeventsTrackingArea());
        ASSERT_EQ(header->collapsedHeight(), 54);
        ASSERT_EQ(header->expandedHeight(), 126);
        away();
    }
    void TearDown() override {
        WDHeaderView::setFlapObserver(nullptr);
        window.reset();
        WDHeaderView::setTimerClock(nullptr);
        kit::Animation::setInstantForTesting(false);
        WeekView::changeServices([](WeekView::Services& s) { s = WeekView::Services(); });
        WeekViewTest::TearDown();
    }

    WeekdayView* column(const QDate& d) const {
        for (WeekdayView* c : view->viewSet())
            if (c->date() && dateOf(c->date()) == d) return c;
        return nullptr;
    }
    // The pointer to a point of a header, or into the hours far below.
    void moveTo(WDHeaderView* h, const QPointF& p) {
        window->sendEvent(kit::Event::mouseEvent(
            kit::EventType::MouseMoved, h->convertPointToView(p, nullptr), 0, 0, window.get()));
    }
    void away() {
        window->sendEvent(kit::Event::mouseEvent(kit::EventType::MouseMoved, QPointF(500, 100), 0,
                                                 0, window.get()));
    }
    static QPointF centerOf(const std::shared_ptr<kit::TrackingArea>& area) {
        return area->rect().center();
    }
    // A point on row `row` (0 the lowest) of the full-day rows.
    static QPointF onRow(int row) { return QPointF(40, 7 + row * 18 + 9); }
    void clickAt(WDHeaderView* h, const QPointF& p) {
        h->mouseDown(kit::Event::mouseEvent(kit::EventType::LeftMouseDown,
                                            h->convertPointToView(p, nullptr), 0, 1, window.get()));
    }

    foundation::ManualClock clock;
    CalendarPtr work =
        yvtest::makeCalendar(Calendar::kTypeNormal, true, Qt::blue, QStringLiteral("Work"));
    std::unique_ptr<kit::Window> window;
    WeekView* view = nullptr;  // owned by the window
    WDHeaderView* header = nullptr;
    QStringList log;
    YearViewCellPtr lastCell;
    QRectF lastRect;
    kit::View* lastView = nullptr;
};

}  // namespace

TEST_F(WDHeaderViewTest, ARestOfSixTenthsOpensEachAreaAndAShorterPassShowsNothing) {
    struct Case {
        const char* what;
        std::function<QPointF()> where;
        QString shown;
    };
    const Case cases[] = {
        {"birthday mark", [&] { return centerOf(header->birthdayTrackingArea()); },
         QStringLiteral("birthdays Ada")},
        {"notes mark", [&] { return centerOf(header->notesTrackingArea()); },
         QStringLiteral("notes Buy flowers")},
        {"full-day rows", [] { return onRow(0); }, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        const QPointF p = c.where();
        moveTo(header, p);
        clock.advance(0.59);
        away();
        clock.advance(2);
        EXPECT_TRUE(log.isEmpty()) << log.join(", ").toStdString();
        EXPECT_TRUE(header->isCollapsed());

        moveTo(header, p);
        clock.advance(0.59);
        EXPECT_TRUE(log.isEmpty());
        EXPECT_TRUE(header->isCollapsed());
        clock.advance(0.01);
        if (c.shown.isEmpty()) {
            EXPECT_FALSE(header->isCollapsed());
            EXPECT_EQ(header->frame().height(), 126);
            EXPECT_TRUE(log.isEmpty());
        } else {
            EXPECT_EQ(log, QStringList{c.shown});
            EXPECT_EQ(lastView, header);
            EXPECT_TRUE(lastRect.contains(p));
        }
        away();
        clock.advance(1);
        EXPECT_TRUE(header->isCollapsed());
    }
    EXPECT_EQ(lastCell, column(kWednesday)->dataCell());
}

TEST_F(WDHeaderViewTest, LeavingClosesTheBirthdaysAtOnceAndTheNotesHalfASecondLater) {
    const QPointF candle = centerOf(header->birthdayTrackingArea());
    moveTo(header, candle);
    clock.advance(0.6);
    log.clear();
    away();
    EXPECT_EQ(log, QStringList{QStringLiteral("close birthdays")});

    const QPointF notes = centerOf(header->notesTrackingArea());
    moveTo(header, notes);
    clock.advance(0.6);
    log.clear();
    away();
    clock.advance(0.49);
    EXPECT_TRUE(log.isEmpty());
    clock.advance(0.01);
    EXPECT_EQ(log, QStringList{QStringLiteral("left notes mark")});

    // Back on the mark before the half second: the hover stays as it is.
    moveTo(header, notes);
    clock.advance(0.6);
    log.clear();
    away();
    clock.advance(0.3);
    moveTo(header, notes);
    clock.advance(2);
    EXPECT_TRUE(log.isEmpty()) << log.join(", ").toStdString();
}

TEST_F(WDHeaderViewTest, TheFlapOpensDownwardsClosesAgainAndNeverForEqualHeights) {
    const QRectF collapsed = header->frame();
    moveTo(header, onRow(0));
    EXPECT_TRUE(header->expansionScheduled());
    clock.advance(0.6);
    ASSERT_FALSE(header->isCollapsed());
    const QRectF open = header->frame();
    EXPECT_EQ(kit::maxY(open), kit::maxY(collapsed)) << "the top edge stays";
    EXPECT_EQ(open.height(), 126);
    EXPECT_FALSE(header->expansionScheduled());
    ASSERT_TRUE(header->fdeventsTrackingArea());
    EXPECT_EQ(header->fdeventsTrackingArea()->rect(), QRectF(5, 7, open.width() - 10, 126 - 33));
    EXPECT_EQ(header->fdeventsTrackingArea()->options(), 0x121u);

    // Moving within the enlarged rows keeps it open; leaving closes it 0.5 s later.
    moveTo(header, onRow(4));
    clock.advance(1);
    EXPECT_FALSE(header->isCollapsed());
    away();
    clock.advance(0.49);
    EXPECT_FALSE(header->isCollapsed());
    clock.advance(0.01);
    EXPECT_TRUE(header->isCollapsed());
    EXPECT_EQ(header->frame(), collapsed);
    ASSERT_TRUE(header->fdeventsTrackingArea());
    EXPECT_EQ(header->fdeventsTrackingArea()->rect(),
              QRectF(5, 7, collapsed.width() - 10, 54 - 33));
    EXPECT_EQ(header->fdeventsTrackingArea()->options(), 0x21u);

    // The recreated area opens it again.
    moveTo(header, onRow(0));
    clock.advance(0.6);
    EXPECT_FALSE(header->isCollapsed());
    away();
    clock.advance(0.5);
    EXPECT_TRUE(header->isCollapsed());

    // One entry: both heights are 54; resting on it opens nothing.
    WDHeaderView* thursday = column(kThursday)->headerView();
    ASSERT_EQ(thursday->expandedHeight(), thursday->collapsedHeight());
    ASSERT_TRUE(thursday->fdeventsTrackingArea());
    moveTo(thursday, onRow(0));
    EXPECT_FALSE(thursday->expansionScheduled());
    clock.advance(1);
    EXPECT_TRUE(thursday->isCollapsed());
    EXPECT_EQ(thursday->frame().height(), 54);
}

TEST_F(WDHeaderViewTest, ClicksReachTheRowsOnlyWhileTheFlapRests) {
    const std::vector<EventDayPtr> entries = column(kWednesday)->fdevents();
    ASSERT_EQ(entries.size(), 5u);
    // Clicks while the flap moves are ignored.
    int movements = 0;
    WDHeaderView::setFlapObserver([&](kit::Animation&) {
        ++movements;
        EXPECT_TRUE(header->inAnimation());
        clickAt(header, onRow(1));
    });
    moveTo(header, onRow(0));
    clickAt(header, onRow(0));  // the opening is pending
    clock.advance(0.6);
    ASSERT_EQ(movements, 1);
    EXPECT_EQ(view->selection(), nullptr);
    WDHeaderView::setFlapObserver(nullptr);

    // Resting open: a row selects its entry (row 0 is the last entry); the
    // title strip and the bottom 7 points do not reach the list, where they
    // would select nothing.
    clickAt(header, onRow(4));
    EXPECT_EQ(view->selection(), entries[0]);
    clickAt(header, onRow(0));
    EXPECT_EQ(view->selection(), entries[4]);
    for (const double y : {3.0, 6.9, 126.0 - 20, 126.0 - 2}) {
        SCOPED_TRACE(y);
        clickAt(header, QPointF(40, y));
        EXPECT_EQ(view->selection(), entries[4]);
    }
    // Selecting redraws the week; the open flap still closes once the
    // pointer has left it, and clicks wait meanwhile.
    ASSERT_FALSE(header->isCollapsed());
    away();
    EXPECT_TRUE(header->expansionScheduled());
    clickAt(header, onRow(2));
    EXPECT_EQ(view->selection(), entries[4]);
    clock.advance(0.5);
    ASSERT_TRUE(header->isCollapsed());

    // Passing over the rows for less than 0.6 s, or going from them to a
    // mark, leaves the rows taking clicks.
    const auto deselect = [&] {
        view->selectEvent(nullptr);
        header->renderToImage();  // the redraw places the hover areas
    };
    deselect();
    moveTo(header, onRow(0));
    clock.advance(0.3);
    away();
    EXPECT_FALSE(header->expansionScheduled());
    clickAt(header, onRow(0));
    EXPECT_EQ(view->selection(), entries[4]);
    deselect();
    moveTo(header, onRow(0));
    moveTo(header, centerOf(header->notesTrackingArea()));
    EXPECT_FALSE(header->expansionScheduled());
    clickAt(header, onRow(0));
    EXPECT_EQ(view->selection(), entries[4]);
}

TEST_F(WDHeaderViewTest, AColumnGivenAnotherDayDropsWhatWasPending) {
    WeekdayView* wed = column(kWednesday);
    moveTo(header, onRow(0));
    ASSERT_TRUE(header->expansionScheduled() && header->hoverPending());
    wed->setYVCell(yearArea->cellForDate(day(2011, 6, 22)));
    EXPECT_FALSE(header->expansionScheduled());
    EXPECT_FALSE(header->hoverPending());
    clock.advance(1);
    EXPECT_TRUE(header->isCollapsed());
}

TEST_F(WDHeaderViewTest, TheHeaderTimersEndWithTheHeader) {
    auto alone = std::unique_ptr<WeekdayView>(WeekdayView::initWithFrame(QRectF(0, 0, 120, 500)));
    alone->setYVCell(column(kWednesday)->dataCell());
    WDHeaderView* h = alone->headerView();
    h->renderToImage();
    ASSERT_TRUE(h->notesTrackingArea());
    h->mouseEntered(kit::Event::enterExitEvent(
        kit::EventType::MouseEntered, centerOf(h->notesTrackingArea()), h->notesTrackingArea()));
    ASSERT_TRUE(h->hoverPending());
    alone.reset();
    clock.advance(2);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(WDHeaderViewTest, AddingANoteOpensTheNotesHoverForEditingBelowTheTitle) {
    WeekdayView* thu = column(kThursday);
    ASSERT_FALSE(thu->hasNotes2());
    ASSERT_TRUE(kit::perform(thu, "addOrEditNote"));
    EXPECT_TRUE(thu->hasNotes2()) << "the mark shows while the note is typed";
    EXPECT_EQ(log, QStringList{QStringLiteral("edit notes ")});
    EXPECT_EQ(lastCell, thu->dataCell());
    EXPECT_EQ(lastView, thu->headerView());
    EXPECT_EQ(lastRect, QRectF(4, 54 - 26 + 4, 18, 18));
    log.clear();
    kit::perform(column(kWednesday), "addOrEditNote");
    EXPECT_EQ(log, QStringList{QStringLiteral("edit notes Buy flowers")});
}
