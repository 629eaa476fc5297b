#include "platform/kit/ScrollSwipe.h"

#include <cmath>

namespace kit {

ScrollSwipe::Result ScrollSwipe::take(const Event& event) {
    const unsigned phase = event.phase();
    if (phase & EventPhase::Began) {
        swiping_ = std::abs(event.scrollingDeltaX()) >= std::abs(event.scrollingDeltaY()) &&
                   event.momentumPhase() == EventPhase::None;
        scrolling_ = !swiping_;
        sumX_ = 0;
    }
    if (!swiping_ || phase == EventPhase::None) {
        if (phase & (EventPhase::Ended | EventPhase::Cancelled)) scrolling_ = false;
        return {Step::Scroll, 0};
    }
    if (phase & (EventPhase::Ended | EventPhase::Cancelled)) {
        swiping_ = false;
        return {Step::Ended, sumX_ / kScrollPointsPerTrackpadPoint};
    }
    if (phase & (EventPhase::Began | EventPhase::Changed)) {
        sumX_ += event.scrollingDeltaX();
        return {Step::Moved, sumX_ / kScrollPointsPerTrackpadPoint};
    }
    return {Step::None, sumX_ / kScrollPointsPerTrackpadPoint};
}

}  // namespace kit
