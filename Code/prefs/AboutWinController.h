#pragma once

#include "data/MyDate.h"
#include "platform/foundation/Updater.h"
#include "platform/kit/WindowController.h"

#include <QPointer>
#include <QString>

namespace kit {
class Button;
class ProgressIndicator;
class ScrollView;
class TextField;
class TextView;
}  // namespace kit

// The about window: the version and build date in one line, the credits, and
// a button that asks the updater for a newer version with a spinner while it
// looks. One instance for the application. Main thread only.
class AboutWinController final : public kit::WindowController, public foundation::UpdaterDelegate {
    Q_OBJECT
public:
    AboutWinController();
    ~AboutWinController() override;

    static AboutWinController* sharedWinController();
    static void resetSharedWinControllerForTesting();

    void showWindow(QObject* sender = nullptr) override;

    // "2.1.357" -> "2.1 (build 357)"; missing parts read as 0.
    static QString stringFromVersionString(const QString& version);
    // Month/day/year when the first preferred language is exactly "en", else
    // day.month.year; no leading zeros.
    static QString stringFromMyDate(const MyDate& date);

    void checkForUpdates(QObject* sender);
    void updaterDidFinishLoadingAppcast(foundation::Updater* updater,
                                        const QByteArray& feed) override;

    QPointer<kit::TextField> gui_version;
    QPointer<kit::ProgressIndicator> gui_progress;
    QPointer<kit::Button> gui_checkUpdates;
    QPointer<kit::ScrollView> gui_scrollview;
    QPointer<kit::TextView> gui_textview;

protected:
    kit::Window* loadWindow() override;

private:
    static foundation::Updater* updater();
};
