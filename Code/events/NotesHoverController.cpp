#include "events/NotesHoverController.h"

#include "data/CalendarSources.h"
#include "data/YearViewEventLoader.h"
#include "events/HoverPanelParts.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Timer.h"
#include "platform/kit/Button.h"
#include "platform/kit/Color.h"
#include "platform/kit/Event.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextView.h"
#include "platform/kit/TrackingArea.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"
#include "weekview/WeekView.h"
#include "weekview/WeekdayView.h"
#include "yearview/InfoHoverView.h"
#include "yearview/YearView.h"
#include "yearview/YearViewCell.h"

namespace {

NotesHoverController* NHC_sharedWinController = nullptr;
foundation::ManualClock* NHC_timerClock = nullptr;

// The panel's layout, in points of its content view (y upwards).
constexpr double kPanelWidth = 320;
constexpr double kPanelHeight = 250;
const QRectF kContentFrame(26, 86, 268, 136);
const QRectF kWarningFrame(26, 50, 268, 32);
const QRectF kCloseFrame(26, 20, 90, 26);
const QRectF kOkFrame(204, 20, 90, 26);
constexpr double kEditButtonWidth = 130;

kit::Button* addButton(kit::View* parent, const QRectF& frame, const QString& title,
                       QObject* target, const char* action) {
    auto* button = new kit::Button(frame, kit::Button::Type::Push);
    button->setTitle(title);
    button->setTarget(target);
    button->setAction(action);
    parent->addSubview(button);
    return button;
}

std::shared_ptr<CalendarSources> calendarSources() {
    AppDelegate* app = AppDelegate::obj();
    return app && app->calendarSources ? app->calendarSources
                                       : YearViewEventLoader::calendarSources();
}

}  // namespace

// -- The one controller -----------------------------------------------------------------

NotesHoverController* NotesHoverController::sharedWinController() {
    if (!NHC_sharedWinController) {
        // Lives as long as the application.
        auto* controller = new NotesHoverController;
        controller->awakeFromNib();
    }
    return NHC_sharedWinController;
}

NotesHoverController* NotesHoverController::existingWinController() {
    return NHC_sharedWinController;
}

void NotesHoverController::setTimerClock(foundation::ManualClock* clock) {
    NHC_timerClock = clock;
}

void NotesHoverController::installServices() {
    YearView::changeServices([](YearView::Services& year) {
        year.notesHoverWindowOpen = [] {
            NotesHoverController* c = existingWinController();
            return c && c->windowOpen();
        };
        year.notesHoverCloseWindow = [](YearView* view) {
            if (NotesHoverController* c = existingWinController()) c->closeWindow(view);
        };
        year.notesHoverCloseWindowIfNoHover = [](YearView* view) {
            if (NotesHoverController* c = existingWinController()) c->closeWindowIfNoHover(view);
        };
        year.notesHoverShowWindowForCellAtRectInView = [](const YearViewCellPtr& cell,
                                                          const QRectF& rect, YearView* view) {
            sharedWinController()->showWindowForCellAtRectInView(cell, rect, view);
        };
    });
    WeekView::changeServices([](WeekView::Services& week) {
        week.notesHoverShowWindow = [](const YearViewCellPtr& cell, const QRectF& rect,
                                       kit::View* header, const QString& text) {
            sharedWinController()->showWindowForCellAtRectInViewWithString(cell, rect, header,
                                                                           text);
        };
        week.notesHoverShowWindowInEditMode = [](const YearViewCellPtr& cell, const QRectF& rect,
                                                 kit::View* header, const QString& text) {
            sharedWinController()->showWindowInEditModeForCellAtRectInViewWithString(cell, rect,
                                                                                     header, text);
        };
        week.notesHoverTriggerRectExited = [] {
            if (NotesHoverController* c = existingWinController()) c->triggerRectExited();
        };
    });
    MainWindowCtrl::changeServices([](MainWindowCtrl::Services& window) {
        window.notesHoverOriginatingViewMoved = [] {
            if (NotesHoverController* c = existingWinController()) c->originatingViewMoved();
        };
    });
}

NotesHoverController::NotesHoverController()
    : dehoverTimer_(std::make_unique<foundation::Timer>(NHC_timerClock)) {
    buildPanel();
}

NotesHoverController::~NotesHoverController() {
    if (gui_notes) gui_notes->setDelegate(nullptr);
    if (NHC_sharedWinController == this) NHC_sharedWinController = nullptr;
}

