#include "platform/foundation/CloudStore.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointF>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>
#include <vector>

#include <sys/stat.h>

using foundation::Defaults;
using foundation::LogCapture;
using foundation::PropertyList;

namespace {

QStringList asideFiles(const testsupport::TempDir& dir) {
    return QDir(dir.path())
        .entryList({QStringLiteral("Defaults.plist.unreadable-*")}, QDir::Files | QDir::Hidden);
}

}  // namespace

TEST(Defaults, UserValuesOverRegisteredOnesAndTypedReads) {
    testsupport::TempDir dir;
    Defaults d(dir.file(QStringLiteral("Defaults.plist")));
    const QVariantMap factoryGroup{{QStringLiteral("Week Begins on Sunday"), false},
                                   {QStringLiteral("Columns"), 3}};
    d.registerDefaults({{QStringLiteral("Count"), 5},
                        {QStringLiteral("AppPref General"), factoryGroup},
                        {QStringLiteral("Title"), QStringLiteral("factory")}});

    EXPECT_EQ(d.integerForKey(QStringLiteral("Count")), 5);
    d.setInteger(QStringLiteral("Count"), 9);
    EXPECT_EQ(d.integerForKey(QStringLiteral("Count")), 9);
    d.removeObject(QStringLiteral("Count"));
    EXPECT_EQ(d.integerForKey(QStringLiteral("Count")), 5);  // the factory value again

    // Groups: the factory group until the user stores their own, whole.
    QVariantMap group = d.dictionaryForKey(QStringLiteral("AppPref General"));
    EXPECT_EQ(group.value(QStringLiteral("Columns")).toLongLong(), 3);
    group.insert(QStringLiteral("Week Begins on Sunday"), true);
    group.remove(QStringLiteral("Columns"));
    d.setObject(QStringLiteral("AppPref General"), group);
    EXPECT_TRUE(d.dictionaryForKey(QStringLiteral("AppPref General"))
                    .value(QStringLiteral("Week Begins on Sunday"))
                    .toBool());
    EXPECT_FALSE(
        d.dictionaryForKey(QStringLiteral("AppPref General")).contains(QStringLiteral("Columns")));

    const QVariantMap all = d.dictionaryRepresentation();
    EXPECT_EQ(all.value(QStringLiteral("Title")).toString(), QStringLiteral("factory"));
    EXPECT_EQ(all.value(QStringLiteral("AppPref General")).toMap(), group);
    EXPECT_TRUE(all.contains(Defaults::languagesKey));

    // A missing key reads as nothing of every kind.
    const QString none = QStringLiteral("Never Set");
    EXPECT_FALSE(d.objectForKey(none).isValid());
    EXPECT_FALSE(d.boolForKey(none));
    EXPECT_EQ(d.integerForKey(none), 0);
    EXPECT_EQ(d.doubleForKey(none), 0.0);
    EXPECT_TRUE(d.stringForKey(none).isNull());
    EXPECT_TRUE(d.dictionaryForKey(none).isEmpty());
    EXPECT_TRUE(d.arrayForKey(none).isEmpty());

    // An invalid value removes; a value no property list can hold is refused.
    d.setObject(QStringLiteral("Title"), QStringLiteral("mine"));
    d.setObject(QStringLiteral("Title"), QVariant());
    EXPECT_EQ(d.stringForKey(QStringLiteral("Title")), QStringLiteral("factory"));
    LogCapture logs;
    EXPECT_FALSE(d.setObject(QStringLiteral("Point"), QPointF(1, 2)));
    EXPECT_TRUE(logs.contains(QStringLiteral("ERROR: ")));
    EXPECT_FALSE(d.objectForKey(QStringLiteral("Point")).isValid());
}

