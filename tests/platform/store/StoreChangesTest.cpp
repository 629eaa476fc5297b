// Changes that other programs make under the store's root: each reported once,
// with the right lists, on the main thread; the store's own writes never.
#include "StoreTestSupport.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

using namespace calstore;
using namespace storetest;

namespace {

// Every change notification the store posts, as "name: +inserted ~updated -deleted".
class Recorder {
public:
    explicit Recorder(const StorePtr& store) {
        for (const QString& name : {Store::calendarsChangedExternallyNotification,
                                    Store::eventsChangedExternallyNotification,
                                    Store::tasksChangedExternallyNotification})
            foundation::NotificationCenter::defaultCenter().addObserver(
                this, name, store.get(), [this](const foundation::Notification& n) {
                    EXPECT_TRUE(foundation::isMainThread());
                    QString line = n.name == Store::calendarsChangedExternallyNotification
                                       ? QStringLiteral("calendars:")
                                   : n.name == Store::eventsChangedExternallyNotification
                                       ? QStringLiteral("events:")
                                       : QStringLiteral("tasks:");
                    for (const auto& [key, sign] : {std::pair{Store::insertedRecordsKey, '+'},
                                                    std::pair{Store::updatedRecordsKey, '~'},
                                                    std::pair{Store::deletedRecordsKey, '-'}}) {
                        EXPECT_TRUE(n.userInfo.contains(key));  // present even when empty
                        for (const QString& uid : n.userInfo.value(key).toStringList())
                            line += QStringLiteral(" ") + QLatin1Char(sign) + uid;
                    }
                    lines << line;
                });
    }
    ~Recorder() { foundation::NotificationCenter::defaultCenter().removeObserver(this); }
    QStringList take() {
        QStringList out = lines;
        lines.clear();
        return out;
    }
    QStringList lines;
};

QByteArray simple(const QString& uid, const QString& title) {
    return eventFile(
        uid, {QStringLiteral("DTSTART:20240301T100000"), QStringLiteral("SUMMARY:") + title});
}

}  // namespace

class StoreChanges : public BerlinTest {};

