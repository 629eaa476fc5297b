#include "events/NotesPopupController.h"

#include "data/CalendarSources.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/kit/Button.h"
#include "platform/kit/Color.h"
#include "platform/kit/Event.h"
#include "platform/kit/Font.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "shell/SpringPanel.h"
#include "yearview/YearView.h"

namespace {

QPointer<NotesPopupController> NPC_sharedWinController;

constexpr double kPanelWidth = 302.0;
constexpr double kPanelHeight = 210.0;
constexpr double kInnerX = 30.0;
constexpr double kInnerWidth = 242.0;

NotesPopupController* existing() {
    return NPC_sharedWinController.data();
}

}  // namespace

NotesPopupController* NotesPopupController::sharedWinController() {
    foundation::requireMainThread("NotesPopupController::sharedWinController");
    if (!NPC_sharedWinController) {
        NPC_sharedWinController = new NotesPopupController();
        NPC_sharedWinController->window();
    }
    return NPC_sharedWinController;
}

void NotesPopupController::resetSharedWinController() {
    if (NotesPopupController* popup = existing()) {
        if (SpringPanel* p = popup->gui_notesPopupWindow) {
            p->setDelegate(nullptr);
            p->orderOut();
            p->deleteLater();
        }
        delete popup;
    }
}

NotesPopupController::~NotesPopupController() {
    if (gui_notes) gui_notes->setDelegate(nullptr);
}

void NotesPopupController::installEntries() {
    YearView::changeServices([](YearView::Services& s) {
        s.notesPopupWindowOpen = [] { return existing() && existing()->windowOpen(); };
        s.notesPopupShowWindowForCellInViewWithString = [](const YearViewCellPtr& cell,
                                                           YearView* view, const QString& text) {
            sharedWinController()->showWindowForCellInViewWithString(cell, view, text);
        };
    });
    MainWindowCtrl::changeServices([](MainWindowCtrl::Services& s) {
        s.notesPopupOriginatingViewMoved = [] {
            if (NotesPopupController* popup = existing()) popup->originatingViewMoved();
        };
    });
}

SpringPanel* NotesPopupController::panel() {
    return qobject_cast<SpringPanel*>(window());
}

kit::Window* NotesPopupController::loadWindow() {
    auto* p = new SpringPanel(QRectF(0, 0, kPanelWidth, kPanelHeight));
    gui_notesPopupWindow = p;
    kit::View* content = p->contentView();

    auto* title = kit::TextField::labelWithString(
        foundation::localized(QStringLiteral("notesHeadline"), QStringLiteral("Notes")),
        QRectF(kInnerX + 18, kPanelHeight - 46, kInnerWidth - 36, 18));
    title->setTextColor(kit::Color::whiteColor());
    title->setAlignment(kit::TextAlignment::Center);
    title->setTextFont(kit::Font::boldSystemFont(kit::Font::systemFontSize()));
    content->addSubview(title);
    auto* close = new kit::Button(QRectF(kInnerX - 4, kPanelHeight - 46, 20, 18));
    close->setTitle(QString(QChar(0x00D7)));
    close->setTarget(this);
    close->setAction("closeWindow");
    content->addSubview(close);

    auto* scroll = new kit::ScrollView(QRectF(kInnerX, 62, kInnerWidth, kPanelHeight - 118));
    scroll->setDrawsBackground(false);
    gui_notes = new kit::TextView(QRectF(0, 0, kInnerWidth, kPanelHeight - 118));
    gui_notes->setDrawsBackground(false);
    gui_notes->setTextColor(kit::Color::whiteColor());
    gui_notes->setVerticallyResizable(true);
    gui_notes->setDelegate(this);
    scroll->setDocumentView(gui_notes);
    content->addSubview(scroll);

    // Why the notes could not be kept, beside the OK button.
    gui_message = kit::TextField::labelWithString(QString(), QRectF(kInnerX, 18, 170, 42));
    gui_message->setTextColor(kit::Color::rgb(1.0, 0.75, 0.4));
    gui_message->setTextFont(kit::Font::systemFont(kit::Font::labelFontSize()));
    gui_message->setWraps(true);
    content->addSubview(gui_message);
    gui_ok = new kit::Button(QRectF(kInnerX + kInnerWidth - 64, 24, 64, 24));
    gui_ok->setTitle(foundation::localized(QStringLiteral("okButton"), QStringLiteral("OK")));
    gui_ok->setTarget(this);
    gui_ok->setAction("okPressed");
    content->addSubview(gui_ok);

    windowIsOpen_ = false;
    p->setDelegate(this);
    p->setFrameAutosaveName(QStringLiteral("(Day Notes Popup)"));
    return p;
}

QRectF NotesPopupController::referenceRectOnScreen() const {
    if (!currentYVCell || !currentYearView_) return QRectF();
    return currentYearView_->convertRectToScreen(currentYVCell->inset());
}

