#pragma once

#include "data/EMarker.h"
#include "platform/kit/Button.h"
#include "platform/kit/ColorWell.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "platform/kit/WindowController.h"

#include <QColor>
#include <QImage>
#include <QMap>
#include <QPointer>
#include <QVariantMap>

#include <memory>

class CalendarSources;

// The two sheets of one marker on the main window: the edit sheet (title,
// description, colour, shape and the marker store that keeps its marks, of a
// new or existing marker) and the delete confirmation, which may also remove
// the marker's marks. The items of the store pop-up carry the stores' UIDs, so
// of two stores with one title the one chosen is the one used. OK is enabled
// exactly when the name is not empty and a store is chosen. There is one
// controller (sharedWinController). Main thread only.
class MarkerSheetController final : public kit::WindowController {
    Q_OBJECT

public:
    static MarkerSheetController* sharedWinController();
    // Drops the controller; the next sharedWinController makes a new one (tests).
    static void resetSharedWinController();

    MarkerSheetController();
    ~MarkerSheetController() override;

    void applicationFinishedLaunching() {}
    void openSheetForMarkerOnWindowFrom(const EMarkerPtr& marker, kit::Window* window,
                                        const std::shared_ptr<CalendarSources>& caller);
    void openDeleteSheetForMarkerOnWindowFrom(const EMarkerPtr& marker, kit::Window* window,
                                              const std::shared_ptr<CalendarSources>& caller);

    Q_INVOKABLE void colorChanged(QObject* sender = nullptr);
    Q_INVOKABLE void calendarChanged(QObject* sender = nullptr);
    Q_INVOKABLE void controlTextDidChange(QObject* sender = nullptr);
    Q_INVOKABLE void cancelPressed(QObject* sender = nullptr);
    Q_INVOKABLE void okPressed(QObject* sender = nullptr);
    Q_INVOKABLE void helpPressed(QObject* sender = nullptr);
    Q_INVOKABLE void cancelDeletePressed(QObject* sender = nullptr);
    Q_INVOKABLE void okDeletePressed(QObject* sender = nullptr);

    // The UID of the marker store chosen in the pop-up; "" when none is.
    QString selectedCalendarID() const;

    // The marker picture of 64 points: the calendar page's head in the store's
    // colour, the pin's head in the marker's; the delete picture shows the pin
    // alone under the delete mark.
    static QImage markerImageWithColor(const QColor& color, const QColor& calColor);
    static QImage markerDeleteImageWithColor(const QColor& color, const QColor& calColor);
    static QColor noCalendarColor() { return QColor::fromRgbF(0.5, 0.5, 0.5, 1.0); }

    // -- Parts, for tests.
    kit::Window* editSheet();
    kit::Window* deleteSheet();
    bool isEditSheetUp() const;
    bool isDeleteSheetUp() const;
    kit::ImageView* imageView() const { return gui_mrkImage; }
    kit::TextField* nameField() const { return gui_mrkName; }
    kit::ColorWell* colorWell() const { return gui_mrkColor; }
    kit::TextField* descriptionField() const { return gui_mrkDescription; }
    kit::PopUpButton* calendarPopUp() const { return gui_mrkCalendars; }
    kit::PopUpButton* typePopUp() const { return gui_mrkType; }
    kit::ImageView* cautionImage() const { return gui_cautionImg; }
    kit::TextField* cautionText() const { return gui_cautionText; }
    kit::ImageView* errorImage() const { return gui_errorImg; }
    kit::Button* okButton() const { return gui_okButton; }
    kit::Button* cancelButton() const { return gui_cancelButton; }
    kit::ImageView* deleteImageView() const { return gui_mrkDeleteImage; }
    kit::TextField* deleteText() const { return gui_mrkDeleteText; }
    kit::Button* deleteMarksBox() const { return gui_mrkDeleteMarks; }
    kit::Button* deleteButton() const { return gui_mrkDeleteButton; }
    kit::Button* deleteCancelButton() const { return gui_mrkDeleteCancel; }
    const QVariantMap& markerParameters() const { return markerParameters_; }
    QColor calendarColor() const { return calendarColor_; }

protected:
    kit::Window* loadWindow() override;

private:
    void loadDeleteSheet();
    void updateOkAndError();
    void redrawPicture();

    QPointer<kit::Window> gui_mrkSheet;
    QPointer<kit::ImageView> gui_mrkImage;
    QPointer<kit::TextField> gui_headline;
    QPointer<kit::TextField> gui_mrkName;
    QPointer<kit::ColorWell> gui_mrkColor;
    QPointer<kit::TextField> gui_mrkDescription;
    QPointer<kit::PopUpButton> gui_mrkCalendars;
    QPointer<kit::PopUpButton> gui_mrkType;
    QPointer<kit::ImageView> gui_cautionImg;
    QPointer<kit::ImageView> gui_errorImg;
    QPointer<kit::TextField> gui_cautionText;
    QPointer<kit::Button> gui_cancelButton;
    QPointer<kit::Button> gui_okButton;
    QPointer<kit::Button> gui_helpButton;
    QPointer<kit::Window> gui_mrkDeleteSheet;
    QPointer<kit::ImageView> gui_mrkDeleteImage;
    QPointer<kit::TextField> gui_mrkDeleteText;
    QPointer<kit::Button> gui_mrkDeleteMarks;
    QPointer<kit::Button> gui_mrkDeleteCancel;
    QPointer<kit::Button> gui_mrkDeleteButton;
    std::weak_ptr<CalendarSources> caller;
    EMarkerPtr editedMarker_;
    QColor calendarColor_ = noCalendarColor();
    QVariantMap markerParameters_;
    QMap<QString, QString> markerCalendars;  // store UID to title, taken at opening
};
