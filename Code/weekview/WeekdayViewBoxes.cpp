// The day column's hour area: the hour grid with the holiday name, the boxes
// of the timed events with their titles, the grey-out of the past, and the
// box and text drawing the full-day rows of the header share.
//
// The hour area draws either directly (y upwards) or into its cached image,
// whose context is flipped (y downwards from the top). Every vertical position
// here is therefore taken with the direction of y of the drawing at hand.

#include "weekview/WeekdayView.h"

#include "data/Calendar.h"
#include "platform/kit/Color.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/TextLayout.h"
#include "weekview/WDEventsView.h"
#include "weekview/WDHeaderView.h"

#include <algorithm>
#include <cmath>

namespace {

// Set by pictures of a fixed moment; main thread only.
MyDatePtr WDV_fixedNow;

// Boxes lower than this have square corners; texts need boxes this high.
constexpr double kRoundedBoxHeight = 12.0;
constexpr double kTextBoxHeight = 16.0;

// One layout for all boxed texts of all columns; main thread only.
kit::TextLayout& textLayout() {
    static kit::TextLayout layout;
    return layout;
}

// The colours of one event box.
struct BoxColors {
    QColor darkEdge, lightEdge, body, top;
};

bool drawsInGrey(const EventDay& e) {
    return !WeekdayView::useCalendarColors() && !e.isSelected();
}

QColor calendarColorOf(const EventDay& e) {
    return e.calendar() ? e.calendar()->color() : kit::Color::gray();
}

BoxColors boxColorsFor(const EventDay& e) {
    using kit::Color;
    if (drawsInGrey(e))
        return {Color::white(0.25, 1.0), Color::white(0.5, 1.0), Color::white(0.3, 0.6),
                Color::white(0.5, 0.6)};
    const double f = e.isSelected() ? e.blinkingFactor() : 1.0;
    const QColor c = calendarColorOf(e);
    const double hue = Color::hueComponent(c);
    double s = Color::saturationComponent(c), b = Color::brightnessComponent(c);
    if (!WeekdayView::eventSelected() || e.isSelected()) {
        // The selected event stands out: deeper, or darker when already deep.
        if (e.isSelected()) {
            if (s > 0.8)
                b = std::max(b - 0.3, std::min(b, 0.2));
            else
                s = std::min(1.0, s + 0.2);
        }
    } else {
        // While another event is selected this one steps back.
        if (s < 0.2)
            b += 0.5;
        else
            s /= 2;
        b = std::min(b, 1.0);
    }
    const bool topOverflows = b + 0.2 > 1.0;
    return {Color::hsb(hue, s, 0.4, f), Color::hsb(hue, s * 0.5, 1.0, f),
            Color::hsb(hue, s, b, 0.7 * f),
            Color::hsb(hue, std::max(0.0, s - 0.4), std::min(1.0, b + 0.2),
                       (topOverflows ? 0.85 : 0.7) * f)};
}

// A box (x, y, w, h) whose y is its bottom edge in drawings where y grows
// upwards (`dir` 1) and its bottom edge measured from the top where y grows
// downwards (`dir` -1): every vertical step is taken times `dir`.
void drawBox(kit::Graphics& g, double x, double y, double w, double h, double dir,
             const BoxColors& colors, double lineWidth, double shadowAlpha) {
    const auto at = [dir](double dx, double dy) { return QPointF(dx, dir * dy); };
    if (h >= kRoundedBoxHeight) {
        kit::Path outline;
        outline.moveTo(QPointF(x + 1, y + dir * 5));
        outline.relativeLineTo(at(0, h - 10));
        outline.relativeCurveTo(at(5, 5), at(0, 2), at(3, 5));
        outline.relativeLineTo(at(w - 13, 0));
        outline.relativeCurveTo(at(5, -5), at(2, 0), at(5, -3));
        outline.relativeLineTo(at(0, -(h - 10)));
        outline.relativeCurveTo(at(-5, -5), at(0, -2), at(-3, -5));
        outline.relativeLineTo(at(13 - w, 0));
        outline.relativeCurveTo(at(-5, 5), at(-2, 0), at(-5, 3));
        outline.setLineWidth(lineWidth);
        g.setStrokeColor(colors.lightEdge);
        g.stroke(outline);
        // The top 35 points shade from the light top colour into the body.
        const kit::Gradient gradient({colors.top, colors.body, colors.body},
                                     {0.0, std::min(1.0, 35.0 / h), 1.0});
        g.drawGradient(gradient, outline, dir > 0 ? 270.0 : 90.0);

        g.saveGraphicsState();
        g.setShadow(QPointF(2, -2), 5, kit::Color::white(0.0, shadowAlpha));
        kit::Path edge;
        edge.moveTo(QPointF(x + 6, y));
        edge.relativeLineTo(at(w - 13, 0));
        edge.relativeCurveTo(at(5, 5), at(2, 0), at(5, 3));
        edge.relativeLineTo(at(0, h - 10));
        edge.setLineWidth(lineWidth);
        g.setStrokeColor(colors.darkEdge);
        g.stroke(edge);
        g.restoreGraphicsState();
        return;
    }
    g.setFillColor(colors.top);
    g.fillRect(kit::makeRect(x + 1, dir > 0 ? y + 1 : y - h, w - 3, h - 1));
    kit::Path light;
    light.moveTo(QPointF(x + 1, y + dir * 1));
    light.relativeLineTo(at(0, h - 1));
    light.relativeLineTo(at(w - 3, 0));
    light.setLineWidth(lineWidth);
    g.setStrokeColor(colors.lightEdge);
    g.stroke(light);

    g.saveGraphicsState();
    g.setShadow(QPointF(3, -3), 5, kit::Color::white(0.0, shadowAlpha));
    kit::Path dark;
    dark.moveTo(QPointF(x + 2, y + dir * 1));
    dark.relativeLineTo(at(w - 3, 0));
    dark.relativeLineTo(at(0, h - 1));
    dark.setLineWidth(lineWidth);
    g.setStrokeColor(colors.darkEdge);
    g.stroke(dark);
    g.restoreGraphicsState();
}

double hoursOf(const QDateTime& moment) {
    const MyDate d(moment);
    return d.hourNum() + d.minuteNum() / 60.0;
}

// Reports the view unflipped again however the drawing ends.
class FlippedForText final {
public:
    explicit FlippedForText(WDSubview* view) : view_(view) {
        if (view_) view_->setFlippedY(true);
    }
    ~FlippedForText() {
        if (view_) view_->setFlippedY(false);
    }
    FlippedForText(const FlippedForText&) = delete;
    FlippedForText& operator=(const FlippedForText&) = delete;

private:
    WDSubview* view_;
};

}  // namespace

