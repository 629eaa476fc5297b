// Menus: look-up, insertion and removal, states, validation through the target,
// the delegate's menuWillOpen, actions by name and by function, the menu bar.

#include "platform/foundation/Log.h"
#include "platform/kit/Action.h"
#include "platform/kit/ContextMenu.h"
#include "platform/kit/Event.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuBar.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QKeySequence>

#include <gtest/gtest.h>

#include <memory>

using namespace kit;

namespace {

// A target that takes some operations and validates items by their tags:
// tag 1 disabled, any other tag enabled.
class Target : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void cmiShowEvents(QObject* sender) { senders << sender; }
    Q_INVOKABLE void cmiNoSender() { ++noSender; }
    Q_INVOKABLE bool validateMenuItem(QObject* item) {
        ++validations;
        return static_cast<MenuItem*>(item)->tag() != 1;
    }
    QList<QObject*> senders;
    int noSender = 0;
    int validations = 0;
};

// A target without validateMenuItem.
class PlainTarget : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void cmiMarkDaysAs(QObject* sender) { senders << sender; }
    QList<QObject*> senders;
};

// A menu delegate that inserts an item the first time the menu opens, as the
// context menus of the year and week views do.
class Delegate : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void menuWillOpen(QObject* menu) {
        ++opened;
        auto* m = static_cast<Menu*>(menu);
        validatedBeforeDelegate = m->itemWithTitle("Inserted") != nullptr;
        if (!m->itemWithTitle("Inserted")) {
            auto* item = m->insertItemWithTitle("Inserted", "cmiShowEvents", QString(), 0);
            item->setTarget(target);
            item->setTag(1);  // the target disables it
        }
    }
    Q_INVOKABLE void menuDidClose(QObject*) { ++closed; }
    QObject* target = nullptr;
    int opened = 0, closed = 0;
    bool validatedBeforeDelegate = false;
};

// A view of a window that takes an operation sent without a target.
class ChainView : public View {
    Q_OBJECT
public:
    explicit ChainView(const QRectF& f) : View(f) {}
    bool acceptsFirstResponder() override { return true; }
    Q_INVOKABLE void menuCommandNextYear(QObject* sender) { senders << sender; }
    QList<QObject*> senders;
};

class AppDelegate : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void menuPreferences(QObject* sender) { senders << sender; }
    QList<QObject*> senders;
};

// Restores the normal showing of context menus at the end of a test.
struct ContextMenuHandler {
    explicit ContextMenuHandler(ContextMenu::Handler h) { ContextMenu::setHandlerForTesting(h); }
    ~ContextMenuHandler() { ContextMenu::setHandlerForTesting({}); }
};

}  // namespace

TEST(Menu, FindsItemsByTitleTagAndRepresentedObjectAndKeepsOrderOnInsertAndRemove) {
    Menu menu("Context");
    for (const char* t : {"Show Events", "Colorize", "Holidays", "Birthdays", "Notes", "Prefs"})
        menu.addItemWithTitle(t, "cmiShowEvents");
    menu.itemAtIndex(2)->setTag(42);
    menu.itemAtIndex(3)->setRepresentedObject(QStringLiteral("uid-birthdays"));
    menu.insertItemAtIndex(MenuItem::separatorItem(), 6);
    menu.insertItemWithTitle("Mark As", QByteArray(), QString(), 6);
    menu.insertItemWithTitle("Edit Notes", "cmiShowEvents", QString(), 6);

    EXPECT_EQ(menu.numberOfItems(), 9);
    EXPECT_EQ(menu.indexOfItemWithTitle("Edit Notes"), 6);
    EXPECT_EQ(menu.indexOfItemWithTitle("Mark As"), 7);
    EXPECT_TRUE(menu.itemAtIndex(8)->isSeparatorItem());
    EXPECT_EQ(menu.indexOfItemWithTag(42), 2);
    EXPECT_EQ(menu.itemWithTag(42)->title(), "Holidays");
    EXPECT_EQ(menu.indexOfItemWithRepresentedObject(QStringLiteral("uid-birthdays")), 3);
    // Model objects shared by pointer are found by identity.
    const auto calendar = std::make_shared<int>(7);
    menu.itemAtIndex(4)->setRepresentedObject(QVariant::fromValue(calendar));
    EXPECT_EQ(menu.indexOfItemWithRepresentedObject(QVariant::fromValue(calendar)), 4);
    EXPECT_EQ(menu.indexOfItemWithRepresentedObject(QVariant::fromValue(std::make_shared<int>(7))),
              -1);
    EXPECT_EQ(menu.indexOfItemWithTitle("Missing"), -1);
    EXPECT_EQ(menu.itemWithTag(7), nullptr);
    EXPECT_EQ(menu.itemAtIndex(99), nullptr);
    EXPECT_EQ(menu.itemAtIndex(-1), nullptr);

    // Removing at the position of the first block item three times takes the
    // block out again; the interface items keep their order.
    const int p = menu.indexOfItemWithTitle("Edit Notes");
    for (int i = 0; i < 3; ++i) menu.removeItemAtIndex(p);
    EXPECT_EQ(menu.numberOfItems(), 6);
    EXPECT_EQ(menu.itemAtIndex(5)->title(), "Prefs");
    menu.removeItemAtIndex(17);  // nothing there
    EXPECT_EQ(menu.numberOfItems(), 6);

    // An index past the end appends.
    menu.insertItemWithTitle("Last", QByteArray(), QString(), 100);
    EXPECT_EQ(menu.indexOfItemWithTitle("Last"), 6);
    menu.removeAllItems();
    EXPECT_EQ(menu.numberOfItems(), 0);
}

