#pragma once

#include <QString>

#include <stdexcept>

namespace calstore {

// Thrown by the store only for faults it cannot report as a result; callers
// guard their store calls and log the reason.
class StoreError final : public std::runtime_error {
public:
    explicit StoreError(const QString& reason)
        : std::runtime_error(reason.toStdString()), reason_(reason) {}
    const QString& reason() const { return reason_; }

private:
    QString reason_;
};

}  // namespace calstore
