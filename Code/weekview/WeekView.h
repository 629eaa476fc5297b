#pragma once

#include "data/EventDay.h"
#include "data/MyDate.h"
#include "data/appPref.h"
#include "platform/foundation/MainThreadObserver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/ScrollSwipe.h"
#include "platform/kit/TextAttributes.h"
#include "platform/kit/View.h"
#include "platform/store/Event.h"
#include "weekview/WeekViewAnimation.h"
#include "weekview/WeekViewScroller.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QMenu;
class WeekPageCurlAnimation;
class WeekdayView;
class YearView;
class YearViewCell;

namespace kit {
class Event;
class Graphics;
class Menu;
class TrackingArea;
}  // namespace kit

// The lower pane of the main window: a row of day columns, one per shown day,
// starting at the reference date, in one of the display modes (a 7-day or
// 5-day week, the next 7 or 5 days, or a single day). It lays the columns out
// inside its inner rectangle with the hour scroller at its right edge, draws
// the frame around them (hour labels, the bar of the year's weeks with
// today's and the shown week, the corner that changes the mode, the page
// indicator), keeps them current when the loaders change the days, and
// stands in a snapshot for them while the window is resized.
//
// Main thread only, except threadedUpdateView, which the loader jobs call from
// their threads.
class WeekView : public kit::View {
    Q_OBJECT
    friend class WeekViewPrint;

public:
    // The display modes; any other stored value is taken as a 7-day week.
    enum DisplayMode : int {
        kWeek7Day = 1,
        kWeek5Day = 2,
        kNext7Days = 3,
        kNext5Days = 4,
        kSingleDay = 5,
    };

    // Layout constants, in points.
    static constexpr double kSideMargin = 40.0;    // left of the columns, and right of them
    static constexpr double kBottomMargin = 22.0;  // below the columns, and above them
    static constexpr double kRelativeBarRoom = 8.0;
    static constexpr double kFullDayHeight = 1226.0;  // 24 hours of 50 points and a header
    static constexpr double kMinFullHeight = 250.0;
    static constexpr double kCornerSize = 50.0;
    static constexpr double kMinScrollerHeight = 190.0;

    // What the week view asks of the windows built after it. Unset entries do
    // nothing. Installed once at start-up.
    struct Services {
        // The event hover.
        std::function<void(QObject* sender)> eventHoverCloseWindow;
        std::function<void()> eventHoverLoadPreferences;
        std::function<void()> eventHoverUpdatePreferences;
        // Opens the details hover of an event at a rectangle of an anchor view.
        std::function<void(const EventDayPtr& event, const QRectF& rect, kit::View* anchor)>
            eventHoverShowWindow;
        // Whether the details hover is open.
        std::function<bool()> eventHoverIsOpen;
        // Offers a scroll event to the hover; true when it scrolled its own content.
        std::function<bool(const kit::Event& event)> eventHoverScrollNotify;
        // Asks the user to confirm the deletion of a repeating event; the sheet
        // calls selectionGotDeleted on OK.
        std::function<void(WeekView* view, const EventDayPtr& event)> eventDeleteSheet;
        // The event editor: the one editor of a store event (made on the first
        // request), opened for an event of the store (showWindow) or for one
        // just created in a column (showWindowForNew: closed unsaved, it
        // removes the event again). The sender is the asking view.
        std::function<QObject*(const calstore::EventPtr& event)> controllerForEvent;
        std::function<void(QObject* controller, QObject* sender)> showWindow;
        std::function<void(QObject* controller, QObject* sender)> showWindowForNew;
        // The preferences window with only the week view's pane.
        std::function<void()> showWeekViewPreferences;
        // The birthday hover of a column header: shown below a rectangle of
        // the header with the day's birthdays, and closed.
        std::function<void(const QRectF& rect, kit::View* header, const QString& text)>
            birthdayHoverShowWindow;
        std::function<void(QObject* sender)> birthdayHoverCloseWindow;
        // The notes hover of a column header: the day's notes shown below a
        // rectangle of the header, or opened for editing there; and the
        // report that the pointer left the notes mark.
        std::function<void(const std::shared_ptr<YearViewCell>& cell, const QRectF& rect,
                           kit::View* header, const QString& text)>
            notesHoverShowWindow;
        std::function<void(const std::shared_ptr<YearViewCell>& cell, const QRectF& rect,
                           kit::View* header, const QString& text)>
            notesHoverShowWindowInEditMode;
        std::function<void()> notesHoverTriggerRectExited;
    };
    // Each part built later sets its own entries and leaves the others as
    // they are.
    static void changeServices(const std::function<void(Services&)>& change);
    static const Services& services();

