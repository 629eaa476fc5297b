#include "sources/HolidaySheetController.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/foundation/Threads.h"

namespace {

HolidaySheetController* HSC_sharedWinController = nullptr;

constexpr double kChooserSpace = 64;

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

// 1 January 00:00:00 to 31 December 23:59:59 of the year.
std::pair<QDateTime, QDateTime> wholeYear(int year) {
    return {MyDate::dateWithDayMonthYear(1, 1, year)->nsDate(),
            MyDate::dateWithDayMonthYear(31, 12, year)->endOfDay()->nsDate()};
}

}  // namespace

HolidaySheetController* HolidaySheetController::sharedWinController() {
    if (!HSC_sharedWinController) new HolidaySheetController();
    return HSC_sharedWinController;
}

void HolidaySheetController::resetSharedWinController() {
    delete HSC_sharedWinController;
}

HolidaySheetController::HolidaySheetController() {
    if (!HSC_sharedWinController) HSC_sharedWinController = this;
}

HolidaySheetController::~HolidaySheetController() {
    if (HSC_sharedWinController == this) HSC_sharedWinController = nullptr;
}

kit::Window* HolidaySheetController::loadWindow() {
    kit::Window* sheet =
        buildSheet(QStringLiteral("CalTypeHoliday"), kChooserSpace, "newHoliday", "removeHolidays");
    gui_yearChooser = new kit::SegmentedControl(QRectF(100, kHeight - 84, 180, 24));
    gui_yearChooser->setSegmentCount(3);
    gui_yearChooser->setLabelForSegment(QStringLiteral("\u25C0"), 0);
    gui_yearChooser->setLabelForSegment(QString(), 1);
    gui_yearChooser->setLabelForSegment(QStringLiteral("\u25B6"), 2);
    gui_yearChooser->setTarget(this);
    gui_yearChooser->setAction("changeYear");
    sheet->contentView()->addSubview(gui_yearChooser);
    gui_heading->setStringValue(text("holidaysSheetName"));
    return sheet;
}

void HolidaySheetController::openSheetForCalendarOnWindowFromWithCurrentYView(
    const CalendarPtr& calendar, kit::Window* host, const std::shared_ptr<CalendarSources>& sources,
    const YearPages& pages) {
    if (!prepareOpening(calendar, host, sources, pages)) return;
    currentYear_ = pages.current ? pages.current->year() : MyDate::date()->yearNum();
    allHolidays_.clear();
    allHolidaysToDelete_.clear();
    if (!beginSheetOn(host)) return;
    startLoadingHolidays();
}

void HolidaySheetController::startLoadingHolidays() {
    const int load = beginLoad();
    gui_yearChooser->setLabelForSegment(QString::number(currentYear_), 1);
    showLoadingState();
    // A load's rows belong to its year: the year stays until the load ends.
    gui_yearChooser->setEnabled(false);
    refreshCounter();
    const calstore::CalendarPtr stored = calendar_->calendar();
    const auto shown = wholeYear(currentYear_);
    const auto before = wholeYear(currentYear_ - 1);
    const QPointer<EntryListSheet> sheet(this);
    foundation::startThread([sheet, load, stored, shown, before] {
        const QString what = QStringLiteral("holiday");
        runLoadHook();
        handLoadedRows(sheet, load, queryEvents(stored, shown.first, shown.second, what));
        runLoadHook();
        for (const calstore::EventPtr& event :
             queryEvents(stored, before.first, before.second, what)) {
            const QString title = event->title();
            const double date = MyDate::dateWithNSDate(event->startDate())->timeIntervalSince1970();
            handToMain(sheet, load, [title, date](EntryListSheet* s) {
                static_cast<HolidaySheetController*>(s)->suggest(title, date);
            });
        }
        handToMain(sheet, load, [](EntryListSheet* s) {
            static_cast<HolidaySheetController*>(s)->finishLoadingHolidays();
        });
    });
}

void HolidaySheetController::suggest(const QString& title, double dateInYearBefore) {
    if (haveHoliday(title)) return;
    const MyDatePtr before = MyDate::dateWithTimeIntervalSince1970(dateInYearBefore);
    auto row = std::make_shared<Birthday>();
    row->setDate(MyDate::dateWithDayMonthYear(before->dayNum(), before->monthNum(), currentYear_)
                     ->timeIntervalSince1970());
    row->setTitle(title);
    row->setIsNew(true);
    row->setIsFromPrevYear(true);
    insertSorted(row);
}

void HolidaySheetController::finishLoadingHolidays() {
    // What the year before got in this sheet is suggested too.
    const auto earlier = allHolidays_.constFind(currentYear_ - 1);
    if (earlier != allHolidays_.constEnd())
        for (const BirthdayPtr& row : *earlier)
            if (!row->isFromPrevYear()) suggest(row->title(), row->date());
    refreshCounter();
    showEditingState(true);
    gui_yearChooser->setEnabled(true);
}

