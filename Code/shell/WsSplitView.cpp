#include "shell/WsSplitView.h"

#include "platform/foundation/Defaults.h"
#include "platform/kit/Application.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Window.h"
#include "shell/LxViewAnimation.h"
#include "shell/WsSplitViewDelegate.h"

#include <QColor>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace {

// The autosave names held by split views now; a name belongs to one at a time.
QSet<QString>& inUsePositionNames() {
    static QSet<QString> names;
    return names;
}

int cRand() {
    return std::rand();
}

WsRandomSource& randomSource() {
    static WsRandomSource source = &cRand;
    return source;
}

const QString kVersion = QStringLiteral("version");
const QString kSubviews = QStringLiteral("subviews");
const QString kIsVertical = QStringLiteral("isVertical");
const QString kFrame = QStringLiteral("frame");
const QString kCollapsed = QStringLiteral("collapsed");
const QString kSubview = QStringLiteral("subview");

}  // namespace

WsRandomSource wsSetRandomSource(WsRandomSource source) {
    WsRandomSource previous = randomSource();
    randomSource() = source ? source : &cRand;
    return previous;
}

bool wsScaleUInts(uint32_t* values, size_t count, uint32_t target) {
    uint32_t sum = 0;
    size_t nonZero = 0;
    for (size_t i = 0; i < count; ++i) {
        if (values[i] == 0) continue;
        sum += values[i];
        ++nonZero;
    }
    if (nonZero == 0) return false;

    const float factor = float(target) / float(sum);
    uint32_t scaledSum = 0;
    for (size_t i = 0; i < count; ++i) {
        if (values[i] == 0) continue;
        const float scaled = std::floor(factor * float(values[i]));
        values[i] = std::max<uint32_t>(1, uint32_t(scaled));
        scaledSum += values[i];
    }

    // The points lost to the floors (or added by the minimum of 1) are given out
    // one at a time, each remaining value with an even chance of taking one; the
    // last values take what is left for sure.
    uint32_t rest = target > scaledSum ? target - scaledSum : scaledSum - target;
    const bool up = target > scaledSum;
    size_t left = nonZero;
    for (size_t i = 0; i < count && rest > 0; ++i) {
        if (values[i] == 0) continue;
        bool take = rest == left;
        if (!take) {
            const float drawn = float(randomSource()());
            take = float(rest) / float(left) * 2147483648.0f > drawn;
        }
        if (take) {
            values[i] = up ? values[i] + 1 : values[i] - 1;
            --rest;
        }
        --left;
    }
    return true;
}

// -- Notification names

QString WsSplitView::willResizeSubviewsNotification() {
    return QStringLiteral("SplitViewWillResizeSubviews");
}

QString WsSplitView::didResizeSubviewsNotification() {
    return QStringLiteral("SplitViewDidResizeSubviews");
}

QString WsSplitView::didCollapseSubviewNotification() {
    return QStringLiteral("WsSplitViewDidCollapseSubviewNotification");
}

QString WsSplitView::didExpandSubviewNotification() {
    return QStringLiteral("WsSplitViewDidExpandSubviewNotification");
}

// -- Set-up

WsSplitView::WsSplitView(const QRectF& frame) : kit::View(frame) {
    wsSetup();
}

WsSplitView::~WsSplitView() {
    setDelegate(nullptr);
    setPositionAutosaveName(QString());
}

void WsSplitView::wsSetup() {
    wsSetupResizeCursors();
    wsCollapsedSubviews_.clear();
    wsDividerRects_.clear();
    wsNotificationCenter_ = &foundation::NotificationCenter::defaultCenter();
    setVertical(wsIsVertical_);
}

void WsSplitView::wsSetupResizeCursors() {
    wsIsVerticalResizeCursor_ = kit::Cursor::resizeLeftRightCursor();
    wsNotIsVerticalResizeCursor_ = kit::Cursor::resizeUpDownCursor();
}

void WsSplitView::awakeFromNib() {
    wsRecalculateDividerRects();
}

void WsSplitView::setVertical(bool vertical) {
    wsIsVertical_ = vertical;
    wsCurrentResizeCursor_ = vertical ? wsIsVerticalResizeCursor_ : wsNotIsVerticalResizeCursor_;
}

