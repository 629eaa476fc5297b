#include "platform/kit/Font.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>

#include <mutex>

namespace kit {

namespace {

// A tiny image at 72 dots per inch: on it a font of n points is n pixels high,
// so measuring on it gives sizes in points.
const QImage& referenceImage() {
    static const QImage image = [] {
        QImage img(1, 1, QImage::Format_ARGB32_Premultiplied);
        img.setDotsPerMeterX(2835);
        img.setDotsPerMeterY(2835);
        return img;
    }();
    return image;
}

QFont makeQFont(const QString& family, double points, bool bold, const QPaintDevice* device) {
    QFont f(family);
    const double dpi = device ? device->logicalDpiY() : referenceImage().logicalDpiY();
    f.setPointSizeF(points * 72.0 / (dpi > 0 ? dpi : 72.0));
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    f.setKerning(true);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

}  // namespace

QString Font::systemFamily() {
    static const QString family = [] {
        const QString f = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        return f.isEmpty() ? QStringLiteral("Sans Serif") : f;
    }();
    return family;
}

Font::Font() : Font(systemFamily(), systemFontSize(), false) {}

Font::Font(const QString& family, double pointSize, bool bold)
    : family_(family.isEmpty() ? systemFamily() : family),
      size_(pointSize > 0 ? pointSize : systemFontSize()),
      bold_(bold),
      measure_(makeQFont(family_, size_, bold_, nullptr)) {}

Font Font::systemFont(double pointSize) {
    return Font(systemFamily(), pointSize, false);
}

Font Font::boldSystemFont(double pointSize) {
    return Font(systemFamily(), pointSize, true);
}

QFont Font::qfont(const QPaintDevice* device) const {
    if (!device || device->logicalDpiY() == referenceImage().logicalDpiY()) return measure_;
    return makeQFont(family_, size_, bold_, device);
}

const QPaintDevice* Font::measuringDevice() {
    return &referenceImage();
}

double Font::ascender() const {
    return QFontMetricsF(measure_, measuringDevice()).ascent();
}

double Font::descender() const {
    return -QFontMetricsF(measure_, measuringDevice()).descent();
}

double Font::lineHeight() const {
    const QFontMetricsF m(measure_, measuringDevice());
    return m.ascent() + m.descent() + std::max(0.0, m.leading());
}

double Font::capHeight() const {
    return QFontMetricsF(measure_, measuringDevice()).capHeight();
}

double Font::xHeight() const {
    return QFontMetricsF(measure_, measuringDevice()).xHeight();
}

double Font::widthOfString(const QString& text) const {
    return QFontMetricsF(measure_, measuringDevice()).horizontalAdvance(text);
}

}  // namespace kit
