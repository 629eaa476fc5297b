// The progress strip at the bottom of the source column: raised and lowered
// with a short slide while background jobs run, and the indicator inside it as
// the loader jobs drive it. Everything here runs on the main thread; callers on
// other threads are handed over to it.

#include "shell/MainWindowCtrl.h"

#include "data/LoaderProgressSink.h"
#include "platform/foundation/Dispatch.h"

#include <algorithm>

namespace {

// The strip as the loader class holds it. The loader calls it on the main
// thread; a call from elsewhere is handed to the main thread all the same, and
// once the window's controller is gone the calls do nothing.
class ProgressStripSink final : public LoaderProgressSink {
public:
    explicit ProgressStripSink(MainWindowCtrl* controller) : controller_(controller) {}

    void showProgressView() override {
        withController([](MainWindowCtrl* c) { c->showProgressView(); });
    }
    void hideProgressView() override {
        withController([](MainWindowCtrl* c) { c->hideProgressView(); });
    }
    void setProgressIndeterminate(bool indeterminate) override {
        withIndicator(
            [indeterminate](kit::ProgressIndicator* p) { p->setIndeterminate(indeterminate); });
    }
    void setProgressValue(double percent) override {
        withIndicator([percent](kit::ProgressIndicator* p) { p->setDoubleValue(percent); });
    }
    void startProgressAnimation() override {
        withIndicator([](kit::ProgressIndicator* p) { p->startAnimation(); });
    }
    void stopProgressAnimation() override {
        withIndicator([](kit::ProgressIndicator* p) { p->stopAnimation(); });
    }

private:
    void withController(std::function<void(MainWindowCtrl*)> fn) {
        QPointer<MainWindowCtrl> controller = controller_;
        auto run = [controller, fn = std::move(fn)] {
            if (controller) fn(controller);
        };
        if (foundation::isMainThread())
            run();
        else
            foundation::onMain(run);
    }
    void withIndicator(std::function<void(kit::ProgressIndicator*)> fn) {
        withController([fn = std::move(fn)](MainWindowCtrl* c) {
            if (kit::ProgressIndicator* p = c->progressIndicator()) fn(p);
        });
    }

    QPointer<MainWindowCtrl> controller_;
};

}  // namespace

std::shared_ptr<LoaderProgressSink> MainWindowCtrl::makeProgressSink() {
    return std::make_shared<ProgressStripSink>(this);
}

void MainWindowCtrl::showProgressView() {
    if (!foundation::isMainThread()) {
        showProgressViewFromThread();
        return;
    }
    if (progressViewMoving_ == 1) return;
    slideProgressStrip(true);
}

void MainWindowCtrl::hideProgressView() {
    if (!foundation::isMainThread()) {
        hideProgressViewFromThread();
        return;
    }
    if (progressViewMoving_ == -1) return;
    slideProgressStrip(false);
}

void MainWindowCtrl::showProgressViewFromThread() {
    QPointer<MainWindowCtrl> self(this);
    foundation::onMain([self] {
        if (self) self->showProgressView();
    });
}

void MainWindowCtrl::hideProgressViewFromThread() {
    QPointer<MainWindowCtrl> self(this);
    foundation::onMain([self] {
        if (self) self->hideProgressView();
    });
}

// The strip slides from where it is to the column's bottom edge (raised) or
// just below it (lowered); the list gives up or takes back the strip's height
// at once, and never the source view's bottom bar.
void MainWindowCtrl::slideProgressStrip(bool raise) {
    kit::View* strip = gui_progressView;
    kit::View* list = gui_calSourceListView;
    if (!strip || !list || !strip->superview()) return;
    const double H = strip->superview()->bounds().height();
    const QRectF stripFrame = strip->frame();
    const double h = stripFrame.height();
    const QRectF target(stripFrame.x(), raise ? 0.0 : -h, stripFrame.width(), h);
    const QRectF listFrame = list->frame();
    if (!listRestY_) listRestY_ = strip->isHidden() ? listFrame.y() : 0.0;
    const double listY = raise ? std::max(h, *listRestY_) : *listRestY_;
    const QRectF newListFrame(listFrame.x(), listY, listFrame.width(), H - listY);
    strip->setHidden(false);
    list->setHidden(false);

    const std::vector<LxViewAnimation::Entry> entries{
        {strip, std::nullopt, target, LxViewAnimation::Effect::None}};
    if (progressIndAnimation) {
        if (progressIndAnimation->isAnimating()) progressIndAnimation->stopAnimation();
        progressIndAnimation->resetViewAnimations(entries);
        // A slide stopped half-way starts the new one from where the strip is
        // now, not from the old slide's progress.
        progressIndAnimation->setCurrentProgress(0.0);
    } else {
        progressIndAnimation = new LxViewAnimation(entries);
        progressIndAnimation->setParent(this);
    }
    progressViewMoving_ = raise ? 1 : -1;
    progressIndAnimation->setOrdersOutFadedWindows(false);
    progressIndAnimation->setContinuouslyUpdateFadingViews(false);
    progressIndAnimation->setAnimationBlockingMode(kit::Animation::BlockingMode::Nonblocking);
    progressIndAnimation->setDuration(kProgressSlideSeconds);
    progressIndAnimation->startAnimation();
    list->setFrame(newListFrame);
}
