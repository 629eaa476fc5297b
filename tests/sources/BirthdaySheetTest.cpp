// The birthday list sheet on a test store: the date reader, loading, editing,
// writing on OK with the store refusing some writes, the read-only platform
// calendar, and selecting a row by name.
#include "ListSheetsTestSupport.h"

#include "platform/kit/Alert.h"
#include "platform/kit/Event.h"
#include "platform/kit/Panel.h"

#include <QApplication>

using namespace listsheets;

namespace {

QString ymd(const MyDatePtr& date) {
    return date ? date->nsDate().toLocalTime().toString(QStringLiteral("yyyy-MM-dd"))
                : QStringLiteral("none");
}

QString dateLine(const QDate& day) {
    return QStringLiteral("DTSTART;VALUE=DATE:") + day.toString(QStringLiteral("yyyyMMdd"));
}

kit::Event key(int code) {
    return kit::Event::keyEvent(kit::EventType::KeyDown, code, QString(), 0);
}

}  // namespace

TEST(EntryDateReader, ReadsDayAndMonthInBothOrders) {
    struct Case {
        const char* text;
        bool monthFirst;
        int year;
        const char* expected;
    };
    const Case cases[] = {
        {"24.12", false, 2026, "2026-12-24"},
        {"24.12.1990", false, 2026, "2026-12-24"},  // the rest is ignored
        {"24 12", false, 2026, "2026-12-24"},       // a blank for the separator
        {" 3 . 4", false, 2026, "2026-04-03"},
        {"3", false, 2026, "none"},  // no second number
        {"abc", false, 2026, "none"},
        {"0.5", false, 2026, "none"},
        {"32.5", false, 2026, "none"},
        {"5.0", false, 2026, "none"},
        {"5.13", false, 2026, "none"},
        {"-1.5", false, 2026, "none"},
        {"31.4", false, 2026, "2026-05-01"},  // rolls over
        {"29.2", false, 2027, "2027-03-01"},  // a common year
        {"29.2", false, 2028, "2028-02-29"},
        {"12/24", true, 2026, "2026-12-24"},
        {"12 24", true, 2026, "2026-12-24"},
        {"12/24/1990", true, 2026, "2026-12-24"},
        {"12", true, 2026, "none"},
        {"13/1", true, 2026, "none"},
        {"0/1", true, 2026, "none"},
        {"1/32", true, 2026, "none"},
        {"1/0", true, 2026, "none"},
        {"2/29", true, 2027, "2027-03-01"},
        {"24.12", true, 2026, "none"},  // day first where month first is read
        {"99999999999.1", false, 2026, "none"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ymd(EntryListSheet::dateFromStringInYear(QString::fromUtf8(c.text), c.monthFirst,
                                                           c.year)),
                  QString::fromUtf8(c.expected))
            << c.text << (c.monthFirst ? " month first" : " day first");
    // The result lies at 00:00.
    EXPECT_EQ(EntryListSheet::dateFromStringInYear(QStringLiteral("1.3"), false, 2026)->hourNum(),
              0);
}

class BirthdaySheetTest : public ListSheetsTest {};

TEST_F(BirthdaySheetTest, ListsTheYearsBirthdaysSortedUpToTheThirtyFirstOfDecember) {
    addEntry("bdays", "Zoe", QDate(year - 20, 12, 31), true);
    addEntry("bdays", "Anna", QDate(year - 30, 3, 15), true);
    addEntry("bdays", "Bert", QDate(year, 7, 1), true);
    auto* sheet = openBirthdays();
    EXPECT_EQ(shown(sheet), QStringList({"15.3.|Anna", "1.7.|Bert", "31.12.|Zoe"}));
    EXPECT_EQ(sheet->countText()->stringValue(), "3 birthdays");
    EXPECT_FALSE(sheet->addButton()->isHidden());
    EXPECT_TRUE(sheet->okButton()->isEnabled());
    EXPECT_TRUE(sheet->progress()->isHidden());
    // The row is the occurrence of this year.
    EXPECT_EQ(MyDate::dateWithTimeIntervalSince1970(sheet->rows().at(0)->date())->yearNum(), year);
    sheet->cancelPressed();
    EXPECT_FALSE(sheet->isSheetUp());

    // Month first in the United States.
    BirthdaySheetController::resetSharedWinController();
    foundation::setLocaleIdentifier(QStringLiteral("en_US"));
    sheet = openBirthdays();
    EXPECT_EQ(shown(sheet), QStringList({"3/15|Anna", "7/1|Bert", "12/31|Zoe"}));
    type(sheet, EntryListSheet::kDateColumn, 0, QStringLiteral("3/16"));
    EXPECT_EQ(shown(sheet).at(0), "3/16|Anna");
}

TEST_F(BirthdaySheetTest, EditsAreWrittenAsYearlyEntriesAndThePagesFollow) {
    const auto anna = addEntry("bdays", "Anna", QDate(year - 30, 3, 15), true);
    const auto bert = addEntry("bdays", "Bert", QDate(year - 40, 7, 1), true);
    const auto carl = addEntry("bdays", "Carl", QDate(year - 10, 9, 9), true);
    addEntry("bdays", "Dora", QDate(year - 5, 10, 10), true);
    auto* sheet = openBirthdays();

    EXPECT_TRUE(doubleClickOpensEditor(sheet, 1, 0));
    // The same day and month again changes nothing; a new date re-sorts.
    type(sheet, EntryListSheet::kDateColumn, 0, QStringLiteral("15 3"));
    EXPECT_FALSE(sheet->rows().at(0)->isChanged());
    type(sheet, EntryListSheet::kDateColumn, 0, QStringLiteral("2.8."));
    EXPECT_EQ(shown(sheet), QStringList({"1.7.|Bert", "2.8.|Anna", "9.9.|Carl", "10.10.|Dora"}));
    EXPECT_EQ(sheet->table()->selectedRow(), 1);
    // A refused date keeps the row as it was.
    type(sheet, EntryListSheet::kDateColumn, 0, QStringLiteral("32.1"));
    EXPECT_EQ(shown(sheet).at(0), "1.7.|Bert");
    EXPECT_FALSE(sheet->rows().at(0)->isChanged());
    // The same name changes nothing; another one does.
    type(sheet, BirthdaySheetController::kNameColumn, 0, QStringLiteral("Bert"));
    EXPECT_FALSE(sheet->rows().at(0)->isChanged());
    type(sheet, BirthdaySheetController::kNameColumn, 0, QStringLiteral("Bertram"));
    EXPECT_TRUE(sheet->rows().at(0)->isChanged());

    // Space adds a row dated today; Delete removes the selected rows.
    sheet->keyDown(key(49));
    ASSERT_EQ(sheet->rows().size(), 5);
    const int fresh = rowNamed(sheet, "New birthday");
    ASSERT_GE(fresh, 0);
    type(sheet, BirthdaySheetController::kNameColumn, fresh, QStringLiteral("Emil"));
    type(sheet, EntryListSheet::kDateColumn, rowNamed(sheet, "Emil"), QStringLiteral("29.2"));
    sheet->newBirthday();  // added and removed again: nothing to write
    sheet->table()->selectRowIndexes({rowNamed(sheet, "New birthday"), rowNamed(sheet, "Carl")},
                                     false);
    sheet->keyDown(key(51));
    EXPECT_EQ(sheet->removedRows().size(), 2);
    EXPECT_EQ(sheet->countText()->stringValue(), "4 birthdays");
    QApplication::processEvents();

    sheet->okPressed();
    EXPECT_FALSE(sheet->isSheetUp());
    EXPECT_TRUE(sheet->unwrittenRows().isEmpty());
    EXPECT_FALSE(sheet->failureAlert());

    // Birthday entries: all-day, yearly without end, first in this year.
    const auto files = storeFiles("bdays");
    EXPECT_EQ(files.keys(), QStringList({"Anna", "Bertram", "Dora", "Emil"}));
    const QDate feb29 = QDate(year, 3, 1).addDays(QDate::isLeapYear(year) ? -1 : 0);
    for (const auto& [title, day] : {std::pair{QStringLiteral("Anna"), QDate(year, 8, 2)},
                                     std::pair{QStringLiteral("Bertram"), QDate(year, 7, 1)},
                                     std::pair{QStringLiteral("Emil"), feb29}}) {
        const QString text = files.value(title);
        EXPECT_TRUE(text.contains(dateLine(day))) << title.toStdString() << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("RRULE:FREQ=YEARLY"))) << title.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("UNTIL")) ||
                     text.contains(QStringLiteral("COUNT")));
        EXPECT_FALSE(text.contains(QStringLiteral("LOCATION")));
    }
    EXPECT_EQ(storedIn("bdays", year + 1).size(), 4);

    // The three pages: old entries gone, new ones on their days, redrawn.
    for (const auto& page : {current, following, preceding}) {
        EXPECT_TRUE(page->daysOf(anna->uid()).isEmpty());
        EXPECT_TRUE(page->daysOf(bert->uid()).isEmpty());
        EXPECT_TRUE(page->daysOf(carl->uid()).isEmpty());
        EXPECT_EQ(page->entryCount(), 3);
    }
    EXPECT_EQ(current->updates(), 1);
    EXPECT_EQ(following->offscreenUpdates(), 1);
    EXPECT_EQ(preceding->offscreenUpdates(), 1);
}

