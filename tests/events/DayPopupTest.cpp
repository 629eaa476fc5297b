// The day popup filled from a year page that its loader filled through the
// threaded interface: the panel's heights, the full-day rows, the overlap
// layout of the timed events, the first event in sight, the wheel and key
// hand-offs, the day and month steps and the colour switch.

#include "events/DPEventsView.h"
#include "events/DPFulldayView.h"
#include "events/DayPopupController.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Button.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "shell/HoverPanels.h"
#include "shell/MainWindowCtrl.h"
#include "shell/SpringPanel.h"
#include "yearview/YearViewPageWorld.h"

#include <array>
#include <map>

namespace {

using yvpage::Placed;
using yvtest::at;
using yvtest::makeAllDay;
using yvtest::makeEvent;

class DayPopupTest : public yvpage::PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        kit::Animation::setInstantForTesting(true);
        DayPopupController::installEntries();
        page = makePage(2024);
        render(page);  // lays the grid out: the cells' rectangles anchor the popup
    }
    void TearDown() override {
        DayPopupController::resetSharedWinController();
        MainWindowCtrl::changeServices([](MainWindowCtrl::Services& s) {
            s.dayPopupKeyPressed = {};
            s.dayPopupOriginatingViewMoved = {};
        });
        kit::Animation::setInstantForTesting(false);
        PageTest::TearDown();
    }

    DayPopupController* popup() { return DayPopupController::sharedWinController(); }
    Placed timed(int month, int day, int h1, int m1, int h2, int m2, const QString& title,
                 const CalendarPtr& calendar = nullptr) {
        return {makeEvent(at(2024, month, day, h1, m1), at(2024, month, day, h2, m2), title),
                calendar ? calendar : work};
    }
    Placed notes(int month, int day, const QString& text) {
        return {makeAllDay(2024, month, day, QStringLiteral("Notes"), QStringLiteral("Zolt:Notes"),
                           text),
                markers};
    }
    void open(int day, int month) {
        ASSERT_TRUE(page->showDayPopupForDayMonth(day, month));
        ASSERT_TRUE(popup()->windowOpen());
    }
    MyDatePtr shownDay() {
        const YearViewCellPtr cell = popup()->currentCell();
        return cell ? cell->cellDate() : nullptr;
    }
    double visibleTop() {
        const QRectF r = popup()->eventsScrollView()->documentVisibleRect();
        return r.y() + r.height();
    }
    kit::Event keyDown(int code) {
        return kit::Event::keyEvent(kit::EventType::KeyDown, code, QString(), 0, false, QString(),
                                    window.get());
    }

    YearView* page = nullptr;
};

TEST_F(DayPopupTest, ADoubleClickOpensThePopupBesideTheDayWithItsTitleAndLists) {
    fillFromThread(page, {timed(3, 11, 9, 0, 10, 0, QStringLiteral("Standup"))});
    click(page, 11, 3, 0, 2);
    DayPopupController* p = popup();
    ASSERT_TRUE(p->windowOpen());
    EXPECT_TRUE(p->panel()->isVisible());
    EXPECT_EQ(p->dayTitle()->stringValue(),
              QStringLiteral("%1, 11. Mar. 2024").arg(p->currentCell()->dayName()));
    EXPECT_EQ(p->panel()->frame().height(), DayPopupController::kPanelHeight);
    EXPECT_TRUE(p->notesScrollView()->isHidden());
    EXPECT_EQ(p->eventsView()->frame(), QRectF(0, 0, 222, 1215));
    ASSERT_EQ(p->eventsView()->events().size(), 1u);
    // Opened on the side the settings ask for.
    EXPECT_EQ(p->panel()->desiredOpeningDirection(),
              DayPopupController::defaultOpensToRight() ? SpringPanel::Right : SpringPanel::Left);
    testsupport::saveForInspection(p->panel()->contentView()->renderToImage(),
                                   QStringLiteral("day-popup-open"));
    for (bool right : {false, true}) {
        QVariantMap prefs = foundation::Defaults::standard().dictionaryForKey(PrefGroups::yearView);
        prefs.insert(QStringLiteral("Popup Opens Right"), right);
        foundation::Defaults::standard().setObject(PrefGroups::yearView, prefs);
        page->updatePreferences();  // re-reads the popup's settings too
        p->cancelPopup();
        open(12, 3);
        EXPECT_EQ(p->panel()->desiredOpeningDirection(),
                  right ? SpringPanel::Right : SpringPanel::Left);
    }
}

