#pragma once

#include "data/Calendar.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "platform/kit/WindowController.h"
#include "sources/PurgeJob.h"

#include <QColor>
#include <QImage>
#include <QPointer>

#include <memory>

class CalendarSources;

// The purge sheet on the main window: removes a calendar's marks, notes or
// ordinary events (each chosen by a checkbox) up to a chosen moment, from it
// on, or in all years, in one background job (PurgeJob). The controls are read
// on the main thread when Purge is pressed; the job hands every label,
// progress and sheet change back to the main thread in order, and in the end
// the change map to the main window. There is one controller
// (sharedWinController). Main thread only.
class PurgeSheetController final : public kit::WindowController {
    Q_OBJECT

public:
    static PurgeSheetController* sharedWinController();
    // Drops the controller; the next sharedWinController makes a new one (tests).
    static void resetSharedWinController();

    PurgeSheetController();
    ~PurgeSheetController() override;

    // Sets every control to its opening state and begins the sheet on the
    // window. Nothing while the sheet is up (a purge may be running).
    void openSheetForCalendarOnWindowFrom(const CalendarPtr& calendar, kit::Window* window,
                                          const std::shared_ptr<CalendarSources>& caller);

    Q_INVOKABLE void timeTypeChanged(QObject* sender = nullptr);
    Q_INVOKABLE void cancelPressed(QObject* sender = nullptr);
    Q_INVOKABLE void okPressed(QObject* sender = nullptr);

    // The event picture of 64 points in the colour (not capped for bright
    // colours) with the delete mark over it.
    static QImage eventDeleteImageWithColor(const QColor& color);

    // -- Parts, for tests.
    kit::Window* sheet();
    bool isSheetUp() const;
    bool isRunning() const { return running_; }
    kit::ImageView* imageView() const { return gui_evtDeleteImage; }
    kit::Button* marksBox() const { return gui_delMarks; }
    kit::Button* notesBox() const { return gui_delNotes; }
    kit::Button* eventsBox() const { return gui_delEvents; }
    kit::PopUpButton* timeTypePopUp() const { return gui_delTimeType; }
    kit::DatePicker* datePicker() const { return gui_delTime; }
    kit::ProgressIndicator* progress() const { return gui_progress; }
    kit::TextField* progressLabel() const { return gui_progLabel; }
    kit::Button* cancelButton() const { return gui_cancelButton; }
    kit::Button* purgeButton() const { return gui_purgeButton; }
    CalendarPtr editedCalendar() const { return editedCalendar_; }

protected:
    kit::Window* loadWindow() override;

private:
    // What the controls hold, read when Purge is pressed.
    PurgeJob::Choice choiceFromControls() const;
    void setControlsEnabled(bool enabled);
    // The job's steps on the main thread.
    void showFound(int found);
    void showRemoving(int total);
    void showRemoved(int done, int total);
    void finish();

    QPointer<kit::Window> gui_theSheet;
    QPointer<kit::ImageView> gui_evtDeleteImage;
    QPointer<kit::Button> gui_delMarks;
    QPointer<kit::Button> gui_delNotes;
    QPointer<kit::Button> gui_delEvents;
    QPointer<kit::PopUpButton> gui_delTimeType;
    QPointer<kit::DatePicker> gui_delTime;
    QPointer<kit::ProgressIndicator> gui_progress;
    QPointer<kit::TextField> gui_progLabel;
    QPointer<kit::Button> gui_cancelButton;
    QPointer<kit::Button> gui_purgeButton;
    std::weak_ptr<CalendarSources> caller;
    CalendarPtr editedCalendar_;
    bool running_ = false;
};
