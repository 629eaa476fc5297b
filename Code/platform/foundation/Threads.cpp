#include "platform/foundation/Threads.h"

#include "platform/foundation/Log.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <thread>
#include <vector>

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

void forEachIndexInParallel(size_t count, const std::function<void(size_t)>& fn) {
    if (count == 0) return;
    std::atomic<size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    auto work = [&] {
        for (size_t i = next++; i < count; i = next++) {
            try {
                fn(i);
            } catch (...) {
                std::lock_guard<std::mutex> g(failureMutex);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    const size_t helpers =
        std::min<size_t>(count, std::max(1u, std::thread::hardware_concurrency())) - 1;
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (size_t i = 0; i < helpers; ++i) threads.emplace_back(work);
    work();
    for (auto& t : threads) t.join();
    if (failure) std::rethrow_exception(failure);
}

void sleepFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace foundation