TEST(Menu, TitlesAreTakenLiterally) {
    Menu menu;
    MenuItem* item = menu.addItemWithTitle("Holidays & Birthdays");
    EXPECT_EQ(item->title(), "Holidays & Birthdays");
    EXPECT_EQ(menu.indexOfItemWithTitle("Holidays & Birthdays"), 0);
    // Qt would otherwise read the ampersand as a mnemonic.
    EXPECT_EQ(item->text(), "Holidays && Birthdays");
}

TEST(Menu, AnItemIsInOneMenuAtATime) {
    foundation::LogCapture log;
    Menu a, b;
    MenuItem* item = a.addItemWithTitle("Only once");
    EXPECT_FALSE(b.addItem(item));
    EXPECT_FALSE(a.addItem(item));
    EXPECT_EQ(a.numberOfItems(), 1);
    EXPECT_EQ(b.numberOfItems(), 0);
    EXPECT_TRUE(log.contains("already in menu"));
    // Taken out, it may go elsewhere.
    EXPECT_EQ(a.takeItem(item), item);
    EXPECT_TRUE(b.addItem(item));
    EXPECT_EQ(item->menu(), &b);
}

TEST(Menu, StatesAreOnOffOrMixedAndShowInTheIconColumn) {
    struct Case {
        int set;
        int expected;
    };
    const Case cases[] = {{1, MenuItem::On},
                          {0, MenuItem::Off},
                          {-1, MenuItem::Mixed},
                          {5, MenuItem::On},
                          {-7, MenuItem::Mixed}};
    for (const Case& c : cases) {
        MenuItem item("Marker");
        item.setState(c.set);
        EXPECT_EQ(item.state(), c.expected) << c.set;
        EXPECT_EQ(item.icon().isNull(), c.expected == MenuItem::Off) << c.set;
    }
    MenuItem withImage("Marker");
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::red);
    withImage.setImage(img);
    EXPECT_FALSE(withImage.icon().isNull());
    withImage.setState(MenuItem::Mixed);
    const QImage on = withImage.icon().pixmap(16, 16).toImage();
    withImage.setState(MenuItem::Off);
    const QImage off = withImage.icon().pixmap(16, 16).toImage();
    EXPECT_NE(on, off);  // the badge shows
}

