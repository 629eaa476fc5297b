// The day column's own drawing: its background, the title row and the
// full-day panel of its header, the redraw requests, the drawing of a column
// that is not on screen yet, and the picture that stands in for the column
// while the week view moves it.

#include "weekview/WeekdayView.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/kit/Color.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "weekview/WDEventsView.h"
#include "weekview/WDHeaderView.h"

#include <cmath>

namespace {

QString nameAt(const QStringList& names, int index) {
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}

// The size drawn off screen for a column that has none yet.
const QRectF kOffscreenFallback(0, 0, 200, 500);

}  // namespace

bool WeekdayView::drawsLeftSeparator(int position) {
    return position != 2 && position != 5;
}

// -- Redrawing ---------------------------------------------------------------------

void WeekdayView::forceRedraw() {
    eventsView_->redrawCache();
    headerView_->resetHoverTracking();
    eventsView_->setNeedsDisplay();
    headerView_->setNeedsDisplay();
    setNeedsDisplay();
}

void WeekdayView::forceRedrawEvents() {
    eventsView_->forcedRedraw();
}

// -- Background, off-screen drawing and live moves -------------------------------

void WeekdayView::drawRect(kit::Graphics& g, const QRectF& dirtyRect) {
    const QRectF b = bounds();
    if (inLiveMove_ && !inInitialDrawing_ && !cachedView_.isNull()) {
        if (kit::height(b) >= 1) g.drawImage(cachedView_, b);
        return;
    }
    const MyDatePtr d = date();
    if (!d) return;
    const int weekday = d->weekdayNum();
    const bool weekend = (useWeekendColor() && (weekday == 0 || weekday == 6)) ||
                         (showHolidays() && yvcell_->dayHasHolidayEntry2());
    g.setFillColor(weekend ? weekendBGColor() : weekdayBGColor());
    // The rectangle asked for: a column prepared off screen before it has a
    // size is drawn into a picture of its own.
    g.fillRect(dirtyRect);
}

void WeekdayView::drawOffscreen(QObject*) {
    QRectF r = bounds();
    if (kit::width(r) < 1 || kit::height(r) < 1) r = kOffscreenFallback;
    eventsView_->redrawCache();
    inInitialDrawing_ = true;
    cachedView_ = kit::Image::withSize(r.size(), devicePixelRatioF());
    {
        kit::Graphics g(cachedView_);
        g.setDestination(kit::Graphics::Destination::Image);
        drawRect(g, r);
    }
    inInitialDrawing_ = false;
}

void WeekdayView::willStartLiveMove() {
    if (inLiveMove_) return;
    cachedView_ = renderToImage(devicePixelRatioF());
    visibleSubviews_.clear();
    for (kit::View* sub : subviews())
        if (!sub->isHidden()) visibleSubviews_.emplace_back(sub);
    for (const QPointer<kit::View>& sub : visibleSubviews_) sub->setHidden(true);
    inLiveMove_ = true;
}

void WeekdayView::didEndLiveMove() {
    if (!inLiveMove_) return;
    inLiveMove_ = false;
    for (const QPointer<kit::View>& sub : visibleSubviews_)
        if (sub) sub->setHidden(false);
    visibleSubviews_.clear();
    setNeedsDisplay();
}

// -- The title row ------------------------------------------------------------------

WeekdayView::TitleTexts WeekdayView::titleTexts() const {
    const MyDatePtr d = date();
    if (!d)
        return {nameAt(cachedDayNames(), 7),
                useNarrowText_ ? QStringLiteral("--.--") : QStringLiteral("--.--.----")};
    const int dd = d->dayNum(), mm = d->monthNum(), yy = d->yearNum();
    const QString name =
        nameAt(useNarrowText_ ? cachedShortDayNames() : cachedDayNames(), d->weekdayNum());
    if (useUSformat())
        return {name, useNarrowText_ ? foundation::format("%i/%i.", mm, dd)
                                     : foundation::format("%i/%i/%i", mm, dd, yy)};
    return {name, useNarrowText_ ? foundation::format("%i.%i.", dd, mm)
                                 : foundation::format("%i.%i.%i", dd, mm, yy)};
}

