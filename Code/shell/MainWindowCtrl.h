#pragma once

#include "data/Calendar.h"
#include "data/MainWindowHooks.h"
#include "data/MyDate.h"
#include "platform/foundation/MainThreadObserver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Event.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/TextField.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "platform/kit/WindowController.h"
#include "shell/BottomButton.h"
#include "shell/CSUProgressView.h"
#include "shell/EmptyContainerView.h"
#include "shell/LxViewAnimation.h"
#include "shell/MainSourceSplitView.h"
#include "shell/MainSplitView.h"
#include "shell/MainWindow.h"

#include <QPointer>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class CalendarSources;
class LoaderProgressSink;

// Controls the main window: it builds the window with its split views, toolbar,
// menus and progress strip, wires the views of the source column, the year area
// and the week area, finishes their set-up when launching ends, decides the
// enabling of its toolbar and menu items and forwards their commands to the
// views, prints the week, raises and lowers the progress strip for the
// background jobs, keeps the window title on today's date and hands key presses
// to open popups first. It is the one access point of the whole system to the
// shown year pages, the week view, the current selection focus and the events
// being created (sharedWinController).
//
// The views of the year area, the week area and the source column, and the
// popups and panels, are built after the shell. The controller makes them
// through the factories of its Services, talks to them by operation name
// (kit::perform) and reaches the class-wide controllers of the popups through
// the Services' functions. Without them the window shows empty areas and the
// commands that need them do nothing.
//
// Main thread only, except the operations that say otherwise.
class MainWindowCtrl final : public kit::WindowController, public MainWindowHooks {
    Q_OBJECT

public:
    // What the controller asks of the parts built after the shell. Installed
    // once at start-up, before the window is built; unset entries are skipped.
    struct Services {
        // -- Views of the window, made when the window is built, each for the
        // frame it is to fill (in its container's coordinates). Unset: empty
        // placeholders.
        // The source column (CalendarSourceView): setSiblingView,
        // setCalendarSources (a std::shared_ptr<CalendarSources>),
        // setWindowKeyStatus, cmiNewCalendar, cmiNewMarker.
        std::function<kit::View*(const QRectF&)> makeSourceView;
        // The scrolling source list inside the column, above the progress strip.
        std::function<kit::View*(const QRectF&)> makeSourceListView;
        // The outline of calendars and markers inside that list
        // (CalendarSourceOutlineView): setDataSource, setDelegate (both a
        // std::shared_ptr<CalendarSources>), setAutosaveName,
        // setAutosaveExpandedItems; a SourceListOutline for the model root.
        std::function<kit::View*(kit::View* sourceListView)> outlineViewOf;
        // The year area (YearViewScroller). Until the area has its scroller a
        // single year page may stand there; it is then the shown page.
        std::function<kit::View*(const QRectF&)> makeYearScroller;
        // The week pane's first week view (WeekView).
        std::function<kit::View*(const QRectF&)> makeWeekView;

        // -- Popups and panels: a key press offered to the open day popup and
        // to the calendar hover; none back means it was consumed.
        std::function<std::optional<kit::Event>(const kit::Event&)> dayPopupKeyPressed;
        std::function<std::optional<kit::Event>(const kit::Event&)> calSourceHoverKeyPressed;
        // Open popups re-anchor themselves after the window moved.
        std::function<void()> dayPopupOriginatingViewMoved;
        std::function<void()> notesPopupOriginatingViewMoved;
        std::function<void()> notesHoverOriginatingViewMoved;
        std::function<void()> eventHoverOriginatingViewMoved;
        std::function<void()> calSourceHoverOriginatingViewMoved;
        // The search window.
        std::function<void()> showFindPanel;

        // -- Printing: a new print view of the week view at that size
        // (WeekViewPrint), which the controller drops after printing. It takes
        // openCacheWin, loadCacheImage, adjustSizeTo (a QSizeF) and
        // purgeCacheImage by name.
        std::function<kit::View*(kit::View* weekView, const QSizeF& size)> printViewForWeekView;

