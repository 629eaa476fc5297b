#pragma once

#include "data/Calendar.h"
#include "data/EMarker.h"
#include "platform/kit/Button.h"
#include "platform/kit/Event.h"
#include "platform/kit/WindowController.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"
#include "sources/CalHoverView.h"

#include <QPointer>
#include <QRectF>
#include <QString>

#include <optional>

namespace kit {
class View;
}  // namespace kit

// The information hover of the source list: a spring panel to the right of a
// calendar's or marker's row with its details and the number of its entries in
// each month of the year on screen (CalHoverView). The model opens it for the
// selected row and re-targets or closes it as the selection changes; the list
// keeps it on its row while it scrolls; the main window keeps it anchored when
// it moves and offers it key presses, of which it takes space and escape. It
// never becomes the key window and closes when any other popup, hover or sheet
// opens ("Close Hover Panels"). There is one hover (sharedWinController).
//
// Main thread only.
class CalSourceHoverController final : public kit::WindowController {
    Q_OBJECT

public:
    // Layout of the panel, in points: the statistics view sits above the
    // buttons inside the spring view's box.
    static constexpr double kViewX = 29;
    static constexpr double kViewY = 54;
    static constexpr double kViewWidth = 280;
    static constexpr double kViewHeight = 396;
    static constexpr double kPanelWidth = kViewX * 2 + kViewWidth;
    static constexpr double kPanelHeight = kViewY + kViewHeight + 27;
    // Space and escape close the open hover.
    static constexpr int kSpaceKeyCode = 49;
    static constexpr int kEscapeKeyCode = 53;
    static inline const QString kAutosaveName = QStringLiteral("(CalSrc Details Popup)");

    // -- Class operations
    // The one hover, made with its panel on first use.
    static CalSourceHoverController* sharedWinController();
    // The hover when it has been made, else null.
    static CalSourceHoverController* existingWinController();
    // Drops the hover; the next sharedWinController makes a new one (tests).
    static void resetSharedWinController();
    static void loadPreferences() {}
    static void updatePreferences() {}
    // Sets the hover entries of the model and of the main window to the one hover.
    static void installEntries();

    CalSourceHoverController();
    ~CalSourceHoverController() override;

    // -- Showing
    Q_INVOKABLE void showWindow(QObject* sender = nullptr) override;
    bool windowOpen() const { return _windowIsOpen; }
    // Opens the panel beside the row `rect` of `view`, or, while it is open,
    // points it there; the statistics are computed anew for another item only.
    void showWindowForCalendarAtRectInView(const CalendarPtr& calendar, const QRectF& rect,
                                           kit::View* view);
    void showWindowForMarkerAtRectInView(const EMarkerPtr& marker, const QRectF& rect,
                                         kit::View* view);
    // The row moved inside the list (it scrolled or resized).
    void updateAnchorToRect(const QRectF& rect);
    // Draws the anchor only while the row's middle lies in the list's visible band.
    void checkAnchorVisibilityForRect(const QRectF& screenRect);
    // Hands the calendar or marker to the statistics view.
    void setupEntries();
    // The window holding the row moved: the panel follows, the anchor's
    // visibility stays.
    void originatingViewMoved();

    // -- Closing and buttons
    // Closes the open panel unless the sender is the hover itself.
    Q_INVOKABLE void closeWindow(QObject* sender = nullptr);
    // Opens the edit sheet of the selected row.
    Q_INVOKABLE void editClicked(QObject* sender = nullptr);
    Q_INVOKABLE void cancelClicked(QObject* sender = nullptr);
    // Space and escape close the open panel and are consumed (none back);
    // every other key, and every key while closed, comes back.
    std::optional<kit::Event> keyPressed(const kit::Event& event);

    // -- Parts, for tests.
    SpringPanel* panel();
    SpringPanelView* springView() const { return gui_springView; }
    CalHoverView* statisticsView() const { return gui_view; }
    kit::Button* closeButton() const { return gui_closeButton; }
    kit::Button* editButton() const { return gui_editButton; }
    const CalendarPtr& calendar() const { return theCalendar; }
    const EMarkerPtr& marker() const { return theMarker; }
    kit::View* originatingView() const { return theView; }
    QRectF originatingRect() const { return origRect; }
    bool drawsAnchor() const;
    // The row's rectangle on screen (y upwards).
    QRectF screenRectOfRow() const;

protected:
    kit::Window* loadWindow() override;

private:
    // What both show operations share once the item is held.
    void showForItem(const QString& previousUID, const QString& uid, const QRectF& rect,
                     kit::View* view);
    QString heldUID() const;

    QPointer<SpringPanel> gui_calSourcesPopupWindow;
    QPointer<SpringPanelView> gui_springView;
    QPointer<CalHoverView> gui_view;
    QPointer<kit::Button> gui_closeButton, gui_editButton;
    bool _windowIsOpen = false;
    CalendarPtr theCalendar;
    EMarkerPtr theMarker;
    QPointer<kit::View> theView;
    QRectF origRect;
};
