#pragma once

#include "platform/kit/Event.h"

#include <functional>
#include <optional>

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

    // What a swiping view does at each step of a gesture.
    struct Handlers {
        std::function<void()> scroll;                  // the event scrolls
        std::function<void(double deltaX)> setDeltaX;  // the way so far (see Result)
        std::function<bool()> isTracking;              // the view's swipe runs
        std::function<void()> begin;                   // the first movement starts it
        std::function<void()> update;                  // it follows the way so far
        std::function<void()> end;                     // the gesture ended
    };
    // Takes the event and has the view act: the first movement that goes
    // somewhere begins the swipe, every movement updates it, the end ends it.
    void handle(const Event& event, const Handlers& handlers);
    // A swipe is running (began, not yet ended).
    bool isSwiping() const { return swiping_; }
    // The gesture that began last was taken as scrolling.
    bool isScrolling() const { return scrolling_; }

private:
    bool swiping_ = false;
    bool scrolling_ = false;
    double sumX_ = 0;
};

// The two fingers of a swipe with real trackpad touches: the pair at the
// start and now, matched by identity.
class TouchPair final {
public:
    // Touches began: answers how many touch the pad now; exactly two are
    // recorded as the start and as now.
    size_t begin(const Event& event);
    // Touches moved: false (and nothing recorded) unless exactly two touch
    // and a start was recorded.
    bool move(const Event& event);
    // Whether fewer than two touch after the event.
    static bool endsPair(const Event& event);
    bool hasStart() const { return initial_[0].has_value(); }
    // How far the pair moved, in trackpad points: the left finger's x and
    // the lower finger's y (positive to the right and upwards); zero until
    // both pairs are known.
    QPointF movedBy() const;
    void clear();

private:
    std::optional<Touch> initial_[2];
    std::optional<Touch> current_[2];
};

}  // namespace kit
