#pragma once
// Shared set-up of the preferences tests: settings in a folder of the test with
// the factory values under them, the application delegate, and on request the
// real main window with its year scroller and week view.

#include "data/CalendarSources.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/PropertyList.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Window.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "support/MainWindowPanes.h"
#include "support/TestSupport.h"
#include "weekview/WeekView.h"
#include "yearview/YearView.h"
#include "yearview/YearViewScroller.h"

#include <gtest/gtest.h>

#include <memory>

namespace prefstest {

class PrefsTest : public ::testing::Test {
protected:
    void SetUp() override {
        foundation::Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
        QString error;
        ASSERT_TRUE(testsupport::registerFactoryDefaults(&error)) << error.toStdString();
        AppDelegate::setAppVersionForTesting(QStringLiteral("2.4.1"));
        delegate = std::make_unique<AppDelegate>();
        kit::Animation::setInstantForTesting(true);
    }
    void TearDown() override {
        if (mainWindow) {
            mainWindow.reset();
            MainWindowCtrl::changeServices([](auto& installed) { installed = {}; });
            YearViewScroller::changeServices([](auto& installed) { installed = {}; });
        }
        delegate.reset();
        kit::Animation::setInstantForTesting(false);
    }

    // The main window as the application builds it, over an empty store.
    void makeMainWindow() {
        MainWindowCtrl::resetSharedWinController();
        delegate->calendarSources = std::make_shared<CalendarSources>();
        delegate->calendarSources->loadCalendarsFromICal();
        YearViewScroller::changeServices([](YearViewScroller::Services& s) {
            s.startPopulatingView = [](YearView*) {};
            s.populateView = [](YearView*) {};
        });
        testsupport::wireMainWindowPanes();
        mainWindow = std::make_unique<MainWindowCtrl>();
        mainWindow->window();
        mainWindow->applicationFinishedLaunching();
        mainWindow->window()->makeKeyAndOrderFront();
    }

    static QVariantMap group(const QString& name) {
        return foundation::Defaults::standard().dictionaryForKey(name);
    }
    static void setGroupKey(const QString& name, const QString& key, const QVariant& value) {
        QVariantMap values = group(name);
        values.insert(key, value);
        foundation::Defaults::standard().setObject(name, values);
    }

    testsupport::TempDir dir;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<MainWindowCtrl> mainWindow;
};

}  // namespace prefstest
