#pragma once

#include "platform/kit/Control.h"

#include <QRectF>

namespace kit {

class Event;
class Graphics;

// A scroller: a slot with a knob whose length shows how much of a range is in
// sight (the knob proportion) and whose place shows where (the value, 0 at the top
// or left end, 1 at the bottom or right end). It runs along its longer side.
//
// The user drags the knob (the scroller sets its value and sends its action while
// the knob moves), clicks the slot beside the knob to page, or the arrows of a
// legacy scroller to step by a line; for pages and lines the scroller only sends
// its action, and the target reads hitPart() and sets the new value itself. An
// Option-click in the slot jumps the knob there (hitPart() is KnobSlot) and then
// drags it. Subclasses may override setDoubleValue to follow every change of the
// value, whoever makes it. The scroller draws itself; main thread only.
class Scroller : public Control {
    Q_OBJECT

public:
    // The parts, numbered as the system's code compares them.
    enum class Part {
        NoPart = 0,
        DecrementPage = 1,
        Knob = 2,
        IncrementPage = 3,
        DecrementLine = 4,
        IncrementLine = 5,
        KnobSlot = 6,
    };
    // Legacy scrollers take room beside the content and show line arrows at their
    // ends; overlay scrollers are slim, lie over the content and have no arrows.
    enum class Style { Legacy = 0, Overlay = 1 };
    enum class ArrowsPosition { Default = 0, None = 2 };

    // The thickness of a scroller of the style.
    static double scrollerWidth(Style style = Style::Legacy);
    // The shortest knob, in points (shorter slots show a knob as long as the slot).
    static constexpr double kMinimumKnobLength = 18;

    explicit Scroller(const QRectF& frame = QRectF());

    double knobProportion() const { return proportion_; }
    void setKnobProportion(double proportion);
    // The value clamped to 0 … 1; redraws.
    virtual void setDoubleValue(double value);
    void setObjectValue(const QVariant& value) override;

    Style scrollerStyle() const { return style_; }
    void setScrollerStyle(Style style);
    ArrowsPosition arrowsPosition() const { return arrows_; }
    void setArrowsPosition(ArrowsPosition position);

    // The part the last mouse-down hit (NoPart before any).
    Part hitPart() const { return hitPart_; }
    // The part under `point` (in the scroller's coordinates): the arrows, the knob
    // or the slot on either side of it; NoPart outside or while the scroller cannot
    // be used (disabled, or the whole range in sight).
    Part testPart(const QPointF& point) const;
    // Where a part lies, in the scroller's coordinates (empty when not shown).
    // KnobSlot is the whole slot the knob moves in.
    QRectF rectForPart(Part part) const;
    // The value that puts the knob's centre at `point` (clamped to 0 … 1).
    double valueForPoint(const QPointF& point) const;
    bool isVertical() const;
    // Whether the knob can move: enabled, a proportion below 1 and room to travel.
    bool isUsable() const;

    void drawRect(Graphics& graphics, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;
    bool acceptsFirstMouse(const Event&) override { return true; }

private:
    // The slot along the long axis: its start and end (y upwards or x rightwards)
    // and the knob's length in it.
    struct Track {
        double start = 0, end = 0, knob = 0;
        double travel() const { return end - start - knob; }
    };
    Track track() const;
    bool showsArrows() const;
    // Follows the knob with the mouse until the button goes up; `grab` is where
    // the knob was taken, from its centre along the long axis.
    void trackKnob(double grab);
    double along(const QPointF& p) const { return isVertical() ? p.y() : p.x(); }

    double proportion_ = 1.0;
    Style style_ = Style::Overlay;
    ArrowsPosition arrows_ = ArrowsPosition::Default;
    Part hitPart_ = Part::NoPart;
    bool tracking_ = false;
};

}  // namespace kit
