// The week view's two context menus (the event menu over the hours, the title
// menu over a day's title), the show toggles and display-mode commands, the
// commands on the selected event and the jobs on the clicked day.

#include "weekview/WeekView.h"

#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "data/PrefGroups.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Localized.h"
#include "platform/kit/Event.h"
#include "platform/kit/Perform.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "weekview/WeekdayView.h"
#include "yearview/YearView.h"
#include "yearview/YearViewScroller.h"

namespace {

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key), QString());
}

std::shared_ptr<CalendarSources> calendarSources() {
    AppDelegate* app = AppDelegate::obj();
    return app ? app->calendarSources : nullptr;
}

// Only a plain menu item (no subclass, no other sender) names a marker or a
// calendar.
kit::MenuItem* plainMenuItem(QObject* sender) {
    return sender && sender->metaObject() == &kit::MenuItem::staticMetaObject
               ? static_cast<kit::MenuItem*>(sender)
               : nullptr;
}

struct ShowToggle {
    int tag;
    const char* key;       // title
    const char* fallback;  // title when the table has none
    const char* action;
    const char* setting;
};

const ShowToggle kShowToggles[] = {
    {WeekView::kTagShowColors, "wvcmShowColors", "Calendar Colors", "cmiShowColors",
     "Event Use CalendarColor"},
    {WeekView::kTagShowRelativeWeeks, "wvcmShowRelativeWeeks", "Show Weeks of the Year",
     "cmiShowRelativeWeeks", "Show RelativeInYear"},
    {WeekView::kTagShowHolidays, "wvcmShowHolidays", "Show Holidays", "cmiShowHolidays",
     "Show Holidays"},
    {WeekView::kTagShowBirthdays, "wvcmShowBirthdays", "Show Birthdays", "cmiShowBirthdays",
     "Show Birthdays"},
};

struct ModeItem {
    int mode;
    const char* key;
    const char* fallback;
    const char* action;
};

const ModeItem kModeItems[] = {
    {WeekView::kWeek7Day, "wvcmShow7dayWeek", "Whole Week", "cmiShow7dayWeek"},
    {WeekView::kWeek5Day, "wvcmShow5dayWeek", "Monday to Friday", "cmiShow5dayWeek"},
    {WeekView::kNext7Days, "wvcmShowNext7Days", "Next Seven Days", "cmiShowNext7Days"},
    {WeekView::kNext5Days, "wvcmShowNext5Days", "Next Five Days", "cmiShowNext5Days"},
};

}  // namespace

// -- Building the menus

void WeekView::makeContextMenus() {
    const auto addTo = [this](kit::Menu* menu, const char* key, const char* fallback,
                              const QByteArray& action, int tag) {
        kit::MenuItem* item = menu->addItemWithTitle(
            foundation::localized(QString::fromLatin1(key), QString::fromUtf8(fallback)), action);
        if (!action.isEmpty()) item->setTarget(this);
        item->setTag(tag);
        return item;
    };

    delete gui_contextMenu_.data();
    auto* events = new kit::Menu();
    events->setParent(this, events->windowFlags());
    events->setDelegate(this);
    for (const ShowToggle& toggle : kShowToggles)
        addTo(events, toggle.key, toggle.fallback, toggle.action, toggle.tag);
    addTo(events, "wvcmCustomizeView", "Customize Week View…", "cmiCustomizeView",
          kTagCustomizeView);
    events->addItem(kit::MenuItem::separatorItem());
    // The edit and delete items come in here while an event is selected.
    for (const ModeItem& mode : kModeItems)
        gui_mi_[mode.mode - 1] =
            addTo(events, mode.key, mode.fallback, mode.action, kTagMode7Day - 1 + mode.mode);
    gui_contextMenu_ = events;

    delete gui_contextMenuForTitle_.data();
    auto* title = new kit::Menu();
    title->setParent(this, title->windowFlags());
    gui_addNotes_ = addTo(title, "wvcmAddNotes", "Add Notes…", "cmiAddOrEditNote", kTagAddNotes);
    addTo(title, "wvcmAddFulldayEvent", "New All-Day Event", "cmiAddFulldayEvent", kTagAddFullday);
    title->addItem(kit::MenuItem::separatorItem());
    gui_markDays_ = addTo(title, "wvcmMarkAs", "Mark As", QByteArray(), kTagMarkDays);
    title->setSubmenuForItem(new kit::Menu(gui_markDays_->title()), gui_markDays_);
    addTo(title, "wvcmRemoveMarks", "Remove All Marks", "cmiRemoveAllMarks", kTagRemoveMarks);
    title->addItem(kit::MenuItem::separatorItem());
    gui_remFromCals_ =
        addTo(title, "wvcmDeleteEvents", "Delete Events", QByteArray(), kTagRemFromCals);
    title->setSubmenuForItem(new kit::Menu(gui_remFromCals_->title()), gui_remFromCals_);
    gui_contextMenuForTitle_ = title;

    // The items show the stored settings (a view made for a mode change has
    // not read them yet).
    appPref stored =
        appPref::fromMap(foundation::Defaults::standard().dictionaryForKey(PrefGroups::weekView));
    for (const ShowToggle& toggle : kShowToggles)
        if (kit::MenuItem* item = showToggleItem(toggle.tag))
            item->setState(stored.boolForKey(QString::fromLatin1(toggle.setting))
                               ? kit::MenuItem::On
                               : kit::MenuItem::Off);
    checkModeItems();
}