void NotesHoverController::awakeFromNib() {
    NHC_sharedWinController = this;
    windowIsOpen_ = false;
    setWindowFrameAutosaveName(kAutosaveName);
}

void NotesHoverController::buildPanel() {
    gui_notesPopupWindow = HoverPanelParts::makePanel(QSizeF(kPanelWidth, kPanelHeight), this);
    setWindow(gui_notesPopupWindow);
    gui_springView = gui_notesPopupWindow->panelView();
    kit::View* content = gui_notesPopupWindow->contentView();

    const HoverPanelParts::TextBox notes = HoverPanelParts::addTextBox(content, kContentFrame);
    gui_textScrollView = notes.scrollView;
    gui_notes = notes.textView;
    gui_notes->setDelegate(this);

    gui_viewScrollView = new kit::ScrollView(kContentFrame);
    gui_viewScrollView->setDrawsBackground(false);
    gui_viewScrollView->setHasVerticalScroller(true);
    gui_viewScrollView->setAutohidesScrollers(true);
    gui_nview = new InfoHoverView(
        QRectF(0, 0, InfoHoverView::kContentWidth, InfoHoverView::kMinimumHeight));
    gui_viewScrollView->setDocumentView(gui_nview);
    content->addSubview(gui_viewScrollView);

    const HoverPanelParts::TextBox warning = HoverPanelParts::addTextBox(content, kWarningFrame);
    gui_warning = warning.textView;
    gui_warningScrollView = warning.scrollView;
    gui_warning->setTextColor(QColor(255, 214, 90));
    gui_warningScrollView->setHidden(true);

    gui_closeButton =
        addButton(content, kCloseFrame,
                  foundation::localized(QStringLiteral("notesHoverPopupCancel"), QString()), this,
                  "cancelClicked");
    gui_okButton =
        addButton(content, kOkFrame, foundation::localized(QStringLiteral("okButton"), QString()),
                  this, "okClicked");
    gui_editButton = addButton(
        content, QRectF(kCloseFrame.topLeft(), QSizeF(kEditButtonWidth, kCloseFrame.height())),
        foundation::localized(QStringLiteral("notesHoverPopupEdit"), QString()), this,
        "editClicked");
}

// -- Where the panel points -------------------------------------------------------------

QRectF NotesHoverController::referenceRect() const {
    return HoverPanelParts::referenceRectOnScreen(originatingView, origRect);
}

void NotesHoverController::aimAt(const YearViewCellPtr& cell, const QRectF& rect, kit::View* view) {
    currentYVCell_ = cell;
    originatingView = view;
    origRect = rect;
    gui_notesPopupWindow->setReferenceRectOnScreen(referenceRect());
    gui_notesPopupWindow->setCanBecomeKeyWindow(false);
    // A message of an earlier editing does not belong to this day.
    gui_warningScrollView->setHidden(true);
}

void NotesHoverController::originatingViewMoved() {
    if (!windowIsOpen_ || !originatingView) return;
    gui_notesPopupWindow->setReferenceRectOnScreen(referenceRect());
    gui_notesPopupWindow->positionPanelKeepingAnchorAnimateMove(true, true);
}

void NotesHoverController::openPanel() {
    // Each opening starts from the panel's own size, whatever size the window
    // system last reported for it while it shrank away.
    const QRectF f = gui_notesPopupWindow->frame();
    gui_notesPopupWindow->setFrame(QRectF(f.topLeft(), QSizeF(kPanelWidth, kPanelHeight)), false);
    gui_notesPopupWindow->positionPanel();
    gui_notesPopupWindow->springOpenWithFadeIn(false);
    windowIsOpen_ = true;
}

void NotesHoverController::installPanelTracking() {
    removePanelTracking();
    panelTrackingArea_ = kit::TrackingArea::create(
        gui_springView->frame(),
        kit::TrackingArea::MouseEnteredAndExited | kit::TrackingArea::ActiveInActiveApp, this);
    gui_springView->addTrackingArea(panelTrackingArea_);
}

void NotesHoverController::removePanelTracking() {
    if (panelTrackingArea_ && gui_springView)
        gui_springView->removeTrackingArea(panelTrackingArea_);
    panelTrackingArea_.reset();
}

// -- Opening ----------------------------------------------------------------------------

void NotesHoverController::showWindowForCellAtRectInView(const YearViewCellPtr& cell,
                                                         const QRectF& rect, kit::View* view) {
    if (windowIsOpen_) closeWindow(this);
    aimAt(cell, rect, view);
    useInYearView_ = true;
    viewNeedsUpdate_ = false;
    gui_notesPopupWindow->setOpeningDirection(SpringPanel::Up);
    // A close pending for the cell before does not close this one.
    dehoverTimer_->stop();
    setupEntries();
    openPanel();
    followPointer();
}

