// Feeds arbitrary bytes to the store's reader of .ics files, as event and as
// task calendars, and expands what it accepts over a few spans, the way
// queries do.

#include "platform/store/SeriesReader.h"
#include "platform/store/ZoneTable.h"

#include <QByteArray>
#include <QTimeZone>

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace calstore;
    using namespace calstore::detail;
    if (size == 0) return 0;
    const bool tasks = (data[0] & 1) != 0;
    const QByteArray text(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const SeriesReader::Result result = SeriesReader::read(text, tasks);
    if (!result.series) return 0;
    static const auto local = ZoneTable::forTimeZone(QTimeZone("Europe/Berlin"));
    std::vector<Occurrence> out;
    // 2024, a week of 1990 and everything: the spans views and look-ups ask for.
    const qint64 spans[][2] = {{1704063600, 1735686000}, {631152000, 631756800}};
    for (const auto& span : spans) {
        out.clear();
        result.series->occurrencesIn(span[0], span[1], *local, 2000, out);
    }
    result.series->occurrenceAt(std::nullopt, *local);
    return 0;
}
