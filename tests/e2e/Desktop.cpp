#include "e2e/Desktop.h"

#include "platform/foundation/PropertyList.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QThread>

#include <cstdlib>

namespace e2e {

QString artefactFolder() {
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/test-output/e2e");
    QDir().mkpath(dir);
    return dir;
}

bool waitFor(const std::function<bool()>& done, double seconds) {
    QDeadlineTimer deadline(qint64(seconds * 1000));
    while (true) {
        if (done()) return true;
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(100);
    }
}

FileHashes hashFiles(const QString& root) {
    FileHashes hashes;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) continue;
        hashes.insert(QDir(root).relativeFilePath(path),
                      QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1));
    }
    return hashes;
}

QStringList changedFiles(const FileHashes& before, const FileHashes& after) {
    QStringList changes;
    for (auto it = after.begin(); it != after.end(); ++it) {
        if (!before.contains(it.key()))
            changes << QStringLiteral("+") + it.key();
        else if (before.value(it.key()) != it.value())
            changes << QStringLiteral("~") + it.key();
    }
    for (auto it = before.begin(); it != before.end(); ++it)
        if (!after.contains(it.key())) changes << QStringLiteral("-") + it.key();
    changes.sort();
    return changes;
}

bool colorNear(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

int countPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& wanted) {
    const QRect r = area.intersected(image.rect());
    int count = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (wanted(image.pixel(x, y))) ++count;
    return count;
}

int countColor(const QImage& image, const QRect& area, QRgb color, int tolerance) {
    return countPixels(image, area, [&](QRgb c) { return colorNear(c, color, tolerance); });
}

// -- Desktop

Desktop::~Desktop() {
    if (xvfb_.state() != QProcess::NotRunning) {
        xvfb_.terminate();
        if (!xvfb_.waitForFinished(5000)) xvfb_.kill();
        xvfb_.waitForFinished(2000);
    }
}

bool Desktop::start(QString* why) {
    // The server writes the display number it found free to standard output.
    xvfb_.setProgram(QStringLiteral("Xvfb"));
    xvfb_.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"),
                        QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("%1x%2x24").arg(kWidth).arg(kHeight),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    xvfb_.setProcessChannelMode(QProcess::SeparateChannels);
    xvfb_.start();
    if (!xvfb_.waitForStarted(10000)) {
        *why = QStringLiteral("Xvfb does not start: ") + xvfb_.errorString();
        return false;
    }
    QByteArray number;
    const bool found = waitFor(
        [&] {
            xvfb_.waitForReadyRead(50);
            number += xvfb_.readAllStandardOutput();
            return number.contains('\n') || xvfb_.state() == QProcess::NotRunning;
        },
        30);
    if (!found || !number.contains('\n')) {
        *why = QStringLiteral("Xvfb names no display: ") +
               QString::fromLocal8Bit(xvfb_.readAllStandardError());
        return false;
    }
    display_ = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    return true;
}

QProcessEnvironment Desktop::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

bool Desktop::run(const QString& program, const QStringList& args, QByteArray* out,
                  int timeoutMs) const {
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(2000);
        return false;
    }
    if (out) *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

namespace {
QString num(int v) {
    return QString::number(v);
}
}  // namespace

void Desktop::moveTo(QPoint p) const {
    xdo({QStringLiteral("mousemove"), num(p.x()), num(p.y())});
}

void Desktop::click(QPoint p, int count, int button) const {
    xdo({QStringLiteral("mousemove"), num(p.x()), num(p.y()), QStringLiteral("sleep"),
         QStringLiteral("0.15"), QStringLiteral("click"), QStringLiteral("--repeat"), num(count),
         QStringLiteral("--delay"), QStringLiteral("80"), num(button)});
}

void Desktop::drag(QPoint from, QPoint to, const QStringList& modifiers) const {
    QStringList args;
    for (const QString& m : modifiers) args << QStringLiteral("keydown") << m;
    // The pauses let a drag that the press starts (marks carried between days)
    // take the pointer before it moves, and see where it ends before the release.
    args << QStringLiteral("mousemove") << num(from.x()) << num(from.y()) << QStringLiteral("sleep")
         << QStringLiteral("0.15") << QStringLiteral("mousedown") << QStringLiteral("1")
         << QStringLiteral("sleep") << QStringLiteral("0.25");
    const int steps = 12;
    for (int i = 1; i <= steps; ++i) {
        const QPoint p = from + (to - from) * i / steps;
        args << QStringLiteral("sleep") << QStringLiteral("0.06") << QStringLiteral("mousemove")
             << num(p.x()) << num(p.y());
    }
    args << QStringLiteral("sleep") << QStringLiteral("0.4") << QStringLiteral("mouseup")
         << QStringLiteral("1");
    for (const QString& m : modifiers) args << QStringLiteral("keyup") << m;
    xdo(args);
}

void Desktop::key(const QString& keys) const {
    xdo(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("80")} +
        keys.split(u' ', Qt::SkipEmptyParts));
}

void Desktop::type(const QString& text) const {
    xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
}

