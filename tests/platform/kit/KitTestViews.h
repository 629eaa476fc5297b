#pragma once

// Small views the kit's tests draw and drive.

#include "platform/kit/Event.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/View.h"

#include <QImage>
#include <QString>

class QWidget;

#include <functional>
#include <vector>

namespace kittest {

// A view that draws with a function and answers a fixed flipped state.
class DrawingView : public kit::View {
public:
    DrawingView(const QRectF& frame, bool flipped, std::function<void(kit::Graphics&)> draw = {})
        : kit::View(frame), flipped_(flipped), draw_(std::move(draw)) {}
    bool isFlipped() const override { return flipped_; }
    void drawRect(kit::Graphics& g, const QRectF&) override {
        ++draws;
        if (draw_) draw_(g);
    }
    int draws = 0;

private:
    bool flipped_;
    std::function<void(kit::Graphics&)> draw_;
};

// Counts dark pixels (all channels below 128, not transparent) in a row or column.
int darkInRow(const QImage& image, int y);
int darkInColumn(const QImage& image, int x);
// The rows and columns holding dark pixels: top, bottom (inclusive), left, right;
// all -1 when there are none.
struct InkBox {
    int top = -1, bottom = -1, left = -1, right = -1;
};
InkBox inkBox(const QImage& image);

// Qt input straight to a widget, as the window system would hand it: a left
// click (press and release) at `at` (the middle when null), a key with its
// text, and text typed character by character.
void click(QWidget* widget, const QPoint& at = QPoint());
void pressKey(QWidget* widget, Qt::Key key, const QString& text = QString());
void typeText(QWidget* widget, const QString& text);

}  // namespace kittest
