// Zolt's entry point: makes the application object, wires the main window with
// the views and services of the parts built after the shell, and runs start-up,
// the event loop and shutdown.
#include "data/CalendarSources.h"
#include "events/BirthdayHoverController.h"
#include "events/DayPopupController.h"
#include "events/EventConfigController.h"
#include "events/EventHoverController.h"
#include "events/EventSheetController.h"
#include "events/NotesHoverController.h"
#include "events/NotesPopupController.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/Action.h"
#include "platform/kit/Application.h"
#include "platform/kit/Window.h"
#include "platform/store/Store.h"
#include "prefs/AboutWinController.h"
#include "prefs/CalDAVConnector.h"
#include "prefs/HelpWinController.h"
#include "prefs/LxPrefsController.h"
#include "prefs/PrefSync.h"
#include "prefs/PrefsRefresh.h"
#include "prefs/SetupWinController.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "sources/CalSourceHoverController.h"
#include "sources/BirthdaySheetController.h"
#include "sources/CalendarSheetController.h"
#include "sources/CalendarSourceOutlineView.h"
#include "sources/CalendarSourceView.h"
#include "sources/FindPanelController.h"
#include "sources/HolidaySheetController.h"
#include "sources/MarkerSheetController.h"
#include "sources/PurgeSheetController.h"
#include "sources/SourceSheetParts.h"
#include "weekview/WeekView.h"
#include "weekview/WeekViewPrint.h"
#include "yearview/YearView.h"
#include "yearview/YearViewScroller.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <utility>

