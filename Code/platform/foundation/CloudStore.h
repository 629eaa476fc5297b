#pragma once

#include "platform/foundation/Threads.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class QObject;

namespace foundation {

// The shared key-value store that several machines see: one property-list
// dictionary in a file ("ZoltCloud.plist") inside a folder that a file-syncing
// tool keeps in step between them.
//
// Values are read when the store is made and written atomically by
// synchronize(). When another program replaces or edits the file, the store
// reads it again and posts didChangeExternallyNotification (object: the store;
// user information: "changedKeys", the keys whose values changed) on the main
// thread; its own writes are not reported. Values set here and not yet written
// win over those of the file. A file that cannot be read counts as empty and is
// renamed aside (kept for the user) before the store first writes its own.
//
// All operations may be called from any thread; make and destroy a store where
// a QApplication's main thread can watch the folder (the main thread in practice).
class CloudStore final {
public:
    static inline const QString didChangeExternallyNotification =
        QStringLiteral("Cloud Store Did Change Externally");
    static inline const QString changedKeysKey = QStringLiteral("changedKeys");
    static inline const QString fileName = QStringLiteral("ZoltCloud.plist");

    // The process's store in defaultFolder(), made on first use (creating the
    // folder); nullptr, with a warning in the log, when the folder cannot be used.
    static CloudStore* defaultStore();
    // Forgets the process's store so that the next defaultStore() makes a new one
    // (the old object stays valid). For tests.
    static void resetDefaultStore();
    // $ZOLT_CLOUD_DIR, else $XDG_DATA_HOME/zolt/cloud, else ~/.local/share/zolt/cloud.
    static QString defaultFolder();

    explicit CloudStore(const QString& folder);
    ~CloudStore();
    CloudStore(const CloudStore&) = delete;
    CloudStore& operator=(const CloudStore&) = delete;

    QString folder() const { return folder_; }
    QString path() const { return path_; }

    QVariantMap dictionaryRepresentation() const;
    QVariant objectForKey(const QString& key) const;
    // An invalid QVariant removes the key. Answers false, and logs, when the
    // value cannot be stored in a property list.
    bool setObject(const QString& key, const QVariant& value);
    void removeObject(const QString& key);

    // Writes the values set here, after taking in any change made to the file
    // from outside meanwhile. Answers whether the file now holds them.
    bool synchronize();

private:
    struct FileState {
        bool exists = false;
        bool readable = true;
        QByteArray bytes;
        QString problem;  // why it could not be read
        bool operator==(const FileState&) const = default;
    };

    FileState readState() const;
    bool parse(const FileState& state, QVariantMap* values, QString* why) const;
    void startWatching();                // main thread
    void scheduleCheck();                // main thread
    void checkFromWatcher();             // main thread
    QStringList takeInExternalChange();  // caller holds lock_
    void postChange(const QStringList& changedKeys);

    const QString folder_;
    const QString path_;
    mutable Lock lock_;
    QVariantMap values_;
    QMap<QString, QVariant> pending_;  // set here and not yet written; invalid = removed
    FileState known_;                  // the file as last read or written here
    bool unreadable_ = false;          // known_ could not be parsed
    QObject* context_ = nullptr;       // lives on the main thread; owns the watcher
};

}  // namespace foundation