// The notes item needs a column that can edit its day's notes.
bool WeekView::validateMenuItem(QObject* object) {
    auto* item = qobject_cast<kit::MenuItem*>(object);
    if (!item) return false;
    if (item->tag() == kTagAddNotes) return kit::respondsTo(clickedDay(), "addOrEditNote");
    return true;
}

kit::MenuItem* WeekView::showToggleItem(int tag) const {
    return gui_contextMenu_ ? gui_contextMenu_->itemWithTag(tag) : nullptr;
}

WeekdayView* WeekView::clickedDay() const {
    return qobject_cast<WeekdayView*>(clickedDay_.data());
}

// -- Opening the menus

QMenu* WeekView::menuForEvent(const kit::Event& event) {
    if (!gui_contextMenu_) return nullptr;
    clickedDay_ = weekdayViewAtMouseX(convertPointFromView(event.locationInWindow(), nullptr).x());
    return gui_contextMenu_;
}

QMenu* WeekView::titleMenuForEvent(const kit::Event& event) {
    if (!gui_contextMenuForTitle_) return nullptr;
    WeekdayView* column =
        weekdayViewAtMouseX(convertPointFromView(event.locationInWindow(), nullptr).x());
    clickedDay_ = column;
    if (gui_addNotes_)
        gui_addNotes_->setTitle(column && column->hasNotes2()
                                    ? foundation::localized(QStringLiteral("wvcmEditNotes"),
                                                            QStringLiteral("Edit Notes…"))
                                    : foundation::localized(QStringLiteral("wvcmAddNotes"),
                                                            QStringLiteral("Add Notes…")));
    const auto sources = calendarSources();
    if (gui_markDays_ && gui_markDays_->submenu()) {
        YearViewScroller::fillMarkMenu(gui_markDays_->submenu(), markStateOfDay(column), this,
                                       "cmiMarkDayAs");
        gui_markDays_->setEnabled(sources && !sources->configuredMarkerNames().isEmpty());
    }
    if (gui_remFromCals_ && gui_remFromCals_->submenu()) {
        YearViewScroller::fillDeleteMenu(gui_remFromCals_->submenu(), this, "cmiDeleteAllEvents",
                                         kTagDeleteFromAll);
        gui_remFromCals_->setEnabled(true);
    }
    return gui_contextMenuForTitle_;
}

QVariantMap WeekView::markStateOfDay(WeekdayView* column) const {
    QVariantMap states;
    const auto sources = calendarSources();
    const YearViewCellPtr cell = column ? column->dataCell() : nullptr;
    if (!cell || !sources) return states;
    const YearViewCell::EventListPtr list = cell->events();
    if (!list) return states;
    for (const EventDayPtr& entry : *list) {
        if (!entry || !entry->fulldayEvent() || !entry->isMark()) continue;
        if (const EMarkerPtr marker = sources->markerWithUID(entry->markerID()))
            states.insert(marker->uID(), 1);
    }
    return states;
}