void WeekdayView::setFixedNow(const MyDatePtr& now) {
    WDV_fixedNow = now;
}

void WeekdayView::setCurrentlyDraggedEvent(const EventDayPtr& event) {
    currentlyDraggedEvent_ = event;
    tempHourOffsetStart_ = tempHourOffsetEnd_ = 0.0f;
}

void WeekdayView::setTempHourOffsets(float start, float end) {
    tempHourOffsetStart_ = start;
    tempHourOffsetEnd_ = end;
}

// -- The hour area ---------------------------------------------------------------

void WeekdayView::drawEventsView(WDEventsView* view, kit::Graphics& g) {
    if (!view) return;
    const QRectF b = view->bounds();
    const double W = kit::width(b), H = kit::height(b);
    const bool flipped = view->inCacheDrawing();
    const double dir = flipped ? -1.0 : 1.0;
    const double hh = hourHeight();

    // The grid: the line of hour 24 - i for i from 0, and the dashed half
    // hour above each; the line of hour 0 is the top edge.
    const QString holiday = showHolidays() && yvcell_ ? yvcell_->holidayText() : QString();
    const kit::TextAttributes holidayAttribs = textAttribsHoliday();
    double y = flipped ? H - 0.5 : 0.5;
    for (int i = 0; i < 24; ++i, y += dir * hh) {
        g.setStrokeColor(kit::Color::white(0.8, 1.0));
        g.setDefaultLineWidth(1.0);
        g.strokeLine(QPointF(1, y), QPointF(W, y));
        if (i == 12 && !holiday.isEmpty()) {
            const QSizeF size = holidayAttribs.sizeOfString(holiday);
            const double x = (W - size.width()) / 2;
            if (!flipped) {
                g.drawString(holiday, QPointF(x, y + 2), holidayAttribs);
            } else {
                // Four times over, for the same weight as on screen.
                for (int k = 0; k < 4; ++k)
                    g.drawString(holiday, QPointF(x, y - size.height() - 1), holidayAttribs);
            }
        }
        const double yh = std::floor(y + dir * hh / 2 + 0.5) - 0.5;
        kit::Path half;
        half.moveTo(QPointF(1, yh));
        half.lineTo(QPointF(W, yh));
        half.setLineWidth(1.0);
        half.setLineDash({1.0, 2.0}, 0.0);
        g.setStrokeColor(kit::Color::white(0.6, 1.0));
        g.stroke(half);
    }

    const MyDatePtr day = date();
    if (!day) return;

    // The events.
    earliestEvent_ = 24.0f;
    latestEvent_ = 0.0f;
    hitRects_.clear();
    earliestEventBottomBorder_ = 0.0f;
    latestEventTopBorder_ = float(H);
    const MyDatePtr dayStart = day->startOfDay();
    const QDateTime start0 = dayStart->nsDate();
    // The next midnight, not 24 hours on: clock changes make days of 23 and 25 hours.
    const QDateTime end0 = dayStart->nextDay()->startOfDay()->nsDate();
    for (const EventDayPtr& e : events_) {
        if (!e || !e->event() || e->fulldayEvent() || !e->calendar() ||
            !e->calendar()->isSelected())
            continue;
        double w = (W - 2 - 8 - e->indentLevel() * 8) / std::max(1, e->eventsAtSameTime());
        double x = 2 + e->indentLevel() * 8 + e->indexAtSameTime() * w;
        x = std::floor(x) + 0.5;
        w = std::floor(w);
        const QDateTime start = e->event()->startDate(), end = e->event()->endDate();
        if (end <= start0 || start >= end0) continue;

        const bool dragged = e == currentlyDraggedEvent_;
        const HourSpan span = hourSpanOnDay(start, end, day, dragged ? tempHourOffsetStart_ : 0.0,
                                            dragged ? tempHourOffsetEnd_ : 0.0);
        const double bottom = span.bottom, top = span.top;
        latestEvent_ = end >= end0 ? 24.0f : std::max(latestEvent_, float(hoursOf(end)));
        earliestEvent_ = start < start0 ? 0.0f : std::min(earliestEvent_, float(hoursOf(start)));
        const double h = std::floor((top - bottom) * hh);
        const double by = std::floor(bottom * hh + 0.5) + 0.5;
        earliestEventBottomBorder_ = std::max(earliestEventBottomBorder_, float(by));
        latestEventTopBorder_ = std::min(latestEventTopBorder_, float(by + h));

        const QRectF box(x, flipped ? H - by : by, w, h);
        drawEventBox(g, box, e, view);
        drawEventText(g, e, box, view);
        // A drag moves only the drawn edge; the boxes a click finds stay.
        if (!currentlyDraggedEvent_) {
            e->setHitX(float(x));
            e->setHitY(float(by));
            e->setHitW(float(w));
            e->setHitH(float(h));
        }
        hitRects_.insert(hitRects_.begin(), e);
    }

    // The grey-out of the past, over everything.
    if (!grayoutUntilToday()) return;
    const MyDatePtr now = WDV_fixedNow ? WDV_fixedNow : MyDate::date();
    g.setFillColor(grayoutColor());
    if (day->isBefore(now)) {
        g.fillRect(b);
    } else if (day->isSameDateAs(now)) {
        const double passed = (now->hourNum() + now->minuteNum() / 60.0) / 24.0 * H;
        g.fillRect(kit::makeRect(0, flipped ? 0 : H - passed, W, passed));
        const double ly = flipped ? std::floor(passed) - 0.5 : std::floor(H - passed + 1.5) - 0.5;
        kit::Path line;
        line.moveTo(QPointF(0, ly));
        line.lineTo(QPointF(W, ly));
        line.setLineWidth(2.0);
        g.setStrokeColor(nowColor());
        g.stroke(line);
    }
}

