#pragma once

// Small views the shell's widget tests place, drive and render.

#include "platform/kit/Graphics.h"
#include "platform/kit/View.h"

#include <QColor>
#include <QStringList>

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

}  // namespace shelltest
