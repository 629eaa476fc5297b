#pragma once

#include "data/DayEventLayout.h"
#include "events/DPEventsView.h"
#include "events/DPFulldayView.h"
#include "platform/kit/Button.h"
#include "platform/kit/Event.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/WindowController.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"
#include "yearview/YearView.h"
#include "yearview/YearViewCell.h"

#include <QPointer>
#include <QVariantMap>

#include <optional>
#include <vector>

namespace foundation {
struct Notification;
}

// The day popup: one day of the year view in a spring panel beside its cell,
// with a title, the day's notes when it has any, its full-day entries and a
// scrollable 24-hour grid of its timed events, buttons that step to the
// previous or next day or month and show the day's week, and a switch for
// calendar colours. While open it has the first look at the main window's key
// presses and the year view's wheel turns. It is refilled in place when the
// year page's loader has finished a job or the calendar selection changed, and
// closes when another popup, hover, editor or sheet opens. There is one.
// Main thread only.
class DayPopupController final : public kit::WindowController {
    Q_OBJECT

public:
    // Heights of the panel without and with the day's notes, and of the list
    // area below the title without notes.
    static constexpr double kPanelHeight = 540.0;
    static constexpr double kNotesHeight = 70.0;
    static constexpr double kListHeight = 425.0;
    static constexpr int kMaxFulldayRows = 9;

    static DayPopupController* sharedWinController();
    // Drops the one controller and its panel (tests start afresh).
    static void resetSharedWinController();
    // Points the year view's and the main window's day popup entries at the
    // one controller. Called once at start-up.
    static void installEntries();

    // The class-wide settings of "AppPref YearView": the side the popup opens
    // on and the calendar colour switch.
    static void loadPreferences();
    static void updatePreferences();
    static bool defaultOpensToRight();
    static bool useCalendarColors();

    DayPopupController();
    ~DayPopupController() override;

    // Opens the popup beside the cell of the page, or, when it is open, fills
    // it with that day and moves it there.
    void showWindowForCellInView(const YearViewCellPtr& cell, YearView* view);
    // The generic entry; on a popup already open it leaves it open.
    Q_INVOKABLE void showWindow(QObject* sender = nullptr) override;
    bool windowOpen() const { return windowIsOpen_; }
    Q_INVOKABLE void reloadData(QObject* sender = nullptr);
    // Closes the popup unless the sender is the controller itself.
    Q_INVOKABLE void closeWindow(QObject* sender = nullptr);
    Q_INVOKABLE void windowWillClose(QObject* window = nullptr);
    void originatingViewMoved();

    // -- Filling
    void setupEntries();
    int numberOfFulldayEvents() const;
    void scrollToFirstEvent();
    // The overlap layout of the day's timed events of selected calendars, in
    // a list of the popup's own.
    static std::vector<DayEventLayout::TimedEvent> sortEvents(const YearViewCell::EventList& list);

    // -- Scrolling (0 shows 0:00 at the top, 1 the end of the day)
    void scroll(double value);
    void animatedScroll(double value);
    // The scroller's value now.
    double scrollValue() const;
    // A wheel turn: taken (true) while the popup is open.
    bool scrollNotify(const kit::Event& event);
    // A key of the main window: none back when the popup took it.
    std::optional<kit::Event> keyPressed(const kit::Event& event);

    // -- Actions
    Q_INVOKABLE void setShowColors(QObject* sender = nullptr);
    Q_INVOKABLE void gotoPreviousDay(QObject* sender = nullptr);
    Q_INVOKABLE void gotoNextDay(QObject* sender = nullptr);
    Q_INVOKABLE void gotoPreviousMonth(QObject* sender = nullptr);
    Q_INVOKABLE void gotoNextMonth(QObject* sender = nullptr);
    Q_INVOKABLE void gotoWeek(QObject* sender = nullptr);
    Q_INVOKABLE void cancelPopup(QObject* sender = nullptr);

    // -- What the popup shows
    SpringPanel* panel();
    YearViewCellPtr currentCell() const { return currentYVCell; }
    YearView* currentYearView() const { return currentYearView_; }
    double eventsScrollViewHeight() const { return eventsScrollViewHeight_; }
    kit::TextField* dayTitle() const { return gui_dayTitle; }
    kit::TextView* notesView() const { return gui_notes; }
    kit::ScrollView* notesScrollView() const { return gui_notesScrollView; }
    kit::ScrollView* eventsScrollView() const { return gui_eventsScrollView; }
    DPEventsView* eventsView() const { return gui_eventsView; }
    DPFulldayView* fulldayView() const { return gui_fulldayView; }
    kit::Button* colorsCheckbox() const { return gui_useCalendarColors; }
    // The step buttons, the week button and the close button by action name.
    kit::Button* buttonForAction(const QByteArray& action) const;

protected:
    kit::Window* loadWindow() override;

private:
    void awakeFromNib();
    // The cell's inset rectangle on the screen (all zero without a cell).
    QRectF referenceRectOnScreen() const;
    void stepTo(const MyDatePtr& date);
    void calendarSelectionChange(const foundation::Notification& notification);

    QPointer<kit::ScrollView> gui_notesScrollView;
    QPointer<kit::TextView> gui_notes;
    QPointer<kit::Button> gui_useCalendarColors;
    QPointer<kit::ScrollView> gui_eventsScrollView;
    QPointer<DPEventsView> gui_eventsView;
    QPointer<DPFulldayView> gui_fulldayView;
    QPointer<SpringPanel> gui_dayPopupWindow;
    QPointer<kit::TextField> gui_dayTitle;
    QPointer<kit::Button> gui_closeButton;
    std::vector<QPointer<kit::Button>> gui_buttons;
    QPointer<YearView> currentYearView_;
    YearViewCellPtr currentYVCell;
    double eventsScrollViewHeight_ = kListHeight;
    bool windowIsOpen_ = false;
};
