#include "events/EventHoverController.h"

#include "data/Calendar.h"
#include "data/MyDate.h"
#include "data/PrefGroups.h"
#include "data/appPref.h"
#include "events/EventHoverView.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/MainThreadObserver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Button.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "shell/HoverPanels.h"
#include "shell/MainWindowCtrl.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"
#include "weekview/WeekView.h"
#include "yearview/YearViewScroller.h"

#include <algorithm>

namespace {

EventHoverController* EHC_sharedWinController = nullptr;
QVariantMap EHC_prefs;
bool EHC_defaultOpensToRight = false;
bool EHC_showsUID = false;
bool EHC_showsTimestamp = false;
bool EHC_showsCalendar = false;

EventHoverController::Services& mutableServices() {
    static EventHoverController::Services services;
    return services;
}

constexpr double kButtonY = 22;
constexpr double kButtonHeight = 24;

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

bool isOwnKindOfEvent(const EventDayPtr& record) {
    return record && record->event() &&
           record->event()->location().startsWith(EventDay::kZoltPrefix);
}

int calendarTypeOf(const EventDayPtr& record) {
    return record && record->calendar() ? record->calendar()->calendarType() : 0;
}

// Marks, notes, holidays and marker-store events are not edited from the
// hover; ordinary events open the editor, birthdays their list.
bool canEdit(const EventDayPtr& record) {
    const int type = calendarTypeOf(record);
    return record && record->event() && !isOwnKindOfEvent(record) &&
           (type == Calendar::kTypeNormal || type == Calendar::kTypeBirthday);
}

kit::Button* pushButton(const QString& title, const QRectF& frame, EventHoverController* target,
                        const char* action) {
    auto* button = new kit::Button(frame);
    button->setTitle(title);
    button->setTarget(target);
    button->setAction(action);
    return button;
}

}  // namespace

void EventHoverController::changeServices(const std::function<void(Services&)>& change) {
    change(mutableServices());
}

const EventHoverController::Services& EventHoverController::services() {
    return mutableServices();
}

EventHoverController* EventHoverController::sharedWinController() {
    if (!EHC_sharedWinController) {
        auto* controller = new EventHoverController();
        controller->window();
    }
    return EHC_sharedWinController;
}

EventHoverController* EventHoverController::existingWinController() {
    return EHC_sharedWinController;
}

void EventHoverController::resetSharedWinController() {
    delete EHC_sharedWinController;  // its destructor forgets it
}

void EventHoverController::loadPreferences() {
    EHC_prefs = foundation::Defaults::standard().dictionaryForKey(PrefGroups::weekView);
    appPref prefs = appPref::fromMap(EHC_prefs);
    EHC_defaultOpensToRight = prefs.boolForKey(QStringLiteral("Popup Opens Right"));
    EHC_showsUID = prefs.boolForKey(QStringLiteral("EventInfo Shows UID"));
    EHC_showsTimestamp = prefs.boolForKey(QStringLiteral("EventInfo Shows TimeStamp"));
    EHC_showsCalendar = prefs.boolForKey(QStringLiteral("EventInfo Shows Calendar"));
}

void EventHoverController::updatePreferences() {
    loadPreferences();
}

bool EventHoverController::defaultOpensToRight() {
    return EHC_defaultOpensToRight;
}
bool EventHoverController::showsUID() {
    return EHC_showsUID;
}
bool EventHoverController::showsTimestamp() {
    return EHC_showsTimestamp;
}
bool EventHoverController::showsCalendar() {
    return EHC_showsCalendar;
}

