// The year page's input: clicks, drags, context clicks, pointer movement with
// the calendar-week label and the notes hover, scrolling and keys.

#include "yearview/YearView.h"

#include "data/MyDateOps.h"
#include "data/appPref.h"
#include "platform/kit/DragSession.h"
#include "platform/kit/Pasteboard.h"
#include "platform/kit/TrackingArea.h"
#include "platform/kit/Window.h"
#include "shell/AppDelegate.h"
#include "yearview/YearViewCell.h"

#include <cmath>

using kit::Event;
namespace Flags = kit::ModifierFlags;

namespace {

constexpr double kHoverDelay = 1.0;

}  // namespace

YearView::GridHit YearView::hitTestGrid(const QPointF& p) const {
    const YearViewModel::Layout l = model_->layout();
    const double w = l.cellWidth;
    const double h = l.cellHeight;
    GridHit hit;
    if (w <= 0 || h <= 0) return hit;
    hit.month = int(std::floor((p.x() - l.dayCellStartX) / w)) + 1;
    hit.day = int(std::floor((l.dayCellStartY - p.y()) / h)) + 1;
    return hit;
}

QPointF YearView::pointInPage(const Event& event) const {
    return convertPointFromView(event.locationInWindow(), nullptr);
}

bool YearView::dayPopupOpen() const {
    const auto& open = services().dayPopupWindowOpen;
    return open && open();
}

void YearView::closeDayPopup() {
    if (const auto& close = services().dayPopupCloseWindow) close(this);
}

void YearView::closeNotesHover() {
    if (const auto& close = services().notesHoverCloseWindow) close(this);
}

bool YearView::hoverPending() const {
    return hoverTimer && hoverTimer->isActive();
}

// -- Context click

QMenu* YearView::menuForEvent(const Event& event) {
    closeNotesHover();
    if (prefs->boolForKey(QStringLiteral("Rightclick Performs Select"))) {
        const QPointF p = pointInPage(event);
        dragStartLocation = QPointF(p.x() - 1.0, p.y() + 1.0);
        const GridHit hit = hitTestGrid(dragStartLocation);
        if (hit.inGrid() && model_->cellForDayAndMonth(hit.day, hit.month) &&
            !isHighlightedForDayMonth(hit.day, hit.month)) {
            dragStartMonth_ = hit.month;
            dragStartDay_ = hit.day;
            deHighlightAll();
            dragSelectMode_ = 1;
            dayClicked_ = setHighlightStatusForDayMonthHighlight(hit.day, hit.month, 1);
        }
    }
    return kit::View::menuForEvent(event);
}

// -- Clicks

void YearView::mouseDown(const Event& event) {
    if (kit::Window* w = window()) w->makeFirstResponder(this);
    const unsigned flags = event.modifierFlags();
    const bool shift = flags & Flags::Shift;
    const bool command = flags & Flags::Command;
    const bool option = flags & Flags::Option;
    dayClicked_ = false;
    const QPointF p = pointInPage(event);
    dragStartLocation = QPointF(p.x() - 1.0, p.y() + 1.0);
    closeNotesHover();
    const GridHit hit = hitTestGrid(dragStartLocation);
    if (hit.inGrid()) {
        const YearViewCellPtr cell = model_->cellForDayAndMonth(hit.day, hit.month);
        if (event.clickCount() >= 2) {
            dragStartMonth_ = hit.month;
            dragStartDay_ = hit.day;
            if (!command) {
                dayClicked_ = showDayPopupForDayMonth(hit.day, hit.month);
            } else if (cell) {
                switchToWeekOfDate(cell->cellDate());
                dayClicked_ = true;
            }
        } else if (option && shift && !command) {
            // Window managers often keep plain Alt drags for moving windows, so
            // Alt+Shift starts the drag of marks as well.
            startDraggingMarks(hit, cell, event);
        } else if (shift) {
            if (YearViewCell::selectCount() > 0) {
                highlightUpToDayMonth(hit.day, hit.month);
                dayClicked_ = true;
            }
        } else if (command) {
            dragStartMonth_ = hit.month;
            dragStartDay_ = hit.day;
            dragSelectMode_ = isHighlightedForDayMonth(hit.day, hit.month) ? 0 : 1;
            dayClicked_ =
                setHighlightStatusForDayMonthHighlight(hit.day, hit.month, dragSelectMode_);
        } else if (option) {
            startDraggingMarks(hit, cell, event);
        } else {
            deHighlightAll();
            dragStartMonth_ = hit.month;
            dragStartDay_ = hit.day;
            dragSelectMode_ = 1;
            dayClicked_ = setHighlightStatusForDayMonthHighlight(hit.day, hit.month, 1);
            if (dayPopupOpen()) showDayPopupForDayMonth(hit.day, hit.month);
        }
    }
    if (!dayClicked_) {
        closeDayPopup();
        kit::View::mouseDown(event);
    }
}

