#include "platform/kit/View.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Application.h"
#include "platform/kit/ClipView.h"
#include "platform/kit/ContextMenu.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/Screen.h"
#include "platform/kit/ScreenUpdates.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TrackingArea.h"
#include "platform/kit/Window.h"

#include <QGraphicsOpacityEffect>
#include <QMenu>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QRegion>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

// Removes floating-point dust before rounding to pixels, so that 2.9999999 is 3.
double clean(double v) {
    return std::round(v * 1e6) / 1e6;
}

// The pixel format of what a painter paints into (the window's backing store,
// a pixmap or an image), so that the drawing cache is drawn exactly as the
// target would be.
QImage::Format targetFormat(QPainter& painter) {
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (device && device->devType() == QInternal::Image)
        return static_cast<QImage*>(device)->format();
    if (device && device->devType() == QInternal::Pixmap)
        return static_cast<QPixmap*>(device)->hasAlphaChannel()
                   ? QImage::Format_ARGB32_Premultiplied
                   : QImage::Format_RGB32;
    return QImage::Format_ARGB32_Premultiplied;
}

}  // namespace

struct View::DrawingCache {
    QImage image;
    QTransform transform;  // the widget transform it was drawn with
    QPainter::RenderHints hints;
    QRegion marked;  // in widget coordinates
    bool all = true;
    std::uint64_t marks = 0;  // grows with every mark
};

QString View::frameDidChangeNotification() {
    return QStringLiteral("ViewFrameDidChange");
}
QString View::boundsDidChangeNotification() {
    return QStringLiteral("ViewBoundsDidChange");
}

View::View(const QRectF& frame) : QWidget(nullptr), frame_(frame) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_NoSystemBackground);
    syncGeometry();
}

View::~View() {
    // Subviews go first, while this object is still a View they can detach from.
    const auto subs = subviews_;
    subviews_.clear();
    for (View* v : subs) {
        v->superview_ = nullptr;
        delete v;
    }
    if (superview_) {
        auto& s = superview_->subviews_;
        s.erase(std::remove(s.begin(), s.end(), this), s.end());
        superview_ = nullptr;
    }
    for (auto& a : areas_) a->view_ = nullptr;
}

// -- Geometry

void View::setFrame(const QRectF& frame) {
    foundation::requireMainThread("View::setFrame");
    const QRectF old = frame_;
    if (equalRects(old, frame)) return;
    frame_ = frame;
    syncGeometry();
    const bool resized = !equalSizes(old.size(), frame.size());
    if (resized && autoresizesSubviews_) resizeSubviewsWithOldSize(old.size());
    trackingDirty_ = true;
    if (Window* w = window()) w->geometryChanged();
    if (postsFrame_)
        foundation::NotificationCenter::defaultCenter().post(frameDidChangeNotification(), this);
}

void View::setFrameOrigin(const QPointF& origin) {
    setFrame(QRectF(origin, frame_.size()));
}

void View::setFrameSize(const QSizeF& size) {
    setFrame(QRectF(frame_.topLeft(), size));
}

void View::setBoundsOrigin(const QPointF& origin) {
    foundation::requireMainThread("View::setBoundsOrigin");
    if (equalPoints(origin, boundsOrigin_)) return;
    boundsOrigin_ = origin;
    syncSubviewGeometry();
    update();
    trackingDirty_ = true;
    if (Window* w = window()) w->geometryChanged();
    if (postsBounds_)
        foundation::NotificationCenter::defaultCenter().post(boundsDidChangeNotification(), this);
}

void View::resizeSubviewsWithOldSize(const QSizeF& oldSize) {
    const auto subs = subviews_;
    for (View* v : subs) v->resizeWithOldSuperviewSize(oldSize);
}

