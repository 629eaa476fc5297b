#include "sources/FindPanelController.h"

#include "data/Calendar.h"
#include "data/CalendarSources.h"
#include "data/MyDate.h"
#include "data/PrefGroups.h"
#include "data/YearViewEventLoader.h"
#include "events/EventHoverController.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/foundation/MainThreadObserver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Image.h"
#include "platform/kit/ImageCell.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TableColumn.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "shell/CollapsablePanel.h"
#include "shell/HoverPanels.h"
#include "shell/MainWindowCtrl.h"
#include "sources/FindPanelScroller.h"
#include "yearview/YearView.h"
#include "yearview/YearViewModel.h"

#include <QTimer>

namespace {

FindPanelController* FP_sharedWinController = nullptr;

constexpr double kWidth = 520;
constexpr double kHeight = 620;
constexpr double kPaneContentHeight = 150;  // quick mode

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

const QString kFieldKeys[5] = {EventFinder::kSearchInTitle, EventFinder::kSearchInLocation,
                               EventFinder::kSearchInAttendees, EventFinder::kSearchInNotes,
                               EventFinder::kSearchInUid};
const QString kFilterKeys[3] = {EventFinder::kFilterForEventType,
                                EventFinder::kFilterForRecurrenceType,
                                EventFinder::kFilterForCalendar};

std::shared_ptr<CalendarSources> model() {
    return YearViewEventLoader::calendarSources();
}

}  // namespace

FindPanelController* FindPanelController::sharedWinController() {
    if (!FP_sharedWinController) new FindPanelController();
    FP_sharedWinController->window();  // the window is always loaded
    return FP_sharedWinController;
}

FindPanelController* FindPanelController::existingWinController() {
    return FP_sharedWinController;
}

void FindPanelController::resetSharedWinController() {
    delete FP_sharedWinController;
}

void FindPanelController::installEntries() {
    MainWindowCtrl::changeServices([](MainWindowCtrl::Services& window) {
        window.showFindPanel = [] { sharedWinController()->showWindow(); };
    });
    EventFinder::setYearPagesProvider([] {
        std::vector<YearViewTargetPtr> pages;
        MainWindowCtrl* main = MainWindowCtrl::existingWinController();
        if (!main) return pages;
        for (kit::View* view :
             {main->pastYearView(), main->currentYearView(), main->futureYearView()})
            if (auto* page = qobject_cast<YearView*>(view)) pages.push_back(page->model());
        return pages;
    });
}

FindPanelController::FindPanelController() : finder_(EventFinder::sharedEventFinder()) {
    if (!FP_sharedWinController) FP_sharedWinController = this;
    finder_->setController(this);
    deleter_ = [](const EventDayPtr& entry) { return YearViewEventLoader::deleteEvent(entry); };
}

FindPanelController::~FindPanelController() {
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
    finder_->cancel();
    finder_->setController(nullptr);
    if (gui_deleteSheet && kit::Sheet::sheetParent(gui_deleteSheet))
        kit::Sheet::endSheet(gui_deleteSheet);
    delete gui_deleteSheet;
    if (FP_sharedWinController == this) FP_sharedWinController = nullptr;
}

// --- Interface ------------------------------------------------------------------------

kit::Button* FindPanelController::fieldCheckbox(int index) const {
    const QPointer<kit::Button> boxes[5] = {gui_sfieldTitle, gui_sfieldLocation,
                                            gui_sfieldAttendees, gui_sfieldNotes, gui_sfieldUid};
    return index >= 0 && index < 5 ? boxes[index].data() : nullptr;
}

kit::Button* FindPanelController::filterCheckbox(int index) const {
    const QPointer<kit::Button> boxes[3] = {gui_sfilterType, gui_sfilterRecurrence,
                                            gui_sfilterCalendar};
    return index >= 0 && index < 3 ? boxes[index].data() : nullptr;
}

kit::PopUpButton* FindPanelController::filterPopUp(int index) const {
    const QPointer<kit::PopUpButton> pops[3] = {gui_sfilterTypeSelect, gui_sfilterRecurrenceSelect,
                                                gui_sfilterCalendarSelect};
    return index >= 0 && index < 3 ? pops[index].data() : nullptr;
}