// -- Geometry helpers

float WsSplitView::majorOrigin(const QRectF& r) const {
    return float(wsIsVertical_ ? kit::minX(r) : kit::minY(r));
}

float WsSplitView::majorSize(const QRectF& r) const {
    return float(wsIsVertical_ ? kit::width(r) : kit::height(r));
}

float WsSplitView::ownMajorSize() const {
    return majorSize(bounds());
}

float WsSplitView::ownMinorSize() const {
    return float(wsIsVertical_ ? kit::height(bounds()) : kit::width(bounds()));
}

QRectF WsSplitView::rectWithMajor(float majorOrigin, float majorSize, float minorOrigin,
                                  float minorSize) const {
    if (wsIsVertical_) return QRectF(majorOrigin, minorOrigin, majorSize, minorSize);
    return QRectF(minorOrigin, majorOrigin, minorSize, majorSize);
}

void WsSplitView::setFrameIfChanged(kit::View* view, const QRectF& frame) {
    if (kit::equalRects(view->frame(), frame)) return;
    view->setFrame(frame);
    view->setNeedsDisplay(true);
}

void WsSplitView::postResizeNotification(const QString& name) {
    wsNotificationCenter_->post(name, this);
}

// -- Moving the splitter

void WsSplitView::setSplitterPositionAnimate(float position, bool animate) {
    const auto& subs = subviews();
    if (subs.size() < 2) return;
    QPointer<kit::View> a = subs[0], b = subs[1];
    const float t = float(dividerThickness());
    const QRectF aFrame = a->frame(), bFrame = b->frame();
    const QRectF aNew = rectWithMajor(
        majorOrigin(aFrame), position, float(wsIsVertical_ ? kit::minY(aFrame) : kit::minX(aFrame)),
        float(wsIsVertical_ ? kit::height(aFrame) : kit::width(aFrame)));
    const QRectF bNew =
        rectWithMajor(position + t, ownMajorSize() - position - t,
                      float(wsIsVertical_ ? kit::minY(bFrame) : kit::minX(bFrame)),
                      float(wsIsVertical_ ? kit::height(bFrame) : kit::width(bFrame)));
    a->setHidden(false);
    b->setHidden(false);

    if (!animate) {
        a->setFrame(aNew);
        b->setFrame(bNew);
    } else {
        QPointer<WsSplitView> self(this);
        LxViewAnimation animation({{a.data(), std::nullopt, aNew, LxViewAnimation::Effect::None},
                                   {b.data(), std::nullopt, bNew, LxViewAnimation::Effect::None}});
        animation.setOrdersOutFadedWindows(false);
        animation.setContinuouslyUpdateFadingViews(false);
        animation.setAnimationBlockingMode(kit::Animation::BlockingMode::Blocking);
        animation.setDuration(0.3);
        a->viewWillStartLiveResize();
        b->viewWillStartLiveResize();
        isSplitterAnimating_ = true;
        animation.startAnimation();
        if (!self) return;  // the window went away while the move ran
        isSplitterAnimating_ = false;
        if (a) a->viewDidEndLiveResize();
        if (b) b->viewDidEndLiveResize();
    }
    adjustSubviews();
}

// -- Layout

void WsSplitView::resizeSubviewsWithOldSize(const QSizeF& oldSize) {
    postResizeNotification(willResizeSubviewsNotification());
    if (wsDelegate_ && wsDelegate_->answers(WsSplitViewDelegate::ResizeSubviewsWithOldSize))
        wsDelegate_->splitViewResizeSubviewsWithOldSize(this, oldSize);
    else
        adjustSubviews();
    wsRecalculateDividerRects();
    wsMoveCollapsedSubviewsOffScreen();
    postResizeNotification(didResizeSubviewsNotification());
}