TEST(Defaults, TypedReadsConvertLikeSettingsDo) {
    testsupport::TempDir dir;
    Defaults d(dir.file(QStringLiteral("Defaults.plist")));
    const struct {
        const char* name;
        QVariant value;
        bool asBool;
        qint64 asInteger;
        double asDouble;
        QString asString;
    } cases[] = {
        {"true", true, true, 1, 1.0, QString()},
        {"integer", qint64(7), true, 7, 7.0, QStringLiteral("7")},
        {"zero", qint64(0), false, 0, 0.0, QStringLiteral("0")},
        {"real", 3.75, true, 3, 3.75, QStringLiteral("3.75")},
        {"negative real", -2.5, true, -2, -2.5, QStringLiteral("-2.5")},
        {"huge real", 1e30, true, std::numeric_limits<qint64>::max(), 1e30,
         QStringLiteral("1e+30")},
        {"YES", QStringLiteral("YES"), true, 0, 0.0, QStringLiteral("YES")},
        {"true text", QStringLiteral("true"), true, 0, 0.0, QStringLiteral("true")},
        {"number text", QStringLiteral(" 12 "), true, 12, 12.0, QStringLiteral(" 12 ")},
        {"real text", QStringLiteral("2.5"), true, 2, 2.5, QStringLiteral("2.5")},
        {"word", QStringLiteral("no"), false, 0, 0.0, QStringLiteral("no")},
        {"list", QVariantList{1}, false, 0, 0.0, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        d.setObject(QStringLiteral("k"), c.value);
        EXPECT_EQ(d.boolForKey(QStringLiteral("k")), c.asBool);
        EXPECT_EQ(d.integerForKey(QStringLiteral("k")), c.asInteger);
        EXPECT_EQ(d.doubleForKey(QStringLiteral("k")), c.asDouble);
        EXPECT_EQ(d.stringForKey(QStringLiteral("k")), c.asString);
    }
}

TEST(Defaults, SynchronizeWritesOnlyUserValuesAndOnlyWhenChanged) {
    testsupport::TempDir dir;
    const QString path = dir.file(QStringLiteral("config/zolt/Defaults.plist"));
    {
        LogCapture logs;
        Defaults d(path);  // no file yet: empty, and nothing to complain about
        EXPECT_TRUE(d.dictionaryRepresentation().value(QStringLiteral("x")).isNull());
        EXPECT_TRUE(logs.lines().isEmpty());
        d.registerDefaults({{QStringLiteral("Factory"), 1}});
        EXPECT_TRUE(d.synchronize());
        EXPECT_FALSE(QFile::exists(path));  // nothing of the user's to write

        d.setBool(QStringLiteral("Use External Config"), true);
        d.setInteger(QStringLiteral("Count"), 3);
        d.setDouble(QStringLiteral("Ratio"), 2.0);
        d.setObject(QStringLiteral("AppPref Markers"),
                    QVariantMap{{QStringLiteral("m1"), QVariantMap{{QStringLiteral("on"), true}}}});
        d.setObject(QStringLiteral("Languages"), QStringList{QStringLiteral("de")});
        ASSERT_TRUE(d.synchronize());
        ASSERT_TRUE(QFile::exists(path));

        // Unchanged values are not written again.
        QFile::remove(path);
        d.setInteger(QStringLiteral("Count"), 3);
        EXPECT_TRUE(d.synchronize());
        EXPECT_FALSE(QFile::exists(path));
        d.setInteger(QStringLiteral("Count"), 4);
        EXPECT_TRUE(d.synchronize());
        EXPECT_TRUE(QFile::exists(path));
    }

    Defaults again(path);
    const QVariantMap expected{
        {QStringLiteral("Use External Config"), true},
        {QStringLiteral("Count"), qint64(4)},
        {QStringLiteral("Ratio"), 2.0},
        {QStringLiteral("AppPref Markers"),
         QVariantMap{{QStringLiteral("m1"), QVariantMap{{QStringLiteral("on"), true}}}}},
        {QStringLiteral("Languages"), QVariantList{QStringLiteral("de")}},
    };
    EXPECT_TRUE(PropertyList::identical(PropertyList::readFile(path), expected));
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_TRUE(PropertyList::identical(again.objectForKey(it.key()), *it))
            << it.key().toStdString();
}

// A program killed before its closing synchronize() keeps what was set a
// moment before: changes from any thread reach the file by themselves.
TEST(Defaults, AutosaveWritesChangesFromAnyThreadByItself) {
    testsupport::TempDir dir;
    const QString path = dir.file(QStringLiteral("Defaults.plist"));
    Defaults d(path);
    d.setAutosaveDelay(20);
    const auto fileHolds = [&path](const QString& key, const QVariant& value) {
        return Defaults(path).objectForKey(key) == value;
    };
    d.setObject(QStringLiteral("AppPref Markers"),
                QVariantMap{{QStringLiteral("m1"), QStringLiteral("Vacation")}});
    d.setBool(QStringLiteral("Check Config at Startup"), true);
    ASSERT_TRUE(testsupport::waitUntil([&] {
        return fileHolds(QStringLiteral("Check Config at Startup"), true) &&
               fileHolds(QStringLiteral("AppPref Markers"),
                         QVariantMap{{QStringLiteral("m1"), QStringLiteral("Vacation")}});
    }));

    std::thread([&d] { d.setInteger(QStringLiteral("Count"), 7); }).join();
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return fileHolds(QStringLiteral("Count"), qint64(7)); }));
    d.removeObject(QStringLiteral("Count"));
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return !Defaults(path).objectForKey(QStringLiteral("Count")).isValid(); }));
}

