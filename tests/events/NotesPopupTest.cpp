// The notes popup over a year page on a temporary store: its modal loop, its
// keys, and the notes it writes, changes and clears in the store's files.

#include "events/NotesPopupController.h"
#include "platform/foundation/Localized.h"
#include "platform/kit/Animation.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "shell/SpringPanel.h"
#include "yearview/YearViewPageWorld.h"

#include <QDir>
#include <QTimer>

namespace {

using yvpage::Placed;

class NotesPopupTest : public yvpage::PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        kit::Animation::setInstantForTesting(true);
        NotesPopupController::installEntries();
        page = makePage(2024);
        render(page);  // lays the grid out: the cells' rectangles anchor the popup
        fillFromThread(page, {});
    }
    void TearDown() override {
        NotesPopupController::resetSharedWinController();
        kit::Animation::setInstantForTesting(false);
        PageTest::TearDown();
    }

    NotesPopupController* popup() { return NotesPopupController::sharedWinController(); }

    // Opens the popup on the day as typing into it does and runs `inside` in its
    // modal loop; answers when the loop has ended (a stuck one is ended after
    // a few seconds, which fails the test).
    void editNotes(int day, int month, const QString& typed, const std::function<void()>& inside) {
        bool ranInside = false;
        QTimer::singleShot(0, qApp, [&] {
            ranInside = true;
            EXPECT_TRUE(popup()->windowOpen());
            EXPECT_EQ(kit::ModalSession::modalWindow(), popup()->panel());
            EXPECT_EQ(popup()->panel()->firstResponder(),
                      static_cast<kit::Responder*>(popup()->notesView()));
            inside();
        });
        bool stuck = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, qApp, [&] {
            stuck = true;
            popup()->closeWindow();
        });
        guard.start(5000);
        ASSERT_TRUE(page->editNotesForDayMonthWithString(day, month, typed));
        EXPECT_TRUE(ranInside);
        EXPECT_FALSE(stuck) << "the notes popup did not close";
        EXPECT_FALSE(popup()->windowOpen());
    }
    void key(int code, unsigned flags = 0) {
        kit::Window* panel = popup()->panel();
        const QString text =
            code == kit::KeyCodes::Escape ? QStringLiteral("\x1b") : QStringLiteral("\r");
        panel->sendEvent(
            kit::Event::keyEvent(kit::EventType::KeyDown, code, text, flags, false, text, panel));
    }
    // The notes events in the marker store's folder: file name to its text.
    QMap<QString, QString> notesFiles() {
        QMap<QString, QString> files;
        QDir folder(dir.file(QStringLiteral("store/markers")));
        for (const QString& name : folder.entryList({QStringLiteral("*.ics")}, QDir::Files)) {
            const QString text =
                QString::fromUtf8(dir.read(QStringLiteral("store/markers/") + name));
            if (text.contains(QStringLiteral("Zolt:Notes"))) files.insert(name, text);
        }
        return files;
    }

    YearView* page = nullptr;
};

TEST_F(NotesPopupTest, NotesAreWrittenChangedAndClearedInTheStoresFiles) {
    // Typed into a day: the typed text is in the editor; Command-Return keeps it.
    editNotes(11, 3, QStringLiteral("C"), [&] {
        EXPECT_EQ(popup()->notesView()->string(), QStringLiteral("C"));
        // Typing goes on after the key that opened the popup.
        EXPECT_EQ(popup()->notesView()->selectedRange(), (kit::TextRange{1, 0}));
        popup()->notesView()->setString(QStringLiteral("Call the bank"));
        testsupport::saveForInspection(popup()->panel()->contentView()->renderToImage(),
                                       QStringLiteral("notes-popup"));
        key(kit::KeyCodes::Return, kit::ModifierFlags::Command);
    });
    auto files = notesFiles();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files.first().contains(QStringLiteral("DESCRIPTION:Call the bank")));
    EXPECT_EQ(page->model()->cellForDayAndMonth(11, 3)->notesText(),
              QStringLiteral("Call the bank"));

    // The day's notes win over what is typed; the keypad's Enter keeps a change.
    editNotes(11, 3, QStringLiteral("x"), [&] {
        EXPECT_EQ(popup()->notesView()->string(), QStringLiteral("Call the bank"));
        popup()->notesView()->setString(QStringLiteral("Call the bank at 9"));
        key(kit::KeyCodes::KeypadEnter);
    });
    files = notesFiles();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files.first().contains(QStringLiteral("DESCRIPTION:Call the bank at 9")));

    // Cleared and confirmed: the notes event goes.
    editNotes(11, 3, QString(), [&] {
        popup()->notesView()->setString(QString());
        popup()->okPressed();
    });
    EXPECT_TRUE(notesFiles().isEmpty());
    EXPECT_FALSE(page->model()->cellForDayAndMonth(11, 3)->notesEvent());
}