namespace {

// The year area is the year scroller with its three pages; the week pane is
// the week view.
void wireMainWindow() {
    MainWindowCtrl::changeServices([](MainWindowCtrl::Services& window) {
        window.makeYearScroller = [](const QRectF& frame) -> kit::View* {
            return new YearViewScroller(frame);
        };
        window.makeWeekView = [](const QRectF& frame) -> kit::View* {
            auto* week = WeekView::initWithFrame(frame);
            week->awakeFromNib();
            return week;
        };
        // The side column with the calendar source list.
        window.makeSourceView = [](const QRectF& frame) -> kit::View* {
            return new CalendarSourceView(frame);
        };
        window.makeSourceListView = [](const QRectF& frame) {
            return CalendarSourceView::makeSourceListView(frame);
        };
        window.outlineViewOf = [](kit::View* list) -> kit::View* {
            return CalendarSourceView::outlineViewOf(list);
        };
        window.setViewsToRedraw = [](int count) { YearView::setViewsToRedraw(count); };
        // The printed week is a print view of the shown week view.
        window.printViewForWeekView = [](kit::View* weekView, const QSizeF& size) -> kit::View* {
            return WeekViewPrint::printViewForWeekView(qobject_cast<WeekView*>(weekView), size);
        };
        window.startPopulatingView = [](kit::View* view) {
            if (auto* yearPage = qobject_cast<YearView*>(view))
                if (const auto& start = YearView::services().startPopulatingView) start(yearPage);
        };
    });
    MainWindowCtrl::sharedWinController();
}

// The preferences window: the Preferences command with every pane, the views'
// customise commands and the source list with their own pane alone, and the
// sync pane for a configuration file changed on disk; the about window.
void wirePreferences(AppDelegate& delegate) {
    delegate.changeServices([](AppDelegate::Services& app) {
        app.showPreferences = [](const QStringList& panes, const QString& pane) {
            LxPrefsController::sharedWinController()->showPanes(panes, pane);
        };
        app.showAbout = [] { AboutWinController::sharedWinController()->showWindow(); };
        app.externalConfigChanged = [] {
            PrefSync::shared()->externalConfigChanged();
            return true;
        };
    });
    // The sources pane's account sheet checks servers through the model.
    CalDAVConnector::installModelEntries();
    YearViewScroller::changeServices([](YearViewScroller::Services& year) {
        year.showYearViewPreferences = [] {
            LxPrefsController::sharedWinController()->showPanes({QStringLiteral("YView")},
                                                                QStringLiteral("YView"));
        };
    });
    WeekView::changeServices([](WeekView::Services& week) {
        week.showWeekViewPreferences = [] {
            LxPrefsController::sharedWinController()->showPanes({QStringLiteral("WView")},
                                                                QStringLiteral("WView"));
        };
    });
}

// The year page of a view of the main window (none when it is not one).
YearViewTargetPtr yearPageOf(kit::View* view) {
    auto* page = qobject_cast<YearView*>(view);
    return page ? page->model() : nullptr;
}

// The pages the list sheets keep up to date: the shown year and its neighbours.
YearPages mainYearPages() {
    MainWindowCtrl* main = MainWindowCtrl::sharedWinController();
    return {yearPageOf(main->currentYearView()), yearPageOf(main->futureYearView()),
            yearPageOf(main->pastYearView())};
}

// The calendar, marker, birthday and holiday sheets of the source list's
// commands on the main window (the birthday sheet also from the event hover's
// edit button), the help window of the Help menu and of the sheets' Help buttons, and
// the model's jobs on the shown year page.
void wireSourceSheets(AppDelegate& delegate) {
    CalendarSources::changeServices([](CalendarSources::Services& model) {
        auto window = [] { return MainWindowCtrl::sharedWinController()->window(); };
        auto sources = [] {
            AppDelegate* app = AppDelegate::obj();
            return app ? app->calendarSources : nullptr;
        };
        model.openCalendarSheet = [=](const CalendarPtr& calendar) {
            CalendarSheetController::sharedWinController()->openSheetForCalendarOnWindowFrom(
                calendar, window(), sources());
        };
        model.openCalendarDeleteSheet = [=](const CalendarPtr& calendar) {
            CalendarSheetController::sharedWinController()->openDeleteSheetForCalendarOnWindowFrom(
                calendar, window(), sources());
        };
        model.openMarkerSheet = [=](const EMarkerPtr& marker) {
            MarkerSheetController::sharedWinController()->openSheetForMarkerOnWindowFrom(
                marker, window(), sources());
        };
        model.openMarkerDeleteSheet = [=](const EMarkerPtr& marker) {
            MarkerSheetController::sharedWinController()->openDeleteSheetForMarkerOnWindowFrom(
                marker, window(), sources());
        };
        model.openBirthdaySheet = [=](const CalendarPtr& calendar) {
            BirthdaySheetController::sharedWinController()
                ->openSheetForCalendarOnWindowFromWithCurrentYView(calendar, window(), sources(),
                                                                   mainYearPages());
        };
        model.openHolidaySheet = [=](const CalendarPtr& calendar) {
            HolidaySheetController::sharedWinController()
                ->openSheetForCalendarOnWindowFromWithCurrentYView(calendar, window(), sources(),
                                                                   mainYearPages());
        };
        model.openPurgeSheet = [=](const CalendarPtr& calendar) {
            PurgeSheetController::sharedWinController()->openSheetForCalendarOnWindowFrom(
                calendar, window(), sources());
        };
        model.currentYearPage = []() -> std::shared_ptr<YearViewTarget> {
            return yearPageOf(MainWindowCtrl::sharedWinController()->currentYearView());
        };
    });
    EventHoverController::changeServices([](EventHoverController::Services& hover) {
        hover.showBirthdayInSheet = [](const CalendarPtr& calendar, const QString& title) {
            AppDelegate* app = AppDelegate::obj();
            auto* sheet = BirthdaySheetController::sharedWinController();
            sheet->openSheetForCalendarOnWindowFromWithCurrentYView(
                calendar, MainWindowCtrl::sharedWinController()->window(),
                app ? app->calendarSources : nullptr, mainYearPages());
            sheet->selectLineWithTitle(title);
        };
    });
    MainWindowCtrl::changeServices([](MainWindowCtrl::Services& window) {
        window.removeOrphanedMarks = [] {
            if (AppDelegate* app = AppDelegate::obj(); app && app->calendarSources)
                app->calendarSources->removeOrphanedMarks();
        };
    });
    delegate.changeServices([](AppDelegate::Services& app) {
        app.showHelp = [] { HelpWinController::sharedWinController()->showWindow(); };
    });
    sourcesheets::setHelpHandler([](const QString& page) {
        HelpWinController::sharedWinController()->showWindowWithFile(page);
    });
}

// The setup assistant: the start-up check asks it which stores exist, and the
// Setup Assistant command opens it on the main window.
void wireSetupAssistant(AppDelegate& delegate) {
    delegate.changeServices([](AppDelegate::Services& app) {
        app.markerStoreDefined = [] {
            return SetupWinController::sharedWinController()->markerStoreDefined();
        };
        app.holidayStoreDefined = [] {
            return SetupWinController::sharedWinController()->holidayStoreDefined();
        };
        app.birthdayStoreDefined = [] {
            return SetupWinController::sharedWinController()->birthdayStoreDefined();
        };
        app.openSetupSheetOnMainWindow = [] {
            SetupWinController::sharedWinController()->openSetupSheetOnMainWindow();
        };
    });
}

// Closing the main window ends the application (the window only hides itself
// when it is closed).
class QuitWhenClosed final : public QObject {
public:
    QuitWhenClosed(kit::Window* window, bool quit) : window_(window), quit_(quit) {
        window->widget()->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && quit_ && window_ && window_->isClosed())
            QTimer::singleShot(0, qApp, [] { kit::Application::terminate(); });
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<kit::Window> window_;
    bool quit_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zolt"));
    QApplication::setApplicationVersion(
        foundation::Bundle::infoValue(QStringLiteral("CFBundleVersion")).toString());

