// The find panel's results list: cell values, the event hover that follows
// the selected row, and the deletion of the selected found events.

#include "sources/FindPanelController.h"

#include "data/Calendar.h"
#include "events/EventHoverController.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/foundation/Threads.h"
#include "platform/foundation/UserCalendar.h"
#include "platform/kit/Button.h"
#include "platform/kit/Event.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TableColumn.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"

#include <QSet>

#include <algorithm>

namespace {

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

constexpr int kDeleteKey = 51;
constexpr int kForwardDeleteKey = 117;

QString uidOf(const EventDayPtr& entry) {
    return entry && entry->event() ? entry->event()->uid() : QString();
}

// The rows left of `rows` once the rows marked in `removed` are gone.
std::vector<int> remainingRows(const std::vector<int>& rows, const std::vector<bool>& removed) {
    // Each row moves up by the number of rows removed above it.
    std::vector<int> removedAbove(removed.size() + 1, 0);
    for (size_t i = 0; i < removed.size(); ++i)
        removedAbove[i + 1] = removedAbove[i] + (removed[i] ? 1 : 0);
    std::vector<int> kept;
    for (int row : rows) {
        if (row < 0 || row >= int(removed.size()) || removed[size_t(row)]) continue;
        kept.push_back(row - removedAbove[size_t(row)]);
    }
    return kept;
}

}  // namespace

QImage FindPanelController::typeImage(const EventDayPtr& entry) const {
    if (entry->event() &&
        entry->event()->location() == EventDay::kZoltPrefix + QStringLiteral("Notes"))
        return typeImgNote;
    if (entry->isMark()) return typeImgMark;
    const int type = entry->calendar() ? entry->calendar()->calendarType() : 0;
    if (type == Calendar::kTypeHoliday) return typeImgHoliday;
    if (type == Calendar::kTypeBirthday) return typeImgBirthday;
    return typeImgEvent;
}

QString FindPanelController::dateText(const QDateTime& start, const QString& language) {
    // The day as the user's calendar counts it.
    const QDate day = start.toTimeZone(foundation::UserCalendar::current().timeZone()).date();
    if (foundation::isUSEnglishLocale(language))
        return QStringLiteral("%1/%2/%3").arg(day.month()).arg(day.day()).arg(day.year());
    return QStringLiteral("%1.%2.%3").arg(day.day()).arg(day.month()).arg(day.year());
}

int FindPanelController::numberOfRowsInTableView(kit::TableView*) {
    return int(results_.size());
}

QVariant FindPanelController::tableViewObjectValueForTableColumnRow(kit::TableView*,
                                                                    kit::TableColumn* column,
                                                                    int row) {
    if (row < 0 || row >= int(results_.size()) || !column) return {};
    const EventDayPtr& entry = results_[size_t(row)];
    if (!entry || !entry->event()) return {};
    const QString id = column->identifier();
    if (id == QLatin1String("type")) return typeImage(entry);
    if (id == QLatin1String("date")) return dateText(entry->event()->startDate(), language_);
    if (id == QLatin1String("text")) return entry->event()->title();
    return {};
}

QRectF FindPanelController::anchorRectOfRow(int row) const {
    const QRectF r = gui_resultsTable->rectOfRow(row);
    const double extra = gui_resultsScrollView->hasVerticalScroller() ? 20 : 0;
    return QRectF(r.x() - 2, r.y() + r.height(), r.width() + extra, r.height());
}

void FindPanelController::showHoverForSelectedRow(bool scroll) {
    const int row = gui_resultsTable->selectedRow();
    if (row < 0 || row >= int(results_.size())) return;
    if (scroll) gui_resultsTable->scrollRowToVisible(row);
    EventHoverController* hover = EventHoverController::sharedWinController();
    hover->showWindowForEventAtRectInView(results_[size_t(row)], anchorRectOfRow(row),
                                          gui_resultsTable);
    hover->setShowWeekButton(true);
}

