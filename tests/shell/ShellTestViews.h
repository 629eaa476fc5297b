#pragma once

// Small views the shell's widget tests place, drive and render, and a probe for
// blocking animations.

#include "platform/kit/Graphics.h"
#include "platform/kit/View.h"
#include "support/TestSupport.h"

#include <QColor>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace shelltest {

// Fills itself with one colour and records the live-resize calls it gets.
class PaneView : public kit::View {
public:
    explicit PaneView(const QRectF& frame, const QColor& color = QColor(Qt::white),
                      bool flipped = false)
        : kit::View(frame), color(color), flipped_(flipped) {}
    bool isFlipped() const override { return flipped_; }
    void drawRect(kit::Graphics& g, const QRectF&) override {
        g.setFillColor(color);
        g.fillRect(bounds());
    }
    void viewWillStartLiveResize() override { calls << QStringLiteral("will"); }
    void viewDidEndLiveResize() override { calls << QStringLiteral("did"); }

    QColor color;
    QStringList calls;

private:
    bool flipped_;
};

// Answers whether a nested event loop ran during `call`: a blocking animation
// runs one, and a zero timer queued before the call fires in it.
inline bool ranEventLoop(const std::function<void()>& call) {
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    call();
    const bool during = fired;
    testsupport::waitUntil([&fired] { return fired; }, 2.0);
    return during;
}

}  // namespace shelltest
