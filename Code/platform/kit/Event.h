#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <vector>

class QEvent;
class QKeyEvent;

namespace kit {

class TrackingArea;
class View;
class Window;

// Kinds of events, numbered as the system's code counts them; a mask bit for a
// type is 1 << type.
enum class EventType : int {
    None = 0,
    LeftMouseDown = 1,
    LeftMouseUp = 2,
    RightMouseDown = 3,
    RightMouseUp = 4,
    MouseMoved = 5,
    LeftMouseDragged = 6,
    RightMouseDragged = 7,
    MouseEntered = 8,
    MouseExited = 9,
    KeyDown = 10,
    KeyUp = 11,
    FlagsChanged = 12,
    ApplicationDefined = 15,
    CursorUpdate = 17,
    Rotate = 18,
    BeginGesture = 19,
    EndGesture = 20,
    ScrollWheel = 22,
    OtherMouseDown = 25,
    OtherMouseUp = 26,
    OtherMouseDragged = 27,
    Gesture = 29,
    Magnify = 30,
    Swipe = 31,
};

using EventMask = std::uint64_t;
constexpr EventMask eventMaskFor(EventType t) {
    return EventMask(1) << int(t);
}
namespace EventMasks {
constexpr EventMask LeftMouseDown = eventMaskFor(EventType::LeftMouseDown);
constexpr EventMask LeftMouseUp = eventMaskFor(EventType::LeftMouseUp);
constexpr EventMask RightMouseDown = eventMaskFor(EventType::RightMouseDown);
constexpr EventMask RightMouseUp = eventMaskFor(EventType::RightMouseUp);
constexpr EventMask MouseMoved = eventMaskFor(EventType::MouseMoved);
constexpr EventMask LeftMouseDragged = eventMaskFor(EventType::LeftMouseDragged);
constexpr EventMask RightMouseDragged = eventMaskFor(EventType::RightMouseDragged);
constexpr EventMask MouseEntered = eventMaskFor(EventType::MouseEntered);
constexpr EventMask MouseExited = eventMaskFor(EventType::MouseExited);
constexpr EventMask KeyDown = eventMaskFor(EventType::KeyDown);
constexpr EventMask KeyUp = eventMaskFor(EventType::KeyUp);
constexpr EventMask FlagsChanged = eventMaskFor(EventType::FlagsChanged);
constexpr EventMask ScrollWheel = eventMaskFor(EventType::ScrollWheel);
constexpr EventMask Any = ~EventMask(0);
}  // namespace EventMasks

// Modifier flags with the system's values (Command is the Ctrl key, Option Alt,
// Control the Meta key).
namespace ModifierFlags {
constexpr unsigned CapsLock = 0x10000;
constexpr unsigned Shift = 0x20000;
constexpr unsigned Control = 0x40000;
constexpr unsigned Option = 0x80000;
constexpr unsigned Command = 0x100000;
constexpr unsigned NumericPad = 0x200000;
constexpr unsigned Help = 0x400000;
constexpr unsigned Function = 0x800000;
constexpr unsigned DeviceIndependentMask = 0xffff0000;
}  // namespace ModifierFlags

// Virtual key codes of the keys the system reads (the ANSI layout's codes).
namespace KeyCodes {
constexpr int A = 0, S = 1, D = 2, F = 3, H = 4, G = 5, Z = 6, X = 7, C = 8, V = 9, B = 11, Q = 12,
              W = 13, E = 14, R = 15, Y = 16, T = 17, Digit1 = 18, Digit2 = 19, Digit3 = 20,
              Digit4 = 21, Digit6 = 22, Digit5 = 23, Equal = 24, Digit9 = 25, Digit7 = 26,
              Minus = 27, Digit8 = 28, Digit0 = 29, RightBracket = 30, O = 31, U = 32,
              LeftBracket = 33, I = 34, P = 35, Return = 36, L = 37, J = 38, Quote = 39, K = 40,
              Semicolon = 41, Backslash = 42, Comma = 43, Slash = 44, N = 45, M = 46, Period = 47,
              Tab = 48, Space = 49, Grave = 50, Delete = 51, Escape = 53, Command = 55, Shift = 56,
              CapsLock = 57, Option = 58, Control = 59, RightShift = 60, RightOption = 61,
              RightControl = 62, Function = 63, KeypadDecimal = 65, KeypadMultiply = 67,
              KeypadPlus = 69, KeypadClear = 71, KeypadDivide = 75, KeypadEnter = 76,
              KeypadMinus = 78, KeypadEquals = 81, Keypad0 = 82, Keypad1 = 83, Keypad2 = 84,
              Keypad3 = 85, Keypad4 = 86, Keypad5 = 87, Keypad6 = 88, Keypad7 = 89, Keypad8 = 91,
              Keypad9 = 92, F5 = 96, F6 = 97, F7 = 98, F3 = 99, F8 = 100, F9 = 101, F11 = 103,
              F13 = 105, F14 = 107, F10 = 109, F12 = 111, F15 = 113, Help = 114, Home = 115,
              PageUp = 116, ForwardDelete = 117, F4 = 118, End = 119, F2 = 120, PageDown = 121,
              F1 = 122, LeftArrow = 123, RightArrow = 124, DownArrow = 125, UpArrow = 126;
}  // namespace KeyCodes

// Characters that special keys report, as the system's code compares them.
namespace KeyCharacters {
constexpr char16_t UpArrow = 0xF700, DownArrow = 0xF701, LeftArrow = 0xF702, RightArrow = 0xF703,
                   F1 = 0xF704, Insert = 0xF727, ForwardDelete = 0xF728, Home = 0xF729,
                   End = 0xF72B, PageUp = 0xF72C, PageDown = 0xF72D, Help = 0xF746, Delete = 0x7F,
                   Return = 0x0D, Enter = 0x03, Tab = 0x09, Escape = 0x1B, BackTab = 0x19;
}  // namespace KeyCharacters

// Phases of scroll gestures and momentum (bit values).
namespace EventPhase {
constexpr unsigned None = 0, Began = 1, Stationary = 2, Changed = 4, Ended = 8, Cancelled = 16,
                   MayBegin = 32;
}

// Phases of trackpad touches (bit values); Touching = Began | Moved | Stationary.
namespace TouchPhase {
constexpr unsigned Began = 1, Moved = 2, Stationary = 4, Ended = 8, Cancelled = 16,
                   Touching = Began | Moved | Stationary, Any = 0xff;
}

// One finger on the trackpad: its identity (stable while the finger stays down),
// phase, position from 0 to 1 (y upwards) and the trackpad's size in points.
struct Touch {
    qint64 identity = 0;
    unsigned phase = TouchPhase::Began;
    QPointF normalizedPosition;
    QSizeF deviceSize{100, 70};
    bool isResting = false;
    bool operator==(const Touch& o) const {
        return identity == o.identity && phase == o.phase &&
               normalizedPosition == o.normalizedPosition && deviceSize == o.deviceSize;
    }
};

// One input event as the views read it: type, location in the window (y upwards
// from the window's bottom edge), click count, event number (shared by a mouse-
// down and the drags and release that follow it), modifier flags, key code and
// characters, scroll deltas with phases, touches, time stamp (seconds of system
// up-time) and, for entered and exited events, the tracking area. A value type.
class Event final {
public:
    Event() = default;

