#pragma once

#include <QRectF>

#include <memory>

// One rectangle held as an object, so that rectangles can be kept in shared
// lists. The rectangle is kept exactly as given (negative origins, empty sizes).
class RectObj final {
public:
    RectObj() = default;
    explicit RectObj(const QRectF& rect) : theRect(rect) {}  // initWithRect

    void setRect(const QRectF& rect) { theRect = rect; }
    QRectF rect() const { return theRect; }

private:
    QRectF theRect;
};

using RectObjPtr = std::shared_ptr<RectObj>;
