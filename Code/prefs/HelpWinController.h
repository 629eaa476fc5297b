#pragma once

#include "platform/kit/Button.h"
#include "platform/kit/HelpBrowser.h"
#include "platform/kit/WindowController.h"

#include <QPointer>
#include <QString>

// The help window: the application's help pages (HTML among its resources)
// with back, home and forward buttons. The Help menu opens it on the start
// page "index", the sheets' Help buttons on a named page. Back and forward
// follow the browser's history and are updated after every page loaded. One
// instance for the application. Main thread only.
class HelpWinController final : public kit::WindowController {
    Q_OBJECT
public:
    static inline const QString kStartPage = QStringLiteral("index");

    HelpWinController();
    ~HelpWinController() override;

    static HelpWinController* sharedWinController();
    static void resetSharedWinControllerForTesting();

    // Shows the start page.
    void showWindow(QObject* sender = nullptr) override;
    // Shows the page of that name (a new entry of the history).
    void showWindowWithFile(const QString& page);

    Q_INVOKABLE void goBack(QObject* sender = nullptr);
    Q_INVOKABLE void goHome(QObject* sender = nullptr);
    Q_INVOKABLE void goForward(QObject* sender = nullptr);
    // After a page finished loading: back and forward as the history allows.
    void didFinishLoad();

    kit::HelpBrowser* browser() const { return gui_view; }
    kit::Button* backButton() const { return gui_back; }
    kit::Button* homeButton() const { return gui_home; }
    kit::Button* forwardButton() const { return gui_forward; }

protected:
    kit::Window* loadWindow() override;

private:
    QPointer<kit::HelpBrowser> gui_view;
    QPointer<kit::Button> gui_back;
    QPointer<kit::Button> gui_home;
    QPointer<kit::Button> gui_forward;
};
