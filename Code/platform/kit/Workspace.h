#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace kit {

// The desktop around the application: opening web pages, mail links and files
// in the programs the user chose for them, starting other programs, and the
// system beep. Failures are logged and answered as false. Main thread only.
class Workspace final {
public:
    Workspace() = delete;

    static bool openURL(const QUrl& url);
    // Tests put a recording opener in place of the desktop's: it gets every
    // complete address openURL would hand on and answers whether it opened.
    // An empty one gives the desktop back.
    using URLOpener = std::function<bool(const QUrl& url)>;
    static void setURLOpenerForTesting(URLOpener opener);
    static bool openFile(const QString& path);
    // Starts the program named (found on the PATH) or at `application` with
    // `arguments`, without waiting for it.
    static bool launchApplication(const QString& application,
                                  const QStringList& arguments = QStringList());
    static void beep();
};

}  // namespace kit
