#pragma once

#include "platform/kit/WindowController.h"

#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>

class SpringPanel;

namespace kit {
class TextView;
class View;
}  // namespace kit

// The small read-only panel that lists a day's birthdays below the birthday
// mark of a week column's header while the pointer rests on the mark. It
// opens downwards from the mark and sizes itself to its text. There is one in
// the system; its opener closes it. Main thread only.
class BirthdayHoverController final : public kit::WindowController {
    Q_OBJECT

public:
    static inline const QString kAutosaveName = QStringLiteral("(Weekday Birthday Popup)");

    // The one controller, made with its panel on first use.
    static BirthdayHoverController* sharedWinController();
    // The one controller when it has been made, else none.
    static BirthdayHoverController* existingWinController();
    // The week view's header and the year area reach the hover through their
    // services.
    static void installServices();

    // Shows the hover below `rect` of `view` with `text`; while open it only
    // moves to the new place and keeps its text.
    void showWindowForRectInViewWithString(const QRectF& rect, kit::View* view,
                                           const QString& text);
    Q_INVOKABLE void showWindow(QObject* sender = nullptr) override;
    bool windowOpen() const { return windowIsOpen_; }
    Q_INVOKABLE void originatingViewMoved();
    // Fills the panel with `text` and sizes it to the text.
    void setupEntries(const QString& text);
    Q_INVOKABLE void closeWindow(QObject* sender = nullptr);
    Q_INVOKABLE void windowWillClose(QObject* window);

    // The text box for a text measured at `measured` in the small system
    // font: 10 % wider, whole points, one point taller. The panel is 50
    // points wider and 60 higher than the box.
    static QSizeF textBoxForMeasuredSize(const QSizeF& measured);
    static QSizeF panelSizeForTextBox(const QSizeF& box);

    SpringPanel* panel() const { return gui_bdPopupWindow; }
    kit::TextView* textView() const { return gui_birthdays; }

private:
    BirthdayHoverController();
    void awakeFromNib();
    QRectF referenceRect() const;

    SpringPanel* gui_bdPopupWindow = nullptr;
    kit::TextView* gui_birthdays = nullptr;
    bool windowIsOpen_ = false;
    QPointer<kit::View> originatingView;
    QRectF origRect;
};
