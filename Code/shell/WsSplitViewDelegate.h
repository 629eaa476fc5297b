#pragma once

#include "platform/foundation/NotificationCenter.h"

#include <QSizeF>

class WsSplitView;

namespace kit {
class View;
}

// What a split view asks of its delegate. Every operation is optional: the split
// view uses one only when the delegate names it in delegateOperations(), and
// otherwise behaves as if there were no delegate for it. The four notification
// operations are registered as observers of the split view's notifications when
// the delegate is set.
//
// A delegate outlives the split views it is set on, or is taken off them first.
class WsSplitViewDelegate {
public:
    enum Operation : unsigned {
        ResizeSubviewsWithOldSize = 1u << 0,
        ConstrainMinCoordinate = 1u << 1,
        ConstrainMaxCoordinate = 1u << 2,
        CanCollapseSubview = 1u << 3,
        ConstrainSplitPosition = 1u << 4,
        DidDoubleClickInDivider = 1u << 5,
        DidFinishDragInDivider = 1u << 6,
        WillResizeSubviews = 1u << 7,
        DidResizeSubviews = 1u << 8,
        DidCollapseSubview = 1u << 9,
        DidExpandSubview = 1u << 10,
    };

    virtual ~WsSplitViewDelegate() = default;

    // The operations this delegate answers (a combination of Operation bits).
    virtual unsigned splitViewDelegateOperations() const = 0;
    bool answers(Operation op) const { return (splitViewDelegateOperations() & op) != 0; }

    // Lays the subviews out in place of the split view's proportional layout.
    virtual void splitViewResizeSubviewsWithOldSize(WsSplitView* splitView, const QSizeF& oldSize) {
    }
    // The limits of a divider drag, asked once at its start.
    virtual double splitViewConstrainMinCoordinateOfSubviewAt(WsSplitView* splitView,
                                                              double proposedMin,
                                                              qint64 dividerIndex) {
        return proposedMin;
    }
    virtual double splitViewConstrainMaxCoordinateOfSubviewAt(WsSplitView* splitView,
                                                              double proposedMax,
                                                              qint64 dividerIndex) {
        return proposedMax;
    }
    virtual bool splitViewCanCollapseSubview(WsSplitView* splitView, kit::View* subview) {
        return false;
    }
    // The divider position for every mouse event of a drag.
    virtual double splitViewConstrainSplitPositionOfSubviewAt(WsSplitView* splitView,
                                                              double proposedPosition,
                                                              qint64 dividerIndex) {
        return proposedPosition;
    }
    virtual void splitViewDidDoubleClickInDivider(WsSplitView* splitView, qint64 dividerIndex) {}
    virtual void splitViewDidFinishDragInDivider(WsSplitView* splitView, qint64 dividerIndex) {}

    // Observers of the split view's notifications (object: the split view).
    virtual void splitViewWillResizeSubviews(const foundation::Notification& notification) {}
    virtual void splitViewDidResizeSubviews(const foundation::Notification& notification) {}
    virtual void splitViewDidCollapseSubview(const foundation::Notification& notification) {}
    virtual void splitViewDidExpandSubview(const foundation::Notification& notification) {}
};
