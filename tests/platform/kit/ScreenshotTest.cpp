// A window with a menu bar, a toolbar and each control, and an open menu with
// its states, drawn offscreen and saved for a person to look at.

#include "platform/kit/Box.h"
#include "platform/kit/Button.h"
#include "platform/kit/Image.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuBar.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/ToolbarItem.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <QMenuBar>
#include <QPainter>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace kit;

namespace {

// A round icon of one colour with a letter on it.
QImage icon(const QColor& color, const QString& letter, int size = 24) {
    QImage img(size * 2, size * 2, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(2);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(color);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(size / 2);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, letter);
    return img;
}

// Takes every action; disables "TBWeek" as the year pane's window would.
class Controller : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void toolbarShowToday(QObject*) {}
    Q_INVOKABLE void toolbarGotoYear(QObject*) {}
    Q_INVOKABLE void toolbarGotoWeek(QObject*) {}
    Q_INVOKABLE void toolbarNewEvent(QObject*) {}
    Q_INVOKABLE void toolbarPrint(QObject*) {}
    Q_INVOKABLE void cmiShowEvents(QObject*) {}
    Q_INVOKABLE bool validateToolbarItem(QObject* item) {
        return static_cast<ToolbarItem*>(item)->itemIdentifier() != "TBWeek";
    }
};

}  // namespace

