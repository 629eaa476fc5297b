// The real main window started offscreen on the generated sample stores. Each
// measurement runs in a fresh process of this program (the application object,
// the window and the store exist once per process), which reports:
//  - window_s: from the process start to the window shown;
//  - page_s: to the shown year page complete (every calendar's events in);
//  - stall_*_ms: the longest the main thread was busy with one event during
//    start-up, a Reload Year and a move to the next year (the page redrawn and
//    its two neighbours loaded each time);
//  - rss_mib: resident memory with the three year pages loaded, and
//    reload_growth_mib what five further reloads added to it.
#include "SampleStore.h"

#include "data/YearViewEventLoader.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/Action.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "yearview/YearView.h"
#include "yearview/YearViewScroller.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double residentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// The application that times every event it delivers on the main thread: the
// longest delivery is the longest the window could not answer.
class TimingApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool done = QApplication::notify(receiver, event);
            --depth_;
            return done;
        }
        const auto start = Clock::now();
        const bool done = QApplication::notify(receiver, event);
        --depth_;
        longest = std::max(longest, msSince(start));
        return done;
    }
    double longest = 0;

private:
    int depth_ = 0;
};

// The year area as the program wires it.
void wireMainWindow() {
    MainWindowCtrl::changeServices([](MainWindowCtrl::Services& window) {
        window.makeYearScroller = [](const QRectF& frame) -> kit::View* {
            return new YearViewScroller(frame);
        };
        window.setViewsToRedraw = [](int count) { YearView::setViewsToRedraw(count); };
        window.startPopulatingView = [](kit::View* view) {
            if (auto* yearPage = qobject_cast<YearView*>(view))
                if (const auto& start = YearView::services().startPopulatingView) start(yearPage);
        };
    });
    MainWindowCtrl::sharedWinController();
}

YearViewScroller* yearArea() {
    return qobject_cast<YearViewScroller*>(
        MainWindowCtrl::sharedWinController()->currentYearView()->superview());
}

bool pagesLoaded(int centreYear) {
    YearViewScroller* area = yearArea();
    for (int slot = 0; slot < 3; ++slot) {
        YearView* page = area ? area->yearView(slot) : nullptr;
        if (!page || page->year() != centreYear - 1 + slot || !page->eventsLoaded()) return false;
        if (YearViewEventLoader::eventLoaderForYear(page->year())->isRunning()) return false;
    }
    return true;
}

// Runs the event loop until `done` holds, then a little longer for the work it
// handed to the main thread; false when it never held. The loop sleeps between
// looks, so that the measuring takes no core from the program.
bool runUntil(const std::function<bool()>& done, double settleMs = 300) {
    const auto start = Clock::now();
    QEventLoop loop;
    QTimer tick;
    bool held = false;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done()) {
            held = true;
            loop.quit();
        } else if (msSince(start) > 120000) {
            loop.quit();
        }
    });
    tick.start(2);
    loop.exec();
    tick.stop();
    if (!held) return false;
    if (settleMs > 0) {
        QTimer::singleShot(int(settleMs), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// The measuring process: prints its figures as "key=value" lines.
int runChild(int argc, char** argv, Clock::time_point processStart) {
    TimingApplication app(argc, argv);
    AppDelegate delegate;
    kit::Action::setApplicationDelegate(&delegate);
    YearView::connectLoaderJobs();
    wireMainWindow();
    delegate.awakeFromNib();
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching();
    const double windowMs = msSince(processStart);

    MainWindowCtrl* window = MainWindowCtrl::sharedWinController();
    auto* page = qobject_cast<YearView*>(window->currentYearView());
    if (!page) return 1;
    const int year = page->year();
    app.longest = 0;
    if (!runUntil([page] { return page->eventsLoaded(); }, 0)) return 1;
    const double pageMs = msSince(processStart);
    if (!runUntil([year] { return pagesLoaded(year); })) return 1;
    const double startStall = app.longest;
    const double rss = residentMiB();

    auto reload = [&] {
        window->menuCommandReloadData(nullptr);
        return runUntil([&] { return window->currentYearView() && pagesLoaded(year); });
    };
    app.longest = 0;
    if (!reload()) return 1;
    const double reloadStall = app.longest;
    for (int i = 0; i < 5; ++i)
        if (!reload()) return 1;
    const double growth = residentMiB() - rss;

    app.longest = 0;
    window->menuCommandNextYear(nullptr);
    if (!runUntil([year] { return pagesLoaded(year + 1); })) return 1;
    const double yearStall = app.longest;

    std::printf(
        "window_s=%f\npage_s=%f\nstall_start_ms=%f\nstall_reload_ms=%f\n"
        "stall_year_ms=%f\nrss_mib=%f\nreload_growth_mib=%f\n",
        windowMs / 1000, pageMs / 1000, startStall, reloadStall, yearStall, rss, growth);
    std::fflush(stdout);
    foundation::waitForThreads(10.0);
    std::_Exit(0);  // the figures are out; tearing the window down is not measured
}

// One fresh measuring process on the sample store of `events`.
std::map<QString, double> measure(int events) {
    const QString root = bench::SampleStore::cachedRoot(events);
    QTemporaryDir scratch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZOLT_BENCH_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ZOLT_STORE_DIR"), root);
    env.insert(QStringLiteral("ZOLT_DEFAULTS"), scratch.filePath(QStringLiteral("Defaults.plist")));
    env.insert(QStringLiteral("ZOLT_CLOUD_DIR"), scratch.filePath(QStringLiteral("cloud")));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    std::map<QString, double> figures;
    if (!child.waitForFinished(300000) || child.exitCode() != 0) return figures;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0) figures[QString::fromLatin1(line.left(eq))] = line.mid(eq + 1).toDouble();
    }
    return figures;
}

void report(benchmark::State& state, const std::map<QString, double>& figures,
            std::initializer_list<const char*> keys) {
    if (figures.empty()) {
        state.SkipWithError("the measuring process failed");
        return;
    }
    for (const char* key : keys) state.counters[key] = figures.at(QString::fromLatin1(key));
}

// Time to the window and the page, and the longest main-thread stalls.
void BM_StartUpAndRedraws(benchmark::State& state) {
    std::map<QString, double> figures;
    for (auto _ : state) {
        figures = measure(int(state.range(0)));
        state.SetIterationTime(figures.empty() ? 0 : figures.at(QStringLiteral("page_s")));
    }
    report(state, figures,
           {"window_s", "page_s", "stall_start_ms", "stall_reload_ms", "stall_year_ms"});
}

// Resident memory with three years loaded, and what repeated reloads add.
void BM_ResidentMemory(benchmark::State& state) {
    std::map<QString, double> figures;
    for (auto _ : state) figures = measure(int(state.range(0)));
    report(state, figures, {"rss_mib", "reload_growth_mib"});
}

}  // namespace

BENCHMARK(BM_StartUpAndRedraws)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResidentMemory)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    const auto processStart = Clock::now();
    if (qEnvironmentVariableIsSet("ZOLT_BENCH_CHILD")) return runChild(argc, argv, processStart);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
