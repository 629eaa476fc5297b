#pragma once

#include "platform/store/ManagedObject.h"

#include <memory>

namespace calstore {

class ManagedGroup;

// The managed object behind a calendar: its class name tells the kind of
// calendar (local, subscribed, birthdays, calendar-server, mail-server), and it
// knows the account group the calendar belongs to.
class ManagedCalendar final : public ManagedObject {
public:
    ManagedCalendar(ManagedObjectID id, QString className, std::shared_ptr<ManagedGroup> group)
        : ManagedObject(std::move(id)),
          className_(std::move(className)),
          group_(std::move(group)) {}
    QString className() const override { return className_; }

    std::shared_ptr<ManagedGroup> group() const { return group_; }

private:
    QString className_;
    std::shared_ptr<ManagedGroup> group_;
};

using ManagedCalendarPtr = std::shared_ptr<ManagedCalendar>;

}  // namespace calstore
