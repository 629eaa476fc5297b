#pragma once

// What every journey starts from: a small hand-made store (a calendar of its own
// and a marker store with one marker), settings that fix the window to the
// screen and keep the setup assistant away, and the program running on them.

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

// One event file as another program would write it: a timed event of an hour.
QByteArray eventFile(const QString& uid, const QString& title, const QDateTime& start,
                     int minutes = 60, const QString& rule = QString());

class Journey : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the store and settings, then starts the program and waits for its
    // window and the year page drawn, with its parts where the layout says.
    void launch();
    // Quits through the menu key; the settings are written then.
    void quit();
    // The screen now, kept as an artefact of this journey.
    QImage shot(const QString& name);
    // Waits until a screenshot satisfies `check`; keeps the last one under `name`.
    bool waitForScreen(const QString& name, const std::function<bool(const QImage&)>& check,
                       double seconds = 20.0);
    // The store files the journey changed since launch(), marked +, - or ~.
    QStringList storeChanges() const;
    QString journeyName() const;

    Desktop desktop;
    Sandbox sandbox;
    std::unique_ptr<App> app;
    FileHashes storeAtLaunch;
    bool storeWritten = false;
};

}  // namespace e2e
