#include "platform/kit/Workspace.h"

#include "platform/foundation/Log.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace kit {

namespace {

Workspace::URLOpener& urlOpenerForTesting() {
    static Workspace::URLOpener opener;
    return opener;
}

}  // namespace

void Workspace::setURLOpenerForTesting(URLOpener opener) {
    urlOpenerForTesting() = std::move(opener);
}

bool Workspace::openURL(const QUrl& url) {
    if (!url.isValid() || url.scheme().isEmpty()) {
        foundation::log(
            QStringLiteral("Cannot open \"%1\": not a complete address").arg(url.toString()));
        return false;
    }
    const URLOpener& fake = urlOpenerForTesting();
    if (fake ? fake(url) : QDesktopServices::openUrl(url)) return true;
    foundation::log(QStringLiteral("Cannot open \"%1\"").arg(url.toString()));
    return false;
}

bool Workspace::openFile(const QString& path) {
    if (!QFileInfo::exists(path)) {
        foundation::log(QStringLiteral("Cannot open \"%1\": no such file").arg(path));
        return false;
    }
    return openURL(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

bool Workspace::launchApplication(const QString& application, const QStringList& arguments) {
    QString program = application;
    if (!application.contains(u'/')) program = QStandardPaths::findExecutable(application);
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        foundation::log(QStringLiteral("Cannot start \"%1\": no such program").arg(application));
        return false;
    }
    if (QProcess::startDetached(program, arguments)) return true;
    foundation::log(QStringLiteral("Cannot start \"%1\"").arg(application));
    return false;
}

void Workspace::beep() {
    QApplication::beep();
}

}  // namespace kit
