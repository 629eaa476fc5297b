#pragma once

#include <QObject>
#include <QRectF>
#include <QString>

class SpringPanel;

namespace kit {
class ScrollView;
class TextView;
class View;
}  // namespace kit

// What the birthday and notes hovers build their panels from: a spring panel
// that tells its controller when it closes, white text in a scroll view on
// the panel's dark box, and the rectangle on screen the panel points at.
// Main thread only.
class HoverPanelParts final {
public:
    HoverPanelParts() = delete;

    // A spring panel of that content size that cannot become key; `delegate`
    // hears windowWillClose.
    static SpringPanel* makePanel(const QSizeF& size, QObject* delegate);

    struct TextBox {
        kit::ScrollView* scrollView = nullptr;
        kit::TextView* textView = nullptr;
    };
    // A scroll view at `frame` of `parent` holding a read-only text view in
    // the small system font, white on no background.
    static TextBox addTextBox(kit::View* parent, const QRectF& frame);

    // The rectangle of `view` with its origin in screen coordinates and its
    // size kept; the rectangle itself when there is no view.
    static QRectF referenceRectOnScreen(kit::View* view, const QRectF& rect);
};
