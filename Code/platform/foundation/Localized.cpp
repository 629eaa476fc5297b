#include "platform/foundation/Localized.h"

#include "platform/foundation/Bundle.h"

#include <QHash>
#include <QLocale>

#include <mutex>

namespace foundation {

namespace {

// Reads a quoted string starting at s[i] == '"'; leaves i after the closing quote.
bool readQuoted(const QString& s, int& i, QString* out) {
    if (i >= s.size() || s[i] != u'"') return false;
    QString v;
    for (++i; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'"') {
            ++i;
            *out = v;
            return true;
        }
        if (c == u'\\' && i + 1 < s.size()) {
            const QChar e = s[++i];
            v += e == u'n' ? QChar(u'\n') : e == u't' ? QChar(u'\t') : e;
        } else {
            v += c;
        }
    }
    return false;
}

void skipSpaceAndComments(const QString& s, int& i) {
    while (i < s.size()) {
        if (s[i].isSpace()) {
            ++i;
        } else if (s.mid(i, 2) == QLatin1String("//")) {
            while (i < s.size() && s[i] != u'\n') ++i;
        } else if (s.mid(i, 2) == QLatin1String("/*")) {
            const int end = s.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? s.size() : end + 2;
        } else {
            break;
        }
    }
}

}  // namespace

QHash<QString, QString> parseStringTable(const QString& s) {
    QHash<QString, QString> table;
    int i = 0;
    while (true) {
        skipSpaceAndComments(s, i);
        if (i >= s.size()) break;
        QString key, value;
        bool ok = readQuoted(s, i, &key);
        skipSpaceAndComments(s, i);
        ok = ok && i < s.size() && s[i] == u'=';
        if (ok) {
            ++i;
            skipSpaceAndComments(s, i);
            ok = readQuoted(s, i, &value);
            skipSpaceAndComments(s, i);
            ok = ok && i < s.size() && s[i] == u';';
        }
        if (ok) {
            table.insert(key, value);
            ++i;
        } else {
            // Skip to the end of the broken entry and go on with the next line.
            const int nl = s.indexOf(u'\n', i);
            if (nl < 0) break;
            i = nl + 1;
        }
    }
    return table;
}

namespace {
std::mutex localeMutex;
QString& localeOverride() {
    static QString identifier;
    return identifier;
}
}  // namespace

QString localeIdentifier() {
    {
        std::lock_guard lock(localeMutex);
        if (!localeOverride().isEmpty()) return localeOverride();
    }
    return QLocale::system().name();
}

void setLocaleIdentifier(const QString& identifier) {
    std::lock_guard lock(localeMutex);
    localeOverride() = identifier;
}

bool isUSEnglishLocale(const QString& identifier) {
    return identifier == QLatin1String("en_US");
}

QString localized(const QString& key, const QString& defaultValue) {
    static const QHash<QString, QString> table = parseStringTable(QString::fromUtf8(
        Bundle::resourceData(QStringLiteral("InfoPlist"), QStringLiteral("strings"))));
    const auto it = table.constFind(key);
    return it == table.constEnd() ? defaultValue : *it;
}

}  // namespace foundation
