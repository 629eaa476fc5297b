#include "prefs/SetupWinController.h"

#include "data/Calendar.h"
#include "data/CalendarSources.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/foundation/Log.h"
#include "platform/kit/Color.h"
#include "platform/kit/Image.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/Sheet.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "sources/SourceSheetParts.h"

namespace {

SetupWinController* SWC_sharedWinController = nullptr;

constexpr double kWidth = 640;
constexpr double kHeight = 380;
constexpr double kRight = 210;  // where the page right of the step list begins
constexpr double kRowHeight = 32;

QString text(const QString& key) {
    return foundation::localized(key);
}

// The text of a store phase's key ("assistantP2intro" for phase 2, "intro").
QString phaseText(int phase, const char* part) {
    return text(QStringLiteral("assistantP%1%2").arg(phase).arg(QLatin1String(part)));
}

QColor titleColor(bool enabled) {
    return enabled ? kit::Color::black() : kit::Color::gray();
}

// The calendar type each store phase makes.
int storeTypeOfPhase(int phase) {
    switch (phase) {
        case 1:
            return Calendar::kTypeMarker;
        case 2:
            return Calendar::kTypeHoliday;
        default:
            return Calendar::kTypeBirthday;
    }
}

kit::TextField* addLabel(kit::View* content, const QString& title, const QRectF& frame) {
    auto* label = kit::TextField::labelWithString(title, frame);
    content->addSubview(label);
    return label;
}

}  // namespace

SetupWinController* SetupWinController::sharedWinController() {
    if (!SWC_sharedWinController) new SetupWinController();
    SWC_sharedWinController->window();
    return SWC_sharedWinController;
}

void SetupWinController::resetSharedWinController() {
    delete SWC_sharedWinController;
}

SetupWinController::SetupWinController() {
    if (!SWC_sharedWinController) SWC_sharedWinController = this;
}

SetupWinController::~SetupWinController() {
    if (SWC_sharedWinController == this) SWC_sharedWinController = nullptr;
    endSheet();
}

kit::Window* SetupWinController::loadWindow() {
    auto* made = new kit::Window(QRectF(0, 0, kWidth, kHeight), kit::Window::Titled);
    kit::View* content = made->contentView();
    for (int i = 0; i < 4; ++i) {
        const double y = kHeight - 44 - i * 30;
        gui_bullets[size_t(i)] = new kit::ImageView(QRectF(20, y, 16, 16));
        content->addSubview(gui_bullets[size_t(i)]);
        gui_phases[size_t(i)] =
            addLabel(content, text(QStringLiteral("assistantStep%1").arg(i + 1)),
                     QRectF(44, y - 2, 150, 20));
    }

    gui_introText =
        addLabel(content, QString(), QRectF(kRight, kHeight - 110, kWidth - kRight - 20, 90));
    gui_introText->setWraps(true);

    const double top = kHeight - 124;  // the radio cells' upper edge
    gui_selection = new kit::Matrix(QRectF(kRight, top - 3 * kRowHeight, 200, 3 * kRowHeight));
    for (int tag = kCreate; tag <= kSkip; ++tag) gui_selection->addCell(QString(), tag);
    gui_selection->setTarget(this);
    gui_selection->setAction("selectionChanged");
    content->addSubview(gui_selection);
    gui_newMarker = sourcesheets::checkbox(content, text(QStringLiteral("assistantP4checkbox")),
                                           QRectF(kRight, top - kRowHeight + 4, 200, 22), this,
                                           "newMarkerToggled");
    const double fieldX = kRight + 210;
    gui_newName =
        new kit::TextField(QRectF(fieldX, top - kRowHeight + 4, kWidth - fieldX - 20, 24));
    gui_newName->setDelegate(this);
    content->addSubview(gui_newName);
    gui_selectedName =
        new kit::PopUpButton(QRectF(fieldX, top - 2 * kRowHeight + 3, kWidth - fieldX - 20, 26));
    content->addSubview(gui_selectedName);

    gui_warningIcon = new kit::ImageView(QRectF(kRight, top - 3 * kRowHeight - 34, 20, 20));
    gui_warningIcon->setImage(kit::Image::named(QStringLiteral("EventWarning"), QSizeF(20, 20)));
    content->addSubview(gui_warningIcon);
    gui_warningText =
        addLabel(content, QString(),
                 QRectF(kRight + 28, top - 3 * kRowHeight - 58, kWidth - kRight - 48, 44));
    gui_warningText->setWraps(true);

    gui_checkAtStartup =
        sourcesheets::checkbox(content, text(QStringLiteral("assistantCheckAtStartup")),
                               QRectF(20, 18, 330, 22), this, "checkStartupChanged");
    gui_next = sourcesheets::button(content, QString(), QStringLiteral("\r"),
                                    QRectF(kWidth - 120, 14, 100, 28), this, "nextClicked");
    gui_cancel = sourcesheets::button(content, text(QStringLiteral("assistantCancel")),
                                      QStringLiteral("\x1b"), QRectF(kWidth - 228, 14, 100, 28),
                                      this, "cancelClicked");
    gui_setupSheet = made;
    return made;
}