void NotesPopupController::showWindowForCellInViewWithString(const YearViewCellPtr& cell,
                                                             YearView* view, const QString& text) {
    SpringPanel* p = panel();
    if (!p) return;
    currentYearView_ = view;
    currentYVCell = cell;
    p->setReferenceRectOnScreen(referenceRectOnScreen());
    p->setOpeningDirection(SpringPanel::Up);
    p->setCanBecomeKeyWindow(true);
    if (windowIsOpen_) {
        p->positionPanelKeepingAnchorAnimateMove(true, true);
        return;
    }
    // A closed panel may be left at the size it shrank to; it opens at its own.
    QRectF frame = p->frame();
    frame.setSize(QSizeF(kPanelWidth, kPanelHeight));
    p->setFrame(frame, false);
    p->positionPanel();
    setupEntries(text);
    p->springOpenWithFadeIn(false);
    windowIsOpen_ = true;
    // The editor was hidden while the panel sprang open.
    p->makeFirstResponder(gui_notes);
    // Until closeWindow: jobs go on meanwhile, their redraws reach the main
    // thread through this loop.
    kit::ModalSession::runModalForWindow(p);
    windowIsOpen_ = false;
}

void NotesPopupController::showWindow(QObject*) {
    SpringPanel* p = panel();
    if (!p) return;
    if (!windowIsOpen_) setupEntries(QString());
    p->makeKeyAndOrderFront();
    windowIsOpen_ = true;
}

void NotesPopupController::setupEntries(const QString& text) {
    if (gui_notesPopupWindow) gui_notesPopupWindow->setWorksWhenModal(true);
    notesEvent = currentYVCell ? currentYVCell->notesEvent() : nullptr;
    gui_message->setStringValue(QString());
    const QString shown = notesEvent ? notesEvent->notes() : text;
    gui_notes->setString(shown);
    // Typing goes on after what is there.
    gui_notes->setSelectedRange({int(shown.size()), 0});
    gui_notes->setTextColor(kit::Color::whiteColor());
    gui_notesPopupWindow->makeFirstResponder(gui_notes);
}

void NotesPopupController::originatingViewMoved() {
    if (!windowIsOpen_ || !gui_notesPopupWindow) return;
    gui_notesPopupWindow->setReferenceRectOnScreen(referenceRectOnScreen());
    gui_notesPopupWindow->positionPanelKeepingAnchorAnimateMove(true, true);
}

void NotesPopupController::showMessage(const QString& key, const QString& fallback) {
    if (gui_message) gui_message->setStringValue(foundation::localized(key, fallback));
}

void NotesPopupController::okPressed(QObject*) {
    const QString text = gui_notes ? gui_notes->string() : QString();
    const MyDatePtr date = currentYVCell ? currentYVCell->cellDate() : nullptr;
    // The day's notes event as the day holds it now: a sync may have replaced
    // the one seen at opening.
    const calstore::EventPtr event = currentYVCell ? currentYVCell->notesEvent() : nullptr;
    const YearViewTargetPtr page = currentYearView_ ? currentYearView_->model() : nullptr;
    bool kept = true;
    if (event) {
        kept = YearViewEventLoader::updateNotesForEventOnCalOnDateOnView(text, event, nullptr, date,
                                                                         page);
    } else if (!text.isEmpty()) {
        AppDelegate* app = AppDelegate::obj();
        const CalendarPtr calendar =
            app && app->calendarSources ? app->calendarSources->firstMarkerCalendar() : nullptr;
        if (!calendar) {
            // Nowhere to keep them: the text stays for the user to copy or
            // to keep once the setup assistant has made a marker store.
            showMessage(QStringLiteral("notesNeedMarkerStore"),
                        QStringLiteral("A marker store is needed to keep notes."));
            return;
        }
        kept = YearViewEventLoader::updateNotesForEventOnCalOnDateOnView(text, nullptr, calendar,
                                                                         date, page);
    }
    if (!kept) {
        showMessage(QStringLiteral("notesWriteFailed"),
                    QStringLiteral("The notes could not be saved."));
        return;
    }
    closeWindow(nullptr);
}

void NotesPopupController::closeWindow(QObject*) {
    if (gui_notesPopupWindow) gui_notesPopupWindow->springCloseWithFadeOut(false);
    kit::ModalSession::stopModal();
    windowIsOpen_ = false;
}

void NotesPopupController::windowWillClose(QObject*) {
    windowIsOpen_ = false;
}

bool NotesPopupController::textViewDoCommandBySelector(kit::TextView*, kit::TextCommand,
                                                       const kit::Event& event) {
    namespace K = kit::KeyCodes;
    switch (event.keyCode()) {
        case K::Escape:
            closeWindow(nullptr);
            return true;
        case K::KeypadEnter:
            okPressed(nullptr);
            return true;
        case K::Return:
            if (!event.hasModifier(kit::ModifierFlags::Command)) return false;
            okPressed(nullptr);
            return true;
        default:
            return false;
    }
}
