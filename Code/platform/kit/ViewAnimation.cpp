#include "platform/kit/ViewAnimation.h"

#include "platform/kit/ScreenUpdates.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"

#include <algorithm>

namespace kit {

namespace {

std::optional<QRectF> frameOf(QObject* target) {
    if (auto* v = qobject_cast<View*>(target)) return v->frame();
    if (auto* w = qobject_cast<Window*>(target)) return w->frame();
    return std::nullopt;
}

}  // namespace

ViewAnimation::ViewAnimation(const std::vector<Entry>& entries) : Animation(0.5, Curve::EaseInOut) {
    setViewAnimations(entries);
}

void ViewAnimation::setViewAnimations(const std::vector<Entry>& entries) {
    entries_.clear();
    originalAlpha_.clear();
    for (const Entry& e : entries) {
        const auto frame = frameOf(e.target);
        if (!frame) continue;
        Entry c = e;
        if (!c.startFrame) c.startFrame = frame;
        if (!c.endFrame) c.endFrame = frame;
        entries_.push_back(c);
        double alpha = 1.0;
        if (auto* v = qobject_cast<View*>(e.target)) alpha = v->alphaValue();
        if (auto* w = qobject_cast<Window*>(e.target)) alpha = w->alphaValue();
        originalAlpha_.push_back(alpha > 0 ? alpha : 1.0);
    }
}

QRectF ViewAnimation::frameAtValue(const Entry& e, double v) {
    const QRectF s = e.startFrame.value_or(QRectF()), t = e.endFrame.value_or(QRectF());
    return QRectF(s.x() + (t.x() - s.x()) * v, s.y() + (t.y() - s.y()) * v,
                  s.width() + (t.width() - s.width()) * v,
                  s.height() + (t.height() - s.height()) * v);
}

void ViewAnimation::startAnimation() {
    if (currentProgress() >= 1.0 || currentProgress() <= 0.0) {
        // Targets fading in start invisible.
        for (size_t i = 0; i < entries_.size(); ++i) {
            const Entry& e = entries_[i];
            if (e.effect != Effect::FadeIn) continue;
            if (auto* v = qobject_cast<View*>(e.target)) {
                v->setAlphaValue(0.0);
                v->setHidden(false);
            } else if (auto* w = qobject_cast<Window*>(e.target); w && !w->isVisible()) {
                w->setAlphaValue(0.0);
                w->orderFront();
            }
        }
    }
    Animation::startAnimation();
}

void ViewAnimation::setCurrentProgress(double progress) {
    ScreenUpdatesDisabler batch;  // every target changes in the same frame
    Animation::setCurrentProgress(progress);
    const double p = currentProgress();
    const double value = currentValue();
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        QObject* target = e.target;
        if (!target) continue;
        const QRectF frame = frameAtValue(e, value);
        auto* view = qobject_cast<View*>(target);
        auto* window = qobject_cast<Window*>(target);
        if (view)
            view->setFrame(frame);
        else if (window)
            window->setFrame(frame, true);
        if (e.effect == Effect::None) continue;
        const bool out = e.effect == Effect::FadeOut;
        const double opacity = (out ? 1.0 - p : p) * originalAlpha_[i];
        if (view) {
            if (p >= 1.0 && out) {
                view->setHidden(true);
                view->setAlphaValue(originalAlpha_[i]);
            } else {
                view->setHidden(false);
                view->setAlphaValue(opacity);
            }
        } else if (window) {
            if (p >= 1.0 && out) {
                window->orderOut();
                window->setAlphaValue(originalAlpha_[i]);
            } else {
                if (!window->isVisible()) window->orderFront();
                window->setAlphaValue(opacity);
            }
        }
    }
}

}  // namespace kit
