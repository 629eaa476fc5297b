#include "platform/kit/TextView.h"

#include "platform/kit/ClipView.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPalette>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

// The Qt key and text of a kit key event, for the keys a text editor acts on.
QKeyEvent qtKeyEventFor(const Event& e) {
    const auto type = e.type() == EventType::KeyUp ? QEvent::KeyRelease : QEvent::KeyPress;
    Qt::KeyboardModifiers mods = Event::qtModifiersFromFlags(e.modifierFlags());
    QString text = e.characters();
    int key = Qt::Key_unknown;
    switch (e.keyCode()) {
        case KeyCodes::Return:
            key = Qt::Key_Return, text = QStringLiteral("\r");
            break;
        case KeyCodes::KeypadEnter:
            key = Qt::Key_Enter, text = QStringLiteral("\r"), mods |= Qt::KeypadModifier;
            break;
        case KeyCodes::Escape:
            key = Qt::Key_Escape, text = QStringLiteral("\x1b");
            break;
        case KeyCodes::Tab:
            key = (mods & Qt::ShiftModifier) ? Qt::Key_Backtab : Qt::Key_Tab;
            text = QStringLiteral("\t");
            break;
        case KeyCodes::Delete:
            key = Qt::Key_Backspace, text = QStringLiteral("\b");
            break;
        case KeyCodes::ForwardDelete:
            key = Qt::Key_Delete, text.clear();
            break;
        case KeyCodes::LeftArrow:
            key = Qt::Key_Left, text.clear();
            break;
        case KeyCodes::RightArrow:
            key = Qt::Key_Right, text.clear();
            break;
        case KeyCodes::UpArrow:
            key = Qt::Key_Up, text.clear();
            break;
        case KeyCodes::DownArrow:
            key = Qt::Key_Down, text.clear();
            break;
        case KeyCodes::Home:
            key = Qt::Key_Home, text.clear();
            break;
        case KeyCodes::End:
            key = Qt::Key_End, text.clear();
            break;
        case KeyCodes::PageUp:
            key = Qt::Key_PageUp, text.clear();
            break;
        case KeyCodes::PageDown:
            key = Qt::Key_PageDown, text.clear();
            break;
        default: {
            const QString base =
                e.charactersIgnoringModifiers().isEmpty() ? text : e.charactersIgnoringModifiers();
            if (!base.isEmpty()) key = base.at(0).toUpper().unicode();
            // With Command (Ctrl) held the key is a shortcut, not text to insert.
            if (mods & Qt::ControlModifier) text.clear();
        }
    }
    return QKeyEvent(type, key, mods, text, e.isARepeat());
}

// The editor the text view hosts: it asks its view before each of the user's
// edits and offers command keys to it first.
class HostedTextEdit final : public QTextEdit {
public:
    explicit HostedTextEdit(TextView* owner) : owner_(owner) {
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setAcceptRichText(true);
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        const Event ke = owner_->eventInFlight() ? *owner_->eventInFlight()
                                                 : Event::fromQtKeyEvent(e, owner_->window());
        if (!handleKey(e, ke)) {
            // Keys the editor has no use for go on along the responder chain, as
            // kit events, and stop here as Qt events.
            e->accept();
            owner_->View::keyDown(ke);
        }
    }
    void keyReleaseEvent(QKeyEvent* e) override { e->accept(); }

    void inputMethodEvent(QInputMethodEvent* e) override {
        if (!isReadOnly() && !e->commitString().isEmpty() &&
            !owner_->shouldChangeTextInRange(selectionOrCaret(textCursor()), e->commitString())) {
            e->accept();
            return;
        }
        QTextEdit::inputMethodEvent(e);
    }

    // Pastes and drops.
    void insertFromMimeData(const QMimeData* source) override {
        if (!source || isReadOnly()) return;
        if (!owner_->shouldChangeTextInRange(selectionOrCaret(textCursor()), source->text()))
            return;
        QTextEdit::insertFromMimeData(source);
    }

private:
    static TextRange selectionOrCaret(const QTextCursor& c) {
        return TextRange{c.selectionStart(), c.selectionEnd() - c.selectionStart()};
    }

    // Answers whether the key was taken (by the delegate, a refusal or the editor).
    bool handleKey(QKeyEvent* e, const Event& ke) {
        std::optional<TextCommand> command;
        switch (e->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                command = TextCommand::InsertNewline;
                break;
            case Qt::Key_Escape:
                command = TextCommand::CancelOperation;
                break;
            case Qt::Key_Tab:
                command = TextCommand::InsertTab;
                break;
            case Qt::Key_Backtab:
                command = TextCommand::InsertBacktab;
                break;
            default:
                break;
        }
        if (command && owner_->doCommandBySelector(*command, ke)) return true;
        if (command == TextCommand::CancelOperation || command == TextCommand::InsertBacktab)
            return false;
        if (!isReadOnly()) {
            if (const std::optional<std::pair<TextRange, QString>> edit = prospectiveEdit(e)) {
                if (!owner_->shouldChangeTextInRange(edit->first, edit->second)) return true;
            }
        }
        e->setAccepted(true);
        QTextEdit::keyPressEvent(e);
        return e->isAccepted();
    }

