#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace calstore::detail {

// One file of a write that touches several: what it held (SHA-1 and bytes; an
// empty hash for a file that did not exist) and what it is to hold (or its removal).
struct IntentChange {
    QString path;
    QByteArray oldHash;
    QByteArray oldText;
    bool remove = false;
    QByteArray newText;
};

// The record of a write that touches several files, kept at the store's root
// (".zolt-intent-XXXXXX", JSON) while the write runs, so that a write cut off
// halfway (the process killed) is made whole at the next open: when every file
// holds either its old or its new bytes, the write is completed; when another
// program changed one of them meanwhile, the files already written go back to
// their old bytes. The record is locked while its write runs, so that another
// process opening the store leaves it alone.
class StoreIntent final {
public:
    StoreIntent() = default;
    ~StoreIntent();
    StoreIntent(const StoreIntent&) = delete;
    StoreIntent& operator=(const StoreIntent&) = delete;

    // Writes and syncs the record and keeps it locked.
    bool begin(const QString& root, const std::vector<IntentChange>& changes, QString* why);
    // The write is over (done or undone): the record goes.
    void finish();

    // Completes or rolls back the writes that records under `root` describe;
    // answers how many records were dealt with.
    static int recover(const QString& root);

private:
    QString path_;
    int fd_ = -1;
};

}  // namespace calstore::detail