namespace {

// Shares `delta` among the flexible parts (margin before, size, margin after) of
// one axis in proportion to their present sizes, or evenly when they are all 0.
void shareAxis(double delta, double& before, double& size, double& after, bool flexBefore,
               bool flexSize, bool flexAfter) {
    const int count = int(flexBefore) + int(flexSize) + int(flexAfter);
    if (count == 0 || delta == 0.0) {
        after += delta;
        return;
    }
    const double total = (flexBefore ? std::max(0.0, before) : 0.0) +
                         (flexSize ? std::max(0.0, size) : 0.0) +
                         (flexAfter ? std::max(0.0, after) : 0.0);
    auto share = [&](bool flex, double part) {
        if (!flex) return 0.0;
        return total > 0 ? delta * std::max(0.0, part) / total : delta / count;
    };
    const double b = share(flexBefore, before), s = share(flexSize, size);
    before += b;
    size += s;
    after += delta - b - s;
}

}  // namespace

void View::resizeWithOldSuperviewSize(const QSizeF& oldSize) {
    View* sv = superview();
    if (!sv || autoresizingMask_ == NotSizable) return;
    const QRectF b = sv->bounds();
    double x = frame_.x() - b.x(), w = frame_.width(), right = oldSize.width() - x - w;
    double y = frame_.y() - b.y(), h = frame_.height(), top = oldSize.height() - y - h;
    shareAxis(b.width() - oldSize.width(), x, w, right, autoresizingMask_ & MinXMargin,
              autoresizingMask_ & WidthSizable, autoresizingMask_ & MaxXMargin);
    shareAxis(b.height() - oldSize.height(), y, h, top, autoresizingMask_ & MinYMargin,
              autoresizingMask_ & HeightSizable, autoresizingMask_ & MaxYMargin);
    setFrame(QRectF(x + b.x(), y + b.y(), std::max(0.0, w), std::max(0.0, h)));
}

QRectF View::visibleRect() const {
    QRectF r = bounds();
    const View* v = this;
    while (View* sv = v->superview_) {
        r = intersectionRect(r, convertRectFromView(sv->bounds(), sv));
        v = sv;
    }
    return r;
}

namespace {

ClipView* enclosingClipView(const View* view) {
    for (View* v = view->superview(); v; v = v->superview())
        if (auto* clip = qobject_cast<ClipView*>(v)) return clip;
    return nullptr;
}

}  // namespace

bool View::scrollPoint(const QPointF& point) {
    ClipView* clip = enclosingClipView(this);
    if (!clip) return false;
    clip->scrollToPoint(convertPointToView(point, clip));
    return true;
}

bool View::scrollRectToVisible(const QRectF& rect) {
    ClipView* clip = enclosingClipView(this);
    if (!clip) return false;
    const QRectF r = convertRectToView(rect, clip);
    const QRectF seen = clip->bounds();
    // Along one axis: the least move of [lo, lo + size) that covers [from, to);
    // when the rectangle is larger, its start stays in sight, or its end when
    // `keepEnd` (the top of an unflipped view).
    auto shift = [](double lo, double size, double from, double to, bool keepEnd) {
        if (keepEnd) {
            if (from < lo) lo = from;
            if (to > lo + size) lo = to - size;
        } else {
            if (to > lo + size) lo = to - size;
            if (from < lo) lo = from;
        }
        return lo;
    };
    const QPointF to(shift(seen.x(), seen.width(), r.x(), maxX(r), false),
                     shift(seen.y(), seen.height(), r.y(), maxY(r), !clip->isFlipped()));
    if (equalPoints(to, seen.topLeft())) return false;
    const QPointF before = seen.topLeft();
    clip->scrollToPoint(to);
    return !equalPoints(clip->bounds().topLeft(), before);
}

ScrollView* View::enclosingScrollView() const {
    for (View* v = superview(); v; v = v->superview())
        if (auto* sv = qobject_cast<ScrollView*>(v)) return sv;
    return nullptr;
}

