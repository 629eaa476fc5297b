// The year page's input, driven with synthetic events through its window:
// selecting days with clicks, modifiers, drags and arrow keys, the day popup,
// notes typing, context clicks, the mark drag, scrolling and the notes hover.

#include "YearViewPageWorld.h"

#include "platform/kit/Application.h"
#include "platform/kit/DragSession.h"
#include "platform/kit/Pasteboard.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace yvpage;
using yvtest::makeAllDay;
namespace Flags = kit::ModifierFlags;
namespace Keys = kit::KeyCodes;

namespace {

class YearViewInputTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        page = makePage(2024);
        render(page);  // lays the grid out
        window->makeFirstResponder(page);
        // Pointer movement reaches the page through the tracking area of its
        // frame, made when the shown page's frame changes.
        page->setFrame(QRectF(0, 23, 1000, 601));
        ASSERT_TRUE(page->viewArea());
        render(page);
    }

    // The selected days as "day.month", in the order they were selected.
    static QStringList selection() {
        QStringList days;
        for (const MyDatePtr& d : YearViewCell::currentSelection())
            days << QStringLiteral("%1.%2").arg(d->dayNum()).arg(d->monthNum());
        return days;
    }
    static QStringList range(int fromDay, int fromMonth, int toDay, int toMonth, int year = 2024) {
        QStringList days;
        for (QDate d(year, fromMonth, fromDay); d <= QDate(year, toMonth, toDay); d = d.addDays(1))
            days << QStringLiteral("%1.%2").arg(d.day()).arg(d.month());
        return days;
    }
    static QStringList sorted(QStringList days) {
        std::sort(days.begin(), days.end(), [](const QString& a, const QString& b) {
            const auto key = [](const QString& s) {
                const QStringList p = s.split(u'.');
                return p[1].toInt() * 100 + p[0].toInt();
            };
            return key(a) < key(b);
        });
        return days;
    }
    void drag(int day, int month, unsigned flags = 0) {
        window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseDragged,
                                                 dayCenterInWindow(page, day, month), flags, 1,
                                                 window.get()));
    }
    void move(const QPointF& inWindow) {
        window->sendEvent(
            kit::Event::mouseEvent(kit::EventType::MouseMoved, inWindow, 0, 0, window.get()));
    }

    YearView* page = nullptr;
};

TEST_F(YearViewInputTest, AClickSelectsOneDayAndMakesThePageFirstResponder) {
    click(page, 10, 4);
    EXPECT_EQ(selection(), QStringList{"10.4"});
    EXPECT_EQ(window->firstResponder(), page);
    EXPECT_TRUE(page->isHighlightedForDayMonth(10, 4));
    EXPECT_EQ(page->numberOfSelectedDays(), 1);
    click(page, 12, 5);
    EXPECT_EQ(selection(), QStringList{"12.5"});
    EXPECT_FALSE(page->isHighlightedForDayMonth(10, 4));
    EXPECT_EQ(page->dragStartDay(), 12);
    EXPECT_EQ(page->dragStartMonth(), 5);
}

TEST_F(YearViewInputTest, ShiftExtendsAndCommandToggles) {
    click(page, 30, 1);
    click(page, 2, 3, Flags::Shift);
    EXPECT_EQ(sorted(selection()), range(30, 1, 2, 3));  // with 29 February
    // From the anchor backwards.
    click(page, 5, 3);
    click(page, 20, 2, Flags::Shift);
    EXPECT_EQ(sorted(selection()), range(20, 2, 5, 3));

    click(page, 7, 7, Flags::Command);
    EXPECT_TRUE(page->isHighlightedForDayMonth(7, 7));
    click(page, 7, 7, Flags::Command);
    EXPECT_FALSE(page->isHighlightedForDayMonth(7, 7));
    EXPECT_EQ(sorted(selection()), range(20, 2, 5, 3));

    // Shift without any selection selects nothing.
    YearView::changeServices([&](auto& installed) { installed = recordingServices(log); });
    page->deHighlightAll();
    click(page, 9, 9, Flags::Shift);
    EXPECT_TRUE(selection().isEmpty());
    EXPECT_GE(log->count("dayPopupClose"), 1);
}

