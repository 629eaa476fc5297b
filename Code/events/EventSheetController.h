#pragma once

#include "data/EventDay.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "platform/kit/WindowController.h"
#include "weekview/WeekView.h"

#include <QColor>
#include <QImage>
#include <QPointer>

// The sheet that asks before the week view deletes its selected event: a
// sentence naming the event's calendar beside the event icon tinted in the
// calendar's colour under a delete mark. Delete hands the deletion back to the
// week view, Cancel does nothing. There is one controller
// (sharedWinController).
//
// The sheet deletes only what it named: when the week view's selection is no
// longer that event by the time the user confirms (a store change cleared or
// replaced it), nothing is deleted.
//
// Main thread only.
class EventSheetController final : public kit::WindowController {
    Q_OBJECT

public:
    static constexpr double kIconSize = 64;

    // The one controller, made with its sheet on first use.
    static EventSheetController* sharedWinController();
    // The controller when it has been made, else null.
    static EventSheetController* existingWinController();
    // Drops the controller; the next sharedWinController makes a new one (tests).
    static void resetSharedWinController();
    // Sets the week view's delete-sheet entry to the one controller.
    static void installWeekViewEntries();

    EventSheetController();
    ~EventSheetController() override;

    void applicationFinishedLaunching() {}
    // Shows the sheet for the record on `window`; `view` is told on Delete.
    void openDeleteSheetForEventOnWindowFrom(const EventDayPtr& event, kit::Window* window,
                                             WeekView* view);
    Q_INVOKABLE void okDeletePressed(QObject* sender = nullptr);
    Q_INVOKABLE void cancelDeletePressed(QObject* sender = nullptr);
    void deleteDidEndSheet(int returnCode);

    // The event icon of kIconSize points tinted opaquely in `color`, under the
    // delete mark.
    static QImage eventDeleteImageWithColor(const QColor& color);
    // The mask multiplied by the colour's red, green and blue (its alpha is not
    // used); a mask wider than 65 pixels is halved first.
    static QImage colorizeImageWithColor(const QImage& mask, const QColor& color);

    // -- Parts, for tests.
    kit::Window* sheet();
    bool isSheetUp() const;
    kit::ImageView* imageView() const { return gui_evtDeleteImage; }
    kit::TextField* textField() const { return gui_evtDeleteText; }
    kit::Button* cancelButton() const { return gui_evtDeleteCancel; }
    kit::Button* deleteButton() const { return gui_evtDeleteButton; }
    WeekView* caller() const { return wvCaller; }

protected:
    kit::Window* loadWindow() override;

private:
    // A button of the sheet's bottom row at `x`, with its key and action.
    kit::Button* button(const QString& title, const QString& key, double x, const char* action);

    QPointer<kit::Window> gui_evtDeleteSheet;
    QPointer<kit::ImageView> gui_evtDeleteImage;
    QPointer<kit::TextField> gui_evtDeleteText;
    QPointer<kit::Button> gui_evtDeleteCancel;
    QPointer<kit::Button> gui_evtDeleteButton;
    QPointer<WeekView> wvCaller;
    EventDayPtr eventNamed_;  // the record the open sheet asks about
};
