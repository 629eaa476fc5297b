#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Threads.h"
#include "platform/foundation/Timer.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <thread>

using namespace foundation;

TEST(Notifications, DeliveredSynchronouslyOnThePostingThreadFilteredByNameAndSender) {
    auto& nc = NotificationCenter::defaultCenter();
    int owner = 0, sender = 0, other = 0;
    std::atomic<int> calls{0};
    std::thread::id seenOn;
    nc.addObserver(&owner, QStringLiteral("Ping"), &sender, [&](const Notification& n) {
        seenOn = std::this_thread::get_id();
        EXPECT_EQ(n.userInfo.value(QStringLiteral("k")).toInt(), 7);
        ++calls;
    });
    std::thread::id poster;
    std::thread t([&] {
        poster = std::this_thread::get_id();
        nc.post(QStringLiteral("Ping"), &sender, {{QStringLiteral("k"), 7}});
        nc.post(QStringLiteral("Ping"), &other, {{QStringLiteral("k"), 7}});  // other sender
        nc.post(QStringLiteral("Pong"), &sender);                             // other name
    });
    t.join();
    EXPECT_EQ(calls, 1);  // delivered before post returned, on the posting thread
    EXPECT_EQ(seenOn, poster);
    nc.removeObserver(&owner);
    nc.post(QStringLiteral("Ping"), &sender, {{QStringLiteral("k"), 7}});
    EXPECT_EQ(calls, 1);
}

TEST(Notifications, ObserverMayRemoveItselfWhileBeingCalled) {
    auto& nc = NotificationCenter::defaultCenter();
    int owner = 0, calls = 0;
    nc.addObserver(&owner, QStringLiteral("Once"), nullptr, [&](const Notification&) {
        ++calls;
        nc.removeObserver(&owner);
    });
    nc.post(QStringLiteral("Once"));
    nc.post(QStringLiteral("Once"));
    EXPECT_EQ(calls, 1);
}