    // -- Class operations
    // Loads the corner pictures once.
    static void initialize();
    static QImage curlImageForMode(int mode);

    // -- Construction
    explicit WeekView(const QRectF& frame);
    static WeekView* initWithFrame(const QRectF& frame) { return new WeekView(frame); }
    // A fresh view in the place of `source` for a change of display mode: its
    // frame (at least 249 high), outlets and a scroller of its own. It has no
    // preferences, mode, reference date or columns until it is given them.
    static WeekView* initFromWeekView(WeekView* source);
    ~WeekView() override;
    // Sets up the hour scroller as the interface would.
    Q_INVOKABLE void awakeFromNib();
    // Once the main window is built: today's week in columns, the observers.
    Q_INVOKABLE void applicationFinishedLaunching();

    // -- Outlets (set by the main window controller)
    Q_INVOKABLE void setYearViewScroller(kit::View* yearViewScroller);
    // The main menu's mode items (kit::MenuItem), by their display mode (1 to 4).
    Q_INVOKABLE void setMainMenuModeItem(int mode, QObject* item);
    Q_INVOKABLE void setContextMenuModeItem(int mode, QObject* item);

    // -- Preferences
    Q_INVOKABLE void quickLoadPreferences();
    Q_INVOKABLE void loadPreferences();
    Q_INVOKABLE void updatePreferences();
    // The customise command: the preferences window with the week view's pane.
    Q_INVOKABLE void cmiCustomizeView(QObject* sender);

    // -- Display modes and the reference date
    int displayMode() const { return displayMode_; }
    void setDisplayMode(int mode) { displayMode_ = mode; }
    // The mode as the rules use it: values outside 1 to 5 are a 7-day week.
    int effectiveDisplayMode() const;
    int numberOfDaysInDisplay() const;
    int viewSetMaxIndex() const;
    MyDatePtr newReferenceDateForDay(const MyDatePtr& day) const;
    MyDatePtr nextReferenceDateInDirection(int direction) const;
    void setReferenceDate(const MyDatePtr& date);
    Q_INVOKABLE MyDatePtr referenceDate() const { return referenceDate_; }
    MyDatePtr referenceDateY() const { return referenceDateY_; }
    int weeksInYear() const { return weeksInYear_; }
    bool weekStartsSunday() const { return weekStartsSunday_; }
    bool showRelativeInYear() const { return showRelativeInYear_; }
    static int dateOffsetFromTo(const MyDatePtr& a, const MyDatePtr& b);
    // Rebuilds the columns for the mode from the reference date.
    void initViews();
    // Replaces this view by a fresh one in the stored display mode, curling
    // this one away over it.
    void changeDisplayMode();

    // -- The page curl between display modes (WeekViewCurl.cpp)
    // Curls a picture of this view away over one of `fresh`; returns when the
    // curl has ended.
    void doPageCurlTo(WeekView* fresh);
    // Sets up the curl between the two pictures over `rect` (pixels).
    void createTransitionFilterForRect(const QRectF& rect, const QImage& initial,
                                       const QImage& final);
    // The curl's frame at the eased time `t` (0 the old picture, 1 the new).
    QImage pageCurlFrame(double t) const;
    bool inPageCurl() const { return inPageCurl_; }
    WeekPageCurlAnimation* pageCurlAnimation() const { return pageCurlAnimation_; }
    // How long a curl runs, and the picture that shades its roll.
    static constexpr double kPageCurlDuration = 1.0;
    static const QImage& curlShadingImage();
    // Sees every curl before it runs, with the view, its two pictures and the
    // animation (tests set it; none when unset).
    using CurlObserver = std::function<void(WeekView& view, const QImage& from, const QImage& to,
                                            const kit::Animation& animation)>;
    static void setPageCurlObserver(CurlObserver observer);