void WsSplitView::adjustSubviews() {
    const std::vector<kit::View*> subs = subviews();
    if (subs.empty()) return;
    const size_t n = subs.size();
    std::vector<uint32_t> thickness(n, 0);
    uint32_t sum = 0;
    std::optional<size_t> firstExpanded;
    for (size_t i = 0; i < n; ++i) {
        if (isSubviewCollapsed(subs[i])) continue;
        const float size = std::floor(majorSize(subs[i]->frame()));
        thickness[i] = size > 0 ? uint32_t(size) : 0;
        sum += thickness[i];
        if (!firstExpanded) firstExpanded = i;
    }
    const float room = std::floor(ownMajorSize() - float(dividerThickness()) * float(n - 1));
    const uint32_t target = room > 0 ? uint32_t(room) : 0;
    if (sum != 0)
        wsScaleUInts(thickness.data(), n, target);
    else
        thickness[firstExpanded.value_or(0)] = target;
    wsLayoutSubviewsUsingThicknesses(thickness);
}

void WsSplitView::wsLayoutSubviewsUsingThicknesses(const std::vector<uint32_t>& t) {
    const std::vector<kit::View*> subs = subviews();
    const size_t n = std::min(subs.size(), t.size());
    if (n == 0) return;
    const float minor = ownMinorSize();
    const float divider = float(dividerThickness());
    std::optional<size_t> last;
    for (size_t i = 0; i < n; ++i)
        if (t[i] != 0) last = i;
    float position = 0;
    for (size_t i = 0; i < n; ++i) {
        kit::View* view = subs[i];
        bool place = true;
        float thickness = 0;
        if (t[i] != 0) {
            if (isSubviewCollapsed(view)) setSubviewIsCollapsed(view, false);
            thickness = float(t[i]);
            if (last && i == *last)
                thickness = std::max(
                    0.0f, ownMajorSize() - position - float(subs.size() - 1 - i) * divider);
        } else if (isSubviewCollapsed(view)) {
            place = false;  // a collapsed subview keeps its place outside
        }
        if (place) {
            setFrameIfChanged(view, rectWithMajor(position, thickness, 0, minor));
            position += thickness;
        }
        if (i + 1 < subs.size()) position += divider;
    }
}

void WsSplitView::wsMoveCollapsedSubviewsOffScreen() {
    for (const QPointer<kit::View>& view : wsCollapsedSubviews_)
        if (view) view->setFrameOrigin(wsOffScreenPoint());
}

// -- Dividers

void WsSplitView::drawRect(kit::Graphics& graphics, const QRectF& dirtyRect) {
    for (const QRectF& r : wsDividerRects_) drawDividerInRect(graphics, r);
}

void WsSplitView::drawDividerInRect(kit::Graphics& graphics, const QRectF& rect) {
    graphics.setFillColor(QColor(0x9a, 0x9a, 0x9a));
    graphics.fillRect(rect);
}

qint64 WsSplitView::wsGetDividerAtMajCoord(float coordinate) const {
    const float t = float(dividerThickness());
    for (size_t i = 0; i < wsDividerRects_.size(); ++i) {
        const float start = majorOrigin(wsDividerRects_[i]);
        if (coordinate >= start && coordinate < start + t) return qint64(i);
    }
    return notFound;
}

void WsSplitView::wsPutDividerAtMajCoord(qint64 index, float coordinate) {
    if (index < 0) return;
    const size_t i = size_t(index);
    if (wsDividerRects_.size() <= i) wsDividerRects_.resize(i + 1, QRectF());
    const QRectF r = rectWithMajor(coordinate, float(dividerThickness()), 0, ownMinorSize());
    if (kit::equalRects(wsDividerRects_[i], r)) return;
    wsDividerRects_[i] = r;
    setNeedsDisplayInRect(r);
    const auto& subs = subviews();
    if (i < subs.size()) subs[i]->setNeedsDisplay(true);
    if (i + 1 < subs.size()) subs[i + 1]->setNeedsDisplay(true);
}

void WsSplitView::wsRecalculateDividerRects() {
    const std::vector<kit::View*> subs = subviews();
    const float t = float(dividerThickness());
    float position = 0;
    for (size_t i = 0; i + 1 < subs.size(); ++i) {
        if (!isSubviewCollapsed(subs[i])) position += majorSize(subs[i]->frame());
        wsPutDividerAtMajCoord(qint64(i), position);
        position += t;
    }
    const size_t dividers = subs.size() < 2 ? 0 : subs.size() - 1;
    if (wsDividerRects_.size() > dividers) wsDividerRects_.resize(dividers);
    if (kit::Window* w = window()) w->invalidateCursorRectsForView(this);
}

