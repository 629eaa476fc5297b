#pragma once

#include <QString>

#include <memory>

class YearViewEventLoader;

// One record of the year loader cache: the cache key (the year as text), the
// cached loader, and when the record was made. Records age from their
// creation: looking a loader up does not renew it.
class LRUEntry final {
public:
    LRUEntry() = default;
    LRUEntry(const QString& keyStr, const std::shared_ptr<YearViewEventLoader>& linkedObject,
             double lastUsed);

    const QString& keyStr() const { return keyStr_; }
    void setKeyStr(const QString& keyStr) { keyStr_ = keyStr; }
    const std::shared_ptr<YearViewEventLoader>& linkedObject() const { return linkedObject_; }
    void setLinkedObject(const std::shared_ptr<YearViewEventLoader>& object) {
        linkedObject_ = object;
    }
    // Seconds since 1 January 2001 00:00 UTC.
    double lastUsed() const { return lastUsed_; }
    void setLastUsed(double seconds) { lastUsed_ = seconds; }

private:
    QString keyStr_;
    std::shared_ptr<YearViewEventLoader> linkedObject_;
    double lastUsed_ = 0.0;
};

using LRUEntryPtr = std::shared_ptr<LRUEntry>;
