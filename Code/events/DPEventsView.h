#pragma once

#include "data/DayEventLayout.h"
#include "data/MyDate.h"
#include "events/DPListView.h"

#include <vector>

// The day popup's scrolled list of timed events: one day as a column of 24
// hours, 50 points an hour, with right-aligned hour labels, a solid line at
// every full hour and a dotted one at every half hour, and over this grid one
// rounded, shaded box per timed event, placed by its start and end and by the
// overlap layout the popup made, with the event's title inside. It takes no
// clicks; wheel turns go to the popup, which scrolls it. The full grid covers
// y 8.5 (24:00) to 1208.5 (0:00) of the 1215 points the popup makes it high.
class DPEventsView final : public DPListView {
    Q_OBJECT

public:
    static constexpr double kHourHeight = 50.0;
    static constexpr double kViewHeight = 24 * kHourHeight + 15;  // 1215
    static constexpr double kGridBottom = 8.5;                    // the line of 24:00

    explicit DPEventsView(const QRectF& frame = QRectF());

    // Set up once; every later call only moves and resizes the view.
    DPEventsView* initWithFrame(const QRectF& frame);

    // The popup's own layout of the day (records with their overlap values);
    // nothing is drawn until the next redraw.
    void setEvents(const std::vector<DayEventLayout::TimedEvent>& events) { events_ = events; }
    const std::vector<DayEventLayout::TimedEvent>& events() const { return events_; }
    void setDate(const MyDatePtr& date) { myDate_ = date; }
    MyDatePtr date() const { return myDate_; }

    // Where a record's box lies (in the view's coordinates) for the view's
    // present width, or an empty rectangle when it is too small to be drawn
    // (10 points or less either way), full-day, or of a hidden calendar.
    QRectF boxForEvent(const DayEventLayout::TimedEvent& entry) const;
    // The width of the label column ("23:00" plus 2).
    double labelColumnWidth() const;

    void scrollWheel(const kit::Event& event) override;
    void drawRect(kit::Graphics& g, const QRectF& dirtyRect) override;

private:
    void drawEventBox(kit::Graphics& g, const QRectF& box, const std::optional<QColor>& base);

    kit::TextAttributes textAttribsTime_;
    std::vector<DayEventLayout::TimedEvent> events_;
    MyDatePtr myDate_;
    bool objectInited_ = false;
};
