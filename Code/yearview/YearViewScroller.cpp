#include "yearview/YearViewScroller.h"

#include "data/PrefGroups.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/MainThreadObserver.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/Alert.h"
#include "platform/kit/Color.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/Perform.h"
#include "platform/kit/Window.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "shell/WsSplitView.h"
#include "yearview/YVPageIndicator.h"
#include "yearview/YearView.h"

#include <QMenu>

namespace {

YearViewScroller::Services& servicesStore() {
    static YearViewScroller::Services s;
    return s;
}

void startPopulatingView(YearView* page) {
    if (const auto& fn = YearViewScroller::services().startPopulatingView) return fn(page);
    if (const auto& fn = YearView::services().startPopulatingView) return fn(page);
    YearViewEventLoader::eventLoaderForYear(page->year())->startPopulatingView(page->model());
}

void populateView(YearView* page) {
    if (const auto& fn = YearViewScroller::services().populateView) return fn(page);
    YearViewEventLoader::eventLoaderForYear(page->year())->populateView(page->model());
}

}  // namespace

void YearViewScroller::changeServices(const std::function<void(Services&)>& change) {
    change(servicesStore());
}
const YearViewScroller::Services& YearViewScroller::services() {
    return servicesStore();
}

YearViewScroller::YearViewScroller(const QRectF& frame) : kit::View(frame) {
    awakeFromNib();
    setContextMenu(makeContextMenu());
}

YearViewScroller::~YearViewScroller() {
    for (auto token : tokens_)
        foundation::NotificationCenter::defaultCenter().removeObserver(token);
}

// -- Wiring

void YearViewScroller::awakeFromNib() {
    splitterIsUp = splitterIsDown = false;
    lastSplitterDragDirection = 0;
    lastViewDragDirection_ = 0;
    inLiveResize_ = false;
    isTrackingTouches_ = false;
    cache_splitterHandle = kit::Image::named(QStringLiteral("VerticalSplitButton"));
    cache_noHandle = kit::Image::named(QStringLiteral("VerticalSplitButton_disabled"));
}

void YearViewScroller::setWeekSubview(kit::View* weekView) {
    gui_weekView = weekView;
}

void YearViewScroller::setSplitSuperview(kit::View* splitView) {
    gui_splitView = qobject_cast<WsSplitView*>(splitView);
}

void YearViewScroller::setRightSplitButton(kit::ImageView* imageView) {
    gui_rightScrollHandle = imageView;
}

void YearViewScroller::setYearButton(kit::View* button) {
    gui_yearButton = button;
    if (button) button->setEnabled(true);
}

void YearViewScroller::setWeekButton(kit::View* button) {
    gui_weekButton = button;
    if (button) button->setEnabled(true);
}

void YearViewScroller::setContextMenu(QMenu* menu) {
    gui_contextMenu = menu;
    if (gui_yearView1) gui_yearView1->setMenu(menu);
}

void YearViewScroller::exchangeWeekSubviewTo(kit::View* weekView) {
    gui_weekView = weekView;
    kit::perform(gui_splitView.data(), "exchangeWeekSubviewTo", weekView);
    kit::perform(MainWindowCtrl::sharedWinController(), "exchangeWeekSubviewTo", weekView);
    kit::perform(weekView, "forcedRedraw");
}

// -- Pages

QRectF YearViewScroller::slotFrame(int slot) const {
    const float w = float(frame().width());
    const float h = float(frame().height());
    return QRectF(double(w) * (slot - 1), kBarHeight, w, double(h) - kBarHeight);
}

QRectF YearViewScroller::indicatorFrame() const {
    return QRectF(0, kBarHeight, float(frame().width()), 22);
}

YearView* YearViewScroller::yearView(int slot) const {
    switch (slot) {
        case 0:
            return gui_yearView0;
        case 1:
            return gui_yearView1;
        case 2:
            return gui_yearView2;
        default:
            return nullptr;
    }
}

kit::View* YearViewScroller::currentYearView() const {
    return gui_yearView1;
}
kit::View* YearViewScroller::pastYearView() const {
    return gui_yearView0;
}
kit::View* YearViewScroller::futureYearView() const {
    return gui_yearView2;
}