bool View::superviewIsFlipped() const {
    if (superview_) return superview_->isFlipped();
    QWidget* parent = parentWidget();
    if (!parent) return false;
    Window* w = Window::forWidget(parent);
    // A window's content view stands in window coordinates (y upwards); a view
    // inside a plain Qt widget stands in its pixels (y downwards).
    return !(w && w->contentView() == this);
}

void View::syncGeometry() {
    const QPointF oldSubpixel = subpixel_;
    const QSize oldSize = size();
    const double w = std::max(0.0, frame_.width()), h = std::max(0.0, frame_.height());
    QWidget* parent = parentWidget();
    QRectF px(0, 0, w, h);
    if (superview_) {
        const QRectF b = superview_->bounds();
        const double x = frame_.x() - b.x();
        const double y =
            superview_->isFlipped() ? frame_.y() - b.y() : b.height() - (frame_.y() - b.y()) - h;
        px = QRectF(x + superview_->subpixel_.x(), y + superview_->subpixel_.y(), w, h);
    } else if (parent) {
        px = superviewIsFlipped() ? QRectF(frame_.x(), frame_.y(), w, h)
                                  : QRectF(frame_.x(), parent->height() - frame_.y() - h, w, h);
    }
    const double x0 = std::floor(clean(px.x())), y0 = std::floor(clean(px.y()));
    const double x1 = std::ceil(clean(px.x() + px.width()));
    const double y1 = std::ceil(clean(px.y() + px.height()));
    subpixel_ = QPointF(clean(px.x() - x0), clean(px.y() - y0));
    const QRect g(int(x0), int(y0), std::max(0, int(x1 - x0)), std::max(0, int(y1 - y0)));
    if (parent)
        setGeometry(g);
    else
        resize(g.size());
    if (subpixel_ != oldSubpixel || g.size() != oldSize) syncSubviewGeometry();
}

void View::syncSubviewGeometry() {
    for (View* v : subviews_) v->syncGeometry();
    update();
}

// -- Hierarchy

View* View::superview() const {
    return superview_;
}

void View::addSubview(View* view) {
    insertSubview(view, subviews_.size());
}

void View::addSubview(View* view, Ordering place, View* relativeTo) {
    if (!view) return;
    if (view->superview_ == this) detachSubview(view);
    auto it = std::find(subviews_.begin(), subviews_.end(), relativeTo);
    size_t index;
    if (!relativeTo || it == subviews_.end())
        index = place == Ordering::Above ? subviews_.size() : 0;
    else
        index = size_t(it - subviews_.begin()) + (place == Ordering::Above ? 1 : 0);
    insertSubview(view, index);
}

void View::detachSubview(View* view) {
    subviews_.erase(std::remove(subviews_.begin(), subviews_.end(), view), subviews_.end());
}

void View::insertSubview(View* view, size_t index) {
    foundation::requireMainThread("View::addSubview");
    if (!view || view == this || isDescendantOf(view)) return;
    Window* oldWindow = view->window();
    if (view->superview_ == this) {
        detachSubview(view);
    } else if (view->superview_) {
        view->superview_->willRemoveSubview(view);
        view->superview_->detachSubview(view);
    }
    index = std::min(index, subviews_.size());
    view->superview_ = this;
    subviews_.insert(subviews_.begin() + long(index), view);
    if (view->parentWidget() != this) view->setParentWidget(this);
    // Keep Qt's stacking in the order of the subviews.
    if (index + 1 < subviews_.size())
        view->stackUnder(subviews_[index + 1]);
    else
        view->raise();
    view->syncGeometry();
    if (!view->hidden_) view->showWidget(true);
    view->viewDidMoveToSuperview();
    if (view->window() != oldWindow) view->notifyMovedToWindow();
    didAddSubview(view);
    if (Window* w = window()) w->geometryChanged();
}

