// The purge sheet on a window over a temporary store: its opening state, a
// purge run through its controls to the end, and Cancel.
#include "sources/PurgeSheetController.h"

#include "data/WritersTestSupport.h"
#include "data/YearViewEventLoaderTestSupport.h"
#include "platform/kit/Color.h"
#include "platform/kit/Image.h"
#include "platform/kit/Sheet.h"
#include "sources/SourceSheetParts.h"

#include <QPainter>
#include <QTimeZone>

#include <gtest/gtest.h>

using loadertest::LoaderTest;
using writerstest::ChangeRecorder;
using writerstest::describeReport;
using writerstest::ScopedHooks;

namespace {

class PurgeSheetTest : public LoaderTest {
protected:
    void SetUp() override {
        LoaderTest::SetUp();
        host = std::make_unique<kit::Window>(QRectF(100, 100, 900, 600));
        host->orderFront();
    }
    void TearDown() override {
        PurgeSheetController::resetSharedWinController();
        host.reset();
        LoaderTest::TearDown();
    }

    PurgeSheetController* openOn(const QString& title) {
        auto* sheet = PurgeSheetController::sharedWinController();
        sheet->openSheetForCalendarOnWindowFrom(calendarNamed(title), host.get(), sources);
        return sheet;
    }

    static std::vector<bool> enabled(PurgeSheetController* s) {
        std::vector<bool> states;
        for (kit::Control* c : std::initializer_list<kit::Control*>{
                 s->marksBox(), s->notesBox(), s->eventsBox(), s->timeTypePopUp(), s->datePicker(),
                 s->cancelButton(), s->purgeButton()})
            states.push_back(c->isEnabled());
        return states;
    }

    std::unique_ptr<kit::Window> host;
};

TEST_F(PurgeSheetTest, EveryOpeningStartsFromTheSameState) {
    open();
    auto* sheet = openOn(QStringLiteral("Work"));
    ASSERT_TRUE(sheet->isSheetUp());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(sheet->marksBox()->state(), kit::Button::On);
        EXPECT_EQ(sheet->notesBox()->state(), kit::Button::On);
        EXPECT_EQ(sheet->eventsBox()->state(), kit::Button::Off);
        EXPECT_EQ(sheet->timeTypePopUp()->indexOfSelectedItem(), PurgeJob::kAllYears);
        EXPECT_TRUE(sheet->datePicker()->isHidden());
        EXPECT_TRUE(sheet->progress()->isHidden());
        EXPECT_TRUE(sheet->progressLabel()->isHidden());
        EXPECT_EQ(enabled(sheet), std::vector<bool>(7, true));
        EXPECT_FALSE(sheet->imageView()->image().isNull());

        // The user changes everything, then cancels: nothing of it stays.
        sheet->eventsBox()->performClick();
        sheet->marksBox()->performClick();
        sheet->timeTypePopUp()->selectItemAtIndex(PurgeJob::kFromDate);
        sheet->timeTypeChanged();
        EXPECT_FALSE(sheet->datePicker()->isHidden());
        if (round == 0)
            testsupport::saveForInspection(sheet->sheet()->widget()->grab().toImage(),
                                           "purge-sheet");
        sheet->cancelButton()->performClick();
        EXPECT_FALSE(sheet->isSheetUp());
        sheet = openOn(QStringLiteral("Work"));
    }
}

// The run: the controls are read when Purge is pressed and disabled at once;
// the labels count the events found and removed; at the end the main window
// gets the change map and the sheet ends.
TEST_F(PurgeSheetTest, APurgeRunsToTheEndAndHandsTheChangesToTheMainWindow) {
    for (const char* uid : {"a", "b", "c"})
        writeAllDay(QStringLiteral("work"), QString::fromLatin1(uid), QStringLiteral("20250601"),
                    QStringLiteral("20250602"));
    writeAllDay(QStringLiteral("home"), QStringLiteral("elsewhere"), QStringLiteral("20250601"),
                QStringLiteral("20250602"));
    open();
    ScopedHooks hooks;
    ChangeRecorder changes;
    auto* sheet = openOn(QStringLiteral("Work"));
    sheet->eventsBox()->performClick();
    sheet->purgeButton()->performClick();
    EXPECT_TRUE(sheet->isRunning());
    EXPECT_EQ(enabled(sheet), std::vector<bool>(7, false));
    EXPECT_FALSE(sheet->progress()->isHidden());
    EXPECT_EQ(sheet->progressLabel()->stringValue(), QStringLiteral("Finding events: 0 found"));
    // Pressing Purge again does nothing while the job runs.
    sheet->okPressed();

    ASSERT_TRUE(testsupport::waitUntil([&] { return !sheet->isSheetUp(); }));
    EXPECT_FALSE(sheet->isRunning());
    EXPECT_EQ(sheet->progressLabel()->stringValue(), QStringLiteral("Removing events: 2 of 3"));
    EXPECT_EQ(sheet->progress()->maxValue(), 3);
    EXPECT_EQ(sheet->progress()->doubleValue(), 3);
    ASSERT_EQ(hooks->reports().size(), 1u);
    EXPECT_EQ(describeReport(hooks->reports().front()), QStringLiteral("a:3 b:3 c:3"));
    ASSERT_EQ(changes.posted().size(), 3u);
    for (const auto& n : changes.posted()) EXPECT_EQ(n.object, sheet);
    EXPECT_TRUE(eventsWithUID(QStringLiteral("a")).isEmpty());
    EXPECT_FALSE(eventsWithUID(QStringLiteral("elsewhere")).isEmpty());
}

TEST_F(PurgeSheetTest, NothingChosenStillTellsTheMainWindowAndCloses) {
    writeAllDay(QStringLiteral("work"), QStringLiteral("a"), QStringLiteral("20250601"),
                QStringLiteral("20250602"));
    open();
    ScopedHooks hooks;
    auto* sheet = openOn(QStringLiteral("Work"));
    sheet->marksBox()->performClick();
    sheet->notesBox()->performClick();
    sheet->purgeButton()->performClick();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !sheet->isSheetUp(); }));
    ASSERT_EQ(hooks->reports().size(), 1u);
    EXPECT_TRUE(hooks->reports().front().isEmpty());
    EXPECT_FALSE(eventsWithUID(QStringLiteral("a")).isEmpty());
}

// The picture: the event icon tinted in the calendar's colour, a bright
// colour shown as it is (the edit sheets cap it).
TEST(PurgePicture, TheColourIsNotCapped) {
    const QImage mask = kit::Image::named(QStringLiteral("EventMask"), QSizeF(64, 64));
    const QColor white = kit::Color::whiteColor();
    const QImage tinted = sourcesheets::colorizeImage(mask, white, false);
    const QImage capped = sourcesheets::colorizeImage(mask, white);
    // Somewhere the mask is opaque, the uncapped tint is brighter.
    bool brighter = false;
    for (int y = 0; y < tinted.height() && !brighter; ++y)
        for (int x = 0; x < tinted.width() && !brighter; ++x)
            if (qAlpha(tinted.pixel(x, y)) == 255 &&
                qRed(tinted.pixel(x, y)) > qRed(capped.pixel(x, y)) + 10)
                brighter = true;
    EXPECT_TRUE(brighter);
    testsupport::saveForInspection(
        PurgeSheetController::eventDeleteImageWithColor(QColor(220, 40, 40)), "purge-picture");
}

}  // namespace
