#pragma once

#include "platform/kit/View.h"

#include <QColor>
#include <QPointF>
#include <QPointer>
#include <QRectF>

namespace kit {

class ScrollView;

// The window of a scroll view onto its document: the document view is its one
// subview, and its bounds are the part of the document's superview coordinates
// in sight. It is flipped exactly when the document is, so its bounds origin (the
// scroll point) is the document's visible lower left corner in an unflipped
// document and its upper left corner in a flipped one.
//
// Scrolling keeps the visible rectangle inside the document; a document shorter
// than the clip view lies against the clip view's top edge. Every scroll tells
// the enclosing scroll view, which moves its scroller along. Main thread only.
class ClipView : public View {
    Q_OBJECT

public:
    explicit ClipView(const QRectF& frame = QRectF());
    ~ClipView() override;

    View* documentView() const { return document_; }
    // Shows `view` (the previous document view is taken out and dropped).
    void setDocumentView(View* view);

    bool isFlipped() const override;
    // The document's frame, in the clip view's coordinates (empty without one).
    QRectF documentRect() const;
    // The part of the document in sight, in the document's coordinates.
    QRectF documentVisibleRect() const;
    // The nearest scroll point to `point` that keeps the visible part inside the
    // document.
    QPointF constrainScrollPoint(const QPointF& point) const;
    // Scrolls so that `point` (in the clip view's coordinates) becomes the bounds
    // origin, as far as the document allows. Also reachable by name, for views that
    // scroll whatever encloses them without knowing the kit's scroll views.
    Q_INVOKABLE void scrollToPoint(QPointF point);

    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool draws);
    QColor backgroundColor() const { return background_; }
    void setBackgroundColor(const QColor& color);

    void setFrame(const QRectF& frame) override;
    void drawRect(Graphics& graphics, const QRectF& dirtyRect) override;
    bool isOpaque() const override { return drawsBackground_ && background_.alpha() == 255; }
    void willRemoveSubview(View* view) override;

private:
    ScrollView* scrollView() const;
    void documentFrameChanged();
    void stopObservingDocument();

    QPointer<View> document_;
    bool drawsBackground_ = true;
    QColor background_ = QColor(255, 255, 255);
};

}  // namespace kit