TEST(Menu, ValidationAsksTheTargetOrWhetherAnyoneTakesTheAction) {
    Target target;
    PlainTarget plain;
    Menu menu;
    struct Case {
        const char* title;
        QByteArray action;
        QObject* target;
        int tag;
        bool hasSubmenu;
        bool ownEnabled;
        bool expected;
    };
    const Case cases[] = {
        {"validated yes", "cmiShowEvents", &target, 0, false, true, true},
        {"validated no", "cmiShowEvents", &target, 1, false, true, false},
        {"target lacks action", "cmiMissing", &target, 0, false, true, false},
        {"plain target", "cmiMarkDaysAs", &plain, 0, false, true, true},
        {"no action", "", nullptr, 0, false, true, false},
        {"submenu enabled", "", nullptr, 0, true, true, true},
        {"submenu disabled", "", nullptr, 0, true, false, false},
        {"nobody takes it", "cmiNobodyHasThis", nullptr, 0, false, true, false},
    };
    for (const Case& c : cases) {
        MenuItem* item = menu.addItemWithTitle(c.title, c.action);
        item->setTarget(c.target);
        item->setTag(c.tag);
        if (c.hasSubmenu) item->setSubmenu(new Menu(c.title));
        item->setEnabled(c.ownEnabled);
    }
    MenuItem* fn = menu.addItemWithTitle("function");
    fn->setActionHandler([](QObject*) {});

    menu.validateItems();
    for (const Case& c : cases)
        EXPECT_EQ(menu.itemWithTitle(c.title)->isEnabled(), c.expected) << c.title;
    EXPECT_TRUE(fn->isEnabled());
    EXPECT_GE(target.validations, 2);

    // A menu that does not enable its items keeps what they were given.
    Menu manual;
    manual.setAutoenablesItems(false);
    MenuItem* kept = manual.addItemWithTitle("kept", "cmiNobodyHasThis");
    manual.validateItems();
    EXPECT_TRUE(kept->isEnabled());
    kept->setEnabled(false);
    manual.validateItems();
    EXPECT_FALSE(kept->isEnabled());
}

TEST(Menu, ChoosingAnItemSendsItsActionWithTheItemAsSender) {
    Target target;
    Menu menu;
    MenuItem* show = menu.addItemWithTitle("Show", "cmiShowEvents");
    show->setTarget(&target);
    MenuItem* bare = menu.addItemWithTitle("Bare", "cmiNoSender");
    bare->setTarget(&target);
    MenuItem* disabled = menu.addItemWithTitle("Disabled", "cmiShowEvents");
    disabled->setTarget(&target);
    disabled->setTag(1);
    QObject* lambdaSender = nullptr;
    MenuItem* fn = menu.addItemWithTitle("Function");
    fn->setActionHandler([&](QObject* s) { lambdaSender = s; });

    show->trigger();  // as the user's choice
    EXPECT_TRUE(bare->performAction());
    EXPECT_FALSE(disabled->performAction());
    fn->trigger();
    EXPECT_EQ(target.senders, QList<QObject*>({show}));
    EXPECT_EQ(target.noSender, 1);
    EXPECT_EQ(lambdaSender, fn);
}

TEST(Menu, AnItemMayRemoveItselfWhileItActs) {
    Menu menu;
    MenuItem* item = menu.addItemWithTitle("Once");
    QPointer<MenuItem> guard(item);
    item->setActionHandler([&](QObject* sender) {
        menu.removeItem(static_cast<MenuItem*>(sender));
        EXPECT_EQ(menu.numberOfItems(), 0);
    });
    item->trigger();
    EXPECT_TRUE(guard);  // dropped after the event, not under its own feet
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(guard);
}

TEST(Menu, OpeningTellsTheDelegateThenValidatesWhatItInserted) {
    Target target;
    Delegate delegate;
    delegate.target = &target;
    Menu menu;
    menu.setDelegate(&delegate);
    menu.addItemWithTitle("Fixed", "cmiShowEvents")->setTarget(&target);
    View view(QRectF(0, 0, 50, 50));
    menu.itemAtIndex(0)->setEnabled(true);

    int shown = 0;
    ContextMenuHandler handler([&](QMenu* m, const Event&, View* v) {
        ++shown;
        EXPECT_EQ(m, &menu);
        EXPECT_EQ(v, &view);
        // What the user sees: the inserted item, disabled by the target.
        auto* km = static_cast<Menu*>(m);
        ASSERT_EQ(km->numberOfItems(), 2);
        EXPECT_EQ(km->itemAtIndex(0)->title(), "Inserted");
        EXPECT_FALSE(km->itemAtIndex(0)->isEnabled());
        EXPECT_TRUE(km->itemAtIndex(1)->isEnabled());
    });
    const Event click = Event::mouseEvent(EventType::RightMouseDown, QPointF(5, 5));
    Menu::popUpContextMenu(&menu, click, &view);
    Menu::popUpContextMenu(&menu, click, &view);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(delegate.opened, 2);
    EXPECT_EQ(delegate.closed, 2);
    EXPECT_EQ(menu.numberOfItems(), 2);  // inserted once, found by title the second time
    // Opening twice without closing tells the delegate once.
    menu.willOpen();
    menu.willOpen();
    EXPECT_EQ(delegate.opened, 3);
    menu.didClose();
}

