#include "yearview/YearViewModel.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Memory.h"
#include "platform/kit/Perform.h"
#include "yearview/YearView.h"

#include <QMetaObject>

namespace {

// How many coming job completions start no loading of sibling pages.
std::atomic<int> YV_viewsRedrawCount{0};

}  // namespace

YearViewModel::YearViewModel(const MyDatePtr& firstDayInYear)
    : firstDayInYear_(firstDayInYear), theYear(firstDayInYear->yearNum()) {
    initCells();
    dayCellAttribs_ = kit::TextAttributes(kit::Font::systemFont(kit::Font::smallSystemFontSize()),
                                          QColor::fromRgbF(0.4f, 0.4f, 0.4f, 1.0f));
    monthNameAttribs_ = kit::TextAttributes(
        kit::Font::boldSystemFont(kit::Font::smallSystemFontSize()), QColor(0, 0, 0));
    yearTitleAttribs_ = kit::TextAttributes(kit::Font::boldSystemFont(18.0), QColor(0, 0, 0));
}

YearViewModel::~YearViewModel() = default;

void YearViewModel::setView(YearView* view) {
    view_ = view;
}

YearView* YearViewModel::view() const {
    return view_;
}

// Walks the year from 1 January: each month's column gets its days in order,
// and the rows after the month's last day keep no date.
void YearViewModel::initCells() {
    for (auto& cell : yvcell) cell = std::make_shared<YearViewCell>();
    MyDatePtr date = firstDayInYear_;
    for (int month = 1; month <= 12; ++month) {
        for (int day = 1; day <= 31; ++day) {
            yvcell[size_t((month - 1) * 31 + (day - 1))]->setDate(date);
            MyDatePtr next = date->nextDay();
            const bool monthDone =
                next->monthNum() > date->monthNum() || next->yearNum() > date->yearNum();
            date = next;
            if (monthDone) break;
        }
    }
}

YearViewCellPtr YearViewModel::gridCell(int day, int month) const {
    if (day < 1 || day > 31 || month < 1 || month > 12) return nullptr;
    return yvcell[size_t((month - 1) * 31 + (day - 1))];
}

YearViewCellPtr YearViewModel::cellForDayAndMonth(int day, int month) const {
    YearViewCellPtr cell = gridCell(day, month);
    return cell && cell->isValidDate() ? cell : nullptr;
}

YearViewCell::EventListPtr YearViewModel::eventsForDayAndMonth(int day, int month) const {
    static const YearViewCell::EventListPtr empty =
        std::make_shared<const YearViewCell::EventList>();
    const YearViewCellPtr cell = cellForDayAndMonth(day, month);
    if (!cell) return empty;
    YearViewCell::EventListPtr list = cell->events();
    return list ? list : empty;
}

void YearViewModel::forEachCell(
    const std::function<void(const YearViewCellPtr&, int, int)>& fn) const {
    for (int month = 1; month <= 12; ++month)
        for (int day = 1; day <= 31; ++day)
            fn(yvcell[size_t((month - 1) * 31 + (day - 1))], day, month);
}

// -- Threaded interface

void YearViewModel::threadedAddEventFromCalendarForDayInMonthInFullLoading(
    const calstore::EventPtr& event, const CalendarPtr& calendar, int day, int month,
    bool fullLoading) {
    const YearViewCellPtr cell = cellForDayAndMonth(day, month);
    if (!cell) return;
    // The first add of a full load empties a loaded page, so that a reload shows
    // no entry twice; the page stays unloaded until the job finishes, so the
    // job's later adds only add.
    if (fullLoading && isLoaded.exchange(false)) {
        for (const auto& c : yvcell) c->invalidateEvents();
    }
    cell->addEventFromCalendar(event, calendar);
}

void YearViewModel::threadedRemoveCalendarForDayInMonth(const CalendarPtr& calendar, int day,
                                                        int month) {
    if (const YearViewCellPtr cell = cellForDayAndMonth(day, month)) cell->removeCalendar(calendar);
}

void YearViewModel::threadedRemoveEventUIDFromDayInMonth(const QString& uid, int day, int month) {
    if (const YearViewCellPtr cell = cellForDayAndMonth(day, month)) cell->removeEventWithUID(uid);
}

void YearViewModel::onView(std::function<void(YearView*)> fn) {
    foundation::onMain([self = shared_from_this(), fn = std::move(fn)] {
        if (YearView* view = self->view_) fn(view);
    });
}

void YearViewModel::threadedUpdateView() {
    isLoaded = true;
    // Decided here, in one step, so that concurrent completions never both take
    // the last pending count.
    const bool chainSiblings = !consumeViewToRedraw();
    onView([chainSiblings](YearView* view) {
        if (const auto& reload = YearView::services().dayPopupReloadData) reload();
        view->redrawInBackground();
        kit::perform(view->superview(), "updateWeekView");
        if (!chainSiblings || !view->superview()) return;
        // Pages that have no events yet are loaded offscreen, one after the
        // other, as each load finishes.
        const auto siblings = view->superview()->subviews();
        for (kit::View* sibling : siblings) {
            if (sibling == view || sibling->metaObject() != &YearView::staticMetaObject) continue;
            auto* page = static_cast<YearView*>(sibling);
            if (!page->eventsLoaded()) page->initialDraw();
        }
    });
}

