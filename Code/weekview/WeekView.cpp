// The week view: construction, preferences, the rules of the display modes,
// the column set, the look-ups of columns and records, and the notifications
// it follows.

#include "weekview/WeekView.h"

#include "data/CalendarSources.h"
#include "data/MyDateOps.h"
#include "data/PrefGroups.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Localized.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Image.h"
#include "platform/kit/Perform.h"
#include "platform/kit/Window.h"
#include "shell/AppDelegate.h"
#include "weekview/WeekViewScroller.h"
#include "weekview/WeekdayView.h"

#include <mutex>

namespace {

WeekView::Services& mutableServices() {
    static WeekView::Services services;
    return services;
}

// The pictures of the corner, each showing the mode the next click gives.
std::once_flag WV_initialized;
QImage WV_curlNext5;
QImage WV_curlNext7;
QImage WV_curlWeek5;
QImage WV_curlWeek7;

MyDatePtr today() {
    AppDelegate* app = AppDelegate::obj();
    MyDatePtr day = app ? app->today.load() : nullptr;
    return day ? day : MyDate::date();
}

// Index 0 to 3 of a mode item for modes 1 to 4; -1 for any other.
int modeSlot(int mode) {
    return mode >= WeekView::kWeek7Day && mode <= WeekView::kNext5Days ? mode - 1 : -1;
}

}  // namespace

// -- Class operations

void WeekView::changeServices(const std::function<void(Services&)>& change) {
    change(mutableServices());
}

const WeekView::Services& WeekView::services() {
    return mutableServices();
}

void WeekView::initialize() {
    std::call_once(WV_initialized, [] {
        WV_curlNext5 = kit::Image::named(QStringLiteral("CurlNext5"));
        WV_curlNext7 = kit::Image::named(QStringLiteral("CurlNext7"));
        WV_curlWeek5 = kit::Image::named(QStringLiteral("CurlWeek5"));
        WV_curlWeek7 = kit::Image::named(QStringLiteral("CurlWeek7"));
    });
}

QImage WeekView::curlImageForMode(int mode) {
    initialize();
    switch (mode) {
        case kWeek7Day:
            return WV_curlWeek5;
        case kWeek5Day:
            return WV_curlNext7;
        case kNext7Days:
            return WV_curlNext5;
        default:
            return WV_curlWeek7;
    }
}

// -- Construction

WeekView::WeekView(const QRectF& frame) : kit::View(frame) {
    initialize();
    initFields();
    setAcceptsTouchEvents(true);
    // The hour scroller along the right edge, as the interface places it.
    const double w = kit::Scroller::scrollerWidth(
        WeekViewScroller::isCompatibleWithOverlayScrollers() ? kit::Scroller::Style::Overlay
                                                             : kit::Scroller::Style::Legacy);
    gui_vScroller_ = new WeekViewScroller(QRectF(
        frame.width() - w, kBottomMargin, w, std::max(0.0, frame.height() - 1 - kBottomMargin)));
    addSubview(gui_vScroller_);
}

void WeekView::initFields() {
    visibleSubviews_.clear();
    inLiveResize_ = false;
    eventSetHasChanged_ = true;
    scrollerSize_ = 1.0f;
    calWeekTrackingArea_.reset();
    inPageCurl_ = false;
    inCalWeekDrawing_ = 0;
    hourMarkAttribs_ =
        kit::TextAttributes(kit::Font::systemFont(9.0), kit::Color::white(0.66, 1.0));
    calendarWeekAbbrev_ =
        foundation::localized(QStringLiteral("calendarWeekAbbreviation"), QStringLiteral("CW"));
}

