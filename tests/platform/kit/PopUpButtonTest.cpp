// Pop-up buttons over the kit's menu model: look-ups, selection, items
// disabled one by one, and choices made with Qt's own input and the kit's.

#include "platform/kit/Button.h"
#include "platform/kit/Event.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/Window.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QTest>
#include "KitTestViews.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

// Four calendars carried by UID, tagged 10, 20, 30, 40.
void fill(PopUpButton& p) {
    const QStringList titles = {"Home", "Work", "Sport", "Birthdays"};
    for (int i = 0; i < titles.size(); ++i) {
        MenuItem* item = p.addItemWithTitle(titles[i]);
        item->setTag((i + 1) * 10);
        item->setRepresentedObject(QStringLiteral("uid-%1").arg(i));
    }
}

struct Chosen {
    int actions = 0;
    QObject* sender = nullptr;
    QVariant object;
};

void record(PopUpButton& p, Chosen& c) {
    p.setActionHandler([&p, &c](QObject* s) {
        ++c.actions;
        c.sender = s;
        c.object = p.selectedItem() ? p.selectedItem()->representedObject() : QVariant();
    });
}

// A pop-up of four calendars in a key window.
struct PopUpWindow {
    PopUpWindow()
        : window(QRectF(100, 100, 240, 80)), popUp(new PopUpButton(QRectF(20, 20, 160, 26))) {
        window.contentView()->addSubview(popUp);
        window.makeKeyAndOrderFront();
        fill(*popUp);
        record(*popUp, chosen);
    }
    ~PopUpWindow() { window.orderOut(); }
    Window window;
    PopUpButton* popUp;
    Chosen chosen;
};

Event key(int code, char16_t character) {
    return Event::keyEvent(EventType::KeyDown, code, QString(QChar(character)));
}

}  // namespace

TEST(PopUpButton, SelectsByIndexTitleAndTagAndAnswersTheSelection) {
    PopUpButton p(QRectF(0, 0, 160, 26));
    EXPECT_EQ(p.indexOfSelectedItem(), -1);
    EXPECT_EQ(p.selectedItem(), nullptr);
    fill(p);
    p.addSeparator();
    EXPECT_EQ(p.numberOfItems(), 5);
    EXPECT_EQ(p.indexOfSelectedItem(), 0);  // the first item added is selected
    EXPECT_FALSE(p.menu()->autoenablesItems());

    struct Case {
        const char* how;
        std::function<bool()> select;
        int index;
        QString title;
        int tag;
    };
    const Case cases[] = {
        {"index",
         [&] {
             p.selectItemAtIndex(2);
             return true;
         },
         2, "Sport", 30},
        {"title", [&] { return p.selectItemWithTitle("Work"); }, 1, "Work", 20},
        {"tag", [&] { return p.selectItemWithTag(40); }, 3, "Birthdays", 40},
        {"missing tag", [&] { return !p.selectItemWithTag(99); }, -1, "", -1},
        {"object",
         [&] {
             p.selectItemAtIndex(p.indexOfItemWithRepresentedObject("uid-0"));
             return true;
         },
         0, "Home", 10},
        {"separator",
         [&] {
             p.selectItemAtIndex(4);
             return true;
         },
         -1, "", -1},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.select()) << c.how;
        EXPECT_EQ(p.indexOfSelectedItem(), c.index) << c.how;
        EXPECT_EQ(p.objectValue().toInt(), c.index) << c.how;
        EXPECT_EQ(p.titleOfSelectedItem(), c.title) << c.how;
        EXPECT_EQ(p.selectedTag(), c.tag) << c.how;
        EXPECT_EQ(p.comboBox()->currentIndex(), c.index) << c.how;
        if (c.index >= 0) EXPECT_EQ(p.comboBox()->currentText(), c.title) << c.how;
    }

    p.itemAtIndex(1)->setTitle("Office");  // item changes show in the widget
    EXPECT_EQ(p.comboBox()->itemText(1), "Office");
    p.removeAllItems();
    EXPECT_EQ(p.numberOfItems(), 0);
    EXPECT_EQ(p.comboBox()->count(), 0);
    EXPECT_EQ(p.indexOfSelectedItem(), -1);
}