void WeekdayView::drawTitle(WDHeaderView* header, kit::Graphics& g) {
    if (!header) return;
    const QRectF b = header->bounds();
    const double x = kit::minX(b), W = kit::width(b), H = kit::height(b);
    const double below = H - kTitleHeight;
    if (below > 0) drawTitleFulldays(header, g);

    const TitleTexts texts = titleTexts();
    const QString& dayName = texts.dayName;
    const QString& dateText = texts.dateText;

    g.setDefaultLineWidth(1.0);
    g.setFillColor(kit::Color::whiteColor());
    g.fillRect(kit::makeRect(x, H - kTitleHeight, W, kTitleHeight));
    if (drawsLeftSeparator(cellPosition_)) {
        g.setStrokeColor(kit::Color::lightGray());
        g.strokeLine(QPointF(x + 0.5, H - 15.5), QPointF(x + 0.5, H - 25.5));
    }
    g.setStrokeColor(kit::Color::darkGray());
    g.strokeLine(QPointF(x + 0.5, H - 25.5), QPointF(x + 0.5 + W, H - 25.5));

    const kit::TextAttributes big = titleBigTextAttribs(), small = titleSmallTextAttribs();
    const QSizeF nameSize = big.sizeOfString(dayName);
    g.drawString(dayName, QPointF(x + (W - nameSize.width()) / 2, H - nameSize.height()), big);
    const QSizeF dateSize = small.sizeOfString(dateText);
    g.drawString(dateText, QPointF(x + (W - dateSize.width()) / 2, H - kTitleHeight), small);

    if (yvcell_ && showBirthdays() && yvcell_->dayHasBirthdays2()) {
        const QRectF mark = kit::makeRect(x + W - 20, H - 22, 18, 18);
        g.drawImage(candleImage(), mark);
        header->activateBirthdayTrackingIn(mark);
    }
    if (hasNotes2()) {
        const QRectF mark = kit::makeRect(x + 4, H - 22, 18, 18);
        g.drawImage(notesImage(), mark);
        header->activateNotesTrackingIn(mark);
    }
    if (below > 0 && header->isCollapsed())
        header->activateFDEventsTrackingIn(kit::makeRect(x + 5, 7, W - 10, H - 33));
}

// -- The full-day panel ---------------------------------------------------------------

void WeekdayView::drawTitleFulldays(WDHeaderView* header, kit::Graphics& g) {
    if (!header) return;
    const QRectF b = header->bounds();
    const double x = kit::minX(b), W = kit::width(b), H = kit::height(b);
    const int n = int(fdevents_.size());
    const double T = H - 33;  // the height of the row area
    const double r = 9;       // the corners

    // The shadow falls along the bottom and the right side only.
    g.saveGraphicsState();
    g.setShadow(QPointF(2, -2), 5, kit::Color::white(0.0, 0.8));
    kit::Path edge;
    edge.moveTo(QPointF(x + 5 + r, 7));
    edge.relativeLineTo(QPointF(W - 10 - 2 * r, 0));
    edge.relativeCurveTo(QPointF(r, r - 0.5), QPointF(r - 2, 0), QPointF(r, r - 2));
    edge.relativeLineTo(QPointF(0, T - 18));
    edge.relativeCurveTo(QPointF(3, r), QPointF(0, r - 2), QPointF(1, r));
    edge.setLineWidth(1.0);
    g.setStrokeColor(kit::Color::gray());
    g.stroke(edge);
    g.restoreGraphicsState();

    // Inset 5 points from both sides, its upper corners flaring out to the
    // title row.
    kit::Path panel;
    panel.moveTo(QPointF(x + 2, H - kTitleHeight));
    panel.relativeCurveTo(QPointF(3, -r), QPointF(2, 0), QPointF(3, 2 - r));
    panel.relativeLineTo(QPointF(0, -(T - 18)));
    panel.relativeCurveTo(QPointF(r, 0.5 - r), QPointF(0, 2 - r), QPointF(r - 2, -r));
    panel.relativeLineTo(QPointF(W - 10 - 2 * r, 0));
    panel.relativeCurveTo(QPointF(r, r - 0.5), QPointF(r - 2, 0), QPointF(r, r - 2));
    panel.relativeLineTo(QPointF(0, T - 18));
    panel.relativeCurveTo(QPointF(3, r), QPointF(0, r - 2), QPointF(1, r));
    panel.setLineWidth(1.0);
    g.setFillColor(kit::Color::white(0.85, 0.8));
    g.fill(panel);
    g.setStrokeColor(kit::Color::gray());
    g.stroke(panel);

    double rowY = (7 + T) - kFulldayRowHeight;
    const int fits = int(std::floor(T / kFulldayRowHeight));
    const auto row = [&] { return kit::makeRect(9.5, rowY + 0.5, W - 20, 16); };
    if (!header->isCollapsed() || n < 2) {
        int drawn = 0;
        for (const EventDayPtr& e : fdevents_) {
            if (drawn >= fits) break;
            ++drawn;
            if (header->hasMoreThanCanDisplay() && drawn >= header->canDisplay()) {
                // Shown as it stands: the text is not a format.
                drawFulldayText(
                    g,
                    foundation::localized(QStringLiteral("wveventsFulldayEventsMoreText"),
                                          QStringLiteral("%i")),
                    row(), header);
                break;
            }
            drawEventBox(g, row(), e, header);
            drawFulldayTextForEvent(g, e, row(), header, e && e->isMark());
            rowY -= kFulldayRowHeight;
            if (rowY < 7) break;
        }
        return;
    }
    const QString summary = foundation::formatLocalizedWith(
        foundation::localized(QStringLiteral("wveventsFulldayEventsCollapsedText"),
                              QStringLiteral("%i")),
        n);
    drawFulldayText(g, summary, row(), header);
}
