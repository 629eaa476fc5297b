#pragma once

#include "data/Birthday.h"
#include "data/Calendar.h"
#include "data/MyDate.h"
#include "data/YearViewTarget.h"
#include "platform/kit/Alert.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "platform/kit/WindowController.h"
#include "platform/store/Store.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class CalendarSources;
namespace kit {
class Event;
}  // namespace kit

// The three year pages of the main window that a list sheet keeps up to date
// when it writes: the page shown, and the pages of the following and the
// preceding year. Any of them may be missing.
struct YearPages {
    YearViewTargetPtr current;
    YearViewTargetPtr following;
    YearViewTargetPtr preceding;
};

// What the birthday and holiday list sheets share: the sheet with its table of
// date and name, the reading of typed dates, the editing of cells, adding and
// removing rows, the keys, the rows arriving from a loading thread, and the
// writing of changed rows on OK with the progress bar and the year pages.
//
// The row list is the main thread's alone: a loading thread hands every row to
// the main thread, which adds it only while that load is still the current one.
// Writing replaces an entry by saving the new event first and removing the old
// one only after that, so that a refusal of the store never loses an entry;
// rows that could not be written or removed are named in an alert once the
// sheet has ended. Main thread only.
class EntryListSheet : public kit::WindowController,
                       public kit::TableViewDataSource,
                       public kit::TableViewDelegate {
    Q_OBJECT

public:
    static constexpr double kWidth = 420;
    static constexpr double kHeight = 440;
    static inline const QString kDateColumn = QStringLiteral("date");

    ~EntryListSheet() override;

    // A typed day and month in `year`: month first ("12/24") when `monthFirst`,
    // else day first ("24.12"); blanks may stand for the separator, which may
    // also be missing, and what follows the second number is ignored. None for
    // a month outside 1..12, a day outside 1..31 or a missing number; a day
    // beyond the end of its month rolls over into the next (31 April: 1 May).
    static MyDatePtr dateFromStringInYear(const QString& text, bool monthFirst, int year);
    // The same in the sheet's year and the order of the user's locale.
    MyDatePtr dateFromString(const QString& text) const;

    // -- State, for the owner and tests.
    bool isSheetUp() const;
    bool isLoading() const { return loading_; }
    const QList<BirthdayPtr>& rows() const { return rows_; }
    const QList<BirthdayPtr>& removedRows() const { return removed_; }
    // The rows of the last OK that could not be written or removed, as the
    // alert names them (empty when everything was written).
    const QStringList& unwrittenRows() const { return unwritten_; }
    const QStringList& unremovedRows() const { return unremoved_; }
    kit::Alert* failureAlert() const { return failureAlert_; }

    // -- Parts, for tests.
    kit::Window* sheet() { return window(); }
    kit::TableView* table() const { return gui_table; }
    kit::TextField* heading() const { return gui_heading; }
    kit::TextField* countText() const { return gui_countText; }
    kit::TextField* progressLabel() const { return gui_progressLabel; }
    kit::ProgressIndicator* progress() const { return gui_progress; }
    kit::Button* addButton() const { return gui_addButton; }
    kit::Button* deleteButton() const { return gui_delButton; }
    kit::Button* okButton() const { return gui_okButton; }
    kit::Button* cancelButton() const { return gui_cancelButton; }

    // Ends the sheet without writing anything.
    Q_INVOKABLE void cancelPressed(QObject* sender = nullptr);

    // Space adds a row, Delete and Forward Delete remove the selected ones.
    void keyDown(const kit::Event& event) override;

    // -- The table.
    int numberOfRowsInTableView(kit::TableView* table) override;
    QVariant tableViewObjectValueForTableColumnRow(kit::TableView* table, kit::TableColumn* column,
                                                   int row) override;
    void tableViewSetObjectValueForTableColumnRow(kit::TableView* table, const QVariant& value,
                                                  kit::TableColumn* column, int row) override;
    bool tableViewShouldEditTableColumnRow(kit::TableView* table, kit::TableColumn* column,
                                           int row) override;

protected:
    EntryListSheet() = default;

    // -- What each sheet says for itself.
    // The identifier of the name column ("who", "holiday").
    virtual QString nameColumn() const = 0;
    // The year that typed dates fall in.
    virtual int entryYear() const = 0;
    virtual bool isReadOnly() const { return false; }
    // The text of the row's date cell; the whole row is grey when `grey`.
    virtual QString dateTextOfRow(const Birthday& row) const = 0;
    virtual bool isGreyRow(const Birthday&) const { return false; }
    virtual void refreshCounter() = 0;
    virtual BirthdayPtr makeNewRow() const = 0;
    // Whether typing `date` into the row's date cell changes the row; a changed
    // row has been given the date already.
    virtual bool takeTypedDate(Birthday& row, const MyDate& date);
    // The store event that the row is written as: by default a single all-day
    // event in the edited calendar on the row's day, titled with its name.
    virtual calstore::EventPtr entryEventForRow(const Birthday& row) const;
    // The span with which an entry's stored event is removed.
    virtual calstore::Span removalSpanFor(const calstore::EventPtr&) const {
        return calstore::Span::AllEvents;
    }
    // The pages that show an entry written on `date`.
    virtual QList<YearViewTargetPtr> pagesShowing(const MyDate& date) const = 0;
    // "birthday" or "holiday", for the log lines.
    virtual QString kindOfEntry() const = 0;

    // -- Building the sheet: the picture, the heading, the table with its two
    // columns, the add and remove buttons (sending `addAction` and
    // `removeAction`), the counter, the progress bar and OK and Cancel. The
    // space above the table is `topSpace` high.
    kit::Window* buildSheet(const QString& picture, double topSpace, const char* addAction,
                            const char* removeAction);

    // -- Opening: stores what the sheet works on; false when it cannot open
    // (nothing to open on, or the sheet is up already).
    bool prepareOpening(const CalendarPtr& calendar, kit::Window* host,
                        const std::shared_ptr<CalendarSources>& sources, const YearPages& pages);
    bool beginSheetOn(kit::Window* host);

    // -- Loading. The loading state: OK and Cancel disabled, add and remove
    // hidden, the busy bar shown. Starting a load forgets the rows of any load
    // before it.
    void showLoadingState();
    void showEditingState(bool showAddRemove);
    // A new load: the rows are emptied, and the loads before it hand nothing more.
    int beginLoad();
    // Runs `fn` on the main thread while load `load` is the current one.
    using MainStep = std::function<void(EntryListSheet*)>;
    static void handToMain(const QPointer<EntryListSheet>& sheet, int load, MainStep fn);
    // The query of one range of the edited calendar, on the loading thread; a
    // refusal of the store is logged with `what`.
    static QList<calstore::EventPtr> queryEvents(const calstore::CalendarPtr& calendar,
                                                 const QDateTime& from, const QDateTime& to,
                                                 const QString& what);
    // Hands a row for each stored event (its start, title and the event) to
    // the main thread, to join load `load`.
    static void handLoadedRows(const QPointer<EntryListSheet>& sheet, int load,
                               const QList<calstore::EventPtr>& events);
    // Adds a row in its place by date and refreshes the table and counter.
    void insertSorted(const BirthdayPtr& row);
    void sortRows();
    // Runs, on the loading thread, before each step that hands rows (tests).
    static void runLoadHook();

    // -- Adding and removing.
    void newEntry();
    void removeEntries();

    // -- Writing. Removes `toDelete` and writes `toWrite`, counting each on the
    // progress bar, tells the year pages, ends the sheet and names the rows
    // that failed. Nothing is written or redrawn for two empty lists.
    void writeAndEnd(const QList<BirthdayPtr>& toWrite, const QList<BirthdayPtr>& toDelete);
    void endSheet();
    void deselectAndHideButtons();
    void reloadTable();

    int indexOfRow(const BirthdayPtr& row) const { return int(rows_.indexOf(row)); }
    // Opens the cell for editing once the table has finished the edit in hand.
    void editCellLater(const QString& column, const BirthdayPtr& row);
    void selectAndShow(int index);

    // The edited calendar as the pages know it.
    CalendarPtr pageCalendar() const;

    QPointer<kit::Window> gui_sheet;
    QPointer<kit::ImageView> gui_image;
    QPointer<kit::TextField> gui_heading;
    QPointer<kit::ScrollView> gui_scrollView;
    QPointer<kit::TableView> gui_table;
    QPointer<kit::Button> gui_addButton, gui_delButton;
    QPointer<kit::TextField> gui_countText;
    QPointer<kit::TextField> gui_progressLabel;
    QPointer<kit::ProgressIndicator> gui_progress;
    QPointer<kit::Button> gui_okButton, gui_cancelButton;

    CalendarPtr calendar_;
    std::weak_ptr<CalendarSources> calendarSources;
    YearPages pages_;
    QList<BirthdayPtr> rows_;
    QList<BirthdayPtr> removed_;
    QString language;
    bool loading_ = false;

private:
    // The store's answer to a save or removal, guarded and logged.
    bool saveEntryEvent(const calstore::EventPtr& event);
    bool removeEntryEvent(const calstore::EventPtr& event, calstore::Span span);
    void addToPages(const calstore::EventPtr& event);
    void removeFromPages(const calstore::EventPtr& event);
    void countDone(int done, int total);
    void reportFailures(kit::Window* host);

    int load_ = 0;
    QStringList unwritten_, unremoved_;
    QPointer<kit::Alert> failureAlert_;
};

namespace testhooks {
// Makes the list sheets' store writes fail as a refusal of the store would,
// for each write that `fails` answers true for (`saving`: a save, else a
// removal). Tests only; an empty function removes it.
void setEntryStoreFault(std::function<bool(bool saving, const calstore::EventPtr& event)> fails);
// Runs on the loading thread of the list sheets before they hand rows to the
// main thread (a test holds a load there). Tests only.
void setEntryLoadHook(std::function<void()> hook);
}  // namespace testhooks
