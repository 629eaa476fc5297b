#pragma once

#include "data/Calendar.h"
#include "data/MyDate.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Event.h"
#include "platform/kit/ScrollSwipe.h"
#include "platform/kit/View.h"
#include "yearview/YearViewCell.h"

#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QVariant>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;
class WsSplitView;
class YearView;
#include "yearview/YVPageIndicator.h"

namespace kit {
class Alert;
class ImageView;
class Menu;
class MenuItem;
}  // namespace kit

// The year area: the upper pane of the year/week split. It holds three year
// pages side by side (the year before, the shown year, the year after), of
// which only the centre one is on screen, and the page indicator over their
// bottom edge. It turns years by sliding and rotating the pages (or rebuilding
// them while the year pane is collapsed), lets the user drag and swipe the
// pages, decides which page loads its events when, owns the bar between the
// year and the week pane, and answers the main window controller and the week
// view for the pages, the week view and the cell of a date.
//
// Main thread only, except updateWeekView (loader threads) and
// currentDateChange (any thread).
class YearViewScroller final : public kit::View {
    Q_OBJECT

public:
    // Heights the year area and the week pane keep.
    static constexpr double kBarHeight = 23.0;
    static constexpr double kHandleWidth = 43.0;
    static constexpr double kMinYearPage = 252.0;
    static constexpr double kMinWeekPane = 250.0;
    static constexpr double kReopenedYearPane = 275.0;
    // A page drag or swipe turns the year when released this far away.
    static constexpr double kPageChangeThreshold = 40.0;
    // The pages stop this short of a whole page either way.
    static constexpr double kPageMaxInset = 80.0;
    // A scroll gesture's trackpad point moves the pages this many points, so
    // that they follow the fingers.
    static constexpr double kSwipeGain = 4.0;
    static constexpr double kSlideDuration = 0.3;

    // What the year area asks of the parts built after it. Unset entries use
    // the year event loaders (populations) or do nothing (panels).
    struct Services {
        // The loader of the page's year fills it on a loader thread.
        std::function<void(YearView*)> startPopulatingView;
        // The loader of the page's year fills it now, on the calling thread.
        std::function<void(YearView*)> populateView;
        std::function<void(QObject* sender)> eventHoverCloseWindow;
        std::function<void(QObject* sender)> birthdayHoverCloseWindow;
        // The preferences window with only the year view's pane.
        std::function<void()> showYearViewPreferences;
    };
    // Each part built later sets its own entries and leaves the others as
    // they are.
    static void changeServices(const std::function<void(Services&)>& change);
    static const Services& services();

    explicit YearViewScroller(const QRectF& frame = QRectF());
    ~YearViewScroller() override;

    // -- Wiring (main window controller)
    Q_INVOKABLE void awakeFromNib();
    Q_INVOKABLE void setWeekSubview(kit::View* weekView);
    Q_INVOKABLE void setSplitSuperview(kit::View* splitView);
    Q_INVOKABLE void setRightSplitButton(kit::ImageView* imageView);
    Q_INVOKABLE void setYearButton(kit::View* button);
    Q_INVOKABLE void setWeekButton(kit::View* button);
    Q_INVOKABLE void setContextMenu(QMenu* menu);
    Q_INVOKABLE void setYearSubviews();
    Q_INVOKABLE void exchangeWeekSubviewTo(kit::View* weekView);

    // -- Accessors
    Q_INVOKABLE kit::View* currentYearView() const;
    Q_INVOKABLE kit::View* pastYearView() const;
    Q_INVOKABLE kit::View* futureYearView() const;
    Q_INVOKABLE kit::View* currentWeekView() const { return gui_weekView; }
    Q_INVOKABLE bool yearViewVisible() const { return !splitterIsUp; }
    Q_INVOKABLE bool weekViewVisible() const { return !splitterIsDown; }
    YearView* yearView(int slot) const;  // 0 left, 1 centre, 2 right
    YVPageIndicator* pageIndicator() const { return gui_pageIndicator; }
    Q_INVOKABLE YearViewCellPtr cellForDate(const MyDatePtr& date) const;
    QVariantMap prefs() const { return prefs_; }

    // -- Preferences
    Q_INVOKABLE void loadPreferences();

