#pragma once

#include "platform/kit/Event.h"

namespace kit {

// Two-finger swipes as the platform reports them here: horizontal scroll
// gestures with phases (begin, change, end) and pixel deltas, since no
// trackpad touches reach the application. A gesture whose first movement is
// more horizontal than vertical is a swipe until it ends; any other one is
// scrolling, and so are scroll events without phases and momentum scrolling.
// Main thread only, like the views that feed it.
class ScrollSwipe final {
public:
    // Scroll gestures report screen points; a trackpad point is taken as
    // this many of them.
    static constexpr double kScrollPointsPerTrackpadPoint = 4.0;

    enum class Step {
        Scroll,  // not part of a swipe: the event scrolls
        Moved,   // the swipe moved: deltaX is its way so far
        Ended,   // the swipe ended or was cancelled
        None,    // part of a swipe, nothing to do
    };
    struct Result {
        Step step = Step::Scroll;
        // The horizontal way since the gesture began, in trackpad points;
        // positive when the fingers moved right (the content follows them).
        double deltaX = 0;
    };

    Result take(const Event& event);
    // A swipe is running (began, not yet ended).
    bool isSwiping() const { return swiping_; }
    // The gesture that began last was taken as scrolling.
    bool isScrolling() const { return scrolling_; }

private:
    bool swiping_ = false;
    bool scrolling_ = false;
    double sumX_ = 0;
};

}  // namespace kit