void View::removeFromSuperview() {
    foundation::requireMainThread("View::removeFromSuperview");
    Window* oldWindow = window();
    if (oldWindow) oldWindow->viewWillLeave(this);
    if (superview_) {
        superview_->willRemoveSubview(this);
        superview_->detachSubview(this);
        superview_->update();
        superview_ = nullptr;
    }
    if (parentWidget()) {
        showWidget(false);
        setParentWidget(nullptr);
    }
    viewDidMoveToSuperview();
    if (oldWindow) {
        notifyMovedToWindow();
        oldWindow->geometryChanged();
    }
}

void View::replaceSubview(View* oldView, View* newView) {
    auto it = std::find(subviews_.begin(), subviews_.end(), oldView);
    if (it == subviews_.end() || !newView) return;
    const size_t index = size_t(it - subviews_.begin());
    oldView->removeFromSuperview();
    insertSubview(newView, index);
}

bool View::isDescendantOf(const View* view) const {
    for (const View* v = this; v; v = v->superview_)
        if (v == view) return true;
    return false;
}

View* View::rootView() const {
    const View* v = this;
    while (v->superview_) v = v->superview_;
    return const_cast<View*>(v);
}

Window* View::window() const {
    return Window::forWidget(QWidget::window());
}

View* View::viewWithTag(int tag) {
    if (tag_ == tag) return this;
    for (View* v : subviews_)
        if (View* found = v->viewWithTag(tag)) return found;
    return nullptr;
}

void View::notifyMovedToWindow() {
    Window* now = window();
    if (now == lastWindow_) return;
    lastWindow_ = now;
    trackingDirty_ = true;
    viewDidMoveToWindow();
    for (View* v : subviews_) v->notifyMovedToWindow();
}

// -- Visibility

void View::setHidden(bool hidden) {
    foundation::requireMainThread("View::setHidden");
    if (hidden == hidden_) return;
    hidden_ = hidden;
    if (hidden) {
        if (Window* w = window()) w->viewWillLeave(this);
        showWidget(false);
    } else if (parentWidget()) {
        showWidget(true);
    }
    if (Window* w = window()) w->geometryChanged();
}

void View::setVisible(bool visible) {
    if (syncingWidget_) {
        QWidget::setVisible(visible);
        return;
    }
    // Someone called QWidget's hide, show or setVisible: the kit's state follows.
    setHidden(!visible);
    // A view standing alone (a top-level widget) is shown as asked.
    if (visible && !parentWidget()) showWidget(true);
}

void View::showWidget(bool shown) {
    const bool was = syncingWidget_;
    syncingWidget_ = true;
    QWidget::setVisible(shown);
    syncingWidget_ = was;
}

void View::setParentWidget(QWidget* parent) {
    const bool was = syncingWidget_;
    syncingWidget_ = true;
    setParent(parent);
    syncingWidget_ = was;
}

bool View::isHiddenOrHasHiddenAncestor() const {
    for (const View* v = this; v; v = v->superview_)
        if (v->hidden_) return true;
    return false;
}

void View::setAlphaValue(double alpha) {
    foundation::requireMainThread("View::setAlphaValue");
    alpha_ = std::clamp(alpha, 0.0, 1.0);
    if (alpha_ < 1.0) {
        auto* effect = qobject_cast<QGraphicsOpacityEffect*>(graphicsEffect());
        if (!effect) {
            effect = new QGraphicsOpacityEffect(this);
            setGraphicsEffect(effect);
        }
        effect->setOpacity(alpha_);
    } else if (graphicsEffect()) {
        setGraphicsEffect(nullptr);
    }
}

// -- Display

QTransform View::widgetTransform() const {
    QTransform t;
    t.translate(subpixel_.x(), subpixel_.y());
    if (!isFlipped()) {
        t.translate(0, frame_.height());
        t.scale(1, -1);
    }
    t.translate(-boundsOrigin_.x(), -boundsOrigin_.y());
    return t;
}

void View::setNeedsDisplay(bool needs) {
    foundation::requireMainThread("View::setNeedsDisplay");
    needsDisplay_ = needs;
    if (!needs) return;
    invalidateDrawingCache();
    update();
}

