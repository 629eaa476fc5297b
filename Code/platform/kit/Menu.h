#pragma once

#include <QMenu>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <vector>

namespace kit {

class Event;
class MenuItem;
class View;

// A menu: an ordered list of MenuItems over a QMenu, with look-up by title, tag
// and represented object, insertion and removal at an index, a delegate told by
// name when it opens (menuWillOpen, with the menu) and closes (menuDidClose),
// and the validation of its items as it opens (see MenuItem). Context menus of
// views and the submenus of the menu bar are Menus. Main thread only.
class Menu : public QMenu {
    Q_OBJECT

public:
    explicit Menu(const QString& title = QString());
    ~Menu() override;

    QString title() const { return title_; }
    void setTitle(const QString& title);

    // -- Items (separators included). Indexes count from 0.
    int numberOfItems() const;
    std::vector<MenuItem*> itemArray() const;
    MenuItem* itemAtIndex(int index) const;
    int indexOfItem(const MenuItem* item) const;  // -1 when not in this menu
    int indexOfItemWithTitle(const QString& title) const;
    int indexOfItemWithTag(int tag) const;
    int indexOfItemWithRepresentedObject(const QVariant& object) const;
    int indexOfItemWithSubmenu(const Menu* submenu) const;
    MenuItem* itemWithTitle(const QString& title) const;
    MenuItem* itemWithTag(int tag) const;

    // The menu takes the item; an index past the end appends. An item that is
    // already in a menu is not inserted (false, and a log line).
    bool insertItemAtIndex(MenuItem* item, int index);
    bool addItem(MenuItem* item);
    MenuItem* insertItemWithTitle(const QString& title, const QByteArray& action,
                                  const QString& keyEquivalent, int index);
    MenuItem* addItemWithTitle(const QString& title, const QByteArray& action = QByteArray(),
                               const QString& keyEquivalent = QString());
    // Removal drops the item (after the event being handled, since it may be the
    // one chosen); takeItem gives it to the caller instead.
    void removeItemAtIndex(int index);
    void removeItem(MenuItem* item);
    void removeAllItems();
    MenuItem* takeItem(MenuItem* item);
    void setSubmenuForItem(Menu* submenu, MenuItem* item);
    // The menu whose item holds this one as its submenu.
    Menu* supermenu() const;

    // -- Enabling and the delegate
    bool autoenablesItems() const { return autoenables_; }
    void setAutoenablesItems(bool on) { autoenables_ = on; }
    // Validates every item now (in an autoenabling menu).
    void validateItems();
    QObject* delegate() const { return delegate_; }
    void setDelegate(QObject* delegate) { delegate_ = delegate; }
    // Plug-ins of other programs never add to this system's menus; kept for the
    // callers that switch them off.
    void setAllowsContextMenuPlugIns(bool) {}

    // What happens as the menu opens: the delegate's menuWillOpen, then the
    // validation of the items. Runs once per opening, also when the menu opens
    // without being shown (tests).
    void willOpen();
    void didClose();

    // Opens `menu` as the context menu of `view` at the pointer of `event`;
    // returns when it has closed (and the chosen item has acted).
    static void popUpContextMenu(Menu* menu, const Event& event, View* view);

signals:
    // Items were inserted or removed (the menu bar follows).
    void itemsChanged();

private:
    friend class MenuItem;
    void forgetItem(MenuItem* item);

    QString title_;
    bool autoenables_ = true;
    bool open_ = false;
    QPointer<QObject> delegate_;
    QPointer<QObject> superItem_;  // the MenuItem holding this menu
};

}  // namespace kit
