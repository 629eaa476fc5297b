// The find panel: the search decision, the option controls, re-searching after
// changes, the results list and the deletion of found events.

#include "data/EventFinder.h"
#include "data/PrefGroups.h"
#include "data/YearViewEventLoaderTestSupport.h"
#include "events/EventHoverController.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Event.h"
#include "platform/kit/Image.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TableColumn.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "shell/CollapsablePanel.h"
#include "sources/FindPanelController.h"

#include <QCoreApplication>
#include <QDir>
#include <thread>

using namespace loadertest;

namespace {

class FindPanelTest : public LoaderTest {
protected:
    void SetUp() override {
        LoaderTest::SetUp();
        EventFinder::setYearPagesProvider(
            [this] { return std::vector<YearViewTargetPtr>(pages.begin(), pages.end()); });
    }
    void TearDown() override {
        EventFinder::sharedEventFinder()->cancel();
        testsupport::waitUntil([] { return !EventFinder::sharedEventFinder()->isActive(); });
        FindPanelController::resetSharedWinController();
        EventFinder::setYearPagesProvider(nullptr);
        LoaderTest::TearDown();
    }
    FindPanelController* panel() {
        auto* p = FindPanelController::sharedWinController();
        if (!p->windowOpen()) p->showWindow();
        return p;
    }
    // Lets the engine finish and its reports arrive.
    void settle() {
        testsupport::waitUntil([] { return !EventFinder::sharedEventFinder()->isActive(); });
        testsupport::waitUntil([] { return false; }, 0.05);
    }
    EventDayPtr recordOf(const QString& uid) {
        const auto events = eventsWithUID(uid);
        if (events.isEmpty()) return nullptr;
        EventDayPtr r = EventDay::eventDayFromCalEvent(events.first());
        r->setCalendar(sources->calendarWithUID(events.first()->calendar()->uid()));
        return r;
    }
    // The open panel listing one timed event of "work" per UID, in order.
    FindPanelController* panelListing(const QStringList& uids) {
        for (const QString& uid : uids)
            writeTimed(QStringLiteral("work"), uid, QStringLiteral("20110307T090000"),
                       QStringLiteral("20110307T100000"));
        open();
        FindPanelController* p = panel();
        for (const QString& uid : uids) p->searchFoundEvent(recordOf(uid));
        return p;
    }
    std::vector<std::shared_ptr<YearViewTarget>> pages;
};

TEST_F(FindPanelTest, SearchDecisionTable) {
    open();
    enum class Outcome { Cancelled, Nothing, Narrowed, NewSearch };
    struct Case {
        const char* name;
        bool optionsChanged;
        bool confirm;  // through the search field instead of find
        QString text;
        Outcome outcome;
    };
    const Case cases[] = {
        {"empty", false, false, QString(), Outcome::Cancelled},
        {"same", false, false, QStringLiteral("abc"), Outcome::Nothing},
        {"extended", false, false, QStringLiteral("abcd"), Outcome::Narrowed},
        {"shortened", false, false, QStringLiteral("ab"), Outcome::NewSearch},
        {"case changed", false, false, QStringLiteral("ABCd"), Outcome::NewSearch},
        {"options changed", true, false, QStringLiteral("abcd"), Outcome::NewSearch},
        {"confirmed again", false, true, QStringLiteral("abc"), Outcome::NewSearch},
    };
    auto finder = EventFinder::sharedEventFinder();
    for (const Case& c : cases) {
        FindPanelController* p = panel();
        p->find(QStringLiteral("abc"));  // the first request after opening searches afresh
        settle();
        ASSERT_FALSE(p->searchOptionsChanged()) << c.name;
        const auto marker = std::make_shared<EventDay>();
        p->searchFoundEvent(marker);
        if (c.optionsChanged) p->searchFilterChanged(p->filterCheckbox(0));
        const std::uint64_t before = finder->generation();
        if (c.confirm) {
            p->searchField()->setStringValue(c.text);
            p->findEnterPressed();
        } else {
            p->find(c.text);
        }
        const bool kept = p->results().size() == 1;
        const bool restarted = finder->generation() != before;
        switch (c.outcome) {
            case Outcome::Cancelled:
                EXPECT_FALSE(kept) << c.name;
                EXPECT_TRUE(p->footer()->isHidden() && p->progress()->isHidden()) << c.name;
                EXPECT_EQ(p->searchString(), QString()) << c.name;
                break;
            case Outcome::Nothing:
                EXPECT_TRUE(kept && !restarted) << c.name;
                break;
            case Outcome::Narrowed:
                EXPECT_TRUE(kept && !restarted) << c.name;
                EXPECT_EQ(p->searchString(), c.text) << c.name;
                EXPECT_FALSE(p->progress()->isHidden()) << c.name;
                break;
            case Outcome::NewSearch:
                EXPECT_TRUE(!kept && restarted) << c.name;
                EXPECT_EQ(p->searchString(), c.text) << c.name;
                break;
        }
        settle();
        p->closeWindow();
    }
}

TEST_F(FindPanelTest, AMissingGroupGetsTheDefaultsAndAPartialOneStaysAsItIs) {
    open();
    FindPanelController* p = panel();
    const QVariantMap stored =
        foundation::Defaults::standard().dictionaryForKey(PrefGroups::searchOptions);
    EXPECT_EQ(stored.value(EventFinder::kQuickSearchMode).toBool(), true);
    for (const QString& key : {EventFinder::kSearchInTitle, EventFinder::kSearchInUid})
        EXPECT_TRUE(stored.value(key).toBool());
    EXPECT_FALSE(stored.value(EventFinder::kFilterForCalendar).toBool());
    const QDate today = QDate::currentDate();
    EXPECT_EQ(stored.value(EventFinder::kSearchFrom).toString(),
              appPref::dateString(today.day(), today.month(), today.year() - 5));
    EXPECT_EQ(p->textForOptions(),
              QStringLiteral("Search Options: quick search, all fields, no filters"));
    FindPanelController::resetSharedWinController();

    foundation::Defaults::standard().setObject(PrefGroups::searchOptions,
                                               QVariantMap{{EventFinder::kSearchInNotes, true}});
    p = panel();
    EXPECT_EQ(foundation::Defaults::standard().dictionaryForKey(PrefGroups::searchOptions).keys(),
              QStringList{EventFinder::kSearchInNotes});
    EXPECT_EQ(p->fieldCheckbox(0)->state(), kit::Button::Off);
    EXPECT_EQ(p->fieldCheckbox(3)->state(), kit::Button::On);
}

TEST_F(FindPanelTest, OneFieldStaysOnAndTheDatesArePushedApart) {
    open();
    FindPanelController* p = panel();
    for (int i = 1; i < 5; ++i) {
        p->fieldCheckbox(i)->setState(kit::Button::Off);
        p->searchFieldChanged(p->fieldCheckbox(i));
    }
    EXPECT_EQ(p->fieldCheckbox(0)->state(), kit::Button::On);
    p->fieldCheckbox(0)->setState(kit::Button::Off);
    p->searchFieldChanged(p->fieldCheckbox(0));
    EXPECT_EQ(p->fieldCheckbox(3)->state(), kit::Button::On);  // notes, when title was the last
    EXPECT_FALSE(p->prefs().boolForKey(EventFinder::kSearchInTitle));
    EXPECT_TRUE(p->prefs().boolForKey(EventFinder::kSearchInNotes));
    EXPECT_TRUE(p->searchOptionsChanged());

    const auto day = [](int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); };
    p->fromDate()->setDateValue(day(2012, 5, 10));
    p->toDate()->setDateValue(day(2012, 3, 1));
    p->searchDatesChanged(p->toDate());
    EXPECT_EQ(p->fromDate()->dateValue().toLocalTime().date(), QDate(2012, 2, 29));
    p->fromDate()->setDateValue(day(2012, 6, 30));
    p->searchDatesChanged(p->fromDate());
    EXPECT_EQ(p->toDate()->dateValue().toLocalTime().date(), QDate(2012, 7, 1));
    EXPECT_EQ(p->prefs().object(EventFinder::kSearchTo).toString(),
              appPref::dateString(1, 7, 2012));
}

