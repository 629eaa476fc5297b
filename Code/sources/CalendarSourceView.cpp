#include "sources/CalendarSourceView.h"

#include "data/CalendarSources.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/kit/Button.h"
#include "platform/kit/Cursor.h"
#include "platform/kit/Event.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/ScrollView.h"
#include "shell/MainWindowCtrl.h"
#include "shell/WsSplitView.h"
#include "sources/CalendarSourceOutlineView.h"

using foundation::localized;

namespace {

kit::MenuItem* addCommand(kit::Menu* menu, const QString& key, const QString& english,
                          std::function<void()> command) {
    auto* item = new kit::MenuItem(localized(key, english));
    item->setActionHandler([command = std::move(command)](QObject*) { command(); });
    menu->addItem(item);
    return item;
}

}  // namespace

CalendarSourceView::CalendarSourceView(const QRectF& frame) : kit::View(frame) {
    auto* add = new kit::Button(QRectF(0, 0, 30, kBarHeight));
    add->setTitle(QStringLiteral("+"));
    add->setBordered(false);
    add->setTarget(this);
    add->setAction("addButton");
    add->setAutoresizingMask(kit::View::MaxXMargin | kit::View::MaxYMargin);
    addSubview(add);
    addButton_ = add;
}

CalendarSourceView::~CalendarSourceView() = default;

kit::View* CalendarSourceView::makeSourceListView(const QRectF& frame) {
    auto* scroll = new kit::ScrollView(frame);
    scroll->setHasVerticalScroller(true);
    scroll->setAutohidesScrollers(true);
    scroll->setDrawsBackground(false);
    auto* outline = new CalendarSourceOutlineView(QRectF(0, 0, frame.width(), frame.height()));
    outline->setAutoresizingMask(kit::View::WidthSizable);
    outline->setBackgroundColor(Qt::transparent);
    scroll->setDocumentView(outline);
    return scroll;
}

CalendarSourceOutlineView* CalendarSourceView::outlineViewOf(kit::View* sourceListView) {
    auto* scroll = qobject_cast<kit::ScrollView*>(sourceListView);
    return scroll ? qobject_cast<CalendarSourceOutlineView*>(scroll->documentView()) : nullptr;
}

CalendarSourceOutlineView* CalendarSourceView::outline() const {
    for (kit::View* child : subviews())
        if (CalendarSourceOutlineView* found = outlineViewOf(child)) return found;
    return nullptr;
}

// The list leaves the bottom bar free.
void CalendarSourceView::layoutBar() {
    for (kit::View* child : subviews()) {
        if (!outlineViewOf(child)) continue;
        const QRectF b = bounds();
        child->setFrame(QRectF(0, kBarHeight, b.width(), std::max(0.0, b.height() - kBarHeight)));
    }
}

void CalendarSourceView::setSiblingView(kit::View* view) {
    sibling_ = view;
    layoutBar();
    if (CalendarSourceOutlineView* list = outline()) list->setSourceView(this);
}

void CalendarSourceView::setCalendarSources(const QVariant& sources) {
    sources_ = sources.value<std::shared_ptr<CalendarSources>>();
    if (CalendarSourceOutlineView* list = outline()) list->setSourceView(this);
}

void CalendarSourceView::setWindowKeyStatus(bool isKey) {
    winIsKey_ = isKey;
    setBackgroundColor(isKey ? kKeyColor : kNotKeyColor);
}

void CalendarSourceView::setBackgroundColor(const QColor& color) {
    bgColor_ = color;
    setNeedsDisplay();
}

void CalendarSourceView::drawRect(kit::Graphics& g, const QRectF&) {
    g.setFillColor(bgColor_);
    g.fillRect(bounds());
}

// -- Grip

QRectF CalendarSourceView::gripRect() const {
    return QRectF(frame().width() - kGripWidth, 0, kGripWidth, kBarHeight);
}

double CalendarSourceView::clampedWidth(double startWidth, double dx) {
    return std::clamp(startWidth + dx, kMinWidth, kMaxWidth);
}

void CalendarSourceView::resetCursorRects() {
    addCursorRect(gripRect(), kit::Cursor(Qt::SizeHorCursor));
}

void CalendarSourceView::mouseDown(const kit::Event& event) {
    const QPointF p = convertPointFromView(event.locationInWindow(), nullptr);
    if (!gripRect().contains(p)) {
        kit::View::mouseDown(event);
        return;
    }
    resizing_ = true;
    pressX_ = event.locationInWindow().x();
    startWidth_ = frame().width();
    if (sibling_) sibling_->viewWillStartLiveResize();
}

