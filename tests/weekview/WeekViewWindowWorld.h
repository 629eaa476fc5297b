#pragma once

// The real main window, started as the program starts over a temporary store
// and settings (each test fills the store first), with the week view as the
// main window shows it.

#include "data/YearViewEventLoader.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/Action.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Window.h"
#include "platform/store/Store.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "support/MainWindowPanes.h"
#include "support/TestSupport.h"
#include "weekview/WeekView.h"
#include "weekview/WeekViewPrint.h"
#include "weekview/WeekdayView.h"
#include "yearview/YearView.h"
#include "yearview/YearViewScroller.h"

#include <gtest/gtest.h>

#include <memory>

namespace wvwindow {

class WindowWorld : public ::testing::Test {
protected:
    void SetUp() override {
        calstore::Store::setDefaultStore(nullptr);
        foundation::Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
        prepareStore();
        openStore();
        kit::Animation::setInstantForTesting(true);
        MainWindowCtrl::resetSharedWinController();
        // Wired as the program wires its main window.
        testsupport::wireMainWindowPanes();
        MainWindowCtrl::changeServices([](MainWindowCtrl::Services& window) {
            window.printViewForWeekView = [](kit::View* week, const QSizeF& size) -> kit::View* {
                return WeekViewPrint::printViewForWeekView(qobject_cast<WeekView*>(week), size);
            };
        });
        delegate = std::make_unique<AppDelegate>();
        kit::Action::setApplicationDelegate(delegate.get());
        YearView::connectLoaderJobs();
        delegate->awakeFromNib();
        delegate->applicationWillFinishLaunching();
        delegate->applicationDidFinishLaunching();
        controller = MainWindowCtrl::sharedWinController();
        window = controller->window();
        // The loaders have filled this week's days.
        ASSERT_TRUE(
            testsupport::waitUntil([] { return YearViewEventLoader::taskCounts().toDo == 0; }));
        testsupport::waitUntil([] { return false; }, 0.5);
        week = qobject_cast<WeekView*>(controller->currentWeekView());
        ASSERT_TRUE(week);
    }
    void TearDown() override {
        if (window) window->close();
        foundation::waitForThreads(10.0);
        testsupport::waitUntil([] { return false; }, 0.1);
        MainWindowCtrl::resetSharedWinController();
        MainWindowCtrl::changeServices([](auto& s) { s = {}; });
        kit::Action::setApplicationDelegate(nullptr);
        delegate.reset();
        kit::Animation::setInstantForTesting(false);
        calstore::Store::setDefaultStore(nullptr);
        foundation::Defaults::resetStandard();
    }

    // Fills the store's folder and the settings before the program starts;
    // by default one calendar, Work.
    virtual void prepareStore() {
        dir.write(QStringLiteral("store/work/displayname"), "Work");
        dir.write(QStringLiteral("store/work/color"), "#3366CC");
    }

    // The program's store opens on first use, read at once; a test may open it
    // otherwise before the program starts.
    virtual void openStore() {}

    WeekdayView* todaysColumn() const {
        for (WeekdayView* c : week->viewSet())
            if (c->date() && c->date()->isSameDateAs(MyDate::date())) return c;
        return nullptr;
    }

    testsupport::TempDir dir;
    testsupport::ScopedEnv storeDir{"ZOLT_STORE_DIR", dir.file(QStringLiteral("store"))};
    testsupport::ScopedEnv defaults{"ZOLT_DEFAULTS", dir.file(QStringLiteral("Defaults.plist"))};
    testsupport::ScopedEnv cloud{"ZOLT_CLOUD_DIR", dir.file(QStringLiteral("cloud"))};
    std::unique_ptr<AppDelegate> delegate;
    MainWindowCtrl* controller = nullptr;
    kit::Window* window = nullptr;
    WeekView* week = nullptr;
};

}  // namespace wvwindow
