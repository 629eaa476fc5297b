#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class QToolBar;
class QToolButton;
class QWidget;

namespace kit {

class ToolbarItem;
class Window;

// A window's toolbar: a row of items under the menu bar, shown or hidden as a
// whole. It owns its items and validates them when its window becomes key, when
// it is shown, and shortly after each click or key press of the user; a window
// shows it through Window::setToolbar. Main thread only.
class Toolbar : public QObject {
    Q_OBJECT

public:
    enum class DisplayMode { IconAndLabel, IconOnly, LabelOnly };

    explicit Toolbar(const QString& identifier);
    ~Toolbar() override;

    QString identifier() const { return identifier_; }

    const std::vector<ToolbarItem*>& items() const { return items_; }
    // Takes the item; an index past the end appends.
    void insertItemAtIndex(ToolbarItem* item, int index);
    void addItem(ToolbarItem* item) { insertItemAtIndex(item, int(items_.size())); }
    // Drops the item at `index` (nothing when there is none).
    void removeItemAtIndex(int index);
    ToolbarItem* itemWithIdentifier(const QString& identifier) const;

    bool isVisible() const { return visible_; }
    void setVisible(bool visible);
    DisplayMode displayMode() const { return mode_; }
    void setDisplayMode(DisplayMode mode);

    // The item drawn as selected (the pane a window shows): empty for none.
    // Clicking one of the selectable items selects it before its action goes.
    QString selectedItemIdentifier() const { return selected_; }
    void setSelectedItemIdentifier(const QString& identifier);
    QStringList selectableItemIdentifiers() const { return selectable_; }
    void setSelectableItemIdentifiers(const QStringList& identifiers);

    // Validates every item (see ToolbarItem::validate).
    void validateVisibleItems();

    Window* window() const;
    // The row of buttons; the window places it.
    QWidget* widget() const;
    // Called by Window::setToolbar.
    void setWindow(Window* window);

private:
    void rebuild();
    void refresh(ToolbarItem* item);

    QString identifier_;
    std::vector<ToolbarItem*> items_;
    bool visible_ = true;
    DisplayMode mode_ = DisplayMode::IconAndLabel;
    QString selected_;
    QStringList selectable_;
    QPointer<QToolBar> bar_;
    std::map<const ToolbarItem*, QPointer<QToolButton>> buttons_;
    QPointer<QObject> window_;
};

}  // namespace kit