TEST_F(NotesPopupTest, ReturnMakesANewLineEscapeDiscardsAndAnEmptyNewDayWritesNothing) {
    editNotes(12, 3, QStringLiteral("a"), [&] {
        popup()->notesView()->setSelectedRange({1, 0});
        key(kit::KeyCodes::Return);
        EXPECT_TRUE(popup()->windowOpen());
        EXPECT_EQ(popup()->notesView()->string(), QStringLiteral("a\n"));
        key(kit::KeyCodes::Escape);
    });
    EXPECT_TRUE(notesFiles().isEmpty());
    editNotes(12, 3, QString(), [&] { key(kit::KeyCodes::Return, kit::ModifierFlags::Command); });
    EXPECT_TRUE(notesFiles().isEmpty());
}

TEST_F(NotesPopupTest, WithoutAMarkerStoreOkKeepsThePopupOpenWithItsTextAndSaysWhy) {
    markers->setCalendarType(Calendar::kTypeNormal);
    ASSERT_FALSE(delegate->calendarSources->firstMarkerCalendar());
    // The page lets a day without notes be typed into only with a marker
    // store; the popup itself is opened here as the page would.
    bool ranInside = false;
    QTimer::singleShot(0, qApp, [&] {
        ranInside = true;
        popup()->notesView()->setString(QStringLiteral("Keep me"));
        key(kit::KeyCodes::Return, kit::ModifierFlags::Command);
        EXPECT_TRUE(popup()->windowOpen());
        EXPECT_EQ(popup()->notesView()->string(), QStringLiteral("Keep me"));
        EXPECT_EQ(popup()->messageField()->stringValue(),
                  foundation::localized(QStringLiteral("notesNeedMarkerStore")));
        testsupport::saveForInspection(popup()->panel()->contentView()->renderToImage(),
                                       QStringLiteral("notes-popup-no-store"));
        key(kit::KeyCodes::Escape);
    });
    popup()->showWindowForCellInViewWithString(page->model()->cellForDayAndMonth(13, 3), page,
                                               QString());
    EXPECT_TRUE(ranInside);
    EXPECT_FALSE(popup()->windowOpen());
    EXPECT_TRUE(notesFiles().isEmpty());
}

TEST_F(NotesPopupTest, AFailedWriteKeepsThePopupOpenWithItsText) {
    // The marker store's folder is replaced by a file: nothing can be written.
    ASSERT_TRUE(QDir(dir.file(QStringLiteral("store/markers"))).removeRecursively());
    ASSERT_TRUE(dir.write(QStringLiteral("store/markers"), "not a folder"));
    editNotes(14, 3, QString(), [&] {
        popup()->notesView()->setString(QStringLiteral("Lost?"));
        popup()->okPressed();
        EXPECT_TRUE(popup()->windowOpen());
        EXPECT_EQ(popup()->notesView()->string(), QStringLiteral("Lost?"));
        EXPECT_EQ(popup()->messageField()->stringValue(),
                  foundation::localized(QStringLiteral("notesWriteFailed")));
        popup()->closeWindow();
    });
}

TEST_F(NotesPopupTest, OkWritesToTheNotesEventTheDayHoldsThen) {
    editNotes(15, 3, QStringLiteral("Old"), [&] { popup()->okPressed(); });
    const calstore::EventPtr first = page->model()->cellForDayAndMonth(15, 3)->notesEvent();
    ASSERT_TRUE(first);
    // While the popup is open, a sync replaces the day's notes event.
    auto replacement = calstore::Event::event();
    replacement->setCalendar(markers->calendar());
    replacement->setTitle(QStringLiteral("Notes"));
    replacement->setLocation(QStringLiteral("Zolt:Notes"));
    replacement->setNotes(QStringLiteral("Synced"));
    replacement->setStartDate(yvtest::at(2024, 3, 15));
    replacement->setEndDate(yvtest::at(2024, 3, 15, 23, 59, 59));
    replacement->setIsAllDay(true);
    editNotes(15, 3, QString(), [&] {
        std::thread job([model = page->model(), first, replacement, cal = markers] {
            model->threadedRemoveEventUIDFromDayInMonth(first->uid(), 15, 3);
            model->threadedAddEventFromCalendarForDayInMonthInFullLoading(replacement, cal, 15, 3,
                                                                          false);
            model->threadedUpdateView();
        });
        job.join();
        popup()->notesView()->setString(QStringLiteral("New"));
        popup()->okPressed();
    });
    const auto files = notesFiles();
    ASSERT_EQ(files.size(), 2);
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (it.value().contains(replacement->uid()))
            EXPECT_TRUE(it.value().contains(QStringLiteral("DESCRIPTION:New")));
        else
            EXPECT_TRUE(it.value().contains(QStringLiteral("DESCRIPTION:Old")));
    }
}

}  // namespace
