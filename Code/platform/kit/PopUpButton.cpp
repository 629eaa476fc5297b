#include "platform/kit/PopUpButton.h"

#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QIcon>
#include <QKeyEvent>
#include <QPixmap>
#include <QStandardItemModel>

namespace kit {

namespace {

// Return, Enter and Escape belong to the open list (they choose an item or
// close the list). The list's own handling chooses on Return without claiming
// the key, so the window's buttons with those key equivalents would take it
// as their shortcut as well: Return choosing an item would also press the
// default button (OK, Purge) of the sheet. The key is claimed here and still
// handed on to the list.
class OpenListKeys final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::ShortcutOverride) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !widget->isVisible()) return false;
        switch (static_cast<QKeyEvent*>(e)->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Escape:
                e->accept();
                break;
            default:
                break;
        }
        return false;
    }
};

}  // namespace

PopUpButton::PopUpButton(const QRectF& frame) : Control(frame), menu_(new Menu) {
    menu_->setAutoenablesItems(false);
    auto* combo = new QComboBox;
    combo->setFocusPolicy(Qt::StrongFocus);
    connect(combo, &QComboBox::activated, this, &PopUpButton::chosenByUser);
    // The list and the window around it, either of which has the focus while open.
    auto* keys = new OpenListKeys(combo);
    combo->view()->installEventFilter(keys);
    if (QWidget* list = combo->view()->window(); list != combo->window())
        list->installEventFilter(keys);
    // Every change of an item (title, image, enabled state) and of the list
    // shows in the combo box.
    connect(menu_, &Menu::itemsChanged, this, &PopUpButton::rebuild);
    setHostedWidget(combo);
    storeValue(-1);
}

PopUpButton::~PopUpButton() {
    delete menu_;
}

QComboBox* PopUpButton::comboBox() const {
    return qobject_cast<QComboBox*>(hostedWidget());
}

int PopUpButton::numberOfItems() const {
    return menu_->numberOfItems();
}

MenuItem* PopUpButton::itemAtIndex(int index) const {
    return menu_->itemAtIndex(index);
}

void PopUpButton::removeAllItems() {
    menu_->removeAllItems();
    selected_ = -1;
    storeValue(-1);
    rebuild();
}

MenuItem* PopUpButton::addItemWithTitle(const QString& title) {
    auto* item = new MenuItem(title);
    connect(item, &QAction::changed, this, &PopUpButton::rebuild);
    menu_->addItem(item);
    if (selected_ < 0) selectItemAtIndex(menu_->indexOfItem(item));
    return item;
}

void PopUpButton::addItemsWithTitles(const QStringList& titles) {
    for (const QString& t : titles) addItemWithTitle(t);
}

void PopUpButton::addSeparator() {
    menu_->addItem(MenuItem::separatorItem());
}

int PopUpButton::indexOfItemWithTitle(const QString& title) const {
    return menu_->indexOfItemWithTitle(title);
}

int PopUpButton::indexOfItemWithTag(int tag) const {
    return menu_->indexOfItemWithTag(tag);
}

int PopUpButton::indexOfItemWithRepresentedObject(const QVariant& object) const {
    return menu_->indexOfItemWithRepresentedObject(object);
}

void PopUpButton::selectItemAtIndex(int index) {
    MenuItem* item = menu_->itemAtIndex(index);
    selected_ = item && !item->isSeparatorItem() ? index : -1;
    storeValue(selected_);
    for (MenuItem* i : menu_->itemArray()) i->setState(i == item ? MenuItem::On : MenuItem::Off);
    rebuild();
}

bool PopUpButton::selectItemWithTitle(const QString& title) {
    selectItemAtIndex(indexOfItemWithTitle(title));
    return selected_ >= 0;
}

bool PopUpButton::selectItemWithTag(int tag) {
    selectItemAtIndex(indexOfItemWithTag(tag));
    return selected_ >= 0;
}

void PopUpButton::selectItem(MenuItem* item) {
    selectItemAtIndex(menu_->indexOfItem(item));
}

MenuItem* PopUpButton::selectedItem() const {
    return menu_->itemAtIndex(selected_);
}

QString PopUpButton::titleOfSelectedItem() const {
    MenuItem* item = selectedItem();
    return item ? item->title() : QString();
}

int PopUpButton::selectedTag() const {
    MenuItem* item = selectedItem();
    return item ? item->tag() : -1;
}

void PopUpButton::rebuild() {
    QComboBox* combo = comboBox();
    if (!combo || rebuilding_) return;
    rebuilding_ = true;
    combo->clear();
    const auto items = menu_->itemArray();
    for (int i = 0; i < int(items.size()); ++i) {
        MenuItem* item = items[size_t(i)];
        if (item->isSeparatorItem()) {
            combo->insertSeparator(i);
            continue;
        }
        const QIcon icon =
            item->image().isNull() ? QIcon() : QIcon(QPixmap::fromImage(item->image()));
        combo->addItem(icon, item->title());
        if (auto* model = qobject_cast<QStandardItemModel*>(combo->model()))
            if (QStandardItem* row = model->item(i)) row->setEnabled(item->isEnabled());
    }
    combo->setCurrentIndex(selected_);
    rebuilding_ = false;
}

void PopUpButton::chosenByUser(int index) {
    MenuItem* item = menu_->itemAtIndex(index);
    if (!item || item->isSeparatorItem() || !item->isEnabled()) {
        rebuild();
        return;
    }
    selectItemAtIndex(index);
    if (item->hasAction())
        item->performAction();
    else
        sendAction();
}

}  // namespace kit
