#include "platform/kit/Event.h"

#include "platform/kit/Application.h"
#include "platform/kit/TrackingArea.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <chrono>
#include <map>

namespace kit {

namespace {

QString specialCharacters(int qtKey) {
    char16_t c = 0;
    switch (qtKey) {
        case Qt::Key_Up:
            c = KeyCharacters::UpArrow;
            break;
        case Qt::Key_Down:
            c = KeyCharacters::DownArrow;
            break;
        case Qt::Key_Left:
            c = KeyCharacters::LeftArrow;
            break;
        case Qt::Key_Right:
            c = KeyCharacters::RightArrow;
            break;
        case Qt::Key_Home:
            c = KeyCharacters::Home;
            break;
        case Qt::Key_End:
            c = KeyCharacters::End;
            break;
        case Qt::Key_PageUp:
            c = KeyCharacters::PageUp;
            break;
        case Qt::Key_PageDown:
            c = KeyCharacters::PageDown;
            break;
        case Qt::Key_Delete:
            c = KeyCharacters::ForwardDelete;
            break;
        case Qt::Key_Insert:
            c = KeyCharacters::Insert;
            break;
        case Qt::Key_Help:
            c = KeyCharacters::Help;
            break;
        case Qt::Key_Backspace:
            c = KeyCharacters::Delete;
            break;
        case Qt::Key_Return:
            c = KeyCharacters::Return;
            break;
        case Qt::Key_Enter:
            c = KeyCharacters::Enter;
            break;
        case Qt::Key_Tab:
            c = KeyCharacters::Tab;
            break;
        case Qt::Key_Backtab:
            c = KeyCharacters::BackTab;
            break;
        case Qt::Key_Escape:
            c = KeyCharacters::Escape;
            break;
        default:
            if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35)
                c = char16_t(KeyCharacters::F1 + (qtKey - Qt::Key_F1));
            break;
    }
    return c ? QString(QChar(c)) : QString();
}

}  // namespace

Event Event::mouseEvent(EventType type, const QPointF& locationInWindow, unsigned modifierFlags,
                        int clickCount, Window* window) {
    Event e;
    e.type_ = type;
    e.location_ = locationInWindow;
    e.flags_ = modifierFlags;
    e.clickCount_ = (type == EventType::MouseMoved) ? 0 : clickCount;
    e.window_ = window;
    e.timestamp_ = systemUptime();
    switch (type) {
        case EventType::RightMouseDown:
        case EventType::RightMouseUp:
        case EventType::RightMouseDragged:
            e.buttonNumber_ = 1;
            break;
        case EventType::OtherMouseDown:
        case EventType::OtherMouseUp:
        case EventType::OtherMouseDragged:
            e.buttonNumber_ = 2;
            break;
        default:
            break;
    }
    e.pressure_ = (e.isMouseDown() || e.isMouseDrag()) ? 1.0 : 0.0;
    return e;
}

Event Event::keyEvent(EventType type, int keyCode, const QString& characters,
                      unsigned modifierFlags, bool isARepeat,
                      const QString& charactersIgnoringModifiers, Window* window) {
    Event e;
    e.type_ = type;
    e.keyCode_ = keyCode;
    e.characters_ = characters;
    e.charactersIgnoring_ =
        charactersIgnoringModifiers.isNull() ? characters : charactersIgnoringModifiers;
    e.flags_ = modifierFlags;
    e.repeat_ = isARepeat;
    e.window_ = window;
    e.timestamp_ = systemUptime();
    return e;
}

Event Event::scrollEvent(const QPointF& locationInWindow, double deltaX, double deltaY,
                         unsigned phase, unsigned momentumPhase, bool hasPreciseDeltas,
                         unsigned modifierFlags, Window* window) {
    Event e;
    e.type_ = EventType::ScrollWheel;
    e.location_ = locationInWindow;
    e.deltaX_ = deltaX;
    e.deltaY_ = deltaY;
    e.phase_ = phase;
    e.momentumPhase_ = momentumPhase;
    e.precise_ = hasPreciseDeltas;
    e.flags_ = modifierFlags;
    e.window_ = window;
    e.timestamp_ = systemUptime();
    return e;
}

