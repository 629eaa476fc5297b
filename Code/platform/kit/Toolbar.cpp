#include "platform/kit/Toolbar.h"

#include "platform/kit/Image.h"
#include "platform/kit/ToolbarItem.h"
#include "platform/kit/Window.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QPixmap>
#include <QSizePolicy>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

// Every toolbar alive, for the validation after the user's input.
std::vector<QPointer<Toolbar>>& toolbars() {
    static std::vector<QPointer<Toolbar>> list;
    return list;
}

// Validates the visible toolbars once the click or key press that may have
// changed what their items can do has been handled.
class InputWatcher final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override {
        const auto t = e->type();
        if ((t == QEvent::MouseButtonRelease || t == QEvent::KeyRelease) && !pending_) {
            pending_ = true;
            QTimer::singleShot(0, this, [this] {
                pending_ = false;
                auto list = toolbars();
                for (const auto& tb : list)
                    if (tb && tb->window() && tb->isVisible()) tb->validateVisibleItems();
            });
        }
        return false;
    }

private:
    bool pending_ = false;
};

void watchInput() {
    static InputWatcher* watcher = nullptr;
    if (watcher || !QCoreApplication::instance()) return;
    watcher = new InputWatcher;
    watcher->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(watcher);
}

QIcon iconFor(const QImage& image) {
    if (image.isNull()) return QIcon();
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace

Toolbar::Toolbar(const QString& identifier) : identifier_(identifier) {
    bar_ = new QToolBar;
    bar_->setMovable(false);
    bar_->setFloatable(false);
    bar_->setIconSize(QSize(32, 32));
    bar_->hide();
    toolbars().push_back(this);
}

Toolbar::~Toolbar() {
    auto& list = toolbars();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [this](const QPointer<Toolbar>& t) { return !t || t == this; }),
               list.end());
    if (Window* w = window(); w && w->toolbar() == this) {
        setParent(nullptr);  // going now: nothing left for the window to drop
        w->setToolbar(nullptr);
    }
    delete bar_.data();
}

Window* Toolbar::window() const {
    return static_cast<Window*>(window_.data());
}

QWidget* Toolbar::widget() const {
    return bar_;
}

void Toolbar::setWindow(Window* window) {
    if (window == this->window()) return;
    window_ = window;
    if (!bar_) return;
    if (window) {
        bar_->setParent(window->widget());
        watchInput();
        validateVisibleItems();
    } else {
        bar_->hide();
        bar_->setParent(nullptr);
    }
}

void Toolbar::insertItemAtIndex(ToolbarItem* item, int index) {
    if (!item) return;
    if (std::find(items_.begin(), items_.end(), item) != items_.end()) return;
    index = std::clamp(index, 0, int(items_.size()));
    item->setParent(this);
    items_.insert(items_.begin() + index, item);
    connect(item, &ToolbarItem::changed, this, [this, item] { refresh(item); });
    rebuild();
}

void Toolbar::removeItemAtIndex(int index) {
    if (index < 0 || index >= int(items_.size())) return;
    ToolbarItem* item = items_[size_t(index)];
    items_.erase(items_.begin() + index);
    buttons_.erase(item);
    item->disconnect(this);
    item->deleteLater();  // it may be the one whose action is running
    rebuild();
}

ToolbarItem* Toolbar::itemWithIdentifier(const QString& identifier) const {
    for (ToolbarItem* i : items_)
        if (i->itemIdentifier() == identifier) return i;
    return nullptr;
}

void Toolbar::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (visible) validateVisibleItems();
    if (Window* w = window()) w->barsChanged();
}

void Toolbar::setDisplayMode(DisplayMode mode) {
    if (mode == mode_) return;
    mode_ = mode;
    rebuild();
    if (Window* w = window()) w->barsChanged();
}

void Toolbar::setSelectedItemIdentifier(const QString& identifier) {
    if (identifier == selected_) return;
    selected_ = identifier;
    for (ToolbarItem* i : items_) refresh(i);
}

void Toolbar::setSelectableItemIdentifiers(const QStringList& identifiers) {
    selectable_ = identifiers;
    for (ToolbarItem* i : items_) refresh(i);
}

void Toolbar::validateVisibleItems() {
    for (ToolbarItem* i : items_) i->validate();
}

void Toolbar::rebuild() {
    if (!bar_) return;
    // Dropping the actions drops the buttons and spaces they hold; later, since
    // a button may be the one whose click is being handled.
    const auto old = bar_->actions();
    for (QAction* a : old) {
        bar_->removeAction(a);
        a->deleteLater();
    }
    buttons_.clear();
    for (ToolbarItem* item : items_) {
        if (item->itemIdentifier() == ToolbarItem::separatorIdentifier()) {
            bar_->addSeparator();
            continue;
        }
        if (item->isSpaceOrSeparator()) {
            auto* space = new QWidget;
            const bool flexible = item->itemIdentifier() == ToolbarItem::flexibleSpaceIdentifier();
            space->setMinimumWidth(flexible ? 8 : 32);
            space->setSizePolicy(flexible ? QSizePolicy::Expanding : QSizePolicy::Fixed,
                                 QSizePolicy::Preferred);
            bar_->addWidget(space);
            continue;
        }
        auto* button = new QToolButton;
        button->setObjectName(item->itemIdentifier());
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, item, [this, item] {
            if (selectable_.contains(item->itemIdentifier()))
                setSelectedItemIdentifier(item->itemIdentifier());
            else
                refresh(item);  // a click does not check an item that cannot be selected
            item->performAction();
        });
        bar_->addWidget(button);
        buttons_[item] = button;
        refresh(item);
    }
}

void Toolbar::refresh(ToolbarItem* item) {
    if (!bar_) return;
    auto it = buttons_.find(item);
    QToolButton* button = it == buttons_.end() ? nullptr : it->second.data();
    if (!button) return;
    button->setText(item->label());
    button->setToolTip(item->toolTip());
    button->setIcon(iconFor(item->image()));
    button->setEnabled(item->isEnabled());
    // The selected item is drawn pressed in.
    const bool selected = !selected_.isEmpty() && item->itemIdentifier() == selected_;
    button->setCheckable(selected || selectable_.contains(item->itemIdentifier()));
    button->setChecked(selected);
    switch (mode_) {
        case DisplayMode::IconAndLabel:
            button->setToolButtonStyle(item->image().isNull() ? Qt::ToolButtonTextOnly
                                                              : Qt::ToolButtonTextUnderIcon);
            break;
        case DisplayMode::IconOnly:
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
            break;
        case DisplayMode::LabelOnly:
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
            break;
    }
    if (!item->image().isNull()) {
        const QSizeF s = Image::sizeInPoints(item->image());
        const double scale = std::min(1.0, 32.0 / std::max(s.width(), s.height()));
        button->setIconSize(
            QSize(int(std::lround(s.width() * scale)), int(std::lround(s.height() * scale))));
    }
}

}  // namespace kit
