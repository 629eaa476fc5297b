// Date pickers in their three styles, driven by Qt's mouse and keys on the
// hosted widget and by the kit's own events.

#include "platform/foundation/UserCalendar.h"
#include "platform/kit/ClockFace.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Event.h"
#include "platform/kit/MonthGrid.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"

#include "KitTestViews.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>

#include <gtest/gtest.h>

using namespace kit;
using foundation::UserCalendar;

namespace {

enum class Input { Qt, Kit };

const char* name(Input i) {
    return i == Input::Qt ? "Qt" : "kit";
}

QDateTime berlin(int y, int mo, int d, int h = 0, int mi = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone("Europe/Berlin"));
}

// The user's calendar in Berlin with weeks from Monday, and German formats for
// the text fields (day first, 24 hours), for the length of a test.
class DatePickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        UserCalendar::setCurrent(UserCalendar(QTimeZone("Europe/Berlin"), 2, 4));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    void TearDown() override {
        UserCalendar::resetCurrentToSystem();
        QLocale::setDefault(locale_);
    }

private:
    QLocale locale_;
};

// A window with one picker and a text field to take the focus elsewhere.
struct Fixture {
    Fixture(DatePicker* p, const QRectF& frame) : window(QRectF(100, 100, 420, 320)), picker(p) {
        picker->setFrame(frame);
        other = new TextField(QRectF(10, 290, 100, 22));
        window.contentView()->addSubview(other);
        window.contentView()->addSubview(picker);
        window.makeKeyAndOrderFront();
        picker->setActionHandler([this](QObject* s) {
            ++actions;
            sender = s;
        });
    }
    ~Fixture() { window.orderOut(); }

    // A point of the picker (own coordinates) in the window and in the hosted
    // widget.
    QPointF inWindow(const QPointF& own) const { return picker->frame().topLeft() + own; }
    QPointF inWidget(const QPointF& own) const {
        return QPointF(own.x(), picker->frame().height() - own.y());
    }

    void mouse(Input how, EventType type, const QPointF& own, unsigned flags = 0) {
        if (how == Input::Kit) {
            window.sendEvent(Event::mouseEvent(type, inWindow(own), flags));
            return;
        }
        QWidget* w = picker->hostedWidget();
        const QPointF p = inWidget(own);
        const Qt::KeyboardModifiers mods =
            flags & ModifierFlags::Shift ? Qt::ShiftModifier : Qt::NoModifier;
        const auto qtType = type == EventType::LeftMouseDown ? QEvent::MouseButtonPress
                            : type == EventType::LeftMouseUp ? QEvent::MouseButtonRelease
                                                             : QEvent::MouseMove;
        const Qt::MouseButton button = qtType == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held =
            qtType == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(qtType, p, w->mapToGlobal(p), button, held, mods);
        QApplication::sendEvent(w, &e);
    }

    // A press at `from`, drags through `through`, a release at the last point.
    void drag(Input how, const std::vector<QPointF>& points, unsigned flags = 0) {
        mouse(how, EventType::LeftMouseDown, points.front(), flags);
        for (size_t i = 1; i < points.size(); ++i)
            mouse(how, EventType::LeftMouseDragged, points[i], flags);
        mouse(how, EventType::LeftMouseUp, points.back(), flags);
    }

    void key(Input how, Qt::Key qtKey, int code, char16_t c, unsigned flags = 0) {
        if (how == Input::Kit) {
            window.makeFirstResponder(picker);
            window.sendEvent(Event::keyEvent(EventType::KeyDown, code, QString(QChar(c)), flags));
            return;
        }
        const Qt::KeyboardModifiers mods =
            flags & ModifierFlags::Shift ? Qt::ShiftModifier : Qt::NoModifier;
        QKeyEvent e(QEvent::KeyPress, qtKey, mods);
        QApplication::sendEvent(picker->hostedWidget(), &e);
    }

