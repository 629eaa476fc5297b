#include "platform/foundation/Bundle.h"

#include "BuildInfo.h"

#include <QDirIterator>
#include <QFile>
#include <QHash>

namespace foundation {

QVariant Bundle::infoValue(const QString& key) {
    if (key == QLatin1String("CFBundleVersion") || key == QLatin1String("CFBundleShortVersionString"))
        return QStringLiteral(ZOLT_VERSION);
    if (key == QLatin1String("BuildDate")) return QStringLiteral(ZOLT_BUILD_DATE);
    if (key == QLatin1String("CFBundleName")) return QStringLiteral("Zolt");
    return {};
}

QString Bundle::resourcePath(const QString& name, const QString& type) {
    // Index every resource file by its file name once.
    static const QHash<QString, QString> index = [] {
        QHash<QString, QString> h;
        QDirIterator it(QStringLiteral(":/"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            // Qt's own resources live under :/qt-project.org; ours never do.
            if (path.startsWith(QLatin1String(":/qt-project.org"))) continue;
            const QString file = path.section(u'/', -1);
            if (!h.contains(file)) h.insert(file, path);
        }
        return h;
    }();
    QString file = name;
    if (!type.isEmpty() && !name.endsWith(u'.' + type)) file += u'.' + type;
    if (file.startsWith(QLatin1String(":/")) && QFile::exists(file)) return file;
    return index.value(file);
}

QByteArray Bundle::resourceData(const QString& name, const QString& type) {
    const QString path = resourcePath(name, type);
    if (path.isEmpty()) return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

}  // namespace foundation