void YearViewScroller::setYearSubviews() {
    if (gui_yearView1) return;
    gui_yearView0 = YearView::initWithYearOffset(-1);
    gui_yearView1 = YearView::initWithYearOffset(0);
    gui_yearView2 = YearView::initWithYearOffset(1);
    for (int slot = 0; slot < 3; ++slot) yearView(slot)->setFrame(slotFrame(slot));
    gui_pageIndicator = YVPageIndicator::initWithFrame(indicatorFrame());
    addSubview(gui_yearView1);
    addSubview(gui_yearView0);
    addSubview(gui_yearView2);
    addSubview(gui_pageIndicator);
    applyMenusAndVisibility();

    auto& center = foundation::NotificationCenter::defaultCenter();
    QPointer<YearViewScroller> self(this);
    // Selection changes may be posted by background saves.
    const auto observeOnMain = [this](const QString& name, void (YearViewScroller::*handler)(
                                                               const foundation::Notification&)) {
        foundation::MainThreadObserver::observe(
            this, name, nullptr,
            [this, handler](const foundation::Notification& n) { (this->*handler)(n); });
    };
    observeOnMain(QStringLiteral("Calendar Selection Changed"),
                  &YearViewScroller::calendarSelectionChange);
    observeOnMain(QStringLiteral("Marker Selection Changed"),
                  &YearViewScroller::calendarSelectionChange);
    observeOnMain(QStringLiteral("Calendar TypeOrColor Changed"),
                  &YearViewScroller::calendarTypeOrColorChange);
    tokens_.push_back(center.addObserver(this, AppDelegate::kCurrentDateChanged, nullptr,
                                         [self](const foundation::Notification& n) {
                                             if (self) self->currentDateChange(n);
                                         }));
}

YearView* YearViewScroller::preparePage(int year, int slot, const QPointF& innerOrigin) {
    YearView* page = YearView::initWithYear(year);
    page->presetInnerFrame(innerOrigin);
    page->setFrame(slotFrame(slot));
    page->quickLoadPreferences();
    if (gui_pageIndicator)
        addSubview(page, Ordering::Below, gui_pageIndicator);
    else
        addSubview(page);
    return page;
}

void YearViewScroller::dropPage(YearView* page) {
    if (!page) return;
    page->setMenu(nullptr);
    page->removeFromSuperview();
    // Events and main-thread hand-offs for the page may still be queued.
    page->deleteLater();
}

void YearViewScroller::applyMenusAndVisibility() {
    for (int slot = 0; slot < 3; ++slot) {
        YearView* page = yearView(slot);
        if (!page) continue;
        page->setMenu(slot == 1 ? gui_contextMenu.data() : nullptr);
        page->setIsVisible(slot == 1);
    }
}

void YearViewScroller::focusCentrePage() {
    if (kit::Window* w = window()) {
        if (gui_yearView1) w->makeFirstResponder(gui_yearView1);
        w->setAcceptsMouseMovedEvents(true);
    }
}

void YearViewScroller::clearSelectionOfCentre(bool closeDayPopup) {
    if (closeDayPopup)
        if (const auto& close = YearView::services().dayPopupCloseWindow) close(gui_yearView1);
    if (gui_yearView1) gui_yearView1->deHighlightAll();
    YearViewCell::deselectAll();
}

YearViewCellPtr YearViewScroller::cellForDate(const MyDatePtr& date) const {
    if (!date) return nullptr;
    for (int slot : {1, 2, 0}) {
        YearView* page = yearView(slot);
        if (page && page->year() == date->yearNum())
            return page->cellForDayAndMonth(date->dayNum(), date->monthNum());
    }
    return nullptr;
}

// -- Preferences

void YearViewScroller::loadPreferences() {
    for (int slot = 0; slot < 3; ++slot)
        if (YearView* page = yearView(slot)) page->loadPreferences();
    checkSplitterPosition();
    if (splitterIsUp && gui_yearView1) {
        gui_yearView1->drawOffscreen(this);
        YearView::setViewsToRedraw(3);
        for (int slot = 0; slot < 3; ++slot)
            if (YearView* page = yearView(slot)) startPopulatingView(page);
        if (MainWindowCtrl* ctrl = MainWindowCtrl::sharedWinController()) ctrl->hideProgressView();
    }
    prefs_ = foundation::Defaults::standard().dictionaryForKey(PrefGroups::yearView);
    const std::pair<kit::MenuItem*, const char*> toggles[] = {
        {gui_miShowEvents, "Event Show Events"},
        {gui_miColorizeEvents, "Event Use CalendarColor"},
        {gui_miShowHolidays, "Show Holiday Text"},
        {gui_miShowBirthdays, "Show Birthdays"},
        {gui_miShowNotes, "Show Notes Hints"}};
    for (const auto& [item, key] : toggles)
        if (item)
            item->setState(prefs_.value(QString::fromLatin1(key)).toBool() ? kit::MenuItem::On
                                                                           : kit::MenuItem::Off);
}

