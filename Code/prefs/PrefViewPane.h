#pragma once

#include "prefs/LxPrefPaneProtocol.h"

#include <QList>
#include <QPointer>

#include <map>

namespace kit {
class Button;
class ColorWell;
class Matrix;
}  // namespace kit

// A pane over one view's preference group: where the info popup opens (left
// or right), a column of checkboxes and a column of colour wells, each bound to
// one key of the group. The year view and week view panes are made of it; each
// says which readers to refresh once the group is stored.
class PrefViewPane : public LxPrefPaneProtocol {
    Q_OBJECT
public:
    struct Binding {
        QString key;
        QString titleKey, titleDefault;
    };

    static inline const QString kPopupOpensRight = QStringLiteral("Popup Opens Right");

    kit::Button* checkboxForKey(const QString& key) const;
    kit::ColorWell* wellForKey(const QString& key) const;
    QStringList checkboxKeys() const;
    QStringList colorKeys() const;

    // Tags 1 (left) and 2 (right).
    QPointer<kit::Matrix> gui_infoPopupLocation;

protected:
    PrefViewPane(Identity identity, QString group, QList<Binding> checkboxes,
                 QList<Binding> colors);

    kit::View* makePaneView() override;
    void fillControls() override;
    void writeBack() override;
    // The readers of the group, told after it was stored.
    virtual void refresh() = 0;

private:
    QString group_;
    QList<Binding> checkboxBindings_, colorBindings_;
    std::map<QString, QPointer<kit::Button>> checkboxes_;
    std::map<QString, QPointer<kit::ColorWell>> wells_;
};
