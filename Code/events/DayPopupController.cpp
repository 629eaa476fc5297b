#include "events/DayPopupController.h"

#include "data/CalendarSources.h"
#include "data/PrefGroups.h"
#include "data/appPref.h"
#include "events/DPEventsView.h"
#include "events/DPFulldayView.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/MainThreadObserver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Button.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Scroller.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "shell/HoverPanels.h"
#include "shell/MainWindowCtrl.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"
#include "yearview/YearView.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>

namespace {

QPointer<DayPopupController> DPC_sharedWinController;
QVariantMap DPC_prefs;
bool DPC_defaultOpensToRight = false;
bool DPC_useCalendarColors = false;

const QString kOpensRight = QStringLiteral("Popup Opens Right");
const QString kUseCalendarColors = QStringLiteral("Popup Use CalendarColors");

constexpr double kPanelWidth = 302.0;
constexpr double kListX = 30.0;
constexpr double kListWidth = 242.0;
constexpr double kEventsViewWidth = 222.0;
constexpr double kListBottom = 62.0;
constexpr double kNotesY = 53.0;
constexpr double kFulldayRowHeight = 18.0;
constexpr double kScrollAnimationSeconds = 0.5;

DayPopupController* existing() {
    return DPC_sharedWinController.data();
}

}  // namespace

// -- The one controller --------------------------------------------------------

DayPopupController* DayPopupController::sharedWinController() {
    foundation::requireMainThread("DayPopupController::sharedWinController");
    if (!DPC_sharedWinController) {
        DPC_sharedWinController = new DayPopupController();
        DPC_sharedWinController->window();
    }
    return DPC_sharedWinController;
}

void DayPopupController::resetSharedWinController() {
    if (DayPopupController* popup = existing()) {
        if (SpringPanel* p = popup->gui_dayPopupWindow) {
            p->setDelegate(nullptr);
            p->orderOut();
            p->deleteLater();
        }
        delete popup;
    }
}

DayPopupController::DayPopupController() {
    loadPreferences();
}

DayPopupController::~DayPopupController() {
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
}

void DayPopupController::installEntries() {
    YearView::changeServices([](YearView::Services& s) {
        s.dayPopupWindowOpen = [] { return existing() && existing()->windowOpen(); };
        s.dayPopupShowWindowForCellInView = [](const YearViewCellPtr& cell, YearView* view) {
            sharedWinController()->showWindowForCellInView(cell, view);
        };
        s.dayPopupCloseWindow = [](YearView* view) {
            if (DayPopupController* popup = existing()) popup->closeWindow(view);
        };
        s.dayPopupReloadData = [] {
            if (DayPopupController* popup = existing()) popup->reloadData();
        };
        s.dayPopupScrollNotify = [](const kit::Event& event) {
            DayPopupController* popup = existing();
            return popup && popup->scrollNotify(event);
        };
        s.dayPopupOriginatingViewMoved = [] {
            if (DayPopupController* popup = existing()) popup->originatingViewMoved();
        };
        s.dayPopupLoadPreferences = &DayPopupController::loadPreferences;
        s.dayPopupUpdatePreferences = &DayPopupController::updatePreferences;
    });
    MainWindowCtrl::changeServices([](MainWindowCtrl::Services& s) {
        s.dayPopupKeyPressed = [](const kit::Event& event) -> std::optional<kit::Event> {
            DayPopupController* popup = existing();
            return popup ? popup->keyPressed(event) : std::optional<kit::Event>(event);
        };
        s.dayPopupOriginatingViewMoved = [] {
            if (DayPopupController* popup = existing()) popup->originatingViewMoved();
        };
    });
}

// -- Preferences -----------------------------------------------------------------

void DayPopupController::loadPreferences() {
    DPC_prefs = foundation::Defaults::standard().dictionaryForKey(PrefGroups::yearView);
    appPref prefs = appPref::fromMap(DPC_prefs);
    DPC_defaultOpensToRight = prefs.boolForKey(kOpensRight);
    DPC_useCalendarColors = prefs.boolForKey(kUseCalendarColors);
}

void DayPopupController::updatePreferences() {
    loadPreferences();
}

bool DayPopupController::defaultOpensToRight() {
    return DPC_defaultOpensToRight;
}

bool DayPopupController::useCalendarColors() {
    return DPC_useCalendarColors;
}

// -- The panel -------------------------------------------------------------------

