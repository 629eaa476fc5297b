#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <vector>

class QEventLoop;
class QTimer;

namespace kit {

// An animation over time: a progress from 0 to 1 advanced by a timer over the
// duration, turned into a value by a curve. Subclasses act in setCurrentProgress
// (calling the base first). A blocking animation returns from startAnimation only
// when it has ended: it runs a nested event loop in which timers still fire and
// views still draw, while user input waits until it ends. A non-blocking one
// steps on the main event loop and startAnimation returns at once.
//
// Progress marks are reported as the progress passes them; hooks stand in for a
// delegate. For tests, one switch makes every animation end at once.
// Main thread only.
class Animation : public QObject {
    Q_OBJECT

public:
    enum class Curve { EaseInOut = 0, EaseIn = 1, EaseOut = 2, Linear = 3 };
    enum class BlockingMode { Blocking = 0, Nonblocking = 1, NonblockingThreaded = 2 };

    explicit Animation(double duration = 0.5, Curve curve = Curve::EaseInOut);
    ~Animation() override;

    double duration() const { return duration_; }
    void setDuration(double seconds) { duration_ = seconds < 0 ? 0 : seconds; }
    Curve animationCurve() const { return curve_; }
    void setAnimationCurve(Curve c) { curve_ = c; }
    BlockingMode animationBlockingMode() const { return mode_; }
    void setAnimationBlockingMode(BlockingMode m) { mode_ = m; }
    double frameRate() const { return frameRate_; }
    void setFrameRate(double fps) { frameRate_ = fps > 0 ? fps : 60.0; }

    double currentProgress() const { return progress_; }
    // One step: records the progress (clamped to 0..1) and reports the progress
    // marks passed since the last step.
    virtual void setCurrentProgress(double progress);
    // The progress through the curve (or the value hook when set).
    virtual double currentValue() const;
    bool isAnimating() const { return running_; }

    // Runs from the current progress to 1 (from 0 when it had ended).
    virtual void startAnimation();
    // Stops where it is; a blocking start returns.
    virtual void stopAnimation();

    void addProgressMark(double mark);
    void removeProgressMark(double mark);
    void setProgressMarks(const std::vector<double>& marks);
    const std::vector<double>& progressMarks() const { return marks_; }

    // Hooks; all optional.
    std::function<bool(Animation&)> shouldStart;
    std::function<void(Animation&)> didStop;
    std::function<void(Animation&)> didEnd;
    std::function<void(Animation&, double mark)> didReachProgressMark;
    std::function<double(Animation&, double progress)> valueForProgress;
    // Called after every step of a running animation, once the step has acted.
    std::function<void(Animation&, double progress)> progressHook;

    // Makes every animation jump to its end when started (for tests).
    static void setInstantForTesting(bool instant);
    static bool instantForTesting();

    static double curveValue(Curve curve, double progress);

private:
    void step();
    void advance(double progress);
    void finish();

    double duration_ = 0.5;
    Curve curve_ = Curve::EaseInOut;
    BlockingMode mode_ = BlockingMode::Blocking;
    double frameRate_ = 60.0;
    double progress_ = 0.0;
    double startProgress_ = 0.0;
    bool running_ = false;
    std::vector<double> marks_;
    QTimer* timer_ = nullptr;
    QEventLoop* loop_ = nullptr;
    QElapsedTimer clock_;
};

}  // namespace kit
