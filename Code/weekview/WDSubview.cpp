#include "weekview/WDSubview.h"

WDSubview::WDSubview(const QRectF& frame) : kit::View(frame) {}