    // -- Context menu of the centre page. Its own items: the five display
    // toggles and the view's preferences; while days are selected a block of
    // selection items follows them, found again by tags (titles are localized
    // and may equal a marker's or calendar's title).
    enum ContextMenuTag {
        kTagShowEvents = 101,
        kTagColorizeEvents,
        kTagShowHolidays,
        kTagShowBirthdays,
        kTagShowNotes,
        kTagCustomizeView,
        kTagEditNotes = 201,
        kTagMarkAs,
        kTagRemoveMarks,
        kTagMarkSeparator,
        kTagDeleteEvents,
        kTagDeleteSeparator,
        // The delete submenu's "all calendars" item; its calendar items carry
        // their calendar's UID as represented object.
        kTagDeleteFromAll = 301,
    };
    static constexpr int kSelectionBlockIndex = 6;
    kit::Menu* contextMenu() const;
    Q_INVOKABLE bool validateMenuItem(QObject* item);
    Q_INVOKABLE void menuWillOpen(QObject* menu);
    Q_INVOKABLE void cmiShowEvents(QObject* sender);
    Q_INVOKABLE void cmiColorizeEvents(QObject* sender);
    Q_INVOKABLE void cmiShowHolidays(QObject* sender);
    Q_INVOKABLE void cmiShowBirthdays(QObject* sender);
    Q_INVOKABLE void cmiShowNotes(QObject* sender);
    Q_INVOKABLE void cmiRemoveAllMarks(QObject* sender);
    Q_INVOKABLE void cmiMarkDaysAs(QObject* sender);
    Q_INVOKABLE void cmiDeleteEventsFrom(QObject* sender);
    Q_INVOKABLE void cmiEditNotes(QObject* sender);
    Q_INVOKABLE void cmiCustomizeView(QObject* sender);
    // The submenus of the day commands, shared with the week view's title
    // menu: one item per marker (by its UID; its state from `states`, UID to
    // 1, -1 or 0) and, for deleting, the all-calendars item (tagged
    // `allTag`) followed by one item per calendar (by its UID).
    static void fillMarkMenu(kit::Menu* submenu, const QVariantMap& states, QObject* target,
                             const QByteArray& action);
    static void fillDeleteMenu(kit::Menu* submenu, QObject* target, const QByteArray& action,
                               int allTag);
    Q_INVOKABLE void deleteEventsOk(QObject* sender);
    Q_INVOKABLE void deleteEventsCancel(QObject* sender);
    // The delete confirmation while it is up (null otherwise), and its message.
    kit::Alert* deleteEventsSheet() const { return gui_deleteEventsSheet.get(); }
    QString deleteEventsText() const { return deleteEventsText_; }

    // -- Year change
    Q_INVOKABLE void moveViewsToYear(int year);
    Q_INVOKABLE void moveViewsToYearWithObject(const QVariant& year);
    Q_INVOKABLE void ensureYearIsShown(const QVariant& year);
    void moveViewsToYearThreaded(int year, bool threaded);
    void moveViewsWhileInvisibleToYear(int year);
    Q_INVOKABLE void startLoadingCenterViewAfterMove();
    // A MyDatePtr in the variant.
    Q_INVOKABLE void showWeekOfDay(const QVariant& date);

    // -- Redisplay and forwarding
    Q_INVOKABLE void redisplay();
    Q_INVOKABLE void redisplaySiblings();
    void drawRect(kit::Graphics& g, const QRectF& dirtyRect) override;
    Q_INVOKABLE void calendarsAdded(const std::vector<CalendarPtr>& calendars);
    Q_INVOKABLE void calendarsRemoved(const std::vector<CalendarPtr>& calendars);
    Q_INVOKABLE void eventsUpdated(const QVariantMap& changes);
    Q_INVOKABLE void updateWeekView();
    void keyDown(const kit::Event& event) override;
    void calendarSelectionChange(const foundation::Notification& notification);
    void calendarTypeOrColorChange(const foundation::Notification& notification);
    void currentDateChange(const foundation::Notification& notification);

    // -- Layout, live move and live resize
    void setFrame(const QRectF& frame) override;
    void viewWillStartLiveMove();
    void viewDidEndLiveMove();
    void viewWillStartLiveResize() override;
    void viewDidEndLiveResize() override;
    bool inLiveResizeOrMove() const { return inLiveResize_; }

    // -- Page dragging and swiping
    bool acceptsFirstResponder() override { return true; }
    void mouseDown(const kit::Event& event) override;
    void startDraggingYearViewFrom(const QPointF& windowPoint);
    void finishDraggingYearView();
    void touchesBeganWithEvent(const kit::Event& event) override;
    void touchesMovedWithEvent(const kit::Event& event) override;
    void touchesEndedWithEvent(const kit::Event& event) override;
    void touchesCancelledWithEvent(const kit::Event& event) override;
    // Horizontal scrolls with phases stand in for two-finger swipes.
    void scrollWheel(const kit::Event& event) override;
    void swipeWithEvent(const kit::Event& event) override;
    QPointF touchDelta() const;
    void beginTouchTracking();
    void startUpdatingTouchTracking();
    void cancelTouchTracking();
    bool isTrackingTouches() const { return isTrackingTouches_; }
    bool touchRedrawActive() const { return touchRedrawActive_; }
    double touchLastSwipeDeltaX() const { return touchLastSwipeDeltaX_; }
    float lastViewDragDirection() const { return lastViewDragDirection_; }