        // -- Year pages (class-wide operations of the year view)
        std::function<void(int count)> setViewsToRedraw;
        // The loader of the page's year fills the page (its startPopulatingView).
        std::function<void(kit::View* page)> startPopulatingView;

        // -- Model commands of the calendar list
        std::function<void()> removeOrphanedMarks;
    };
    // Each part built later sets its own entries and leaves the others as
    // they are.
    static void changeServices(const std::function<void(Services&)>& change);
    static const Services& services();

    // Identity of the menu items whose enabling or action depends on what they
    // are (their tags).
    enum MenuTag : int {
        kTagNewEvent = 1001,
        kTagAddMenu,
        kTagNewMarker,
        kTagReloadData,
        kTagCheckConsistency,
        kTagPageSetup,
        kTagPrint,
        kTagEdit,
        kTagInformation,
        kTagFind,
        kTagShowYear,
        kTagShowWeek,
        kTagWeek5Day,
        kTagWeek7Day,
        kTagWeekNext5,
        kTagWeekNext7,
        kTagCustYearView,
        kTagCustWeekView,
        kTagToggleToolbar,
        kTagGotoToday,
        kTagNextYear,
        kTagPrevYear,
        kTagNextWeek,
        kTagPrevWeek,
        kTagAbout,
        kTagPreferences,
        kTagAssistant,
        kTagQuit,
        kTagCloseWindow,
        kTagHelp,
        kTagAddCalendarGroup,  // every item of the Add menu
    };

    // The window as first built, and the parts of its layout.
    static constexpr double kWindowWidth = 1100.0;
    static constexpr double kWindowHeight = 760.0;
    static constexpr double kSourceColumnWidth = 200.0;
    static constexpr double kYearAreaHeight = 440.0;
    static constexpr double kProgressStripHeight = 24.0;
    static constexpr double kProgressSlideSeconds = 0.3;

    // The window's autosave names.
    static inline const QString kWindowAutosaveName = QStringLiteral("MainWindow");
    static inline const QString kYearWeekSplitterName = QStringLiteral("YearWeekSplitter");
    static inline const QString kMainSplitterName = QStringLiteral("MainWindowMainSplitter");
    static inline const QString kOutlineAutosaveName =
        QStringLiteral("CalendarSources OutlineView");

    // A controller made directly becomes the shared one when none is stored
    // yet (and stops being it when it goes).
    MainWindowCtrl();
    ~MainWindowCtrl() override;

    // The one controller, made on first call; its window is loaded.
    static MainWindowCtrl* sharedWinController();
    // The one controller when there is one, without making it or its window.
    static MainWindowCtrl* existingWinController() { return MWC_sharedWinController; }
    // Drops the shared controller with its window (tests start afresh with it);
    // the next sharedWinController makes a new one.
    static void resetSharedWinController();

    // -- Wiring
    // Runs once the window is built: autosave names, placing the views,
    // handing the parts to the year area and the progress strip to the loaders.
    void awakeFromNib();
    // The end of launching (from the application delegate): the year pages,
    // the model root connected to the source list, the views' preferences, the
    // key monitor, the title, the Add menu, the first responder, and the error
    // sheet when start-up flagged one.
    void applicationFinishedLaunching();
    // The week view was replaced by one of another display mode.
    Q_INVOKABLE void exchangeWeekSubviewTo(kit::View* weekView);
    // Asked of the year area: the shown page, the next and previous year's.
    Q_INVOKABLE kit::View* currentYearView() const;
    Q_INVOKABLE kit::View* futureYearView() const;
    Q_INVOKABLE kit::View* pastYearView() const;
    Q_INVOKABLE kit::View* currentWeekView() const override;
    // Forwarded to the year area; from another thread they go to the main
    // thread first.
    void calendarsAdded(const std::vector<CalendarPtr>& calendars);
    void calendarsRemoved(const std::vector<CalendarPtr>& calendars) override;
    // Event UID to event change code (1 new, 2 changed, 3 deleted).
    Q_INVOKABLE void eventsUpdated(const QVariantMap& updatedEvents) override;
    Q_INVOKABLE void showWeekOfDay(const MyDatePtr& date);
    Q_INVOKABLE void ensureYearIsShown(int year);

