// The editor's repetition pane: a stored rule shown in the controls and read
// back, the numbering of the weekday and ordinal controls, the list of days of
// the month, the limits the working rule keeps, whether the user changed the
// rule, and how the pane grows and shrinks with what it shows.

#include "data/PrefGroups.h"
#include "events/EditorTestSupport.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/SegmentedControl.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using calstore::RecurrenceEnd;
using calstore::RecurrenceRule;
using Rule = std::optional<RecurrenceRule>;

using editortest::atBerlin;

RecurrenceRule::End count(int n) {
    return RecurrenceEnd::recurrenceEndWithOccurrenceCount(n);
}

class RecurrencePaneTest : public editortest::EventConfigControllerTest {
protected:
    void SetUp() override {
        EventConfigControllerTest::SetUp();
        setWeekStartsSunday(false);
    }
    void TearDown() override {
        setWeekStartsSunday(false);
        EventConfigControllerTest::TearDown();
    }
    static void setWeekStartsSunday(bool sunday) {
        foundation::Defaults::standard().setObject(
            PrefGroups::general, QVariantMap{{QStringLiteral("Week Begins on Sunday"), sunday}});
        EventConfigController::updatePreferences();
    }
    // An event on Monday, 13 June 2011, repeating by `rule`, with its editor open.
    EventConfigController* openWith(const Rule& rule) {
        auto event = calstore::Event::event();
        event->setTitle(QStringLiteral("Meeting"));
        event->setStartDate(atBerlin(2011, 6, 13, 9, 5));
        event->setEndDate(atBerlin(2011, 6, 13, 10, 0));
        event->setRecurrenceRule(rule);
        EventConfigController* editor = editorFor(event);
        editor->showWindow();
        return editor;
    }
    static double paneContent(EventConfigController* editor) {
        return editor->gui_recurrencePane->contentView()->frame().height();
    }
    // The user picks a pattern segment, an ending or the use-days checkbox.
    static void pickPattern(EventConfigController* editor, int segment) {
        editor->gui_rpPattern->setSelectedSegment(segment);
        editor->gui_rpPattern->sendAction();
    }
    static void pickEnding(RecurrenceControls& c, int tag) {
        c.endingStyle->selectCellWithTag(tag);
        c.endingStyle->sendAction();
    }
    static void clickUseDays(RecurrenceControls& c, bool on) {
        c.useDays->setState(on ? kit::Button::On : kit::Button::Off);
        c.useDays->sendAction();
    }
};

TEST(RecurrenceNumbering, OrdinalEntriesAndWeekdayPositions) {
    // Six ordinal entries: the 1st to the 5th, then the last.
    const int weeks[6] = {1, 2, 3, 4, 5, -1};
    for (int entry = 0; entry < 6; ++entry) {
        EXPECT_EQ(EventConfigController::weekNumberForOrdinalEntry(entry), weeks[entry]);
        EXPECT_EQ(EventConfigController::ordinalEntryForWeekNumber(weeks[entry]), entry);
    }
    EXPECT_EQ(EventConfigController::ordinalEntryForWeekNumber(0), 5);
    EXPECT_EQ(EventConfigController::ordinalEntryForWeekNumber(-2), 5);
    EXPECT_EQ(EventConfigController::ordinalEntryForWeekNumber(9), 4);

    // Monday first: Monday is position 0 and Sunday the last; Sunday first: Sunday 0.
    EXPECT_EQ(EventConfigController::weekdayForPosition(0, false), 2);
    EXPECT_EQ(EventConfigController::weekdayForPosition(6, false), 1);
    EXPECT_EQ(EventConfigController::weekdayForPosition(0, true), 1);
    EXPECT_EQ(EventConfigController::weekdayForPosition(6, true), 7);
    for (bool sunday : {false, true})
        for (int p = 0; p < 7; ++p)
            EXPECT_EQ(EventConfigController::positionForWeekday(
                          EventConfigController::weekdayForPosition(p, sunday), sunday),
                      p);
    EXPECT_EQ(EventConfigController::positionForWeekday(0, true), 0);   // clamped
    EXPECT_EQ(EventConfigController::positionForWeekday(9, false), 5);  // Saturday
}

