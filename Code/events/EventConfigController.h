#pragma once

#include "events/EventTexts.h"
#include "events/LocalRecurrenceRule.h"
#include "platform/kit/WindowController.h"
#include "platform/store/Event.h"

#include <QDateTime>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>

class CollapsablePanel;
class MyDatePicker;
namespace foundation {
class MainThreadObserver;
struct Notification;
}  // namespace foundation
namespace kit {
class Box;
class Button;
class DatePicker;
class ImageView;
class Matrix;
class PopUpButton;
class SegmentedControl;
class TextField;
class TextView;
class View;
class Window;
}  // namespace kit

// The controls of one rule sub-view of the repetition pane (daily, weekly,
// monthly, yearly): the interval, the optional row of day choices that the
// use-days checkbox shows, and the ending. A part a kind does not have is null.
struct RecurrenceControls {
    kit::View* view = nullptr;
    kit::TextField* interval = nullptr;
    kit::Matrix* endingStyle = nullptr;  // tags 1 never, 2 after a count, 3 on a date
    kit::TextField* endingNum = nullptr;
    kit::DatePicker* endingDate = nullptr;
    kit::TextField* endingLabel = nullptr;
    kit::TextField* occLabel = nullptr;
    kit::Button* useDays = nullptr;
    // The day-choice row, its label first, and the height it takes.
    QList<kit::View*> dayRow;
    double rowHeight = 0;
    kit::SegmentedControl* weekdays = nullptr;  // weekly
    kit::TextField* exampleLabel = nullptr;     // monthly
    kit::TextField* daysList = nullptr;         // monthly
    kit::Matrix* daysType = nullptr;            // monthly: tag 1 days of the month, 2 ordinal
    kit::SegmentedControl* months1 = nullptr;   // yearly: January to June
    kit::SegmentedControl* months2 = nullptr;   // yearly: July to December
    kit::Button* onWeekdays = nullptr;          // yearly
    kit::PopUpButton* numPopup = nullptr;       // monthly, yearly: 1st .. 5th, last
    kit::PopUpButton* weekdayPopup = nullptr;   // monthly, yearly

    // The controls that move when the day row is shown or hidden.
    std::array<kit::View*, 5> endingControls() const;
    bool dayRowShown() const;
};

// The event editor: one window per store event, with a header (the event's
// icon in its calendar's colour, its title, the alarm and repetition icons and
// the save warning) over seven collapsible panes (dates, repetition,
// location, attendees, alarm, URL, notes) that show one-line summaries while
// collapsed.
//
// One controller per event UID lives in a class-wide registry, so that asking
// twice for the same event's editor gives the same window. An editor opened
// for an event just created in the week view (new-event mode) removes that
// event again when it closes without being saved. Every editor follows
// "Event Data Changed" for its own event while it exists.
//
// Main thread only.
class EventConfigController final : public kit::WindowController {
    Q_OBJECT

public:
    // The height the time block takes in the dates pane, and the pane height
    // above which the pane counts as showing it.
    static constexpr double kTimeBlockHeight = 48.0;
    static constexpr double kTimeBlockPaneEdge = 190.0;
    // Collapsed summaries are cut to this many characters (and "...").
    static constexpr int kSummaryLength = 45;
    // How far left of the alarm icon the repetition icon stands beside it.
    static constexpr double kIconShift = 19.0;
    // Below this many registered editors no closed editor is dropped.
    static constexpr int kCollectionThreshold = 10;

    // -- Class operations
    // Sets the week view's editor entries (controllerForEvent, showWindow,
    // showWindowForNew) to this class; the other entries stay as they are.
    static void installWeekViewEntries();
    // Reads the settings the editors share.
    static void updatePreferences();
    static bool weekStartsSunday();
    // The editor of the event's UID: the registered one (which takes `event`
    // and is otherwise left as it is, an open window included), else a new one
    // with its window built, registered after closed editors were collected.
    // Null for no event.
    static EventConfigController* controllerForEvent(const calstore::EventPtr& event);
    // With kCollectionThreshold or more registered editors, drops every one
    // whose window is not open.
    static void garbageCollectControllers();
    // Drops the editor registered under the event's UID, if any.
    static void removeControllerForEvent(const calstore::EventPtr& event);
    // The registered editor of a UID (null when none), and how many there are.
    static EventConfigController* registeredControllerForUID(const QString& uid);
    static int numberOfRegisteredControllers();

    // -- Life
    // initForEvent: registers for "Event Data Changed" and reads the language.
    explicit EventConfigController(const calstore::EventPtr& event);
    ~EventConfigController() override;
    void setEventEntity(const calstore::EventPtr& event);
    const calstore::EventPtr& event() const { return _event; }
    // The event's UID; empty when there is no event.
    QString eventUID() const;