TEST_F(DayPopupTest, NotesGrowThePanelDownwardsAndTheirEndShrinksItBackWithTheTopInPlace) {
    fillFromThread(page, {timed(3, 11, 9, 0, 10, 0, QStringLiteral("Standup"))});
    open(11, 3);
    SpringPanel* panel = popup()->panel();
    const double top = panel->frame().y() + panel->frame().height();

    // The loader brings notes to the open day: the popup refills in place.
    const Placed dayNotes = notes(3, 11, QStringLiteral("Bring the slides"));
    fillFromThread(page, {dayNotes}, false);
    settle();
    EXPECT_EQ(panel->frame().height(), 575);
    EXPECT_DOUBLE_EQ(popup()->dayTitle()->frame().y(), 575 - 46);  // still along the top
    EXPECT_DOUBLE_EQ(panel->frame().y() + panel->frame().height(), top);
    EXPECT_FALSE(popup()->notesScrollView()->isHidden());
    EXPECT_EQ(popup()->notesView()->string(), QStringLiteral("Bring the slides"));
    EXPECT_EQ(popup()->notesScrollView()->frame(), QRectF(30, 53, 242, 70));
    EXPECT_EQ(popup()->eventsScrollView()->frame(), QRectF(30, 132, 242, 390 - 2));
    testsupport::saveForInspection(panel->contentView()->renderToImage(),
                                   QStringLiteral("day-popup-notes"));

    std::thread job([model = page->model(), uid = dayNotes.event->uid()] {
        model->threadedRemoveEventUIDFromDayInMonth(uid, 11, 3);
        model->threadedUpdateView();
    });
    job.join();
    settle();
    EXPECT_EQ(panel->frame().height(), 540);
    EXPECT_DOUBLE_EQ(popup()->dayTitle()->frame().y(), 540 - 46);
    EXPECT_DOUBLE_EQ(panel->frame().y() + panel->frame().height(), top);
    EXPECT_TRUE(popup()->notesScrollView()->isHidden());
    EXPECT_EQ(popup()->eventsScrollView()->frame(), QRectF(30, 62, 242, 425 - 2));
}

TEST_F(DayPopupTest, TwelveFulldayEntriesFillNineRowsAndTheNotesAndHiddenOnesAreNotCounted) {
    std::vector<Placed> events;
    for (int i = 0; i < 12; ++i)
        events.push_back({makeAllDay(2024, 3, 11, QStringLiteral("Entry %1").arg(i)), work});
    events.push_back(notes(3, 11, QStringLiteral("Note")));
    home->setSelected(false);
    events.push_back({makeAllDay(2024, 3, 11, QStringLiteral("Hidden")), home});
    fillFromThread(page, events);
    open(11, 3);
    EXPECT_EQ(popup()->numberOfFulldayEvents(), 12);
    DPFulldayView* fullday = popup()->fulldayView();
    EXPECT_EQ(fullday->frame(), QRectF(30, 132 + 390 - 164, 242, 164));
    EXPECT_DOUBLE_EQ(popup()->eventsScrollViewHeight(), 390 - 164);
    const auto rows = fullday->rows();
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows.back().text, QStringLiteral("and 4 more..."));
    testsupport::saveForInspection(popup()->panel()->contentView()->renderToImage(),
                                   QStringLiteral("day-popup-fullday"));
}

