#include "sources/PurgeSheetController.h"

#include "data/CalendarSources.h"
#include "data/MainWindowHooks.h"
#include "data/MyDate.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/Font.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/Sheet.h"
#include "shell/HoverPanels.h"
#include "sources/SourceSheetParts.h"

namespace {

PurgeSheetController* PSC_sharedWinController = nullptr;

constexpr double kWidth = 480;
constexpr double kHeight = 292;

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

kit::Button* checkbox(kit::View* content, const char* key, double y) {
    return sourcesheets::checkbox(content, text(key), QRectF(100, y, kWidth - 120, 22));
}

}  // namespace

PurgeSheetController* PurgeSheetController::sharedWinController() {
    if (!PSC_sharedWinController) new PurgeSheetController();
    return PSC_sharedWinController;
}

void PurgeSheetController::resetSharedWinController() {
    delete PSC_sharedWinController;
}

PurgeSheetController::PurgeSheetController() {
    if (!PSC_sharedWinController) PSC_sharedWinController = this;
}

PurgeSheetController::~PurgeSheetController() {
    if (PSC_sharedWinController == this) PSC_sharedWinController = nullptr;
    sourcesheets::endIfUp(gui_theSheet);
}

kit::Window* PurgeSheetController::loadWindow() {
    using sourcesheets::kPictureSize;
    auto* made = new kit::Window(QRectF(0, 0, kWidth, kHeight), kit::Window::Titled);
    kit::View* content = made->contentView();
    gui_evtDeleteImage =
        new kit::ImageView(QRectF(20, kHeight - 20 - kPictureSize, kPictureSize, kPictureSize));
    content->addSubview(gui_evtDeleteImage);
    auto* headline = kit::TextField::labelWithString(text("purgeEventsSheetHeadline"),
                                                     QRectF(100, kHeight - 44, kWidth - 120, 22));
    headline->setTextFont(kit::Font::boldSystemFont(kit::Font::systemFontSize()));
    content->addSubview(headline);

    gui_delMarks = checkbox(content, "purgeEventsSheetMarks", kHeight - 76);
    gui_delNotes = checkbox(content, "purgeEventsSheetNotes", kHeight - 102);
    gui_delEvents = checkbox(content, "purgeEventsSheetEvents", kHeight - 128);

    gui_delTimeType = new kit::PopUpButton(QRectF(100, kHeight - 166, 150, 26));
    const char* timeTypes[] = {"purgeEventsSheetUpToDate", "purgeEventsSheetFromDate",
                               "purgeEventsSheetAllYears"};
    for (int tag = 0; tag < 3; ++tag)
        gui_delTimeType->addItemWithTitle(text(timeTypes[tag]))->setTag(tag);
    gui_delTimeType->setTarget(this);
    gui_delTimeType->setAction("timeTypeChanged");
    content->addSubview(gui_delTimeType);
    gui_delTime =
        new kit::DatePicker(QRectF(262, kHeight - 166, 198, 26), kit::DatePicker::Style::TextField,
                            kit::DatePicker::Elements::DateAndTime);
    content->addSubview(gui_delTime);

    gui_progress = new kit::ProgressIndicator(QRectF(100, 80, kWidth - 120, 16));
    content->addSubview(gui_progress);
    gui_progLabel = kit::TextField::labelWithString(QString(), QRectF(100, 56, kWidth - 120, 20));
    content->addSubview(gui_progLabel);

    gui_purgeButton =
        sourcesheets::button(content, text("purgeEventsSheetPurge"), QStringLiteral("\r"),
                             QRectF(kWidth - 120, 14, 100, 28), this, "okPressed");
    gui_cancelButton =
        sourcesheets::button(content, text("csvSheetCancel"), QStringLiteral("\x1b"),
                             QRectF(kWidth - 228, 14, 100, 28), this, "cancelPressed");
    gui_theSheet = made;
    return made;
}

kit::Window* PurgeSheetController::sheet() {
    return window();
}

bool PurgeSheetController::isSheetUp() const {
    return sourcesheets::isUp(gui_theSheet);
}

