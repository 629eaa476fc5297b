#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/CloudStore.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Threads.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using foundation::CloudStore;
using foundation::LogCapture;
using foundation::NotificationCenter;
using foundation::PropertyList;

namespace {

// Counts the store's change notifications for as long as it exists.
class ChangeCounter final {
public:
    explicit ChangeCounter(const CloudStore* store) {
        token_ = NotificationCenter::defaultCenter().addObserver(
            this, CloudStore::didChangeExternallyNotification, store,
            [this](const foundation::Notification& n) {
                ++count;
                if (!foundation::isMainThread()) offMain = true;
                lastChangedKeys = n.userInfo.value(CloudStore::changedKeysKey).toStringList();
            });
    }
    ~ChangeCounter() { NotificationCenter::defaultCenter().removeObserver(token_); }

    std::atomic<int> count{0};
    std::atomic<bool> offMain{false};
    QStringList lastChangedKeys;

private:
    NotificationCenter::Token token_ = 0;
};

// Lets the watcher see whatever happened; long enough for any late report.
void settle() {
    testsupport::waitUntil([] { return false; }, 0.6);
}

QByteArray xmlOf(const QVariantMap& values) {
    return PropertyList::toXml(values);
}

}  // namespace

TEST(CloudStore, WrittenValuesReadBackInAFreshStore) {
    testsupport::TempDir dir;
    {
        CloudStore store(dir.path());
        EXPECT_EQ(store.path(), dir.file(CloudStore::fileName));
        EXPECT_TRUE(store.dictionaryRepresentation().isEmpty());
        EXPECT_TRUE(store.synchronize());  // nothing to write
        EXPECT_FALSE(QFile::exists(store.path()));

        store.setObject(QStringLiteral("Application Version"), QStringLiteral("1.2"));
        store.setObject(
            QStringLiteral("AppPref Calendars"),
            QVariantMap{{QStringLiteral("uid-1"), QVariantMap{{QStringLiteral("Order"), 3},
                                                              {QStringLiteral("Visible"), true}}}});
        store.setObject(QStringLiteral("Gone"), 1);
        store.removeObject(QStringLiteral("Gone"));
        EXPECT_FALSE(store.objectForKey(QStringLiteral("Gone")).isValid());
        ASSERT_TRUE(store.synchronize());
    }
    CloudStore again(dir.path());
    const QVariantMap expected{
        {QStringLiteral("Application Version"), QStringLiteral("1.2")},
        {QStringLiteral("AppPref Calendars"),
         QVariantMap{{QStringLiteral("uid-1"), QVariantMap{{QStringLiteral("Order"), qint64(3)},
                                                           {QStringLiteral("Visible"), true}}}}},
    };
    EXPECT_TRUE(PropertyList::identical(again.dictionaryRepresentation(), expected));

    again.removeObject(QStringLiteral("Application Version"));
    ASSERT_TRUE(again.synchronize());
    EXPECT_FALSE(
        CloudStore(dir.path()).objectForKey(QStringLiteral("Application Version")).isValid());
}

