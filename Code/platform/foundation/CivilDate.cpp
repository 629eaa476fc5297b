#include "platform/foundation/CivilDate.h"

namespace foundation::civil {

qint64 daysFromCivil(qint64 y, int m, qint64 d) {
    y -= m <= 2 ? 1 : 0;
    const qint64 era = floorDiv(y, 400);
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(qint64 z, int* year, int* month, int* day) {
    z += 719468;
    const qint64 era = floorDiv(z, 146097);
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    *year = int(yoe + era * 400 + (m <= 2 ? 1 : 0));
    *month = m;
    *day = d;
}

bool isLeapYear(qint64 y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(qint64 y, int m) {
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (m == 2 && isLeapYear(y)) ? 29 : lengths[m - 1];
}

int daysInYear(qint64 y) {
    return isLeapYear(y) ? 366 : 365;
}

}  // namespace foundation::civil
