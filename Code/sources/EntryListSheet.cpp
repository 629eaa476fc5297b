#include "sources/EntryListSheet.h"

#include "data/CalendarSources.h"
#include "data/MyEventStore.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Alert.h"
#include "platform/kit/AttributedString.h"
#include "platform/kit/Event.h"
#include "platform/kit/Font.h"
#include "platform/kit/Image.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TableColumn.h"
#include "platform/store/StoreError.h"
#include "shell/HoverPanels.h"
#include "sources/SourceSheetParts.h"

#include <QTimer>

#include <algorithm>
#include <mutex>

namespace {

constexpr int kKeySpace = 49;
constexpr int kKeyDelete = 51;
constexpr int kKeyForwardDelete = 117;

struct Hooks {
    std::mutex mutex;
    std::function<bool(bool, const calstore::EventPtr&)> fault;
    std::function<void()> load;
};

Hooks& hooks() {
    static Hooks made;
    return made;
}

bool injectedFault(bool saving, const calstore::EventPtr& event) {
    std::function<bool(bool, const calstore::EventPtr&)> fault;
    {
        std::lock_guard lock(hooks().mutex);
        fault = hooks().fault;
    }
    return fault && fault(saving, event);
}

// Reads an integer as a scanner does: blanks first, then an optional sign and
// digits. Nothing is taken when there are no digits.
bool scanInt(const QString& text, int& at, int& value) {
    int i = at;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+'))
        negative = text.at(i++) == u'-';
    const int digits = i;
    qint64 number = 0;
    while (i < text.size() && text.at(i).isDigit()) {
        // Anything this long is out of range anyway; it must not overflow.
        if (number < 1000000) number = number * 10 + text.at(i).digitValue();
        ++i;
    }
    if (i == digits) return false;
    value = int(negative ? -number : number);
    at = i;
    return true;
}

void skipSeparator(const QString& text, int& at, QChar separator) {
    int i = at;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    if (i < text.size() && text.at(i) == separator) at = i + 1;
}

int dayOf(const calstore::EventPtr& event) {
    return MyDate::dateWithNSDate(event->startDate())->dayNum();
}

int monthOf(const calstore::EventPtr& event) {
    return MyDate::dateWithNSDate(event->startDate())->monthNum();
}

}  // namespace

namespace testhooks {

void setEntryStoreFault(std::function<bool(bool, const calstore::EventPtr&)> fails) {
    std::lock_guard lock(hooks().mutex);
    hooks().fault = std::move(fails);
}

void setEntryLoadHook(std::function<void()> hook) {
    std::lock_guard lock(hooks().mutex);
    hooks().load = std::move(hook);
}

}  // namespace testhooks

EntryListSheet::~EntryListSheet() {
    // Rows still on their way from a loading thread find no load to join.
    ++load_;
    sourcesheets::endIfUp(gui_sheet);
    if (failureAlert_) delete failureAlert_;
    if (gui_table) {
        gui_table->setDataSource(nullptr);
        gui_table->setDelegate(nullptr);
    }
}

// --- Reading typed dates ------------------------------------------------------------

MyDatePtr EntryListSheet::dateFromStringInYear(const QString& text, bool monthFirst, int year) {
    int at = 0;
    int first = 0, second = 0;
    if (!scanInt(text, at, first)) first = 0;
    skipSeparator(text, at, monthFirst ? u'/' : u'.');
    if (!scanInt(text, at, second)) second = 0;
    const int month = monthFirst ? first : second;
    const int day = monthFirst ? second : first;
    if (month < 1 || month > 12 || day < 1 || day > 31) return nullptr;
    return MyDate::dateWithDayMonthYear(day, month, year);
}

MyDatePtr EntryListSheet::dateFromString(const QString& text) const {
    return dateFromStringInYear(text, foundation::isUSEnglishLocale(language), entryYear());
}

// --- The sheet ------------------------------------------------------------------------

