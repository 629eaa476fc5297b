// The store's writes against other programs writing the same vdir: each fault
// of losing an edit, with the other program's write made before a save, during
// it (in the window between the check and the replacement, and from a thread
// racing the saves) and after it.
#include "StoreTestSupport.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Log.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace calstore;
using namespace storetest;

namespace {

QStringList eventLines(const QString& uid, const QString& title, const QString& day = "20240305") {
    return vevent(uid, {QStringLiteral("DTSTART;TZID=Europe/Berlin:%1T100000").arg(day),
                        QStringLiteral("DTEND;TZID=Europe/Berlin:%1T110000").arg(day),
                        QStringLiteral("SUMMARY:") + title});
}

// Another program writing a file the way vdir tools do (a new file renamed over it).
void otherProgramWrites(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(foundation::writeFileAtomically(path, bytes));
}

// Another program rewriting a file in place, keeping its size and modification time.
void otherProgramRewritesInPlace(const QString& path, const QByteArray& bytes) {
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    ASSERT_EQ(qint64(st.st_size), bytes.size());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.write(bytes);
    f.close();
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

struct Fixture {
    Fixture() {
        dir.addCalendar(QStringLiteral("home"), QStringLiteral("Home"));
        dir.addCalendar(QStringLiteral("work"), QStringLiteral("Work"));
        dir.write(QStringLiteral("home"), QStringLiteral("a.ics"),
                  calendarText(eventLines(QStringLiteral("a"), QStringLiteral("Dentist"))));
        // Eight weekly occurrences from Monday 1 January, the first two excluded.
        dir.write(QStringLiteral("home"), QStringLiteral("s.ics"),
                  eventFile(QStringLiteral("s"),
                            {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240101T100000"),
                             QStringLiteral("DTEND;TZID=Europe/Berlin:20240101T110000"),
                             QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=8"),
                             QStringLiteral("EXDATE;TZID=Europe/Berlin:20240101T100000,"
                                            "20240108T100000"),
                             QStringLiteral("SUMMARY:Weekly")}));
        store = dir.open();
    }
    ~Fixture() { foundation::testhooks::setBeforeReplaceHook({}); }

    QString path(const QString& file) const { return dir.path(file); }
    EventPtr event(const QString& uid, const StorePtr& s = nullptr) const {
        return (s ? s : store)->eventWithUIDOccurrence(uid, QDateTime());
    }
    // What a store opened anew lists: "uid|start|calendar|title" for every occurrence.
    QStringList reopened() const {
        QStringList out;
        const auto fresh = dir.open();
        for (const auto& e : query(fresh, BerlinAt(2023, 1, 1), BerlinAt(2026, 1, 1)))
            out << e->uid().left(1) + QLatin1Char('|') + inZone(e->startDate()) + QLatin1Char('|') +
                       e->calendar()->uid() + QLatin1Char('|') + e->title();
        return out;
    }
    // The occurrence of `uid` starting on that day at 10:00 in Berlin.
    EventPtr occurrenceOn(const QString& uid, int month, int day) const {
        for (const auto& e :
             query(store, BerlinAt(2024, month, day), BerlinAt(2024, month, day + 1), uid))
            return e;
        return nullptr;
    }
    // Every file under the store's root that is not one of its own folders' items.
    QStringList leftovers() const {
        QStringList out;
        QDirIterator it(dir.dir.path(),
                        QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString name = QFileInfo(it.next()).fileName();
            if (name.startsWith(QLatin1Char('.'))) out << name;
        }
        return out;
    }
    static QDateTime BerlinAt(int y, int m, int d, int h = 0, int mi = 0) {
        return QDateTime(QDate(y, m, d), QTime(h, mi), QTimeZone("Europe/Berlin"));
    }

    foundation::LogCapture log;
    StoreDir dir;
    StorePtr store;
};

// Runs `during` in the window of every checked write of the store (after the
// check, before the replacement), once.
void inTheWindow(std::function<void()> during) {
    auto once = std::make_shared<std::atomic<bool>>(false);
    foundation::testhooks::setBeforeReplaceHook([once, during](const QString&) {
        if (!once->exchange(true)) during();
    });
}

class StoreConflicts : public BerlinTest {};

}  // namespace

TEST_F(StoreConflicts, ConformanceTable) {
    const QByteArray theirs =
        calendarText(eventLines(QStringLiteral("a"), QStringLiteral("Theirs")));
    struct Case {
        const char* fault;
        const char* when;
        std::function<void(Fixture&)> run;
    };
    const std::vector<Case> cases = {
        {"lost update", "before, taken in by a rescan",
         [&](Fixture& f) {
             auto copy = f.event(QStringLiteral("a"));
             otherProgramWrites(f.path(QStringLiteral("home/a.ics")), theirs);
             f.store->rescan();
             copy->setLocation(QStringLiteral("Room 2"));
             QString error;
             EXPECT_FALSE(f.store->saveEvent(copy, Span::ThisEvent, &error));
             EXPECT_TRUE(error.contains(QStringLiteral("reload"))) << error.toStdString();
             EXPECT_EQ(f.event(QStringLiteral("a"))->title(), QStringLiteral("Theirs"));
             EXPECT_TRUE(
                 f.reopened().contains(QStringLiteral("a|2024-03-05 10:00:00|home|Theirs")));
         }},
        {"lost update", "before, not yet seen",
         [&](Fixture& f) {
             auto copy = f.event(QStringLiteral("a"));
             otherProgramWrites(f.path(QStringLiteral("home/a.ics")), theirs);
             copy->setTitle(QStringLiteral("Mine"));
             EXPECT_FALSE(f.store->saveEvent(copy, Span::ThisEvent));
             EXPECT_FALSE(f.store->removeEvent(copy, Span::ThisEvent));
             EXPECT_TRUE(
                 f.reopened().contains(QStringLiteral("a|2024-03-05 10:00:00|home|Theirs")));
         }},
        {"lost update of a task", "before, taken in by a rescan",
         [&](Fixture& f) {
             auto todo = [](const QString& title) {
                 return calendarText({QStringLiteral("BEGIN:VTODO"), QStringLiteral("UID:t"),
                                      QStringLiteral("DTSTAMP:20240101T000000Z"),
                                      QStringLiteral("SUMMARY:") + title,
                                      QStringLiteral("END:VTODO")});
             };
             f.dir.write(QStringLiteral("todo"), QStringLiteral("t.ics"),
                         todo(QStringLiteral("Buy")));
             auto s = f.dir.open();
             auto copy = s->taskWithUID(QStringLiteral("t"));
             ASSERT_TRUE(copy);
             otherProgramWrites(f.path(QStringLiteral("todo/t.ics")), todo(QStringLiteral("Sell")));
             s->rescan();
             copy->setPriority(3);
             EXPECT_FALSE(s->saveTask(copy));
             EXPECT_FALSE(s->removeTask(copy));
             EXPECT_EQ(s->taskWithUID(QStringLiteral("t"))->title(), QStringLiteral("Sell"));
             auto fresh = s->taskWithUID(QStringLiteral("t"));
             fresh->setPriority(3);
             EXPECT_TRUE(s->saveTask(fresh));
             fresh->setPriority(4);
             EXPECT_TRUE(s->saveTask(fresh));  // the saved copy stands for what it saved
         }},
        {"check-then-rename window", "during",
         [&](Fixture& f) {
             auto copy = f.event(QStringLiteral("a"));
             copy->setTitle(QStringLiteral("Mine"));
             inTheWindow([&] { otherProgramWrites(f.path(QStringLiteral("home/a.ics")), theirs); });
             EXPECT_FALSE(f.store->saveEvent(copy, Span::ThisEvent));
             EXPECT_EQ(f.dir.textOf(QStringLiteral("home"), QStringLiteral("a")), theirs);
             EXPECT_TRUE(f.leftovers().isEmpty()) << f.leftovers().join(' ').toStdString();
         }},
        {"check-then-rename window", "during a removal",
         [&](Fixture& f) {
             auto copy = f.event(QStringLiteral("a"));
             inTheWindow([&] { otherProgramWrites(f.path(QStringLiteral("home/a.ics")), theirs); });
             EXPECT_FALSE(f.store->removeEvent(copy, Span::ThisEvent));
             EXPECT_EQ(f.dir.textOf(QStringLiteral("home"), QStringLiteral("a")), theirs);
         }},
        {"lost update", "after",
         [&](Fixture& f) {
             auto copy = f.event(QStringLiteral("a"));
             copy->setTitle(QStringLiteral("Mine"));
             ASSERT_TRUE(f.store->saveEvent(copy, Span::ThisEvent));
             // The copy now stands for what was saved: it saves again.
             copy->setTitle(QStringLiteral("Mine again"));
             ASSERT_TRUE(f.store->saveEvent(copy, Span::ThisEvent));
             otherProgramWrites(f.path(QStringLiteral("home/a.ics")), theirs);
             EXPECT_TRUE(f.store->rescan());
             EXPECT_EQ(f.event(QStringLiteral("a"))->title(), QStringLiteral("Theirs"));
             copy->setTitle(QStringLiteral("Mine once more"));
             EXPECT_FALSE(f.store->saveEvent(copy, Span::ThisEvent));
         }},
        {"rewritten in place", "before, taken in by a rescan",
         [&](Fixture& f) {
             const QString file = f.path(QStringLiteral("home/a.ics"));
             QByteArray same = f.dir.dir.read(QStringLiteral("home/a.ics"));
             same.replace("Dentist", "Dentust");
             otherProgramRewritesInPlace(file, same);
             EXPECT_TRUE(f.store->rescan());
             EXPECT_EQ(f.event(QStringLiteral("a"))->title(), QStringLiteral("Dentust"));
         }},
        {"rewritten in place", "before, not yet seen",
         [&](Fixture& f) {
             auto copy = f.event(QStringLiteral("a"));
             QByteArray same = f.dir.dir.read(QStringLiteral("home/a.ics"));
             same.replace("Dentist", "Dentust");
             otherProgramRewritesInPlace(f.path(QStringLiteral("home/a.ics")), same);
             copy->setLocation(QStringLiteral("Room 2"));
             EXPECT_FALSE(f.store->saveEvent(copy, Span::ThisEvent));
             EXPECT_EQ(f.dir.dir.read(QStringLiteral("home/a.ics")), same);
         }},
        {"rewritten in place", "during",
         [&](Fixture& f) {
             auto copy = f.event(QStringLiteral("a"));
             QByteArray same = f.dir.dir.read(QStringLiteral("home/a.ics"));
             same.replace("Dentist", "Dentust");
             copy->setLocation(QStringLiteral("Room 2"));
             inTheWindow(
                 [&] { otherProgramRewritesInPlace(f.path(QStringLiteral("home/a.ics")), same); });
             EXPECT_FALSE(f.store->saveEvent(copy, Span::ThisEvent));
             EXPECT_EQ(f.dir.dir.read(QStringLiteral("home/a.ics")), same);
         }},
        {"this and future after excluded firsts", "removal",
         [&](Fixture& f) {
             auto fourth = f.occurrenceOn(QStringLiteral("s"), 1, 22);
             ASSERT_TRUE(fourth);
             ASSERT_TRUE(f.store->removeEvent(fourth, Span::FutureEvents));
             EXPECT_EQ(f.reopened().filter(QStringLiteral("s|")),
                       QStringList{QStringLiteral("s|2024-01-15 10:00:00|home|Weekly")});
         }},
        {"this and future after excluded firsts", "save",
         [&](Fixture& f) {
             auto fourth = f.occurrenceOn(QStringLiteral("s"), 1, 22);
             ASSERT_TRUE(fourth);
             fourth->setTitle(QStringLiteral("Later"));
             ASSERT_TRUE(f.store->saveEvent(fourth, Span::FutureEvents));
             QStringList titles;
             for (const QString& line : f.reopened())
                 if (!line.startsWith(QStringLiteral("a|"))) titles << line.section('|', 1);
             EXPECT_EQ(titles.size(), 6);
             EXPECT_EQ(titles.removeDuplicates(), 0);
             const QStringList all = f.reopened();
             EXPECT_TRUE(all.contains(QStringLiteral("s|2024-01-15 10:00:00|home|Weekly")));
             EXPECT_EQ(all.filter(QStringLiteral("|Later")).size(), 5);
         }},
        {"this and future, first of the series", "widens to the series",
         [&](Fixture& f) {
             auto third = f.occurrenceOn(QStringLiteral("s"), 1, 15);
             ASSERT_TRUE(third);
             ASSERT_TRUE(f.store->removeEvent(third, Span::FutureEvents));
             EXPECT_TRUE(f.reopened().filter(QStringLiteral("s|")).isEmpty());
         }},
        {"two-file write", "during a move: the old file changed",
         [&](Fixture& f) {
             auto copy = f.event(QStringLiteral("a"));
             copy->setCalendar(f.store->calendarWithUID(QStringLiteral("work")));
             int calls = 0;
             foundation::testhooks::setBeforeReplaceHook([&](const QString& target) {
                 if (++calls == 2) otherProgramWrites(target, theirs);
             });
             EXPECT_FALSE(f.store->saveEvent(copy, Span::ThisEvent));
             foundation::testhooks::setBeforeReplaceHook({});
             // Neither half of the move stays: their version in its place, nothing doubled.
             EXPECT_EQ(f.reopened().filter(QStringLiteral("a|")),
                       QStringList{QStringLiteral("a|2024-03-05 10:00:00|home|Theirs")});
             EXPECT_TRUE(f.leftovers().isEmpty()) << f.leftovers().join(' ').toStdString();
         }},
        {"symlinked file", "before",
         [&](Fixture& f) {
             f.dir.dir.write(QStringLiteral("elsewhere/a.ics"),
                             f.dir.dir.read(QStringLiteral("home/a.ics")));
             QFile::remove(f.path(QStringLiteral("home/a.ics")));
             ASSERT_TRUE(QFile::link(f.path(QStringLiteral("elsewhere/a.ics")),
                                     f.path(QStringLiteral("home/a.ics"))));
             auto s = f.dir.open();
             auto copy = f.event(QStringLiteral("a"), s);
             ASSERT_TRUE(copy);
             copy->setTitle(QStringLiteral("Mine"));
             ASSERT_TRUE(s->saveEvent(copy, Span::ThisEvent));
             EXPECT_TRUE(QFileInfo(f.path(QStringLiteral("home/a.ics"))).isSymLink());
             EXPECT_TRUE(
                 f.dir.dir.read(QStringLiteral("elsewhere/a.ics")).contains("SUMMARY:Mine"));
             EXPECT_TRUE(f.reopened().contains(QStringLiteral("a|2024-03-05 10:00:00|home|Mine")));
         }},
        {"calendar metadata", "before",
         [&](Fixture& f) {
             auto calendar = f.store->calendarWithUID(QStringLiteral("home"));
             otherProgramWrites(f.path(QStringLiteral("home/displayname")), "Their title");
             calendar->setTitle(QStringLiteral("My title"));
             calendar->setColor(QColor(Qt::red));
             EXPECT_FALSE(f.store->saveCalendar(calendar));
             EXPECT_EQ(f.dir.dir.read(QStringLiteral("home/displayname")), "Their title");
             // All or nothing: the colour did not go in alone.
             EXPECT_FALSE(QFileInfo::exists(f.path(QStringLiteral("home/color"))));
         }},
        {"calendar metadata", "during",
         [&](Fixture& f) {
             auto calendar = f.store->calendarWithUID(QStringLiteral("home"));
             calendar->setTitle(QStringLiteral("My title"));
             calendar->setColor(QColor(Qt::red));
             inTheWindow([&] {
                 otherProgramWrites(f.path(QStringLiteral("home/displayname")), "Their title");
             });
             EXPECT_FALSE(f.store->saveCalendar(calendar));
             EXPECT_EQ(f.dir.dir.read(QStringLiteral("home/displayname")), "Their title");
             // All or nothing: the colour did not go in alone.
             EXPECT_FALSE(QFileInfo::exists(f.path(QStringLiteral("home/color"))));
         }},
        {"calendar metadata", "after",
         [&](Fixture& f) {
             auto calendar = f.store->calendarWithUID(QStringLiteral("home"));
             calendar->setTitle(QStringLiteral("My title"));
             ASSERT_TRUE(f.store->saveCalendar(calendar));
             otherProgramWrites(f.path(QStringLiteral("home/displayname")), "Their title");
             EXPECT_TRUE(f.store->rescan());
             EXPECT_EQ(f.store->calendarWithUID(QStringLiteral("home"))->title(),
                       QStringLiteral("Their title"));
             // A change of another file leaves their title alone.
             calendar = f.store->calendarWithUID(QStringLiteral("home"));
             calendar->setColor(QColor(Qt::blue));
             ASSERT_TRUE(f.store->saveCalendar(calendar));
             EXPECT_EQ(f.dir.dir.read(QStringLiteral("home/displayname")), "Their title");
         }},
        {"calendar removal", "whole folder at once",
         [&](Fixture& f) {
             ASSERT_TRUE(f.store->removeCalendar(f.store->calendarWithUID(QStringLiteral("home"))));
             EXPECT_FALSE(QFileInfo::exists(f.path(QStringLiteral("home"))));
             EXPECT_TRUE(f.leftovers().isEmpty()) << f.leftovers().join(' ').toStdString();
         }},
        {"calendar removal", "before: a file changed",
         [&](Fixture& f) {
             auto calendar = f.store->calendarWithUID(QStringLiteral("home"));
             otherProgramWrites(f.path(QStringLiteral("home/a.ics")), theirs);
             EXPECT_FALSE(f.store->removeCalendar(calendar));
             EXPECT_TRUE(
                 f.reopened().contains(QStringLiteral("a|2024-03-05 10:00:00|home|Theirs")));
         }},
        {"calendar removal", "before: a file added",
         [&](Fixture& f) {
             const QByteArray added =
                 calendarText(eventLines(QStringLiteral("n"), QStringLiteral("New")));
             otherProgramWrites(f.path(QStringLiteral("home/n.ics")), added);
             ASSERT_TRUE(f.store->removeCalendar(f.store->calendarWithUID(QStringLiteral("home"))));
             // The unknown file is kept, hidden away with the folder.
             const QStringList kept = f.leftovers();
             ASSERT_EQ(kept.size(), 1);
             EXPECT_TRUE(kept.front().startsWith(QStringLiteral(".removed-home-")));
         }},
        {"interrupted writes", "temporary files at open",
         [&](Fixture& f) {
             const QString stale = f.path(QStringLiteral("home/.a.ics.tmp-Ab12Cd"));
             const QString fresh = f.path(QStringLiteral("home/.a.ics.tmp-Ef34Gh"));
             f.dir.dir.write(QStringLiteral("home/.a.ics.tmp-Ab12Cd"), "half");
             f.dir.dir.write(QStringLiteral("home/.a.ics.tmp-Ef34Gh"), "half");
             f.dir.dir.write(QStringLiteral("home/.notes-of-another-tool"), "x");
             const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
             QFile file(stale);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
             file.close();
             // ctime cannot be set back: a stale file is one whose both times are old.
             EXPECT_FALSE(
                 foundation::isTemporaryFileName(QStringLiteral(".notes-of-another-tool")));
             EXPECT_TRUE(foundation::isTemporaryFileName(QFileInfo(stale).fileName()));
             f.dir.open();
             EXPECT_TRUE(QFileInfo::exists(fresh));
             EXPECT_TRUE(QFileInfo::exists(f.path(QStringLiteral("home/.notes-of-another-tool"))));
             EXPECT_EQ(foundation::removeStaleTemporaryFiles(f.path(QStringLiteral("home")), -1),
                       2);
             EXPECT_TRUE(QFileInfo::exists(f.path(QStringLiteral("home/.notes-of-another-tool"))));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + ", " + c.when);
        Fixture f;
        c.run(f);
    }
}

TEST_F(StoreConflicts, ClockChangesReadBackUnchanged) {
    Fixture f;
    // Summer time 02:30 to winter time 02:30 on the autumn change day: one hour.
    auto e = Event::event();
    e->setCalendar(f.store->calendarWithUID(QStringLiteral("home")));
    e->setTitle(QStringLiteral("Repeated hour"));
    e->setStartDate(QDateTime::fromSecsSinceEpoch(
        QDateTime(QDate(2024, 10, 27), QTime(0, 30), Qt::UTC).toSecsSinceEpoch()));
    e->setEndDate(e->startDate().addSecs(3600));
    ASSERT_TRUE(f.store->saveEvent(e, Span::ThisEvent));
    EXPECT_EQ(e->startDate().secsTo(e->endDate()), 3600);
    auto back = f.event(e->uid(), f.dir.open());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->startDate().toSecsSinceEpoch(), e->startDate().toSecsSinceEpoch());
    EXPECT_EQ(back->startDate().secsTo(back->endDate()), 3600);
    // Moved into the hour by a later save, and out of it again.
    back->setStartDate(back->startDate().addSecs(1800));
    back->setEndDate(back->endDate().addSecs(1800));
    ASSERT_TRUE(f.store->saveEvent(back, Span::ThisEvent));
    auto again = f.event(e->uid(), f.dir.open());
    EXPECT_EQ(inZone(again->startDate(), "UTC"), QStringLiteral("2024-10-27 01:00:00"));
    EXPECT_EQ(inZone(again->endDate(), "UTC"), QStringLiteral("2024-10-27 02:00:00"));

    // Floating times keep their length on the wall clock.
    f.dir.write(QStringLiteral("work"), QStringLiteral("f.ics"),
                eventFile(QStringLiteral("f"), {QStringLiteral("DTSTART:20241027T010000"),
                                                QStringLiteral("DTEND:20241027T090000"),
                                                QStringLiteral("SUMMARY:Floating")}));
    f.dir.write(QStringLiteral("work"), QStringLiteral("g.ics"),
                eventFile(QStringLiteral("g"), {QStringLiteral("DTSTART:20241020T010000"),
                                                QStringLiteral("DTEND:20241020T090000"),
                                                QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=3"),
                                                QStringLiteral("SUMMARY:Floating weekly")}));
    QStringList times;
    for (const auto& o :
         query(f.dir.open(), Fixture::BerlinAt(2024, 10, 19), Fixture::BerlinAt(2024, 11, 5)))
        if (o->uid() == QStringLiteral("f") || o->uid() == QStringLiteral("g"))
            times << o->uid() + QLatin1Char(' ') + inZone(o->startDate()) + QStringLiteral(" - ") +
                         inZone(o->endDate()).mid(11);
    EXPECT_EQ(times, (QStringList{QStringLiteral("g 2024-10-20 01:00:00 - 09:00:00"),
                                  QStringLiteral("f 2024-10-27 01:00:00 - 09:00:00"),
                                  QStringLiteral("g 2024-10-27 01:00:00 - 09:00:00"),
                                  QStringLiteral("g 2024-11-03 01:00:00 - 09:00:00")}));
}

TEST_F(StoreConflicts, KillBetweenTheFilesOfOneWriteIsMadeWholeAtOpen) {
    // The writer dies (as by SIGKILL) between the two files of a move and of a
    // "this and future" split; the next open completes the write.
    struct Case {
        const char* name;
        std::function<void(Fixture&)> write;
        QStringList expected;  // what the reopened store lists of the series
    };
    const std::vector<Case> cases = {
        {"move between calendars",
         [](Fixture& f) {
             auto copy = f.event(QStringLiteral("a"));
             copy->setCalendar(f.store->calendarWithUID(QStringLiteral("work")));
             f.store->saveEvent(copy, Span::ThisEvent);
         },
         {QStringLiteral("a|2024-03-05 10:00:00|work|Dentist")}},
        {"this and future split",
         [](Fixture& f) {
             auto fourth = f.occurrenceOn(QStringLiteral("s"), 1, 22);
             fourth->setTitle(QStringLiteral("Later"));
             f.store->saveEvent(fourth, Span::FutureEvents);
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int calls = 0;
            foundation::testhooks::setBeforeReplaceHook([&](const QString&) {
                if (++calls == 2) ::_exit(0);  // killed between the two files
            });
            c.write(f);
            ::_exit(3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0);
        const QStringList listed = f.reopened();
        if (!c.expected.isEmpty()) EXPECT_EQ(listed.filter(QStringLiteral("a|")), c.expected);
        QStringList starts;
        for (const QString& line : listed) starts << line.section('|', 0, 1);
        const qsizetype before = starts.size();
        starts.removeDuplicates();
        EXPECT_EQ(starts.size(), before) << listed.join('\n').toStdString();
        EXPECT_EQ(listed.size(), 7) << listed.join('\n').toStdString();  // a, and s's six
        EXPECT_TRUE(f.leftovers().filter(QStringLiteral("zolt-intent")).isEmpty());
    }
}

TEST_F(StoreConflicts, AThreadRacingTheSavesLosesNothing) {
    // Another program keeps writing its own version of the event, each with one
    // more token in a property of its own, while the store saves titles over
    // what it last read. Before each of its writes it looks at the file: every
    // token it wrote so far must be there (a save of the store over an older
    // version would drop some).
    Fixture f;
    const QString file = f.path(QStringLiteral("home/a.ics"));
    const QByteArray base = f.dir.dir.read(QStringLiteral("home/a.ics"));
    auto tokensIn = [](const QByteArray& text) {
        const qsizetype at = text.indexOf("X-TOKENS:");
        if (at < 0) return qsizetype(0);
        return text.mid(at + 9, text.indexOf("\r\n", at) - at - 9).split(' ').size();
    };
    auto read = [&] {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };
    std::atomic<bool> stop{false};
    std::atomic<int> written{0}, lost{0};
    std::thread other([&] {
        QByteArray tokens;
        for (int token = 1; !stop && token <= 2000; ++token) {
            if (tokensIn(read()) < token - 1) {
                // The store may be putting this program's version back just now.
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                if (tokensIn(read()) < token - 1) ++lost;
            }
            tokens += (tokens.isEmpty() ? "" : " ") + QByteArray::number(token);
            QByteArray text = base;
            text.insert(text.indexOf("END:VEVENT"), "X-TOKENS:" + tokens + "\r\n");
            foundation::writeFileAtomically(file, text);
            written = token;
            std::this_thread::yield();
        }
    });
    int saved = 0, refused = 0;
    for (int i = 0; i < 300; ++i) {
        f.store->rescan();
        auto copy = f.event(QStringLiteral("a"));
        if (!copy) continue;
        copy->setTitle(QStringLiteral("Mine %1").arg(i));
        if (f.store->saveEvent(copy, Span::ThisEvent))
            ++saved;
        else
            ++refused;
    }
    stop = true;
    other.join();
    EXPECT_EQ(lost.load(), 0) << "saved " << saved << ", refused " << refused;
    EXPECT_EQ(tokensIn(read()), written.load());
    EXPECT_GT(saved, 0);
    EXPECT_TRUE(f.leftovers().isEmpty()) << f.leftovers().join(' ').toStdString();
}

TEST_F(StoreConflicts, GroupsStayValidUnderConcurrentWrites) {
    Fixture f;
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop)
            for (const auto& g : f.store->groups()) ASSERT_FALSE(g->uid().isEmpty());
    });
    auto calendar = f.store->calendarWithUID(QStringLiteral("work"));
    for (int i = 0; i < 200; ++i) {
        calendar->setTitle(QStringLiteral("Work %1").arg(i));
        ASSERT_TRUE(f.store->saveCalendar(calendar));
        f.store->rescan();
    }
    stop = true;
    reader.join();
}
