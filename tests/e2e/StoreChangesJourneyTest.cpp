// Another program changes the store while the window is open: event files
// added, changed and removed, a calendar folder added and removed. The views
// follow, and the program itself writes nothing.
#include "e2e/Fixture.h"
#include "e2e/MainLayout.h"

#include <QDir>
#include <QFile>

using namespace e2e;

namespace {

// The added calendar's green, in its source-list checkbox and its events; no
// other part of the window is green.
int greenPixels(const QImage& s, const QRect& area) {
    return countPixels(s, area, isGreenish);
}

const QRect kSourceList(0, 90, 200, 120);

}  // namespace

TEST_F(Journey, ViewsFollowChangesMadeByAnotherProgram) {
    ASSERT_NO_FATAL_FAILURE(launch());
    const QDate today = QDate::currentDate();
    const auto hours = [&](double from, double to) {
        const QRect column = layout::weekColumn(today);
        return QRect(column.x() + 4, layout::hourY(from) + 4, layout::kColumnWidth - 30,
                     int((to - from) * layout::kHourHeight) - 8);
    };
    const auto filled = [](const QImage& s, const QRect& r) {
        return layout::eventPixels(s, r) >= r.width() * r.height() / 2;
    };
    const QString file = QStringLiteral("work/dentist-1.ics");

    // Added: shown from 14 to 15 today and in today's cell.
    ASSERT_TRUE(sandbox.writeStoreFile(
        file, eventFile(QStringLiteral("dentist-1"), QStringLiteral("Dentist"),
                        QDateTime(today, QTime(14, 0)))));
    EXPECT_TRUE(waitForScreen(QStringLiteral("added"), [&](const QImage& s) {
        return filled(s, hours(14, 15)) && layout::eventPixels(s, layout::yearCell(today)) > 8;
    }));

    // Moved to 9:00 by the other program: the week follows.
    ASSERT_TRUE(sandbox.writeStoreFile(
        file, eventFile(QStringLiteral("dentist-1"), QStringLiteral("Dentist, moved"),
                        QDateTime(today, QTime(9, 0)))));
    EXPECT_TRUE(waitForScreen(QStringLiteral("changed"), [&](const QImage& s) {
        return filled(s, hours(9, 10)) && layout::eventPixels(s, hours(14, 15)) == 0;
    }));

    // Removed: gone from both views.
    ASSERT_TRUE(QFile::remove(sandbox.store() + u'/' + file));
    EXPECT_TRUE(waitForScreen(QStringLiteral("removed"), [&](const QImage& s) {
        return layout::eventPixels(s, hours(8.5, 15)) == 0 &&
               layout::eventPixels(s, layout::yearCell(today)) == 0;
    }));

    // A new calendar folder with an event: listed, and its event shown.
    ASSERT_TRUE(sandbox.writeStoreFile(QStringLiteral("garden/displayname"), "Garden"));
    ASSERT_TRUE(sandbox.writeStoreFile(QStringLiteral("garden/color"), "#2e9e44"));
    ASSERT_TRUE(sandbox.writeStoreFile(
        QStringLiteral("garden/mow.ics"),
        eventFile(QStringLiteral("mow"), QStringLiteral("Mow"), QDateTime(today, QTime(12, 0)))));
    EXPECT_TRUE(waitForScreen(QStringLiteral("calendar-added"), [&](const QImage& s) {
        return greenPixels(s, kSourceList) > 20 &&
               greenPixels(s, hours(12, 13)) >= hours(12, 13).width() * hours(12, 13).height() / 2;
    }));

    // The folder removed: the calendar and its event go.
    ASSERT_TRUE(QDir(sandbox.store() + QStringLiteral("/garden")).removeRecursively());
    EXPECT_TRUE(waitForScreen(QStringLiteral("calendar-removed"), [&](const QImage& s) {
        return greenPixels(s, kSourceList) == 0 && greenPixels(s, hours(8.5, 15)) == 0;
    }));

    // Nothing of the store was written by the program meanwhile or at its end.
    EXPECT_EQ(storeChanges(), QStringList());
    ASSERT_NO_FATAL_FAILURE(quit());
    EXPECT_EQ(storeChanges(), QStringList());
}