void View::setNeedsDisplayInRect(const QRectF& rect) {
    foundation::requireMainThread("View::setNeedsDisplayInRect");
    if (isEmptyRect(rect)) return;
    needsDisplay_ = true;
    invalidateDrawingCacheInRect(rect);
    update(widgetTransform().mapRect(rect).toAlignedRect().adjusted(-1, -1, 1, 1));
}

void View::setCachesDrawing(bool on) {
    foundation::requireMainThread("View::setCachesDrawing");
    if (on == cachesDrawing()) return;
    cache_ = on ? std::make_unique<DrawingCache>() : nullptr;
}

void View::invalidateDrawingCache() {
    if (!cache_) return;
    cache_->all = true;
    ++cache_->marks;
}

void View::invalidateDrawingCacheInRect(const QRectF& rect) {
    if (!cache_ || cache_->all || isEmptyRect(rect)) return;
    cache_->marked += widgetTransform().mapRect(rect).toAlignedRect().adjusted(-1, -1, 1, 1);
    ++cache_->marks;
}

View::CacheCanvas View::drawingCacheCanvas() const {
    foundation::requireMainThread("View::drawingCacheCanvas");
    if (!cache_ || cache_->image.isNull() || cache_->transform != widgetTransform() ||
        !subpixel_.isNull() || QSizeF(size()) != frame_.size())
        return {};
    const QImage& kept = cache_->image;
    QImage image(kept.size(), kept.format());
    image.setDevicePixelRatio(kept.devicePixelRatio());
    image.setDotsPerMeterX(kept.dotsPerMeterX());
    image.setDotsPerMeterY(kept.dotsPerMeterY());
    image.fill(Qt::transparent);
    return {image, cache_->transform, cache_->hints, cache_->marks};
}

bool View::adoptDrawingCache(CacheCanvas canvas) {
    foundation::requireMainThread("View::adoptDrawingCache");
    if (!cache_ || canvas.image.isNull()) return false;
    DrawingCache& c = *cache_;
    if (c.transform != canvas.transform || c.transform != widgetTransform() ||
        c.image.size() != canvas.image.size() || c.image.format() != canvas.image.format() ||
        c.image.devicePixelRatio() != canvas.image.devicePixelRatio())
        return false;
    c.image = std::move(canvas.image);
    // A mark made since the canvas was taken may be newer than its drawing, and
    // a repaint in between may have drawn it into the picture just replaced.
    c.all = c.marks != canvas.marks;
    c.marked = QRegion();
    update();
    return true;
}

void View::display() {
    needsDisplay_ = true;
    invalidateDrawingCache();
    if (!ScreenUpdates::areEnabled()) {
        update();
        ScreenUpdates::displayWhenEnabled(this);
        return;
    }
    repaint();
}

void View::displayIfNeeded() {
    if (needsDisplay_) display();
    for (View* v : subviews_) v->displayIfNeeded();
}

void View::displayRect(const QRectF& rect) {
    if (!ScreenUpdates::areEnabled()) {
        setNeedsDisplayInRect(rect);
        ScreenUpdates::displayWhenEnabled(this);
        return;
    }
    invalidateDrawingCacheInRect(rect);
    repaint(widgetTransform().mapRect(rect).toAlignedRect().adjusted(-1, -1, 1, 1));
}

void View::drawRect(Graphics&, const QRectF&) {}

void View::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    if (cache_ && paintFromCache(p, event->region())) {
        needsDisplay_ = false;
        return;
    }
    const QTransform t = widgetTransform();
    p.setTransform(t);
    const QRectF dirty = intersectionRect(t.inverted().mapRect(QRectF(event->rect())), bounds());
    p.setClipRect(bounds(), Qt::IntersectClip);
    Graphics g(p, isFlipped());
    g.setFlippedQuery([this] { return isFlipped(); });
    drawRect(g, dirty.isEmpty() ? bounds() : dirty);
    needsDisplay_ = false;
}

