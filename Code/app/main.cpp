// Zolt's entry point: makes the application object and runs start-up, the event
// loop and shutdown.
#include "platform/foundation/Bundle.h"
#include "shell/AppDelegate.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zolt"));
    QApplication::setApplicationVersion(
        foundation::Bundle::infoValue(QStringLiteral("CFBundleVersion")).toString());

    AppDelegate delegate;
    delegate.awakeFromNib();
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching();

    // Closing the last window ends the application; a quit is never refused.
    QApplication::setQuitOnLastWindowClosed(delegate.applicationShouldTerminateAfterLastWindowClosed());
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });
    return app.exec();
}
