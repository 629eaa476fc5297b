// The marks of last year purged from the marker store through its context
// menu in the source list: the purge sheet takes the marks up to New Year and
// leaves this year's marks, the day notes and the other events.
#include "e2e/Fixture.h"
#include "e2e/MainLayout.h"

using namespace e2e;

namespace {

// The parts of the purge sheet, in its own coordinates (y upwards).
const QPointF kNotesCheckbox(108, 201);
const QPointF kTimeType(175, 139);
const QPointF kDateMonth(270, 139);
const QPointF kPurge(410, 28);

// The context menu of a calendar in the source list: Information, Edit…,
// then Purge Events….
const QString kPurgeEvents = QStringLiteral("Down Down Down Return");

bool marked(const QImage& s, const QDate& d) {
    return countPixels(s, layout::yearCell(d), isReddish) >= 20;
}

}  // namespace

TEST_F(Journey, MarksOfLastYearPurgedAndTheRestKept) {
    const QDate today = QDate::currentDate();
    const int lastYear = today.year() - 1;
    const QString mark = QStringLiteral("Zolt:") + QLatin1String(kMarkerUid);
    const QString marks = QLatin1String(kMarkCalendar);
    // Last year: two marks, a day's notes and an ordinary event of the marker
    // store. This year: a mark on a day away from today's month.
    const QDate thisYearsMark(today.year(), today.month() <= 6 ? 9 : 3, 10);
    const struct {
        const char* file;
        QDate day;
        QString location;
    } entries[] = {
        {"mark-spring.ics", QDate(lastYear, 3, 10), mark},
        {"mark-winter.ics", QDate(lastYear, 12, 30), mark},
        {"notes.ics", QDate(lastYear, 6, 2), QStringLiteral("Zolt:Notes")},
        {"party.ics", QDate(lastYear, 7, 4), QString()},
        {"mark-now.ics", thisYearsMark, mark},
    };
    for (const auto& e : entries)
        ASSERT_TRUE(
            sandbox.writeStoreFile(marks + u'/' + QLatin1String(e.file),
                                   allDayEventFile(QLatin1String(e.file).chopped(4),
                                                   QStringLiteral("Entry"), e.day, e.location)));
    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_TRUE(marked(desktop.grab(), thisYearsMark));

    // The marker store's context menu (its row is the first with a red
    // checkbox; the marker's comes below) opens the purge sheet.
    const QPoint row = layout::sourceRow(desktop.grab(), isReddish);
    ASSERT_FALSE(row.isNull()) << "the marker store is not in the source list";
    ASSERT_TRUE(clickOpeningMenu(row, 3)) << "no context menu";
    desktop.key(kPurgeEvents);
    const QRect sheet = app->window(QStringLiteral("^Zolt$"));
    ASSERT_TRUE(sheet.isValid()) << "no purge sheet";
    shot(QStringLiteral("sheet"));

    // Marks only (the notes unticked), up to the first of January: the pop-up
    // walked with the keys to "Up to the date", then the date's month stepped
    // down to January and its day typed.
    desktop.click(inWindow(sheet, kNotesCheckbox.x(), kNotesCheckbox.y()));
    ASSERT_TRUE(clickOpeningMenu(inWindow(sheet, kTimeType.x(), kTimeType.y())))
        << "the pop-up does not open";
    desktop.key(QStringLiteral("Up Up Return"));
    // The date's field shows (white), and the sheet is still up: choosing in
    // the pop-up does not purge.
    const QRect dateField(inWindow(sheet, 266, 148), inWindow(sheet, 440, 130));
    ASSERT_TRUE(waitForScreen(QStringLiteral("up-to-the-date"), [&](const QImage& s) {
        return countColor(s, dateField, qRgb(255, 255, 255), 4) > dateField.width() * 8;
    })) << "no date to purge up to";
    ASSERT_FALSE(app->windowIds(QStringLiteral("^Zolt$")).isEmpty())
        << "Return in the pop-up pressed Purge";
    desktop.click(inWindow(sheet, kDateMonth.x(), kDateMonth.y()));
    desktop.key(QStringLiteral("Down ").repeated(12));
    desktop.type(QStringLiteral("/1"));
    shot(QStringLiteral("chosen"));
    desktop.click(inWindow(sheet, kPurge.x(), kPurge.y()));
    ASSERT_TRUE(app->windowGone(QStringLiteral("^Zolt$"))) << "the purge sheet stays open";

    // Last year's marks went; this year's mark, the notes and the ordinary
    // event stayed, and this year's mark still shows.
    ASSERT_TRUE(waitFor([&] { return storeEvents(sandbox, marks).size() == 3; }))
        << storeEvents(sandbox, marks).keys().join(u' ').toStdString();
    EXPECT_EQ(storeEvents(sandbox, marks).keys(),
              (QStringList{QStringLiteral("mark-now.ics"), QStringLiteral("notes.ics"),
                           QStringLiteral("party.ics")}));
    EXPECT_TRUE(waitForScreen(QStringLiteral("purged"),
                              [&](const QImage& s) { return marked(s, thisYearsMark); }));

    ASSERT_NO_FATAL_FAILURE(quit());
    EXPECT_EQ(storeChanges(), (QStringList{QStringLiteral("-marks/mark-spring.ics"),
                                           QStringLiteral("-marks/mark-winter.ics")}));
}
