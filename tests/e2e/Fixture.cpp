#include "e2e/Fixture.h"

#include "e2e/MainLayout.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimeZone>

#include <iostream>

#include <time.h>

namespace e2e {

namespace {

QString stamp(const QDateTime& t) {
    return t.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

QVariantMap calendarEntry(const QString& name, int type, int sequence) {
    return {{QStringLiteral("Name"), name},
            {QStringLiteral("Selected"), true},
            {QStringLiteral("Calendar Type"), type},
            {QStringLiteral("Sequence"), sequence}};
}

}  // namespace

QByteArray eventFile(const QString& uid, const QString& title, const QDateTime& start, int minutes,
                     const QString& rule) {
    QString text =
        QStringLiteral(
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//e2e//other program//EN\r\n"
            "BEGIN:VEVENT\r\nUID:%1\r\nDTSTAMP:%2\r\nDTSTART:%3\r\nDTEND:%4\r\n"
            "SUMMARY:%5\r\n")
            .arg(uid, stamp(start), stamp(start), stamp(start.addSecs(minutes * 60)), title);
    if (!rule.isEmpty()) text += QStringLiteral("RRULE:") + rule + QStringLiteral("\r\n");
    text += QStringLiteral("END:VEVENT\r\nEND:VCALENDAR\r\n");
    return text.toUtf8();
}

QByteArray allDayEventFile(const QString& uid, const QString& title, const QDate& day,
                           const QString& location) {
    const QString date = day.toString(QStringLiteral("yyyyMMdd"));
    QString text = QStringLiteral(
                       "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//e2e//other program//EN\r\n"
                       "BEGIN:VEVENT\r\nUID:%1\r\nDTSTAMP:%2T080000Z\r\nDTSTART;VALUE=DATE:%2\r\n"
                       "DTEND;VALUE=DATE:%3\r\nSUMMARY:%4\r\n")
                       .arg(uid, date, day.addDays(1).toString(QStringLiteral("yyyyMMdd")), title);
    if (!location.isEmpty())
        text += QStringLiteral("LOCATION:") + location + QStringLiteral("\r\n");
    text += QStringLiteral("END:VEVENT\r\nEND:VCALENDAR\r\n");
    return text.toUtf8();
}

QMap<QString, QString> storeEvents(const Sandbox& sandbox, const QString& calendar) {
    QMap<QString, QString> events;
    const QDir dir(sandbox.store() + u'/' + calendar);
    for (const QString& name : dir.entryList({QStringLiteral("*.ics")}, QDir::Files)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            events.insert(
                name, QString::fromUtf8(f.readAll()).replace(QStringLiteral("\r\n "), QString()));
    }
    return events;
}

QString property(const QString& eventText, const QString& name) {
    const QRegularExpression line(QStringLiteral("(?:^|\\n)") + QRegularExpression::escape(name) +
                                  QStringLiteral(":([^\\r\\n]*)"));
    const QRegularExpressionMatch match = line.match(eventText);
    return match.hasMatch() ? match.captured(1) : QString();
}

void Journey::SetUp() {
    // The journeys' times and texts are those of one place and language,
    // whatever the machine's: the program started here inherits them.
    qputenv("TZ", "Europe/Berlin");
    qputenv("LANG", "en_US.UTF-8");
    tzset();
    for (const char* tool : {"Xvfb", "xdotool", "import"})
        ASSERT_FALSE(QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            << tool << " is missing: tools/setup.sh installs what the journeys need";
    // The screenshots of an earlier run of this journey go.
    QDir artefacts(artefactFolder());
    for (const QString& old :
         artefacts.entryList({journeyName() + QStringLiteral("-*.png")}, QDir::Files))
        artefacts.remove(old);
    QString why;
    ASSERT_TRUE(desktop.start(&why)) << why.toStdString();
}

void Journey::TearDown() {
    if (app && app->running() && HasFailure()) {
        shot(QStringLiteral("at-failure"));
        std::cerr << "zolt said:\n" << app->log().toStdString() << std::endl;
    }
    app.reset();
}

QString Journey::journeyName() const {
    return QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

void Journey::addCalendar(const QString& folder, const QString& title, const QString& color,
                          CalendarType type) {
    extraCalendars << ExtraCalendar{folder, title, color, type};
}

namespace {

// The window fills the screen (no window manager moves it).
QVariantMap windowFillingTheScreen() {
    return {{QStringLiteral("NSWindow Frame MainWindow"),
             QStringLiteral("{{0, 0}, {%1, %2}}").arg(Desktop::kWidth).arg(Desktop::kHeight)}};
}

}  // namespace

void Journey::launch() {
    if (!storeWritten) {
        storeWritten = true;
        const auto meta = [&](const QString& folder, const QString& title, const QString& color) {
            ASSERT_TRUE(
                sandbox.writeStoreFile(folder + QStringLiteral("/displayname"), title.toUtf8()));
            ASSERT_TRUE(sandbox.writeStoreFile(folder + QStringLiteral("/color"), color.toUtf8()));
        };
        meta(QString::fromLatin1(kWorkCalendar), QStringLiteral("Work"), QStringLiteral("#1f6fd0"));
        meta(QString::fromLatin1(kMarkCalendar), QStringLiteral("Marks"),
             QStringLiteral("#dc1e1e"));
        QVariantMap calendars{
            {QString::fromLatin1(kWorkCalendar), calendarEntry(QStringLiteral("Work"), kNormal, 0)},
            {QString::fromLatin1(kMarkCalendar),
             calendarEntry(QStringLiteral("Marks"), kMarkerStore, 1)}};
        for (const ExtraCalendar& extra : extraCalendars) {
            meta(extra.folder, extra.title, extra.color);
            calendars.insert(extra.folder,
                             calendarEntry(extra.title, extra.type, int(calendars.size())));
        }
        const QVariantMap marker{{QStringLiteral("Name"), QStringLiteral("Vacation")},
                                 {QStringLiteral("Selected"), true},
                                 {QStringLiteral("Description"), QString()},
                                 {QStringLiteral("Color"), QStringLiteral("220 30 30 1.000000")},
                                 {QStringLiteral("Type"), 1},
                                 {QStringLiteral("Calendar"), QString::fromLatin1(kMarkCalendar)},
                                 {QStringLiteral("Sequence"), 0}};
        // The assistant that looks for missing stores stays closed.
        QVariantMap settings = windowFillingTheScreen();
        settings.insert(QVariantMap{{QStringLiteral("Check Config at Startup"), false},
                                    {QStringLiteral("AppPref Calendars"), calendars},
                                    {QStringLiteral("AppPref Markers"),
                                     QVariantMap{{QString::fromLatin1(kMarkerUid), marker}}}});
        ASSERT_TRUE(sandbox.writeDefaults(settings));
        storeAtLaunch = hashFiles(sandbox.store());
    }
    ASSERT_NO_FATAL_FAILURE(startAndSettle());
}

void Journey::launchOnEmptyStore() {
    storeWritten = true;
    ASSERT_TRUE(sandbox.writeDefaults(windowFillingTheScreen()));
    storeAtLaunch = hashFiles(sandbox.store());
    ASSERT_NO_FATAL_FAILURE(startAndSettle());
}

void Journey::startAndSettle() {
    app = std::make_unique<App>(desktop, sandbox);
    QString why;
    ASSERT_TRUE(app->start(&why)) << why.toStdString();
    // Drawn once two screens in a row are the same.
    QByteArray previous;
    const bool settled = waitFor(
        [&] {
            const QImage image = desktop.grab();
            const QByteArray now = QCryptographicHash::hash(
                QByteArrayView(reinterpret_cast<const char*>(image.constBits()),
                               image.sizeInBytes()),
                QCryptographicHash::Sha1);
            const bool same = !image.isNull() && now == previous;
            previous = now;
            return same;
        },
        40);
    ASSERT_TRUE(settled) << "the window keeps changing";
    ASSERT_TRUE(layout::matches(shot(QStringLiteral("launched"))))
        << "the main window's layout moved";
}

void Journey::quit() {
    QString why;
    ASSERT_TRUE(app->quit(&why)) << why.toStdString();
}

bool Journey::clickOpeningMenu(QPoint at, int button) {
    const qsizetype before = app->windowIds(QString()).size();
    desktop.click(at, 1, button);
    return waitFor([&] { return app->windowIds(QString()).size() > before; });
}

QImage Journey::shot(const QString& name) {
    return desktop.shot(journeyName(), name);
}

bool Journey::waitForScreen(const QString& name, const std::function<bool(const QImage&)>& check,
                            double seconds) {
    QImage last;
    const bool ok = waitFor(
        [&] {
            last = desktop.grab();
            return !last.isNull() && check(last);
        },
        seconds);
    desktop.keep(journeyName(), name, last);
    return ok;
}

QStringList Journey::storeChanges() const {
    return changedFiles(storeAtLaunch, hashFiles(sandbox.store()));
}

}  // namespace e2e