TEST_F(FindPanelTest, EveryOpeningStartsInQuickMode) {
    open();
    FindPanelController* p = panel();
    const double quickHeight = p->window()->frame().height();
    p->modeMatrix()->selectCellWithTag(2);
    p->searchModeChanged(p->modeMatrix());
    EXPECT_FALSE(p->prefs().boolForKey(EventFinder::kQuickSearchMode));
    EXPECT_FALSE(p->fromDate()->isHidden());
    p->showWindow();  // Find while open in full mode
    EXPECT_EQ(p->modeMatrix()->selectedTag(), 1);
    EXPECT_TRUE(p->fromDate()->isHidden());
    EXPECT_TRUE(p->prefs().boolForKey(EventFinder::kQuickSearchMode));
    EXPECT_DOUBLE_EQ(p->window()->frame().height(), quickHeight);
    p->modeMatrix()->selectCellWithTag(2);
    p->searchModeChanged(p->modeMatrix());
    p->window()->close();
    p->showWindow();
    EXPECT_EQ(p->modeMatrix()->selectedTag(), 1);
    EXPECT_DOUBLE_EQ(p->window()->frame().height(), quickHeight);
    EXPECT_TRUE(p->results().empty());
    EXPECT_EQ(p->searchField()->stringValue(), QString());
}

