#include "data/appPref.h"

#include "data/ScopedUserCalendar.h"
#include "platform/foundation/Format.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

class AppPrefTest : public ::testing::Test {
protected:
    ScopedUserCalendar calendar_{"Europe/Berlin", 2, 4};
};

QString todayString() {
    const MyDatePtr today = MyDate::date();
    return foundation::format("%i %i %i", today->dayNum(), today->monthNum(), today->yearNum());
}

bool holdsAppPref(const QVariant& v) {
    if (v.metaType() == QMetaType::fromType<appPref>()) return true;
    if (v.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = v.toMap();
        for (const auto& item : map)
            if (holdsAppPref(item)) return true;
    }
    if (v.typeId() == QMetaType::QVariantList) {
        const QVariantList list = v.toList();
        for (const auto& item : list)
            if (holdsAppPref(item)) return true;
    }
    return false;
}

}  // namespace

TEST_F(AppPrefTest, MissingKeysReadAsTheirDefaultAndStoreIt) {
    struct Case {
        const char* kind;
        std::function<QVariant(appPref&)> read;
        QVariant result;
        QVariant stored;
    };
    const QColor grey = QColor::fromRgbF(127 / 255.0, 127 / 255.0, 127 / 255.0, 1.0);
    const Case cases[] = {
        {"bool", [](appPref& p) { return QVariant(p.boolForKey("k")); }, QVariant(false),
         QVariant(false)},
        {"int", [](appPref& p) { return QVariant(p.intForKey("k")); }, QVariant(0),
         QVariant(qint64(0))},
        {"double", [](appPref& p) { return QVariant(p.doubleForKey("k")); }, QVariant(0.0),
         QVariant(0.0)},
        {"float", [](appPref& p) { return QVariant(p.floatForKey("k")); }, QVariant(0.0),
         QVariant(0.0)},
        {"colour", [](appPref& p) { return QVariant(p.colorForKey("k")); }, QVariant(grey),
         QVariant(QStringLiteral("127 127 127 1.000000"))},
        {"date", [](appPref& p) { return QVariant(p.dateForKey("k")->nsDate()); },
         QVariant(MyDate::date()->startOfDay()->nsDate()), QVariant(todayString())},
    };
    for (const auto& c : cases) {
        appPref prefs;
        EXPECT_EQ(c.read(prefs), c.result) << c.kind;
        ASSERT_TRUE(prefs.contains("k")) << c.kind;
        EXPECT_EQ(prefs.object("k").metaType(), c.stored.metaType()) << c.kind;
        EXPECT_EQ(prefs.object("k"), c.stored) << c.kind;
        EXPECT_EQ(c.read(prefs), c.result) << c.kind << ", read again";
    }

    appPref prefs;
    EXPECT_FALSE(prefs.boolForKey("flag"));
    EXPECT_EQ(prefs.intForKey("flag"), 0);
    EXPECT_EQ(prefs.object("flag"), QVariant(false));
}

TEST_F(AppPrefTest, SettersStoreOneFormPerKind) {
    appPref prefs;
    prefs.setBoolForKey(true, "b");
    prefs.setIntForKey(-7, "i");
    prefs.setDoubleForKey(2.5, "d");
    prefs.setFloatForKey(0.1, "f");
    prefs.setColorForKey(QColor::fromRgbF(1.0, 0.999, 0.0, 0.5), "c");
    prefs.setDateForKey(*MyDate::dateWithNSDate(QDateTime(QDate(2010, 7, 9), QTime(15, 45),
                                                          QTimeZone(QByteArray("Europe/Berlin")))),
                        "t");

    EXPECT_EQ(prefs.object("b"), QVariant(true));
    EXPECT_EQ(prefs.object("i"), QVariant(qint64(-7)));
    EXPECT_EQ(prefs.object("d"), QVariant(2.5));
    EXPECT_EQ(prefs.object("f"), QVariant(double(0.1f)));
    EXPECT_EQ(prefs.object("c"), QVariant(QStringLiteral("255 254 0 0.500000")));
    EXPECT_EQ(prefs.object("t"), QVariant(QStringLiteral("9 7 2010")));

    EXPECT_TRUE(prefs.boolForKey("b"));
    EXPECT_EQ(prefs.intForKey("i"), -7);
    EXPECT_EQ(prefs.doubleForKey("d"), 2.5);
    EXPECT_EQ(prefs.floatForKey("f"), double(0.1f));
    EXPECT_NE(prefs.floatForKey("f"), 0.1);
    const MyDatePtr date = prefs.dateForKey("t");
    EXPECT_EQ(date->description(), QStringLiteral("2010-07-09 00:00:00 +0200"));

    // A setter replaces whatever kind was there.
    prefs.setColorForKey(Qt::red, "b");
    EXPECT_EQ(prefs.object("b"), QVariant(QStringLiteral("255 0 0 1.000000")));
    prefs.setIntForKey(3, "c");
    EXPECT_EQ(prefs.object("c"), QVariant(qint64(3)));
}

