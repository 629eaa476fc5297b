#pragma once

#include "data/Calendar.h"
#include "data/EventDay.h"
#include "data/MyDate.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Timer.h"
#include "platform/kit/DragDestination.h"
#include "platform/kit/DragSource.h"
#include "platform/kit/Event.h"
#include "platform/kit/View.h"
#include "yearview/YearViewModel.h"

#include <QImage>
#include <QPointF>
#include <QString>
#include <QVariantMap>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class EMarker;
class appPref;

// One year page of the year area: 12 month columns by 31 day rows of day cells
// for one calendar year. It lays itself out and fits its fonts to its size,
// takes day selections by mouse and keyboard, opens the day popup, the notes
// editor and the notes hover for its days, starts drags of marks (and is where
// they are dropped), and is filled by the loader jobs through its threaded
// interface.
//
// The page's data (cells, loaded state, drawing state, offscreen picture) lives
// in its YearViewModel, which jobs and offscreen renderings hold on their own;
// the threaded operations here forward to it. Everything else runs on the main
// thread.
class YearView : public kit::View, public kit::DragSource, public kit::DragDestination {
    Q_OBJECT

public:
    // The drag pasteboard type of a drag of marks between days.
    static inline const QString kDragType = QStringLiteral("YearView YearViewCell");

    // What the page asks of the windows and jobs built after it (the day popup,
    // the notes popup and hover, the loaders). Unset entries answer NO / do
    // nothing. Installed once at start-up.
    struct Services {
        // Day popup
        std::function<bool()> dayPopupWindowOpen;
        std::function<void(const YearViewCellPtr&, YearView*)> dayPopupShowWindowForCellInView;
        std::function<void(YearView*)> dayPopupCloseWindow;
        std::function<void()> dayPopupReloadData;
        std::function<bool(const kit::Event&)> dayPopupScrollNotify;  // true: taken
        std::function<void()> dayPopupOriginatingViewMoved;
        std::function<void()> dayPopupLoadPreferences;
        std::function<void()> dayPopupUpdatePreferences;
        // Notes hover
        std::function<bool()> notesHoverWindowOpen;
        std::function<void(YearView*)> notesHoverCloseWindow;
        std::function<void(YearView*)> notesHoverCloseWindowIfNoHover;
        std::function<void(const YearViewCellPtr&, const QRectF&, YearView*)>
            notesHoverShowWindowForCellAtRectInView;
        // Notes popup
        std::function<bool()> notesPopupWindowOpen;
        std::function<void(const YearViewCellPtr&, YearView*, const QString&)>
            notesPopupShowWindowForCellInViewWithString;
        // Loader jobs of the page's year: the cached loader's populations, and
        // the one-off jobs on a new loader.
        std::function<void(YearView*)> startPopulatingView;
        std::function<void(YearView*)> startPopulatingOffscreen;
        std::function<void(const std::vector<CalendarPtr>&, YearView*)> startPopulatingFromCals;
        std::function<void(const std::vector<CalendarPtr>&, YearView*)> startRemovingCals;
        std::function<void(const QVariantMap&, YearView*)> startUpdatingEvents;
        std::function<void(const std::vector<MyDatePtr>&, const std::shared_ptr<EMarker>&,
                           YearView*)>
            startMarkingDays;
        std::function<void(const std::shared_ptr<EMarker>&, const std::vector<MyDatePtr>&,
                           YearView*)>
            startRemovingMarksOfMarker;
        std::function<void(const std::vector<MyDatePtr>&, YearView*)> startRemovingAllMarksFromDays;
        // The calendars are named by identity (a UID or all of them), never
        // by a title, which two calendars may share.
        std::function<void(const std::vector<MyDatePtr>&,
                           const YearViewEventLoader::DeletionCalendars&, YearView*)>
            startDeletingEventsFromDays;
        // Moves (copy false) or copies the marks to another day of the page.
        std::function<void(const QList<calstore::EventPtr>&, const MyDatePtr& sourceDay,
                           const MyDatePtr& destinationDay, bool copy, YearView*)>
            startMovingEventsFromDayToDay;
    };
    // Each part built later sets its own entries and leaves the others as
    // they are.
    static void changeServices(const std::function<void(Services&)>& change);
    static const Services& services();
    // Points the loader entries of the services at the year event loaders (the
    // cached loader of the page's year for populations, a new loader for each
    // one-off job). Called once at start-up.
    static void connectLoaderJobs();

