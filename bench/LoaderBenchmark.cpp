// Loading a year of the generated 10k and 50k sample stores into a year page
// through the year event loader: every calendar of the model, each event on the
// days it covers, until the page counts as loaded. Also what a population
// start costs the thread that asks for it while another population runs.
#include "BenchMain.h"
#include "SampleStore.h"

#include "data/CalendarSources.h"
#include "data/YearViewEventLoader.h"
#include "data/YearViewTarget.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/store/Store.h"
#include "yearview/YearViewModel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <thread>

namespace {

constexpr int kYear = 2024;

QString sampleRoot(int events) { return bench::SampleStore::cachedRoot(events); }

// A year page's data as the loader sees it: the page model itself.
std::shared_ptr<YearViewModel> newPage(int year) {
    return std::make_shared<YearViewModel>(MyDate::dateWithDayMonthYear(1, 1, year));
}

int entries(const YearViewModel& page) {
    int count = 0;
    for (int month = 1; month <= 12; ++month)
        for (int day = 1; day <= 31; ++day)
            count += int(page.eventsForDayAndMonth(day, month)->size());
    return count;
}

// A page that only counts what it is given: the loader's own share of a population.
class CountingPage final : public YearViewTarget {
public:
    int year() const override { return kYear; }
    void threadedAddEventFromCalendarForDayInMonthInFullLoading(const calstore::EventPtr&,
                                                                const CalendarPtr&, int, int,
                                                                bool) override {
        ++adds;
    }
    void threadedRemoveCalendarForDayInMonth(const CalendarPtr&, int, int) override {}
    void threadedRemoveEventUIDFromDayInMonth(const QString&, int, int) override {}
    void threadedUpdateView() override {}
    void threadedUpdateViewOffscreen() override {}
    void invalidateEvents() override {}
    EventListPtr eventsForDayAndMonth(int, int) const override {
        return std::make_shared<const EventList>();
    }
    int adds = 0;
};

// The sample store of a size opened as the process's store, with the model read
// from it and handed to the loaders.
void useSampleStore(int events) {
    static int current = 0;
    static std::shared_ptr<CalendarSources> sources;
    if (current == events) return;
    calstore::Store::setDefaultStore(calstore::Store::openAt(sampleRoot(events)));
    if (sources) foundation::NotificationCenter::defaultCenter().removeObserver(sources.get());
    sources = std::make_shared<CalendarSources>();
    sources->loadCalendarsFromICal();
    YearViewEventLoader::setCalendarSources(sources);
    current = events;
}

void waitUntilLoaded(const YearViewModel& page) {
    while (!page.eventsLoaded()) std::this_thread::yield();
}

void runMainThreadWork() {
    QCoreApplication::processEvents();
}

// A population on a job thread (the shown page), until the page counts as loaded.
void BM_PopulateViewOnJobThread(benchmark::State& state) {
    useSampleStore(int(state.range(0)));
    const auto loader = YearViewEventLoader::newEventLoaderForYear(kYear);
    int entries = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto page = newPage(kYear);
        state.ResumeTiming();
        loader->startPopulatingView(page);
        waitUntilLoaded(*page);
        state.PauseTiming();
        while (loader->isRunning()) std::this_thread::yield();
        runMainThreadWork();
        entries = ::entries(*page);
        state.ResumeTiming();
    }
    state.counters["entries"] = entries;
}

// The offscreen population of a side page.
void BM_PopulateOffscreen(benchmark::State& state) {
    useSampleStore(int(state.range(0)));
    const auto loader = YearViewEventLoader::newEventLoaderForYear(kYear);
    for (auto _ : state) {
        state.PauseTiming();
        auto page = newPage(kYear);
        state.ResumeTiming();
        loader->startPopulatingOffscreen(page);
        waitUntilLoaded(*page);
        state.PauseTiming();
        while (loader->isRunning()) std::this_thread::yield();
        runMainThreadWork();
        state.ResumeTiming();
    }
}

// Opening the store, reading the model and filling the page on the calling thread.
void BM_OpenStoreAndPopulate(benchmark::State& state) {
    const QString root = sampleRoot(int(state.range(0)));
    for (auto _ : state) {
        calstore::Store::setDefaultStore(calstore::Store::openAt(root));
        auto sources = std::make_shared<CalendarSources>();
        sources->loadCalendarsFromICal();
        YearViewEventLoader::setCalendarSources(sources);
        auto page = newPage(kYear);
        YearViewEventLoader::newEventLoaderForYear(kYear)->populateView(page);
        state.PauseTiming();
        foundation::NotificationCenter::defaultCenter().removeObserver(sources.get());
        runMainThreadWork();
        state.ResumeTiming();
    }
    YearViewEventLoader::setCalendarSources(nullptr);
    calstore::Store::setDefaultStore(nullptr);
}

// The loader's own share: the store queries and the day walk, into a page that
// only counts.
void BM_PopulateIntoCountingPage(benchmark::State& state) {
    useSampleStore(int(state.range(0)));
    const auto loader = YearViewEventLoader::newEventLoaderForYear(kYear);
    int adds = 0;
    for (auto _ : state) {
        auto page = std::make_shared<CountingPage>();
        loader->populateView(page);
        adds = page->adds;
    }
    state.counters["adds"] = adds;
}

// What a population start costs the asking thread while a population of the
// same loader runs: the new one takes over on its own thread.
void BM_RestartPopulationStarterCost(benchmark::State& state) {
    useSampleStore(int(state.range(0)));
    const auto loader = YearViewEventLoader::newEventLoaderForYear(kYear);
    auto page = newPage(kYear);
    loader->startPopulatingView(page);
    for (auto _ : state) loader->startPopulatingView(page);
    while (loader->isRunning()) std::this_thread::yield();
    runMainThreadWork();
}

}  // namespace

BENCHMARK(BM_PopulateViewOnJobThread)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PopulateOffscreen)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PopulateIntoCountingPage)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenStoreAndPopulate)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RestartPopulationStarterCost)->Arg(10000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return bench::runWithApplication(argc, argv);
}