    // -- Window
    // Open the editor (showWindow for an event of the store, showWindowForNew
    // for one just created); nothing when it is open or has no event.
    Q_INVOKABLE void showWindow(QObject* sender = nullptr) override;
    Q_INVOKABLE void showWindowForNew(QObject* sender = nullptr);
    bool windowOpen() const { return _windowIsOpen; }
    bool isEventNew() const { return eventIsNew; }
    // What a successful save does before it closes the editor: the event now
    // stays when the window closes.
    void eventWasSaved() { eventIsNew = false; }
    // Fills every pane from the event.
    void setupEntries();
    // Window delegate: undoes an unsaved new event, marks the window closed.
    Q_INVOKABLE void windowWillClose(QObject* sender = nullptr);
    Q_INVOKABLE void closeWindow(QObject* sender = nullptr);

    // -- Repetition
    // The height the end date picker takes in its sub-view, and the height of
    // the daily sub-view above which the picker counts as shown.
    static constexpr double kEndPickerHeight = 126.0;
    static constexpr double kDailyPickerEdge = 200.0;
    // Where the repetition icon stands without and with an alarm.
    static constexpr double kRecurrenceIconX = 415.0;
    static constexpr double kRecurrenceIconXWithAlarm = 396.0;
    // The ordinal pop-ups: entries 0 to 4 are the 1st to the 5th such weekday
    // of the month, the last entry is the last one (week number -1).
    static constexpr int kLastOrdinalEntry = 5;
    static int weekNumberForOrdinalEntry(int entry);
    static int ordinalEntryForWeekNumber(int weekNumber);
    // Weekday controls list the week from Sunday or from Monday; rule
    // weekdays count 1 Sunday .. 7 Saturday.
    static int weekdayForPosition(int position, bool weekStartsSunday);
    static int positionForWeekday(int weekday, bool weekStartsSunday);
    // The days of the month named in a comma-separated list, ascending and
    // once each; none when it names none. An empty item ends the list.
    static std::optional<QList<int>> stringWithNumbersToArray(const QString& text);

    void captureRecurrenceSettings();
    // Puts the sub-view of `type` (-1 none .. 3 yearly) into the pane; from the
    // interface the working rule takes the type, otherwise its own is shown.
    void setupRecurrencePaneForTypeFromUI(int type, bool fromUI);
    const LocalRecurrenceRule& workingRule() const { return modifiedRecRule; }
    // Whether the user changed the repetition since the editor was filled:
    // only then is the stored rule to be replaced by the working rule.
    bool recurrenceChangedByUser() const { return recurrenceChanged_; }
    // Reads the controls of the chosen kind into the working rule.
    void rpReadControls();
    // The working rule as the controls of the chosen kind give it.
    LocalRecurrenceRule recurrenceRuleFromControls() {
        return readRecurrenceControls(modifiedRecRule);
    }
    // The sub-view controls of a kind (0 daily .. 3 yearly).
    RecurrenceControls& rpControls(int kind);
    // The actions of the pattern control and of the sub-views' controls.
    Q_INVOKABLE void patternSelect(QObject* sender = nullptr);
    Q_INVOKABLE void rpDailyEndingSelect(QObject* sender = nullptr);
    Q_INVOKABLE void rpWeeklyEndingSelect(QObject* sender = nullptr);
    Q_INVOKABLE void rpMonthlyEndingSelect(QObject* sender = nullptr);
    Q_INVOKABLE void rpYearlyEndingSelect(QObject* sender = nullptr);
    Q_INVOKABLE void rpClickWeeklyDays(QObject* sender = nullptr);
    Q_INVOKABLE void rpClickMonthlyDays(QObject* sender = nullptr);
    Q_INVOKABLE void rpClickYearlyDays(QObject* sender = nullptr);
    Q_INVOKABLE void rpClickMonthlyDayUsage(QObject* sender = nullptr);
    Q_INVOKABLE void rpClickYearlyDayUsage(QObject* sender = nullptr);
    // The family operations, by kind.
    void rpEndingSelect(int kind);
    void rpUpdateStyle(int kind);
    void rpUpdateEndDatePickerWithPaneUpdate(int kind, bool resize);
    void rpClickDays(int kind, QObject* sender);
    void rpCheckDays(int kind, bool resize);
    void rpUpdateWeeklyWeekdays();
    void rpUpdateMonthlyPopups();
    void rpUpdateMonthlyDayUsage(bool resize);
    void rpUpdateYearlyPopups();
    void rpUpdateYearlyDayUsage(bool resize);
    void rpUpdateYearlyPopulateSelection();
    kit::View* currentRecurrenceSubview() const { return currentRPsubview; }

