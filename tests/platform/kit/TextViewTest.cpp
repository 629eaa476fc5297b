// Text views: typing through real Qt keys on the hosted editor and through the
// kit's own key events, the delegate's commands, refusals and change reports,
// rich text, read-only modes, and growing inside a scroll view.

#include "platform/kit/ClipView.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextLayout.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <functional>

using namespace kit;

namespace {

// Takes the commands the notes editors take: Escape, Enter and Command-Return;
// refuses the replacements `refuse` names; records everything.
class Recorder : public TextViewDelegate {
public:
    bool textViewDoCommandBySelector(TextView*, TextCommand command, const Event& e) override {
        commands.push_back({command, e.keyCode(), e.modifierFlags()});
        if (command == TextCommand::CancelOperation) return takesEscape;
        if (e.keyCode() == KeyCodes::KeypadEnter) return true;
        return e.keyCode() == KeyCodes::Return && e.hasModifier(ModifierFlags::Command);
    }
    bool textViewShouldChangeTextInRangeReplacementString(TextView*, TextRange range,
                                                          const QString& text) override {
        asked.push_back({range, text});
        return !(refuse && refuse(text));
    }
    void textDidChange(TextView* view) override { texts << view->string(); }

    struct Command {
        TextCommand command;
        int keyCode;
        unsigned flags;
    };
    struct Asked {
        TextRange range;
        QString text;
    };
    std::vector<Command> commands;
    std::vector<Asked> asked;
    QStringList texts;
    std::function<bool(const QString&)> refuse;
    bool takesEscape = true;
};

// Keeps the key events that come up the responder chain.
class KeyCatcher : public View {
public:
    using View::View;
    void keyDown(const Event& e) override { codes.push_back(e.keyCode()); }
    std::vector<int> codes;
};

// A key window whose content view holds an editable text view, first responder.
struct Editor {
    Window window{QRectF(100, 100, 300, 200)};
    KeyCatcher* content = new KeyCatcher(QRectF(0, 0, 300, 200));
    TextView* view = new TextView(QRectF(10, 10, 280, 180));
    Recorder delegate;
    Editor() {
        window.setContentView(content);
        content->addSubview(view);
        view->setDelegate(&delegate);
        window.makeKeyAndOrderFront();
        window.makeFirstResponder(view);
    }
    QTextEdit* edit() const { return view->textEdit(); }
    // Real Qt key presses and releases on the hosted editor.
    void qtKey(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, mods, text);
        QApplication::sendEvent(edit(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, mods, text);
        QApplication::sendEvent(edit(), &release);
    }
    void qtType(const QString& text) {
        for (const QChar c : text) qtKey(c.toUpper().unicode(), Qt::NoModifier, QString(c));
    }
    void kitKey(int code, const QString& chars, unsigned flags = 0) {
        window.sendEvent(Event::keyEvent(EventType::KeyDown, code, chars, flags));
    }
};

}  // namespace

TEST(TextView, RealKeysTypeAskFirstAndReportEachChange) {
    Editor e;
    EXPECT_EQ(e.window.firstResponder(), e.view);
    EXPECT_EQ(e.edit()->window()->focusWidget(), e.edit());
    e.qtType("Hi");
    EXPECT_EQ(e.view->string(), "Hi");
    EXPECT_EQ(e.view->stringValue(), "Hi");
    ASSERT_EQ(e.delegate.asked.size(), 2u);
    EXPECT_EQ(e.delegate.asked[1].range, (TextRange{1, 0}));
    EXPECT_EQ(e.delegate.asked[1].text, "i");
    EXPECT_EQ(e.delegate.texts, QStringList({"H", "Hi"}));

    // Digits refused: the text stays and no change is reported.
    e.delegate.refuse = [](const QString& t) { return t.contains(QRegularExpression("[0-9]")); };
    e.qtType("a1b");
    EXPECT_EQ(e.view->string(), "Hiab");
    EXPECT_EQ(e.delegate.texts.size(), 4);

    // A deletion is asked for as the range it removes, and may be refused too.
    e.view->setSelectedRange({1, 2});
    e.delegate.refuse = [](const QString& t) { return t.isEmpty(); };
    e.qtKey(Qt::Key_Backspace);
    EXPECT_EQ(e.view->string(), "Hiab");
    EXPECT_EQ(e.delegate.asked.back().range, (TextRange{1, 2}));
    e.delegate.refuse = nullptr;
    e.qtKey(Qt::Key_Backspace);
    EXPECT_EQ(e.view->string(), "Hb");
    e.qtKey(Qt::Key_Backspace);
    EXPECT_EQ(e.delegate.asked.back().range, (TextRange{0, 1}));
    EXPECT_EQ(e.view->string(), "b");

    // Pasting is asked with the pasted text.
    QApplication::clipboard()->setText(QStringLiteral("42"));
    e.delegate.refuse = [](const QString& t) { return t == "42"; };
    e.edit()->paste();
    EXPECT_EQ(e.view->string(), "b");
    EXPECT_EQ(e.delegate.asked.back().text, "42");
}