    // -- Construction
    // The page of `year`.
    static YearView* initWithYear(int year);
    // The page of today's year moved by `yearOffset` years.
    static YearView* initWithYearOffset(int yearOffset);
    ~YearView() override;

    std::shared_ptr<YearViewModel> model() const { return model_; }
    static void setViewsToRedraw(int count) { YearViewModel::setViewsToRedraw(count); }
    bool isFlipped() const override { return YV_flippedY; }
    void presetInnerFrame(const QPointF& origin) { model_->presetInnerFrame(origin); }
    QPointF innerFrame() const { return model_->innerFrame(); }
    Q_INVOKABLE int year() const { return model_->year(); }
    MyDatePtr firstDayInYear() const { return model_->firstDayInYear(); }
    // A page that becomes the shown one follows the pointer at once, not only
    // after its next frame change.
    void setIsVisible(bool visible);
    bool isVisible() const { return isVisible_; }

    // -- Preferences
    void quickLoadPreferences();
    void loadPreferences();
    // Re-reads the settings after the preference panes closed.
    void updatePreferences();
    bool showHoverInfo() const { return showHoverInfo_; }

    // -- Threaded interface (any thread; forwards to the model)
    void threadedAddEventFromCalendarForDayInMonthInFullLoading(const calstore::EventPtr& event,
                                                                const CalendarPtr& calendar,
                                                                int day, int month,
                                                                bool fullLoading) {
        model_->threadedAddEventFromCalendarForDayInMonthInFullLoading(event, calendar, day, month,
                                                                       fullLoading);
    }
    void threadedRemoveCalendarForDayInMonth(const CalendarPtr& calendar, int day, int month) {
        model_->threadedRemoveCalendarForDayInMonth(calendar, day, month);
    }
    void threadedRemoveEventUIDFromDayInMonth(const QString& uid, int day, int month) {
        model_->threadedRemoveEventUIDFromDayInMonth(uid, day, month);
    }
    void threadedUpdateView() { model_->threadedUpdateView(); }
    void threadedUpdateViewOffscreen() { model_->threadedUpdateViewOffscreen(); }
    YearViewCell::EventListPtr eventsForDayAndMonth(int day, int month) const {
        return model_->eventsForDayAndMonth(day, month);
    }

    // -- Loading (main thread)
    Q_INVOKABLE bool eventsLoaded() const { return model_->eventsLoaded(); }
    Q_INVOKABLE void initialDraw();
    // Asks for the shown page's events now instead of at its first drawing
    // (which then asks no more); nothing when that drawing was done.
    Q_INVOKABLE void startLoadingEvents();
    Q_INVOKABLE void invalidateEvents() { model_->invalidateEvents(); }
    void calendarsAdded(const std::vector<CalendarPtr>& calendars);
    void calendarsRemoved(const std::vector<CalendarPtr>& calendars);
    // Event identifier to change code (1 new, 2 changed, 3 deleted).
    Q_INVOKABLE void eventsUpdated(const QVariantMap& changes);
    YearViewCellPtr cellForDayAndMonth(int day, int month) const {
        return model_->cellForDayAndMonth(day, month);
    }
    int numberOfEventsInMonthForCalendar(int month, const Calendar* calendar) const {
        return model_->numberOfEventsInMonthForCalendar(month, calendar);
    }
    int numberOfMarksInMonthForMarker(int month, const EMarker* marker) const;
    Q_INVOKABLE void redrawViewOnMainThread(QObject* ignored = nullptr);
    // Redraws the whole page into its kept drawing on a job thread (a job
    // changed much of it), so that the window keeps answering meanwhile; on the
    // main thread when the page keeps no drawing that could be replaced.
    void redrawInBackground();
    void redrawCellOnMainThread(const YearViewCellPtr& cell);
    void viewFrameChange(const foundation::Notification& notification);
    // Renews the tracking area over the page's frame.
    void installViewArea();
    void setFrame(const QRectF& frame) override;