    // -- Dates pane
    void setupStartEndDate();
    Q_INVOKABLE void dpClickFullday(QObject* sender = nullptr);
    void dpUpdatePaneText();
    Q_INVOKABLE void timePickerGotFocus(QObject* picker);
    Q_INVOKABLE void setStartTime(QObject* sender = nullptr);
    Q_INVOKABLE void setEndTime(QObject* sender = nullptr);
    bool isFullday() const { return eventIsFullday; }
    // The dates pane's height as it is when disclosed (a collapsed pane keeps
    // the height of its content).
    double datePaneDisclosedHeight() const;

    // -- Panes
    // A pane reports a change of state; a collapsed one gets a fresh summary,
    // and the keyboard focus leaves it for the title.
    Q_INVOKABLE void collapsablePanelToggled(QObject* sender);
    void rpUpdatePaneText();
    void lpUpdatePaneText();
    void apUpdatePaneText();
    void upUpdatePaneText();
    void npUpdatePaneText();
    // Each fills its pane's field from the event.
    void setupLocationPane();
    void setupAttendeesPane();
    void setupUrlPane();
    void setupNotesPane();
    // The attendee names of a comma-separated entry, in order, trimmed at
    // both ends; empty items are left out.
    static QStringList attendeeItems(const QString& text);
    // One attendee per item of the attendee field. An item that names an
    // attendee of the opened event keeps that attendee's address, status and
    // role; any other has the item as its name and no address.
    QList<calstore::AttendeePtr> attendeesList() const;
    // Whether `element` lies anywhere in the view's subview tree.
    static bool viewContainsElement(const kit::View* view, const QObject* element);
    // Shows the event in the main window's week view and highlights it there.
    Q_INVOKABLE void findEvent(QObject* sender = nullptr);

    // -- Saving
    // The start and end of a saved event from the range picker (first day
    // `day`, last day `day` + `interval` seconds, in either order) and the
    // time fields: a timed event starts on the first day at the start field's
    // time and ends on the last day at the end field's time, as picked; a
    // full-day event runs from the start of its first day to the start of the
    // day after its last. Putting them in order and the shortest length are
    // the store bridge's business.
    struct StartEnd {
        QDateTime start, end;
    };
    static StartEnd startEndFromRange(const QDateTime& day, double interval, bool fullday,
                                      const QDateTime& startTime, const QDateTime& endTime);
    // Whether the attendee and URL entries can be saved; on NO the warning
    // line shows why and the next save goes ahead without asking.
    bool dataIntegrityOk();
    // The Save button: checks, writes the edited event over the opened one and
    // closes; a failed write keeps the window open with a warning.
    Q_INVOKABLE void saveButton(QObject* sender = nullptr);
    // What a save hands to the writer: a copy of the event as it was opened
    // with the edited fields laid over it, so that what the editor does not
    // show (alarms, exceptions, changed occurrences, other properties) stays.
    // The stored rule is replaced only when the repetition was changed.
    calstore::EventPtr editedEvent() const;
    bool isSecondSaveTry() const { return secondSaveTry; }
    // Store changes of other writers: see eventUpdate.
    void eventUpdate(const foundation::Notification& notification);

    // -- Texts
    const EventTexts& texts() const { return texts_; }
    QString currentLocale() const { return texts_.variant().language; }
    QString determineDatesTextForStartAndEnd(const QDateTime& start, const QDateTime& end) const;
    QString determineRecurrenceText() const;
    QString determineLocationText() const;
    QString determineAttendeesText() const;
    QString determineUrlText() const;
    QString determineNotesText() const;
    // A summary as a collapsed pane shows it: cut to kSummaryLength characters
    // followed by "..." when longer.
    static QString summaryText(const QString& text);
    // The image tinted with the colour's red, green and blue (the kit's tint mask).
    static QImage colorizeImageWithColor(const QImage& image, const QColor& color);
    // The event icon in `color`: a copy of the "Event" image with the
    // "EventMask" image, tinted, drawn over it.
    static QImage eventImageWithColor(const QColor& color);
    // The same from the given images; a mask wider than 65 pixels is halved first.
    static QImage eventImageFromImagesWithColor(const QImage& icon, const QImage& mask,
                                                const QColor& color);