void PurgeSheetController::openSheetForCalendarOnWindowFrom(
    const CalendarPtr& calendar, kit::Window* host, const std::shared_ptr<CalendarSources>& from) {
    if (!calendar || !host || !sheet() || isSheetUp() || running_) return;
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
    editedCalendar_ = calendar;
    caller = from;
    gui_evtDeleteImage->setImage(eventDeleteImageWithColor(calendar->color()));
    gui_delMarks->setState(kit::Button::On);
    gui_delNotes->setState(kit::Button::On);
    gui_delEvents->setState(kit::Button::Off);
    setControlsEnabled(true);
    gui_delTimeType->selectItemWithTag(PurgeJob::kAllYears);
    gui_delTime->setDateValue(QDateTime::currentDateTime());
    gui_delTime->setHidden(true);
    gui_progress->stopAnimation();
    gui_progress->setHidden(true);
    gui_progLabel->setHidden(true);
    gui_theSheet->makeFirstResponder(gui_purgeButton);
    if (!kit::Sheet::beginSheet(gui_theSheet, host))
        foundation::log(QStringLiteral("oops, the purge sheet could not be shown"));
}

void PurgeSheetController::setControlsEnabled(bool enabled) {
    for (kit::Control* control : std::initializer_list<kit::Control*>{
             gui_delMarks, gui_delNotes, gui_delEvents, gui_delTimeType, gui_delTime,
             gui_cancelButton, gui_purgeButton})
        control->setEnabled(enabled);
}

void PurgeSheetController::timeTypeChanged(QObject*) {
    gui_delTime->setHidden(gui_delTimeType->indexOfSelectedItem() == PurgeJob::kAllYears);
}

void PurgeSheetController::cancelPressed(QObject*) {
    if (running_) return;
    sourcesheets::endIfUp(gui_theSheet);
}

PurgeJob::Choice PurgeSheetController::choiceFromControls() const {
    PurgeJob::Choice choice;
    choice.timeType = gui_delTimeType->indexOfSelectedItem();
    choice.date = gui_delTime->dateValue();
    choice.marks = gui_delMarks->state() == kit::Button::On;
    choice.notes = gui_delNotes->state() == kit::Button::On;
    choice.events = gui_delEvents->state() == kit::Button::On;
    return choice;
}

void PurgeSheetController::okPressed(QObject*) {
    if (running_ || !isSheetUp() || !editedCalendar_) return;
    const PurgeJob::Choice choice = choiceFromControls();
    const calstore::CalendarPtr calendar = editedCalendar_->calendar();
    const int currentYear = MyDate::date()->yearNum();
    running_ = true;
    showFound(0);
    setControlsEnabled(false);
    gui_progress->setIndeterminate(true);
    gui_progress->startAnimation();
    gui_progress->setHidden(false);
    gui_progLabel->setHidden(false);

    // Every step reaches the main thread in the order the job made it.
    QPointer<PurgeSheetController> self(this);
    auto onMain = [self](std::function<void(PurgeSheetController&)> step) {
        foundation::onMain([self, step = std::move(step)] {
            if (self) step(*self);
        });
    };
    const void* sender = this;
    foundation::startThread([onMain, calendar, choice, currentYear, sender] {
        PurgeJob::Progress progress;
        progress.found = [&](int n) { onMain([n](auto& c) { c.showFound(n); }); };
        progress.removing = [&](int total) { onMain([total](auto& c) { c.showRemoving(total); }); };
        progress.removed = [&](int done, int total) {
            onMain([done, total](auto& c) { c.showRemoved(done, total); });
        };
        const QVariantMap changes = PurgeJob::run(calendar, choice, currentYear, progress, sender);
        // The views re-read what changed even when the sheet is gone.
        foundation::onMain([changes] {
            if (const auto hooks = MainWindowHooks::shared()) hooks->eventsUpdated(changes);
        });
        onMain([](auto& c) { c.finish(); });
    });
}

void PurgeSheetController::showFound(int found) {
    gui_progLabel->setStringValue(
        foundation::formatLocalizedWith(text("purgeEventsSheetFindingEvents"), found));
}

void PurgeSheetController::showRemoving(int total) {
    gui_progress->stopAnimation();
    gui_progress->setIndeterminate(false);
    gui_progress->setMinValue(0);
    gui_progress->setMaxValue(total);
    gui_progress->setDoubleValue(0);
}

void PurgeSheetController::showRemoved(int done, int total) {
    gui_progLabel->setStringValue(
        foundation::formatLocalizedWith(text("purgeEventsSheetDeletingEvents"), done - 1, total));
    gui_progress->setDoubleValue(done);
}

void PurgeSheetController::finish() {
    running_ = false;
    sourcesheets::endIfUp(gui_theSheet);
}

QImage PurgeSheetController::eventDeleteImageWithColor(const QColor& color) {
    return sourcesheets::picture(QStringLiteral("Event"),
                                 {{QStringLiteral("EventMask"), color, /*capBrightness=*/false},
                                  {QStringLiteral("DeleteCalOverlay"), {}}});
}