// -- Boxes and texts ---------------------------------------------------------------

void WeekdayView::drawEventBox(kit::Graphics& g, const QRectF& box, const EventDayPtr& event,
                               const WDSubview* view) {
    if (!event) return;
    const double w = kit::width(box), h = kit::height(box);
    if (h < 2 || w < 4) return;
    const bool bold = useBoldLayout();
    drawBox(g, kit::minX(box), kit::minY(box), w, h, view && view->inCacheDrawing() ? -1.0 : 1.0,
            boxColorsFor(*event), bold ? 2.0 : 1.0, bold ? 0.6 : 1.0);
}

void WeekdayView::drawEventText(kit::Graphics& g, const EventDayPtr& event, const QRectF& box,
                                WDSubview* view) {
    if (!event || !event->event()) return;
    const double x = kit::minX(box), w = kit::width(box), h = kit::height(box);
    if (h < kTextBoxHeight) return;
    double y = kit::minY(box);
    if (view && view->inCacheDrawing()) y = kit::height(view->bounds()) - y;

    // Light text gets a dark copy above it, dark text a light copy below.
    bool whiteText = true;
    QColor color = kit::Color::whiteColor();
    if (!drawsInGrey(*event)) {
        const QColor c = calendarColorOf(*event);
        if (kit::Color::grayLevel(c) > 0.6) {
            whiteText = false;
            color = kit::Color::hsb(kit::Color::hueComponent(c), kit::Color::saturationComponent(c),
                                    0.25, 1.0);
        }
    }
    if (h < 18) y += 1;
    const QString title = event->event()->title();
    kit::TextAttributes attribs = textAttribsEventTitle();
    if (whiteText) {
        attribs.color = kit::Color::black();
        drawBoxedText(g, title, attribs, kit::makeRect(x + 1, y + 3, w - 2, h - 4), view);
    } else {
        attribs.color = kit::Color::whiteColor();
        drawBoxedText(g, title, attribs, kit::makeRect(x + 1, y + 1, w - 2, h - 4), view);
    }
    attribs.color = color;
    const QRectF textRect = kit::makeRect(x + 1, y + 2, w - 2, h - 4);
    drawBoxedText(g, title, attribs, textRect, view);
    if (whiteText && textDoubleStrike()) drawBoxedText(g, title, attribs, textRect, view);
}

