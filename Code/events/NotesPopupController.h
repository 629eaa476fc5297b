#pragma once

#include "platform/kit/Button.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/TextViewDelegate.h"
#include "platform/kit/WindowController.h"
#include "platform/store/Event.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"
#include "yearview/YearView.h"
#include "yearview/YearViewCell.h"

#include <QPointer>

// The notes popup: a small modal editor for one day's notes in a spring panel
// above the day's cell. The user types and confirms with Command-Return, the
// keypad's Enter or the OK button (Return alone starts a new line), or
// discards with Escape or the close button. Confirming writes the text as the
// day's notes event through the loader's notes writer; while the popup is
// open the application runs a modal loop for it, in which background jobs go
// on and hand their redraws to the main thread. There is one. Main thread
// only.
class NotesPopupController final : public kit::WindowController, public kit::TextViewDelegate {
    Q_OBJECT

public:
    static NotesPopupController* sharedWinController();
    // Drops the one controller and its panel (tests start afresh).
    static void resetSharedWinController();
    // Points the year view's and the main window's notes popup entries at the
    // one controller. Called once at start-up.
    static void installEntries();

    NotesPopupController() = default;
    ~NotesPopupController() override;

    // Opens the editor above the cell of the page with `text` (when the day
    // has no notes yet) and returns when it has been closed; on a popup
    // already open only moves it there, keeping what is being typed.
    void showWindowForCellInViewWithString(const YearViewCellPtr& cell, YearView* view,
                                           const QString& text);
    Q_INVOKABLE void showWindow(QObject* sender = nullptr) override;
    bool windowOpen() const { return windowIsOpen_; }
    void originatingViewMoved();
    void setupEntries(const QString& text);
    // Writes the notes and closes; keeps the popup open with its text when
    // they could not be kept.
    Q_INVOKABLE void okPressed(QObject* sender = nullptr);
    // Closes without writing and ends the modal loop.
    Q_INVOKABLE void closeWindow(QObject* sender = nullptr);
    Q_INVOKABLE void windowWillClose(QObject* window = nullptr);

    // The key rules of the editor.
    bool textViewDoCommandBySelector(kit::TextView* view, kit::TextCommand command,
                                     const kit::Event& event) override;

    SpringPanel* panel();
    kit::TextView* notesView() const { return gui_notes; }
    kit::TextField* messageField() const { return gui_message; }
    kit::Button* okButton() const { return gui_ok; }
    YearViewCellPtr currentCell() const { return currentYVCell; }

protected:
    kit::Window* loadWindow() override;

private:
    QRectF referenceRectOnScreen() const;
    void showMessage(const QString& key, const QString& fallback);

    QPointer<SpringPanel> gui_notesPopupWindow;
    QPointer<kit::TextView> gui_notes;
    QPointer<kit::TextField> gui_message;
    QPointer<kit::Button> gui_ok;
    QPointer<YearView> currentYearView_;
    YearViewCellPtr currentYVCell;
    calstore::EventPtr notesEvent;
    bool windowIsOpen_ = false;
};
