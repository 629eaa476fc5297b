#include "data/ColorCheckbox.h"

#include "data/ModelImages.h"

#include <QPainter>

#include <algorithm>

namespace {

// The two artworks, loaded once.
const QImage& uncheckedImage() {
    static const QImage image = ModelImages::namedAtSize(
        QStringLiteral("CheckBox"), QSizeF(ColorCheckbox::kSize, ColorCheckbox::kSize));
    return image;
}

const QImage& checkedImage() {
    static const QImage image = ModelImages::namedAtSize(
        QStringLiteral("CheckBox_selected"), QSizeF(ColorCheckbox::kSize, ColorCheckbox::kSize));
    return image;
}

// The "plus darker" combination of a source pixel over a destination pixel,
// premultiplied: the darkness of both adds up, 1 - ((1 - D) + (1 - S)) for
// opaque pixels, and either pixel alone stays as it is.
int plusDarker(int source, int sourceAlpha, int dest, int destAlpha) {
    const int alpha = std::min(255, sourceAlpha + destAlpha);
    return std::max(0, alpha - ((sourceAlpha - source) + (destAlpha - dest)));
}

}  // namespace

QImage ColorCheckbox::checkboxWithColorAndState(const QColor& color, bool state) {
    const QSizeF size(kSize, kSize);
    const QRectF rect(QPointF(0, 0), size);
    const QImage& base = state ? checkedImage() : uncheckedImage();

    // The colour only where the artwork is opaque.
    QImage tint = ModelImages::emptyImage(size);
    {
        QPainter p(&tint);
        if (!base.isNull()) p.drawImage(rect, base);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(rect, color);
    }

    // Half the tint, then the artwork's own shading added on top.
    QImage combined = ModelImages::emptyImage(size);
    {
        QPainter p(&combined);
        p.setOpacity(0.5);
        p.drawImage(rect, tint);
    }
    if (!base.isNull() && base.size() == combined.size()) {
        const QImage artwork = base.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < combined.height(); ++y) {
            auto* d = reinterpret_cast<QRgb*>(combined.scanLine(y));
            const auto* s = reinterpret_cast<const QRgb*>(artwork.constScanLine(y));
            for (int x = 0; x < combined.width(); ++x) {
                const int sa = qAlpha(s[x]), da = qAlpha(d[x]);
                d[x] = qRgba(plusDarker(qRed(s[x]), sa, qRed(d[x]), da),
                             plusDarker(qGreen(s[x]), sa, qGreen(d[x]), da),
                             plusDarker(qBlue(s[x]), sa, qBlue(d[x]), da), std::min(255, sa + da));
            }
        }
    }

    QImage result = ModelImages::emptyImage(size);
    {
        QPainter p(&result);
        p.drawImage(rect, combined);
    }
    return result;
}