kit::Window* FindPanelController::loadWindow() {
    auto* window =
        new kit::Window(QRectF(0, 0, kWidth, kHeight),
                        kit::Window::Titled | kit::Window::Closable | kit::Window::Resizable);
    window->setTitle(text("findPanelTitle"));
    window->setDelegate(this);
    kit::View* content = window->contentView();

    gui_searchText = new kit::TextField(QRectF(20, kHeight - 44, kWidth - 40, 24));
    gui_searchText->setEditable(true);
    gui_searchText->setPlaceholderString(text("findPanelSearchPlaceholder"));
    gui_searchText->setTarget(this);
    gui_searchText->setAction("findEnterPressed");
    gui_searchText->setAutoresizingMask(kit::View::WidthSizable | kit::View::MinYMargin);
    content->addSubview(gui_searchText);

    // The options pane, collapsed below the search field.
    const double paneHeight = 22 + kPaneContentHeight;
    gui_optionsPane =
        new CollapsablePanel(QRectF(10, kHeight - 54 - paneHeight, kWidth - 20, paneHeight),
                             text("findPanelOptionsText"));
    gui_optionsPane->setAutoresizingMask(kit::View::WidthSizable | kit::View::MinYMargin);
    content->addSubview(gui_optionsPane);
    auto place = [this](kit::View* view) { gui_optionsPane->addToContentView(view); };
    double y = kPaneContentHeight - 26;
    gui_smode = new kit::Matrix(QRectF(10, y, 300, 20), 2);
    gui_smode->addCell(text("findPanelModeQuick"), 1);
    gui_smode->addCell(text("findPanelModeFull"), 2);
    gui_smode->setTarget(this);
    gui_smode->setAction("searchModeChanged");
    place(gui_smode);
    // The date row lies above the mode row's place once the pane grows.
    gui_fromLabel =
        kit::TextField::labelWithString(text("findPanelFrom"), QRectF(10, y + 22, 40, 18));
    gui_fromDate = new kit::DatePicker(QRectF(50, y + 20, 120, 22));
    gui_toLabel = kit::TextField::labelWithString(text("findPanelTo"), QRectF(190, y + 22, 30, 18));
    gui_toDate = new kit::DatePicker(QRectF(220, y + 20, 120, 22));
    for (kit::DatePicker* picker : {gui_fromDate.data(), gui_toDate.data()}) {
        picker->setDatePickerElements(kit::DatePicker::Elements::Date);
        picker->setTarget(this);
        picker->setAction("searchDatesChanged");
    }
    for (kit::View* view :
         {static_cast<kit::View*>(gui_fromLabel), static_cast<kit::View*>(gui_fromDate),
          static_cast<kit::View*>(gui_toLabel), static_cast<kit::View*>(gui_toDate)}) {
        view->setHidden(true);
        place(view);
    }
    y -= 30;
    const char* fieldTitles[5] = {"findPanelFieldTitle", "findPanelFieldLocation",
                                  "findPanelFieldAttendees", "findPanelFieldNotes",
                                  "findPanelFieldUid"};
    QPointer<kit::Button>* fields[5] = {&gui_sfieldTitle, &gui_sfieldLocation, &gui_sfieldAttendees,
                                        &gui_sfieldNotes, &gui_sfieldUid};
    for (int i = 0; i < 5; ++i) {
        auto* box = new kit::Button(QRectF(10 + (i % 3) * 160, y - (i / 3) * 22, 150, 20),
                                    kit::Button::Type::Checkbox);
        box->setTitle(text(fieldTitles[i]));
        box->setTarget(this);
        box->setAction("searchFieldChanged");
        *fields[i] = box;
        place(box);
    }
    y -= 52;
    const char* filterTitles[3] = {"findPanelFilterType", "findPanelFilterRecurrence",
                                   "findPanelFilterCalendar"};
    QPointer<kit::Button>* filters[3] = {&gui_sfilterType, &gui_sfilterRecurrence,
                                         &gui_sfilterCalendar};
    QPointer<kit::PopUpButton>* pops[3] = {&gui_sfilterTypeSelect, &gui_sfilterRecurrenceSelect,
                                           &gui_sfilterCalendarSelect};
    const QStringList typeItems{text("findPanelTypeFullday"), text("findPanelTypeBirthday"),
                                text("findPanelTypeHoliday"), text("findPanelTypeMark"),
                                text("findPanelTypeNotes")};
    const QStringList recurrenceItems{text("findPanelRecurNone"), text("findPanelRecurDaily"),
                                      text("findPanelRecurWeekly"), text("findPanelRecurMonthly"),
                                      text("findPanelRecurYearly")};
    for (int i = 0; i < 3; ++i) {
        auto* box = new kit::Button(QRectF(10, y - i * 24, 200, 20), kit::Button::Type::Checkbox);
        box->setTitle(text(filterTitles[i]));
        box->setTarget(this);
        box->setAction("searchFilterChanged");
        *filters[i] = box;
        place(box);
        auto* pop = new kit::PopUpButton(QRectF(220, y - i * 24 - 1, 250, 22));
        if (i == 0) pop->addItemsWithTitles(typeItems);
        if (i == 1) pop->addItemsWithTitles(recurrenceItems);
        pop->setTarget(this);
        pop->setAction("searchFilterChanged");
        *pops[i] = pop;
        place(pop);
    }

    // The results list and the line under it.
    const double listTop = kHeight - 54 - paneHeight - 6;  // below the disclosed pane
    gui_resultsScrollView = new kit::ScrollView(QRectF(10, 40, kWidth - 20, listTop - 40));
    gui_resultsScrollView->setAutoresizingMask(kit::View::WidthSizable | kit::View::HeightSizable);
    gui_resultsScrollView->setHasVerticalScroller(true);
    gui_resultsScrollView->setVerticalScroller(new FindPanelScroller(this));
    gui_resultsTable = new kit::TableView(QRectF(0, 0, kWidth - 20, listTop - 40));
    gui_resultsTable->setAllowsMultipleSelection(true);
    gui_resultsTable->setAllowsEmptySelection(true);
    gui_resultsTable->addTableColumn(QStringLiteral("type"), 24)
        ->setDataCell(std::make_unique<kit::ImageCell>());
    gui_resultsTable->addTableColumn(QStringLiteral("date"), 90);
    gui_resultsTable->addTableColumn(QStringLiteral("text"), kWidth - 20 - 24 - 90 - 20);
    gui_resultsTable->setDataSource(this);
    gui_resultsTable->setDelegate(this);
    gui_resultsTable->setTarget(this);
    gui_resultsTable->setDoubleAction("doubleClick");
    gui_resultsScrollView->setDocumentView(gui_resultsTable);
    content->addSubview(gui_resultsScrollView);
    gui_footer = kit::TextField::labelWithString(QString(), QRectF(20, 12, 300, 18));
    content->addSubview(gui_footer);
    gui_progress = new kit::ProgressIndicator(QRectF(kWidth - 40, 12, 16, 16));
    gui_progress->setIndeterminate(true);
    gui_progress->setAutoresizingMask(kit::View::MinXMargin);
    content->addSubview(gui_progress);
    gui_deleteButton = new kit::Button(QRectF(kWidth - 140, 8, 90, 26));
    gui_deleteButton->setTitle(text("findPanelDelete"));
    gui_deleteButton->setTarget(this);
    gui_deleteButton->setAction("deletePressed");
    gui_deleteButton->setAutoresizingMask(kit::View::MinXMargin);
    content->addSubview(gui_deleteButton);

    // The delete sheet.
    gui_deleteSheet = new kit::Window(QRectF(0, 0, 400, 110), kit::Window::Titled);
    kit::View* sheetContent = gui_deleteSheet->contentView();
    gui_deleteText = kit::TextField::labelWithString(QString(), QRectF(20, 60, 360, 36));
    gui_deleteText->setWraps(true);
    sheetContent->addSubview(gui_deleteText);
    gui_okDelete = new kit::Button(QRectF(280, 14, 100, 28));
    gui_okDelete->setTitle(text("findPanelDeleteOK"));
    gui_okDelete->setKeyEquivalent(QStringLiteral("\r"));
    gui_okDelete->setTarget(this);
    gui_okDelete->setAction("okDeletePressed");
    gui_cancelDelete = new kit::Button(QRectF(172, 14, 100, 28));
    gui_cancelDelete->setTitle(text("findPanelDeleteCancel"));
    gui_cancelDelete->setKeyEquivalent(QStringLiteral("\x1b"));
    gui_cancelDelete->setTarget(this);
    gui_cancelDelete->setAction("cancelDeletePressed");
    gui_deleteProgress = new kit::ProgressIndicator(QRectF(20, 20, 360, 16));
    gui_deleteProgress->setIndeterminate(false);
    for (kit::View* view :
         {static_cast<kit::View*>(gui_okDelete), static_cast<kit::View*>(gui_cancelDelete),
          static_cast<kit::View*>(gui_deleteProgress)})
        sheetContent->addSubview(view);

    setWindow(window);
    awakeFromNib();
    return window;
}