TEST(Dispatch, WaitingCallFromTheMainThreadRunsDirectly) {
    ASSERT_TRUE(isMainThread());
    bool ran = false;
    onMainAndWait([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(Dispatch, BackgroundThreadHandsWorkToTheMainThread) {
    std::atomic<bool> waitedRanOnMain{false}, queuedRanOnMain{false}, jobDone{false};
    startThread([&] {
        EXPECT_FALSE(isMainThread());
        onMainAndWait([&] { waitedRanOnMain = isMainThread(); });
        onMain([&] { queuedRanOnMain = isMainThread(); });
        jobDone = true;
    });
    EXPECT_TRUE(testsupport::waitUntil([&] { return jobDone && queuedRanOnMain.load(); }));
    EXPECT_TRUE(waitedRanOnMain);
}

TEST(Timer, OneShotRestartAndRepeat) {
    Timer once;
    int fired = 0;
    once.start(0.01, false, [&] { ++fired; });
    EXPECT_TRUE(testsupport::waitUntil([&] { return fired == 1; }));
    EXPECT_FALSE(once.isActive());
    once.restart();
    EXPECT_TRUE(testsupport::waitUntil([&] { return fired == 2; }));

    Timer repeating;
    int ticks = 0;
    repeating.start(0.005, true, [&] {
        if (++ticks == 3) repeating.stop();
    });
    EXPECT_TRUE(testsupport::waitUntil([&] { return ticks == 3; }));
    EXPECT_FALSE(repeating.isActive());
}

TEST(Timer, ManualClockFiresTimersInTheOrderTheyFallDue) {
    ManualClock clock;
    QStringList fired;
    Timer late(&clock), early(&clock), repeating(&clock);
    late.start(0.6, false, [&] { fired << QStringLiteral("late@%1").arg(clock.now()); });
    early.start(0.5, false, [&] {
        fired << QStringLiteral("early@%1").arg(clock.now());
        // Armed by an action: due within the same advance.
        early.start(0.05, false, [&] { fired << QStringLiteral("again@%1").arg(clock.now()); });
    });
    repeating.start(0.25, true, [&] {
        fired << QStringLiteral("tick@%1").arg(clock.now());
        if (clock.now() >= 0.5) repeating.stop();
    });
    clock.advance(0.4);
    EXPECT_EQ(fired, QStringList{QStringLiteral("tick@0.25")});
    EXPECT_TRUE(late.isActive());
    clock.advance(0.3);
    EXPECT_EQ(fired, (QStringList{QStringLiteral("tick@0.25"), QStringLiteral("early@0.5"),
                                  QStringLiteral("tick@0.5"), QStringLiteral("again@0.55"),
                                  QStringLiteral("late@0.6")}));
    EXPECT_FALSE(late.isActive() || early.isActive() || repeating.isActive());
    EXPECT_DOUBLE_EQ(clock.now(), 0.7);

    // A stopped timer and a timer deleted before its moment never fire.
    fired.clear();
    late.start(0.1, false, [&] { fired << QStringLiteral("stopped"); });
    late.stop();
    auto doomed = std::make_unique<Timer>(&clock);
    doomed->start(0.1, false, [&] { fired << QStringLiteral("doomed"); });
    doomed.reset();
    clock.advance(1);
    EXPECT_TRUE(fired.isEmpty());
}

TEST(AtomicFile, WritesAndReplaces) {
    testsupport::TempDir dir;
    const QString path = dir.file(QStringLiteral("sub/a.txt"));
    ASSERT_TRUE(writeFileAtomically(path, "one"));
    ASSERT_TRUE(writeFileAtomically(path, "two"));
    EXPECT_EQ(dir.read(QStringLiteral("sub/a.txt")), "two");
    // No temporary files are left behind.
    EXPECT_EQ(QDir(dir.file(QStringLiteral("sub"))).entryList(QDir::Files | QDir::Hidden).size(),
              1);
}

TEST(AtomicFile, InterruptedWriteLeavesTheOldFileIntact) {
    testsupport::TempDir dir;
    const QString path = dir.file(QStringLiteral("a.txt"));
    ASSERT_TRUE(writeFileAtomically(path, "old contents"));
    testhooks::interruptNextAtomicWrite();
    QString error;
    EXPECT_FALSE(writeFileAtomically(path, "new", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(dir.read(QStringLiteral("a.txt")), "old contents");
}

TEST(AtomicFile, ReportsAFolderThatCannotBeWritten) {
    QString error;
    EXPECT_FALSE(writeFileAtomically(QStringLiteral("/proc/zolt-no/such"), "x", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(Format, NumbersIgnoreTheLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string keep = old ? old : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // may not exist; then the test is weaker
    EXPECT_EQ(format("%i %i %i %f", 255, 0, 0, 1.0), QStringLiteral("255 0 0 1.000000"));
    Scanner s(QStringLiteral("127 127 127 0.500000"));
    int r = 0, g = 0, b = 0;
    float a = 0;
    EXPECT_TRUE(s.scanInt(&r) && s.scanInt(&g) && s.scanInt(&b) && s.scanFloat(&a));
    EXPECT_EQ(r + g + b, 381);
    EXPECT_FLOAT_EQ(a, 0.5f);
    EXPECT_TRUE(s.isAtEnd());
    std::setlocale(LC_NUMERIC, keep.c_str());
}

TEST(Format, ScannerWithSeparatorsAndFailures) {
    Scanner s(QStringLiteral("24.12.2012"));
    s.setCharactersToBeSkipped(QString());
    int d = 0, m = 0, y = 0;
    EXPECT_TRUE(s.scanInt(&d) && s.scanString(QStringLiteral(".")) && s.scanInt(&m) &&
                s.scanString(QStringLiteral(".")) && s.scanInt(&y));
    EXPECT_EQ(QList<int>({d, m, y}), QList<int>({24, 12, 2012}));

    Scanner bad(QStringLiteral("  word -"));
    int v = 99;
    EXPECT_FALSE(bad.scanInt(&v));
    EXPECT_EQ(v, 99);
    EXPECT_EQ(bad.scanLocation(), 0);
    Scanner neg(QStringLiteral("-3"));
    EXPECT_TRUE(neg.scanInt(&v));
    EXPECT_EQ(v, -3);
}

TEST(Localized, StringTableParsingAndLookup) {
    const auto table = parseStringTable(QStringLiteral(
        "/* comment */\n\"a\" = \"Alpha\";\n// line comment\n\"b\"=\"with \\\"quote\\\"\\n\";\n"
        "broken line\n\"c\" = \"Gamma\";\n"));
    EXPECT_EQ(table.value(QStringLiteral("a")), QStringLiteral("Alpha"));
    EXPECT_EQ(table.value(QStringLiteral("b")), QStringLiteral("with \"quote\"\n"));
    EXPECT_EQ(table.value(QStringLiteral("c")), QStringLiteral("Gamma"));
    EXPECT_EQ(localized(QStringLiteral("no such key ever"), QStringLiteral("dflt")),
              QStringLiteral("dflt"));
}

TEST(Bundle, InformationKeys) {
    EXPECT_FALSE(Bundle::infoValue(QStringLiteral("CFBundleVersion")).toString().isEmpty());
    EXPECT_EQ(Bundle::infoValue(QStringLiteral("BuildDate")).toString().count(u'.'), 2);
    EXPECT_FALSE(Bundle::infoValue(QStringLiteral("Nope")).isValid());
    EXPECT_FALSE(
        Bundle::resourceData(QStringLiteral("InfoPlist"), QStringLiteral("strings")).isEmpty());
}

TEST(Log, CaptureSeesLinesFromAnyThread) {
    LogCapture capture;
    log(QStringLiteral("first line"));
    std::thread([] { log(QStringLiteral("from a job")); }).join();
    EXPECT_EQ(capture.lines(),
              QStringList({QStringLiteral("first line"), QStringLiteral("from a job")}));
}

TEST(AtomicFile, WritesThroughASymbolicLink) {
    // Settings and calendar files kept elsewhere and linked in: the target gets
    // the data and the link stays a link.
    testsupport::TempDir dir;
    ASSERT_TRUE(writeFileAtomically(dir.file(QStringLiteral("real/settings.plist")), "old"));
    const QString link = dir.file(QStringLiteral("settings.plist"));
    ASSERT_TRUE(QFile::link(QStringLiteral("real/settings.plist"), link));
    ASSERT_TRUE(writeFileAtomically(link, "new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(dir.read(QStringLiteral("real/settings.plist")), "new");
    ASSERT_EQ(replaceFileIfUnchanged(link, "newer",
                                     QCryptographicHash::hash("new", QCryptographicHash::Sha1)),
              CheckedWrite::Done);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(dir.read(QStringLiteral("real/settings.plist")), "newer");
}

TEST(AtomicFile, CheckedWritesLeaveAFileChangedMeanwhile) {
    testsupport::TempDir dir;
    const QString path = dir.file(QStringLiteral("a.ics"));
    auto sha1 = [](const QByteArray& b) {
        return QCryptographicHash::hash(b, QCryptographicHash::Sha1);
    };
    ASSERT_TRUE(writeFileAtomically(path, "read"));
    struct Case {
        const char* name;
        bool remove;
        QByteArray foreign;  // written by another program in the window; empty: none
        CheckedWrite expected;
        QByteArray after;
    };
    const Case cases[] = {
        {"replace, untouched", false, {}, CheckedWrite::Done, "mine"},
        {"replace, changed in the window", false, "theirs", CheckedWrite::Conflict, "theirs"},
        {"remove, untouched", true, {}, CheckedWrite::Done, {}},
        {"remove, changed in the window", true, "theirs", CheckedWrite::Conflict, "theirs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeFileAtomically(path, "read"));
        testhooks::setBeforeReplaceHook([&](const QString& target) {
            if (!c.foreign.isEmpty()) ASSERT_TRUE(writeFileAtomically(target, c.foreign));
        });
        const CheckedWrite result = c.remove ? removeFileIfUnchanged(path, sha1("read"))
                                             : replaceFileIfUnchanged(path, "mine", sha1("read"));
        testhooks::setBeforeReplaceHook({});
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(QFileInfo::exists(path), !c.after.isEmpty());
        if (!c.after.isEmpty()) EXPECT_EQ(dir.read(QStringLiteral("a.ics")), c.after);
        // Nothing is left beside it.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                  c.after.isEmpty() ? 0 : 1);
    }
    // A file changed before the write starts, and a new file over one that appeared.
    ASSERT_TRUE(writeFileAtomically(path, "theirs"));
    EXPECT_EQ(replaceFileIfUnchanged(path, "mine", sha1("read")), CheckedWrite::Conflict);
    EXPECT_EQ(replaceFileIfUnchanged(path, "mine", QByteArray()), CheckedWrite::Conflict);
    EXPECT_EQ(dir.read(QStringLiteral("a.ics")), "theirs");
}

TEST(AtomicFile, ClearsOnlyStaleTemporaryFilesOfItsOwn) {
    testsupport::TempDir dir;
    const QStringList names = {QStringLiteral(".a.ics.tmp-Ab12Cd"), QStringLiteral(".a.ics.tmp-x"),
                               QStringLiteral("a.ics.tmp-Ab12Cd"),
                               QStringLiteral(".a.ics.conflict-Ab12Cd")};
    for (const QString& n : names) ASSERT_TRUE(dir.write(n, "x"));
    EXPECT_EQ(removeStaleTemporaryFiles(dir.path(), 3600), 0);  // all fresh
    EXPECT_EQ(removeStaleTemporaryFiles(dir.path(), -1), 1);
    EXPECT_FALSE(QFileInfo::exists(dir.file(names[0])));
    for (int i = 1; i < names.size(); ++i) EXPECT_TRUE(QFileInfo::exists(dir.file(names[i])));
}