    QPointF dayPoint(const QDate& day) const { return picker->rectOfDay(day).center(); }

    Window window;
    DatePicker* picker;
    TextField* other;
    int actions = 0;
    QObject* sender = nullptr;
};

DatePicker* calendar(DatePicker::Mode mode) {
    auto* p = new DatePicker(QRectF(), DatePicker::Style::Graphical);
    p->setDatePickerMode(mode);
    return p;
}

}  // namespace

TEST_F(DatePickerTest, AClickPicksADayAndKeepsTheTimeOfDay) {
    for (Input how : {Input::Qt, Input::Kit}) {
        Fixture f(calendar(DatePicker::Mode::Single), QRectF(20, 20, 280, 200));
        f.picker->setDateValue(berlin(2026, 1, 14, 10, 30));
        f.picker->setTimeInterval(3600);  // kept, not used by a single day
        EXPECT_EQ(f.actions, 0) << name(how);
        EXPECT_EQ(f.picker->displayedMonth(), QDate(2026, 1, 1));

        f.drag(how, {f.dayPoint(QDate(2026, 1, 20))});
        EXPECT_EQ(f.picker->dateValue(), berlin(2026, 1, 20, 10, 30)) << name(how);
        EXPECT_EQ(f.picker->objectValue().toDateTime(), berlin(2026, 1, 20, 10, 30));
        EXPECT_EQ(f.picker->timeInterval(), 3600) << name(how);
        EXPECT_EQ(f.actions, 1) << name(how);
        EXPECT_EQ(f.sender, f.picker) << name(how);

        // A drag in single mode moves the one day; the same day again is no change.
        f.drag(how, {f.dayPoint(QDate(2026, 1, 20)), f.dayPoint(QDate(2026, 1, 22))});
        EXPECT_EQ(f.picker->dateValue(), berlin(2026, 1, 22, 10, 30)) << name(how);
        EXPECT_EQ(f.actions, 2) << name(how);
        f.drag(how, {f.dayPoint(QDate(2026, 1, 22))});
        EXPECT_EQ(f.actions, 2) << name(how);

        // A greyed day of the next month is picked and its month shown.
        f.drag(how, {f.dayPoint(QDate(2026, 2, 2))});
        EXPECT_EQ(f.picker->dateValue(), berlin(2026, 2, 2, 10, 30)) << name(how);
        EXPECT_EQ(f.picker->displayedMonth(), QDate(2026, 2, 1)) << name(how);

        // Disabled, a click changes nothing.
        f.picker->setEnabled(false);
        f.drag(how, {f.dayPoint(QDate(2026, 2, 10))});
        EXPECT_EQ(f.picker->dateValue(), berlin(2026, 2, 2, 10, 30)) << name(how);
        EXPECT_EQ(f.actions, 3) << name(how);
    }
}

TEST_F(DatePickerTest, ARangeIsDraggedAcrossAMonthEndAndShiftExtended) {
    for (Input how : {Input::Qt, Input::Kit}) {
        Fixture f(calendar(DatePicker::Mode::Range), QRectF(20, 20, 280, 200));
        f.picker->setDateValue(berlin(2026, 1, 14, 9, 5));
        const auto day = [&](int m, int d) { return f.dayPoint(QDate(2026, m, d)); };
        // Each step: the drag or click, then the range's first day and length.
        struct Step {
            const char* what;
            std::vector<QPointF> points;
            unsigned flags;
            QDateTime start;
            double days;
        };
        const Step steps[] = {
            {"drag over the month end",
             {day(1, 29), day(1, 30), day(2, 1), day(2, 2)},
             0,
             berlin(2026, 1, 29, 9, 5),
             4},
            {"shift-click after the range",
             {day(2, 5)},
             ModifierFlags::Shift,
             berlin(2026, 1, 29, 9, 5),
             7},
            {"shift-click before it keeps the last day",
             {day(1, 27)},
             ModifierFlags::Shift,
             berlin(2026, 1, 27, 9, 5),
             9},
            {"drag backwards",
             {day(2, 2), day(1, 31), day(1, 30)},
             0,
             berlin(2026, 1, 30, 9, 5),
             3},
            {"past the grid's edge takes the nearest day",
             {day(1, 30), day(2, 8) + QPointF(0, -300)},
             0,
             berlin(2026, 1, 30, 9, 5),
             9},
        };
        for (const Step& s : steps) {
            const int before = f.actions;
            f.drag(how, s.points, s.flags);
            EXPECT_EQ(f.picker->dateValue(), s.start) << name(how) << ": " << s.what;
            EXPECT_EQ(f.picker->timeInterval(), s.days * 86400) << name(how) << ": " << s.what;
            EXPECT_GT(f.actions, before) << name(how) << ": " << s.what;
        }
        EXPECT_EQ(f.sender, f.picker);
        // A drag never turns the month over.
        EXPECT_EQ(f.picker->displayedMonth(), QDate(2026, 1, 1)) << name(how);
    }
}

