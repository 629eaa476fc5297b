#pragma once

#include "platform/foundation/Threads.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <atomic>
#include <mutex>

namespace foundation {

// The user's settings: a property-list dictionary in an XML file, with a layer
// of registered factory values underneath that is never written to the file.
//
// Values are read from the file when the object is made and written back,
// atomically, by synchronize(). A file that cannot be read is renamed aside
// (kept for the user) and reported; it is never overwritten. All operations may
// be called from any thread.
class Defaults final {
public:
    // The preferred languages, most preferred first. Taken from the settings
    // when the user has set them, else from the environment.
    static inline const QString languagesKey = QStringLiteral("AppleLanguages");

    // Settings kept in the file at `path` (read now; a missing file is empty).
    explicit Defaults(QString path);
    Defaults(const Defaults&) = delete;
    Defaults& operator=(const Defaults&) = delete;

    // The process's settings, at defaultPath(), made on first use.
    static Defaults& standard();
    // Replaces the process's settings with fresh ones over `path` (the default
    // location when empty, made on the next standard()). References to the old
    // object stay valid. For tests.
    static void resetStandard(const QString& path = QString());
    // $ZOLT_DEFAULTS, else $XDG_CONFIG_HOME/zolt/Defaults.plist, else
    // ~/.config/zolt/Defaults.plist.
    static QString defaultPath();
    // The languages the environment asks for, as language codes ("en", "de-DE"):
    // the first entry of LANGUAGE, else LC_ALL, LC_MESSAGES or LANG.
    static QStringList languagesFromEnvironment();

    QString path() const { return path_; }

    // Adds `values` to the factory layer (replacing registered values of the
    // same keys). They answer for keys the user has not set.
    void registerDefaults(const QVariantMap& values);

    // The user's value, else the registered one, else an invalid QVariant.
    QVariant objectForKey(const QString& key) const;
    // Typed readers: a missing or unsuitable value gives false, 0, empty.
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;  // numbers are given as text
    QVariantMap dictionaryForKey(const QString& key) const;
    QVariantList arrayForKey(const QString& key) const;
    // The first entries of "AppleLanguages" as text.
    QStringList preferredLanguages() const;

    // Sets a user value; an invalid QVariant removes it. Values are kept as they
    // will read back from the file (PropertyList::normalized). Answers false, and
    // logs, when the value cannot be stored in a property list.
    bool setObject(const QString& key, const QVariant& value);
    void setBool(const QString& key, bool value);
    void setInteger(const QString& key, qint64 value);
    void setDouble(const QString& key, double value);
    void removeObject(const QString& key);

    // Every key with its value: registered values overlaid with the user's.
    QVariantMap dictionaryRepresentation() const;

    // Writes the user's values to the file when they changed since the last
    // write. Answers whether the file now holds them; failures are logged.
    bool synchronize();

    // Writes the user's values by itself `delayMs` after a change, from the main
    // thread's event loop, so that a program that ends without its closing
    // synchronize() (a crash, a kill) loses only the last moment's changes. Off
    // until set; 0 turns it off again. The object must outlive the event loop
    // (standard() does).
    void setAutosaveDelay(int delayMs);

private:
    void load();
    // Called after a change, outside the lock: starts the autosave timer.
    void scheduleAutosave();

    const QString path_;
    mutable Lock lock_;
    std::mutex writeMutex_;  // keeps writes of successive snapshots in order
    QVariantMap values_;
    QVariantMap registered_;
    quint64 generation_ = 0;       // counts changes to values_
    quint64 savedGeneration_ = 0;  // the generation the file holds
    bool fileBlocked_ = false;     // an unreadable file is still in the way
    std::atomic<int> autosaveDelay_{0};
    std::atomic<bool> autosavePending_{false};
};

}  // namespace foundation