TEST_F(FindPanelTest, EachMainThreadChangeSearchesAgainAndBackgroundOnesDoNot) {
    open();
    FindPanelController* p = panel();
    auto& center = foundation::NotificationCenter::defaultCenter();
    center.post(YearViewEventLoader::eventDataChangedNotification);
    center.post(CalendarSources::calendarSelectionChangedNotification);
    EXPECT_TRUE(testsupport::waitUntil([p] { return p->searchRequests() == 2; }));
    std::thread([&center] {
        center.post(YearViewEventLoader::eventDataChangedNotification);
    }).join();
    p->closeWindow();
    center.post(YearViewEventLoader::eventDataChangedNotification);
    testsupport::waitUntil([] { return false; }, 2 * FindPanelController::kReSearchDelay);
    EXPECT_EQ(p->searchRequests(), 2);
}

TEST_F(FindPanelTest, TypeImagesByPrecedenceAndDatesByLocale) {
    writeEvent(
        QStringLiteral("home"), QStringLiteral("note"),
        {QStringLiteral("DTSTART;VALUE=DATE:20110307"), QStringLiteral("DTEND;VALUE=DATE:20110308"),
         QStringLiteral("LOCATION:Zolt:Notes")});
    writeEvent(QStringLiteral("home"), QStringLiteral("mark"),
               {QStringLiteral("DTSTART;VALUE=DATE:20110307"),
                QStringLiteral("DTEND;VALUE=DATE:20110308"), QStringLiteral("LOCATION:Zolt:m1")});
    writeAllDay(QStringLiteral("home"), QStringLiteral("holiday"), QStringLiteral("20110307"),
                QStringLiteral("20110308"));
    writeAllDay(QStringLiteral("work"), QStringLiteral("plain"), QStringLiteral("20110307"),
                QStringLiteral("20110308"));
    open();
    calendarNamed(QStringLiteral("Home"))->setCalendarType(Calendar::kTypeHoliday);
    FindPanelController* p = panel();
    const QImage note = kit::Image::named(QStringLiteral("MiniNotes1"));
    EXPECT_EQ(p->typeImage(recordOf(QStringLiteral("note"))), note);
    EXPECT_EQ(p->typeImage(recordOf(QStringLiteral("mark"))),
              kit::Image::named(QStringLiteral("MiniMarker2")));
    EXPECT_EQ(p->typeImage(recordOf(QStringLiteral("holiday"))),
              kit::Image::named(QStringLiteral("MiniStar2")));
    EXPECT_EQ(p->typeImage(recordOf(QStringLiteral("plain"))),
              kit::Image::named(QStringLiteral("MiniEvent1")));
    EXPECT_FALSE(note.isNull());

    const QDateTime march7(QDate(2011, 3, 7), QTime(9, 0));
    EXPECT_EQ(FindPanelController::dateText(march7, QStringLiteral("en_US")),
              QStringLiteral("3/7/2011"));
    EXPECT_EQ(FindPanelController::dateText(march7, QStringLiteral("de_DE")),
              QStringLiteral("7.3.2011"));
    p->searchFoundEvent(recordOf(QStringLiteral("plain")));
    p->setLanguage(QStringLiteral("en_US"));
    kit::TableView* table = p->resultsTable();
    EXPECT_EQ(p->tableViewObjectValueForTableColumnRow(
                   table, table->tableColumnWithIdentifier(QStringLiteral("date")), 0)
                  .toString(),
              QStringLiteral("3/7/2011"));
    EXPECT_EQ(p->tableViewObjectValueForTableColumnRow(
                   table, table->tableColumnWithIdentifier(QStringLiteral("text")), 0)
                  .toString(),
              QStringLiteral("plain"));
    EXPECT_FALSE(p->tableViewObjectValueForTableColumnRow(
                      table, table->tableColumnWithIdentifier(QStringLiteral("text")), 1)
                     .isValid());
}

