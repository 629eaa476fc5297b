#include "sources/CalendarSheetController.h"

#include "data/CalendarGroup.h"
#include "data/CalendarSources.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/ColorPanel.h"
#include "platform/kit/Font.h"
#include "platform/kit/Image.h"
#include "platform/kit/Sheet.h"
#include "platform/store/Calendar.h"
#include "shell/HoverPanels.h"
#include "sources/SourceSheetParts.h"

namespace {

CalendarSheetController* CSC_sharedWinController = nullptr;

constexpr double kWidth = 480;
constexpr double kHeight = 262;
constexpr double kDeleteHeight = 128;

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

}  // namespace

CalendarSheetController* CalendarSheetController::sharedWinController() {
    if (!CSC_sharedWinController) new CalendarSheetController();
    return CSC_sharedWinController;
}

void CalendarSheetController::resetSharedWinController() {
    delete CSC_sharedWinController;
}

CalendarSheetController::CalendarSheetController() {
    if (!CSC_sharedWinController) CSC_sharedWinController = this;
}

CalendarSheetController::~CalendarSheetController() {
    if (CSC_sharedWinController == this) CSC_sharedWinController = nullptr;
    sourcesheets::endIfUp(gui_calSheet);
    sourcesheets::endIfUp(gui_calDeleteSheet);
    delete gui_calDeleteSheet;  // the window controller deletes the edit sheet
}

kit::Window* CalendarSheetController::loadWindow() {
    using namespace sourcesheets;
    const EditSheet made = sourcesheets::editSheet(kWidth, kHeight, this);
    kit::Window* sheet = made.window;
    kit::View* content = sheet->contentView();
    gui_calImage = made.image;
    gui_headline = made.headline;
    gui_calName = made.name;
    gui_calDescription = made.description;
    gui_calColor = made.color;
    gui_helpButton = made.buttons.help;
    gui_okButton = made.buttons.ok;
    gui_cancelButton = made.buttons.cancel;
    gui_calTypeLabel =
        label(content, QString(), rowFrame(kHeight, 3, kLabelX - 40, kLabelWidth + 40));
    gui_calType = new kit::PopUpButton(rowFrame(kHeight, 3, kFieldX, 180));
    gui_calType->addItemsWithTitles({text("csvEditCalTypeNormal"), text("csvEditCalTypeHoliday"),
                                     text("csvEditCalTypeBirthday"), text("csvEditCalTypeMarker")});
    gui_calType->setTarget(this);
    gui_calType->setAction("calTypeChanged");
    content->addSubview(gui_calType);

    gui_warningIcon = new kit::ImageView(QRectF(kLabelX, 58, 20, 20));
    gui_warningIcon->setImage(kit::Image::named(QStringLiteral("EventWarning"), QSizeF(20, 20)));
    content->addSubview(gui_warningIcon);
    gui_warningLabel =
        kit::TextField::labelWithString(QString(), QRectF(kLabelX + 26, 58, kWidth - 142, 20));
    gui_warningLabel->setTextColor(QColor(0xb0, 0x1c, 0x1c));
    content->addSubview(gui_warningLabel);

    gui_calSheet = sheet;
    loadDeleteSheet();
    return sheet;
}

void CalendarSheetController::loadDeleteSheet() {
    const sourcesheets::DeleteSheet made = sourcesheets::deleteSheet(kWidth, kDeleteHeight, this);
    gui_calDeleteSheet = made.window;
    gui_calDeleteImage = made.image;
    gui_calDeleteText = made.text;
    gui_calDeleteButton = made.ok;
    gui_calDeleteCancel = made.cancel;
}

kit::Window* CalendarSheetController::editSheet() {
    return window();
}

kit::Window* CalendarSheetController::deleteSheet() {
    window();
    return gui_calDeleteSheet;
}

bool CalendarSheetController::isEditSheetUp() const {
    return sourcesheets::isUp(gui_calSheet);
}

bool CalendarSheetController::isDeleteSheetUp() const {
    return sourcesheets::isUp(gui_calDeleteSheet);
}

