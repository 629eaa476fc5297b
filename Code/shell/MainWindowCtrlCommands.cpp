// The main window's commands: the enabling of the toolbar and menu items, the
// toolbar actions and menu commands forwarded to the views, the Add menu built
// from the calendar groups, and printing the week.

#include "shell/MainWindowCtrl.h"

#include "data/CalendarSources.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/kit/PageLayout.h"
#include "platform/kit/Perform.h"
#include "platform/kit/PrintInfo.h"
#include "platform/kit/PrintOperation.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/ToolbarItem.h"
#include "shell/AppDelegate.h"

using foundation::localized;
using foundation::log;

namespace {

QString localGroupName() {
    return localized(QStringLiteral("csCalendarGroupNameLocal"), QStringLiteral("Local"));
}

}  // namespace

// -- Enabling

bool MainWindowCtrl::weekViewCanCreateNewEvent() const {
    return kit::performReturning<bool>(currentWeekView(), "canCreateNewEvent").value_or(false);
}

bool MainWindowCtrl::validateToolbarItem(QObject* object) {
    auto* item = qobject_cast<kit::ToolbarItem*>(object);
    if (!item) return false;
    const QString id = item->itemIdentifier();
    if (id == QLatin1String("TBToday")) return true;
    if (id == QLatin1String("TBYear")) return weekViewVisible();
    if (id == QLatin1String("TBWeek")) return yearViewVisible();
    if (id == QLatin1String("TBEdit") || id == QLatin1String("TBInfo")) return hasFocus();
    if (id == QLatin1String("TBNewEvent")) return weekViewCanCreateNewEvent();
    return id == QLatin1String("TBNewCal") || id == QLatin1String("TBPrefs") ||
           id == QLatin1String("TBFind") || id == QLatin1String("TBPrint");
}

bool MainWindowCtrl::validateMenuItem(QObject* object) {
    auto* item = qobject_cast<kit::MenuItem*>(object);
    if (!item) return false;
    switch (item->tag()) {
        case kTagInformation:
        case kTagEdit:
            return hasFocus();
        case kTagNextYear:
        case kTagPrevYear:
            return yearViewVisible();
        case kTagNextWeek:
        case kTagPrevWeek:
            return weekViewVisible();
        case kTagNewEvent:
            return weekViewCanCreateNewEvent();
        case kTagToggleToolbar: {
            kit::Toolbar* toolbar = window() ? window()->toolbar() : nullptr;
            const bool shown = toolbar && toolbar->isVisible();
            item->setTitle(
                shown ? localized(QStringLiteral("mmHideToolbar"), QStringLiteral("Hide Toolbar"))
                      : localized(QStringLiteral("mmShowToolbar"), QStringLiteral("Show Toolbar")));
            return toolbar != nullptr;
        }
        default:
            return true;
    }
}

kit::MenuItem* MainWindowCtrl::menuItemWithTag(int tag) const {
    std::function<kit::MenuItem*(const kit::Menu*)> search = [&](const kit::Menu* menu) {
        for (kit::MenuItem* item : menu->itemArray()) {
            if (item->tag() == tag) return item;
            if (const kit::Menu* sub = item->submenu())
                if (kit::MenuItem* found = search(sub)) return found;
        }
        return static_cast<kit::MenuItem*>(nullptr);
    };
    return mainMenu_ ? search(mainMenu_.get()) : nullptr;
}

// -- Toolbar actions

void MainWindowCtrl::toolbarNewCalendar(QObject*) {
    kit::perform(gui_calSourceView.data(), "cmiNewCalendar", static_cast<QObject*>(this));
}

void MainWindowCtrl::toolbarNewEvent(QObject*) {
    kit::perform(currentWeekView(), "createNewEvent");
}

void MainWindowCtrl::toolbarShowToday(QObject*) {
    const MyDatePtr now = MyDate::date();
    ensureYearIsShown(now->yearNum());
    if (yearViewVisible())
        kit::perform(gui_calYearScroller.data(), "moveViewsToYear", now->yearNum());
    if (weekViewVisible()) showWeekOfDay(now);
}

void MainWindowCtrl::toolbarGotoWeek(QObject* sender) {
    kit::perform(gui_calYearScroller.data(), "showWeekView", sender);
}

void MainWindowCtrl::toolbarGotoYear(QObject* sender) {
    kit::perform(gui_calYearScroller.data(), "showYearView", sender);
}

void MainWindowCtrl::toolbarInfo(QObject* sender) {
    menuCommandInformation(sender);
}

void MainWindowCtrl::toolbarEdit(QObject* sender) {
    menuCommandEdit(sender);
}