TEST_F(FindPanelTest, TheHoverFollowsSelectionScrollingAndWindowMoves) {
    QStringList uids;
    for (int i = 0; i < 40; ++i) uids << QStringLiteral("row%1").arg(i);
    FindPanelController* p = panelListing(uids);
    kit::TableView* table = p->resultsTable();
    p->doubleClick();  // no selection: nothing
    EventHoverController* existing = EventHoverController::existingWinController();
    EXPECT_TRUE(!existing || !existing->windowOpen());
    table->selectRow(1);  // the hover is closed: a selection opens nothing
    existing = EventHoverController::existingWinController();
    EXPECT_TRUE(!existing || !existing->windowOpen());

    p->doubleClick();
    EventHoverController* hover = EventHoverController::existingWinController();
    ASSERT_TRUE(hover && hover->windowOpen());
    table->selectRow(2);
    EXPECT_TRUE(hover->windowOpen());
    // Scrolled out of view the anchor hides, and shows again when back.
    table->scrollRowToVisible(39);
    p->viewFrameChanged();
    EXPECT_FALSE(hover->drawsAnchor());
    p->windowDidMove();
    EXPECT_TRUE(hover->windowOpen());
    table->scrollRowToVisible(0);
    p->viewFrameChanged();
    EXPECT_TRUE(hover->drawsAnchor());
    table->deselectAll();
    p->windowDidMove();
    EXPECT_FALSE(hover->windowOpen());
}

TEST_F(FindPanelTest, AHoverOpenedFromAnotherViewIsNotTheListsToMoveOrClose) {
    writeTimed(QStringLiteral("work"), QStringLiteral("one"), QStringLiteral("20110307T090000"),
               QStringLiteral("20110307T100000"));
    open();
    kit::Window other(QRectF(100, 100, 300, 200), kit::Window::Titled);
    other.orderFront();
    EventHoverController* hover = EventHoverController::sharedWinController();
    hover->showWindowForEventAtRectInView(recordOf(QStringLiteral("one")), QRectF(10, 10, 40, 20),
                                          other.contentView());
    ASSERT_TRUE(hover->windowOpen());
    // The panel's window is built (its list scrolls to the top) while that hover is up.
    FindPanelController* p = FindPanelController::sharedWinController();
    p->viewFrameChanged();
    p->windowDidMove();
    EXPECT_TRUE(hover->windowOpen());
    EXPECT_EQ(hover->originatingView(), other.contentView());
    hover->closeWindow();
}