    // The replacement the key would make, when it edits the text.
    std::optional<std::pair<TextRange, QString>> prospectiveEdit(QKeyEvent* e) const {
        QTextCursor c = textCursor();
        const bool hasSelection = c.hasSelection();
        auto deletion =
            [&](QTextCursor::MoveOperation op) -> std::optional<std::pair<TextRange, QString>> {
            if (!hasSelection) c.movePosition(op, QTextCursor::KeepAnchor);
            if (!c.hasSelection()) return std::nullopt;  // nothing to delete
            return std::make_pair(selectionOrCaret(c), QString());
        };
        if (e->matches(QKeySequence::Paste)) return std::nullopt;  // asked in insertFromMimeData
        if (e->matches(QKeySequence::Cut))
            return hasSelection ? std::optional(std::make_pair(selectionOrCaret(c), QString()))
                                : std::nullopt;
        if (e->matches(QKeySequence::DeleteStartOfWord)) return deletion(QTextCursor::PreviousWord);
        if (e->matches(QKeySequence::DeleteEndOfWord)) return deletion(QTextCursor::EndOfWord);
        if (e->matches(QKeySequence::DeleteEndOfLine)) return deletion(QTextCursor::EndOfLine);
        if (e->key() == Qt::Key_Backspace) return deletion(QTextCursor::PreviousCharacter);
        if (e->matches(QKeySequence::Delete)) return deletion(QTextCursor::NextCharacter);
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
            return std::make_pair(selectionOrCaret(c), QStringLiteral("\n"));
        if (e->key() == Qt::Key_Tab)
            return std::make_pair(selectionOrCaret(c), QStringLiteral("\t"));
        const QString text = e->text();
        if (text.isEmpty() || (e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
            return std::nullopt;
        if (std::any_of(text.begin(), text.end(), [](QChar ch) { return !ch.isPrint(); }))
            return std::nullopt;
        return std::make_pair(selectionOrCaret(c), text);
    }

    TextView* owner_;
};

}  // namespace

TextView::TextView(const QRectF& frame) : Control(frame) {
    auto* edit = new HostedTextEdit(this);
    edit_ = edit;
    storeValue(QString());
    connect(edit, &QTextEdit::textChanged, this, [this] {
        if (quiet_ == 0) didChangeText();
    });
    connect(edit->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
            this, [this] { fitHeight(); });
    connect(edit, &QTextEdit::cursorPositionChanged, this, [this] {
        // Keep the insertion point in sight in an enclosing scroll view.
        if (quiet_ == 0 && edit_->window()->focusWidget() == edit_)
            scrollRectToVisible(QRectF(edit_->cursorRect()).adjusted(0, -2, 0, 2));
    });
    setHostedWidget(edit);
    // Focus given to the view (as the window does for its first responder) goes
    // into the editor.
    setFocusProxy(edit);
    restyle();
}

TextView::~TextView() {
    // The editor goes after this object (with its QWidget part): it must not call
    // back into a text view that is half taken down.
    if (edit_) {
        QObject::disconnect(edit_, nullptr, this, nullptr);
        QObject::disconnect(edit_->document()->documentLayout(), nullptr, this, nullptr);
    }
}

template <typename F>
void TextView::quietly(F&& change) {
    ++quiet_;
    change();
    --quiet_;
}

QTextEdit* TextView::textEdit() const {
    return edit_;
}

// -- Content

QString TextView::string() const {
    return edit_ ? edit_->toPlainText() : QString();
}

void TextView::setString(const QString& text) {
    quietly([&] { edit_->setPlainText(text); });
    applyParagraphFormat();
    storeValue(text);
    fitHeight();
}

QString TextView::html() const {
    return edit_ ? edit_->toHtml() : QString();
}

void TextView::setHtml(const QString& html) {
    quietly([&] { edit_->setHtml(html); });
    applyParagraphFormat();
    storeValue(string());
    fitHeight();
}

void TextView::setObjectValue(const QVariant& value) {
    setString(value.toString());
}

TextRange TextView::selectedRange() const {
    const QTextCursor c = edit_->textCursor();
    return TextRange{c.selectionStart(), c.selectionEnd() - c.selectionStart()};
}

void TextView::setSelectedRange(TextRange range) {
    QTextCursor c = edit_->textCursor();
    const int end = int(edit_->document()->characterCount()) - 1;
    c.setPosition(std::clamp(range.location, 0, end));
    c.setPosition(std::clamp(range.location + range.length, 0, end), QTextCursor::KeepAnchor);
    quietly([&] { edit_->setTextCursor(c); });
}

// -- Behaviour

void TextView::setEditable(bool editable) {
    editable_ = editable;
    restyle();
}

void TextView::setSelectable(bool selectable) {
    selectable_ = selectable;
    restyle();
}

void TextView::setVerticallyResizable(bool on) {
    verticallyResizable_ = on;
    fitHeight();
}

void TextView::setMinHeight(double height) {
    minHeight_ = height;
    fitHeight();
}

bool TextView::doCommandBySelector(TextCommand command, const Event& event) {
    return delegate_ && delegate_->textViewDoCommandBySelector(this, command, event);
}

bool TextView::shouldChangeTextInRange(TextRange range, const QString& replacement) {
    return !delegate_ ||
           delegate_->textViewShouldChangeTextInRangeReplacementString(this, range, replacement);
}

void TextView::didChangeText() {
    storeValue(string());
    if (delegate_) delegate_->textDidChange(this);
}

bool TextView::becomeFirstResponder() {
    if (edit_ && isSelectable()) edit_->setFocus(Qt::OtherFocusReason);
    return true;
}

void TextView::keyDown(const Event& event) {
    // A key coming back up from the editor goes on along the chain.
    if (!edit_ || inFlight_) {
        View::keyDown(event);
        return;
    }
    QKeyEvent qe = qtKeyEventFor(event);
    inFlight_ = event;
    QCoreApplication::sendEvent(edit_, &qe);
    inFlight_.reset();
}

// -- Appearance

void TextView::setTextColor(const QColor& color) {
    textColor_ = color;
    restyle();
    quietly([&] {
        QTextCursor c(edit_->document());
        c.select(QTextCursor::Document);
        QTextCharFormat f;
        f.setForeground(color);
        c.mergeCharFormat(f);
        edit_->setTextColor(color);
    });
}

void TextView::setBackgroundColor(const QColor& color) {
    background_ = color;
    restyle();
}

void TextView::setDrawsBackground(bool draws) {
    drawsBackground_ = draws;
    restyle();
}

void TextView::setAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    applyParagraphFormat();
}

