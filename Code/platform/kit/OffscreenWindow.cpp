#include "platform/kit/OffscreenWindow.h"

#include "platform/kit/View.h"

#include <QWidget>

namespace kit {

OffscreenWindow::OffscreenWindow(const QRectF& contentRect) : Window(contentRect, Titled) {
    widget()->setAttribute(Qt::WA_DontShowOnScreen);
}

QImage OffscreenWindow::cacheImage(double scale) {
    View* v = contentView();
    if (!v) return QImage();
    v->displayIfNeeded();
    return v->renderToImage(scale);
}

}  // namespace kit