void EventHoverController::installEntries() {
    // The main window moves the open hover with it; the year area closes it
    // when the week pane collapses.
    MainWindowCtrl::changeServices([](MainWindowCtrl::Services& window) {
        window.eventHoverOriginatingViewMoved = [] {
            if (EventHoverController* hover = existingWinController())
                hover->originatingViewMoved();
        };
    });
    YearViewScroller::changeServices([](YearViewScroller::Services& year) {
        year.eventHoverCloseWindow = [](QObject* sender) {
            if (EventHoverController* hover = existingWinController()) hover->closeWindow(sender);
        };
    });
    WeekView::changeServices([](WeekView::Services& week) {
        week.eventHoverCloseWindow = [](QObject* sender) {
            if (EventHoverController* hover = existingWinController()) hover->closeWindow(sender);
        };
        week.eventHoverLoadPreferences = &EventHoverController::loadPreferences;
        week.eventHoverUpdatePreferences = &EventHoverController::updatePreferences;
        week.eventHoverShowWindow = [](const EventDayPtr& event, const QRectF& rect,
                                       kit::View* anchor) {
            sharedWinController()->showWindowForEventAtRectInView(event, rect, anchor);
        };
        week.eventHoverIsOpen = [] {
            EventHoverController* hover = existingWinController();
            return hover && hover->windowOpen();
        };
        week.eventHoverScrollNotify = [](const kit::Event& event) {
            EventHoverController* hover = existingWinController();
            return hover && hover->scrollNotify(event);
        };
    });
}

// awakeFromNib: the first hover made is the one hover.
EventHoverController::EventHoverController() {
    if (!EHC_sharedWinController) EHC_sharedWinController = this;
    foundation::MainThreadObserver::observe(this, closeHoverPanelsNotification, nullptr,
                                            [this](const foundation::Notification& n) {
                                                if (n.object != this) closeWindow(nullptr);
                                            });
}

EventHoverController::~EventHoverController() {
    if (EHC_sharedWinController == this) EHC_sharedWinController = nullptr;
}

SpringPanel* EventHoverController::panel() {
    window();
    return gui_eventsPopupWindow;
}

kit::Window* EventHoverController::loadWindow() {
    const double visible = EventHoverView::kMinimumHeight;
    auto* panel = new SpringPanel(QRectF(0, 0, kPanelWidth, visible + kChromeHeight));
    panel->setCanBecomeKeyWindow(false);
    panel->setFrameAutosaveName(QStringLiteral("(Event Details Popup)"));
    gui_eventsPopupWindow = panel;
    gui_springView = panel->panelView();

    gui_scrollView =
        new kit::ScrollView(QRectF(kScrollX, kScrollY, EventHoverView::kCardWidth, visible));
    gui_scrollView->setDrawsBackground(false);
    gui_scrollView->setHasVerticalScroller(true);
    gui_scrollView->setAutohidesScrollers(true);
    gui_view = new EventHoverView(QRectF(0, 0, EventHoverView::kCardWidth, visible));
    gui_scrollView->setDocumentView(gui_view);
    gui_springView->addSubview(gui_scrollView);

    const double right = kScrollX + EventHoverView::kCardWidth;
    gui_closeButton =
        pushButton(text("ehcCloseButton"), QRectF(kScrollX, kButtonY, 80, kButtonHeight), this,
                   "cancelClicked");
    gui_editButton =
        pushButton(text("ehcEditButton"), QRectF(right - 80, kButtonY, 80, kButtonHeight), this,
                   "editClicked");
    gui_weekButton =
        pushButton(text("ehcWeekButton"), QRectF(right - 176, kButtonY, 92, kButtonHeight), this,
                   "showWeekClicked");
    gui_weekButton->setHidden(true);
    for (kit::Button* button :
         {gui_closeButton.data(), gui_editButton.data(), gui_weekButton.data()})
        gui_springView->addSubview(button);
    _windowIsOpen = false;
    panelDrawsAnchor = true;
    return panel;
}

QRectF EventHoverController::referenceRectOnScreen() const {
    if (!theView) return origRect;
    kit::Window* host = theView->window();
    const QRectF inWindow = theView->convertRectToView(origRect, nullptr);
    return host ? host->convertRectToScreen(inWindow) : inWindow;
}

void EventHoverController::showWindowForEventAtRectInView(const EventDayPtr& record,
                                                          const QRectF& rect, kit::View* view) {
    SpringPanel* p = panel();
    if (!record || !p) return;
    const EventDayPtr previous = theEvent;
    theEvent = record;
    theView = view;
    origRect = rect;
    setDrawsAnchor(true);
    p->setReferenceRectOnScreen(referenceRectOnScreen());
    p->setOpeningDirection(EHC_defaultOpensToRight ? SpringPanel::Right : SpringPanel::Left);
    p->setCanBecomeKeyWindow(false);
    gui_editButton->setHidden(!canEdit(record));
    gui_weekButton->setHidden(true);

    if (!_windowIsOpen) {
        foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
        setupEntries();
        p->positionPanel();
        p->springOpenWithFadeIn(false);
        _windowIsOpen = true;
        return;
    }
    // The same record from another rectangle only moves the panel; another
    // occurrence of a series is refilled, as it has its own dates.
    if (!EventDay::sameOccurrence(previous, record)) setupEntries();
    p->positionPanelKeepingAnchorAnimateMove(true, true);
}