    // -- Selection and day commands
    int numberOfSelectedDays() const;
    bool isHighlightedForDayMonth(int day, int month) const;
    bool setHighlightStatusForDayMonthHighlight(int day, int month, int highlight);
    void highlightUpToDayMonth(int day, int month);
    void highlightAll();
    void deHighlightAll();
    // Marker UID to 1 (every selected day carries a mark of it) or -1 (some
    // do); markers no selected day carries have no entry. Markers are told
    // apart by identity: two may share a title.
    QVariantMap markStateOfSelection() const;
    Q_INVOKABLE void menuCommandInformation(QObject* sender);
    Q_INVOKABLE void menuCommandEdit(QObject* sender);
    bool showDayPopupForDayMonth(int day, int month);
    void advancePopupToDate(const MyDatePtr& date);
    void popupGotoWeek(const MyDatePtr& date);
    void switchToWeekOfDate(const MyDatePtr& date);
    bool editNotesForDayMonthWithString(int day, int month, const QString& text);
    void editNotesForSelection();
    bool canEditNotesForSelection() const;
    // The marker is named by its UID.
    void markSelectionAs(const QString& markerUID);
    void removeMarksOf(const QString& markerUID);
    void removeAllMarks();
    void deleteEventsFromCalendar(const YearViewEventLoader::DeletionCalendars& calendars);
    QImage dragImageForDayAndMonth(int day, int month);
    QPointF dragImagePosForDayAndMonth(int day, int month) const;

    // -- Dragging marks between days (drops come only from this page's own drag)
    // Tag of the "all marks" items of the Move/Copy menu; the marker items carry
    // their marker's UID as represented object.
    static constexpr int kAllMarksTag = 1;
    unsigned draggingSourceOperationMaskForLocal(bool isLocal) override;
    void draggedImageEndedAtOperation(const QImage& image, const QPointF& point,
                                      unsigned operation) override;
    unsigned draggingEntered(const kit::DraggingInfo& info) override;
    unsigned draggingUpdated(const kit::DraggingInfo& info) override;
    void draggingExited(const kit::DraggingInfo& info) override;
    bool prepareForDragOperation(const kit::DraggingInfo& info) override;
    bool performDragOperation(const kit::DraggingInfo& info) override;
    void concludeDragOperation(const kit::DraggingInfo& info) override;
    Q_INVOKABLE void cmiCopyMarks(QObject* sender);
    Q_INVOKABLE void cmiMoveMarks(QObject* sender);
    // Carries the source day's marks of the marker with `markerUID` (all of
    // them when `allMarks`) to the target day.
    void moveMarkCreateCopy(bool allMarks, const QString& markerUID, bool copy);

    // -- Drawing and live resize
    void drawRect(kit::Graphics& g, const QRectF& dirtyRect) override;
    // Renders the page into its cached picture; any thread may ask the model.
    Q_INVOKABLE void drawOffscreen(QObject* sender = nullptr) { model_->drawOffscreen(); }
    // Renders the page on a background thread (the year area's side pages).
    void drawOffscreenInBackground();
    bool inLiveResize() const;
    void viewWillStartLiveMove();
    void viewDidEndLiveMove();
    void viewWillStartLiveResize() override;
    void viewDidEndLiveResize() override;
    bool inSplitViewLiveResize() const { return inSplitViewLiveResize_; }

