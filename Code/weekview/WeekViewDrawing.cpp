// The week view's own drawing around its columns: the white ground with the
// top line, the bar of the year's weeks with its hover label, the hour
// labels, the corner that changes the mode, the page indicator, and the
// snapshot that stands in for the columns during a live resize.

#include "weekview/WeekView.h"

#include "data/MyDateOps.h"
#include "platform/kit/Color.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Gradient.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/TrackingArea.h"
#include "shell/AppDelegate.h"
#include "weekview/WeekViewScroller.h"
#include "weekview/WeekdayView.h"

#include <cmath>

namespace {

constexpr float kBarHeight = 8.0f;

void verticalLine(kit::Graphics& g, float x, float bottom, float height) {
    g.strokeLine(QPointF(x, bottom), QPointF(x, bottom + height));
}

// Text whose right edge lies at `right`.
void drawRightAligned(kit::Graphics& g, const QString& text, double right, double y,
                      const kit::TextAttributes& attributes) {
    g.drawString(text, QPointF(right - attributes.sizeOfString(text).width(), y), attributes);
}

int todaysWeekIndexFor(int shownYear) {
    AppDelegate* app = AppDelegate::obj();
    const MyDatePtr today = app && app->today.load() ? app->today.load() : MyDate::date();
    // A past year counts as entirely past, a future one as not begun.
    if (shownYear > today->yearNum()) return -1;
    if (shownYear < today->yearNum()) return 55;
    return today->calendarWeek() - 1;
}

}  // namespace

WeekView::Bar WeekView::relativeBar() const {
    const QRectF I = innerRectForDrawing();
    Bar bar;
    bar.left = float(kit::minX(I)) + 0.5f;
    bar.right = bar.left + float(kit::width(I));
    bar.slot = (bar.right - bar.left) / float(std::max(1, weeksInYear_));
    bar.bottom = std::floor(float(kit::height(bounds())) - 20.0f) + 0.5f;
    return bar;
}

void WeekView::drawRect(kit::Graphics& g, const QRectF&) {
    if (inPageCurl_) {
        drawPageCurlFrame(g);
        return;
    }
    const double W = kit::width(bounds()), H = kit::height(bounds());
    g.setDefaultLineWidth(1.0);
    g.setFillColor(kit::Color::whiteColor());
    g.fillRect(bounds());

    g.setColor(kit::Color::gray());
    if (g.isDrawingToScreen() || captureAsShown_) {
        const double top = std::floor(H) - 0.5;
        g.strokeLine(QPointF(0, top), QPointF(W, top));
        if (referenceDateY_) drawRelativeInYearForCw(g, referenceDateY_->calendarWeek() - 1);
        // The hover label is shown by this one drawing.
        inCalWeekDrawing_ = 0;
    }
    drawHourMarks(g);
    drawPageCurlCorner(g);

    // The size changes lay the columns out themselves; during a live resize
    // the snapshot stands in for them.
    if (!inLiveResize_ || cachedView_.isNull()) {
        drawScrollWatermark(g);
        return;
    }
    if (H > 2 * kBottomMargin + 2) {
        const QSizeF size = kit::Image::sizeInPoints(cachedView_);
        const double right = kSideMargin + kBottomMargin;
        g.drawImage(cachedView_,
                    kit::makeRect(kSideMargin, kBottomMargin, W - right, H - 2 * kBottomMargin),
                    kit::makeRect(kSideMargin, kBottomMargin, size.width() - right,
                                  size.height() - 2 * kBottomMargin),
                    kit::CompositingOperation::SourceOver, H < kMinFullHeight ? 0.5 : 1.0);
    }
}

void WeekView::drawRelativeInYearForCw(kit::Graphics& g, int c) {
    if (!showRelativeInYear_ || !referenceDateY_) return;
    const Bar bar = relativeBar();
    const float L = bar.left, Rt = bar.right, s = bar.slot, y0 = bar.bottom;
    const int weeks = weeksInYear_;
    const int year = referenceDateY_->yearNum();
    const int t = todaysWeekIndexFor(year);
    const bool todayShown = t >= 0 && t < weeks;

    if (const int n = inCalWeekDrawing_; n > 0)
        drawCalWeekInRect(g, kit::makeRect(L + n * s - 2 * s, y0 + 9, 3 * s, kBarHeight));

    if (todayShown)
        g.drawGradient(kit::Gradient(todayColorTop_, todayColorBottom_),
                       kit::makeRect(L + std::floor(t * s), y0, std::floor(s), kBarHeight), 270);

    g.setColor(kit::Color::white(0.85, 1.0));
    for (int k = 1; k < weeks; ++k) verticalLine(g, L + std::floor(k * s), y0, kBarHeight);

    g.setColor(kit::Color::lightGray());
    verticalLine(g, L, y0, kBarHeight);
    verticalLine(g, Rt, y0, kBarHeight);
    if (todayShown) {
        const float left = L + std::floor(t * s);
        if (t > 0) verticalLine(g, left, y0, kBarHeight);
        if (t < weeks - 1) verticalLine(g, left + std::floor(s), y0, kBarHeight);
    }

    g.setColor(kit::Color::black());
    int month = 1;
    for (int k = 1; k < weeks; ++k) {
        const int m = monthForWeek(year, k);
        if (m <= month) continue;
        month = m;
        verticalLine(g, L + std::floor(k * s), y0, kBarHeight);
    }

    g.setColor(kit::Color::lightGray());
    g.strokeLine(QPointF(L, y0), QPointF(Rt, y0));
    g.strokeLine(QPointF(L, y0 + kBarHeight), QPointF(Rt, y0 + kBarHeight));

    float past = std::floor(t * s);
    if (L + past > Rt) past = Rt - L;
    if (past < 0) past = 0;
    g.setFillColor(grayoutColor_);
    g.fillRect(kit::makeRect(L, y0, past, kBarHeight));

    if (c >= 0 && c < weeks && c != t) {
        g.setDefaultLineWidth(1.0);
        g.setFillColor(selectionColor_);
        g.fillRect(kit::makeRect(L + std::floor(c * s), y0, s, kBarHeight));
    }
}

