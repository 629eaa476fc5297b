// The real program started offscreen on the generated sample stores. Each
// measurement runs the program's own main in a fresh process of this benchmark
// (the application object, the window and the store exist once per process),
// which reports:
//  - window_s: from the process start to the window shown (its event loop runs);
//  - page_s: to the shown year page complete (every calendar's events in);
//  - stall_*_ms: the longest the main thread left a question unanswered during
//    start-up, a Reload Year and a move to the next year (the page redrawn and
//    its two neighbours loaded each time);
//  - rss_mib: resident memory with the three year pages loaded, and
//    reload_growth_mib what five further reloads added to it.
#include "MainThreadWatch.h"
#include "SampleStore.h"

#include "data/YearViewEventLoader.h"
#include "platform/foundation/Threads.h"
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
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <thread>

// The program's own main (Code/app/main.cpp, built into this benchmark under
// this name), run as it is in each measuring process.
int zoltMain(int argc, char** argv);

namespace {

using bench::Clock;
using bench::msSince;
using bench::runUntil;
using bench::StallWatch;

double residentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
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

Clock::time_point processStart;

// Drives the program once its event loop runs (the window is shown by then)
// and prints the figures as "key=value" lines.
void measureRunningProgram() {
    const double windowMs = msSince(processStart);
    StallWatch watch;
    MainWindowCtrl* window = MainWindowCtrl::sharedWinController();
    // The window shows while the store reads its files; the pages come after.
    if (!runUntil([] { return AppDelegate::obj() && AppDelegate::obj()->launchFinished(); }, 0))
        std::_Exit(1);
    auto* page = qobject_cast<YearView*>(window->currentYearView());
    if (!page) std::_Exit(1);
    const int year = page->year();
    if (!runUntil([page] { return page->eventsLoaded(); }, 0)) std::_Exit(1);
    const double pageMs = msSince(processStart);
    if (!runUntil([year] { return pagesLoaded(year); })) std::_Exit(1);
    const double startStall = watch.takeLongest();
    const double rss = residentMiB();

    auto reload = [&] {
        window->menuCommandReloadData(nullptr);
        return runUntil([&] { return window->currentYearView() && pagesLoaded(year); });
    };
    if (!reload()) std::_Exit(1);
    const double reloadStall = watch.takeLongest();
    for (int i = 0; i < 5; ++i)
        if (!reload()) std::_Exit(1);
    const double growth = residentMiB() - rss;

    watch.takeLongest();
    window->menuCommandNextYear(nullptr);
    if (!runUntil([year] { return pagesLoaded(year + 1); })) std::_Exit(1);
    const double yearStall = watch.takeLongest();

    std::printf(
        "window_s=%f\npage_s=%f\nstall_start_ms=%f\nstall_reload_ms=%f\n"
        "stall_year_ms=%f\nrss_mib=%f\nreload_growth_mib=%f\n",
        windowMs / 1000, pageMs / 1000, startStall, reloadStall, yearStall, rss, growth);
    std::fflush(stdout);
    foundation::waitForThreads(10.0);
    std::_Exit(0);  // the figures are out; tearing the window down is not measured
}

// In a measuring process the program's own start-up runs unchanged; the
// measuring begins with its event loop.
void startMeasuring() {
    if (qEnvironmentVariableIsSet("ZOLT_BENCH_CHILD"))
        QTimer::singleShot(0, qApp, &measureRunningProgram);
}
Q_COREAPP_STARTUP_FUNCTION(startMeasuring)

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
    processStart = Clock::now();
    if (qEnvironmentVariableIsSet("ZOLT_BENCH_CHILD")) return zoltMain(argc, argv);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