void WsSplitView::resetCursorRects() {
    for (const QRectF& r : wsDividerRects_) addCursorRect(r, wsCurrentResizeCursor_);
}

// -- Dragging a divider

void WsSplitView::mouseDown(const kit::Event& event) {
    const float minor = ownMinorSize();
    const float t = float(dividerThickness());
    auto majorAt = [this](const kit::Event& e) {
        const QPointF p = convertPointFromView(e.locationInWindow(), nullptr);
        return float(wsIsVertical_ ? p.x() : p.y());
    };
    const qint64 d = wsGetDividerAtMajCoord(majorAt(event));
    if (d == notFound) return;
    const std::vector<kit::View*> subs = subviews();
    if (size_t(d) + 1 >= subs.size()) return;  // dividers not yet recomputed for these subviews

    WsSplitViewDelegate* delegate = wsDelegate_;
    if (event.clickCount() >= 2 && delegate &&
        delegate->answers(WsSplitViewDelegate::DidDoubleClickInDivider)) {
        delegate->splitViewDidDoubleClickInDivider(this, d);
        return;
    }

    QPointer<kit::View> a = subs[size_t(d)], b = subs[size_t(d) + 1];
    const float dividerOrigin = majorOrigin(wsDividerRects_[size_t(d)]);
    const float start = isSubviewCollapsed(a) ? dividerOrigin : majorOrigin(a->frame());
    const float end =
        isSubviewCollapsed(b) ? dividerOrigin + t : majorOrigin(b->frame()) + majorSize(b->frame());
    const float lowest = start, highest = end - t;

    float min = lowest, max = highest;
    if (delegate && delegate->answers(WsSplitViewDelegate::ConstrainMinCoordinate))
        min = float(delegate->splitViewConstrainMinCoordinateOfSubviewAt(this, min, d));
    if (delegate && delegate->answers(WsSplitViewDelegate::ConstrainMaxCoordinate))
        max = float(delegate->splitViewConstrainMaxCoordinateOfSubviewAt(this, max, d));
    if (min < lowest) min = lowest;
    if (max > highest) max = highest;
    if (max < min) {
        // The limits cross (the split view is too small for them): the whole
        // length is open.
        min = lowest;
        max = highest;
    }
    bool canCollapseA = false, canCollapseB = false;
    if (delegate && delegate->answers(WsSplitViewDelegate::CanCollapseSubview)) {
        canCollapseA = delegate->splitViewCanCollapseSubview(this, a);
        canCollapseB = delegate->splitViewCanCollapseSubview(this, b);
    }
    const bool constrainsPosition =
        delegate && delegate->answers(WsSplitViewDelegate::ConstrainSplitPosition);

    const float offset = dividerOrigin - majorAt(event);
    float last = 1000000.0f;  // so that the first step always acts
    a->viewWillStartLiveResize();
    b->viewWillStartLiveResize();

    QPointer<WsSplitView> self(this);
    kit::Event current = event;
    for (;;) {
        float p = majorAt(current) + offset;
        if (constrainsPosition)
            p = float(delegate->splitViewConstrainSplitPositionOfSubviewAt(this, p, d));

        bool collapseA = false, collapseB = false;
        if (lowest == highest) {
            collapseA = canCollapseA;
            collapseB = canCollapseB;
            p = lowest;
        } else if (canCollapseA && p < lowest + (min - lowest) / 2) {
            collapseA = true;
            p = lowest;
        } else if (p < min) {
            p = min;
        } else if (p < max) {
            // stays where the mouse is
        } else if (canCollapseB && p >= highest - (highest - max) / 2) {
            collapseB = true;
            p = highest;
        } else {
            p = max;
        }
        // A change of collapse state acts even where the position stays (a collapse
        // limit right at the minimum), so that a collapsed pane is always parked.
        const bool statesChange =
            isSubviewCollapsed(a) != collapseA || isSubviewCollapsed(b) != collapseB;
        setSubviewIsCollapsed(a, collapseA);
        setSubviewIsCollapsed(b, collapseB);

        if (p != last || statesChange) {
            postResizeNotification(willResizeSubviewsNotification());
            wsPutDividerAtMajCoord(d, p);
            if (a) {
                if (collapseA)
                    a->setFrameOrigin(wsOffScreenPoint());
                else
                    setFrameIfChanged(a, rectWithMajor(start, p - start, 0, minor));
            }
            if (b) {
                if (collapseB)
                    b->setFrameOrigin(wsOffScreenPoint());
                else
                    setFrameIfChanged(b, rectWithMajor(p + t, end - (p + t), 0, minor));
            }
            postResizeNotification(didResizeSubviewsNotification());
            last = p;
        }

        const kit::EventMask mask =
            kit::EventMasks::LeftMouseDragged | kit::EventMasks::LeftMouseUp;
        std::optional<kit::Event> next = kit::Application::shared().nextEventMatchingMask(mask);
        if (!self) return;  // the window closed under the drag
        if (!next || next->type() != kit::EventType::LeftMouseDragged) break;
        current = *next;
    }

    if (a) a->viewDidEndLiveResize();
    if (b) b->viewDidEndLiveResize();
    if (wsDelegate_ && wsDelegate_->answers(WsSplitViewDelegate::DidFinishDragInDivider))
        wsDelegate_->splitViewDidFinishDragInDivider(this, d);
}