WeekView* WeekView::initFromWeekView(WeekView* source) {
    if (!source) return nullptr;
    QRectF frame = source->frame();
    if (frame.height() < kMinFullHeight) frame.setHeight(kMinFullHeight - 1);
    auto* copy = new WeekView(frame);
    copy->setAcceptsTouchEvents(false);
    copy->gui_yearViewScroller_ = source->gui_yearViewScroller_;
    for (int i = 0; i < 4; ++i) {
        copy->gui_mainmi_[i] = source->gui_mainmi_[i];
        copy->gui_mi_[i] = source->gui_mi_[i];
        // The context menu's items act on the view that shows them.
        if (copy->gui_mi_[i]) copy->gui_mi_[i]->setTarget(copy);
    }
    // Menus of its own, so that they go with the view they act on.
    if (source->gui_contextMenu_) copy->makeContextMenus();
    // A scroller of the copy's own in the source's place, never too short to
    // be used.
    QRectF scroller =
        source->gui_vScroller_ ? source->gui_vScroller_->frame() : copy->gui_vScroller_->frame();
    scroller.setHeight(std::max(scroller.height(), kMinScrollerHeight));
    copy->gui_vScroller_->setFrame(scroller);
    copy->gui_vScroller_->setUpForWeekView(copy, "scrollAction");
    copy->gui_vScroller_->setFrameOrigin(QPointF(scroller.x() - 50, kBottomMargin));
    if (copy->frame().height() < kMinFullHeight) copy->repositionViewsDuringResize();
    return copy;
}

WeekView::~WeekView() {
    if (calWeekTrackingArea_) removeTrackingArea(calWeekTrackingArea_);
}

void WeekView::awakeFromNib() {
    visibleSubviews_.clear();
    inLiveResize_ = false;
    if (gui_vScroller_) gui_vScroller_->setUpForWeekView(this, "scrollAction");
    makeContextMenus();
}

void WeekView::applicationFinishedLaunching() {
    viewSet_.clear();
    setReferenceDate(newReferenceDateForDay(today()));
    initViews();

    stopObserving();
    auto observe = [this](const QString& name, void (WeekView::*handler)()) {
        observers_.push_back(foundation::MainThreadObserver::observe(
            this, name, nullptr,
            [this, handler](const foundation::Notification&) { (this->*handler)(); }));
    };
    observe(AppDelegate::kFiveMinuteTick, &WeekView::currentTimeChange);
    observe(CalendarSources::calendarSelectionChangedNotification,
            &WeekView::calendarSelectionChange);
    observe(CalendarSources::markerSelectionChangedNotification,
            &WeekView::calendarSelectionChange);
    observe(CalendarSources::calendarTypeOrColorChangedNotification,
            &WeekView::calendarTypeOrColorChange);
    observe(AppDelegate::kCurrentDateChanged, &WeekView::currentDateChange);
    observeWindowResizes();
}

// The observers belong to the view; dropping them ends the registrations.
void WeekView::stopObserving() {
    for (const QPointer<foundation::MainThreadObserver>& observer : observers_)
        delete observer.data();
    observers_.clear();
}

// Only the resizes of the window the view is in matter; a view in no window
// hears none.
void WeekView::observeWindowResizes() {
    kit::Window* w = window();
    if (resizeObserver_ && observedWindow_ == w) return;
    delete resizeObserver_.data();
    observedWindow_ = w;
    if (!w) return;
    resizeObserver_ = foundation::MainThreadObserver::observe(
        this, kit::Window::didResizeNotification(), w,
        [this](const foundation::Notification&) { windowResized(); });
}

void WeekView::viewDidMoveToWindow() {
    observeWindowResizes();
}

// -- Outlets

void WeekView::setYearViewScroller(kit::View* yearViewScroller) {
    gui_yearViewScroller_ = yearViewScroller;
}

void WeekView::setMainMenuModeItem(int mode, QObject* item) {
    if (const int slot = modeSlot(mode); slot >= 0)
        gui_mainmi_[slot] = qobject_cast<kit::MenuItem*>(item);
}

void WeekView::setContextMenuModeItem(int mode, QObject* item) {
    if (const int slot = modeSlot(mode); slot >= 0)
        gui_mi_[slot] = qobject_cast<kit::MenuItem*>(item);
}