void FindPanelController::awakeFromNib() {
    window()->center();
    typeImgMark = kit::Image::named(QStringLiteral("MiniMarker2"));
    typeImgNote = kit::Image::named(QStringLiteral("MiniNotes1"));
    typeImgHoliday = kit::Image::named(QStringLiteral("MiniStar2"));
    typeImgBirthday = kit::Image::named(QStringLiteral("MiniCandle1"));
    typeImgEvent = kit::Image::named(QStringLiteral("MiniEvent1"));
    language_ = foundation::localeIdentifier();
    gui_optionsPane->setTitleForCollapsedState(QStringLiteral("Search Options: none"));
    gui_optionsPane->setTitleForDisclosedState(QStringLiteral("Search Options"));
    gui_optionsPane->setUsesAnimation(true);
    gui_optionsPane->setDrawsContentBackground(true);
    gui_optionsPane->setCollapsedState(true);
    readOptions();
    gui_optionsPane->setTitleForCollapsedState(textForOptions());
    gui_optionsPane->setTitleForDisclosedState(text("findPanelOptionsText"));
    auto& center = foundation::NotificationCenter::defaultCenter();
    for (const QString& name : {YearViewEventLoader::eventDataChangedNotification,
                                CalendarSources::calendarSelectionChangedNotification})
        center.addObserver(this, name, nullptr,
                           [this](const foundation::Notification&) { eventDataChanged(); });
    // A deleted series leaves the list at once, whoever deleted it.
    foundation::MainThreadObserver::observe(
        this, YearViewEventLoader::eventDataChangedNotification, nullptr,
        [this](const foundation::Notification& n) {
            if (n.userInfo.value(YearViewEventLoader::kChangesKey).toString() !=
                QLatin1String("deleted"))
                return;
            const QString uid = n.userInfo.value(YearViewEventLoader::kUIDKey).toString();
            if (!uid.isEmpty()) dropSeries(nullptr, uid);
        });
    _windowIsOpen = false;
}

