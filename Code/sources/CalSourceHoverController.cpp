#include "sources/CalSourceHoverController.h"

#include "data/CalendarSources.h"
#include "data/SourceListOutline.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/MainThreadObserver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Button.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "shell/AppDelegate.h"
#include "shell/HoverPanels.h"
#include "shell/MainWindowCtrl.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"
#include "sources/CalHoverView.h"

namespace {

CalSourceHoverController* CSHC_sharedWinController = nullptr;

constexpr double kButtonY = 22;
constexpr double kButtonHeight = 24;
constexpr double kButtonWidth = 80;

kit::Button* pushButton(const char* key, const QRectF& frame, CalSourceHoverController* target,
                        const char* action) {
    auto* button = new kit::Button(frame);
    button->setTitle(foundation::localized(QString::fromLatin1(key)));
    button->setTarget(target);
    button->setAction(action);
    return button;
}

}  // namespace

CalSourceHoverController* CalSourceHoverController::sharedWinController() {
    if (!CSHC_sharedWinController) {
        auto* controller = new CalSourceHoverController();
        controller->window();
    }
    return CSHC_sharedWinController;
}

CalSourceHoverController* CalSourceHoverController::existingWinController() {
    return CSHC_sharedWinController;
}

void CalSourceHoverController::resetSharedWinController() {
    delete CSHC_sharedWinController;  // its destructor forgets it
}

void CalSourceHoverController::installEntries() {
    // The source list's rows open, re-target, move and close the hover.
    CalendarSources::changeServices([](CalendarSources::Services& model) {
        model.hoverWindowOpen = [] {
            CalSourceHoverController* hover = existingWinController();
            return hover && hover->windowOpen();
        };
        model.hoverCloseWindow = [] {
            // The selection went: the model's request, not the hover's own.
            if (CalSourceHoverController* hover = existingWinController())
                hover->closeWindow(nullptr);
        };
        model.hoverShowForCalendar = [](const CalendarPtr& calendar, const QRectF& rect,
                                        SourceListOutline* outline) {
            sharedWinController()->showWindowForCalendarAtRectInView(
                calendar, rect, dynamic_cast<kit::View*>(outline));
        };
        model.hoverShowForMarker = [](const EMarkerPtr& marker, const QRectF& rect,
                                      SourceListOutline* outline) {
            sharedWinController()->showWindowForMarkerAtRectInView(
                marker, rect, dynamic_cast<kit::View*>(outline));
        };
        model.hoverUpdateAnchor = [](const QRectF& rect) {
            if (CalSourceHoverController* hover = existingWinController())
                hover->updateAnchorToRect(rect);
        };
    });
    // The main window hands on key presses the day popup left, and its moves.
    MainWindowCtrl::changeServices([](MainWindowCtrl::Services& window) {
        window.calSourceHoverKeyPressed = [](const kit::Event& event) -> std::optional<kit::Event> {
            CalSourceHoverController* hover = existingWinController();
            return hover ? hover->keyPressed(event) : std::optional<kit::Event>(event);
        };
        window.calSourceHoverOriginatingViewMoved = [] {
            if (CalSourceHoverController* hover = existingWinController())
                hover->originatingViewMoved();
        };
    });
}

// awakeFromNib: the first hover made is the one hover.
CalSourceHoverController::CalSourceHoverController() {
    if (!CSHC_sharedWinController) CSHC_sharedWinController = this;
    // Its own notice, posted while it opens, leaves it open.
    foundation::MainThreadObserver::observe(this, closeHoverPanelsNotification, nullptr,
                                            [this](const foundation::Notification& n) {
                                                if (n.object != this) closeWindow(nullptr);
                                            });
}

CalSourceHoverController::~CalSourceHoverController() {
    if (CSHC_sharedWinController == this) CSHC_sharedWinController = nullptr;
}

SpringPanel* CalSourceHoverController::panel() {
    window();
    return gui_calSourcesPopupWindow;
}

kit::Window* CalSourceHoverController::loadWindow() {
    auto* panel = new SpringPanel(QRectF(0, 0, kPanelWidth, kPanelHeight));
    panel->setCanBecomeKeyWindow(false);
    panel->setFrameAutosaveName(kAutosaveName);
    gui_calSourcesPopupWindow = panel;
    gui_springView = panel->panelView();

    gui_view = new CalHoverView(QRectF(kViewX, kViewY, kViewWidth, kViewHeight));
    gui_springView->addSubview(gui_view);
    gui_closeButton =
        pushButton("cshpCloseButton", QRectF(kViewX, kButtonY, kButtonWidth, kButtonHeight), this,
                   "cancelClicked");
    gui_editButton = pushButton(
        "cshpEditButton",
        QRectF(kViewX + kViewWidth - kButtonWidth, kButtonY, kButtonWidth, kButtonHeight), this,
        "editClicked");
    gui_springView->addSubview(gui_closeButton);
    gui_springView->addSubview(gui_editButton);
    _windowIsOpen = false;
    theCalendar.reset();
    theMarker.reset();
    return panel;
}

