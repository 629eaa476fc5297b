#include "platform/kit/Image.h"

#include "platform/foundation/Bundle.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <mutex>

namespace kit {

namespace {

std::mutex& cacheLock() {
    static std::mutex m;
    return m;
}

QHash<QString, QImage>& cache() {
    static QHash<QString, QImage> c;
    return c;
}

double& namedScale() {
    static double s = 2.0;
    return s;
}

QImage render(const QString& name, const QSizeF& wanted) {
    const double scale = namedScale();
    QString path = foundation::Bundle::resourcePath(name, QStringLiteral("svg"));
    if (!path.isEmpty()) {
        QSvgRenderer svg(path);
        if (!svg.isValid()) return {};
        const QSizeF size = wanted.isValid() ? wanted : QSizeF(svg.defaultSize());
        QImage out = Image::withSize(size, scale);
        QPainter p(&out);
        p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        svg.render(&p, QRectF(QPointF(0, 0), size));
        return out;
    }
    path = foundation::Bundle::resourcePath(name, QStringLiteral("png"));
    if (path.isEmpty()) return {};
    QImage img(path);
    if (img.isNull()) return {};
    img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return wanted.isValid() ? Image::scaledToSize(img, wanted) : img;
}

}  // namespace

QImage Image::withSize(const QSizeF& size, double scale) {
    const int w = std::max(1, int(std::ceil(size.width() * scale - 1e-9)));
    const int h = std::max(1, int(std::ceil(size.height() * scale - 1e-9)));
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(scale);
    img.fill(Qt::transparent);
    return img;
}

QSizeF Image::sizeInPoints(const QImage& image) {
    if (image.isNull()) return QSizeF(0, 0);
    return QSizeF(image.size()) / image.devicePixelRatio();
}

QImage Image::named(const QString& name) {
    {
        std::lock_guard<std::mutex> g(cacheLock());
        auto it = cache().constFind(name);
        if (it != cache().constEnd()) return *it;
    }
    QImage img = render(name, QSizeF());
    std::lock_guard<std::mutex> g(cacheLock());
    cache().insert(name, img);
    return img;
}

QImage Image::named(const QString& name, const QSizeF& size) {
    return render(name, size);
}

void Image::setNamedImageScale(double scale) {
    std::lock_guard<std::mutex> g(cacheLock());
    namedScale() = scale > 0 ? scale : 1.0;
    cache().clear();
}

QImage Image::scaledToSize(const QImage& image, const QSizeF& size) {
    const double scale = image.isNull() ? 1.0 : image.devicePixelRatio();
    QImage out = withSize(size, scale);
    if (image.isNull()) return out;
    QPainter p(&out);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(QPointF(0, 0), size), image);
    return out;
}

QImage Image::tinted(const QImage& mask, const QColor& color, const TintOptions& options) {
    if (mask.isNull()) return QImage();
    QColor c = color.toHsv();
    if (options.brightnessCap && c.valueF() > *options.brightnessCap)
        c.setHsvF(c.hsvHueF(), c.hsvSaturationF(), float(*options.brightnessCap));
    const QColor rgb = c.toRgb();
    QImage out = mask.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (options.halveWideMasks && out.width() > 65) {
        const double dpr = out.devicePixelRatio();
        out = out.scaled(out.width() / 2, out.height() / 2, Qt::IgnoreAspectRatio,
                         Qt::SmoothTransformation);
        out.setDevicePixelRatio(dpr);
    }
    // Premultiplied channels times the colour stay premultiplied with the
    // mask's alpha.
    const int r = rgb.red(), g = rgb.green(), b = rgb.blue();
    auto times = [](int channel, int factor) { return (channel * factor + 127) / 255; };
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = line[x];
            line[x] = qRgba(times(qRed(p), r), times(qGreen(p), g), times(qBlue(p), b), qAlpha(p));
        }
    }
    return out;
}

}  // namespace kit