TEST_F(DayPopupTest, OverlappingEventsAreLaidOutInThePopupsOwnListBesideAFulldayFollower) {
    // A full-day entry starts at 00:00 like the first event: it takes no
    // place in that event's group.
    fillFromThread(page, {{makeAllDay(2024, 3, 11, QStringLiteral("Trip")), work},
                          timed(3, 11, 0, 0, 1, 0, QStringLiteral("Night shift")),
                          timed(3, 11, 10, 0, 12, 0, QStringLiteral("Workshop")),
                          timed(3, 11, 10, 10, 11, 0, QStringLiteral("Call")),
                          timed(3, 11, 10, 40, 11, 30, QStringLiteral("Review")),
                          timed(3, 11, 13, 0, 14, 0, QStringLiteral("Lunch"))});
    // What the shared records hold before the popup lays the day out.
    std::map<EventDay*, std::array<int, 3>> before;
    for (const EventDayPtr& r : *page->model()->cellForDayAndMonth(11, 3)->events())
        before[r.get()] = {r->eventsAtSameTime(), r->indexAtSameTime(), r->indentLevel()};
    open(11, 3);
    const auto& laid = popup()->eventsView()->events();
    ASSERT_EQ(laid.size(), 5u);
    struct Expect {
        const char* title;
        int together, index, indent;
    };
    const Expect expected[] = {{"Night shift", 1, 0, 0},
                               {"Workshop", 2, 0, 0},
                               {"Call", 2, 1, 0},
                               {"Review", 1, 0, 1},
                               {"Lunch", 1, 0, 0}};
    for (size_t i = 0; i < laid.size(); ++i) {
        EXPECT_EQ(laid[i].record->event()->title(), QString::fromLatin1(expected[i].title));
        EXPECT_EQ(laid[i].eventsAtSameTime, expected[i].together) << i;
        EXPECT_EQ(laid[i].indexAtSameTime, expected[i].index) << i;
        EXPECT_EQ(laid[i].indentLevel, expected[i].indent) << i;
    }
    // The shared records keep what they had: the layout is the popup's own.
    for (const auto& entry : laid) {
        const std::array<int, 3> now = {entry.record->eventsAtSameTime(),
                                        entry.record->indexAtSameTime(),
                                        entry.record->indentLevel()};
        EXPECT_EQ(now, before[entry.record.get()]);
    }
    const QRectF workshop = popup()->eventsView()->boxForEvent(laid[1]);
    const QRectF call = popup()->eventsView()->boxForEvent(laid[2]);
    EXPECT_DOUBLE_EQ(workshop.width(), call.width());
    EXPECT_GT(call.x(), workshop.x() + workshop.width() - 1);
    EXPECT_DOUBLE_EQ(popup()->eventsView()->boxForEvent(laid[3]).x(),
                     std::floor(popup()->eventsView()->labelColumnWidth() + 2 + 8) + 0.5);
    popup()->eventsView()->setUseCalendarColors(true);
    popup()->scroll(0.4);
    testsupport::saveForInspection(popup()->panel()->contentView()->renderToImage(),
                                   QStringLiteral("day-popup-overlap"));
}

TEST_F(DayPopupTest, TheListOpensAtTheFirstEventOfTheDayOrAtEight) {
    fillFromThread(
        page,
        {timed(3, 11, 14, 30, 15, 30, QStringLiteral("Dentist")),
         {makeEvent(at(2024, 3, 12, 22, 0), at(2024, 3, 13, 2, 0), QStringLiteral("Late")), work}});
    open(11, 3);
    // 14:30 is the top line of the list: 9.5 hours of 50 and 15 above the bottom.
    EXPECT_DOUBLE_EQ(visibleTop(), 490);
    // A day whose only event began the day before opens at 8:00.
    open(13, 3);
    EXPECT_DOUBLE_EQ(visibleTop(), 16 * 50 + 15);
    // A day without events as well.
    open(14, 3);
    EXPECT_DOUBLE_EQ(visibleTop(), 16 * 50 + 15);
}

TEST_F(DayPopupTest, WheelTurnsScrollThePopupOnlyWhileItIsOpen) {
    fillFromThread(page, {});
    const auto wheel = [&](double dy) { return kit::Event::scrollEvent(QPointF(10, 10), 0, dy); };
    open(11, 3);
    DayPopupController* p = popup();
    p->scroll(0.98);
    EXPECT_TRUE(p->scrollNotify(wheel(-5)));
    EXPECT_NEAR(p->scrollValue(), 1.0, 1e-6);
    EXPECT_TRUE(p->scrollNotify(wheel(10)));
    EXPECT_NEAR(p->scrollValue(), 0.8, 1e-3);
    // A turn over the list itself goes the same way.
    p->eventsView()->scrollWheel(wheel(60));
    EXPECT_NEAR(p->scrollValue(), 0.0, 1e-6);
    // The page hands its wheel turns over first.
    EXPECT_TRUE(YearView::services().dayPopupScrollNotify(wheel(-10)));
    p->cancelPopup();
    EXPECT_FALSE(p->scrollNotify(wheel(-5)));
    EXPECT_FALSE(YearView::services().dayPopupScrollNotify(wheel(-5)));
}

