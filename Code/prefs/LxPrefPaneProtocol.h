#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

#include "platform/kit/View.h"

class appPref;

namespace kit {
class Button;
}  // namespace kit

// What every pane of the preferences window is: an identity (ID, toolbar label,
// window title, icon, tooltip, resizing), a root view made on first request, and
// the three moments the window tells it of. A pane fills its controls from the
// settings when it is about to show and writes them back when it is left; it
// writes back only once it was filled, so a pane never shown never stores
// anything. Main thread only.
class LxPrefPaneProtocol : public QObject {
    Q_OBJECT
public:
    struct Identity {
        QString paneID;
        QString iconName;  // also the name the pane's interface goes by
        QString nameKey, nameDefault;
        QString descriptionKey, descriptionDefault;
        QString toolTipKey, toolTipDefault;
        bool horizontalResizing = false;
        bool verticalResizing = false;
    };

    explicit LxPrefPaneProtocol(Identity identity);
    ~LxPrefPaneProtocol() override;

    // The pane's root view, made on the first request; null when it cannot be made.
    kit::View* paneView();
    QString paneName() const;
    QString paneID() const { return identity_.paneID; }
    QString paneDescription() const;
    QImage paneIcon() const;
    QString paneToolTip() const;
    bool allowsHorizontalResizing() const { return identity_.horizontalResizing; }
    bool allowsVerticalResizing() const { return identity_.verticalResizing; }

    // Before the view becomes the window's content: fills the controls (nothing
    // while the view was never made).
    void willShow();
    // After the switch is complete.
    virtual void activated() {}
    // The window leaves the pane or closes: writes the controls back, once the
    // pane was filled.
    void willClose();

    bool gotLoaded() const { return gotLoaded_; }
    bool hasView() const { return !prefView_.isNull(); }

protected:
    virtual kit::View* makePaneView() = 0;
    virtual void fillControls() = 0;
    virtual void writeBack() = 0;
    kit::View* prefView() const { return prefView_; }

    // The group as the settings hold it now, so that a write-back sets only the
    // pane's own keys over what others wrote meanwhile.
    static appPref freshGroup(const QString& group);
    static void storeGroup(const QString& group, const appPref& values);
    static void showState(kit::Button* checkbox, bool on);
    static bool isChecked(const kit::Button* checkbox);
    // The shared colour panel shows the alpha channel for the panes' wells.
    static void showAlphaInColorPanel();

private:
    Identity identity_;
    QPointer<kit::View> prefView_;
    bool gotLoaded_ = false;
};