    // Mouse events (down, up, dragged, moved; left, right and other buttons).
    static Event mouseEvent(EventType type, const QPointF& locationInWindow,
                            unsigned modifierFlags = 0, int clickCount = 1,
                            Window* window = nullptr);
    static Event keyEvent(EventType type, int keyCode, const QString& characters,
                          unsigned modifierFlags = 0, bool isARepeat = false,
                          const QString& charactersIgnoringModifiers = QString(),
                          Window* window = nullptr);
    static Event scrollEvent(const QPointF& locationInWindow, double deltaX, double deltaY,
                             unsigned phase = EventPhase::None,
                             unsigned momentumPhase = EventPhase::None,
                             bool hasPreciseDeltas = false, unsigned modifierFlags = 0,
                             Window* window = nullptr);
    static Event enterExitEvent(EventType type, const QPointF& locationInWindow,
                                std::shared_ptr<TrackingArea> area, Window* window = nullptr);
    static Event touchEvent(const QPointF& locationInWindow, const std::vector<Touch>& touches,
                            Window* window = nullptr);
    static Event gestureEvent(EventType type, const QPointF& locationInWindow, double deltaX = 0,
                              double deltaY = 0, double magnification = 0,
                              Window* window = nullptr);

    EventType type() const { return type_; }
    void setType(EventType t) { type_ = t; }
    bool matches(EventMask mask) const { return (mask & eventMaskFor(type_)) != 0; }
    bool isMouseDown() const;
    bool isMouseUp() const;
    bool isMouseDrag() const;

    QPointF locationInWindow() const { return location_; }
    void setLocationInWindow(const QPointF& p) { location_ = p; }
    Window* window() const { return window_; }
    void setWindow(Window* w) { window_ = w; }
    double timestamp() const { return timestamp_; }
    void setTimestamp(double t) { timestamp_ = t; }

    int clickCount() const { return clickCount_; }
    void setClickCount(int c) { clickCount_ = c; }
    qint64 eventNumber() const { return eventNumber_; }
    void setEventNumber(qint64 n) { eventNumber_ = n; }
    int buttonNumber() const { return buttonNumber_; }  // 0 left, 1 right, 2 and up others
    void setButtonNumber(int b) { buttonNumber_ = b; }
    double pressure() const { return pressure_; }
    void setPressure(double p) { pressure_ = p; }

