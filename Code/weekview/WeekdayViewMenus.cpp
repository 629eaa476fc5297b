// Right clicks on a day column: the column passes them to the week view,
// which owns the menus, and says which day they are for.

#include "data/PrefGroups.h"
#include "data/appPref.h"
#include "platform/foundation/Defaults.h"
#include "platform/kit/Event.h"
#include "weekview/WDHeaderView.h"
#include "weekview/WeekView.h"
#include "weekview/WeekdayView.h"

QMenu* WeekdayView::menuForEvent(const kit::Event& event) {
    auto* week = qobject_cast<WeekView*>(superview());
    if (!week) return nullptr;
    appPref prefs =
        appPref::fromMap(foundation::Defaults::standard().dictionaryForKey(PrefGroups::weekView));
    if (prefs.boolForKey(QStringLiteral("Rightclick Performs Select")))
        if (EventDayPtr hit =
                eventAtLocation(convertPointFromView(event.locationInWindow(), nullptr)))
            selectEvent(hit);
    return week->menuForEvent(event);
}

QMenu* WeekdayView::titleMenuForEvent(const kit::Event& event) {
    auto* week = qobject_cast<WeekView*>(superview());
    return week ? week->titleMenuForEvent(event) : nullptr;
}

QMenu* WDHeaderView::menuForEvent(const kit::Event& event) {
    auto* column = qobject_cast<WeekdayView*>(wdv_);
    return column ? column->titleMenuForEvent(event) : nullptr;
}