    // Settings reach their file a moment after each change, not only at a quit.
    foundation::Defaults::standard().setAutosaveDelay(1000);

    // The store reads its files on all cores while the window is built and shown.
    calstore::Store::openDefaultStoreInBackground();

    AppDelegate delegate;
    kit::Action::setApplicationDelegate(&delegate);
    YearView::connectLoaderJobs();
    // The week view opens the event editor; changed preferences reach the editors.
    EventConfigController::installWeekViewEntries();
    FindPanelController::installEntries();
    // The birthday and notes hovers of the week headers and the year view.
    BirthdayHoverController::installServices();
    NotesHoverController::installServices();
    PrefsRefresh::changeServices([](PrefsRefresh::Services& s) {
        s.eventEditorUpdatePreferences = &EventConfigController::updatePreferences;
    });
    // The event hover opens from the week view, which also asks the delete
    // sheet before it deletes; the main window and the year area move and
    // close the hover.
    EventHoverController::installEntries();
    EventSheetController::installWeekViewEntries();
    // A day of the year opens in the day popup; its notes in the notes popup.
    DayPopupController::installEntries();
    NotesPopupController::installEntries();
    // The source list's rows open the calendar and marker hover; the main
    // window offers it key presses and moves it along.
    CalSourceHoverController::installEntries();
    wireMainWindow();
    wirePreferences(delegate);
    wireSourceSheets(delegate);
    wireSetupAssistant(delegate);

    delegate.awakeFromNib();
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching();

    // Closing the main window ends the application; a quit is never refused.
    QApplication::setQuitOnLastWindowClosed(
        delegate.applicationShouldTerminateAfterLastWindowClosed());
    QuitWhenClosed quitWhenClosed(MainWindowCtrl::sharedWinController()->window(),
                                  delegate.applicationShouldTerminateAfterLastWindowClosed());
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });
    const int result = app.exec();
    // Jobs still drawing or writing finish before the application object goes.
    if (!foundation::waitForThreads(10.0))
        foundation::log(QStringLiteral("WARNING: background jobs still running at exit"));
    return result;
}
