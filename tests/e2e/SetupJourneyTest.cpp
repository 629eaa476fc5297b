// The first start on an empty store: the setup assistant opens by itself, makes
// the marker, holiday and birthday stores and a first marker, and the source
// list shows them.
#include "e2e/Fixture.h"
#include "e2e/MainLayout.h"

#include <QFile>

using namespace e2e;

namespace {

// Where the assistant keeps its controls, in its own coordinates (y upwards).
const QPointF kNameField(520, 240);
const QPointF kNext(570, 28);
// The bullets of its four steps, from the top; a done step's is green.
QRect bullet(const QRect& sheet, int step) {
    const QPoint centre = inWindow(sheet, 28, 344 - 30 * step);
    return QRect(centre - QPoint(6, 6), QSize(13, 13));
}

// The colours the assistant gives what it makes, as the source list's
// checkboxes show them.
struct Made {
    const char* title;
    int type;  // of the settings file; 0 for the marker
    std::function<bool(QRgb)> color;
};
const Made kMade[] = {
    {"Marks", kMarkerStore,
     [](QRgb c) {
         return qRed(c) > 150 && qBlue(c) > 150 && qGreen(c) < qRed(c) - 40 &&
                std::abs(qRed(c) - qBlue(c)) < 30;
     }},
    {"Holidays", kHolidayStore, layout::isHolidayYellow},
    {"Birthdays", kBirthdayStore, layout::isBirthdayOrange},
    {"Vacation", 0,
     [](QRgb c) {
         return qBlue(c) > 200 && qBlue(c) - qRed(c) >= 80 && std::abs(qRed(c) - qGreen(c)) < 30;
     }},
};

QString readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

}  // namespace

TEST_F(Journey, FirstStartSetsUpTheStoresAndAMarkerInTheAssistant) {
    ASSERT_NO_FATAL_FAILURE(launchOnEmptyStore());
    const QRect sheet = app->window(QStringLiteral("^Zolt$"));
    ASSERT_TRUE(sheet.isValid()) << "the setup assistant does not open";
    shot(QStringLiteral("assistant"));

    // Each step: a name typed, then Next (Done at the last). The step's bullet
    // turns green once it is done.
    for (int step = 0; step < 4; ++step) {
        desktop.click(inWindow(sheet, kNameField.x(), kNameField.y()));
        desktop.type(QString::fromLatin1(kMade[step].title));
        desktop.click(inWindow(sheet, kNext.x(), kNext.y()));
        if (step == 3) break;
        ASSERT_TRUE(waitForScreen(
            QStringLiteral("step-%1-done").arg(step + 1),
            [&](const QImage& s) { return countPixels(s, bullet(sheet, step), isGreenish) >= 20; }))
            << "step " << step + 1 << " is not done";
    }
    ASSERT_TRUE(app->windowGone(QStringLiteral("^Zolt$"))) << "the assistant stays open";

    // The source list shows the three stores and, below them under MARKERS,
    // the marker.
    QList<QPoint> rows;
    ASSERT_TRUE(waitForScreen(QStringLiteral("sources"), [&](const QImage& s) {
        rows.clear();
        for (const Made& made : kMade) rows << layout::sourceRow(s, made.color);
        return std::none_of(rows.begin(), rows.end(), [](QPoint p) { return p.isNull(); });
    })) << "a store or the marker is missing in the source list";
    for (int i = 0; i < 3; ++i) EXPECT_LT(rows[i].y(), rows[3].y()) << kMade[i].title;

    // The store has a folder for each store, named and coloured; the settings
    // file lists them with their types, and the marker keeps its marks in the
    // marker store.
    ASSERT_NO_FATAL_FAILURE(quit());
    const QVariantMap settings = sandbox.readDefaults();
    const QVariantMap calendars = settings.value(QStringLiteral("AppPref Calendars")).toMap();
    EXPECT_EQ(calendars.size(), 3);
    QString markerStore;
    QStringList expected;
    for (const Made& made : kMade) {
        if (!made.type) continue;
        const QString title = QString::fromLatin1(made.title);
        QString folder;
        for (auto it = calendars.begin(); it != calendars.end(); ++it)
            if (it.value().toMap().value(QStringLiteral("Name")).toString() == title)
                folder = it.key();
        ASSERT_FALSE(folder.isEmpty()) << made.title << " is not in the settings";
        EXPECT_EQ(calendars.value(folder).toMap().value(QStringLiteral("Calendar Type")).toInt(),
                  made.type)
            << made.title;
        EXPECT_EQ(readFile(sandbox.store() + u'/' + folder + QStringLiteral("/displayname")),
                  title);
        for (const char* file : {"color", "displayname", "zolt-calendar.json"})
            expected << QStringLiteral("+%1/%2").arg(folder, QLatin1String(file));
        if (made.type == kMarkerStore) markerStore = folder;
    }
    const QVariantMap markers = settings.value(QStringLiteral("AppPref Markers")).toMap();
    ASSERT_EQ(markers.size(), 1);
    const QVariantMap marker = markers.first().toMap();
    EXPECT_EQ(marker.value(QStringLiteral("Name")).toString(), QStringLiteral("Vacation"));
    EXPECT_EQ(marker.value(QStringLiteral("Calendar")).toString(), markerStore);

    // Nothing but the three calendars was written.
    expected.sort();
    EXPECT_EQ(storeChanges(), expected);
}
