#pragma once

#include "platform/store/CivilTime.h"
#include "platform/store/ZoneTable.h"

#include <memory>

namespace calstore::detail {

// One date or date-time value of a file (DTSTART, DTEND, RECURRENCE-ID, EXDATE,
// RDATE, UNTIL) as a wall-clock reading on the clock it names: a date, a floating
// time (the store's zone), a UTC time or a time in a zone of its own.
struct Timing {
    enum class Kind : unsigned char { Date, Floating, Utc, Zoned };
    Kind kind = Kind::Floating;
    qint64 wall = 0;                        // dates at 00:00
    std::shared_ptr<const ZoneTable> zone;  // Zoned only

    bool isDate() const { return kind == Kind::Date; }
    qint64 days() const { return civil::daysOfWall(wall); }
    // The instant, reading dates and floating times on the `local` clock.
    qint64 utc(const ZoneTable& local) const {
        switch (kind) {
            case Kind::Utc:
                return wall;
            case Kind::Zoned:
                return zone->utcFromWall(wall);
            default:
                return local.utcFromWall(wall);
        }
    }
    // The clock the value is read on.
    const ZoneTable& clock(const ZoneTable& local) const {
        if (kind == Kind::Utc) return *ZoneTable::utc();
        if (kind == Kind::Zoned) return *zone;
        return local;
    }
};

}  // namespace calstore::detail