void FindPanelController::doubleClick(QObject*) {
    showHoverForSelectedRow(true);
}

void FindPanelController::tableViewSelectionDidChange(kit::TableView*) {
    const int row = gui_resultsTable->selectedRow();
    gui_deleteButton->setHidden(row < 0);
    EventHoverController* hover = EventHoverController::existingWinController();
    if (hover && hover->windowOpen() && row >= 0) showHoverForSelectedRow(false);
}

EventHoverController* FindPanelController::followingHover(int& row) {
    // Only a hover opened from this list follows it (the list may scroll
    // while the window is still being built, with a hover of another view open).
    EventHoverController* hover = EventHoverController::existingWinController();
    if (!gui_resultsTable || !hover || !hover->windowOpen() ||
        hover->originatingView() != gui_resultsTable)
        return nullptr;
    row = gui_resultsTable->selectedRow();
    if (row >= 0) return hover;
    hover->closeWindow();
    return nullptr;
}

void FindPanelController::viewFrameChanged(QObject*) {
    int row = -1;
    EventHoverController* hover = followingHover(row);
    if (!hover) return;
    const QRectF r = anchorRectOfRow(row);
    const QRectF visible = gui_resultsScrollView->documentVisibleRect();
    const double p = r.y() - 16 + r.height() / 2;
    const bool shown = visible.y() <= p && p <= visible.y() + visible.height();
    hover->setDrawsAnchor(shown);
    if (shown) hover->updateAnchorToRect(r);
}

void FindPanelController::windowDidResize(QObject*) {
    if (!gui_resultsTable) return;
    gui_resultsTable->tile();
    viewFrameChanged();
    windowDidMove();
}

void FindPanelController::windowDidMove(QObject*) {
    int row = -1;
    EventHoverController* hover = followingHover(row);
    if (!hover) return;
    if (!hover->drawsAnchor()) {
        // Parked at the top of the visible part of the list.
        const QRectF visible = gui_resultsScrollView->documentVisibleRect();
        hover->updateAnchorToRect(QRectF(visible.topLeft(), anchorRectOfRow(row).size()));
    }
    hover->originatingViewMoved();
}

bool FindPanelController::handleKeyDown(int keyCode) {
    if ((keyCode != kDeleteKey && keyCode != kForwardDeleteKey) ||
        gui_resultsTable->numberOfSelectedRows() < 1)
        return false;
    openDeleteSheet();
    return true;
}

void FindPanelController::keyDown(const kit::Event& event) {
    if (!handleKeyDown(event.keyCode())) kit::WindowController::keyDown(event);
}

// --- Deletion ------------------------------------------------------------------------------

void FindPanelController::deletePressed(QObject*) {
    if (gui_resultsTable->numberOfSelectedRows() > 0) openDeleteSheet();
}

void FindPanelController::openDeleteSheet() {
    if (deleteSheetOpen_) return;
    const qint64 n = gui_resultsTable->numberOfSelectedRows();
    gui_deleteText->setStringValue(foundation::formatLocalizedWith(
        text(n == 1 ? "findPanelDeleteEventsSingle" : "findPanelDeleteEventsMultiple"), n));
    gui_okDelete->setHidden(false);
    gui_cancelDelete->setHidden(false);
    gui_deleteProgress->setHidden(true);
    gui_deleteSheet->makeFirstResponder(gui_okDelete);
    if (!kit::Sheet::beginSheet(gui_deleteSheet, window(),
                                [this](kit::Window*, int) { deleteDidEndSheet(); }))
        return;
    deleteSheetOpen_ = true;
}

void FindPanelController::cancelDeletePressed(QObject*) {
    if (gui_deleteSheet && kit::Sheet::sheetParent(gui_deleteSheet))
        kit::Sheet::endSheet(gui_deleteSheet);
    else
        deleteDidEndSheet();
}

