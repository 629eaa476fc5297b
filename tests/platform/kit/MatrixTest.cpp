// Radio matrices: no selection at first, selection by tag, and cells chosen by
// Qt's mouse and keys and by the kit's events, past disabled and hidden cells.

#include "platform/kit/Event.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/Window.h"

#include "KitTestViews.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

// Four cells in one column, 24 points a row.
const QRectF kFrame(20, 20, 200, 96);
constexpr int kRow = 24;

QPoint inWidget(int cell) {
    return QPoint(40, kRow * cell + kRow / 2);
}
// The kit's y grows upwards: the first row is the top one.
QPointF inWindow(int cell) {
    return QPointF(kFrame.x() + 40, kFrame.y() + kFrame.height() - (kRow * cell + kRow / 2));
}

struct Fixture {
    Fixture() : window(QRectF(100, 100, 260, 140)) {
        matrix = new Matrix(kFrame);
        const char* titles[] = {"None", "Alert", "Sound", "Email"};
        for (int i = 0; i < 4; ++i) matrix->addCell(titles[i], 100 + i);
        window.contentView()->addSubview(matrix);
        window.makeKeyAndOrderFront();
        matrix->setActionHandler([this](QObject* s) {
            ++actions;
            sender = s;
        });
    }
    ~Fixture() { window.orderOut(); }

    void click(bool kit, int cell) {
        if (!kit) {
            kittest::click(matrix->hostedWidget(), inWidget(cell));
            return;
        }
        window.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, inWindow(cell)));
        window.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, inWindow(cell)));
    }

    void down(bool kit) {
        if (!kit) {
            kittest::pressKey(matrix->hostedWidget(), Qt::Key_Down);
            return;
        }
        window.makeFirstResponder(matrix);
        window.sendEvent(Event::keyEvent(EventType::KeyDown, KeyCodes::DownArrow,
                                         QString(QChar(KeyCharacters::DownArrow))));
    }

    Window window;
    Matrix* matrix;
    int actions = 0;
    QObject* sender = nullptr;
};

}  // namespace

TEST(Matrix, StartsWithNoSelectionAndSelectsByTag) {
    Fixture f;
    EXPECT_EQ(f.matrix->selectedTag(), -1);
    EXPECT_EQ(f.matrix->objectValue().toInt(), -1);
    EXPECT_EQ(f.matrix->numberOfRows(), 4);
    EXPECT_EQ(f.matrix->titleOfCellWithTag(102), "Sound");
    EXPECT_EQ(f.matrix->titleOfCellWithTag(7), "");
    EXPECT_TRUE(f.matrix->selectCellWithTag(103));
    EXPECT_EQ(f.matrix->selectedTag(), 103);
    EXPECT_EQ(f.matrix->objectValue().toInt(), 103);
    EXPECT_FALSE(f.matrix->selectCellWithTag(7));
    EXPECT_EQ(f.matrix->selectedTag(), -1);
    f.matrix->setObjectValue(101);
    EXPECT_EQ(f.matrix->selectedTag(), 101);
    EXPECT_EQ(f.actions, 0);  // code's selections send nothing
}

TEST(Matrix, ClicksAndKeysChooseOnlyEnabledVisibleCells) {
    for (bool kit : {false, true}) {
        const char* how = kit ? "kit" : "Qt";
        Fixture f;
        f.matrix->setCellEnabled(false, 100);
        f.matrix->setCellHidden(true, 102);
        EXPECT_FALSE(f.matrix->isCellEnabled(100));
        EXPECT_TRUE(f.matrix->isCellHidden(102));

        struct Step {
            bool key;  // Down, else a click on `cell`
            int cell;
            int tag;
            int actions;
        };
        const Step steps[] = {
            {false, 0, -1, 0},   // disabled
            {false, 2, -1, 0},   // hidden
            {true, 0, 101, 1},   // from none, Down lands past the disabled cell
            {true, 0, 103, 2},   // and skips the hidden one
            {false, 1, 101, 3},  // a click
        };
        for (const Step& s : steps) {
            if (s.key)
                f.down(kit);
            else
                f.click(kit, s.cell);
            EXPECT_EQ(f.matrix->selectedTag(), s.tag) << how << " cell " << s.cell;
            EXPECT_EQ(f.matrix->objectValue().toInt(), s.tag) << how;
            EXPECT_EQ(f.actions, s.actions) << how << " cell " << s.cell;
        }
        EXPECT_EQ(f.sender, f.matrix) << how;
        f.matrix->setEnabled(false);
        f.click(kit, 3);
        EXPECT_EQ(f.matrix->selectedTag(), 101) << how;
    }
}
