#include "platform/foundation/NotificationCenter.h"

#include <atomic>

namespace foundation {

struct NotificationCenter::Entry {
    Token token = 0;
    const void* observer = nullptr;
    QString name;
    const void* sender = nullptr;
    Handler handler;
    std::atomic<bool> alive{true};
    // Held while the handler runs, so that removal waits for a running call on
    // another thread to end (but not for one on its own thread).
    std::recursive_mutex running;
};

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const void* observer,
                                                          const QString& name,
                                                          const void* sender, Handler handler) {
    auto e = std::make_shared<Entry>();
    e->observer = observer;
    e->name = name;
    e->sender = sender;
    e->handler = std::move(handler);
    std::lock_guard<std::mutex> g(mutex_);
    e->token = nextToken_++;
    entries_.push_back(e);
    return e->token;
}


void NotificationCenter::removeMatching(const std::function<bool(const Entry&)>& match) {
    std::vector<std::shared_ptr<Entry>> removed;
    {
        std::lock_guard<std::mutex> g(mutex_);
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (match(**it)) {
                removed.push_back(*it);
                it = entries_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& e : removed) {
        e->alive = false;
        std::lock_guard<std::recursive_mutex> wait(e->running);
    }
}

void NotificationCenter::removeObserver(Token token) {
    removeMatching([token](const Entry& e) { return e.token == token; });
}

void NotificationCenter::removeObserver(const void* observer) {
    removeObserver(observer, QString(), nullptr);
}

void NotificationCenter::removeObserver(const void* observer, const QString& name,
                                        const void* sender) {
    removeMatching([&](const Entry& e) {
        return e.observer == observer && (name.isEmpty() || e.name == name) &&
               (!sender || e.sender == sender);
    });
}

void NotificationCenter::post(const QString& name, const void* object,
                              const QVariantMap& userInfo) {
    post(Notification{name, object, userInfo});
}

void NotificationCenter::post(const Notification& n) {
    std::vector<std::shared_ptr<Entry>> targets;
    {
        std::lock_guard<std::mutex> g(mutex_);
        for (const auto& e : entries_) {
            if ((e->name.isEmpty() || e->name == n.name) && (!e->sender || e->sender == n.object))
                targets.push_back(e);
        }
    }
    for (const auto& e : targets) {
        std::lock_guard<std::recursive_mutex> g(e->running);
        if (e->alive) e->handler(n);
    }
}

}  // namespace foundation
