#include "platform/kit/Cursor.h"

#include "platform/kit/Application.h"
#include "platform/kit/Window.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QWidget>

#include <vector>

namespace kit {

namespace {

std::vector<Cursor>& stack() {
    static std::vector<Cursor> s;
    return s;
}

int& hideCount() {
    static int n = 0;
    return n;
}

bool& overrideInstalled() {
    static bool b = false;
    return b;
}

// Puts what the stack and the hide count ask for in place as the application's
// one override cursor, or removes it when neither is in use.
void apply() {
    if (!QGuiApplication::instance()) return;
    const bool wanted = hideCount() > 0 || !stack().empty();
    if (!wanted) {
        if (overrideInstalled()) QGuiApplication::restoreOverrideCursor();
        overrideInstalled() = false;
        return;
    }
    const QCursor c = hideCount() > 0 ? QCursor(Qt::BlankCursor) : stack().back().qcursor();
    if (overrideInstalled())
        QGuiApplication::changeOverrideCursor(c);
    else
        QGuiApplication::setOverrideCursor(c);
    overrideInstalled() = true;
}

}  // namespace

Cursor::Cursor() : cursor_(Qt::ArrowCursor) {}

Cursor::Cursor(Qt::CursorShape shape) : cursor_(shape) {}

Cursor::Cursor(const QImage& image, const QPointF& hotSpot)
    : cursor_(QPixmap::fromImage(image), int(hotSpot.x()), int(hotSpot.y())),
      imageKey_(image.cacheKey()) {}

void Cursor::push() const {
    stack().push_back(*this);
    apply();
}

void Cursor::pop() {
    if (stack().empty()) return;
    stack().pop_back();
    apply();
}

void Cursor::set() const {
    if (!stack().empty()) {
        stack().back() = *this;
        apply();
        return;
    }
    if (Window* w = Application::shared().keyWindow()) w->setCurrentCursor(*this);
}

void Cursor::hide() {
    ++hideCount();
    apply();
}

void Cursor::unhide() {
    if (hideCount() == 0) return;
    --hideCount();
    apply();
}

bool Cursor::isHidden() {
    return hideCount() > 0;
}

int Cursor::stackDepth() {
    return int(stack().size());
}

Cursor Cursor::currentCursor() {
    if (hideCount() > 0) return Cursor(Qt::BlankCursor);
    if (!stack().empty()) return stack().back();
    if (Window* w = Application::shared().keyWindow()) return w->currentCursor();
    return Cursor();
}

bool Cursor::operator==(const Cursor& o) const {
    if (cursor_.shape() != o.cursor_.shape()) return false;
    return cursor_.shape() != Qt::BitmapCursor || imageKey_ == o.imageKey_;
}

}  // namespace kit
