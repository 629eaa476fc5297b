#include "platform/kit/Cell.h"

namespace kit {

void Cell::drawWithFrame(Graphics& graphics, const QRectF& frame, View* controlView) {
    drawInteriorWithFrame(graphics, frame, controlView);
}

void Cell::drawInteriorWithFrame(Graphics&, const QRectF&, View*) {}

}  // namespace kit