SpringPanel* DayPopupController::panel() {
    return qobject_cast<SpringPanel*>(window());
}

kit::Window* DayPopupController::loadWindow() {
    auto* p = new SpringPanel(QRectF(0, 0, kPanelWidth, kPanelHeight));
    gui_dayPopupWindow = p;
    kit::View* content = p->contentView();
    const auto button = [&](const QRectF& frame, const QString& title, const QByteArray& action,
                            kit::Button::Type type = kit::Button::Type::Push) {
        auto* b = new kit::Button(frame, type);
        b->setTitle(title);
        b->setTarget(this);
        b->setAction(action);
        content->addSubview(b);
        gui_buttons.push_back(b);
        return b;
    };

    // Title and close button along the top; each filling puts them there, as
    // the panel's height changes with the notes and its springing.
    gui_dayTitle = kit::TextField::labelWithString(
        QString(), QRectF(kListX + 18, kPanelHeight - 46, kListWidth - 36, 18));
    gui_dayTitle->setTextColor(kit::Color::whiteColor());
    gui_dayTitle->setAlignment(kit::TextAlignment::Center);
    gui_dayTitle->setTextFont(kit::Font::boldSystemFont(kit::Font::systemFontSize()));
    content->addSubview(gui_dayTitle);
    kit::Button* close = button(QRectF(kListX - 4, kPanelHeight - 46, 20, 18),
                                QString(QChar(0x00D7)), "cancelPopup");
    gui_closeButton = close;

    gui_notesScrollView = new kit::ScrollView(QRectF(kListX, kNotesY, kListWidth, kNotesHeight));
    gui_notesScrollView->setDrawsBackground(false);
    gui_notes = new kit::TextView(QRectF(0, 0, kListWidth, kNotesHeight));
    gui_notes->setEditable(false);
    gui_notes->setDrawsBackground(false);
    gui_notes->setTextColor(kit::Color::whiteColor());
    gui_notes->setVerticallyResizable(true);
    gui_notesScrollView->setDocumentView(gui_notes);
    gui_notesScrollView->setHidden(true);
    content->addSubview(gui_notesScrollView);

    gui_eventsScrollView =
        new kit::ScrollView(QRectF(kListX, kListBottom, kListWidth, kListHeight));
    gui_eventsScrollView->setDrawsBackground(false);
    gui_eventsScrollView->setAutohidesScrollers(false);
    gui_eventsView = new DPEventsView(QRectF(0, 0, kEventsViewWidth, DPEventsView::kViewHeight));
    gui_eventsScrollView->setDocumentView(gui_eventsView);
    content->addSubview(gui_eventsScrollView);
    gui_fulldayView = new DPFulldayView(QRectF(kListX, kListBottom + kListHeight, kListWidth, 2));
    content->addSubview(gui_fulldayView);

    // The steps, the week and the colour switch along the bottom, a little
    // wider than the lists.
    const double x = kListX - 10, y = 24, h = 22;
    button(QRectF(x, y, 22, h), QStringLiteral("\u00AB"), "gotoPreviousMonth");
    button(QRectF(x + 23, y, 22, h), QStringLiteral("\u2039"), "gotoPreviousDay");
    button(QRectF(x + 46, y, 44, h), foundation::localized(QStringLiteral("tbWeek"), "Week"),
           "gotoWeek");
    button(QRectF(x + 91, y, 22, h), QStringLiteral("\u203A"), "gotoNextDay");
    button(QRectF(x + 114, y, 22, h), QStringLiteral("\u00BB"), "gotoNextMonth");
    gui_useCalendarColors =
        button(QRectF(x + 140, y, kPanelWidth - 18 - (x + 140), h),
               foundation::localized(QStringLiteral("wvcmShowColors"), "Colors"), "setShowColors",
               kit::Button::Type::Checkbox);
    // Its label is read on the panel's dark box.
    if (QWidget* box = gui_useCalendarColors->hostedWidget()) {
        QPalette palette = box->palette();
        palette.setColor(QPalette::WindowText, kit::Color::whiteColor());
        palette.setColor(QPalette::ButtonText, kit::Color::whiteColor());
        box->setPalette(palette);
    }
    awakeFromNib();
    return p;
}

