#include "platform/kit/Scroller.h"

#include "platform/kit/Application.h"
#include "platform/kit/Color.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Path.h"

#include <algorithm>

namespace kit {

double Scroller::scrollerWidth(Style style) {
    return style == Style::Legacy ? 15.0 : 11.0;
}

Scroller::Scroller(const QRectF& frame) : Control(frame) {
    storeValue(0.0);
}

void Scroller::setKnobProportion(double proportion) {
    proportion = std::clamp(proportion, 0.0, 1.0);
    if (proportion == proportion_) return;
    proportion_ = proportion;
    setNeedsDisplay();
}

void Scroller::setDoubleValue(double value) {
    value = std::clamp(value, 0.0, 1.0);
    if (value == doubleValue() && objectValue().isValid()) return;
    storeValue(value);
    setNeedsDisplay();
}

void Scroller::setObjectValue(const QVariant& value) {
    setDoubleValue(value.toDouble());
}

void Scroller::setScrollerStyle(Style style) {
    style_ = style;
    setNeedsDisplay();
}

void Scroller::setArrowsPosition(ArrowsPosition position) {
    arrows_ = position;
    setNeedsDisplay();
}

bool Scroller::isVertical() const {
    return bounds().height() >= bounds().width();
}

bool Scroller::showsArrows() const {
    return style_ == Style::Legacy && arrows_ != ArrowsPosition::None;
}

Scroller::Track Scroller::track() const {
    const QRectF b = bounds();
    const double length = isVertical() ? b.height() : b.width();
    const double thickness = isVertical() ? b.width() : b.height();
    const double arrow = showsArrows() && length >= 3 * thickness ? thickness : 0.0;
    Track t;
    t.start = (isVertical() ? b.y() : b.x()) + arrow;
    t.end = t.start + length - 2 * arrow;
    const double slot = t.end - t.start;
    t.knob = std::clamp(proportion_ * slot, std::min(kMinimumKnobLength, slot), slot);
    return t;
}

bool Scroller::isUsable() const {
    return isEnabled() && proportion_ < 1.0 && track().travel() > 0;
}

QRectF Scroller::rectForPart(Part part) const {
    const QRectF b = bounds();
    const Track t = track();
    const bool v = isVertical();
    // A stretch [from, to] of the long axis across the whole thickness.
    auto span = [&](double from, double to) {
        if (to <= from) return QRectF();
        return v ? QRectF(b.x(), from, b.width(), to - from)
                 : QRectF(from, b.y(), to - from, b.height());
    };
    const double lo = v ? b.y() : b.x(), hi = v ? maxY(b) : maxX(b);
    // Vertical scrollers count their value from the top (the high end of y).
    const double knobLo =
        v ? t.end - doubleValue() * t.travel() - t.knob : t.start + doubleValue() * t.travel();
    const double knobHi = knobLo + t.knob;
    switch (part) {
        case Part::NoPart:
            return QRectF();
        case Part::KnobSlot:
            return span(t.start, t.end);
        case Part::Knob:
            return isUsable() ? span(knobLo, knobHi) : QRectF();
        case Part::DecrementPage:
            if (!isUsable()) return QRectF();
            return v ? span(knobHi, t.end) : span(t.start, knobLo);
        case Part::IncrementPage:
            if (!isUsable()) return QRectF();
            return v ? span(t.start, knobLo) : span(knobHi, t.end);
        case Part::DecrementLine:
            return v ? span(t.end, hi) : span(lo, t.start);
        case Part::IncrementLine:
            return v ? span(lo, t.start) : span(t.end, hi);
    }
    return QRectF();
}

Scroller::Part Scroller::testPart(const QPointF& point) const {
    if (!isUsable() || !pointInRect(point, bounds())) return Part::NoPart;
    for (Part part : {Part::Knob, Part::DecrementPage, Part::IncrementPage, Part::DecrementLine,
                      Part::IncrementLine})
        if (pointInRect(point, rectForPart(part))) return part;
    return Part::NoPart;
}

double Scroller::valueForPoint(const QPointF& point) const {
    const Track t = track();
    if (t.travel() <= 0) return doubleValue();
    const double v = isVertical() ? (t.end - (point.y() + t.knob / 2)) / t.travel()
                                  : (point.x() - t.knob / 2 - t.start) / t.travel();
    return std::clamp(v, 0.0, 1.0);
}

void Scroller::mouseDown(const Event& event) {
    const QPointF p = convertPointFromView(event.locationInWindow(), nullptr);
    Part part = testPart(p);
    if ((part == Part::DecrementPage || part == Part::IncrementPage) &&
        event.hasModifier(ModifierFlags::Option))
        part = Part::KnobSlot;
    hitPart_ = part;
    switch (part) {
        case Part::NoPart:
            return;
        case Part::Knob: {
            const QRectF knob = rectForPart(Part::Knob);
            trackKnob(along(p) - along(knob.center()));
            return;
        }
        case Part::KnobSlot:
            setDoubleValue(valueForPoint(p));
            sendAction();
            trackKnob(0);
            return;
        default:
            // Pages and lines: the target moves the value.
            sendAction();
            return;
    }
}

void Scroller::trackKnob(double grab) {
    tracking_ = true;
    setNeedsDisplay();
    for (;;) {
        const std::optional<Event> next = Application::shared().nextEventMatchingMask(
            EventMasks::LeftMouseUp | EventMasks::LeftMouseDragged);
        if (!next || next->type() == EventType::LeftMouseUp) break;
        QPointF p = convertPointFromView(next->locationInWindow(), nullptr);
        (isVertical() ? p.ry() : p.rx()) -= grab;
        const double v = valueForPoint(p);
        if (v == doubleValue()) continue;
        setDoubleValue(v);
        sendAction();
    }
    tracking_ = false;
    setNeedsDisplay();
}

void Scroller::drawRect(Graphics& graphics, const QRectF&) {
    const QRectF b = bounds();
    const bool v = isVertical();
    graphics.saveGraphicsState();
    if (style_ == Style::Legacy) {
        graphics.setFillColor(Color::white(0.96));
        graphics.fillRect(b);
        // A hairline on the side that faces the content.
        graphics.setFillColor(Color::white(0.85));
        graphics.fillRect(v ? QRectF(b.x(), b.y(), 1, b.height())
                            : QRectF(b.x(), maxY(b) - 1, b.width(), 1));
        if (showsArrows()) {
            graphics.setFillColor(Color::white(isEnabled() ? 0.45 : 0.75));
            for (Part part : {Part::DecrementLine, Part::IncrementLine}) {
                const QRectF r = rectForPart(part);
                if (isEmptyRect(r)) continue;
                const QPointF c = r.center();
                const double s = std::min(r.width(), r.height()) * 0.2;
                // The arrow points away from the slot.
                const double dir = (part == Part::DecrementLine) == v ? 1.0 : -1.0;
                Path arrow;
                if (v) {
                    arrow.moveTo(QPointF(c.x() - s, c.y() - dir * s / 2));
                    arrow.lineTo(QPointF(c.x() + s, c.y() - dir * s / 2));
                    arrow.lineTo(QPointF(c.x(), c.y() + dir * s));
                } else {
                    arrow.moveTo(QPointF(c.x() - dir * s / 2, c.y() - s));
                    arrow.lineTo(QPointF(c.x() - dir * s / 2, c.y() + s));
                    arrow.lineTo(QPointF(c.x() + dir * s, c.y()));
                }
                arrow.closePath();
                graphics.fill(arrow);
            }
        }
    }
    const QRectF knob = rectForPart(Part::Knob);
    if (!isEmptyRect(knob)) {
        const double inset = style_ == Style::Legacy ? 3.5 : 2.0;
        const QRectF k =
            v ? knob.adjusted(inset, 1, -inset, -1) : knob.adjusted(1, inset, -1, -inset);
        const double radius = std::min(k.width(), k.height()) / 2;
        const double darkness = tracking_ ? 0.6 : 0.45;
        graphics.setFillColor(style_ == Style::Legacy ? Color::white(tracking_ ? 0.5 : 0.65)
                                                      : Color::white(0.0, darkness));
        graphics.fillRoundedRect(k, radius, radius);
    }
    graphics.restoreGraphicsState();
}

}  // namespace kit
