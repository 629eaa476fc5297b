#include "platform/kit/Graphics.h"

#include "platform/kit/Image.h"
#include "platform/kit/TextLayout.h"

#include <QLinearGradient>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

thread_local std::vector<Graphics*> currentStack;

QPainter::CompositionMode qtMode(CompositingOperation op) {
    switch (op) {
        case CompositingOperation::Clear:
            return QPainter::CompositionMode_Clear;
        case CompositingOperation::Copy:
            return QPainter::CompositionMode_Source;
        case CompositingOperation::SourceIn:
            return QPainter::CompositionMode_SourceIn;
        case CompositingOperation::SourceOut:
            return QPainter::CompositionMode_SourceOut;
        case CompositingOperation::SourceAtop:
            return QPainter::CompositionMode_SourceAtop;
        case CompositingOperation::DestinationOver:
            return QPainter::CompositionMode_DestinationOver;
        case CompositingOperation::DestinationIn:
            return QPainter::CompositionMode_DestinationIn;
        case CompositingOperation::DestinationOut:
            return QPainter::CompositionMode_DestinationOut;
        case CompositingOperation::DestinationAtop:
            return QPainter::CompositionMode_DestinationAtop;
        case CompositingOperation::Xor:
            return QPainter::CompositionMode_Xor;
        case CompositingOperation::PlusLighter:
            return QPainter::CompositionMode_Plus;
        case CompositingOperation::PlusDarker:  // only where the exact blend is impossible
            return QPainter::CompositionMode_Multiply;
        default:
            return QPainter::CompositionMode_SourceOver;
    }
}

// Blurs the alpha of a premultiplied image in place with three box passes, which
// comes close to a Gaussian of the given deviation (in pixels).
void blurAlpha(QImage& img, double sigma) {
    if (sigma <= 0.25) return;
    const int w = img.width(), h = img.height();
    const int box =
        std::max(1, int(std::lround((std::sqrt(4.0 * sigma * sigma + 1.0) - 1.0) / 2.0)));
    std::vector<int> a(size_t(w) * size_t(h)), tmp(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) a[size_t(y) * w + x] = qAlpha(line[x]);
    }
    auto pass = [&](std::vector<int>& src, std::vector<int>& dst, bool horizontal) {
        const int n = horizontal ? w : h, m = horizontal ? h : w;
        const int span = 2 * box + 1;
        for (int j = 0; j < m; ++j) {
            auto at = [&](int i) -> int& {
                return horizontal ? src[size_t(j) * w + i] : src[size_t(i) * w + j];
            };
            auto out = [&](int i) -> int& {
                return horizontal ? dst[size_t(j) * w + i] : dst[size_t(i) * w + j];
            };
            int sum = 0;
            for (int i = -box; i <= box; ++i) sum += (i >= 0 && i < n) ? at(i) : 0;
            for (int i = 0; i < n; ++i) {
                out(i) = sum / span;
                const int add = i + box + 1, drop = i - box;
                if (add < n) sum += at(add);
                if (drop >= 0) sum -= at(drop);
            }
        }
    };
    for (int k = 0; k < 3; ++k) {
        pass(a, tmp, true);
        pass(tmp, a, false);
    }
    for (int y = 0; y < h; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int al = std::clamp(a[size_t(y) * w + x], 0, 255);
            line[x] = qRgba(0, 0, 0, al);
        }
    }
}

}  // namespace

Graphics::Graphics(QPainter& painter, bool flipped) : painter_(&painter) {
    init(flipped);
}

Graphics::Graphics(QImage& image, bool flipped)
    : ownPainter_(std::make_unique<QPainter>(&image)), painter_(ownPainter_.get()) {
    if (!flipped) {
        const double h = image.height() / image.devicePixelRatio();
        painter_->translate(0, h);
        painter_->scale(1, -1);
    }
    init(flipped);
}

Graphics::Destination Graphics::destinationOf(const QPaintDevice* device) {
    if (!device) return Destination::Image;
    if (dynamic_cast<const QPagedPaintDevice*>(device)) return Destination::Print;
    switch (device->devType()) {
        case QInternal::Widget:
        case QInternal::OpenGL:
        case QInternal::FramebufferObject:
            return Destination::Screen;
        case QInternal::Printer:
            return Destination::Print;
        default:
            return Destination::Image;
    }
}

void Graphics::init(bool flipped) {
    flipped_ = flipped;
    destination_ = destinationOf(painter_->device());
    painter_->save();
    painter_->setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                             QPainter::TextAntialiasing);
    currentStack.push_back(this);
}