// The event menu offers Edit and Delete exactly while an event is selected.
void WeekView::menuWillOpen(QObject* object) {
    kit::Menu* menu = gui_contextMenu_;
    if (!menu || object != menu) return;
    const int at = menu->indexOfItemWithTag(kTagEditEvent);
    if (selection_ && at < 0) {
        auto* separator = kit::MenuItem::separatorItem();
        separator->setTag(kTagEventItemsSeparator);
        menu->insertItemAtIndex(separator, kEventItemsIndex);
        const auto insert = [&](const char* key, const char* fallback, const QByteArray& action,
                                int tag) {
            auto* item = new kit::MenuItem(
                foundation::localized(QString::fromLatin1(key), QString::fromUtf8(fallback)),
                action);
            item->setTarget(this);
            item->setTag(tag);
            menu->insertItemAtIndex(item, kEventItemsIndex);
        };
        insert("wvcmDeleteEvent", "Delete Event", "cmiDeleteEvent", kTagDeleteEvent);
        insert("wvcmEditEvent", "Edit Event…", "cmiEditEvent", kTagEditEvent);
    } else if (!selection_ && at >= 0) {
        for (int i = 0; i < 3; ++i) menu->removeItemAtIndex(at);
    }
}

// -- Show toggles

// The group is read afresh and written back whole, so that the settings
// changed elsewhere are kept.
void WeekView::toggleShowSetting(int tag, const QString& key) {
    kit::MenuItem* item = showToggleItem(tag);
    const bool value = item ? item->state() != kit::MenuItem::On : !prefs_.boolForKey(key);
    auto& defaults = foundation::Defaults::standard();
    QVariantMap group = defaults.dictionaryForKey(PrefGroups::weekView);
    group.insert(key, value);
    defaults.setObject(PrefGroups::weekView, group);
    prefs_ = appPref::fromMap(group);
    if (item) item->setState(prefs_.boolForKey(key) ? kit::MenuItem::On : kit::MenuItem::Off);
    WeekdayView::updatePreferences();
}

void WeekView::cmiShowColors(QObject*) {
    toggleShowSetting(kTagShowColors, QStringLiteral("Event Use CalendarColor"));
    forcedRedraw();
}

void WeekView::cmiShowRelativeWeeks(QObject*) {
    const QString key = QStringLiteral("Show RelativeInYear");
    toggleShowSetting(kTagShowRelativeWeeks, key);
    showRelativeInYear_ = prefs_.boolForKey(key);
    repositionViewsDuringResize();
    forcedRedraw();
    activateCalWeekHover();
}

void WeekView::cmiShowHolidays(QObject*) {
    toggleShowSetting(kTagShowHolidays, QStringLiteral("Show Holidays"));
    forcedRedraw();
}

void WeekView::cmiShowBirthdays(QObject*) {
    toggleShowSetting(kTagShowBirthdays, QStringLiteral("Show Birthdays"));
    forcedRedraw();
}

// -- Display modes

void WeekView::checkModeItems() {
    for (int mode = kWeek7Day; mode <= kNext5Days; ++mode) {
        const int state = mode == displayMode_ ? kit::MenuItem::On : kit::MenuItem::Off;
        if (kit::MenuItem* item = gui_mainmiItem(mode)) item->setState(state);
        if (kit::MenuItem* item = gui_miItem(mode)) item->setState(state);
    }
}

void WeekView::writeDisplayMode() {
    auto& defaults = foundation::Defaults::standard();
    QVariantMap group = defaults.dictionaryForKey(PrefGroups::weekView);
    group.insert(QStringLiteral("Display Mode"), displayMode_);
    defaults.setObject(PrefGroups::weekView, group);
    prefs_ = appPref::fromMap(group);
}

// The new view takes this one's place; this one is dropped after the command
// that asked for the change has returned.
void WeekView::switchToDisplayMode(int mode) {
    const kit::MenuItem* item = gui_miItem(mode);
    if (item ? item->state() == kit::MenuItem::On : displayMode_ == mode) return;
    selectEvent(nullptr);
    displayMode_ = mode;
    checkModeItems();
    writeDisplayMode();
    changeDisplayMode();
    WeekdayView::updatePreferences();
}

void WeekView::cmiShow7dayWeek(QObject*) {
    switchToDisplayMode(kWeek7Day);
}
void WeekView::cmiShow5dayWeek(QObject*) {
    switchToDisplayMode(kWeek5Day);
}
void WeekView::cmiShowNext7Days(QObject*) {
    switchToDisplayMode(kNext7Days);
}
void WeekView::cmiShowNext5Days(QObject*) {
    switchToDisplayMode(kNext5Days);
}