TEST(PopUpButton, KeysSkipItemsDisabledOneByOneWithQtAndKitInput) {
    PopUpWindow f;
    Window& w = f.window;
    PopUpButton* p = f.popUp;
    Chosen& chosen = f.chosen;
    for (int disabled = 1; disabled < 4; ++disabled) {
        for (int i = 0; i < p->numberOfItems(); ++i) p->itemAtIndex(i)->setEnabled(i != disabled);
        EXPECT_FALSE(p->itemAtIndex(disabled)->isEnabled());
        for (bool kitInput : {false, true}) {
            const std::string how =
                (kitInput ? "kit, disabled " : "Qt, disabled ") + std::to_string(disabled);
            p->selectItemAtIndex(0);
            chosen = {};
            if (kitInput) {
                ASSERT_TRUE(w.makeFirstResponder(p));
                w.sendEvent(key(KeyCodes::DownArrow, KeyCharacters::DownArrow));
            } else {
                kittest::pressKey(p->comboBox(), Qt::Key_Down);
            }
            const int expected = disabled == 1 ? 2 : 1;
            EXPECT_EQ(p->indexOfSelectedItem(), expected) << how;
            EXPECT_EQ(chosen.actions, 1) << how;
            EXPECT_EQ(chosen.sender, p) << how;
            EXPECT_EQ(chosen.object.toString(), QStringLiteral("uid-%1").arg(expected)) << how;
        }
    }
}

TEST(PopUpButton, ClicksInTheOpenListChooseEnabledItemsAndSendTheItemsOwnAction) {
    PopUpWindow f;
    PopUpButton* p = f.popUp;
    Chosen& chosen = f.chosen;
    p->itemAtIndex(2)->setEnabled(false);
    int itemActions = 0;
    p->itemAtIndex(3)->setActionHandler([&](QObject*) { ++itemActions; });

    struct Case {
        int row;
        int selected;
        int popUpActions;
        int itemActions;
    };
    // Sport is disabled: the pointer cannot make it current, so the click on
    // it chooses Work, current still, once more. Birthdays has an action of
    // its own, sent in place of the pop-up's.
    const Case cases[] = {{1, 1, 1, 0}, {2, 1, 2, 0}, {3, 3, 2, 1}};
    // The open list ignores a release that comes too soon after it opened (the
    // release of the click that opened it); with no such interval, the pending
    // guard clears as soon as events are processed.
    const int interval = QApplication::doubleClickInterval();
    QApplication::setDoubleClickInterval(0);
    for (const Case& c : cases) {
        QComboBox* combo = p->comboBox();
        kittest::click(combo);
        QAbstractItemView* list = combo->view();
        ASSERT_TRUE(list->isVisible()) << c.row;
        QCoreApplication::processEvents();
        const QRect r = list->visualRect(combo->model()->index(c.row, 0));
        // The pointer goes over the row (which makes it current), then clicks.
        QMouseEvent move(QEvent::MouseMove, QPointF(r.center()),
                         list->viewport()->mapToGlobal(QPointF(r.center())), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &move);
        kittest::click(list->viewport(), r.center());
        if (list->isVisible()) combo->hidePopup();
        EXPECT_EQ(p->indexOfSelectedItem(), c.selected) << c.row;
        EXPECT_EQ(chosen.actions, c.popUpActions) << c.row;
        EXPECT_EQ(itemActions, c.itemActions) << c.row;
    }
    QApplication::setDoubleClickInterval(interval);
}

TEST(PopUpButton, ReturnAndEscapeInTheOpenListStayWithTheListNotTheWindowsButtons) {
    // The window's default and cancel buttons answer Return and Escape; while
    // the list is open those keys choose an item or close the list, and the
    // buttons stay untouched.
    PopUpWindow f;
    int defaults = 0, cancels = 0;
    auto* ok = new Button(QRectF(190, 20, 40, 26));
    ok->setKeyEquivalent(QStringLiteral("\r"));
    ok->setActionHandler([&](QObject*) { ++defaults; });
    auto* cancel = new Button(QRectF(190, 50, 40, 26));
    cancel->setKeyEquivalent(QStringLiteral("\x1b"));
    cancel->setActionHandler([&](QObject*) { ++cancels; });
    f.window.contentView()->addSubview(ok);
    f.window.contentView()->addSubview(cancel);
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.widget()));
    QComboBox* combo = f.popUp->comboBox();

    combo->showPopup();
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(list->isVisible());
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(list->isVisible()) << "Return leaves the list open";
    EXPECT_EQ(f.popUp->indexOfSelectedItem(), 1);
    EXPECT_EQ(f.chosen.actions, 1);

    combo->showPopup();
    ASSERT_TRUE(list->isVisible());
    QTest::keyClick(list, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_FALSE(list->isVisible()) << "Escape leaves the list open";
    EXPECT_EQ(f.popUp->indexOfSelectedItem(), 1);

    // The buttons' animated click would come after a moment.
    QTest::qWait(300);
    EXPECT_EQ(defaults, 0) << "Return pressed the default button too";
    EXPECT_EQ(cancels, 0) << "Escape pressed the cancel button too";
}