Event Event::enterExitEvent(EventType type, const QPointF& locationInWindow,
                            std::shared_ptr<TrackingArea> area, Window* window) {
    Event e;
    e.type_ = type;
    e.location_ = locationInWindow;
    e.trackingArea_ = std::move(area);
    e.window_ = window;
    e.timestamp_ = systemUptime();
    return e;
}

Event Event::touchEvent(const QPointF& locationInWindow, const std::vector<Touch>& touches,
                        Window* window) {
    Event e;
    e.type_ = EventType::Gesture;
    e.location_ = locationInWindow;
    e.touches_ = touches;
    e.window_ = window;
    e.timestamp_ = systemUptime();
    return e;
}

Event Event::gestureEvent(EventType type, const QPointF& locationInWindow, double deltaX,
                          double deltaY, double magnification, Window* window) {
    Event e;
    e.type_ = type;
    e.location_ = locationInWindow;
    e.deltaX_ = deltaX;
    e.deltaY_ = deltaY;
    e.magnification_ = magnification;
    e.window_ = window;
    e.timestamp_ = systemUptime();
    return e;
}

bool Event::isMouseDown() const {
    return type_ == EventType::LeftMouseDown || type_ == EventType::RightMouseDown ||
           type_ == EventType::OtherMouseDown;
}

bool Event::isMouseUp() const {
    return type_ == EventType::LeftMouseUp || type_ == EventType::RightMouseUp ||
           type_ == EventType::OtherMouseUp;
}

bool Event::isMouseDrag() const {
    return type_ == EventType::LeftMouseDragged || type_ == EventType::RightMouseDragged ||
           type_ == EventType::OtherMouseDragged;
}

std::vector<Touch> Event::touchesMatchingPhase(unsigned phaseMask, const View*) const {
    std::vector<Touch> out;
    for (const Touch& t : touches_)
        if (t.phase & phaseMask) out.push_back(t);
    return out;
}

QVariantMap Event::userData() const {
    return trackingArea_ ? trackingArea_->userInfo() : QVariantMap();
}

double Event::systemUptime() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

unsigned Event::currentModifierFlags() {
    if (!QGuiApplication::instance()) return 0;
    return modifierFlagsFromQt(QGuiApplication::queryKeyboardModifiers());
}

Event Event::currentEvent() {
    return Application::shared().currentEvent();
}

unsigned Event::modifierFlagsFromQt(Qt::KeyboardModifiers m) {
    unsigned f = 0;
    if (m & Qt::ShiftModifier) f |= ModifierFlags::Shift;
    if (m & Qt::ControlModifier) f |= ModifierFlags::Command;
    if (m & Qt::AltModifier) f |= ModifierFlags::Option;
    if (m & Qt::MetaModifier) f |= ModifierFlags::Control;
    if (m & Qt::KeypadModifier) f |= ModifierFlags::NumericPad;
    return f;
}

int Event::gridStepForQtKey(int qtKey, int columns) {
    switch (qtKey) {
        case Qt::Key_Left:
            return -1;
        case Qt::Key_Right:
            return 1;
        case Qt::Key_Up:
            return -columns;
        case Qt::Key_Down:
            return columns;
        default:
            return 0;
    }
}

Qt::KeyboardModifiers Event::qtModifiersFromFlags(unsigned flags) {
    Qt::KeyboardModifiers m;
    if (flags & ModifierFlags::Shift) m |= Qt::ShiftModifier;
    if (flags & ModifierFlags::Command) m |= Qt::ControlModifier;
    if (flags & ModifierFlags::Option) m |= Qt::AltModifier;
    if (flags & ModifierFlags::Control) m |= Qt::MetaModifier;
    if (flags & ModifierFlags::NumericPad) m |= Qt::KeypadModifier;
    return m;
}