// -- Year change

void YearViewScroller::moveViewsToYear(int year) {
    if (splitterIsUp)
        moveViewsWhileInvisibleToYear(year);
    else
        moveViewsToYearThreaded(year, true);
}

void YearViewScroller::moveViewsToYearWithObject(const QVariant& year) {
    moveViewsToYear(year.toInt());
}

void YearViewScroller::ensureYearIsShown(const QVariant& year) {
    if (splitterIsUp)
        moveViewsWhileInvisibleToYear(year.toInt());
    else
        moveViewsToYearThreaded(year.toInt(), false);
}

void YearViewScroller::currentDateChange(const foundation::Notification&) {
    QPointer<YearViewScroller> self(this);
    const auto step = [self] {
        if (!self || !self->gui_yearView1) return;
        AppDelegate* app = AppDelegate::obj();
        const MyDatePtr today = app ? app->today.load() : nullptr;
        if (today && self->gui_yearView1->year() != today->yearNum())
            self->moveViewsToYearWithObject(today->yearNum());
        else
            self->redisplay();
    };
    // The day roll-over comes from the minute timer; only another thread waits.
    if (foundation::isMainThread())
        step();
    else
        foundation::onMainAndWait(step);
}

void YearViewScroller::startLoadingCenterViewAfterMove() {
    if (gui_yearView1) startPopulatingView(gui_yearView1);
}

void YearViewScroller::loadFirstUnloadedPage(bool threaded) {
    for (int slot : {1, 0, 2}) {
        YearView* page = yearView(slot);
        if (!page || page->eventsLoaded()) continue;
        if (!threaded) {
            populateView(page);
        } else if (slot == 1) {
            // After the event being handled, so the slide's end draws first.
            kit::performAfterCurrentEvent(this, "startLoadingCenterViewAfterMove");
        } else {
            startPopulatingView(page);
        }
        return;
    }
}

void YearViewScroller::moveViewsToYearThreaded(int year, bool threaded) {
    if (!gui_yearView1) return;
    const int c = gui_yearView1->year();
    if (year == c) {
        focusCentrePage();
        return;
    }
    clearSelectionOfCentre(true);
    const QPointF inner = gui_yearView1->innerFrame();
    if (year > c) {
        const int d = year - c;
        if (d > 1) {
            dropPage(gui_yearView2);
            gui_yearView2 = preparePage(year, 2, inner);
            gui_yearView2->drawOffscreen(this);
        }
        lastViewDragDirection_ = -1;
        viewWillStartLiveMove();
        finishDraggingYearView();
        viewDidEndLiveMove();
        dropPage(gui_yearView0);
        YearView* formerCentre = gui_yearView1;
        gui_yearView0 = formerCentre;
        gui_yearView1 = gui_yearView2;
        if (d == 1) {
            gui_yearView0->drawOffscreenInBackground();
        } else {
            dropPage(formerCentre);
            gui_yearView0 = preparePage(year - 1, 0, inner);
        }
        gui_yearView2 = preparePage(year + 1, 2, inner);
    } else {
        const int d = c - year;
        if (d > 1) {
            dropPage(gui_yearView0);
            gui_yearView0 = preparePage(year, 0, inner);
            gui_yearView0->drawOffscreen(this);
        }
        lastViewDragDirection_ = 1;
        viewWillStartLiveMove();
        finishDraggingYearView();
        viewDidEndLiveMove();
        dropPage(gui_yearView2);
        YearView* formerCentre = gui_yearView1;
        gui_yearView2 = formerCentre;
        gui_yearView1 = gui_yearView0;
        if (d == 1) {
            gui_yearView2->drawOffscreenInBackground();
        } else {
            dropPage(formerCentre);
            gui_yearView2 = preparePage(year + 1, 2, inner);
        }
        gui_yearView0 = preparePage(year - 1, 0, inner);
    }
    lastViewDragDirection_ = 0;
    // The slide left the pages one slot over; the rotation puts the frames back.
    for (int slot = 0; slot < 3; ++slot) yearView(slot)->setFrame(slotFrame(slot));
    applyMenusAndVisibility();
    focusCentrePage();
    loadFirstUnloadedPage(threaded);
}

void YearViewScroller::moveViewsWhileInvisibleToYear(int year) {
    if (!gui_yearView1 || year == gui_yearView1->year()) return;
    clearSelectionOfCentre(true);
    const QPointF inner = gui_yearView1->innerFrame();
    dropPage(gui_yearView0);
    dropPage(gui_yearView1);
    dropPage(gui_yearView2);
    gui_yearView0 = preparePage(year - 1, 0, inner);
    gui_yearView1 = preparePage(year, 1, inner);
    gui_yearView2 = preparePage(year + 1, 2, inner);
    applyMenusAndVisibility();
    focusCentrePage();
    populateView(gui_yearView1);
}