TEST(RecurrenceNumbering, DayListParser) {
    const struct {
        const char* text;
        std::optional<QList<int>> days;
    } cases[] = {
        {"15, 1, 15", QList<int>{1, 15}},
        {"1,32,0,-3,word,7", QList<int>{1, 7}},
        {"1,,5", QList<int>{1}},
        {",5", std::nullopt},
        {"5,", QList<int>{5}},
        {"5 7", QList<int>{5}},
        {"\n 31 ,\t2", QList<int>{2, 31}},
        {"+4", QList<int>{4}},
        {"99999999999999", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EventConfigController::stringWithNumbersToArray(QString::fromLatin1(c.text)),
                  c.days);
    }
}

// Opened and read back without a change, a rule stays the rule it was; only a
// lone restriction to the start's own day or month drops, which repeats the same.
TEST_F(RecurrencePaneTest, StoredRulesReadBackUnchanged) {
    const QDateTime until = atBerlin(2011, 12, 31, 9, 5);
    const RecurrenceRule::End onDate = RecurrenceEnd::recurrenceEndWithEndDate(until);
    RecurrenceRule withWeekStart = RecurrenceRule::initWeeklyRecurrenceWithIntervalEnd(1, {});
    withWeekStart.setFirstDayOfTheWeek(1);
    const struct {
        const char* name;
        RecurrenceRule stored;
        Rule expected;  // none: the stored rule
    } cases[] = {
        {"daily every 3", RecurrenceRule::initDailyRecurrenceWithIntervalEnd(3, {}), {}},
        {"daily once", RecurrenceRule::initDailyRecurrenceWithIntervalEnd(1, count(1)), {}},
        {"daily to a date", RecurrenceRule::initDailyRecurrenceWithIntervalEnd(1, onDate), {}},
        {"weekly", RecurrenceRule::initWeeklyRecurrenceWithIntervalEnd(2, count(7)), {}},
        {"weekly with week start", withWeekStart, {}},
        {"weekly on days",
         RecurrenceRule::initWeeklyRecurrenceWithIntervalForDaysOfTheWeekEnd(2, {2, 4, 7}, onDate),
         {}},
        {"monthly", RecurrenceRule::initMonthlyRecurrenceWithIntervalEnd(1, count(3)), {}},
        {"monthly on the start's day",
         RecurrenceRule::initMonthlyRecurrenceWithIntervalForDaysOfTheMonthEnd(1, {13}, {}),
         RecurrenceRule::initMonthlyRecurrenceWithIntervalEnd(1, {})},
        {"monthly on days",
         RecurrenceRule::initMonthlyRecurrenceWithIntervalForDaysOfTheMonthEnd(2, {1, 15}, {}),
         {}},
        {"monthly last Friday",
         RecurrenceRule::initMonthlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthEnd(
             1, 6, -1, onDate),
         {}},
        {"monthly fifth Monday",
         RecurrenceRule::initMonthlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthEnd(
             1, 2, 5, {}),
         {}},
        {"yearly", RecurrenceRule::initYearlyRecurrenceWithIntervalEnd(1, {}), {}},
        {"yearly in the start's month",
         RecurrenceRule::initYearlyRecurrenceWithIntervalForMonthsOfTheYearEnd(1, {6}, count(4)),
         RecurrenceRule::initYearlyRecurrenceWithIntervalEnd(1, count(4))},
        {"yearly in months",
         RecurrenceRule::initYearlyRecurrenceWithIntervalForMonthsOfTheYearEnd(1, {3, 6, 12}, {}),
         {}},
        {"yearly fourth Thursday of November",
         RecurrenceRule::
             initYearlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthForMonthsOfTheYearEnd(
                 1, 5, 4, {11}, onDate),
         {}},
    };
    for (bool sunday : {false, true}) {
        setWeekStartsSunday(sunday);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (sunday ? ", Sunday first" : ", Monday first"));
            EventConfigController* editor = openWith(c.stored);
            const Rule read = editor->recurrenceRuleFromControls().toStoreRule();
            ASSERT_TRUE(read.has_value());
            EXPECT_EQ(read->iCalendarText(), c.expected.value_or(c.stored).iCalendarText());
            EXPECT_TRUE(*read == c.expected.value_or(c.stored));
            // Collapsing reads the pane; nothing was changed by the user.
            editor->gui_recurrencePane->setCollapsedState(false);
            editor->gui_recurrencePane->setCollapsedState(true);
            EXPECT_FALSE(editor->recurrenceChangedByUser());
            editor->closeWindow();
        }
    }
}

