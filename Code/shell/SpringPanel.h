#pragma once

#include "platform/kit/Panel.h"

#include <QPointF>
#include <QPointer>
#include <QRectF>

class SpringPanelView;

// The floating panel behind every popup and hover: a borderless, transparent
// panel whose content view (a SpringPanelView) draws a dark box with an anchor
// pointing at a rectangle on screen, the reference rectangle. It stands on the
// side of that rectangle its user asks for (1 left, 2 right, 3 up, 4 down; any
// other value is taken as down), flips to the opposite side when there is no
// room, and is pushed back inside the frame of the screen that holds the
// rectangle's anchor point as far as the rules of each direction allow. It opens
// by growing out of the anchor point and closes by shrinking into it; while open
// it either keeps its place and only slides its anchor, or moves. The animations
// block: each call returns when its animation has ended. Main thread only.
class SpringPanel : public kit::Panel {
    Q_OBJECT

public:
    enum Direction { Left = 1, Right = 2, Up = 3, Down = 4 };

    // Whatever style is asked for, the panel is borderless; it floats, has no
    // shadow, is see-through where its view draws nothing, and hides while the
    // application is inactive.
    explicit SpringPanel(const QRectF& contentRect = QRectF(0, 0, 200, 150),
                         unsigned styleMask = Borderless);

    // Only the panel's users and its animations size it. A size the window
    // system reports late (the one the panel shrank to when it closed) is
    // not taken, so the panel keeps the frame it was given across a close.
    bool followsWindowSystemResizes() const override { return false; }

    // The content view made with the panel (null should a user replace it).
    SpringPanelView* panelView() const { return gui_panelBG_; }

    int desiredOpeningDirection() const { return desiredOpeningDirection_; }
    int actualOpeningDirection() const { return actualOpeningDirection_; }
    void setOpeningDirection(int direction) { desiredOpeningDirection_ = direction; }
    QRectF referenceRect() const { return referenceRect_; }
    void setReferenceRectOnScreen(const QRectF& rect) { referenceRect_ = rect; }

    // Moves the panel at once to the optimal position.
    void positionPanel();
    // With `keep`, and while the anchor point still lies on the panel's anchor
    // edge with room for the triangle and the panel fits its screen, only the
    // anchor moves; otherwise the panel goes to the optimal position, animated
    // or at once, and not at all when that is where it is.
    void positionPanelKeepingAnchorAnimateMove(bool keep, bool animate);
    // The panel's origin beside the reference rectangle; sets the actual opening
    // direction and the view's direction and anchor, but moves nothing.
    QPointF optimalPanelPosition();
    // Whether the panel's top edge is at least 22 points below the top of its
    // screen and its left edge not left of the screen.
    bool panelFitsScreen() const;
    // The middle of the reference rectangle's edge facing the actual direction.
    QPointF anchorPoint() const;
    bool anchorPointMatchesPanelPosition(const QPointF& point) const;

    // Grows the panel out of its anchor point to its frame and orders it front.
    void springOpenWithFadeIn(bool fade);
    // Shrinks an open panel into its anchor point and closes it; the panel has
    // its full frame again afterwards. A panel that is not open is left alone.
    void springCloseWithFadeOut(bool fade);
    // Slides the panel to a new origin.
    void animatePanelMoveTo(const QPointF& origin);

private:
    // The anchor point of the reference rectangle for a direction.
    QPointF anchorPointFor(int direction) const;
    // The frame of the screen that holds the anchor point for a direction: what
    // the panel is kept inside of.
    QRectF measuringScreenFrame(int direction) const;
    // Makes the window that shows the reference rectangle the panel's parent.
    void parentToOriginatingWindow();

    QPointer<SpringPanelView> gui_panelBG_;
    int desiredOpeningDirection_ = 0;
    int actualOpeningDirection_ = 0;
    QRectF referenceRect_;
    bool sprungOpen_ = false;  // opened and not closed since
};