void MainWindowCtrl::toolbarPreferences(QObject* sender) {
    if (AppDelegate* app = AppDelegate::obj()) app->menuPreferences(sender);
}

void MainWindowCtrl::toolbarFind(QObject*) {
    if (const auto& find = services().showFindPanel) find();
}

void MainWindowCtrl::toolbarPrint(QObject* sender) {
    menuCommandPrint(sender);
}

// -- Menu commands

void MainWindowCtrl::menuCommandNewEvent(QObject*) {
    kit::perform(currentWeekView(), "createNewEvent");
}

void MainWindowCtrl::menuCommandNewCalendar(QObject* sender) {
    // Only a plain menu item of the Add menu names a group.
    if (!sender || sender->metaObject() != &kit::MenuItem::staticMetaObject) return;
    const QString group = calendarGroupNameForMenuItem(static_cast<kit::MenuItem*>(sender));
    if (group.isEmpty()) return;
    if (group == localGroupName())
        kit::perform(gui_calSourceView.data(), "cmiNewCalendar", sender);
    else
        log(QStringLiteral("not yet supported: add calendar via CalDAV"));
}

void MainWindowCtrl::menuCommandNewMarker(QObject* sender) {
    kit::perform(gui_calSourceView.data(), "cmiNewMarker", sender);
}

void MainWindowCtrl::menuCommandReloadData(QObject*) {
    kit::View* page = currentYearView();
    if (!page) return;
    kit::perform(page, "invalidateEvents");
    showProgressView();
    if (const auto& redraw = services().setViewsToRedraw) redraw(1);
    if (const auto& populate = services().startPopulatingView) populate(page);
    hideProgressView();
}

void MainWindowCtrl::menuCommandCheckConsistency(QObject*) {
    if (const auto& check = services().removeOrphanedMarks) check();
}

void MainWindowCtrl::menuCommandPageSetup(QObject*) {
    log(QStringLiteral("page setup!"));
    kit::PageLayout::runModalWithSharedPrintInfo();
}

// The week is printed from a print view of its own, rendered at a large size
// and scaled to fit one landscape page.
void MainWindowCtrl::menuCommandPrint(QObject*) {
    const QSizeF paper = kit::PrintInfo::shared().paperSize();
    log(foundation::format("print! %.1f x %.1f", paper.width(), paper.height()));
    const auto& makePrintView = services().printViewForWeekView;
    kit::View* week = currentWeekView();
    kit::View* printView =
        makePrintView && week ? makePrintView(week, QSizeF(2400, 1700)) : nullptr;
    if (!printView) {
        log(QStringLiteral("oops, no week view to print"));
        return;
    }
    QPointer<kit::View> guard(printView);
    kit::perform(printView, "openCacheWin");
    kit::perform(printView, "loadCacheImage");
    kit::perform(printView, "adjustSizeTo", paper);

    kit::PrintOperation operation(printView);
    kit::PrintInfo info = operation.printInfo();
    info.setHorizontalPagination(kit::PrintInfo::Pagination::Fit);
    info.setVerticalPagination(kit::PrintInfo::Pagination::Fit);
    info.setHorizontallyCentered(true);
    info.setVerticallyCentered(true);
    info.setOrientation(kit::PrintInfo::Orientation::Landscape);
    operation.setPrintInfo(info);
    operation.runOperation();

    if (guard) {
        kit::perform(guard, "purgeCacheImage");
        guard->deleteLater();
    }
}

// The focus controller answers for its focus object. A controller whose
// operation does not take the object as it is stored is given none.
void MainWindowCtrl::performOnFocus(const char* name) {
    if (!hasFocus()) return;
    QPointer<QObject> controller = currentController;
    if (!kit::perform(controller, name, currentObject) && controller)
        kit::perform(controller, name, QVariant());
}

void MainWindowCtrl::menuCommandEdit(QObject*) {
    performOnFocus("menuCommandEdit");
}

void MainWindowCtrl::menuCommandInformation(QObject*) {
    performOnFocus("menuCommandInformation");
}

void MainWindowCtrl::menuCommandFind(QObject*) {
    if (const auto& find = services().showFindPanel) find();
}

void MainWindowCtrl::menuCommandShowWeek(QObject* sender) {
    kit::perform(gui_calYearScroller.data(), "showWeekView", sender);
}

void MainWindowCtrl::menuCommandShowYear(QObject* sender) {
    kit::perform(gui_calYearScroller.data(), "showYearView", sender);
}

