#include "platform/kit/Responder.h"

#include "platform/kit/Event.h"
#include "platform/kit/Perform.h"

namespace kit {

Responder::Responder() : life_(std::make_shared<int>(0)) {}

Responder::~Responder() = default;

Responder* Responder::nextResponder() const {
    return nextLife_.expired() ? nullptr : next_;
}

void Responder::setNextResponder(Responder* next) {
    next_ = next;
    nextLife_ = next ? next->lifeToken() : std::weak_ptr<int>();
}

#define KIT_FORWARD(name)                               \
    void Responder::name(const Event& e) {              \
        if (Responder* n = nextResponder()) n->name(e); \
    }

KIT_FORWARD(mouseDown)
KIT_FORWARD(mouseDragged)
KIT_FORWARD(mouseUp)
KIT_FORWARD(rightMouseDown)
KIT_FORWARD(rightMouseDragged)
KIT_FORWARD(rightMouseUp)
KIT_FORWARD(otherMouseDown)
KIT_FORWARD(otherMouseDragged)
KIT_FORWARD(otherMouseUp)
KIT_FORWARD(mouseMoved)
KIT_FORWARD(mouseEntered)
KIT_FORWARD(mouseExited)
KIT_FORWARD(cursorUpdate)
KIT_FORWARD(scrollWheel)
KIT_FORWARD(keyUp)
KIT_FORWARD(flagsChanged)
KIT_FORWARD(touchesBeganWithEvent)
KIT_FORWARD(touchesMovedWithEvent)
KIT_FORWARD(touchesEndedWithEvent)
KIT_FORWARD(touchesCancelledWithEvent)
KIT_FORWARD(swipeWithEvent)
KIT_FORWARD(magnifyWithEvent)
KIT_FORWARD(rotateWithEvent)
KIT_FORWARD(beginGestureWithEvent)
KIT_FORWARD(endGestureWithEvent)

#undef KIT_FORWARD

void Responder::keyDown(const Event& e) {
    if (Responder* n = nextResponder())
        n->keyDown(e);
    else
        noResponderFor(e);
}

void Responder::noResponderFor(const Event&) {}

bool Responder::tryToPerform(const char* name, QObject* sender) {
    for (Responder* r = this; r; r = r->nextResponder()) {
        QObject* o = r->responderObject();
        if (o && respondsTo(o, name) && perform(o, name, sender)) return true;
    }
    return false;
}

}  // namespace kit