// Option click: the selection is cleared and, on a day, its marks are dragged.
void YearView::startDraggingMarks(const GridHit& hit, const YearViewCellPtr& cell,
                                  const Event& event) {
    closeDayPopup();
    deHighlightAll();
    dragStartMonth_ = hit.month;
    dragStartDay_ = hit.day;
    dragSelectMode_ = 2;
    dayClicked_ = true;
    if (!cell) return;
    draggedYVCell_ = cell;
    // The drag carries no data: the page keeps the source cell itself, so marks
    // are dragged within the page only.
    const auto board = kit::Pasteboard::dragPasteboard();
    board->declareTypes({kDragType}, this);
    board->setData(QByteArray(), kDragType);
    kit::DragSession::dragImage(dragImageForDayAndMonth(hit.day, hit.month),
                                dragImagePosForDayAndMonth(hit.day, hit.month), this, event, board,
                                this, true);
}

// A selecting drag extends the selection from the anchor; a drag that began by
// deselecting a day (Command click) deselects the dragged range the same way.
void YearView::mouseDragged(const Event& event) {
    if ((dragSelectMode_ == 1 || dragSelectMode_ == 0) && dayClicked_) {
        const QPointF p = pointInPage(event);
        const GridHit hit = hitTestGrid(QPointF(p.x() - 1.0, p.y() + 1.0));
        if (hit.inGrid()) highlightUpToDayMonth(hit.day, hit.month);
        return;
    }
    kit::View::mouseDragged(event);
}

void YearView::scrollWheel(const Event& event) {
    const auto& notify = services().dayPopupScrollNotify;
    if (notify && notify(event)) return;
    kit::View::scrollWheel(event);
}

// -- Pointer movement and the notes hover

void YearView::mouseMoved(const Event& event) {
    if (hoverTimer) hoverTimer->stop();
    const QPointF p = pointInPage(event);
    if (showCwHover) {
        const GridHit hit = hitTestGrid(p);
        YearViewCellPtr hovered =
            hit.inGrid() ? model_->cellForDayAndMonth(hit.day, hit.month) : nullptr;
        if (hovered != lastHoveredCwCell_) {
            if (hovered) {
                hovered->setDrawsCalendarWeek(true);
                setNeedsDisplayInRect(hovered->inset());
            }
            if (lastHoveredCwCell_) {
                lastHoveredCwCell_->setDrawsCalendarWeek(false);
                setNeedsDisplayInRect(lastHoveredCwCell_->inset());
            }
            lastHoveredCwCell_ = hovered;
        }
    }
    if (showHoverInfo_ && !dayPopupOpen()) {
        lastHoverPoint = p;
        if (!hoverTimer) {
            hoverTimer = std::make_unique<foundation::Timer>();
            hoverTimer->start(kHoverDelay, false, [this] { hover(); });
        } else {
            hoverTimer->restart();
        }
    }
}

void YearView::hover() {
    if (!isVisible_ || bounds().height() < YearViewModel::kMinFullHeight) return;
    const auto& hoverOpen = services().notesHoverWindowOpen;
    if ((hoverOpen && hoverOpen()) || dayPopupOpen()) return;
    const GridHit hit = hitTestGrid(lastHoverPoint);
    if (!hit.inGrid()) return;
    // The pointer may have left the page while the delay ran (into the week or
    // the source list, which the page does not hear of): a hover for a day the
    // pointer left would stay, as its area starts with the pointer inside.
    if (kit::Window* w = window()) {
        const GridHit now =
            hitTestGrid(convertPointFromView(w->mouseLocationOutsideOfEventStream(), nullptr));
        if (now.day != hit.day || now.month != hit.month) return;
    }
    const YearViewCellPtr cell = model_->cellForDayAndMonth(hit.day, hit.month);
    if (!cell) return;
    const bool notes = cell->hasNotes2();
    const bool birthdays = cell->dayHasBirthdays3();
    const bool marks = cell->hasMarks2();
    if (!showHoverInfo_ ||
        !(birthdays || (notes && showNotesOnHover) || (marks && showMarksOnHover)))
        return;
    const YearViewModel::Layout l = model_->layout();
    const double w = l.cellWidth;
    const double h = l.cellHeight;
    const QRectF rect(l.dayCellStartX + w * (hit.month - 1), l.dayCellStartY - h * hit.day, w, h);
    if (const auto& show = services().notesHoverShowWindowForCellAtRectInView)
        show(cell, rect, this);
    // Leaving the day closes the hover; an area of an earlier hover goes first.
    // The pointer rests inside the day (it has not moved since the timer
    // started), so the area starts out with the pointer inside it.
    if (dayTrackingArea_) removeTrackingArea(dayTrackingArea_);
    dayTrackingArea_ = kit::TrackingArea::create(rect,
                                                 kit::TrackingArea::MouseEnteredAndExited |
                                                     kit::TrackingArea::ActiveAlways |
                                                     kit::TrackingArea::AssumeInside,
                                                 this);
    addTrackingArea(dayTrackingArea_);
}

