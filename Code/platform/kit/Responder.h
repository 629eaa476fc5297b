#pragma once

#include <memory>

class QObject;

namespace kit {

class Event;

// A link of the responder chain: views, windows and the objects placed between
// them. Each event handler passes the event on to the next responder unless a
// subclass handles it; a key event nobody handles ends in noResponderFor.
class Responder {
public:
    Responder();
    virtual ~Responder();
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

    virtual Responder* nextResponder() const;
    void setNextResponder(Responder* next);

    virtual bool acceptsFirstResponder() { return false; }
    virtual bool becomeFirstResponder() { return true; }
    virtual bool resignFirstResponder() { return true; }

    virtual void mouseDown(const Event& e);
    virtual void mouseDragged(const Event& e);
    virtual void mouseUp(const Event& e);
    virtual void rightMouseDown(const Event& e);
    virtual void rightMouseDragged(const Event& e);
    virtual void rightMouseUp(const Event& e);
    virtual void otherMouseDown(const Event& e);
    virtual void otherMouseDragged(const Event& e);
    virtual void otherMouseUp(const Event& e);
    virtual void mouseMoved(const Event& e);
    virtual void mouseEntered(const Event& e);
    virtual void mouseExited(const Event& e);
    virtual void cursorUpdate(const Event& e);
    virtual void scrollWheel(const Event& e);
    virtual void keyDown(const Event& e);
    virtual void keyUp(const Event& e);
    virtual void flagsChanged(const Event& e);
    virtual void touchesBeganWithEvent(const Event& e);
    virtual void touchesMovedWithEvent(const Event& e);
    virtual void touchesEndedWithEvent(const Event& e);
    virtual void touchesCancelledWithEvent(const Event& e);
    virtual void swipeWithEvent(const Event& e);
    virtual void magnifyWithEvent(const Event& e);
    virtual void rotateWithEvent(const Event& e);
    virtual void beginGestureWithEvent(const Event& e);
    virtual void endGestureWithEvent(const Event& e);
    // The end of the chain for an event nobody handled; does nothing.
    virtual void noResponderFor(const Event& e);

    // The QObject this responder is, for operations performed by name (null when
    // it is none).
    virtual QObject* responderObject() { return nullptr; }
    // Performs the operation `name` with `sender` on the first responder of the
    // chain from this one that has it; false when none has.
    bool tryToPerform(const char* name, QObject* sender);

    // Expires when the responder is destroyed; lets others hold it weakly.
    std::weak_ptr<int> lifeToken() const { return life_; }

private:
    std::shared_ptr<int> life_;
    Responder* next_ = nullptr;
    std::weak_ptr<int> nextLife_;
};

}  // namespace kit