// The cache holds the widget's pixels as paintEvent would paint them: same
// transform, clip, pixel format, scale and resolution, so that a copy from it
// equals a drawing on the spot. Only a view that fills its widget exactly (no
// fraction of a pixel at its edges) can take it.
bool View::paintFromCache(QPainter& p, const QRegion& region) {
    DrawingCache& c = *cache_;
    const QTransform t = widgetTransform();
    if (!subpixel_.isNull() || QSizeF(size()) != frame_.size() || size().isEmpty()) {
        c.image = QImage();
        c.all = true;
        return false;
    }
    const double dpr = devicePixelRatioF();
    const QSize pixels(qRound(width() * dpr), qRound(height() * dpr));
    const QImage::Format format = targetFormat(p);
    const int dotsX = qRound(logicalDpiX() / 0.0254), dotsY = qRound(logicalDpiY() / 0.0254);
    if (c.image.size() != pixels || c.image.devicePixelRatio() != dpr ||
        c.image.format() != format || c.transform != t || c.image.dotsPerMeterX() != dotsX ||
        c.image.dotsPerMeterY() != dotsY) {
        c.image = QImage(pixels, format);
        c.image.setDevicePixelRatio(dpr);
        c.image.setDotsPerMeterX(dotsX);
        c.image.setDotsPerMeterY(dotsY);
        c.transform = t;
        c.all = true;
        ++c.marks;
    }
    validateDrawingCache();
    const QRegion redraw = c.all ? QRegion(rect()) : c.marked.intersected(rect());
    c.all = false;
    c.marked = QRegion();
    if (!redraw.isEmpty()) {
        // Marks made while drawing (a drawing that asks for more) stay for the
        // next repaint.
        c.hints = p.renderHints();
        QPainter cp(&c.image);
        cp.setRenderHints(c.hints);
        cp.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& r : redraw) cp.fillRect(r, Qt::transparent);
        cp.setCompositionMode(QPainter::CompositionMode_SourceOver);
        cp.setClipRegion(redraw);
        cp.setTransform(t);
        const QRectF dirty =
            intersectionRect(t.inverted().mapRect(QRectF(redraw.boundingRect())), bounds());
        cp.setClipRect(bounds(), Qt::IntersectClip);
        Graphics g(cp, isFlipped());
        g.setFlippedQuery([this] { return isFlipped(); });
        drawRect(g, dirty.isEmpty() ? bounds() : dirty);
    }
    for (const QRect& r : region)
        p.drawImage(QRectF(r), c.image,
                    QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr));
    return true;
}

void View::drawHierarchy(QPainter& painter, const QRectF& dirtyRect) {
    painter.save();
    painter.setClipRect(bounds(), Qt::IntersectClip);
    {
        Graphics g(painter, isFlipped());
        g.setFlippedQuery([this] { return isFlipped(); });
        drawRect(g, intersectionRect(dirtyRect, bounds()));
    }
    for (View* sub : subviews_) {
        if (sub->hidden_ || sub->alpha_ <= 0.0) continue;
        const QTransform t = sub->transformToSuperview();
        const QRectF subDirty = intersectionRect(t.inverted().mapRect(dirtyRect), sub->bounds());
        if (isEmptyRect(subDirty)) continue;
        painter.save();
        painter.setWorldTransform(t, true);
        painter.setOpacity(painter.opacity() * sub->alpha_);
        sub->drawHierarchy(painter, subDirty);
        painter.restore();
    }
    // Plain Qt widgets inside the view (the insides of controls) draw themselves
    // in the view's pixels.
    for (QObject* child : children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || qobject_cast<View*>(w) || w->isHidden() || w->isWindow()) continue;
        painter.save();
        painter.setWorldTransform(widgetTransform().inverted(), true);
        w->render(&painter, w->pos(), QRegion(), QWidget::DrawChildren);
        painter.restore();
    }
    painter.restore();
}

QImage View::renderToImage(double scale) {
    return renderRectToImage(bounds(), scale);
}

