#include "platform/kit/ProgressIndicator.h"

#include "platform/foundation/Dispatch.h"

#include <QPointer>
#include <QProgressBar>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

// The Qt bar counts whole steps: this many across the range.
constexpr int kSteps = 10000;

}  // namespace

ProgressIndicator::ProgressIndicator(const QRectF& frame) : View(frame) {
    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    bar_->setGeometry(rect());
    refresh();
}

void ProgressIndicator::onMainThread(std::function<void()> change) {
    if (foundation::isMainThread()) {
        change();
        return;
    }
    QPointer<ProgressIndicator> self(this);
    foundation::onMain([self, change = std::move(change)] {
        if (self) change();
    });
}

void ProgressIndicator::setIndeterminate(bool indeterminate) {
    onMainThread([this, indeterminate] {
        indeterminate_ = indeterminate;
        refresh();
    });
}

void ProgressIndicator::setMinValue(double value) {
    onMainThread([this, value] {
        min_ = value;
        value_ = std::max(value_, min_);
        refresh();
    });
}

void ProgressIndicator::setMaxValue(double value) {
    onMainThread([this, value] {
        max_ = value;
        value_ = std::min(value_, max_);
        refresh();
    });
}

void ProgressIndicator::setDoubleValue(double value) {
    onMainThread([this, value] {
        value_ = std::clamp(value, min_, std::max(min_, max_));
        refresh();
    });
}

void ProgressIndicator::incrementBy(double delta) {
    onMainThread([this, delta] {
        value_ = std::clamp(value_ + delta, min_, std::max(min_, max_));
        refresh();
    });
}

void ProgressIndicator::startAnimation(QObject*) {
    onMainThread([this] {
        animating_ = true;
        refresh();
    });
}

void ProgressIndicator::stopAnimation(QObject*) {
    onMainThread([this] {
        animating_ = false;
        refresh();
    });
}

void ProgressIndicator::setDisplayedWhenStopped(bool displayed) {
    onMainThread([this, displayed] {
        displayedWhenStopped_ = displayed;
        refresh();
    });
}

void ProgressIndicator::refresh() {
    if (indeterminate_) {
        // A range of nothing makes Qt's bar busy.
        if (animating_) {
            bar_->setRange(0, 0);
        } else {
            bar_->setRange(0, kSteps);
            bar_->setValue(0);
        }
        bar_->setVisible(animating_ || displayedWhenStopped_);
    } else {
        bar_->setRange(0, kSteps);
        const double span = max_ - min_;
        const double f = span > 0 ? (value_ - min_) / span : 0.0;
        bar_->setValue(int(std::lround(std::clamp(f, 0.0, 1.0) * kSteps)));
        bar_->setVisible(true);
    }
}

void ProgressIndicator::resizeEvent(QResizeEvent* event) {
    View::resizeEvent(event);
    bar_->setGeometry(rect());
}

}  // namespace kit
