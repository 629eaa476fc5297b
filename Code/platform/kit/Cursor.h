#pragma once

#include <QCursor>
#include <QImage>
#include <QPointF>

namespace kit {

// A pointer shape. Besides the shapes that cursor rectangles of views show, the
// application keeps a stack of pushed cursors (a drag shows the closed hand until
// it pops it) and a hide count; while either is in use it wins over the windows'
// own cursors.
class Cursor final {
public:
    Cursor();  // the arrow
    explicit Cursor(Qt::CursorShape shape);
    Cursor(const QImage& image, const QPointF& hotSpot);

    static Cursor arrowCursor() { return Cursor(Qt::ArrowCursor); }
    static Cursor IBeamCursor() { return Cursor(Qt::IBeamCursor); }
    static Cursor pointingHandCursor() { return Cursor(Qt::PointingHandCursor); }
    static Cursor closedHandCursor() { return Cursor(Qt::ClosedHandCursor); }
    static Cursor openHandCursor() { return Cursor(Qt::OpenHandCursor); }
    static Cursor crosshairCursor() { return Cursor(Qt::CrossCursor); }
    static Cursor resizeLeftRightCursor() { return Cursor(Qt::SizeHorCursor); }
    static Cursor resizeUpDownCursor() { return Cursor(Qt::SizeVerCursor); }
    static Cursor resizeLeftCursor() { return Cursor(Qt::SizeHorCursor); }
    static Cursor resizeRightCursor() { return Cursor(Qt::SizeHorCursor); }
    static Cursor resizeUpCursor() { return Cursor(Qt::SizeVerCursor); }
    static Cursor resizeDownCursor() { return Cursor(Qt::SizeVerCursor); }
    static Cursor operationNotAllowedCursor() { return Cursor(Qt::ForbiddenCursor); }
    static Cursor dragCopyCursor() { return Cursor(Qt::DragCopyCursor); }

    // Pushes this cursor on the application's stack and shows it.
    void push() const;
    // Pops the top of the stack (nothing when it is empty).
    static void pop();
    // Shows this cursor now: replaces the top of the stack when something was
    // pushed, else becomes the key window's cursor until its cursor rectangles
    // next apply.
    void set() const;
    // Hides the pointer until as many unhides as hides have been made.
    static void hide();
    static void unhide();
    static bool isHidden();
    static int stackDepth();
    // What the application shows now: the top of the stack, or the key window's
    // cursor (the arrow without one). A hidden pointer answers Qt::BlankCursor.
    static Cursor currentCursor();

    Qt::CursorShape shape() const { return cursor_.shape(); }
    const QCursor& qcursor() const { return cursor_; }
    bool operator==(const Cursor& o) const;
    bool operator!=(const Cursor& o) const { return !(*this == o); }

private:
    QCursor cursor_;
    qint64 imageKey_ = 0;
};

}  // namespace kit
