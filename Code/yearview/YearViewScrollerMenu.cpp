// The context menu of the centre year page: the display toggles, the view's
// preferences, and while days are selected the commands on them, with the
// confirmation before the events of days are deleted.

#include "yearview/YearViewScroller.h"

#include "data/Calendar.h"
#include "data/CalendarGroup.h"
#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "data/PrefGroups.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/kit/Alert.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/Panel.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/Window.h"
#include "shell/AppDelegate.h"
#include "yearview/YearView.h"

namespace {

const QString& kYearViewPrefs = PrefGroups::yearView;

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key), QString());
}

QString formatted(const char* key, const QString& argument) {
    return foundation::formatLocalized(text(key), {argument});
}

std::shared_ptr<CalendarSources> calendarSources() {
    AppDelegate* app = AppDelegate::obj();
    return app ? app->calendarSources : nullptr;
}

}  // namespace

kit::Menu* YearViewScroller::makeContextMenu() {
    auto* menu = new kit::Menu();
    menu->setParent(this, menu->windowFlags());
    menu->setDelegate(this);
    const auto add = [&](const char* key, const char* fallback, const QByteArray& action, int tag) {
        kit::MenuItem* item = menu->addItemWithTitle(
            foundation::localized(QString::fromLatin1(key), QString::fromUtf8(fallback)), action);
        item->setTarget(this);
        item->setTag(tag);
        return item;
    };
    gui_miShowEvents = add("yvcmShowEvents", "Show Events", "cmiShowEvents", kTagShowEvents);
    gui_miColorizeEvents =
        add("yvcmColorizeEvents", "Calendar Colors", "cmiColorizeEvents", kTagColorizeEvents);
    gui_miShowHolidays =
        add("yvcmShowHolidays", "Show Holidays", "cmiShowHolidays", kTagShowHolidays);
    gui_miShowBirthdays =
        add("yvcmShowBirthdays", "Show Birthdays", "cmiShowBirthdays", kTagShowBirthdays);
    gui_miShowNotes = add("yvcmShowNotes", "Show Notes", "cmiShowNotes", kTagShowNotes);
    add("yvcmCustomizeView", "Customize Year View…", "cmiCustomizeView", kTagCustomizeView);
    return menu;
}

kit::Menu* YearViewScroller::contextMenu() const {
    return qobject_cast<kit::Menu*>(gui_contextMenu.data());
}

bool YearViewScroller::validateMenuItem(QObject* object) {
    auto* item = qobject_cast<kit::MenuItem*>(object);
    if (!item) return false;
    if (item->tag() == kTagEditNotes)
        return gui_yearView1 && gui_yearView1->canEditNotesForSelection();
    return true;
}

// -- Display toggles

// The group is read afresh, so changes made to it elsewhere are kept.
void YearViewScroller::toggleDisplaySetting(kit::MenuItem* item, const QString& key) {
    if (!item) return;
    const bool value = item->state() != kit::MenuItem::On;
    auto& defaults = foundation::Defaults::standard();
    prefs_ = defaults.dictionaryForKey(kYearViewPrefs);
    prefs_.insert(key, value);
    defaults.setObject(kYearViewPrefs, prefs_);
    const bool stored = defaults.dictionaryForKey(kYearViewPrefs).value(key).toBool();
    item->setState(stored ? kit::MenuItem::On : kit::MenuItem::Off);
    for (int slot = 0; slot < 3; ++slot)
        if (YearView* page = yearView(slot)) page->updatePreferences();
    redisplay();
}

void YearViewScroller::cmiShowEvents(QObject*) {
    toggleDisplaySetting(gui_miShowEvents, QStringLiteral("Event Show Events"));
}
void YearViewScroller::cmiColorizeEvents(QObject*) {
    toggleDisplaySetting(gui_miColorizeEvents, QStringLiteral("Event Use CalendarColor"));
}
void YearViewScroller::cmiShowHolidays(QObject*) {
    toggleDisplaySetting(gui_miShowHolidays, QStringLiteral("Show Holiday Text"));
}
void YearViewScroller::cmiShowBirthdays(QObject*) {
    toggleDisplaySetting(gui_miShowBirthdays, QStringLiteral("Show Birthdays"));
}
void YearViewScroller::cmiShowNotes(QObject*) {
    toggleDisplaySetting(gui_miShowNotes, QStringLiteral("Show Notes Hints"));
}