kit::Window* SetupWinController::sheet() {
    return window();
}

bool SetupWinController::isSheetUp() const {
    return gui_setupSheet && kit::Sheet::sheetParent(gui_setupSheet);
}

void SetupWinController::endSheet() {
    if (isSheetUp()) kit::Sheet::endSheet(gui_setupSheet, 0);
}

std::shared_ptr<CalendarSources> SetupWinController::sources() const {
    AppDelegate* app = AppDelegate::obj();
    return app ? app->calendarSources : nullptr;
}

// --- Opening --------------------------------------------------------------------------------

void SetupWinController::openSetupSheetOnMainWindow() {
    openSetupSheetOnWindow(MainWindowCtrl::sharedWinController()->window());
}

void SetupWinController::openSetupSheetOnWindow(kit::Window* host) {
    if (!host || !sheet() || kit::Sheet::attachedSheet(host)) return;
    prepareAssistant();
    prepareForPhase(currentPhase_);
    if (!kit::Sheet::beginSheet(gui_setupSheet, host))
        foundation::log(QStringLiteral("oops, the setup assistant could not be shown"));
}

bool SetupWinController::storeOfTypeDefined(int type) const {
    const auto model = sources();
    if (!model) return false;
    for (const CalendarPtr& calendar : model->allCalendars())
        if (calendar && calendar->calendarType() == type) return true;
    return false;
}

bool SetupWinController::markerStoreDefined() const {
    return storeOfTypeDefined(Calendar::kTypeMarker);
}

bool SetupWinController::holidayStoreDefined() const {
    return storeOfTypeDefined(Calendar::kTypeHoliday);
}

bool SetupWinController::birthdayStoreDefined() const {
    return storeOfTypeDefined(Calendar::kTypeBirthday);
}

bool SetupWinController::markerDefined() const {
    const auto model = sources();
    return model && !model->configuredMarkerNames().isEmpty();
}

QString SetupWinController::nameOfMarkerCalendar() const {
    const auto model = sources();
    const CalendarPtr store = model ? model->firstMarkerCalendar() : nullptr;
    return store ? store->title() : QString();
}

void SetupWinController::setBullet(int phase, const QString& name) {
    bulletNames_[size_t(phase - 1)] = name;
    gui_bullets[size_t(phase - 1)]->setImage(kit::Image::named(name, QSizeF(16, 16)));
}

void SetupWinController::setPhaseTitleEnabled(int phase, bool enabled) {
    gui_phases[size_t(phase - 1)]->setTextColor(titleColor(enabled));
}