    // -- Year and week splitter
    void resetCursorRects() override;
    Q_INVOKABLE void checkSplitterPosition();
    Q_INVOKABLE void ensureWeekViewVisibility();
    Q_INVOKABLE void showWeekView(QObject* sender);
    Q_INVOKABLE void showYearView(QObject* sender);
    Q_INVOKABLE void windowDidResize();
    void updateRightSplitterHandle();
    void weekViewCollapsed();
    void yearViewCollapsed();
    bool splitterIsUpFlag() const { return splitterIsUp; }
    bool splitterIsDownFlag() const { return splitterIsDown; }
    void setLastSplitterDragDirection(float d) { lastSplitterDragDirection = d; }

private:
    // The frames of the three slots and the indicator for a size.
    QRectF slotFrame(int slot) const;
    QRectF indicatorFrame() const;
    YearView* preparePage(int year, int slot, const QPointF& innerOrigin);
    void dropPage(YearView* page);
    void applyMenusAndVisibility();
    kit::Menu* makeContextMenu();
    void toggleDisplaySetting(kit::MenuItem* item, const QString& key);
    void deleteEventsDidEnd(int returnCode);
    void focusCentrePage();
    void clearSelectionOfCentre(bool closeDayPopup);
    void loadFirstUnloadedPage(bool threaded);
    // The rotation after a drag or swipe that turned the year (direction +1/-1).
    void rotatePages(float direction);
    void trackSplitterDrag(const kit::Event& event, bool inHandle);
    bool pointInCountingHandle(const QPointF& p) const;
    double splitHeight() const;
    double weekHeight() const;
    double pageHeight() const;
    void setSplitterPosition(double position, bool animate);
    void rememberSplitterPosition();
    void startTouchUpdate();
    void applyTouchUpdate(quint64 generation, double offset, float dragDirection,
                          float swipeDirection, double appliedDelta);

    QPointer<WsSplitView> gui_splitView;
    QPointer<YearView> gui_yearView0;
    QPointer<YearView> gui_yearView1;
    QPointer<YearView> gui_yearView2;
    QPointer<YVPageIndicator> gui_pageIndicator;
    QPointer<kit::View> gui_weekView;
    QPointer<kit::ImageView> gui_rightScrollHandle;
    QPointer<kit::View> gui_yearButton;
    QPointer<kit::View> gui_weekButton;
    QPointer<QMenu> gui_contextMenu;
    QPointer<kit::MenuItem> gui_miShowEvents;
    QPointer<kit::MenuItem> gui_miColorizeEvents;
    QPointer<kit::MenuItem> gui_miShowHolidays;
    QPointer<kit::MenuItem> gui_miShowBirthdays;
    QPointer<kit::MenuItem> gui_miShowNotes;
    std::unique_ptr<kit::Alert> gui_deleteEventsSheet;
    QString deleteEventsText_;
    // The calendars chosen in the delete submenu, kept until the sheet ends.
    YearViewEventLoader::DeletionCalendars selectedCalendar;
    QVariantMap prefs_;
    QImage cache_splitterHandle;
    QImage cache_noHandle;
    bool inLiveResize_ = false;
    bool splitterIsUp = false;
    bool splitterIsDown = false;
    float lastSplitterDragDirection = 0;
    float lastViewDragDirection_ = 0;
    std::vector<foundation::NotificationCenter::Token> tokens_;

    // Swipe state.
    kit::TouchPair touches;
    bool isTrackingTouches_ = false;
    bool touchRedrawActive_ = false;
    double touchSwipeMaxX = 0;
    std::atomic<double> touchLatestDeltaX{0};
    double touchLastSwipeDeltaX_ = 0;
    float touchLastSwipeDirection = 0;
    QRectF touchSwipeStartingViewRect[3];
    // A swipe update computed off the main thread is applied only while its
    // generation is current; a cancel starts a new one.
    quint64 touchGeneration = 0;
    // Horizontal scroll gestures standing in for swipes.
    kit::ScrollSwipe scrollSwipe;
};
