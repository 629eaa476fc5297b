#include "sources/CalendarSourceView.h"

#include "data/CalendarSources.h"
#include "data/SourceListOutline.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/kit/Button.h"
#include "platform/kit/Cursor.h"
#include "platform/kit/Event.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/ScrollView.h"
#include "shell/AppDelegate.h"
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
    scroll->setVerticalScroller(new CalendarSourceScroller(outline));
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

// The main split view around the column, whose first pane holds it.
WsSplitView* CalendarSourceView::mainSplitView() const {
    for (kit::View* v = superview(); v; v = v->superview())
        if (auto* split = qobject_cast<WsSplitView*>(v)) return split;
    return nullptr;
}

void CalendarSourceView::mouseDragged(const kit::Event& event) {
    if (!resizing_) return kit::View::mouseDragged(event);
    const double width = clampedWidth(startWidth_, event.locationInWindow().x() - pressX_);
    // The main split view's divider moves, so that the year area follows and
    // the saved position stays true.
    if (WsSplitView* split = mainSplitView()) {
        split->setSplitterPositionAnimate(float(width), false);
        split->wsRecalculateDividerRects();
        split->setNeedsDisplay();
    }
}

void CalendarSourceView::mouseUp(const kit::Event& event) {
    if (!resizing_) return kit::View::mouseUp(event);
    resizing_ = false;
    if (WsSplitView* split = mainSplitView())
        if (!split->positionAutosaveName().isEmpty())
            split->savePositionUsingName(split->positionAutosaveName());
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

// The calendar groups come from the File menu's builder, rebuilt on every
// opening; then the marker and the sources settings.
kit::Menu* CalendarSourceView::contextMenuForAdd() {
    if (!addMenu_) addMenu_ = std::make_unique<kit::Menu>();
    addMenu_->removeAllItems();
    MainWindowCtrl::addCalendarGroupItemsToMenu(addMenu_.get(), sources_.get(), this,
                                                "cmiNewCalendar");
    addMenu_->addItem(kit::MenuItem::separatorItem());
    QPointer<CalendarSourceView> self(this);
    addCommand(addMenu_.get(), QStringLiteral("csvAddMenuNewMarker"), QStringLiteral("New Marker"),
               [self] {
                   if (self) self->cmiNewMarker(nullptr);
               });
    addMenu_->addItem(kit::MenuItem::separatorItem());
    addCommand(addMenu_.get(), QStringLiteral("csvAddMenuEditSources"),
               QStringLiteral("Edit Sources..."), [self] {
                   if (self) self->cmiEditSources(nullptr);
               });
    return addMenu_.get();
}

// Each item stands for the row the menu was opened on, by its UID; a command
// selects that row again (the selection may have moved meanwhile) and acts on
// it.
kit::MenuItem* CalendarSourceView::addRowCommand(kit::Menu* menu, const QString& key,
                                                 const QString& english, const QString& uid,
                                                 void (CalendarSources::*command)()) {
    std::weak_ptr<CalendarSources> weak = sources_;
    kit::MenuItem* item = addCommand(menu, key, english, [weak, uid, command] {
        const std::shared_ptr<CalendarSources> sources = weak.lock();
        if (!sources) return;
        SourceListItemPtr row = sources->calendarWithUID(uid);
        if (!row) row = sources->markerWithUID(uid);
        if (!row) return;
        sources->ensureCalendarIsSelected(row);
        // A row out of sight (its group closed) cannot be selected: then the
        // command must not fall on another row.
        SourceListOutline* list = sources->outlineView();
        if (!list || list->itemAtRow(list->selectedRow()) != row) return;
        ((*sources).*command)();
    });
    item->setRepresentedObject(uid);
    return item;
}

kit::Menu* CalendarSourceView::contextMenuForModCal() {
    modCalMenu_ = std::make_unique<kit::Menu>();
    const CalendarPtr calendar = sources_ ? sources_->selectedCalendar() : nullptr;
    if (!calendar) return modCalMenu_.get();
    QString key = QStringLiteral("csvCalModMenuInformation"),
            english = QStringLiteral("Information");
    if (calendar->calendarType() == Calendar::kTypeHoliday) {
        key = QStringLiteral("csvCalModMenuManageHolidays");
        english = QStringLiteral("Manage Holidays...");
    } else if (calendar->calendarType() == Calendar::kTypeBirthday) {
        key = QStringLiteral("csvCalModMenuManageBirthdays");
        english = QStringLiteral("Manage Birthdays...");
    }
    kit::Menu* menu = modCalMenu_.get();
    const QString uid = calendar->uid();
    addRowCommand(menu, key, english, uid, &CalendarSources::showInformation);
    addRowCommand(menu, QStringLiteral("csvCalModMenuEdit"), QStringLiteral("Edit..."), uid,
                  &CalendarSources::entryEdit);
    menu->insertItemAtIndex(kit::MenuItem::separatorItem(), 2);
    addRowCommand(menu, QStringLiteral("csvCalModMenuPurge"), QStringLiteral("Purge Events..."),
                  uid, &CalendarSources::purgeEvents);
    addRowCommand(menu, QStringLiteral("csvCalModMenuDelete"), QStringLiteral("Delete..."), uid,
                  &CalendarSources::deleteEntry);
    return menu;
}

kit::Menu* CalendarSourceView::contextMenuForModMrk() {
    modMrkMenu_ = std::make_unique<kit::Menu>();
    kit::Menu* menu = modMrkMenu_.get();
    const SourceListItemPtr selected =
        sources_ && sources_->outlineView()
            ? sources_->outlineView()->itemAtRow(sources_->outlineView()->selectedRow())
            : nullptr;
    const EMarkerPtr marker = sourceItemAs<EMarker>(selected);
    if (!marker) return menu;
    const QString uid = marker->uID();
    addRowCommand(menu, QStringLiteral("csvMrkModMenuInformation"), QStringLiteral("Information"),
                  uid, &CalendarSources::showInformation);
    addRowCommand(menu, QStringLiteral("csvMrkModMenuEdit"), QStringLiteral("Edit..."), uid,
                  &CalendarSources::entryEdit);
    menu->addItem(kit::MenuItem::separatorItem());
    addRowCommand(menu, QStringLiteral("csvMrkModMenuDelete"), QStringLiteral("Delete..."), uid,
                  &CalendarSources::deleteEntry);
    menu->addItem(kit::MenuItem::separatorItem());
    QPointer<CalendarSourceView> self(this);
    addCommand(menu, QStringLiteral("csvMrkModMenuFindOrphaned"),
               QStringLiteral("Find Orphaned Marks"), [self] {
                   if (self) self->cmiFindOrphanedMarks(nullptr);
               });
    return menu;
}

void CalendarSourceView::cmiNewCalendar(QObject* sender) {
    if (!sender || !sources_) return;
    if (sender != MainWindowCtrl::existingWinController()) {
        auto* item = qobject_cast<kit::MenuItem*>(sender);
        if (!item) return;
        const QString group = MainWindowCtrl::calendarGroupNameForMenuItem(item);
        if (group.isEmpty()) return;
        if (group != sources_->knownCalendarGroupNames().value(0)) {
            foundation::log(QStringLiteral("not yet supported: add calendar via CalDAV"));
            return;
        }
    }
    sources_->newCalendar();
}

void CalendarSourceView::cmiNewMarker(QObject*) {
    if (sources_) sources_->newMarker();
}

void CalendarSourceView::cmiEditSources(QObject*) {
    AppDelegate* app = AppDelegate::obj();
    if (!app) return;
    if (const auto& show = app->services().showPreferences)
        show({QStringLiteral("Sources")}, QStringLiteral("Sources"));
}

void CalendarSourceView::cmiFindEvents(QObject*) {
    if (MainWindowCtrl* window = MainWindowCtrl::sharedWinController())
        window->menuCommandFind(this);
}

void CalendarSourceView::cmiFindOrphanedMarks(QObject*) {
    if (const auto& remove = MainWindowCtrl::services().removeOrphanedMarks) remove();
}

// Information and Edit of the main window's menu and toolbar, with a row
// selected (this view is then the focus controller). Without one the focus is
// cleared.
bool CalendarSourceView::focusHasRow() const {
    if (sources_ && sources_->outlineView() && sources_->outlineView()->selectedRow() >= 0)
        return true;
    if (MainWindowCtrl* window = MainWindowCtrl::existingWinController())
        window->setCurrentGlobalObjectWithController(QVariant(), nullptr);
    return false;
}

void CalendarSourceView::menuCommandInformation(QObject*) {
    if (focusHasRow()) sources_->showInformation();
}

void CalendarSourceView::menuCommandEdit(QObject*) {
    if (focusHasRow()) sources_->entryEdit();
}
