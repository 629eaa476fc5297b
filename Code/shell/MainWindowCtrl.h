#pragma once

#include <QObject>

#include <memory>

#include <QWidget>

// Controls the main window: its views, toolbar, menus and progress strip.
class MainWindowCtrl final : public QObject {
    Q_OBJECT
public:
    static MainWindowCtrl* sharedWinController();

    // Finishes the set-up once the application has launched; shows the error
    // sheet about the external configuration when start-up flagged it.
    void applicationFinishedLaunching();
    void showWindow(QObject* sender);

    // Start-up found an external configuration file of another version.
    void setNeedsToShowErrorPanelExternalPrefs();
    bool needsToShowErrorPanelExternalPrefs() const { return needsToShowErrorPanelExternalPrefs_; }

    QWidget* window() const;

private:
    MainWindowCtrl() = default;
    bool needsToShowErrorPanelExternalPrefs_ = false;
    mutable std::unique_ptr<QWidget> window_;
};
