#include "sources/MarkerSheetController.h"

#include "data/Calendar.h"
#include "data/CalendarSources.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/ColorPanel.h"
#include "platform/kit/Font.h"
#include "platform/kit/Image.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/Sheet.h"
#include "shell/HoverPanels.h"
#include "sources/SourceSheetParts.h"

namespace {

MarkerSheetController* MSC_sharedWinController = nullptr;

constexpr double kWidth = 500;
constexpr double kHeight = 330;
constexpr double kDeleteHeight = 150;
constexpr int kMarkerTypes = 9;

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

}  // namespace

MarkerSheetController* MarkerSheetController::sharedWinController() {
    if (!MSC_sharedWinController) new MarkerSheetController();
    return MSC_sharedWinController;
}

void MarkerSheetController::resetSharedWinController() {
    delete MSC_sharedWinController;
}

MarkerSheetController::MarkerSheetController() {
    if (!MSC_sharedWinController) MSC_sharedWinController = this;
}

MarkerSheetController::~MarkerSheetController() {
    if (MSC_sharedWinController == this) MSC_sharedWinController = nullptr;
    sourcesheets::endIfUp(gui_mrkSheet);
    sourcesheets::endIfUp(gui_mrkDeleteSheet);
    delete gui_mrkDeleteSheet;  // the window controller deletes the edit sheet
}

kit::Window* MarkerSheetController::loadWindow() {
    using namespace sourcesheets;
    const EditSheet made = sourcesheets::editSheet(kWidth, kHeight, this);
    kit::Window* sheet = made.window;
    kit::View* content = sheet->contentView();
    gui_mrkImage = made.image;
    gui_headline = made.headline;
    gui_headline->setStringValue(text("markerEditSheetHeadline"));
    gui_mrkName = made.name;
    gui_mrkDescription = made.description;
    gui_mrkColor = made.color;
    gui_helpButton = made.buttons.help;
    gui_okButton = made.buttons.ok;
    gui_cancelButton = made.buttons.cancel;
    label(content, text("markerEditMarkerType"), rowFrame(kHeight, 3, kLabelX, kLabelWidth));
    gui_mrkType = new kit::PopUpButton(rowFrame(kHeight, 3, kFieldX, 120));
    for (int type = 1; type <= kMarkerTypes; ++type)
        gui_mrkType->addItemWithTitle(QString::number(type))
            ->setImage(EMarker::miniIconForTypeAndColor(type, QColor(Qt::black)));
    content->addSubview(gui_mrkType);
    label(content, text("markerEditMarkerCalendar"), rowFrame(kHeight, 4, kLabelX, kLabelWidth));
    gui_mrkCalendars = new kit::PopUpButton(rowFrame(kHeight, 4, kFieldX, 200));
    gui_mrkCalendars->setTarget(this);
    gui_mrkCalendars->setAction("calendarChanged");
    content->addSubview(gui_mrkCalendars);
    gui_errorImg = new kit::ImageView(rowFrame(kHeight, 4, kFieldX + 206, 24));
    gui_errorImg->setImage(kit::Image::named(QStringLiteral("CalTypeError"), QSizeF(20, 20)));
    content->addSubview(gui_errorImg);

    gui_cautionImg = new kit::ImageView(QRectF(kLabelX, 60, 24, 24));
    gui_cautionImg->setImage(kit::Image::named(QStringLiteral("EventWarning"), QSizeF(24, 24)));
    content->addSubview(gui_cautionImg);
    gui_cautionText = kit::TextField::labelWithString(text("markerEditNoMarkerCalendar"),
                                                      QRectF(kLabelX + 30, 52, kWidth - 146, 40));
    gui_cautionText->setWraps(true);
    content->addSubview(gui_cautionText);

    gui_mrkSheet = sheet;
    loadDeleteSheet();
    return sheet;
}