TEST_F(RecurrencePaneTest, MonthlyRulesOpenWithTheirDayChoice) {
    for (bool sunday : {false, true}) {
        setWeekStartsSunday(sunday);
        SCOPED_TRACE(sunday ? "Sunday first" : "Monday first");
        RecurrenceControls& c =
            openWith(RecurrenceRule::
                         initMonthlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthEnd(
                             1, 6, -1, {}))
                ->gui_rpMonthly;
        EXPECT_EQ(c.useDays->state(), kit::Button::On);
        EXPECT_EQ(c.daysType->selectedTag(), 2);
        EXPECT_EQ(c.numPopup->indexOfSelectedItem(), 5);
        EXPECT_EQ(c.numPopup->titleOfSelectedItem(), QStringLiteral("last"));
        EXPECT_EQ(c.weekdayPopup->titleOfSelectedItem(), QStringLiteral("Friday"));
        EXPECT_TRUE(c.numPopup->isEnabled());
        EXPECT_FALSE(c.daysList->isEnabled());

        RecurrenceControls& days =
            openWith(RecurrenceRule::initMonthlyRecurrenceWithIntervalForDaysOfTheMonthEnd(
                         1, {1, 15}, {}))
                ->gui_rpMonthly;
        EXPECT_EQ(days.useDays->state(), kit::Button::On);
        EXPECT_EQ(days.daysType->selectedTag(), 1);
        EXPECT_EQ(days.daysList->stringValue(), QStringLiteral("1,15"));
        EXPECT_FALSE(days.numPopup->isEnabled());

        RecurrenceControls& own =
            openWith(
                RecurrenceRule::initMonthlyRecurrenceWithIntervalForDaysOfTheMonthEnd(1, {13}, {}))
                ->gui_rpMonthly;
        EXPECT_EQ(own.useDays->state(), kit::Button::Off);
        EXPECT_FALSE(own.dayRowShown());
    }
}

TEST_F(RecurrencePaneTest, WeeklyAndYearlyControlsFollowTheWeekStart) {
    for (bool sunday : {false, true}) {
        setWeekStartsSunday(sunday);
        SCOPED_TRACE(sunday ? "Sunday first" : "Monday first");
        // Without days: use-days off, row hidden, the start's Monday preselected.
        RecurrenceControls& plain =
            openWith(RecurrenceRule::initWeeklyRecurrenceWithIntervalEnd(1, {}))->gui_rpWeekly;
        EXPECT_EQ(plain.useDays->state(), kit::Button::Off);
        EXPECT_FALSE(plain.dayRowShown());
        const int monday = sunday ? 1 : 0;
        for (int p = 0; p < 7; ++p) EXPECT_EQ(plain.weekdays->isSelectedForSegment(p), p == monday);
        EXPECT_EQ(plain.weekdays->labelForSegment(0),
                  sunday ? QStringLiteral("Su") : QStringLiteral("Mo"));

        RecurrenceControls& sundays =
            openWith(
                RecurrenceRule::initWeeklyRecurrenceWithIntervalForDaysOfTheWeekEnd(1, {1}, {}))
                ->gui_rpWeekly;
        EXPECT_TRUE(sundays.dayRowShown());
        EXPECT_TRUE(sundays.weekdays->isSelectedForSegment(sunday ? 0 : 6));

        // A yearly rule without months shows the start's month, June.
        RecurrenceControls& yearly =
            openWith(RecurrenceRule::initYearlyRecurrenceWithIntervalEnd(1, {}))->gui_rpYearly;
        EXPECT_EQ(yearly.useDays->state(), kit::Button::Off);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(yearly.months1->isSelectedForSegment(i), i == 5);
            EXPECT_FALSE(yearly.months2->isSelectedForSegment(i));
        }
    }
}

