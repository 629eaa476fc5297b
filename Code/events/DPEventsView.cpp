#include "events/DPEventsView.h"

#include "data/Calendar.h"
#include "events/DayPopupController.h"
#include "platform/kit/Color.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Gradient.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Path.h"
#include "weekview/WeekdayView.h"

#include <algorithm>
#include <cmath>

namespace {

// Boxes this high or lower (or this narrow) are left out; titles need boxes
// at least 16 high.
constexpr double kMinBoxSize = 10.0;
constexpr double kTitleBoxHeight = 16.0;
constexpr double kIndentStep = 8.0;

const DPListView::BoxStyle kTimedBoxStyle{0.1, 0.4, true};

}  // namespace

DPEventsView::DPEventsView(const QRectF& frame) : DPListView(frame) {
    initWithFrame(frame);
}

DPEventsView* DPEventsView::initWithFrame(const QRectF& frame) {
    setFrame(frame);
    if (objectInited_) return this;
    objectInited_ = true;
    events_.clear();
    setUseCalendarColors(false);
    setDoubleStrike(false);
    textAttribsTime_ = titleAttributes(kit::Color::white(0.6, 1.0));
    return this;
}

double DPEventsView::labelColumnWidth() const {
    return textAttribsTime_.sizeOfString(QStringLiteral("23:00")).width() + 2;
}

QRectF DPEventsView::boxForEvent(const DayEventLayout::TimedEvent& entry) const {
    const EventDayPtr& record = entry.record;
    if (!DayEventLayout::isShown(record) || record->fulldayEvent()) return QRectF();
    const double L = labelColumnWidth(), W = kit::width(bounds());
    // A group of fewer than one member is taken as one: never a division by it.
    const int together = std::max(1, entry.eventsAtSameTime);
    double x = L + 2 + kIndentStep * entry.indentLevel;
    double w = (W - L - 2 - kIndentStep * entry.indentLevel) / together;
    x = std::floor(x + entry.indexAtSameTime * w) + 0.5;
    w = std::floor(w);
    // The day ends at the next midnight, which clock changes put 23 or 25
    // hours on.
    const WeekdayView::HourSpan span = WeekdayView::hourSpanOnDay(
        record->event()->startDate(), record->event()->endDate(), myDate_);
    const float top = float(span.top), bottom = float(span.bottom);
    const double h = std::floor((top - bottom) * float(kHourHeight));
    const double y = std::floor(bottom * kHourHeight + kGridBottom) + 0.5;
    if (w <= kMinBoxSize || h <= kMinBoxSize) return QRectF();
    return kit::makeRect(x, y, w, h);
}

void DPEventsView::scrollWheel(const kit::Event& event) {
    // The popup scrolls the list; the view itself never does.
    DayPopupController::sharedWinController()->scrollNotify(event);
}

void DPEventsView::drawRect(kit::Graphics& g, const QRectF&) {
    g.setDefaultLineWidth(1.0);
    const double L = labelColumnWidth(), W = kit::width(bounds());

    // The grid: the line of hour i at 1208.5 - 50 i, its half hour 24 lower.
    double y = std::floor(1202 + 0.5) + 0.5;
    for (int i = 0; i < 24; ++i, y -= kHourHeight) {
        const QString label = QStringLiteral("%1:00").arg(i);
        g.drawString(label, QPointF(L - textAttribsTime_.sizeOfString(label).width(), y),
                     textAttribsTime_);
        g.setStrokeColor(kit::Color::white(0.4, 1.0));
        g.strokeLine(QPointF(L + 2, y + 6), QPointF(W, y + 6));
        const double m = std::floor(y - 25 + 0.5) + 0.5;
        kit::Path half;
        half.moveTo(QPointF(L + 2, m + 6));
        half.lineTo(QPointF(W, m + 6));
        half.setLineWidth(1.0);
        half.setLineDash({1.0, 2.0}, 0.0);
        g.setStrokeColor(kit::Color::white(0.3, 1.0));
        g.stroke(half);
    }

    // The boxes, a later one over an earlier one.
    for (const DayEventLayout::TimedEvent& entry : events_) {
        const QRectF box = boxForEvent(entry);
        if (box.isEmpty()) continue;
        std::optional<QColor> base;
        if (useCalendarColors()) base = entry.record->calendar()->color();
        drawEventBox(g, box, base);
        if (kit::height(box) >= kTitleBoxHeight)
            drawTitle(g, entry.record->event()->title(),
                      kit::makeRect(kit::minX(box) + 1, kit::minY(box), kit::width(box) - 2,
                                    kit::height(box)));
    }
}

void DPEventsView::drawEventBox(kit::Graphics& g, const QRectF& box,
                                const std::optional<QColor>& base) {
    const BoxColors colors = boxColors(base, kTimedBoxStyle);
    const double x = kit::minX(box), y = kit::minY(box);
    const double w = kit::width(box), h = kit::height(box);

    kit::Path outline;
    outline.moveTo(QPointF(x + 1, y + 6));
    outline.relativeLineTo(QPointF(0, h - 12));
    outline.relativeCurveTo(QPointF(5, 5), QPointF(0, 2), QPointF(3, 5));
    outline.relativeLineTo(QPointF(w - 13, 0));
    outline.relativeCurveTo(QPointF(5, -5), QPointF(2, 0), QPointF(5, -3));
    outline.relativeLineTo(QPointF(0, 12 - h));
    outline.relativeCurveTo(QPointF(-5, -5), QPointF(0, -2), QPointF(-3, -5));
    outline.relativeLineTo(QPointF(13 - w, 0));
    outline.relativeCurveTo(QPointF(-5, 5), QPointF(-2, 0), QPointF(-5, 3));
    outline.setLineWidth(2.0);
    g.setStrokeColor(colors.rim);
    g.stroke(outline);
    // The top 35 points shade from the top colour into the body.
    const kit::Gradient gradient({colors.top, colors.body, colors.body},
                                 {0.0, std::min(1.0, 35.0 / h), 1.0});
    g.drawGradient(gradient, outline, 270.0);

    kit::Path edge;
    edge.moveTo(QPointF(x + 6, y + 1));
    edge.relativeLineTo(QPointF(w - 13, 0));
    edge.relativeCurveTo(QPointF(5, 5), QPointF(2, 0), QPointF(5, 3));
    edge.relativeLineTo(QPointF(0, h - 12));
    edge.setLineWidth(2.0);
    g.setStrokeColor(colors.edge);
    g.stroke(edge);
}
