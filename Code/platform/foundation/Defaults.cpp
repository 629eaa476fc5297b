#include "platform/foundation/Defaults.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace foundation {

namespace {

struct StandardHolder {
    std::mutex mutex;
    std::shared_ptr<Defaults> current;
    // Replaced instances are kept so that references handed out stay valid.
    std::vector<std::shared_ptr<Defaults>> retired;
};

StandardHolder& holder() {
    static StandardHolder h;
    return h;
}

bool isNumber(const QVariant& v) {
    switch (v.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

bool isInteger(const QVariant& v) {
    return isNumber(v) && v.metaType().id() != QMetaType::Double &&
           v.metaType().id() != QMetaType::Float;
}

qint64 truncated(double d) {
    if (!std::isfinite(d)) return 0;
    if (d >= 9.2233720368547758e18) return std::numeric_limits<qint64>::max();
    if (d <= -9.2233720368547758e18) return std::numeric_limits<qint64>::min();
    return qint64(d);
}

// A number written as text ("12", " 3.5") read as far as it goes.
double numberInText(const QString& text, bool* ok) {
    const QString t = text.trimmed();
    bool good = false;
    const qint64 i = t.toLongLong(&good);
    if (good) {
        *ok = true;
        return double(i);
    }
    const double d = t.toDouble(&good);
    *ok = good;
    return good ? d : 0.0;
}

QString envValue(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name)).trimmed();
}

// "de_DE.UTF-8" → "de-DE"; the C locale and American English are plain "en".
QString languageFromLocaleName(QString name) {
    for (QChar cut : {u'.', u'@'}) {
        const qsizetype at = name.indexOf(cut);
        if (at >= 0) name.truncate(at);
    }
    if (name.isEmpty()) return {};
    if (name == u"C" || name == u"POSIX") return QStringLiteral("en");
    name.replace(u'_', u'-');
    if (name == u"en-US") return QStringLiteral("en");
    return name;
}

}  // namespace

Defaults::Defaults(QString path) : path_(std::move(path)) {
    load();
}

Defaults& Defaults::standard() {
    auto& h = holder();
    std::lock_guard<std::mutex> g(h.mutex);
    if (!h.current) h.current = std::make_shared<Defaults>(defaultPath());
    return *h.current;
}

void Defaults::resetStandard(const QString& path) {
    auto& h = holder();
    std::lock_guard<std::mutex> g(h.mutex);
    if (h.current) h.retired.push_back(std::move(h.current));
    h.current = path.isEmpty() ? nullptr : std::make_shared<Defaults>(path);
}

QString Defaults::defaultPath() {
    const QString explicitPath = envValue("ZOLT_DEFAULTS");
    if (!explicitPath.isEmpty()) return explicitPath;
    QString config = envValue("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/zolt/Defaults.plist");
}

QStringList Defaults::languagesFromEnvironment() {
    QString language;
    for (const QString& entry : envValue("LANGUAGE").split(u':', Qt::SkipEmptyParts)) {
        language = languageFromLocaleName(entry.trimmed());
        break;
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (!language.isEmpty()) break;
        language = languageFromLocaleName(envValue(name));
    }
    if (language.isEmpty()) language = QStringLiteral("en");
    return {language};
}

void Defaults::load() {
    const QFileInfo info(path_);
    if (!info.exists() && !info.isSymLink()) return;  // nothing saved yet

    QString why;
    const QVariant v = PropertyList::readFile(path_, &why);
    if (v.isValid() && v.metaType().id() == QMetaType::QVariantMap) {
        values_ = v.toMap();
        return;
    }
    if (v.isValid()) why = QStringLiteral("it does not hold a dictionary");
    // Keep the unreadable file for the user and start afresh beside it.
    QString movedTo, moveError;
    if (PropertyList::moveUnreadableFileAside(path_, &movedTo, &moveError)) {
        log(QStringLiteral("WARNING: user defaults file %1 could not be read (%2); moved it "
                           "aside to %3 and started with empty settings")
                .arg(path_, why, movedTo));
    } else {
        fileBlocked_ = true;
        log(QStringLiteral("WARNING: user defaults file %1 could not be read (%2) nor moved "
                           "aside (%3); settings will not be saved over it")
                .arg(path_, why, moveError));
    }
}

void Defaults::registerDefaults(const QVariantMap& values) {
    QString why;
    Guard g(lock_);
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QVariant v = PropertyList::normalized(it.value(), &why);
        if (v.isValid())
            registered_.insert(it.key(), v);
        else
            log(QStringLiteral("ERROR: cannot register default for \"%1\": %2").arg(it.key(), why));
    }
}

QVariant Defaults::objectForKey(const QString& key) const {
    Guard g(lock_);
    if (auto it = values_.constFind(key); it != values_.constEnd()) return *it;
    // The environment's languages stand where the system-wide settings would.
    if (key == languagesKey) {
        QVariantList list;
        for (const QString& l : languagesFromEnvironment()) list.append(l);
        return list;
    }
    return registered_.value(key);
}