void YearView::mouseExited(const Event& event) {
    if (!dayTrackingArea_ || event.trackingArea() != dayTrackingArea_) return;
    if (const auto& close = services().notesHoverCloseWindowIfNoHover) close(this);
    removeTrackingArea(dayTrackingArea_);
    dayTrackingArea_.reset();
}

// -- Keys

void YearView::keyDown(const Event& event) {
    closeNotesHover();
    const int keyCode = event.keyCode();
    const bool shift = event.modifierFlags() & Flags::Shift;
    const int selected = YearViewCell::selectCount();
    switch (keyCode) {
        case kit::KeyCodes::Space:
            if (selected == 0) {
                const MyDatePtr today = todaysDate();
                showDayPopupForDayMonth(today->dayNum(), today->monthNum());
            } else {
                showDayPopupForDayMonth(dragStartDay_, dragStartMonth_);
            }
            return;
        case kit::KeyCodes::Escape:
            if (selected > 0) deHighlightAll();
            return;
        case kit::KeyCodes::RightArrow:
        case kit::KeyCodes::LeftArrow:
        case kit::KeyCodes::DownArrow:
        case kit::KeyCodes::UpArrow:
            moveSelectionWithArrow(keyCode, shift, selected);
            return;
        default:
            break;
    }
    const QString text = event.characters();
    if (selected == 1 && !text.isEmpty() && text.at(0).unicode() >= 33 &&
        text.at(0).unicode() <= 125)
        editNotesForDayMonthWithString(dragStartDay_, dragStartMonth_, text);
}

namespace {

int daysInMonth(int month, int year) {
    return numberOfDays(SimpleDate{month, 1, year});
}

}  // namespace

void YearView::moveSelectionWithArrow(int keyCode, bool shift, int selected) {
    // An anchor that is no day of this page (the selection was made on another
    // page) is replaced by today, as if nothing were selected.
    if (selected > 0 && !model_->cellForDayAndMonth(dragStartDay_, dragStartMonth_)) selected = 0;
    const int year = model_->year();
    if (selected == 0) {
        const MyDatePtr today = todaysDate();
        dragStartMonth_ = today->monthNum();
        dragStartDay_ = today->dayNum();
        dragSelectMode_ = 1;
        if (!model_->cellForDayAndMonth(dragStartDay_, dragStartMonth_)) --dragStartDay_;
        dayClicked_ = setHighlightStatusForDayMonthHighlight(dragStartDay_, dragStartMonth_, 1);
    }
    const int month = dragStartMonth_;
    const int day = dragStartDay_;
    const bool possible = (keyCode == kit::KeyCodes::RightArrow && month < 12) ||
                          (keyCode == kit::KeyCodes::LeftArrow && month > 1) ||
                          (keyCode == kit::KeyCodes::DownArrow && !(month == 12 && day == 31)) ||
                          (keyCode == kit::KeyCodes::UpArrow && !(month == 1 && day == 1));
    if (!possible) return;
    if (!shift) {
        if (selected == 1)
            setHighlightStatusForDayMonthHighlight(day, month, 0);
        else
            deHighlightAll();
    }
    int targetMonth = month;
    int targetDay = day;
    switch (keyCode) {
        case kit::KeyCodes::RightArrow:
        case kit::KeyCodes::LeftArrow:
            targetMonth = month + (keyCode == kit::KeyCodes::RightArrow ? 1 : -1);
            targetDay = std::min(day, daysInMonth(targetMonth, year));
            break;
        case kit::KeyCodes::DownArrow:
            if (day + 1 > daysInMonth(month, year)) {
                targetMonth = month + 1;
                targetDay = 1;
            } else {
                targetDay = day + 1;
            }
            break;
        default:  // up
            if (day == 1) {
                targetMonth = month - 1;
                targetDay = daysInMonth(targetMonth, year);
            } else {
                targetDay = day - 1;
            }
            break;
    }
    if (shift) {
        highlightUpToDayMonth(targetDay, targetMonth);
        dragStartMonth_ = targetMonth;
        dragStartDay_ = targetDay;
    } else {
        dragStartMonth_ = targetMonth;
        dragStartDay_ = targetDay;
        setHighlightStatusForDayMonthHighlight(targetDay, targetMonth, 1);
    }
}
