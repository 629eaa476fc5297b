#include "shell/LxViewAnimation.h"

#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/ScreenUpdates.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"

#include <cmath>
#include <optional>

namespace {

// Shows one image at its own size, centred, without a border: what is laid over a
// view while it fades.
class FadeImageView final : public kit::View {
public:
    explicit FadeImageView(const QRectF& frame) : kit::View(frame) {}
    void setImage(const QImage& image) {
        image_ = image;
        setNeedsDisplay(true);
    }
    const QImage& image() const { return image_; }
    void drawRect(kit::Graphics& g, const QRectF&) override {
        if (image_.isNull()) return;
        const QSizeF size = kit::Image::sizeInPoints(image_);
        const QRectF b = bounds();
        const QRectF dest(kit::minX(b) + (b.width() - size.width()) / 2,
                          kit::minY(b) + (b.height() - size.height()) / 2, size.width(),
                          size.height());
        g.drawImage(image_, dest);
    }

private:
    QImage image_;
};

std::optional<QRectF> frameOf(QObject* target) {
    if (auto* v = qobject_cast<kit::View*>(target)) return v->frame();
    if (auto* w = qobject_cast<kit::Window*>(target)) return w->frame();
    return std::nullopt;
}

// The view drawn into an image of its bounds: the snapshot a fade shows.
QImage snapshotOf(kit::View* view) {
    return view->renderToImage(view->devicePixelRatioF());
}

QString fadeKey(int index) {
    return QString::number(index);
}

}  // namespace

LxViewAnimation::LxViewAnimation(const std::vector<Entry>& viewAnimations)
    : kit::Animation(0.5, Curve::EaseInOut) {
    setAnimationBlockingMode(BlockingMode::Nonblocking);
    views_.reserve(viewAnimations.size());
    setViewAnimations(viewAnimations);
    addProgressMark(1.0);
}

LxViewAnimation::~LxViewAnimation() {
    dropLeftoverFades();
}

void LxViewAnimation::resetViewAnimations(const std::vector<Entry>& viewAnimations) {
    setViewAnimations(viewAnimations);
}

void LxViewAnimation::setViewAnimations(const std::vector<Entry>& viewAnimations) {
    // Target i must stay the target of entry i, so the old targets go with the old
    // description, and so do the overlays of a fade that was stopped half-way.
    dropLeftoverFades();
    views_.clear();
    std::vector<Entry> completed;
    for (const Entry& given : viewAnimations) {
        const auto frame = frameOf(given.target);
        if (!frame) continue;
        Entry entry = given;
        if (!entry.startFrame) entry.startFrame = frame;
        if (!entry.endFrame) entry.endFrame = frame;
        views_.push_back(given.target);
        completed.push_back(entry);
    }
    viewAnimations_ = std::move(completed);
}

void LxViewAnimation::fastFinishAnimation() {
    if (!isAnimating()) return;
    stopAnimation();
    setCurrentProgress(1.0);
}

const LxViewAnimation::Entry* LxViewAnimation::entryFor(const QObject* target) const {
    if (!target) return nullptr;
    for (const Entry& e : viewAnimations_)
        if (e.target == target) return &e;
    return nullptr;
}

QRectF LxViewAnimation::frameForViewAtProgress(const QObject* target, double value) const {
    const Entry* e = entryFor(target);
    if (!e) return QRectF();
    const QRectF s = *e->startFrame, t = *e->endFrame;
    // std::round takes halves away from zero, so the origin lands on whole points.
    return QRectF(std::round(s.x() + (t.x() - s.x()) * value),
                  std::round(s.y() + (t.y() - s.y()) * value),
                  s.width() + (t.width() - s.width()) * value,
                  s.height() + (t.height() - s.height()) * value);
}

QRectF LxViewAnimation::originalFrameForView(const QObject* target) const {
    const Entry* e = entryFor(target);
    return e ? *e->startFrame : QRectF();
}

QRectF LxViewAnimation::destinationFrameForView(const QObject* target) const {
    const Entry* e = entryFor(target);
    return e ? *e->endFrame : QRectF();
}

kit::View* LxViewAnimation::fadeViewForIndex(int index) const {
    return fadeViews_.value(fadeKey(index));
}

