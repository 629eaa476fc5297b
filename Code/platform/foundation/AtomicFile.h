#pragma once

#include <QByteArray>
#include <QString>

namespace foundation {

// Writes `data` to `path` so that the file is either the old one or the new one,
// never a mix: a temporary file in the same folder is written, flushed and
// synced, renamed over the target, and the folder is synced. On failure the old
// file is untouched, the temporary file removed, and `error` says why.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

namespace testhooks {
// Makes the next atomic write stop after writing its temporary file, as if the
// process died before the rename. Tests only.
void interruptNextAtomicWrite();
}  // namespace testhooks

}  // namespace foundation
