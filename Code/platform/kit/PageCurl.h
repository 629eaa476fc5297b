#pragma once

#include <QImage>
#include <QRectF>

namespace kit {

// Draws one frame of a page turning over: the old picture rolls up around a
// cylinder and away, showing the new picture beneath, with the old picture's
// back (its mirror image, washed out like the back of a printed sheet) on the
// outside of the roll. CPU work over QImage; safe on any thread.
class PageCurl final {
public:
    struct Options {
        // The direction the roll starts from and moves against, in radians with
        // y upwards: 0 starts at the right edge, pi/4 at the top right corner.
        double angle = 0.785398;
        // The cylinder's radius in pixels.
        double radius = 40;
        // How dark the roll's shading and its shadow are, 0 to 1.
        double shading = 0.5;
        // The picture on the back of the sheet, of the size of `from`; none
        // shows `from` itself there.
        QImage backside;
        // A lit sphere in a square: its middle row, read across the roll,
        // is the light on the roll (white leaves the sheet as it is, darker
        // greys shade it, scaled by `shading`). None shades the roll evenly.
        QImage shadingImage;
        // The part of the pictures that turns, in pixels (y down); outside it
        // the frame is transparent. Empty is the whole picture.
        QRectF extent;
    };

    // `from` and `to` are of equal size; `time` runs from 0 (exactly `from`) to
    // 1 (exactly `to`) within the extent. Answers a null image when the sizes
    // differ (`from` and a given backside included).
    static QImage render(const QImage& from, const QImage& to, double time, const Options& options);
};

}  // namespace kit
