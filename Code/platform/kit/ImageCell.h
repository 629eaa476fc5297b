#pragma once

#include "platform/kit/Cell.h"

namespace kit {

// A cell that shows a picture: its value when that is an image, else the image
// set on the cell; scaled down (never up) to fit the frame, centred. Not
// editable.
class ImageCell : public Cell {
public:
    ImageCell() = default;

    QImage image() const override;
    void drawInteriorWithFrame(Graphics& graphics, const QRectF& frame, View* controlView) override;
    QSizeF cellSize() const override;
};

}  // namespace kit