TEST_F(DatePickerTest, ARangeOverAClockChangeLastsWholeDaysOfWallClockTime) {
    Fixture f(calendar(DatePicker::Mode::Range), QRectF(20, 20, 280, 200));
    f.picker->setDateValue(berlin(2026, 3, 28, 10, 0));
    f.drag(Input::Qt, {f.dayPoint(QDate(2026, 3, 28)), f.dayPoint(QDate(2026, 3, 30))});
    // Berlin's clocks go forward on 29 March: two days are 47 hours.
    EXPECT_EQ(f.picker->timeInterval(), 47 * 3600);
    EXPECT_EQ(f.picker->dateValue().addSecs(qint64(f.picker->timeInterval())),
              berlin(2026, 3, 30, 10, 0));
}

TEST_F(DatePickerTest, ARangeSetByCodeShowsItsDays) {
    Fixture f(calendar(DatePicker::Mode::Range), QRectF(20, 20, 280, 200));
    MonthGrid* grid = f.picker->monthGrid();
    ASSERT_NE(grid, nullptr);
    struct Case {
        QDateTime start;
        double interval;
        QDate first, last;
    };
    const Case cases[] = {
        // A full-day range ends one second before the next midnight.
        {berlin(2026, 3, 2), 2 * 86400 - 1, QDate(2026, 3, 2), QDate(2026, 3, 3)},
        {berlin(2026, 3, 2, 9, 5), 55 * 60, QDate(2026, 3, 2), QDate(2026, 3, 2)},
        // A negative length runs backwards from the date.
        {berlin(2026, 3, 5, 12), -2 * 86400, QDate(2026, 3, 3), QDate(2026, 3, 5)},
    };
    for (const Case& c : cases) {
        f.picker->setDateValue(c.start);
        f.picker->setTimeInterval(c.interval);
        EXPECT_EQ(grid->firstSelected(), c.first) << c.interval;
        EXPECT_EQ(grid->lastSelected(), c.last) << c.interval;
    }
    f.picker->setDateValue(QDateTime());  // nothing: the value stays
    EXPECT_EQ(f.picker->dateValue(), berlin(2026, 3, 5, 12));
    // Back to a single day.
    f.picker->setDatePickerMode(DatePicker::Mode::Single);
    EXPECT_EQ(grid->firstSelected(), QDate(2026, 3, 5));
    EXPECT_EQ(grid->lastSelected(), QDate(2026, 3, 5));
    EXPECT_EQ(f.actions, 0);
}

