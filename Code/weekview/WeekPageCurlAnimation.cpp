#include "weekview/WeekPageCurlAnimation.h"

#include "platform/kit/View.h"

WeekPageCurlAnimation::WeekPageCurlAnimation(double duration, Curve curve)
    : kit::Animation(duration, curve) {}

void WeekPageCurlAnimation::setCurrentProgress(double progress) {
    kit::Animation::setCurrentProgress(progress);
    if (kit::View* view = delegate_) view->display();
}
