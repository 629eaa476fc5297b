#include "platform/foundation/PropertyList.h"

#include "platform/foundation/Log.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RegularFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QStringList>
#include <QStringView>
#include <QVariantHash>
#include <QVariantList>
#include <QVariantMap>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace foundation {

namespace {

bool setError(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}

// Dates are kept between the years 1 and 9999: the XML form cannot write others,
// and nothing the system stores lies outside.
bool dateInRange(const QDateTime& dt) {
    const int year = dt.date().year();
    return dt.isValid() && year >= 1 && year <= 9999;
}

// ---------------------------------------------------------------------------
// Normalising values to what a reader gives back

// Text as an XML file can hold it: characters XML 1.0 does not allow even as
// references (NUL and the other control characters but tab, line feed and
// carriage return; unpaired surrogates; U+FFFE and U+FFFF) become U+FFFD, so
// that every property-list reader takes the file and reads back what was stored.
QString xmlSafe(const QString& s) {
    QString out;
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s.at(i).unicode();
        bool bad = (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0xFFFE || c == 0xFFFF;
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(s.at(i + 1).unicode())) {
                if (!out.isNull()) out.append(s.at(i)).append(s.at(i + 1));
                ++i;
                continue;
            }
            bad = true;
        } else if (QChar::isLowSurrogate(c)) {
            bad = true;
        }
        if (bad && out.isNull()) out = s.left(i);
        if (!out.isNull()) out.append(bad ? QChar(QChar::ReplacementCharacter) : s.at(i));
    }
    return out.isNull() ? s : out;
}

QVariant normalize(const QVariant& v, int depth, const QString& where, QString* error) {
    auto fail = [&](const QString& why) {
        setError(error, where.isEmpty() ? why : QStringLiteral("%1: %2").arg(where, why));
        return QVariant();
    };
    if (depth > PropertyList::maxDepth)
        return fail(QStringLiteral("nested deeper than %1 levels").arg(PropertyList::maxDepth));
    switch (v.metaType().id()) {
        case QMetaType::Bool:
            return v.toBool();
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
            return v.toLongLong();
        case QMetaType::ULong:
        case QMetaType::ULongLong: {
            const quint64 u = v.toULongLong();
            if (u <= quint64(std::numeric_limits<qint64>::max())) return qint64(u);
            return u;
        }
        case QMetaType::Float:
            return double(v.toFloat());
        case QMetaType::Double:
            return v.toDouble();
        case QMetaType::QString:
            return xmlSafe(v.toString());
        case QMetaType::QByteArray:
            return v.toByteArray();
        case QMetaType::QDateTime: {
            const QDateTime dt = v.toDateTime();
            if (!dateInRange(dt)) return fail(QStringLiteral("date is invalid or out of range"));
            // Second precision in UTC is what the file keeps.
            return QDateTime::fromSecsSinceEpoch(dt.toSecsSinceEpoch(), Qt::UTC);
        }
        case QMetaType::QStringList: {
            QVariantList out;
            for (const QString& s : v.toStringList()) out.append(xmlSafe(s));
            return out;
        }
        case QMetaType::QVariantList: {
            const QVariantList in = v.toList();
            QVariantList out;
            out.reserve(in.size());
            for (qsizetype i = 0; i < in.size(); ++i) {
                QVariant n = normalize(in.at(i), depth + 1,
                                       QStringLiteral("%1[%2]").arg(where).arg(i), error);
                if (!n.isValid()) return {};
                out.append(n);
            }
            return out;
        }
        case QMetaType::QVariantMap:
        case QMetaType::QVariantHash: {
            QVariantMap out;
            auto add = [&](const QString& key, const QVariant& value) {
                const QString inner = where.isEmpty() ? QStringLiteral("\"%1\"").arg(key)
                                                      : QStringLiteral("%1/\"%2\"").arg(where, key);
                QVariant n = normalize(value, depth + 1, inner, error);
                if (!n.isValid()) return false;
                out.insert(xmlSafe(key), n);
                return true;
            };
            if (v.metaType().id() == QMetaType::QVariantMap) {
                const QVariantMap in = v.toMap();
                for (auto it = in.begin(); it != in.end(); ++it)
                    if (!add(it.key(), it.value())) return {};
            } else {
                const QVariantHash in = v.toHash();
                for (auto it = in.begin(); it != in.end(); ++it)
                    if (!add(it.key(), it.value())) return {};
            }
            return out;
        }
        default:
            break;
    }
    if (!v.isValid()) return fail(QStringLiteral("an empty value cannot be stored"));
    return fail(QStringLiteral("a value of type %1 cannot be stored")
                    .arg(QString::fromLatin1(v.typeName())));
}

// ---------------------------------------------------------------------------
// XML writing

