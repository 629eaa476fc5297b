// Settings made in the preferences window and a source group collapsed in the
// source list come back after the program quits and starts again.
#include "e2e/Fixture.h"
#include "e2e/MainLayout.h"

using namespace e2e;

namespace {

// One setting per pane with settings: the pane's toolbar button (from the
// window's top left), the checkbox that changes it (likewise), and where the
// settings file keeps it (a group, or none for a top-level key).
struct Setting {
    const char* pane;
    QPoint button;
    QPoint checkbox;
    const char* group;
    const char* key;
};
const Setting kSettings[] = {
    {"General", {40, 35}, {27, 297}, "AppPref General", "Antialiase Text Doublestrike"},
    {"Year View", {170, 35}, {27, 155}, "AppPref YearView", "Grayout Until Today"},
    {"Week View", {250, 35}, {27, 285}, "AppPref WeekView", "Weekend Use Color"},
    {"Sync", {313, 35}, {27, 183}, nullptr, "Live Update From External Config"},
    {"Updates", {370, 35}, {27, 149}, "AppPref General", "Auto Download Updates"},
};

QVariant settingIn(const QVariantMap& defaults, const Setting& s) {
    return s.group ? defaults.value(QLatin1String(s.group)).toMap().value(QLatin1String(s.key))
                   : defaults.value(QLatin1String(s.key));
}

QString shotName(const Setting& s) {
    return QString::fromLatin1(s.pane).replace(u' ', u'-');
}

// Whether a checkbox shows its tick: dark pixels inside its box.
bool ticked(const QImage& screen, QPoint centre) {
    return countPixels(screen, QRect(centre - QPoint(4, 4), QSize(9, 9)),
                       [](QRgb c) { return qGray(c) < 110; }) >= 6;
}

// The source list's rows below the MARKERS group heading: its marker's red
// checkbox shows while the group is expanded.
const QRect kMarkerRows(0, 165, 200, 22);
int markerRed(const QImage& s) {
    return countPixels(s, kMarkerRows, isReddish);
}

// The weekend's blue tint in the week view (a Sunday's column, high up; also
// under the grey of hours gone by), against the plain white or grey without it.
bool weekendTinted(const QImage& s) {
    const QDate sunday = QDate::currentDate().addDays(7 - QDate::currentDate().dayOfWeek());
    const QRgb c = s.pixel(layout::weekPoint(sunday, 15.7));
    return qBlue(c) - qRed(c) >= 8;
}

}  // namespace

TEST_F(Journey, PreferencesAndExpandedGroupsComeBackAfterARestart) {
    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_GT(markerRed(desktop.grab()), 10) << "the MARKERS group is not expanded at first";
    ASSERT_TRUE(weekendTinted(desktop.grab()));

    // The MARKERS group collapsed at its disclosure triangle.
    desktop.click(QPoint(9, 155));
    ASSERT_TRUE(waitForScreen(QStringLiteral("markers-collapsed"),
                              [](const QImage& s) { return markerRed(s) == 0; }));

    // Each pane's setting turned round.
    QMap<QString, bool> shownBefore;
    app->focusMainWindow();
    desktop.key(QStringLiteral("ctrl+comma"));
    ASSERT_TRUE(app->window(QStringLiteral("^General$")).isValid()) << "no preferences window";
    for (const Setting& s : kSettings) {
        const QString title = QStringLiteral("^%1$").arg(QLatin1String(s.pane));
        desktop.click(
            app->window(QStringLiteral("^(General|Year View|Week View|Sync|Updates)$")).topLeft() +
            s.button);
        const QRect pane = app->window(title);
        ASSERT_TRUE(pane.isValid()) << s.pane;
        const bool before = ticked(desktop.grab(), pane.topLeft() + s.checkbox);
        shownBefore.insert(QLatin1String(s.key), before);
        desktop.click(pane.topLeft() + s.checkbox);
        EXPECT_TRUE(waitForScreen(shotName(s), [&](const QImage& screen) {
            return ticked(screen, pane.topLeft() + s.checkbox) != before;
        })) << s.pane;
    }

    // The week view took its setting at once.
    EXPECT_TRUE(waitForScreen(QStringLiteral("weekend-plain"),
                              [](const QImage& s) { return !weekendTinted(s); }));

    ASSERT_NO_FATAL_FAILURE(quit());
    const QVariantMap saved = sandbox.readDefaults();
    for (const Setting& s : kSettings)
        EXPECT_EQ(settingIn(saved, s).toBool(), !shownBefore.value(QLatin1String(s.key))) << s.key;

    // Started again: the group stays collapsed, the week's weekend untinted, and
    // each pane shows its setting as it was left.
    ASSERT_NO_FATAL_FAILURE(launch());
    const QImage again = desktop.grab();
    EXPECT_EQ(markerRed(again), 0) << "the MARKERS group opened again";
    EXPECT_FALSE(weekendTinted(again)) << "the weekend is coloured again";
    desktop.key(QStringLiteral("ctrl+comma"));
    ASSERT_TRUE(
        app->window(QStringLiteral("^(General|Year View|Week View|Sync|Updates)$")).isValid());
    for (const Setting& s : kSettings) {
        desktop.click(
            app->window(QStringLiteral("^(General|Year View|Week View|Sync|Updates)$")).topLeft() +
            s.button);
        const QRect pane = app->window(QStringLiteral("^%1$").arg(QLatin1String(s.pane)));
        ASSERT_TRUE(pane.isValid()) << s.pane;
        const bool wanted = settingIn(saved, s).toBool();
        EXPECT_TRUE(waitForScreen(shotName(s) + QStringLiteral("-again"),
                                  [&](const QImage& screen) {
                                      return ticked(screen, pane.topLeft() + s.checkbox) == wanted;
                                  }))
            << s.pane;
    }
    ASSERT_NO_FATAL_FAILURE(quit());
    EXPECT_EQ(storeChanges(), QStringList());
}
