#pragma once

#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "platform/kit/WindowController.h"

#include <QPointer>
#include <QString>

#include <array>
#include <memory>

class CalendarSources;

// The setup assistant: a sheet on the main window that walks through what
// the system's own calendar data needs, in four phases: a marker store, a
// holiday store, a birthday store (each a new local calendar, an existing
// calendar given that type, or skipped) and a first marker. Phases found done
// when the sheet opens are stepped over; there is no way back. Every change
// goes through the model (CalendarSources of the application delegate). One
// instance (sharedWinController). Main thread only.
class SetupWinController final : public kit::WindowController {
    Q_OBJECT

public:
    // The radio cells of the store phases, by tag.
    enum Choice { kCreate = 1, kUseExisting = 2, kSkip = 3 };
    static inline const QString kBulletOk = QStringLiteral("BulletOk");
    static inline const QString kBulletBlue = QStringLiteral("BulletBlue");
    static inline const QString kBulletGrey = QStringLiteral("BulletGrey");

    static SetupWinController* sharedWinController();
    static void resetSharedWinController();  // tests

    SetupWinController();
    ~SetupWinController() override;

    void openSetupSheetOnMainWindow();
    // Nothing when the window carries a sheet already.
    void openSetupSheetOnWindow(kit::Window* window);

    // Whether a calendar of the marker (holiday, birthday) type exists, and
    // whether a marker is defined.
    bool markerStoreDefined() const;
    bool holidayStoreDefined() const;
    bool birthdayStoreDefined() const;
    bool markerDefined() const;
    // The title of the first marker store; null without one.
    QString nameOfMarkerCalendar() const;

    void prepareAssistant();
    void prepareForPhase(int phase);
    void performPhaseOne();
    void performPhaseTwo();
    void performPhaseThree();
    void performPhaseFour();

    Q_INVOKABLE void nextClicked(QObject* sender = nullptr);
    Q_INVOKABLE void cancelClicked(QObject* sender = nullptr);
    Q_INVOKABLE void selectionChanged(QObject* sender = nullptr);
    Q_INVOKABLE void newMarkerToggled(QObject* sender = nullptr);
    Q_INVOKABLE void checkStartupChanged(QObject* sender = nullptr);
    Q_INVOKABLE void controlTextDidChange(QObject* sender = nullptr);

    // -- Parts, for tests.
    kit::Window* sheet();
    bool isSheetUp() const;
    int currentPhase() const { return currentPhase_; }
    // The image name each bullet shows (index 0 for phase 1).
    QString bulletName(int index) const { return bulletNames_[size_t(index)]; }
    kit::TextField* phaseTitle(int index) const { return gui_phases[size_t(index)]; }
    kit::TextField* introText() const { return gui_introText; }
    kit::Matrix* selection() const { return gui_selection; }
    kit::TextField* newName() const { return gui_newName; }
    kit::PopUpButton* selectedName() const { return gui_selectedName; }
    kit::Button* newMarker() const { return gui_newMarker; }
    kit::TextField* warningText() const { return gui_warningText; }
    kit::ImageView* warningIcon() const { return gui_warningIcon; }
    kit::Button* checkAtStartup() const { return gui_checkAtStartup; }
    kit::Button* nextButton() const { return gui_next; }
    kit::Button* cancelButton() const { return gui_cancel; }

protected:
    kit::Window* loadWindow() override;

private:
    std::shared_ptr<CalendarSources> sources() const;
    bool storeOfTypeDefined(int type) const;
    void setBullet(int phase, const QString& name);
    void setPhaseTitleEnabled(int phase, bool enabled);
    // The phase after `phase`, stepping over those found done at the opening.
    int nextOpenPhase(int phase) const;
    void prepareStorePhase(int phase);
    void fillCalendarPopUp(int phase);
    void performStorePhase(int phase, int type);
    void updateNextButton();
    void endSheet();

    QPointer<kit::Window> gui_setupSheet;
    std::array<QPointer<kit::TextField>, 4> gui_phases;
    std::array<QPointer<kit::ImageView>, 4> gui_bullets;
    std::array<QString, 4> bulletNames_;
    QPointer<kit::TextField> gui_introText;
    QPointer<kit::Matrix> gui_selection;
    QPointer<kit::TextField> gui_newName;
    QPointer<kit::PopUpButton> gui_selectedName;
    QPointer<kit::Button> gui_newMarker;
    QPointer<kit::TextField> gui_warningText;
    QPointer<kit::ImageView> gui_warningIcon;
    QPointer<kit::Button> gui_checkAtStartup;
    QPointer<kit::Button> gui_next;
    QPointer<kit::Button> gui_cancel;
    int currentPhase_ = 1;
    // Taken once per opening: the three stores and a marker exist.
    std::array<bool, 4> phaseOkay_{};
};