    // -- Selection focus: what Info and Edit act on, and who answers them.
    Q_INVOKABLE void setCurrentGlobalObjectWithController(const QVariant& object,
                                                          QObject* controller);
    QVariant currentGlobalObject() const { return currentObject; }
    QObject* currentGlobalObjectController() const { return currentController; }
    // Both a focus object and its controller are set.
    bool hasFocus() const;

    // -- Events being created (any thread)
    Q_INVOKABLE void addCurrentCreationEventUID(const QString& uid);
    Q_INVOKABLE bool isCurrentlyInCreation(const QString& uid) const override;
    Q_INVOKABLE void endCurrentCreatedEventUID(const QString& uid);

    // -- Progress strip. Raising and lowering run on the main thread; the
    // FromThread operations may be called anywhere and return at once.
    Q_INVOKABLE void showProgressView();
    Q_INVOKABLE void hideProgressView();
    void showProgressViewFromThread();
    void hideProgressViewFromThread();
    // 0 at start, 1 after the strip was raised, -1 after it was lowered.
    int progressViewMoving() const { return progressViewMoving_; }
    LxViewAnimation* progressAnimation() const { return progressIndAnimation; }
    // What the loader jobs drive (held by the loader class).
    std::shared_ptr<LoaderProgressSink> progressSink() const { return progressSink_; }

    // -- External configuration error sheet
    void setNeedsToShowErrorPanelExternalPrefs();
    bool needsToShowErrorPanelExternalPrefs() const { return needToShowErrorPanelExternalConfig; }
    Q_INVOKABLE void showErrorPanelExternalPrefs();
    Q_INVOKABLE void okErrorPanelExternalPrefs(QObject* sender = nullptr);
    Q_INVOKABLE void errorPanelExternalPrefsDidEnd(QObject* sheet, int returnCode,
                                                   const QVariant& contextInfo);
    kit::Window* errorPanelExternalConfig() const;

    // -- Add menu and title
    // Rebuilds the Add menu from the model root's calendar groups.
    Q_INVOKABLE void updateAddMenuWithCalendarGroups();
    // The one builder of the Add menu's group items, for the File menu and the
    // source list: one item per known group of `sources`, carrying the group's
    // name as represented object; only the local group's item sends `action`
    // to `target`.
    static void addCalendarGroupItemsToMenu(kit::Menu* menu, const CalendarSources* sources,
                                            QObject* target, const QByteArray& action);
    // The calendar group an Add menu item stands for; "" when none.
    static QString calendarGroupNameForMenuItem(const kit::MenuItem* item);
    // Titles the window with today's date.
    void currentDateChange(const foundation::Notification* notification = nullptr);
    static QString windowTitleForDate(const MyDate& date);

    // -- Keys: every key-down of the application is offered to the day popup,
    // then to the calendar hover; none back swallows it.
    std::optional<kit::Event> appKeyPress(const kit::Event& event);
    bool isKeyMonitorInstalled() const { return keyMonitor_ != 0; }

    // The toolbar was shown or hidden and the window kept its height.
    Q_INVOKABLE void toolbarToggledWithoutWindowResize();
    // The View menu's toolbar item: shows or hides the toolbar.
    Q_INVOKABLE void toggleToolbarShown(QObject* sender);

    // -- Window delegate (the window performs them by name)
    Q_INVOKABLE void windowDidResignMain(QObject* window);
    Q_INVOKABLE void windowDidBecomeMain(QObject* window);
    Q_INVOKABLE void windowDidResize(QObject* window);
    Q_INVOKABLE void windowDidMove(QObject* window);
    Q_INVOKABLE void windowDidBecomeKey(QObject* window) {}
    Q_INVOKABLE void windowDidResignKey(QObject* window) {}
    Q_INVOKABLE void windowWillClose(QObject* window) {}