bool Defaults::boolForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::Bool) return v.toBool();
    if (isInteger(v)) return v.toLongLong() != 0 || v.toULongLong() != 0;
    if (isNumber(v)) return v.toDouble() != 0.0;
    if (v.metaType().id() == QMetaType::QString) {
        const QString t = v.toString().trimmed();
        if (t.compare(u"yes", Qt::CaseInsensitive) == 0 ||
            t.compare(u"true", Qt::CaseInsensitive) == 0)
            return true;
        bool ok = false;
        return numberInText(t, &ok) != 0.0 && ok;
    }
    return false;
}

qint64 Defaults::integerForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::Bool) return v.toBool() ? 1 : 0;
    if (v.metaType().id() == QMetaType::ULongLong)
        return qint64(std::min<quint64>(v.toULongLong(), std::numeric_limits<qint64>::max()));
    if (isInteger(v)) return v.toLongLong();
    if (isNumber(v)) return truncated(v.toDouble());
    if (v.metaType().id() == QMetaType::QString) {
        const QString t = v.toString().trimmed();
        bool ok = false;
        const qint64 i = t.toLongLong(&ok);
        if (ok) return i;
        return truncated(numberInText(t, &ok));
    }
    return 0;
}

double Defaults::doubleForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::Bool) return v.toBool() ? 1.0 : 0.0;
    if (isNumber(v)) return v.toDouble();
    if (v.metaType().id() == QMetaType::QString) {
        bool ok = false;
        return numberInText(v.toString(), &ok);
    }
    return 0.0;
}

QString Defaults::stringForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::QString) return v.toString();
    if (isInteger(v)) return v.toString();
    if (isNumber(v)) return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    return {};
}

QVariantMap Defaults::dictionaryForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    return v.metaType().id() == QMetaType::QVariantMap ? v.toMap() : QVariantMap();
}

QVariantList Defaults::arrayForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    return v.metaType().id() == QMetaType::QVariantList ? v.toList() : QVariantList();
}

QStringList Defaults::preferredLanguages() const {
    const QVariant v = objectForKey(languagesKey);
    QStringList out;
    if (v.metaType().id() == QMetaType::QString) out.append(v.toString());
    const QVariantList list =
        v.metaType().id() == QMetaType::QVariantList ? v.toList() : QVariantList();
    for (const QVariant& item : list)
        if (item.metaType().id() == QMetaType::QString && !item.toString().isEmpty())
            out.append(item.toString());
    return out.isEmpty() ? languagesFromEnvironment() : out;
}

bool Defaults::setObject(const QString& key, const QVariant& value) {
    if (!value.isValid()) {
        removeObject(key);
        return true;
    }
    bool changed = false;
    {
        Guard g(lock_);
        if (!PropertyList::setStoredValue(values_, key, value, QStringLiteral("user default"),
                                          &changed))
            return false;
        if (changed) ++generation_;
    }
    if (changed) scheduleAutosave();
    return true;
}

void Defaults::setBool(const QString& key, bool value) {
    setObject(key, value);
}
void Defaults::setInteger(const QString& key, qint64 value) {
    setObject(key, value);
}
void Defaults::setDouble(const QString& key, double value) {
    setObject(key, value);
}

void Defaults::removeObject(const QString& key) {
    bool changed = false;
    {
        Guard g(lock_);
        changed = values_.remove(key) > 0;
        if (changed) ++generation_;
    }
    if (changed) scheduleAutosave();
}

void Defaults::setAutosaveDelay(int delayMs) {
    autosaveDelay_ = std::max(0, delayMs);
}

void Defaults::scheduleAutosave() {
    const int delay = autosaveDelay_.load();
    if (delay <= 0 || !QCoreApplication::instance()) return;
    // One write for the changes of a moment; a change made while it writes
    // starts the next.
    if (autosavePending_.exchange(true)) return;
    onMain([this, delay] {
        QTimer::singleShot(delay, QCoreApplication::instance(), [this] {
            autosavePending_ = false;
            synchronize();
        });
    });
}

QVariantMap Defaults::dictionaryRepresentation() const {
    Guard g(lock_);
    QVariantMap all = registered_;
    all.insert(languagesKey, objectForKey(languagesKey));
    all.insert(values_);
    return all;
}

bool Defaults::synchronize() {
    std::lock_guard<std::mutex> ordered(writeMutex_);
    QVariantMap snapshot;
    quint64 generation = 0;
    {
        Guard g(lock_);
        if (generation_ == savedGeneration_) return true;
        if (fileBlocked_) {
            log(QStringLiteral("ERROR: user defaults not saved: the unreadable file %1 is "
                               "still in the way")
                    .arg(path_));
            return false;
        }
        snapshot = values_;
        generation = generation_;
    }
    QString why;
    if (!PropertyList::writeFile(path_, snapshot, &why)) {
        log(QStringLiteral("ERROR: saving user defaults to %1 failed: %2").arg(path_, why));
        return false;
    }
    Guard g(lock_);
    savedGeneration_ = generation;
    return true;
}

}  // namespace foundation