int Event::keyCodeFromQt(int qtKey, Qt::KeyboardModifiers m) {
    using namespace KeyCodes;
    static const int letters[26] = {A, B, C, D, E, F, G, H, I, J, K, L, M,
                                    N, O, P, Q, R, S, T, U, V, W, X, Y, Z};
    static const int digits[10] = {Digit0, Digit1, Digit2, Digit3, Digit4,
                                   Digit5, Digit6, Digit7, Digit8, Digit9};
    static const int keypad[10] = {Keypad0, Keypad1, Keypad2, Keypad3, Keypad4,
                                   Keypad5, Keypad6, Keypad7, Keypad8, Keypad9};
    static const int functionKeys[15] = {F1, F2,  F3,  F4,  F5,  F6,  F7, F8,
                                         F9, F10, F11, F12, F13, F14, F15};
    const bool pad = m & Qt::KeypadModifier;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return letters[qtKey - Qt::Key_A];
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return pad ? keypad[qtKey - Qt::Key_0] : digits[qtKey - Qt::Key_0];
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F15) return functionKeys[qtKey - Qt::Key_F1];
    switch (qtKey) {
        case Qt::Key_Return:
            return Return;
        case Qt::Key_Enter:
            return KeypadEnter;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return Tab;
        case Qt::Key_Space:
            return Space;
        case Qt::Key_Backspace:
            return Delete;
        case Qt::Key_Delete:
            return ForwardDelete;
        case Qt::Key_Escape:
            return Escape;
        case Qt::Key_Left:
            return LeftArrow;
        case Qt::Key_Right:
            return RightArrow;
        case Qt::Key_Down:
            return DownArrow;
        case Qt::Key_Up:
            return UpArrow;
        case Qt::Key_PageUp:
            return PageUp;
        case Qt::Key_PageDown:
            return PageDown;
        case Qt::Key_Home:
            return Home;
        case Qt::Key_End:
            return End;
        case Qt::Key_Help:
        case Qt::Key_Insert:
            return Help;
        case Qt::Key_Minus:
            return pad ? KeypadMinus : Minus;
        case Qt::Key_Equal:
            return pad ? KeypadEquals : Equal;
        case Qt::Key_Plus:
            return pad ? KeypadPlus : Equal;
        case Qt::Key_Asterisk:
            return pad ? KeypadMultiply : Digit8;
        case Qt::Key_Period:
            return pad ? KeypadDecimal : Period;
        case Qt::Key_Slash:
            return pad ? KeypadDivide : Slash;
        case Qt::Key_Comma:
            return Comma;
        case Qt::Key_Semicolon:
            return Semicolon;
        case Qt::Key_Apostrophe:
            return Quote;
        case Qt::Key_BracketLeft:
            return LeftBracket;
        case Qt::Key_BracketRight:
            return RightBracket;
        case Qt::Key_Backslash:
            return Backslash;
        case Qt::Key_QuoteLeft:
            return Grave;
        case Qt::Key_Clear:
            return KeypadClear;
        case Qt::Key_Shift:
            return KeyCodes::Shift;
        case Qt::Key_Control:
            return KeyCodes::Command;  // Ctrl is the Command key
        case Qt::Key_Meta:
            return KeyCodes::Control;
        case Qt::Key_Alt:
            return KeyCodes::Option;
        case Qt::Key_CapsLock:
            return KeyCodes::CapsLock;
        default:
            return 0xFFFF;  // a key the system has no code for
    }
}

Event Event::fromQtKeyEvent(const QKeyEvent* k, Window* window) {
    Event e;
    if (!k) return e;
    const bool press = k->type() == QEvent::KeyPress, release = k->type() == QEvent::KeyRelease;
    if (!press && !release) return e;
    const int key = k->key();
    const bool modifierKey = key == Qt::Key_Shift || key == Qt::Key_Control ||
                             key == Qt::Key_Meta || key == Qt::Key_Alt || key == Qt::Key_CapsLock;
    e.type_ = modifierKey ? EventType::FlagsChanged : press ? EventType::KeyDown : EventType::KeyUp;
    e.keyCode_ = keyCodeFromQt(key, k->modifiers());
    e.flags_ = modifierFlagsFromQt(k->modifiers());
    e.repeat_ = k->isAutoRepeat();
    e.window_ = window;
    e.timestamp_ = systemUptime();
    if (modifierKey) return e;
    QString special = specialCharacters(key);
    QString ignoring;
    if (!special.isEmpty()) {
        e.characters_ = special;
        ignoring = special;
    } else {
        QString text = k->text();
        if (key >= Qt::Key_A && key <= Qt::Key_Z) {
            const QChar letter(char16_t(u'a' + (key - Qt::Key_A)));
            ignoring =
                (k->modifiers() & Qt::ShiftModifier) ? QString(letter.toUpper()) : QString(letter);
        } else if (key == Qt::Key_Space) {
            ignoring = QStringLiteral(" ");
        } else {
            ignoring = text;
        }
        // Command combinations type control characters in Qt; the system's code
        // reads the key's own character instead.
        if (text.isEmpty() || (text.size() == 1 && text[0].unicode() < 0x20)) text = ignoring;
        e.characters_ = text;
    }
    e.charactersIgnoring_ = ignoring;
    return e;
}