TEST(Menu, ActionsWithoutTargetGoAlongTheKeyWindowsChainThenToTheApplicationDelegate) {
    Window window(QRectF(100, 100, 200, 150));
    auto* view = new ChainView(QRectF(10, 10, 50, 50));
    window.contentView()->addSubview(view);
    window.makeKeyAndOrderFront();
    ASSERT_TRUE(window.makeFirstResponder(view));
    AppDelegate app;
    Action::setApplicationDelegate(&app);

    Menu menu;
    MenuItem* next = menu.addItemWithTitle("Next Year", "menuCommandNextYear");
    MenuItem* prefs = menu.addItemWithTitle("Preferences", "menuPreferences");
    MenuItem* none = menu.addItemWithTitle("Nothing", "menuNobodyHas");
    menu.validateItems();
    EXPECT_TRUE(next->isEnabled());
    EXPECT_TRUE(prefs->isEnabled());
    EXPECT_FALSE(none->isEnabled());
    next->trigger();
    prefs->trigger();
    EXPECT_EQ(view->senders, QList<QObject*>({next}));
    EXPECT_EQ(app.senders, QList<QObject*>({prefs}));

    // Without a key window the view is out of reach.
    window.orderOut();
    menu.validateItems();
    EXPECT_FALSE(next->isEnabled());
    Action::setApplicationDelegate(nullptr);
}

TEST(Menu, KeyEquivalentsBecomeShortcutsWithCommandAsControl) {
    struct Case {
        QString key;
        unsigned mask;
        QKeySequence expected;
    };
    const Case cases[] = {
        {"n", ModifierFlags::Command, QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"N", ModifierFlags::Command, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
        {",", ModifierFlags::Command, QKeySequence(Qt::CTRL | Qt::Key_Comma)},
        {"t", ModifierFlags::Command | ModifierFlags::Option,
         QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_T)},
        {QString(QChar(KeyCharacters::RightArrow)), ModifierFlags::Command,
         QKeySequence(Qt::CTRL | Qt::Key_Right)},
        {"", ModifierFlags::Command, QKeySequence()},
    };
    for (const Case& c : cases) {
        MenuItem item("Item", "cmiX", c.key);
        item.setKeyEquivalentModifierMask(c.mask);
        EXPECT_EQ(item.shortcut(), c.expected) << c.key.toStdString();
    }
}

TEST(Menu, SubmenusKnowTheirSupermenuAndGoWithTheirItem) {
    Menu menu("Context");
    MenuItem* markAs = menu.addItemWithTitle("Mark As");
    auto* sub = new Menu("Mark As");
    menu.setSubmenuForItem(sub, markAs);
    EXPECT_EQ(markAs->submenu(), sub);
    EXPECT_EQ(sub->supermenu(), &menu);
    EXPECT_EQ(menu.indexOfItemWithSubmenu(sub), 0);
    QPointer<Menu> guard(sub);
    menu.removeItem(markAs);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(guard);
}

TEST(Menu, TheMenuBarFollowsTheMainMenu) {
    Menu main;
    MenuItem* file = main.addItemWithTitle("File");
    file->setSubmenu(new Menu("File"));
    MenuBar::setMainMenu(&main);
    Window window(QRectF(100, 100, 300, 200));
    const QRectF before = window.frame();
    MenuBar* bar = MenuBar::attachToWindow(&window);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(window.menuBarWidget(), bar);
    EXPECT_EQ(bar->actions().size(), 1);
    // The content keeps its size; the window grows by the bar.
    EXPECT_EQ(window.contentView()->frame().size(), before.size());
    EXPECT_GT(window.frame().height(), before.height());
    EXPECT_DOUBLE_EQ(window.frame().y() + window.frame().height(), before.y() + before.height());

    MenuItem* view = main.addItemWithTitle("View");
    view->setSubmenu(new Menu("View"));
    EXPECT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions().at(1), view);
    MenuBar::setMainMenu(nullptr);
    EXPECT_TRUE(bar->actions().isEmpty());
}

#include "MenuTest.moc"