void MarkerSheetController::loadDeleteSheet() {
    const sourcesheets::DeleteSheet made = sourcesheets::deleteSheet(kWidth, kDeleteHeight, this);
    gui_mrkDeleteSheet = made.window;
    gui_mrkDeleteImage = made.image;
    gui_mrkDeleteText = made.text;
    gui_mrkDeleteButton = made.ok;
    gui_mrkDeleteCancel = made.cancel;
    gui_mrkDeleteMarks =
        new kit::Button(QRectF(100, 48, kWidth - 120, 22), kit::Button::Type::Checkbox);
    gui_mrkDeleteMarks->setTitle(text("markerDeleteSheetMarks"));
    made.window->contentView()->addSubview(gui_mrkDeleteMarks);
}

kit::Window* MarkerSheetController::editSheet() {
    return window();
}

kit::Window* MarkerSheetController::deleteSheet() {
    window();
    return gui_mrkDeleteSheet;
}

bool MarkerSheetController::isEditSheetUp() const {
    return sourcesheets::isUp(gui_mrkSheet);
}

bool MarkerSheetController::isDeleteSheetUp() const {
    return sourcesheets::isUp(gui_mrkDeleteSheet);
}

void MarkerSheetController::openSheetForMarkerOnWindowFrom(
    const EMarkerPtr& marker, kit::Window* host, const std::shared_ptr<CalendarSources>& from) {
    if (!marker || !host || !from || !editSheet()) return;
    if (isEditSheetUp() || isDeleteSheetUp()) return;  // one sheet at a time
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
    caller = from;
    editedMarker_ = marker;
    calendarColor_ = noCalendarColor();
    markerCalendars = from->allMarkerCalendars();

    gui_mrkCalendars->removeAllItems();
    const bool anyStore = !markerCalendars.isEmpty();
    gui_mrkCalendars->setEnabled(anyStore);
    gui_cautionImg->setHidden(anyStore);
    gui_cautionText->setHidden(anyStore);
    for (auto it = markerCalendars.cbegin(); it != markerCalendars.cend(); ++it) {
        kit::MenuItem* item = gui_mrkCalendars->addItemWithTitle(it.value());
        item->setRepresentedObject(it.key());
        if (const CalendarPtr store = from->calendarWithUID(it.key()))
            item->setImage(store->miniIcon());
    }
    // A marker that never had a store takes the first one at once.
    if (anyStore && marker->calendarUID().isNull())
        marker->setCalendarUID(markerCalendars.firstKey());
    const int index = gui_mrkCalendars->indexOfItemWithRepresentedObject(marker->calendarUID());
    const CalendarPtr store = anyStore ? from->calendarWithUID(marker->calendarUID()) : nullptr;
    if (index >= 0 && store) {
        gui_mrkCalendars->selectItemAtIndex(index);
        calendarColor_ = store->color();
    } else {
        gui_mrkCalendars->selectItemAtIndex(-1);
    }

    gui_mrkType->selectItemAtIndex(marker->markerType() - 1);
    gui_mrkName->setStringValue(marker->title());
    gui_mrkDescription->setStringValue(marker->notes());
    gui_mrkColor->setColor(marker->color());
    redrawPicture();
    updateOkAndError();

    gui_mrkSheet->makeFirstResponder(gui_mrkName);
    kit::ColorPanel::shared()->setShowsAlpha(false);
    if (!kit::Sheet::beginSheet(gui_mrkSheet, host))
        foundation::log(QStringLiteral("oops, the marker sheet could not be shown"));
}

QString MarkerSheetController::selectedCalendarID() const {
    const kit::MenuItem* item = gui_mrkCalendars ? gui_mrkCalendars->selectedItem() : nullptr;
    if (!item) return QString("");
    const QString uid = item->representedObject().toString();
    return markerCalendars.contains(uid) ? uid : QString("");
}

void MarkerSheetController::updateOkAndError() {
    const bool chosen = !selectedCalendarID().isEmpty();
    gui_okButton->setEnabled(chosen && !gui_mrkName->stringValue().isEmpty());
    gui_errorImg->setHidden(chosen || markerCalendars.isEmpty());
}

void MarkerSheetController::redrawPicture() {
    gui_mrkImage->setImage(markerImageWithColor(gui_mrkColor->color(), calendarColor_));
}