// --- Options --------------------------------------------------------------------------

void FindPanelController::readOptions() {
    auto& defaults = foundation::Defaults::standard();
    prefs_ = appPref::fromMap(defaults.dictionaryForKey(PrefGroups::searchOptions));
    if (!prefs_.isEmpty()) return;  // a group with some keys is used as it stands
    const MyDatePtr today = MyDate::date();
    prefs_.setBoolForKey(true, EventFinder::kQuickSearchMode);
    prefs_.setDateForKey(*today->dateByAddingYearsMonthsDays(-5, 0, 0), EventFinder::kSearchFrom);
    prefs_.setDateForKey(*today, EventFinder::kSearchTo);
    for (const QString& key : kFieldKeys) prefs_.setBoolForKey(true, key);
    prefs_.setBoolForKey(false, EventFinder::kFilterForEventType);
    prefs_.setIntForKey(0, EventFinder::kEventType);
    prefs_.setBoolForKey(false, EventFinder::kFilterForRecurrenceType);
    prefs_.setIntForKey(0, EventFinder::kRecurrenceType);
    prefs_.setBoolForKey(false, EventFinder::kFilterForCalendar);
    prefs_.setObject(EventFinder::kCalendar, QString());
    writeOptions();
}

void FindPanelController::writeOptions() {
    foundation::Defaults::standard().setObject(PrefGroups::searchOptions, prefs_.toVariantMap());
}