void SetupWinController::prepareAssistant() {
    gui_checkAtStartup->setState(
        foundation::Defaults::standard().boolForKey(AppDelegate::kCheckConfigAtStartup)
            ? kit::Button::On
            : kit::Button::Off);
    gui_next->setTitle(text(QStringLiteral("assistantNext")));
    phaseOkay_ = {markerStoreDefined(), holidayStoreDefined(), birthdayStoreDefined(),
                  markerDefined()};
    setBullet(1, phaseOkay_[0] ? kBulletOk : kBulletBlue);
    for (int phase = 2; phase <= 4; ++phase)
        setBullet(phase, phaseOkay_[size_t(phase - 1)] ? kBulletOk : kBulletGrey);
    // Done phases are stepped over only from the start on.
    currentPhase_ = 1;
    while (currentPhase_ <= 4 && phaseOkay_[size_t(currentPhase_ - 1)]) ++currentPhase_;
    for (int phase = 1; phase <= 4; ++phase)
        setPhaseTitleEnabled(phase, phase == 1 || phase <= currentPhase_);

    gui_newMarker->setState(kit::Button::On);
    gui_newMarker->setHidden(currentPhase_ < 4);
    const bool storesDone = currentPhase_ >= 4;
    gui_cancel->setHidden(storesDone);
    gui_selection->setHidden(storesDone);
    gui_selectedName->setHidden(storesDone);
    gui_newName->setHidden(false);
}

// --- The phases -----------------------------------------------------------------------------

void SetupWinController::prepareForPhase(int phase) {
    if (phase >= 1 && phase <= 3) {
        prepareStorePhase(phase);
        return;
    }
    if (phase == 4) {
        setPhaseTitleEnabled(4, true);
        setBullet(4, kBulletBlue);
        gui_introText->setStringValue(text(QStringLiteral("assistantP4intro")));
        gui_selection->setHidden(true);
        gui_selectedName->setHidden(true);
        gui_newMarker->setHidden(false);
        gui_newMarker->setState(kit::Button::On);
        gui_newName->setStringValue(QString());
        gui_newName->setEnabled(true);
        gui_newName->setHidden(false);
        gui_warningText->setStringValue(foundation::formatLocalizedWith(
            text(QStringLiteral("assistantP4comment")), nameOfMarkerCalendar()));
        gui_warningText->setHidden(false);
        gui_warningIcon->setHidden(true);
        gui_cancel->setHidden(true);
        gui_next->setEnabled(false);
        gui_next->setTitle(text(QStringLiteral("assistantFinished")));
        return;
    }
    gui_introText->setStringValue(text(QStringLiteral("assistantP5intro")));
    for (kit::View* view :
         std::initializer_list<kit::View*>{gui_newMarker, gui_selection, gui_newName,
                                           gui_selectedName, gui_warningIcon, gui_warningText})
        view->setHidden(true);
    gui_next->setTitle(text(QStringLiteral("assistantFinished")));
    // Nothing is left to choose: Next only closes the sheet.
    gui_next->setEnabled(true);
}

void SetupWinController::prepareStorePhase(int phase) {
    if (phase > 1) {
        setPhaseTitleEnabled(phase, true);
        setBullet(phase, kBulletBlue);
    }
    gui_introText->setStringValue(phaseText(phase, "intro"));
    for (int tag = kCreate; tag <= kSkip; ++tag)
        gui_selection->setTitleOfCellWithTag(
            text(QStringLiteral("assistantP%1opt%2").arg(phase).arg(tag)), tag);
    gui_selection->selectCellWithTag(kCreate);
    gui_newName->setStringValue(QString());
    gui_newName->setEnabled(true);
    gui_selectedName->setEnabled(false);
    gui_next->setEnabled(false);
    fillCalendarPopUp(phase);
    gui_warningText->setStringValue(phaseText(phase, "comment2"));
    gui_warningText->setHidden(false);
    gui_warningIcon->setHidden(true);
}

void SetupWinController::fillCalendarPopUp(int phase) {
    gui_selectedName->removeAllItems();
    const auto model = sources();
    if (!model) return;
    // The stores made or kept in earlier phases are no choice here.
    int firstEnabled = -1;
    for (const CalendarPtr& calendar : model->allCalendars()) {
        if (!calendar) continue;
        const int type = calendar->calendarType();
        const bool enabled = !(phase >= 2 && type == Calendar::kTypeMarker) &&
                             !(phase >= 3 && type == Calendar::kTypeHoliday);
        kit::MenuItem* item = gui_selectedName->addItemWithTitle(calendar->title());
        item->setRepresentedObject(calendar->uid());
        item->setEnabled(enabled);
        if (enabled && firstEnabled < 0) firstEnabled = gui_selectedName->numberOfItems() - 1;
    }
    gui_selectedName->selectItemAtIndex(firstEnabled);
}

