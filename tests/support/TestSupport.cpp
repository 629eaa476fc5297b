#include "support/TestSupport.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QThread>

#include <cstdlib>

namespace testsupport {

TempDir::TempDir() { dir_.setAutoRemove(true); }

bool TempDir::write(const QString& name, const QByteArray& data) const {
    const QString path = file(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(data) == data.size();
}

QByteArray TempDir::read(const QString& name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

ScopedEnv::ScopedEnv(const char* name, const QString& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        had_ = true;
        old_ = old;
    }
    setenv(name, value.toUtf8().constData(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (had_)
        setenv(name_.constData(), old_.constData(), 1);
    else
        unsetenv(name_.constData());
}

bool waitUntil(const std::function<bool()>& done, double seconds) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > seconds * 1000.0) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

bool colorNear(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

QColor pixel(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

QString saveForInspection(const QImage& image, const QString& name) {
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/test-output");
    QDir().mkpath(dir);
    const QString path = dir + u'/' + name + QStringLiteral(".png");
    image.save(path);
    return path;
}

void saveOnHoverBox(const QImage& ink, const QString& name) {
    QImage image(ink.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(38, 38, 38));
    QPainter(&image).drawImage(0, 0, ink);
    saveForInspection(image, name);
}

bool registerFactoryDefaults(QString* error) {
    const QVariant factory = foundation::PropertyList::fromData(
        foundation::Bundle::resourceData(QStringLiteral("UserDefaults"), QStringLiteral("plist")),
        error);
    if (factory.typeId() != QMetaType::QVariantMap) return false;
    foundation::Defaults::standard().registerDefaults(factory.toMap());
    return true;
}

}  // namespace testsupport
