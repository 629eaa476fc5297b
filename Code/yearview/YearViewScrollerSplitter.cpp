// The bar between the year and the week pane: dragging it, snapping the
// boundary on release, the year-only and week-only commands, window resizes,
// the handle image and the two view buttons.

#include "platform/kit/Application.h"
#include "platform/kit/Cursor.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Perform.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/Window.h"
#include "shell/MainWindowCtrl.h"
#include "shell/WsSplitView.h"
#include "yearview/YVPageIndicator.h"
#include "yearview/YearView.h"
#include "yearview/YearViewScroller.h"

#include <cmath>

using kit::Event;
using kit::EventType;

namespace {
double whole(double v) {
    return std::floor(v + 0.5);
}
}  // namespace

double YearViewScroller::splitHeight() const {
    return gui_splitView ? whole(gui_splitView->frame().height()) : 0.0;
}

double YearViewScroller::weekHeight() const {
    return gui_weekView ? whole(gui_weekView->frame().height()) : 0.0;
}

double YearViewScroller::pageHeight() const {
    return gui_yearView1 ? whole(gui_yearView1->frame().height())
                         : whole(frame().height() - kBarHeight);
}

void YearViewScroller::setSplitterPosition(double position, bool animate) {
    if (!gui_splitView) return;
    gui_splitView->setSplitterPositionAnimate(float(position), animate);
    rememberSplitterPosition();
}

// The split view saves its position when its subviews are resized, which a
// move of the splitter by call does not announce; the user's choice of panes
// is kept at once, not only at the next window resize.
void YearViewScroller::rememberSplitterPosition() {
    if (!gui_splitView) return;
    const QString name = gui_splitView->positionAutosaveName();
    if (!name.isEmpty()) gui_splitView->savePositionUsingName(name);
}

bool YearViewScroller::pointInCountingHandle(const QPointF& p) const {
    const double w = frame().width();
    if (QRectF(0, 0, kHandleWidth, kBarHeight).contains(p)) return true;
    return !splitterIsDown && QRectF(w - kHandleWidth, 0, kHandleWidth, kBarHeight).contains(p);
}

void YearViewScroller::resetCursorRects() {
    kit::View::resetCursorRects();
    const double w = frame().width();
    addCursorRect(QRectF(0, 0, kHandleWidth, kBarHeight), kit::Cursor::resizeUpDownCursor());
    if (!splitterIsDown)
        addCursorRect(QRectF(w - kHandleWidth, 0, kHandleWidth, kBarHeight),
                      kit::Cursor::resizeUpDownCursor());
}

void YearViewScroller::trackSplitterDrag(const Event& event, bool inHandle) {
    kit::View* pane = superview();
    const QRectF kept = pane ? pane->frame() : frame();
    const double startY = event.locationInWindow().y();
    const double greatest = gui_splitView ? gui_splitView->frame().height() : kept.height();
    viewWillStartLiveResize();
    if (inHandle && pane) {
        auto& app = kit::Application::shared();
        for (;;) {
            const std::optional<Event> next = app.nextEventMatchingMask(
                kit::EventMasks::LeftMouseUp | kit::EventMasks::LeftMouseDragged);
            if (!next || next->type() == EventType::LeftMouseUp) break;
            const double d = startY - next->locationInWindow().y();
            lastSplitterDragDirection = d > 0 ? 1 : -1;
            double height = kept.height() + d;
            if (height <= kBarHeight) height = kBarHeight;
            if (height >= greatest) height = greatest;
            // Both panes follow the bar: the week pane neither covers the year
            // pane's bottom rows and bar nor leaves a gap, and the snapping
            // below measures the heights the panes really have.
            if (gui_splitView) {
                gui_splitView->setSplitterPositionAnimate(float(height), false);
                gui_splitView->display();
            } else {
                pane->setFrame(QRectF(kept.x(), kept.y(), kept.width(), height));
            }
        }
    }
    viewDidEndLiveResize();
    checkSplitterPosition();
    rememberSplitterPosition();
}