    unsigned modifierFlags() const { return flags_; }
    void setModifierFlags(unsigned f) { flags_ = f; }
    bool hasModifier(unsigned flag) const { return (flags_ & flag) != 0; }

    int keyCode() const { return keyCode_; }
    void setKeyCode(int k) { keyCode_ = k; }
    QString characters() const { return characters_; }
    void setCharacters(const QString& c) { characters_ = c; }
    QString charactersIgnoringModifiers() const { return charactersIgnoring_; }
    void setCharactersIgnoringModifiers(const QString& c) { charactersIgnoring_ = c; }
    bool isARepeat() const { return repeat_; }
    void setIsARepeat(bool r) { repeat_ = r; }

    double deltaX() const { return deltaX_; }
    double deltaY() const { return deltaY_; }
    double deltaZ() const { return deltaZ_; }
    void setDeltas(double dx, double dy, double dz = 0) {
        deltaX_ = dx, deltaY_ = dy, deltaZ_ = dz;
    }
    // Scrolling in points (precise devices) or lines times 10 (wheels).
    double scrollingDeltaX() const { return precise_ ? deltaX_ : deltaX_ * 10.0; }
    double scrollingDeltaY() const { return precise_ ? deltaY_ : deltaY_ * 10.0; }
    bool hasPreciseScrollingDeltas() const { return precise_; }
    void setHasPreciseScrollingDeltas(bool p) { precise_ = p; }
    unsigned phase() const { return phase_; }
    void setPhase(unsigned p) { phase_ = p; }
    unsigned momentumPhase() const { return momentumPhase_; }
    void setMomentumPhase(unsigned p) { momentumPhase_ = p; }
    double magnification() const { return magnification_; }
    void setMagnification(double m) { magnification_ = m; }

    const std::vector<Touch>& allTouches() const { return touches_; }
    void setTouches(const std::vector<Touch>& t) { touches_ = t; }
    // The touches whose phase is in `phaseMask` (the view argument is kept for the
    // callers: every touch of an event belongs to the view it is sent to).
    std::vector<Touch> touchesMatchingPhase(unsigned phaseMask, const View* view = nullptr) const;

    std::shared_ptr<TrackingArea> trackingArea() const { return trackingArea_; }
    void setTrackingArea(std::shared_ptr<TrackingArea> a) { trackingArea_ = std::move(a); }
    // The user information of the event's tracking area (empty without one).
    QVariantMap userData() const;

    // Seconds since the system started, on the clock the time stamps use.
    static double systemUptime();
    // The modifier keys held now, whatever event is being handled.
    static unsigned currentModifierFlags();
    // The application's event being handled now (an event of type None when none).
    static Event currentEvent();

    // Mapping of Qt's keys and modifiers onto the system's values.
    static unsigned modifierFlagsFromQt(Qt::KeyboardModifiers m);
    static Qt::KeyboardModifiers qtModifiersFromFlags(unsigned flags);
    static int keyCodeFromQt(int qtKey, Qt::KeyboardModifiers m = Qt::NoModifier);
    // A key event converted (null type for events that are not key presses or releases).
    static Event fromQtKeyEvent(const QKeyEvent* e, Window* window = nullptr);
    // Whether a Qt event is the user's input (mouse, wheel, keys, touches,
    // gestures, context menus, drops).
    static bool isUserInput(const QEvent* e);
    // The Qt key for a virtual key code (Qt::Key_unknown for codes Qt has none for).
    static int qtKeyFromKeyCode(int keyCode);
    // How far an arrow key moves through cells laid out in rows of `columns`:
    // one cell for Left and Right, a row for Up and Down; 0 for other keys.
    static int gridStepForQtKey(int qtKey, int columns);
    // This key-down or key-up as Qt's key press or release (null for other types).
    std::unique_ptr<QKeyEvent> toQtKeyEvent() const;

private:
    EventType type_ = EventType::None;
    QPointF location_;
    Window* window_ = nullptr;
    double timestamp_ = 0;
    int clickCount_ = 0;
    qint64 eventNumber_ = 0;
    int buttonNumber_ = 0;
    double pressure_ = 0;
    unsigned flags_ = 0;
    int keyCode_ = 0;
    QString characters_;
    QString charactersIgnoring_;
    bool repeat_ = false;
    double deltaX_ = 0, deltaY_ = 0, deltaZ_ = 0;
    bool precise_ = false;
    unsigned phase_ = EventPhase::None;
    unsigned momentumPhase_ = EventPhase::None;
    double magnification_ = 0;
    std::vector<Touch> touches_;
    std::shared_ptr<TrackingArea> trackingArea_;
};

}  // namespace kit
