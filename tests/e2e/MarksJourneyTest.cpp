// Marks and notes in the year view: days marked through the context menu, a
// mark dragged to another day, a day's notes written in the notes popup, and the
// day popup opened on that day.
#include "e2e/Fixture.h"
#include "e2e/MainLayout.h"

#include <QFile>

using namespace e2e;

namespace {

// The mark glyph of the fixture's marker: a red block over the day's label.
bool marked(const QImage& s, const QDate& d) {
    return countPixels(s, layout::yearCell(d), isReddish) >= 20;
}

// The all-day events of the marker store: their first day with their location.
QMultiMap<QDate, QString> markerStoreEvents(const Sandbox& sandbox) {
    QMultiMap<QDate, QString> events;
    for (const QString& text : storeEvents(sandbox, QLatin1String(kMarkCalendar)))
        events.insert(QDate::fromString(property(text, QStringLiteral("DTSTART;VALUE=DATE")),
                                        QStringLiteral("yyyyMMdd")),
                      property(text, QStringLiteral("LOCATION")));
    return events;
}

// The context menu of selected days, walked with the keys: the items before
// "Mark As" (Show Events … Customize Year View…) and, for one day, "Edit Notes…".
const QString kMarkAsFirstMarker =
    QStringLiteral("Down Down Down Down Down Down Down Right Return");
const QString kEditNotes = QStringLiteral("Down Down Down Down Down Down Down Return");

}  // namespace

TEST_F(Journey, DaysMarkedAMarkDraggedNotesWrittenAndTheDayPopupOpened) {
    ASSERT_NO_FATAL_FAILURE(launch());
    // Days away from today's month, whose cell is drawn in its own colours.
    const QDate today = QDate::currentDate();
    const int month = today.month() <= 6 ? 9 : 2;
    const QDate first(today.year(), month, 10), last(today.year(), month, 12);
    const QDate dropped(today.year(), month - 1, 20);
    const QDate notesDay(today.year(), month + 1, 15);
    const QString markLocation = QStringLiteral("Zolt:") + QLatin1String(kMarkerUid);
    const auto pointOf = [](const QDate& d) { return layout::yearCell(d).center(); };
    // Hovers and popups of the year view open where the pointer rests; it waits
    // in the week until they are gone.
    const auto restPointer = [&] {
        desktop.moveTo(layout::weekPoint(today, 15.5));
        return waitFor([&] { return app->windowIds(QString()).size() == 1; });
    };

    // Three days selected by dragging over them, marked through the context menu.
    desktop.drag(pointOf(first), pointOf(last));
    desktop.click(pointOf(last), 1, 3);
    desktop.key(kMarkAsFirstMarker);
    ASSERT_TRUE(waitFor([&] { return markerStoreEvents(sandbox).size() == 3; }));
    ASSERT_TRUE(restPointer());
    ASSERT_TRUE(waitForScreen(QStringLiteral("marked"), [&](const QImage& s) {
        return marked(s, first) && marked(s, first.addDays(1)) && marked(s, last);
    }));
    EXPECT_EQ(markerStoreEvents(sandbox),
              (QMultiMap<QDate, QString>{
                  {first, markLocation}, {first.addDays(1), markLocation}, {last, markLocation}}));

    // The first day's mark dragged (Alt+Shift) to a day of the month before and
    // moved there through the menu the drop opens.
    desktop.drag(pointOf(first), pointOf(dropped),
                 {QStringLiteral("alt"), QStringLiteral("shift")});
    // The menu of the drop opens where the mark was dropped.
    const QRect dropMenu = app->window(QStringLiteral("^Zolt$"));
    ASSERT_TRUE(dropMenu.isValid()) << "no menu after the drop";
    EXPECT_LE((dropMenu.topLeft() - pointOf(dropped)).manhattanLength(), 12)
        << "the menu opens away from the drop";
    shot(QStringLiteral("drop-menu"));
    desktop.key(QStringLiteral("Down Right Return"));  // Move > All Marks
    ASSERT_TRUE(waitFor([&] { return !markerStoreEvents(sandbox).contains(first); }));
    ASSERT_TRUE(restPointer());
    ASSERT_TRUE(waitForScreen(QStringLiteral("moved"), [&](const QImage& s) {
        return marked(s, dropped) && !marked(s, first) && marked(s, last);
    }));
    EXPECT_EQ(
        markerStoreEvents(sandbox),
        (QMultiMap<QDate, QString>{
            {dropped, markLocation}, {first.addDays(1), markLocation}, {last, markLocation}}));

    // A day's notes written in the notes popup of its context menu.
    ASSERT_TRUE(restPointer());
    desktop.click(pointOf(notesDay));
    desktop.click(pointOf(notesDay), 1, 3);
    desktop.key(kEditNotes);
    const QRect notes = app->window(QStringLiteral("^Zolt$"));
    ASSERT_TRUE(notes.isValid()) << "no notes popup";
    desktop.type(QStringLiteral("Bring the cake"));
    shot(QStringLiteral("notes"));
    desktop.click(notes.topLeft() + QPoint(238, 173));  // OK
    ASSERT_TRUE(app->windowGone(QStringLiteral("^Zolt$")))
        << "the notes popup stays; it was at " << notes.x() << "," << notes.y() << " "
        << notes.width() << "x" << notes.height();
    ASSERT_TRUE(waitFor([&] { return markerStoreEvents(sandbox).contains(notesDay); }));
    EXPECT_EQ(markerStoreEvents(sandbox).values(notesDay),
              QStringList{QStringLiteral("Zolt:Notes")});

    // The day popup of that day shows the notes.
    ASSERT_TRUE(restPointer());
    desktop.click(pointOf(notesDay), 2);
    const QRect popup = app->window(QStringLiteral("^Zolt$"));
    ASSERT_TRUE(popup.isValid()) << "no day popup";
    const QRect notesBand(popup.x() + 20, popup.bottom() - 135, popup.width() - 40, 45);
    EXPECT_TRUE(waitForScreen(QStringLiteral("day-popup"), [&](const QImage& s) {
        return countColor(s, notesBand, qRgb(255, 255, 255), 60) > 40;
    })) << "the day popup at " << popup.x() << "," << popup.y() << " " << popup.width() << "x"
         << popup.height() << " shows no notes";
    desktop.key(QStringLiteral("Escape"));
    EXPECT_TRUE(app->windowGone(QStringLiteral("^Zolt$"))) << "the day popup stays";

    // The store holds the three marks and the notes, and nothing else changed.
    ASSERT_NO_FATAL_FAILURE(quit());
    QStringList changes = storeChanges();
    EXPECT_EQ(changes.size(), 4) << changes.join(u' ').toStdString();
    for (const QString& change : changes)
        EXPECT_TRUE(change.startsWith(QStringLiteral("+marks/")) &&
                    change.endsWith(QStringLiteral(".ics")))
            << change.toStdString();
    QFile notesFile;
    for (const QString& change : changes) {
        QFile f(sandbox.store() + u'/' + change.mid(1));
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains("Zolt:Notes")) {
            f.seek(0);
            EXPECT_TRUE(f.readAll().contains("DESCRIPTION:Bring the cake"));
        }
    }
}