TEST_F(FindPanelTest, DeletingTheSecondAndFourthOfFiveWithOneFailure) {
    FindPanelController* p =
        panelListing({QStringLiteral("e1"), QStringLiteral("e2"), QStringLiteral("e3"),
                      QStringLiteral("e4"), QStringLiteral("e5")});
    p->searchComplete();
    kit::TableView* table = p->resultsTable();
    testsupport::saveForInspection(p->window()->widget()->grab().toImage(),
                                   QStringLiteral("find-panel-results"));

    // Without failures: both go, from the store files too.
    table->selectRowIndexes({1, 3}, false);
    EXPECT_FALSE(p->deleteButton()->isHidden());
    p->deletePressed();
    ASSERT_TRUE(p->deleteSheetOpen());
    EXPECT_EQ(p->deleteText()->stringValue(),
              QStringLiteral("Delete the 2 selected events from their calendars?"));
    testsupport::saveForInspection(p->deleteSheet()->widget()->grab().toImage(),
                                   QStringLiteral("find-panel-delete-sheet"));
    p->okDeletePressed();
    ASSERT_TRUE(testsupport::waitUntil([p] { return !p->deleteSheetOpen(); }));
    EXPECT_EQ(p->results().size(), 3u);
    EXPECT_EQ(table->numberOfSelectedRows(), 0);
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("store/work/e2.ics"))));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("store/work/e4.ics"))));
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("store/work/e3.ics"))));
    EXPECT_EQ(p->footer()->stringValue(), QStringLiteral("3 events found"));

    // The first of two fails: it stays, selected, and the count line says so.
    table->selectRowIndexes({0, 2}, false);  // e1 and e5
    p->setEventDeleter([](const EventDayPtr& entry) {
        return entry->event()->uid() != QLatin1String("e1") &&
               YearViewEventLoader::deleteEvent(entry);
    });
    p->deletePressed();
    p->okDeletePressed();
    ASSERT_TRUE(testsupport::waitUntil([p] { return !p->deleteSheetOpen(); }));
    ASSERT_EQ(p->results().size(), 2u);
    EXPECT_EQ(p->results()[0]->event()->uid(), QStringLiteral("e1"));
    EXPECT_EQ(table->selectedRowIndexes(), std::vector<int>{0});
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("store/work/e1.ics"))));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("store/work/e5.ics"))));
    EXPECT_EQ(p->footer()->stringValue(), QStringLiteral("2 events found 1 could not be deleted."));
}

TEST_F(FindPanelTest, ADeletedSeriesLeavesTheListAtOnceAndClosesItsHover) {
    for (const auto& [uid, frequency] :
         {std::pair{"weekly", "WEEKLY"}, std::pair{"daily", "DAILY"}})
        writeEvent(
            QStringLiteral("work"), QString::fromLatin1(uid),
            {QStringLiteral("DTSTART:20110307T090000Z"), QStringLiteral("DTEND:20110307T100000Z"),
             QStringLiteral("RRULE:FREQ=%1;COUNT=3").arg(QLatin1String(frequency))});
    FindPanelController* p = panelListing({QStringLiteral("keep"), QStringLiteral("other")});
    const auto listOccurrences = [&](const QString& uid) {
        for (const calstore::EventPtr& event : eventsWithUID(uid)) {
            EventDayPtr r = EventDay::eventDayFromCalEvent(event);
            r->setCalendar(sources->calendarWithUID(event->calendar()->uid()));
            p->searchFoundEvent(r);
        }
    };
    const auto listedUIDs = [p] {
        QStringList uids;
        for (const EventDayPtr& r : p->results()) uids << r->event()->uid();
        return uids;
    };
    listOccurrences(QStringLiteral("weekly"));
    p->searchComplete();
    kit::TableView* table = p->resultsTable();
    ASSERT_EQ(p->results().size(), 5u);

    // Deleted elsewhere while the hover shows it: every row of the series
    // leaves at once, the hover closes, the other selected row stays selected.
    table->selectRowIndexes({1, 3}, false);  // "other", then an occurrence of "weekly"
    p->doubleClick();
    EventHoverController* hover = EventHoverController::existingWinController();
    ASSERT_TRUE(hover && hover->windowOpen());
    ASSERT_EQ(hover->event()->event()->uid(), QStringLiteral("weekly"));
    ASSERT_TRUE(YearViewEventLoader::deleteEvent(p->results()[3]));
    EXPECT_EQ(listedUIDs(), (QStringList{QStringLiteral("keep"), QStringLiteral("other")}));
    EXPECT_FALSE(hover->windowOpen());
    EXPECT_EQ(table->selectedRowIndexes(), std::vector<int>{1});

    // Two rows of one series deleted from the panel: one store removal, and
    // the second row counts as deleted, not as a failure.
    listOccurrences(QStringLiteral("daily"));
    int removals = 0;
    p->setEventDeleter([&removals](const EventDayPtr& entry) {
        ++removals;
        return YearViewEventLoader::deleteEvent(entry);
    });
    table->selectRowIndexes({2, 4}, false);
    p->deletePressed();
    p->okDeletePressed();
    ASSERT_TRUE(testsupport::waitUntil([p] { return !p->deleteSheetOpen(); }));
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(p->failedDeletions(), 0);
    EXPECT_EQ(listedUIDs(), (QStringList{QStringLiteral("keep"), QStringLiteral("other")}));
    EXPECT_EQ(p->footer()->stringValue(), QStringLiteral("2 events found"));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("store/work/daily.ics"))));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("store/work/weekly.ics"))));
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("store/work/other.ics"))));
}

