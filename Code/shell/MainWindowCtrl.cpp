#include "shell/MainWindowCtrl.h"

#include "data/CalendarSources.h"
#include "data/SourceListOutline.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/kit/Application.h"
#include "platform/kit/MenuBar.h"
#include "platform/kit/Perform.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/Toolbar.h"
#include "shell/AppDelegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>

#include <utility>

using foundation::localized;
using foundation::log;

namespace {

MainWindowCtrl::Services& installedServices() {
    static MainWindowCtrl::Services services;
    return services;
}

MyDatePtr today() {
    AppDelegate* app = AppDelegate::obj();
    MyDatePtr date = app ? app->today.load() : nullptr;
    return date ? date : MyDate::date();
}

// Validates the main menu's items of a key equivalent as the key is pressed,
// before the key equivalent is looked up: what a menu's items were found to be
// able to do when it was last opened may have changed since (Edit and
// Information stay dead after their menu was opened with nothing selected).
class KeyEquivalentValidator final : public QObject {
public:
    KeyEquivalentValidator(kit::Menu* mainMenu, QObject* owner)
        : QObject(owner), mainMenu_(mainMenu) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride && mainMenu_) {
            const QKeyCombination key = static_cast<QKeyEvent*>(event)->keyCombination();
            validate(mainMenu_, QKeySequence(QKeyCombination(
                                    key.keyboardModifiers() & ~Qt::KeypadModifier, key.key())));
        }
        return false;
    }

private:
    static void validate(kit::Menu* menu, const QKeySequence& key) {
        bool validated = false;
        for (kit::MenuItem* item : menu->itemArray()) {
            if (!validated && !item->shortcut().isEmpty() && item->shortcut() == key) {
                menu->validateItems();
                validated = true;
            }
            if (kit::Menu* submenu = item->submenu()) validate(submenu, key);
        }
    }

    QPointer<kit::Menu> mainMenu_;
};

}  // namespace

void MainWindowCtrl::changeServices(const std::function<void(Services&)>& change) {
    change(installedServices());
}

const MainWindowCtrl::Services& MainWindowCtrl::services() {
    return installedServices();
}

MainWindowCtrl::MainWindowCtrl() {
    // The writers and the store-change merging report to the controller; it is
    // not owned through this pointer.
    MainWindowHooks::setShared(std::shared_ptr<MainWindowHooks>(this, [](MainWindowHooks*) {}));
}

MainWindowCtrl::~MainWindowCtrl() {
    if (MainWindowHooks::shared().get() == this) MainWindowHooks::setShared(nullptr);
    // The frame is kept as the user left it, not as the window's bars go away
    // while it is taken apart.
    if (isWindowLoaded()) window()->setFrameAutosaveName(QString());
    if (keyMonitor_) kit::Application::shared().removeMonitor(keyMonitor_);
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
    if (MWC_sharedWinController == this) {
        MWC_sharedWinController = nullptr;
        YearViewEventLoader::setProgressIndicatorAndTextField(nullptr);
        if (kit::MenuBar::mainMenu() == mainMenu_.get()) kit::MenuBar::setMainMenu(nullptr);
    }
    if (progressIndAnimation) progressIndAnimation->stopAnimation();
}

MainWindowCtrl* MainWindowCtrl::sharedWinController() {
    if (!MWC_sharedWinController) {
        // Plain initialisation; loading the window stores it (awakeFromNib).
        auto* controller = new MainWindowCtrl;
        MWC_sharedWinController = controller;
    }
    MWC_sharedWinController->window();
    return MWC_sharedWinController;
}

void MainWindowCtrl::resetSharedWinController() {
    delete MWC_sharedWinController;  // its destructor forgets it
}

MainWindow* MainWindowCtrl::mainWindow() {
    return static_cast<MainWindow*>(window());
}

// -- Wiring