void NotesHoverController::showWindowForCellAtRectInViewWithString(const YearViewCellPtr& cell,
                                                                   const QRectF& rect,
                                                                   kit::View* view,
                                                                   const QString& text) {
    aimAt(cell, rect, view);
    useInYearView_ = false;
    viewNeedsUpdate_ = false;
    gui_notesPopupWindow->setOpeningDirection(SpringPanel::Down);
    gui_closeButton->setHidden(true);
    gui_okButton->setHidden(true);
    if (windowIsOpen_) {
        gui_notesPopupWindow->positionPanelKeepingAnchorAnimateMove(true, true);
        return;
    }
    dehoverTimer_->stop();
    setupEntries(text);
    openPanel();
    followPointer();
}

void NotesHoverController::showWindowInEditModeForCellAtRectInViewWithString(
    const YearViewCellPtr& cell, const QRectF& rect, kit::View* view, const QString& text) {
    // A hover showing notes (not editing them) makes way for the editing the
    // user asked for, rather than turning into buttons over text that cannot
    // be edited.
    if (windowIsOpen_ && !editMode_) springShut();
    aimAt(cell, rect, view);
    useInYearView_ = false;
    viewNeedsUpdate_ = true;
    gui_notesPopupWindow->setOpeningDirection(SpringPanel::Down);
    showControls(true);
    showTextContent(true);
    if (windowIsOpen_) {
        gui_notesPopupWindow->positionPanelKeepingAnchorAnimateMove(true, true);
        return;
    }
    dehoverTimer_->stop();
    gui_notesPopupWindow->setWorksWhenModal(true);
    gui_notes->setString(text);
    gui_notesPopupWindow->makeFirstResponder(gui_notes);
    openPanel();
    editClicked(this);
}

void NotesHoverController::showWindow(QObject*) {
    if (!windowIsOpen_) setupEntries(QString());
    gui_notesPopupWindow->orderFront();
    windowIsOpen_ = true;
}

// -- Content ----------------------------------------------------------------------------

void NotesHoverController::setupEntries() {
    showControls(false);
    showTextContent(false);
    gui_nview->setCell(currentYVCell_);
    const bool hasNotes = currentYVCell_ && currentYVCell_->hasNotes();
    setupReading(hasNotes ? QStringLiteral("notesHoverPopupEditNotes")
                          : QStringLiteral("notesHoverPopupAddNotes"),
                 currentYVCell_ ? currentYVCell_->notesText() : QString());
}

void NotesHoverController::setupEntries(const QString& text) {
    showControls(false);
    showTextContent(true);
    setupReading(QStringLiteral("notesHoverPopupEdit"), text);
}

void NotesHoverController::setupReading(const QString& editTitleKey, const QString& text) {
    gui_editButton->setFrameSize(QSizeF(kEditButtonWidth, kCloseFrame.height()));
    gui_editButton->setTitle(foundation::localized(editTitleKey, QString()));
    setParagraphStyle();
    gui_notesPopupWindow->setWorksWhenModal(true);
    gui_notes->setEditable(false);
    gui_notes->setTextColor(kit::Color::whiteColor());
    gui_notes->setString(text);
    gui_notesPopupWindow->makeFirstResponder(gui_notes);
}

void NotesHoverController::showControls(bool editing) {
    gui_okButton->setHidden(!editing);
    gui_closeButton->setHidden(!editing);
    gui_editButton->setHidden(editing);
}

void NotesHoverController::showTextContent(bool text) {
    gui_textScrollView->setHidden(!text);
    gui_viewScrollView->setHidden(text);
}

void NotesHoverController::followPointer() {
    editMode_ = false;
    mouseInTriggerRect_ = true;
    mouseInPanel_ = false;
    hoverEnded_ = false;
    installPanelTracking();
}

void NotesHoverController::setParagraphStyle() {
    gui_notes->setAlignment(kit::TextAlignment::Left);
}

// -- Closing ----------------------------------------------------------------------------

bool NotesHoverController::closePending() const {
    return dehoverTimer_->isActive();
}

void NotesHoverController::springShut() {
    dehoverTimer_->stop();
    gui_notesPopupWindow->springCloseWithFadeOut(false);
    removePanelTracking();
    windowIsOpen_ = false;
}

