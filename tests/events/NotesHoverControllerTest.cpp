// The notes hover: its open and close rules in the year view and in a week
// header (delays on a manual clock), its content in both places, editing in
// its modal loop and the keys that end it, and OK writing the day's notes
// event, checked in the marker store's files.

#include "events/NotesHoverController.h"

#include "data/YearViewEventLoader.h"
#include "platform/foundation/Timer.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Button.h"
#include "platform/kit/Event.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextView.h"
#include "shell/MainWindowCtrl.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"
#include "support/MainWindowPanes.h"
#include "weekview/WeekView.h"
#include "yearview/InfoHoverView.h"
#include "yearview/YearViewPageWorld.h"

#include <QDir>
#include <QTimer>

#include <functional>

namespace {

using namespace yvpage;

class NotesHoverControllerTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        kit::Animation::setInstantForTesting(true);
        NotesHoverController::setTimerClock(&clock);
        hover = NotesHoverController::sharedWinController();
    }
    void TearDown() override {
        hover->closeWindow();
        delete hover;
        NotesHoverController::setTimerClock(nullptr);
        kit::Animation::setInstantForTesting(false);
        PageTest::TearDown();
    }

    // Runs `during` inside the modal loop that `start` enters; a loop still
    // running a few seconds later is aborted, so that a fault fails the test
    // instead of hanging it.
    void whileEditing(const std::function<void()>& start, const std::function<void()>& during) {
        bool ran = false;
        QTimer::singleShot(0, hover, [&] {
            ran = true;
            during();
        });
        QTimer::singleShot(5000, hover, [] { kit::ModalSession::abortModal(); });
        start();
        EXPECT_TRUE(ran) << "no modal loop ran";
    }
    void key(int code, const QString& characters, unsigned flags = 0) {
        hover->textView()->keyDown(kit::Event::keyEvent(kit::EventType::KeyDown, code, characters,
                                                        flags, false, characters, hover->panel()));
    }
    kit::Event panelEvent(kit::EventType type) {
        return kit::Event::enterExitEvent(type, QPointF(10, 10), hover->panelTrackingArea(),
                                          hover->panel());
    }

    foundation::ManualClock clock;
    NotesHoverController* hover = nullptr;
};

}  // namespace

TEST_F(NotesHoverControllerTest, OpenAndCloseRulesInTheYearViewAndInAWeekHeader) {
    YearView* page = makePage(2024);
    fillFromThread(page, {{yvtest::makeAllDay(2024, 6, 14, QStringLiteral("Ann")), birthdays}});
    const YearViewCellPtr a = page->cellForDayAndMonth(14, 6), b = page->cellForDayAndMonth(15, 6);
    struct Case {
        const char* what;
        std::vector<const char*> steps;
    };
    // clang-format off
    const Case cases[] = {
        {"year: leaving the cell closes it 0.5 s later",
         {"year a", "leave cell", "wait 0.49", "open", "wait 0.01", "closed"}},
        {"year: into the panel within 0.5 s keeps it; leaving the panel closes it at once",
         {"year a", "leave cell", "wait 0.3", "enter panel", "wait 1", "open", "leave panel", "closed"}},
        {"year: out of the panel before the 0.5 s: closed when they have passed",
         {"year a", "leave cell", "wait 0.2", "enter panel", "wait 0.1", "leave panel", "open",
          "wait 0.19", "open", "wait 0.01", "closed"}},
        {"year: the cell left while in the panel",
         {"year a", "enter panel", "leave cell", "wait 1", "open", "leave panel", "closed"}},
        {"year: a second cell reopens it, and the first cell's close does not close it",
         {"year a", "leave cell", "wait 0.3", "year b", "wait 0.5", "open b", "leave cell",
          "wait 0.5", "closed"}},
        {"header: the mark left for elsewhere closes it",
         {"header", "open", "mark left", "closed"}},
        {"header: into the panel first keeps it; leaving the panel closes it at once",
         {"header", "enter panel", "mark left", "open", "leave panel", "closed"}},
        {"header: out of the panel before the mark's report: closed by the report",
         {"header", "enter panel", "leave panel", "open", "mark left", "closed"}},
    };
    // clang-format on
    const QRectF rect(100, 100, 40, 20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* step : c.steps) {
            SCOPED_TRACE(step);
            const QString s = QString::fromLatin1(step);
            if (s == "year a" || s == "year b") {
                hover->showWindowForCellAtRectInView(s.endsWith('a') ? a : b, rect, page);
            } else if (s == "header") {
                hover->showWindowForCellAtRectInViewWithString(a, rect, page, QStringLiteral("N"));
            } else if (s == "leave cell") {
                hover->closeWindowIfNoHover(page);
            } else if (s == "enter panel") {
                hover->mouseEntered(panelEvent(kit::EventType::MouseEntered));
            } else if (s == "leave panel") {
                hover->mouseExited(panelEvent(kit::EventType::MouseExited));
            } else if (s == "mark left") {
                hover->triggerRectExited();
            } else if (s.startsWith("wait ")) {
                clock.advance(s.mid(5).toDouble());
            } else if (s == "open" || s == "open b") {
                EXPECT_TRUE(hover->windowOpen());
                EXPECT_TRUE(hover->panel()->isVisible());
                if (s == "open b") EXPECT_EQ(hover->currentYVCell(), b);
            } else {
                ASSERT_EQ(s, QStringLiteral("closed"));
                EXPECT_FALSE(hover->windowOpen());
                EXPECT_FALSE(hover->panel()->isVisible());
                EXPECT_FALSE(hover->panelTrackingArea()) << "the panel's area goes with it";
            }
        }
        hover->closeWindow();
    }
}

