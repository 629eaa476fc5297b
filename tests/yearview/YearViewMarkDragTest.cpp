// Dragging the marks of a day onto another day of the same page: the Move/Copy
// menu, the job it starts, drags from elsewhere refused, the source forgotten
// when the drag ends.

#include "YearViewPageWorld.h"

#include "platform/kit/ContextMenu.h"
#include "platform/kit/DragSession.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"

#include <gtest/gtest.h>

using namespace yvpage;
using yvtest::makeAllDay;
namespace Flags = kit::ModifierFlags;

namespace {

class YearViewMarkDragTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        window = std::make_unique<kit::Window>(QRectF(100, 100, 1000, 623));
        window->orderFront();
        window->makeKeyWindow();
        page = makePage(2024, QSizeF(500, 600));
        other = makePage(2024, QSizeF(500, 600));
        other->setFrame(QRectF(500, 23, 500, 600));
        render(page);
        render(other);
        const auto mark = [](const QString& uid) { return QStringLiteral("Zolt:") + uid; };
        fillFromThread(page, {{makeAllDay(2024, 5, 5, "V", mark(kMarkerShade)), markers},
                              {makeAllDay(2024, 5, 5, "V", mark(kMarkerShade)), markers},
                              {makeAllDay(2024, 5, 5, "G", mark(kMarkerDot)), markers}});
        fillFromThread(other, {{makeAllDay(2024, 5, 5, "G", mark(kMarkerDot)), markers}});
        render(page);
        render(other);
    }
    void TearDown() override {
        kit::DragSession::setDriverForTesting({});
        kit::ContextMenu::setHandlerForTesting({});
        PageTest::TearDown();
    }

    YearView* page = nullptr;
    YearView* other = nullptr;
};

struct Choice {
    const char* name;
    int submenu;     // 0 Move, 1 Copy
    QString marker;  // empty: all marks
    const char* job;
    int events;
};

TEST_F(YearViewMarkDragTest, TheDropMenuCarriesTheChosenMarks) {
    const Choice choices[] = {{"copy one marker", 1, kMarkerShade, "startCopyingMarks", 2},
                              {"move one marker", 0, kMarkerDot, "startMovingMarks", 1},
                              {"move all marks", 0, QString(), "startMovingMarks", 3}};
    for (const Choice& c : choices) {
        SCOPED_TRACE(c.name);
        log->calls.clear();
        QStringList topTitles, moveTitles, copyTitles;
        kit::ContextMenu::setHandlerForTesting([&](QMenu* qmenu, const kit::Event&, kit::View*) {
            auto* menu = qobject_cast<kit::Menu*>(qmenu);
            ASSERT_TRUE(menu);
            ASSERT_EQ(menu->numberOfItems(), 2);
            for (kit::MenuItem* item : menu->itemArray()) topTitles << item->title();
            for (kit::MenuItem* item : menu->itemAtIndex(0)->submenu()->itemArray())
                moveTitles << item->title();
            for (kit::MenuItem* item : menu->itemAtIndex(1)->submenu()->itemArray())
                copyTitles << item->title();
            kit::Menu* sub = menu->itemAtIndex(c.submenu)->submenu();
            kit::MenuItem* chosen =
                c.marker.isEmpty()
                    ? sub->itemWithTag(YearView::kAllMarksTag)
                    : sub->itemAtIndex(sub->indexOfItemWithRepresentedObject(c.marker));
            ASSERT_TRUE(chosen);
            EXPECT_TRUE(chosen->performAction());
        });
        dragMarks(page, 5, 5, page, 8, 5);
        EXPECT_EQ(topTitles, (QStringList{QStringLiteral("Move"), QStringLiteral("Copy")}));
        // All marks first, then each marker once, in the same order in both.
        ASSERT_EQ(moveTitles.size(), 3);
        EXPECT_EQ(moveTitles.front(), QStringLiteral("All Marks"));
        EXPECT_EQ(moveTitles, copyTitles);
        ASSERT_EQ(log->count(c.job), 1);
        ASSERT_EQ(log->lastDays.size(), 2u);
        EXPECT_EQ(log->lastDays[0]->dayNum(), 5);
        EXPECT_EQ(log->lastDays[1]->dayNum(), 8);
        EXPECT_EQ(log->lastText.toInt(), c.events);
        // The drag is over: no source, no target highlight.
        EXPECT_FALSE(page->draggedYVCell());
        EXPECT_EQ(page->numberOfSelectedDays(), 0);
    }
}

TEST_F(YearViewMarkDragTest, DropsWithoutMarksOnTheSourceOrFromElsewhereAreRefused) {
    int menus = 0;
    kit::ContextMenu::setHandlerForTesting([&](QMenu*, const kit::Event&, kit::View*) { ++menus; });
    dragMarks(page, 5, 5, page, 5, 5);   // onto itself
    dragMarks(page, 9, 5, page, 12, 5);  // a day without marks
    dragMarks(other, 5, 5, page, 8, 5);  // another page's drag
    EXPECT_EQ(menus, 0);
    EXPECT_EQ(log->count("startMovingMarks") + log->count("startCopyingMarks"), 0);
    EXPECT_FALSE(page->isHighlightedForDayMonth(8, 5));
    EXPECT_FALSE(other->draggedYVCell());
    EXPECT_FALSE(page->draggedYVCell());
    // A drag that was refused everywhere leaves no source behind either.
    EXPECT_EQ(page->numberOfSelectedDays(), 0);
}

TEST_F(YearViewMarkDragTest, TheTargetFollowsThePointerOverExistingDaysOnly) {
    std::vector<unsigned> answers;
    kit::DragSession::setDriverForTesting([&](kit::DragSession& session) {
        answers.push_back(session.moveTo(window.get(), dayCenterInWindow(page, 7, 5)));
        EXPECT_TRUE(page->isHighlightedForDayMonth(7, 5));
        answers.push_back(session.moveTo(window.get(), dayCenterInWindow(page, 30, 2)));
        EXPECT_FALSE(page->isHighlightedForDayMonth(7, 5));
        answers.push_back(session.moveTo(window.get(), dayCenterInWindow(page, 9, 5)));
        session.cancel();
    });
    const QPointF p = dayCenterInWindow(page, 5, 5);
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseDown, p,
                                             Flags::Option | Flags::Shift, 1, window.get()));
    EXPECT_EQ(answers, (std::vector<unsigned>{kit::DragOperation::Move, kit::DragOperation::None,
                                              kit::DragOperation::Move}));
    EXPECT_EQ(page->numberOfSelectedDays(), 0);
    EXPECT_FALSE(page->draggedYVCell());
}

}  // namespace
