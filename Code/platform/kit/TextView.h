#pragma once

#include "platform/kit/Control.h"
#include "platform/kit/Event.h"
#include "platform/kit/Font.h"
#include "platform/kit/TextAttributes.h"
#include "platform/kit/TextViewDelegate.h"

#include <QColor>
#include <QPointer>

#include <optional>

class QTextEdit;

namespace kit {

// A block of text the user reads, selects or edits: plain text, or rich text
// given as HTML, in a hosted Qt text editor. The kit's key events sent to it
// reach the editor as the matching Qt keys, so both paths go through the same
// rules: Return, Enter, Tab and Escape are offered to the delegate as commands
// first; every edit the user makes (typing, deleting, cutting, pasting, dropping)
// is offered to the delegate before it happens and may be refused; the delegate
// hears of each change afterwards. Text set by the program is never offered.
//
// Flipped, as text runs down. When vertically resizable, the view takes the
// height its text needs (at least its minimum height and the height of the clip
// view it is the document of), so that an enclosing scroll view scrolls it; it
// keeps the insertion point in sight there. Main thread only.
class TextView : public Control {
    Q_OBJECT

public:
    explicit TextView(const QRectF& frame = QRectF());
    ~TextView() override;

    // -- Content
    QString string() const;  // the plain text, paragraphs separated by "\n"
    void setString(const QString& text);
    QString html() const;
    void setHtml(const QString& html);
    void setObjectValue(const QVariant& value) override;  // the plain text
    TextRange selectedRange() const;
    void setSelectedRange(TextRange range);

    // -- Behaviour
    TextViewDelegate* delegate() const { return delegate_; }
    // Not owned; cleared by the owner before it goes.
    void setDelegate(TextViewDelegate* delegate) { delegate_ = delegate; }
    bool isEditable() const { return editable_; }
    void setEditable(bool editable);  // an editable text view is also selectable
    bool isSelectable() const { return selectable_ || editable_; }
    void setSelectable(bool selectable);
    bool isVerticallyResizable() const { return verticallyResizable_; }
    void setVerticallyResizable(bool on);
    double minHeight() const { return minHeight_; }
    void setMinHeight(double height);

    // -- Appearance. Setting the text colour, alignment or line spacing applies it
    // to the whole text; HTML set afterwards keeps its own colours and shows the
    // rest in the text colour.
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color);
    QColor backgroundColor() const { return background_; }
    void setBackgroundColor(const QColor& color);
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool draws);
    TextAlignment alignment() const { return alignment_; }
    void setAlignment(TextAlignment alignment);
    // Extra room between lines, in points (0: the font's own spacing; negative
    // values tighten the lines).
    double lineSpacing() const { return lineSpacing_; }
    void setLineSpacing(double points);
    Font font() const { return font_; }
    void setFont(const Font& font);
    // The margin between the view's edges and its text.
    double textContainerInset() const;
    void setTextContainerInset(double points);
    // The height the text needs at the view's present width.
    double textHeight() const;

    // -- What the hosted editor asks before and after the user's edits; a subclass
    // may override them, a delegate is the usual way.
    virtual bool doCommandBySelector(TextCommand command, const Event& event);
    virtual bool shouldChangeTextInRange(TextRange range, const QString& replacement);
    virtual void didChangeText();

    bool isFlipped() const override { return true; }
    bool acceptsFirstResponder() override { return isSelectable(); }
    bool becomeFirstResponder() override;
    void keyDown(const Event& event) override;
    void setFrame(const QRectF& frame) override;
    void viewDidMoveToSuperview() override;
    void resizeWithOldSuperviewSize(const QSizeF& oldSize) override;

    QTextEdit* textEdit() const;
    // The kit's key event being handed to the editor now, if any.
    const std::optional<Event>& eventInFlight() const { return inFlight_; }

private:
    void restyle();
    void applyParagraphFormat();
    void fitHeight();
    // Runs `change` on the editor as the program, not the user.
    template <typename F>
    void quietly(F&& change);

    TextViewDelegate* delegate_ = nullptr;
    bool editable_ = true;
    bool selectable_ = true;
    bool verticallyResizable_ = false;
    double minHeight_ = 0;
    QColor textColor_ = QColor(0, 0, 0);
    QColor background_ = QColor(255, 255, 255);
    bool drawsBackground_ = true;
    TextAlignment alignment_ = TextAlignment::Natural;
    double lineSpacing_ = 0;
    Font font_;
    int quiet_ = 0;
    bool fitting_ = false;
    std::optional<Event> inFlight_;
    QPointer<QTextEdit> edit_;
};

}  // namespace kit
