// The editor's registry, the life of its window and the filling of its panes.
#include "events/EventConfigController.h"

#include "data/MainWindowHooks.h"
#include "data/PrefGroups.h"
#include "data/YearViewEventLoader.h"
#include "data/appPref.h"
#include "events/MyDatePicker.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/MainThreadObserver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/SegmentedControl.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Window.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"
#include "shell/HoverPanels.h"
#include "shell/MainWindowCtrl.h"
#include "weekview/WeekView.h"

#include <QHash>

namespace {

// The registry: one editor per event UID. Only the main thread uses it.
QHash<QString, QPointer<EventConfigController>>& controllers() {
    static QHash<QString, QPointer<EventConfigController>> registry;
    return registry;
}

bool ECC_weekStartsSunday = true;

void dropController(const QString& uid) {
    const QPointer<EventConfigController> controller = controllers().take(uid);
    // The editor may be in the middle of one of its own calls (eventUpdate
    // drops its own entry); it goes once that has returned.
    if (controller) controller->deleteLater();
}

}  // namespace

// -- Class operations

void EventConfigController::installWeekViewEntries() {
    WeekView::changeServices([](WeekView::Services& week) {
        week.controllerForEvent = [](const calstore::EventPtr& event) -> QObject* {
            return controllerForEvent(event);
        };
        week.showWindow = [](QObject* controller, QObject* sender) {
            if (auto* editor = qobject_cast<EventConfigController*>(controller))
                editor->showWindow(sender);
        };
        week.showWindowForNew = [](QObject* controller, QObject* sender) {
            if (auto* editor = qobject_cast<EventConfigController*>(controller))
                editor->showWindowForNew(sender);
        };
    });
}

void EventConfigController::updatePreferences() {
    appPref general =
        appPref::fromMap(foundation::Defaults::standard().dictionaryForKey(PrefGroups::general));
    ECC_weekStartsSunday = general.boolForKey(QStringLiteral("Week Begins on Sunday"));
}

bool EventConfigController::weekStartsSunday() {
    return ECC_weekStartsSunday;
}

EventConfigController* EventConfigController::controllerForEvent(const calstore::EventPtr& event) {
    foundation::requireMainThread("EventConfigController::controllerForEvent");
    if (!event) return nullptr;
    const QString uid = event->uid();
    if (EventConfigController* known = controllers().value(uid)) {
        // An open editor keeps the event it shows (another occurrence of the
        // series asks with another event object); a closed one takes the new one.
        if (!known->windowOpen()) known->setEventEntity(event);
        return known;
    }
    controllers().remove(uid);
    garbageCollectControllers();
    auto* controller = new EventConfigController(event);
    controller->window();  // every interface element exists from here on
    controllers().insert(uid, controller);
    return controller;
}

void EventConfigController::garbageCollectControllers() {
    if (controllers().size() < kCollectionThreshold) return;
    const QList<QString> uids = controllers().keys();
    for (const QString& uid : uids) {
        const QPointer<EventConfigController> controller = controllers().value(uid);
        if (!controller || !controller->windowOpen()) dropController(uid);
    }
}

void EventConfigController::removeControllerForEvent(const calstore::EventPtr& event) {
    if (!event || !controllers().contains(event->uid())) return;
    if (EventConfigController* controller = controllers().value(event->uid()))
        controller->stopObserving();
    dropController(event->uid());
}

EventConfigController* EventConfigController::registeredControllerForUID(const QString& uid) {
    return controllers().value(uid);
}

int EventConfigController::numberOfRegisteredControllers() {
    return int(controllers().size());
}

// -- Life

EventConfigController::EventConfigController(const calstore::EventPtr& event)
    : _event(event), texts_(EventTexts::Variant{EventTexts::preferredLanguage(), false}) {
    static const bool prefsRead = [] {
        updatePreferences();
        return true;
    }();
    Q_UNUSED(prefsRead);
    observer_ = foundation::MainThreadObserver::observe(
        this, YearViewEventLoader::eventDataChangedNotification, nullptr,
        [this](const foundation::Notification& n) { eventUpdate(n); });
}

EventConfigController::~EventConfigController() {
    stopObserving();
    for (auto it = controllers().begin(); it != controllers().end();) {
        if (it.value() == this || it.value().isNull())
            it = controllers().erase(it);
        else
            ++it;
    }
}

void EventConfigController::stopObserving() {
    if (observer_) observer_->stop();
}

void EventConfigController::setEventEntity(const calstore::EventPtr& event) {
    _event = event;
}

QString EventConfigController::eventUID() const {
    return _event ? _event->uid() : QString();
}

// -- Opening and closing

void EventConfigController::showWindow(QObject*) {
    openWindow(false);
}

void EventConfigController::showWindowForNew(QObject*) {
    openWindow(true);
}

void EventConfigController::openWindow(bool forNew) {
    if (_windowIsOpen || !_event) return;
    kit::Window* w = window();
    if (!w) return;
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
    eventIsNew = forNew;
    eventGone_ = false;
    setupEntries();
    for (CollapsablePanel* pane : panes())
        if (pane) pane->setCollapsedState(!(forNew && pane == gui_datePane));
    kit::WindowController::showWindow(nullptr);
    _windowIsOpen = true;
}

void EventConfigController::closeWindow(QObject*) {
    _windowIsOpen = false;
    if (window()) window()->close();
}

