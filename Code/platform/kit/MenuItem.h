#pragma once

#include "platform/kit/Action.h"

#include <QAction>
#include <QImage>
#include <QKeySequence>
#include <QPointer>
#include <QString>
#include <QVariant>

namespace kit {

class Menu;

// One entry of a menu: a title with an optional image and key equivalent, a
// state shown in front of it (on: a check mark, mixed: a dash), a tag and a
// represented object to tell items apart (items standing for calendars and
// markers carry their UID there, never relying on titles), an action, and an
// optional submenu. Separators are items too.
//
// Enabling: in a menu that enables its items itself (the default), an item is
// validated just before the menu opens and before its key equivalent acts: its
// target is asked validateMenuItem (with the item) when it has that operation,
// else the item is enabled exactly when someone takes its action; an item with
// a submenu and no action keeps the enabled state it was given; any other item
// without an action is disabled. Main thread only.
class MenuItem : public QAction {
    Q_OBJECT

public:
    enum State { Off = 0, On = 1, Mixed = -1 };

    explicit MenuItem(const QString& title = QString(), const QByteArray& action = QByteArray(),
                      const QString& keyEquivalent = QString());
    ~MenuItem() override;
    static MenuItem* separatorItem();

    QString title() const { return title_; }
    void setTitle(const QString& title);
    bool isSeparatorItem() const { return isSeparator(); }

    // -- Action
    QObject* target() const { return action_.target(); }
    void setTarget(QObject* target) { action_.setTarget(target); }
    QByteArray action() const { return action_.name(); }
    void setAction(const QByteArray& name) { action_.setName(name); }
    void setActionHandler(Action::Handler handler) { action_.setHandler(std::move(handler)); }
    bool hasAction() const { return !action_.isEmpty(); }
    // Validates the item and, when it is enabled, sends its action with the item
    // as sender (what choosing it does); answers whether it was sent.
    bool performAction();

    // -- Identity and look
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    QVariant representedObject() const { return represented_; }
    void setRepresentedObject(const QVariant& object) { represented_ = object; }
    int state() const { return state_; }
    void setState(int state);
    QImage image() const { return image_; }
    void setImage(const QImage& image);
    // The key and the modifier flags (ModifierFlags) that choose the item; an
    // upper-case letter implies Shift. Command is the default modifier.
    QString keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(const QString& key);
    unsigned keyEquivalentModifierMask() const { return keyMask_; }
    void setKeyEquivalentModifierMask(unsigned mask);
    // The Qt shortcut of a key equivalent (also used by buttons).
    static QKeySequence keySequenceFor(const QString& key, unsigned modifierMask);

    // -- Enabling. setEnabled sets the state the item keeps where it is not
    // validated; isEnabled answers the state shown now.
    void setEnabled(bool enabled);
    // Works out the enabled state as described above (the state an
    // autoenabling menu gives the item).
    bool validate() const;

    // -- Menus
    // The menu holding the item (null when none).
    Menu* menu() const;
    Menu* submenu() const;
    bool hasSubmenu() const { return !submenu_.isNull(); }
    // The item takes `submenu` (and drops the one it had).
    void setSubmenu(Menu* submenu);

private:
    friend class Menu;
    void updateIcon();
    void updateShortcut();
    void triggeredByUser();

    QString title_;
    Action action_;
    int tag_ = 0;
    QVariant represented_;
    int state_ = Off;
    QImage image_;
    QString keyEquivalent_;
    unsigned keyMask_;
    bool ownEnabled_ = true;
    QPointer<Menu> menu_;
    QPointer<Menu> submenu_;
};

}  // namespace kit