TEST_F(DatePickerTest, KeysMoveAndExtendTheCalendarSelection) {
    for (Input how : {Input::Qt, Input::Kit}) {
        Fixture f(calendar(DatePicker::Mode::Range), QRectF(20, 20, 280, 200));
        f.picker->setDateValue(berlin(2026, 1, 30, 8, 0));
        f.key(how, Qt::Key_Right, KeyCodes::RightArrow, KeyCharacters::RightArrow);
        EXPECT_EQ(f.picker->dateValue(), berlin(2026, 1, 31, 8, 0)) << name(how);
        EXPECT_EQ(f.picker->timeInterval(), 0) << name(how);
        f.key(how, Qt::Key_Down, KeyCodes::DownArrow, KeyCharacters::DownArrow,
              ModifierFlags::Shift);
        EXPECT_EQ(f.picker->dateValue(), berlin(2026, 1, 31, 8, 0)) << name(how);
        EXPECT_EQ(f.picker->timeInterval(), 7 * 86400) << name(how);
        // The moving end left January: February is shown.
        EXPECT_EQ(f.picker->displayedMonth(), QDate(2026, 2, 1)) << name(how);
        EXPECT_EQ(f.actions, 2) << name(how);
        f.key(how, Qt::Key_PageUp, KeyCodes::PageUp, KeyCharacters::PageUp);
        EXPECT_EQ(f.picker->displayedMonth(), QDate(2026, 1, 1)) << name(how);
        EXPECT_EQ(f.actions, 2) << name(how);
    }
}

TEST_F(DatePickerTest, TextFieldsChangeTheirOwnPartOfTheValue) {
    struct Case {
        DatePicker::Elements elements;
        QDateTime stepped;  // after Up on the first section
    };
    const Case cases[] = {
        {DatePicker::Elements::Date, berlin(2026, 3, 15, 10, 30)},
        {DatePicker::Elements::DateAndTime, berlin(2026, 3, 15, 10, 30)},
        {DatePicker::Elements::Time, berlin(2026, 3, 14, 11, 30)},
    };
    for (Input how : {Input::Qt, Input::Kit}) {
        for (const Case& c : cases) {
            Fixture f(new DatePicker(QRectF(), DatePicker::Style::TextField, c.elements),
                      QRectF(20, 20, 200, 26));
            f.picker->setDateValue(berlin(2026, 3, 14, 10, 30));
            QDateTimeEdit* edit = f.picker->dateTimeEdit();
            ASSERT_NE(edit, nullptr);
            EXPECT_EQ(f.actions, 0);
            if (how == Input::Qt) edit->setFocus(Qt::TabFocusReason);
            f.key(how, Qt::Key_Up, KeyCodes::UpArrow, KeyCharacters::UpArrow);
            EXPECT_EQ(f.picker->dateValue(), c.stepped)
                << name(how) << " " << int(c.elements) << " " << edit->text().toStdString();
            EXPECT_EQ(f.actions, 1) << name(how) << " " << int(c.elements);
            EXPECT_EQ(f.sender, f.picker);
        }
    }
}

namespace {

// A picker that hooks its focus, as an owner does that follows which field
// the user works in.
class HookedPicker final : public DatePicker {
public:
    HookedPicker() : DatePicker(QRectF(), Style::TextField, Elements::Time) {}
    bool becomeFirstResponder() override {
        ++hooks;
        return DatePicker::becomeFirstResponder();
    }
    int hooks = 0;
};

}  // namespace

TEST_F(DatePickerTest, EveryWayIntoATimeFieldReachesBecomeFirstResponder) {
    auto* picker = new HookedPicker;
    Fixture f(picker, QRectF(20, 200, 120, 26));
    // Qt gives keyboard focus only inside the active window.
    ASSERT_TRUE(testsupport::waitUntil([&] { return f.window.widget()->isActiveWindow(); }));
    QDateTimeEdit* edit = picker->dateTimeEdit();
    const QPointF middle(60, 13);
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Qt click", [&] { kittest::click(edit, f.inWidget(middle).toPoint()); }},
        {"Tab from the field before",
         [&] {
             f.other->lineEdit()->setFocus(Qt::OtherFocusReason);
             kittest::pressKey(f.other->lineEdit(), Qt::Key_Tab);
         }},
        {"kit click", [&] { f.drag(Input::Kit, {middle}); }},
        {"code", [&] { f.window.makeFirstResponder(picker); }},
    };
    for (const auto& [what, way] : ways) {
        f.window.makeFirstResponder(f.other);
        picker->hooks = 0;
        way();
        EXPECT_EQ(picker->hooks, 1) << what;
        EXPECT_EQ(f.window.firstResponder(), picker) << what;
        EXPECT_TRUE(edit->hasFocus()) << what;
    }
}

