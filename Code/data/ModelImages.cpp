#include "data/ModelImages.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

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

QImage cachedAtSize(const QString& name, const QSizeF& size) {
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

}  // namespace

QImage ModelImages::emptyImage(const QSizeF& size) {
    QImage image(qRound(size.width() * kScale), qRound(size.height() * kScale),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(kScale);
    image.fill(Qt::transparent);
    return image;
}

QImage ModelImages::named(const QString& name) {
    return cachedAtSize(name, QSizeF());
}

QImage ModelImages::namedAtSize(const QString& name, const QSizeF& size) {
    return cachedAtSize(name, size);
}
