#pragma once

#include "platform/kit/Animation.h"

#include <QPointer>

class WeekView;

// What an hour-scroll animation moves: the scroll fraction from its start to
// its end, and the week view that applies each step.
struct WVScrollAnimConfig {
    float scrollerStart = 0.0f;
    float scrollerEnd = 0.0f;
    QPointer<WeekView> caller;
};

// Moves the week view's hours from one scroll fraction to another: each step
// hands the fraction between the two to the view (scrollWheelProgress).
class WeekScrollAnimation final : public kit::Animation {
    Q_OBJECT

public:
    explicit WeekScrollAnimation(double duration = 0.3, Curve curve = Curve::EaseIn);
    void setConfiguration(const WVScrollAnimConfig& config) { config_ = config; }
    const WVScrollAnimConfig& configuration() const { return config_; }
    void setCurrentProgress(double progress) override;

private:
    WVScrollAnimConfig config_;
};
