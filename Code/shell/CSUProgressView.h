#pragma once

#include "platform/kit/View.h"

#include <QColor>

// The background of the progress strip at the bottom of the source column,
// behind the progress indicator and its text. It takes the source list's
// background colour, which follows whether the window is the main window.
class CSUProgressView : public kit::View {
    Q_OBJECT

public:
    explicit CSUProgressView(const QRectF& frame = QRectF());

    static QColor keyColor();     // while the window is main
    static QColor nonKeyColor();  // while another window is

    QColor backgroundColor() const { return bgColor; }
    void setBackgroundColor(const QColor& color);
    bool windowKeyStatus() const { return winIsKey; }
    Q_INVOKABLE void setWindowKeyStatus(bool isKey);

    void drawRect(kit::Graphics& graphics, const QRectF& dirtyRect) override;

private:
    QColor bgColor = keyColor();
    bool winIsKey = true;
};
