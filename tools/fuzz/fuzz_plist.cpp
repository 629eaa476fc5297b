// Feeds arbitrary bytes to the property-list reader (XML and binary), and
// writes back what it accepts, which must read back the same.

#include "platform/foundation/PropertyList.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using foundation::PropertyList;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QVariant value = PropertyList::fromData(bytes);
    if (!value.isValid()) return 0;
    const QByteArray xml = PropertyList::toXml(value);
    if (xml.isEmpty()) return 0;  // e.g. nested deeper than a file may be written
    const QVariant back = PropertyList::fromData(xml);
    if (!PropertyList::identical(back, PropertyList::normalized(value))) std::abort();
    return 0;
}