QImage View::renderRectToImage(const QRectF& rect, double scale) {
    QImage image = Image::withSize(rect.size(), scale);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                     QPainter::TextAntialiasing);
    QTransform t;
    if (!isFlipped()) {
        t.translate(0, rect.height());
        t.scale(1, -1);
    }
    t.translate(-rect.x(), -rect.y());
    p.setTransform(t);
    drawHierarchy(p, rect);
    return image;
}

// -- Conversions

QTransform View::transformToSuperview() const {
    const bool same = isFlipped() == superviewIsFlipped();
    const double dx = frame_.x() - boundsOrigin_.x();
    const double dy =
        same ? frame_.y() - boundsOrigin_.y() : frame_.y() + frame_.height() + boundsOrigin_.y();
    return QTransform(1, 0, 0, same ? 1 : -1, dx, dy);
}

QTransform View::transformToWindow() const {
    QTransform t;
    const View* v = this;
    for (;;) {
        t = t * v->transformToSuperview();
        if (!v->superview_) break;
        v = v->superview_;
    }
    QWidget* parent = v->parentWidget();
    if (!parent) return t;
    Window* w = Window::forWidget(parent);
    if (w && w->contentView() == v) return t;
    // A view inside a plain Qt widget: its superview coordinates are that widget's
    // pixels; go on through Qt to the top-level widget and turn y upwards.
    QWidget* top = parent->QWidget::window();
    const QPoint offset = parent->mapTo(top, QPoint(0, 0));
    t = t * QTransform::fromTranslate(offset.x(), offset.y());
    t = t * QTransform(1, 0, 0, -1, 0, top->height());
    return t;
}

QPointF View::convertPointFromView(const QPointF& p, const View* from) const {
    const QPointF inWindow = from ? from->transformToWindow().map(p) : p;
    return transformToWindow().inverted().map(inWindow);
}

QPointF View::convertPointToView(const QPointF& p, const View* to) const {
    const QPointF inWindow = transformToWindow().map(p);
    return to ? to->transformToWindow().inverted().map(inWindow) : inWindow;
}

QRectF View::convertRectFromView(const QRectF& r, const View* from) const {
    const QRectF inWindow = from ? from->transformToWindow().mapRect(r) : r;
    return transformToWindow().inverted().mapRect(inWindow);
}

QRectF View::convertRectToView(const QRectF& r, const View* to) const {
    const QRectF inWindow = transformToWindow().mapRect(r);
    return to ? to->transformToWindow().inverted().mapRect(inWindow) : inWindow;
}

QSizeF View::convertSizeFromView(const QSizeF& s, const View* from) const {
    const QRectF r = convertRectFromView(QRectF(QPointF(0, 0), s), from);
    return QSizeF(std::abs(r.width()), std::abs(r.height()));
}

QSizeF View::convertSizeToView(const QSizeF& s, const View* to) const {
    const QRectF r = convertRectToView(QRectF(QPointF(0, 0), s), to);
    return QSizeF(std::abs(r.width()), std::abs(r.height()));
}

QRectF View::convertRectToScreen(const QRectF& r) const {
    const QRectF inWindow = convertRectToView(r, nullptr);
    if (Window* w = window()) return w->convertRectToScreen(inWindow);
    // Not in a kit window: go through Qt's global coordinates.
    QWidget* top = QWidget::window();
    const QPoint g = top->mapToGlobal(QPoint(0, 0));
    return Screen::fromQtRect(QRectF(g.x() + inWindow.x(),
                                     g.y() + top->height() - inWindow.y() - inWindow.height(),
                                     inWindow.width(), inWindow.height()));
}

QPointF View::convertPointFromScreen(const QPointF& p) const {
    if (Window* w = window()) return convertPointFromView(w->convertPointFromScreen(p), nullptr);
    QWidget* top = QWidget::window();
    const QPoint g = top->mapToGlobal(QPoint(0, 0));
    const QPointF q = Screen::toQtPoint(p);
    return convertPointFromView(QPointF(q.x() - g.x(), top->height() - (q.y() - g.y())), nullptr);
}