TEST_F(StoreChanges, EachOutsideChangeIsReportedOnceWithItsLists) {
    struct Step {
        const char* name;
        std::function<void(StoreDir&, const StorePtr&)> change;
        QStringList expected;
    };
    const std::vector<Step> steps = {
        {"a file added",
         [](StoreDir& d, const StorePtr&) {
             d.write(QStringLiteral("home"), QStringLiteral("n.ics"),
                     simple(QStringLiteral("new"), QStringLiteral("New")));
         },
         {"events: +new"}},
        {"a file changed in place",
         [](StoreDir& d, const StorePtr&) {
             d.write(QStringLiteral("home"), QStringLiteral("n.ics"),
                     simple(QStringLiteral("new"), QStringLiteral("Newer")));
         },
         {"events: ~new"}},
        {"a file touched without a change",
         [](StoreDir& d, const StorePtr&) {
             const QString path = d.path(QStringLiteral("home/n.ics"));
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.setFileTime(QDateTime::currentDateTimeUtc().addSecs(60),
                           QFileDevice::FileModificationTime);
         },
         {}},
        {"a file renamed by a sync tool",
         [](StoreDir& d, const StorePtr&) {
             QFile::rename(d.path(QStringLiteral("home/n.ics")),
                           d.path(QStringLiteral("home/renamed.ics")));
         },
         {}},
        {"a file moved to another calendar",
         [](StoreDir& d, const StorePtr&) {
             QFile::rename(d.path(QStringLiteral("home/renamed.ics")),
                           d.path(QStringLiteral("work/n.ics")));
         },
         {"events: ~new"}},
        {"a file removed, another added, a third made unreadable",
         [](StoreDir& d, const StorePtr&) {
             QFile::remove(d.path(QStringLiteral("work/n.ics")));
             d.write(QStringLiteral("work"), QStringLiteral("o.ics"),
                     simple(QStringLiteral("other"), QStringLiteral("Other")));
             d.write(QStringLiteral("home"), QStringLiteral("a.ics"), "garbage");
         },
         {"events: +other -a -new"}},
        {"a calendar folder added with an event",
         [](StoreDir& d, const StorePtr&) {
             d.addCalendar(QStringLiteral("club"), QStringLiteral("Club"));
             d.write(QStringLiteral("club"), QStringLiteral("m.ics"),
                     simple(QStringLiteral("match"), QStringLiteral("Match")));
         },
         {"calendars: +club", "events: +match"}},
        {"a calendar renamed and another removed",
         [](StoreDir& d, const StorePtr&) {
             d.write(QStringLiteral("club"), QStringLiteral("displayname"), "Sports club");
             QDir(d.path(QStringLiteral("work"))).removeRecursively();
         },
         {"calendars: ~club -work", "events: -other"}},
        {"the store's own writes",
         [](StoreDir&, const StorePtr& s) {
             auto e = s->eventWithUIDOccurrence(QStringLiteral("match"), {});
             e->setTitle(QStringLiteral("Final"));
             ASSERT_TRUE(s->saveEvent(e, Span::AllEvents));
             auto fresh = Event::event();
             fresh->setCalendar(s->calendarWithUID(QStringLiteral("home")));
             fresh->setStartDate(QDateTime(QDate(2024, 3, 2), QTime(9, 0), Qt::UTC));
             fresh->setEndDate(QDateTime(QDate(2024, 3, 2), QTime(10, 0), Qt::UTC));
             ASSERT_TRUE(s->saveEvent(fresh, Span::AllEvents));
             ASSERT_TRUE(s->removeEvent(fresh, Span::AllEvents));
             auto club = s->calendarWithUID(QStringLiteral("club"));
             club->setColor(QColor(Qt::red));
             ASSERT_TRUE(s->saveCalendar(club));
             auto more = Calendar::calendar();
             more->setTitle(QStringLiteral("More"));
             ASSERT_TRUE(s->saveCalendar(more));
             ASSERT_TRUE(s->removeCalendar(more));
         },
         {}},
        {"the unreadable file repaired",
         [](StoreDir& d, const StorePtr&) {
             d.write(QStringLiteral("home"), QStringLiteral("a.ics"),
                     simple(QStringLiteral("a"), QStringLiteral("A again")));
         },
         {"events: +a"}},
    };
    StoreDir dir;
    dir.addCalendar(QStringLiteral("home"));
    dir.addCalendar(QStringLiteral("work"));
    dir.write(QStringLiteral("home"), QStringLiteral("a.ics"),
              simple(QStringLiteral("a"), QStringLiteral("A")));
    foundation::LogCapture log;
    const auto store = dir.open();
    Recorder recorder(store);
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.change(dir, store);
        store->rescan();
        EXPECT_EQ(recorder.take().join(QLatin1Char('\n')).toStdString(),
                  step.expected.join(QLatin1Char('\n')).toStdString());
        // Nothing is reported twice.
        EXPECT_FALSE(store->rescan());
        EXPECT_TRUE(recorder.take().isEmpty());
    }
    // The index followed every step.
    const auto events = query(store, berlin(2024, 1, 1), berlin(2025, 1, 1));
    QStringList titles;
    for (const auto& e : events) titles << e->title() + QLatin1Char('@') + e->calendar()->title();
    titles.sort();
    EXPECT_EQ(titles.join(QLatin1Char(',')), QStringLiteral("A again@home,Final@Sports club"));
}

TEST_F(StoreChanges, TheWatchedStoreReportsOtherProgramsOnTheMainThread) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("home"));
    const auto store = dir.open();
    Recorder recorder(store);
    store->startWatching();
    // Settled: the first look after watching finds nothing.
    testsupport::waitUntil([] { return false; }, 0.4);
    EXPECT_TRUE(recorder.take().isEmpty());

    // The store's own writes, even with the watcher running, are not reported.
    auto own = Event::event();
    own->setCalendar(store->calendarWithUID(QStringLiteral("home")));
    own->setStartDate(berlin(2024, 3, 2, 9));
    own->setEndDate(berlin(2024, 3, 2, 10));
    ASSERT_TRUE(store->saveEvent(own, Span::AllEvents));
    testsupport::waitUntil([] { return false; }, 0.6);
    EXPECT_TRUE(recorder.take().isEmpty());

    // Another program's file arrives the way sync tools write: renamed into place.
    dir.write(QStringLiteral("home"), QStringLiteral(".x.tmp"),
              simple(QStringLiteral("theirs"), QStringLiteral("Theirs")));
    QFile::rename(dir.path(QStringLiteral("home/.x.tmp")), dir.path(QStringLiteral("home/x.ics")));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !recorder.lines.isEmpty(); }));
    testsupport::waitUntil([] { return false; }, 0.4);
    EXPECT_EQ(recorder.take(), QStringList{QStringLiteral("events: +theirs")});
    EXPECT_TRUE(store->eventWithUIDOccurrence(QStringLiteral("theirs"), {}));
}