void EventHoverController::showWindow(QObject*) {
    SpringPanel* p = panel();
    if (!p) return;
    if (!_windowIsOpen) {
        setupEntries();
        foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
    }
    p->orderFront();
    _windowIsOpen = true;
}

void EventHoverController::setupEntries() {
    SpringPanel* p = panel();
    if (!p) return;
    gui_view->setShowsUIDShowsTimestampShowsCalendar(EHC_showsUID, EHC_showsTimestamp,
                                                     EHC_showsCalendar);
    const double h = gui_view->setEvent(theEvent);
    const double v = std::min(h, EventHoverView::kMaxVisibleHeight);
    const QRectF frame = p->frame();
    p->setFrame(QRectF(frame.x(), frame.y(), kPanelWidth, v + kChromeHeight), false);
    const QRectF card(0, 0, EventHoverView::kCardWidth, h);
    gui_view->setFrame(card);
    gui_view->setTextViewsForRect(card);
    gui_scrollView->setFrame(QRectF(kScrollX, kScrollY, EventHoverView::kCardWidth, v));
    gui_view->scrollToTop();
    gui_view->setNeedsDisplay(true);
}

void EventHoverController::reaim() {
    if (!_windowIsOpen || !gui_eventsPopupWindow) return;
    gui_eventsPopupWindow->setReferenceRectOnScreen(referenceRectOnScreen());
    gui_eventsPopupWindow->positionPanelKeepingAnchorAnimateMove(true, true);
}

void EventHoverController::updateAnchorToRect(const QRectF& rect) {
    if (!_windowIsOpen) return;
    origRect = rect;
    reaim();
}

void EventHoverController::originatingViewMoved() {
    reaim();
}

void EventHoverController::setDrawsAnchor(bool draws) {
    if (gui_springView) {
        gui_springView->setDrawsAnchor(draws);
        gui_springView->setNeedsDisplay(true);
    }
    panelDrawsAnchor = draws;
}

void EventHoverController::setShowWeekButton(bool show) {
    window();
    if (gui_weekButton) gui_weekButton->setHidden(!show);
}

void EventHoverController::closeWindow(QObject* sender) {
    if (sender == this || !_windowIsOpen) return;
    if (gui_eventsPopupWindow) gui_eventsPopupWindow->springCloseWithFadeOut(false);
    _windowIsOpen = false;
}

void EventHoverController::cancelClicked(QObject*) {
    closeWindow(nullptr);
}

void EventHoverController::editClicked(QObject*) {
    closeWindow(nullptr);
    const EventDayPtr record = theEvent;
    if (!canEdit(record)) return;
    if (calendarTypeOf(record) == Calendar::kTypeBirthday) {
        if (const auto& show = services().showBirthdayInSheet)
            show(record->calendar(), record->event()->title());
        return;
    }
    const WeekView::Services& week = WeekView::services();
    if (!week.controllerForEvent || !week.showWindow) return;
    if (QObject* editor = week.controllerForEvent(record->event())) week.showWindow(editor, this);
}

void EventHoverController::showWeekClicked(QObject*) {
    const EventDayPtr record = theEvent;
    MainWindowCtrl* ctrl = MainWindowCtrl::existingWinController();
    if (!record || !record->event() || !ctrl) return;
    ctrl->showWeekOfDay(MyDate::dateWithNSDate(record->event()->startDate()));
    if (isOwnKindOfEvent(record) || calendarTypeOf(record) != Calendar::kTypeNormal) return;
    if (auto* week = qobject_cast<WeekView*>(ctrl->currentWeekView()))
        week->highlightCalEvent(record->event());
}

bool EventHoverController::scrollNotify(const kit::Event& event) {
    if (!_windowIsOpen || !gui_scrollView) return false;
    gui_scrollView->scrollWheel(event);
    return true;
}
