#pragma once

#include "platform/kit/Control.h"

#include <QPointer>
#include <QString>
#include <QVariant>

class QComboBox;

namespace kit {

class Menu;
class MenuItem;

// A pop-up button: a Qt combo box showing the items of a kit Menu, one of them
// selected. Items carry their title, image, tag and represented object
// (calendars and markers by UID); the menu does not enable its items itself, so
// each item keeps the enabled state it was given and a disabled item cannot be
// chosen. Choosing an item selects it and sends the item's own action when it
// has one, else the pop-up's. The selected index is the object value (-1 with
// nothing selected). Main thread only.
class PopUpButton final : public Control {
    Q_OBJECT

public:
    explicit PopUpButton(const QRectF& frame = QRectF());
    ~PopUpButton() override;

    Menu* menu() const { return menu_; }

    int numberOfItems() const;
    MenuItem* itemAtIndex(int index) const;
    void removeAllItems();
    // Adds an item with that title (also when one with that title exists) and
    // answers it, to be given a tag, image or represented object.
    MenuItem* addItemWithTitle(const QString& title);
    void addItemsWithTitles(const QStringList& titles);
    void addSeparator();
    int indexOfItemWithTitle(const QString& title) const;
    int indexOfItemWithTag(int tag) const;
    int indexOfItemWithRepresentedObject(const QVariant& object) const;

    // Selecting something that is not there selects nothing. Code's
    // selections send no action.
    void selectItemAtIndex(int index);
    bool selectItemWithTitle(const QString& title);
    bool selectItemWithTag(int tag);
    void selectItem(MenuItem* item);
    int indexOfSelectedItem() const { return selected_; }
    MenuItem* selectedItem() const;
    QString titleOfSelectedItem() const;
    int selectedTag() const;
    void setObjectValue(const QVariant& value) override { selectItemAtIndex(value.toInt()); }

    QComboBox* comboBox() const;

private:
    void rebuild();
    void chosenByUser(int index);

    Menu* menu_;  // owned
    int selected_ = -1;
    bool rebuilding_ = false;
    bool rebuildQueued_ = false;
};

}  // namespace kit