TEST(Screenshot, WindowWithToolbarMenuAndEachControl) {
    Controller controller;
    Menu mainMenu("Main");
    for (const char* title : {"Zolt", "File", "Edit", "View", "Window", "Help"}) {
        MenuItem* item = mainMenu.addItemWithTitle(title);
        item->setSubmenu(new Menu(title));
    }
    Menu* view = mainMenu.itemWithTitle("View")->submenu();
    MenuItem* events = view->addItemWithTitle("Show Events", "cmiShowEvents", "e");
    events->setTarget(&controller);
    events->setState(MenuItem::On);
    MenuItem* marker = view->addItemWithTitle("Holiday", "cmiShowEvents");
    marker->setTarget(&controller);
    marker->setState(MenuItem::Mixed);
    marker->setImage(icon(QColor(220, 120, 0), "H", 16));
    MenuItem* plain = view->addItemWithTitle("Birthdays", "cmiShowEvents");
    plain->setTarget(&controller);
    plain->setImage(icon(QColor(40, 140, 60), "B", 16));
    view->addItem(MenuItem::separatorItem());
    MenuItem* mark = view->addItemWithTitle("Mark As");
    auto* markers = new Menu("Mark As");
    markers->addItemWithTitle("Vacation", "cmiShowEvents")->setTarget(&controller);
    mark->setSubmenu(markers);
    view->addItemWithTitle("Nobody Takes This", "cmiNobody");
    MenuBar::setMainMenu(&mainMenu);

    Window window(QRectF(100, 100, 640, 400));
    window.setTitle("Zolt");
    MenuBar::attachToWindow(&window);
    auto* toolbar = new Toolbar("MainToolbar");
    const struct {
        const char* id;
        const char* label;
        const char* action;
        QColor color;
    } items[] = {
        {"TBToday", "Today", "toolbarShowToday", QColor(200, 40, 40)},
        {"TBYear", "Year", "toolbarGotoYear", QColor(40, 90, 200)},
        {"TBWeek", "Week", "toolbarGotoWeek", QColor(40, 90, 200)},
        {"TBNewEvent", "New Event", "toolbarNewEvent", QColor(40, 150, 70)},
        {"TBPrint", "Print", "toolbarPrint", QColor(90, 90, 90)},
    };
    for (const auto& i : items) {
        auto* item = new ToolbarItem(i.id);
        item->setLabel(i.label);
        item->setImage(icon(i.color, QString(i.label).left(1)));
        item->setAction(i.action);
        item->setTarget(&controller);
        toolbar->addItem(item);
        if (QString(i.id) == "TBWeek")
            toolbar->addItem(new ToolbarItem(ToolbarItem::flexibleSpaceIdentifier()));
    }
    window.setToolbar(toolbar);
    toolbar->validateVisibleItems();

    View* content = window.contentView();
    // Left column: buttons.
    auto* push = new Button(QRectF(20, 340, 110, 30));
    push->setTitle("Today");
    push->setKeyEquivalent("\r");
    content->addSubview(push);
    auto* imageButton = new Button(QRectF(140, 340, 34, 30));
    imageButton->setImage(icon(QColor(40, 90, 200), "+", 18));
    content->addSubview(imageButton);
    auto* disabledButton = new Button(QRectF(180, 340, 34, 30));
    disabledButton->setImage(icon(QColor(40, 90, 200), "+", 18));
    disabledButton->setDisabledImage(icon(QColor(190, 190, 190), "+", 18));
    disabledButton->setEnabled(false);
    content->addSubview(disabledButton);
    const struct {
        const char* title;
        int state;
    } boxes[] = {{"Show Events", Button::On},
                 {"Show Holidays", Button::Off},
                 {"Some days marked", Button::Mixed}};
    double y = 300;
    for (const auto& b : boxes) {
        auto* check = new Button(QRectF(20, y, 200, 22), Button::Type::Checkbox);
        check->setTitle(b.title);
        check->setAllowsMixedState(true);
        check->setState(b.state);
        content->addSubview(check);
        y -= 28;
    }
    auto* closed = new Button(QRectF(20, y, 20, 20), Button::Type::Disclosure);
    auto* open = new Button(QRectF(46, y, 20, 20), Button::Type::Disclosure);
    open->setState(Button::On);
    content->addSubview(closed);
    content->addSubview(open);
    auto* disclosureLabel =
        TextField::labelWithString("Disclosure: closed, open", QRectF(74, y, 180, 20));
    content->addSubview(disclosureLabel);

    // Right column: texts, image, progress, box.
    auto* label = TextField::labelWithString(
        "A label that wraps its text onto a second line when it is too long.",
        QRectF(260, 306, 200, 60));
    label->setWraps(true);
    content->addSubview(label);
    auto* field = new TextField(QRectF(260, 284, 200, 24));
    field->setPlaceholderString("Search events");
    content->addSubview(field);
    auto* filledField = new TextField(QRectF(260, 252, 200, 24));
    filledField->setStringValue("Dentist at 9:30");
    content->addSubview(filledField);
    auto* image = new ImageView(QRectF(490, 284, 64, 64));
    image->setImage(icon(QColor(150, 60, 170), "Z", 48));
    content->addSubview(image);
    auto* progress = new ProgressIndicator(QRectF(260, 222, 200, 16));
    progress->setIndeterminate(false);
    progress->setDoubleValue(60);
    content->addSubview(progress);
    auto* busy = new ProgressIndicator(QRectF(260, 198, 200, 16));
    busy->startAnimation();
    content->addSubview(busy);

    auto* box = new Box(QRectF(20, 20, 600, 140));
    box->setTitle("Year view");
    content->addSubview(box);
    auto* inBox = TextField::labelWithString("Views inside a box go into its content view.",
                                             QRectF(10, 80, 400, 20));
    box->contentView()->addSubview(inBox);
    auto* separator = new Box(QRectF(10, 60, 560, 3), Box::Type::Separator);
    box->contentView()->addSubview(separator);
    auto* inBoxCheck = new Button(QRectF(10, 20, 200, 22), Button::Type::Checkbox);
    inBoxCheck->setTitle("Colorize events");
    box->contentView()->addSubview(inBoxCheck);

    window.orderFront();
    const QImage shot = window.widget()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.height(), int(window.frame().height()));
    EXPECT_GT(window.frame().height(), 400);  // the bars came on top of the content

    // The open View menu, validated as the user would see it.
    view->willOpen();
    view->adjustSize();
    const QImage menuShot = view->grab().toImage();
    view->didClose();
    EXPECT_FALSE(view->itemWithTitle("Nobody Takes This")->isEnabled());

    QImage both(shot.width() + menuShot.width() + 20, std::max(shot.height(), menuShot.height()),
                QImage::Format_ARGB32_Premultiplied);
    both.fill(QColor(128, 128, 128));
    {
        QPainter p(&both);
        p.drawImage(0, 0, shot);
        p.drawImage(shot.width() + 20, 40, menuShot);
    }
    const QString path = testsupport::saveForInspection(both, "kit-window-controls");
    EXPECT_FALSE(path.isEmpty());
    window.orderOut();
    MenuBar::setMainMenu(nullptr);
}

#include "ScreenshotTest.moc"
