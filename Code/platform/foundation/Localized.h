#pragma once

#include <QHash>
#include <QString>

namespace foundation {

// The user-visible text for `key` from the "InfoPlist" string table
// (Resources/strings/InfoPlist.strings), or `defaultValue` when the table has no
// such key. Thread-safe; the table is read once.
QString localized(const QString& key, const QString& defaultValue = QString());

// Parses a string table: lines `"key" = "value";`, with C-style comments and the
// escapes \" \\ \n \t. Malformed entries are skipped.
QHash<QString, QString> parseStringTable(const QString& text);

}  // namespace foundation
