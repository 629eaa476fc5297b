#pragma once

#include "data/MyDate.h"
#include "platform/foundation/Updater.h"
#include "prefs/LxPrefPaneProtocol.h"

#include <QPointer>
#include <QStringList>

#include <memory>
#include <vector>

namespace kit {
class Button;
class PopUpButton;
class ProgressIndicator;
class TextField;
}  // namespace kit

// The "Updates" pane: the updater's automatic checks, automatic downloads and
// check interval, a check-now button, and a line with the application's version
// and build date. Choices go to the updater at once and into "AppPref General".
class PrefUpdate final : public LxPrefPaneProtocol, public foundation::UpdaterDelegate {
    Q_OBJECT
public:
    PrefUpdate();
    ~PrefUpdate() override;
    static std::vector<std::shared_ptr<LxPrefPaneProtocol>> preferencePanes();

    // Any interval in seconds as one of the three the updater offers: a day, a
    // week or a month (30.4375 days).
    static qint64 normalizedInterval(qint64 seconds);
    // "day-shortMonth-year".
    static QString stringFromDate(const MyDate& date);

    // An update check shown by a spinner: started with the spinner turning and
    // `delegate` told of its end; ended with the spinner stopped and hidden and
    // the delegate let go. The about window checks the same way.
    static void startUpdateCheck(kit::ProgressIndicator* spinner,
                                 foundation::UpdaterDelegate* delegate);
    static void endUpdateCheck(kit::ProgressIndicator* spinner, foundation::Updater* updater,
                               foundation::UpdaterDelegate* delegate);

    void autoCheckChanged(QObject* sender);
    void autoDownloadChanged(QObject* sender);
    void frequencyChanged(QObject* sender);
    void checkPressed(QObject* sender);
    void updaterDidFinishLoadingAppcast(foundation::Updater* updater,
                                        const QByteArray& feed) override;

    QPointer<kit::Button> gui_autoCheck;
    QPointer<kit::Button> gui_autoDownload;
    QPointer<kit::PopUpButton> gui_frequency;
    QPointer<kit::TextField> gui_status;
    QPointer<kit::ProgressIndicator> gui_progress;
    QPointer<kit::Button> gui_checkNow;
    QPointer<kit::TextField> gui_frequencyLabel;

protected:
    kit::View* makePaneView() override;
    void fillControls() override;
    void writeBack() override;

private:
    static foundation::Updater* updater();
    void storeAutoCheck();
    // The interval and its label show only with automatic checks.
    void showFrequency(bool shown);
};