bool HolidaySheetController::haveHoliday(const QString& title) const {
    for (const BirthdayPtr& row : rows_)
        if (row->title() == title) return true;
    return false;
}

void HolidaySheetController::changeYear(QObject*) {
    const int segment = gui_yearChooser ? gui_yearChooser->selectedSegment() : -1;
    if (gui_yearChooser) gui_yearChooser->setSelectedSegment(-1);
    // A year still loading is not complete: it is neither kept nor left.
    if (!isSheetUp() || isLoading() || segment < 0) return;
    gui_table->abortEditing();
    allHolidays_.insert(currentYear_, rows_);
    allHolidaysToDelete_.insert(currentYear_, removed_);
    const int step = segment == 1 ? MyDate::date()->yearNum() - currentYear_ : segment - 1;
    currentYear_ += step;
    const auto kept = allHolidays_.constFind(currentYear_);
    if (kept == allHolidays_.constEnd()) {
        removed_.clear();
        startLoadingHolidays();
        return;
    }
    rows_ = *kept;
    removed_ = allHolidaysToDelete_.value(currentYear_);
    gui_yearChooser->setLabelForSegment(QString::number(currentYear_), 1);
    gui_table->deselectAll();
    reloadTable();
    refreshCounter();
}

QString HolidaySheetController::dateTextOfRow(const Birthday& row) const {
    const MyDatePtr date = MyDate::dateWithTimeIntervalSince1970(row.date());
    const QString year =
        row.isFromPrevYear() ? QStringLiteral("--") : QString::number(date->yearNum());
    if (foundation::isUSEnglishLocale(language))
        return QStringLiteral("%1/%2/%3").arg(date->monthNum()).arg(date->dayNum()).arg(year);
    return QStringLiteral("%1.%2.%3").arg(date->dayNum()).arg(date->monthNum()).arg(year);
}

void HolidaySheetController::refreshCounter() {
    reloadTable();
    const auto count = std::count_if(rows_.cbegin(), rows_.cend(),
                                     [](const BirthdayPtr& row) { return !row->isFromPrevYear(); });
    const char* key =
        count == 1 ? "holidaysSheetCounterTextSingle" : "holidaysSheetCounterTextMultiple";
    gui_countText->setStringValue(
        foundation::formatLocalizedWith(text(key), int(count), currentYear_));
}

BirthdayPtr HolidaySheetController::makeNewRow() const {
    const MyDatePtr today = MyDate::date();
    auto row = std::make_shared<Birthday>();
    row->setDate(MyDate::dateWithDayMonthYear(today->dayNum(), today->monthNum(), currentYear_)
                     ->timeIntervalSince1970());
    row->setTitle(text("holidaysSheetNewHolidayTitle"));
    row->setIsNew(true);
    row->setIsChanged(true);
    return row;
}

bool HolidaySheetController::takeTypedDate(Birthday& row, const MyDate& date) {
    // A suggestion becomes a holiday of the year by any date typed for it.
    if (row.isFromPrevYear()) {
        row.setDate(date.timeIntervalSince1970());
        row.setIsFromPrevYear(false);
        return true;
    }
    return EntryListSheet::takeTypedDate(row, date);
}

calstore::Span HolidaySheetController::removalSpanFor(const calstore::EventPtr& event) const {
    // A holiday that is one occurrence of a repeating event goes alone.
    return event && event->isRecurring() ? calstore::Span::ThisEvent : calstore::Span::AllEvents;
}

QList<YearViewTargetPtr> HolidaySheetController::pagesShowing(const MyDate& date) const {
    QList<YearViewTargetPtr> pages;
    for (const YearViewTargetPtr& page : {pages_.current, pages_.following, pages_.preceding})
        if (page && page->year() == date.yearNum()) pages << page;
    return pages;
}

void HolidaySheetController::newHoliday(QObject*) {
    newEntry();
}

void HolidaySheetController::removeHolidays(QObject*) {
    removeEntries();
}

void HolidaySheetController::okPressed(QObject*) {
    if (!isSheetUp() || isLoading()) return;
    deselectAndHideButtons();
    gui_progress->startAnimation();
    // Every year visited, the shown one from its current lists only.
    QList<BirthdayPtr> rows = rows_;
    QList<BirthdayPtr> removed = removed_;
    for (auto it = allHolidays_.cbegin(); it != allHolidays_.cend(); ++it)
        if (it.key() != currentYear_) rows << it.value();
    for (auto it = allHolidaysToDelete_.cbegin(); it != allHolidaysToDelete_.cend(); ++it)
        if (it.key() != currentYear_) removed << it.value();
    QList<BirthdayPtr> toWrite, toDelete;
    for (const BirthdayPtr& row : rows)
        if (!row->isFromPrevYear() && row->isChanged()) toWrite << row;
    for (const BirthdayPtr& row : removed)
        if (!row->isFromPrevYear() && !row->isNew()) toDelete << row;
    writeAndEnd(toWrite, toDelete);
}
