#include "events/DPFulldayView.h"

#include "data/Calendar.h"
#include "data/CalendarSources.h"
#include "data/DayEventLayout.h"
#include "data/EMarker.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/kit/Color.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Gradient.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/Path.h"
#include "shell/AppDelegate.h"

namespace {

const QString kNotesLocation = QStringLiteral("Zolt:Notes");
const DPListView::BoxStyle kFulldayBoxStyle{0.0, 0.2, false};

// The glyphs, loaded once when first drawn; main thread only.
struct Glyphs {
    QImage marker = kit::Image::named(QStringLiteral("MiniMarker1"));
    QImage candle = kit::Image::named(QStringLiteral("MiniCandle1"));
    QImage star = kit::Image::named(QStringLiteral("MiniStar1"));
};

const Glyphs& glyphs() {
    static const Glyphs loaded;
    return loaded;
}

}  // namespace

DPFulldayView::DPFulldayView(const QRectF& frame) : DPListView(frame) {}

bool DPFulldayView::listsRecord(const EventDayPtr& record) {
    return DayEventLayout::isShown(record) && record->fulldayEvent() &&
           record->event()->location() != kNotesLocation;
}

void DPFulldayView::setMaxEntriesTotal(int maximum, int total) {
    maxNumberOfEntries_ = maximum;
    additionalEntries_ = 0;
    if (total > maximum) {
        // One row gives way to the line of the rest.
        maxNumberOfEntries_ = maximum - 1;
        additionalEntries_ = total - (maximum - 1);
    }
}

std::vector<DPFulldayView::Row> DPFulldayView::rows() const {
    std::vector<Row> rows;
    const double W = kit::width(bounds());
    double y = kit::height(bounds()) - kRowHeight;
    const auto sources = AppDelegate::obj() ? AppDelegate::obj()->calendarSources : nullptr;
    for (const EventDayPtr& record : events_) {
        if (int(rows.size()) >= maxNumberOfEntries_ || y < 0) break;
        if (!listsRecord(record)) continue;
        Row row{kit::makeRect(0, y, W, kRowHeight), record->event()->title(), Plain,
                record->calendar()->color()};
        if (record->isMark()) {
            row.eventType = Mark;
            // A mark whose marker is gone keeps its calendar's colour.
            if (const EMarkerPtr marker =
                    sources ? sources->markerWithUID(record->markerID()) : nullptr)
                row.color = marker->color();
        } else if (record->calendar()->calendarType() == Calendar::kTypeHoliday) {
            row.eventType = Holiday;
        } else if (record->calendar()->calendarType() == Calendar::kTypeBirthday) {
            row.eventType = Birthday;
        }
        rows.push_back(row);
        y -= kRowHeight;
    }
    if (additionalEntries_ > 0) {
        const QString format = foundation::localized(QStringLiteral("dayPopupMoreFulldayEvents"),
                                                     QStringLiteral("and %i more..."));
        rows.push_back({kit::makeRect(0, y, W, kRowHeight),
                        foundation::formatLocalizedWith(format, additionalEntries_), Plain,
                        std::nullopt});
    }
    return rows;
}

void DPFulldayView::drawRect(kit::Graphics& g, const QRectF&) {
    const std::vector<Row> all = rows();
    for (size_t i = 0; i < all.size(); ++i) {
        const Row& row = all[i];
        const bool moreLine = additionalEntries_ > 0 && i + 1 == all.size();
        if (!moreLine) drawEventBox(g, row.rect, useCalendarColors() ? row.color : std::nullopt);
        drawEventText(g, row.text, row.rect, row.eventType);
    }
}

void DPFulldayView::drawEventBox(kit::Graphics& g, const QRectF& rect,
                                 const std::optional<QColor>& base) {
    const double x = kit::minX(rect), y = kit::minY(rect);
    const double w = kit::width(rect), h = kit::height(rect);
    if (w < 4 || h < 4) return;
    const BoxColors colors = boxColors(base, kFulldayBoxStyle);
    kit::Path inner = kit::Path::roundedRect(kit::makeRect(x + 2, y + 1, w - 4, h - 2), 5, 5);
    inner.setLineWidth(2.0);
    g.setStrokeColor(colors.rim);
    g.stroke(inner);
    g.drawGradient(kit::Gradient(colors.top, colors.body), inner, 270.0);
    kit::Path outer = kit::Path::roundedRect(rect, 5, 5);
    outer.setLineWidth(1.0);
    g.setStrokeColor(colors.edge);
    g.stroke(outer);
}

const QImage& DPFulldayView::glyphFor(int eventType) {
    static const QImage none;
    switch (eventType) {
        case Mark:
            return glyphs().marker;
        case Birthday:
            return glyphs().candle;
        case Holiday:
            return glyphs().star;
        default:
            return none;
    }
}

void DPFulldayView::drawEventText(kit::Graphics& g, const QString& text, const QRectF& rect,
                                  int eventType) {
    const double x = kit::minX(rect), y = kit::minY(rect);
    const double w = kit::width(rect), h = kit::height(rect);
    double tx = x + 1, tw = w - 2;
    if (eventType == Mark || eventType == Birthday || eventType == Holiday) {
        // A missing image draws nothing; the text keeps its indent.
        const QImage& glyph = glyphFor(eventType);
        if (!glyph.isNull()) g.drawImage(glyph, kit::makeRect(x + 5, y + 3, 13, 12));
        tx += 15;
        tw -= 15;
    }
    drawTitle(g, text, kit::makeRect(tx, y, tw, h));
}