bool WeekdayView::layoutBoxedText(kit::TextLayout& layout, const QString& text,
                                  const kit::TextAttributes& attributes, const QSizeF& size) {
    layout.setText(kit::AttributedString(text, attributes));
    layout.setContainerSize(size);
    // The rows and the lowest boxes are a little lower than one line of the
    // platform's font: their first line is shown all the same.
    if (layout.lineCount() > 0) return true;
    layout.setContainerSize(QSizeF(size.width(), kit::TextLayout::kUnlimited));
    const std::vector<QRectF> lines = layout.lineRects();
    if (lines.empty()) return false;
    layout.setContainerSize(QSizeF(size.width(), lines.front().height()));
    return true;
}

void WeekdayView::drawBoxedText(kit::Graphics& g, const QString& text,
                                const kit::TextAttributes& attributes, const QRectF& rect,
                                WDSubview* view) {
    const double x = kit::minX(rect), y = kit::minY(rect);
    const double w = kit::width(rect), h = kit::height(rect);
    if (text.isEmpty() || w <= 0 || h <= 0) return;
    kit::TextLayout& layout = textLayout();
    if (!layoutBoxedText(layout, text, attributes, QSizeF(w, h))) return;
    if (view && view->inCacheDrawing()) {
        g.drawTextLayout(layout, QPointF(x, kit::height(view->bounds()) - y - h));
        return;
    }
    // Mirrored about the rectangle's middle, so that the lines run down from
    // its top, upright.
    FlippedForText flippedForText(view);
    g.saveGraphicsState();
    g.translate(0, 2 * y + h);
    g.scale(1, -1);
    g.drawTextLayout(layout, QPointF(x, y));
    g.restoreGraphicsState();
}

void WeekdayView::drawFulldayTextForEvent(kit::Graphics& g, const EventDayPtr& event,
                                          const QRectF& row, WDSubview* view, bool eventIsMark) {
    QRectF r = row;
    if (eventIsMark) {
        g.drawImage(markerImage(), kit::makeRect(kit::minX(r) + 5, kit::minY(r) + 3, 13, 12));
        r = kit::makeRect(kit::minX(r) + 15, kit::minY(r), kit::width(r) - 15, kit::height(r));
    }
    drawEventText(g, event, r, view);
}

void WeekdayView::drawFulldayText(kit::Graphics& g, const QString& text, const QRectF& row,
                                  WDSubview* view) {
    const double x = kit::minX(row), w = kit::width(row), h = kit::height(row);
    if (h < kTextBoxHeight) return;
    double y = kit::minY(row);
    if (view && view->inCacheDrawing()) y = kit::height(view->bounds()) - y;
    const kit::TextAttributes attribs = titleSmallTextAttribs();
    drawBoxedText(g, truncateString(text, (w - 2) - 10, attribs), attribs,
                  kit::makeRect(x + 1, y + 3, w - 2, h - 4), view);
}

QString WeekdayView::truncateString(const QString& text, double width,
                                    const kit::TextAttributes& attributes) {
    qsizetype n = text.size();
    if (n <= 2 || attributes.sizeOfString(text).width() <= width) return text;
    const QString ellipsis(QChar(0x2026));
    const double room = width - attributes.sizeOfString(ellipsis).width();
    QString r = text;
    while (attributes.sizeOfString(r).width() > room && n > 0) {
        --n;
        // Never half a character, and no space before the ellipsis.
        if (n > 0 && text.at(n - 1).isHighSurrogate()) --n;
        while (n > 0 && text.at(n - 1).isSpace()) --n;
        r = text.left(n);
    }
    return r + ellipsis;
}
