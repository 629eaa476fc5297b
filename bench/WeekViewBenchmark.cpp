// Refreshing a 7-day week view after a loader job, on the busiest week of the
// generated 10k and 50k sample stores: every column re-sorts its day and has
// its drawing redone. One refresh should fit in a frame (16 ms).
#include "BenchMain.h"
#include "SampleStore.h"

#include "data/CalendarSources.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"
#include "platform/store/Store.h"
#include "shell/AppDelegate.h"
#include "weekview/WeekView.h"
#include "weekview/WeekdayView.h"
#include "yearview/YearViewModel.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kYear = 2024;

// The year area as the week view asks it: the cells of one loaded page.
class PageArea final : public kit::View {
    Q_OBJECT

public:
    explicit PageArea(std::shared_ptr<YearViewModel> page) : page_(std::move(page)) {}
    Q_INVOKABLE YearViewCellPtr cellForDate(const MyDatePtr& date) const {
        if (!date || date->yearNum() != kYear) return nullptr;
        return page_->cellForDayAndMonth(date->dayNum(), date->monthNum());
    }

private:
    std::shared_ptr<YearViewModel> page_;
};

struct Loaded {
    std::shared_ptr<CalendarSources> sources;
    std::shared_ptr<YearViewModel> page;
    MyDatePtr busiestMonday;
};

Loaded load(int events) {
    calstore::Store::setDefaultStore(
        calstore::Store::openAt(bench::SampleStore::cachedRoot(events)));
    Loaded l;
    l.sources = std::make_shared<CalendarSources>();
    l.sources->loadCalendarsFromICal();
    YearViewEventLoader::setCalendarSources(l.sources);
    l.page = std::make_shared<YearViewModel>(MyDate::dateWithDayMonthYear(1, 1, kYear));
    YearViewEventLoader::newEventLoaderForYear(kYear)->populateView(l.page);
    // The Monday whose week holds the most entries.
    size_t most = 0;
    for (MyDatePtr monday = MyDate::dateWithDayMonthYear(1, 1, kYear)->prevMonday();
         monday->yearNum() <= kYear; monday = monday->dateByAddingYearsMonthsDays(0, 0, 7)) {
        size_t count = 0;
        MyDatePtr d = monday;
        for (int i = 0; i < 7; ++i, d = d->nextDay())
            if (d->yearNum() == kYear)
                count += l.page->eventsForDayAndMonth(d->dayNum(), d->monthNum())->size();
        if (count > most) {
            most = count;
            l.busiestMonday = monday;
        }
    }
    return l;
}

void BM_RefreshBusiestWeek(benchmark::State& state) {
    const Loaded loaded = load(int(state.range(0)));
    AppDelegate delegate;
    delegate.today = loaded.busiestMonday;
    delegate.calendarSources = loaded.sources;
    PageArea area(loaded.page);
    auto view = std::make_unique<WeekView>(QRectF(0, 0, 1200, 700));
    view->awakeFromNib();
    view->setYearViewScroller(&area);
    view->loadPreferences();
    view->setDisplayMode(WeekView::kWeek7Day);
    view->applicationFinishedLaunching();
    size_t shown = 0;
    for (auto _ : state) {
        // What a finished loader job asks for, and the drawing it leads to.
        view->threadedUpdateView();
        QCoreApplication::processEvents();
        for (WeekdayView* column : view->viewSet()) column->renderToImage();
        shown = 0;
        for (WeekdayView* column : view->viewSet())
            shown += column->events().size() + column->fdevents().size();
    }
    state.counters["entries"] = double(shown);
    view.reset();
    foundation::NotificationCenter::defaultCenter().removeObserver(loaded.sources.get());
    YearViewEventLoader::setCalendarSources(nullptr);
    calstore::Store::setDefaultStore(nullptr);
}

}  // namespace

BENCHMARK(BM_RefreshBusiestWeek)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::runWithApplication(argc, argv, [] {
        foundation::Defaults::standard().registerDefaults(
            foundation::PropertyList::fromData(
                foundation::Bundle::resourceData(QStringLiteral("UserDefaults"),
                                                 QStringLiteral("plist")))
                .toMap());
    });
}

#include "WeekViewBenchmark.moc"
