#include "platform/foundation/PropertyList.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointF>
#include <QStringList>
#include <QVariantHash>

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>

using foundation::PropertyList;

namespace {

QString show(const QVariant& v) {
    QString s = QString::fromLatin1(v.typeName()) + u':';
    if (v.metaType().id() == QMetaType::QVariantMap) {
        const QVariantMap m = v.toMap();
        for (auto it = m.begin(); it != m.end(); ++it) s += it.key() + u'=' + show(*it) + u';';
    } else if (v.metaType().id() == QMetaType::QVariantList) {
        for (const QVariant& item : v.toList()) s += show(item) + u',';
    } else {
        s += v.toString();
    }
    return s;
}

struct RoundTrip {
    const char* name;
    QVariant value;     // what is written
    QVariant expected;  // what reads back (invalid: the value itself)
};

QDateTime utc(int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

QByteArray allBytes() {
    QByteArray b;
    for (int i = 0; i < 256; ++i) b.append(char(i));
    return b;
}

std::vector<RoundTrip> roundTrips() {
    const QString controls = QStringLiteral("a") + QChar(0x01) + u'b' + u'\t' + u'c' + u'\n' +
                             u'd' + u'\r' + u'e' + QChar(0x1F) + QChar(0x7F) + QChar(0) + u'f';
    const QString lone = QStringLiteral("x") + QChar(0xD800) + u'y' + QChar(0xDC00) + QChar(0xFFFE);
    QVariantHash hash{{QStringLiteral("b"), 2}, {QStringLiteral("a"), 1}};
    QDateTime localWithMs(QDate(2013, 3, 5), QTime(23, 30, 15, 987), Qt::LocalTime);
    return {
        {"zero", qint64(0), {}},
        {"negative", qint64(-1), {}},
        {"int64 max", std::numeric_limits<qint64>::max(), {}},
        {"int64 min", std::numeric_limits<qint64>::min(), {}},
        {"uint64 max", std::numeric_limits<quint64>::max(), {}},
        {"plain int becomes integer", 42, qint64(42)},
        {"unsigned int becomes integer", 7u, qint64(7)},
        {"real", 0.1, {}},
        {"whole real stays real", 3.0, {}},
        {"tiny real", -2.5e-300, {}},
        {"large real", 1e20, {}},
        {"infinity", std::numeric_limits<double>::infinity(), {}},
        {"float becomes real", 0.5f, 0.5},
        {"true", true, {}},
        {"false", false, {}},
        {"empty string", QString(), QString()},
        {"markup", QStringLiteral("<tag a=\"1\"> & 'x' ]]> &amp;"), {}},
        {"unicode", QStringLiteral("Grüße 日本 \U0001F600"), {}},
        // Characters no XML reader takes come back as U+FFFD.
        {"control characters", controls,
         QStringLiteral("a\uFFFDb\tc\nd\re\uFFFD") + QChar(0x7F) + QStringLiteral("\uFFFDf")},
        {"line ends", QStringLiteral("one\r\ntwo\rthree\n"), {}},
        {"unpaired surrogates", lone, QStringLiteral("x\uFFFDy\uFFFD\uFFFD")},
        {"looks like a number", QStringLiteral(" 12 "), {}},
        {"date", utc(2012, 12, 24, 18, 0, 1), {}},
        {"local date with milliseconds", localWithMs,
         QDateTime::fromSecsSinceEpoch(localWithMs.toSecsSinceEpoch(), Qt::UTC)},
        {"early date", utc(1, 1, 1, 0, 0, 0), {}},
        {"empty data", QByteArray(""), {}},
        {"all bytes", allBytes(), {}},
        {"empty array", QVariantList(), {}},
        {"empty dict", QVariantMap(), {}},
        {"string list", QStringList{QStringLiteral("a"), QString()},
         QVariantList{QStringLiteral("a"), QString()}},
        {"hash", hash,
         QVariantMap{{QStringLiteral("a"), qint64(1)}, {QStringLiteral("b"), qint64(2)}}},
        {"nested",
         QVariantMap{{QStringLiteral("AppPref General"),
                      QVariantMap{{QStringLiteral("Launch iCal"), false},
                                  {QStringLiteral("Colors"),
                                   QVariantList{qint64(1), 2.5, QStringLiteral("red")}}}},
                     {QStringLiteral("key <&> \n"), QVariantList{QVariantList{QVariantMap()}}},
                     {QString(), QStringLiteral("empty key")}},
         {}},
    };
}

}  // namespace

TEST(PropertyList, XmlRoundTripKeepsKindsAndValues) {
    QVariantMap everything;
    for (const RoundTrip& c : roundTrips()) {
        SCOPED_TRACE(c.name);
        const QVariant expected = c.expected.isValid() ? c.expected : c.value;
        QString error;
        const QByteArray xml = PropertyList::toXml(c.value, &error);
        ASSERT_FALSE(xml.isEmpty()) << error.toStdString();
        const QVariant back = PropertyList::fromData(xml, &error);
        ASSERT_TRUE(back.isValid()) << error.toStdString() << "\n" << xml.toStdString();
        EXPECT_TRUE(PropertyList::identical(back, expected)) << show(back).toStdString() << "\n"
                                                             << show(expected).toStdString();
        EXPECT_TRUE(PropertyList::identical(PropertyList::normalized(c.value), expected));
        everything.insert(QString::fromLatin1(c.name), expected);
    }

    // The same values together in one file.
    testsupport::TempDir dir;
    const QString path = dir.file(QStringLiteral("sub/All.plist"));
    QString error;
    ASSERT_TRUE(PropertyList::writeFile(path, everything, &error)) << error.toStdString();
    PropertyList::Format format = PropertyList::Format::Binary;
    const QVariant back = PropertyList::readFile(path, &error, &format);
    EXPECT_EQ(format, PropertyList::Format::Xml);
    EXPECT_TRUE(PropertyList::identical(back, everything));
}

TEST(PropertyList, OutputIsStableAndReadableByOtherXmlTools) {
    QVariantHash a, b;
    for (int i = 0; i < 50; ++i) a.insert(QStringLiteral("k%1").arg(i), i);
    for (int i = 49; i >= 0; --i) b.insert(QStringLiteral("k%1").arg(i), i);
    const QByteArray xa = PropertyList::toXml(a), xb = PropertyList::toXml(b);
    EXPECT_EQ(xa, xb);
    EXPECT_LT(xa.indexOf("<key>k1</key>"), xa.indexOf("<key>k2</key>"));
    EXPECT_TRUE(xa.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"));

    // Carriage returns are written as references, characters XML cannot hold at
    // all as U+FFFD, and the text stays well-formed (no raw "<" in text).
    const QString tricky = QStringLiteral("<&>") + QChar(0x01) + u'\r';
    const QByteArray x = PropertyList::toXml(tricky);
    EXPECT_TRUE(x.contains("<string>&lt;&amp;&gt;\xEF\xBF\xBD&#xD;</string>")) << x.toStdString();
}

TEST(PropertyList, ReadsWhatOtherWritersProduce) {
    const QByteArray xml =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<!DOCTYPE plist PUBLIC \"-//X//DTD PLIST 1.0//EN\" \"http://example.com/x.dtd\" [\n"
        "  <!ENTITY unused \"x > y\">\n]>\n"
        "<!-- written elsewhere -->\n"
        "<plist version=\"1.0\">\n<dict>\r\n"
        "  <key>hex</key><integer> 0x1F </integer>\n"
        "  <key>plus</key><integer>+5</integer>\n"
        "  <key>cdata</key><string><![CDATA[a < b & c]]> and &#233;&#x1F600;&quot;</string>\n"
        "  <key>crlf</key><string>one\r\ntwo</string>\n"
        "  <key>data</key><data>\n    AAEC\n    Aw==\n  </data>\n"
        "  <key>open true</key><true></true>\n"
        "  <key>real</key><real>-1E3</real>\n"
        "  <key>inf</key><real>-infinity</real>\n"
        "  <key>date</key><date>2001-01-01T00:00:00Z</date>\n"
        "  <key>empty</key><string/>\n"
        "  <key>dup</key><integer>1</integer><key>dup</key><integer>2</integer>\n"
        "</dict>\n</plist>\n<!-- trailing comment -->\n";
    QString error;
    const QVariant v = PropertyList::fromData(xml, &error);
    ASSERT_TRUE(v.isValid()) << error.toStdString();
    const QVariantMap expected{
        {QStringLiteral("hex"), qint64(31)},
        {QStringLiteral("plus"), qint64(5)},
        {QStringLiteral("cdata"), QStringLiteral("a < b & c and é\U0001F600\"")},
        {QStringLiteral("crlf"), QStringLiteral("one\ntwo")},
        {QStringLiteral("data"), QByteArray("\x00\x01\x02\x03", 4)},
        {QStringLiteral("open true"), true},
        {QStringLiteral("real"), -1000.0},
        {QStringLiteral("inf"), -std::numeric_limits<double>::infinity()},
        {QStringLiteral("date"), utc(2001, 1, 1, 0, 0, 0)},
        {QStringLiteral("empty"), QString()},
        {QStringLiteral("dup"), qint64(2)},
    };
    EXPECT_TRUE(PropertyList::identical(v, expected)) << show(v).toStdString();

    // A bare value without the <plist> wrapper is read too.
    EXPECT_TRUE(PropertyList::identical(PropertyList::fromData("<array><false/></array>"),
                                        QVariantList{false}));
}

TEST(PropertyList, BadXmlGivesAnErrorNotACrash) {
    QByteArray deep;
    for (int i = 0; i < PropertyList::maxDepth + 5; ++i) deep += "<array>";
    QByteArray veryDeep;
    for (int i = 0; i < 200000; ++i) veryDeep += "<dict><key>k</key>";
    const struct {
        const char* name;
        QByteArray xml;
    } cases[] = {
        {"empty", ""},
        {"white space only", "  \n "},
        {"garbage", "hello world"},
        {"old-style text list", "{ a = b; }"},
        {"truncated", "<plist><dict><key>a</key><string>abc"},
        {"truncated tag", "<plist><dict><key>a</key><str"},
        {"mismatched end", "<plist><array></dict></plist>"},
        {"unknown element", "<plist><color>red</color></plist>"},
        {"key without value", "<plist><dict><key>a</key></dict></plist>"},
        {"value without key", "<plist><dict><string>a</string></dict></plist>"},
        {"text in dict", "<plist><dict>stray<key>a</key><true/></dict></plist>"},
        {"element in string", "<plist><string>a<b/></string></plist>"},
        {"bad integer", "<plist><integer>12abc</integer></plist>"},
        {"empty integer", "<plist><integer></integer></plist>"},
        {"integer overflow", "<plist><integer>99999999999999999999</integer></plist>"},
        {"negative overflow", "<plist><integer>-9223372036854775809</integer></plist>"},
        {"bad real", "<plist><real>1,5</real></plist>"},
        {"bad date", "<plist><date>yesterday</date></plist>"},
        {"bad base64", "<plist><data>!!!!</data></plist>"},
        {"content in true", "<plist><true>yes</true></plist>"},
        {"unknown entity", "<plist><string>&nbsp;</string></plist>"},
        {"reference out of range", "<plist><string>&#x110000;</string></plist>"},
        {"unterminated comment", "<plist><!-- <true/></plist>"},
        {"two values", "<plist><true/><false/></plist>"},
        {"content after the end", "<plist><true/></plist><plist/>"},
        {"no value", "<plist></plist>"},
        {"self-closing plist", "<plist/>"},
        {"invalid utf-8", "<plist><string>\xC3\x28</string></plist>"},
        {"too deep", "<plist>" + deep},
        {"far too deep", "<plist>" + veryDeep},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        const QVariant v = PropertyList::fromData(c.xml, &error);
        EXPECT_FALSE(v.isValid());
        EXPECT_FALSE(error.isEmpty());
    }
    QString error;
    PropertyList::fromData("<plist>\n<array>\n<wrong/>\n</array></plist>", &error);
    EXPECT_TRUE(error.startsWith(QStringLiteral("line 3:"))) << error.toStdString();
    PropertyList::fromData("<plist>" + deep, &error);
    EXPECT_TRUE(error.contains(QStringLiteral("nested"))) << error.toStdString();
}

TEST(PropertyList, ValuesAPropertyListCannotHoldAreRefusedAndTheOldFileKept) {
    testsupport::TempDir dir;
    const QString path = dir.file(QStringLiteral("Keep.plist"));
    ASSERT_TRUE(PropertyList::writeFile(path, QVariantMap{{QStringLiteral("a"), 1}}));
    const QByteArray before = dir.read(QStringLiteral("Keep.plist"));

    QVariantList tooDeep;
    for (int i = 0; i < PropertyList::maxDepth + 2; ++i) tooDeep = QVariantList{tooDeep};
    const struct {
        const char* name;
        QVariant value;
        const char* mentions;
    } cases[] = {
        {"empty value", QVariantMap{{QStringLiteral("x"), QVariant()}}, "\"x\""},
        {"foreign type",
         QVariantMap{
             {QStringLiteral("g"), QVariantMap{{QStringLiteral("p"), QVariant(QPointF(1, 2))}}}},
         "\"g\"/\"p\""},
        {"invalid date", QVariantList{QDateTime()}, "[0]"},
        {"year beyond 9999", QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC), "date"},
        {"too deep", tooDeep, "nested"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_FALSE(PropertyList::writeFile(path, c.value, &error));
        EXPECT_TRUE(error.contains(QLatin1String(c.mentions))) << error.toStdString();
        EXPECT_FALSE(PropertyList::normalized(c.value).isValid());
    }
    EXPECT_EQ(dir.read(QStringLiteral("Keep.plist")), before);
}

// ---------------------------------------------------------------------------
// Binary property lists, built by hand

namespace {

class BinaryPlist {
public:
    explicit BinaryPlist(int refSize = 1, int offsetSize = 2)
        : refSize_(refSize), offsetSize_(offsetSize) {}

    int add(const QByteArray& object) {
        objects_.append(object);
        return int(objects_.size() - 1);
    }

    static QByteArray be(quint64 v, int bytes) {
        QByteArray out;
        for (int i = bytes - 1; i >= 0; --i) out.append(char((v >> (8 * i)) & 0xFF));
        return out;
    }
    static QByteArray integer(qint64 v, int bytes) {
        const int log2 = bytes == 1 ? 0 : bytes == 2 ? 1 : bytes == 4 ? 2 : 3;
        return char(0x10 | log2) + be(quint64(v), bytes);
    }
    static QByteArray integer128(quint64 high, quint64 low) {
        return char(0x14) + be(high, 8) + be(low, 8);
    }
    static QByteArray header(int type, quint64 length) {
        if (length < 15) return QByteArray(1, char((type << 4) | int(length)));
        return char((type << 4) | 0xF) + integer(qint64(length), length < 256 ? 1 : 4);
    }
    static QByteArray real(double d) {
        quint64 bits;
        std::memcpy(&bits, &d, 8);
        return char(0x23) + be(bits, 8);
    }
    static QByteArray real32(float f) {
        quint32 bits;
        std::memcpy(&bits, &f, 4);
        return char(0x22) + be(bits, 4);
    }
    static QByteArray date(double secondsSince2001) {
        QByteArray r = real(secondsSince2001);
        r[0] = char(0x33);
        return r;
    }
    static QByteArray ascii(const QByteArray& s) { return header(0x5, quint64(s.size())) + s; }
    static QByteArray utf16(const QString& s) {
        QByteArray out = header(0x6, quint64(s.size()));
        for (QChar c : s) out += be(c.unicode(), 2);
        return out;
    }
    static QByteArray data(const QByteArray& d) { return header(0x4, quint64(d.size())) + d; }
    QByteArray array(const QList<int>& refs) const {
        QByteArray out = header(0xA, quint64(refs.size()));
        for (int r : refs) out += be(quint64(r), refSize_);
        return out;
    }
    QByteArray dict(const QList<int>& keys, const QList<int>& values) const {
        QByteArray out = header(0xD, quint64(keys.size()));
        for (int r : keys) out += be(quint64(r), refSize_);
        for (int r : values) out += be(quint64(r), refSize_);
        return out;
    }

    QByteArray build(int top) const {
        QByteArray out = "bplist00";
        QList<quint64> offsets;
        for (const QByteArray& o : objects_) {
            offsets.append(quint64(out.size()));
            out += o;
        }
        const quint64 table = quint64(out.size());
        for (quint64 off : offsets) out += be(off, offsetSize_);
        out += QByteArray(6, '\0');
        out += char(offsetSize_);
        out += char(refSize_);
        out += be(quint64(objects_.size()), 8);
        out += be(quint64(top), 8);
        out += be(table, 8);
        return out;
    }

private:
    int refSize_;
    int offsetSize_;
    QList<QByteArray> objects_;
};

// The trailer's fields, for tests that make them lie.
void setTrailer(QByteArray& b, int field, quint64 value) {
    const qsizetype t = b.size() - 32;
    if (field == 6 || field == 7)
        b[t + field] = char(value);
    else
        b.replace(t + field, 8, BinaryPlist::be(value, 8));
}

}  // namespace

TEST(PropertyList, ReadsBinaryPropertyLists) {
    BinaryPlist b;
    QList<int> keys, values;
    auto entry = [&](const char* key, const QByteArray& value) {
        keys.append(b.add(BinaryPlist::ascii(key)));
        values.append(b.add(value));
    };
    entry("int8", BinaryPlist::integer(200, 1));
    entry("int16", BinaryPlist::integer(0xBEEF, 2));
    entry("int32", BinaryPlist::integer(0xDEADBEEF, 4));
    entry("int64 negative", BinaryPlist::integer(-5, 8));
    entry("int128 unsigned", BinaryPlist::integer128(0, std::numeric_limits<quint64>::max()));
    entry("int128 small", BinaryPlist::integer128(0, 7));
    entry("int128 negative", BinaryPlist::integer128(~quint64(0), quint64(-3)));
    entry("real", BinaryPlist::real(2.5));
    entry("real32", BinaryPlist::real32(0.25f));
    entry("true", QByteArray(1, '\x09'));
    entry("false", QByteArray(1, '\x08'));
    entry("date", BinaryPlist::date(378000000.5));
    entry("data", BinaryPlist::data(QByteArray("\x00\xFF\x10", 3)));
    entry("ascii long", BinaryPlist::ascii("a string longer than fifteen"));
    entry("utf16", BinaryPlist::utf16(QStringLiteral("Grüße \U0001F600")));
    const int s = b.add(BinaryPlist::ascii("shared"));
    const int inner = b.add(b.array({s, s}));
    entry("array", b.array({inner, s}));
    keys.append(b.add(BinaryPlist::utf16(QStringLiteral("ключ"))));
    values.append(b.add(b.dict({}, {})));
    const int top = b.add(b.dict(keys, values));

    testsupport::TempDir dir;
    ASSERT_TRUE(dir.write(QStringLiteral("Shared.plist"), b.build(top)));
    QString error;
    PropertyList::Format format = PropertyList::Format::Xml;
    const QVariant v =
        PropertyList::readFile(dir.file(QStringLiteral("Shared.plist")), &error, &format);
    ASSERT_TRUE(v.isValid()) << error.toStdString();
    EXPECT_EQ(format, PropertyList::Format::Binary);
    const QVariantList sharedPair{QStringLiteral("shared"), QStringLiteral("shared")};
    const QVariantMap expected{
        {QStringLiteral("int8"), qint64(200)},
        {QStringLiteral("int16"), qint64(0xBEEF)},
        {QStringLiteral("int32"), qint64(0xDEADBEEF)},
        {QStringLiteral("int64 negative"), qint64(-5)},
        {QStringLiteral("int128 unsigned"), std::numeric_limits<quint64>::max()},
        {QStringLiteral("int128 small"), qint64(7)},
        {QStringLiteral("int128 negative"), qint64(-3)},
        {QStringLiteral("real"), 2.5},
        {QStringLiteral("real32"), 0.25},
        {QStringLiteral("true"), true},
        {QStringLiteral("false"), false},
        {QStringLiteral("date"), QDateTime(QDate(2012, 12, 24), QTime(0, 0, 0, 500), Qt::UTC)},
        {QStringLiteral("data"), QByteArray("\x00\xFF\x10", 3)},
        {QStringLiteral("ascii long"), QStringLiteral("a string longer than fifteen")},
        {QStringLiteral("utf16"), QStringLiteral("Grüße \U0001F600")},
        {QStringLiteral("array"), QVariantList{sharedPair, QStringLiteral("shared")}},
        {QStringLiteral("ключ"), QVariantMap()},
    };
    EXPECT_TRUE(PropertyList::identical(v, expected)) << show(v).toStdString();

    // What was read from a binary file is written back as XML without loss.
    const QVariant again = PropertyList::fromXml(PropertyList::toXml(v));
    QVariantMap expectedAgain = expected;
    expectedAgain.insert(QStringLiteral("date"), utc(2012, 12, 24, 0, 0, 0));
    EXPECT_TRUE(PropertyList::identical(again, expectedAgain)) << show(again).toStdString();

    // Wider references and offsets work the same.
    BinaryPlist wide(2, 8);
    const int one = wide.add(BinaryPlist::integer(1, 1));
    EXPECT_TRUE(PropertyList::identical(
        PropertyList::fromData(wide.build(wide.add(wide.array({one, one})))),
        QVariantList{qint64(1), qint64(1)}));
}

TEST(PropertyList, BadBinaryInputGivesAnErrorNotACrash) {
    auto valid = [] {
        BinaryPlist b;
        const int k = b.add(BinaryPlist::ascii("k"));
        const int v = b.add(BinaryPlist::ascii("value"));
        return b.build(b.add(b.dict({k}, {v})));
    };
    struct Case {
        const char* name;
        QByteArray data;
        const char* mentions;
    };
    std::vector<Case> cases;
    {
        const QByteArray ok = valid();
        ASSERT_TRUE(PropertyList::fromData(ok).isValid());
        cases.push_back({"header only", "bplist00", "short"});
        cases.push_back({"other version", "bplist15" + ok.mid(8), "version"});
        cases.push_back({"truncated", ok.left(ok.size() - 5), ""});
        QByteArray b = ok;
        setTrailer(b, 6, 0);
        cases.push_back({"offset size 0", b, "size"});
        b = ok;
        setTrailer(b, 7, 9);
        cases.push_back({"reference size 9", b, "size"});
        b = ok;
        setTrailer(b, 8, quint64(1) << 60);
        cases.push_back({"lying object count", b, "count"});
        b = ok;
        setTrailer(b, 8, ~quint64(0));
        cases.push_back({"object count overflowing", b, "count"});
        b = ok;
        setTrailer(b, 16, 3);
        cases.push_back({"top object out of range", b, "top"});
        b = ok;
        setTrailer(b, 24, quint64(b.size()) + 100);
        cases.push_back({"table beyond the end", b, "table"});
        b = ok;
        setTrailer(b, 24, ~quint64(0) - 4);
        cases.push_back({"table offset overflowing", b, "table"});
    }
    {
        BinaryPlist b;
        b.add(BinaryPlist::ascii("x"));
        QByteArray data = b.build(0);
        // Point object 0 into the trailer.
        data.replace(data.size() - 32 - 2, 2, BinaryPlist::be(quint64(data.size() - 10), 2));
        cases.push_back({"object offset outside the objects", data, "offset"});
    }
    {
        BinaryPlist b;
        b.add(b.array({5}));
        cases.push_back({"reference out of range", b.build(0), "out of range"});
    }
    {
        BinaryPlist b;
        b.add(b.array({0}));
        cases.push_back({"array containing itself", b.build(0), "cycle"});
    }
    {
        BinaryPlist b;
        const int k = b.add(BinaryPlist::ascii("k"));
        b.add(b.dict({k}, {3}));  // 1: refers to 3
        b.add(BinaryPlist::ascii("unused"));
        b.add(b.array({1}));  // 3: refers back to 1
        cases.push_back({"indirect cycle", b.build(1), "cycle"});
    }
    {
        BinaryPlist b;
        b.add(char(0x5F) + BinaryPlist::integer(0x7FFFFFFF, 4) + "abc");
        cases.push_back({"string longer than the file", b.build(0), "past the end"});
        BinaryPlist c;
        c.add(char(0x6F) + BinaryPlist::integer(-1, 8));
        cases.push_back({"negative length", c.build(0), "length"});
        BinaryPlist d;
        d.add(char(0xAF) + BinaryPlist::integer(1 << 30, 4) + QByteArray(4, '\0'));
        cases.push_back({"array longer than the file", d.build(0), "past the end"});
        BinaryPlist e;
        e.add(char(0x4F) + QByteArray(1, '\x55'));
        cases.push_back({"length marker not an integer", e.build(0), "length"});
        BinaryPlist f;
        f.add(BinaryPlist::integer(5, 8).left(4));
        cases.push_back({"integer cut short", f.build(0), "past the end"});
    }
    {
        BinaryPlist b;
        const int k = b.add(BinaryPlist::integer(1, 1));
        b.add(b.dict({k}, {k}));
        cases.push_back({"dictionary key not a string", b.build(1), "key"});
        BinaryPlist c;
        c.add(QByteArray(1, '\x80'));
        cases.push_back({"unsupported kind", c.build(0), "unsupported"});
        BinaryPlist d;
        d.add(QByteArray(1, '\x00'));
        cases.push_back({"null object", d.build(0), "unsupported"});
        BinaryPlist e;
        e.add(BinaryPlist::integer128(1, 0));
        cases.push_back({"integer beyond 64 bits", e.build(0), "too large"});
        BinaryPlist f;
        f.add(BinaryPlist::date(1e300));
        cases.push_back({"date out of range", f.build(0), "date"});
    }
    {
        // A chain of arrays deeper than allowed.
        BinaryPlist b(2, 4);
        const int n = PropertyList::maxDepth + 10;
        for (int i = 0; i < n - 1; ++i) b.add(b.array({i + 1}));
        b.add(b.array({}));
        cases.push_back({"too deep", b.build(0), "nested"});
    }
    {
        // Few bytes that would expand to 4^30 values: each level refers to the
        // next four times.
        BinaryPlist b;
        const int levels = 30;
        for (int i = 0; i < levels; ++i) b.add(b.array({i + 1, i + 1, i + 1, i + 1}));
        b.add(BinaryPlist::ascii("leaf"));
        cases.push_back({"expansion bomb", b.build(0), "expands"});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_FALSE(PropertyList::fromData(c.data, &error).isValid());
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(error.contains(QLatin1String(c.mentions))) << error.toStdString();
    }
}

TEST(PropertyList, DamagedFilesNeverCrashTheReader) {
    // Every truncation and many random damages of a valid binary and XML list.
    BinaryPlist b;
    const int k1 = b.add(BinaryPlist::ascii("name"));
    const int v1 = b.add(BinaryPlist::utf16(QStringLiteral("Grüße")));
    const int k2 = b.add(BinaryPlist::ascii("list"));
    const int i1 = b.add(BinaryPlist::integer(-7, 8));
    const int r1 = b.add(BinaryPlist::real(1.5));
    const int d1 = b.add(BinaryPlist::data("abc"));
    const int a1 = b.add(b.array({i1, r1, d1, v1}));
    const QByteArray binary = b.build(b.add(b.dict({k1, k2}, {v1, a1})));
    const QByteArray xml = PropertyList::toXml(
        QVariantMap{{QStringLiteral("a"), QVariantList{1, 2.5, QStringLiteral("x<y")}},
                    {QStringLiteral("b"), QVariantMap{{QStringLiteral("c"), QByteArray("data")}}}});

    std::mt19937 random(20130305);
    for (const QByteArray& original : {binary, xml}) {
        for (qsizetype n = 0; n < original.size(); ++n) PropertyList::fromData(original.left(n));
        for (int round = 0; round < 3000; ++round) {
            QByteArray damaged = original;
            const int hits = 1 + int(random() % 4);
            for (int h = 0; h < hits; ++h)
                damaged[qsizetype(random() % quint32(damaged.size()))] = char(random() & 0xFF);
            QString error;
            const QVariant v = PropertyList::fromData(damaged, &error);
            EXPECT_TRUE(v.isValid() || !error.isEmpty());
        }
    }
}

TEST(PropertyList, UnreadableFileIsMovedAsideUnderAFreeName) {
    testsupport::TempDir dir;
    const QString path = dir.file(QStringLiteral("Defaults.plist"));
    QStringList moved;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(
            dir.write(QStringLiteral("Defaults.plist"), QByteArray("garbage ") + char('0' + i)));
        QString to, error;
        ASSERT_TRUE(PropertyList::moveUnreadableFileAside(path, &to, &error))
            << error.toStdString();
        EXPECT_FALSE(QFile::exists(path));
        moved.append(to);
    }
    EXPECT_NE(moved[0], moved[1]);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(QFileInfo(moved[i]).fileName().startsWith(
            QStringLiteral("Defaults.plist.unreadable-")));
        QFile f(moved[i]);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray("garbage ") + char('0' + i));
    }
    EXPECT_FALSE(PropertyList::moveUnreadableFileAside(dir.file(QStringLiteral("missing"))));
}
