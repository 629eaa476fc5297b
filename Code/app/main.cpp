// Zolt's entry point: makes the application object, wires the main window with
// the views and services of the parts built after the shell, and runs start-up,
// the event loop and shutdown.
#include "data/YearViewEventLoader.h"
#include "data/YearViewTarget.h"
#include "platform/foundation/Bundle.h"
#include "platform/kit/Action.h"
#include "platform/kit/Window.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "yearview/YearView.h"
#include "yearview/YearViewModel.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace {

// A year page as the loader jobs change it: its shared page data, which a job
// may hold while the page widget comes and goes.
class YearPageTarget final : public YearViewTarget {
public:
    explicit YearPageTarget(std::shared_ptr<YearViewModel> model) : model_(std::move(model)) {}

    int year() const override { return model_->year(); }
    void threadedAddEventFromCalendarForDayInMonthInFullLoading(const calstore::EventPtr& event,
                                                                const CalendarPtr& calendar,
                                                                int day, int month,
                                                                bool fullLoading) override {
        model_->threadedAddEventFromCalendarForDayInMonthInFullLoading(event, calendar, day, month,
                                                                       fullLoading);
    }
    void threadedRemoveCalendarForDayInMonth(const CalendarPtr& calendar, int day,
                                             int month) override {
        model_->threadedRemoveCalendarForDayInMonth(calendar, day, month);
    }
    void threadedRemoveEventUIDFromDayInMonth(const QString& uid, int day, int month) override {
        model_->threadedRemoveEventUIDFromDayInMonth(uid, day, month);
    }
    void threadedUpdateView() override { model_->threadedUpdateView(); }
    void threadedUpdateViewOffscreen() override { model_->threadedUpdateViewOffscreen(); }
    void invalidateEvents() override { model_->invalidateEvents(); }
    EventListPtr eventsForDayAndMonth(int day, int month) const override {
        return model_->eventsForDayAndMonth(day, month);
    }

private:
    std::shared_ptr<YearViewModel> model_;
};

YearViewTargetPtr targetOf(YearView* page) {
    return std::make_shared<YearPageTarget>(page->model());
}

YearViewEventLoaderPtr cachedLoaderOf(YearView* page) {
    return YearViewEventLoader::eventLoaderForYear(page->year());
}

// The year pages fill themselves through the loaders of their years.
void wireYearPages() {
    YearView::Services pages;
    pages.startPopulatingView = [](YearView* page) {
        cachedLoaderOf(page)->startPopulatingView(targetOf(page));
    };
    pages.startPopulatingOffscreen = [](YearView* page) {
        cachedLoaderOf(page)->startPopulatingOffscreen(targetOf(page));
    };
    pages.startPopulatingFromCals = [](const std::vector<CalendarPtr>& calendars, YearView* page) {
        YearViewEventLoader::newEventLoaderForYear(page->year())
            ->startPopulatingFromCalsToView(calendars, targetOf(page));
    };
    pages.startRemovingCals = [](const std::vector<CalendarPtr>& calendars, YearView* page) {
        YearViewEventLoader::newEventLoaderForYear(page->year())
            ->startRemovingCalsFromView(calendars, targetOf(page));
    };
    pages.startUpdatingEvents = [](const QVariantMap& changes, YearView* page) {
        YearViewEventLoader::newEventLoaderForYear(page->year())
            ->startUpdatingEventsFromView(changes, targetOf(page));
    };
    YearView::setServices(std::move(pages));
}

// Until the year area has its scroller, it holds the page of today's year.
QPointer<YearView> wireMainWindow() {
    auto page = std::make_shared<QPointer<YearView>>();
    MainWindowCtrl::Services window;
    window.makeYearScroller = [page](const QRectF& frame) -> kit::View* {
        YearView* view = YearView::initWithYearOffset(0);
        view->setFrame(frame);
        view->setIsVisible(true);
        *page = view;
        return view;
    };
    window.setViewsToRedraw = [](int count) { YearView::setViewsToRedraw(count); };
    window.startPopulatingView = [](kit::View* view) {
        if (auto* yearPage = qobject_cast<YearView*>(view))
            if (const auto& start = YearView::services().startPopulatingView) start(yearPage);
    };
    MainWindowCtrl::setServices(std::move(window));
    // Made now, so that the page exists before the settings are loaded.
    MainWindowCtrl::sharedWinController();
    return *page;
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
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
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

    AppDelegate delegate;
    kit::Action::setApplicationDelegate(&delegate);
    wireYearPages();
    const QPointer<YearView> yearPage = wireMainWindow();

    delegate.awakeFromNib();
    delegate.applicationWillFinishLaunching();
    YearViewEventLoader::setCalendarSources(delegate.calendarSources);
    // The page reads its settings once they are loaded (a year scroller does
    // this itself when launching ends).
    if (yearPage) yearPage->loadPreferences();
    delegate.applicationDidFinishLaunching();

    // Closing the main window ends the application; a quit is never refused.
    QApplication::setQuitOnLastWindowClosed(
        delegate.applicationShouldTerminateAfterLastWindowClosed());
    QuitWhenClosed quitWhenClosed(MainWindowCtrl::sharedWinController()->window(),
                                  delegate.applicationShouldTerminateAfterLastWindowClosed());
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });
    return app.exec();
}