TEST_F(NotesHoverControllerTest, WhatTheHoverShowsInEachPlace) {
    YearView* page = makePage(2024);
    auto notes =
        yvtest::makeAllDay(2024, 6, 18, QStringLiteral("Notes"), QStringLiteral("Zolt:Notes"));
    notes->setNotes(QStringLiteral("Call the plumber"));
    fillFromThread(page, {{notes, markers},
                          {yvtest::makeAllDay(2024, 6, 14, QStringLiteral("Ann")), birthdays}});
    render(page);
    const QRectF rect(100, 100, 40, 20);

    // The year view: the day's hover box above the cell, an edit button
    // named after the notes the day has.
    hover->showWindowForCellAtRectInView(page->cellForDayAndMonth(18, 6), rect, page);
    EXPECT_TRUE(hover->useInYearView());
    EXPECT_EQ(hover->panel()->desiredOpeningDirection(), SpringPanel::Up);
    EXPECT_FALSE(hover->viewScrollView()->isHidden());
    EXPECT_TRUE(hover->textScrollView()->isHidden());
    EXPECT_TRUE(hover->infoView()->showsNotes());
    EXPECT_EQ(hover->editButton()->title(), QStringLiteral("Edit Notes"));
    EXPECT_EQ(hover->editButton()->frame().width(), 130);
    EXPECT_TRUE(hover->okButton()->isHidden() && hover->closeButton()->isHidden());
    EXPECT_FALSE(hover->panel()->canBecomeKeyWindow());
    testsupport::saveForInspection(hover->panel()->widget()->grab().toImage(),
                                   QStringLiteral("notes-hover-year"));
    hover->showWindowForCellAtRectInView(page->cellForDayAndMonth(14, 6), rect, page);
    EXPECT_EQ(hover->editButton()->title(), QStringLiteral("Add Notes"));
    EXPECT_TRUE(hover->infoView()->showsBirthdays());
    hover->closeWindow();

    // A week header: the text below the mark; while open only moved.
    hover->showWindowForCellAtRectInViewWithString(page->cellForDayAndMonth(18, 6), rect, page,
                                                   QStringLiteral("Call the plumber"));
    EXPECT_FALSE(hover->useInYearView());
    EXPECT_EQ(hover->panel()->desiredOpeningDirection(), SpringPanel::Down);
    EXPECT_FALSE(hover->textScrollView()->isHidden());
    EXPECT_TRUE(hover->viewScrollView()->isHidden());
    EXPECT_EQ(hover->textView()->string(), QStringLiteral("Call the plumber"));
    EXPECT_FALSE(hover->textView()->isEditable());
    EXPECT_EQ(hover->editButton()->title(), QStringLiteral("Edit"));
    testsupport::saveForInspection(hover->panel()->widget()->grab().toImage(),
                                   QStringLiteral("notes-hover-header"));
    hover->showWindowForCellAtRectInViewWithString(
        page->cellForDayAndMonth(18, 6), rect.translated(30, 0), page, QStringLiteral("Other"));
    EXPECT_EQ(hover->textView()->string(), QStringLiteral("Call the plumber"));
    EXPECT_EQ(hover->panel()->referenceRect(),
              QRectF(page->convertRectToScreen(rect.translated(30, 0)).topLeft(), rect.size()));
}