kit::Window* EntryListSheet::buildSheet(const QString& picture, double topSpace,
                                        const char* addAction, const char* removeAction) {
    using sourcesheets::button;
    language = foundation::localeIdentifier();
    auto* sheet = new kit::Window(QRectF(0, 0, kWidth, kHeight), kit::Window::Titled);
    kit::View* content = sheet->contentView();
    const double pictureSize = sourcesheets::kPictureSize;
    gui_image =
        new kit::ImageView(QRectF(20, kHeight - 20 - pictureSize, pictureSize, pictureSize));
    gui_image->setImage(kit::Image::named(picture, QSizeF(pictureSize, pictureSize)));
    content->addSubview(gui_image);
    gui_heading =
        kit::TextField::labelWithString(QString(), QRectF(100, kHeight - 44, kWidth - 120, 22));
    gui_heading->setTextFont(kit::Font::boldSystemFont(kit::Font::systemFontSize()));
    content->addSubview(gui_heading);

    const double tableTop = kHeight - 20 - std::max(pictureSize, topSpace) - 10;
    const double tableBottom = 92;
    gui_scrollView =
        new kit::ScrollView(QRectF(20, tableBottom, kWidth - 40, tableTop - tableBottom));
    gui_scrollView->setHasVerticalScroller(true);
    gui_table = new kit::TableView(QRectF(0, 0, kWidth - 40, tableTop - tableBottom));
    gui_table->setAllowsMultipleSelection(true);
    gui_table->setUsesAlternatingRowBackgroundColors(true);
    gui_table->addTableColumn(kDateColumn, 90);
    gui_table->addTableColumn(nameColumn(), kWidth - 40 - 90 - 20);
    gui_table->setDataSource(this);
    gui_table->setDelegate(this);
    gui_scrollView->setDocumentView(gui_table);
    content->addSubview(gui_scrollView);

    gui_addButton =
        button(content, QStringLiteral("+"), QString(), QRectF(20, 60, 28, 24), this, addAction);
    gui_delButton = button(content, QStringLiteral("\u2212"), QString(), QRectF(50, 60, 28, 24),
                           this, removeAction);
    gui_countText = kit::TextField::labelWithString(QString(), QRectF(90, 62, kWidth - 110, 20));
    gui_countText->setAlignment(kit::TextAlignment::Right);
    content->addSubview(gui_countText);

    gui_progressLabel = kit::TextField::labelWithString(
        foundation::localized(QStringLiteral("entrySheetProgressLabel")), QRectF(20, 18, 80, 20));
    content->addSubview(gui_progressLabel);
    gui_progress = new kit::ProgressIndicator(QRectF(100, 20, kWidth - 340, 16));
    content->addSubview(gui_progress);
    const sourcesheets::Buttons buttons = sourcesheets::bottomButtons(content, kWidth, this);
    buttons.help->setHidden(true);
    gui_okButton = buttons.ok;
    gui_cancelButton = buttons.cancel;
    gui_sheet = sheet;
    return sheet;
}

bool EntryListSheet::isSheetUp() const {
    return sourcesheets::isUp(gui_sheet);
}

bool EntryListSheet::prepareOpening(const CalendarPtr& calendar, kit::Window* host,
                                    const std::shared_ptr<CalendarSources>& sources,
                                    const YearPages& pages) {
    if (!calendar || !host || !window() || isSheetUp()) return false;
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
    calendar_ = calendar;
    calendarSources = sources;
    pages_ = pages;
    removed_.clear();
    unwritten_.clear();
    unremoved_.clear();
    return true;
}

bool EntryListSheet::beginSheetOn(kit::Window* host) {
    if (kit::Sheet::beginSheet(gui_sheet, host)) return true;
    foundation::log(
        QStringLiteral("oops, the %1 list sheet could not be shown").arg(kindOfEntry()));
    return false;
}

void EntryListSheet::reloadTable() {
    if (gui_table) gui_table->reloadData();
}

void EntryListSheet::showLoadingState() {
    loading_ = true;
    gui_table->deselectAll();
    gui_okButton->setEnabled(false);
    gui_cancelButton->setEnabled(false);
    gui_addButton->setHidden(true);
    gui_delButton->setHidden(true);
    gui_progressLabel->setHidden(false);
    gui_progress->setHidden(false);
    gui_progress->setIndeterminate(true);
    gui_progress->startAnimation();
}

void EntryListSheet::showEditingState(bool showAddRemove) {
    loading_ = false;
    gui_progress->stopAnimation();
    gui_progress->setHidden(true);
    gui_progressLabel->setHidden(true);
    reloadTable();
    gui_addButton->setHidden(!showAddRemove);
    gui_delButton->setHidden(!showAddRemove);
    gui_okButton->setEnabled(true);
    gui_cancelButton->setEnabled(true);
}

// --- Loading --------------------------------------------------------------------------

int EntryListSheet::beginLoad() {
    rows_.clear();
    reloadTable();
    return ++load_;
}