    // -- Dragging and swiping between weeks (WeekViewSwipe.cpp)
    // The press: a week of the year's bar, the corner that changes the mode,
    // or a drag of the whole week.
    void mouseDown(const kit::Event& event) override;
    // The modal drag from a point in the window: past 0.15 column widths and
    // released while still moving on, it moves one step; otherwise it falls
    // back.
    void startDraggingWeekViewFrom(const QPointF& startInWindow);
    int lastViewDragDirection() const { return lastViewDragDirection_; }
    // Two-finger swipes: platform touches, or horizontal scroll gestures
    // with phases standing in for them.
    void touchesBeganWithEvent(const kit::Event& event) override;
    void touchesMovedWithEvent(const kit::Event& event) override;
    void touchesEndedWithEvent(const kit::Event& event) override;
    void touchesCancelledWithEvent(const kit::Event& event) override;
    QPointF touchDelta() const;
    void beginTouchTracking();
    void startUpdatingTouchTracking();
    void cancelTouchTracking();
    bool isTrackingTouches() const { return isTrackingTouches_; }
    bool isScrollSwiping() const { return isScrollSwiping_; }
    bool touchRedrawActive() const { return touchRedrawActive_; }
    double touchLastSwipeDeltaX() const { return touchLastSwipeDeltaX_; }
    double touchSwipeMaxX() const { return touchSwipeMaxX_; }
    // One update of a swipe, worked out off the main thread: the offset the
    // columns move to and the direction of this change.
    struct SwipeStep {
        double offset = 0;
        int direction = 0;  // -1, 0 or +1
    };
    static SwipeStep swipeStepFor(double latestDeltaX, double lastOffset, int dragDirection,
                                  double maxX, int lastDirection);

    // -- Sliding to other days (the new columns slide in beside the shown ones)
    // To the week (the first shown day) of a day; the fast move slides quicker.
    Q_INVOKABLE void moveToWeekOf(const MyDatePtr& day);
    Q_INVOKABLE void fastMoveToWeekOf(const MyDatePtr& day);
    // To a first shown day; the shown one only redraws.
    Q_INVOKABLE void moveTo(const MyDatePtr& firstDay);
    // To a week of the year the bar of the year's weeks shows.
    Q_INVOKABLE void showCalendarWeek(int week);
    void animateSlidingTo(const MyDatePtr& firstDay);
    std::vector<WeekdayView*> createSlideSetForRefDate(const MyDatePtr& firstDay, int offset);
    WVAnimationConfig prepareAnimationConfigFor(const std::vector<WeekdayView*>& set, int offset);
    void slideViews(const std::vector<WeekdayView*>& set, int offset);
    bool acceleratedSlide() const { return acceleratedSlide_; }
    // Brings the event's hour into view, selects it and blinks it.
    Q_INVOKABLE void highlightCalEvent(const calstore::EventPtr& event);
    Q_INVOKABLE void updateAnimationProgress(double progress);
    // The page indicator: moved towards the gesture's direction, or centred.
    void moveIndicatorTo(double value);
    Q_INVOKABLE void centerIndicator();
    double dotOffset() const { return dotOffset_; }
    int dotDirection() const { return dotDirection_; }
    void setDotDirection(int direction) { dotDirection_ = direction; }
    // Sees every slide and blink before it runs (tests set it; none when
    // unset).
    static void setAnimationObserver(std::function<void(const kit::Animation&)> observer);