void YearViewScroller::cmiCustomizeView(QObject*) {
    if (const auto& show = services().showYearViewPreferences) show();
}

// -- Commands on the selected days

void YearViewScroller::cmiRemoveAllMarks(QObject*) {
    if (gui_yearView1) gui_yearView1->removeAllMarks();
}

// The item stands for its marker by the marker's UID.
void YearViewScroller::cmiMarkDaysAs(QObject* sender) {
    auto* item = qobject_cast<kit::MenuItem*>(sender);
    if (!item || !gui_yearView1) return;
    const QString uid = item->representedObject().toString();
    if (uid.isEmpty()) return;
    if (item->state() == kit::MenuItem::On)
        gui_yearView1->removeMarksOf(uid);
    else
        gui_yearView1->markSelectionAs(uid);
}

void YearViewScroller::cmiEditNotes(QObject*) {
    if (gui_yearView1) gui_yearView1->editNotesForSelection();
}

// -- Opening the menu

void YearViewScroller::fillMarkMenu(kit::Menu* submenu, const QVariantMap& states, QObject* target,
                                    const QByteArray& action) {
    submenu->removeAllItems();
    const auto sources = calendarSources();
    if (!sources) return;
    const CalendarGroupPtr group = sources->markersGroup();
    if (!group) return;
    for (const EMarkerPtr& marker : group->markers()) {
        if (!marker) continue;
        kit::MenuItem* item = submenu->addItemWithTitle(marker->title(), action);
        item->setTarget(target);
        item->setImage(marker->miniIcon());
        item->setRepresentedObject(marker->uID());
        const int state = states.value(marker->uID()).toInt();
        item->setState(state == 1    ? kit::MenuItem::On
                       : state == -1 ? kit::MenuItem::Mixed
                                     : kit::MenuItem::Off);
    }
}

// Each calendar is offered by its UID: two calendars may share a title, and a
// calendar may be titled like the "all calendars" entry.
void YearViewScroller::fillDeleteMenu(kit::Menu* submenu, QObject* target, const QByteArray& action,
                                      int allTag) {
    submenu->removeAllItems();
    kit::MenuItem* all = submenu->addItemWithTitle(text("yvcmDeleteEventsFromAll"), action);
    all->setTarget(target);
    all->setTag(allTag);
    const auto sources = calendarSources();
    if (!sources) return;
    for (const CalendarPtr& calendar : sources->allCalendars()) {
        if (!calendar) continue;
        kit::MenuItem* item = submenu->addItemWithTitle(calendar->title(), action);
        item->setTarget(target);
        item->setRepresentedObject(calendar->uid());
        item->setImage(calendar->miniIcon());
    }
}

