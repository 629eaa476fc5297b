// An event's life through the real window: drawn in the week, edited in the
// editor, seen in both views, found, looked at in its hover and deleted from
// the find panel.
#include "e2e/Fixture.h"
#include "e2e/MainLayout.h"

#include <QDir>
#include <QFile>
#include <QThread>

using namespace e2e;

namespace {

// Where the editor and the find panel put their controls, from their windows'
// top left corner (the panes grow the editor downwards).
namespace editor {
const QPoint kLocationHeader(40, 316);
const QPoint kLocationField(230, 341);
const QPoint kAttendeesHeader(40, 371);
const QPoint kAttendeesField(230, 396);
const QPoint kRepeatHeader(40, 295);
const QPoint kWeekly(230, 324);
const QPoint kEndsAfter(69, 407);
const QPoint kOccurrences(165, 407);
}  // namespace editor

QPoint fromTop(const QRect& window, QPoint p) {
    return window.topLeft() + p;
}

// The event files of the Work calendar.
QStringList workEvents(const Sandbox& sandbox) {
    return QDir(sandbox.store() + u'/' + QLatin1String(kWorkCalendar))
        .entryList({QStringLiteral("*.ics")}, QDir::Files);
}

// The find panel's result rows that show an event's icon (its red calendar).
int resultRows(const QImage& screen, const QRect& panel) {
    int rows = 0;
    for (int i = 0; i < 12; ++i) {
        const QRect icon(panel.x() + 18, panel.y() + 82 + 19 * i, 16, 16);
        if (countColor(screen, icon, qRgb(0xe0, 0x4a, 0x3a), 30) >= 10) ++rows;
    }
    return rows;
}

}  // namespace