kit::MenuItem* WeekView::gui_mainmiItem(int mode) const {
    const int slot = modeSlot(mode);
    return slot >= 0 ? gui_mainmi_[slot].data() : nullptr;
}

kit::MenuItem* WeekView::gui_miItem(int mode) const {
    const int slot = modeSlot(mode);
    return slot >= 0 ? gui_mi_[slot].data() : nullptr;
}

// -- Preferences

void WeekView::quickLoadPreferences() {
    auto& defaults = foundation::Defaults::standard();
    prefs_ = appPref::fromMap(defaults.dictionaryForKey(PrefGroups::weekView));
    gbprefs_ = appPref::fromMap(defaults.dictionaryForKey(PrefGroups::general));
    showRelativeInYear_ = prefs_.boolForKey(QStringLiteral("Show RelativeInYear"));
    displayMode_ = prefs_.intForKey(QStringLiteral("Display Mode"));
    grayoutUntilNow_ = prefs_.boolForKey(QStringLiteral("Grayout Until Now"));
    grayoutColor_ = prefs_.colorForKey(QStringLiteral("Grayout Color"));
    accelerateScroll_ = prefs_.floatForKey(QStringLiteral("Accelerate Scroll"));
    selectionColor_ = gbprefs_.colorForKey(QStringLiteral("Selection Color"));
    weekStartsSunday_ = gbprefs_.boolForKey(QStringLiteral("Week Begins on Sunday"));
    workdayStart_ = gbprefs_.floatForKey(QStringLiteral("Workday Starts At"));
    workdayEnd_ = gbprefs_.floatForKey(QStringLiteral("Workday Ends At"));
    todayColorTop_ = gbprefs_.colorForKey(QStringLiteral("Current Day BackgroundColorTop"));
    todayColorBottom_ = gbprefs_.colorForKey(QStringLiteral("Current Day BackgroundColorBot"));
    shownHour_ = workdayStart_;

    // Exactly the item of the shown mode is checked, in both menus; the
    // context menu's check items follow their settings.
    for (int mode = kWeek7Day; mode <= kNext5Days; ++mode) {
        const int state = mode == displayMode_ ? 1 : 0;
        if (kit::MenuItem* item = gui_mainmiItem(mode)) item->setState(state);
        if (kit::MenuItem* item = gui_miItem(mode)) item->setState(state);
    }
}

void WeekView::loadPreferences() {
    quickLoadPreferences();
    WeekdayView::loadPreferences();
    if (const auto& load = services().eventHoverLoadPreferences) load();
}

void WeekView::updatePreferences() {
    const int previousMode = displayMode_;
    quickLoadPreferences();
    WeekdayView::updatePreferences();
    // What a column lists as full-day entries follows the settings: its day is
    // laid out again even though its list did not change.
    for (WeekdayView* column : viewSet_) column->eventlistChanged();
    if (displayMode_ != previousMode) changeDisplayMode();
    if (const auto& update = services().eventHoverUpdatePreferences) update();
}

void WeekView::cmiCustomizeView(QObject*) {
    if (const auto& show = services().showWeekViewPreferences) show();
}

// -- Display modes

int WeekView::effectiveDisplayMode() const {
    return displayMode_ >= kWeek7Day && displayMode_ <= kSingleDay ? displayMode_ : kWeek7Day;
}

int WeekView::numberOfDaysInDisplay() const {
    switch (effectiveDisplayMode()) {
        case kWeek7Day:
        case kNext7Days:
            return 7;
        case kWeek5Day:
        case kNext5Days:
            return 5;
        default:
            return 1;
    }
}

int WeekView::viewSetMaxIndex() const {
    return numberOfDaysInDisplay() - 1;
}

MyDatePtr WeekView::newReferenceDateForDay(const MyDatePtr& day) const {
    if (!day) return nullptr;
    switch (effectiveDisplayMode()) {
        case kWeek7Day:
            if (weekStartsSunday_)
                return day->weekdayNum() == 0 ? MyDate::copyOf(day) : day->prevMonday()->prevDay();
            return day->prevMonday();
        case kWeek5Day:
            return day->prevMonday();
        default:
            return MyDate::copyOf(day);
    }
}

