#include "platform/kit/ImageView.h"

#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"

#include <algorithm>

namespace kit {

ImageView::ImageView(const QRectF& frame) : Control(frame) {}

void ImageView::setImage(const QImage& image) {
    image_ = image;
    Control::setObjectValue(QVariant::fromValue(image));
}

void ImageView::setObjectValue(const QVariant& value) {
    setImage(value.value<QImage>());
}

void ImageView::setImageScaling(Scaling scaling) {
    scaling_ = scaling;
    setNeedsDisplay();
}

QRectF ImageView::imageRect() const {
    const QRectF b = bounds();
    if (image_.isNull()) return QRectF();
    QSizeF s = Image::sizeInPoints(image_);
    switch (scaling_) {
        case Scaling::AxesIndependently:
            return b;
        case Scaling::None:
            break;
        case Scaling::ProportionallyDown:
        case Scaling::ProportionallyUpOrDown: {
            double k = std::min(b.width() / s.width(), b.height() / s.height());
            if (scaling_ == Scaling::ProportionallyDown) k = std::min(k, 1.0);
            s = QSizeF(s.width() * k, s.height() * k);
            break;
        }
    }
    return QRectF(b.x() + (b.width() - s.width()) / 2.0, b.y() + (b.height() - s.height()) / 2.0,
                  s.width(), s.height());
}

void ImageView::drawRect(Graphics& g, const QRectF&) {
    if (image_.isNull()) return;
    g.drawImage(image_, imageRect());
}

}  // namespace kit
