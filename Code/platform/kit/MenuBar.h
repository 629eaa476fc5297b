#pragma once

#include <QMenuBar>
#include <QPointer>

namespace kit {

class Menu;
class Window;

// The application's menu bar: the main menu, whose items' submenus are the
// menus of the bar. The bar is shown at the top of the windows it is attached to
// and follows the main menu as items are inserted and removed. Main thread only.
class MenuBar final : public QMenuBar {
    Q_OBJECT

public:
    // The application's main menu (null until set); the application owns it.
    static Menu* mainMenu();
    static void setMainMenu(Menu* menu);
    // Shows a bar of the main menu at the top of `window` (the window takes it);
    // answers the bar.
    static MenuBar* attachToWindow(Window* window);

    explicit MenuBar(Menu* menu);
    Menu* menu() const;
    void setMenu(Menu* menu);

private:
    void rebuild();

    QPointer<Menu> menu_;
    QMetaObject::Connection connection_;
};

}  // namespace kit
