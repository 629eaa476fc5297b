#pragma once

#include "platform/kit/View.h"

namespace kit {
class Event;
class Graphics;
}  // namespace kit

// The header band of a collapsible pane: the grey bar under its disclosure
// button and titles. It draws the bar (flat while collapsed unless told to draw
// it then too, darker while pressed) and passes its clicks on to the pane, which
// keeps its four flags equal to its own and asks for the redraws.
class CollapsablePanelHead final : public kit::View {
    Q_OBJECT

public:
    explicit CollapsablePanelHead(const QRectF& frame = QRectF());

    bool isCollapsed() const { return collapsed_; }
    void setCollapsed(bool collapsed) { collapsed_ = collapsed; }
    bool drawsWhileCollapsed() const { return drawsTitlebarWhileCollapsed_; }
    void setDrawsWhileCollapsed(bool draws) { drawsTitlebarWhileCollapsed_ = draws; }
    bool isHeaderPressed() const { return headerPressed_; }
    void setHeaderPressed(bool pressed) { headerPressed_ = pressed; }
    bool isInAnimation() const { return inAnimation_; }
    void setInAnimation(bool inAnimation) { inAnimation_ = inAnimation; }

    void drawRect(kit::Graphics& graphics, const QRectF& dirtyRect) override;
    bool acceptsFirstMouse(const kit::Event&) override { return true; }
    void mouseDown(const kit::Event& event) override;

private:
    bool collapsed_ = false;
    bool drawsTitlebarWhileCollapsed_ = false;
    bool headerPressed_ = false;
    bool inAnimation_ = false;
};
