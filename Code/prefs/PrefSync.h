#pragma once

#include "prefs/LxPrefPaneProtocol.h"

#include <QPointer>

#include <memory>
#include <vector>

namespace kit {
class Alert;
class Button;
class OpenPanel;
class TextField;
class View;
class Window;
}  // namespace kit

// The "Sync" pane: where the configuration is shared, through the cloud store
// or through an external configuration file several machines can use (holding
// the calendar and marker settings, or every group). It picks or names that
// file, tests a chosen file before offering to load it, and reads the settings
// again when the user agrees. The application also hands it a change of the
// file on disk. There is one pane object, shared by the preferences window and
// the application. Main thread only.
class PrefSync final : public LxPrefPaneProtocol {
    Q_OBJECT
public:
    // Posted after the settings were read again on the user's word.
    static inline const QString kConfigurationReloaded =
        QStringLiteral("Preferences Configuration Reloaded");
    static inline const QString kBaseName = QStringLiteral("ZoltConfig");
    static inline const QString kExtension = QStringLiteral("plist");
    // Waits before a sheet follows the file panel's, and between looks at a main
    // window that is busy with another sheet.
    static constexpr int kSheetDelayMs = 100;
    static constexpr int kBusyRetryMs = 500;

    PrefSync();
    ~PrefSync() override;
    static std::vector<std::shared_ptr<LxPrefPaneProtocol>> preferencePanes();
    static PrefSync* shared();

    // The first free name for a new configuration file in `folder`:
    // "ZoltConfig.plist", else "ZoltConfig-1.plist", "-2" and on.
    static QString findUniqueFilenameAtURL(const QString& folder);
    // Whether the file at the local `path` can serve as the configuration:
    // present, readable, a ".plist", a dictionary of this major and minor version.
    static bool checkAndTryToRead(const QString& path);
    // A chosen file's path, with ".plist" added unless it already ends so.
    static QString configPathForChosenFile(const QString& path);

    void changediCloud(QObject* sender);
    void browsePressed(QObject* sender);
    void createNewFile(QObject* sender);
    // Takes what the file panel chose.
    void apply();
    void askRead();
    void cantRead();
    void okRead(QObject* sender);
    void cancelRead(QObject* sender);
    void understoodCantRead(QObject* sender);
    // The configuration file changed on disk: asks on the main window whether
    // to load it (once that window has no other sheet).
    void externalConfigChanged();

    QPointer<kit::Button> gui_synciCloud;
    QPointer<kit::Button> gui_syncExternally;
    QPointer<kit::Button> gui_allConf;
    QPointer<kit::Button> gui_detectFileChanges;
    QPointer<kit::TextField> gui_filePath;
    QPointer<kit::Button> gui_browse;
    QPointer<kit::TextField> gui_createNotice;
    // The sheets while they are up.
    QPointer<kit::Alert> gui_askToLoadPanel;
    QPointer<kit::Alert> gui_cantReadPanel;
    // The file panel while it is shown.
    QPointer<kit::OpenPanel> panel;
    bool createNewFileMode = false;

protected:
    kit::View* makePaneView() override;
    void fillControls() override;
    void writeBack() override;

private:
    void enableFileControls();
    kit::Window* prefsWindow() const;
    // Shows the ask sheet with `text` on `window`.
    void showAskSheet(const QString& text, kit::Window* window);
    void endAlert(QPointer<kit::Alert>& alert);
    bool externalAskPending_ = false;
};
