#pragma once

#include "data/EventDay.h"
#include "platform/kit/Animation.h"

#include <QPointer>

#include <vector>

class WeekView;
class WeekdayView;

// What a slide between two sets of days moves: every column taking part, left
// to right (the new ones before the shown ones when going back in time, after
// them when going forward), and where they stand. Copied by value into the
// animation.
struct WVAnimationConfig {
    int viewCount = 0;
    std::vector<QPointer<WeekdayView>> slideSet;
    float borderWidth = 40.0f;  // the gap between the columns that stay and those that come or go
    float xBase = 0.0f;         // the inner rectangle's x and y
    float yBase = 0.0f;
    float width = 0.0f;  // one column
    int refOffset = 0;   // the slide's signed day offset
    int refIndex = 0;    // the column standing at xBase when the slide has ended
    int rearIndex = 0;
    int frontIndex = 0;
    float slideByPixels = 0.0f;
    float dir = 1.0f;  // +1 back in time, -1 forward
    QPointer<WeekView> caller;
};

// What one blink of an event does: let it appear or fade.
struct WVEventBlinkAnimConfig {
    bool appearDirection = false;
    EventDayPtr ed;
    QPointer<WeekView> caller;
};

// Slides the columns of a slide set from where they stand to their places
// after the slide; each step also moves the week view's page indicator. A
// drag sets the progress by hand (draggedBy) and finishes the slide, forward
// or back to its start (finishAnimationWithRevert).
class WeekViewAnimation final : public kit::Animation {
    Q_OBJECT

public:
    explicit WeekViewAnimation(double duration = 0.5, Curve curve = Curve::EaseIn);
    void setConfiguration(const WVAnimationConfig& config) { config_ = config; }
    const WVAnimationConfig& configuration() const { return config_; }
    void setCurrentProgress(double progress) override;
    void draggedBy(double distance);
    void startAnimation() override;
    void finishAnimationWithRevert(bool revert);
    double manualProgress() const { return manualProgress_; }

    // Where column i of the set stands at progress p (0 before the slide, 1
    // after it).
    static double columnX(const WVAnimationConfig& config, int i, double p);

private:
    WVAnimationConfig config_;
    double manualProgress_ = 0.0;
    bool finishDragMode_ = false;
    bool revertDrag_ = false;
};

// Fades an event out or in: its blinking factor follows the progress and the
// week view's columns draw it again at each step.
class WeekEventBlinkAnimation final : public kit::Animation {
    Q_OBJECT

public:
    explicit WeekEventBlinkAnimation(double duration = 0.18, Curve curve = Curve::EaseIn);
    void setConfiguration(const WVEventBlinkAnimConfig& config) { config_ = config; }
    const WVEventBlinkAnimConfig& configuration() const { return config_; }
    void setCurrentProgress(double progress) override;

private:
    WVEventBlinkAnimConfig config_;
};