TEST(Defaults, UnreadableFileIsMovedAsideAndReportedNeverOverwritten) {
    const struct {
        const char* name;
        QByteArray content;
    } cases[] = {
        {"garbage", "\x01\x02 not a property list"},
        {"truncated", "<?xml version=\"1.0\"?><plist><dict><key>a</key><integer>1"},
        {"not a dictionary", "<plist><array><true/></array></plist>"},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        const QString path = dir.file(QStringLiteral("Defaults.plist"));
        ASSERT_TRUE(dir.write(QStringLiteral("Defaults.plist"), c.content));
        LogCapture logs;
        Defaults d(path);
        EXPECT_TRUE(d.dictionaryRepresentation().value(QStringLiteral("a")).isNull());
        ASSERT_EQ(logs.count(QStringLiteral("WARNING: ")), 1)
            << logs.lines().join(u'\n').toStdString();
        EXPECT_TRUE(logs.lines().first().startsWith(QStringLiteral("WARNING: ")));
        const QStringList aside = asideFiles(dir);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_TRUE(logs.contains(aside.first()));
        EXPECT_EQ(dir.read(aside.first()), c.content);

        d.setBool(QStringLiteral("a"), true);
        ASSERT_TRUE(d.synchronize());
        EXPECT_EQ(dir.read(aside.first()), c.content);  // the user's old file is kept
        EXPECT_TRUE(Defaults(path).boolForKey(QStringLiteral("a")));
    }
}

TEST(Defaults, FailedWriteIsReportedAndRetried) {
    testsupport::TempDir dir;
    ASSERT_TRUE(dir.write(QStringLiteral("blocker"), "a file where a folder should be"));
    Defaults d(dir.file(QStringLiteral("blocker/Defaults.plist")));
    d.setBool(QStringLiteral("a"), true);
    LogCapture logs;
    EXPECT_FALSE(d.synchronize());
    EXPECT_FALSE(d.synchronize());  // still unsaved, so tried again
    EXPECT_EQ(logs.count(QStringLiteral("ERROR: ")), 2);
}

TEST(Defaults, ConcurrentReadersAndWriters) {
    testsupport::TempDir dir;
    const QString path = dir.file(QStringLiteral("Defaults.plist"));
    Defaults d(path);
    d.registerDefaults({{QStringLiteral("shared"), QVariantMap()}});
    constexpr int threads = 6, rounds = 300;
    std::atomic<bool> bad{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < rounds; ++i) {
                const QString own = QStringLiteral("t%1").arg(t);
                d.setInteger(own, i);
                if (d.integerForKey(own) != i) bad = true;
                QVariantMap group = d.dictionaryForKey(QStringLiteral("shared"));
                group.insert(own, i);
                d.setObject(QStringLiteral("shared"), group);
                d.dictionaryRepresentation();
                if (i % 50 == 0 && !d.synchronize()) bad = true;
            }
        });
    }
    for (auto& w : workers) w.join();
    EXPECT_FALSE(bad);
    ASSERT_TRUE(d.synchronize());
    Defaults again(path);
    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(again.integerForKey(QStringLiteral("t%1").arg(t)), rounds - 1);
}

