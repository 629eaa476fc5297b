// The editor's plain entry panes (location, attendees, URL, notes): their
// fields, their collapsed summaries, the reading of the attendee entry, what a
// collapsing pane does to the keyboard focus, and showing the event in the
// week view.
#include "events/EventConfigController.h"

#include "data/MyAttendee.h"
#include "data/MyDate.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Window.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"
#include "shell/MainWindowCtrl.h"
#include "weekview/WeekView.h"

#include <algorithm>
#include <vector>

void EventConfigController::setupLocationPane() {
    gui_lpLocation->setStringValue(determineLocationText());
}

void EventConfigController::setupAttendeesPane() {
    gui_apAttendees->setStringValue(determineAttendeesText());
}

void EventConfigController::setupUrlPane() {
    gui_upUrl->setStringValue(determineUrlText());
}

void EventConfigController::setupNotesPane() {
    gui_npNotes->setString(determineNotesText());
}

QString EventConfigController::summaryText(const QString& text) {
    return text.size() > kSummaryLength ? text.left(kSummaryLength) + QStringLiteral("...") : text;
}

void EventConfigController::lpUpdatePaneText() {
    gui_locationPane->setDataForCollapsedState(summaryText(gui_lpLocation->stringValue()));
}

void EventConfigController::apUpdatePaneText() {
    gui_attendeesPane->setDataForCollapsedState(
        summaryText(attendeeItems(gui_apAttendees->stringValue()).join(QStringLiteral(", "))));
}

void EventConfigController::upUpdatePaneText() {
    gui_urlPane->setDataForCollapsedState(summaryText(gui_upUrl->stringValue()));
}

void EventConfigController::npUpdatePaneText() {
    gui_notesPane->setDataForCollapsedState(summaryText(gui_npNotes->string()));
}

void EventConfigController::updateAllPaneTexts() {
    dpUpdatePaneText();
    rpUpdatePaneText();
    lpUpdatePaneText();
    apUpdatePaneText();
    upUpdatePaneText();
    npUpdatePaneText();
}

QStringList EventConfigController::attendeeItems(const QString& text) {
    QStringList items;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QString item = part.trimmed();
        if (!item.isEmpty()) items << item;
    }
    return items;
}

QList<calstore::AttendeePtr> EventConfigController::attendeesList() const {
    // The opened event's attendees, each taken by the first item of its name.
    std::vector<calstore::AttendeePtr> unclaimed;
    if (_event)
        for (const calstore::AttendeePtr& attendee : _event->attendees())
            if (attendee) unclaimed.push_back(attendee);
    QList<calstore::AttendeePtr> list;
    for (const QString& name : attendeeItems(gui_apAttendees->stringValue())) {
        const auto known = std::find_if(unclaimed.begin(), unclaimed.end(), [&](const auto& a) {
            return a->commonName().trimmed() == name;
        });
        if (known == unclaimed.end()) {
            list << MyAttendee::initWithNameAndAddress(name, QUrl());
            continue;
        }
        const MyAttendeePtr attendee =
            MyAttendee::initWithNameAndAddress(name, (*known)->address());
        attendee->setStatus((*known)->status());
        attendee->setRole((*known)->role());
        list << attendee;
        unclaimed.erase(known);
    }
    return list;
}

bool EventConfigController::viewContainsElement(const kit::View* view, const QObject* element) {
    if (!view || !element) return false;
    for (const kit::View* subview : view->subviews()) {
        if (subview == element) return true;
        if (viewContainsElement(subview, element)) return true;
    }
    return false;
}

void EventConfigController::collapsablePanelToggled(QObject* sender) {
    // Only the editor's own panes, exactly of the pane class, and only as they collapse.
    if (!sender || sender->metaObject() != &CollapsablePanel::staticMetaObject) return;
    auto* pane = static_cast<CollapsablePanel*>(sender);
    if (!pane->isCollapsed()) return;
    kit::Window* w = window();
    const auto* focus = w ? dynamic_cast<const QObject*>(w->firstResponder()) : nullptr;
    if (pane == gui_datePane)
        dpUpdatePaneText();
    else if (pane == gui_recurrencePane)
        rpUpdatePaneText();
    else if (pane == gui_locationPane)
        lpUpdatePaneText();
    else if (pane == gui_attendeesPane)
        apUpdatePaneText();
    else if (pane == gui_urlPane)
        upUpdatePaneText();
    else if (pane == gui_notesPane)
        npUpdatePaneText();
    // The keyboard does not stay in a pane that is no longer shown.
    if (focus && viewContainsElement(pane, focus)) w->makeFirstResponder(gui_title);
}

void EventConfigController::findEvent(QObject*) {
    if (!_event) return;
    MainWindowCtrl* main = MainWindowCtrl::existingWinController();
    if (!main) return;
    main->showWeekOfDay(MyDate::dateWithNSDate(_event->startDate()));
    if (auto* week = qobject_cast<WeekView*>(main->currentWeekView()))
        week->highlightCalEvent(_event);
}