TEST_F(NotesHoverControllerTest, EditingRunsAModalLoopThatOnlyItsKeysAndButtonsEnd) {
    YearView* page = makePage(2024);
    const YearViewCellPtr cell = page->cellForDayAndMonth(14, 6);
    const QRectF rect(4, 4, 18, 18);
    struct Case {
        const char* what;
        int code;
        const char* characters;
        unsigned flags;
        bool writes;
    };
    const Case cases[] = {
        {"Escape discards", kit::KeyCodes::Escape, "\x1b", 0, false},
        {"the keypad's Enter confirms", kit::KeyCodes::KeypadEnter, "\x03", 0, true},
        {"Command-Return confirms", kit::KeyCodes::Return, "\r", kit::ModifierFlags::Command, true},
    };
    // The writes land without a marker store here: OK keeps the panel open
    // and says why, and cancel closes it.
    delegate->calendarSources = std::make_shared<CalendarSources>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cell->addTempNote();
        bool stayedOpen = false;
        whileEditing(
            [&] {
                // The first time the notes show already: editing takes over.
                if (&c == &cases[0])
                    hover->showWindowForCellAtRectInViewWithString(cell, rect, page,
                                                                   QStringLiteral("Dentist"));
                hover->showWindowInEditModeForCellAtRectInViewWithString(cell, rect, page,
                                                                         QStringLiteral("Dentist"));
            },
            [&] {
                EXPECT_TRUE(hover->editMode());
                EXPECT_EQ(hover->panel()->frame().size(), QSizeF(320, 250)) << "every time";
                EXPECT_EQ(kit::ModalSession::modalWindow(), hover->panel());
                EXPECT_TRUE(hover->textView()->isEditable());
                EXPECT_FALSE(hover->okButton()->isHidden() || hover->closeButton()->isHidden());
                EXPECT_TRUE(hover->editButton()->isHidden());
                // Nothing but the keys and buttons ends it.
                hover->mouseEntered(panelEvent(kit::EventType::MouseEntered));
                hover->mouseExited(panelEvent(kit::EventType::MouseExited));
                hover->closeWindowIfNoHover(page);
                hover->triggerRectExited();
                clock.advance(2);
                EXPECT_TRUE(hover->windowOpen());
                // Return alone breaks the line.
                hover->textView()->setSelectedRange({7, 0});
                key(kit::KeyCodes::Return, QStringLiteral("\r"));
                EXPECT_EQ(hover->textView()->string(), QStringLiteral("Dentist\n"));
                EXPECT_TRUE(hover->windowOpen());
                key(c.code, QString::fromLatin1(c.characters), c.flags);
                stayedOpen = hover->windowOpen();
                if (stayedOpen) {
                    EXPECT_FALSE(hover->warningView()->enclosingScrollView()->isHidden());
                    EXPECT_EQ(hover->warningView()->string(),
                              QStringLiteral("Notes are kept in a marker store, and there is none "
                                             "yet. The Setup Assistant makes one."));
                    EXPECT_EQ(hover->textView()->string(), QStringLiteral("Dentist\n"));
                    testsupport::saveForInspection(hover->panel()->widget()->grab().toImage(),
                                                   QStringLiteral("notes-hover-no-marker-store"));
                    hover->closeButton()->performClick();
                }
            });
        EXPECT_EQ(stayedOpen, c.writes);
        EXPECT_FALSE(hover->windowOpen());
        EXPECT_EQ(kit::ModalSession::modalWindow(), nullptr);
        EXPECT_FALSE(cell->hasTempNotes()) << "the typed note's mark goes with the panel";
        EXPECT_FALSE(cell->notesEvent());
    }
}

