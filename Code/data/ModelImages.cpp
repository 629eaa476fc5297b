#include "data/ModelImages.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <mutex>

namespace {

std::mutex cacheMutex;
QHash<QString, QImage>& cache() {
    static QHash<QString, QImage> images;
    return images;
}

QImage render(const QString& name, const QSizeF& size) {
    const QString path = foundation::Bundle::resourcePath(name, QStringLiteral("svg"));
    if (path.isEmpty()) return QImage();
    QSvgRenderer svg(path);
    if (!svg.isValid()) return QImage();
    const QSizeF points = size.isValid() ? size : QSizeF(svg.defaultSize());
    QImage image = ModelImages::emptyImage(points);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter, QRectF(QPointF(0, 0), points));
    return image;
}

QImage namedAtSize(const QString& name, const QSizeF& size) {
    const QString key = size.isValid()
                            ? name + QStringLiteral("@%1x%2").arg(size.width()).arg(size.height())
                            : name;
    {
        std::lock_guard lock(cacheMutex);
        auto found = cache().constFind(key);
        if (found != cache().cend()) return *found;
    }
    QImage image = render(name, size);
    if (image.isNull()) foundation::log(QStringLiteral("WARNING: image %1 not found").arg(name));
    std::lock_guard lock(cacheMutex);
    cache().insert(key, image);
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

QImage ModelImages::emptyImage(const QSizeF& size) {
    QImage image(qRound(size.width() * kScale), qRound(size.height() * kScale),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(kScale);
    image.fill(Qt::transparent);
    return image;
}

QImage ModelImages::named(const QString& name) {
    return namedAtSize(name, QSizeF());
}

QImage ModelImages::checkboxWithColorAndState(const QColor& color, bool state) {
    const QSizeF size(18, 18);
    const QRectF rect(QPointF(0, 0), size);
    const QImage base =
        namedAtSize(state ? QStringLiteral("CheckBox_selected") : QStringLiteral("CheckBox"), size);

    // The colour only where the artwork is opaque.
    QImage tint = emptyImage(size);
    {
        QPainter p(&tint);
        if (!base.isNull()) p.drawImage(rect, base);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(rect, color);
    }

    // Half the tint, then the artwork's own shading added on top.
    QImage combined = emptyImage(size);
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

    QImage result = emptyImage(size);
    {
        QPainter p(&result);
        p.drawImage(rect, combined);
    }
    return result;
}
