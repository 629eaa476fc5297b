#pragma once

#include "data/EventDay.h"
#include "events/DPListView.h"

#include <QImage>

#include <vector>

// The day popup's list of full-day entries above its timed events: one row of
// 18 points per entry, each a rounded, shaded box with the entry's title and,
// for marks, holiday and birthday entries, a small glyph before it. With more
// entries than rows the last row is a line telling how many more there are.
// It picks its rows itself from all of the day's records: full-day entries of
// selected calendars, never the day's notes event.
class DPFulldayView final : public DPListView {
    Q_OBJECT

public:
    static constexpr double kRowHeight = 18.0;
    // The kind of an entry, for its glyph.
    enum EventType : int { Plain = 0, Holiday = 2, Birthday = 3, Mark = 4 };

    explicit DPFulldayView(const QRectF& frame = QRectF());

    // Whether a record gets a row (and counts among the listable entries).
    static bool listsRecord(const EventDayPtr& record);

    void setEvents(const std::vector<EventDayPtr>& events) { events_ = events; }
    const std::vector<EventDayPtr>& events() const { return events_; }
    // `maximum` rows; with more listable entries than that the last row gives
    // way to the line of the ones left over.
    void setMaxEntriesTotal(int maximum, int total);
    int maxNumberOfEntries() const { return maxNumberOfEntries_; }
    int additionalEntries() const { return additionalEntries_; }

    // What one row shows: its rectangle, its text, the glyph kind, and the
    // colour of its box with calendar colours on.
    struct Row {
        QRectF rect;
        QString text;
        int eventType = Plain;
        std::optional<QColor> color;  // none: the more line, drawn without a box
    };
    // The rows for the present bounds, the more line last when there is one.
    std::vector<Row> rows() const;

    void drawRect(kit::Graphics& g, const QRectF& dirtyRect) override;

private:
    void drawEventBox(kit::Graphics& g, const QRectF& rect, const std::optional<QColor>& base);
    void drawEventText(kit::Graphics& g, const QString& text, const QRectF& rect, int eventType);
    static const QImage& glyphFor(int eventType);

    std::vector<EventDayPtr> events_;
    int maxNumberOfEntries_ = 0;
    int additionalEntries_ = 0;
};
