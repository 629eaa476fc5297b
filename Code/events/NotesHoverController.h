#pragma once

#include "platform/kit/TextViewDelegate.h"
#include "platform/kit/WindowController.h"

#include <QPointer>
#include <QRectF>
#include <QString>

#include <memory>

class InfoHoverView;
class SpringPanel;
class SpringPanelView;
class YearViewCell;

namespace foundation {
class ManualClock;
class Timer;
}  // namespace foundation

namespace kit {
class Button;
class ScrollView;
class TextView;
class TrackingArea;
class View;
}  // namespace kit

// The panel that shows a day's notes while the pointer rests on the day, and
// lets the user edit them in place. It serves the year view, where it shows
// the day's hover box above the cell and closes half a second after the
// pointer left the cell unless the pointer is in the panel or the user edits;
// and the header of a week column, where it shows the notes text below the
// notes mark, stays while the pointer is on the mark or in the panel, and can
// be opened for editing at once. Editing runs a modal loop for the panel
// until OK or cancel; OK writes the text as the day's notes event. There is
// one in the system. Main thread only.
class NotesHoverController final : public kit::WindowController, public kit::TextViewDelegate {
    Q_OBJECT

public:
    static inline const QString kAutosaveName = QStringLiteral("(Weekday Notes Popup)");
    static constexpr double kDehoverDelay = 0.5;

    ~NotesHoverController() override;

    // The one controller, made with its panel on first use.
    static NotesHoverController* sharedWinController();
    // The one controller when it has been made, else none.
    static NotesHoverController* existingWinController();
    // The year view, the week view's headers and the main window reach the
    // hover through their services.
    static void installServices();
    // The clock the delayed close counts on (none: the event loop's); for
    // tests, before the controller is made.
    static void setTimerClock(foundation::ManualClock* clock);

    // -- Opening
    // The year view: the day's hover box above the cell's rectangle.
    void showWindowForCellAtRectInView(const std::shared_ptr<YearViewCell>& cell,
                                       const QRectF& rect, kit::View* view);
    // A week header: the notes text below the mark; while open it only moves.
    void showWindowForCellAtRectInViewWithString(const std::shared_ptr<YearViewCell>& cell,
                                                 const QRectF& rect, kit::View* view,
                                                 const QString& text);
    // A week header, for editing at once: returns when the editing has ended.
    void showWindowInEditModeForCellAtRectInViewWithString(
        const std::shared_ptr<YearViewCell>& cell, const QRectF& rect, kit::View* view,
        const QString& text);
    Q_INVOKABLE void showWindow(QObject* sender = nullptr) override;
    bool windowOpen() const { return windowIsOpen_; }
    Q_INVOKABLE void originatingViewMoved();

    // -- Content
    void setupEntries();
    void setupEntries(const QString& text);
    void setParagraphStyle();

    // -- Closing
    Q_INVOKABLE void closeWindow(QObject* sender = nullptr);
    // The year view: the pointer left the hovered cell.
    Q_INVOKABLE void closeWindowIfNoHover(QObject* sender = nullptr);
    void closeWindowAfterHover();
    // A week header: the pointer left the notes mark (half a second ago).
    void triggerRectExited();
    void mouseEntered(const kit::Event& event) override;
    void mouseExited(const kit::Event& event) override;
    Q_INVOKABLE void windowWillClose(QObject* window);

    // -- Editing
    Q_INVOKABLE void editClicked(QObject* sender = nullptr);
    // Writes the text as the day's notes and closes; keeps the panel open
    // with a message when the notes could not be kept.
    Q_INVOKABLE void okClicked(QObject* sender = nullptr);
    Q_INVOKABLE void cancelClicked(QObject* sender = nullptr);
    // Escape discards, the keypad's Enter and Command-Return confirm, Return
    // alone breaks the line.
    bool textViewDoCommandBySelector(kit::TextView* view, kit::TextCommand command,
                                     const kit::Event& event) override;

    // -- State, for the views that follow it and for tests
    bool editMode() const { return editMode_; }
    bool useInYearView() const { return useInYearView_; }
    bool mouseInPanel() const { return mouseInPanel_; }
    bool mouseInTriggerRect() const { return mouseInTriggerRect_; }
    bool hoverEnded() const { return hoverEnded_; }
    bool closePending() const;
    std::shared_ptr<YearViewCell> currentYVCell() const { return currentYVCell_; }
    SpringPanel* panel() const { return gui_notesPopupWindow; }
    kit::TextView* textView() const { return gui_notes; }
    InfoHoverView* infoView() const { return gui_nview; }
    kit::ScrollView* textScrollView() const { return gui_textScrollView; }
    kit::ScrollView* viewScrollView() const { return gui_viewScrollView; }
    kit::Button* closeButton() const { return gui_closeButton; }
    kit::Button* editButton() const { return gui_editButton; }
    kit::Button* okButton() const { return gui_okButton; }
    // The message shown when OK could not keep the notes; hidden otherwise.
    kit::TextView* warningView() const { return gui_warning; }
    const std::shared_ptr<kit::TrackingArea>& panelTrackingArea() const {
        return panelTrackingArea_;
    }

private:
    NotesHoverController();
    void awakeFromNib();
    void buildPanel();
    // Stores where the panel points and aims it there.
    void aimAt(const std::shared_ptr<YearViewCell>& cell, const QRectF& rect, kit::View* view);
    QRectF referenceRect() const;
    void openPanel();
    void installPanelTracking();
    void removePanelTracking();
    // Shuts the panel without the bookkeeping of closeWindow.
    void springShut();
    void showWarning(const QString& key);
    // The edit button's title and the text to read, not editable.
    void setupReading(const QString& editTitleKey, const QString& text);
    // OK and cancel while editing, else the edit button.
    void showControls(bool editing);
    // The text, or else the year view's hover box.
    void showTextContent(bool text);
    // Read modes: the panel follows the pointer from its opening on.
    void followPointer();

    SpringPanel* gui_notesPopupWindow = nullptr;
    SpringPanelView* gui_springView = nullptr;
    kit::ScrollView* gui_textScrollView = nullptr;
    kit::ScrollView* gui_viewScrollView = nullptr;
    kit::TextView* gui_notes = nullptr;
    InfoHoverView* gui_nview = nullptr;
    kit::Button* gui_closeButton = nullptr;
    kit::Button* gui_editButton = nullptr;
    kit::Button* gui_okButton = nullptr;
    kit::TextView* gui_warning = nullptr;
    kit::ScrollView* gui_warningScrollView = nullptr;
    bool windowIsOpen_ = false;
    QPointer<kit::View> originatingView;
    QRectF origRect;
    std::shared_ptr<YearViewCell> currentYVCell_;
    std::shared_ptr<kit::TrackingArea> panelTrackingArea_;
    bool mouseInPanel_ = false;
    bool mouseInTriggerRect_ = false;
    bool editMode_ = false;
    bool useInYearView_ = false;
    bool hoverEnded_ = false;
    bool viewNeedsUpdate_ = false;
    std::unique_ptr<foundation::Timer> dehoverTimer_;
};
