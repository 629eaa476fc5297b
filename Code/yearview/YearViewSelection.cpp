// The year page's selection of days and the commands on selected days.

#include "yearview/YearView.h"

#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "platform/foundation/Localized.h"
#include "platform/kit/Perform.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "yearview/YearViewCell.h"

#include <QHash>
#include <QSet>

namespace {

std::shared_ptr<CalendarSources> calendarSources() {
    AppDelegate* app = AppDelegate::obj();
    return app ? app->calendarSources : nullptr;
}

}  // namespace

int YearView::numberOfSelectedDays() const {
    return YearViewCell::selectCount();
}

bool YearView::isHighlightedForDayMonth(int day, int month) const {
    const YearViewCellPtr cell = model_->cellForDayAndMonth(day, month);
    return cell && cell->isHighlighted();
}

std::vector<MyDatePtr> YearView::selectionCopy() const {
    return YearViewCell::currentSelection();
}

// While days are selected the selection is the main window's focus object and
// the page answers its Info and Edit commands.
void YearView::setFocusFromSelection() {
    QObject* controller = MainWindowCtrl::sharedWinController();
    if (YearViewCell::selectCount() > 0)
        kit::perform(controller, "setCurrentGlobalObjectWithController",
                     QVariant::fromValue(selectionCopy()), static_cast<QObject*>(this));
    else
        kit::perform(controller, "setCurrentGlobalObjectWithController", QVariant(),
                     static_cast<QObject*>(nullptr));
}

bool YearView::setHighlightStatusForDayMonthHighlight(int day, int month, int highlight) {
    const YearViewCellPtr cell = model_->cellForDayAndMonth(day, month);
    if (!cell) return false;
    if (highlight == 1)
        cell->setHighlighted(true);
    else if (highlight == 0)
        cell->setHighlighted(false);
    setFocusFromSelection();
    setNeedsDisplayInRect(cell->inset());
    return true;
}

// Applies the drag's select mode to every day from the anchor to the given day,
// whichever comes first; days the months lack are skipped.
void YearView::highlightUpToDayMonth(int day, int month) {
    int firstMonth = dragStartMonth_, firstDay = dragStartDay_;
    int lastMonth = month, lastDay = day;
    if (dragStartMonth_ > month || (dragStartMonth_ == month && dragStartDay_ > day)) {
        std::swap(firstMonth, lastMonth);
        std::swap(firstDay, lastDay);
    }
    for (int m = firstMonth; m <= lastMonth; ++m) {
        const int from = m == firstMonth ? firstDay : 1;
        const int to = m == lastMonth ? lastDay : 31;
        for (int d = from; d <= to; ++d)
            setHighlightStatusForDayMonthHighlight(d, m, dragSelectMode_);
    }
}

void YearView::highlightAll() {
    model_->forEachCell([](const YearViewCellPtr& cell, int, int) {
        if (cell->isValidDate()) cell->setHighlighted(true);
    });
    setFocusFromSelection();
    setNeedsDisplay(true);
}

void YearView::deHighlightAll() {
    if (YearViewCell::selectCount() == 1) {
        const YearViewCellPtr cell = model_->cellForDayAndMonth(YearViewCell::selectedDayDay(),
                                                                YearViewCell::selectedDayMonth());
        if (cell) {
            cell->setHighlighted(false);
            setFocusFromSelection();
            setNeedsDisplayInRect(cell->inset());
            return;
        }
    }
    model_->forEachCell([](const YearViewCellPtr& cell, int, int) { cell->setHighlighted(false); });
    setFocusFromSelection();
    setNeedsDisplay(true);
}

// Marker title to 1 when every selected day carries a mark of it, -1 when only
// some do; a day counts once per marker.
QVariantMap YearView::markStateOfSelection() const {
    const auto sources = calendarSources();
    const std::vector<MyDatePtr> selection = selectionCopy();
    QHash<QString, int> counts;
    for (const MyDatePtr& date : selection) {
        const YearViewCellPtr cell = model_->cellForDayAndMonth(date->dayNum(), date->monthNum());
        if (!cell || !sources) continue;
        QSet<QString> uids;
        for (const EventDayPtr& entry :
             *model_->eventsForDayAndMonth(date->dayNum(), date->monthNum())) {
            if (!entry || !entry->fulldayEvent() || !entry->isMark()) continue;
            if (const auto marker = sources->markerWithUID(entry->markerID()))
                uids.insert(marker->uID());
        }
        for (const QString& uid : uids) ++counts[uid];
    }
    QVariantMap states;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        states.insert(it.key(), it.value() >= int(selection.size()) ? 1 : -1);
    return states;
}

// -- Main-window commands on the focus

void YearView::menuCommandInformation(QObject*) {
    const int n = YearViewCell::selectCount();
    if (n == 0 || bounds().height() < YearViewModel::kMinFullHeight) {
        kit::perform(MainWindowCtrl::sharedWinController(), "setCurrentGlobalObjectWithController",
                     QVariant(), static_cast<QObject*>(nullptr));
        return;
    }
    showDayPopupForDayMonth(YearViewCell::selectedDayDay(), YearViewCell::selectedDayMonth());
}

void YearView::menuCommandEdit(QObject*) {
    const int n = YearViewCell::selectCount();
    if (n == 0 || bounds().height() < YearViewModel::kMinFullHeight) {
        kit::perform(MainWindowCtrl::sharedWinController(), "setCurrentGlobalObjectWithController",
                     QVariant(), static_cast<QObject*>(nullptr));
        return;
    }
    const YearViewCellPtr cell = model_->cellForDayAndMonth(YearViewCell::selectedDayDay(),
                                                            YearViewCell::selectedDayMonth());
    if (cell) switchToWeekOfDate(cell->cellDate());
}

