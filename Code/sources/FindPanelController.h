#pragma once

#include "data/EventDay.h"
#include "data/EventFinder.h"
#include "data/appPref.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "platform/kit/WindowController.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"

#include <QImage>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class EventHoverController;
namespace kit {
class Event;
}

// The find panel: a window of its own in which the user types a search text,
// chooses the search mode, the event fields searched and up to three
// filters, and gets the list of matching events, which opens the event hover
// and deletes the selected events. It drives the shared EventFinder and
// hears its hits. There is one controller (sharedWinController).
//
// Main thread only, except the deletion's store writes.
class FindPanelController final : public kit::WindowController,
                                  public EventFinderController,
                                  public kit::TableViewDataSource,
                                  public kit::TableViewDelegate {
    Q_OBJECT

public:
    // Seconds after a change notification until the search runs again.
    static constexpr double kReSearchDelay = 0.8;
    // The height the options pane grows by for the date range of a full search.
    static constexpr float kDateRowsHeight = 20;

    static FindPanelController* sharedWinController();
    static FindPanelController* existingWinController();
    static void resetSharedWinController();  // tests
    // The main window's Find commands open the panel; the quick search reads
    // the main window's three year pages.
    static void installEntries();

    FindPanelController();
    ~FindPanelController() override;

    Q_INVOKABLE void showWindow(QObject* sender = nullptr) override;
    bool windowOpen() const { return _windowIsOpen; }
    Q_INVOKABLE void closeWindow(QObject* sender = nullptr);

    // The search request of the search field, and the decision it takes.
    Q_INVOKABLE void findEnterPressed(QObject* sender = nullptr);
    void find(const QString& text);

    Q_INVOKABLE void searchModeChanged(QObject* sender);
    Q_INVOKABLE void searchFieldChanged(QObject* sender);
    Q_INVOKABLE void searchFilterChanged(QObject* sender);
    Q_INVOKABLE void searchDatesChanged(QObject* sender);
    QString textForOptions();

    // EventFinderController
    void searchFoundEvent(const EventDayPtr& eventDay) override;
    void searchFoundEvents(const std::vector<EventDayPtr>& eventDays) override;
    void invalidateFoundEvent(const EventDayPtr& eventDay) override;
    void searchComplete() override;

    // Results table
    int numberOfRowsInTableView(kit::TableView* table) override;
    QVariant tableViewObjectValueForTableColumnRow(kit::TableView* table, kit::TableColumn* column,
                                                   int row) override;
    bool tableViewShouldEditTableColumnRow(kit::TableView*, kit::TableColumn*, int) override {
        return false;
    }
    void tableViewSelectionDidChange(kit::TableView* table) override;
    Q_INVOKABLE void doubleClick(QObject* sender = nullptr);
    // Each scroll of the list (from FindPanelScroller), and each move of the window.
    void viewFrameChanged(QObject* sender = nullptr);
    // Window delegate.
    Q_INVOKABLE void windowDidMove(QObject* window = nullptr);
    // The window was resized (by the user, step by step): the list takes the
    // new size of its clip view and the hover its row's new place.
    Q_INVOKABLE void windowDidResize(QObject* window = nullptr);
    Q_INVOKABLE void windowWillClose(QObject* window = nullptr);
    // The Delete and Forward Delete keys with a selection open the delete sheet.
    bool handleKeyDown(int keyCode);
    void keyDown(const kit::Event& event) override;

    // Deletion of the selected found events.
    Q_INVOKABLE void deletePressed(QObject* sender = nullptr);
    void openDeleteSheet();
    Q_INVOKABLE void cancelDeletePressed(QObject* sender = nullptr);
    Q_INVOKABLE void okDeletePressed(QObject* sender = nullptr);

    // How one found event is removed from the store (YearViewEventLoader's
    // deleteEvent by default; tests inject failures). Any thread.
    using EventDeleter = std::function<bool(const EventDayPtr&)>;
    void setEventDeleter(EventDeleter deleter) { deleter_ = std::move(deleter); }

    // The row's anchor for the hover, in the table's coordinates.
    QRectF anchorRectOfRow(int row) const;
    static QString dateText(const QDateTime& start, const QString& language);

    // -- Parts and state, for tests.
    const std::vector<EventDayPtr>& results() const { return results_; }
    QString searchString() const { return searchString_; }
    bool searchOptionsChanged() const { return searchOptionsChanged_; }
    appPref& prefs() { return prefs_; }
    int searchRequests() const { return searchRequests_; }
    bool deleteSheetOpen() const { return deleteSheetOpen_; }
    int failedDeletions() const { return failedDeletions_; }
    void setLanguage(const QString& language) { language_ = language; }
    kit::TextField* searchField() const { return gui_searchText; }
    CollapsablePanel* optionsPane() const { return gui_optionsPane; }
    kit::Matrix* modeMatrix() const { return gui_smode; }
    kit::DatePicker* fromDate() const { return gui_fromDate; }
    kit::DatePicker* toDate() const { return gui_toDate; }
    kit::Button* fieldCheckbox(int index) const;   // 0 title .. 4 uid
    kit::Button* filterCheckbox(int index) const;  // 0 type, 1 recurrence, 2 calendar
    kit::PopUpButton* filterPopUp(int index) const;
    kit::TableView* resultsTable() const { return gui_resultsTable; }
    kit::ScrollView* resultsScrollView() const { return gui_resultsScrollView; }
    kit::TextField* footer() const { return gui_footer; }
    kit::ProgressIndicator* progress() const { return gui_progress; }
    kit::Button* deleteButton() const { return gui_deleteButton; }
    kit::Window* deleteSheet() const { return gui_deleteSheet; }
    kit::TextField* deleteText() const { return gui_deleteText; }
    kit::Button* okDeleteButton() const { return gui_okDelete; }
    kit::Button* cancelDeleteButton() const { return gui_cancelDelete; }
    kit::ProgressIndicator* deleteProgressBar() const { return gui_deleteProgress; }
    QImage typeImage(const EventDayPtr& eventDay) const;

protected:
    kit::Window* loadWindow() override;

private:
    void awakeFromNib();
    void readOptions();
    void setupEntries();
    void writeOptions();
    void eventDataChanged();
    void setFullModeControls(bool full);
    void showHoverForSelectedRow(bool scroll);
    // The event hover open from this list and the selected row it follows;
    // without a selected row the hover is closed and null is answered.
    EventHoverController* followingHover(int& row);
    void performDelete(const std::vector<EventDayPtr>& entries);
    void updateDeleteProgress(const EventDayPtr& entry, bool deleted);
    // A series left the store: the entry and every other occurrence of its
    // UID leave the list at once, the selection keeps its other rows, and the
    // hover opened from the list closes when it shows that series.
    void dropSeries(const EventDayPtr& entry, const QString& uid);
    void deleteDidEndSheet();
    void reloadTable();

    QPointer<kit::TextField> gui_searchText;
    QPointer<CollapsablePanel> gui_optionsPane;
    QPointer<kit::Matrix> gui_smode;
    QPointer<kit::TextField> gui_fromLabel, gui_toLabel;
    QPointer<kit::DatePicker> gui_fromDate, gui_toDate;
    QPointer<kit::Button> gui_sfieldTitle, gui_sfieldLocation, gui_sfieldAttendees, gui_sfieldNotes,
        gui_sfieldUid;
    QPointer<kit::Button> gui_sfilterType, gui_sfilterRecurrence, gui_sfilterCalendar;
    QPointer<kit::PopUpButton> gui_sfilterTypeSelect, gui_sfilterRecurrenceSelect,
        gui_sfilterCalendarSelect;
    QPointer<kit::ScrollView> gui_resultsScrollView;
    QPointer<kit::TableView> gui_resultsTable;
    QPointer<kit::TextField> gui_footer;
    QPointer<kit::ProgressIndicator> gui_progress;
    QPointer<kit::Button> gui_deleteButton;
    QPointer<kit::Window> gui_deleteSheet;
    QPointer<kit::TextField> gui_deleteText;
    QPointer<kit::Button> gui_cancelDelete, gui_okDelete;
    QPointer<kit::ProgressIndicator> gui_deleteProgress;

    bool _windowIsOpen = false;
    QString language_;
    QImage typeImgMark, typeImgNote, typeImgHoliday, typeImgBirthday, typeImgEvent;
    appPref prefs_;
    std::shared_ptr<EventFinder> finder_;
    QString searchString_;
    std::vector<EventDayPtr> results_;
    bool searchOptionsChanged_ = true;
    bool deleteSheetOpen_ = false;
    bool deleting_ = false;  // from OK until the last entry's update
    int deleteProgress_ = 0;
    int failedDeletions_ = 0;
    std::vector<int> selection_;
    int searchRequests_ = 0;
    EventDeleter deleter_;
};