void YearViewScroller::checkSplitterPosition() {
    const double H = splitHeight();
    const double A = H - kBarHeight;
    const double week = weekHeight();
    const double page = pageHeight();
    const bool wasUp = splitterIsUp;
    const bool wasDown = splitterIsDown;
    splitterIsUp = splitterIsDown = false;
    if (page < kMinYearPage) {
        if (lastSplitterDragDirection > 0) {
            if (A - kMinYearPage < kMinWeekPane) {
                setSplitterPosition(H, true);
                splitterIsDown = true;
            } else {
                setSplitterPosition(kReopenedYearPane, true);
            }
        } else {
            setSplitterPosition(kBarHeight, true);
            splitterIsUp = true;
        }
    } else if (week < kMinWeekPane) {
        if (lastSplitterDragDirection < 0) {
            if (A - kMinWeekPane < kMinYearPage) {
                setSplitterPosition(kBarHeight, true);
                splitterIsUp = true;
            } else {
                setSplitterPosition(A - kMinWeekPane + kBarHeight, true);
            }
        } else {
            setSplitterPosition(H, true);
            splitterIsDown = true;
        }
    }
    lastSplitterDragDirection = 0;
    updateRightSplitterHandle();
    if (splitterIsDown && !wasDown) weekViewCollapsed();
    if (splitterIsUp && !wasUp) yearViewCollapsed();
}

void YearViewScroller::ensureWeekViewVisibility() {
    const double A = splitHeight() - kBarHeight;
    if (weekHeight() < kMinWeekPane) {
        if (A - kMinWeekPane < kMinYearPage) {
            setSplitterPosition(kBarHeight, true);
            splitterIsUp = true;
        } else {
            setSplitterPosition(A - kMinWeekPane + kBarHeight, true);
        }
        splitterIsDown = false;
    }
    if (pageHeight() < kMinYearPage) {
        setSplitterPosition(kBarHeight, true);
        splitterIsUp = true;
    }
    lastSplitterDragDirection = 0;
    updateRightSplitterHandle();
}

void YearViewScroller::showWeekView(QObject*) {
    setSplitterPosition(kBarHeight, true);
    splitterIsUp = true;
    splitterIsDown = false;
    updateRightSplitterHandle();
    yearViewCollapsed();
}

void YearViewScroller::showYearView(QObject*) {
    setSplitterPosition(splitHeight(), true);
    splitterIsUp = false;
    splitterIsDown = true;
    updateRightSplitterHandle();
    weekViewCollapsed();
}

void YearViewScroller::windowDidResize() {
    const double H = splitHeight();
    if (splitterIsDown) {
        setSplitterPosition(H, false);
    } else if (weekHeight() < kMinWeekPane) {
        setSplitterPosition(H, false);
        splitterIsUp = false;
        splitterIsDown = true;
    }
    updateRightSplitterHandle();
}

void YearViewScroller::updateRightSplitterHandle() {
    if (gui_rightScrollHandle)
        gui_rightScrollHandle->setImage(splitterIsDown ? cache_noHandle : cache_splitterHandle);
    if (gui_yearButton) gui_yearButton->setEnabled(!splitterIsDown);
    if (gui_weekButton) gui_weekButton->setEnabled(!splitterIsUp);
    if (kit::Window* w = window()) {
        w->invalidateCursorRectsForView(this);
        // The toolbar was validated when the click or key that asked for the
        // change was handled, which may have been while the panes were still
        // moving; its year and week items follow the panes as they are now.
        if (kit::Toolbar* toolbar = w->toolbar(); toolbar && toolbar->isVisible())
            toolbar->validateVisibleItems();
    }
}

void YearViewScroller::weekViewCollapsed() {
    MainWindowCtrl* ctrl = MainWindowCtrl::sharedWinController();
    QObject* focus = ctrl ? ctrl->currentGlobalObjectController() : nullptr;
    if (focus && QByteArray(focus->metaObject()->className()) == "WeekView")
        ctrl->setCurrentGlobalObjectWithController(QVariant(), nullptr);
    if (kit::Window* w = window(); w && gui_yearView1) w->makeFirstResponder(gui_yearView1);
    if (const auto& close = services().eventHoverCloseWindow) close(this);
}

void YearViewScroller::yearViewCollapsed() {
    MainWindowCtrl* ctrl = MainWindowCtrl::sharedWinController();
    QObject* focus = ctrl ? ctrl->currentGlobalObjectController() : nullptr;
    if (focus && focus->metaObject() == &YearView::staticMetaObject)
        ctrl->setCurrentGlobalObjectWithController(QVariant(), nullptr);
    if (kit::Window* w = window(); w && gui_weekView) w->makeFirstResponder(gui_weekView);
    if (const auto& close = YearView::services().notesHoverCloseWindow) close(gui_yearView1);
    if (const auto& close = services().birthdayHoverCloseWindow) close(this);
}
