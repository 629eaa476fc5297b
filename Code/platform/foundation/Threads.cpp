#include "platform/foundation/Threads.h"

#include "platform/foundation/Log.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <thread>

namespace foundation {

namespace {
// The jobs still running. Never destroyed: a job may end while the program exits.
struct Running {
    std::mutex mutex;
    std::condition_variable ended;
    int count = 0;
};
Running& running() {
    static auto* r = new Running;
    return *r;
}
}  // namespace

void startThread(std::function<void()> job) {
    Running& r = running();
    {
        std::lock_guard<std::mutex> g(r.mutex);
        ++r.count;
    }
    std::thread([job = std::move(job)] {
        try {
            job();
        } catch (const std::exception& e) {
            log(QStringLiteral("ERROR: background job failed with exception %1")
                    .arg(QString::fromLocal8Bit(e.what())));
        } catch (...) {
            log(QStringLiteral("ERROR: background job failed with an exception"));
        }
        Running& r = running();
        std::lock_guard<std::mutex> g(r.mutex);
        --r.count;
        r.ended.notify_all();
    }).detach();
}

bool waitForThreads(double seconds) {
    Running& r = running();
    std::unique_lock<std::mutex> lock(r.mutex);
    return r.ended.wait_for(lock, std::chrono::duration<double>(seconds),
                            [&r] { return r.count == 0; });
}

void sleepFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace foundation
