#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

namespace kit {

class Button;
class ImageView;
class Panel;
class TextField;
class Window;

// A message to the user with one or more buttons: shown in a modal loop of its
// own (runModal) or as a sheet on a window. The buttons answer, from the first
// added, FirstButtonReturn, SecondButtonReturn and so on; the first button is
// the default (Return), a button titled "Cancel" takes Escape. Without buttons
// an alert shows one titled "OK". For a sheet, the alert must live until its
// handler has run. Main thread only.
class Alert : public QObject {
    Q_OBJECT

public:
    enum class Style { Warning, Informational, Critical };
    enum Response : int {
        FirstButtonReturn = 1000,
        SecondButtonReturn = 1001,
        ThirdButtonReturn = 1002
    };

    Alert();
    ~Alert() override;

    QString messageText() const { return message_; }
    void setMessageText(const QString& text) { message_ = text; }
    QString informativeText() const { return informative_; }
    void setInformativeText(const QString& text) { informative_ = text; }
    Style alertStyle() const { return style_; }
    void setAlertStyle(Style style) { style_ = style; }
    // The picture at the left (the style's own when none is set).
    QImage icon() const { return icon_; }
    void setIcon(const QImage& image) { icon_ = image; }

    Button* addButtonWithTitle(const QString& title);
    const std::vector<Button*>& buttons() const { return buttons_; }

    // The alert's window, laid out for its texts and buttons.
    Panel* window();
    // Shows the alert and returns the answer of the button the user clicked.
    int runModal();
    // Shows the alert as a sheet on `window` and returns at once; `handler` gets
    // the answer.
    bool beginSheetModalForWindow(Window* window, std::function<void(int)> handler);

private:
    void layout();
    void answer(int code);

    QString message_, informative_;
    Style style_ = Style::Warning;
    QImage icon_;
    std::vector<Button*> buttons_;
    Panel* panel_ = nullptr;
    TextField* messageField_ = nullptr;
    TextField* informativeField_ = nullptr;
    ImageView* iconView_ = nullptr;
    enum class Mode { None, Modal, Sheet } mode_ = Mode::None;
};

}  // namespace kit