TEST_F(FindPanelTest, TheListIsLaidOutAgainAfterTheUserResizesThePanel) {
    QStringList uids;
    for (int i = 0; i < 30; ++i) uids << QStringLiteral("row%1").arg(i);
    FindPanelController* p = panelListing(uids);
    kit::TableView* table = p->resultsTable();
    table->selectRow(2);
    p->doubleClick();
    EventHoverController* hover = EventHoverController::existingWinController();
    ASSERT_TRUE(hover && hover->windowOpen());
    const double textWidth = table->rectOfColumn(2).width();

    // The user drags the window's corner: wider and higher.
    QWidget* widget = p->window()->widget();
    widget->resize(widget->width() + 200, widget->height() + 120);
    QCoreApplication::processEvents();
    ASSERT_TRUE(p->window()->inLiveResize());
    const QRectF visible = p->resultsScrollView()->documentVisibleRect();
    EXPECT_DOUBLE_EQ(table->frame().width(), visible.width());
    EXPECT_GE(table->frame().height(), visible.height());
    EXPECT_DOUBLE_EQ(table->rectOfColumn(2).width(), textWidth + 200);
    EXPECT_EQ(hover->originatingRect(), p->anchorRectOfRow(2));
    testsupport::saveForInspection(widget->grab().toImage(), QStringLiteral("find-panel-resized"));

    // With its row scrolled away the hover is parked at the top of the list;
    // it stays parked there, at the row's new width, as the panel narrows.
    table->scrollRowToVisible(29);
    p->viewFrameChanged();
    p->windowDidMove();
    ASSERT_FALSE(hover->drawsAnchor());
    widget->resize(widget->width() - 150, widget->height());
    QCoreApplication::processEvents();
    EXPECT_FALSE(hover->drawsAnchor());
    EXPECT_EQ(hover->originatingRect(),
              QRectF(p->resultsScrollView()->documentVisibleRect().topLeft(),
                     p->anchorRectOfRow(2).size()));
}

TEST_F(FindPanelTest, ASingleSelectedRowUsesTheSingleText) {
    writeTimed(QStringLiteral("work"), QStringLiteral("one"), QStringLiteral("20110307T090000"),
               QStringLiteral("20110307T100000"));
    open();
    FindPanelController* p = panel();
    p->searchFoundEvent(recordOf(QStringLiteral("one")));
    p->deletePressed();  // nothing selected
    EXPECT_FALSE(p->deleteSheetOpen());
    p->resultsTable()->selectRow(0);
    // Forward Delete in the list opens the sheet through the responder chain.
    p->resultsTable()->keyDown(kit::Event::keyEvent(kit::EventType::KeyDown, 117, QString()));
    ASSERT_TRUE(p->deleteSheetOpen());
    EXPECT_EQ(p->deleteText()->stringValue(),
              QStringLiteral("Delete the selected event from its calendar?"));
    p->cancelDeletePressed();
    EXPECT_FALSE(p->deleteSheetOpen());
    EXPECT_EQ(p->results().size(), 1u);
}

}  // namespace