void DayPopupController::awakeFromNib() {
    windowIsOpen_ = false;
    gui_dayPopupWindow->setDelegate(this);
    gui_dayPopupWindow->setFrameAutosaveName(QStringLiteral("(Day Info Popup)"));
    foundation::MainThreadObserver::observe(this, closeHoverPanelsNotification, nullptr,
                                            [this](const foundation::Notification& n) {
                                                // The object is the opener; the popup's own opening
                                                // is no reason to close.
                                                closeWindow(n.object == this ? this : nullptr);
                                            });
    foundation::MainThreadObserver::observe(
        this, CalendarSources::calendarSelectionChangedNotification, nullptr,
        [this](const foundation::Notification& n) { calendarSelectionChange(n); });
}

kit::Button* DayPopupController::buttonForAction(const QByteArray& action) const {
    for (const auto& b : gui_buttons)
        if (b && b->action() == action) return b;
    return nullptr;
}

// -- Opening and closing -----------------------------------------------------------

QRectF DayPopupController::referenceRectOnScreen() const {
    if (!currentYVCell || !currentYearView_) return QRectF();
    return currentYearView_->convertRectToScreen(currentYVCell->inset());
}

void DayPopupController::showWindowForCellInView(const YearViewCellPtr& cell, YearView* view) {
    SpringPanel* p = panel();
    if (!p) return;
    currentYearView_ = view;
    currentYVCell = cell;
    p->setReferenceRectOnScreen(referenceRectOnScreen());
    p->setCanBecomeKeyWindow(false);
    p->setOpeningDirection(DPC_defaultOpensToRight ? SpringPanel::Right : SpringPanel::Left);
    if (!windowIsOpen_) {
        foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
        // A closed panel may be left at the size it shrank to; it opens at its own.
        QRectF frame = p->frame();
        frame.setSize(QSizeF(kPanelWidth, kPanelHeight));
        p->setFrame(frame, false);
        setupEntries();
        p->positionPanel();
        windowIsOpen_ = true;
        p->springOpenWithFadeIn(false);
    } else {
        setupEntries();
        p->positionPanelKeepingAnchorAnimateMove(true, true);
    }
    // The panel never becomes key: the main window keeps the keys, which its
    // key monitor hands here first.
    p->orderFront();
}

void DayPopupController::showWindow(QObject*) {
    SpringPanel* p = panel();
    if (!p) return;
    const bool wasOpen = windowIsOpen_;
    if (!wasOpen) setupEntries();
    p->orderFront();
    // Sent by the popup itself, the notice closes every other popup but not
    // this one, so a popup already open stays open.
    foundation::NotificationCenter::defaultCenter().post(closeHoverPanelsNotification, this);
    windowIsOpen_ = true;
}

void DayPopupController::reloadData(QObject*) {
    if (windowIsOpen_) setupEntries();
}

void DayPopupController::calendarSelectionChange(const foundation::Notification&) {
    if (windowIsOpen_) setupEntries();
}

void DayPopupController::closeWindow(QObject* sender) {
    if (sender == this || !windowIsOpen_) return;
    if (SpringPanel* p = gui_dayPopupWindow) p->springCloseWithFadeOut(false);
    windowIsOpen_ = false;
}

void DayPopupController::windowWillClose(QObject*) {
    windowIsOpen_ = false;
}

void DayPopupController::originatingViewMoved() {
    if (!windowIsOpen_ || !gui_dayPopupWindow) return;
    gui_dayPopupWindow->setReferenceRectOnScreen(referenceRectOnScreen());
    gui_dayPopupWindow->positionPanelKeepingAnchorAnimateMove(true, true);
}

// -- Filling -----------------------------------------------------------------------

int DayPopupController::numberOfFulldayEvents() const {
    if (!currentYVCell) return 0;
    const YearViewCell::EventListPtr list = currentYVCell->events();
    return int(std::count_if(list->begin(), list->end(), &DPFulldayView::listsRecord));
}

std::vector<DayEventLayout::TimedEvent> DayPopupController::sortEvents(
    const YearViewCell::EventList& list) {
    return DayEventLayout::layoutDay(list);
}