TEST(Defaults, PreferredLanguagesFromTheEnvironmentUnlessSet) {
    const struct {
        const char* language;
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        const char* expected;
    } cases[] = {
        {"", "", "", "en_US.UTF-8", "en"},
        {"", "", "", "C", "en"},
        {"", "", "", "POSIX", "en"},
        {"", "", "", "C.UTF-8", "en"},
        {"", "", "", "de_DE.UTF-8", "de-DE"},
        {"", "", "", "en_GB.UTF-8", "en-GB"},
        {"", "", "", "fr", "fr"},
        {"", "", "", "sr_RS@latin", "sr-RS"},
        {"", "", "", "", "en"},
        {"fr_CA:en_US", "", "", "en_US.UTF-8", "fr-CA"},
        {":de", "", "", "en_US.UTF-8", "de"},
        {"", "de_AT.UTF-8", "sv_SE", "en_US.UTF-8", "de-AT"},
        {"", "", "sv_SE.UTF-8", "en_US.UTF-8", "sv-SE"},
    };
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        testsupport::ScopedEnv e1("LANGUAGE", QString::fromLatin1(c.language));
        testsupport::ScopedEnv e2("LC_ALL", QString::fromLatin1(c.lcAll));
        testsupport::ScopedEnv e3("LC_MESSAGES", QString::fromLatin1(c.lcMessages));
        testsupport::ScopedEnv e4("LANG", QString::fromLatin1(c.lang));
        Defaults d(dir.file(QStringLiteral("Defaults.plist")));
        const QStringList expected{QString::fromLatin1(c.expected)};
        EXPECT_EQ(d.preferredLanguages(), expected);
        EXPECT_EQ(d.objectForKey(Defaults::languagesKey), QVariant(QVariantList{expected.first()}));
    }

    testsupport::ScopedEnv lang("LANG", QStringLiteral("de_DE.UTF-8"));
    Defaults d(dir.file(QStringLiteral("Defaults.plist")));
    d.registerDefaults({{Defaults::languagesKey, QStringList{QStringLiteral("it")}}});
    EXPECT_EQ(d.preferredLanguages(), QStringList{QStringLiteral("de-DE")});  // the user's own
    d.setObject(Defaults::languagesKey, QStringList{QStringLiteral("en-GB"), QStringLiteral("en")});
    EXPECT_EQ(d.preferredLanguages(), (QStringList{QStringLiteral("en-GB"), QStringLiteral("en")}));
    EXPECT_EQ(d.arrayForKey(Defaults::languagesKey).size(), 2);
}

TEST(Defaults, StandardInstanceFollowsTheEnvironmentAndCanBeReplaced) {
    testsupport::TempDir dir;
    {
        testsupport::ScopedEnv explicitPath("ZOLT_DEFAULTS", dir.file(QStringLiteral("a.plist")));
        EXPECT_EQ(Defaults::defaultPath(), dir.file(QStringLiteral("a.plist")));
    }
    {
        testsupport::ScopedEnv none("ZOLT_DEFAULTS", QString());
        testsupport::ScopedEnv config("XDG_CONFIG_HOME", QStringLiteral("/x/config"));
        EXPECT_EQ(Defaults::defaultPath(), QStringLiteral("/x/config/zolt/Defaults.plist"));
        testsupport::ScopedEnv relative("XDG_CONFIG_HOME", QStringLiteral("relative"));
        EXPECT_EQ(Defaults::defaultPath(),
                  QDir::homePath() + QStringLiteral("/.config/zolt/Defaults.plist"));
    }

    const QString path = dir.file(QStringLiteral("Standard.plist"));
    Defaults::resetStandard(path);
    Defaults& first = Defaults::standard();
    EXPECT_EQ(first.path(), path);
    EXPECT_EQ(&Defaults::standard(), &first);
    first.setBool(QStringLiteral("kept"), true);
    {
        testsupport::ScopedEnv other("ZOLT_DEFAULTS", dir.file(QStringLiteral("Other.plist")));
        Defaults::resetStandard();
        EXPECT_EQ(Defaults::standard().path(), dir.file(QStringLiteral("Other.plist")));
        EXPECT_TRUE(first.boolForKey(QStringLiteral("kept")));  // the old object is still usable
    }
    Defaults::resetStandard();  // the next user gets the test program's default again
}