void NotesHoverController::closeWindow(QObject*) {
    // Whatever closes the panel, a delayed close is no longer for it.
    dehoverTimer_->stop();
    if (!windowIsOpen_) return;
    if (currentYVCell_) currentYVCell_->clearTempNotes();
    if (viewNeedsUpdate_ && originatingView) originatingView->setNeedsDisplay();
    springShut();
    // Only the loop of this panel ends, never one of another window.
    if (editMode_ && kit::ModalSession::modalWindow() == gui_notesPopupWindow)
        kit::ModalSession::stopModal();
}

void NotesHoverController::closeWindowIfNoHover(QObject*) {
    if (!mouseInPanel_ && !editMode_)
        dehoverTimer_->start(kDehoverDelay, false, [this] { closeWindowAfterHover(); });
    else
        hoverEnded_ = true;
}

void NotesHoverController::closeWindowAfterHover() {
    dehoverTimer_->stop();
    if (!mouseInPanel_ && !editMode_)
        springShut();
    else
        hoverEnded_ = true;
}

void NotesHoverController::triggerRectExited() {
    mouseInTriggerRect_ = false;
    if (!editMode_ && !mouseInPanel_) closeWindow(this);
}

void NotesHoverController::mouseEntered(const kit::Event&) {
    mouseInPanel_ = true;
}

void NotesHoverController::mouseExited(const kit::Event&) {
    mouseInPanel_ = false;
    if (editMode_) return;
    if (hoverEnded_)
        springShut();
    else if (!mouseInTriggerRect_)
        closeWindow(this);
}

void NotesHoverController::windowWillClose(QObject*) {
    windowIsOpen_ = false;
    removePanelTracking();
}

// -- Editing ----------------------------------------------------------------------------

void NotesHoverController::editClicked(QObject*) {
    editMode_ = true;
    showControls(true);
    if (gui_textScrollView->isHidden()) showTextContent(true);
    gui_notes->setEditable(true);
    gui_notes->setTextColor(kit::Color::whiteColor());
    gui_notes->setAlignment(kit::TextAlignment::Left);
    gui_notesPopupWindow->setCanBecomeKeyWindow(true);
    gui_notesPopupWindow->setWorksWhenModal(true);
    gui_notesPopupWindow->makeFirstResponder(gui_notes);
    kit::ModalSession::runModalForWindow(gui_notesPopupWindow);
}

void NotesHoverController::showWarning(const QString& key) {
    gui_warning->setString(foundation::localized(key, QString()));
    gui_warningScrollView->setHidden(false);
}

void NotesHoverController::okClicked(QObject*) {
    const YearViewCellPtr cell = currentYVCell_;
    const MyDatePtr date = cell ? cell->cellDate() : nullptr;
    if (!date) {
        foundation::log(QStringLiteral("oops, notes without a day"));
        closeWindow(this);
        return;
    }
    const QString text = gui_notes->string();
    const calstore::EventPtr notesEvent = cell->notesEvent();
    // The page of the day's year, which need not be the one shown.
    const YearViewTargetPtr page = WeekdayView::yearPageForDate(date);
    bool written = true;
    if (notesEvent) {
        written = YearViewEventLoader::updateNotesForEventOnCalOnDateOnView(text, notesEvent,
                                                                            nullptr, date, page);
    } else if (!text.isEmpty()) {
        const std::shared_ptr<CalendarSources> sources = calendarSources();
        const CalendarPtr markerStore = sources ? sources->firstMarkerCalendar() : nullptr;
        if (!markerStore) {
            // Closing would drop what the user typed.
            showWarning(QStringLiteral("notesNeedMarkerStore"));
            return;
        }
        written = YearViewEventLoader::updateNotesForEventOnCalOnDateOnView(
            text, nullptr, markerStore, date, page);
    }
    if (!written) {
        showWarning(QStringLiteral("notesWriteFailed"));
        return;
    }
    closeWindow(this);
}

void NotesHoverController::cancelClicked(QObject*) {
    closeWindow(this);
}

bool NotesHoverController::textViewDoCommandBySelector(kit::TextView*, kit::TextCommand command,
                                                       const kit::Event& event) {
    if (event.keyCode() == kit::KeyCodes::Escape || command == kit::TextCommand::CancelOperation) {
        closeWindow(this);
        return true;
    }
    if (event.keyCode() == kit::KeyCodes::KeypadEnter) {
        okClicked(this);
        return true;
    }
    if (event.keyCode() == kit::KeyCodes::Return &&
        event.hasModifier(kit::ModifierFlags::Command)) {
        okClicked(this);
        return true;
    }
    return false;
}