TEST_F(AppPrefTest, ColourStringsAndTheirRoundTrip) {
    struct Case {
        QColor color;
        const char* text;
    };
    const Case cases[] = {
        {QColor::fromRgbF(1.0, 0.0, 0.0, 1.0), "255 0 0 1.000000"},
        {QColor::fromRgbF(0.5, 0.5, 0.5, 1.0), "127 127 127 1.000000"},
        {QColor::fromRgbF(1.0, 0.999, 0.0, 0.5), "255 254 0 0.500000"},
        {QColor(10, 20, 30, 0), "10 20 30 0.000000"},
        {QColor::fromRgbF(0.2, 0.4, 0.6, 0.25), "51 102 153 0.250000"},
        {QColor::fromHsvF(0.0, 1.0, 1.0), "255 0 0 1.000000"},  // not RGB: converted
    };
    for (const auto& c : cases) EXPECT_EQ(appPref::colorString(c.color), QString(c.text)) << c.text;

    // Every 8-bit component survives writing and reading.
    appPref prefs;
    for (int v = 0; v <= 255; ++v) {
        const QColor color(v, 255 - v, v / 3, 255);
        prefs.setColorForKey(color, "c");
        ASSERT_EQ(prefs.object("c").toString(),
                  foundation::format("%i %i %i 1.000000", v, 255 - v, v / 3));
        ASSERT_EQ(prefs.colorForKey("c").rgba(), color.rgba()) << v;
    }
    for (double alpha : {0.0, 0.1, 0.25, 0.3333, 0.5, 0.75, 0.9, 1.0}) {
        prefs.setColorForKey(QColor::fromRgbF(0, 0, 0, alpha), "c");
        EXPECT_EQ(prefs.object("c").toString(), foundation::format("0 0 0 %f", alpha));
        EXPECT_NEAR(prefs.colorForKey("c").alphaF(), alpha, 1e-4);
    }
}

TEST_F(AppPrefTest, DateStringsCarryOutOfRangeNumbers) {
    appPref prefs = appPref::fromMap({{"d", QStringLiteral("31 2 2011")}});
    EXPECT_EQ(prefs.dateForKey("d")->description(), QStringLiteral("2011-03-03 00:00:00 +0100"));
    prefs.setObject("d", QStringLiteral("0 1 2024"));
    EXPECT_EQ(prefs.dateForKey("d")->description(), QStringLiteral("2023-12-31 00:00:00 +0100"));
}

// Texts lacking numbers take the default's numbers from the first unreadable one
// on and are left as they are; objects that are not text count as missing.
TEST_F(AppPrefTest, UnreadableStoredValues) {
    const QColor grey = QColor::fromRgbF(127 / 255.0, 127 / 255.0, 127 / 255.0, 1.0);
    struct ColorCase {
        QVariant stored;
        QColor expected;
        QVariant storedAfter;
    };
    const ColorCase colorCases[] = {
        {QStringLiteral(""), grey, QStringLiteral("")},
        {QStringLiteral("blue"), grey, QStringLiteral("blue")},
        {QStringLiteral("255 0 0"), QColor(255, 0, 0), QStringLiteral("255 0 0")},
        {QStringLiteral("300 -5 0 2.5"), QColor(255, 0, 0), QStringLiteral("300 -5 0 2.5")},
        {QVariant(qint64(5)), grey, QStringLiteral("127 127 127 1.000000")},
        {QVariant(true), grey, QStringLiteral("127 127 127 1.000000")},
        {QVariant(QVariantMap{{"a", 1}}), grey, QStringLiteral("127 127 127 1.000000")},
    };
    for (const auto& c : colorCases) {
        appPref prefs = appPref::fromMap({{"c", c.stored}});
        EXPECT_EQ(prefs.colorForKey("c").rgba(), c.expected.rgba())
            << c.stored.toString().toStdString();
        EXPECT_EQ(prefs.object("c"), c.storedAfter) << c.stored.toString().toStdString();
    }

    const MyDatePtr today = MyDate::date();
    struct DateCase {
        QVariant stored;
        int day, month, year;
        QVariant storedAfter;
    };
    const DateCase dateCases[] = {
        {QStringLiteral(""), today->dayNum(), today->monthNum(), today->yearNum(),
         QStringLiteral("")},
        {QStringLiteral("soon"), today->dayNum(), today->monthNum(), today->yearNum(),
         QStringLiteral("soon")},
        {QStringLiteral("3 2"), 3, 2, today->yearNum(), QStringLiteral("3 2")},
        {QVariant(2.5), today->dayNum(), today->monthNum(), today->yearNum(), todayString()},
    };
    for (const auto& c : dateCases) {
        appPref prefs = appPref::fromMap({{"d", c.stored}});
        const MyDatePtr date = prefs.dateForKey("d");
        EXPECT_EQ(date->dayNum(), c.day) << c.stored.toString().toStdString();
        EXPECT_EQ(date->monthNum(), c.month) << c.stored.toString().toStdString();
        EXPECT_EQ(date->yearNum(), c.year) << c.stored.toString().toStdString();
        EXPECT_EQ(date->hourNum(), 0);
        EXPECT_EQ(prefs.object("d"), c.storedAfter) << c.stored.toString().toStdString();
    }
}

