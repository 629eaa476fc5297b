// The page curl of a display-mode change: a picture of the view as shown
// rolls away like a book page over a picture of the new view, which then
// takes its place. The curl blocks until it has ended; each of its frames
// is drawn by the old view, which shows nothing else meanwhile.

#include "weekview/WeekView.h"

#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/PageCurl.h"
#include "weekview/WeekPageCurlAnimation.h"
#include "weekview/WeekViewScroller.h"

#include <numbers>

namespace {

// The page travels towards the top left: it is lifted at the bottom right
// corner, where the corner picture shows it turned up.
constexpr float kCurlTravelAngle = 2.3561945f;  // 3π/4

WeekView::CurlObserver& curlObserver() {
    static WeekView::CurlObserver observer;
    return observer;
}

}  // namespace

struct WeekView::PageCurlFilter {
    QImage from;
    QImage to;
    kit::PageCurl::Options options;
};

const QImage& WeekView::curlShadingImage() {
    static const QImage image = kit::Image::named(QStringLiteral("restrictedshine"));
    return image;
}

void WeekView::setPageCurlObserver(CurlObserver observer) {
    curlObserver() = std::move(observer);
}

void WeekView::doPageCurlTo(WeekView* fresh) {
    // A view that shows nothing (its pane collapsed) changes without a curl.
    if (!fresh || bounds().isEmpty() || isHiddenOrHasHiddenAncestor()) return;
    // Both pictures at the pixels the screen shows, over this view's bounds.
    const double scale = devicePixelRatioF();
    const QRectF B = bounds();
    const QRectF R(B.x() * scale, B.y() * scale, B.width() * scale, B.height() * scale);
    if (gui_vScroller_) gui_vScroller_->setHidden(true);

    // The old picture as the screen shows the view, top line and bar
    // included; the new one as drawn into an image, on a transparent ground.
    captureAsShown_ = true;
    const QImage from = renderToImage(scale);
    captureAsShown_ = false;
    const QImage to = fresh->renderRectToImage(B, scale);

    hideAllSubviews();
    inPageCurl_ = true;
    createTransitionFilterForRect(R, from, to);
    WeekPageCurlAnimation animation(kPageCurlDuration, kit::Animation::Curve::EaseInOut);
    animation.setAnimationBlockingMode(kit::Animation::BlockingMode::Blocking);
    animation.setDelegate(this);
    pageCurlAnimation_ = &animation;
    if (const CurlObserver& observe = curlObserver()) observe(*this, from, to, animation);
    animation.startAnimation();
    pageCurlAnimation_ = nullptr;
    pageCurlFilter_.reset();
    inPageCurl_ = false;
}

void WeekView::createTransitionFilterForRect(const QRectF& rect, const QImage& initial,
                                             const QImage& final) {
    if (!pageCurlFilter_) pageCurlFilter_ = std::make_shared<PageCurlFilter>();
    PageCurlFilter& filter = *pageCurlFilter_;
    filter.options = kit::PageCurl::Options();  // the renderer's radius and shading
    filter.options.angle = double(kCurlTravelAngle) - std::numbers::pi;
    filter.options.backside = initial;
    filter.options.shadingImage = curlShadingImage();
    filter.options.extent = rect;
    filter.from = initial;
    filter.to = final;
}

QImage WeekView::pageCurlFrame(double t) const {
    if (!pageCurlFilter_) return QImage();
    const PageCurlFilter& filter = *pageCurlFilter_;
    return kit::PageCurl::render(filter.from, filter.to, t, filter.options);
}

void WeekView::drawPageCurlFrame(kit::Graphics& g) {
    const double t = pageCurlAnimation_ ? pageCurlAnimation_->currentValue() : 0.0;
    g.drawImage(pageCurlFrame(t), bounds(), QRectF(), kit::CompositingOperation::SourceOver, 1.0,
                true);
}