// A calendar's events arrived while others are still being read: the page
// shows them at once, drawn on a job thread like a finished load.
void YearViewModel::threadedShowPartialLoad() {
    onView([](YearView* view) { view->redrawInBackground(); });
}

// The picture is drawn where the population ran, never on the main thread:
// drawing a whole year of events would hold up the window.
void YearViewModel::threadedUpdateViewOffscreen() {
    isLoaded = true;
    auto render = [self = shared_from_this()] {
        self->drawOffscreen();
        self->onView([](YearView* view) { kit::perform(view->superview(), "updateWeekView"); });
    };
    if (foundation::isMainThread())
        foundation::startThread(std::move(render));
    else
        render();
}

// A reload empties the shown page on the main thread: the entries and events
// of a whole year are taken apart on a job thread instead (they are immutable
// and only their owners change hands), so that the window keeps answering.
void YearViewModel::invalidateEvents() {
    std::vector<YearViewCell::EventListPtr> dropped;
    dropped.reserve(yvcell.size());
    for (const auto& cell : yvcell)
        if (YearViewCell::EventListPtr list = cell->invalidateEvents()) dropped.push_back(list);
    isLoaded = false;
    if (foundation::isMainThread() && !dropped.empty())
        foundation::startThread([lists = std::move(dropped)]() mutable {
            lists.clear();
            foundation::releaseFreedMemory();
        });
}

// -- Month counts

int YearViewModel::numberOfEventsInMonthForCalendar(int month, const Calendar* calendar) const {
    if (month < 1 || month > 12) return 0;
    int count = 0;
    for (int day = 1; day <= 31; ++day) {
        const YearViewCellPtr cell = cellForDayAndMonth(day, month);
        if (!cell) continue;
        for (const EventDayPtr& entry : *eventsForDayAndMonth(day, month))
            if (entry && entry->calendar().get() == calendar) ++count;
    }
    return count;
}

int YearViewModel::numberOfMarksInMonthForMarker(int month, const QString& markerUID) const {
    if (month < 1 || month > 12) return 0;
    const QString location = EventDay::kZoltPrefix + markerUID;
    int count = 0;
    for (int day = 1; day <= 31; ++day) {
        const YearViewCellPtr cell = cellForDayAndMonth(day, month);
        if (!cell) continue;
        for (const EventDayPtr& entry : *eventsForDayAndMonth(day, month))
            if (entry && entry->event() && entry->event()->location() == location) ++count;
    }
    return count;
}

// -- Redraw count

void YearViewModel::setViewsToRedraw(int count) {
    YV_viewsRedrawCount = count;
}

int YearViewModel::viewsToRedraw() {
    return YV_viewsRedrawCount.load();
}

bool YearViewModel::consumeViewToRedraw() {
    int count = YV_viewsRedrawCount.load();
    while (count > 0) {
        if (YV_viewsRedrawCount.compare_exchange_weak(count, count - 1)) return true;
    }
    return false;
}

// -- Geometry kept for renderings away from the widget

YearViewModel::Layout YearViewModel::layout() const {
    foundation::Guard guard(lock_);
    return layout_;
}

void YearViewModel::presetInnerFrame(const QPointF& origin) {
    foundation::Guard guard(lock_);
    layout_.dayCellStartX = origin.x();
    layout_.dayCellStartY = origin.y();
}

QPointF YearViewModel::innerFrame() const {
    foundation::Guard guard(lock_);
    return QPointF(layout_.dayCellStartX, layout_.dayCellStartY);
}

void YearViewModel::setBoundsSize(const QSizeF& size) {
    foundation::Guard guard(lock_);
    boundsSize_ = size;
}

QSizeF YearViewModel::boundsSize() const {
    foundation::Guard guard(lock_);
    return boundsSize_;
}

void YearViewModel::setRenderScale(double scale) {
    foundation::Guard guard(lock_);
    renderScale_ = scale > 0 ? scale : 1.0;
}

QImage YearViewModel::cachedView() const {
    foundation::Guard guard(lock_);
    return cachedView_;
}

void YearViewModel::setCachedView(const QImage& image) {
    foundation::Guard guard(lock_);
    cachedView_ = image;
}

kit::TextAttributes YearViewModel::dayCellAttribs() const {
    foundation::Guard guard(lock_);
    return dayCellAttribs_;
}

kit::TextAttributes YearViewModel::monthNameAttribs() const {
    foundation::Guard guard(lock_);
    return monthNameAttribs_;
}

kit::TextAttributes YearViewModel::yearTitleAttribs() const {
    foundation::Guard guard(lock_);
    return yearTitleAttribs_;
}