void YearViewScroller::menuWillOpen(QObject* object) {
    auto* menu = qobject_cast<kit::Menu*>(object);
    if (!menu || menu != contextMenu()) return;
    const int n = gui_yearView1 ? gui_yearView1->numberOfSelectedDays() : 0;
    if (n == 0) {
        // The separators go with the item in front of them.
        if (kit::MenuItem* item = menu->itemWithTag(kTagEditNotes)) menu->removeItem(item);
        if (const int p = menu->indexOfItemWithTag(kTagMarkAs); p >= 0)
            for (int i = 0; i < 3; ++i) menu->removeItemAtIndex(p);
        if (const int p = menu->indexOfItemWithTag(kTagDeleteEvents); p >= 0)
            for (int i = 0; i < 2; ++i) menu->removeItemAtIndex(p);
        return;
    }

    const QVariantMap states = gui_yearView1->markStateOfSelection();
    const auto sources = calendarSources();
    const bool anyMarker = sources && !sources->configuredMarkerNames().isEmpty();
    const auto newItem = [this](const char* key, const QByteArray& action, int tag) {
        auto* item = new kit::MenuItem(text(key), action);
        if (!action.isEmpty()) item->setTarget(this);
        item->setTag(tag);
        return item;
    };

    kit::MenuItem* markAs = menu->itemWithTag(kTagMarkAs);
    if (!markAs) {
        kit::MenuItem* separator = kit::MenuItem::separatorItem();
        separator->setTag(kTagMarkSeparator);
        menu->insertItemAtIndex(separator, kSelectionBlockIndex);
        menu->insertItemAtIndex(newItem("yvcmRemoveMarks", "cmiRemoveAllMarks", kTagRemoveMarks),
                                kSelectionBlockIndex);
        markAs = newItem("yvcmMarkAs", QByteArray(), kTagMarkAs);
        menu->insertItemAtIndex(markAs, kSelectionBlockIndex);
    }
    if (!markAs->submenu()) markAs->setSubmenu(new kit::Menu(text("yvcmMarkAs")));
    fillMarkMenu(markAs->submenu(), states, this, "cmiMarkDaysAs");
    markAs->setEnabled(anyMarker);

    kit::MenuItem* editNotes = menu->itemWithTag(kTagEditNotes);
    if (n == 1 && !editNotes)
        menu->insertItemAtIndex(newItem("yvcmEditNotes", "cmiEditNotes", kTagEditNotes),
                                kSelectionBlockIndex);
    else if (n > 1 && editNotes)
        menu->removeItem(editNotes);

    kit::MenuItem* deleteItem = menu->itemWithTag(kTagDeleteEvents);
    if (!deleteItem) {
        // Right after the mark items and their separator.
        const int at = menu->indexOfItemWithTag(kTagRemoveMarks) + 2;
        kit::MenuItem* separator = kit::MenuItem::separatorItem();
        separator->setTag(kTagDeleteSeparator);
        menu->insertItemAtIndex(separator, at);
        deleteItem = newItem("yvcmDeleteEvents", QByteArray(), kTagDeleteEvents);
        menu->insertItemAtIndex(deleteItem, at);
    }
    if (!deleteItem->submenu()) deleteItem->setSubmenu(new kit::Menu(text("yvcmDeleteEvents")));
    fillDeleteMenu(deleteItem->submenu(), this, "cmiDeleteEventsFrom", kTagDeleteFromAll);
    deleteItem->setEnabled(true);
}

// -- Deleting the events of the selected days

void YearViewScroller::cmiDeleteEventsFrom(QObject* sender) {
    auto* item = qobject_cast<kit::MenuItem*>(sender);
    if (!item || gui_deleteEventsSheet) return;
    if (const auto& close = YearView::services().dayPopupCloseWindow) close(gui_yearView1);
    QString phrase;
    if (item->tag() == kTagDeleteFromAll) {
        selectedCalendar = YearViewEventLoader::DeletionCalendars::allCalendars();
        phrase = text("eventsDeleteSheetAllCalendars");
    } else {
        const QString uid = item->representedObject().toString();
        const auto sources = calendarSources();
        const CalendarPtr calendar = sources ? sources->calendarWithUID(uid) : nullptr;
        if (!calendar) return;
        selectedCalendar = YearViewEventLoader::DeletionCalendars::calendarWithUID(uid);
        phrase = formatted("eventsDeleteSheetCalendar", calendar->title());
    }
    deleteEventsText_ = formatted("eventsDeleteSheetText", phrase);

    kit::Window* host = window();
    if (!host) return;
    gui_deleteEventsSheet = std::make_unique<kit::Alert>();
    gui_deleteEventsSheet->setMessageText(deleteEventsText_);
    gui_deleteEventsSheet->addButtonWithTitle(text("eventsDeleteSheetDelete"));
    gui_deleteEventsSheet->addButtonWithTitle(text("eventsDeleteSheetCancel"));
    const bool begun = gui_deleteEventsSheet->beginSheetModalForWindow(
        host, [this](int code) { deleteEventsDidEnd(code); });
    if (!begun) gui_deleteEventsSheet.reset();
}

void YearViewScroller::deleteEventsOk(QObject*) {
    if (gui_deleteEventsSheet)
        kit::Sheet::endSheet(gui_deleteEventsSheet->window(), kit::Alert::FirstButtonReturn);
}

void YearViewScroller::deleteEventsCancel(QObject*) {
    if (gui_deleteEventsSheet)
        kit::Sheet::endSheet(gui_deleteEventsSheet->window(), kit::Alert::SecondButtonReturn);
}

// Deletes from the days selected now, in the calendars the sheet named.
void YearViewScroller::deleteEventsDidEnd(int returnCode) {
    if (returnCode == kit::Alert::FirstButtonReturn && gui_yearView1)
        gui_yearView1->deleteEventsFromCalendar(selectedCalendar);
    // The alert may still be on the stack that ended it.
    if (gui_deleteEventsSheet) gui_deleteEventsSheet.release()->deleteLater();
}
