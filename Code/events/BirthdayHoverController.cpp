#include "events/BirthdayHoverController.h"

#include "events/HoverPanelParts.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextAttributes.h"
#include "platform/kit/TextView.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"
#include "weekview/WeekView.h"
#include "yearview/YearViewScroller.h"

#include <cmath>

namespace {

BirthdayHoverController* BHC_sharedWinController = nullptr;

}  // namespace

BirthdayHoverController* BirthdayHoverController::sharedWinController() {
    if (!BHC_sharedWinController) {
        // Lives as long as the application.
        auto* controller = new BirthdayHoverController;
        controller->awakeFromNib();
    }
    return BHC_sharedWinController;
}

BirthdayHoverController* BirthdayHoverController::existingWinController() {
    return BHC_sharedWinController;
}

void BirthdayHoverController::installServices() {
    WeekView::changeServices([](WeekView::Services& week) {
        week.birthdayHoverShowWindow = [](const QRectF& rect, kit::View* view,
                                          const QString& text) {
            sharedWinController()->showWindowForRectInViewWithString(rect, view, text);
        };
        week.birthdayHoverCloseWindow = [](QObject* sender) {
            if (BirthdayHoverController* c = existingWinController()) c->closeWindow(sender);
        };
    });
    YearViewScroller::changeServices([](YearViewScroller::Services& year) {
        year.birthdayHoverCloseWindow = [](QObject* sender) {
            if (BirthdayHoverController* c = existingWinController()) c->closeWindow(sender);
        };
    });
}

BirthdayHoverController::BirthdayHoverController() {
    gui_bdPopupWindow = HoverPanelParts::makePanel(QSizeF(200, 100), this);
    setWindow(gui_bdPopupWindow);
    gui_birthdays =
        HoverPanelParts::addTextBox(gui_bdPopupWindow->contentView(), QRectF(25, 30, 150, 40))
            .textView;
}

void BirthdayHoverController::awakeFromNib() {
    BHC_sharedWinController = this;
    windowIsOpen_ = false;
    setWindowFrameAutosaveName(kAutosaveName);
}

QRectF BirthdayHoverController::referenceRect() const {
    return HoverPanelParts::referenceRectOnScreen(originatingView, origRect);
}

void BirthdayHoverController::showWindowForRectInViewWithString(const QRectF& rect, kit::View* view,
                                                                const QString& text) {
    originatingView = view;
    origRect = rect;
    gui_bdPopupWindow->setReferenceRectOnScreen(referenceRect());
    gui_bdPopupWindow->setOpeningDirection(SpringPanel::Down);
    gui_bdPopupWindow->setCanBecomeKeyWindow(false);
    if (!windowIsOpen_) {
        setupEntries(text);
        gui_bdPopupWindow->positionPanel();
        gui_bdPopupWindow->springOpenWithFadeIn(false);
        windowIsOpen_ = true;
    } else {
        gui_bdPopupWindow->positionPanelKeepingAnchorAnimateMove(true, true);
    }
}

void BirthdayHoverController::showWindow(QObject*) {
    if (!windowIsOpen_) setupEntries(QString());
    gui_bdPopupWindow->orderFront();
    windowIsOpen_ = true;
}

void BirthdayHoverController::originatingViewMoved() {
    if (!windowIsOpen_ || !originatingView) return;
    gui_bdPopupWindow->setReferenceRectOnScreen(referenceRect());
    gui_bdPopupWindow->positionPanelKeepingAnchorAnimateMove(true, true);
}

QSizeF BirthdayHoverController::textBoxForMeasuredSize(const QSizeF& measured) {
    return QSizeF(std::floor(measured.width() * 1.1), std::floor(measured.height()) + 1);
}

QSizeF BirthdayHoverController::panelSizeForTextBox(const QSizeF& box) {
    return QSizeF(box.width() + 50, box.height() + 60);
}

void BirthdayHoverController::setupEntries(const QString& text) {
    gui_birthdays->setEditable(false);
    gui_birthdays->setTextColor(kit::Color::whiteColor());
    gui_birthdays->setString(text);
    const kit::TextAttributes attributes(kit::Font::systemFont(kit::Font::smallSystemFontSize()),
                                         kit::Color::whiteColor());
    const QSizeF box = textBoxForMeasuredSize(attributes.sizeOfString(text));
    gui_bdPopupWindow->setFrame(QRectF(QPointF(0, 0), panelSizeForTextBox(box)), false);
    // The text view lies in the clip view of its scroll view.
    if (kit::View* clip = gui_birthdays->superview())
        if (kit::View* scroll = clip->superview())
            scroll->setFrame(QRectF(25, 30, box.width(), box.height()));
}

void BirthdayHoverController::closeWindow(QObject*) {
    gui_bdPopupWindow->springCloseWithFadeOut(false);
    windowIsOpen_ = false;
}

void BirthdayHoverController::windowWillClose(QObject*) {
    windowIsOpen_ = false;
}