bool Event::isUserInput(const QEvent* e) {
    switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::NativeGesture:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

int Event::qtKeyFromKeyCode(int keyCode) {
    // The inverse of keyCodeFromQt; where several Qt keys share a code, the
    // first listed (the key's own) wins.
    static const std::map<int, int> table = [] {
        std::map<int, int> m;
        auto add = [&](int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier) {
            m.emplace(keyCodeFromQt(qtKey, mods), qtKey);
        };
        for (int k = Qt::Key_A; k <= Qt::Key_Z; ++k) add(k);
        for (int k = Qt::Key_0; k <= Qt::Key_9; ++k) {
            add(k);
            add(k, Qt::KeypadModifier);
        }
        for (int k = Qt::Key_F1; k <= Qt::Key_F15; ++k) add(k);
        for (int k :
             {Qt::Key_Return,       Qt::Key_Enter,     Qt::Key_Tab,        Qt::Key_Space,
              Qt::Key_Backspace,    Qt::Key_Delete,    Qt::Key_Escape,     Qt::Key_Left,
              Qt::Key_Right,        Qt::Key_Down,      Qt::Key_Up,         Qt::Key_PageUp,
              Qt::Key_PageDown,     Qt::Key_Home,      Qt::Key_End,        Qt::Key_Help,
              Qt::Key_Minus,        Qt::Key_Equal,     Qt::Key_Period,     Qt::Key_Slash,
              Qt::Key_Comma,        Qt::Key_Semicolon, Qt::Key_Apostrophe, Qt::Key_BracketLeft,
              Qt::Key_BracketRight, Qt::Key_Backslash, Qt::Key_QuoteLeft,  Qt::Key_Clear,
              Qt::Key_Shift,        Qt::Key_Control,   Qt::Key_Meta,       Qt::Key_Alt,
              Qt::Key_CapsLock})
            add(k);
        for (int k : {Qt::Key_Minus, Qt::Key_Equal, Qt::Key_Plus, Qt::Key_Asterisk, Qt::Key_Period,
                      Qt::Key_Slash})
            add(k, Qt::KeypadModifier);
        m.erase(0xFFFF);
        return m;
    }();
    auto it = table.find(keyCode);
    return it == table.end() ? int(Qt::Key_unknown) : it->second;
}

std::unique_ptr<QKeyEvent> Event::toQtKeyEvent() const {
    if (type_ != EventType::KeyDown && type_ != EventType::KeyUp) return nullptr;
    const int key = qtKeyFromKeyCode(keyCode_);
    Qt::KeyboardModifiers mods = qtModifiersFromFlags(flags_);
    if (keyCode_ >= KeyCodes::KeypadDecimal && keyCode_ <= KeyCodes::Keypad9)
        mods |= Qt::KeypadModifier;
    // The system's private-use characters of special keys and its Delete
    // character are not text in Qt.
    QString text = characters_;
    if (text.size() == 1 && (text[0].unicode() >= 0xF700 || text[0].unicode() == 0x7F))
        text.clear();
    return std::make_unique<QKeyEvent>(
        type_ == EventType::KeyDown ? QEvent::KeyPress : QEvent::KeyRelease, key, mods, text,
        repeat_);
}

}  // namespace kit
