// zolt-store-killtest STORE_DIR KILLS [SEED]
//
// Kills a writer of the calendar store at random moments and checks the store
// after each kill. STORE_DIR is made anew (it must not exist or be empty): two
// calendars, 20 single events and a weekly series of 52 occurrences. Then,
// KILLS times: a writer process (this program with --writer) loops over random
// writes (moving an event between the calendars, retitling it, splitting the
// series "this and future", changing one occurrence); after 0 to 50 ms of
// writing it gets SIGKILL; the store is opened anew (which completes or rolls back an
// interrupted write of several files) and checked: every file parses, every
// single event is there exactly once, and the series' occurrences are each
// there exactly once. Prints the figures; exits 1 when a check failed.
// Not part of the test suite (it runs for minutes and kills processes).
#include "platform/store/Store.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QMap>
#include <QRandomGenerator>
#include <QSet>
#include <QTimeZone>

#include <cstdio>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

using namespace calstore;

namespace {

constexpr int kEvents = 20;
constexpr int kWeeks = 52;
const QDate kFirst(2025, 1, 6);  // a Monday

QDateTime at(const QDate& d, int hour) {
    return QDateTime(d, QTime(hour, 0), QTimeZone("Europe/Berlin"));
}

QList<EventPtr> everything(const StorePtr& store) {
    return store->eventsWithPredicate(Store::eventPredicateWithStartDateEndDateCalendars(
        at(kFirst.addDays(-10), 0), at(kFirst.addDays(7 * kWeeks + 10), 0), store->calendars()));
}

bool setUp(const QString& root) {
    auto store = Store::openAt(root);
    for (const char* title : {"Home", "Work"}) {
        auto c = Calendar::calendar();
        c->setTitle(QString::fromLatin1(title));
        if (!store->saveCalendar(c)) return false;
    }
    const auto calendars = store->calendars();
    for (int i = 0; i < kEvents; ++i) {
        auto e = Event::event();
        e->setCalendar(calendars[i % 2]);
        e->setTitle(QStringLiteral("E%1").arg(i));
        e->setStartDate(at(kFirst.addDays(i), 9));
        e->setEndDate(at(kFirst.addDays(i), 10));
        if (!store->saveEvent(e, Span::ThisEvent)) return false;
    }
    auto s = Event::event();
    s->setCalendar(calendars[0]);
    s->setTitle(QStringLiteral("S"));
    s->setStartDate(at(kFirst, 14));
    s->setEndDate(at(kFirst, 15));
    s->setRecurrenceRule(RecurrenceRule::initWeeklyRecurrenceWithIntervalEnd(
        1, RecurrenceEnd::recurrenceEndWithOccurrenceCount(kWeeks)));
    return store->saveEvent(s, Span::ThisEvent);
}

[[noreturn]] void writer(const QString& root, quint32 seed, int ready) {
    QRandomGenerator random(seed);
    auto store = Store::openAt(root);
    // The kill is timed from here: the writes, not the start-up, are what it hits.
    if (::write(ready, "r", 1) != 1) std::_Exit(6);
    ::close(ready);
    for (int n = 0;; ++n) {
        const auto all = everything(store);
        if (all.isEmpty()) std::_Exit(4);
        const EventPtr e = all[random.bounded(int(all.size()))];
        const bool series = e->title().startsWith(QLatin1Char('S'));
        QString error;
        bool ok = true;
        switch (random.bounded(3)) {
            case 0:  // a write of two files
                if (series) {
                    e->setTitle(QStringLiteral("S%1").arg(n));
                    ok = store->saveEvent(e, Span::FutureEvents, &error);
                } else {
                    const auto calendars = store->calendars();
                    e->setCalendar(calendars[e->calendar()->uid() == calendars[0]->uid() ? 1 : 0]);
                    ok = store->saveEvent(e, Span::ThisEvent, &error);
                }
                break;
            case 1:
                e->setTitle(e->title().section(QLatin1Char(' '), 0, 0) +
                            QStringLiteral(" v%1").arg(n));
                ok = store->saveEvent(e, Span::ThisEvent, &error);
                break;
            default:
                e->setNotes(QStringLiteral("note %1").arg(n));
                ok = store->saveEvent(e, Span::ThisEvent, &error);
                break;
        }
        if (!ok) std::fprintf(stderr, "writer: %s\n", qPrintable(error));
    }
}

// What is wrong with the store now; empty when nothing is.
QStringList check(const QString& root, int* intents, QSet<QString>* temporaries) {
    QStringList problems;
    *intents = 0;
    for (const QString& name : QDir(root).entryList(QDir::Files | QDir::Hidden))
        if (name.startsWith(QStringLiteral(".zolt-intent-"))) ++*intents;
    auto store = Store::openAt(root);
    for (const QString& name : QDir(root).entryList(QDir::Files | QDir::Hidden))
        if (name.startsWith(QStringLiteral(".zolt-intent-")))
            problems << QStringLiteral("a write record was left: ") + name;
    for (const auto& c : store->calendars())
        for (const QString& name :
             QDir(root + QLatin1Char('/') + c->uid()).entryList(QDir::Files | QDir::Hidden))
            if (name.contains(QStringLiteral(".conflict-")))
                problems << QStringLiteral("a conflict copy was made: ") + name;
            else if (name.startsWith(QLatin1Char('.')))
                temporaries->insert(c->uid() + QLatin1Char('/') + name);
    for (const QString& f : store->skippedFiles()) problems << QStringLiteral("unreadable: ") + f;
    QMap<QString, int> singles;
    QMap<qint64, int> starts;
    for (const auto& e : everything(store)) {
        if (e->title().startsWith(QLatin1Char('E')))
            ++singles[e->uid()];
        else
            ++starts[e->startDate().toSecsSinceEpoch()];
    }
    if (singles.size() != kEvents)
        problems
            << QStringLiteral("%1 single events instead of %2").arg(singles.size()).arg(kEvents);
    for (auto it = singles.begin(); it != singles.end(); ++it)
        if (*it != 1)
            problems << QStringLiteral("event %1 is there %2 times").arg(it.key()).arg(*it);
    if (starts.size() != kWeeks)
        problems
            << QStringLiteral("%1 series occurrences instead of %2").arg(starts.size()).arg(kWeeks);
    for (auto it = starts.begin(); it != starts.end(); ++it)
        if (*it != 1) problems << QStringLiteral("an occurrence is there %1 times").arg(*it);
    return problems;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QStringLiteral("--writer"))
        writer(args[2], args[3].toUInt(), args[4].toInt());
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: zolt-store-killtest STORE_DIR KILLS [SEED]\n");
        return 2;
    }
    const QString root = QDir(args[1]).absolutePath();
    const int kills = args[2].toInt();
    const quint32 seed =
        args.size() > 3 ? args[3].toUInt() : QRandomGenerator::global()->generate();
    if (!QDir(root).isEmpty() && QDir(root).exists()) {
        std::fprintf(stderr, "zolt-store-killtest: %s is not empty\n", qPrintable(root));
        return 2;
    }
    if (!setUp(root)) {
        std::fprintf(stderr, "zolt-store-killtest: the store could not be set up\n");
        return 1;
    }
    QRandomGenerator random(seed);
    int failed = 0, intentsFound = 0, unfinished = 0;
    QSet<QString> temporaries;
    for (int k = 0; k < kills; ++k) {
        int ready[2];
        if (::pipe(ready) != 0) return 1;
        const pid_t child = ::fork();
        if (child < 0) return 1;
        if (child == 0) {
            ::close(ready[0]);
            const QByteArray exe = QCoreApplication::applicationFilePath().toLocal8Bit();
            const QByteArray dir = root.toLocal8Bit();
            const QByteArray childSeed = QByteArray::number(random.generate());
            const QByteArray fd = QByteArray::number(ready[1]);
            ::execl(exe.constData(), exe.constData(), "--writer", dir.constData(),
                    childSeed.constData(), fd.constData(), static_cast<char*>(nullptr));
            std::_Exit(5);
        }
        ::close(ready[1]);
        char byte = 0;
        const bool started = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        if (!started) ++unfinished;
        ::usleep(useconds_t(200 * random.bounded(250)));  // 0 to 50 ms of writing
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFSIGNALED(status)) ++unfinished;
        int intents = 0;
        const QStringList problems = check(root, &intents, &temporaries);
        intentsFound += intents;
        if (!problems.isEmpty()) {
            ++failed;
            std::printf("kill %d: %s\n", k + 1, qPrintable(problems.join(QStringLiteral("; "))));
        }
    }
    std::printf(
        "seed %u: %d kills, %d with a problem; %d interrupted multi-file writes made whole at "
        "open; %d temporary files of cut-off writes left (cleared once stale); %d writers that did "
        "not start or ended before "
        "the kill\n",
        seed, kills, failed, intentsFound, int(temporaries.size()), unfinished);
    return failed ? 1 : 0;
}