TEST(TextView, ReturnEnterAndEscapeGoToTheDelegateFirstByBothPaths) {
    struct Case {
        const char* what;
        int qtKey;
        Qt::KeyboardModifiers qtMods;
        int code;
        unsigned flags;
        TextCommand command;
        bool newLine;  // whether the text view went on to insert a line break
    };
    const Case cases[] = {
        {"return", Qt::Key_Return, Qt::NoModifier, KeyCodes::Return, 0, TextCommand::InsertNewline,
         true},
        {"command-return", Qt::Key_Return, Qt::ControlModifier, KeyCodes::Return,
         ModifierFlags::Command, TextCommand::InsertNewline, false},
        {"enter", Qt::Key_Enter, Qt::KeypadModifier, KeyCodes::KeypadEnter,
         ModifierFlags::NumericPad, TextCommand::InsertNewline, false},
        {"escape", Qt::Key_Escape, Qt::NoModifier, KeyCodes::Escape, 0,
         TextCommand::CancelOperation, false},
    };
    for (bool real : {true, false}) {
        for (const Case& c : cases) {
            Editor e;
            e.view->setString(QStringLiteral("ab"));
            e.view->setSelectedRange({1, 0});
            if (real)
                e.qtKey(c.qtKey, c.qtMods, c.qtKey == Qt::Key_Escape ? "\x1b" : "\r");
            else
                e.kitKey(c.code, c.code == KeyCodes::Escape ? "\x1b" : "\r", c.flags);
            const std::string what = std::string(c.what) + (real ? " (Qt)" : " (kit)");
            ASSERT_EQ(e.delegate.commands.size(), 1u) << what;
            EXPECT_EQ(e.delegate.commands[0].command, c.command) << what;
            EXPECT_EQ(e.delegate.commands[0].keyCode, c.code) << what;
            EXPECT_EQ(e.delegate.commands[0].flags & ModifierFlags::Command,
                      c.flags & ModifierFlags::Command)
                << what;
            EXPECT_EQ(e.view->string(), c.newLine ? "a\nb" : "ab") << what;
            EXPECT_TRUE(e.content->codes.empty()) << what;
        }
    }
}

TEST(TextView, KitKeysTypeAndUntakenKeysGoUpTheChain) {
    Editor e;
    e.kitKey(KeyCodes::A, "a");
    e.kitKey(KeyCodes::B, "B", ModifierFlags::Shift);
    e.kitKey(KeyCodes::Space, " ");
    e.kitKey(KeyCodes::Delete, "\x7f");
    e.kitKey(KeyCodes::LeftArrow, QString(QChar(KeyCharacters::LeftArrow)));
    e.kitKey(KeyCodes::C, "c");
    EXPECT_EQ(e.view->string(), "acB");
    EXPECT_EQ(e.delegate.texts.size(), 5);

    e.delegate.refuse = [](const QString& t) { return t == "x"; };
    e.kitKey(KeyCodes::X, "x");
    EXPECT_EQ(e.view->string(), "acB");

    // An Escape the delegate leaves goes on to the next responder, once; so does
    // a Command shortcut the editor has no use for.
    e.delegate.takesEscape = false;
    e.kitKey(KeyCodes::Escape, "\x1b");
    e.kitKey(KeyCodes::K, "k", ModifierFlags::Command);
    EXPECT_EQ(e.content->codes, (std::vector<int>{KeyCodes::Escape, KeyCodes::K}));
    EXPECT_EQ(e.view->string(), "acB");

    // Real Qt keys the editor leaves take the same way.
    e.content->codes.clear();
    e.qtKey(Qt::Key_Escape, Qt::NoModifier, "\x1b");
    EXPECT_EQ(e.content->codes, (std::vector<int>{KeyCodes::Escape}));
}

TEST(TextView, ReadOnlyAndSelectableModes) {
    Editor e;
    e.view->setString(QStringLiteral("fixed"));
    e.view->setEditable(false);
    EXPECT_TRUE(e.view->acceptsFirstResponder());
    e.qtType("zz");
    e.kitKey(KeyCodes::Z, "z");
    EXPECT_EQ(e.view->string(), "fixed");
    EXPECT_TRUE(e.delegate.asked.empty());
    EXPECT_TRUE(e.delegate.texts.isEmpty());

    e.view->setSelectable(false);
    EXPECT_FALSE(e.view->acceptsFirstResponder());
    EXPECT_EQ(e.edit()->focusPolicy(), Qt::NoFocus);
    e.view->setEditable(true);
    EXPECT_TRUE(e.view->acceptsFirstResponder());
    EXPECT_FALSE(e.edit()->isReadOnly());
}