TEST(CloudStore, OutsideChangesAreReportedOnceAndOwnWritesNot) {
    testsupport::TempDir dir;
    CloudStore store(dir.path());
    ChangeCounter changes(&store);

    // The store's own writes, creating and then replacing the file.
    store.setObject(QStringLiteral("a"), 1);
    ASSERT_TRUE(store.synchronize());
    store.setObject(QStringLiteral("a"), 2);
    ASSERT_TRUE(store.synchronize());
    settle();
    EXPECT_EQ(changes.count, 0);

    // Another program replaces the file, as sync tools do.
    ASSERT_TRUE(foundation::writeFileAtomically(
        store.path(),
        xmlOf({{QStringLiteral("a"), 2}, {QStringLiteral("b"), QStringLiteral("new")}})));
    ASSERT_TRUE(testsupport::waitUntil([&] { return changes.count > 0; }));
    settle();
    EXPECT_EQ(changes.count, 1);
    EXPECT_FALSE(changes.offMain);
    EXPECT_EQ(changes.lastChangedKeys, QStringList{QStringLiteral("b")});
    EXPECT_EQ(store.objectForKey(QStringLiteral("b")).toString(), QStringLiteral("new"));

    // …or writes into it in place.
    ASSERT_TRUE(dir.write(CloudStore::fileName, xmlOf({{QStringLiteral("a"), 3}})));
    ASSERT_TRUE(testsupport::waitUntil([&] { return changes.count > 1; }));
    settle();
    EXPECT_EQ(changes.count, 2);
    EXPECT_EQ(changes.lastChangedKeys, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(store.dictionaryRepresentation(), (QVariantMap{{QStringLiteral("a"), qint64(3)}}));

    // A rewrite with the same values changes nothing and is not reported.
    ASSERT_TRUE(dir.write(CloudStore::fileName,
                          "<plist><dict><key>a</key><integer>3</integer>"
                          "</dict></plist>"));
    settle();
    EXPECT_EQ(changes.count, 2);

    // Still watching after all the replacing.
    store.setObject(QStringLiteral("c"), true);
    ASSERT_TRUE(store.synchronize());
    ASSERT_TRUE(dir.write(CloudStore::fileName, xmlOf({{QStringLiteral("d"), 4}})));
    ASSERT_TRUE(testsupport::waitUntil([&] { return changes.count > 2; }));
}

TEST(CloudStore, UnsavedValuesSurviveAnOutsideChange) {
    testsupport::TempDir dir;
    ASSERT_TRUE(dir.write(CloudStore::fileName,
                          xmlOf({{QStringLiteral("shared"), 1}, {QStringLiteral("old"), 1}})));
    CloudStore store(dir.path());
    ChangeCounter changes(&store);
    store.setObject(QStringLiteral("mine"), QStringLiteral("unsaved"));
    store.removeObject(QStringLiteral("old"));

    ASSERT_TRUE(foundation::writeFileAtomically(
        store.path(), xmlOf({{QStringLiteral("shared"), 2}, {QStringLiteral("old"), 1}})));
    ASSERT_TRUE(testsupport::waitUntil([&] { return changes.count > 0; }));
    EXPECT_EQ(changes.lastChangedKeys, QStringList{QStringLiteral("shared")});
    const QVariantMap expected{{QStringLiteral("shared"), qint64(2)},
                               {QStringLiteral("mine"), QStringLiteral("unsaved")}};
    EXPECT_EQ(store.dictionaryRepresentation(), expected);
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(PropertyList::readFile(store.path()).toMap(), expected);
}

TEST(CloudStore, ChangeTakenInByABackgroundSynchronizeIsReportedOnTheMainThread) {
    testsupport::TempDir dir;
    CloudStore store(dir.path());
    ChangeCounter changes(&store);
    store.setObject(QStringLiteral("mine"), 1);
    ASSERT_TRUE(
        foundation::writeFileAtomically(store.path(), xmlOf({{QStringLiteral("theirs"), 2}})));
    // The background write comes before the main thread looks at the folder
    // again, so it takes the outside change in itself.
    std::atomic<bool> done{false}, ok{false};
    std::thread job([&] {
        ok = store.synchronize();
        done = true;
    });
    job.join();
    EXPECT_TRUE(ok);
    ASSERT_TRUE(testsupport::waitUntil([&] { return changes.count > 0; }));
    settle();
    EXPECT_EQ(changes.count, 1);
    EXPECT_FALSE(changes.offMain);
    EXPECT_EQ(
        PropertyList::readFile(store.path()).toMap(),
        (QVariantMap{{QStringLiteral("mine"), qint64(1)}, {QStringLiteral("theirs"), qint64(2)}}));
}

TEST(CloudStore, UnreadableFileIsIgnoredThenMovedAsideBeforeTheFirstWrite) {
    testsupport::TempDir dir;
    const QByteArray garbage = "not a property list at all";
    ASSERT_TRUE(dir.write(CloudStore::fileName, garbage));
    LogCapture logs;
    CloudStore store(dir.path());
    ChangeCounter changes(&store);
    EXPECT_TRUE(store.dictionaryRepresentation().isEmpty());
    EXPECT_EQ(logs.count(QStringLiteral("WARNING: ")), 1);
    settle();
    EXPECT_EQ(dir.read(CloudStore::fileName), garbage);  // untouched while only read

    store.setObject(QStringLiteral("a"), 1);
    ASSERT_TRUE(store.synchronize());
    const QStringList aside =
        QDir(dir.path())
            .entryList({CloudStore::fileName + QStringLiteral(".unreadable-*")}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(dir.read(aside.first()), garbage);
    EXPECT_EQ(PropertyList::readFile(store.path()).toMap(),
              (QVariantMap{{QStringLiteral("a"), qint64(1)}}));

    // A damaged file arriving from outside keeps the values and reports nothing;
    // the repaired file is then taken in.
    logs.clear();
    ASSERT_TRUE(dir.write(CloudStore::fileName, "<plist><dict><key>a</key>"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return logs.contains(QStringLiteral("WARNING: ")); }));
    EXPECT_EQ(store.objectForKey(QStringLiteral("a")).toLongLong(), 1);
    EXPECT_EQ(changes.count, 0);
    ASSERT_TRUE(dir.write(CloudStore::fileName, xmlOf({{QStringLiteral("a"), 5}})));
    ASSERT_TRUE(testsupport::waitUntil([&] { return changes.count > 0; }));
    EXPECT_EQ(store.objectForKey(QStringLiteral("a")).toLongLong(), 5);
}

TEST(CloudStore, DefaultStoreLivesInItsFolderOrIsMissing) {
    testsupport::TempDir dir;
    {
        testsupport::ScopedEnv folder("ZOLT_CLOUD_DIR", dir.file(QStringLiteral("sync/zolt")));
        CloudStore::resetDefaultStore();
        CloudStore* store = CloudStore::defaultStore();
        ASSERT_NE(store, nullptr);
        EXPECT_EQ(store, CloudStore::defaultStore());
        EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral("sync/zolt"))).isDir());
        EXPECT_EQ(store->path(), dir.file(QStringLiteral("sync/zolt/ZoltCloud.plist")));
    }
    {
        ASSERT_TRUE(dir.write(QStringLiteral("plain-file"), "x"));
        testsupport::ScopedEnv folder("ZOLT_CLOUD_DIR",
                                      dir.file(QStringLiteral("plain-file/cloud")));
        CloudStore::resetDefaultStore();
        LogCapture logs;
        EXPECT_EQ(CloudStore::defaultStore(), nullptr);
        EXPECT_TRUE(logs.contains(QStringLiteral("WARNING: ")));
    }
    {
        testsupport::ScopedEnv none("ZOLT_CLOUD_DIR", QString());
        testsupport::ScopedEnv data("XDG_DATA_HOME", QStringLiteral("/x/data"));
        EXPECT_EQ(CloudStore::defaultFolder(), QStringLiteral("/x/data/zolt/cloud"));
        testsupport::ScopedEnv noData("XDG_DATA_HOME", QString());
        EXPECT_EQ(CloudStore::defaultFolder(),
                  QDir::homePath() + QStringLiteral("/.local/share/zolt/cloud"));
    }
    CloudStore::resetDefaultStore();
}
