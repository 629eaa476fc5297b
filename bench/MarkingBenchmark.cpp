// Marking every day of a year with a marker on a page filled from the 10k
// sample store, and removing those marks again, through the loader's jobs on
// marks and days. Besides the whole job (page changes and store writes) it
// reports when the page had all its changes (the redraw request, before the
// first store write) and the longest time the main thread was kept from its
// event loop while the jobs ran.
#include "BenchMain.h"
#include "SampleStore.h"

#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "data/YearViewEventLoader.h"
#include "data/YearViewTarget.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/store/Store.h"
#include "yearview/YearViewModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace {

constexpr int kYear = 2024;
constexpr int kEvents = 10000;
const QString kMarkerUID = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");

// A year page's data as the jobs see it; notes when a job asks for the redraw.
class TimedPage final : public YearViewTarget {
public:
    explicit TimedPage(int year)
        : model(std::make_shared<YearViewModel>(MyDate::dateWithDayMonthYear(1, 1, year))) {}

    int year() const override { return model->year(); }
    void threadedAddEventFromCalendarForDayInMonthInFullLoading(const calstore::EventPtr& event,
                                                                const CalendarPtr& calendar,
                                                                int day, int month,
                                                                bool fullLoading) override {
        model->threadedAddEventFromCalendarForDayInMonthInFullLoading(event, calendar, day, month,
                                                                      fullLoading);
    }
    void threadedRemoveCalendarForDayInMonth(const CalendarPtr& calendar, int day,
                                             int month) override {
        model->threadedRemoveCalendarForDayInMonth(calendar, day, month);
    }
    void threadedRemoveEventUIDFromDayInMonth(const QString& uid, int day, int month) override {
        model->threadedRemoveEventUIDFromDayInMonth(uid, day, month);
    }
    void threadedUpdateView() override {
        redrawAt = clock ? clock->nsecsElapsed() : 0;
        model->threadedUpdateView();
    }
    void threadedUpdateViewOffscreen() override { model->threadedUpdateViewOffscreen(); }
    void invalidateEvents() override { model->invalidateEvents(); }
    EventListPtr eventsForDayAndMonth(int day, int month) const override {
        return model->eventsForDayAndMonth(day, month);
    }

    const std::shared_ptr<YearViewModel> model;
    const QElapsedTimer* clock = nullptr;
    std::atomic<qint64> redrawAt{0};
};

// The 10k sample store, written once into a folder of this run (the jobs write
// to it), with a marker store and a marker of it.
struct World {
    QTemporaryDir dir;
    std::shared_ptr<CalendarSources> sources;
    EMarkerPtr marker;
};

World& world() {
    static World* w = [] {
        auto* made = new World;
        const QString root = made->dir.filePath(QStringLiteral("store"));
        if (!bench::SampleStore::write(root, kEvents)) qFatal("cannot write the sample store");
        QDir().mkpath(root + QStringLiteral("/marks"));
        QFile title(root + QStringLiteral("/marks/displayname"));
        if (!title.open(QIODevice::WriteOnly) || title.write("Marks") < 0)
            qFatal("cannot write the marker store");
        title.close();
        foundation::Defaults::standard().setObject(
            CalendarSources::kMarkersPrefs,
            QVariantMap{
                {kMarkerUID, QVariantMap{{QStringLiteral("Name"), QStringLiteral("Busy")},
                                         {QStringLiteral("Selected"), true},
                                         {QStringLiteral("Type"), qint64(3)},
                                         {QStringLiteral("Calendar"), QStringLiteral("marks")}}}});
        calstore::Store::setDefaultStore(calstore::Store::openAt(root));
        made->sources = std::make_shared<CalendarSources>();
        made->sources->loadCalendarsFromICal();
        made->sources->loadMarkers();
        YearViewEventLoader::setCalendarSources(made->sources);
        made->marker = made->sources->markerWithUID(kMarkerUID);
        if (!made->marker) qFatal("no marker");
        return made;
    }();
    return *w;
}

// Runs the main thread's event loop until the job has ended; answers the
// longest time between two turns of the loop, in nanoseconds.
qint64 runMainLoopUntilDone(const YearViewEventLoaderPtr& loader) {
    QElapsedTimer turn;
    turn.start();
    qint64 longest = 0;
    while (loader->isRunning()) {
        QCoreApplication::processEvents();
        longest = std::max(longest, turn.nsecsElapsed());
        turn.restart();
    }
    QCoreApplication::processEvents();
    return std::max(longest, turn.nsecsElapsed());
}

void BM_MarkAndUnmarkYear(benchmark::State& state) {
    World& w = world();
    auto page = std::make_shared<TimedPage>(kYear);
    YearViewEventLoader::newEventLoaderForYear(kYear)->populateView(page);
    std::vector<MyDatePtr> days;
    for (auto day = MyDate::dateWithDayMonthYear(1, 1, kYear); day->yearNum() == kYear;
         day = day->nextDay())
        days.push_back(day);

    double markPage = 0, markAll = 0, unmarkPage = 0, unmarkAll = 0, mainGap = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        page->clock = &clock;
        clock.start();
        const auto marking = YearViewEventLoader::newEventLoaderForYear(kYear);
        marking->startMarkingDaysWithMarkerFromView(days, w.marker, page);
        qint64 gap = runMainLoopUntilDone(marking);
        markPage += double(page->redrawAt) / 1e6;
        markAll += double(clock.nsecsElapsed()) / 1e6;

        clock.restart();
        const auto unmarking = YearViewEventLoader::newEventLoaderForYear(kYear);
        unmarking->startRemovingMarksOfMarkerFromDaysFromView(w.marker, days, page);
        gap = std::max(gap, runMainLoopUntilDone(unmarking));
        unmarkPage += double(page->redrawAt) / 1e6;
        unmarkAll += double(clock.nsecsElapsed()) / 1e6;
        mainGap = std::max(mainGap, double(gap) / 1e6);
        page->clock = nullptr;
    }
    const double n = double(state.iterations());
    state.counters["days"] = double(days.size());
    state.counters["mark_page_ms"] = markPage / n;
    state.counters["mark_total_ms"] = markAll / n;
    state.counters["unmark_page_ms"] = unmarkPage / n;
    state.counters["unmark_total_ms"] = unmarkAll / n;
    state.counters["main_max_gap_ms"] = mainGap;
}

}  // namespace

BENCHMARK(BM_MarkAndUnmarkYear)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv) {
    return bench::runWithApplication(argc, argv);
}
