#pragma once

#include "platform/kit/Control.h"

#include <QImage>

namespace kit {

// Shows an image inside its bounds, scaled as asked and centred. The image is
// the view's object value. Main thread only.
class ImageView : public Control {
    Q_OBJECT

public:
    enum class Scaling { ProportionallyDown, AxesIndependently, None, ProportionallyUpOrDown };

    explicit ImageView(const QRectF& frame = QRectF());

    QImage image() const { return image_; }
    void setImage(const QImage& image);
    void setObjectValue(const QVariant& value) override;
    Scaling imageScaling() const { return scaling_; }
    void setImageScaling(Scaling scaling);

    // Where the image lands in the view's coordinates.
    QRectF imageRect() const;

    void drawRect(Graphics& graphics, const QRectF& dirtyRect) override;

private:
    QImage image_;
    Scaling scaling_ = Scaling::ProportionallyDown;
};

}  // namespace kit