    // -- Input
    bool acceptsFirstResponder() override { return true; }
    bool needsPanelToBecomeKey() const override { return true; }
    QMenu* menuForEvent(const kit::Event& event) override;
    void mouseDown(const kit::Event& event) override;
    void mouseMoved(const kit::Event& event) override;
    void mouseEntered(const kit::Event& event) override {}
    void mouseExited(const kit::Event& event) override;
    void mouseDragged(const kit::Event& event) override;
    void scrollWheel(const kit::Event& event) override;
    void keyDown(const kit::Event& event) override;
    // The hover timer fired.
    void hover();

    // -- State the year area and the tests read
    int dragStartDay() const { return dragStartDay_; }
    int dragStartMonth() const { return dragStartMonth_; }
    int dragSelectMode() const { return dragSelectMode_; }
    bool dayClicked() const { return dayClicked_; }
    bool hoverPending() const;
    std::shared_ptr<kit::TrackingArea> viewArea() const { return viewArea_; }
    std::shared_ptr<kit::TrackingArea> dayTrackingArea() const { return dayTrackingArea_; }
    YearViewCellPtr lastHoveredCwCell() const { return lastHoveredCwCell_; }
    YearViewCellPtr draggedYVCell() const { return draggedYVCell_; }

    // The grid position of a point in the page (month, day), valid or not; the
    // mouse code shifts clicks one point left and up before asking.
    struct GridHit {
        int month = 0;
        int day = 0;
        bool inGrid() const { return month >= 1 && month <= 12 && day >= 1 && day <= 31; }
    };
    GridHit hitTestGrid(const QPointF& point) const;

protected:
    // The page keeps its drawing (see View::setCachesDrawing); what changed in
    // the cells, the settings, today's date or the layout since is marked here.
    void validateDrawingCache() override;

private:
    YearView(const MyDatePtr& firstDayInYear);
    static MyDatePtr todaysDate();
    QPointF pointInPage(const kit::Event& event) const;
    void setFocusFromSelection();
    void closeNotesHover();
    void closeDayPopup();
    bool dayPopupOpen() const;
    void startDraggingMarks(const GridHit& hit, const YearViewCellPtr& cell,
                            const kit::Event& event);
    std::vector<MyDatePtr> selectionCopy() const;
    bool isOwnMarkDrag(const kit::DraggingInfo& info) const;
    void clearDropTarget();
    // Arrow keys: moves or extends the selection (key code 123..126).
    void moveSelectionWithArrow(int keyCode, bool shift, int selectedBefore);

    static inline bool YV_flippedY = false;

    std::shared_ptr<YearViewModel> model_;
    std::unique_ptr<appPref> prefs;
    bool showHoverInfo_ = false;
    bool showNotesOnHover = false;
    bool showMarksOnHover = false;
    bool showCwHover = false;
    bool inSplitViewLiveResize_ = false;
    bool needToInformPopup = false;
    bool isVisible_ = false;
    std::shared_ptr<kit::TrackingArea> viewArea_;
    std::shared_ptr<kit::TrackingArea> dayTrackingArea_;
    QPointF lastHoverPoint;
    QPointF dragStartLocation;
    int dragStartMonth_ = 0;
    int dragStartDay_ = 0;
    int dragSelectMode_ = 1;
    bool dayClicked_ = false;
    std::unique_ptr<foundation::Timer> hoverTimer;
    YearViewCellPtr draggedYVCell_;
    YearViewCellPtr lastHoveredCwCell_;
    foundation::NotificationCenter::Token frameToken_ = 0;
    // What the cached drawing was drawn from.
    struct DrawnState {
        bool valid = false;
        std::uint64_t appearance = 0;
        int today = 0;
        bool liveDrawing = false;
        YearViewModel::Layout layout;
        std::array<unsigned, 12 * 31> cellVersions{};
    };
    DrawnState drawn_;
};
