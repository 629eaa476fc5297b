// The program's start-up while its store reads the files on a thread of its
// own: the window shows at once, the calendars follow with the settings the
// user gave each, and the pages fill as each calendar's events arrive.
#include "WeekViewWindowWorld.h"

#include "data/Calendar.h"
#include "data/CalendarSources.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

QByteArray eventText(const QString& uid, const QString& title) {
    const QString day = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    return QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zolt//Tests//EN\r\n"
                          "BEGIN:VEVENT\r\nUID:%1\r\nDTSTAMP:20240101T000000Z\r\n"
                          "DTSTART:%2T100000\r\nDTEND:%2T110000\r\nSUMMARY:%3\r\n"
                          "END:VEVENT\r\nEND:VCALENDAR\r\n")
        .arg(uid, day, title)
        .toUtf8();
}

class StartUpWhileStoreReads : public wvwindow::WindowWorld {
protected:
    void prepareStore() override {
        WindowWorld::prepareStore();
        dir.write(QStringLiteral("store/home/displayname"), "Home");
        for (int i = 0; i < 300; ++i)
            dir.write(QStringLiteral("store/work/w%1.ics").arg(i),
                      eventText(QStringLiteral("w%1").arg(i), QStringLiteral("Work %1").arg(i)));
        // The user switched Home off in an earlier run.
        foundation::Defaults::standard().setObject(
            CalendarSources::kCalendarsPrefs,
            QVariantMap{{QStringLiteral("home"),
                         QVariantMap{{QStringLiteral("Name"), QStringLiteral("Home")},
                                     {QStringLiteral("Selected"), false},
                                     {QStringLiteral("Sequence"), 1}}},
                        {QStringLiteral("work"),
                         QVariantMap{{QStringLiteral("Name"), QStringLiteral("Work")},
                                     {QStringLiteral("Selected"), true},
                                     {QStringLiteral("Sequence"), 0}}}});
    }
    void openStore() override {
        // The events of Work are held back until the test lets them come.
        calstore::Store::setBeforeReadingEventsForTesting([this](const QString& uid) {
            for (int i = 0; i < 1000 && uid == QStringLiteral("work") && holdWork; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        });
        calstore::Store::openDefaultStoreInBackground();
    }
    void TearDown() override {
        holdWork = false;
        calstore::Store::setBeforeReadingEventsForTesting({});
        WindowWorld::TearDown();
    }

    std::atomic<bool> holdWork{true};

    static bool selected(const QString& uid) {
        const QVariantMap saved =
            foundation::Defaults::standard().dictionaryForKey(CalendarSources::kCalendarsPrefs);
        return saved.value(uid).toMap().value(QStringLiteral("Selected")).toBool();
    }
};

TEST_F(StartUpWhileStoreReads, TheCalendarsAndPagesFollowWithTheUsersSettings) {
    ASSERT_TRUE(testsupport::waitUntil([this] { return delegate->launchFinished(); }, 30));
    ASSERT_TRUE(window->isVisible());
    // Work's events are still being read: its page waits for them.
    auto* page = qobject_cast<YearView*>(controller->currentYearView());
    ASSERT_TRUE(page);
    EXPECT_FALSE(page->eventsLoaded());
    EXPECT_FALSE(calstore::Store::defaultStore()->isLoaded());

    // Both calendars are listed, Home still switched off, and the settings
    // as stored name both.
    const QList<CalendarPtr> calendars = delegate->calendarSources->allCalendars();
    ASSERT_EQ(calendars.size(), 2);
    for (const CalendarPtr& calendar : calendars)
        EXPECT_EQ(calendar->isSelected(), calendar->uid() == QStringLiteral("work"))
            << calendar->uid().toStdString();
    EXPECT_TRUE(selected(QStringLiteral("work")));
    EXPECT_FALSE(selected(QStringLiteral("home")));
    EXPECT_TRUE(foundation::Defaults::standard()
                    .dictionaryForKey(CalendarSources::kCalendarsPrefs)
                    .contains(QStringLiteral("home")));

    // Today's column shows the day's events once the loaders are done.
    holdWork = false;
    ASSERT_TRUE(
        testsupport::waitUntil([] { return YearViewEventLoader::taskCounts().toDo == 0; }, 30));
    EXPECT_TRUE(testsupport::waitUntil([page] { return page->eventsLoaded(); }, 30));
    WeekdayView* today = todaysColumn();
    ASSERT_TRUE(today);
    EXPECT_TRUE(testsupport::waitUntil([today] { return today->events().size() == 300; }, 10))
        << today->events().size();
}

}  // namespace
