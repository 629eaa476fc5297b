// The holiday list sheet on a test store: suggestions carried over from the
// year before, edits kept across years, writing every year visited, a year
// change while a year loads, and repeating holidays replaced one occurrence at
// a time.
#include "ListSheetsTestSupport.h"

using namespace listsheets;

namespace {

void choose(HolidaySheetController* sheet, int segment) {
    sheet->yearChooser()->setSelectedSegment(segment);
    sheet->changeYear();
}

}  // namespace

class HolidaySheetTest : public ListSheetsTest {};

TEST_F(HolidaySheetTest, TheYearBeforeIsSuggestedInGreyOncePerTitle) {
    addEntry("hols", "Neujahr", QDate(year - 1, 1, 1));
    addEntry("hols", "Ostern", QDate(year - 1, 4, 5));
    addEntry("hols", "Ostern", QDate(year - 1, 4, 6));
    addEntry("hols", "Tag der Arbeit", QDate(year - 1, 5, 1));
    addEntry("hols", "tag der arbeit", QDate(year, 5, 1));
    addEntry("hols", "Advent", QDate(year - 1, 11, 29));
    const auto before = storeFiles("hols");
    auto* sheet = openHolidays();
    const QString y = QString::number(year);
    // A title differing in case only is suggested; the loaded row comes first.
    EXPECT_EQ(shown(sheet),
              QStringList({"1.1.--|Neujahr*", "5.4.--|Ostern*", "1.5." + y + "|tag der arbeit",
                           "1.5.--|Tag der Arbeit*", "29.11.--|Advent*"}));
    EXPECT_EQ(sheet->countText()->stringValue(), "1 holiday in " + y);
    EXPECT_EQ(sheet->yearChooser()->labelForSegment(1), y);
    EXPECT_TRUE(sheet->yearChooser()->isEnabled());

    testsupport::saveForInspection(sheet->sheet()->widget()->grab().toImage(), "holiday-sheet");
    // A renamed suggestion stays one; a dated one (even to its own day) is a
    // holiday; a removed one deletes nothing.
    type(sheet, HolidaySheetController::kNameColumn, 0, "Neujahrstag");
    EXPECT_EQ(shown(sheet).at(0), "1.1.--|Neujahrstag*");
    type(sheet, EntryListSheet::kDateColumn, 1, "5.4");
    EXPECT_EQ(shown(sheet).at(1), "5.4." + y + "|Ostern");
    EXPECT_EQ(sheet->countText()->stringValue(), "2 holidays in " + y);
    sheet->table()->selectRow(rowNamed(sheet, "Advent"));
    sheet->removeHolidays();
    sheet->okPressed();
    EXPECT_FALSE(sheet->isSheetUp());

    auto files = storeFiles("hols");
    EXPECT_EQ(files.size(), before.size() + 1);
    const QString ostern = [&] {
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            if (it.key() == "Ostern" &&
                it.value().contains(QStringLiteral("%1").arg(year) + "0405"))
                return it.value();
        return QString();
    }();
    ASSERT_FALSE(ostern.isEmpty());
    EXPECT_FALSE(ostern.contains("RRULE"));
    EXPECT_TRUE(ostern.contains("DTSTART;VALUE=DATE:" + y + "0405"));
    EXPECT_TRUE(ostern.contains("DTEND;VALUE=DATE:" + y + "0406"));
    EXPECT_EQ(current->daysOf(current->eventsForDayAndMonth(5, 4)->at(0)->event()->uid()),
              QStringList({"04-05"}));
    EXPECT_EQ(following->entryCount() + preceding->entryCount(), 0);

    // Opening again suggests the removed holiday again.
    sheet = openHolidays();
    EXPECT_GE(rowNamed(sheet, "Advent"), 0);
    EXPECT_TRUE(sheet->rows().at(rowNamed(sheet, "Advent"))->isFromPrevYear());
}