TEST_F(AppPrefTest, NumbersConvertWhateverIsStored) {
    appPref prefs = appPref::fromMap({
        {"double", 2.7},
        {"negative", -2.7},
        {"int", qint64(3)},
        {"int32", 4},
        {"true", true},
        {"text", QStringLiteral("42.5")},
        {"zero text", QStringLiteral("0")},
        {"yes", QStringLiteral("YES")},
        {"huge", 1e12},
        {"map", QVariantMap{{"a", 1}}},
    });
    EXPECT_EQ(prefs.intForKey("double"), 2);
    EXPECT_EQ(prefs.intForKey("negative"), -2);
    EXPECT_TRUE(prefs.boolForKey("double"));
    EXPECT_EQ(prefs.doubleForKey("int"), 3.0);
    EXPECT_EQ(prefs.intForKey("int32"), 4);
    EXPECT_EQ(prefs.intForKey("true"), 1);
    EXPECT_EQ(prefs.doubleForKey("true"), 1.0);
    EXPECT_EQ(prefs.intForKey("text"), 42);
    EXPECT_EQ(prefs.doubleForKey("text"), 42.5);
    EXPECT_TRUE(prefs.boolForKey("text"));
    EXPECT_FALSE(prefs.boolForKey("zero text"));
    EXPECT_TRUE(prefs.boolForKey("yes"));
    EXPECT_EQ(prefs.intForKey("huge"), std::numeric_limits<int>::max());
    EXPECT_EQ(prefs.intForKey("map"), 0);
    EXPECT_FALSE(prefs.boolForKey("map"));
    // Reading converts; it never rewrites what was there.
    EXPECT_EQ(prefs.object("double"), QVariant(2.7));
    EXPECT_EQ(prefs.object("text"), QVariant(QStringLiteral("42.5")));
}

TEST_F(AppPrefTest, GroupsAndNestedRecordsAreSharedByEveryHolder) {
    appPref group = appPref::fromMap({
        {"Selected", true},
        {"CAL-1", QVariantMap{{"Selected", true}, {"Sequence", qint64(2)}}},
        {"plain", QStringLiteral("x")},
    });
    appPref sameGroup = group;
    sameGroup.setIntForKey(5, "Count");
    EXPECT_EQ(group.intForKey("Count"), 5);
    group.remove("Selected");
    EXPECT_FALSE(sameGroup.contains("Selected"));

    auto record = group.dictForKey("CAL-1");
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->intForKey("Sequence"), 2);
    record->setBoolForKey(false, "Selected");

    // Reached again, through either holder, it is the same record.
    auto again = sameGroup.dictForKey("CAL-1");
    ASSERT_TRUE(again.has_value());
    EXPECT_FALSE(again->boolForKey("Selected"));
    again->setIntForKey(9, "Sequence");
    EXPECT_EQ(record->intForKey("Sequence"), 9);

    // A record stored as an appPref is shared too.
    appPref marker;
    group.setObject("MARKER", QVariant::fromValue(marker));
    marker.setObject("Name", QStringLiteral("Holiday"));
    EXPECT_EQ(group.dictForKey("MARKER")->object("Name"), QVariant(QStringLiteral("Holiday")));

    EXPECT_FALSE(group.dictForKey("missing").has_value());
    EXPECT_FALSE(group.dictForKey("plain").has_value());
    EXPECT_FALSE(group.contains("missing"));

    // fromMap makes a group of its own.
    const QVariantMap plain{{"a", qint64(1)}};
    appPref first = appPref::fromMap(plain);
    appPref second = appPref::fromMap(plain);
    first.setIntForKey(2, "a");
    EXPECT_EQ(second.intForKey("a"), 1);
}

TEST_F(AppPrefTest, ToVariantMapIsAPlainDeepSnapshot) {
    appPref group = appPref::fromMap({
        {"CAL-1", QVariantMap{{"Selected", true}}},
        {"list", QVariantList{QVariantMap{{"x", 1}}}},
        {"n", qint64(1)},
    });
    auto record = group.dictForKey("CAL-1");
    record->setIntForKey(4, "Type");
    appPref inList;
    inList.setIntForKey(7, "y");
    group.setObject("list", QVariantList{QVariant::fromValue(inList)});

    const QVariantMap saved = group.toVariantMap();
    EXPECT_FALSE(holdsAppPref(saved));
    EXPECT_EQ(saved.value("CAL-1").toMap().value("Type"), QVariant(qint64(4)));
    EXPECT_EQ(saved.value("CAL-1").toMap().value("Selected"), QVariant(true));
    EXPECT_EQ(saved.value("list").toList().value(0).toMap().value("y"), QVariant(qint64(7)));
    EXPECT_EQ(saved.value("n"), QVariant(qint64(1)));

    record->setIntForKey(5, "Type");
    group.setIntForKey(2, "n");
    EXPECT_EQ(saved.value("CAL-1").toMap().value("Type"), QVariant(qint64(4)));
    EXPECT_EQ(saved.value("n"), QVariant(qint64(1)));
    EXPECT_EQ(group.keys(), (QStringList{"CAL-1", "list", "n"}));
}