    // -- Toolbar
    Q_INVOKABLE bool validateToolbarItem(QObject* item);
    Q_INVOKABLE void toolbarNewCalendar(QObject* sender);
    Q_INVOKABLE void toolbarNewEvent(QObject* sender);
    Q_INVOKABLE void toolbarShowToday(QObject* sender);
    Q_INVOKABLE void toolbarGotoWeek(QObject* sender);
    Q_INVOKABLE void toolbarGotoYear(QObject* sender);
    Q_INVOKABLE void toolbarInfo(QObject* sender);
    Q_INVOKABLE void toolbarEdit(QObject* sender);
    Q_INVOKABLE void toolbarPreferences(QObject* sender);
    Q_INVOKABLE void toolbarFind(QObject* sender);
    Q_INVOKABLE void toolbarPrint(QObject* sender);

    // -- Menus
    Q_INVOKABLE bool validateMenuItem(QObject* item);
    Q_INVOKABLE void menuCommandNewEvent(QObject* sender);
    Q_INVOKABLE void menuCommandNewCalendar(QObject* sender);
    Q_INVOKABLE void menuCommandNewMarker(QObject* sender);
    Q_INVOKABLE void menuCommandReloadData(QObject* sender);
    Q_INVOKABLE void menuCommandCheckConsistency(QObject* sender);
    Q_INVOKABLE void menuCommandPageSetup(QObject* sender);
    Q_INVOKABLE void menuCommandPrint(QObject* sender);
    Q_INVOKABLE void menuCommandEdit(QObject* sender);
    Q_INVOKABLE void menuCommandInformation(QObject* sender);
    Q_INVOKABLE void menuCommandFind(QObject* sender);
    Q_INVOKABLE void menuCommandShowWeek(QObject* sender);
    Q_INVOKABLE void menuCommandShowYear(QObject* sender);
    Q_INVOKABLE void menuCommandWeek5Day(QObject* sender);
    Q_INVOKABLE void menuCommandWeek7Day(QObject* sender);
    Q_INVOKABLE void menuCommandWeekNext5(QObject* sender);
    Q_INVOKABLE void menuCommandWeekNext7(QObject* sender);
    Q_INVOKABLE void menuCommandGotoToday(QObject* sender);
    Q_INVOKABLE void menuCommandNextYear(QObject* sender);
    Q_INVOKABLE void menuCommandPrevYear(QObject* sender);
    Q_INVOKABLE void menuCommandNextWeek(QObject* sender);
    Q_INVOKABLE void menuCommandPrevWeek(QObject* sender);
    Q_INVOKABLE void menuCommandCustYearView(QObject* sender);
    Q_INVOKABLE void menuCommandCustWeekView(QObject* sender);

    // -- The window's parts
    MainWindow* mainWindow();
    MainSourceSplitView* mainWindowSplitView() const { return gui_mainWindowSplitView; }
    MainSplitView* yearWeekSplitView() const { return gui_yearWeekSplitView; }
    kit::View* calYearScroller() const { return gui_calYearScroller; }
    EmptyContainerView* leftViewContainer() const { return gui_mainWindowLeftViewContainer; }
    EmptyContainerView* topRightViewContainer() const {
        return gui_mainWindowTopRightViewContainer;
    }
    kit::View* calSourceView() const { return gui_calSourceView; }
    kit::View* calSourceListView() const { return gui_calSourceListView; }
    kit::View* calOLView() const { return gui_calOLView; }
    CSUProgressView* progressView() const { return gui_progressView; }
    kit::ProgressIndicator* progressIndicator() const { return gui_progressInd; }
    kit::TextField* progressText() const { return gui_progressTxt; }
    kit::ImageView* rightSplitButton() const { return gui_rightSplitButton; }
    BottomButton* yearButton() const { return gui_yearButton; }
    BottomButton* weekButton() const { return gui_weekButton; }
    // The application menu this controller built, and its Add submenu.
    kit::Menu* mainMenu() const { return mainMenu_.get(); }
    kit::Menu* addMenu() const { return gui_mainMenuAddMenu; }
    // The first item of the application menu with that tag (submenus searched).
    kit::MenuItem* menuItemWithTag(int tag) const;

