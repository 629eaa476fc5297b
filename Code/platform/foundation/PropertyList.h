#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace foundation {

// Reads and writes property lists: the settings, the external configuration
// file and the cloud store all use them.
//
// Values are QVariants: QVariantMap (dictionary), QVariantList (array), QString,
// bool, qint64 (integer; quint64 for values above the signed range), double
// (real), QDateTime (date, UTC) and QByteArray (data). Writing also accepts the
// other integer types, float, QStringList and QVariantHash and stores them as
// their property-list kind.
//
// Files are written as XML; reading accepts XML and binary ("bplist00") files,
// since a shared file may have been written on another machine. Every reader
// treats its input as untrusted: bad input gives an invalid QVariant and a
// message in `error`, never a crash, deep recursion or an allocation larger
// than the input warrants.
class PropertyList final {
public:
    enum class Format { Xml, Binary };

    // Containers nested deeper than this are refused on reading and writing.
    static constexpr int maxDepth = 256;
    // A binary list may refer to one object from many places; it is refused when
    // its values, written out as a tree, would number more than this.
    static constexpr qint64 maxExpandedObjects = qint64(1) << 20;
    // Files larger than this are not read.
    static constexpr qint64 maxFileSize = qint64(64) << 20;

    // Parses XML or binary data, telling them apart by their first bytes.
    static QVariant fromData(const QByteArray& data, QString* error = nullptr,
                             Format* format = nullptr);
    static QVariant fromXml(const QByteArray& data, QString* error = nullptr);
    static QVariant fromBinary(const QByteArray& data, QString* error = nullptr);

    // The XML form of `value`: dictionary keys sorted, dates in UTC to the second.
    // An empty result and `error` when `value` holds something a property list
    // cannot.
    static QByteArray toXml(const QVariant& value, QString* error = nullptr);

    // `value` as a reader would return it after a round trip through a file
    // (int becomes qint64, QStringList a QVariantList, dates UTC to the second…),
    // or an invalid QVariant and `error` when it cannot be stored.
    static QVariant normalized(const QVariant& value, QString* error = nullptr);

    // Sets `key` of a settings dictionary to the stored form of `value`. Answers
    // false, logging "ERROR: cannot store <what> "<key>": why", when the value
    // cannot be stored; `changed` tells whether the dictionary now differs.
    static bool setStoredValue(QVariantMap& values, const QString& key, const QVariant& value,
                               const QString& what, bool* changed);

    // Equal values of the same kinds all the way down (QVariant's own comparison
    // takes the integer 1 and the real 1.0 as equal, which a file does not).
    static bool identical(const QVariant& a, const QVariant& b);

    static QVariant readFile(const QString& path, QString* error = nullptr,
                             Format* format = nullptr);
    // Writes the XML form atomically; the old file stays whole on failure.
    static bool writeFile(const QString& path, const QVariant& value, QString* error = nullptr);

    // Renames an unreadable file to "<name>.unreadable-YYYYMMDD-HHMMSS" next to
    // it (with a counter when that name is taken), so that it is kept for the
    // user and a new file can be written in its place.
    static bool moveUnreadableFileAside(const QString& path, QString* movedTo = nullptr,
                                        QString* error = nullptr);
};

}  // namespace foundation
