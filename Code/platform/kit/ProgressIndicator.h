#pragma once

#include "platform/kit/View.h"

#include <functional>

class QProgressBar;

namespace kit {

// A progress bar over a Qt progress bar: determinate (a value between a minimum
// and a maximum) or indeterminate (a busy bar while animated).
//
// Threads: background jobs drive it. Every setter may be called on any thread
// while the indicator lives: off the main thread it hands the change to the main
// thread without waiting, so changes take effect in the order they were made, a
// moment later. The getters answer the state on the main thread and are for the
// main thread only.
class ProgressIndicator : public View {
    Q_OBJECT

public:
    explicit ProgressIndicator(const QRectF& frame = QRectF());

    bool isIndeterminate() const { return indeterminate_; }
    void setIndeterminate(bool indeterminate);
    double minValue() const { return min_; }
    void setMinValue(double value);
    double maxValue() const { return max_; }
    void setMaxValue(double value);
    double doubleValue() const { return value_; }
    // Kept between the minimum and the maximum.
    void setDoubleValue(double value);
    void incrementBy(double delta);

    bool isAnimating() const { return animating_; }
    void startAnimation(QObject* sender = nullptr);
    void stopAnimation(QObject* sender = nullptr);
    // An indeterminate bar that is not animating is hidden unless this is set.
    bool isDisplayedWhenStopped() const { return displayedWhenStopped_; }
    void setDisplayedWhenStopped(bool displayed);

    QProgressBar* bar() const { return bar_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Runs `change` now on the main thread, else queues it there.
    void onMainThread(std::function<void()> change);
    void refresh();

    QProgressBar* bar_ = nullptr;
    bool indeterminate_ = true;
    double min_ = 0.0, max_ = 100.0, value_ = 0.0;
    bool animating_ = false;
    bool displayedWhenStopped_ = true;
};

}  // namespace kit