QString FindPanelController::textForOptions() {
    QString summary = text("findPanelOptionsTextPrefix");
    summary += prefs_.boolForKey(EventFinder::kQuickSearchMode)
                   ? text("findPanelOptionsTextModeQuick")
                   : text("findPanelOptionsTextModeFull");
    summary += QStringLiteral(", ");
    bool all = true;
    for (const QString& key : kFieldKeys) all = all && prefs_.boolForKey(key);
    summary += all ? text("findPanelOptionsTextFieldsAll") : text("findPanelOptionsTextFieldsSome");
    summary += QStringLiteral(", ");
    bool filtered = false;
    for (const QString& key : kFilterKeys) filtered = filtered || prefs_.boolForKey(key);
    summary += filtered ? text("findPanelOptionsTextFiltersApplied")
                        : text("findPanelOptionsTextFiltersNone");
    return summary;
}

void FindPanelController::setFullModeControls(bool full) {
    for (kit::View* view :
         {static_cast<kit::View*>(gui_fromLabel), static_cast<kit::View*>(gui_fromDate),
          static_cast<kit::View*>(gui_toLabel), static_cast<kit::View*>(gui_toDate)})
        view->setHidden(!full);
    gui_optionsPane->changeContentHeightBy(full ? kDateRowsHeight : -kDateRowsHeight);
}

void FindPanelController::searchModeChanged(QObject* sender) {
    if (sender != gui_smode) return;
    const int tag = gui_smode->selectedTag();
    const int current = prefs_.boolForKey(EventFinder::kQuickSearchMode) ? 1 : 2;
    if (tag == current) return;
    setFullModeControls(tag == 2);
    prefs_.setBoolForKey(tag == 1, EventFinder::kQuickSearchMode);
    gui_optionsPane->setTitleForCollapsedState(textForOptions());
    searchOptionsChanged_ = true;
}

void FindPanelController::searchFieldChanged(QObject* sender) {
    searchOptionsChanged_ = true;
    bool anyOn = false;
    for (int i = 0; i < 5; ++i) anyOn = anyOn || fieldCheckbox(i)->state() == kit::Button::On;
    if (!anyOn) {
        // One field is always searched.
        kit::Button* again = sender == gui_sfieldTitle ? gui_sfieldNotes : gui_sfieldTitle;
        again->setState(kit::Button::On);
    }
    for (int i = 0; i < 5; ++i)
        prefs_.setBoolForKey(fieldCheckbox(i)->state() == kit::Button::On, kFieldKeys[i]);
    writeOptions();
    gui_optionsPane->setTitleForCollapsedState(textForOptions());
}

void FindPanelController::searchFilterChanged(QObject* sender) {
    searchOptionsChanged_ = true;
    for (int i = 0; i < 3; ++i) {
        if (sender == filterCheckbox(i)) {
            const bool on = filterCheckbox(i)->state() == kit::Button::On;
            prefs_.setBoolForKey(on, kFilterKeys[i]);
            filterPopUp(i)->setEnabled(on);
        }
    }
    if (sender == gui_sfilterTypeSelect)
        prefs_.setIntForKey(gui_sfilterTypeSelect->indexOfSelectedItem(), EventFinder::kEventType);
    if (sender == gui_sfilterRecurrenceSelect)
        prefs_.setIntForKey(gui_sfilterRecurrenceSelect->indexOfSelectedItem(),
                            EventFinder::kRecurrenceType);
    if (sender == gui_sfilterCalendarSelect) {
        // The title for the record; the UID names the calendar itself.
        prefs_.setObject(EventFinder::kCalendar, gui_sfilterCalendarSelect->titleOfSelectedItem());
        const kit::MenuItem* item = gui_sfilterCalendarSelect->selectedItem();
        prefs_.setObject(EventFinder::kCalendarUID,
                         item ? item->representedObject().toString() : QString());
    }
    writeOptions();
    gui_optionsPane->setTitleForCollapsedState(textForOptions());
}

