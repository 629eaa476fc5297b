#include "platform/kit/Animation.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace kit {

namespace {
std::atomic<bool> instant{false};
}

Animation::Animation(double duration, Curve curve) : curve_(curve) {
    setDuration(duration);
    timer_ = new QTimer(this);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, [this] { step(); });
}

Animation::~Animation() {
    if (loop_) loop_->quit();
}

void Animation::setInstantForTesting(bool on) {
    instant = on;
}

bool Animation::instantForTesting() {
    return instant;
}

double Animation::curveValue(Curve curve, double p) {
    p = std::clamp(p, 0.0, 1.0);
    switch (curve) {
        case Curve::EaseIn:
            return p * p;
        case Curve::EaseOut:
            return 1.0 - (1.0 - p) * (1.0 - p);
        case Curve::EaseInOut:
            return p * p * (3.0 - 2.0 * p);
        default:
            return p;
    }
}

void Animation::setCurrentProgress(double progress) {
    const double previous = progress_;
    progress_ = std::clamp(progress, 0.0, 1.0);
    if (didReachProgressMark && progress_ > previous) {
        const auto marks = marks_;
        for (double m : marks)
            if (m > previous && m <= progress_) didReachProgressMark(*this, m);
    }
}

double Animation::currentValue() const {
    if (valueForProgress) return valueForProgress(const_cast<Animation&>(*this), progress_);
    return curveValue(curve_, progress_);
}

void Animation::startAnimation() {
    if (running_) return;
    if (shouldStart && !shouldStart(*this)) return;
    if (progress_ >= 1.0) progress_ = 0.0;
    startProgress_ = progress_;
    running_ = true;
    QPointer<Animation> alive(this);
    if (instant || duration_ <= 0.0) {
        advance(1.0);
        if (alive && running_) finish();
        return;
    }
    clock_.start();
    timer_->start(std::max(1, int(std::lround(1000.0 / frameRate_))));
    if (mode_ != BlockingMode::Blocking) return;
    QEventLoop loop;
    loop_ = &loop;
    // User input waits until the animation has ended; timers and drawing go on.
    while (alive && running_) loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (alive) loop_ = nullptr;
}

void Animation::step() {
    if (!running_) return;
    const double elapsed = clock_.nsecsElapsed() / 1e9;
    const double p = startProgress_ + elapsed / duration_;
    QPointer<Animation> alive(this);
    advance(std::min(p, 1.0));
    if (alive && running_ && p >= 1.0) finish();
}

void Animation::advance(double p) {
    QPointer<Animation> alive(this);
    setCurrentProgress(p);
    if (alive && progressHook) progressHook(*this, progress_);
}

void Animation::finish() {
    running_ = false;
    timer_->stop();
    if (loop_) loop_->quit();
    if (didEnd) didEnd(*this);
}

void Animation::stopAnimation() {
    if (!running_) return;
    running_ = false;
    timer_->stop();
    if (loop_) loop_->quit();
    if (didStop) didStop(*this);
}

void Animation::addProgressMark(double mark) {
    mark = std::clamp(mark, 0.0, 1.0);
    if (std::find(marks_.begin(), marks_.end(), mark) == marks_.end()) marks_.push_back(mark);
    std::sort(marks_.begin(), marks_.end());
}

void Animation::removeProgressMark(double mark) {
    marks_.erase(std::remove(marks_.begin(), marks_.end(), mark), marks_.end());
}

void Animation::setProgressMarks(const std::vector<double>& marks) {
    marks_.clear();
    for (double m : marks) addProgressMark(m);
}

}  // namespace kit