namespace {

// The place of a time on the dial, in the picker's own coordinates.
QPointF onDial(DatePicker* p, double minutes, double reach) {
    const QPointF w = p->clockFace()->pointOnDial(minutes, reach);
    return QPointF(w.x(), p->frame().height() - w.y());
}

}  // namespace

TEST_F(DatePickerTest, DraggingTheClocksHandsSetsHourAndMinute) {
    for (Input how : {Input::Qt, Input::Kit}) {
        Fixture f(new DatePicker(QRectF(), DatePicker::Style::Clock), QRectF(20, 20, 120, 120));
        DatePicker* p = f.picker;
        ASSERT_NE(p->clockFace(), nullptr);
        p->setDateValue(berlin(2026, 6, 10, 10, 30));
        // Each drag starts on a hand (its dial place now) and moves it through
        // the given places.
        struct Step {
            const char* what;
            double grab;  // where the grabbed hand is, in dial minutes
            double reach;
            std::vector<double> through;
            QDateTime after;
        };
        const Step steps[] = {
            {"minute hand on", 30, 0.7, {38, 45}, berlin(2026, 6, 10, 10, 45)},
            {"minute hand past 12", 45, 0.7, {52, 58, 2, 5}, berlin(2026, 6, 10, 11, 5)},
            {"minute hand back past 12", 5, 0.7, {1, 57, 50, 40}, berlin(2026, 6, 10, 10, 40)},
            {"hour hand past 12 into the afternoon",
             (10 + 40 / 60.0) * 5,
             0.3,
             {58, 2, 12.5},
             berlin(2026, 6, 10, 14, 40)},
            {"hour hand back into the morning",
             (2 + 40 / 60.0) * 5,
             0.3,
             {9, 3, 57},
             berlin(2026, 6, 10, 11, 40)},
        };
        int before = 0;
        for (const Step& s : steps) {
            std::vector<QPointF> points{onDial(p, s.grab, s.reach)};
            for (double m : s.through) points.push_back(onDial(p, m, 0.7));
            f.drag(how, points);
            EXPECT_EQ(p->dateValue(), s.after) << name(how) << ": " << s.what;
            EXPECT_GT(f.actions, before) << name(how) << ": " << s.what;
            before = f.actions;
        }
        // Past midnight the day stays.
        p->setDateValue(berlin(2026, 6, 10, 23, 50));
        f.drag(how,
               {onDial(p, 50, 0.7), onDial(p, 57, 0.7), onDial(p, 3, 0.7), onDial(p, 10, 0.7)});
        EXPECT_EQ(p->dateValue(), berlin(2026, 6, 10, 0, 10)) << name(how);
        // A time the clocks skip (2:10 on the night they go forward) is the
        // time an hour later, and the face shows it.
        p->setDateValue(berlin(2026, 3, 29, 1, 50));
        f.drag(how,
               {onDial(p, 50, 0.7), onDial(p, 57, 0.7), onDial(p, 3, 0.7), onDial(p, 10, 0.7)});
        EXPECT_EQ(p->dateValue(), berlin(2026, 3, 29, 3, 10)) << name(how);
        EXPECT_EQ(p->clockFace()->hour(), 3) << name(how);
        // A press and release without a move changes nothing.
        const int actions = f.actions;
        f.drag(how, {onDial(p, 10, 0.7)});
        EXPECT_EQ(f.actions, actions) << name(how);
        EXPECT_EQ(f.sender, p);
    }
}
