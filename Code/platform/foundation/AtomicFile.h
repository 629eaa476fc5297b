#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace foundation {

// Writes `data` to `path` so that the file is either the old one or the new one,
// never a mix: a temporary file in the same folder is written, flushed and
// synced, renamed over the target, and the folder is synced. A path that is a
// symbolic link is written through: the link's target gets the data and the
// link stays a link. On failure the old file is untouched, the temporary file
// removed, and `error` says why.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

// What a checked write found.
enum class CheckedWrite {
    Done,      // written (or removed)
    Conflict,  // the file was not what the caller read; it was left as it is
    Failed,    // an error of the file system; nothing changed
};

// The file a path stands for: a symbolic link's final target (also when that
// does not exist yet), otherwise the path itself.
QString resolvedFilePath(const QString& path);

// Replaces the file at `path` by `data` only while it still holds the bytes
// whose SHA-1 is `expectedHash`; with an empty hash the file must not exist.
// The file is checked before the new one goes in and again, after an atomic
// exchange, on the very file that was replaced: when that one differs from what
// was expected (another program wrote it meanwhile), it is put back and the
// answer is Conflict. No version written by another program is lost: should a
// third one arrive while the first is being put back, it is kept beside the
// file as ".<name>.conflict-…". Follows symbolic links like writeFileAtomically.
CheckedWrite replaceFileIfUnchanged(const QString& path, const QByteArray& data,
                                    const QByteArray& expectedHash, QString* error = nullptr);

// Removes the file at `path` only while it holds the bytes whose SHA-1 is
// `expectedHash` (a missing file counts as removed). The file is moved aside
// atomically first and checked there; a changed file goes back. A symbolic
// link is removed itself, its target stays.
CheckedWrite removeFileIfUnchanged(const QString& path, const QByteArray& expectedHash,
                                   QString* error = nullptr);

// Whether `name` is one of the temporary files the writes above leave behind
// when they are interrupted (".<name>.tmp-XXXXXX").
bool isTemporaryFileName(const QString& name);
// Removes the temporary files of interrupted writes in `folder` that are older
// than `staleSeconds`; answers how many went.
int removeStaleTemporaryFiles(const QString& folder, qint64 staleSeconds);

namespace testhooks {
// Makes the next atomic write stop after writing its temporary file, as if the
// process died before the rename. Tests only.
void interruptNextAtomicWrite();
// Runs `hook` (with the target's path) in every checked write after the file
// was checked and before the new one goes in: where a racing program's write
// lands at worst. Tests only; an empty function removes it.
void setBeforeReplaceHook(std::function<void(const QString&)> hook);
}  // namespace testhooks

}  // namespace foundation