void EntryListSheet::handToMain(const QPointer<EntryListSheet>& sheet, int load, MainStep fn) {
    foundation::onMain([sheet, load, fn = std::move(fn)] {
        if (sheet && sheet->load_ == load) fn(sheet.data());
    });
}

QList<calstore::EventPtr> EntryListSheet::queryEvents(const calstore::CalendarPtr& calendar,
                                                      const QDateTime& from, const QDateTime& to,
                                                      const QString& what) {
    if (!calendar) return {};
    try {
        return MyEventStore::eventsWithPredicate(
            MyEventStore::eventPredicateWithStartDateEndDateCalendars(from, to, {calendar}));
    } catch (const calstore::StoreError& error) {
        foundation::log(QStringLiteral("ERROR: querying %1 calendar failed with exception %2")
                            .arg(what, error.reason()));
    }
    return {};
}

void EntryListSheet::handLoadedRows(const QPointer<EntryListSheet>& sheet, int load,
                                    const QList<calstore::EventPtr>& events) {
    for (const calstore::EventPtr& event : events) {
        auto row = std::make_shared<Birthday>();
        row->setDate(MyDate::dateWithNSDate(event->startDate())->timeIntervalSince1970());
        row->setTitle(event->title());
        row->setEvent(event);
        handToMain(sheet, load, [row](EntryListSheet* s) { s->insertSorted(row); });
    }
}

void EntryListSheet::runLoadHook() {
    std::function<void()> hook;
    {
        std::lock_guard lock(hooks().mutex);
        hook = hooks().load;
    }
    if (hook) hook();
}

void EntryListSheet::sortRows() {
    std::stable_sort(rows_.begin(), rows_.end(),
                     [](const BirthdayPtr& a, const BirthdayPtr& b) { return a->compare(*b) < 0; });
}

void EntryListSheet::insertSorted(const BirthdayPtr& row) {
    const auto place = std::upper_bound(
        rows_.begin(), rows_.end(), row,
        [](const BirthdayPtr& a, const BirthdayPtr& b) { return a->compare(*b) < 0; });
    rows_.insert(place, row);
    reloadTable();
    refreshCounter();
}

// --- The table ------------------------------------------------------------------------

int EntryListSheet::numberOfRowsInTableView(kit::TableView*) {
    return int(rows_.size());
}

QVariant EntryListSheet::tableViewObjectValueForTableColumnRow(kit::TableView*,
                                                               kit::TableColumn* column, int row) {
    if (!column || row < 0 || row >= rows_.size()) return {};
    const Birthday& entry = *rows_.at(row);
    QString text;
    if (column->identifier() == kDateColumn)
        text = dateTextOfRow(entry);
    else if (column->identifier() == nameColumn())
        text = entry.title();
    else
        return {};
    if (!isGreyRow(entry)) return text;
    kit::TextAttributes grey;
    grey.color = QColor::fromRgbF(0.6f, 0.6f, 0.6f, 1.0f);
    return QVariant::fromValue(kit::AttributedString(text, grey));
}

bool EntryListSheet::tableViewShouldEditTableColumnRow(kit::TableView*, kit::TableColumn*, int) {
    return !isReadOnly();
}

bool EntryListSheet::takeTypedDate(Birthday& row, const MyDate& date) {
    // Only the day and month count: the year of a row is not compared.
    const MyDatePtr old = MyDate::dateWithTimeIntervalSince1970(row.date());
    if (old->dayNum() == date.dayNum() && old->monthNum() == date.monthNum()) return false;
    row.setDate(date.timeIntervalSince1970());
    return true;
}

void EntryListSheet::tableViewSetObjectValueForTableColumnRow(kit::TableView*,
                                                              const QVariant& value,
                                                              kit::TableColumn* column, int row) {
    if (isReadOnly() || !column || row < 0 || row >= rows_.size()) return;
    const BirthdayPtr entry = rows_.at(row);
    const QString text = value.toString();
    if (column->identifier() == nameColumn()) {
        if (text == entry->title()) return;
        entry->setTitle(text);
        entry->setIsChanged(true);
        return;
    }
    if (column->identifier() != kDateColumn) return;
    const MyDatePtr date = dateFromString(text);
    if (!date) {
        editCellLater(kDateColumn, entry);
        return;
    }
    if (takeTypedDate(*entry, *date)) {
        entry->setIsChanged(true);
        gui_table->deselectAll();
        sortRows();
        reloadTable();
        selectAndShow(indexOfRow(entry));
        refreshCounter();
    }
    editCellLater(nameColumn(), entry);
}