Graphics::~Graphics() {
    while (!saved_.empty()) restoreGraphicsState();
    painter_->restore();
    auto it = std::find(currentStack.rbegin(), currentStack.rend(), this);
    if (it != currentStack.rend()) currentStack.erase(std::next(it).base());
    if (ownPainter_) ownPainter_->end();
}

Graphics* Graphics::current() {
    return currentStack.empty() ? nullptr : currentStack.back();
}

bool Graphics::isFlipped() const {
    return flippedQuery_ ? flippedQuery_() : flipped_;
}

void Graphics::saveGraphicsState() {
    saved_.push_back(state_);
    painter_->save();
}

void Graphics::restoreGraphicsState() {
    if (saved_.empty()) return;  // unbalanced restores are ignored
    state_ = saved_.back();
    saved_.pop_back();
    painter_->restore();
}

void Graphics::setColor(const QColor& c) {
    state_.fill = state_.stroke = c;
}

void Graphics::setShadow(const QPointF& offset, double blurRadius, const QColor& color) {
    state_.shadow = Shadow{offset, std::max(0.0, blurRadius), color};
}

void Graphics::setShouldAntialias(bool on) {
    painter_->setRenderHint(QPainter::Antialiasing, on);
}

void Graphics::setAlpha(double alpha) {
    painter_->setOpacity(std::clamp(alpha, 0.0, 1.0));
}

void Graphics::translate(double dx, double dy) {
    painter_->translate(dx, dy);
}

void Graphics::scale(double sx, double sy) {
    painter_->scale(sx, sy);
}

void Graphics::rotate(double degrees) {
    // QPainter turns clockwise on a y-down device; in user space that is the
    // rotation matrix of the angle, which is counter-clockwise where y grows up.
    painter_->rotate(degrees);
}

void Graphics::concat(const QTransform& t) {
    painter_->setWorldTransform(t, true);
}

QTransform Graphics::currentTransform() const {
    return painter_->worldTransform();
}

void Graphics::clipToRect(const QRectF& r) {
    painter_->setClipRect(r, Qt::IntersectClip);
}

void Graphics::addClip(const Path& path) {
    painter_->setClipPath(path.painterPath(), Qt::IntersectClip);
}

void Graphics::setClip(const Path& path) {
    painter_->setClipPath(path.painterPath(), Qt::ReplaceClip);
}

QRectF Graphics::deviceBounds() const {
    const QPaintDevice* d = painter_->device();
    if (!d) return QRectF();
    return QRectF(0, 0, d->width(), d->height());
}

