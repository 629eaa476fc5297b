#pragma once

#include "platform/kit/Window.h"

#include <QImage>

namespace kit {

// A window that is never shown on screen: views placed in it are laid out and
// drawn as in any window, so that a picture of them can be taken (a print view
// rendered at a size of its own, a page drawn ahead of time). Ordering it front
// makes it "visible" to the views without showing anything. Main thread only.
class OffscreenWindow final : public Window {
    Q_OBJECT

public:
    explicit OffscreenWindow(const QRectF& contentRect);

    // It never takes the user's place.
    bool canBecomeKeyWindow() const override { return false; }
    bool canBecomeMainWindow() const override { return false; }

    // The content view and its subviews drawn into a new image.
    QImage cacheImage(double scale = 1.0);
};

}  // namespace kit