void DayPopupController::setupEntries() {
    SpringPanel* p = gui_dayPopupWindow;
    if (!p || !currentYVCell) return;
    const YearViewCellPtr cell = currentYVCell;
    if (const MyDatePtr date = cell->cellDate()) {
        const QString month = foundation::localized(
            QStringLiteral("shortMonthText%1").arg(date->monthNum()), QString());
        gui_dayTitle->setStringValue(QStringLiteral("%1, %2. %3. %4")
                                         .arg(cell->dayName())
                                         .arg(date->dayNum())
                                         .arg(month)
                                         .arg(date->yearNum()));
    }

    // With notes the panel grows by half the notes box, downwards: its top
    // edge stays where it is.
    QRectF frame = p->frame();
    const double notesGrowth = std::floor(kNotesHeight / 2);
    double listY = kListBottom, listHeight = kListHeight;
    if (cell->hasNotes()) {
        gui_notes->setString(cell->notesText());
        gui_notesScrollView->setHidden(false);
        const double height = kPanelHeight + notesGrowth;
        if (frame.height() != height) {
            frame.setY(frame.y() - (height - frame.height()));
            frame.setHeight(height);
            p->setFrame(frame, true);
        }
        gui_notesScrollView->setFrame(QRectF(kListX, kNotesY, kListWidth, kNotesHeight));
        listY = kListBottom + kNotesHeight;
        listHeight = kListHeight - notesGrowth;
    } else {
        gui_notesScrollView->setHidden(true);
        if (frame.height() > kPanelHeight) {
            frame.setY(frame.y() + (frame.height() - kPanelHeight));
            frame.setHeight(kPanelHeight);
            p->setFrame(frame, true);
        }
    }

    const double top = p->frame().height() - 46;
    gui_dayTitle->setFrame(QRectF(kListX + 18, top, kListWidth - 36, 18));
    if (gui_closeButton) gui_closeButton->setFrame(QRectF(kListX - 4, top, 20, 18));

    const int n = numberOfFulldayEvents();
    const double fulldayHeight = std::min(n, kMaxFulldayRows) * kFulldayRowHeight + 2;
    eventsScrollViewHeight_ = listHeight - fulldayHeight;
    gui_eventsScrollView->setFrame(QRectF(kListX, listY, kListWidth, eventsScrollViewHeight_));
    gui_fulldayView->setFrame(
        QRectF(kListX, listY + eventsScrollViewHeight_, kListWidth, fulldayHeight));
    gui_fulldayView->setMaxEntriesTotal(kMaxFulldayRows, n);

    // 24 hours of 50 points and 15 more.
    gui_eventsView->initWithFrame(QRectF(0, 0, kEventsViewWidth, DPEventsView::kViewHeight));
    const bool doubleStrike =
        appPref::fromMap(foundation::Defaults::standard().dictionaryForKey(PrefGroups::general))
            .boolForKey(QStringLiteral("Antialiase Text Doublestrike"));
    for (DPListView* view : {static_cast<DPListView*>(gui_eventsView.data()),
                             static_cast<DPListView*>(gui_fulldayView.data())}) {
        view->setDoubleStrike(doubleStrike);
        view->setUseCalendarColors(DPC_useCalendarColors);
    }
    const YearViewCell::EventListPtr list = cell->events();
    gui_eventsView->setDate(cell->cellDate());
    gui_eventsView->setEvents(sortEvents(*list));
    gui_fulldayView->setEvents(*list);

    scrollToFirstEvent();
    gui_eventsView->setNeedsDisplay(true);
    gui_fulldayView->setNeedsDisplay(true);
    gui_useCalendarColors->setState(DPC_useCalendarColors ? kit::Button::On : kit::Button::Off);
}

void DayPopupController::scrollToFirstEvent() {
    if (!gui_eventsView) return;
    // 8:00 at the top when no event starts later in the day.
    double hours = 16;
    const MyDatePtr day = currentYVCell ? currentYVCell->cellDate() : nullptr;
    for (const DayEventLayout::TimedEvent& entry : gui_eventsView->events()) {
        const EventDayPtr& record = entry.record;
        if (!record || !record->event() || record->fulldayEvent()) continue;
        const QDateTime start = record->event()->startDate();
        if (day && start <= day->nsDate()) continue;
        const MyDate local(start);
        hours = 24 - local.hourNum() - local.minuteNum() / 60.0;
        break;
    }
    const double y = hours * DPEventsView::kHourHeight + 15;
    gui_eventsView->scrollPoint(QPointF(0, std::max(0.0, y - eventsScrollViewHeight_)));
}

// -- Scrolling ---------------------------------------------------------------------

void DayPopupController::scroll(double value) {
    if (!gui_eventsView) return;
    gui_eventsView->scrollPoint(
        QPointF(0, (1 - value) * (DPEventsView::kViewHeight - eventsScrollViewHeight_)));
}