int SetupWinController::nextOpenPhase(int phase) const {
    int next = phase + 1;
    while (next <= 4 && phaseOkay_[size_t(next - 1)]) ++next;
    return next;
}

void SetupWinController::performStorePhase(int phase, int type) {
    const auto model = sources();
    bool done = false;
    switch (gui_selection->selectedTag()) {
        case kCreate:
            done = model && model->newLocalCalendarWithName(gui_newName->stringValue(), type);
            break;
        case kUseExisting: {
            const kit::MenuItem* item = gui_selectedName->selectedItem();
            const QString uid = item ? item->representedObject().toString() : QString();
            // Without a usable choice nothing happens.
            if (uid.isEmpty()) return;
            done = model && model->setCalendarWithUID(uid, type);
            break;
        }
        default:
            break;
    }
    setBullet(phase, done ? kBulletOk : kBulletBlue);
}

void SetupWinController::performPhaseOne() {
    performStorePhase(1, storeTypeOfPhase(1));
}

void SetupWinController::performPhaseTwo() {
    performStorePhase(2, storeTypeOfPhase(2));
}

void SetupWinController::performPhaseThree() {
    performStorePhase(3, storeTypeOfPhase(3));
}

void SetupWinController::performPhaseFour() {
    if (gui_newMarker->state() == kit::Button::On)
        if (const auto model = sources()) model->newMarkerWithName(gui_newName->stringValue());
    // Done only when a marker now exists (there may be no store to hold one).
    setBullet(4, markerDefined() ? kBulletOk : kBulletBlue);
}

// --- Actions --------------------------------------------------------------------------------

void SetupWinController::nextClicked(QObject*) {
    if (!isSheetUp()) return;
    switch (currentPhase_) {
        case 1:
            performPhaseOne();
            break;
        case 2:
            performPhaseTwo();
            break;
        case 3:
            performPhaseThree();
            break;
        case 4:
            performPhaseFour();
            currentPhase_ = 5;
            endSheet();
            return;
        default:
            endSheet();
            return;
    }
    currentPhase_ = nextOpenPhase(currentPhase_);
    prepareForPhase(currentPhase_);
}

void SetupWinController::cancelClicked(QObject*) {
    endSheet();
}

void SetupWinController::selectionChanged(QObject*) {
    if (currentPhase_ < 1 || currentPhase_ > 3) return;
    const int tag = gui_selection->selectedTag();
    gui_warningText->setStringValue(phaseText(currentPhase_, tag == kCreate        ? "comment2"
                                                             : tag == kUseExisting ? "comment"
                                                                                   : "warning"));
    gui_warningText->setHidden(false);
    gui_warningIcon->setHidden(tag != kSkip);
    gui_newName->setEnabled(tag == kCreate);
    gui_selectedName->setEnabled(tag == kUseExisting);
    updateNextButton();
}

void SetupWinController::newMarkerToggled(QObject*) {
    const bool on = gui_newMarker->state() == kit::Button::On;
    gui_newName->setEnabled(on);
    gui_warningText->setHidden(!on);
    updateNextButton();
}

void SetupWinController::checkStartupChanged(QObject*) {
    foundation::Defaults::standard().setBool(AppDelegate::kCheckConfigAtStartup,
                                             gui_checkAtStartup->state() == kit::Button::On);
}

void SetupWinController::controlTextDidChange(QObject* sender) {
    if (sender && sender != gui_newName) return;
    updateNextButton();
}

void SetupWinController::updateNextButton() {
    const bool named = !gui_newName->stringValue().isEmpty();
    if (currentPhase_ >= 4) {
        gui_next->setEnabled(gui_newMarker->state() != kit::Button::On || named);
        return;
    }
    switch (gui_selection->selectedTag()) {
        case kCreate:
            gui_next->setEnabled(named);
            break;
        case kUseExisting:
            gui_next->setEnabled(gui_selectedName->selectedItem() != nullptr);
            break;
        default:
            gui_next->setEnabled(true);
            break;
    }
}
