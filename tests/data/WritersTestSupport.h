#pragma once

// What the tests of the single-event writers and of the merging of store
// changes share: a main window controller that records what it is handed, and
// a recorder of "Event Data Changed".

#include "data/MainWindowHooks.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"

#include <QObject>
#include <QSet>
#include <QStringList>

#include <mutex>
#include <vector>

namespace writerstest {

class RecordingHooks final : public MainWindowHooks {
public:
    void eventsUpdated(const QVariantMap& updatedEvents) override {
        std::lock_guard<std::mutex> lock(mutex_);
        reports_.push_back(updatedEvents);
        if (!foundation::isMainThread()) ++reportsOffMain_;
    }
    void calendarsRemoved(const std::vector<CalendarPtr>& calendars) override {
        std::lock_guard<std::mutex> lock(mutex_);
        removedCalendars_.push_back(calendars);
    }
    QObject* currentWeekView() const override { return weekView; }
    bool isCurrentlyInCreation(const QString& uid) const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return inCreation.contains(uid);
    }

    std::vector<QVariantMap> reports() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return reports_;
    }
    std::vector<std::vector<CalendarPtr>> removedCalendars() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return removedCalendars_;
    }
    int reportsOffMain() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return reportsOffMain_;
    }

    QObject* weekView = nullptr;
    QSet<QString> inCreation;

private:
    mutable std::mutex mutex_;
    std::vector<QVariantMap> reports_;
    std::vector<std::vector<CalendarPtr>> removedCalendars_;
    int reportsOffMain_ = 0;
};

// Installs a RecordingHooks for its lifetime.
class ScopedHooks final {
public:
    ScopedHooks() : hooks(std::make_shared<RecordingHooks>()) { MainWindowHooks::setShared(hooks); }
    ~ScopedHooks() { MainWindowHooks::setShared(nullptr); }
    ScopedHooks(const ScopedHooks&) = delete;
    ScopedHooks& operator=(const ScopedHooks&) = delete;
    RecordingHooks* operator->() const { return hooks.get(); }
    std::shared_ptr<RecordingHooks> hooks;
};

// Every "Event Data Changed" posted while it exists.
class ChangeRecorder final {
public:
    ChangeRecorder() {
        foundation::NotificationCenter::defaultCenter().addObserver(
            this, YearViewEventLoader::eventDataChangedNotification, nullptr,
            [this](const foundation::Notification& n) {
                std::lock_guard<std::mutex> lock(mutex_);
                posted_.push_back(n);
            });
    }
    ~ChangeRecorder() { foundation::NotificationCenter::defaultCenter().removeObserver(this); }
    ChangeRecorder(const ChangeRecorder&) = delete;
    ChangeRecorder& operator=(const ChangeRecorder&) = delete;

    std::vector<foundation::Notification> posted() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return posted_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<foundation::Notification> posted_;
};

// A user information as text, so that a test states all of it at once: keys in
// order, "event" as "null" or the event's UID and title.
inline QString describe(const QVariantMap& info) {
    QStringList parts;
    for (auto it = info.cbegin(); it != info.cend(); ++it) {
        QString value;
        if (it.key() == YearViewEventLoader::kEventKey) {
            const auto event = it.value().value<calstore::EventPtr>();
            value =
                event ? event->uid() + QLatin1Char('/') + event->title() : QStringLiteral("null");
        } else {
            value = it.value().toString();
        }
        parts << it.key() + QLatin1Char('=') + value;
    }
    return parts.join(QStringLiteral(", "));
}

// A change report as text: "uid:code" in key order.
inline QString describeReport(const QVariantMap& report) {
    QStringList parts;
    for (auto it = report.cbegin(); it != report.cend(); ++it)
        parts << it.key() + QLatin1Char(':') + QString::number(it.value().toInt());
    return parts.join(QStringLiteral(" "));
}

}  // namespace writerstest
