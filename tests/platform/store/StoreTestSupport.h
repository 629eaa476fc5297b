#pragma once

// Helpers shared by the store's tests: calendar files, a store folder, and a
// fixed time zone.

#include "platform/foundation/UserCalendar.h"
#include "platform/store/Store.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace storetest {

// A VCALENDAR around the given lines (VEVENTs, VTIMEZONEs ...), with CRLF line ends.
inline QByteArray calendarText(const QStringList& lines) {
    QStringList all{QStringLiteral("BEGIN:VCALENDAR"), QStringLiteral("VERSION:2.0"),
                    QStringLiteral("PRODID:-//Zolt//Tests//EN")};
    all << lines << QStringLiteral("END:VCALENDAR");
    return (all.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

// One VEVENT with the given UID and property lines.
inline QStringList vevent(const QString& uid, const QStringList& properties) {
    QStringList lines{QStringLiteral("BEGIN:VEVENT"), QStringLiteral("UID:") + uid,
                      QStringLiteral("DTSTAMP:20240101T000000Z")};
    lines << properties << QStringLiteral("END:VEVENT");
    return lines;
}

inline QByteArray eventFile(const QString& uid, const QStringList& properties) {
    return calendarText(vevent(uid, properties));
}

// A store folder in a temporary directory.
class StoreDir {
public:
    void addCalendar(const QString& folder, const QString& title = QString(),
                     const QString& color = QString()) {
        dir.write(folder + QStringLiteral("/displayname"),
                  title.isEmpty() ? folder.toUtf8() : title.toUtf8());
        if (!color.isEmpty()) dir.write(folder + QStringLiteral("/color"), color.toUtf8());
    }
    void write(const QString& folder, const QString& file, const QByteArray& data) {
        dir.write(folder + QLatin1Char('/') + file, data);
    }
    calstore::StorePtr open() const { return calstore::Store::openAt(dir.path()); }
    QString path(const QString& relative) const { return dir.file(relative); }
    // The calendar files of a folder by name, and everything in it.
    QStringList files(const QString& folder) const {
        return QDir(dir.file(folder)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // The text of the one file of the folder that holds the UID; empty when none does.
    QByteArray textOf(const QString& folder, const QString& uid) const {
        for (const QString& name : files(folder)) {
            if (!name.endsWith(QStringLiteral(".ics"))) continue;
            const QByteArray text = dir.read(folder + QLatin1Char('/') + name);
            if (text.contains("\nUID:" + uid.toUtf8() + "\r\n") ||
                text.contains("\nUID:" + uid.toUtf8() + "\n"))
                return text;
        }
        return {};
    }

    testsupport::TempDir dir;
};

// Fixes the store's zone (the user's calendar) to Berlin for the test.
class BerlinTest : public ::testing::Test {
protected:
    void SetUp() override {
        foundation::UserCalendar::setCurrent(
            foundation::UserCalendar(QTimeZone("Europe/Berlin"), 2, 4));
    }
    void TearDown() override { foundation::UserCalendar::resetCurrentToSystem(); }

    static QDateTime berlin(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone("Europe/Berlin"));
    }
};

// "yyyy-MM-dd HH:mm:ss" of an instant in a zone.
inline QString inZone(const QDateTime& t, const char* zone = "Europe/Berlin") {
    return t.toTimeZone(QTimeZone(zone)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// All occurrences of every calendar in [from, to).
inline QList<calstore::EventPtr> query(const calstore::StorePtr& store, const QDateTime& from,
                                       const QDateTime& to, const QString& uid = QString()) {
    const auto calendars = store->calendars();
    const auto predicate =
        uid.isEmpty()
            ? calstore::Store::eventPredicateWithStartDateEndDateCalendars(from, to, calendars)
            : calstore::Store::eventPredicateWithStartDateEndDateUIDCalendars(from, to, uid,
                                                                              calendars);
    return store->eventsWithPredicate(predicate);
}

// The titles of a query's events, in the order given.
inline QStringList titlesOf(const QList<calstore::EventPtr>& events) {
    QStringList out;
    for (const auto& e : events) out << e->title();
    return out;
}

}  // namespace storetest