TEST_F(Journey, EventDrawnEditedFoundAndDeleted) {
    ASSERT_NO_FATAL_FAILURE(launch());
    const QDate today = QDate::currentDate();

    // Drawn downwards from 11:00 to 13:00 in today's column: stored at once,
    // and the editor opens on it.
    desktop.drag(layout::weekPoint(today, 11.1), layout::weekPoint(today, 12.95));
    const QRect drawn = app->window(QStringLiteral("^Edit Event$"));
    ASSERT_TRUE(drawn.isValid()) << "no editor for the drawn event";
    ASSERT_TRUE(waitFor([&] { return workEvents(sandbox).size() == 1; }));
    shot(QStringLiteral("editor"));

    // Title, location, an attendee, and a weekly rule ending after five times.
    // Each pane opened makes the editor taller.
    int height = drawn.height();
    const auto openPane = [&](QPoint header) {
        desktop.click(fromTop(drawn, header));
        QRect now;
        const bool grew = waitFor([&] {
            now = app->window(QStringLiteral("^Edit Event$"));
            return now.height() > height;
        });
        height = now.height();
        return grew;
    };
    desktop.key(QStringLiteral("ctrl+a"));
    desktop.type(QStringLiteral("Team review"));
    ASSERT_TRUE(openPane(editor::kLocationHeader));
    desktop.click(fromTop(drawn, editor::kLocationField));
    desktop.type(QStringLiteral("Room 4"));
    ASSERT_TRUE(openPane(editor::kAttendeesHeader));
    desktop.click(fromTop(drawn, editor::kAttendeesField));
    desktop.type(QStringLiteral("anna@example.com"));
    ASSERT_TRUE(openPane(editor::kRepeatHeader));
    ASSERT_TRUE(openPane(editor::kWeekly));  // the rule's controls come
    desktop.click(fromTop(drawn, editor::kEndsAfter));
    desktop.click(fromTop(drawn, editor::kOccurrences));
    desktop.key(QStringLiteral("ctrl+a"));
    desktop.type(QStringLiteral("5"));
    const QRect filled = app->window(QStringLiteral("^Edit Event$"));
    shot(QStringLiteral("editor-filled"));
    desktop.click(inWindow(filled, 398, 22));  // Save
    ASSERT_TRUE(app->windowGone(QStringLiteral("^Edit Event$"))) << "the editor stays open";

    // The one file of the series holds what was entered.
    const QStringList files = workEvents(sandbox);
    ASSERT_EQ(files.size(), 1);
    const QString file = sandbox.store() + u'/' + QLatin1String(kWorkCalendar) + u'/' + files[0];
    QByteArray text;
    ASSERT_TRUE(waitFor([&] {
        QFile f(file);
        text = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        return text.contains("RRULE:");
    })) << text.toStdString();
    const QByteArray unfolded = QByteArray(text).replace("\r\n ", "");
    EXPECT_TRUE(unfolded.contains("SUMMARY:Team review")) << text.toStdString();
    EXPECT_TRUE(unfolded.contains("LOCATION:Room 4")) << text.toStdString();
    EXPECT_TRUE(unfolded.contains("RRULE:FREQ=WEEKLY;COUNT=5")) << text.toStdString();
    EXPECT_TRUE(unfolded.contains("anna@example.com")) << text.toStdString();
    const QByteArray day = today.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    EXPECT_TRUE(unfolded.contains("DTSTART;TZID=Europe/Berlin:" + day + "T110000"))
        << text.toStdString();
    EXPECT_TRUE(unfolded.contains("DTEND;TZID=Europe/Berlin:" + day + "T130000"))
        << text.toStdString();
    EXPECT_EQ(storeChanges(), QStringList{QStringLiteral("+work/") + files[0]});

    // The week shows it from 11 to 13 today; the year on each of its days in
    // this year, and not on the days between.
    QList<QDate> occurrences;
    for (int i = 0; i < 5; ++i)
        if (today.addDays(7 * i).year() == today.year()) occurrences << today.addDays(7 * i);
    const QRect inWeek(layout::weekColumn(today).x() + 4, layout::hourY(11) + 4,
                       layout::kColumnWidth - 30, 2 * layout::kHourHeight - 8);
    const auto shownEverywhere = [&](const QImage& s) {
        if (layout::eventPixels(s, inWeek) < inWeek.width() * inWeek.height() / 2) return false;
        for (const QDate& d : occurrences)
            if (layout::eventPixels(s, layout::yearCell(d)) < 8) return false;
        return layout::eventPixels(s, layout::yearCell(today.addDays(1))) == 0 ||
               today.addDays(1).year() != today.year();
    };
    ASSERT_TRUE(waitForScreen(QStringLiteral("saved"), shownEverywhere));

    // Found: one row per day it is shown.
    app->focusMainWindow();
    desktop.key(QStringLiteral("ctrl+f"));
    const QRect panel = app->window(QStringLiteral("^Find Events$"));
    ASSERT_TRUE(panel.isValid()) << "Edit > Find opens no panel";
    desktop.type(QStringLiteral("Team review"));
    desktop.key(QStringLiteral("Return"));
    ASSERT_TRUE(waitForScreen(QStringLiteral("found"),
                              [&](const QImage& s) { return resultRows(s, panel) == 5; }));

    // Its hover opens from the week view (a double click on it) and closes with Escape.
    desktop.click(inWeek.center(), 2);
    const QRect hover = app->window(QStringLiteral("^Zolt$"));
    ASSERT_TRUE(hover.isValid()) << "no hover for the event";
    EXPECT_GT(countColor(shot(QStringLiteral("hover")), hover.adjusted(20, 20, -20, -20),
                         qRgb(0, 0, 0), 4),
              hover.width() * hover.height() / 4)
        << "the hover is not drawn";
    desktop.key(QStringLiteral("Escape"));
    ASSERT_TRUE(app->windowGone(QStringLiteral("^Zolt$"))) << "the hover stays open";

    // One of its rows deleted: the whole series goes from the store and both views.
    desktop.click(QPoint(panel.x() + 160, panel.y() + 89));
    desktop.click(inWindow(panel, 520 - 95, 21));  // Delete
    const QRect sheet = app->window(QStringLiteral("^Zolt$"));
    ASSERT_TRUE(sheet.isValid()) << "no delete sheet";
    shot(QStringLiteral("delete-sheet"));
    desktop.click(inWindow(sheet, 330, 28));  // Delete in the sheet
    ASSERT_TRUE(waitFor([&] { return workEvents(sandbox).isEmpty(); })) << "the file stays";
    const auto goneEverywhere = [&](const QImage& s) {
        if (layout::eventPixels(s, inWeek) > 0) return false;
        for (const QDate& d : occurrences)
            if (layout::eventPixels(s, layout::yearCell(d)) > 0) return false;
        return true;
    };
    ASSERT_TRUE(waitForScreen(QStringLiteral("deleted"), goneEverywhere));
    EXPECT_EQ(storeChanges(), QStringList());

    // A new search finds nothing.
    desktop.click(fromTop(panel, QPoint(260, 32)));
    desktop.key(QStringLiteral("ctrl+a"));
    desktop.type(QStringLiteral("Team review"));
    desktop.key(QStringLiteral("Return"));
    // The search runs on its own thread: the list empties, and stays empty.
    ASSERT_TRUE(waitForScreen(QStringLiteral("found-nothing"),
                              [&](const QImage& s) { return resultRows(s, panel) == 0; }));
    QThread::msleep(1500);
    EXPECT_EQ(resultRows(shot(QStringLiteral("still-nothing")), panel), 0);

    ASSERT_NO_FATAL_FAILURE(quit());
    EXPECT_EQ(storeChanges(), QStringList());
}