void EntryListSheet::editCellLater(const QString& column, const BirthdayPtr& row) {
    QTimer::singleShot(0, this, [this, column, row] {
        const int index = indexOfRow(row);
        if (!gui_table || index < 0 || !isSheetUp()) return;
        gui_table->editColumnRow(gui_table->columnWithIdentifier(column), index, nullptr, true);
    });
}

void EntryListSheet::selectAndShow(int index) {
    if (index < 0) return;
    gui_table->scrollRowToVisible(index);
    gui_table->selectRow(index);
}

// --- Adding, removing and keys --------------------------------------------------------

void EntryListSheet::newEntry() {
    if (isReadOnly() || !gui_table) return;
    const BirthdayPtr row = makeNewRow();
    rows_.append(row);
    gui_table->deselectAll();
    sortRows();
    reloadTable();
    refreshCounter();
    const int index = indexOfRow(row);
    gui_table->scrollRowToVisible(index);
    gui_table->selectRow(index);
    gui_table->editColumnRow(gui_table->columnWithIdentifier(kDateColumn), index, nullptr, true);
}

void EntryListSheet::removeEntries() {
    if (isReadOnly() || !gui_table) return;
    gui_table->abortEditing();
    const std::vector<int> selected = gui_table->selectedRowIndexes();
    QList<BirthdayPtr> moved;
    for (int index : selected)
        if (index >= 0 && index < rows_.size()) moved << rows_.at(index);
    for (const BirthdayPtr& row : moved) rows_.removeOne(row);
    removed_ << moved;
    gui_table->deselectAll();
    reloadTable();
    refreshCounter();
}

void EntryListSheet::keyDown(const kit::Event& event) {
    if (isReadOnly()) return;
    switch (event.keyCode()) {
        case kKeySpace:
            newEntry();
            return;
        case kKeyDelete:
        case kKeyForwardDelete:
            removeEntries();
            return;
        default:
            kit::WindowController::keyDown(event);
    }
}

// --- Writing --------------------------------------------------------------------------

void EntryListSheet::cancelPressed(QObject*) {
    if (!isSheetUp()) return;
    gui_table->abortEditing();
    gui_table->deselectAll();
    endSheet();
}

void EntryListSheet::deselectAndHideButtons() {
    // What is being typed counts.
    gui_table->endEditing();
    gui_table->deselectAll();
    gui_addButton->setHidden(true);
    gui_delButton->setHidden(true);
}

void EntryListSheet::endSheet() {
    sourcesheets::endIfUp(gui_sheet);
}

CalendarPtr EntryListSheet::pageCalendar() const {
    if (const auto sources = calendarSources.lock())
        if (CalendarPtr known = sources->calendarWithUID(calendar_->uid())) return known;
    return calendar_;
}

calstore::EventPtr EntryListSheet::entryEventForRow(const Birthday& row) const {
    const MyDatePtr day = MyDate::dateWithTimeIntervalSince1970(row.date());
    auto event = calstore::Event::event();
    event->setCalendar(calendar_ ? calendar_->calendar() : nullptr);
    event->setTitle(row.title());
    event->setIsAllDay(true);
    // The store keeps an all-day event's end inside its last day.
    event->setStartDate(day->startOfDay()->nsDate());
    event->setEndDate(day->endOfDay()->nsDate());
    return event;
}

bool EntryListSheet::saveEntryEvent(const calstore::EventPtr& event) {
    const QString kind = kindOfEntry();
    try {
        QString error;
        if (!injectedFault(true, event) &&
            MyEventStore::saveEventSpanError(event, calstore::Span::ThisEvent, &error))
            return true;
        foundation::log(QStringLiteral("ERROR: updating %1 event failed!").arg(kind));
    } catch (const calstore::StoreError& error) {
        foundation::log(QStringLiteral("ERROR: updating %1 event failed with exception %2")
                            .arg(kind, error.reason()));
    }
    return false;
}

bool EntryListSheet::removeEntryEvent(const calstore::EventPtr& event, calstore::Span span) {
    const QString kind = kindOfEntry();
    try {
        QString error;
        if (!injectedFault(false, event) && MyEventStore::removeEventSpanError(event, span, &error))
            return true;
        foundation::log(QStringLiteral("ERROR: deleting %1 event failed!").arg(kind));
    } catch (const calstore::StoreError& error) {
        foundation::log(QStringLiteral("ERROR: deleting %1 event failed with exception %2")
                            .arg(kind, error.reason()));
    }
    return false;
}