// -- Delegate and collapse states

void WsSplitView::setDelegate(WsSplitViewDelegate* delegate) {
    if (wsDelegate_) {
        for (const QString& name :
             {willResizeSubviewsNotification(), didResizeSubviewsNotification(),
              didCollapseSubviewNotification(), didExpandSubviewNotification()})
            wsNotificationCenter_->removeObserver(wsDelegate_, name, this);
    }
    wsDelegate_ = delegate;
    if (wsDelegate_) registerDelegateObservers();
}

void WsSplitView::registerDelegateObservers() {
    WsSplitViewDelegate* delegate = wsDelegate_;
    auto add = [&](WsSplitViewDelegate::Operation op, const QString& name,
                   void (WsSplitViewDelegate::*handler)(const foundation::Notification&)) {
        if (!delegate->answers(op)) return;
        wsNotificationCenter_->addObserver(
            delegate, name, this,
            [delegate, handler](const foundation::Notification& n) { (delegate->*handler)(n); });
    };
    add(WsSplitViewDelegate::WillResizeSubviews, willResizeSubviewsNotification(),
        &WsSplitViewDelegate::splitViewWillResizeSubviews);
    add(WsSplitViewDelegate::DidResizeSubviews, didResizeSubviewsNotification(),
        &WsSplitViewDelegate::splitViewDidResizeSubviews);
    add(WsSplitViewDelegate::DidCollapseSubview, didCollapseSubviewNotification(),
        &WsSplitViewDelegate::splitViewDidCollapseSubview);
    add(WsSplitViewDelegate::DidExpandSubview, didExpandSubviewNotification(),
        &WsSplitViewDelegate::splitViewDidExpandSubview);
}

bool WsSplitView::isSubviewCollapsed(const kit::View* subview) const {
    if (!subview) return false;
    return std::any_of(wsCollapsedSubviews_.begin(), wsCollapsedSubviews_.end(),
                       [subview](const QPointer<kit::View>& v) { return v == subview; });
}

void WsSplitView::setSubviewIsCollapsed(kit::View* subview, bool collapsed) {
    if (!subview || isSubviewCollapsed(subview) == collapsed) return;
    wsCollapsedSubviews_.erase(
        std::remove_if(
            wsCollapsedSubviews_.begin(), wsCollapsedSubviews_.end(),
            [subview](const QPointer<kit::View>& v) { return v.isNull() || v == subview; }),
        wsCollapsedSubviews_.end());
    if (collapsed) wsCollapsedSubviews_.emplace_back(subview);
    const QVariantMap info{{kSubview, QVariant::fromValue(static_cast<QObject*>(subview))}};
    wsNotificationCenter_->post(
        collapsed ? didCollapseSubviewNotification() : didExpandSubviewNotification(), this, info);
}

