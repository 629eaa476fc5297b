#include "prefs/CalSourceInfoView.h"

#include "platform/kit/Graphics.h"

CalSourceInfoView::CalSourceInfoView(const QRectF& frame)
    : kit::View(frame),
      titleBigTextAttribs(kit::Font::boldSystemFont(18), QColor::fromRgbF(0, 0, 0, 1)) {}

void CalSourceInfoView::drawRect(kit::Graphics& graphics, const QRectF&) {
    if (title_.isEmpty()) return;
    kit::TextAttributes edge = titleBigTextAttribs;
    edge.color = QColor::fromRgbF(1, 1, 1, 1);
    graphics.drawString(title_, QPointF(17, 192), edge);
    graphics.drawString(title_, QPointF(18, 191), titleBigTextAttribs);
}