void MainWindowCtrl::awakeFromNib() {
    needToShowErrorPanelExternalConfig = false;
    if (!MWC_sharedWinController) MWC_sharedWinController = this;
    const bool shared = MWC_sharedWinController == this;
    if (shared) kit::MenuBar::setMainMenu(mainMenu_.get());

    // The first start centres the window; later starts take the saved frame.
    kit::Window* w = window();
    const bool hasSavedFrame =
        !foundation::Defaults::standard()
             .stringForKey(kit::Window::frameDefaultsKey(kWindowAutosaveName))
             .isEmpty();
    w->setFrameAutosaveName(kWindowAutosaveName);
    if (!hasSavedFrame) w->center();

    gui_yearWeekSplitView->setPositionAutosaveName(kYearWeekSplitterName);
    gui_mainWindowSplitView->setPositionAutosaveName(kMainSplitterName);

    const unsigned fill = kit::View::WidthSizable | kit::View::HeightSizable;
    gui_calSourceView->setFrame(gui_mainWindowLeftViewContainer->bounds());
    gui_calSourceView->setAutoresizingMask(fill);
    gui_mainWindowLeftViewContainer->addSubview(gui_calSourceView);
    gui_calYearScroller->setFrame(gui_mainWindowTopRightViewContainer->bounds());
    gui_calYearScroller->setAutoresizingMask(fill);
    gui_mainWindowTopRightViewContainer->addSubview(gui_calYearScroller);
    // Above the year area, on its bar.
    gui_mainWindowTopRightViewContainer->addSubview(gui_rightSplitButton);
    gui_mainWindowTopRightViewContainer->addSubview(gui_yearButton);
    gui_mainWindowTopRightViewContainer->addSubview(gui_weekButton);

    kit::perform(gui_calSourceView, "setSiblingView", gui_yearWeekSplitView.data());

    kit::View* scroller = gui_calYearScroller;
    kit::perform(scroller, "setWeekSubview", gui_calWeekView.data());
    kit::perform(scroller, "setRightSplitButton", gui_rightSplitButton.data());
    kit::perform(scroller, "setYearButton", gui_yearButton.data());
    kit::perform(scroller, "setWeekButton", gui_weekButton.data());
    kit::perform(scroller, "setSplitSuperview", gui_yearWeekSplitView.data());
    // The week view asks the year area for its days; the main menu's mode
    // items show its mode.
    kit::View* week = gui_calWeekView;
    kit::perform(week, "setYearViewScroller", scroller);
    const std::pair<int, int> modeItems[] = {
        {1, kTagWeek7Day}, {2, kTagWeek5Day}, {3, kTagWeekNext7}, {4, kTagWeekNext5}};
    for (const auto& [mode, tag] : modeItems)
        kit::perform(week, "setMainMenuModeItem", mode,
                     static_cast<QObject*>(menuItemWithTag(tag)));

    progressSink_ = makeProgressSink();
    if (shared) YearViewEventLoader::setProgressIndicatorAndTextField(progressSink_);

    progressIndAnimation = nullptr;
    progressViewMoving_ = 0;
    currentObject = QVariant();
    currentController = nullptr;
    {
        std::lock_guard guard(creationsLock_);
        currentCreations.reset();
    }
    gui_mainMenuInformation->setEnabled(false);
    if (!keyEquivalentValidator_) {
        keyEquivalentValidator_ = new KeyEquivalentValidator(mainMenu_.get(), this);
        qApp->installEventFilter(keyEquivalentValidator_);
    }
}

void MainWindowCtrl::applicationFinishedLaunching() {
    window();
    kit::View* scroller = gui_calYearScroller;
    kit::perform(scroller, "setYearSubviews");

    // The model root behind the source list.
    AppDelegate* app = AppDelegate::obj();
    if (std::shared_ptr<CalendarSources> sources = app ? app->calendarSources : nullptr) {
        const QVariant root = QVariant::fromValue(sources);
        kit::perform(gui_calSourceView, "setCalendarSources", root);
        if (kit::View* outline = gui_calOLView) {
            kit::perform(outline, "setDataSource", root);
            kit::perform(outline, "setDelegate", root);
            if (auto* list = dynamic_cast<SourceListOutline*>(outline))
                sources->setOutlineView(list);
            kit::perform(outline, "setAutosaveName", kOutlineAutosaveName);
            kit::perform(outline, "setAutosaveExpandedItems", true);
        }
    }

    kit::perform(scroller, "loadPreferences");
    scroller->setNeedsDisplay(true);
    if (kit::View* week = gui_calWeekView) {
        kit::perform(week, "loadPreferences");
        kit::perform(week, "applicationFinishedLaunching");
        week->setNeedsDisplay(true);
    }

    if (!keyMonitor_) {
        QPointer<MainWindowCtrl> self(this);
        keyMonitor_ = kit::Application::shared().addLocalMonitorForEventsMatchingMask(
            kit::EventMasks::KeyDown, [self](const kit::Event& event) -> std::optional<kit::Event> {
                return self ? self->appKeyPress(event) : std::optional<kit::Event>(event);
            });
    }

    currentDateChange(nullptr);
    if (!dateObserver_) {
        dateObserver_ = foundation::MainThreadObserver::observe(
            this, AppDelegate::kCurrentDateChanged, nullptr,
            [this](const foundation::Notification& n) { currentDateChange(&n); });
    }

    updateAddMenuWithCalendarGroups();

    if (kit::View* page = currentYearView()) {
        window()->makeFirstResponder(page);
        // Its events are on their way while the window draws for the first time.
        kit::perform(page, "startLoadingEvents");
    }

    if (needToShowErrorPanelExternalConfig)
        kit::performOnMainThread(this, "showErrorPanelExternalPrefs", false);
}

