#pragma once

#include "platform/kit/Window.h"

// The main window. Showing or hiding its toolbar normally changes the window's
// height, and the resize notices lay out the year and week panes; where the
// window keeps its height (maximised, or held at its size limits) the content
// height changes instead, and the window asks its delegate to
// toolbarToggledWithoutWindowResize so that the panes follow.
class MainWindow : public kit::Window {
    Q_OBJECT

public:
    explicit MainWindow(const QRectF& contentRect = QRectF(100, 100, 1000, 700),
                        unsigned styleMask = Titled | Closable | Miniaturizable | Resizable);

    Q_INVOKABLE void toggleToolbarShown(QObject* sender = nullptr) override;
};