void FindPanelController::searchDatesChanged(QObject* sender) {
    searchOptionsChanged_ = true;
    QDate from = gui_fromDate->dateValue().toLocalTime().date();
    QDate to = gui_toDate->dateValue().toLocalTime().date();
    if (to < from) {
        if (sender == gui_toDate)
            from = to.addDays(-1);
        else
            to = from.addDays(1);
    }
    gui_fromDate->setDateValue(QDateTime(from, QTime(0, 0)));
    gui_toDate->setDateValue(QDateTime(to, QTime(0, 0)));
    prefs_.setDateForKey(*MyDate::dateWithDayMonthYear(from.day(), from.month(), from.year()),
                         EventFinder::kSearchFrom);
    prefs_.setDateForKey(*MyDate::dateWithDayMonthYear(to.day(), to.month(), to.year()),
                         EventFinder::kSearchTo);
    writeOptions();
}

// --- Showing and closing ----------------------------------------------------------------

void FindPanelController::setupEntries() {
    gui_optionsPane->setDrawsContentBackground(true);
    const bool wasFull = gui_smode->selectedTag() == 2;
    prefs_.setBoolForKey(true, EventFinder::kQuickSearchMode);
    gui_smode->selectCellWithTag(1);
    if (wasFull) setFullModeControls(false);
    const auto pickerDate = [this](const QString& key) {
        const MyDatePtr date = prefs_.dateForKey(key);
        return QDateTime(QDate(date->yearNum(), date->monthNum(), date->dayNum()), QTime(0, 0));
    };
    gui_fromDate->setDateValue(pickerDate(EventFinder::kSearchFrom));
    gui_toDate->setDateValue(pickerDate(EventFinder::kSearchTo));
    for (int i = 0; i < 5; ++i)
        fieldCheckbox(i)->setState(prefs_.boolForKey(kFieldKeys[i]) ? kit::Button::On
                                                                    : kit::Button::Off);
    for (int i = 0; i < 3; ++i) {
        const bool on = prefs_.boolForKey(kFilterKeys[i]);
        filterCheckbox(i)->setState(on ? kit::Button::On : kit::Button::Off);
        filterPopUp(i)->setEnabled(on);
    }
    gui_sfilterTypeSelect->selectItemAtIndex(prefs_.intForKey(EventFinder::kEventType));
    gui_sfilterRecurrenceSelect->selectItemAtIndex(prefs_.intForKey(EventFinder::kRecurrenceType));
    gui_sfilterCalendarSelect->removeAllItems();
    const QString wantedTitle = prefs_.object(EventFinder::kCalendar).toString();
    const QString wantedUID = prefs_.object(EventFinder::kCalendarUID).toString();
    int byTitle = -1;
    int byUID = -1;
    if (const auto sources = model()) {
        for (const CalendarPtr& calendar : sources->allCalendars()) {
            if (!calendar) continue;
            kit::MenuItem* item = gui_sfilterCalendarSelect->addItemWithTitle(calendar->title());
            item->setRepresentedObject(calendar->uid());
            const int index = gui_sfilterCalendarSelect->numberOfItems() - 1;
            if (calendar->title() == wantedTitle) byTitle = index;
            if (!wantedUID.isEmpty() && calendar->uid() == wantedUID) byUID = index;
        }
    }
    const int chosen = byUID >= 0 ? byUID : byTitle;
    if (gui_sfilterCalendarSelect->numberOfItems() > 0)
        gui_sfilterCalendarSelect->selectItemAtIndex(chosen >= 0 ? chosen : 0);
    if (!gui_optionsPane->isCollapsed()) gui_optionsPane->setCollapsed(true);
    gui_optionsPane->setTitleForCollapsedState(textForOptions());
    results_.clear();
    searchString_.clear();
    reloadTable();
    gui_searchText->setStringValue(QString());
    gui_footer->setHidden(true);
    gui_progress->setHidden(true);
    gui_deleteButton->setHidden(true);
    gui_resultsScrollView->setScrollerStyle(kit::Scroller::Style::Overlay);
}

