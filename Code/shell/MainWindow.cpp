#include "shell/MainWindow.h"

#include "platform/kit/Perform.h"

#include <QPointer>

MainWindow::MainWindow(const QRectF& contentRect, unsigned styleMask)
    : kit::Window(contentRect, styleMask) {}

void MainWindow::toggleToolbarShown(QObject* sender) {
    QPointer<QObject> windowDelegate = delegate();
    const float heightBefore = float(frame().height());
    kit::Window::toggleToolbarShown(sender);
    const float heightAfter = float(frame().height());
    if (heightBefore == heightAfter && windowDelegate)
        kit::perform(windowDelegate, "toolbarToggledWithoutWindowResize");
}