void MarkerSheetController::colorChanged(QObject*) {
    redrawPicture();
}

void MarkerSheetController::calendarChanged(QObject*) {
    const auto sources = caller.lock();
    const CalendarPtr store = sources ? sources->calendarWithUID(selectedCalendarID()) : nullptr;
    calendarColor_ = store ? store->color() : noCalendarColor();
    redrawPicture();
    updateOkAndError();
}

void MarkerSheetController::controlTextDidChange(QObject*) {
    updateOkAndError();
}

void MarkerSheetController::okPressed(QObject*) {
    const auto sources = caller.lock();
    if (!sources || !isEditSheetUp()) return;
    const QString store = selectedCalendarID();
    if (store.isEmpty() || gui_mrkName->stringValue().isEmpty()) return;
    markerParameters_ =
        QVariantMap{{QStringLiteral("title"), gui_mrkName->stringValue()},
                    {QStringLiteral("notes"), gui_mrkDescription->stringValue()},
                    {QStringLiteral("color"), gui_mrkColor->color()},
                    {QStringLiteral("type"), gui_mrkType->indexOfSelectedItem() + 1},
                    {QStringLiteral("calendar"), store}};
    // A title another marker has leaves the sheet open.
    if (sources->markerUpdatedWithData(markerParameters_)) sourcesheets::endIfUp(gui_mrkSheet);
}

void MarkerSheetController::cancelPressed(QObject*) {
    if (const auto sources = caller.lock(); sources && editedMarker_ && editedMarker_->isNew())
        sources->removeEditedMarker();
    sourcesheets::endIfUp(gui_mrkSheet);
}

void MarkerSheetController::helpPressed(QObject*) {
    sourcesheets::showHelp(QStringLiteral("storage"));
}

void MarkerSheetController::openDeleteSheetForMarkerOnWindowFrom(
    const EMarkerPtr& marker, kit::Window* host, const std::shared_ptr<CalendarSources>& from) {
    if (!marker || !host || !from || !deleteSheet()) return;
    if (isEditSheetUp() || isDeleteSheetUp()) return;
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
    caller = from;
    editedMarker_ = marker;
    const CalendarPtr store = from->calendarWithUID(marker->calendarUID());
    calendarColor_ = store ? store->color() : noCalendarColor();
    gui_mrkDeleteText->setStringValue(
        foundation::formatLocalizedWith(text("markerDeleteSheetText"), marker->title()));
    gui_mrkDeleteImage->setImage(markerDeleteImageWithColor(marker->color(), calendarColor_));
    gui_mrkDeleteMarks->setState(kit::Button::On);
    gui_mrkDeleteSheet->makeFirstResponder(gui_mrkDeleteButton);
    if (!kit::Sheet::beginSheet(gui_mrkDeleteSheet, host))
        foundation::log(QStringLiteral("oops, the marker delete sheet could not be shown"));
}

void MarkerSheetController::okDeletePressed(QObject*) {
    if (!isDeleteSheetUp()) return;
    if (const auto sources = caller.lock())
        sources->deleteMarkerAndMarks(gui_mrkDeleteMarks->state() == kit::Button::On);
    sourcesheets::endIfUp(gui_mrkDeleteSheet);
}

void MarkerSheetController::cancelDeletePressed(QObject*) {
    sourcesheets::endIfUp(gui_mrkDeleteSheet);
}

QImage MarkerSheetController::markerImageWithColor(const QColor& color, const QColor& calColor) {
    return sourcesheets::picture(QStringLiteral("Marker"),
                                 {{QStringLiteral("MarkerMask1"), calColor},
                                  {QStringLiteral("MarkerMask2"), color},
                                  {QStringLiteral("MarkerMask3"), {}}});
}

QImage MarkerSheetController::markerDeleteImageWithColor(const QColor& color, const QColor&) {
    return sourcesheets::picture(QStringLiteral("MarkerWOcal"),
                                 {{QStringLiteral("MarkerMask2"), color},
                                  {QStringLiteral("MarkerMask3"), {}},
                                  {QStringLiteral("DeleteCalOverlay"), {}}});
}