void FindPanelController::deleteDidEndSheet() {
    if (gui_deleteSheet) gui_deleteSheet->orderOut();
    deleteSheetOpen_ = false;
}

void FindPanelController::okDeletePressed(QObject*) {
    // No hit may change the list while the deletion walks it.
    finder_->cancel();
    gui_progress->stopAnimation();
    gui_progress->setHidden(true);
    selection_ = gui_resultsTable->selectedRowIndexes();
    std::sort(selection_.begin(), selection_.end());
    std::vector<EventDayPtr> entries;
    for (int row : selection_)
        if (row >= 0 && row < int(results_.size())) entries.push_back(results_[size_t(row)]);
    gui_okDelete->setHidden(true);
    gui_cancelDelete->setHidden(true);
    gui_deleteProgress->setMinValue(0);
    gui_deleteProgress->setMaxValue(double(entries.size()));
    gui_deleteProgress->setDoubleValue(0);
    gui_deleteProgress->setHidden(false);
    deleteProgress_ = 0;
    failedDeletions_ = 0;
    deleting_ = true;
    performDelete(entries);
}

void FindPanelController::performDelete(const std::vector<EventDayPtr>& entries) {
    QPointer<FindPanelController> self(this);
    const EventDeleter deleter = deleter_;
    foundation::startThread([self, deleter, entries] {
        // A deletion removes the whole series: a later entry of a series
        // already removed has nothing left to delete.
        QSet<QString> removedSeries;
        for (const EventDayPtr& entry : entries) {
            const QString uid = uidOf(entry);
            const bool gone = !uid.isEmpty() && removedSeries.contains(uid);
            const bool deleted = gone || (deleter && deleter(entry));
            if (deleted && !uid.isEmpty()) removedSeries.insert(uid);
            foundation::onMain([self, entry, deleted] {
                if (self) self->updateDeleteProgress(entry, deleted);
            });
        }
        foundation::onMain([self] {
            if (!self) return;
            self->deleting_ = false;
            // What could not be deleted stays selected for another try.
            self->gui_resultsTable->selectRowIndexes(self->selection_, false);
            if (self->gui_deleteSheet && kit::Sheet::sheetParent(self->gui_deleteSheet))
                kit::Sheet::endSheet(self->gui_deleteSheet);
            self->searchComplete();
        });
    });
}

void FindPanelController::updateDeleteProgress(const EventDayPtr& entry, bool deleted) {
    ++deleteProgress_;
    gui_deleteProgress->setDoubleValue(deleteProgress_);
    if (!deleted) {
        ++failedDeletions_;
        return;
    }
    // The list may have changed since the deletion began: the entry is found
    // by identity, its other occurrences by UID.
    dropSeries(entry, uidOf(entry));
}

void FindPanelController::dropSeries(const EventDayPtr& entry, const QString& uid) {
    const auto leaves = [&](const EventDayPtr& r) {
        return (entry && r == entry) || (!uid.isEmpty() && uidOf(r) == uid);
    };
    if (auto* hover = EventHoverController::existingWinController())
        if (hover->windowOpen() && hover->originatingView() == gui_resultsTable &&
            leaves(hover->event()))
            hover->closeWindow();
    std::vector<bool> removed(results_.size(), false);
    bool any = false;
    for (size_t i = 0; i < results_.size(); ++i) any = (removed[i] = leaves(results_[i])) || any;
    if (!any) return;
    const std::vector<int> selected =
        remainingRows(gui_resultsTable->selectedRowIndexes(), removed);
    selection_ = remainingRows(selection_, removed);
    std::vector<EventDayPtr> kept;
    for (size_t i = 0; i < results_.size(); ++i)
        if (!removed[i]) kept.push_back(results_[i]);
    results_ = std::move(kept);
    reloadTable();
    gui_resultsTable->selectRowIndexes(deleting_ ? selection_ : selected, false);
}
