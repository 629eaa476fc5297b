#pragma once

#include "data/Calendar.h"
#include "platform/kit/Button.h"
#include "platform/kit/ColorWell.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "platform/kit/WindowController.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QVariantMap>

#include <memory>

class CalendarSources;

// The two sheets of one calendar on the main window: the edit sheet (title,
// description, colour and kind of a new or existing calendar) and the delete
// confirmation. The model opens them and gets their results. A subscription and
// the platform's birthday calendar are locked: only their colour can change.
// There is one controller (sharedWinController). Main thread only.
class CalendarSheetController final : public kit::WindowController {
    Q_OBJECT

public:
    static CalendarSheetController* sharedWinController();
    // Drops the controller; the next sharedWinController makes a new one (tests).
    static void resetSharedWinController();

    CalendarSheetController();
    ~CalendarSheetController() override;

    void applicationFinishedLaunching() {}
    void openSheetForCalendarOnWindowFrom(const CalendarPtr& calendar, kit::Window* window,
                                          const std::shared_ptr<CalendarSources>& caller);
    void openDeleteSheetForCalendarOnWindowFrom(const CalendarPtr& calendar, kit::Window* window,
                                                const std::shared_ptr<CalendarSources>& caller);

    Q_INVOKABLE void colorChanged(QObject* sender = nullptr);
    Q_INVOKABLE void calTypeChanged(QObject* sender = nullptr) { (void)sender; }
    Q_INVOKABLE void controlTextDidChange(QObject* sender = nullptr);
    Q_INVOKABLE void cancelPressed(QObject* sender = nullptr);
    Q_INVOKABLE void okPressed(QObject* sender = nullptr);
    Q_INVOKABLE void helpPressed(QObject* sender = nullptr);
    Q_INVOKABLE void cancelDeletePressed(QObject* sender = nullptr);
    Q_INVOKABLE void okDeletePressed(QObject* sender = nullptr);

    // The calendar picture of 64 points with its head in the colour; the
    // delete picture has the delete mark over it.
    static QImage calendarImageWithColor(const QColor& color);
    static QImage calendarDeleteImageWithColor(const QColor& color);

    // -- Parts, for tests.
    kit::Window* editSheet();
    kit::Window* deleteSheet();
    bool isEditSheetUp() const;
    bool isDeleteSheetUp() const;
    kit::ImageView* imageView() const { return gui_calImage; }
    kit::TextField* headline() const { return gui_headline; }
    kit::TextField* nameField() const { return gui_calName; }
    kit::ColorWell* colorWell() const { return gui_calColor; }
    kit::TextField* descriptionField() const { return gui_calDescription; }
    kit::PopUpButton* typePopUp() const { return gui_calType; }
    kit::Button* okButton() const { return gui_okButton; }
    kit::Button* cancelButton() const { return gui_cancelButton; }
    kit::Button* helpButton() const { return gui_helpButton; }
    kit::TextField* typeLabel() const { return gui_calTypeLabel; }
    kit::ImageView* warningIcon() const { return gui_warningIcon; }
    kit::TextField* warningLabel() const { return gui_warningLabel; }
    kit::ImageView* deleteImageView() const { return gui_calDeleteImage; }
    kit::TextField* deleteText() const { return gui_calDeleteText; }
    kit::Button* deleteButton() const { return gui_calDeleteButton; }
    kit::Button* deleteCancelButton() const { return gui_calDeleteCancel; }
    const QVariantMap& calParameters() const { return calParameters_; }
    CalendarPtr editedCalendar() const { return editedCalendar_; }

protected:
    kit::Window* loadWindow() override;

private:
    void loadDeleteSheet();

    QPointer<kit::ImageView> gui_calImage;
    QPointer<kit::Window> gui_calSheet;
    QPointer<kit::TextField> gui_headline;
    QPointer<kit::TextField> gui_calName;
    QPointer<kit::ColorWell> gui_calColor;
    QPointer<kit::TextField> gui_calDescription;
    QPointer<kit::PopUpButton> gui_calType;
    QPointer<kit::Button> gui_cancelButton;
    QPointer<kit::Button> gui_okButton;
    QPointer<kit::Button> gui_helpButton;
    QPointer<kit::TextField> gui_calTypeLabel;
    QPointer<kit::Window> gui_calDeleteSheet;
    QPointer<kit::ImageView> gui_calDeleteImage;
    QPointer<kit::TextField> gui_calDeleteText;
    QPointer<kit::Button> gui_calDeleteCancel;
    QPointer<kit::Button> gui_calDeleteButton;
    QPointer<kit::ImageView> gui_warningIcon;
    QPointer<kit::TextField> gui_warningLabel;
    std::weak_ptr<CalendarSources> caller;
    QVariantMap calParameters_;
    CalendarPtr editedCalendar_;
};