    // -- Moving an event across the hours and the shown days (modal, from the
    // press a column recorded on the record); written once on release.
    Q_INVOKABLE void startDraggingEvent(const EventDayPtr& event);

    // -- Columns
    const std::vector<WeekdayView*>& viewSet() const { return viewSet_; }
    WeekdayView* firstViewContainingEvent(const EventDayPtr& event) const;
    EventDayPtr eventDayForCalEvent(const calstore::EventPtr& event) const;
    // The column under a horizontal position (the first one beside the
    // columns); none without columns.
    WeekdayView* weekdayViewAtMouseX(double x) const;

    // -- Layout
    QRectF innerRectForDrawing() const;
    Q_INVOKABLE void repositionViewsDuringResize();
    void setFrame(const QRectF& frame) override;
    void scrollToHourAnimate(double hour, bool animate);
    double shownHour() const { return shownHour_; }
    double scrollerSize() const { return scrollerSize_; }
    bool eventSetHasChanged() const { return eventSetHasChanged_; }
    void setEventSetHasChanged(bool changed) { eventSetHasChanged_ = changed; }
    WeekViewScroller* gui_vScroller() const { return gui_vScroller_; }
    kit::View* gui_yearViewScroller() const { return gui_yearViewScroller_; }
    kit::MenuItem* gui_mainmiItem(int mode) const;
    kit::MenuItem* gui_miItem(int mode) const;

    // -- Live resize
    void viewWillStartLiveResize() override;
    void viewDidEndLiveResize() override;
    void hideAllSubviews();
    bool inWeekLiveResize() const { return inLiveResize_; }
    QImage cachedView() const { return cachedView_; }
    Q_INVOKABLE void windowResized();
    void viewDidMoveToWindow() override;

    // -- Refreshes
    // The loaders changed the days (any thread): the columns re-read their
    // days on the main thread; announcements that come while one is pending
    // give one refresh, and one that comes during a gesture waits for its end.
    Q_INVOKABLE void threadedUpdateView();
    Q_INVOKABLE void setInModalGesture(bool inGesture);
    int refreshesRun() const { return refreshesRun_; }
    Q_INVOKABLE void forcedRedraw();
    Q_INVOKABLE void animationRedraw();

    // -- Drawing
    bool isFlipped() const override { return inPageCurl_; }
    void drawRect(kit::Graphics& g, const QRectF& dirtyRect) override;
    void drawRelativeInYearForCw(kit::Graphics& g, int shownWeekIndex);
    void drawHourMarks(kit::Graphics& g);
    void drawPageCurlCorner(kit::Graphics& g);
    void drawScrollWatermark(kit::Graphics& g);
    void drawPageIndicator(kit::Graphics& g);
    void drawCalWeekInRect(kit::Graphics& g, const QRectF& rect);
    void activateCalWeekHover();
    std::shared_ptr<kit::TrackingArea> calWeekTrackingArea() const { return calWeekTrackingArea_; }
    void mouseMoved(const kit::Event& event) override;
    void mouseExited(const kit::Event& event) override;
    int inCalWeekDrawing() const { return inCalWeekDrawing_; }
    void setDotOffset(double offset) { dotOffset_ = offset; }

    // -- Selection: at most one selected event; its entries in other columns
    // (a multi-day or repeating event) are highlighted along with it.
    EventDayPtr selection() const { return selection_; }
    EventDayPtr previousSelection() const { return previousSelection_; }
    Q_INVOKABLE void selectEvent(const EventDayPtr& event);
    // Selects and records the event as the one revertSelection returns to.
    Q_INVOKABLE void selectAndKeepEvent(const EventDayPtr& event);
    // Returns to the recorded selection once; the record is then cleared.
    Q_INVOKABLE void revertSelection();
    Q_INVOKABLE int numberOfSelectedEvents() const { return selection_ ? 1 : 0; }
    // Deletes the selected event from the store and clears the selection.
    Q_INVOKABLE void selectionGotDeleted();
    Q_INVOKABLE void deselectEventWithUID(const QString& uid);
    Q_INVOKABLE void openInfosForEvent(const EventDayPtr& event);
    // The Info command of the main window on the focus object.
    Q_INVOKABLE void menuCommandInformation(const QVariant& object);
    // Whether the New Event command can create an event now (a usable
    // calendar exists), and the command itself: a one-hour event at 12:00 in
    // today's column, or in the first column when today is not shown.
    Q_INVOKABLE bool canCreateNewEvent() const;
    Q_INVOKABLE void createNewEvent();

