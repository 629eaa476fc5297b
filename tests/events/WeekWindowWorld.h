#pragma once

// The main window built as the program builds it, over a year page's store,
// for the tests of what opens from its week view (the editor, the hover, the
// delete sheet): the services wired, the test's events stored, the window
// shown, and everything undone afterwards.

#include "data/YearViewEventLoader.h"
#include "events/EventConfigController.h"
#include "platform/kit/Animation.h"
#include "shell/MainWindowCtrl.h"
#include "support/MainWindowPanes.h"
#include "weekview/WeekView.h"
#include "yearview/YearViewPageWorld.h"
#include "yearview/YearViewScroller.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QTimeZone>

#include <functional>
#include <initializer_list>
#include <memory>

namespace eventswindow {

inline QDateTime atBerlin(int year, int month, int day, int hour = 0, int minute = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute),
                     QTimeZone(QByteArrayLiteral("Europe/Berlin")));
}

class WeekWindowWorld : public yvpage::PageTest {
protected:
    // Wires the loaders, the editor's week view entries, what installMore()
    // adds and the main window's panes, as the program does.
    void SetUp() override {
        PageTest::SetUp();
        kit::Animation::setInstantForTesting(true);
        MainWindowCtrl::resetSharedWinController();
        YearView::connectLoaderJobs();
        YearViewEventLoader::setCalendarSources(delegate->calendarSources);
        EventConfigController::installWeekViewEntries();
        installMore();
        testsupport::wireMainWindowPanes();
    }
    virtual void installMore() {}

    // Builds and shows the main window and waits until `loaded` holds.
    void openWindow(const std::function<bool()>& loaded) {
        controller = std::make_unique<MainWindowCtrl>();
        controller->window();
        controller->applicationFinishedLaunching();
        controller->window()->makeKeyAndOrderFront();
        week = qobject_cast<WeekView*>(controller->currentWeekView());
        ASSERT_TRUE(week);
        ASSERT_TRUE(testsupport::waitUntil(loaded, 20));
        // The week draws its changed columns one per turn of the event loop, and
        // a click finds an event's box once its column has drawn it.
        for (int turn = 0; turn < 10; ++turn) QCoreApplication::processEvents();
    }

    // Closes the editors a test left open on these events, then undoes the wiring.
    void tearDownWindow(std::initializer_list<QString> editedUIDs) {
        for (const QString& uid : editedUIDs)
            if (EventConfigController* editor =
                    EventConfigController::registeredControllerForUID(uid)) {
                editor->eventWasSaved();
                editor->closeWindow();
                delete editor;
            }
        testsupport::waitUntil([] { return YearViewEventLoader::taskCounts().toDo == 0; }, 10);
        controller.reset();
        MainWindowCtrl::changeServices([](auto& installed) { installed = {}; });
        WeekView::changeServices([](auto& installed) { installed = {}; });
        YearViewScroller::changeServices([](auto& installed) { installed = {}; });
        YearViewEventLoader::setCalendarSources(nullptr);
        kit::Animation::setInstantForTesting(false);
        PageTest::TearDown();
    }

    std::unique_ptr<MainWindowCtrl> controller;
    QPointer<WeekView> week;
};

}  // namespace eventswindow