TEST_F(BirthdaySheetTest, OkWithNothingChangedWritesAndRedrawsNothing) {
    addEntry("bdays", "Anna", QDate(year - 30, 3, 15), true);
    const auto before = storeFiles("bdays");
    auto* sheet = openBirthdays();
    sheet->newBirthday();
    sheet->table()->selectRow(rowNamed(sheet, "New birthday"));
    sheet->removeBirthdays();
    sheet->okPressed();
    EXPECT_FALSE(sheet->isSheetUp());
    EXPECT_EQ(storeFiles("bdays"), before);
    EXPECT_EQ(current->updates() + following->offscreenUpdates() + preceding->offscreenUpdates(),
              0);
}

TEST_F(BirthdaySheetTest, RefusedWritesLoseNoEntryDoubleNoneAndAreNamed) {
    addEntry("bdays", "Anna", QDate(year - 30, 3, 15), true);
    addEntry("bdays", "Bert", QDate(year - 40, 7, 1), true);
    addEntry("bdays", "Carl", QDate(year - 10, 9, 9), true);
    addEntry("bdays", "Dora", QDate(year - 5, 10, 10), true);
    auto* sheet = openBirthdays();
    // Anna's new entry is refused; Bert's old one will not go; Carl's removal
    // is refused; Dora goes through.
    testhooks::setEntryStoreFault([](bool saving, const calstore::EventPtr& event) {
        return (saving && event->title() == "Anna 2") ||
               (!saving && (event->title() == "Bert" || event->title() == "Carl"));
    });
    type(sheet, BirthdaySheetController::kNameColumn, rowNamed(sheet, "Anna"), "Anna 2");
    type(sheet, BirthdaySheetController::kNameColumn, rowNamed(sheet, "Bert"), "Bert 2");
    type(sheet, BirthdaySheetController::kNameColumn, rowNamed(sheet, "Dora"), "Dora 2");
    sheet->table()->selectRow(rowNamed(sheet, "Carl"));
    sheet->removeBirthdays();
    sheet->okPressed();

    EXPECT_FALSE(sheet->isSheetUp());
    EXPECT_EQ(storedIn("bdays", year),
              QStringList({"03-15 Anna", "07-01 Bert", "09-09 Carl", "10-10 Dora 2"}));
    EXPECT_EQ(sheet->unwrittenRows(), QStringList({"Anna 2", "Bert 2"}));
    EXPECT_EQ(sheet->unremovedRows(), QStringList({"Carl"}));
    ASSERT_TRUE(sheet->failureAlert());
    EXPECT_TRUE(sheet->failureAlert()->informativeText().contains("Anna 2, Bert 2"));
    EXPECT_TRUE(sheet->failureAlert()->informativeText().contains("Carl"));
    EXPECT_EQ(kit::Sheet::attachedSheet(host.get()),
              static_cast<kit::Window*>(sheet->failureAlert()->window()));
    testsupport::saveForInspection(sheet->failureAlert()->window()->widget()->grab().toImage(),
                                   "birthday-sheet-failure-alert");
    // Only Dora's change reached the pages.
    EXPECT_EQ(current->entryCount(), 1);
}

