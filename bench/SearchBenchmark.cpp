// The find panel's searches on the 10k sample store, each from the request
// until the panel hears `searchComplete`: a quick search over three year
// pages filled from the store (2023 to 2025), and a store search over five
// years (2021 to 2025). The hits reach the panel's list on the main thread;
// besides the time, each reports the number of hits and the longest the
// main thread left a question unanswered meanwhile (`stall_ms`).
//
// Two texts: "event 12" (about one series in a hundred) and "sample" (every
// event, the most the main thread is given to do).
#include "BenchMain.h"
#include "MainThreadWatch.h"
#include "SampleStore.h"

#include "data/CalendarSources.h"
#include "data/EventFinder.h"
#include "data/MyDate.h"
#include "data/YearViewEventLoader.h"
#include "platform/kit/TextField.h"
#include "platform/store/Store.h"
#include "sources/FindPanelController.h"
#include "yearview/YearViewModel.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int kEvents = 10000;
constexpr int kFirstPage = 2023;
const char* const kTexts[] = {"event 12", "sample"};

// The sample store opened as the process's store, its model handed to the
// loaders, and three year pages filled from it for the quick search.
struct World {
    std::shared_ptr<CalendarSources> sources;
    std::vector<YearViewTargetPtr> pages;
};

World& world() {
    static World* w = [] {
        auto* made = new World;
        calstore::Store::setDefaultStore(
            calstore::Store::openAt(bench::SampleStore::cachedRoot(kEvents)));
        made->sources = std::make_shared<CalendarSources>();
        made->sources->loadCalendarsFromICal();
        YearViewEventLoader::setCalendarSources(made->sources);
        for (int year = kFirstPage; year < kFirstPage + 3; ++year) {
            auto page = std::make_shared<YearViewModel>(MyDate::dateWithDayMonthYear(1, 1, year));
            YearViewEventLoader::newEventLoaderForYear(year)->populateView(page);
            made->pages.push_back(page);
        }
        const std::vector<YearViewTargetPtr> pages = made->pages;
        EventFinder::setYearPagesProvider([pages] { return pages; });
        return made;
    }();
    return *w;
}

// One search through the panel as the user starts it, until its count line shows.
void search(benchmark::State& state, bool quick) {
    world();
    const QString text = QString::fromLatin1(kTexts[state.range(0)]);
    FindPanelController* panel = FindPanelController::sharedWinController();
    double stall = 0;
    int hits = 0;
    for (auto _ : state) {
        state.PauseTiming();
        panel->showWindow();  // a fresh list, in quick mode
        if (!quick) {
            panel->prefs().setBoolForKey(false, EventFinder::kQuickSearchMode);
            panel->prefs().setDateForKey(*MyDate::dateWithDayMonthYear(1, 1, 2021),
                                         EventFinder::kSearchFrom);
            panel->prefs().setDateForKey(*MyDate::dateWithDayMonthYear(31, 12, 2025),
                                         EventFinder::kSearchTo);
        }
        bench::runUntil([] { return true; }, 50);  // the window shown
        panel->searchField()->setStringValue(text);
        bench::StallWatch watch;
        const auto start = bench::Clock::now();
        state.ResumeTiming();
        panel->findEnterPressed();
        const bool done = bench::runUntil([panel] { return !panel->footer()->isHidden(); }, 0);
        state.SetIterationTime(bench::msSince(start) / 1000);
        state.PauseTiming();
        if (!done) {
            state.SkipWithError("the search did not complete");
            break;
        }
        stall = std::max(stall, watch.takeLongest());
        hits = int(panel->results().size());
        panel->closeWindow();
        state.ResumeTiming();
    }
    state.counters["stall_ms"] = stall;
    state.counters["hits"] = hits;
}

void BM_QuickSearchThreePages(benchmark::State& state) {
    search(state, true);
}

void BM_StoreSearchFiveYears(benchmark::State& state) {
    search(state, false);
}

}  // namespace

BENCHMARK(BM_QuickSearchThreePages)
    ->DenseRange(0, 1)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreSearchFiveYears)
    ->DenseRange(0, 1)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::runWithApplication(argc, argv);
}