void CalendarSheetController::openSheetForCalendarOnWindowFrom(
    const CalendarPtr& calendar, kit::Window* host, const std::shared_ptr<CalendarSources>& from) {
    if (!calendar || !host || !from || !editSheet()) return;
    if (isEditSheetUp() || isDeleteSheetUp()) return;  // one sheet at a time
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);

    const calstore::CalendarPtr stored = calendar->calendar();
    const bool birthdays = stored && stored->type() == calstore::CalendarTypeBirthday;
    const CalendarGroupPtr group = from->groupOfCalendar(calendar);
    const bool subscription = group && group->type() == CalendarGroup::kTypeSubscriptions;
    const bool locked = birthdays || subscription;
    const QString groupName = group ? sourcesheets::capitalizedWords(group->shortName())
                                    : text("csCalendarGroupNameLocal");

    editedCalendar_ = calendar;
    caller = from;
    gui_headline->setStringValue(
        foundation::formatLocalizedWith(text("calendarEditSheetHeadline"), groupName));
    gui_okButton->setEnabled(!calendar->title().isEmpty());
    gui_calImage->setImage(calendarImageWithColor(calendar->color()));
    gui_calName->setStringValue(calendar->title());
    gui_calDescription->setStringValue(calendar->notes());
    gui_calColor->setColor(calendar->color());
    gui_calType->selectItemAtIndex(calendar->calendarType() - 1);
    gui_warningIcon->setHidden(true);
    gui_warningLabel->setHidden(true);

    gui_calType->setHidden(locked);
    gui_helpButton->setHidden(locked);
    gui_calName->setEnabled(!locked);
    gui_calDescription->setEnabled(!locked);
    gui_calTypeLabel->setStringValue(birthdays      ? text("csvEditCalTypeLabelBirthday")
                                     : subscription ? text("csvEditCalTypeLabelSubscription")
                                                    : text("csvEditCalTypeLabelNormal"));

    gui_calSheet->makeFirstResponder(gui_calName);
    kit::ColorPanel::shared()->setShowsAlpha(false);
    if (!kit::Sheet::beginSheet(gui_calSheet, host))
        foundation::log(QStringLiteral("oops, the calendar sheet could not be shown"));
}

void CalendarSheetController::colorChanged(QObject*) {
    gui_calImage->setImage(calendarImageWithColor(gui_calColor->color()));
}

void CalendarSheetController::controlTextDidChange(QObject*) {
    gui_okButton->setEnabled(!gui_calName->stringValue().isEmpty());
    gui_warningIcon->setHidden(true);
    gui_warningLabel->setHidden(true);
}

void CalendarSheetController::okPressed(QObject*) {
    const auto sources = caller.lock();
    if (!sources || !isEditSheetUp()) return;
    // A name emptied without the field telling (set from outside) stays refused.
    if (gui_calName->stringValue().isEmpty()) return;
    calParameters_ = QVariantMap{{QStringLiteral("title"), gui_calName->stringValue()},
                                 {QStringLiteral("notes"), gui_calDescription->stringValue()},
                                 {QStringLiteral("color"), gui_calColor->color()},
                                 {QStringLiteral("type"), gui_calType->indexOfSelectedItem() + 1}};
    if (sources->calendarUpdatedWithData(calParameters_)) {
        sourcesheets::endIfUp(gui_calSheet);
        return;
    }
    gui_warningLabel->setStringValue(text("csvEditCalNameDuplicate"));
    gui_warningIcon->setHidden(false);
    gui_warningLabel->setHidden(false);
}

void CalendarSheetController::cancelPressed(QObject*) {
    if (const auto sources = caller.lock(); sources && editedCalendar_ && editedCalendar_->isNew())
        sources->removeEditedCalendar();
    sourcesheets::endIfUp(gui_calSheet);
}

void CalendarSheetController::helpPressed(QObject*) {
    sourcesheets::showHelp(QStringLiteral("storage"));
}

void CalendarSheetController::openDeleteSheetForCalendarOnWindowFrom(
    const CalendarPtr& calendar, kit::Window* host, const std::shared_ptr<CalendarSources>& from) {
    if (!calendar || !host || !from || !deleteSheet()) return;
    if (isEditSheetUp() || isDeleteSheetUp()) return;
    caller = from;
    editedCalendar_ = calendar;
    gui_calDeleteText->setStringValue(
        foundation::formatLocalizedWith(text("calendarDeleteSheetText"), calendar->title()));
    gui_calDeleteImage->setImage(calendarDeleteImageWithColor(calendar->color()));
    gui_calDeleteSheet->makeFirstResponder(gui_calDeleteButton);
    if (!kit::Sheet::beginSheet(gui_calDeleteSheet, host))
        foundation::log(QStringLiteral("oops, the calendar delete sheet could not be shown"));
}

void CalendarSheetController::okDeletePressed(QObject*) {
    if (!isDeleteSheetUp()) return;
    if (const auto sources = caller.lock()) sources->deleteCalendar();
    sourcesheets::endIfUp(gui_calDeleteSheet);
}

void CalendarSheetController::cancelDeletePressed(QObject*) {
    sourcesheets::endIfUp(gui_calDeleteSheet);
}

QImage CalendarSheetController::calendarImageWithColor(const QColor& color) {
    return sourcesheets::picture(QStringLiteral("Calendar"),
                                 {{QStringLiteral("CalendarMask"), color}});
}

QImage CalendarSheetController::calendarDeleteImageWithColor(const QColor& color) {
    return sourcesheets::picture(
        QStringLiteral("Calendar"),
        {{QStringLiteral("CalendarMask"), color}, {QStringLiteral("DeleteCalOverlay"), {}}});
}
