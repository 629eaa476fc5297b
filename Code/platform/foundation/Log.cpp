#include "platform/foundation/Log.h"

#include <cstdio>
#include <mutex>
#include <vector>

namespace foundation {

struct LogCapture::Impl {
    mutable std::mutex mutex;
    QStringList lines;
    bool quiet = true;
};

namespace {
std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}
std::vector<LogCapture::Impl*>& captures() {
    static std::vector<LogCapture::Impl*> list;
    return list;
}
}  // namespace

void log(const QString& line) {
    bool quiet = false;
    {
        std::lock_guard<std::mutex> guard(registryMutex());
        for (auto* c : captures()) {
            std::lock_guard<std::mutex> g(c->mutex);
            c->lines.append(line);
            quiet = quiet || c->quiet;
        }
    }
    if (!quiet) {
        const QByteArray bytes = line.toUtf8();
        std::fprintf(stderr, "%s\n", bytes.constData());
    }
}

LogCapture::LogCapture(bool quiet) : d(new Impl) {
    d->quiet = quiet;
    std::lock_guard<std::mutex> guard(registryMutex());
    captures().push_back(d);
}

LogCapture::~LogCapture() {
    {
        std::lock_guard<std::mutex> guard(registryMutex());
        auto& list = captures();
        std::erase(list, d);
    }
    delete d;
}

QStringList LogCapture::lines() const {
    std::lock_guard<std::mutex> g(d->mutex);
    return d->lines;
}

bool LogCapture::contains(const QString& fragment) const { return count(fragment) > 0; }

int LogCapture::count(const QString& fragment) const {
    std::lock_guard<std::mutex> g(d->mutex);
    int n = 0;
    for (const auto& l : d->lines)
        if (l.contains(fragment)) ++n;
    return n;
}

void LogCapture::clear() {
    std::lock_guard<std::mutex> g(d->mutex);
    d->lines.clear();
}

}  // namespace foundation