// -- Writing ---------------------------------------------------------------------------------

namespace {

// The main window over the test store, its three year pages around today
// (15 March 2024) filled by the loaders, and the hover in its services.
class NotesHoverWritingTest : public NotesHoverControllerTest {
protected:
    void SetUp() override {
        NotesHoverControllerTest::SetUp();
        MainWindowCtrl::resetSharedWinController();
        YearView::connectLoaderJobs();
        YearViewEventLoader::setCalendarSources(delegate->calendarSources);
        testsupport::wireMainWindowPanes();
        NotesHoverController::installServices();
        // Notes of 20 March 2024, written before the program starts.
        ASSERT_TRUE(YearViewEventLoader::updateNotesForEventOnCalOnDateOnView(
            QStringLiteral("Old notes"), nullptr, markers,
            MyDate::dateWithDayMonthYear(20, 3, 2024), nullptr));
        controller = std::make_unique<MainWindowCtrl>();
        controller->window();
        controller->applicationFinishedLaunching();
        controller->window()->makeKeyAndOrderFront();
        current = qobject_cast<YearView*>(controller->currentYearView());
        future = qobject_cast<YearView*>(controller->futureYearView());
        ASSERT_TRUE(current && future);
        ASSERT_EQ(current->year(), 2024);
        ASSERT_TRUE(testsupport::waitUntil(
            [&] { return current->cellForDayAndMonth(20, 3)->notesEvent() != nullptr; }, 20));
        ASSERT_TRUE(
            testsupport::waitUntil([] { return YearViewEventLoader::taskCounts().toDo == 0; }, 20));
    }
    void TearDown() override {
        hover->closeWindow();
        testsupport::waitUntil([] { return YearViewEventLoader::taskCounts().toDo == 0; }, 10);
        controller.reset();
        MainWindowCtrl::resetSharedWinController();
        MainWindowCtrl::changeServices([](auto& installed) { installed = {}; });
        WeekView::changeServices([](auto& installed) { installed = {}; });
        YearViewEventLoader::setCalendarSources(nullptr);
        NotesHoverControllerTest::TearDown();
    }

    // Edits the day's notes in the hover, as a week header opens it, to
    // `text` and confirms with the keypad's Enter.
    void editNotes(const YearViewCellPtr& cell, const QString& text) {
        whileEditing(
            [&] {
                WeekView::services().notesHoverShowWindowInEditMode(cell, QRectF(4, 4, 18, 18),
                                                                    current, cell->notesText());
            },
            [&] {
                hover->textView()->setString(text);
                key(kit::KeyCodes::KeypadEnter, QStringLiteral("\x03"));
            });
        EXPECT_FALSE(hover->windowOpen());
    }
    // The notes event files of the marker store by day ("yyyyMMdd"): their
    // notes.
    QMap<QString, QString> notesFiles() const {
        QMap<QString, QString> found;
        const QDir folder(dir.file(QStringLiteral("store/markers")));
        for (const QString& name : folder.entryList({QStringLiteral("*.ics")}, QDir::Files)) {
            const QString text =
                QString::fromUtf8(dir.read(QStringLiteral("store/markers/") + name))
                    .remove(QStringLiteral("\r\n "));
            if (!text.contains(QStringLiteral("LOCATION:Zolt:Notes"))) continue;
            const QString day = text.section(QStringLiteral("DTSTART;VALUE=DATE:"), 1).left(8);
            QString notes = text.section(QStringLiteral("DESCRIPTION:"), 1)
                                .section(QStringLiteral("\r\n"), 0, 0);
            found.insert(day, notes.replace(QStringLiteral("\\n"), QStringLiteral("\n")));
        }
        return found;
    }

    std::unique_ptr<MainWindowCtrl> controller;
    YearView* current = nullptr;
    YearView* future = nullptr;
};

}  // namespace