TEST_F(BirthdaySheetTest, ThePlatformBirthdayCalendarIsOnlyShown) {
    // The platform's calendar takes no writes: its entry comes as a file.
    dir.write(QStringLiteral("store/ab/paula.ics"),
              QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n"
                             "BEGIN:VEVENT\r\nUID:paula\r\nDTSTAMP:20200101T000000Z\r\n"
                             "SUMMARY:Paula\r\nDTSTART;VALUE=DATE:%1\r\nDTEND;VALUE=DATE:%2\r\n"
                             "RRULE:FREQ=YEARLY\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
                  .arg(QString::number(year - 50) + "0505", QString::number(year - 50) + "0506")
                  .toUtf8());
    calstore::Store::defaultStore()->rescan();
    const auto before = storeFiles("ab");
    auto* sheet = openBirthdays("ab");
    EXPECT_TRUE(sheet->isBuiltinBirthdaysCalendar());
    EXPECT_EQ(shown(sheet), QStringList({"5.5.|Paula"}));
    EXPECT_EQ(sheet->heading()->stringValue(), "Birthdays from the address book");
    EXPECT_EQ(sheet->countText()->stringValue(), "1 birthday from the address book");
    EXPECT_TRUE(sheet->addButton()->isHidden());
    EXPECT_TRUE(sheet->deleteButton()->isHidden());
    kit::TableView* table = sheet->table();
    EXPECT_FALSE(sheet->tableViewShouldEditTableColumnRow(table, table->tableColumnAt(1), 0));
    EXPECT_FALSE(doubleClickOpensEditor(sheet, 1, 0));
    type(sheet, BirthdaySheetController::kNameColumn, 0, "Pauline");
    table->selectRow(0);
    for (int code : {49, 51, 117}) sheet->keyDown(key(code));
    sheet->newBirthday();
    sheet->removeBirthdays();
    EXPECT_EQ(shown(sheet), QStringList({"5.5.|Paula"}));
    sheet->okPressed();
    EXPECT_FALSE(sheet->isSheetUp());
    EXPECT_EQ(storeFiles("ab"), before);
    EXPECT_EQ(current->updates(), 0);
}