void WeekView::nextDisplayMode() {
    selectEvent(nullptr);
    displayMode_ = displayMode_ + 1;
    if (displayMode_ > kNext5Days || displayMode_ < kWeek7Day) displayMode_ = kWeek7Day;
    checkModeItems();
    writeDisplayMode();
    changeDisplayMode();
    WeekdayView::updatePreferences();
}

// -- The selected event

bool WeekView::canActOnSelection() const {
    return selection_ && !selection_->isMark() && frame().height() >= kMinFullHeight;
}

void WeekView::clearFocus() {
    if (MainWindowCtrl* ctrl = MainWindowCtrl::existingWinController())
        ctrl->setCurrentGlobalObjectWithController(QVariant(), nullptr);
}

void WeekView::cmiEditEvent(QObject*) {
    if (!selection_ || selection_->isMark() || !selection_->event()) return;
    const Services& s = services();
    if (!s.controllerForEvent || !s.showWindow) return;
    if (QObject* editor = s.controllerForEvent(selection_->event())) s.showWindow(editor, this);
}

void WeekView::cmiDeleteEvent(QObject*) {
    if (!selection_) return;
    if (const auto& sheet = services().eventDeleteSheet) sheet(this, selection_);
}

void WeekView::menuCommandEdit(const QVariant&) {
    if (canActOnSelection())
        cmiEditEvent(nullptr);
    else
        clearFocus();
}

// -- The clicked day

void WeekView::cmiAddOrEditNote(QObject*) {
    kit::perform(clickedDay(), "addOrEditNote");
}

void WeekView::cmiAddFulldayEvent(QObject*) {
    if (WeekdayView* column = clickedDay()) column->addFulldayEvent();
}

YearView* WeekView::yearPageShowingDay(const MyDatePtr& day) {
    MainWindowCtrl* ctrl = MainWindowCtrl::existingWinController();
    if (!ctrl || !day) return nullptr;
    YearView* found = nullptr;
    for (kit::View* view : {ctrl->pastYearView(), ctrl->currentYearView(), ctrl->futureYearView()})
        if (auto* page = qobject_cast<YearView*>(view); page && page->year() == day->yearNum())
            found = page;
    if (found) return found;
    ctrl->ensureYearIsShown(day->yearNum());
    found = qobject_cast<YearView*>(ctrl->currentYearView());
    return found && found->year() == day->yearNum() ? found : nullptr;
}

// The item stands for its marker by the marker's UID.
void WeekView::cmiMarkDayAs(QObject* sender) {
    kit::MenuItem* item = plainMenuItem(sender);
    WeekdayView* column = clickedDay();
    const auto sources = calendarSources();
    if (!item || !column || !column->date() || !sources) return;
    const EMarkerPtr marker = sources->markerWithUID(item->representedObject().toString());
    if (!marker) return;
    const MyDatePtr day = column->date();
    YearView* page = yearPageShowingDay(day);
    if (!page) return;
    const YearView::Services& jobs = YearView::services();
    if (item->state() == kit::MenuItem::On) {
        if (jobs.startRemovingMarksOfMarker) jobs.startRemovingMarksOfMarker(marker, {day}, page);
    } else if (jobs.startMarkingDays) {
        jobs.startMarkingDays({day}, marker, page);
    }
}

void WeekView::cmiRemoveAllMarks(QObject*) {
    WeekdayView* column = clickedDay();
    if (!column || !column->date()) return;
    YearView* page = yearPageShowingDay(column->date());
    const auto& start = YearView::services().startRemovingAllMarksFromDays;
    if (page && start) start({column->date()}, page);
}

// The item stands for its calendar by the calendar's UID, the all-calendars
// item by its tag; a UID of no calendar deletes nothing.
void WeekView::cmiDeleteAllEvents(QObject* sender) {
    kit::MenuItem* item = plainMenuItem(sender);
    WeekdayView* column = clickedDay();
    if (!item || !column || !column->date()) return;
    YearViewEventLoader::DeletionCalendars calendars;
    if (item->tag() == kTagDeleteFromAll) {
        calendars = YearViewEventLoader::DeletionCalendars::allCalendars();
    } else {
        const QString uid = item->representedObject().toString();
        const auto sources = calendarSources();
        if (uid.isEmpty() || !sources || !sources->calendarWithUID(uid)) return;
        calendars = YearViewEventLoader::DeletionCalendars::calendarWithUID(uid);
    }
    YearView* page = yearPageShowingDay(column->date());
    const auto& start = YearView::services().startDeletingEventsFromDays;
    if (page && start) start({column->date()}, calendars, page);
}