void LxViewAnimation::setCurrentProgress(double progress) {
    kit::ScreenUpdatesDisabler together;  // every target changes in the same frame
    kit::Animation::setCurrentProgress(progress);
    const double p = currentProgress();
    const double value = currentValue();
    std::vector<QPointer<kit::View>> marked;
    for (size_t i = 0; i < views_.size() && i < viewAnimations_.size(); ++i) {
        QObject* target = views_[i];
        if (!target) continue;  // gone since the description was set
        const QRectF frame = frameForViewAtProgress(target, value);
        auto* view = qobject_cast<kit::View*>(target);
        auto* window = qobject_cast<kit::Window*>(target);
        if (view)
            view->setFrame(frame);
        else if (window)
            window->setFrame(frame, true);
        const Effect effect = viewAnimations_[i].effect;
        if (effect != Effect::None) {
            const bool fadeOut = effect == Effect::FadeOut;
            if (view)
                stepView(view, int(i), frame, fadeOut, p);
            else if (window)
                stepWindow(window, fadeOut, p);
        }
        if (view) {
            kit::View* superview = view->superview();
            if (superview && std::find(marked.begin(), marked.end(), superview) == marked.end()) {
                superview->setNeedsDisplay(true);
                marked.emplace_back(superview);
            }
        }
    }
    for (const QPointer<kit::View>& superview : marked)
        if (superview) superview->displayIfNeeded();
}

void LxViewAnimation::stepView(kit::View* view, int index, const QRectF& frame, bool fadeOut,
                               double p) {
    const QString key = fadeKey(index);
    if (p >= 1.0) {
        // The end: the overlay goes and the view shows its own state. This also
        // covers an animation whose only step is its end (a fast finish, or one of
        // no duration), which must not leave the overlay behind.
        if (FadeImageView* overlay = static_cast<FadeImageView*>(fadeViews_.value(key).data())) {
            overlay->removeFromSuperview();
            overlay->deleteLater();
        }
        fadeViews_.remove(key);
        fadeImages_.remove(key);
        view->setHidden(fadeOut);
        return;
    }
    const double opacity = fadeOut ? 1.0 - p : p;
    QPointer<kit::View> existing = fadeViews_.value(key);
    if (!view->isHidden() || !existing) {
        // First step of this fade: the snapshot stands in for the view.
        if (existing) {
            existing->removeFromSuperview();
            existing->deleteLater();
        }
        const QImage snapshot = snapshotOf(view);
        fadeImages_.insert(key, snapshot);
        auto* overlay = new FadeImageView(frame);
        if (fadeOut) overlay->setImage(snapshot);
        if (kit::View* superview = view->superview()) {
            superview->addSubview(overlay, kit::View::Ordering::Above, view);
            fadeViews_.insert(key, overlay);
        } else {
            delete overlay;  // nowhere to show it: the view only ends shown or hidden
        }
        view->setHidden(true);
        return;
    }
    auto* overlay = static_cast<FadeImageView*>(existing.data());
    QImage snapshot = fadeImages_.value(key);
    if (continuouslyUpdatesFadingViews_) {
        snapshot = snapshotOf(view);
        fadeImages_.insert(key, snapshot);
    }
    const double scale = snapshot.isNull() ? 1.0 : snapshot.devicePixelRatio();
    QImage image = kit::Image::withSize(frame.size(), scale);
    {
        kit::Graphics g(image, view->isFlipped());
        g.drawImageAtPoint(snapshot, QPointF(0, 0), QRectF(), kit::CompositingOperation::SourceOver,
                           opacity);
    }
    overlay->setImage(image);
    overlay->setFrame(frame);
}

void LxViewAnimation::stepWindow(QObject* target, bool fadeOut, double p) {
    auto* window = static_cast<kit::Window*>(target);
    const double opacity = fadeOut ? 1.0 - p : p;
    if (!fadeOut && !window->isVisible()) {
        // It comes on screen transparent and takes its opacity from the next step;
        // at the end there is no next step, so it is opaque at once.
        window->setAlphaValue(p >= 1.0 ? 1.0 : 0.0);
        window->orderFront();
    } else if (fadeOut && p >= 1.0) {
        window->setAlphaValue(0.0);
        if (ordersOutFadedWindows_) window->orderOut();
    } else {
        window->setAlphaValue(opacity);
    }
}

void LxViewAnimation::dropLeftoverFades() {
    for (auto it = fadeViews_.begin(); it != fadeViews_.end(); ++it) {
        const int index = it.key().toInt();
        if (QPointer<kit::View> overlay = it.value()) {
            overlay->removeFromSuperview();
            overlay->deleteLater();
        }
        if (index >= 0 && size_t(index) < views_.size() && size_t(index) < viewAnimations_.size())
            if (auto* view = qobject_cast<kit::View*>(views_[size_t(index)].data()))
                view->setHidden(viewAnimations_[size_t(index)].effect == Effect::FadeOut);
    }
    fadeViews_.clear();
    fadeImages_.clear();
}
