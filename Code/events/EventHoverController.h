#pragma once

#include "data/EventDay.h"
#include "events/EventHoverView.h"
#include "platform/kit/Button.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/WindowController.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"

#include <QPointer>
#include <QRectF>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

class Calendar;
namespace kit {
class Event;
class View;
}  // namespace kit

// The event hover: the details card of one event (EventHoverView) in a spring
// panel beside the event's box, with buttons to edit the event, to show its
// week and to close. There is one hover (sharedWinController). It opens from
// the week view and the search results; it closes when another popup, hover,
// sheet or the editor opens ("Close Hover Panels"), from its buttons, and when
// its openers say so. It never becomes the key window.
//
// Main thread only.
class EventHoverController final : public kit::WindowController {
    Q_OBJECT

public:
    // Layout of the panel, in points.
    static constexpr double kPanelWidth = 355;
    static constexpr double kChromeHeight = 81;  // the panel's height beyond the card in sight
    static constexpr double kScrollX = 29;
    static constexpr double kScrollY = 54;

    // What the hover asks of the parts built after it. Unset entries do
    // nothing.
    struct Services {
        // Edit on a birthday: opens the birthday list sheet of the birthday
        // calendar on the main window and selects the row with the title.
        std::function<void(const std::shared_ptr<Calendar>& calendar, const QString& title)>
            showBirthdayInSheet;
    };
    static void changeServices(const std::function<void(Services&)>& change);
    static const Services& services();

    // -- Class operations
    // The one hover, made with its panel on first use.
    static EventHoverController* sharedWinController();
    // The hover when it has been made, else null.
    static EventHoverController* existingWinController();
    // Drops the hover; the next sharedWinController makes a new one (tests).
    static void resetSharedWinController();
    // Both copy "AppPref WeekView" and read the opening side and the three
    // optional lines of the card.
    static void loadPreferences();
    static void updatePreferences();
    static bool defaultOpensToRight();
    static bool showsUID();
    static bool showsTimestamp();
    static bool showsCalendar();
    // Sets the hover entries of the week view, the main window and the year
    // area to the one hover.
    static void installEntries();

    EventHoverController();
    ~EventHoverController() override;

    // -- Showing
    // Shows the event beside `rect` of `view`: opens the hover, or, while it
    // is open, refills it for another record (another UID or another start)
    // and moves it to the new anchor.
    void showWindowForEventAtRectInView(const EventDayPtr& event, const QRectF& rect,
                                        kit::View* view);
    Q_INVOKABLE void showWindow(QObject* sender = nullptr) override;
    bool windowOpen() const { return _windowIsOpen; }
    // Points the open hover at a new rectangle of its view, keeping its anchor.
    void updateAnchorToRect(const QRectF& rect);
    // The main window moved: the open hover follows its view.
    void originatingViewMoved();
    void setDrawsAnchor(bool draws);
    bool drawsAnchor() const { return panelDrawsAnchor; }
    void setShowWeekButton(bool show);
    // Fills the card and sizes the panel to it.
    void setupEntries();
    // Closes the open hover unless the sender is the hover itself.
    Q_INVOKABLE void closeWindow(QObject* sender = nullptr);

    // -- Buttons
    Q_INVOKABLE void editClicked(QObject* sender = nullptr);
    Q_INVOKABLE void showWeekClicked(QObject* sender = nullptr);
    Q_INVOKABLE void cancelClicked(QObject* sender = nullptr);

    // The week view's wheel events come here first: while open the card
    // scrolls and the answer is true.
    bool scrollNotify(const kit::Event& event);

    // -- Parts, for tests.
    SpringPanel* panel();
    SpringPanelView* springView() const { return gui_springView; }
    EventHoverView* detailsView() const { return gui_view; }
    kit::ScrollView* scrollView() const { return gui_scrollView; }
    kit::Button* closeButton() const { return gui_closeButton; }
    kit::Button* editButton() const { return gui_editButton; }
    kit::Button* weekButton() const { return gui_weekButton; }
    const EventDayPtr& event() const { return theEvent; }
    kit::View* originatingView() const { return theView; }
    QRectF originatingRect() const { return origRect; }

protected:
    kit::Window* loadWindow() override;

private:
    // The reference rectangle on screen for `origRect` of `theView`.
    QRectF referenceRectOnScreen() const;
    void reaim();

    QPointer<SpringPanel> gui_eventsPopupWindow;
    QPointer<SpringPanelView> gui_springView;
    QPointer<EventHoverView> gui_view;
    QPointer<kit::ScrollView> gui_scrollView;
    QPointer<kit::Button> gui_closeButton, gui_editButton, gui_weekButton;
    bool _windowIsOpen = false;
    bool panelDrawsAnchor = true;
    EventDayPtr theEvent;
    QPointer<kit::View> theView;
    QRectF origRect;
};