    // -- Hour scrolling
    Q_INVOKABLE void scrollAction(QObject* sender);
    // Horizontal scroll gestures with phases swipe the week; the others
    // scroll the hours.
    void scrollWheel(const kit::Event& event) override;
    void scrollHoursWithWheel(const kit::Event& event);
    Q_INVOKABLE void scrollWheelProgress(double fraction);
    Q_INVOKABLE void scrollToStartOfDay();
    void calculateScrollBounds();
    double scrollMinBound() const { return scrollMinBound_; }
    double scrollMaxBound() const { return scrollMaxBound_; }
    double accelerateScroll() const { return accelerateScroll_; }
    void setAccelerateScroll(double factor) { accelerateScroll_ = factor; }
    double bounceTimeStamp() const { return bounceTimeStamp_; }
    void setTrackingTouches(bool tracking) { isTrackingTouches_ = tracking; }
    // The monotonic clock (seconds) the bounce is stamped with; event time
    // stamps are read on the same clock. Tests set their own; none restores it.
    static void setClock(std::function<double()> clock);
    static double now();

    // -- Menus and commands (WeekViewMenus.cpp)
    // Tags that find the menus' items whatever their titles read.
    enum MenuTag : int {
        kTagShowColors = 401,
        kTagShowRelativeWeeks,
        kTagShowHolidays,
        kTagShowBirthdays,
        kTagCustomizeView,
        kTagMode7Day = 411,  // kTagMode7Day - 1 + display mode
        kTagEditEvent = 421,
        kTagDeleteEvent,
        kTagEventItemsSeparator,
        kTagAddNotes = 431,
        kTagAddFullday,
        kTagMarkDays,
        kTagRemoveMarks,
        kTagRemFromCals,
        kTagDeleteFromAll,
    };
    // Where the edit and delete items go while an event is selected.
    static constexpr int kEventItemsIndex = 6;
    // Builds the event menu (right click in the hours) and the title menu
    // (right click on a day's title), as the interface would. A view without
    // them (the print view) offers no menu.
    void makeContextMenus();
    kit::Menu* contextMenu() const { return gui_contextMenu_; }
    kit::Menu* contextMenuForTitle() const { return gui_contextMenuForTitle_; }
    kit::MenuItem* gui_markDays() const { return gui_markDays_; }
    kit::MenuItem* gui_remFromCals() const { return gui_remFromCals_; }
    kit::MenuItem* gui_addNotes() const { return gui_addNotes_; }
    kit::MenuItem* showToggleItem(int tag) const;
    // The column the last menu was asked for over; none before the first.
    WeekdayView* clickedDay() const;
    QMenu* menuForEvent(const kit::Event& event) override;
    QMenu* titleMenuForEvent(const kit::Event& event);
    // Marker UID to 1 for every marker of which the column's day carries a mark.
    QVariantMap markStateOfDay(WeekdayView* column) const;
    Q_INVOKABLE void menuWillOpen(QObject* menu);
    Q_INVOKABLE bool validateMenuItem(QObject* item);
    Q_INVOKABLE void cmiShowColors(QObject* sender);
    Q_INVOKABLE void cmiShowRelativeWeeks(QObject* sender);
    Q_INVOKABLE void cmiShowHolidays(QObject* sender);
    Q_INVOKABLE void cmiShowBirthdays(QObject* sender);
    Q_INVOKABLE void cmiShow7dayWeek(QObject* sender);
    Q_INVOKABLE void cmiShow5dayWeek(QObject* sender);
    Q_INVOKABLE void cmiShowNext7Days(QObject* sender);
    Q_INVOKABLE void cmiShowNext5Days(QObject* sender);
    // Cycles the modes 1 to 4 (the corner's click).
    Q_INVOKABLE void nextDisplayMode();
    Q_INVOKABLE void cmiEditEvent(QObject* sender);
    Q_INVOKABLE void cmiDeleteEvent(QObject* sender);
    Q_INVOKABLE void cmiAddOrEditNote(QObject* sender);
    Q_INVOKABLE void cmiAddFulldayEvent(QObject* sender);
    // Jobs on the clicked day, on a new loader of the day's year.
    Q_INVOKABLE void cmiMarkDayAs(QObject* sender);
    Q_INVOKABLE void cmiRemoveAllMarks(QObject* sender);
    Q_INVOKABLE void cmiDeleteAllEvents(QObject* sender);
    // The Edit command of the main window on the focus object.
    Q_INVOKABLE void menuCommandEdit(const QVariant& object);
    // The year page that shows the day (the later of two showing its year);
    // when none does, the year area first moves to the day's year.
    static YearView* yearPageShowingDay(const MyDatePtr& day);

