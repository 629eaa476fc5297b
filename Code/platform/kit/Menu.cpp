#include "platform/kit/Menu.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/kit/Action.h"
#include "platform/kit/ContextMenu.h"
#include "platform/kit/MenuItem.h"

namespace kit {

namespace {

QString escaped(const QString& title) {
    QString t = title;
    return t.replace(u'&', QStringLiteral("&&"));
}

}  // namespace

Menu::Menu(const QString& title) {
    setTitle(title);
    connect(this, &QMenu::aboutToShow, this, &Menu::willOpen);
    connect(this, &QMenu::aboutToHide, this, &Menu::didClose);
}

// Items still in the menu forget it first: Qt deletes the items it owns only
// after this part of the menu is gone, and they must not call back into it.
Menu::~Menu() {
    for (QAction* action : actions())
        if (auto* item = qobject_cast<MenuItem*>(action); item && item->menu_ == this)
            item->menu_ = nullptr;
}

void Menu::setTitle(const QString& title) {
    foundation::requireMainThread("Menu::setTitle");
    title_ = title;
    QMenu::setTitle(escaped(title));
}

int Menu::numberOfItems() const {
    return int(actions().size());
}

std::vector<MenuItem*> Menu::itemArray() const {
    std::vector<MenuItem*> items;
    for (QAction* a : actions())
        if (auto* i = qobject_cast<MenuItem*>(a)) items.push_back(i);
    return items;
}

MenuItem* Menu::itemAtIndex(int index) const {
    const auto list = actions();
    if (index < 0 || index >= list.size()) return nullptr;
    return qobject_cast<MenuItem*>(list.at(index));
}

int Menu::indexOfItem(const MenuItem* item) const {
    const auto list = actions();
    for (int i = 0; i < list.size(); ++i)
        if (list.at(i) == item) return i;
    return -1;
}

int Menu::indexOfItemWithTitle(const QString& title) const {
    const auto list = actions();
    for (int i = 0; i < list.size(); ++i) {
        auto* item = qobject_cast<MenuItem*>(list.at(i));
        if (item && !item->isSeparator() && item->title() == title) return i;
    }
    return -1;
}

int Menu::indexOfItemWithTag(int tag) const {
    const auto list = actions();
    for (int i = 0; i < list.size(); ++i) {
        auto* item = qobject_cast<MenuItem*>(list.at(i));
        if (item && !item->isSeparator() && item->tag() == tag) return i;
    }
    return -1;
}

int Menu::indexOfItemWithRepresentedObject(const QVariant& object) const {
    const auto list = actions();
    for (int i = 0; i < list.size(); ++i) {
        auto* item = qobject_cast<MenuItem*>(list.at(i));
        if (item && item->representedObject().isValid() && item->representedObject() == object)
            return i;
    }
    return -1;
}

int Menu::indexOfItemWithSubmenu(const Menu* submenu) const {
    const auto list = actions();
    for (int i = 0; i < list.size(); ++i) {
        auto* item = qobject_cast<MenuItem*>(list.at(i));
        if (item && submenu && item->submenu() == submenu) return i;
    }
    return -1;
}

MenuItem* Menu::itemWithTitle(const QString& title) const {
    return itemAtIndex(indexOfItemWithTitle(title));
}

MenuItem* Menu::itemWithTag(int tag) const {
    return itemAtIndex(indexOfItemWithTag(tag));
}

bool Menu::insertItemAtIndex(MenuItem* item, int index) {
    foundation::requireMainThread("Menu::insertItemAtIndex");
    if (!item) return false;
    if (item->menu()) {
        foundation::log(QStringLiteral("Menu item \"%1\" is already in menu \"%2\"")
                            .arg(item->title(), item->menu()->title()));
        return false;
    }
    const auto list = actions();
    QAction* before = index >= 0 && index < list.size() ? list.at(index) : nullptr;
    item->setParent(this);
    item->menu_ = this;
    insertAction(before, item);
    emit itemsChanged();
    return true;
}

bool Menu::addItem(MenuItem* item) {
    return insertItemAtIndex(item, numberOfItems());
}

MenuItem* Menu::insertItemWithTitle(const QString& title, const QByteArray& action,
                                    const QString& keyEquivalent, int index) {
    auto* item = new MenuItem(title, action, keyEquivalent);
    insertItemAtIndex(item, index);
    return item;
}

MenuItem* Menu::addItemWithTitle(const QString& title, const QByteArray& action,
                                 const QString& keyEquivalent) {
    return insertItemWithTitle(title, action, keyEquivalent, numberOfItems());
}

void Menu::removeItemAtIndex(int index) {
    foundation::requireMainThread("Menu::removeItemAtIndex");
    const auto list = actions();
    if (index < 0 || index >= list.size()) return;
    QAction* a = list.at(index);
    if (auto* item = qobject_cast<MenuItem*>(a)) {
        removeItem(item);
        return;
    }
    removeAction(a);
    if (a->parent() == this) a->deleteLater();
    emit itemsChanged();
}

void Menu::removeItem(MenuItem* item) {
    if (!item || item->menu() != this) return;
    takeItem(item);
    item->deleteLater();
}

void Menu::removeAllItems() {
    foundation::requireMainThread("Menu::removeAllItems");
    while (numberOfItems() > 0) removeItemAtIndex(numberOfItems() - 1);
}

MenuItem* Menu::takeItem(MenuItem* item) {
    if (!item || item->menu() != this) return nullptr;
    removeAction(item);
    item->menu_ = nullptr;
    item->setParent(nullptr);
    emit itemsChanged();
    return item;
}

void Menu::forgetItem(MenuItem* item) {
    removeAction(item);
    emit itemsChanged();
}

void Menu::setSubmenuForItem(Menu* submenu, MenuItem* item) {
    if (item) item->setSubmenu(submenu);
}

Menu* Menu::supermenu() const {
    auto* item = qobject_cast<MenuItem*>(superItem_.data());
    return item ? item->menu() : nullptr;
}

void Menu::validateItems() {
    if (!autoenables_) return;
    for (MenuItem* item : itemArray())
        if (!item->isSeparator()) item->QAction::setEnabled(item->validate());
}

void Menu::willOpen() {
    if (open_) return;
    open_ = true;
    QPointer<Menu> alive(this);
    if (delegate_) Action::performWithSender(delegate_, "menuWillOpen", this);
    if (alive) validateItems();
}

void Menu::didClose() {
    if (!open_) return;
    open_ = false;
    if (delegate_) Action::performWithSender(delegate_, "menuDidClose", this);
}

void Menu::popUpContextMenu(Menu* menu, const Event& event, View* view) {
    ContextMenu::popUp(menu, event, view);
}

}  // namespace kit
