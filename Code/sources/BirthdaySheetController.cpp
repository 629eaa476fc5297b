#include "sources/BirthdaySheetController.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/foundation/Threads.h"
#include "platform/store/Calendar.h"
#include "platform/store/RecurrenceRule.h"

namespace {

BirthdaySheetController* BSC_sharedWinController = nullptr;

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

}  // namespace

BirthdaySheetController* BirthdaySheetController::sharedWinController() {
    if (!BSC_sharedWinController) new BirthdaySheetController();
    return BSC_sharedWinController;
}

void BirthdaySheetController::resetSharedWinController() {
    delete BSC_sharedWinController;
}

BirthdaySheetController::BirthdaySheetController() {
    if (!BSC_sharedWinController) BSC_sharedWinController = this;
}

BirthdaySheetController::~BirthdaySheetController() {
    if (BSC_sharedWinController == this) BSC_sharedWinController = nullptr;
}

kit::Window* BirthdaySheetController::loadWindow() {
    return buildSheet(QStringLiteral("Candle"), 0, "newBirthday", "removeBirthdays");
}

int BirthdaySheetController::entryYear() const {
    return MyDate::date()->yearNum();
}

void BirthdaySheetController::openSheetForCalendarOnWindowFromWithCurrentYView(
    const CalendarPtr& calendar, kit::Window* host, const std::shared_ptr<CalendarSources>& sources,
    const YearPages& pages) {
    if (!prepareOpening(calendar, host, sources, pages)) return;
    const calstore::CalendarPtr stored = calendar->calendar();
    builtin_ = stored && stored->type() == calstore::CalendarTypeBirthday;
    lineToSelect_.clear();
    showLoadingState();
    gui_heading->setStringValue(builtin_ ? text("birthdaysSheetNameBuiltinBirthdays")
                                         : text("birthdaysSheetNameNormal"));
    if (!beginSheetOn(host)) return;
    startLoadingBirthdays();
}

void BirthdaySheetController::startLoadingBirthdays() {
    const int load = beginLoad();
    refreshCounter();
    const calstore::CalendarPtr stored = calendar_->calendar();
    const MyDatePtr now = MyDate::date();
    // To the end of 31 December, so that a birthday on that day is listed.
    const QDateTime from = now->firstDayInYear()->nsDate();
    const QDateTime to = now->lastDayInYear()->endOfDay()->nsDate();
    const QPointer<EntryListSheet> sheet(this);
    foundation::startThread([sheet, load, stored, from, to] {
        runLoadHook();
        handLoadedRows(sheet, load, queryEvents(stored, from, to, QStringLiteral("birthday")));
        handToMain(sheet, load, [](EntryListSheet* s) {
            static_cast<BirthdaySheetController*>(s)->finishLoadingBirthdays();
        });
    });
}

void BirthdaySheetController::finishLoadingBirthdays() {
    showEditingState(!builtin_);
    refreshCounter();
    if (lineToSelect_.isEmpty()) return;
    gui_table->deselectAll();
    for (int index = 0; index < rows_.size(); ++index) {
        if (rows_.at(index)->title() == lineToSelect_) {
            selectAndShow(index);
            return;
        }
    }
}

void BirthdaySheetController::selectLineWithTitle(const QString& title) {
    lineToSelect_ = title;
    if (isSheetUp() && !isLoading()) finishLoadingBirthdays();
}

QString BirthdaySheetController::dateTextOfRow(const Birthday& row) const {
    const MyDatePtr date = MyDate::dateWithTimeIntervalSince1970(row.date());
    if (foundation::isUSEnglishLocale(language))
        return QStringLiteral("%1/%2").arg(date->monthNum()).arg(date->dayNum());
    return QStringLiteral("%1.%2.").arg(date->dayNum()).arg(date->monthNum());
}

void BirthdaySheetController::refreshCounter() {
    reloadTable();
    const bool single = rows_.size() == 1;
    const char* key =
        builtin_
            ? (single ? "birthdaysSheetCounterTextSingleAB" : "birthdaysSheetCounterTextMultipleAB")
            : (single ? "birthdaysSheetCounterTextSingle" : "birthdaysSheetCounterTextMultiple");
    gui_countText->setStringValue(foundation::formatLocalizedWith(text(key), int(rows_.size())));
}

BirthdayPtr BirthdaySheetController::makeNewRow() const {
    auto row = std::make_shared<Birthday>();
    row->setDate(MyDate::date()->timeIntervalSince1970());
    row->setTitle(text("birthdaysSheetNewBirthdayTitle"));
    row->setIsNew(true);
    row->setIsChanged(true);
    return row;
}

calstore::EventPtr BirthdaySheetController::entryEventForRow(const Birthday& row) const {
    calstore::EventPtr event = EntryListSheet::entryEventForRow(row);
    event->setRecurrenceRule(calstore::RecurrenceRule::initYearlyRecurrenceWithIntervalEnd(1, {}));
    return event;
}

QList<YearViewTargetPtr> BirthdaySheetController::pagesShowing(const MyDate&) const {
    // A birthday comes back every year: every page shows it.
    return {pages_.current, pages_.following, pages_.preceding};
}

void BirthdaySheetController::newBirthday(QObject*) {
    newEntry();
}

void BirthdaySheetController::removeBirthdays(QObject*) {
    removeEntries();
}

void BirthdaySheetController::okPressed(QObject*) {
    if (!isSheetUp() || isLoading()) return;
    deselectAndHideButtons();
    if (builtin_) {
        endSheet();
        return;
    }
    gui_progress->startAnimation();
    QList<BirthdayPtr> toDelete, toWrite;
    for (const BirthdayPtr& row : removed_)
        if (!row->isNew()) toDelete << row;
    for (const BirthdayPtr& row : rows_)
        if (row->isChanged()) toWrite << row;
    writeAndEnd(toWrite, toDelete);
}
