// A birthday added in the birthday sheet and a holiday in the holiday sheet,
// each opened by a double click on its store in the source list: written as
// their entries and shown in the year view.
#include "e2e/Fixture.h"
#include "e2e/MainLayout.h"

using namespace e2e;

namespace {

// A birthday's candle in its day's cell: a few warm pixels, which an empty
// cell (grey and blue, dark text) does not have.
bool candleIn(const QImage& s, const QDate& day) {
    return countPixels(s, layout::yearCell(day), [](QRgb c) { return qRed(c) - qBlue(c) >= 60; }) >=
           3;
}
// A holiday's name, written in the right half of its day's cell.
bool holidayNameIn(const QImage& s, const QDate& day) {
    const QRect cell = layout::yearCell(day);
    return countPixels(s, cell.adjusted(cell.width() / 2, 0, 0, 0),
                       [](QRgb c) { return qGray(c) < 170; }) >= 10;
}

// The parts of the list sheets, in their own coordinates (y upwards): the
// buttons, and the date and name cells of the table's first row.
const QPointF kAdd(34, 72);
const QPointF kOk(350, 28);
const QRectF kFirstDate(30, 332, 70, 10);
const QRectF kFirstName(120, 332, 270, 10);
QRect onScreen(const QRect& sheet, const QRectF& r) {
    return QRect(inWindow(sheet, r.left(), r.bottom()), inWindow(sheet, r.right(), r.top()));
}

}  // namespace

TEST_F(Journey, BirthdayAndHolidayAddedInTheirSheetsAndShownInTheYear) {
    addCalendar(QStringLiteral("birthdays"), QStringLiteral("Birthdays"), QStringLiteral("#ff8000"),
                kBirthdayStore);
    addCalendar(QStringLiteral("holidays"), QStringLiteral("Holidays"), QStringLiteral("#ffff00"),
                kHolidayStore);
    ASSERT_NO_FATAL_FAILURE(launch());
    // Days away from today's month, whose cells are drawn in their own colours.
    const QDate today = QDate::currentDate();
    const int month = today.month() <= 6 ? 9 : 3;
    const QDate birthday(today.year(), month, 14), holiday(today.year(), month + 1, 1);
    const QImage before = desktop.grab();
    ASSERT_FALSE(candleIn(before, birthday));
    ASSERT_FALSE(holidayNameIn(before, holiday));

    // One entry added in a sheet: its store double-clicked, "+" once the
    // entries are loaded (it shows then), the day typed month first (the
    // language is US English), then the name, and OK.
    const auto addEntry = [&](const std::function<bool(QRgb)>& storeColor, const QString& kind,
                              const QString& name, const QDate& day) {
        const QPoint row = layout::sourceRow(desktop.grab(), storeColor);
        ASSERT_FALSE(row.isNull()) << "the store is not in the source list";
        desktop.click(row, 2);
        const QRect sheet = app->window(QStringLiteral("^Zolt$"));
        ASSERT_TRUE(sheet.isValid()) << "no " << kind.toStdString() << " sheet";
        const QPoint add = inWindow(sheet, kAdd.x(), kAdd.y());
        ASSERT_TRUE(waitForScreen(kind + QStringLiteral("-sheet"), [&](const QImage& s) {
            return countPixels(s, QRect(add - QPoint(5, 5), QSize(11, 11)),
                               [](QRgb c) { return qGray(c) < 110; }) >= 5;
        })) << "the sheet's + does not show";
        // A cell being edited is white, the other cell of the row has the
        // selection's blue. Each cell is typed into once it is open: a space
        // typed into the table itself would add a row.
        const auto editing = [&](const QRectF& cell, const QRectF& other, const char* what) {
            const QRect r = onScreen(sheet, cell), o = onScreen(sheet, other);
            return waitForScreen(
                kind + QStringLiteral("-") + QLatin1String(what), [&](const QImage& s) {
                    return countColor(s, r, qRgb(255, 255, 255), 8) > r.width() * r.height() / 10 &&
                           countPixels(s, o, [](QRgb c) { return qBlue(c) - qRed(c) >= 100; }) >
                               o.width() * o.height() / 2;
                });
        };
        desktop.click(add);
        ASSERT_TRUE(editing(kFirstDate, kFirstName, "date"))
            << "the new row's date is not being edited";
        desktop.key(QStringLiteral("ctrl+a"));
        desktop.type(QStringLiteral("%1/%2").arg(day.month()).arg(day.day()));
        desktop.key(QStringLiteral("Return"));
        ASSERT_TRUE(editing(kFirstName, kFirstDate, "name"))
            << "the new row's name is not being edited";
        desktop.type(name);
        desktop.key(QStringLiteral("Return"));
        shot(kind + QStringLiteral("-typed"));
        desktop.click(inWindow(sheet, kOk.x(), kOk.y()));
        ASSERT_TRUE(app->windowGone(QStringLiteral("^Zolt$"))) << "the sheet stays open";
    };

    // The one event file a sheet wrote for an entry: an all-day event of its
    // day with its name, and the rule it comes back by (none for a holiday).
    const auto writtenEntry = [&](const QString& folder, const QString& name, const QDate& day,
                                  const QString& rule) {
        QMap<QString, QString> events;
        EXPECT_TRUE(waitFor([&] {
            events = storeEvents(sandbox, folder);
            return !events.isEmpty();
        })) << "nothing written for "
            << name.toStdString();
        EXPECT_EQ(events.size(), 1);
        if (events.isEmpty()) return QString();
        const QString text = events.first();
        EXPECT_EQ(property(text, QStringLiteral("SUMMARY")), name);
        EXPECT_EQ(property(text, QStringLiteral("DTSTART;VALUE=DATE")),
                  day.toString(QStringLiteral("yyyyMMdd")));
        EXPECT_EQ(property(text, QStringLiteral("DTEND;VALUE=DATE")),
                  day.addDays(1).toString(QStringLiteral("yyyyMMdd")));
        EXPECT_EQ(property(text, QStringLiteral("RRULE")), rule) << text.toStdString();
        return folder + u'/' + events.firstKey();
    };

    // A birthday: one all-day event that comes back every year.
    ASSERT_NO_FATAL_FAILURE(addEntry(layout::isBirthdayOrange, QStringLiteral("birthday"),
                                     QStringLiteral("Anna"), birthday));
    const QString birthdayFile = writtenEntry(QStringLiteral("birthdays"), QStringLiteral("Anna"),
                                              birthday, QStringLiteral("FREQ=YEARLY"));
    // A holiday: one all-day event of its day alone.
    ASSERT_NO_FATAL_FAILURE(addEntry(layout::isHolidayYellow, QStringLiteral("holiday"),
                                     QStringLiteral("Harvest Day"), holiday));
    const QString holidayFile =
        writtenEntry(QStringLiteral("holidays"), QStringLiteral("Harvest Day"), holiday, QString());

    // The year view shows the birthday's candle and the holiday's name.
    EXPECT_TRUE(waitForScreen(QStringLiteral("shown"), [&](const QImage& s) {
        return candleIn(s, birthday) && holidayNameIn(s, holiday);
    }));

    ASSERT_NO_FATAL_FAILURE(quit());
    EXPECT_EQ(storeChanges(),
              (QStringList{QStringLiteral("+") + birthdayFile, QStringLiteral("+") + holidayFile}));
}
