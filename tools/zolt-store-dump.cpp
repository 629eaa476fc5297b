// zolt-store-dump STORE_DIR FROM TO
//
// Opens the calendar store at STORE_DIR and prints every occurrence that overlaps
// the days FROM to TO (YYYY-MM-DD, TO not included), one line each, sorted:
//     uid|start|end|calendar title
// Timed events in the local time zone as YYYY-MM-DDTHH:MM; all-day events as
// YYYY-MM-DD with their last day as the end. Files the store skips are reported
// on standard error.
#include "platform/store/Store.h"
#include "platform/store/StoreTime.h"

#include <QDate>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace {

int usage(const char* why) {
    std::fprintf(
        stderr,
        "zolt-store-dump: %s\nusage: zolt-store-dump STORE_DIR FROM TO  (dates YYYY-MM-DD)\n", why);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return usage("three arguments expected");
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QDate from = QDate::fromString(QString::fromLatin1(argv[2]), Qt::ISODate);
    const QDate to = QDate::fromString(QString::fromLatin1(argv[3]), Qt::ISODate);
    if (!from.isValid() || !to.isValid()) return usage("dates must be YYYY-MM-DD");
    if (from >= to) return usage("FROM must come before TO");
    if (!QFileInfo(root).isDir()) {
        std::fprintf(stderr, "zolt-store-dump: %s is not a folder\n", argv[1]);
        return 1;
    }

    const QTimeZone zone = calstore::storeTimeZone();
    const auto store = calstore::Store::openAt(root);
    const auto predicate = calstore::Store::eventPredicateWithStartDateEndDateCalendars(
        QDateTime(from, QTime(0, 0), zone), QDateTime(to, QTime(0, 0), zone), store->calendars());
    QStringList lines;
    for (const auto& e : store->eventsWithPredicate(predicate)) {
        const QDateTime start = e->startDate().toTimeZone(zone);
        const QDateTime end = e->endDate().toTimeZone(zone);
        const QString format =
            e->isAllDay() ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("yyyy-MM-ddTHH:mm");
        lines << e->uid() + QLatin1Char('|') + start.toString(format) + QLatin1Char('|') +
                     end.toString(format) + QLatin1Char('|') + e->calendar()->title();
    }
    std::sort(lines.begin(), lines.end());
    const QByteArray out = lines.isEmpty()
                               ? QByteArray()
                               : (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return 0;
}
