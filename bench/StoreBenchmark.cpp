// Opening the calendar store and querying one and three years of all its
// calendars, on generated stores of 1k, 10k and 50k event series; rescanning
// an unchanged store (what the store does now and then to find changes by
// other programs), and saving events into a copy of a sample store.
#include "SampleStore.h"

#include "platform/store/Store.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <map>

namespace {

QString sampleRoot(int events) { return bench::SampleStore::cachedRoot(events); }

QDateTime localMidnight(int year) {
    return QDateTime(QDate(year, 1, 1), QTime(0, 0), QTimeZone::systemTimeZone());
}

qsizetype queryYears(const calstore::Store& store, int firstYear, int years) {
    const auto predicate = calstore::Store::eventPredicateWithStartDateEndDateCalendars(
        localMidnight(firstYear), localMidnight(firstYear + years), store.calendars());
    return store.eventsWithPredicate(predicate).size();
}

void BM_OpenStore(benchmark::State& state) {
    const QString root = sampleRoot(int(state.range(0)));
    for (auto _ : state) {
        auto store = calstore::Store::openAt(root);
        benchmark::DoNotOptimize(store);
    }
}

void BM_QueryOneYear(benchmark::State& state) {
    const auto store = calstore::Store::openAt(sampleRoot(int(state.range(0))));
    qsizetype found = 0;
    for (auto _ : state) found = queryYears(*store, 2024, 1);
    state.counters["occurrences"] = double(found);
}

void BM_QueryThreeYears(benchmark::State& state) {
    const auto store = calstore::Store::openAt(sampleRoot(int(state.range(0))));
    qsizetype found = 0;
    for (auto _ : state) found = queryYears(*store, 2023, 3);
    state.counters["occurrences"] = double(found);
}

void BM_OpenAndQueryOneYear(benchmark::State& state) {
    const QString root = sampleRoot(int(state.range(0)));
    for (auto _ : state) {
        auto store = calstore::Store::openAt(root);
        benchmark::DoNotOptimize(queryYears(*store, 2024, 1));
    }
}

void BM_RescanUnchanged(benchmark::State& state) {
    const auto store = calstore::Store::openAt(sampleRoot(int(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(store->rescan());
}

// A copy of a sample store to write into, so that the shared samples stay as made.
bool copyTree(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + path.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(path, target)) return false;
    }
    return true;
}

void BM_SaveEvent(benchmark::State& state) {
    QTemporaryDir copy;
    if (!copyTree(sampleRoot(int(state.range(0))), copy.path())) {
        state.SkipWithError("cannot copy the sample store");
        return;
    }
    const auto store = calstore::Store::openAt(copy.path());
    const auto predicate = calstore::Store::eventPredicateWithStartDateEndDateCalendars(
        localMidnight(2024), localMidnight(2024).addDays(14), store->calendars());
    // One occurrence per series: once one occurrence is saved, the others read
    // with it are stale copies the store rightly refuses to write over.
    QList<calstore::EventPtr> events;
    QSet<QString> seen;
    for (const auto& event : store->eventsWithPredicate(predicate))
        if (!seen.contains(event->uid())) {
            seen.insert(event->uid());
            events.append(event);
        }
    if (events.isEmpty()) {
        state.SkipWithError("no events to save");
        return;
    }
    qsizetype i = 0;
    for (auto _ : state) {
        const auto& event = events[i++ % events.size()];
        event->setTitle(QStringLiteral("Saved %1").arg(i));
        if (!store->saveEvent(event, calstore::Span::AllEvents))
            state.SkipWithError("a save failed");
    }
}

}  // namespace

BENCHMARK(BM_OpenStore)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryOneYear)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryThreeYears)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndQueryOneYear)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_RescanUnchanged)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveEvent)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