// Settings and cloud files where something other than a readable regular file
// stands: opening them never blocks, and the message names the file and why.
TEST(Defaults, PipesAndOtherNonFilesNeitherHangNorGoUnreported) {
    testsupport::TempDir dir;
    const QString defaultsPath = dir.file(QStringLiteral("Defaults.plist"));
    const QString cloudFolder = dir.file(QStringLiteral("cloud"));
    const QString cloudPath = cloudFolder + QStringLiteral("/ZoltCloud.plist");
    ASSERT_TRUE(QDir().mkpath(cloudFolder));
    ASSERT_EQ(::mkfifo(QFile::encodeName(defaultsPath).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(cloudPath).constData(), 0600), 0);
    LogCapture log;
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread([=] {
        Defaults defaults(defaultsPath);
        done->store(true);
    }).detach();
    ASSERT_TRUE(testsupport::waitUntil([&] { return done->load(); }, 20)) << "hangs";
    foundation::CloudStore cloud(cloudFolder);
    EXPECT_TRUE(
        log.contains(QStringLiteral("WARNING: user defaults file ") + defaultsPath +
                     QStringLiteral(" could not be read (cannot open: it is a named pipe")));
    // The pipe was moved aside like any unreadable settings file.
    EXPECT_FALSE(QFileInfo::exists(defaultsPath));
    EXPECT_EQ(QDir(dir.path())
                  .entryList({QStringLiteral("Defaults.plist.unreadable-*")}, QDir::System)
                  .size(),
              1);
    EXPECT_TRUE(log.contains(QStringLiteral("WARNING: cloud store file ") + cloudPath +
                             QStringLiteral(" could not be read (cannot read the file: it is a "
                                            "named pipe")));
}

// Text XML cannot carry (NUL, other control characters, unpaired surrogates)
// is stored so that any XML reader takes the file and the value reads back as
// the settings hold it.
TEST(Defaults, TextXmlCannotCarryIsWrittenSoThatItReadsBack) {
    testsupport::TempDir dir;
    const QString path = dir.file(QStringLiteral("Defaults.plist"));
    const QString hostile = QStringLiteral("a") + QChar(0) + u'b' + QChar(0xD800) + u'c' +
                            QChar(0x01) + QChar(0xDC00) + QChar(0xFFFF) + u'\r' + u'\t';
    const QString clean = QStringLiteral("a\uFFFDb\uFFFDc\uFFFD\uFFFD\uFFFD\r\t");
    {
        Defaults defaults(path);
        ASSERT_TRUE(defaults.setObject(QStringLiteral("text"), hostile));
        ASSERT_TRUE(defaults.setObject(QStringLiteral("key") + QChar(0),
                                       QVariantList{hostile, QStringList{hostile}}));
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("text")), clean);
        ASSERT_TRUE(defaults.synchronize());
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(f.readAll());
    while (!xml.atEnd()) xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    Defaults reread(path);
    EXPECT_EQ(reread.stringForKey(QStringLiteral("text")), clean);
    EXPECT_EQ(reread.arrayForKey(QStringLiteral("key\uFFFD")),
              (QVariantList{clean, QVariantList{clean}}));
}
