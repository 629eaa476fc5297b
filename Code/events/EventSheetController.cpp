#include "events/EventSheetController.h"

#include "data/Calendar.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Button.h"
#include "platform/kit/Font.h"
#include "platform/kit/Image.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "platform/store/Calendar.h"
#include "shell/HoverPanels.h"
#include "weekview/WeekView.h"

#include <QPainter>

namespace {

EventSheetController* ESC_sharedWinController = nullptr;

constexpr double kSheetWidth = 440;
constexpr double kSheetHeight = 128;

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

}  // namespace

EventSheetController* EventSheetController::sharedWinController() {
    if (!ESC_sharedWinController) new EventSheetController();
    return ESC_sharedWinController;
}

EventSheetController* EventSheetController::existingWinController() {
    return ESC_sharedWinController;
}

void EventSheetController::resetSharedWinController() {
    delete ESC_sharedWinController;  // its destructor forgets it
}

void EventSheetController::installWeekViewEntries() {
    WeekView::changeServices([](WeekView::Services& week) {
        week.eventDeleteSheet = [](WeekView* view, const EventDayPtr& event) {
            if (view)
                sharedWinController()->openDeleteSheetForEventOnWindowFrom(event, view->window(),
                                                                           view);
        };
    });
}

EventSheetController::EventSheetController() {
    if (!ESC_sharedWinController) ESC_sharedWinController = this;
}

EventSheetController::~EventSheetController() {
    if (ESC_sharedWinController == this) ESC_sharedWinController = nullptr;
    // The window controller deletes the sheet; one still up is ended first.
    if (isSheetUp()) kit::Sheet::endSheet(gui_evtDeleteSheet);
}

kit::Button* EventSheetController::button(const QString& title, const QString& key, double x,
                                          const char* action) {
    auto* made = new kit::Button(QRectF(x, 14, 100, 28));
    made->setTitle(title);
    made->setKeyEquivalent(key);
    made->setTarget(this);
    made->setAction(action);
    return made;
}

kit::Window* EventSheetController::loadWindow() {
    auto* sheet = new kit::Window(QRectF(0, 0, kSheetWidth, kSheetHeight), kit::Window::Titled);
    kit::View* content = sheet->contentView();
    gui_evtDeleteImage =
        new kit::ImageView(QRectF(20, kSheetHeight - 20 - kIconSize, kIconSize, kIconSize));
    content->addSubview(gui_evtDeleteImage);
    gui_evtDeleteText = kit::TextField::labelWithString(
        QString(), QRectF(100, kSheetHeight - 20 - 56, kSheetWidth - 120, 56));
    gui_evtDeleteText->setWraps(true);
    gui_evtDeleteText->setTextFont(kit::Font::systemFont(kit::Font::systemFontSize()));
    content->addSubview(gui_evtDeleteText);
    gui_evtDeleteButton = button(text("eventsDeleteSheetDelete"), QStringLiteral("\r"),
                                 kSheetWidth - 20 - 100, "okDeletePressed");
    gui_evtDeleteCancel = button(text("eventsDeleteSheetCancel"), QStringLiteral("\x1b"),
                                 kSheetWidth - 20 - 208, "cancelDeletePressed");
    content->addSubview(gui_evtDeleteButton);
    content->addSubview(gui_evtDeleteCancel);
    gui_evtDeleteSheet = sheet;
    return sheet;
}

kit::Window* EventSheetController::sheet() {
    return window();
}

bool EventSheetController::isSheetUp() const {
    return gui_evtDeleteSheet && kit::Sheet::sheetParent(gui_evtDeleteSheet);
}

void EventSheetController::openDeleteSheetForEventOnWindowFrom(const EventDayPtr& record,
                                                               kit::Window* host, WeekView* view) {
    if (!record || !record->event() || !host || !sheet()) return;
    if (isSheetUp()) return;  // one question at a time
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
    wvCaller = view;
    eventNamed_ = record;
    const calstore::CalendarPtr& calendar = record->event()->calendar();
    gui_evtDeleteText->setStringValue(foundation::formatLocalizedWith(
        text("eventsDeleteSheetDelSingleEvent"), calendar ? calendar->title() : QString()));
    gui_evtDeleteImage->setImage(eventDeleteImageWithColor(
        record->calendar() ? record->calendar()->color() : QColor(Qt::gray)));
    gui_evtDeleteSheet->makeFirstResponder(gui_evtDeleteButton);
    if (!kit::Sheet::beginSheet(gui_evtDeleteSheet, host,
                                [this](kit::Window*, int code) { deleteDidEndSheet(code); })) {
        foundation::log(QStringLiteral("oops, the delete sheet could not be shown"));
        eventNamed_ = nullptr;
    }
}

void EventSheetController::okDeletePressed(QObject*) {
    // Only the event the sheet named is deleted: a store change may have
    // cleared or replaced the selection while the sheet was up.
    if (wvCaller && eventNamed_ && EventDay::sameOccurrence(wvCaller->selection(), eventNamed_))
        wvCaller->selectionGotDeleted();
    if (isSheetUp()) kit::Sheet::endSheet(gui_evtDeleteSheet, 1);
}

void EventSheetController::cancelDeletePressed(QObject*) {
    if (isSheetUp()) kit::Sheet::endSheet(gui_evtDeleteSheet, 0);
}

void EventSheetController::deleteDidEndSheet(int) {
    // The sheet orders itself out after this handler.
    eventNamed_ = nullptr;
}

QImage EventSheetController::colorizeImageWithColor(const QImage& mask, const QColor& color) {
    kit::Image::TintOptions options;
    options.halveWideMasks = true;
    return kit::Image::tinted(mask, color, options);
}

QImage EventSheetController::eventDeleteImageWithColor(const QColor& color) {
    const QSizeF size(kIconSize, kIconSize);
    const QRectF all(QPointF(0, 0), size);
    QImage result = kit::Image::withSize(size, 2.0);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    // The icon, its frame tinted over it, and the delete mark on top.
    painter.drawImage(all, kit::Image::named(QStringLiteral("Event"), size));
    painter.drawImage(
        all, colorizeImageWithColor(kit::Image::named(QStringLiteral("EventMask"), size), color));
    painter.drawImage(all, kit::Image::named(QStringLiteral("DeleteCalOverlay"), size));
    return result;
}
