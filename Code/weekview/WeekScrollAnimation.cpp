#include "weekview/WeekScrollAnimation.h"

#include "weekview/WeekView.h"

WeekScrollAnimation::WeekScrollAnimation(double duration, Curve curve)
    : kit::Animation(duration, curve) {}

void WeekScrollAnimation::setCurrentProgress(double progress) {
    kit::Animation::setCurrentProgress(progress);
    const double p = currentValue();
    const double v = config_.scrollerStart + (config_.scrollerEnd - config_.scrollerStart) * p;
    if (WeekView* view = config_.caller) view->scrollWheelProgress(v);
}