void FindPanelController::showWindow(QObject* sender) {
    window();
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
    if (deleteSheetOpen_) cancelDeletePressed();
    setupEntries();
    searchOptionsChanged_ = true;
    kit::WindowController::showWindow(sender);
    window()->makeFirstResponder(gui_searchText);
    gui_optionsPane->setNeedsDisplay(true);
    _windowIsOpen = true;
}

void FindPanelController::closeWindow(QObject*) {
    _windowIsOpen = false;
    if (isWindowLoaded()) window()->close();
}

void FindPanelController::windowWillClose(QObject*) {
    finder_->cancel();
    results_.clear();
    if (gui_smode->selectedTag() != 1) {
        prefs_.setBoolForKey(true, EventFinder::kQuickSearchMode);
        gui_smode->selectCellWithTag(1);
        setFullModeControls(false);
    }
    if (auto* hover = EventHoverController::existingWinController()) hover->closeWindow();
    writeOptions();
    _windowIsOpen = false;
}

void FindPanelController::eventDataChanged() {
    // Changes made by background jobs (this panel's deletion among them) start
    // no search; each one made on the main thread starts its own.
    if (!foundation::isMainThread() || !_windowIsOpen) return;
    QTimer::singleShot(int(kReSearchDelay * 1000), this, [this] { findEnterPressed(); });
}

// --- Searching ---------------------------------------------------------------------------

void FindPanelController::findEnterPressed(QObject*) {
    ++searchRequests_;
    const QString text = gui_searchText->stringValue();
    if (text == searchString_) searchString_.clear();
    gui_resultsTable->deselectAll();
    find(text);
}

void FindPanelController::find(const QString& t) {
    if (t.isEmpty()) {
        finder_->cancel();
        searchString_ = t;
        results_.clear();
        reloadTable();
        gui_footer->setHidden(true);
        gui_progress->stopAnimation();
        gui_progress->setHidden(true);
        return;
    }
    if (t == searchString_ && !searchOptionsChanged_) return;
    gui_footer->setHidden(true);
    gui_progress->setHidden(false);
    gui_progress->startAnimation();
    if (searchOptionsChanged_) {
        finder_->setSearchOptions(prefs_.toVariantMap());
        searchString_ = t;
        results_.clear();
        reloadTable();
        finder_->startFinding(t);
        searchOptionsChanged_ = false;
        return;
    }
    if (!searchString_.isEmpty() && t.startsWith(searchString_)) {
        searchString_ = t;
        finder_->narrowSearch(t);
        return;
    }
    searchString_ = t;
    results_.clear();
    reloadTable();
    finder_->startFinding(t);
}

void FindPanelController::searchFoundEvent(const EventDayPtr& eventDay) {
    results_.push_back(eventDay);
    // A hit is a row at the end: the rows before stay as they are.
    if (gui_resultsTable) gui_resultsTable->noteNumberOfRowsChanged();
}

void FindPanelController::searchFoundEvents(const std::vector<EventDayPtr>& eventDays) {
    results_.insert(results_.end(), eventDays.begin(), eventDays.end());
    if (gui_resultsTable) gui_resultsTable->noteNumberOfRowsChanged();
}

void FindPanelController::invalidateFoundEvent(const EventDayPtr& eventDay) {
    std::erase(results_, eventDay);
    reloadTable();
}

void FindPanelController::searchComplete() {
    gui_progress->stopAnimation();
    gui_progress->setHidden(true);
    const auto count = qulonglong(results_.size());
    QString line = foundation::formatLocalizedWith(
        text(count == 1 ? "findPanelFoundItemsSingle" : "findPanelFoundItemsMultiple"), count);
    if (failedDeletions_ > 0)
        line += QStringLiteral(" ") +
                foundation::formatLocalizedWith(text("findPanelDeleteFailed"), failedDeletions_);
    gui_footer->setStringValue(line);
    gui_footer->setHidden(false);
}

void FindPanelController::reloadTable() {
    if (gui_resultsTable) gui_resultsTable->reloadData();
}