// -- Events

View* View::hitTest(const QPointF& point) {
    if (hidden_) return nullptr;
    if (!kit::mouseInRect(point, frame_, superviewIsFlipped())) return nullptr;
    const QPointF local = transformToSuperview().inverted().map(point);
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it)
        if (View* hit = (*it)->hitTest(local)) return hit;
    return this;
}

bool View::mouseInRect(const QPointF& point, const QRectF& rect) const {
    return kit::mouseInRect(point, rect, isFlipped());
}

QMenu* View::menu() const {
    return menu_;
}

void View::setMenu(QMenu* menu) {
    menu_ = menu;
}

QMenu* View::menuForEvent(const Event&) {
    return menu_;
}

void View::rightMouseDown(const Event& event) {
    if (QMenu* m = menuForEvent(event)) {
        ContextMenu::popUp(m, event, this);
        return;
    }
    Responder::rightMouseDown(event);
}

void View::setAcceptsTouchEvents(bool on) {
    acceptsTouches_ = on;
    setAttribute(Qt::WA_AcceptTouchEvents, on);
}

Responder* View::nextResponder() const {
    if (Responder* r = Responder::nextResponder()) return r;
    if (superview_) return superview_;
    if (Window* w = window(); w && w->contentView() == this) return w;
    return nullptr;
}

// -- Tracking areas and cursor rectangles

void View::addTrackingArea(const std::shared_ptr<TrackingArea>& area) {
    if (!area || std::find(areas_.begin(), areas_.end(), area) != areas_.end()) return;
    area->view_ = this;
    areas_.push_back(area);
}

void View::removeTrackingArea(const std::shared_ptr<TrackingArea>& area) {
    removeTrackingArea(area.get());
}

void View::removeTrackingArea(const TrackingArea* area) {
    auto it = std::find_if(areas_.begin(), areas_.end(),
                           [area](const auto& a) { return a.get() == area; });
    if (it == areas_.end()) return;
    (*it)->view_ = nullptr;
    if (Window* w = window()) w->forgetTrackingArea(area);
    areas_.erase(it);
}

void View::addCursorRect(const QRectF& rect, const Cursor& cursor) {
    if (isEmptyRect(rect)) return;
    cursorRects_.emplace_back(rect, cursor);
}

void View::removeCursorRect(const QRectF& rect, const Cursor& cursor) {
    auto it = std::find_if(cursorRects_.begin(), cursorRects_.end(), [&](const auto& e) {
        return equalRects(e.first, rect) && e.second == cursor;
    });
    if (it != cursorRects_.end()) cursorRects_.erase(it);
}

void View::discardCursorRects() {
    cursorRects_.clear();
}

bool View::inLiveResize() const {
    Window* w = window();
    return w && w->inLiveResize();
}

// -- Qt input, handed to the application's routing

void View::mousePressEvent(QMouseEvent* event) {
    Application::shared().handleQtMouseEvent(this, event);
}
void View::mouseReleaseEvent(QMouseEvent* event) {
    Application::shared().handleQtMouseEvent(this, event);
}
void View::mouseDoubleClickEvent(QMouseEvent* event) {
    Application::shared().handleQtMouseEvent(this, event);
}
void View::mouseMoveEvent(QMouseEvent* event) {
    Application::shared().handleQtMouseEvent(this, event);
}
void View::wheelEvent(QWheelEvent* event) {
    Application::shared().handleQtWheelEvent(this, event);
}
void View::keyPressEvent(QKeyEvent* event) {
    Application::shared().handleQtKeyEvent(this, event);
}
void View::keyReleaseEvent(QKeyEvent* event) {
    Application::shared().handleQtKeyEvent(this, event);
}

bool View::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::NativeGesture:
            if (Application::shared().handleQtGestureEvent(this, event)) return true;
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

}  // namespace kit