void WsSplitView::willRemoveSubview(kit::View* subview) {
    // A view taken out is no longer one of the panes.
    wsCollapsedSubviews_.erase(
        std::remove_if(
            wsCollapsedSubviews_.begin(), wsCollapsedSubviews_.end(),
            [subview](const QPointer<kit::View>& v) { return v.isNull() || v == subview; }),
        wsCollapsedSubviews_.end());
}

// -- Saved positions

QString WsSplitView::wsDefaultsKeyForName(const QString& name) {
    return QStringLiteral("MySplitView Position ") + name;
}

void WsSplitView::removePositionUsingName(const QString& name) {
    foundation::Defaults::standard().removeObject(wsDefaultsKeyForName(name));
}

void WsSplitView::savePositionUsingName(const QString& name) {
    foundation::Defaults::standard().setObject(wsDefaultsKeyForName(name),
                                               plistObjectWithSavedPosition());
}

bool WsSplitView::setPositionUsingName(const QString& name) {
    const QVariant record =
        foundation::Defaults::standard().objectForKey(wsDefaultsKeyForName(name));
    if (!record.isValid()) return false;
    setPositionFromPlistObject(record);
    return true;
}

void WsSplitView::wsSavePositionUsingAutosaveName(const foundation::Notification&) {
    if (!wsPositionAutosaveName_.isEmpty()) savePositionUsingName(wsPositionAutosaveName_);
}

bool WsSplitView::setPositionAutosaveName(const QString& name) {
    if (!name.isEmpty() && inUsePositionNames().contains(name)) return false;
    if (!wsPositionAutosaveName_.isEmpty()) inUsePositionNames().remove(wsPositionAutosaveName_);
    wsPositionAutosaveName_ = name;
    if (!name.isEmpty()) {
        // Restored before the saving starts, so the restore does not write back.
        setPositionUsingName(name);
        inUsePositionNames().insert(name);
        if (!autosaveToken_)
            autosaveToken_ = wsNotificationCenter_->addObserver(
                this, didResizeSubviewsNotification(), this,
                [this](const foundation::Notification& n) { wsSavePositionUsingAutosaveName(n); });
    } else if (autosaveToken_) {
        wsNotificationCenter_->removeObserver(autosaveToken_);
        autosaveToken_ = 0;
    }
    return true;
}

QVariantMap WsSplitView::plistObjectWithSavedPosition() const {
    QVariantList subviewRecords;
    for (kit::View* view : subviews())
        subviewRecords.append(QVariantMap{{kFrame, kit::stringFromRect(view->frame())},
                                          {kCollapsed, isSubviewCollapsed(view)}});
    return QVariantMap{
        {kVersion, qint64(2)}, {kSubviews, subviewRecords}, {kIsVertical, wsIsVertical_}};
}

namespace {

// Whether a stored value is the number 2 (a record of the present form).
bool isVersion2(const QVariant& value) {
    switch (value.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return value.toLongLong() == 2;
        case QMetaType::Double:
        case QMetaType::Float:
            return value.toDouble() == 2.0;
        default:
            return false;
    }
}

}  // namespace

void WsSplitView::setPositionFromPlistObject(const QVariant& object) {
    if (object.metaType().id() == QMetaType::QVariantMap) {
        const QVariantMap record = object.toMap();
        if (isVersion2(record.value(kVersion))) {
            const QVariantList entries = record.value(kSubviews).toList();
            const std::vector<kit::View*> subs = subviews();
            const size_t count = std::min(subs.size(), size_t(entries.size()));
            for (size_t i = 0; i < count; ++i) {
                const QVariantMap entry = entries[qsizetype(i)].toMap();
                subs[i]->setFrame(kit::rectFromString(entry.value(kFrame).toString()));
                setSubviewIsCollapsed(subs[i], entry.value(kCollapsed).toBool());
            }
            // A record without the flag leaves the orientation as it is.
            if (record.contains(kIsVertical)) setVertical(record.value(kIsVertical).toBool());
        }
    }
    resizeSubviewsWithOldSize(bounds().size());
}
