#include "platform/kit/ScrollSwipe.h"

#include <algorithm>
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

void ScrollSwipe::handle(const Event& event, const Handlers& h) {
    const Result swipe = take(event);
    switch (swipe.step) {
        case Step::Scroll:
            h.scroll();
            return;
        case Step::Moved:
            h.setDeltaX(swipe.deltaX);
            if (h.isTracking()) {
                h.update();
            } else if (swipe.deltaX != 0) {
                h.begin();
                h.update();
            }
            return;
        case Step::Ended:
            h.end();
            return;
        case Step::None:
            return;
    }
}

size_t TouchPair::begin(const Event& event) {
    const auto touching = event.touchesMatchingPhase(TouchPhase::Touching);
    if (touching.size() == 2) {
        for (size_t i = 0; i < 2; ++i) initial_[i] = current_[i] = touching[i];
    }
    return touching.size();
}

bool TouchPair::move(const Event& event) {
    const auto touching = event.touchesMatchingPhase(TouchPhase::Touching);
    if (touching.size() != 2 || !initial_[0]) return false;
    for (const Touch& t : touching) current_[t.identity == initial_[0]->identity ? 0 : 1] = t;
    return true;
}

bool TouchPair::endsPair(const Event& event) {
    return event.touchesMatchingPhase(TouchPhase::Touching).size() < 2;
}

QPointF TouchPair::movedBy() const {
    if (!initial_[0] || !initial_[1] || !current_[0] || !current_[1]) return QPointF();
    const auto smaller = [](const std::optional<Touch>* pair) {
        const QPointF a = pair[0]->normalizedPosition, b = pair[1]->normalizedPosition;
        return QPointF(std::min(a.x(), b.x()), std::min(a.y(), b.y()));
    };
    const QPointF d = smaller(current_) - smaller(initial_);
    const QSizeF device = initial_[0]->deviceSize;
    return QPointF(d.x() * device.width(), d.y() * device.height());
}

void TouchPair::clear() {
    for (auto& t : initial_) t.reset();
    for (auto& t : current_) t.reset();
}

}  // namespace kit