void MainWindowCtrl::menuCommandWeek5Day(QObject* sender) {
    kit::perform(gui_calYearScroller.data(), "ensureWeekViewVisibility");
    kit::perform(currentWeekView(), "cmiShow5dayWeek", sender);
}

void MainWindowCtrl::menuCommandWeek7Day(QObject* sender) {
    kit::perform(gui_calYearScroller.data(), "ensureWeekViewVisibility");
    kit::perform(currentWeekView(), "cmiShow7dayWeek", sender);
}

void MainWindowCtrl::menuCommandWeekNext5(QObject* sender) {
    kit::perform(gui_calYearScroller.data(), "ensureWeekViewVisibility");
    kit::perform(currentWeekView(), "cmiShowNext5Days", sender);
}

void MainWindowCtrl::menuCommandWeekNext7(QObject* sender) {
    kit::perform(gui_calYearScroller.data(), "ensureWeekViewVisibility");
    kit::perform(currentWeekView(), "cmiShowNext7Days", sender);
}

void MainWindowCtrl::menuCommandGotoToday(QObject*) {
    const MyDatePtr now = MyDate::date();
    kit::perform(gui_calYearScroller.data(), "moveViewsToYear", now->yearNum());
    kit::perform(currentWeekView(), "fastMoveToWeekOf", now);
}

int MainWindowCtrl::shownYear() const {
    if (auto year = kit::performReturning<int>(currentYearView(), "year")) return *year;
    return MyDate::date()->yearNum();
}

void MainWindowCtrl::menuCommandNextYear(QObject*) {
    kit::Responder* first = window() ? window()->firstResponder() : nullptr;
    QObject* object = first ? first->responderObject() : nullptr;
    log(QStringLiteral("first responder: %1")
            .arg(object ? QString::fromLatin1(object->metaObject()->className())
                        : QStringLiteral("(null)")));
    kit::perform(gui_calYearScroller.data(), "moveViewsToYear", shownYear() + 1);
}

void MainWindowCtrl::menuCommandPrevYear(QObject*) {
    kit::perform(gui_calYearScroller.data(), "moveViewsToYear", shownYear() - 1);
}

void MainWindowCtrl::menuCommandNextWeek(QObject*) {
    kit::View* week = currentWeekView();
    const auto reference = kit::performReturning<MyDatePtr>(week, "referenceDate");
    if (reference && *reference)
        kit::perform(week, "moveToWeekOf", (*reference)->dateByAddingYearsMonthsDays(0, 0, 7));
}

void MainWindowCtrl::menuCommandPrevWeek(QObject*) {
    kit::View* week = currentWeekView();
    const auto reference = kit::performReturning<MyDatePtr>(week, "referenceDate");
    if (reference && *reference)
        kit::perform(week, "moveToWeekOf", (*reference)->dateByAddingYearsMonthsDays(0, 0, -7));
}

void MainWindowCtrl::menuCommandCustYearView(QObject* sender) {
    kit::perform(gui_calYearScroller.data(), "cmiCustomizeView", sender);
}

void MainWindowCtrl::menuCommandCustWeekView(QObject* sender) {
    kit::perform(currentWeekView(), "cmiCustomizeView", sender);
}

// -- Add menu

// One item per known calendar group, standing for its group by its
// represented object; only the local group can take a new calendar here.
void MainWindowCtrl::updateAddMenuWithCalendarGroups() {
    kit::Menu* menu = gui_mainMenuAddMenu;
    if (!menu) return;
    menu->removeAllItems();
    AppDelegate* app = AppDelegate::obj();
    addCalendarGroupItemsToMenu(menu, app ? app->calendarSources.get() : nullptr, this,
                                "menuCommandNewCalendar");
}

void MainWindowCtrl::addCalendarGroupItemsToMenu(kit::Menu* menu, const CalendarSources* sources,
                                                 QObject* target, const QByteArray& action) {
    if (!menu || !sources) return;
    const QString local = localGroupName();
    const QString prefix = localized(QStringLiteral("csMainMenuAddCalendarPrefixGroup"), QString());
    for (const QString& group : sources->knownCalendarGroupNames()) {
        auto* item = new kit::MenuItem(QStringLiteral("%1 %2...").arg(prefix, group));
        item->setTag(kTagAddCalendarGroup);
        item->setRepresentedObject(group);
        if (group == local) {
            item->setTarget(target);
            item->setAction(action);
        }
        menu->addItem(item);
    }
}

QString MainWindowCtrl::calendarGroupNameForMenuItem(const kit::MenuItem* item) {
    if (!item || item->tag() != kTagAddCalendarGroup) return QString();
    return item->representedObject().toString();
}
