#include "platform/kit/Cell.h"

#include "platform/kit/Event.h"
#include "platform/kit/View.h"

namespace kit {

void Cell::drawWithFrame(Graphics& graphics, const QRectF& frame, View* controlView) {
    drawInteriorWithFrame(graphics, frame, controlView);
}

void Cell::drawInteriorWithFrame(Graphics&, const QRectF&, View*) {}

unsigned Cell::hitTestForEvent(const Event& event, const QRectF& cellFrame, View* controlView) {
    const QPointF p = controlView
                          ? controlView->convertPointFromView(event.locationInWindow(), nullptr)
                          : event.locationInWindow();
    const bool inside =
        controlView ? controlView->mouseInRect(p, cellFrame) : cellFrame.contains(p);
    if (!inside) return CellHit::None;
    return CellHit::ContentArea | (editable_ ? CellHit::EditableTextArea : CellHit::None);
}

std::optional<QRectF> Cell::editingFrameForCellFrame(const QRectF& cellFrame, View*) {
    if (!editable_) return std::nullopt;
    return cellFrame;
}

}  // namespace kit
