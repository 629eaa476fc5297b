#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Cursor.h"
#include "platform/kit/View.h"

#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

class WsSplitViewDelegate;

namespace kit {
class Event;
class Graphics;
}  // namespace kit

// The split view behind the main window's splitters. It lines its subviews up
// along one axis with dividers of a fixed thickness between them, keeps a set of
// collapsed subviews that take no room and are parked far outside, resizes its
// subviews proportionally in whole points, lets the user drag a divider in a
// tracking loop of its own under the delegate's limits and collapse rules, moves
// the splitter of a two-pane split with an optional blocking animation, and saves
// the position of its subviews in the user defaults under an autosave name.
//
// A split is vertical when its dividers are (subviews side by side, the first on
// the left) and horizontal otherwise (stacked, the first on top). The view is
// flipped: its origin is the top left corner, so major coordinate 0 is the start
// of the first subview either way. Positions are computed in single precision.
// Main thread only.
class WsSplitView : public kit::View {
    Q_OBJECT

public:
    // Posted with the split view as object around every layout on a size change
    // and around every moving step of a divider drag.
    static QString willResizeSubviewsNotification();
    static QString didResizeSubviewsNotification();
    // Posted when a subview collapses or expands; user information "subview".
    static QString didCollapseSubviewNotification();
    static QString didExpandSubviewNotification();

    // Where collapsed subviews are parked (their size stays as it was).
    static constexpr double wsOffScreenCoordinate = 1000000.0;
    static QPointF wsOffScreenPoint() { return {wsOffScreenCoordinate, wsOffScreenCoordinate}; }
    // The divider index that stands for none.
    static constexpr qint64 notFound = std::numeric_limits<qint64>::max();

    explicit WsSplitView(const QRectF& frame = QRectF());
    ~WsSplitView() override;

    // Called by whoever built the split view and its subviews, once they are in
    // place: computes the dividers.
    virtual void awakeFromNib();

    // Moves the splitter of a two-pane split: subview 0 gets `position` as its
    // thickness, subview 1 the rest. With `animate` the move takes 0.3 seconds and
    // the call returns when it has ended.
    void setSplitterPositionAnimate(float position, bool animate);
    bool isSplitterAnimating() const { return isSplitterAnimating_; }

    // A press on a divider drags it (or, with two clicks or more, tells the
    // delegate); a press anywhere else does nothing.
    void mouseDown(const kit::Event& event) override;

    // The layout on a size change: the delegate's, or the proportional one.
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;
    // Proportional layout in whole points; posts nothing.
    void adjustSubviews();
    // Places the subviews one after the other with the given thicknesses (one per
    // subview); the last non-empty subview takes the fractional rest.
    void wsLayoutSubviewsUsingThicknesses(const std::vector<uint32_t>& thicknesses);
    void wsMoveCollapsedSubviewsOffScreen();

    bool isFlipped() const override { return true; }
    void drawRect(kit::Graphics& graphics, const QRectF& dirtyRect) override;
    virtual void drawDividerInRect(kit::Graphics& graphics, const QRectF& rect);
    virtual double dividerThickness() const { return 1.0; }

    // The first divider whose span holds the major coordinate, else notFound.
    qint64 wsGetDividerAtMajCoord(float coordinate) const;
    void wsPutDividerAtMajCoord(qint64 index, float coordinate);
    void wsRecalculateDividerRects();
    const std::vector<QRectF>& dividerRects() const { return wsDividerRects_; }
    void resetCursorRects() override;
    kit::Cursor currentResizeCursor() const { return wsCurrentResizeCursor_; }

    bool isVertical() const { return wsIsVertical_; }
    void setVertical(bool vertical);

    WsSplitViewDelegate* delegate() const { return wsDelegate_; }
    void setDelegate(WsSplitViewDelegate* delegate);

    bool isSubviewCollapsed(const kit::View* subview) const;
    // Changes the collapse state and posts the notification, only when it changes;
    // moves and resizes nothing.
    void setSubviewIsCollapsed(kit::View* subview, bool collapsed);

    // -- Saved positions: "MySplitView Position <name>" in the user defaults.
    void savePositionUsingName(const QString& name);
    // False when there is no record; else restores it.
    bool setPositionUsingName(const QString& name);
    // Takes an autosave name (the empty text clears it), restoring its record at
    // once; false, changing nothing, when a split view already holds the name.
    bool setPositionAutosaveName(const QString& name);
    QString positionAutosaveName() const { return wsPositionAutosaveName_; }
    // Applies a stored record (when it is one of version 2) and lays out again.
    void setPositionFromPlistObject(const QVariant& object);
    QVariantMap plistObjectWithSavedPosition() const;
    void wsSavePositionUsingAutosaveName(const foundation::Notification& notification);
    static void removePositionUsingName(const QString& name);
    static QString wsDefaultsKeyForName(const QString& name);

protected:
    void willRemoveSubview(kit::View* subview) override;

private:
    void wsSetup();
    void wsSetupResizeCursors();
    float majorOrigin(const QRectF& r) const;
    float majorSize(const QRectF& r) const;
    float ownMajorSize() const;
    float ownMinorSize() const;
    // A rectangle from its major and minor origins and sizes.
    QRectF rectWithMajor(float majorOrigin, float majorSize, float minorOrigin,
                         float minorSize) const;
    // Sets a subview's frame and marks it for redisplay, only when it changes.
    static void setFrameIfChanged(kit::View* view, const QRectF& frame);
    void postResizeNotification(const QString& name);
    void registerDelegateObservers();

    std::vector<QPointer<kit::View>> wsCollapsedSubviews_;
    std::vector<QRectF> wsDividerRects_;
    QString wsPositionAutosaveName_;
    kit::Cursor wsIsVerticalResizeCursor_;
    kit::Cursor wsNotIsVerticalResizeCursor_;
    kit::Cursor wsCurrentResizeCursor_;
    foundation::NotificationCenter* wsNotificationCenter_ = nullptr;
    bool wsIsVertical_ = false;
    WsSplitViewDelegate* wsDelegate_ = nullptr;
    bool isSplitterAnimating_ = false;
    foundation::NotificationCenter::Token autosaveToken_ = 0;
};

// Scales `count` values in place so that they sum to `target`: each value that is
// not 0 becomes floor(value × target / sum), at least 1, and the points still
// missing (or in excess) are spread one by one at random over those values. Values
// that were 0 stay 0. False, changing nothing, when every value is 0.
bool wsScaleUInts(uint32_t* values, size_t count, uint32_t target);

// The generator wsScaleUInts draws from, uniform over 0 to 2147483647: the C
// library's rand, never seeded, so that a run repeats its draws. A test may put
// its own in place; null puts rand back. Answers the previous generator.
using WsRandomSource = int (*)();
WsRandomSource wsSetRandomSource(WsRandomSource source);
