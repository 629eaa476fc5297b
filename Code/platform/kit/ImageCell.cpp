#include "platform/kit/ImageCell.h"

#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"

#include <algorithm>

namespace kit {

QImage ImageCell::image() const {
    const QVariant v = objectValue();
    if (v.metaType() == QMetaType::fromType<QImage>()) return v.value<QImage>();
    return Cell::image();
}

QSizeF ImageCell::cellSize() const {
    return Image::sizeInPoints(image());
}

void ImageCell::drawInteriorWithFrame(Graphics& g, const QRectF& frame, View*) {
    const QImage picture = image();
    if (picture.isNull() || frame.isEmpty()) return;
    const QSizeF s = Image::sizeInPoints(picture);
    const double scale = std::min({1.0, frame.width() / s.width(), frame.height() / s.height()});
    const QSizeF shown = s * scale;
    const QRectF dest(frame.x() + (frame.width() - shown.width()) / 2,
                      frame.y() + (frame.height() - shown.height()) / 2, shown.width(),
                      shown.height());
    g.drawImage(picture, dest);
}

}  // namespace kit