TEST_F(YearViewInputTest, DraggingExtendsOrDeselectsFromTheAnchor) {
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseDown,
                                             dayCenterInWindow(page, 3, 6), 0, 1, window.get()));
    drag(5, 6);
    drag(8, 6);
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseUp,
                                             dayCenterInWindow(page, 8, 6), 0, 1, window.get()));
    EXPECT_EQ(sorted(selection()), range(3, 6, 8, 6));

    // A Command click on a selected day deselects, and the drag deselects on.
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseDown,
                                             dayCenterInWindow(page, 6, 6), Flags::Command, 1,
                                             window.get()));
    EXPECT_EQ(page->dragSelectMode(), 0);
    drag(8, 6, Flags::Command);
    EXPECT_EQ(sorted(selection()), range(3, 6, 5, 6));
    // A Command click on an unselected day selects it and the drag extends.
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseDown,
                                             dayCenterInWindow(page, 10, 6), Flags::Command, 1,
                                             window.get()));
    drag(11, 6, Flags::Command);
    EXPECT_EQ(sorted(selection()), range(3, 6, 5, 6) + range(10, 6, 11, 6));
}

TEST_F(YearViewInputTest, ClicksOnNoDaySelectNothing) {
    click(page, 10, 4);
    click(page, 30, 2);  // no such day in any year
    EXPECT_TRUE(selection().isEmpty());
    EXPECT_GE(log->count("dayPopupClose"), 1);
    // Outside the grid: in the left margin.
    click(page, 10, 4);
    const QPointF margin = page->convertPointToView(QPointF(10, 300), nullptr);
    window->sendEvent(
        kit::Event::mouseEvent(kit::EventType::LeftMouseDown, margin, 0, 1, window.get()));
    EXPECT_FALSE(page->dayClicked());
    EXPECT_EQ(selection(), QStringList{"10.4"});

    page->deHighlightAll();
    YearView* common = makePage(2023);
    render(common);
    click(common, 29, 2);
    EXPECT_TRUE(selection().isEmpty());
}

TEST_F(YearViewInputTest, DoubleClicksOpenTheDayPopupOrTheWeek) {
    click(page, 14, 2, 0, 2);
    EXPECT_EQ(log->count("dayPopupShow"), 1);
    EXPECT_EQ(log->lastCell, page->cellForDayAndMonth(14, 2));
    // A click while the popup is open moves it to the new day.
    click(page, 16, 2);
    EXPECT_EQ(log->count("dayPopupShow"), 2);
    EXPECT_EQ(log->lastCell, page->cellForDayAndMonth(16, 2));

    log->dayPopupOpen = false;
    click(page, 31, 1, Flags::Command, 2);
    EXPECT_EQ(log->count("dayPopupClose"), 1);  // switching to the week closes it
    EXPECT_TRUE(selection().isEmpty());
    EXPECT_TRUE(page->dayClicked());
    click(page, 30, 2, 0, 2);
    EXPECT_FALSE(page->dayClicked());
}