void TextView::setLineSpacing(double points) {
    // Negative values tighten the lines, down to lines that touch.
    lineSpacing_ = std::max(-font_.lineHeight() / 2, points);
    applyParagraphFormat();
}

void TextView::setFont(const Font& font) {
    font_ = font;
    restyle();
    fitHeight();
}

double TextView::textContainerInset() const {
    return edit_->document()->documentMargin();
}

void TextView::setTextContainerInset(double points) {
    quietly([&] { edit_->document()->setDocumentMargin(std::max(0.0, points)); });
    fitHeight();
}

double TextView::textHeight() const {
    QTextDocument* doc = edit_->document();
    // The editor follows its width only once Qt has delivered its resize.
    if (doc->textWidth() != frame().width()) doc->setTextWidth(frame().width());
    return std::ceil(doc->size().height());
}

void TextView::restyle() {
    if (!edit_) return;
    edit_->setReadOnly(!editable_);
    Qt::TextInteractionFlags flags = Qt::NoTextInteraction;
    if (editable_)
        flags = Qt::TextEditorInteraction;
    else if (selectable_)
        flags = Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;
    edit_->setTextInteractionFlags(flags);
    edit_->setFocusPolicy(isSelectable() ? Qt::StrongFocus : Qt::NoFocus);
    const QFont f = font_.qfont(edit_);
    edit_->setFont(f);
    quietly([&] { edit_->document()->setDefaultFont(f); });
    QPalette pal = edit_->palette();
    pal.setColor(QPalette::Text, textColor_);
    pal.setColor(QPalette::Base, drawsBackground_ ? background_ : QColor(Qt::transparent));
    edit_->setPalette(pal);
    edit_->viewport()->setPalette(pal);
    edit_->viewport()->setAutoFillBackground(drawsBackground_);
}

void TextView::applyParagraphFormat() {
    // Rich text keeps its own alignment and spacing until they are set.
    if (alignment_ == TextAlignment::Natural && lineSpacing_ == 0) return;
    quietly([&] {
        QTextCursor c(edit_->document());
        c.select(QTextCursor::Document);
        QTextBlockFormat f;
        f.setAlignment(qtAlignment(alignment_));
        f.setLineHeight(lineSpacing_, QTextBlockFormat::LineDistanceHeight);
        c.mergeBlockFormat(f);
    });
    fitHeight();
}

void TextView::fitHeight() {
    if (!verticallyResizable_ || fitting_ || !edit_) return;
    double h = std::max(textHeight(), minHeight_);
    if (auto* clip = qobject_cast<ClipView*>(superview())) h = std::max(h, clip->bounds().height());
    if (std::abs(h - frame().height()) < 0.5) return;
    fitting_ = true;
    setFrameSize(QSizeF(frame().width(), h));
    fitting_ = false;
}

void TextView::setFrame(const QRectF& frame) {
    const double oldWidth = this->frame().width();
    Control::setFrame(frame);
    if (frame.width() != oldWidth) fitHeight();
}

}  // namespace kit

namespace kit {

// The clip view the text view is the document of sets its least height.
void TextView::viewDidMoveToSuperview() {
    Control::viewDidMoveToSuperview();
    fitHeight();
}

void TextView::resizeWithOldSuperviewSize(const QSizeF& oldSize) {
    Control::resizeWithOldSuperviewSize(oldSize);
    fitHeight();
}

}  // namespace kit
