// The year page: construction, preferences, services, loading and the reaction
// to its own frame changes.

#include "yearview/YearView.h"

#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "data/appPref.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/MainThreadObserver.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/TrackingArea.h"
#include "shell/AppDelegate.h"
#include "yearview/YearViewCell.h"

namespace {

YearView::Services& servicesStorage() {
    static YearView::Services services;
    return services;
}

}  // namespace

void YearView::changeServices(const std::function<void(Services&)>& change) {
    change(servicesStorage());
}

const YearView::Services& YearView::services() {
    return servicesStorage();
}

MyDatePtr YearView::todaysDate() {
    if (AppDelegate* app = AppDelegate::obj(); app && app->today) return app->today;
    return MyDate::date();
}

YearView* YearView::initWithYear(int year) {
    return initWithYearOffset(year - todaysDate()->yearNum());
}

YearView* YearView::initWithYearOffset(int yearOffset) {
    MyDatePtr date = todaysDate();
    if (yearOffset != 0) date = date->dateByAddingYearsMonthsDays(yearOffset, 0, 0);
    return new YearView(date->firstDayInYear());
}

YearView::YearView(const MyDatePtr& firstDayInYear)
    : kit::View(QRectF()), model_(std::make_shared<YearViewModel>(firstDayInYear)) {
    model_->setView(this);
    YearViewModel::refreshToday();
    YV_flippedY = false;
    quickLoadPreferences();
    registerForDraggedTypes({kDragType});
    setAcceptsTouchEvents(true);
    setPostsFrameChangedNotifications(true);
    setCachesDrawing(true);
    auto& center = foundation::NotificationCenter::defaultCenter();
    frameToken_ =
        center.addObserver(this, kit::View::frameDidChangeNotification(), this,
                           [this](const foundation::Notification& n) { viewFrameChange(n); });
    // The drawing compares days with today; a new day is picked up at once.
    foundation::MainThreadObserver::observe(
        this, AppDelegate::kCurrentDateChanged, nullptr,
        [](const foundation::Notification&) { YearViewModel::refreshToday(); });
}

YearView::~YearView() {
    auto& center = foundation::NotificationCenter::defaultCenter();
    center.removeObserver(frameToken_);
    if (hoverTimer) hoverTimer->stop();
    // Jobs that still hold the model find no page to redraw.
    model_->setView(nullptr);
}

// -- Preferences

void YearView::quickLoadPreferences() {
    prefs = std::make_unique<appPref>(appPref::fromMap(
        foundation::Defaults::standard().dictionaryForKey(AppDelegate::kYearView)));
    showHoverInfo_ = prefs->boolForKey(QStringLiteral("Hover Info"));
    showNotesOnHover = prefs->boolForKey(QStringLiteral("Hover Shows Notes"));
    showMarksOnHover = prefs->boolForKey(QStringLiteral("Hover Shows Marks"));
    showCwHover = prefs->boolForKey(QStringLiteral("Hover CalendarWeek"));
}

void YearView::loadPreferences() {
    quickLoadPreferences();
    YearViewCell::loadPreferences();
    if (const auto& load = services().dayPopupLoadPreferences) load();
}

void YearView::updatePreferences() {
    quickLoadPreferences();
    YearViewCell::updatePreferences();
    if (const auto& update = services().dayPopupUpdatePreferences) update();
    if (!showCwHover && lastHoveredCwCell_) {
        lastHoveredCwCell_->setDrawsCalendarWeek(false);
        setNeedsDisplayInRect(lastHoveredCwCell_->inset());
        lastHoveredCwCell_.reset();
    }
}

// -- Loading

void YearView::initialDraw() {
    if (eventsLoaded()) return;
    if (const auto& start = services().startPopulatingOffscreen) start(this);
}

void YearView::startLoadingEvents() {
    if (model_->markInitialRedrawDone()) return;
    if (const auto& start = services().startPopulatingView) start(this);
}

void YearView::calendarsAdded(const std::vector<CalendarPtr>& calendars) {
    if (!model_->initialRedrawDone()) return;
    if (const auto& start = services().startPopulatingFromCals) start(calendars, this);
}

void YearView::calendarsRemoved(const std::vector<CalendarPtr>& calendars) {
    if (!model_->initialRedrawDone()) return;
    if (const auto& start = services().startRemovingCals) start(calendars, this);
}

void YearView::eventsUpdated(const QVariantMap& changes) {
    if (!model_->initialRedrawDone()) return;
    if (const auto& start = services().startUpdatingEvents) start(changes, this);
}

int YearView::numberOfMarksInMonthForMarker(int month, const EMarker* marker) const {
    if (!marker) return 0;
    return model_->numberOfMarksInMonthForMarker(month, marker->uID());
}

void YearView::redrawViewOnMainThread(QObject*) {
    setNeedsDisplay(true);
}

void YearView::redrawCellOnMainThread(const YearViewCellPtr& cell) {
    if (cell) setNeedsDisplayInRect(cell->inset());
}

// -- Geometry

void YearView::setFrame(const QRectF& frame) {
    model_->setBoundsSize(frame.size());
    model_->setRenderScale(devicePixelRatioF());
    kit::View::setFrame(frame);
}

// The page follows the pointer over its whole frame while it is the one shown;
// during a live resize the area is renewed only once the resize has ended.
void YearView::viewFrameChange(const foundation::Notification& notification) {
    if (inLiveResize() || notification.object != this || !isVisible_) return;
    installViewArea();
}

void YearView::setIsVisible(bool visible) {
    const bool becomesVisible = visible && !isVisible_;
    isVisible_ = visible;
    if (becomesVisible) installViewArea();
}

void YearView::installViewArea() {
    if (viewArea_) removeTrackingArea(viewArea_);
    const QRectF frame = this->frame();
    viewArea_ = kit::TrackingArea::create(
        QRectF(frame.x(), frame.y() - 23.0, frame.width(), frame.height()),
        kit::TrackingArea::MouseMoved | kit::TrackingArea::ActiveInKeyWindow, this);
    addTrackingArea(viewArea_);
}

void YearView::drawOffscreenInBackground() {
    foundation::startThread([model = model_] { model->drawOffscreen(); });
}