TEST_F(DayPopupTest, KeysOfTheMainWindowAreHandedToTheOpenPopup) {
    fillFromThread(page, {});
    namespace K = kit::KeyCodes;
    struct Case {
        int code;
        bool taken;
        bool closes;
        int day, month;      // the day shown afterwards
        double scrollAfter;  // -1: not checked
    };
    const Case cases[] = {
        {K::Space, true, true, 15, 5, -1},       {K::Escape, true, true, 15, 5, -1},
        {K::RightArrow, true, false, 15, 6, -1}, {K::LeftArrow, true, false, 15, 4, -1},
        {K::UpArrow, true, false, 14, 5, -1},    {K::DownArrow, true, false, 16, 5, -1},
        {K::PageUp, true, false, 15, 5, 0.0},    {K::PageDown, true, false, 15, 5, 0.5},
        {K::A, false, false, 15, 5, -1},         {K::Return, false, false, 15, 5, -1},
    };
    const auto& handOff = MainWindowCtrl::services().dayPopupKeyPressed;
    ASSERT_TRUE(handOff);
    for (const Case& c : cases) {
        open(15, 5);
        popup()->scroll(0.2);
        const std::optional<kit::Event> back = handOff(keyDown(c.code));
        EXPECT_EQ(!back.has_value(), c.taken) << c.code;
        EXPECT_EQ(!popup()->windowOpen(), c.closes) << c.code;
        EXPECT_EQ(popup()->panel()->isVisible(), !c.closes) << c.code;
        if (!c.closes) {
            EXPECT_EQ(shownDay()->dayNum(), c.day) << c.code;
            EXPECT_EQ(shownDay()->monthNum(), c.month) << c.code;
        }
        if (c.scrollAfter >= 0) EXPECT_NEAR(popup()->scrollValue(), c.scrollAfter, 1e-3) << c.code;
    }
    // Closed, the popup lets every key pass.
    popup()->cancelPopup();
    EXPECT_TRUE(handOff(keyDown(K::Space)).has_value());
}

TEST_F(DayPopupTest, DayAndMonthStepsCrossMonthEndsAndStayInThePagesYear) {
    fillFromThread(page, {});
    struct Case {
        int day, month;
        const char* action;
        int toDay, toMonth;
    };
    const Case cases[] = {
        {31, 1, "gotoNextDay", 1, 2},
        {1, 3, "gotoPreviousDay", 29, 2},
        {31, 3, "gotoNextMonth", 30, 4},
        {31, 5, "gotoPreviousMonth", 30, 4},
        // The page shows 2024 only: steps out of it leave the popup where it is.
        {31, 12, "gotoNextDay", 31, 12},
        {1, 1, "gotoPreviousDay", 1, 1},
        {15, 12, "gotoNextMonth", 15, 12},
        {15, 1, "gotoPreviousMonth", 15, 1},
    };
    for (const Case& c : cases) {
        open(c.day, c.month);
        kit::Button* button = popup()->buttonForAction(c.action);
        ASSERT_TRUE(button) << c.action;
        button->performClick();
        EXPECT_TRUE(popup()->windowOpen());
        EXPECT_EQ(shownDay()->dayNum(), c.toDay) << c.action << " " << c.day << "." << c.month;
        EXPECT_EQ(shownDay()->monthNum(), c.toMonth) << c.action;
        EXPECT_EQ(shownDay()->yearNum(), 2024);
    }
}

TEST_F(DayPopupTest, TheColourSwitchIsWrittenIntoTheYearViewSettingsAlone) {
    fillFromThread(page, {timed(3, 11, 10, 0, 11, 0, QStringLiteral("Standup"))});
    auto& defaults = foundation::Defaults::standard();
    QVariantMap before = defaults.dictionaryForKey(PrefGroups::yearView);
    before.insert(QStringLiteral("Some Other Key"), 7);
    defaults.setObject(PrefGroups::yearView, before);
    open(11, 3);
    kit::Button* colors = popup()->colorsCheckbox();
    const bool was = colors->state() == kit::Button::On;
    colors->performClick();
    EXPECT_EQ(DayPopupController::useCalendarColors(), !was);
    EXPECT_EQ(popup()->eventsView()->useCalendarColors(), !was);
    EXPECT_EQ(popup()->fulldayView()->useCalendarColors(), !was);
    QVariantMap after = defaults.dictionaryForKey(PrefGroups::yearView);
    EXPECT_EQ(after.value(QStringLiteral("Popup Use CalendarColors")).toBool(), !was);
    after.remove(QStringLiteral("Popup Use CalendarColors"));
    before.remove(QStringLiteral("Popup Use CalendarColors"));
    EXPECT_EQ(after, before);
    // The next opening reads it back.
    DayPopupController::updatePreferences();
    EXPECT_EQ(DayPopupController::useCalendarColors(), !was);
}

TEST_F(DayPopupTest, OtherOpenersCloseThePopupButItsOwnShowingLeavesItOpen) {
    fillFromThread(page, {});
    open(11, 3);
    popup()->showWindow();
    EXPECT_TRUE(popup()->windowOpen());
    // Another day while open: moved and refilled, no closing.
    open(12, 3);
    EXPECT_EQ(shownDay()->dayNum(), 12);
    int other = 0;
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, &other);
    settle();
    EXPECT_FALSE(popup()->windowOpen());
    // The week button closes it and shows the day's week.
    open(12, 3);
    popup()->buttonForAction("gotoWeek")->performClick();
    EXPECT_FALSE(popup()->windowOpen());
}

}  // namespace