// -- Day popup and week

bool YearView::showDayPopupForDayMonth(int day, int month) {
    const YearViewCellPtr cell = model_->cellForDayAndMonth(day, month);
    if (!cell) return false;
    if (const auto& show = services().dayPopupShowWindowForCellInView) show(cell, this);
    return true;
}

void YearView::advancePopupToDate(const MyDatePtr& date) {
    if (date && date->yearNum() == model_->year())
        showDayPopupForDayMonth(date->dayNum(), date->monthNum());
}

void YearView::popupGotoWeek(const MyDatePtr& date) {
    kit::perform(superview(), "showWeekOfDay", QVariant::fromValue(date));
}

void YearView::switchToWeekOfDate(const MyDatePtr& date) {
    closeDayPopup();
    deHighlightAll();
    kit::perform(superview(), "showWeekView", static_cast<QObject*>(this));
    kit::perform(superview(), "showWeekOfDay", QVariant::fromValue(date));
}

// -- Notes

bool YearView::editNotesForDayMonthWithString(int day, int month, const QString& text) {
    const YearViewCellPtr cell = model_->cellForDayAndMonth(day, month);
    if (!cell) return false;
    const auto sources = calendarSources();
    if ((!sources || !sources->firstMarkerCalendar()) && !cell->hasNotes()) return false;
    // Typing into a day while its popup or a notes editor is open must not
    // replace what is being edited there.
    if (dayPopupOpen()) return false;
    if (const auto& open = services().notesPopupWindowOpen; open && open()) return false;
    if (const auto& show = services().notesPopupShowWindowForCellInViewWithString)
        show(cell, this, text);
    return true;
}

void YearView::editNotesForSelection() {
    const std::vector<MyDatePtr> selection = selectionCopy();
    if (selection.empty()) return;
    editNotesForDayMonthWithString(selection.front()->dayNum(), selection.front()->monthNum(),
                                   QString());
}

bool YearView::canEditNotesForSelection() const {
    const auto sources = calendarSources();
    if (sources && sources->firstMarkerCalendar()) return true;
    const std::vector<MyDatePtr> selection = selectionCopy();
    if (selection.empty()) return false;
    const YearViewCellPtr cell =
        model_->cellForDayAndMonth(selection.front()->dayNum(), selection.front()->monthNum());
    return cell && cell->hasNotes();
}

// -- Commands on the selected days: each runs as a job on a new loader of the
// page's year, with a copy of the selection taken now.

void YearView::markSelectionAs(const QString& markerUID) {
    const auto sources = calendarSources();
    if (!model_->initialRedrawDone() || !sources) return;
    const auto marker = sources->markerWithUID(markerUID);
    if (!marker) return;
    if (const auto& start = services().startMarkingDays) start(selectionCopy(), marker, this);
}

void YearView::removeMarksOf(const QString& markerUID) {
    const auto sources = calendarSources();
    if (!model_->initialRedrawDone() || !sources) return;
    const auto marker = sources->markerWithUID(markerUID);
    if (!marker) return;
    if (const auto& start = services().startRemovingMarksOfMarker)
        start(marker, selectionCopy(), this);
}

void YearView::removeAllMarks() {
    if (!model_->initialRedrawDone()) return;
    if (const auto& start = services().startRemovingAllMarksFromDays) start(selectionCopy(), this);
}

// The job takes the deleted events from the selected days of this page, but
// it removes whole series and multi-day events from the store: every other day
// of the loaded pages that shows one of them drops it as well, without waiting
// for a reload of the year.
void YearView::deleteEventsFromCalendar(const YearViewEventLoader::DeletionCalendars& calendars) {
    if (!model_->initialRedrawDone()) return;
    if (!calendars.all && calendars.uid.isEmpty()) return;
    const auto& start = services().startDeletingEventsFromDays;
    if (!start) return;
    const std::vector<MyDatePtr> days = selectionCopy();
    QSet<QString> series;
    QSet<int> selected;  // month * 100 + day of this page's year; the job changes those
    for (const MyDatePtr& day : days) {
        if (!day || day->yearNum() != year()) continue;
        selected.insert(day->monthNum() * 100 + day->dayNum());
        for (const EventDayPtr& entry :
             *model_->eventsForDayAndMonth(day->dayNum(), day->monthNum())) {
            const calstore::EventPtr event = entry ? entry->event() : nullptr;
            const calstore::CalendarPtr calendar = event ? event->calendar() : nullptr;
            if (calendar && (calendars.all || calendar->uid() == calendars.uid))
                series.insert(event->uid());
        }
    }
    start(days, calendars, this);
    if (series.isEmpty()) return;

    const auto dropFrom = [&series](YearView* page, const QSet<int>& keep) {
        for (int month = 1; month <= 12; ++month)
            for (int day = 1; day <= 31; ++day)
                if (!keep.contains(month * 100 + day))
                    for (const QString& uid : series)
                        page->threadedRemoveEventUIDFromDayInMonth(uid, day, month);
    };
    dropFrom(this, selected);
    setNeedsDisplay(true);
    if (kit::View* holder = superview())
        for (kit::View* view : holder->subviews())
            if (auto* page = qobject_cast<YearView*>(view); page && page != this) {
                dropFrom(page, {});
                page->drawOffscreenInBackground();
            }
}
