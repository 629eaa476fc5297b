#pragma once

#include "data/RectObj.h"
#include "platform/kit/View.h"

#include <QColor>
#include <QPointer>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

class CollapsablePanelHead;

namespace kit {
class Button;
class Event;
class Graphics;
class TextField;
}  // namespace kit

// A disclosure pane: a titled section of a window that shows either only its
// header band (collapsed) or the band and a content area below it (disclosed).
// Collapsing, disclosing and changing the content's height resize the whole
// window so that its top edge stays where it is on screen: the window's views
// above the pane stay in place, those below move with the window's bottom edge,
// and the window's minimum height changes by the same amount. The change is one
// blocking animation of 0.15 seconds, 1.2 seconds when Shift is held as it
// begins. The delegate is asked to perform collapsablePanelToggled (with the
// pane) on every change of state. Main thread only.
class CollapsablePanel : public kit::View {
    Q_OBJECT

public:
    // Builds the pane's parts as its interface would hold them: the header band
    // with the disclosure button, the title label showing `title` and, when
    // asked for, a data label at `dataLabelX`; the content view below. Then lays
    // them out (awakeFromNib).
    explicit CollapsablePanel(const QRectF& frame = QRectF(0, 0, 300, 120),
                              const QString& title = QString(), bool withDataLabel = false,
                              double dataLabelX = 150);

    // Takes the titles and data texts from the labels, lays the parts out for the
    // pane's frame and puts the header's flags in step.
    void awakeFromNib();
    // Rounds the frame's y and height down to whole points and puts the header
    // band at the top.
    void positionControls();

    QString titleForCollapsedState() const { return titleCollapsed_; }
    void setTitleForCollapsedState(const QString& title);
    QString titleForDisclosedState() const { return titleDisclosed_; }
    void setTitleForDisclosedState(const QString& title);
    QString dataForCollapsedState() const { return dataCollapsed_; }
    void setDataForCollapsedState(const QString& data);
    QString dataForDisclosedState() const { return dataDisclosed_; }
    void setDataForDisclosedState(const QString& data);

    QObject* delegate() const { return paneDelegate_; }
    void setDelegate(QObject* delegate) { paneDelegate_ = delegate; }

    // Collapses or discloses without animation.
    void setCollapsedState(bool collapsed);
    // Collapses or discloses, animated when usesAnimation; the same state again
    // does nothing.
    void setCollapsed(bool collapsed);
    bool isCollapsed() const { return collapsed_; }
    bool usesAnimation() const { return usesAnimation_; }
    void setUsesAnimation(bool uses) { usesAnimation_ = uses; }
    bool drawsTitlebarWhileCollapsed() const { return drawsTitlebarWhileCollapsed_; }
    void setDrawsTitlebarWhileCollapsed(bool draws);
    float titlebarHeight() const { return titleHeight_; }
    void setTitlebarHeight(float height) { titleHeight_ = height; }
    bool drawsContentBackground() const { return paintContentBgd_; }
    void setDrawsContentBackground(bool draws) { paintContentBgd_ = draws; }
    QColor contentBackgroundColor() const { return contentBgdColor_; }
    void setContentBackgroundColor(const QColor& color) { contentBgdColor_ = color; }

    // The disclosure button's action.
    Q_INVOKABLE void disclosureTrianglePressed(QObject* sender = nullptr);
    // Discloses a collapsed pane, then grows (positive) or shrinks the content
    // area by `delta` points, always animated.
    void changeContentHeightBy(float delta);
    // Adds a view to the content area; it keeps its distance to the area's top.
    void addToContentView(kit::View* view);

    // Whether a change is under way, and how long its animation takes.
    bool inAnimation() const { return inAnimation_; }
    double changeDuration() const { return changeDuration_; }

    kit::View* contentView() const { return gui_contentView_; }
    CollapsablePanelHead* header() const { return gui_header_; }
    kit::Button* disclosureButton() const { return gui_disclosureButton_; }
    kit::TextField* titleLabel() const { return gui_titleLabel_; }
    kit::TextField* dataLabel() const { return gui_dataLabel_; }
    bool isHeaderPressed() const { return headerPressed_; }

    void setFrame(const QRectF& frame) override;
    void drawRect(kit::Graphics& graphics, const QRectF& dirtyRect) override;
    bool acceptsFirstMouse(const kit::Event&) override { return true; }
    void mouseDown(const kit::Event& event) override;
    void mouseDragged(const kit::Event& event) override;
    void mouseUp(const kit::Event& event) override;
    bool mouseDownCanMoveWindow() const override { return false; }

    // Keeps the window and the views above the pane in step with the pane's
    // height while a change is under way; lays out the header always.
    void adjustWindowPosition();
    // Collects the views above the pane and freezes every sibling's autoresizing.
    void saveSiblingViewStates();
    void restoreSiblingViewStates();

private:
    void showStateTexts();
    void setHeaderPressed(bool pressed);
    // Grows the window's minimum height by `delta` (its minimum width unchanged).
    void changeWindowMinHeightBy(double delta);
    // The pane's frame, and with it the window, animated to `paneTarget` (and the
    // content view to `contentTarget` when given), or at once.
    void runChange(const QRectF& paneTarget, const std::optional<QRectF>& contentTarget,
                   bool animate);
    bool inHeaderBand(const QPointF& point) const;

    QPointer<kit::View> gui_contentView_;
    QPointer<kit::Button> gui_disclosureButton_;
    QPointer<kit::TextField> gui_titleLabel_;
    QPointer<kit::TextField> gui_dataLabel_;
    QPointer<CollapsablePanelHead> gui_header_;
    bool collapsed_ = false;
    bool usesAnimation_ = true;
    bool drawsTitlebarWhileCollapsed_ = false;
    bool paintContentBgd_ = false;
    bool headerPressed_ = false;
    QString titleCollapsed_ = QStringLiteral("closed");
    QString titleDisclosed_ = QStringLiteral("open");
    QString dataCollapsed_;
    QString dataDisclosed_;
    float titleHeight_ = 20.0f;
    QColor contentBgdColor_;
    QRectF windowReferenceFrame_;
    QRectF referenceFrame_;
    float targetHeight_ = 0.0f;
    bool inAnimation_ = false;
    std::vector<QPointer<kit::View>> viewsAbove_;
    std::vector<RectObjPtr> viewsAboveRects_;
    std::vector<unsigned> viewResizingMasks_;
    QPointer<QObject> paneDelegate_;
    double changeDuration_ = 0.0;
    bool placingControls_ = false;
};
