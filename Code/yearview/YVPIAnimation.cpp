#include "yearview/YVPIAnimation.h"

#include "yearview/YVPageIndicator.h"

#include <algorithm>

YVPIAnimation::YVPIAnimation(const std::vector<Entry>& entries) : kit::ViewAnimation(entries) {}

void YVPIAnimation::setPageIndicator(YVPageIndicator* pageIndicator) {
    indicator = pageIndicator;
    startOffset_ = pageIndicator ? pageIndicator->currentOffset() : 0.0;
    endOffset_ = startOffset_ > 0 ? 1.0 : (startOffset_ < 0 ? -1.0 : 0.0);
    width_ = endOffset_ - startOffset_;
    reverting_ = false;
}

void YVPIAnimation::setAnimationReverts(bool reverts) {
    reverting_ = reverts;
    if (!reverts) return;
    endOffset_ = 0.0;
    startOffset_ = indicator ? indicator->currentOffset() : 0.0;
    width_ = -startOffset_;
}

void YVPIAnimation::setCurrentProgress(double progress) {
    kit::ViewAnimation::setCurrentProgress(progress);
    // The dot moves linearly in the progress, whatever curve moves the pages.
    const double value = std::clamp(startOffset_ + width_ * progress, -1.0, 1.0);
    if (indicator) indicator->moveIndicatorToAndDisplay(-value, true);
}