void WeekView::drawCalWeekInRect(kit::Graphics& g, const QRectF& r) {
    const int n = inCalWeekDrawing_;
    if (n < 1) return;
    const QString text = QStringLiteral("%1 %2").arg(calendarWeekAbbrev_).arg(n);
    const float x =
        float(kit::minX(r)) +
        (float(kit::width(r)) - float(hourMarkAttribs_.sizeOfString(text).width())) * 0.5f;
    g.drawString(text, QPointF(x, kit::minY(r) - 1), hourMarkAttribs_);
}

void WeekView::drawHourMarks(kit::Graphics& g) {
    const QRectF I = innerRectForDrawing();
    const double top = kit::minY(I) + kit::height(I) - 25 - 5;
    const double H = kit::height(bounds());
    const double right = kSideMargin - 2;
    if (showRelativeInYear_ && referenceDateY_)
        drawRightAligned(g, QString::number(referenceDateY_->yearNum()), right,
                         std::floor(H - 19) + 0.5 - 2, hourMarkAttribs_);
    // The labels follow the hours of the columns; without one there are none.
    if (viewSet_.empty()) return;
    const double p = gui_vScroller_ ? gui_vScroller_->doubleValue() : 0.0;
    const double h = WeekdayView::hourHeight();
    double y = viewSet_.front()->yPosForScrollPercent(p) + kBottomMargin - 4 + h;
    for (int i = 1; i <= 23; ++i) {
        if (y > kBottomMargin)
            drawRightAligned(g, QStringLiteral("%1:00").arg(24 - i), right, y, hourMarkAttribs_);
        y += h;
        if (y > top) break;
    }
}

void WeekView::drawPageCurlCorner(kit::Graphics& g) {
    if (!g.isDrawingToScreen() && !captureAsShown_) return;
    double sw = gui_vScroller_ ? kit::width(gui_vScroller_->bounds()) : 0.0;
    if (AppDelegate::currentOS() >= 3) sw = 0;
    g.drawImage(curlImageForMode(displayMode_),
                kit::makeRect(kit::width(bounds()) - sw - kCornerSize, 0, kCornerSize, kCornerSize),
                QRectF(), kit::CompositingOperation::SourceOver, 1.0, true);
}

void WeekView::drawScrollWatermark(kit::Graphics& g) {
    drawPageIndicator(g);
}

void WeekView::drawPageIndicator(kit::Graphics& g) {
    const float cx = float(kit::width(bounds())) * 0.5f - 1.0f;
    const float cy = 11.0f;
    auto circleAt = [cy](float x) { return kit::makeRect(x - 4, cy - 4, 8, 8); };
    g.setDefaultLineWidth(1.0);
    g.setColor(kit::Color::darkGray());
    g.fillOval(circleAt(cx + float(dotOffset_) * 16.0f));
    g.setColor(kit::Color::lightGray());
    g.strokeOval(circleAt(cx));
    double v = 0.66666;
    for (int k = 1; k <= 4; ++k) {
        g.strokeOval(circleAt(cx + 16.0f * k));
        g.strokeOval(circleAt(cx - 16.0f * k));
        v += 0.08;
        g.setColor(kit::Color::white(v, 1.0));
    }
}

// -- The bar's hover label

void WeekView::activateCalWeekHover() {
    if (calWeekTrackingArea_) {
        removeTrackingArea(calWeekTrackingArea_);
        calWeekTrackingArea_.reset();
    }
    if (!showRelativeInYear_) return;
    const Bar bar = relativeBar();
    calWeekTrackingArea_ = kit::TrackingArea::create(
        kit::makeRect(bar.left, bar.bottom, bar.right - bar.left, kBarHeight),
        kit::TrackingArea::MouseEnteredAndExited | kit::TrackingArea::MouseMoved |
            kit::TrackingArea::ActiveInKeyWindow,
        this);
    addTrackingArea(calWeekTrackingArea_);
}

void WeekView::mouseMoved(const kit::Event& event) {
    if (!showRelativeInYear_) return;
    const QPointF p = convertPointFromView(event.locationInWindow(), nullptr);
    const Bar bar = relativeBar();
    const float x = float(p.x()), y = float(p.y());
    if (!(x > bar.left && x < bar.right && y > bar.bottom && y < bar.bottom + kBarHeight)) return;
    inCalWeekDrawing_ = int(std::floor((x - bar.left) / bar.slot)) + 1;
    display();
}

void WeekView::mouseExited(const kit::Event&) {
    if (!showRelativeInYear_) return;
    inCalWeekDrawing_ = 0;
    display();
}