    // -- Interface elements (built with the window)
    kit::ImageView* gui_eventImage = nullptr;
    kit::TextField* gui_title = nullptr;
    kit::Button* gui_recurrenceIcon = nullptr;
    kit::Button* gui_alarmIcon = nullptr;
    kit::ImageView* gui_warningIcon = nullptr;
    kit::TextField* gui_warningLabel = nullptr;
    CollapsablePanel* gui_datePane = nullptr;
    kit::Button* gui_dpFullday = nullptr;
    kit::DatePicker* gui_dpDates = nullptr;
    kit::DatePicker* gui_dpTimes = nullptr;
    kit::TextField* gui_dpLabelStartTime = nullptr;
    kit::TextField* gui_dpLabelEndTime = nullptr;
    MyDatePicker* gui_dpStartTime = nullptr;
    MyDatePicker* gui_dpEndTime = nullptr;
    kit::Box* gui_dpBar1 = nullptr;
    kit::ImageView* gui_dpBar2 = nullptr;
    kit::ImageView* gui_dpBar3 = nullptr;
    kit::Button* gui_dpSetStartTime = nullptr;
    kit::Button* gui_dpSetEndTime = nullptr;
    CollapsablePanel* gui_recurrencePane = nullptr;
    kit::SegmentedControl* gui_rpPattern = nullptr;
    RecurrenceControls gui_rpDaily, gui_rpWeekly, gui_rpMonthly, gui_rpYearly;
    CollapsablePanel* gui_locationPane = nullptr;
    kit::TextField* gui_lpLocation = nullptr;
    CollapsablePanel* gui_attendeesPane = nullptr;
    kit::TextField* gui_apAttendees = nullptr;
    CollapsablePanel* gui_alarmPane = nullptr;
    CollapsablePanel* gui_urlPane = nullptr;
    kit::TextField* gui_upUrl = nullptr;
    CollapsablePanel* gui_notesPane = nullptr;
    kit::TextView* gui_npNotes = nullptr;
    // Under the panes: show in the week view, and save.
    kit::Button* gui_findButton = nullptr;
    kit::Button* gui_saveButton = nullptr;

    // The seven panes from top to bottom, and the ten controls of the time block.
    std::array<CollapsablePanel*, 7> panes() const;
    std::array<kit::View*, 10> timeBlock() const;

protected:
    kit::Window* loadWindow() override;
    void windowDidLoad() override;

private:
    // Opens the window; `forNew` selects new-event mode.
    void openWindow(bool forNew);
    // Grows (positive) or shrinks a pane's content; a collapsed pane
    // keeps it collapsed and shows the new height once disclosed.
    static void changePaneContentBy(CollapsablePanel* pane, double delta);
    // A label in the small system font, as the editor's panes use them.
    static kit::TextField* label(const QString& title, const QRectF& frame,
                                 bool rightAligned = false);
    // Builds the four rule sub-views (they enter the pane when chosen).
    void buildRecurrenceSubviews();
    // The ending tag of the working rule: 1 never, 2 after a count, 3 on a date.
    int currentEndingTag() const;
    // Selects the ordinal and weekday pop-ups of a kind from one entry.
    void rpSelectNthPopups(const RecurrenceControls& c, const MyNthWeekDayPtr& entry);
    // The stored rule's ordinal weekdays, or the first week's weekday of the start.
    QList<MyNthWeekDayPtr> storedOrStartNthWeekDays() const;
    // `rule` with what the controls of the chosen kind show read into it.
    LocalRecurrenceRule readRecurrenceControls(LocalRecurrenceRule rule);
    // The recurrence summary of the working rule, as the collapsed pane shows it.
    void rpUpdatePaneSummary();
    void placeRecurrenceIcon();
    void setTimeBlockHidden(bool hidden);
    // The week view's selection cleared, and the main window told that the
    // event is no longer being created.
    static void clearWeekSelection();
    void endCreation() const;
    // Shows the warning line with a message.
    void showWarning(const QString& message);
    // Refreshes the collapsed summaries of all six panes that have one.
    void updateAllPaneTexts();
    void stopObserving();

    calstore::EventPtr _event;
    bool eventIsFullday = false;
    bool eventIsNew = false;
    bool _windowIsOpen = false;
    bool secondSaveTry = false;
    bool closing_ = false;
    // The store reported the event deleted: there is nothing left to undo.
    bool eventGone_ = false;
    LocalRecurrenceRule modifiedRecRule;
    // The working rule as the controls read when the editor was filled.
    LocalRecurrenceRule shownRecRule_;
    bool recurrenceChanged_ = false;
    bool recurrenceShown_ = false;
    EventTexts texts_;
    QPointer<kit::View> currentRPsubview;
    QPointer<foundation::MainThreadObserver> observer_;
};