QRectF CalSourceHoverController::screenRectOfRow() const {
    // The list is flipped: the kit's conversion gives the row's rectangle with
    // its bottom edge as origin, as the screen counts.
    if (!theView) return origRect;
    return theView->convertRectToScreen(origRect);
}

bool CalSourceHoverController::drawsAnchor() const {
    return gui_springView && gui_springView->drawsAnchor();
}

QString CalSourceHoverController::heldUID() const {
    if (theMarker) return theMarker->uID();
    if (theCalendar) return theCalendar->uid();
    return QString(QLatin1String(""));
}

void CalSourceHoverController::showWindowForCalendarAtRectInView(const CalendarPtr& calendar,
                                                                 const QRectF& rect,
                                                                 kit::View* view) {
    if (!calendar || !panel()) return;
    const QString previous = heldUID();
    theCalendar = calendar;
    theMarker.reset();
    showForItem(previous, calendar->uid(), rect, view);
}

void CalSourceHoverController::showWindowForMarkerAtRectInView(const EMarkerPtr& marker,
                                                               const QRectF& rect,
                                                               kit::View* view) {
    if (!marker || !panel()) return;
    const QString previous = heldUID();
    theMarker = marker;
    theCalendar.reset();
    showForItem(previous, marker->uID(), rect, view);
}

void CalSourceHoverController::showForItem(const QString& previousUID, const QString& uid,
                                           const QRectF& rect, kit::View* view) {
    SpringPanel* p = gui_calSourcesPopupWindow;
    theView = view;
    origRect = rect;
    const QRectF screenRect = screenRectOfRow();
    p->setReferenceRectOnScreen(screenRect);
    checkAnchorVisibilityForRect(screenRect);
    p->setOpeningDirection(SpringPanel::Right);
    p->setCanBecomeKeyWindow(false);
    gui_editButton->setHidden(false);

    if (_windowIsOpen) {
        // The same item keeps the statistics it was opened with.
        if (uid != previousUID) setupEntries();
        p->positionPanelKeepingAnchorAnimateMove(true, true);
        return;
    }
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
    setupEntries();
    p->positionPanel();
    p->springOpenWithFadeIn(false);
    _windowIsOpen = true;
}

void CalSourceHoverController::checkAnchorVisibilityForRect(const QRectF& screenRect) {
    if (!gui_springView) return;
    // The list's visible band is its clip view's bounds on screen.
    QRectF band;
    if (theView && theView->superview()) {
        kit::View* clip = theView->superview();
        band = clip->convertRectToScreen(clip->bounds());
    }
    const double middle = screenRect.y() + screenRect.height() * 0.5;
    const bool shown = band.y() <= middle && middle <= band.y() + band.height();
    if (gui_springView->drawsAnchor() != shown) {
        gui_springView->setDrawsAnchor(shown);
        gui_springView->setNeedsDisplay(true);
    }
}

void CalSourceHoverController::updateAnchorToRect(const QRectF& rect) {
    if (!_windowIsOpen || !gui_calSourcesPopupWindow) return;
    origRect = rect;
    const QRectF screenRect = screenRectOfRow();
    checkAnchorVisibilityForRect(screenRect);
    gui_calSourcesPopupWindow->setReferenceRectOnScreen(screenRect);
    gui_calSourcesPopupWindow->positionPanelKeepingAnchorAnimateMove(true, true);
}

void CalSourceHoverController::originatingViewMoved() {
    if (!_windowIsOpen || !gui_calSourcesPopupWindow) return;
    gui_calSourcesPopupWindow->setReferenceRectOnScreen(screenRectOfRow());
    gui_calSourcesPopupWindow->positionPanelKeepingAnchorAnimateMove(true, true);
}

void CalSourceHoverController::setupEntries() {
    if (!panel() || !gui_view) return;
    gui_view->setCalendar(nullptr);
    gui_view->setMarker(nullptr);
    if (theCalendar) gui_view->setCalendar(theCalendar);
    if (theMarker) gui_view->setMarker(theMarker);
    gui_view->setNeedsDisplay(true);
}

void CalSourceHoverController::showWindow(QObject*) {
    SpringPanel* p = panel();
    if (!p) return;
    if (!_windowIsOpen) {
        setupEntries();
        foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
    }
    p->makeKeyAndOrderFront();
    _windowIsOpen = true;
}

void CalSourceHoverController::closeWindow(QObject* sender) {
    if (sender == this || !_windowIsOpen) return;
    if (gui_calSourcesPopupWindow) gui_calSourcesPopupWindow->springCloseWithFadeOut(false);
    _windowIsOpen = false;
}

void CalSourceHoverController::cancelClicked(QObject*) {
    closeWindow(nullptr);
}

void CalSourceHoverController::editClicked(QObject*) {
    // Opening the sheet closes the hover ("Close Hover Panels").
    AppDelegate* app = AppDelegate::obj();
    if (app && app->calendarSources) app->calendarSources->entryEdit();
}

std::optional<kit::Event> CalSourceHoverController::keyPressed(const kit::Event& event) {
    if (!_windowIsOpen) return event;
    if (event.keyCode() == kSpaceKeyCode || event.keyCode() == kEscapeKeyCode) {
        closeWindow(nullptr);
        return std::nullopt;
    }
    return event;
}
