#include "weekview/WeekViewAnimation.h"

#include "weekview/WeekView.h"
#include "weekview/WeekdayView.h"

#include <cmath>

WeekViewAnimation::WeekViewAnimation(double duration, Curve curve)
    : kit::Animation(duration, curve) {}

double WeekViewAnimation::columnX(const WVAnimationConfig& c, int i, double p) {
    double x = c.xBase + (i - c.refIndex) * double(c.width);
    if (c.refOffset > 0 && i < c.refIndex) x -= c.borderWidth;
    if (c.refOffset < 0 && i > c.rearIndex) x += c.borderWidth;
    x -= (1 - p) * c.slideByPixels * c.dir;
    // The columns that come or go keep the gap to those that stay in view.
    if (c.refOffset <= 0 && (i < c.frontIndex || i > c.rearIndex)) x -= (1 - p) * c.borderWidth;
    if (c.refOffset > 0 && (i < c.refIndex || i > c.rearIndex)) x += (1 - p) * c.borderWidth;
    return x;
}

void WeekViewAnimation::setCurrentProgress(double progress) {
    kit::Animation::setCurrentProgress(progress);
    // A running slide follows its curve; a drag places the columns where the
    // pointer is.
    double p = isAnimating() && !finishDragMode_ ? currentValue() : currentProgress();
    if (finishDragMode_ && revertDrag_) {
        const double m = manualProgress_;
        p = m < 1 ? (1 - (p - m) / (1 - m)) * m : 0;
    }
    for (int i = 0; i < config_.viewCount && i < int(config_.slideSet.size()); ++i)
        if (WeekdayView* column = config_.slideSet[size_t(i)])
            column->setFrameOrigin(QPointF(columnX(config_, i, p), config_.yBase));
    if (WeekView* view = config_.caller) {
        view->updateAnimationProgress(p);
        view->display();
    }
}

void WeekViewAnimation::draggedBy(double distance) {
    if (config_.slideByPixels <= 0) return;
    const double p = std::abs(distance) / config_.slideByPixels;
    setCurrentProgress(p);
    manualProgress_ = currentProgress();
}

void WeekViewAnimation::startAnimation() {
    finishDragMode_ = false;
    kit::Animation::startAnimation();
}

void WeekViewAnimation::finishAnimationWithRevert(bool revert) {
    finishDragMode_ = true;
    revertDrag_ = revert;
    kit::Animation::startAnimation();
}

WeekEventBlinkAnimation::WeekEventBlinkAnimation(double duration, Curve curve)
    : kit::Animation(duration, curve) {}

void WeekEventBlinkAnimation::setCurrentProgress(double progress) {
    kit::Animation::setCurrentProgress(progress);
    const double p = currentValue();
    if (config_.ed) config_.ed->setBlinkingFactor(float(config_.appearDirection ? p : 1 - p));
    if (WeekView* view = config_.caller) view->animationRedraw();
}
