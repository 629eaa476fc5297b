#include "platform/kit/MenuBar.h"

#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/Window.h"

#include <algorithm>
#include <vector>

namespace kit {

namespace {

QPointer<Menu>& theMainMenu() {
    static QPointer<Menu> menu;
    return menu;
}

std::vector<QPointer<MenuBar>>& bars() {
    static std::vector<QPointer<MenuBar>> list;
    return list;
}

}  // namespace

Menu* MenuBar::mainMenu() {
    return theMainMenu();
}

void MenuBar::setMainMenu(Menu* menu) {
    theMainMenu() = menu;
    for (const auto& bar : bars())
        if (bar) bar->setMenu(menu);
}

MenuBar* MenuBar::attachToWindow(Window* window) {
    if (!window) return nullptr;
    auto* bar = new MenuBar(mainMenu());
    auto& list = bars();
    list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
    list.push_back(bar);
    window->setMenuBarWidget(bar);
    return bar;
}

MenuBar::MenuBar(Menu* menu) {
    setNativeMenuBar(false);
    setMenu(menu);
}

Menu* MenuBar::menu() const {
    return menu_;
}

void MenuBar::setMenu(Menu* menu) {
    if (connection_) disconnect(connection_);
    menu_ = menu;
    if (menu) connection_ = connect(menu, &Menu::itemsChanged, this, &MenuBar::rebuild);
    rebuild();
}

void MenuBar::rebuild() {
    clear();
    if (!menu_) return;
    // The bar shows the main menu's own items; each opens its submenu.
    for (MenuItem* item : menu_->itemArray())
        if (!item->isSeparator()) addAction(item);
    if (auto* window = Window::forWidget(parentWidget())) window->barsChanged();
}

}  // namespace kit
