#pragma once

#include <QHash>
#include <QString>

namespace foundation {

// The user-visible text for `key` from the "InfoPlist" string table
// (Resources/strings/InfoPlist.strings), or `defaultValue` when the table has no
// such key. Thread-safe; the table is read once.
QString localized(const QString& key, const QString& defaultValue = QString());

// The user's locale as an identifier: language and region joined by an
// underscore ("en_US"). Tests fix it with setLocaleIdentifier; an empty text
// goes back to the system's.
QString localeIdentifier();
void setLocaleIdentifier(const QString& identifier);
// Whether the locale (the user's unless given) is exactly "en_US": dates are
// then written and typed month first ("12/24"), elsewhere day first ("24.12.").
bool isUSEnglishLocale(const QString& identifier = localeIdentifier());

// Parses a string table: lines `"key" = "value";`, with C-style comments and the
// escapes \" \\ \n \t. Malformed entries are skipped.
QHash<QString, QString> parseStringTable(const QString& text);

}  // namespace foundation