void appendUtf8(QByteArray& out, char32_t cp) {
    if (cp < 0x80) {
        out.append(char(cp));
    } else if (cp < 0x800) {
        out.append(char(0xC0 | (cp >> 6)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.append(char(0xE0 | (cp >> 12)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else {
        out.append(char(0xF0 | (cp >> 18)));
        out.append(char(0x80 | ((cp >> 12) & 0x3F)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    }
}

void appendCharRef(QByteArray& out, char32_t cp) {
    out.append("&#x");
    out.append(QByteArray::number(uint(cp), 16).toUpper());
    out.append(';');
}

// Escapes markup characters, writes carriage returns (which a parser would turn
// into line feeds) as references, and characters XML cannot hold at all as
// U+FFFD (see xmlSafe), so that every reader takes the text.
void appendEscaped(QByteArray& out, const QString& text) {
    const QString s = xmlSafe(text);
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n) {
            appendUtf8(out, QChar::surrogateToUcs4(c, s.at(i + 1).unicode()));
            ++i;
        } else if (c == '\r') {
            appendCharRef(out, c);
        } else if (c == '<') {
            out.append("&lt;");
        } else if (c == '>') {
            out.append("&gt;");
        } else if (c == '&') {
            out.append("&amp;");
        } else {
            appendUtf8(out, c);
        }
    }
}

void appendElement(QByteArray& out, int indent, const char* tag, const QByteArray& text) {
    out.append(QByteArray(indent, '\t'));
    out.append('<').append(tag).append('>');
    out.append(text);
    out.append("</").append(tag).append(">\n");
}

QByteArray realText(double d) {
    if (std::isnan(d)) return "nan";
    if (std::isinf(d)) return d > 0 ? "+infinity" : "-infinity";
    // The shortest text that reads back as the same double, independent of locale.
    return QString::number(d, 'g', QLocale::FloatingPointShortest).toLatin1();
}

// `v` is normalised already.
void writeXmlValue(QByteArray& out, const QVariant& v, int indent) {
    const QByteArray pad(indent, '\t');
    switch (v.metaType().id()) {
        case QMetaType::Bool:
            out.append(pad).append(v.toBool() ? "<true/>\n" : "<false/>\n");
            break;
        case QMetaType::LongLong:
            appendElement(out, indent, "integer", QByteArray::number(v.toLongLong()));
            break;
        case QMetaType::ULongLong:
            appendElement(out, indent, "integer", QByteArray::number(v.toULongLong()));
            break;
        case QMetaType::Double:
            appendElement(out, indent, "real", realText(v.toDouble()));
            break;
        case QMetaType::QString: {
            QByteArray text;
            appendEscaped(text, v.toString());
            appendElement(out, indent, "string", text);
            break;
        }
        case QMetaType::QByteArray:
            appendElement(out, indent, "data", v.toByteArray().toBase64());
            break;
        case QMetaType::QDateTime:
            appendElement(out, indent, "date", v.toDateTime().toString(Qt::ISODate).toLatin1());
            break;
        case QMetaType::QVariantList: {
            const QVariantList list = v.toList();
            if (list.isEmpty()) {
                out.append(pad).append("<array/>\n");
                break;
            }
            out.append(pad).append("<array>\n");
            for (const QVariant& item : list) writeXmlValue(out, item, indent + 1);
            out.append(pad).append("</array>\n");
            break;
        }
        case QMetaType::QVariantMap: {
            const QVariantMap map = v.toMap();
            if (map.isEmpty()) {
                out.append(pad).append("<dict/>\n");
                break;
            }
            out.append(pad).append("<dict>\n");
            // QVariantMap iterates in key order, which keeps the output stable.
            for (auto it = map.begin(); it != map.end(); ++it) {
                QByteArray key;
                appendEscaped(key, it.key());
                appendElement(out, indent + 1, "key", key);
                writeXmlValue(out, it.value(), indent + 1);
            }
            out.append(pad).append("</dict>\n");
            break;
        }
        default:
            break;  // normalize() lets nothing else through
    }
}

// ---------------------------------------------------------------------------
// XML reading: a small parser for the property-list subset of XML. It accepts
// what other writers produce (comments, processing instructions, a document
// type declaration, CDATA sections, character references, a missing <plist>
// wrapper) and refuses everything else with the line where it went wrong.

class XmlParser final {
public:
    explicit XmlParser(QString text) : s_(std::move(text)) {}

    QVariant parseDocument();
    QString error() const { return error_; }

private:
    struct Tag {
        QString name;
        bool selfClosing = false;
    };

    bool fail(const QString& why) {
        if (error_.isEmpty()) {
            const qsizetype upTo = std::min(p_, s_.size());
            const qsizetype line = QStringView(s_).left(upTo).count(u'\n') + 1;
            error_ = QStringLiteral("line %1: %2").arg(line).arg(why);
        }
        return false;
    }
    bool atEnd() const { return p_ >= s_.size(); }
    bool lookingAt(const char* literal) const {
        return QStringView(s_).mid(p_).startsWith(QLatin1String(literal));
    }
    void skipWhitespace() {
        while (!atEnd() && (s_.at(p_) == u' ' || s_.at(p_) == u'\t' || s_.at(p_) == u'\n' ||
                            s_.at(p_) == u'\r'))
            ++p_;
    }
    bool skipPast(const char* terminator, const char* what) {
        const qsizetype at = s_.indexOf(QLatin1String(terminator), p_);
        if (at < 0) return fail(QStringLiteral("unterminated %1").arg(QLatin1String(what)));
        p_ = at + qsizetype(std::strlen(terminator));
        return true;
    }
    // White space, comments and processing instructions between elements.
    bool skipMisc() {
        for (;;) {
            skipWhitespace();
            if (lookingAt("<!--")) {
                if (!skipPast("-->", "comment")) return false;
            } else if (lookingAt("<?")) {
                if (!skipPast("?>", "processing instruction")) return false;
            } else {
                return true;
            }
        }
    }
    bool skipDoctype();
    bool readStartTag(Tag* tag);
    bool readEndTag(const QString& name);
    bool readText(const Tag& tag, QString* out);
    bool appendReference(QString* out);
    QVariant parseValue(const Tag& tag, int depth);
    QVariant parseDict(const Tag& tag, int depth);
    QVariant parseArray(const Tag& tag, int depth);
    QVariant parseScalar(const Tag& tag);

    const QString s_;
    qsizetype p_ = 0;
    QString error_;
};

bool XmlParser::skipDoctype() {
    // "<!DOCTYPE" name, external id, optional internal subset in brackets, ">".
    p_ += 9;
    bool inSubset = false;
    while (!atEnd()) {
        const QChar c = s_.at(p_);
        if (c == u'"' || c == u'\'') {
            const qsizetype close = s_.indexOf(c, p_ + 1);
            if (close < 0) break;
            p_ = close + 1;
            continue;
        }
        ++p_;
        if (c == u'[')
            inSubset = true;
        else if (c == u']')
            inSubset = false;
        else if (c == u'>' && !inSubset)
            return true;
    }
    return fail(QStringLiteral("unterminated document type declaration"));
}

bool XmlParser::readStartTag(Tag* tag) {
    if (atEnd()) return fail(QStringLiteral("unexpected end of input"));
    if (s_.at(p_) != u'<') return fail(QStringLiteral("unexpected text"));
    if (lookingAt("</")) return fail(QStringLiteral("unexpected end tag"));
    ++p_;
    const qsizetype start = p_;
    while (!atEnd()) {
        const QChar c = s_.at(p_);
        if (c.isSpace() || c == u'/' || c == u'>') break;
        ++p_;
    }
    tag->name = s_.mid(start, p_ - start);
    if (tag->name.isEmpty() || tag->name.startsWith(u'!') || tag->name.startsWith(u'?'))
        return fail(QStringLiteral("malformed element"));
    // Attributes (plist's version) are not used.
    QChar last;
    while (!atEnd()) {
        const QChar c = s_.at(p_);
        if (c == u'"' || c == u'\'') {
            const qsizetype close = s_.indexOf(c, p_ + 1);
            if (close < 0) break;
            p_ = close + 1;
            last = QChar();
            continue;
        }
        ++p_;
        if (c == u'>') {
            tag->selfClosing = last == u'/';
            return true;
        }
        if (c == u'<') break;
        if (!c.isSpace()) last = c;
    }
    return fail(QStringLiteral("unterminated <%1>").arg(tag->name));
}

bool XmlParser::readEndTag(const QString& name) {
    if (!lookingAt("</")) return fail(QStringLiteral("expected </%1>").arg(name));
    p_ += 2;
    const qsizetype start = p_;
    while (!atEnd() && !s_.at(p_).isSpace() && s_.at(p_) != u'>') ++p_;
    const QString found = s_.mid(start, p_ - start);
    skipWhitespace();
    if (atEnd() || s_.at(p_) != u'>') return fail(QStringLiteral("unterminated </%1>").arg(found));
    ++p_;
    if (found != name) return fail(QStringLiteral("expected </%1>, found </%2>").arg(name, found));
    return true;
}

bool XmlParser::appendReference(QString* out) {
    const qsizetype semi = s_.indexOf(u';', p_);
    if (semi < 0 || semi - p_ > 12) return fail(QStringLiteral("malformed character reference"));
    const QStringView name = QStringView(s_).mid(p_ + 1, semi - p_ - 1);
    p_ = semi + 1;
    if (name == u"lt")
        out->append(u'<');
    else if (name == u"gt")
        out->append(u'>');
    else if (name == u"amp")
        out->append(u'&');
    else if (name == u"quot")
        out->append(u'"');
    else if (name == u"apos")
        out->append(u'\'');
    else if (name.startsWith(u'#')) {
        bool ok = false;
        uint cp = 0;
        if (name.size() > 2 && (name.at(1) == u'x' || name.at(1) == u'X'))
            cp = name.mid(2).toUInt(&ok, 16);
        else if (name.size() > 1)
            cp = name.mid(1).toUInt(&ok, 10);
        if (!ok || cp > 0x10FFFF)
            return fail(QStringLiteral("invalid character reference &%1;").arg(name));
        if (cp > 0xFFFF) {
            out->append(QChar(QChar::highSurrogate(cp)));
            out->append(QChar(QChar::lowSurrogate(cp)));
        } else {
            // Control characters and unpaired surrogates are kept: our writer uses
            // references exactly for them.
            out->append(QChar(char16_t(cp)));
        }
    } else {
        return fail(QStringLiteral("unknown entity &%1;").arg(name));
    }
    return true;
}

bool XmlParser::readText(const Tag& tag, QString* out) {
    out->clear();
    if (tag.selfClosing) return true;
    for (;;) {
        // Copy plain runs in one go.
        qsizetype q = p_;
        while (q < s_.size()) {
            const QChar c = s_.at(q);
            if (c == u'<' || c == u'&' || c == u'\r') break;
            ++q;
        }
        out->append(QStringView(s_).mid(p_, q - p_));
        p_ = q;
        if (atEnd()) return fail(QStringLiteral("unexpected end of input in <%1>").arg(tag.name));
        const QChar c = s_.at(p_);
        if (c == u'\r') {
            // XML line-end handling: CR LF and lone CR read as LF.
            out->append(u'\n');
            ++p_;
            if (!atEnd() && s_.at(p_) == u'\n') ++p_;
        } else if (c == u'&') {
            if (!appendReference(out)) return false;
        } else if (lookingAt("</")) {
            return readEndTag(tag.name);
        } else if (lookingAt("<![CDATA[")) {
            const qsizetype end = s_.indexOf(QLatin1String("]]>"), p_ + 9);
            if (end < 0) return fail(QStringLiteral("unterminated CDATA section"));
            out->append(QStringView(s_).mid(p_ + 9, end - p_ - 9));
            p_ = end + 3;
        } else if (lookingAt("<!--")) {
            if (!skipPast("-->", "comment")) return false;
        } else if (lookingAt("<?")) {
            if (!skipPast("?>", "processing instruction")) return false;
        } else {
            return fail(QStringLiteral("unexpected element inside <%1>").arg(tag.name));
        }
    }
}

QVariant XmlParser::parseDict(const Tag& tag, int depth) {
    QVariantMap map;
    if (tag.selfClosing) return map;
    for (;;) {
        if (!skipMisc()) return {};
        if (lookingAt("</")) {
            if (!readEndTag(tag.name)) return {};
            return map;
        }
        Tag keyTag;
        if (!readStartTag(&keyTag)) return {};
        if (keyTag.name != u"key") {
            fail(QStringLiteral("expected <key> in <dict>, found <%1>").arg(keyTag.name));
            return {};
        }
        QString key;
        if (!readText(keyTag, &key)) return {};
        if (!skipMisc()) return {};
        if (atEnd() || lookingAt("</")) {
            fail(QStringLiteral("key \"%1\" has no value").arg(key));
            return {};
        }
        Tag valueTag;
        if (!readStartTag(&valueTag)) return {};
        QVariant value = parseValue(valueTag, depth + 1);
        if (!value.isValid()) return {};
        map.insert(key, value);
    }
}

QVariant XmlParser::parseArray(const Tag& tag, int depth) {
    QVariantList list;
    if (tag.selfClosing) return list;
    for (;;) {
        if (!skipMisc()) return {};
        if (lookingAt("</")) {
            if (!readEndTag(tag.name)) return {};
            return list;
        }
        Tag itemTag;
        if (!readStartTag(&itemTag)) return {};
        QVariant item = parseValue(itemTag, depth + 1);
        if (!item.isValid()) return {};
        list.append(item);
    }
}

QVariant XmlParser::parseScalar(const Tag& tag) {
    const QString& name = tag.name;
    QString text;
    if (!readText(tag, &text)) return {};
    if (name == u"string") return text;
    if (name == u"true" || name == u"false") {
        if (!text.trimmed().isEmpty()) {
            fail(QStringLiteral("<%1> must be empty").arg(name));
            return {};
        }
        return name == u"true";
    }
    const QString t = text.trimmed();
    if (name == u"integer") {
        bool ok = false;
        const bool negative = t.startsWith(u'-');
        const QString digits = (negative || t.startsWith(u'+')) ? t.mid(1) : t;
        const bool hex = digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
        const QString body = hex ? digits.mid(2) : digits;
        if (!body.isEmpty() && body.at(0).isLetterOrNumber()) {
            const quint64 u = body.toULongLong(&ok, hex ? 16 : 10);
            if (ok) {
                const quint64 limit = quint64(std::numeric_limits<qint64>::max());
                if (!negative) return u <= limit ? QVariant(qint64(u)) : QVariant(u);
                if (u <= limit + 1) return qint64(0 - u);
            }
        }
        fail(QStringLiteral("invalid integer \"%1\"").arg(t));
        return {};
    }
    if (name == u"real") {
        const QString lower = t.toLower();
        if (lower == u"nan") return std::numeric_limits<double>::quiet_NaN();
        if (lower == u"inf" || lower == u"+inf" || lower == u"infinity" || lower == u"+infinity")
            return std::numeric_limits<double>::infinity();
        if (lower == u"-inf" || lower == u"-infinity")
            return -std::numeric_limits<double>::infinity();
        bool ok = false;
        const double d = t.toDouble(&ok);  // QString::toDouble is locale-independent
        if (!ok) {
            fail(QStringLiteral("invalid real \"%1\"").arg(t));
            return {};
        }
        return d;
    }
    if (name == u"date") {
        QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
        if (dt.isValid() && dt.timeSpec() == Qt::LocalTime) dt.setTimeSpec(Qt::UTC);
        dt = dt.toUTC();
        if (!dateInRange(dt)) {
            fail(QStringLiteral("invalid date \"%1\"").arg(t));
            return {};
        }
        return dt;
    }
    if (name == u"data") {
        QByteArray compact;
        compact.reserve(t.size());
        for (QChar c : t)
            if (!c.isSpace()) compact.append(char(c.unicode() < 0x80 ? c.unicode() : '!'));
        auto decoded =
            QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) {
            fail(QStringLiteral("invalid base64 in <data>"));
            return {};
        }
        return decoded.decoded;
    }
    fail(QStringLiteral("unknown element <%1>").arg(name));
    return {};
}

QVariant XmlParser::parseValue(const Tag& tag, int depth) {
    if (depth > PropertyList::maxDepth) {
        fail(QStringLiteral("nested deeper than %1 levels").arg(PropertyList::maxDepth));
        return {};
    }
    if (tag.name == u"dict") return parseDict(tag, depth);
    if (tag.name == u"array") return parseArray(tag, depth);
    return parseScalar(tag);
}

QVariant XmlParser::parseDocument() {
    if (!s_.isEmpty() && s_.at(0) == QChar(0xFEFF)) p_ = 1;
    for (;;) {
        if (!skipMisc()) return {};
        if (!lookingAt("<!DOCTYPE")) break;
        if (!skipDoctype()) return {};
    }
    Tag root;
    if (!readStartTag(&root)) return {};
    QVariant result;
    if (root.name == u"plist") {
        if (!skipMisc()) return {};
        if (root.selfClosing || atEnd() || lookingAt("</")) {
            fail(QStringLiteral("the property list holds no value"));
            return {};
        }
        Tag top;
        if (!readStartTag(&top)) return {};
        result = parseValue(top, 1);
        if (!result.isValid()) return {};
        if (!skipMisc() || !readEndTag(root.name)) return {};
    } else {
        result = parseValue(root, 1);
        if (!result.isValid()) return {};
    }
    if (!skipMisc()) return {};
    if (!atEnd()) {
        fail(QStringLiteral("unexpected content after the property list"));
        return {};
    }
    return result;
}

// ---------------------------------------------------------------------------
// Binary reading ("bplist00"): a header, the objects, a table of object
// offsets and a 32-byte trailer. Every offset, length and reference is checked
// against the file before it is followed, objects referred to from several
// places are parsed once, and a reference back to an object being parsed is
// refused as a cycle.

class BinaryParser final {
public:
    explicit BinaryParser(const QByteArray& data)
        : d_(reinterpret_cast<const uchar*>(data.constData())), size_(quint64(data.size())) {}

    QVariant parse();
    QString error() const { return error_; }

private:
    struct Seen {
        QVariant value;
        qint64 expanded = 0;  // the object and everything inside it, counted as a tree
        bool done = false;
    };

    QVariant fail(const QString& why) {
        if (error_.isEmpty()) error_ = why;
        return {};
    }
    static quint64 bigEndian(const uchar* p, int n) {
        quint64 v = 0;
        for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
        return v;
    }
    // True when [pos, pos + n) lies inside the object area.
    bool inObjects(quint64 pos, quint64 n) const {
        return pos >= 8 && pos <= objectsEnd_ && n <= objectsEnd_ - pos;
    }
    bool readLength(quint64 off, int info, quint64* length, quint64* start);
    bool readRef(quint64 pos, quint64* ref) {
        if (!inObjects(pos, quint64(refSize_))) return false;
        *ref = bigEndian(d_ + pos, refSize_);
        return true;
    }
    QVariant parseObject(quint64 index, int depth, qint64* expanded);

    const uchar* d_;
    const quint64 size_;
    int offsetSize_ = 0;
    int refSize_ = 0;
    quint64 numObjects_ = 0;
    quint64 tableOffset_ = 0;
    quint64 objectsEnd_ = 0;
    QHash<quint64, Seen> seen_;
    QString error_;
};

bool BinaryParser::readLength(quint64 off, int info, quint64* length, quint64* start) {
    if (info != 0xF) {
        *length = quint64(info);
        *start = off + 1;
        return true;
    }
    if (!inObjects(off + 1, 1)) return false;
    const uchar marker = d_[off + 1];
    if ((marker >> 4) != 0x1 || (marker & 0xF) > 3) return false;
    const int bytes = 1 << (marker & 0xF);
    if (!inObjects(off + 2, quint64(bytes))) return false;
    const quint64 value = bigEndian(d_ + off + 2, bytes);
    if (bytes == 8 && value > quint64(std::numeric_limits<qint64>::max())) return false;
    *length = value;
    *start = off + 2 + quint64(bytes);
    return true;
}

QVariant BinaryParser::parseObject(quint64 index, int depth, qint64* expanded) {
    if (index >= numObjects_)
        return fail(QStringLiteral("object reference %1 is out of range").arg(index));
    if (depth > PropertyList::maxDepth)
        return fail(QStringLiteral("nested deeper than %1 levels").arg(PropertyList::maxDepth));
    if (auto it = seen_.constFind(index); it != seen_.constEnd()) {
        if (!it->done)
            return fail(QStringLiteral("object %1 contains itself (reference cycle)").arg(index));
        *expanded = it->expanded;
        return it->value;
    }
    seen_.insert(index, Seen{});

    const quint64 tablePos = tableOffset_ + index * quint64(offsetSize_);
    const quint64 off = bigEndian(d_ + tablePos, offsetSize_);
    if (!inObjects(off, 1))
        return fail(QStringLiteral("object %1 has an invalid offset %2").arg(index).arg(off));
    const uchar marker = d_[off];
    const int type = marker >> 4;
    const int info = marker & 0xF;
    const QString where = QStringLiteral("object %1 at offset %2").arg(index).arg(off);
    auto corrupt = [&](const char* what) {
        return fail(QStringLiteral("%1: %2").arg(where, QLatin1String(what)));
    };

    QVariant value;
    qint64 count = 1;
    switch (type) {
        case 0x0:
            if (info == 0x8)
                value = false;
            else if (info == 0x9)
                value = true;
            else
                return corrupt("unsupported object kind");
            break;
        case 0x1: {
            if (info > 4) return corrupt("invalid integer size");
            const int bytes = 1 << info;
            if (!inObjects(off + 1, quint64(bytes))) return corrupt("integer runs past the end");
            if (bytes < 8) {
                value = qint64(bigEndian(d_ + off + 1, bytes));
            } else if (bytes == 8) {
                value = qint64(bigEndian(d_ + off + 1, 8));
            } else {
                // 128-bit: only values that fit 64 bits are representable.
                const quint64 high = bigEndian(d_ + off + 1, 8);
                const quint64 low = bigEndian(d_ + off + 9, 8);
                const quint64 sign = quint64(1) << 63;
                if (high == 0)
                    value = low < sign ? QVariant(qint64(low)) : QVariant(low);
                else if (high == ~quint64(0) && (low & sign))
                    value = qint64(low);
                else
                    return corrupt("integer too large");
            }
            break;
        }
        case 0x2: {
            if (info != 2 && info != 3) return corrupt("invalid real size");
            const int bytes = 1 << info;
            if (!inObjects(off + 1, quint64(bytes))) return corrupt("real runs past the end");
            const quint64 bits = bigEndian(d_ + off + 1, bytes);
            if (bytes == 4) {
                float f;
                const quint32 b32 = quint32(bits);
                std::memcpy(&f, &b32, 4);
                value = double(f);
            } else {
                double r;
                std::memcpy(&r, &bits, 8);
                value = r;
            }
            break;
        }
        case 0x3: {
            if (info != 3 || !inObjects(off + 1, 8)) return corrupt("invalid date");
            const quint64 bits = bigEndian(d_ + off + 1, 8);
            double seconds;
            std::memcpy(&seconds, &bits, 8);
            // Seconds since 2001-01-01T00:00:00Z.
            if (!std::isfinite(seconds) || std::fabs(seconds) > 4.0e11)
                return corrupt("date out of range");
            const qint64 ms = qint64(std::floor(seconds * 1000.0)) + qint64(978307200) * 1000;
            const QDateTime dt = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
            if (!dateInRange(dt)) return corrupt("date out of range");
            value = dt;
            break;
        }
        case 0x4:
        case 0x5:
        case 0x6: {
            quint64 length = 0, start = 0;
            if (!readLength(off, info, &length, &start)) return corrupt("invalid length");
            const quint64 unit = type == 0x6 ? 2 : 1;
            if (!inObjects(start, 0) || length > (objectsEnd_ - start) / unit)
                return corrupt("length runs past the end");
            const auto* p = d_ + start;
            if (type == 0x4) {
                value = QByteArray(reinterpret_cast<const char*>(p), qsizetype(length));
            } else if (type == 0x5) {
                value = QString::fromLatin1(reinterpret_cast<const char*>(p), qsizetype(length));
            } else {
                QString s(qsizetype(length), Qt::Uninitialized);
                for (quint64 i = 0; i < length; ++i)
                    s[qsizetype(i)] = QChar(char16_t((p[2 * i] << 8) | p[2 * i + 1]));
                value = s;
            }
            break;
        }
        case 0xA:
        case 0xD: {
            quint64 length = 0, start = 0;
            if (!readLength(off, info, &length, &start)) return corrupt("invalid length");
            const quint64 refs = type == 0xD ? 2 : 1;
            if (!inObjects(start, 0) || length > (objectsEnd_ - start) / quint64(refSize_) / refs)
                return corrupt("length runs past the end");
            auto addCount = [&](qint64 inner) {
                count += inner;
                return count <= PropertyList::maxExpandedObjects;
            };
            const QString tooMany =
                QStringLiteral("the property list expands to more than %1 objects")
                    .arg(PropertyList::maxExpandedObjects);
            if (type == 0xA) {
                QVariantList list;
                for (quint64 i = 0; i < length; ++i) {
                    quint64 ref = 0;
                    readRef(start + i * quint64(refSize_), &ref);
                    qint64 inner = 0;
                    QVariant item = parseObject(ref, depth + 1, &inner);
                    if (!item.isValid()) return {};
                    if (!addCount(inner)) return fail(tooMany);
                    list.append(item);
                }
                value = list;
            } else {
                QVariantMap map;
                const quint64 valuesAt = start + length * quint64(refSize_);
                for (quint64 i = 0; i < length; ++i) {
                    quint64 keyRef = 0, valueRef = 0;
                    readRef(start + i * quint64(refSize_), &keyRef);
                    readRef(valuesAt + i * quint64(refSize_), &valueRef);
                    qint64 keyCount = 0, valueCount = 0;
                    const QVariant key = parseObject(keyRef, depth + 1, &keyCount);
                    if (!key.isValid()) return {};
                    if (key.metaType().id() != QMetaType::QString)
                        return corrupt("dictionary key is not a string");
                    QVariant item = parseObject(valueRef, depth + 1, &valueCount);
                    if (!item.isValid()) return {};
                    if (!addCount(valueCount)) return fail(tooMany);
                    map.insert(key.toString(), item);
                }
                value = map;
            }
            break;
        }
        default:
            return corrupt("unsupported object kind");
    }
    Seen& entry = seen_[index];
    entry.value = value;
    entry.expanded = count;
    entry.done = true;
    *expanded = count;
    return value;
}

QVariant BinaryParser::parse() {
    constexpr quint64 headerSize = 8, trailerSize = 32;
    if (size_ < headerSize + trailerSize + 2)
        return fail(QStringLiteral("too short for a binary property list"));
    if (std::memcmp(d_, "bplist00", 8) != 0)
        return fail(QStringLiteral("not a binary property list of a known version"));
    const uchar* t = d_ + size_ - trailerSize;
    offsetSize_ = t[6];
    refSize_ = t[7];
    numObjects_ = bigEndian(t + 8, 8);
    const quint64 top = bigEndian(t + 16, 8);
    tableOffset_ = bigEndian(t + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8)
        return fail(QStringLiteral("invalid offset or reference size in the trailer"));
    const quint64 tableLimit = size_ - trailerSize;
    if (tableOffset_ <= headerSize || tableOffset_ >= tableLimit)
        return fail(QStringLiteral("invalid offset table position"));
    if (numObjects_ == 0 || numObjects_ > (tableLimit - tableOffset_) / quint64(offsetSize_))
        return fail(QStringLiteral("invalid object count"));
    if (top >= numObjects_) return fail(QStringLiteral("invalid top object"));
    objectsEnd_ = tableOffset_;
    qint64 expanded = 0;
    return parseObject(top, 1, &expanded);
}

QString decodeText(const QByteArray& data, QString* error) {
    auto encoding = QStringDecoder::Utf8;
    if (data.startsWith("\xFF\xFE"))
        encoding = QStringDecoder::Utf16LE;
    else if (data.startsWith("\xFE\xFF"))
        encoding = QStringDecoder::Utf16BE;
    QStringDecoder decoder(encoding);
    QString text = decoder(data);
    if (decoder.hasError()) {
        setError(error, QStringLiteral("the text is not valid %1")
                            .arg(encoding == QStringDecoder::Utf8 ? QStringLiteral("UTF-8")
                                                                  : QStringLiteral("UTF-16")));
        return {};
    }
    return text;
}

}  // namespace

QVariant PropertyList::fromXml(const QByteArray& data, QString* error) {
    QString decodeError;
    const QString text = decodeText(data, &decodeError);
    if (!decodeError.isEmpty()) {
        setError(error, decodeError);
        return {};
    }
    XmlParser parser(text);
    QVariant v = parser.parseDocument();
    if (!v.isValid()) setError(error, parser.error());
    return v;
}

QVariant PropertyList::fromBinary(const QByteArray& data, QString* error) {
    BinaryParser parser(data);
    QVariant v = parser.parse();
    if (!v.isValid()) setError(error, parser.error());
    return v;
}

QVariant PropertyList::fromData(const QByteArray& data, QString* error, Format* format) {
    if (data.startsWith("bplist")) {
        if (format) *format = Format::Binary;
        return fromBinary(data, error);
    }
    if (format) *format = Format::Xml;
    // XML starts with "<", possibly after a byte-order mark or white space.
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    else if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF"))
        return fromXml(data, error);
    while (i < data.size() &&
           (data.at(i) == ' ' || data.at(i) == '\t' || data.at(i) == '\n' || data.at(i) == '\r'))
        ++i;
    if (i < data.size() && data.at(i) == '<') return fromXml(data, error);
    setError(error, data.trimmed().isEmpty() ? QStringLiteral("the data is empty")
                                             : QStringLiteral("not a property list"));
    return {};
}

bool PropertyList::setStoredValue(QVariantMap& values, const QString& key, const QVariant& value,
                                  const QString& what, bool* changed) {
    *changed = false;
    QString why;
    const QVariant v = normalized(value, &why);
    if (!v.isValid()) {
        log(QStringLiteral("ERROR: cannot store %1 \"%2\": %3").arg(what, key, why));
        return false;
    }
    if (auto it = values.constFind(key); it != values.constEnd() && identical(*it, v)) return true;
    values.insert(key, v);
    *changed = true;
    return true;
}

QVariant PropertyList::normalized(const QVariant& value, QString* error) {
    return normalize(value, 1, QString(), error);
}

bool PropertyList::identical(const QVariant& a, const QVariant& b) {
    if (a.metaType() != b.metaType()) return false;
    switch (a.metaType().id()) {
        case QMetaType::QVariantMap: {
            const QVariantMap x = a.toMap(), y = b.toMap();
            if (x.size() != y.size()) return false;
            for (auto i = x.begin(), j = y.begin(); i != x.end(); ++i, ++j)
                if (i.key() != j.key() || !identical(i.value(), j.value())) return false;
            return true;
        }
        case QMetaType::QVariantList: {
            const QVariantList x = a.toList(), y = b.toList();
            if (x.size() != y.size()) return false;
            for (qsizetype i = 0; i < x.size(); ++i)
                if (!identical(x.at(i), y.at(i))) return false;
            return true;
        }
        default:
            return a == b;
    }
}

QByteArray PropertyList::toXml(const QVariant& value, QString* error) {
    const QVariant v = normalized(value, error);
    if (!v.isValid()) return {};
    QByteArray out;
    out.append(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n");
    writeXmlValue(out, v, 0);
    out.append("</plist>\n");
    return out;
}

QVariant PropertyList::readFile(const QString& path, QString* error, Format* format) {
    // Read one byte more than allowed to notice files that grow or report no size.
    QByteArray data;
    QString why;
    if (!RegularFile::read(path, maxFileSize, &data, &why)) {
        setError(error, QStringLiteral("cannot open: %1").arg(why));
        return {};
    }
    if (data.size() > maxFileSize) {
        setError(error, QStringLiteral("the file is larger than %1 MB").arg(maxFileSize >> 20));
        return {};
    }
    return fromData(data, error, format);
}

bool PropertyList::writeFile(const QString& path, const QVariant& value, QString* error) {
    const QByteArray xml = toXml(value, error);
    if (xml.isEmpty()) return false;
    return writeFileAtomically(path, xml, error);
}

bool PropertyList::moveUnreadableFileAside(const QString& path, QString* movedTo, QString* error) {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    const QString base = path + format(".unreadable-%04d%02d%02d-%02d%02d%02d", d.year(), d.month(),
                                       d.day(), t.hour(), t.minute(), t.second());
    QString target = base;
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n) {
        if (n > 1000) return setError(error, QStringLiteral("no free name next to %1").arg(path));
        target = base + format("-%d", n);
    }
    // A plain rename: the file stays on its disk, under a name no one else uses.
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0)
        return setError(error,
                        QStringLiteral("cannot rename %1 to %2: %3")
                            .arg(path, target, QString::fromLocal8Bit(std::strerror(errno))));
    if (movedTo) *movedTo = target;
    return true;
}

}  // namespace foundation
