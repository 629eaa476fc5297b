#include "data/Birthday.h"

#include "data/MyDate.h"

int Birthday::compare(const Birthday& other) const {
    if (date_ < other.date_) return -1;
    if (date_ > other.date_) return 1;
    return 0;
}

QString Birthday::description() const {
    return QStringLiteral("BD new:%1 chg:%2 prv:%3 '%4' on %5")
        .arg(isNew_ ? 1 : 0)
        .arg(isChanged_ ? 1 : 0)
        .arg(isFromPrevYear_ ? 1 : 0)
        .arg(title_, MyDate::dateWithTimeIntervalSince1970(date_)->description());
}
