#pragma once

#include <QString>
#include <QTimeZone>

#include <memory>
#include <vector>

namespace calstore {

// The UTC offsets of one time zone as an immutable table of transitions, so that
// converting between wall-clock and UTC seconds is a binary search that any
// number of threads may do at once. Each zone is built once and shared: zones
// the system knows are cached by their id for the whole process; zones defined
// only by a file's VTIMEZONE are built by the reader from their observances.
class ZoneTable final {
public:
    struct Transition {
        qint64 utc = 0;       // the instant the new offset starts
        int offsetAfter = 0;  // seconds ahead of UTC from then on
    };

    // The table of a zone of the system's time-zone database (cached by id).
    static std::shared_ptr<const ZoneTable> forTimeZone(const QTimeZone& zone);
    static std::shared_ptr<const ZoneTable> utc();
    // A zone given by its transitions (any order); `initialOffset` holds before the first.
    static std::shared_ptr<const ZoneTable> fromTransitions(const QString& id, int initialOffset,
                                                            std::vector<Transition> transitions);

    const QString& id() const { return id_; }

    int offsetAtUtc(qint64 utc) const;
    qint64 wallFromUtc(qint64 utc) const { return utc + offsetAtUtc(utc); }
    // The instant of a wall-clock reading. A reading that the clocks skip (02:30
    // when they jump from 02:00 to 03:00) moves forward by the jump (03:30); a
    // reading that occurs twice means the first of the two.
    qint64 utcFromWall(qint64 wall) const;

    ZoneTable(QString id, int initialOffset, std::vector<Transition> transitions, QTimeZone outside,
              qint64 rangeStart, qint64 rangeEnd);

private:
    QString id_;
    int initialOffset_ = 0;
    std::vector<qint64> times_;  // sorted transition instants
    std::vector<int> offsets_;   // offsets_[i] holds from times_[i] on
    // Beyond the tabulated range a system zone answers for itself.
    QTimeZone outside_;
    qint64 rangeStart_ = 0;
    qint64 rangeEnd_ = 0;
};

}  // namespace calstore
