#include "shell/MainWindowCtrl.h"

#include "platform/foundation/Bundle.h"

#include <QLabel>
#include <QWidget>

MainWindowCtrl* MainWindowCtrl::sharedWinController() {
    static MainWindowCtrl* controller = new MainWindowCtrl;
    return controller;
}

void MainWindowCtrl::applicationFinishedLaunching() {}

void MainWindowCtrl::showWindow(QObject*) {
    QWidget* w = window();
    w->show();
    w->raise();
}

void MainWindowCtrl::setNeedsToShowErrorPanelExternalPrefs() {
    needsToShowErrorPanelExternalPrefs_ = true;
}

QWidget* MainWindowCtrl::window() const {
    if (!window_) {
        auto* label = new QLabel(QStringLiteral("Zolt %1").arg(
            foundation::Bundle::infoValue(QStringLiteral("CFBundleVersion")).toString()));
        label->setAlignment(Qt::AlignCenter);
        label->resize(1000, 700);
        label->setWindowTitle(QStringLiteral("Zolt"));
        window_.reset(label);
    }
    return window_.get();
}