TEST(TextView, RichTextFromHtmlAndAppearanceOverTheWholeText) {
    TextView v(QRectF(0, 0, 200, 100));
    v.setHtml(
        QStringLiteral("<p><b>Bold</b> and <span style='color:#00ff00'>green</span></p>"
                       "<p>second</p>"));
    EXPECT_EQ(v.string(), "Bold and green\nsecond");
    EXPECT_EQ(v.stringValue(), v.string());
    QTextCursor c(v.textEdit()->document());
    c.setPosition(1);
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);

    v.setAlignment(TextAlignment::Center);
    v.setLineSpacing(6);
    v.setTextColor(QColor(200, 0, 0));
    for (QTextBlock b = v.textEdit()->document()->begin(); b.isValid(); b = b.next()) {
        EXPECT_EQ(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        EXPECT_DOUBLE_EQ(b.blockFormat().lineHeight(), 6);
    }
    c.setPosition(12);  // inside "green"
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(200, 0, 0));
    // Text set by the program is not reported as the user's change.
    Recorder d;
    v.setDelegate(&d);
    v.setString(QStringLiteral("plain"));
    EXPECT_TRUE(d.texts.isEmpty());
    EXPECT_TRUE(d.asked.empty());
}

// A text view whose lines are tightened takes the height the text layout
// measures for the same text and spacing, so that views sized by measuring
// show every line.
TEST(TextView, TightenedLinesTakeTheHeightTheTextLayoutMeasures) {
    QStringList lines;
    for (int i = 1; i <= 30; ++i) lines << QStringLiteral("Line %1").arg(i);
    const QString text = lines.join(u'\n');
    const Font font = Font::systemFont(Font::smallSystemFontSize());
    for (const double spacing : {0.0, -1.0}) {
        SCOPED_TRACE(spacing);
        TextView v(QRectF(0, 0, 200, 40));
        v.setTextContainerInset(0);
        v.setFont(font);
        v.setLineSpacing(spacing);
        v.setString(text);
        ParagraphStyle paragraph;
        paragraph.lineSpacing = spacing;
        TextLayout layout;
        const QRectF measured =
            layout.requiredRect(AttributedString(text, TextAttributes(font, QColor(), paragraph)),
                                QSizeF(200, TextLayout::kUnlimited - 1));
        EXPECT_NEAR(v.textHeight(), measured.height(), 2.0);
    }
}

TEST(TextView, GrowsWithItsTextInsideAScrollView) {
    ScrollView scroll(QRectF(0, 0, 200, 60));
    auto* text = new TextView(QRectF(0, 0, 200, 10));
    text->setVerticallyResizable(true);
    text->setAutoresizingMask(View::WidthSizable);
    scroll.setDocumentView(text);
    // At least as high as the clip view while the text is short.
    EXPECT_DOUBLE_EQ(text->frame().height(), 60);
    EXPECT_TRUE(scroll.verticalScroller()->isHidden());

    QStringList lines;
    for (int i = 0; i < 20; ++i) lines << QStringLiteral("line %1").arg(i);
    text->setString(lines.join('\n'));
    EXPECT_GT(text->frame().height(), 200);
    EXPECT_DOUBLE_EQ(text->frame().height(), text->textHeight());
    EXPECT_FALSE(scroll.verticalScroller()->isHidden());
    EXPECT_NEAR(scroll.verticalScroller()->knobProportion(), 60 / text->frame().height(), 1e-9);
    // The text view is flipped: its top is the clip view's origin.
    EXPECT_DOUBLE_EQ(scroll.documentVisibleRect().y(), 0);
    scroll.scrollWheel(Event::scrollEvent(QPointF(), 0, -2));
    EXPECT_DOUBLE_EQ(scroll.documentVisibleRect().y(), 20);
}

TEST(TextView, TypingKeepsTheInsertionPointInSightOfItsScrollView) {
    Window w(QRectF(100, 100, 300, 200));
    auto* content = new View(QRectF(0, 0, 300, 200));
    w.setContentView(content);
    auto* scroll = new ScrollView(QRectF(0, 0, 200, 80));
    auto* text = new TextView(QRectF(0, 0, 200, 10));
    text->setVerticallyResizable(true);
    scroll->setDocumentView(text);
    content->addSubview(scroll);
    w.makeKeyAndOrderFront();
    w.makeFirstResponder(text);
    for (int i = 0; i < 12; ++i) {
        w.sendEvent(Event::keyEvent(EventType::KeyDown, KeyCodes::X, "x"));
        w.sendEvent(Event::keyEvent(EventType::KeyDown, KeyCodes::Return, "\r"));
    }
    ASSERT_GT(text->frame().height(), 160);
    // The last (empty) line is at the bottom of the text and in sight.
    EXPECT_NEAR(maxY(scroll->documentVisibleRect()), text->frame().height(), 10);
    EXPECT_DOUBLE_EQ(scroll->verticalScroller()->doubleValue(),
                     scroll->documentVisibleRect().y() /
                         (text->frame().height() - scroll->contentSize().height()));
    // Back to the start: the first line (below the text's inset) comes into sight.
    w.sendEvent(Event::keyEvent(EventType::KeyDown, KeyCodes::Home,
                                QString(QChar(KeyCharacters::Home)), ModifierFlags::Command));
    EXPECT_LE(scroll->documentVisibleRect().y(), text->textContainerInset());
}