// The count field shows the count the rule has; no interval below 1, no count
// below 1 and no empty choice of days or months reaches the working rule.
TEST_F(RecurrencePaneTest, CountsIntervalsAndEmptyChoices) {
    EventConfigController* once =
        openWith(RecurrenceRule::initDailyRecurrenceWithIntervalEnd(1, count(1)));
    EXPECT_EQ(once->gui_rpDaily.endingNum->stringValue(), QStringLiteral("1"));
    // Never, then after a count again: the rule's own count comes back.
    pickEnding(once->gui_rpDaily, 1);
    EXPECT_EQ(once->gui_rpDaily.endingNum->stringValue(), QString());
    EXPECT_FALSE(once->gui_rpDaily.endingNum->isEnabled());
    pickEnding(once->gui_rpDaily, 2);
    EXPECT_EQ(once->gui_rpDaily.endingNum->stringValue(), QStringLiteral("1"));
    once->gui_rpDaily.interval->setStringValue(QStringLiteral("0"));
    once->gui_rpDaily.endingNum->setStringValue(QStringLiteral("-4"));
    once->rpUpdatePaneText();
    EXPECT_EQ(once->workingRule().recurrenceInterval, 1);
    EXPECT_EQ(once->workingRule().recurrenceEndOccurrenceCount, 1);
    EXPECT_EQ(once->gui_recurrencePane->dataForCollapsedState(),
              QStringLiteral("Daily, ending after 1 occurrence"));

    // A rule without an end: empty, disabled count field; after a count offers 2.
    EventConfigController* open =
        openWith(RecurrenceRule::initWeeklyRecurrenceWithIntervalEnd(1, {}));
    RecurrenceControls& weekly = open->gui_rpWeekly;
    EXPECT_EQ(weekly.endingNum->stringValue(), QString());
    EXPECT_FALSE(weekly.endingNum->isEnabled());
    pickEnding(weekly, 2);
    EXPECT_EQ(weekly.endingNum->stringValue(), QStringLiteral("2"));
    EXPECT_TRUE(weekly.endingNum->isEnabled());
    // Use-days on without a weekday: no restriction, not an empty one.
    clickUseDays(weekly, true);
    for (int p = 0; p < 7; ++p) weekly.weekdays->setSelectedForSegment(false, p);
    open->rpUpdatePaneText();
    EXPECT_FALSE(open->workingRule().daysOfTheWeek.has_value());
    EXPECT_TRUE(open->recurrenceChangedByUser());
    EXPECT_EQ(open->workingRule().toStoreRule()->iCalendarText(),
              QStringLiteral("FREQ=WEEKLY;COUNT=2"));

    EventConfigController* monthly = openWith(
        RecurrenceRule::initMonthlyRecurrenceWithIntervalForDaysOfTheMonthEnd(1, {1, 15}, {}));
    monthly->gui_rpMonthly.daysList->setStringValue(QString());
    EXPECT_FALSE(monthly->recurrenceRuleFromControls().daysOfTheMonth.has_value());

    EventConfigController* yearly = openWith(
        RecurrenceRule::initYearlyRecurrenceWithIntervalForMonthsOfTheYearEnd(1, {3, 6}, {}));
    for (int i = 0; i < 6; ++i) {
        yearly->gui_rpYearly.months1->setSelectedForSegment(false, i);
        yearly->gui_rpYearly.months2->setSelectedForSegment(false, i);
    }
    EXPECT_FALSE(yearly->recurrenceRuleFromControls().monthsOfTheYear.has_value());
}

// A rule the working record cannot hold is shown by its frequency and kept as
// stored until the user changes the pane.
TEST_F(RecurrencePaneTest, UnrepresentableRuleIsKeptUntilChanged) {
    const RecurrenceRule odd = RecurrenceRule::unrepresentable(
        QStringLiteral("FREQ=MONTHLY;INTERVAL=2;BYDAY=1MO,3FR"), 2, {});
    EventConfigController* editor = openWith(odd);
    EXPECT_EQ(editor->gui_rpPattern->selectedSegment(), 3);
    EXPECT_EQ(editor->gui_rpMonthly.interval->stringValue(), QStringLiteral("2"));
    editor->gui_recurrencePane->setCollapsedState(false);
    editor->gui_recurrencePane->setCollapsedState(true);
    EXPECT_FALSE(editor->recurrenceChangedByUser());
    EXPECT_EQ(editor->workingRule().recurrenceType, 2);
    EXPECT_EQ(editor->workingRule().nthWeekDaysOfTheMonth, std::nullopt);

    editor->gui_recurrencePane->setCollapsedState(false);
    editor->gui_rpMonthly.interval->setStringValue(QStringLiteral("3"));
    editor->gui_recurrencePane->setCollapsedState(true);
    EXPECT_TRUE(editor->recurrenceChangedByUser());
    EXPECT_EQ(editor->workingRule().recurrenceInterval, 3);
    EXPECT_EQ(editor->gui_recurrencePane->dataForCollapsedState(),
              QStringLiteral("Every 3rd month"));
}