    // -- Keys
    void keyDown(const kit::Event& event) override;
    bool acceptsFirstResponder() override { return true; }
    bool needsPanelToBecomeKey() const override { return true; }

    // -- Notifications
    void currentTimeChange();
    void calendarSelectionChange();
    void calendarTypeOrColorChange();
    void currentDateChange();

private:
    // Menus and commands (WeekViewMenus.cpp)
    void toggleShowSetting(int tag, const QString& key);
    void switchToDisplayMode(int mode);
    void checkModeItems();
    void writeDisplayMode();
    // The focus object is cleared where Info and Edit cannot act.
    bool canActOnSelection() const;
    void clearFocus();

    QPointer<kit::Menu> gui_contextMenu_;
    QPointer<kit::Menu> gui_contextMenuForTitle_;
    QPointer<kit::MenuItem> gui_addNotes_;
    QPointer<kit::MenuItem> gui_markDays_;
    QPointer<kit::MenuItem> gui_remFromCals_;
    QPointer<kit::View> clickedDay_;

    void initFields();
    // A column of the day below the hour scroller, not laid out yet.
    WeekdayView* newColumnForDay(const MyDatePtr& day);
    // Runs a slide or blink until its end, shown to the observer first.
    static void runBlocking(kit::Animation& animation);
    void stopObserving();
    // Deselects every column and marks `event` (none clears) in each.
    void markSelection(const EventDayPtr& event);
    // After the columns re-read their days the selection moves to the new
    // record of the same occurrence, so that it stays marked and the main
    // window's commands act on what is shown.
    void followSelectionToNewRecords();
    void closeEventHover();
    bool eventHoverIsOpen() const;
    void runScrollAnimation(double from, double to, double duration);
    void discardPendingScrollWheelEvents();
    Q_INVOKABLE void refreshColumns();
    // Redraws the first column now and each next one on a later turn of the
    // event loop; columns gone since are passed over.
    void redrawColumnsInTurn(std::vector<QPointer<WeekdayView>> columns);
    void observeWindowResizes();
    // The bar's left and right edge and its bottom, and the width of a week.
    struct Bar {
        float left = 0, right = 0, bottom = 0, slot = 0;
    };
    Bar relativeBar() const;

    // Outlets
    QPointer<WeekViewScroller> gui_vScroller_;
    QPointer<kit::View> gui_yearViewScroller_;
    QPointer<kit::MenuItem> gui_mainmi_[4];
    QPointer<kit::MenuItem> gui_mi_[4];