void MainWindowCtrl::exchangeWeekSubviewTo(kit::View* weekView) {
    gui_calWeekView = weekView;
}

// A year area without its own operations is a single page: the shown one.
kit::View* MainWindowCtrl::currentYearView() const {
    kit::View* scroller = gui_calYearScroller;
    if (!scroller) return nullptr;
    if (auto page = kit::performReturning<kit::View*>(scroller, "currentYearView")) return *page;
    return kit::respondsTo(scroller, "invalidateEvents") ? scroller : nullptr;
}

kit::View* MainWindowCtrl::futureYearView() const {
    return kit::performReturning<kit::View*>(gui_calYearScroller.data(), "futureYearView")
        .value_or(nullptr);
}

kit::View* MainWindowCtrl::pastYearView() const {
    return kit::performReturning<kit::View*>(gui_calYearScroller.data(), "pastYearView")
        .value_or(nullptr);
}

kit::View* MainWindowCtrl::currentWeekView() const {
    kit::View* scroller = gui_calYearScroller;
    if (auto week = kit::performReturning<kit::View*>(scroller, "currentWeekView"); week && *week)
        return *week;
    return gui_calWeekView;
}

void MainWindowCtrl::calendarsAdded(const std::vector<CalendarPtr>& calendars) {
    onMainThread([this, calendars] {
        kit::perform(gui_calYearScroller.data(), "calendarsAdded", calendars);
    });
}

void MainWindowCtrl::calendarsRemoved(const std::vector<CalendarPtr>& calendars) {
    onMainThread([this, calendars] {
        kit::perform(gui_calYearScroller.data(), "calendarsRemoved", calendars);
    });
}

void MainWindowCtrl::eventsUpdated(const QVariantMap& updatedEvents) {
    onMainThread([this, updatedEvents] {
        kit::perform(gui_calYearScroller.data(), "eventsUpdated", updatedEvents);
    });
}

void MainWindowCtrl::showWeekOfDay(const MyDatePtr& date) {
    kit::perform(gui_calYearScroller.data(), "showWeekOfDay", date);
}

void MainWindowCtrl::ensureYearIsShown(int year) {
    kit::perform(gui_calYearScroller.data(), "ensureYearIsShown", year);
}

bool MainWindowCtrl::yearViewVisible() const {
    if (auto visible = kit::performReturning<bool>(gui_calYearScroller.data(), "yearViewVisible"))
        return *visible;
    MainSplitView* split = gui_yearWeekSplitView;
    return split && split->upperSubview() && !split->isSubviewCollapsed(split->upperSubview());
}

bool MainWindowCtrl::weekViewVisible() const {
    if (auto visible = kit::performReturning<bool>(gui_calYearScroller.data(), "weekViewVisible"))
        return *visible;
    MainSplitView* split = gui_yearWeekSplitView;
    return split && split->lowerSubview() && !split->isSubviewCollapsed(split->lowerSubview());
}

// -- Selection focus

void MainWindowCtrl::setCurrentGlobalObjectWithController(const QVariant& object,
                                                          QObject* controller) {
    currentObject = object;
    currentController = controller;
    if (kit::Toolbar* toolbar = window() ? window()->toolbar() : nullptr)
        toolbar->validateVisibleItems();
}

bool MainWindowCtrl::hasFocus() const {
    return currentObject.isValid() && !currentController.isNull();
}

// -- Events being created