TEST_F(HolidaySheetTest, EveryYearVisitedKeepsItsEditsAndOkWritesThemOnce) {
    addEntry("hols", "Neujahr", QDate(year, 1, 1));
    const auto old = addEntry("hols", "Fasching", QDate(year, 2, 16));
    auto* sheet = openHolidays();
    const QString y = QString::number(year);
    // This year: a new holiday and a removal.
    sheet->newHoliday();
    type(sheet, HolidaySheetController::kNameColumn, rowNamed(sheet, "New holiday"), "Stadtfest");
    type(sheet, EntryListSheet::kDateColumn, rowNamed(sheet, "Stadtfest"), "3.7");
    sheet->table()->selectRow(rowNamed(sheet, "Fasching"));
    sheet->removeHolidays();

    // Next year is loaded and suggests what the store and this sheet have for
    // this year.
    choose(sheet, 2);
    ASSERT_TRUE(waitLoaded(sheet));
    EXPECT_EQ(sheet->currentYear(), year + 1);
    EXPECT_EQ(shown(sheet),
              QStringList({"1.1.--|Neujahr*", "16.2.--|Fasching*", "3.7.--|Stadtfest*"}));
    type(sheet, EntryListSheet::kDateColumn, rowNamed(sheet, "Stadtfest"), "4.7");
    EXPECT_EQ(sheet->yearChooser()->labelForSegment(1), QString::number(year + 1));

    // Back to this year: its edits, without loading again.
    choose(sheet, 0);
    EXPECT_FALSE(sheet->isLoading());
    EXPECT_EQ(sheet->currentYear(), year);
    EXPECT_EQ(shown(sheet), QStringList({"1.1." + y + "|Neujahr", "3.7." + y + "|Stadtfest"}));
    EXPECT_EQ(sheet->removedRows().size(), 1);
    // Segment 1 goes to today's year from anywhere.
    choose(sheet, 2);
    choose(sheet, 1);
    EXPECT_EQ(sheet->currentYear(), year);
    EXPECT_TRUE(sheet->allHolidays().contains(year));  // an older copy of the shown year

    sheet->okPressed();
    EXPECT_FALSE(sheet->isSheetUp());
    EXPECT_TRUE(sheet->unwrittenRows().isEmpty());
    EXPECT_EQ(storedIn("hols", year), QStringList({"01-01 Neujahr", "07-03 Stadtfest"}));
    EXPECT_EQ(storedIn("hols", year + 1), QStringList({"07-04 Stadtfest"}));
    // Each holiday on the page of its own year.
    EXPECT_TRUE(current->daysOf(old->uid()).isEmpty());
    EXPECT_EQ(current->entryCount(), 1);
    EXPECT_EQ(following->entryCount(), 1);
    EXPECT_EQ(current->updates(), 1);
}

TEST_F(HolidaySheetTest, TheYearStaysWhileItLoads) {
    addEntry("hols", "Neujahr", QDate(year, 1, 1));
    addEntry("hols", "Silvester", QDate(year + 1, 12, 31));
    auto* sheet = HolidaySheetController::sharedWinController();
    {
        LoadGate gate;
        sheet->openSheetForCalendarOnWindowFromWithCurrentYView(sources->calendarWithUID("hols"),
                                                                host.get(), sources, pages());
        ASSERT_TRUE(testsupport::waitUntil([&] { return gate.someoneWaits(); }));
        EXPECT_FALSE(sheet->yearChooser()->isEnabled());
        EXPECT_FALSE(sheet->okButton()->isEnabled());
        choose(sheet, 2);
        EXPECT_EQ(sheet->currentYear(), year);
        EXPECT_TRUE(sheet->allHolidays().isEmpty());
    }
    ASSERT_TRUE(waitLoaded(sheet));
    EXPECT_EQ(shown(sheet), QStringList({"1.1." + QString::number(year) + "|Neujahr"}));
    EXPECT_TRUE(sheet->yearChooser()->isEnabled());
    choose(sheet, 2);
    ASSERT_TRUE(waitLoaded(sheet));
    EXPECT_EQ(shown(sheet), QStringList({"1.1.--|Neujahr*",
                                         "31.12." + QString::number(year + 1) + "|Silvester"}));
    EXPECT_EQ(sheet->allHolidays().keys(), QList<int>{year});
}

TEST_F(HolidaySheetTest, ARepeatingHolidayChangesForItsOccurrenceOnly) {
    addEntry("hols", "Weihnachten", QDate(year - 2, 12, 24), true);
    addEntry("hols", "Nikolaus", QDate(year - 2, 12, 6), true);
    auto* sheet = openHolidays();
    EXPECT_EQ(shown(sheet), QStringList({"6.12." + QString::number(year) + "|Nikolaus",
                                         "24.12." + QString::number(year) + "|Weihnachten"}));
    type(sheet, EntryListSheet::kDateColumn, rowNamed(sheet, "Weihnachten"), "25.12");
    sheet->table()->selectRow(rowNamed(sheet, "Nikolaus"));
    sheet->removeHolidays();
    sheet->okPressed();
    EXPECT_EQ(storedIn("hols", year), QStringList({"12-25 Weihnachten"}));
    for (int other : {year - 1, year + 1})
        EXPECT_EQ(storedIn("hols", other), QStringList({"12-06 Nikolaus", "12-24 Weihnachten"}));
}
