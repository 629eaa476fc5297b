// Segmented controls in both tracking modes, driven by Qt's mouse and keys and
// by the kit's own events.

#include "platform/kit/Event.h"
#include "platform/kit/SegmentedControl.h"
#include "platform/kit/Window.h"

#include "KitTestViews.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

constexpr int kSegments = 3;
const QRectF kFrame(20, 20, 240, 26);

// The middle of a segment in the hosted widget, and in the window.
QPoint inWidget(int segment) {
    return QPoint(int(kFrame.width() * (segment + 0.5) / kSegments), int(kFrame.height() / 2));
}
QPointF inWindow(int segment) {
    return QPointF(kFrame.x() + inWidget(segment).x(), kFrame.y() + kFrame.height() / 2);
}

enum class Input { QtMouse, KitMouse, QtKeys, KitKeys };

struct Fixture {
    explicit Fixture(SegmentedControl::Tracking tracking) : window(QRectF(100, 100, 300, 80)) {
        control = new SegmentedControl(kFrame, tracking);
        control->setSegmentCount(kSegments);
        for (int i = 0; i < kSegments; ++i)
            control->setLabelForSegment(QStringList{"Day", "Week", "Month"}[i], i);
        window.contentView()->addSubview(control);
        window.makeKeyAndOrderFront();
        control->setActionHandler([this](QObject* s) {
            ++actions;
            sender = s;
        });
    }
    ~Fixture() { window.orderOut(); }

    void click(Input how, int segment) {
        if (how == Input::QtMouse) {
            kittest::click(control->hostedWidget(), inWidget(segment));
            return;
        }
        window.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, inWindow(segment)));
        window.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, inWindow(segment)));
    }

    void press(Input how, Qt::Key qtKey, int code, char16_t c) {
        if (how == Input::QtKeys) {
            kittest::pressKey(control->hostedWidget(), qtKey);
            return;
        }
        window.makeFirstResponder(control);
        window.sendEvent(Event::keyEvent(EventType::KeyDown, code, QString(QChar(c))));
    }

    void use(Input how, int segment) {
        if (how == Input::QtMouse || how == Input::KitMouse) return click(how, segment);
        // Keys: walk to the segment with Right, then Space.
        while (control->focusedSegment() != segment)
            press(how, Qt::Key_Right, KeyCodes::RightArrow, KeyCharacters::RightArrow);
        if (control->trackingMode() == SegmentedControl::Tracking::SelectAny)
            press(how, Qt::Key_Space, KeyCodes::Space, u' ');
    }

    Window window;
    SegmentedControl* control;
    int actions = 0;
    QObject* sender = nullptr;
};

const char* name(Input i) {
    switch (i) {
        case Input::QtMouse:
            return "Qt mouse";
        case Input::KitMouse:
            return "kit mouse";
        case Input::QtKeys:
            return "Qt keys";
        case Input::KitKeys:
            return "kit keys";
    }
    return "";
}

}  // namespace

TEST(SegmentedControl, SelectOneMovesTheSelectionAndSendsTheAction) {
    for (Input how : {Input::QtMouse, Input::KitMouse, Input::QtKeys, Input::KitKeys}) {
        Fixture f(SegmentedControl::Tracking::SelectOne);
        EXPECT_EQ(f.control->selectedSegment(), -1) << name(how);
        f.control->setSelectedSegment(0);  // code's selection sends nothing
        EXPECT_EQ(f.actions, 0) << name(how);
        for (int segment : {2, 1}) {
            const int before = f.actions;
            f.use(how, segment);
            EXPECT_EQ(f.control->selectedSegment(), segment) << name(how);
            EXPECT_EQ(f.control->objectValue().toInt(), segment) << name(how);
            EXPECT_GT(f.actions, before) << name(how);
            EXPECT_EQ(f.sender, f.control) << name(how);
            for (int i = 0; i < kSegments; ++i)
                EXPECT_EQ(f.control->isSelectedForSegment(i), i == segment) << name(how);
        }
    }
}

TEST(SegmentedControl, SelectAnyTurnsEachSegmentOverOnItsOwn) {
    for (Input how : {Input::QtMouse, Input::KitMouse, Input::QtKeys, Input::KitKeys}) {
        Fixture f(SegmentedControl::Tracking::SelectAny);
        struct Step {
            int segment;
            QVariantList states;
        };
        const Step steps[] = {
            {0, {true, false, false}}, {2, {true, false, true}}, {0, {false, false, true}}};
        int n = 0;
        for (const Step& s : steps) {
            f.use(how, s.segment);
            EXPECT_EQ(f.control->objectValue().toList(), s.states) << name(how) << " " << n;
            EXPECT_EQ(f.actions, ++n) << name(how);
            EXPECT_EQ(f.control->selectedSegment(), -1) << name(how);
        }
    }
}

TEST(SegmentedControl, ADisabledControlIgnoresClicks) {
    for (Input how : {Input::QtMouse, Input::KitMouse}) {
        Fixture f(SegmentedControl::Tracking::SelectOne);
        f.control->setEnabled(false);
        f.click(how, 1);
        EXPECT_EQ(f.control->selectedSegment(), -1) << name(how);
        EXPECT_EQ(f.actions, 0) << name(how);
    }
}