QImage Desktop::grab() const {
    QByteArray png;
    if (!run(QStringLiteral("import"),
             {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")}, &png))
        return {};
    QImage image;
    image.loadFromData(png, "PNG");
    return image.convertToFormat(QImage::Format_RGB32);
}

QRect Desktop::geometry(const QString& windowId) const {
    QByteArray text;
    if (!xdo({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), windowId}, &text))
        return {};
    QMap<QByteArray, int> v;
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0) v.insert(line.left(eq), line.mid(eq + 1).toInt());
    }
    return QRect(v.value("X"), v.value("Y"), v.value("WIDTH"), v.value("HEIGHT"));
}

QImage Desktop::keep(const QString& journey, const QString& name, const QImage& image) {
    image.save(artefactFolder() + QStringLiteral("/%1-%2-%3.png")
                                      .arg(journey)
                                      .arg(++shots_, 2, 10, QLatin1Char('0'))
                                      .arg(name));
    return image;
}

// -- Sandbox

Sandbox::Sandbox() {
    QDir().mkpath(store());
    QDir().mkpath(cloud());
}

bool Sandbox::writeDefaults(const QVariantMap& settings) const {
    QString error;
    const QByteArray xml = foundation::PropertyList::toXml(settings, &error);
    if (xml.isEmpty()) return false;
    QSaveFile f(defaults());
    return f.open(QIODevice::WriteOnly) && f.write(xml) == xml.size() && f.commit();
}

QVariantMap Sandbox::readDefaults() const {
    QFile f(defaults());
    if (!f.open(QIODevice::ReadOnly)) return {};
    return foundation::PropertyList::fromData(f.readAll()).toMap();
}

bool Sandbox::writeStoreFile(const QString& relativePath, const QByteArray& data) const {
    const QString path = store() + u'/' + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size() && f.commit();
}

// -- App

App::~App() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool App::start(QString* why) {
    QProcessEnvironment env = desktop_.environment();
    env.insert(QStringLiteral("ZOLT_STORE_DIR"), sandbox_.store());
    env.insert(QStringLiteral("ZOLT_DEFAULTS"), sandbox_.defaults());
    env.insert(QStringLiteral("ZOLT_CLOUD_DIR"), sandbox_.cloud());
    env.insert(QStringLiteral("XDG_DATA_HOME"), sandbox_.root() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), sandbox_.root() + QStringLiteral("/config"));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral(ZOLT_E2E_APP), {});
    if (!process_.waitForStarted(10000)) {
        *why = QStringLiteral("zolt does not start: ") + process_.errorString();
        return false;
    }
    // The main window is the program's largest mapped window.
    const bool shown = waitFor(
        [&] {
            if (!running()) return true;
            for (const QString& id : windowIds(QString()))
                if (desktop_.geometry(id).width() >= 800) {
                    window_ = id;
                    return true;
                }
            return false;
        },
        45);
    if (!shown || !running()) {
        *why = QStringLiteral("no main window; the program said: ") + QString::fromLocal8Bit(log());
        return false;
    }
    desktop_.xdo({QStringLiteral("windowfocus"), window_});
    return true;
}

bool App::quit(QString* why) {
    if (!running()) {
        *why = QStringLiteral("the program had ended already: ") + QString::fromLocal8Bit(log());
        return false;
    }
    desktop_.xdo({QStringLiteral("windowfocus"), window_});
    desktop_.key(QStringLiteral("ctrl+q"));
    if (!waitFor([&] { return !running(); }, 30)) {
        *why = QStringLiteral("the program does not quit");
        return false;
    }
    if (process_.exitStatus() != QProcess::NormalExit || process_.exitCode() != 0) {
        *why = QStringLiteral("the program ended with status %1: ").arg(process_.exitCode()) +
               QString::fromLocal8Bit(log());
        return false;
    }
    return true;
}

QStringList App::windowIds(const QString& title) const {
    QByteArray ids;
    desktop_.xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                  QStringLiteral("--pid"), QString::number(process_.processId())},
                 &ids);
    // Names are compared here: xdotool's own name search misses some of the
    // program's windows.
    const QRegularExpression pattern(title);
    QStringList list;
    for (const QByteArray& line : ids.split('\n')) {
        const QString id = QString::fromLatin1(line.trimmed());
        if (id.isEmpty()) continue;
        QByteArray name;
        if (!title.isEmpty() && (!desktop_.xdo({QStringLiteral("getwindowname"), id}, &name) ||
                                 !pattern.match(QString::fromUtf8(name.trimmed())).hasMatch()))
            continue;
        list << id;
    }
    return list;
}

QRect App::window(const QString& title, double seconds) const {
    // A window's native children can carry its title too, and may show before
    // it: the window is the largest of them, once two looks agree.
    QRect found, before;
    waitFor(
        [&] {
            QRect largest;
            for (const QString& id : windowIds(title)) {
                const QRect r = desktop_.geometry(id);
                if (r.isValid() && qint64(r.width()) * r.height() >
                                       qint64(largest.width()) * largest.height())
                    largest = r;
            }
            const bool settled = largest.isValid() && largest == before;
            before = largest;
            if (settled) found = largest;
            return settled;
        },
        seconds);
    return found.isValid() ? found : before;
}

bool App::windowGone(const QString& title, double seconds) const {
    return waitFor([&] { return windowIds(title).isEmpty(); }, seconds);
}

void App::focusMainWindow() const {
    desktop_.xdo({QStringLiteral("windowfocus"), window_});
}

QByteArray App::log() {
    log_ += process_.readAll();
    return log_;
}

}  // namespace e2e