void YearViewScroller::showWeekOfDay(const QVariant& date) {
    const MyDatePtr day = date.value<MyDatePtr>();
    ensureWeekViewVisibility();
    if (!day) return;
    kit::perform(gui_weekView.data(), "fastMoveToWeekOf", day);
    kit::perform(gui_weekView.data(), "selectEvent", QVariant());
}

// -- Redisplay and forwarding

void YearViewScroller::redisplay() {
    if (gui_yearView1) gui_yearView1->setNeedsDisplay(true);
    redisplaySiblings();
}

void YearViewScroller::redisplaySiblings() {
    if (gui_yearView0) gui_yearView0->drawOffscreenInBackground();
    if (gui_yearView2) gui_yearView2->drawOffscreenInBackground();
}

void YearViewScroller::drawRect(kit::Graphics& g, const QRectF& dirtyRect) {
    g.setColor(kit::Color::whiteColor());
    g.fillRect(dirtyRect);
    kit::View::drawRect(g, dirtyRect);
}

void YearViewScroller::calendarsAdded(const std::vector<CalendarPtr>& calendars) {
    for (int slot = 0; slot < 3; ++slot)
        if (YearView* page = yearView(slot)) page->calendarsAdded(calendars);
}

void YearViewScroller::calendarsRemoved(const std::vector<CalendarPtr>& calendars) {
    for (int slot = 0; slot < 3; ++slot)
        if (YearView* page = yearView(slot)) page->calendarsRemoved(calendars);
}

void YearViewScroller::eventsUpdated(const QVariantMap& changes) {
    for (int slot = 0; slot < 3; ++slot)
        if (YearView* page = yearView(slot)) page->eventsUpdated(changes);
}

void YearViewScroller::updateWeekView() {
    kit::View* week = gui_weekView;
    kit::perform(week, "threadedUpdateView");
}

void YearViewScroller::keyDown(const kit::Event& event) {
    if (yearViewVisible()) {
        if (gui_yearView1) gui_yearView1->keyDown(event);
    } else if (gui_weekView) {
        gui_weekView->keyDown(event);
    }
}

void YearViewScroller::calendarSelectionChange(const foundation::Notification&) {
    redisplay();
}

void YearViewScroller::calendarTypeOrColorChange(const foundation::Notification&) {
    redisplay();
}

// -- Layout, live move and live resize

void YearViewScroller::setFrame(const QRectF& newFrame) {
    const QRectF old = frame();
    kit::View::setFrame(newFrame);
    (void)old;
    for (int slot = 0; slot < 3; ++slot)
        if (YearView* page = yearView(slot)) page->setFrame(slotFrame(slot));
    if (gui_pageIndicator) gui_pageIndicator->setFrame(indicatorFrame());
}

void YearViewScroller::viewWillStartLiveMove() {
    if (inLiveResize_) return;
    inLiveResize_ = true;
    if (gui_yearView0) gui_yearView0->viewWillStartLiveMove();
    if (gui_yearView2) gui_yearView2->viewWillStartLiveMove();
    if (gui_yearView1) gui_yearView1->viewWillStartLiveResize();
}

void YearViewScroller::viewDidEndLiveMove() {
    if (!inLiveResize_) return;
    inLiveResize_ = false;
    YearView* arriving = lastViewDragDirection_ > 0   ? gui_yearView0.data()
                         : lastViewDragDirection_ < 0 ? gui_yearView2.data()
                                                      : nullptr;
    for (int slot = 0; slot < 3; ++slot) {
        YearView* page = yearView(slot);
        if (!page) continue;
        if (page == arriving)
            page->viewDidEndLiveResize();
        else
            page->viewDidEndLiveMove();
    }
}

void YearViewScroller::viewWillStartLiveResize() {
    if (inLiveResize_) return;
    inLiveResize_ = true;
    if (gui_yearView1) gui_yearView1->viewWillStartLiveResize();
    if (gui_weekView) gui_weekView->viewWillStartLiveResize();
}

void YearViewScroller::viewDidEndLiveResize() {
    if (!inLiveResize_) return;
    inLiveResize_ = false;
    if (gui_yearView1) gui_yearView1->viewDidEndLiveResize();
    if (gui_weekView) gui_weekView->viewDidEndLiveResize();
    redisplaySiblings();
}