// The pane grows and shrinks by the sub-view, the day row (27, 47, 66) and the
// end date picker (126), and only on a change.
TEST_F(RecurrencePaneTest, PaneFollowsPatternDayRowsAndEnding) {
    EventConfigController* editor = openWith(std::nullopt);
    editor->gui_recurrencePane->setCollapsedState(false);
    const double bare = paneContent(editor);
    const double rows[4] = {0, 27, 47, 66};
    for (int kind = 0; kind < 4; ++kind) {
        SCOPED_TRACE(kind);
        RecurrenceControls& c = editor->rpControls(kind);
        pickPattern(editor, kind + 1);
        const double sub = c.view->frame().height();
        EXPECT_EQ(paneContent(editor), bare + sub);
        EXPECT_EQ(editor->currentRecurrenceSubview(), c.view);
        EXPECT_FALSE(editor->gui_recurrenceIcon->isHidden());
        pickPattern(editor, kind + 1);  // the same segment again
        EXPECT_EQ(paneContent(editor), bare + sub);

        if (c.useDays) {
            for (bool on : {true, true, false, false}) {
                clickUseDays(c, on);
                EXPECT_EQ(paneContent(editor), bare + sub + (on ? rows[kind] : 0));
                EXPECT_EQ(c.dayRowShown(), on);
            }
        }
        pickEnding(c, 3);
        EXPECT_EQ(paneContent(editor), bare + sub + EventConfigController::kEndPickerHeight);
        EXPECT_FALSE(c.endingDate->isHidden());
        if (kind == 1) {
            // Day row and picker together, as a person sees them.
            clickUseDays(c, true);
            testsupport::saveForInspection(editor->window()->widget()->grab().toImage(),
                                           QStringLiteral("editor-recurrence-weekly"));
            clickUseDays(c, false);
        }
        pickEnding(c, 3);
        pickEnding(c, 1);
        EXPECT_EQ(paneContent(editor), bare + sub);
        pickEnding(c, 2);
        EXPECT_EQ(paneContent(editor), bare + sub);
        pickPattern(editor, 0);
        EXPECT_EQ(paneContent(editor), bare);
        EXPECT_EQ(editor->currentRecurrenceSubview(), nullptr);
        EXPECT_TRUE(editor->gui_recurrenceIcon->isHidden());
    }
}

// Opened again, an editor whose sub-views were left with day rows and end
// pickers shown has the pane of a freshly built one.
TEST_F(RecurrencePaneTest, ReopeningMeasuresSubviewsAsTheyWereLeft) {
    const RecurrenceRule plainMonthly = RecurrenceRule::initMonthlyRecurrenceWithIntervalEnd(1, {});
    EventConfigController* fresh = openWith(plainMonthly);
    const double expected = paneContent(fresh);

    auto event = calstore::Event::event();
    event->setStartDate(atBerlin(2011, 6, 13, 9, 5));
    event->setEndDate(atBerlin(2011, 6, 13, 10, 0));
    event->setRecurrenceRule(RecurrenceRule::initMonthlyRecurrenceWithIntervalForDaysOfTheMonthEnd(
        1, {1, 15}, RecurrenceEnd::recurrenceEndWithEndDate(atBerlin(2012, 1, 1))));
    EventConfigController* editor = EventConfigController::controllerForEvent(event);
    made << editor->eventUID();
    editor->showWindow();
    EXPECT_EQ(paneContent(editor), expected + 47 + EventConfigController::kEndPickerHeight);
    EXPECT_TRUE(editor->gui_rpMonthly.dayRowShown());
    EXPECT_FALSE(editor->gui_rpMonthly.endingDate->isHidden());
    // The weekly sub-view is left with its row and picker shown, too.
    editor->gui_recurrencePane->setCollapsedState(false);
    pickPattern(editor, 2);
    clickUseDays(editor->gui_rpWeekly, true);
    pickEnding(editor->gui_rpWeekly, 3);
    pickPattern(editor, 3);
    editor->closeWindow();

    for (const RecurrenceRule& rule :
         {plainMonthly, RecurrenceRule::initWeeklyRecurrenceWithIntervalEnd(1, {})}) {
        auto again = std::make_shared<calstore::Event>(*event);
        again->setRecurrenceRule(rule);
        EventConfigController::controllerForEvent(again);
        editor->showWindow();
        EXPECT_TRUE(editor->gui_recurrencePane->isCollapsed());
        EXPECT_FALSE(editor->rpControls(int(rule.recurrenceType())).dayRowShown());
        EXPECT_TRUE(editor->rpControls(int(rule.recurrenceType())).endingDate->isHidden());
        if (rule.recurrenceType() == calstore::RecurrenceType::Monthly)
            EXPECT_EQ(paneContent(editor), expected);
        else
            EXPECT_EQ(paneContent(editor), expected - editor->gui_rpMonthly.view->frame().height() +
                                               editor->gui_rpWeekly.view->frame().height());
        editor->closeWindow();
    }
}

}  // namespace
