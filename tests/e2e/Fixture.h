#pragma once

// What every journey starts from: a small hand-made store (a calendar of its own
// and a marker store with one marker, and any calendars a journey adds),
// settings that fix the window to the screen and keep the setup assistant
// away, and the program running on them; or, for the first start, an empty
// store with settings that only place the window.

#include "e2e/Desktop.h"

#include <QDate>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>

namespace e2e {

// The store's calendars and the one marker, as the fixture writes them.
inline constexpr char kWorkCalendar[] = "work";
inline constexpr char kMarkCalendar[] = "marks";
inline constexpr char kMarkerUid[] = "4f1c0a7e5b2d4c6e8a9b0c1d2e3f4a5b";
inline constexpr QRgb kWorkColor = qRgb(0x1f, 0x6f, 0xd0);
inline constexpr QRgb kMarkerColor = qRgb(220, 30, 30);

// The calendar types of the settings file.
enum CalendarType { kNormal = 1, kHolidayStore = 2, kBirthdayStore = 3, kMarkerStore = 4 };

// One event file as another program would write it: a timed event of an hour.
QByteArray eventFile(const QString& uid, const QString& title, const QDateTime& start,
                     int minutes = 60, const QString& rule = QString());
// An all-day event of one day, as another program would write it; a mark
// carries its marker in the location ("Zolt:" and the marker's UID).
QByteArray allDayEventFile(const QString& uid, const QString& title, const QDate& day,
                           const QString& location = QString());

// The event files of a calendar folder of the store: file name -> text, with
// the folded lines joined again.
QMap<QString, QString> storeEvents(const Sandbox& sandbox, const QString& calendar);
// A property of an event file's text ("SUMMARY", "DTSTART;VALUE=DATE"); null
// when it has none.
QString property(const QString& eventText, const QString& name);

class Journey : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A calendar folder written with the fixture's store, and listed in its
    // settings; call it before the first launch().
    void addCalendar(const QString& folder, const QString& title, const QString& color,
                     CalendarType type);
    // Writes the store and settings, then starts the program and waits for its
    // window and the year page drawn, with its parts where the layout says.
    void launch();
    // The first start: an empty store, and settings that only place the window.
    void launchOnEmptyStore();
    // Quits through the menu key; the settings are written then.
    void quit();
    // Clicks (with `button`) where a menu or a pop-up's list opens, and waits
    // until it shows: keys typed before would go to the window under it.
    bool clickOpeningMenu(QPoint at, int button = 1);
    // The screen now, kept as an artefact of this journey.
    QImage shot(const QString& name);
    // Waits until a screenshot satisfies `check`; keeps the last one under `name`.
    bool waitForScreen(const QString& name, const std::function<bool(const QImage&)>& check,
                       double seconds = 20.0);
    // The store files the journey changed since launch(), marked +, - or ~.
    QStringList storeChanges() const;
    QString journeyName() const;

    struct ExtraCalendar {
        QString folder, title, color;
        CalendarType type;
    };
    // Starts the program on what is written and waits for the year page drawn.
    void startAndSettle();

    Desktop desktop;
    Sandbox sandbox;
    QList<ExtraCalendar> extraCalendars;
    std::unique_ptr<App> app;
    FileHashes storeAtLaunch;
    bool storeWritten = false;
};

}  // namespace e2e