void CalendarSourceView::mouseDragged(const kit::Event& event) {
    if (!resizing_) return kit::View::mouseDragged(event);
    const double width = clampedWidth(startWidth_, event.locationInWindow().x() - pressX_);
    // The main split view's divider moves, so that the year area follows and
    // the saved position stays true.
    for (kit::View* v = superview(); v; v = v->superview()) {
        if (auto* split = qobject_cast<WsSplitView*>(v)) {
            split->wsPutDividerAtMajCoord(0, float(width));
            split->setNeedsDisplay();
            break;
        }
    }
}

void CalendarSourceView::mouseUp(const kit::Event& event) {
    if (!resizing_) return kit::View::mouseUp(event);
    resizing_ = false;
    if (sibling_) sibling_->viewDidEndLiveResize();
}

// -- Menus and commands

void CalendarSourceView::addButton(QObject*) {
    if (kit::Menu* menu = contextMenuForAdd()) {
        const QPointF at = convertPointToView(QPointF(2, kBarHeight), nullptr);
        kit::Menu::popUpContextMenu(menu, kit::Event::mouseEvent(kit::EventType::LeftMouseDown, at),
                                    this);
    }
}

// The Add menu is the File menu's, so one builder serves both.
kit::Menu* CalendarSourceView::contextMenuForAdd() {
    MainWindowCtrl* window = MainWindowCtrl::sharedWinController();
    if (!window) return nullptr;
    window->updateAddMenuWithCalendarGroups();
    return window->addMenu();
}

kit::Menu* CalendarSourceView::contextMenuForModCal() {
    modCalMenu_ = std::make_unique<kit::Menu>();
    const int type = sources_ ? sources_->typeOfSelectedCalendar() : 0;
    QString key = QStringLiteral("csvCalModMenuInformation"), english = QStringLiteral("Information");
    if (type == 2) {
        key = QStringLiteral("csvCalModMenuManageHolidays");
        english = QStringLiteral("Manage Holidays...");
    } else if (type == 3) {
        key = QStringLiteral("csvCalModMenuManageBirthdays");
        english = QStringLiteral("Manage Birthdays...");
    }
    MainWindowCtrl* window = MainWindowCtrl::sharedWinController();
    QPointer<MainWindowCtrl> ctrl(window);
    addCommand(modCalMenu_.get(), key, english, [ctrl] {
        if (ctrl) ctrl->menuCommandInformation(nullptr);
    });
    addCommand(modCalMenu_.get(), QStringLiteral("csvCalModMenuEdit"), QStringLiteral("Edit..."),
               [ctrl] {
                   if (ctrl) ctrl->menuCommandEdit(nullptr);
               });
    return modCalMenu_.get();
}

kit::Menu* CalendarSourceView::contextMenuForModMrk() {
    modMrkMenu_ = std::make_unique<kit::Menu>();
    QPointer<MainWindowCtrl> ctrl(MainWindowCtrl::sharedWinController());
    addCommand(modMrkMenu_.get(), QStringLiteral("csvMrkModMenuEdit"), QStringLiteral("Edit..."),
               [ctrl] {
                   if (ctrl) ctrl->menuCommandEdit(nullptr);
               });
    QPointer<CalendarSourceView> self(this);
    addCommand(modMrkMenu_.get(), QStringLiteral("csvMrkModMenuFindOrphaned"),
               QStringLiteral("Find Orphaned Marks"), [self] {
                   if (self) self->cmiFindOrphanedMarks(nullptr);
               });
    return modMrkMenu_.get();
}

void CalendarSourceView::cmiNewCalendar(QObject* sender) {
    MainWindowCtrl* window = MainWindowCtrl::sharedWinController();
    if (!window || !sender) return;
    if (sender != window) {
        auto* item = qobject_cast<kit::MenuItem*>(sender);
        if (!item) return;
        const QString group = window->calendarGroupNameForMenuItem(item);
        if (group.isEmpty()) return;
        if (!sources_ || group != sources_->knownCalendarGroupNames().value(0)) {
            foundation::log(QStringLiteral("not yet supported: add calendar via CalDAV"));
            return;
        }
    }
    // Creating the calendar belongs to the calendar commands.
}

void CalendarSourceView::cmiNewMarker(QObject*) {
    // Creating the marker belongs to the marker commands.
}

void CalendarSourceView::cmiFindEvents(QObject*) {
    if (MainWindowCtrl* window = MainWindowCtrl::sharedWinController())
        window->menuCommandFind(this);
}

void CalendarSourceView::cmiFindOrphanedMarks(QObject*) {
    if (const auto& remove = MainWindowCtrl::services().removeOrphanedMarks) remove();
}
