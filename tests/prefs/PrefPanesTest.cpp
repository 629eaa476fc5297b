// The general, updates, year view and week view panes on settings of the test:
// every control filled from its key and written back, times of day kept exactly,
// the update interval normalised, the readers of the settings refreshed, and
// keys written by others while a pane was open kept.

#include "PrefsTestSupport.h"
#include "data/appPref.h"
#include "platform/foundation/UserCalendar.h"
#include "platform/kit/Button.h"
#include "platform/kit/ColorWell.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/TextField.h"
#include "prefs/PrefGeneral.h"
#include "prefs/PrefUpdate.h"
#include "prefs/PrefWeekView.h"
#include "prefs/PrefYearView.h"
#include "prefs/PrefsRefresh.h"
#include "weekview/WeekdayView.h"

#include <QTimeZone>

namespace {

using namespace prefstest;

const QString kGeneral = AppDelegate::kGeneral;
const QString kYearView = AppDelegate::kYearView;
const QString kWeekView = AppDelegate::kWeekView;

QTime pickerTime(const kit::DatePicker* picker) {
    return picker->dateValue().toTimeZone(foundation::UserCalendar::current().timeZone()).time();
}

void setPickerTime(kit::DatePicker* picker, const QTime& time) {
    const QTimeZone zone = foundation::UserCalendar::current().timeZone();
    picker->setDateValue(QDateTime(picker->dateValue().toTimeZone(zone).date(), time, zone));
}

// The stored single-precision number of a time of day.
double stored(double hours) {
    return double(float(hours));
}

class PrefPanesTest : public PrefsTest {
protected:
    void SetUp() override {
        PrefsTest::SetUp();
        PrefsRefresh::changeServices([this](PrefsRefresh::Services& s) {
            s.eventEditorUpdatePreferences = [this] { refreshed << "editor"; };
        });
        YearView::changeServices([this](YearView::Services& s) {
            s.dayPopupUpdatePreferences = [this] { refreshed << "dayPopup"; };
        });
        WeekView::changeServices([this](WeekView::Services& s) {
            s.eventHoverUpdatePreferences = [this] { refreshed << "eventHover"; };
        });
    }
    void TearDown() override {
        PrefsRefresh::changeServices([](auto& installed) { installed = {}; });
        YearView::changeServices([](auto& installed) { installed = {}; });
        WeekView::changeServices([](auto& installed) { installed = {}; });
        PrefsTest::TearDown();
    }
    template <typename Pane>
    static void show(Pane& pane) {
        ASSERT_NE(pane.paneView(), nullptr);
        pane.willShow();
    }

