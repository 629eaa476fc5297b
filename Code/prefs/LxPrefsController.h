#pragma once

#include "platform/kit/Toolbar.h"
#include "platform/kit/Window.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class LxPrefPaneProtocol;

// The one preferences window: a small titled window whose toolbar offers one
// item per listed pane and whose content is the view of the pane shown. The
// six panes are registered at start; callers choose which the toolbar offers,
// show the window and switch it to one pane. The window is resized to each
// pane's view with its top edge held in place; panes are told when they are
// shown and left, and the pane shown writes its settings back when the window
// closes. Main thread only.
class LxPrefsController final : public QObject {
    Q_OBJECT
public:
    static inline const QString kSelectedPaneKey = QStringLiteral("Selected Preferences Pane");

    // The one controller, made with the six panes on first use.
    static LxPrefsController* sharedWinController();
    // The one controller when it was made, else null.
    static LxPrefsController* existingWinController();
    static int version() { return 2; }

    // A controller with the six panes (tests make their own).
    LxPrefsController();
    // A controller with no panes (for tests that register their own).
    explicit LxPrefsController(std::nullptr_t);
    ~LxPrefsController() override;

    // Registers the pane under its ID and lists it last.
    void activatePaneForController(std::shared_ptr<LxPrefPaneProtocol> pane);
    // Lists the panes the toolbar offers; IDs without a pane are dropped.
    void setPanesOrder(const QStringList& order);
    QStringList panesOrder() const { return panesOrder_; }
    QStringList loadedPanes() const;
    LxPrefPaneProtocol* paneWithID(const QString& paneID) const;
    LxPrefPaneProtocol* currentPane() const { return currentPane_; }

    void showPreferencesWindow();
    void createPreferencesWindow();
    // Creates the window when there is none (showing a pane that loads, or the
    // "not available" alert when none does), else brings it forward.
    void createPreferencesWindowAndDisplay(bool display);
    void destroyPreferencesWindow();
    kit::Window* preferencesWindow() const { return prefsWindow_; }

    // Switches the window to the pane; false when there is no window, no such
    // pane, or its view cannot be made.
    bool loadPrefsPaneNamed(const QString& paneID, bool display);
    bool loadPreferencePaneNamed(const QString& paneID) { return loadPrefsPaneNamed(paneID, true); }

    // What every caller does: the panes listed, the window shown, the pane chosen.
    void showPanes(const QStringList& order, const QString& paneID);

    // The settings were read again: the pane shown fills its controls afresh so
    // that closing the window does not write the old values back.
    void configurationReloaded();

    void createPrefsToolbar();
    kit::Toolbar* prefsToolbar() const { return prefsToolbar_; }
    Q_INVOKABLE void prefsToolbarItemClicked(QObject* sender);
    Q_INVOKABLE void windowWillClose(QObject* window);

    bool alwaysShowsToolbar() const { return alwaysShowsToolbar_; }
    void setAlwaysShowsToolbar(bool on) { alwaysShowsToolbar_ = on; }
    bool alwaysOpensCentered() const { return alwaysOpensCentered_; }
    void setAlwaysOpensCentered(bool on) { alwaysOpensCentered_ = on; }
    bool debug() const { return debug_; }
    void setDebug(bool on) { debug_ = on; }

private:
    void registerBuiltInPanes();
    void debugLog(const QString& message) const;
    void showNotAvailableAlert();
    bool isPaneView(const kit::View* view) const;
    void dropTakenOut(kit::View* view);

    QPointer<kit::Window> prefsWindow_;
    std::map<QString, std::shared_ptr<LxPrefPaneProtocol>> preferencePanes_;
    QStringList panesOrder_;
    LxPrefPaneProtocol* currentPane_ = nullptr;
    QPointer<kit::Toolbar> prefsToolbar_;
    bool alwaysShowsToolbar_ = false;
    bool alwaysOpensCentered_ = true;
    bool debug_ = false;
};