    // Whether the year pane and the week pane are open (asked of the year
    // area; without it, read from the year/week split view).
    bool yearViewVisible() const;
    bool weekViewVisible() const;

protected:
    kit::Window* loadWindow() override;
    void windowDidLoad() override;

private:
    void buildContent(MainWindow* window);
    void buildProgressStrip(kit::View* sourceView);
    void buildToolbar(MainWindow* window);
    void buildMainMenu();
    void buildErrorPanel();
    kit::MenuItem* addMenuItem(kit::Menu* menu, int tag, const QString& key, const QString& english,
                               const QByteArray& action, const QString& keyEquivalent = QString());
    void slideProgressStrip(bool raise);
    std::shared_ptr<LoaderProgressSink> makeProgressSink();
    // Performs `name` with the focus object on the focus controller.
    void performOnFocus(const char* name);
    bool weekViewCanCreateNewEvent() const;
    int shownYear() const;
    // Runs `fn` now on the main thread, else queues it there.
    void onMainThread(std::function<void()> fn);

    static inline MainWindowCtrl* MWC_sharedWinController = nullptr;

    // Outlets
    QPointer<MainSourceSplitView> gui_mainWindowSplitView;
    QPointer<MainSplitView> gui_yearWeekSplitView;
    QPointer<kit::View> gui_calYearScroller;
    QPointer<EmptyContainerView> gui_mainWindowLeftViewContainer;
    QPointer<EmptyContainerView> gui_mainWindowTopRightViewContainer;
    QPointer<kit::View> gui_calSourceView;
    QPointer<kit::View> gui_calSourceListView;
    QPointer<kit::View> gui_calWeekView;
    QPointer<kit::View> gui_calOLView;
    QPointer<CSUProgressView> gui_progressView;
    QPointer<kit::ImageView> gui_rightSplitButton;
    QPointer<BottomButton> gui_yearButton;
    QPointer<BottomButton> gui_weekButton;
    QPointer<kit::ProgressIndicator> gui_progressInd;
    QPointer<kit::TextField> gui_progressTxt;
    QPointer<kit::MenuItem> gui_mainMenuNewEvent;
    QPointer<kit::MenuItem> gui_mainMenuEdit;
    QPointer<kit::MenuItem> gui_mainMenuInformation;
    QPointer<kit::MenuItem> gui_mainMenuNextYear;
    QPointer<kit::MenuItem> gui_mainMenuPrevYear;
    QPointer<kit::MenuItem> gui_mainMenuNextWeek;
    QPointer<kit::MenuItem> gui_mainMenuPrevWeek;
    QPointer<kit::Menu> gui_mainMenuAddMenu;
    std::unique_ptr<kit::Window> gui_errorPanelExternalConfig;
    std::unique_ptr<kit::Menu> mainMenu_;

    // State
    QPointer<LxViewAnimation> progressIndAnimation;
    int progressViewMoving_ = 0;
    // Where the list's bottom edge rests while the strip is down: above the
    // source view's own bottom bar, when it has one. Read before the strip
    // first moves.
    std::optional<double> listRestY_;
    QVariant currentObject;
    QPointer<QObject> currentController;
    mutable std::recursive_mutex creationsLock_;
    std::optional<QStringList> currentCreations;  // made on first use
    bool needToShowErrorPanelExternalConfig = false;
    std::shared_ptr<LoaderProgressSink> progressSink_;
    quint64 keyMonitor_ = 0;
    // Validates the main menu's key equivalents as they are pressed.
    QPointer<QObject> keyEquivalentValidator_;
    QPointer<foundation::MainThreadObserver> dateObserver_;
};