TEST_F(NotesHoverWritingTest, OkWritesChangesAndRemovesTheDaysNotesEvent) {
    ASSERT_EQ(notesFiles(), (QMap<QString, QString>{{"20240320", "Old notes"}}));
    // A day without notes: an empty text writes nothing, a text makes the
    // notes event in the marker store.
    const YearViewCellPtr fresh = current->cellForDayAndMonth(21, 3);
    editNotes(fresh, QString());
    EXPECT_EQ(notesFiles().size(), 1);
    editNotes(fresh, QStringLiteral("Pick up keys\nat noon"));
    EXPECT_EQ(notesFiles().value("20240321"), QStringLiteral("Pick up keys\nat noon"));
    EXPECT_TRUE(
        testsupport::waitUntil([&] { return fresh->notesText() == "Pick up keys\nat noon"; }));

    // A day with notes: a text changes them, an empty text removes them.
    const YearViewCellPtr old = current->cellForDayAndMonth(20, 3);
    editNotes(old, QStringLiteral("New notes"));
    EXPECT_EQ(notesFiles().value("20240320"), QStringLiteral("New notes"));
    editNotes(old, QString());
    EXPECT_FALSE(notesFiles().contains("20240320"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return !old->notesEvent(); }));
    EXPECT_EQ(notesFiles().keys(), QStringList{"20240321"});
}

TEST_F(NotesHoverWritingTest, ADayOfTheNextYearIsWrittenWithItsOwnYearPage) {
    // The week of New Year shows 1 January 2025 from the next year's page.
    const YearViewCellPtr newYear = future->cellForDayAndMonth(1, 1);
    editNotes(newYear, QStringLiteral("Fireworks"));
    EXPECT_EQ(notesFiles().value("20250101"), QStringLiteral("Fireworks"));
    EXPECT_TRUE(testsupport::waitUntil([&] { return newYear->notesText() == "Fireworks"; }));
    EXPECT_FALSE(current->cellForDayAndMonth(1, 1)->notesEvent());
}

TEST_F(NotesHoverWritingTest, ANotesFileThatCannotBeWrittenKeepsThePanelAndItsText) {
    // The marker store's folder is gone and a plain file stands in its place.
    QDir store(dir.file(QStringLiteral("store")));
    ASSERT_TRUE(store.rename(QStringLiteral("markers"), QStringLiteral("markers-away")));
    ASSERT_TRUE(dir.write(QStringLiteral("store/markers"), "not a folder"));
    const YearViewCellPtr fresh = current->cellForDayAndMonth(21, 3);
    bool stayedOpen = false;
    whileEditing(
        [&] {
            WeekView::services().notesHoverShowWindowInEditMode(fresh, QRectF(4, 4, 18, 18),
                                                                current, QString());
        },
        [&] {
            hover->textView()->setString(QStringLiteral("Keep me"));
            hover->okButton()->performClick();
            stayedOpen = hover->windowOpen();
            EXPECT_FALSE(hover->warningView()->enclosingScrollView()->isHidden());
            EXPECT_EQ(hover->textView()->string(), QStringLiteral("Keep me"));
            hover->cancelClicked();
        });
    EXPECT_TRUE(stayedOpen);
}

TEST_F(NotesHoverWritingTest, TheYearViewsHoverEditsInPlace) {
    render(current);
    const YearViewCellPtr old = current->cellForDayAndMonth(20, 3);
    whileEditing(
        [&] {
            YearView::services().notesHoverShowWindowForCellAtRectInView(
                old, QRectF(50, 50, 30, 15), current);
            ASSERT_TRUE(YearView::services().notesHoverWindowOpen());
            hover->editButton()->performClick();
        },
        [&] {
            EXPECT_FALSE(hover->textScrollView()->isHidden());
            EXPECT_TRUE(hover->viewScrollView()->isHidden());
            EXPECT_EQ(hover->textView()->string(), QStringLiteral("Old notes"));
            hover->textView()->setString(QStringLiteral("Edited"));
            hover->okButton()->performClick();
        });
    EXPECT_FALSE(YearView::services().notesHoverWindowOpen());
    EXPECT_EQ(notesFiles().value("20240320"), QStringLiteral("Edited"));
}
