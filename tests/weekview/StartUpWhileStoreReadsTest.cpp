// The program's start-up while its store reads the files on a thread of its
// own: the window shows at once, and the calendars, with the settings the user
// gave each, and the pages follow once the store is done.
#include "WeekViewWindowWorld.h"

#include "data/Calendar.h"
#include "data/CalendarSources.h"

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
    void openStore() override { calstore::Store::openDefaultStoreInBackground(); }

    static bool selected(const QString& uid) {
        const QVariantMap saved =
            foundation::Defaults::standard().dictionaryForKey(CalendarSources::kCalendarsPrefs);
        return saved.value(uid).toMap().value(QStringLiteral("Selected")).toBool();
    }
};

TEST_F(StartUpWhileStoreReads, TheCalendarsAndPagesFollowWithTheUsersSettings) {
    ASSERT_TRUE(testsupport::waitUntil([this] { return delegate->launchFinished(); }, 30));
    ASSERT_TRUE(window->isVisible());

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
    ASSERT_TRUE(
        testsupport::waitUntil([] { return YearViewEventLoader::taskCounts().toDo == 0; }, 30));
    WeekdayView* today = todaysColumn();
    ASSERT_TRUE(today);
    EXPECT_TRUE(testsupport::waitUntil([today] { return today->events().size() == 300; }, 10))
        << today->events().size();
}

}  // namespace
