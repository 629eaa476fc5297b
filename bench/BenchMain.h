#pragma once

// The main of the benchmarks that need the application: an offscreen
// application object (unless a platform is asked for) and settings of the
// benchmark's own, never the user's.

#include "platform/foundation/Defaults.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <functional>

namespace bench {

// `prepare` runs once the settings are in place (factory values, say).
inline int runWithApplication(int argc, char** argv, const std::function<void()>& prepare = {}) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir settings;
    foundation::Defaults::resetStandard(settings.filePath(QStringLiteral("Defaults.plist")));
    if (prepare) prepare();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