// Arrow keys move or extend the selection; today is 15 March 2024.
TEST_F(YearViewInputTest, ArrowKeysMoveAndExtendTheSelection) {
    struct Case {
        const char* name;
        QStringList before;  // clicked, in order; the last is the anchor
        int key;
        unsigned flags;
        QStringList after;
    };
    const QStringList today{"15.3"};
    const Case cases[] = {
        {"right from nothing", {}, Keys::RightArrow, 0, {"15.4"}},
        {"shift right from nothing", {}, Keys::RightArrow, Flags::Shift, range(15, 3, 15, 4)},
        {"left from nothing", {}, Keys::LeftArrow, 0, {"15.2"}},
        {"31 January right", {"31.1"}, Keys::RightArrow, 0, {"29.2"}},
        {"31 March right", {"31.3"}, Keys::RightArrow, 0, {"30.4"}},
        {"31 December down", {"31.12"}, Keys::DownArrow, 0, {"31.12"}},
        {"1 January up", {"1.1"}, Keys::UpArrow, 0, {"1.1"}},
        {"December right", {"5.12"}, Keys::RightArrow, 0, {"5.12"}},
        {"January left", {"5.1"}, Keys::LeftArrow, 0, {"5.1"}},
        {"29 February down", {"29.2"}, Keys::DownArrow, 0, {"1.3"}},
        {"1 March up", {"1.3"}, Keys::UpArrow, 0, {"29.2"}},
        {"30 April down", {"30.4"}, Keys::DownArrow, 0, {"1.5"}},
        {"shift down", {"10.5"}, Keys::DownArrow, Flags::Shift, {"10.5", "11.5"}},
        {"several, no shift", {"10.5", "12.5"}, Keys::UpArrow, 0, {"9.5"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page->deHighlightAll();
        YearViewCell::deselectAll();
        for (int i = 0; i < c.before.size(); ++i) {
            const QStringList p = c.before[i].split(u'.');
            click(page, p[0].toInt(), p[1].toInt(), i == 0 ? 0 : Flags::Shift);
        }
        key(c.key, QString(), c.flags);
        EXPECT_EQ(sorted(selection()), c.after);
    }
}

TEST_F(YearViewInputTest, ShiftArrowsMoveTheAnchorAlong) {
    click(page, 27, 2);
    key(Keys::DownArrow, QString(), Flags::Shift);
    key(Keys::DownArrow, QString(), Flags::Shift);
    key(Keys::DownArrow, QString(), Flags::Shift);
    EXPECT_EQ(sorted(selection()), range(27, 2, 1, 3));
    EXPECT_EQ(page->dragStartDay(), 1);
    EXPECT_EQ(page->dragStartMonth(), 3);
}

// A selection made on another page leaves this page without an anchor: the
// arrows start from today instead of looking for a day that is not there.
TEST_F(YearViewInputTest, ArrowsWithoutAnAnchorOnThisPageStartFromToday) {
    YearView* other = makePage(2025);
    render(other);
    click(other, 31, 1);
    ASSERT_EQ(page->dragStartMonth(), 0);
    page->keyDown(kit::Event::keyEvent(kit::EventType::KeyDown, Keys::RightArrow, QString()));
    EXPECT_TRUE(page->isHighlightedForDayMonth(15, 4));
}

TEST_F(YearViewInputTest, EscapeClearsAndSpaceOpensTheDayPopup) {
    key(Keys::Space, QStringLiteral(" "));
    EXPECT_EQ(log->lastCell, page->cellForDayAndMonth(15, 3));  // today
    click(page, 2, 8);
    key(Keys::Space, QStringLiteral(" "));
    EXPECT_EQ(log->lastCell, page->cellForDayAndMonth(2, 8));
    key(Keys::Escape, QString(QChar(0x1b)));
    EXPECT_TRUE(selection().isEmpty());
}

TEST_F(YearViewInputTest, TypingIntoOneSelectedDayStartsItsNotes) {
    click(page, 9, 9);
    key(Keys::A, QStringLiteral("a"));
    EXPECT_EQ(log->count("notesPopupShow"), 1);
    EXPECT_EQ(log->lastText, QStringLiteral("a"));
    EXPECT_EQ(log->lastCell, page->cellForDayAndMonth(9, 9));
    key(Keys::Grave, QStringLiteral("~"));  // 126 is past the typed range
    key(Keys::Space, QStringLiteral(" "));
    EXPECT_EQ(log->count("notesPopupShow"), 1);
    // Not with several days, nor while a popup is open.
    log->dayPopupOpen = false;
    click(page, 10, 9, Flags::Shift);
    key(Keys::B, QStringLiteral("b"));
    click(page, 10, 9);
    log->notesPopupOpen = true;
    key(Keys::C, QStringLiteral("c"));
    log->notesPopupOpen = false;
    log->dayPopupOpen = true;
    key(Keys::D, QStringLiteral("d"));
    EXPECT_EQ(log->count("notesPopupShow"), 1);
}

TEST_F(YearViewInputTest, AContextClickSelectsAnUnselectedDayOnly) {
    const auto rightClick = [&](int day, int month) {
        page->menuForEvent(kit::Event::mouseEvent(kit::EventType::RightMouseDown,
                                                  dayCenterInWindow(page, day, month), 0, 1,
                                                  window.get()));
    };
    click(page, 3, 3);
    click(page, 5, 3, Flags::Shift);
    rightClick(4, 3);
    EXPECT_EQ(sorted(selection()), range(3, 3, 5, 3));
    rightClick(20, 3);
    EXPECT_EQ(selection(), QStringList{"20.3"});
    EXPECT_GE(log->count("notesHoverClose"), 1);

    QVariantMap prefs =
        foundation::Defaults::standard().dictionaryForKey(QStringLiteral("AppPref YearView"));
    prefs.insert(QStringLiteral("Rightclick Performs Select"), false);
    foundation::Defaults::standard().setObject(QStringLiteral("AppPref YearView"), prefs);
    page->quickLoadPreferences();
    rightClick(22, 3);
    EXPECT_EQ(selection(), QStringList{"20.3"});
}

TEST_F(YearViewInputTest, OptionOrAltShiftClicksDragTheDaysMarks) {
    struct Drag {
        QStringList types;
        QObject* source = nullptr;
        QImage image;
        QPointF imageOnScreen;
    };
    std::vector<Drag> drags;
    kit::DragSession::setDriverForTesting([&](kit::DragSession& session) {
        const kit::DraggingInfo& info = session.draggingInfo();
        drags.push_back({info.draggingPasteboard()->types(), info.draggingSource(),
                         info.draggedImage(), session.imageLocationOnScreen()});
        session.cancel();
    });
    click(page, 3, 3);
    for (const unsigned flags : {unsigned(Flags::Option), unsigned(Flags::Option | Flags::Shift)}) {
        SCOPED_TRACE(flags);
        const size_t before = drags.size();
        click(page, 11, 6, flags);
        ASSERT_EQ(drags.size(), before + 1);
        EXPECT_EQ(drags.back().types, QStringList{YearView::kDragType});
        EXPECT_EQ(drags.back().source, page);
        EXPECT_EQ(kit::Image::sizeInPoints(drags.back().image),
                  QSizeF(YearViewCell::width() + 1, YearViewCell::height() + 1));
        EXPECT_EQ(
            drags.back().imageOnScreen,
            page->convertRectToScreen(QRectF(page->dragImagePosForDayAndMonth(11, 6), QSizeF(1, 1)))
                .topLeft());
        EXPECT_EQ(page->dragSelectMode(), 2);
        // The source cell is forgotten once the drag has ended.
        EXPECT_FALSE(page->draggedYVCell());
        EXPECT_TRUE(selection().isEmpty());
    }
    EXPECT_EQ(page->dragImagePosForDayAndMonth(11, 6),
              QPointF(page->innerFrame().x() + 5 * YearViewCell::width() - 2,
                      page->innerFrame().y() - 11 * YearViewCell::height() + 1));
    // From a dateless cell: the selection is cleared, no drag starts.
    click(page, 3, 3);
    click(page, 31, 4, Flags::Option);
    EXPECT_EQ(drags.size(), 2u);
    EXPECT_TRUE(selection().isEmpty());
    EXPECT_EQ(page->dragSelectMode(), 2);
    kit::DragSession::setDriverForTesting({});
    EXPECT_EQ(page->registeredDraggedTypes(), QStringList{YearView::kDragType});
}

TEST_F(YearViewInputTest, TheDayPopupGetsTheFirstLookAtScrolling) {
    struct Catcher : kit::View {
        int scrolls = 0;
        void scrollWheel(const kit::Event&) override { ++scrolls; }
    };
    auto* area = new Catcher;
    area->setFrame(QRectF(0, 0, 1000, 700));
    window->contentView()->addSubview(area);
    page->removeFromSuperview();
    area->addSubview(page);
    const QPointF at = dayCenterInWindow(page, 5, 5);
    window->sendEvent(kit::Event::scrollEvent(at, 0, 3, 0, 0, false, 0, window.get()));
    EXPECT_EQ(area->scrolls, 1);
    log->popupTakesScroll = true;
    window->sendEvent(kit::Event::scrollEvent(at, 0, 3, 0, 0, false, 0, window.get()));
    EXPECT_EQ(area->scrolls, 1);
    EXPECT_EQ(log->count("dayPopupScroll"), 2);
}

TEST_F(YearViewInputTest, TheCalendarWeekLabelFollowsThePointer) {
    move(dayCenterInWindow(page, 4, 7));
    const YearViewCellPtr first = page->cellForDayAndMonth(4, 7);
    EXPECT_TRUE(first->drawsCalendarWeek());
    move(dayCenterInWindow(page, 5, 7));
    EXPECT_FALSE(first->drawsCalendarWeek());
    EXPECT_TRUE(page->cellForDayAndMonth(5, 7)->drawsCalendarWeek());
    move(dayCenterInWindow(page, 30, 2));  // no day there
    EXPECT_FALSE(page->lastHoveredCwCell());
    move(dayCenterInWindow(page, 6, 7));

    QVariantMap prefs =
        foundation::Defaults::standard().dictionaryForKey(QStringLiteral("AppPref YearView"));
    prefs.insert(QStringLiteral("Hover CalendarWeek"), false);
    foundation::Defaults::standard().setObject(QStringLiteral("AppPref YearView"), prefs);
    page->updatePreferences();
    EXPECT_FALSE(page->cellForDayAndMonth(6, 7)->drawsCalendarWeek());
    EXPECT_FALSE(page->lastHoveredCwCell());
    EXPECT_EQ(log->count("dayPopupUpdatePrefs"), 1);
}

class YearViewHoverTest : public YearViewInputTest {
protected:
    void SetUp() override {
        YearViewInputTest::SetUp();
        fillFromThread(
            page,
            {{makeAllDay(2024, 6, 14, QStringLiteral("Ann")), birthdays},
             {makeAllDay(2024, 6, 18, QStringLiteral("Gym"), QStringLiteral("Zolt:") + kMarkerDot),
              markers},
             {makeAllDay(2024, 6, 19, QStringLiteral("Plain")), work}});
        ASSERT_TRUE(testsupport::waitUntil([&] { return page->eventsLoaded(); }));
        render(page);  // the marks are known once the cells are drawn
    }
    bool hoverOpens(int day, int month) {
        const int before = log->count("notesHoverShow");
        move(dayCenterInWindow(page, day, month));
        settle();
        EXPECT_EQ(log->count("notesHoverShow"), before);  // not before the delay
        testsupport::waitUntil([&] { return log->count("notesHoverShow") > before; }, 1.6);
        return log->count("notesHoverShow") > before;
    }
};

TEST_F(YearViewHoverTest, TheHoverOpensAfterTheDelayAndClosesWhenThePointerLeaves) {
    ASSERT_TRUE(hoverOpens(14, 6));
    EXPECT_EQ(log->lastCell, page->cellForDayAndMonth(14, 6));
    const YearViewModel::Layout l = page->model()->layout();
    EXPECT_EQ(log->lastRect,
              QRectF(l.dayCellStartX + 5 * l.cellWidth, l.dayCellStartY - 14 * l.cellHeight,
                     l.cellWidth, l.cellHeight));
    ASSERT_TRUE(page->dayTrackingArea());
    EXPECT_EQ(page->dayTrackingArea()->rect(), log->lastRect);

    move(dayCenterInWindow(page, 20, 6));
    EXPECT_EQ(log->count("notesHoverCloseIfNoHover"), 1);
    EXPECT_FALSE(page->dayTrackingArea());
    EXPECT_EQ(page->trackingAreas().size(), 1u);  // the page's own area only
}

TEST_F(YearViewHoverTest, NoHoverForADayThePointerLeftBeforeTheDelay) {
    // Straight from the day out of the page (the window's corner, in no view
    // of the page): the delay runs on, and no hover opens for that day.
    const int before = log->count("notesHoverShow");
    move(dayCenterInWindow(page, 14, 6));
    move(QPointF(1, 1));
    testsupport::waitUntil([&] { return log->count("notesHoverShow") > before; }, 1.6);
    EXPECT_EQ(log->count("notesHoverShow"), before);
    EXPECT_FALSE(page->dayTrackingArea());
    // Back on the day, it opens as always.
    EXPECT_TRUE(hoverOpens(14, 6));
}

TEST_F(YearViewHoverTest, WhatTheHoverShows) {
    EXPECT_TRUE(hoverOpens(18, 6));   // marks
    EXPECT_FALSE(hoverOpens(19, 6));  // a plain event
    // Birthdays show even with notes and marks turned off.
    QVariantMap prefs =
        foundation::Defaults::standard().dictionaryForKey(QStringLiteral("AppPref YearView"));
    prefs.insert(QStringLiteral("Hover Shows Marks"), false);
    prefs.insert(QStringLiteral("Hover Shows Notes"), false);
    foundation::Defaults::standard().setObject(QStringLiteral("AppPref YearView"), prefs);
    page->quickLoadPreferences();
    log->notesHoverOpen = false;
    EXPECT_FALSE(hoverOpens(18, 6));
    EXPECT_TRUE(hoverOpens(14, 6));
}

TEST_F(YearViewHoverTest, NoHoverWithThePopupOpenOrOnLowPages) {
    log->dayPopupOpen = true;
    EXPECT_FALSE(hoverOpens(14, 6));
    EXPECT_FALSE(page->hoverPending());
    log->dayPopupOpen = false;
    page->setFrame(QRectF(0, 23, 1000, 250));
    render(page);
    EXPECT_FALSE(hoverOpens(14, 6));
}

}  // namespace
