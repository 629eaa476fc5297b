#pragma once

// The fixture of the birthday and holiday sheet tests: a test store with a
// birthday store, a holiday store and the platform's own birthday calendar,
// the model loaded from it, a host window, the three year pages as test pages,
// and helpers to fill the store, drive the table and read the store's files.
#include "data/CalendarSourcesTestSupport.h"
#include "data/YearViewEventLoaderTestSupport.h"

#include "data/MyDate.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/AttributedString.h"
#include "platform/kit/Event.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TableColumn.h"
#include "platform/kit/Window.h"
#include "platform/store/RecurrenceRule.h"
#include "sources/BirthdaySheetController.h"
#include "sources/HolidaySheetController.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QMultiMap>
#include <QRegularExpression>

#include <condition_variable>
#include <mutex>

namespace listsheets {

using calsrctest::CalendarSourcesTest;

// Holds the loading threads of the sheets until released. A thread still on
// its way out of the hook keeps the gate's state alive.
class LoadGate {
public:
    LoadGate() {
        testhooks::setEntryLoadHook([state = state_] {
            std::unique_lock lock(state->mutex);
            ++state->waiting;
            state->open.wait(lock, [&] { return state->released; });
        });
    }
    ~LoadGate() {
        release();
        testhooks::setEntryLoadHook({});
    }
    bool someoneWaits() {
        std::lock_guard lock(state_->mutex);
        return state_->waiting > 0;
    }
    void release() {
        std::lock_guard lock(state_->mutex);
        state_->released = true;
        state_->open.notify_all();
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable open;
        int waiting = 0;
        bool released = false;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

class ListSheetsTest : public CalendarSourcesTest {
protected:
    void SetUp() override {
        CalendarSourcesTest::SetUp();
        foundation::setLocaleIdentifier(QStringLiteral("de_DE"));
        year = MyDate::date()->yearNum();
        host = std::make_unique<kit::Window>(QRectF(100, 100, 900, 600));
        host->orderFront();
        addCalendar({"bdays", "Birthdays"});
        addCalendar({"hols", "Holidays"});
        addCalendar({"ab", "Contacts", "birthday"});
        foundation::Defaults::standard().setObject(
            CalendarSources::kCalendarsPrefs,
            QVariantMap{{"bdays", calendarEntry("Birthdays", true, 3, 0)},
                        {"hols", calendarEntry("Holidays", true, 2, 1)}});
        load();
        current = std::make_shared<loadertest::TestPage>(year);
        following = std::make_shared<loadertest::TestPage>(year + 1);
        preceding = std::make_shared<loadertest::TestPage>(year - 1);
    }
    void TearDown() override {
        testhooks::setEntryStoreFault({});
        testhooks::setEntryLoadHook({});
        BirthdaySheetController::resetSharedWinController();
        HolidaySheetController::resetSharedWinController();
        foundation::waitForThreads(5.0);
        foundation::setLocaleIdentifier(QString());
        host.reset();
        CalendarSourcesTest::TearDown();
    }

    YearPages pages() const { return {current, following, preceding}; }

    // An all-day event of the store on that day, yearly when asked.
    calstore::EventPtr addEntry(const QString& calendar, const QString& title, const QDate& day,
                                bool yearly = false) {
        auto store = calstore::Store::defaultStore();
        auto event = calstore::Event::event();
        event->setCalendar(store->calendarWithUID(calendar));
        event->setTitle(title);
        event->setIsAllDay(true);
        const MyDatePtr start = MyDate::dateWithDayMonthYear(day.day(), day.month(), day.year());
        event->setStartDate(start->nsDate());
        event->setEndDate(start->endOfDay()->nsDate());
        if (yearly)
            event->setRecurrenceRule(
                calstore::RecurrenceRule::initYearlyRecurrenceWithIntervalEnd(1, {}));
        EXPECT_TRUE(store->saveEvent(event, calstore::Span::ThisEvent));
        return event;
    }

    // The .ics files of a calendar folder, by title (its SUMMARY line).
    QMultiMap<QString, QString> storeFiles(const QString& folder) const {
        QMultiMap<QString, QString> files;
        const QDir dirOf(dir.file(QStringLiteral("store/") + folder));
        for (const QString& name : dirOf.entryList({QStringLiteral("*.ics")}, QDir::Files)) {
            QFile file(dirOf.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) continue;
            const QString text = QString::fromUtf8(file.readAll());
            QString title;
            for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r?\n"))))
                if (line.startsWith(QStringLiteral("SUMMARY:"))) title = line.mid(8);
            files.insert(title, text);
        }
        return files;
    }

    // The titles of a calendar's events in a year, sorted, each with its date.
    static QStringList storedIn(const QString& calendar, int inYear) {
        auto store = calstore::Store::defaultStore();
        const auto events =
            store->eventsWithPredicate(calstore::Store::eventPredicateWithStartDateEndDateCalendars(
                MyDate::dateWithDayMonthYear(1, 1, inYear)->nsDate(),
                MyDate::dateWithDayMonthYear(31, 12, inYear)->endOfDay()->nsDate(),
                {store->calendarWithUID(calendar)}));
        QStringList out;
        for (const auto& event : events)
            out << MyDate::dateWithNSDate(event->startDate())
                           ->nsDate()
                           .toLocalTime()
                           .toString(QStringLiteral("MM-dd ")) +
                       event->title();
        out.sort();
        return out;
    }

    // The rows as the table shows them: "date|name", grey rows with a "*".
    static QStringList shown(EntryListSheet* sheet) {
        QStringList out;
        kit::TableView* table = sheet->table();
        const int rows = sheet->numberOfRowsInTableView(table);
        for (int row = 0; row < rows; ++row) {
            QStringList cells;
            bool grey = false;
            for (int column = 0; column < table->numberOfColumns(); ++column) {
                const QVariant value = sheet->tableViewObjectValueForTableColumnRow(
                    table, table->tableColumnAt(column), row);
                if (value.metaType() == QMetaType::fromType<kit::AttributedString>()) {
                    grey = true;
                    cells << value.value<kit::AttributedString>().string();
                } else {
                    cells << value.toString();
                }
            }
            out << cells.join(QLatin1Char('|')) + (grey ? QStringLiteral("*") : QString());
        }
        return out;
    }

    // Types into a cell as the table's editor hands it over.
    static void type(EntryListSheet* sheet, const QString& column, int row, const QString& text) {
        kit::TableView* table = sheet->table();
        sheet->tableViewSetObjectValueForTableColumnRow(
            table, text, table->tableColumnWithIdentifier(column), row);
    }

    // A double click on the cell, as the user gives it; answers whether it
    // opened an editor (which is closed again).
    static bool doubleClickOpensEditor(EntryListSheet* sheet, int column, int row) {
        kit::TableView* table = sheet->table();
        const QRectF cell = table->frameOfCellAtColumnRow(column, row);
        const QPointF inWindow = table->convertPointToView(cell.center(), nullptr);
        table->mouseDown(
            kit::Event::mouseEvent(kit::EventType::LeftMouseDown, inWindow, 0, 2, sheet->sheet()));
        const bool opened = table->currentEditor() != nullptr;
        table->abortEditing();
        return opened;
    }

    static int rowNamed(EntryListSheet* sheet, const QString& title) {
        for (int i = 0; i < sheet->rows().size(); ++i)
            if (sheet->rows().at(i)->title() == title) return i;
        return -1;
    }

    static bool waitLoaded(EntryListSheet* sheet) {
        return testsupport::waitUntil([sheet] { return !sheet->isLoading(); });
    }

    BirthdaySheetController* openBirthdays(const QString& calendar = QStringLiteral("bdays")) {
        auto* sheet = BirthdaySheetController::sharedWinController();
        sheet->openSheetForCalendarOnWindowFromWithCurrentYView(sources->calendarWithUID(calendar),
                                                                host.get(), sources, pages());
        EXPECT_TRUE(sheet->isSheetUp());
        EXPECT_TRUE(waitLoaded(sheet));
        return sheet;
    }

    HolidaySheetController* openHolidays() {
        auto* sheet = HolidaySheetController::sharedWinController();
        sheet->openSheetForCalendarOnWindowFromWithCurrentYView(
            sources->calendarWithUID(QStringLiteral("hols")), host.get(), sources, pages());
        EXPECT_TRUE(sheet->isSheetUp());
        EXPECT_TRUE(waitLoaded(sheet));
        return sheet;
    }

    int year = 0;
    std::unique_ptr<kit::Window> host;
    std::shared_ptr<loadertest::TestPage> current, following, preceding;
};

}  // namespace listsheets