QImage Graphics::renderLayer(const QRect& deviceRect, const std::function<void(QPainter&)>& draw) {
    const QPaintDevice* d = painter_->device();
    const double dpr = d ? d->devicePixelRatioF() : 1.0;
    QImage layer(std::max(1, int(std::ceil(deviceRect.width() * dpr))),
                 std::max(1, int(std::ceil(deviceRect.height() * dpr))),
                 QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    if (d) {
        // Same resolution as the device, so fonts come out at the same size.
        layer.setDotsPerMeterX(int(std::lround(d->logicalDpiX() / 0.0254)));
        layer.setDotsPerMeterY(int(std::lround(d->logicalDpiY() / 0.0254)));
    }
    layer.fill(Qt::transparent);
    QPainter lp(&layer);
    lp.setRenderHints(painter_->renderHints());
    lp.setTransform(painter_->worldTransform() *
                    QTransform::fromTranslate(-deviceRect.x(), -deviceRect.y()));
    lp.setOpacity(painter_->opacity());
    draw(lp);
    lp.end();
    return layer;
}

void Graphics::paintShadow(const QRectF& bounds, const std::function<void(QPainter&)>& draw) {
    const Shadow& s = *state_.shadow;
    const int margin = int(std::ceil(s.blur * 1.5)) + 2;
    QRectF dev = painter_->worldTransform().mapRect(bounds);
    // Only the part that can cast a visible shadow matters.
    const QRectF visible = deviceBounds().translated(-s.offset.x(), s.offset.y());
    dev = dev.intersected(visible.adjusted(-margin, -margin, margin, margin));
    if (dev.isEmpty()) return;
    const QRect r = dev.toAlignedRect().adjusted(-margin, -margin, margin, margin);
    QImage layer = renderLayer(r, draw);
    blurAlpha(layer, s.blur / 2.0 * layer.devicePixelRatio());
    {
        QPainter lp(&layer);
        lp.setCompositionMode(QPainter::CompositionMode_SourceIn);
        const double d = layer.devicePixelRatio();
        lp.fillRect(QRectF(0, 0, layer.width() / d, layer.height() / d), s.color);
    }
    painter_->save();
    painter_->resetTransform();
    painter_->setOpacity(1.0);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->drawImage(QPointF(r.x() + s.offset.x(), r.y() - s.offset.y()), layer);
    painter_->restore();
}

bool Graphics::paintPlusDarker(const QRectF& bounds, const std::function<void(QPainter&)>& draw) {
    QPaintDevice* d = painter_->device();
    if (!d || d->devType() != QInternal::Image) return false;
    const QImage& target = *static_cast<QImage*>(d);
    if (target.format() != QImage::Format_ARGB32_Premultiplied &&
        target.format() != QImage::Format_RGB32 && target.format() != QImage::Format_ARGB32)
        return false;
    const double dpr = target.devicePixelRatio();
    const QRectF dev = painter_->worldTransform().mapRect(bounds).intersected(deviceBounds());
    if (dev.isEmpty()) return true;
    const QRect r = dev.toAlignedRect();
    const QImage layer = renderLayer(r, draw);
    QImage result(layer.size(), QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(dpr);
    const int ox = int(std::lround(r.x() * dpr)), oy = int(std::lround(r.y() * dpr));
    const bool premultiplied = target.format() != QImage::Format_ARGB32;
    for (int y = 0; y < layer.height(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        QRgb* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        const int ty = oy + y;
        const QRgb* dst = (ty >= 0 && ty < target.height())
                              ? reinterpret_cast<const QRgb*>(target.constScanLine(ty))
                              : nullptr;
        for (int x = 0; x < layer.width(); ++x) {
            const int tx = ox + x;
            QRgb dp = (dst && tx >= 0 && tx < target.width()) ? dst[tx] : 0;
            if (!premultiplied) dp = qPremultiply(dp);
            const QRgb sp = src[x];
            // Premultiplied plus-darker: each colour is what is left of the joint
            // coverage after both sides' darkness is taken away, never below 0.
            const int sa = qAlpha(sp), da = qAlpha(dp);
            const int ra = sa + da - (sa * da + 127) / 255;
            auto ch = [&](int sc, int dc) {
                return std::clamp(ra - ((da - dc) + (sa - sc)), 0, ra);
            };
            out[x] = qRgba(ch(qRed(sp), qRed(dp)), ch(qGreen(sp), qGreen(dp)),
                           ch(qBlue(sp), qBlue(dp)), ra);
        }
    }
    painter_->save();
    painter_->resetTransform();
    painter_->setOpacity(1.0);
    painter_->setCompositionMode(QPainter::CompositionMode_Source);
    painter_->drawImage(QPointF(r.x(), r.y()), result);
    painter_->restore();
    return true;
}

void Graphics::paintPrimitive(const QRectF& bounds, const std::function<void(QPainter&)>& draw) {
    if (state_.shadow && state_.shadow->color.alpha() > 0) paintShadow(bounds, draw);
    if (state_.op == CompositingOperation::PlusDarker && paintPlusDarker(bounds, draw)) return;
    const QPainter::CompositionMode old = painter_->compositionMode();
    painter_->setCompositionMode(qtMode(state_.op));
    draw(*painter_);
    painter_->setCompositionMode(old);
}

void Graphics::fillRect(const QRectF& r) {
    if (r.isEmpty()) return;
    const QColor c = state_.fill;
    paintPrimitive(r, [&](QPainter& p) { p.fillRect(r, c); });
}

void Graphics::fillRect(const QRectF& r, CompositingOperation op) {
    const CompositingOperation old = state_.op;
    state_.op = op;
    fillRect(r);
    state_.op = old;
}

void Graphics::fillRects(const std::vector<QRectF>& rects) {
    for (const QRectF& r : rects) fillRect(r);
}

void Graphics::frameRect(const QRectF& r, double width) {
    if (r.isEmpty() || width <= 0) return;
    const double w = std::min(width, r.width() / 2.0), h = std::min(width, r.height() / 2.0);
    fillRect(QRectF(r.x(), r.y(), r.width(), h));
    fillRect(QRectF(r.x(), r.y() + r.height() - h, r.width(), h));
    fillRect(QRectF(r.x(), r.y() + h, w, r.height() - 2 * h));
    fillRect(QRectF(r.x() + r.width() - w, r.y() + h, w, r.height() - 2 * h));
}

void Graphics::strokeRect(const QRectF& r) {
    stroke(Path::rect(r));
}

void Graphics::applyPen(QPainter& p, const Path& path) const {
    const double w = path.lineWidth() > 0 ? path.lineWidth() : state_.lineWidth;
    QPen pen(state_.stroke, w);
    pen.setCapStyle(path.lineCap() == LineCap::Round    ? Qt::RoundCap
                    : path.lineCap() == LineCap::Square ? Qt::SquareCap
                                                        : Qt::FlatCap);
    pen.setJoinStyle(path.lineJoin() == LineJoin::Round   ? Qt::RoundJoin
                     : path.lineJoin() == LineJoin::Bevel ? Qt::BevelJoin
                                                          : Qt::MiterJoin);
    pen.setMiterLimit(path.miterLimit() / 2.0);
    if (!path.lineDash().empty()) {
        // Qt measures dashes in line widths, and wants pairs.
        QList<qreal> pattern;
        for (double d : path.lineDash()) pattern.append(std::max(d, 0.0) / w);
        if (pattern.size() % 2) pattern += pattern;
        pen.setDashPattern(pattern);
        pen.setDashOffset(path.lineDashPhase() / w);
    }
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
}

void Graphics::fill(const Path& path) {
    if (path.isEmpty()) return;
    const QColor c = state_.fill;
    paintPrimitive(path.bounds(), [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPath(path.painterPath());
    });
}

void Graphics::stroke(const Path& path) {
    if (path.isEmpty()) return;
    const double w = path.lineWidth() > 0 ? path.lineWidth() : state_.lineWidth;
    const double m = w * std::max(1.0, path.miterLimit() / 2.0) + 1.0;
    paintPrimitive(path.bounds().adjusted(-m, -m, m, m), [&](QPainter& p) {
        applyPen(p, path);
        p.drawPath(path.painterPath());
    });
}

void Graphics::strokeLine(const QPointF& from, const QPointF& to) {
    Path p;
    p.moveTo(from);
    p.lineTo(to);
    stroke(p);
}

void Graphics::drawGradient(const Gradient& g, const QRectF& rect, double angle) {
    drawGradient(g, Path::rect(rect), angle);
}

void Graphics::drawGradient(const Gradient& g, const Path& path, double angle) {
    if (!g.isValid() || path.isEmpty()) return;
    const QRectF box = path.bounds();
    const auto [a, b] = Gradient::lineForRect(box, angle);
    QLinearGradient lg(a, b);
    for (const auto& [loc, color] : g.stops()) lg.setColorAt(loc, color);
    lg.setSpread(QGradient::PadSpread);
    paintPrimitive(box, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(lg);
        p.drawPath(path.painterPath());
    });
}

void Graphics::drawGradient(const Gradient& g, const QPointF& from, const QPointF& to,
                            bool extendBefore, bool extendAfter) {
    if (!g.isValid()) return;
    // The gradient covers the band between the two points' normals, widened to the
    // whole clip on the sides that extend.
    const QTransform inv = painter_->worldTransform().inverted();
    QRectF area = inv.mapRect(painter_->hasClipping()
                                  ? painter_->worldTransform().mapRect(painter_->clipBoundingRect())
                                  : deviceBounds());
    QLinearGradient lg(from, to);
    for (const auto& [loc, color] : g.stops()) lg.setColorAt(loc, color);
    Path band;
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    if (len <= 0) return;
    const QPointF u(d.x() / len, d.y() / len), n(-u.y(), u.x());
    const double big = std::hypot(area.width(), area.height()) +
                       std::hypot(from.x() - area.center().x(), from.y() - area.center().y()) + len;
    const double back = extendBefore ? big : 0.0, ahead = extendAfter ? big : 0.0;
    const QPointF p0 = from - u * back, p1 = to + u * ahead;
    band.moveTo(p0 + n * big);
    band.lineTo(p1 + n * big);
    band.lineTo(p1 - n * big);
    band.lineTo(p0 - n * big);
    band.closePath();
    const QRectF box = band.bounds().intersected(area);
    paintPrimitive(box, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(lg);
        p.drawPath(band.painterPath());
    });
}

void Graphics::drawImage(const QImage& image, const QRectF& dest, const QRectF& source,
                         CompositingOperation op, double fraction, bool respectFlipped) {
    if (image.isNull() || dest.isEmpty() || fraction <= 0.0) return;
    const QSizeF pts = Image::sizeInPoints(image);
    const double dpr = image.devicePixelRatio();
    // A zero source rectangle is the whole image; a negative width or height
    // takes the picture mirrored along that axis.
    QRectF src =
        (source.width() == 0 && source.height() == 0) ? QRectF(QPointF(0, 0), pts) : source;
    const bool mirrorX = src.width() < 0, mirrorY = src.height() < 0;
    src = src.normalized();
    // Image rectangles count y upwards from the image's bottom edge.
    const QRectF qtSource(src.x() * dpr, (pts.height() - src.y() - src.height()) * dpr,
                          src.width() * dpr, src.height() * dpr);
    const bool mirror = (!isFlipped() || !respectFlipped) != mirrorY;
    const CompositingOperation old = state_.op;
    state_.op = op;
    paintPrimitive(dest, [&](QPainter& p) {
        p.save();
        if (mirror) {
            p.translate(0, dest.y() * 2.0 + dest.height());
            p.scale(1, -1);
        }
        if (mirrorX) {
            p.translate(dest.x() * 2.0 + dest.width(), 0);
            p.scale(-1, 1);
        }
        p.setOpacity(p.opacity() * std::min(1.0, fraction));
        p.drawImage(dest, image, qtSource);
        p.restore();
    });
    state_.op = old;
}

void Graphics::drawImageAtPoint(const QImage& image, const QPointF& point, const QRectF& source,
                                CompositingOperation op, double fraction, bool respectFlipped) {
    const QSizeF size = (source.width() == 0 && source.height() == 0)
                            ? Image::sizeInPoints(image)
                            : QSizeF(std::abs(source.width()), std::abs(source.height()));
    drawImage(image, QRectF(point, size), source, op, fraction, respectFlipped);
}

void Graphics::drawString(const QString& text, const QPointF& point,
                          const TextAttributes& attributes) {
    drawAttributedString(AttributedString(text, attributes), point);
}

void Graphics::drawString(const QString& text, const QRectF& rect,
                          const TextAttributes& attributes) {
    drawAttributedString(AttributedString(text, attributes), rect);
}

void Graphics::drawAttributedString(const AttributedString& text, const QPointF& point) {
    if (text.isEmpty()) return;
    TextLayout layout;
    layout.setText(text);
    layout.setContainerSize(QSizeF(TextLayout::kUnlimited, TextLayout::kUnlimited));
    const QRectF used = layout.usedRect();
    const bool flipped = isFlipped();
    saveGraphicsState();
    if (const auto& sh = text.attributesAt(0).shadow)
        setShadow(sh->offset, sh->blurRadius, sh->color);
    paintPrimitive(QRectF(point, used.size()).adjusted(-2, -2, 2, 2), [&](QPainter& p) {
        p.save();
        if (flipped) {
            p.translate(point);
        } else {
            // The text's box stands on the point; mirror it so the glyphs stay upright.
            p.translate(point.x(), point.y() + used.height());
            p.scale(1, -1);
        }
        layout.draw(p, QPointF(0, 0));
        p.restore();
    });
    restoreGraphicsState();
}

void Graphics::drawAttributedString(const AttributedString& text, const QRectF& rect) {
    if (text.isEmpty() || rect.isEmpty()) return;
    TextLayout layout;
    layout.setText(text);
    layout.setContainerSize(rect.size());
    const bool flipped = isFlipped();
    saveGraphicsState();
    if (const auto& sh = text.attributesAt(0).shadow)
        setShadow(sh->offset, sh->blurRadius, sh->color);
    paintPrimitive(rect, [&](QPainter& p) {
        p.save();
        if (flipped) {
            p.translate(rect.x(), rect.y());
        } else {
            p.translate(rect.x(), rect.y() + rect.height());
            p.scale(1, -1);
        }
        p.setClipRect(QRectF(QPointF(0, 0), rect.size()), Qt::IntersectClip);
        layout.draw(p, QPointF(0, 0));
        p.restore();
    });
    restoreGraphicsState();
}

void Graphics::drawTextLayout(const TextLayout& layout, const QPointF& origin) {
    const QRectF used = layout.usedRect();
    paintPrimitive(
        QRectF(origin, QSizeF(used.right() + 2, used.height() + 2)).adjusted(-2, -2, 2, 2),
        [&](QPainter& p) { layout.draw(p, origin); });
}

}  // namespace kit
