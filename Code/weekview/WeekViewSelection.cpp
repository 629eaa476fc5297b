// The week view's one selected event: setting, keeping and reverting it,
// clearing it when its store event goes, deleting it, opening its details,
// and handing it to the main window as the object its Info and Edit act on.

#include "weekview/WeekView.h"

#include "data/YearViewEventLoader.h"
#include "platform/foundation/Log.h"
#include "shell/MainWindowCtrl.h"
#include "weekview/WDEventsView.h"
#include "weekview/WDHeaderView.h"
#include "weekview/WeekdayView.h"

#include <algorithm>

void WeekView::closeEventHover() {
    if (const auto& close = services().eventHoverCloseWindow) close(this);
}

bool WeekView::eventHoverIsOpen() const {
    const auto& isOpen = services().eventHoverIsOpen;
    return isOpen && isOpen();
}

void WeekView::markSelection(const EventDayPtr& event) {
    // The hover of the old event closes when the selection changes, and
    // always when it is cleared.
    const bool closeHover = !event || (selection_ && event != selection_);
    if (selection_)
        for (WeekdayView* column : viewSet_) column->deselectAllEvents();
    if (closeHover) closeEventHover();
    WeekdayView::setSelection(bool(event));
    if (!event) return;
    event->setIsSelected(true);
    event->setBlinkingFactor(1.0f);
    for (WeekdayView* column : viewSet_) column->neighboringSelectEvent(event);
}

void WeekView::selectEvent(const EventDayPtr& event) {
    previousSelection_ = selection_;
    for (WeekdayView* column : viewSet_) column->collapseFulldaysNotShowingEvent(event);
    markSelection(event);
    // A mark is selected like an event but gives Info and Edit nothing.
    const bool focus = event && !event->isMark();
    if (MainWindowCtrl* ctrl = MainWindowCtrl::existingWinController())
        ctrl->setCurrentGlobalObjectWithController(focus ? QVariant::fromValue(event) : QVariant(),
                                                   focus ? this : nullptr);
    selection_ = event;
    forcedRedraw();
}

void WeekView::followSelectionToNewRecords() {
    if (!selection_ || !selection_->event() || firstViewContainingEvent(selection_)) return;
    // The record of the same occurrence, timed or full-day.
    const calstore::EventPtr& selected = selection_->event();
    EventDayPtr fresh;
    for (WeekdayView* column : viewSet_)
        for (const auto* list : {&column->events(), &column->fdevents()})
            for (const EventDayPtr& record : *list)
                if (!fresh && record && record->event() &&
                    record->event()->uid() == selected->uid() &&
                    record->event()->startDate() == selected->startDate())
                    fresh = record;
    if (!fresh) return;
    if (previousSelection_ == selection_) previousSelection_ = fresh;
    selection_ = fresh;
    markSelection(fresh);
    if (MainWindowCtrl* ctrl = MainWindowCtrl::existingWinController(); ctrl && !fresh->isMark())
        ctrl->setCurrentGlobalObjectWithController(QVariant::fromValue(fresh), this);
    forcedRedraw();
}

void WeekView::selectAndKeepEvent(const EventDayPtr& event) {
    markSelection(event);
    selection_ = event;
    previousSelection_ = event;
    forcedRedraw();
}

void WeekView::revertSelection() {
    const EventDayPtr recorded = previousSelection_;
    previousSelection_ = nullptr;
    markSelection(recorded);
    selection_ = recorded;
    forcedRedraw();
}

void WeekView::selectionGotDeleted() {
    const EventDayPtr selected = selection_;
    if (!selected) return;
    YearViewEventLoader::deleteEvent(selected);
    selectEvent(nullptr);
}

void WeekView::deselectEventWithUID(const QString& uid) {
    if (selection_ && selection_->event() && selection_->event()->uid() == uid)
        selectEvent(nullptr);
}

void WeekView::openInfosForEvent(const EventDayPtr& event) {
    if (!event) return;
    WeekdayView* column = firstViewContainingEvent(event);
    if (!column) {
        foundation::log(QStringLiteral("ERROR: didn't find corresponding day :("));
        return;
    }
    const QRectF rect = column->visibleRectForEvent(event);
    kit::View* anchor = event->fulldayEvent() ? static_cast<kit::View*>(column->headerView())
                                              : static_cast<kit::View*>(column->eventsView());
    if (const auto& show = services().eventHoverShowWindow) show(event, rect, anchor);
}

// Info always acts on the selection as it is now; a reload may have cleared it.
// Where it cannot act (no event, a mark, a view too low for the hover) the
// focus goes, which disables the command.
void WeekView::menuCommandInformation(const QVariant&) {
    if (canActOnSelection())
        openInfosForEvent(selection_);
    else
        clearFocus();
}

bool WeekView::canCreateNewEvent() const {
    return bool(WeekdayView::calendarForNewEvents(false));
}

void WeekView::createNewEvent() {
    // A single day shows no columns: there is nowhere to put the event.
    if (viewSet_.empty()) return;
    const MyDatePtr today = MyDate::date();
    const size_t shown = std::min(viewSet_.size(), size_t(std::max(0, numberOfDaysInDisplay())));
    size_t index = 0;
    for (size_t i = 0; i < shown; ++i) {
        const MyDatePtr day = viewSet_[i]->date();
        if (day && day->isSameDateAs(today)) {
            index = i;
            break;
        }
    }
    viewSet_[index]->createNewEventAtHour(12.0);
}