void EntryListSheet::addToPages(const calstore::EventPtr& event) {
    const CalendarPtr calendar = pageCalendar();
    const MyDatePtr start = MyDate::dateWithNSDate(event->startDate());
    for (const YearViewTargetPtr& page : pagesShowing(*start))
        if (page)
            page->threadedAddEventFromCalendarForDayInMonthInFullLoading(
                event, calendar, start->dayNum(), start->monthNum(), false);
}

void EntryListSheet::removeFromPages(const calstore::EventPtr& event) {
    for (const YearViewTargetPtr& page : {pages_.current, pages_.following, pages_.preceding})
        if (page)
            page->threadedRemoveEventUIDFromDayInMonth(event->uid(), dayOf(event), monthOf(event));
}

void EntryListSheet::countDone(int done, int total) {
    gui_progress->setDoubleValue(double(done) / double(total) * 100.0);
    // The writing holds the main thread: the bar is drawn at once.
    gui_progress->display();
}

void EntryListSheet::writeAndEnd(const QList<BirthdayPtr>& toWrite,
                                 const QList<BirthdayPtr>& toDelete) {
    unwritten_.clear();
    unremoved_.clear();
    const int total = int(toWrite.size() + toDelete.size());
    if (total == 0) {
        endSheet();
        return;
    }
    gui_progressLabel->setHidden(false);
    gui_progress->setHidden(false);
    gui_progress->setIndeterminate(false);
    gui_progress->setDoubleValue(0);
    gui_progress->display();
    int done = 0;

    for (const BirthdayPtr& row : toDelete) {
        if (const calstore::EventPtr event = row->event()) {
            if (removeEntryEvent(event, removalSpanFor(event)))
                removeFromPages(event);
            else
                unremoved_ << row->title();
        }
        countDone(++done, total);
    }

    for (const BirthdayPtr& row : toWrite) {
        // The new entry goes in before the old one goes out, so that a refusal
        // of the store leaves the old entry rather than none.
        const calstore::EventPtr fresh = entryEventForRow(*row);
        const calstore::EventPtr old = row->event();
        if (!saveEntryEvent(fresh)) {
            unwritten_ << row->title();
        } else if (!old) {
            addToPages(fresh);
        } else if (removeEntryEvent(old, removalSpanFor(old))) {
            removeFromPages(old);
            addToPages(fresh);
        } else {
            // The old entry stays: the new one goes again, or the entry
            // would be there twice.
            foundation::log(QStringLiteral("  the old %1 entry stays; taking the new one back")
                                .arg(kindOfEntry()));
            if (!removeEntryEvent(fresh, calstore::Span::AllEvents)) addToPages(fresh);
            unwritten_ << row->title();
        }
        countDone(++done, total);
    }

    if (pages_.current) pages_.current->threadedUpdateView();
    if (pages_.following) pages_.following->threadedUpdateViewOffscreen();
    if (pages_.preceding) pages_.preceding->threadedUpdateViewOffscreen();
    gui_progress->stopAnimation();
    kit::Window* host = kit::Sheet::sheetParent(gui_sheet);
    endSheet();
    reportFailures(host);
}

void EntryListSheet::reportFailures(kit::Window* host) {
    if (unwritten_.isEmpty() && unremoved_.isEmpty()) return;
    QStringList lines;
    if (!unwritten_.isEmpty())
        lines << foundation::localized(QStringLiteral("entrySheetNotWritten")) +
                     QStringLiteral(" ") + unwritten_.join(QStringLiteral(", "));
    if (!unremoved_.isEmpty())
        lines << foundation::localized(QStringLiteral("entrySheetNotRemoved")) +
                     QStringLiteral(" ") + unremoved_.join(QStringLiteral(", "));
    if (failureAlert_) delete failureAlert_;
    auto* alert = new kit::Alert();
    alert->setParent(this);
    alert->setMessageText(foundation::localized(QStringLiteral("entrySheetFailureMessage")));
    alert->setInformativeText(lines.join(QLatin1Char('\n')));
    failureAlert_ = alert;
    const QPointer<kit::Alert> shown = alert;
    if (!host || !alert->beginSheetModalForWindow(host, [shown](int) {
            if (shown) shown->deleteLater();
        }))
        foundation::log(QStringLiteral("ERROR: %1 entries not written: %2")
                            .arg(kindOfEntry(), alert->informativeText()));
}
