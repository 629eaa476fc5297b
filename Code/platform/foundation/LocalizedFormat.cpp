#include "platform/foundation/LocalizedFormat.h"

#include <optional>
#include <vector>

namespace foundation {

namespace {

enum class Kind { Object, Signed, Unsigned, Percent };

struct Placeholder {
    qsizetype start = 0;
    qsizetype length = 0;
    Kind kind = Kind::Object;
    int position = 0;  // 1-based; 0 when the text counts in order
};

// Reads the placeholder at text[i] == '%'; none when it is malformed.
std::optional<Placeholder> readPlaceholder(const QString& text, qsizetype i) {
    Placeholder p;
    p.start = i;
    qsizetype j = i + 1;
    if (j < text.size() && text[j] == u'%') {
        p.kind = Kind::Percent;
        p.length = 2;
        return p;
    }
    // An optional position: digits followed by '$'.
    qsizetype k = j;
    int position = 0;
    while (k < text.size() && text[k].isDigit() && k - j < 4)
        position = position * 10 + text[k++].digitValue();
    if (k > j) {
        if (k >= text.size() || text[k] != u'$' || position == 0) return std::nullopt;
        p.position = position;
        j = k + 1;
    }
    int longs = 0;
    while (j < text.size() && text[j] == u'l' && longs < 2) {
        ++longs;
        ++j;
    }
    if (j >= text.size()) return std::nullopt;
    const QChar c = text[j];
    if (c == u'@' && longs == 0)
        p.kind = Kind::Object;
    else if (c == u'd' || c == u'i')
        p.kind = Kind::Signed;
    else if (c == u'u')
        p.kind = Kind::Unsigned;
    else
        return std::nullopt;
    p.length = j + 1 - i;
    return p;
}

bool isWholeNumber(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            return true;
        default:
            return false;
    }
}

std::optional<QString> render(const Placeholder& p, const QVariant& v) {
    switch (p.kind) {
        case Kind::Object:
            if (!v.isValid() || !v.canConvert<QString>()) return std::nullopt;
            return v.toString();
        case Kind::Signed:
            if (!isWholeNumber(v)) return std::nullopt;
            if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong)
                return QString::number(v.toULongLong());
            return QString::number(v.toLongLong());
        case Kind::Unsigned:
            if (!isWholeNumber(v)) return std::nullopt;
            if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong)
                return QString::number(v.toULongLong());
            if (v.toLongLong() < 0) return std::nullopt;
            return QString::number(v.toLongLong());
        case Kind::Percent:
            return QStringLiteral("%");
    }
    return std::nullopt;
}

}  // namespace

QString formatLocalized(const QString& text, const QVariantList& arguments) {
    std::vector<Placeholder> found;
    bool positional = false, sequential = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'%') continue;
        const auto p = readPlaceholder(text, i);
        if (!p) return text;
        if (p->kind != Kind::Percent) (p->position ? positional : sequential) = true;
        found.push_back(*p);
        i += p->length - 1;
    }
    if (positional && sequential) return text;

    QString out;
    out.reserve(text.size());
    qsizetype at = 0;
    int next = 0;
    for (const Placeholder& p : found) {
        out += QStringView(text).mid(at, p.start - at);
        at = p.start + p.length;
        const QStringView written = QStringView(text).mid(p.start, p.length);
        if (p.kind == Kind::Percent) {
            out += u'%';
            continue;
        }
        const int index = p.position ? p.position - 1 : next++;
        std::optional<QString> filled;
        if (index < arguments.size()) filled = render(p, arguments[index]);
        if (filled)
            out += *filled;
        else
            out += written;
    }
    out += QStringView(text).mid(at);
    return out;
}

}  // namespace foundation
