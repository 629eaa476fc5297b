// The editor's event icon, in the colour of the event's calendar.
#include "events/EventConfigController.h"

#include "platform/kit/Image.h"
#include "platform/kit/View.h"

#include <QPainter>

namespace {

// The part of the mask drawn over the icon, in pixels from its corner.
constexpr int kMaskSourcePixels = 64;

}  // namespace

QImage EventConfigController::colorizeImageWithColor(const QImage& image, const QColor& color) {
    return kit::Image::tinted(image, color);
}

QImage EventConfigController::eventImageWithColor(const QColor& color) {
    return eventImageFromImagesWithColor(kit::Image::named(QStringLiteral("Event")),
                                         kit::Image::named(QStringLiteral("EventMask")), color);
}

QImage EventConfigController::eventImageFromImagesWithColor(const QImage& icon, const QImage& mask,
                                                            const QColor& color) {
    if (icon.isNull()) return QImage();
    QImage result = icon.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(icon.devicePixelRatio());
    if (mask.isNull()) return result;
    // A mask made for twice the resolution is halved, so that it covers the icon.
    kit::Image::TintOptions options;
    options.halveWideMasks = true;
    const QImage tinted = kit::Image::tinted(mask, color, options);
    const QRectF source(0, 0, std::min(kMaskSourcePixels, tinted.width()),
                        std::min(kMaskSourcePixels, tinted.height()));
    const double ratio = tinted.devicePixelRatio();
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QRectF(0, 0, source.width() / ratio, source.height() / ratio), tinted,
                      source);
    return result;
}