void DayPopupController::animatedScroll(double value) {
    if (!gui_eventsView || !gui_eventsScrollView) return;
    const double range = DPEventsView::kViewHeight - eventsScrollViewHeight_;
    const double from = gui_eventsScrollView->documentVisibleRect().y();
    const double to = (1 - value) * range;
    kit::Animation animation(kScrollAnimationSeconds, kit::Animation::Curve::EaseInOut);
    animation.setAnimationBlockingMode(kit::Animation::BlockingMode::Blocking);
    QPointer<DPEventsView> view = gui_eventsView;
    animation.progressHook = [view, from, to](kit::Animation& a, double) {
        if (view) view->scrollPoint(QPointF(0, from + (to - from) * a.currentValue()));
    };
    animation.startAnimation();
    if (view) view->scrollPoint(QPointF(0, to));
}

double DayPopupController::scrollValue() const {
    if (!gui_eventsScrollView) return 0;
    if (kit::Scroller* scroller = gui_eventsScrollView->verticalScroller())
        return scroller->doubleValue();
    const double range = DPEventsView::kViewHeight - eventsScrollViewHeight_;
    return range > 0 ? 1 - gui_eventsScrollView->documentVisibleRect().y() / range : 0;
}

bool DayPopupController::scrollNotify(const kit::Event& event) {
    if (!windowIsOpen_) return false;
    const double d = -event.deltaY();
    double v = scrollValue();
    if (d < 0) v = std::max(0.0, v + d / 50);
    if (d > 0) v = std::min(1.0, v + d / 50);
    scroll(v);
    return true;
}

std::optional<kit::Event> DayPopupController::keyPressed(const kit::Event& event) {
    if (!windowIsOpen_) return event;
    namespace K = kit::KeyCodes;
    switch (event.keyCode()) {
        case K::Space:
        case K::Escape:
            closeWindow(nullptr);
            break;
        case K::RightArrow:
            gotoNextMonth();
            break;
        case K::LeftArrow:
            gotoPreviousMonth();
            break;
        case K::UpArrow:
            gotoPreviousDay();
            break;
        case K::DownArrow:
            gotoNextDay();
            break;
        case K::PageUp:
            animatedScroll(std::max(0.0, scrollValue() - 0.3));
            break;
        case K::PageDown:
            animatedScroll(std::min(1.0, scrollValue() + 0.3));
            break;
        default:
            return event;
    }
    return std::nullopt;
}

// -- Actions -----------------------------------------------------------------------

void DayPopupController::setShowColors(QObject*) {
    DPC_useCalendarColors =
        gui_useCalendarColors && gui_useCalendarColors->state() == kit::Button::On;
    // The group is read afresh, so that only this key changes.
    auto& defaults = foundation::Defaults::standard();
    DPC_prefs = defaults.dictionaryForKey(PrefGroups::yearView);
    DPC_prefs.insert(kUseCalendarColors, DPC_useCalendarColors);
    defaults.setObject(PrefGroups::yearView, DPC_prefs);
    for (DPListView* view : {static_cast<DPListView*>(gui_eventsView.data()),
                             static_cast<DPListView*>(gui_fulldayView.data())}) {
        if (!view) continue;
        view->setUseCalendarColors(DPC_useCalendarColors);
        view->setNeedsDisplay(true);
    }
}

void DayPopupController::stepTo(const MyDatePtr& date) {
    if (currentYearView_ && date) currentYearView_->advancePopupToDate(date);
}

void DayPopupController::gotoPreviousDay(QObject*) {
    if (currentYVCell && currentYVCell->cellDate()) stepTo(currentYVCell->cellDate()->prevDay());
}

void DayPopupController::gotoNextDay(QObject*) {
    if (currentYVCell && currentYVCell->cellDate()) stepTo(currentYVCell->cellDate()->nextDay());
}

void DayPopupController::gotoPreviousMonth(QObject*) {
    if (currentYVCell && currentYVCell->cellDate()) stepTo(currentYVCell->cellDate()->prevMonth());
}

void DayPopupController::gotoNextMonth(QObject*) {
    if (currentYVCell && currentYVCell->cellDate()) stepTo(currentYVCell->cellDate()->nextMonth());
}

void DayPopupController::gotoWeek(QObject*) {
    closeWindow(nullptr);
    if (currentYearView_ && currentYVCell && currentYVCell->cellDate())
        currentYearView_->popupGotoWeek(currentYVCell->cellDate());
}

void DayPopupController::cancelPopup(QObject*) {
    closeWindow(nullptr);
}