void MainWindowCtrl::addCurrentCreationEventUID(const QString& uid) {
    std::lock_guard guard(creationsLock_);
    if (!currentCreations) currentCreations.emplace();
    currentCreations->append(uid);
}

bool MainWindowCtrl::isCurrentlyInCreation(const QString& uid) const {
    std::lock_guard guard(creationsLock_);
    return currentCreations && currentCreations->contains(uid);
}

void MainWindowCtrl::endCurrentCreatedEventUID(const QString& uid) {
    std::lock_guard guard(creationsLock_);
    if (currentCreations) currentCreations->removeOne(uid);
}

// -- External configuration error sheet

void MainWindowCtrl::setNeedsToShowErrorPanelExternalPrefs() {
    needToShowErrorPanelExternalConfig = true;
}

kit::Window* MainWindowCtrl::errorPanelExternalConfig() const {
    return gui_errorPanelExternalConfig.get();
}

void MainWindowCtrl::showErrorPanelExternalPrefs() {
    needToShowErrorPanelExternalConfig = false;
    if (!gui_errorPanelExternalConfig) buildErrorPanel();
    kit::Sheet::beginSheetModalForWindow(gui_errorPanelExternalConfig.get(), window(), this,
                                         "errorPanelExternalPrefsDidEnd");
}

void MainWindowCtrl::okErrorPanelExternalPrefs(QObject*) {
    if (gui_errorPanelExternalConfig) kit::Sheet::endSheet(gui_errorPanelExternalConfig.get(), 1);
}

void MainWindowCtrl::errorPanelExternalPrefsDidEnd(QObject* sheet, int, const QVariant&) {
    if (auto* w = qobject_cast<kit::Window*>(sheet)) w->orderOut();
}

// -- Title and keys

QString MainWindowCtrl::windowTitleForDate(const MyDate& date) {
    const QString month =
        localized(QStringLiteral("shortMonthText%1").arg(date.monthNum()), QString());
    return QStringLiteral("%1. %2. %3").arg(date.dayNum()).arg(month).arg(date.yearNum());
}

void MainWindowCtrl::currentDateChange(const foundation::Notification*) {
    if (kit::Window* w = window()) w->setTitle(windowTitleForDate(*today()));
}

std::optional<kit::Event> MainWindowCtrl::appKeyPress(const kit::Event& event) {
    std::optional<kit::Event> answer = event;
    if (const auto& popup = services().dayPopupKeyPressed) {
        answer = popup(*answer);
        if (!answer) return std::nullopt;
    }
    if (const auto& hover = services().calSourceHoverKeyPressed) answer = hover(*answer);
    return answer;
}

void MainWindowCtrl::toolbarToggledWithoutWindowResize() {
    kit::perform(gui_calYearScroller.data(), "windowDidResize");
    kit::View* week = currentWeekView();
    kit::perform(week, "repositionViewsDuringResize");
    kit::perform(week, "forcedRedraw");
}

void MainWindowCtrl::toggleToolbarShown(QObject* sender) {
    if (MainWindow* w = mainWindow()) w->toggleToolbarShown(sender);
}

// -- Window delegate

void MainWindowCtrl::windowDidResignMain(QObject*) {
    if (gui_progressView) gui_progressView->setWindowKeyStatus(false);
    kit::perform(gui_calSourceView.data(), "setWindowKeyStatus", false);
}

void MainWindowCtrl::windowDidBecomeMain(QObject*) {
    if (gui_progressView) gui_progressView->setWindowKeyStatus(true);
    kit::perform(gui_calSourceView.data(), "setWindowKeyStatus", true);
}

void MainWindowCtrl::windowDidResize(QObject*) {
    kit::perform(gui_calYearScroller.data(), "windowDidResize");
}

void MainWindowCtrl::windowDidMove(QObject*) {
    const Services& s = services();
    for (const auto* moved : {&s.dayPopupOriginatingViewMoved, &s.notesPopupOriginatingViewMoved,
                              &s.notesHoverOriginatingViewMoved, &s.eventHoverOriginatingViewMoved,
                              &s.calSourceHoverOriginatingViewMoved})
        if (*moved) (*moved)();
}

void MainWindowCtrl::onMainThread(std::function<void()> fn) {
    if (foundation::isMainThread()) {
        fn();
        return;
    }
    QPointer<MainWindowCtrl> self(this);
    foundation::onMain([self, fn = std::move(fn)] {
        if (self) fn();
    });
}