TEST_F(BirthdaySheetTest, SelectLineWithTitleBeforeAndAfterLoadingEnds) {
    addEntry("bdays", "Anna", QDate(year - 30, 11, 15), true);
    addEntry("bdays", "Anna", QDate(year - 20, 2, 1), true);
    addEntry("bdays", "Bert", QDate(year - 40, 7, 1), true);
    auto* sheet = BirthdaySheetController::sharedWinController();
    {
        // While the rows are still loading the name is remembered.
        LoadGate gate;
        sheet->openSheetForCalendarOnWindowFromWithCurrentYView(sources->calendarWithUID("bdays"),
                                                                host.get(), sources, pages());
        ASSERT_TRUE(testsupport::waitUntil([&] { return gate.someoneWaits(); }));
        EXPECT_FALSE(sheet->okButton()->isEnabled());
        sheet->selectLineWithTitle("Bert");
        EXPECT_EQ(sheet->table()->selectedRow(), -1);
    }
    ASSERT_TRUE(waitLoaded(sheet));
    EXPECT_EQ(sheet->table()->selectedRow(), rowNamed(sheet, "Bert"));
    // Once loaded, at once: the earliest of two rows of one name.
    sheet->selectLineWithTitle("Anna");
    EXPECT_EQ(sheet->table()->selectedRowIndexes(), std::vector<int>{0});
    EXPECT_EQ(MyDate::dateWithTimeIntervalSince1970(sheet->rows().at(0)->date())->monthNum(), 2);
    sheet->selectLineWithTitle("Nobody");
    EXPECT_EQ(sheet->table()->numberOfSelectedRows(), 0);
}