void EventConfigController::windowWillClose(QObject*) {
    // Deleting the new event below announces it, and the announcement comes
    // back here through eventUpdate: nothing may be undone twice.
    if (closing_) return;
    closing_ = true;
    if (eventIsNew) {
        eventIsNew = false;
        const calstore::EventPtr event = _event;
        clearWeekSelection();
        endCreation();
        if (event && !eventGone_) YearViewEventLoader::deleteEventC(event);
    }
    _windowIsOpen = false;
    closing_ = false;
}

void EventConfigController::clearWeekSelection() {
    if (auto hooks = MainWindowHooks::shared())
        if (auto* week = qobject_cast<WeekView*>(hooks->currentWeekView()))
            week->selectEvent(nullptr);
}

void EventConfigController::endCreation() const {
    if (MainWindowCtrl* main = MainWindowCtrl::existingWinController())
        main->endCurrentCreatedEventUID(eventUID());
}

// -- Filling the panes

void EventConfigController::setupEntries() {
    if (!_event || !window()) return;
    captureRecurrenceSettings();
    gui_eventImage->setImage(
        eventImageWithColor(_event->calendar() ? _event->calendar()->color() : QColor(Qt::gray)));
    gui_title->setStringValue(_event->title());

    const bool alarm = _event->hasAlarm();
    gui_alarmIcon->setHidden(!alarm);
    gui_recurrenceIcon->setHidden(!modifiedRecRule.rule);
    QRectF iconFrame = gui_alarmIcon->frame();
    if (alarm) iconFrame.translate(-kIconShift, 0);
    gui_recurrenceIcon->setFrame(iconFrame);

    eventIsFullday = _event->isAllDay();
    setupStartEndDate();
    gui_dpFullday->setState(eventIsFullday ? kit::Button::On : kit::Button::Off);
    dpClickFullday(gui_dpFullday);

    rpUpdatePaneSummary();
    recurrenceShown_ = false;
    setupRecurrencePaneForTypeFromUI(-1, false);
    if (modifiedRecRule.rule && modifiedRecRule.recurrenceType == 1) rpCheckDays(1, true);
    if (modifiedRecRule.rule && modifiedRecRule.recurrenceType == 2) rpUpdateMonthlyDayUsage(true);
    if (modifiedRecRule.rule && modifiedRecRule.recurrenceType == 3) rpUpdateYearlyDayUsage(true);
    // What the pane shows now is what the user starts from.
    shownRecRule_ = readRecurrenceControls(modifiedRecRule);
    recurrenceChanged_ = false;
    recurrenceShown_ = true;

    setupLocationPane();
    setupAttendeesPane();
    setupUrlPane();
    setupNotesPane();
    lpUpdatePaneText();
    apUpdatePaneText();
    upUpdatePaneText();
    npUpdatePaneText();
}

// -- Store changes of other writers

void EventConfigController::eventUpdate(const foundation::Notification& n) {
    if (!_event) return;
    const QVariantMap& info = n.userInfo;
    const auto given = info.value(YearViewEventLoader::kEventKey).value<calstore::EventPtr>();
    const QString changes = info.value(YearViewEventLoader::kChangesKey).toString();
    const QString mine = eventUID();
    // The change names the event it concerns by the event it carries or by
    // "uid"; an event replaced under another UID is named by "old-uid".
    const bool concerns = (given && given->uid() == mine) ||
                          info.value(YearViewEventLoader::kUIDKey).toString() == mine ||
                          info.value(YearViewEventLoader::kOldUIDKey).toString() == mine;
    if (!concerns) return;
    if (eventIsNew && changes != QLatin1String("deleted")) return;
    if (changes == QLatin1String("deleted")) {
        eventGone_ = true;
        closeWindow(this);
    } else if (changes == QLatin1String("startDate") || changes == QLatin1String("endDate") ||
               changes == QLatin1String("dates")) {
        if (given) {
            // The event objects are shared with the views; the editor changes a copy.
            auto moved = std::make_shared<calstore::Event>(*_event);
            moved->setStartDate(given->startDate());
            moved->setEndDate(given->endDate());
            _event = moved;
        }
        if (window()) setupStartEndDate();
    } else {
        const calstore::EventPtr old = _event;
        if (given) _event = given;
        closeWindow(this);
        stopObserving();
        if (controllers().value(old->uid()) == this) dropController(old->uid());
        if (_event && controllers().value(_event->uid()) == this) dropController(_event->uid());
    }
}

// -- Texts of the edited event

QString EventConfigController::determineDatesTextForStartAndEnd(const QDateTime& start,
                                                                const QDateTime& end) const {
    return texts_.determineDatesTextForStartAndEndIsFullday(start, end, eventIsFullday);
}

QString EventConfigController::determineRecurrenceText() const {
    return texts_.determineRecurrenceText(modifiedRecRule,
                                          _event ? _event->startDate() : QDateTime());
}

QString EventConfigController::determineLocationText() const {
    return _event ? _event->location() : QString();
}

QString EventConfigController::determineAttendeesText() const {
    return _event ? EventTexts::determineAttendeesText(_event->attendees()) : QString();
}

QString EventConfigController::determineUrlText() const {
    return _event && !_event->url().isEmpty() ? _event->url().toString() : QString();
}

QString EventConfigController::determineNotesText() const {
    return _event ? _event->notes() : QString();
}