    QStringList refreshed;
};

TEST_F(PrefPanesTest, TheGeneralPaneShowsAndWritesEveryKey) {
    setGroupKey(kGeneral, "Use US Date Format", true);
    setGroupKey(kGeneral, "Week Begins on Sunday", false);
    setGroupKey(kGeneral, "Workday Starts At", stored(8 + 20 / 60.0));
    setGroupKey(kGeneral, "Workday Ends At", stored(17.5));
    setGroupKey(kGeneral, "Current Day BackgroundColorTop", "255 0 0 1.000000");
    setGroupKey(kGeneral, "Current Day BackgroundColorBot", "0 255 0 1.000000");
    setGroupKey(kGeneral, "Selection Color", "0 0 255 0.500000");
    setGroupKey(kGeneral, "Antialiase Text Doublestrike", true);
    setGroupKey(kGeneral, "Launch iCal", false);
    setGroupKey(kGeneral, "Show Reminders", true);

    PrefGeneral pane;
    show(pane);
    EXPECT_EQ(pane.gui_dateFormat->indexOfSelectedItem(), 0);
    EXPECT_EQ(pane.gui_weekStart->indexOfSelectedItem(), 1);
    EXPECT_EQ(pickerTime(pane.gui_dayStartTime), QTime(8, 20));
    EXPECT_EQ(pickerTime(pane.gui_dayEndTime), QTime(17, 30));
    EXPECT_EQ(pane.gui_todayColorTop->color(), QColor(255, 0, 0));
    EXPECT_EQ(pane.gui_todayColorBot->color(), QColor(0, 255, 0));
    EXPECT_NEAR(pane.gui_selectionColor->color().alphaF(), 0.5, 0.001);
    EXPECT_EQ(pane.gui_textDoubleStrike->state(), kit::Button::On);
    EXPECT_EQ(pane.gui_launchIcal->state(), kit::Button::Off);
    EXPECT_FALSE(pane.gui_launchIcal->title().isEmpty());

    pane.gui_dateFormat->selectItemAtIndex(1);
    pane.gui_weekStart->selectItemAtIndex(0);
    setPickerTime(pane.gui_dayStartTime, QTime(7, 45));
    pane.gui_todayColorTop->setColor(QColor(10, 20, 30));
    pane.gui_textDoubleStrike->performClick();
    pane.gui_launchIcal->performClick();
    pane.willClose();

    const QVariantMap general = group(kGeneral);
    EXPECT_EQ(general.value("Use US Date Format").toBool(), false);
    EXPECT_EQ(general.value("Week Begins on Sunday").toBool(), true);
    EXPECT_DOUBLE_EQ(general.value("Workday Starts At").toDouble(), stored(7.75));
    EXPECT_DOUBLE_EQ(general.value("Workday Ends At").toDouble(), stored(17.5));
    EXPECT_EQ(general.value("Current Day BackgroundColorTop").toString(), "10 20 30 1.000000");
    EXPECT_EQ(general.value("Current Day BackgroundColorBot").toString(), "0 255 0 1.000000");
    EXPECT_EQ(general.value("Selection Color").toString(), "0 0 255 0.500000");
    EXPECT_EQ(general.value("Antialiase Text Doublestrike").toBool(), false);
    EXPECT_EQ(general.value("Launch iCal").toBool(), true);
    EXPECT_EQ(general.value("Show Reminders").toBool(), false);
    EXPECT_EQ(refreshed, QStringList({"editor"}));
}

TEST_F(PrefPanesTest, OpeningAndClosingKeepsTimesOfDayAndKeysWrittenMeanwhile) {
    for (double hours : {8 + 20 / 60.0, 9 + 10 / 60.0, 23 + 59 / 60.0, 24.0, 0.0}) {
        SCOPED_TRACE(hours);
        setGroupKey(kGeneral, "Workday Starts At", stored(hours));
        setGroupKey(kGeneral, "Workday Ends At", stored(hours));
        PrefGeneral pane;
        show(pane);
        // Someone else writes the group while the pane is open.
        setGroupKey(kGeneral, "Auto Check Interval", 86400);
        setGroupKey(kYearView, "Popup Use CalendarColors", false);
        pane.willClose();
        EXPECT_EQ(group(kGeneral).value("Workday Starts At").toDouble(), stored(hours));
        EXPECT_EQ(group(kGeneral).value("Workday Ends At").toDouble(), stored(hours));
        EXPECT_EQ(group(kGeneral).value("Auto Check Interval").toInt(), 86400);
        EXPECT_EQ(group(kYearView).value("Popup Use CalendarColors").toBool(), false);
    }
    EXPECT_EQ(PrefGeneral::timeFromHours(stored(8 + 20 / 60.0)), QTime(8, 20));
    EXPECT_EQ(PrefGeneral::timeFromHours(7.9999), QTime(8, 0));  // 60 minutes: the next hour
}

TEST_F(PrefPanesTest, AViewPaneShowsAndWritesEachKeyOfItsGroupOnly) {
    PrefYearView year;
    PrefWeekView week;
    for (PrefViewPane* pane :
         {static_cast<PrefViewPane*>(&year), static_cast<PrefViewPane*>(&week)}) {
        const QString name = pane == &year ? kYearView : kWeekView;
        const QString other = pane == &year ? kWeekView : kYearView;
        SCOPED_TRACE(name.toStdString());
        QVariantMap values = group(name);
        values.remove("Hover Info");  // a key the group lacks shows off
        int n = 0;
        for (const QString& key : pane->checkboxKeys())
            if (values.contains(key) || key != "Hover Info") values.insert(key, (n++ % 2) == 0);
        for (const QString& key : pane->colorKeys())
            values.insert(key, QStringLiteral("%1 40 50 1.000000").arg(n++));
        values.insert("Popup Opens Right", false);
        foundation::Defaults::standard().setObject(name, values);
        setGroupKey(other, "Popup Opens Right", false);

        ASSERT_NE(pane->paneView(), nullptr);
        pane->willShow();
        EXPECT_EQ(pane->gui_infoPopupLocation->selectedTag(), 1);
        for (const QString& key : pane->checkboxKeys()) {
            SCOPED_TRACE(key.toStdString());
            EXPECT_EQ(pane->checkboxForKey(key)->state() == kit::Button::On,
                      values.value(key).toBool());
            pane->checkboxForKey(key)->performClick();
        }
        for (const QString& key : pane->colorKeys()) {
            SCOPED_TRACE(key.toStdString());
            EXPECT_EQ(appPref::colorString(pane->wellForKey(key)->color()), values.value(key));
            pane->wellForKey(key)->setColor(QColor(1, 2, 3));
        }
        pane->gui_infoPopupLocation->selectCellWithTag(2);
        pane->willClose();

        const QVariantMap written = group(name);
        for (const QString& key : pane->checkboxKeys())
            EXPECT_EQ(written.value(key).toBool(), !values.value(key).toBool())
                << key.toStdString();
        for (const QString& key : pane->colorKeys())
            EXPECT_EQ(written.value(key).toString(), "1 2 3 1.000000") << key.toStdString();
        EXPECT_TRUE(written.value("Popup Opens Right").toBool());
        EXPECT_FALSE(group(other).value("Popup Opens Right").toBool());
    }
    EXPECT_EQ(refreshed, QStringList({"dayPopup", "eventHover"}));
}

TEST_F(PrefPanesTest, APaneNeverShownWritesNothing) {
    const QVariantMap before = group(kYearView);
    PrefYearView pane;
    pane.paneView();
    pane.willClose();
    EXPECT_EQ(group(kYearView), before);
    EXPECT_TRUE(refreshed.isEmpty());
}

TEST_F(PrefPanesTest, ClosingAPaneRefreshesTheViewsOfTheMainWindow) {
    makeMainWindow();
    auto* week = qobject_cast<WeekView*>(mainWindow->currentWeekView());
    ASSERT_NE(week, nullptr);
    refreshed.clear();

    PrefWeekView weekPane;
    show(weekPane);
    weekPane.checkboxForKey("Weekend Use Color")->setState(kit::Button::On);
    weekPane.wellForKey("Weekend BackgroundColor")->setColor(QColor(200, 10, 10));
    weekPane.willClose();
    EXPECT_TRUE(WeekdayView::useWeekendColor());
    EXPECT_EQ(WeekdayView::weekendBGColor().rgb(), QColor(200, 10, 10).rgb());
    // The class operation and the week view's own update each tell the hover.
    EXPECT_EQ(refreshed, QStringList({"eventHover", "eventHover"}));
    refreshed.clear();

    PrefGeneral general;
    show(general);
    setPickerTime(general.gui_dayStartTime, QTime(6, 30));
    general.willClose();
    EXPECT_DOUBLE_EQ(WeekdayView::workdayStart(), stored(6.5));
    EXPECT_EQ(refreshed, QStringList({"editor", "eventHover"}));
    refreshed.clear();

    // The year pane tells the day popup, and so does the year page it updates.
    PrefYearView yearPane;
    show(yearPane);
    yearPane.willClose();
    EXPECT_EQ(refreshed, QStringList({"dayPopup", "dayPopup"}));
}

TEST_F(PrefPanesTest, UpdateIntervalsAreNormalised) {
    struct Case {
        qint64 in, out;
    };
    for (const Case& c :
         {Case{0, 86400}, Case{3600, 86400}, Case{86400, 86400}, Case{86401, 604800},
          Case{604800, 604800}, Case{604801, 2629800}, Case{99999999, 2629800}})
        EXPECT_EQ(PrefUpdate::normalizedInterval(c.in), c.out) << c.in;
}

TEST_F(PrefPanesTest, TheUpdatesPaneDrivesTheUpdaterAndItsGroup) {
    foundation::Updater* updater = delegate->sparkleUpdater;
    updater->setAutomaticallyChecksForUpdates(false);
    updater->setAutomaticallyDownloadsUpdates(true);
    updater->setUpdateCheckInterval(3000);

    PrefUpdate pane;
    show(pane);
    EXPECT_EQ(pane.gui_autoCheck->state(), kit::Button::Off);
    EXPECT_EQ(pane.gui_autoDownload->state(), kit::Button::On);
    EXPECT_TRUE(pane.gui_frequency->isHidden());
    EXPECT_TRUE(pane.gui_frequencyLabel->isHidden());
    EXPECT_EQ(pane.gui_frequency->selectedTag(), 86400);
    EXPECT_TRUE(pane.gui_progress->isHidden());
    EXPECT_TRUE(pane.gui_status->stringValue().contains("2.4.1"));

    pane.gui_autoCheck->performClick();
    EXPECT_TRUE(updater->automaticallyChecksForUpdates());
    EXPECT_FALSE(pane.gui_frequency->isHidden());
    EXPECT_TRUE(group(kGeneral).value("Auto Check Updates").toBool());

    pane.gui_frequency->selectItemWithTag(2629800);
    pane.frequencyChanged(nullptr);
    EXPECT_EQ(updater->updateCheckInterval(), 2629800);
    EXPECT_EQ(group(kGeneral).value("Auto Check Interval").toInt(), 2629800);

    pane.gui_autoDownload->performClick();
    EXPECT_FALSE(updater->automaticallyDownloadsUpdates());
    EXPECT_FALSE(group(kGeneral).value("Auto Download Updates").toBool());

    pane.gui_autoCheck->performClick();
    EXPECT_TRUE(pane.gui_frequency->isHidden());
    EXPECT_TRUE(pane.gui_frequencyLabel->isHidden());
    pane.willClose();
    EXPECT_FALSE(group(kGeneral).value("Auto Check Updates").toBool());
}

TEST_F(PrefPanesTest, ACheckRunsTheSpinnerUntilTheFeedHasLoaded) {
    PrefUpdate pane;
    show(pane);
    pane.gui_checkNow->performClick();
    EXPECT_FALSE(pane.gui_progress->isHidden());
    EXPECT_TRUE(pane.gui_progress->isAnimating());
    EXPECT_TRUE(testsupport::waitUntil([&] { return pane.gui_progress->isHidden(); }));
    EXPECT_FALSE(pane.gui_progress->isAnimating());
    EXPECT_EQ(delegate->sparkleUpdater->delegate(), nullptr);
}

}  // namespace
