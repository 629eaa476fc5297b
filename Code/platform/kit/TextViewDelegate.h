#pragma once

#include <QString>

namespace kit {

class Event;
class TextView;

// A stretch of a text view's text, in characters of its plain text.
struct TextRange {
    int location = 0;
    int length = 0;
    bool operator==(const TextRange& o) const {
        return location == o.location && length == o.length;
    }
};

// The keys a text view turns into commands before it acts on them.
enum class TextCommand {
    InsertNewline,    // Return and the keypad's Enter
    InsertTab,        // Tab
    InsertBacktab,    // Shift-Tab
    CancelOperation,  // Escape
};

// What a text view asks and tells the object that looks after it. Every hook has
// a default that lets the text view go on as it would alone.
class TextViewDelegate {
public:
    virtual ~TextViewDelegate() = default;
    // A command key: `event` is the key as the kit sees it (its key code and
    // modifiers tell Return from Enter and Command-Return). Answer true when the
    // delegate has dealt with it and the text view must do nothing more.
    virtual bool textViewDoCommandBySelector(TextView*, TextCommand, const Event&) { return false; }
    // The user is about to replace `range` with `replacement`; false refuses it.
    virtual bool textViewShouldChangeTextInRangeReplacementString(TextView*, TextRange,
                                                                  const QString&) {
        return true;
    }
    // The user changed the text (not sent for text set by the program).
    virtual void textDidChange(TextView*) {}
};

}  // namespace kit