    // State
    bool inPageCurl_ = false;
    std::shared_ptr<kit::TrackingArea> calWeekTrackingArea_;
    int inCalWeekDrawing_ = 0;
    kit::TextAttributes hourMarkAttribs_;
    appPref prefs_;
    appPref gbprefs_;
    QColor grayoutColor_;
    QColor selectionColor_;
    QColor todayColorTop_;
    QColor todayColorBottom_;
    bool grayoutUntilNow_ = false;
    bool showRelativeInYear_ = false;
    bool weekStartsSunday_ = false;
    double workdayStart_ = 0;
    double workdayEnd_ = 0;
    double accelerateScroll_ = 0;
    QImage cachedView_;
    std::vector<QPointer<kit::View>> visibleSubviews_;
    bool inLiveResize_ = false;
    std::atomic<bool> eventSetHasChanged_{true};
    MyDatePtr referenceDate_;
    MyDatePtr referenceDateY_;
    int weeksInYear_ = 52;
    int displayMode_ = kWeek7Day;
    std::vector<WeekdayView*> viewSet_;
    float scrollerSize_ = 1.0f;
    double shownHour_ = 0;
    double scrollMinBound_ = 0;
    double scrollMaxBound_ = 1;
    double bounceTimeStamp_ = 0;
    bool isTrackingTouches_ = false;
    EventDayPtr selection_;
    EventDayPtr previousSelection_;
    double dotOffset_ = 0;
    int dotDirection_ = 0;
    bool acceleratedSlide_ = false;
    bool sliding_ = false;
    QString calendarWeekAbbrev_;

    // Refreshes handed to the main thread.
    std::recursive_mutex lock_;
    std::atomic<bool> refreshPending_{false};
    bool inModalGesture_ = false;
    bool refreshAfterGesture_ = false;
    int refreshesRun_ = 0;

    std::vector<QPointer<foundation::MainThreadObserver>> observers_;
    QPointer<foundation::MainThreadObserver> resizeObserver_;
    const void* observedWindow_ = nullptr;

    // The page curl: its pictures and options, and the running animation.
    WeekPageCurlAnimation* pageCurlAnimation_ = nullptr;  // lives on the stack of the curl
    struct PageCurlFilter;
    std::shared_ptr<PageCurlFilter> pageCurlFilter_;
    // The old picture is taken as the screen shows the view.
    bool captureAsShown_ = false;

    // Week drag and swipe.
    int lastViewDragDirection_ = 0;
    kit::TouchPair touches_;
    bool isScrollSwiping_ = false;
    bool touchRedrawActive_ = false;
    double touchSwipeMaxX_ = 0;
    double touchLastSwipeDeltaX_ = 0;
    std::atomic<double> touchLatestDeltaX_{0};
    int touchLastSwipeDirection_ = 0;
    MyDatePtr touchNewRefDate_;
    std::unique_ptr<WeekViewAnimation> touchSwipeAnim_;
    std::vector<WeekdayView*> touchSlideSet_;
    // A swipe update worked out off the main thread is applied only while
    // its swipe is tracked; every end of a swipe starts a new generation.
    quint64 touchGeneration_ = 0;
    kit::ScrollSwipe scrollSwipe_;
    // Takes the slide set of a drag or swipe that ended: `commit` moves to
    // `newRef`, otherwise the new columns go again.
    void endLiveSlide(const std::vector<WeekdayView*>& set, bool commit, const MyDatePtr& newRef);
    // Builds the slide set towards `direction` and an animation driving it
    // by hand; the columns are told that they move.
    std::unique_ptr<WeekViewAnimation> prepareLiveSlide(int direction, MyDatePtr& newRef,
                                                        std::vector<WeekdayView*>& set);
    void applyTouchUpdate(quint64 generation, SwipeStep step, double appliedDelta);
    void drawPageCurlFrame(kit::Graphics& g);
    // After a slide: the shown columns are the first of the set going back
    // in time (a negative offset), the last ones otherwise; the others go.
    void adoptSlideSet(const std::vector<WeekdayView*>& set, int offset);
};
