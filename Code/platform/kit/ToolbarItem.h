#pragma once

#include "platform/kit/Action.h"

#include <QImage>
#include <QObject>
#include <QString>

namespace kit {

// One item of a toolbar: a button with an image and a label under it, named by
// its identifier, that sends its action when clicked. Before it is shown and
// after the user acts, the toolbar validates it: its target is asked
// validateToolbarItem (with the item) when it has that operation; otherwise the
// item is enabled exactly when someone takes its action. The identifiers of the
// separator and the spaces make items that only take room. Main thread only.
class ToolbarItem : public QObject {
    Q_OBJECT

public:
    static QString separatorIdentifier() { return QStringLiteral("Separator"); }
    static QString spaceIdentifier() { return QStringLiteral("Space"); }
    static QString flexibleSpaceIdentifier() { return QStringLiteral("FlexibleSpace"); }

    explicit ToolbarItem(const QString& itemIdentifier);

    QString itemIdentifier() const { return identifier_; }
    bool isSpaceOrSeparator() const;

    QString label() const { return label_; }
    void setLabel(const QString& label);
    QString paletteLabel() const { return paletteLabel_.isEmpty() ? label_ : paletteLabel_; }
    void setPaletteLabel(const QString& label) { paletteLabel_ = label; }
    QString toolTip() const { return toolTip_; }
    void setToolTip(const QString& tip);
    QImage image() const { return image_; }
    void setImage(const QImage& image);
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    QObject* target() const { return action_.target(); }
    void setTarget(QObject* target) { action_.setTarget(target); }
    QByteArray action() const { return action_.name(); }
    void setAction(const QByteArray& name) { action_.setName(name); }
    void setActionHandler(Action::Handler handler) { action_.setHandler(std::move(handler)); }

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool autovalidates() const { return autovalidates_; }
    void setAutovalidates(bool on) { autovalidates_ = on; }
    // Asks the target (see above) and sets the enabled state; answers it.
    bool validate();

    // A click: validates the item and, when it is enabled, sends its action.
    bool performAction();

signals:
    // Something the toolbar shows changed.
    void changed();

private:
    QString identifier_;
    QString label_, paletteLabel_, toolTip_;
    QImage image_;
    int tag_ = 0;
    Action action_;
    bool enabled_ = true;
    bool autovalidates_ = true;
};

}  // namespace kit