MyDatePtr WeekView::nextReferenceDateInDirection(int direction) const {
    if (!referenceDate_) return nullptr;
    const int mode = effectiveDisplayMode();
    const int step = mode == kWeek7Day || mode == kWeek5Day ? 7 : 1;
    return referenceDate_->dateByAddingYearsMonthsDays(0, 0, step * direction);
}

void WeekView::setReferenceDate(const MyDatePtr& date) {
    if (!date) return;
    referenceDate_ = date;
    referenceDateY_ = date;
    weeksInYear_ = date->weeksInYear();
    activateCalWeekHover();
}

int WeekView::dateOffsetFromTo(const MyDatePtr& a, const MyDatePtr& b) {
    if (!a || !b || a->isSameDateAs(b)) return 0;
    const bool forward = a->isBefore(b);
    const MyDate& from = forward ? *a : *b;
    const MyDate& to = forward ? *b : *a;
    SimpleDate day{from.monthNum(), from.dayNum(), from.yearNum()};
    const SimpleDate last{to.monthNum(), to.dayNum(), to.yearNum()};
    int steps = 0;
    while (!isSameDate(day, last)) {
        day = nextDay(day);
        ++steps;
    }
    return forward ? steps : -steps;
}

void WeekView::initViews() {
    for (WeekdayView* column : viewSet_) {
        column->removeFromSuperview();
        column->deleteLater();
    }
    viewSet_.clear();
    // Every mode has at least one column, so that every operation has a first
    // one; the single-day mode shows the reference day alone.
    const int count = numberOfDaysInDisplay();
    MyDatePtr day = referenceDate_;
    for (int i = 0; i < count && day; ++i, day = day->nextDay())
        viewSet_.push_back(newColumnForDay(day));
    repositionViewsDuringResize();
}

WeekdayView* WeekView::newColumnForDay(const MyDatePtr& day) {
    auto* column = WeekdayView::initWithFrame(QRectF(0, 0, 80, 300));
    column->setYVCell(
        kit::performReturning<YearViewCellPtr>(gui_yearViewScroller_.data(), "cellForDate", day)
            .value_or(nullptr));
    addSubview(column, Ordering::Below, gui_vScroller_);
    return column;
}

void WeekView::changeDisplayMode() {
    WeekView* fresh = initFromWeekView(this);
    if (!fresh) return;
    fresh->quickLoadPreferences();
    fresh->setDisplayMode(displayMode_);
    fresh->applicationFinishedLaunching();
    doPageCurlTo(fresh);
    // This view stops following the notifications before it goes.
    stopObserving();
    delete resizeObserver_.data();
    if (!kit::perform(gui_yearViewScroller_.data(), "exchangeWeekSubviewTo",
                      static_cast<kit::View*>(fresh)))
        fresh->deleteLater();
}

// -- Columns

WeekdayView* WeekView::firstViewContainingEvent(const EventDayPtr& event) const {
    for (WeekdayView* column : viewSet_)
        if (column->containsEvent(event)) return column;
    return nullptr;
}

EventDayPtr WeekView::eventDayForCalEvent(const calstore::EventPtr& event) const {
    for (WeekdayView* column : viewSet_)
        if (EventDayPtr record = column->eventDayForCalEvent(event)) return record;
    return nullptr;
}

// -- Notifications

void WeekView::currentTimeChange() {
    if (grayoutUntilNow_) forcedRedraw();
}

void WeekView::calendarSelectionChange() {
    for (WeekdayView* column : viewSet_) column->calendarSelectionChange();
    forcedRedraw();
}

void WeekView::calendarTypeOrColorChange() {
    forcedRedraw();
}

// The new day shows its week.
void WeekView::currentDateChange() {
    moveTo(newReferenceDateForDay(today()));
    forcedRedraw();
}
