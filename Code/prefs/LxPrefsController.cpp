#include "prefs/LxPrefsController.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Alert.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/ToolbarItem.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "prefs/LxPrefPaneProtocol.h"
#include "prefs/PrefGeneral.h"
#include "prefs/PrefSources.h"
#include "prefs/PrefSync.h"
#include "prefs/PrefUpdate.h"
#include "prefs/PrefWeekView.h"
#include "prefs/PrefYearView.h"

#include <QApplication>

#include <limits>

namespace {
LxPrefsController* PWC_sharedWinController = nullptr;
constexpr double kUnlimited = std::numeric_limits<float>::max();
}  // namespace

LxPrefsController* LxPrefsController::sharedWinController() {
    if (!PWC_sharedWinController) PWC_sharedWinController = new LxPrefsController;
    return PWC_sharedWinController;
}

LxPrefsController* LxPrefsController::existingWinController() {
    return PWC_sharedWinController;
}

LxPrefsController::LxPrefsController() : LxPrefsController(nullptr) {
    registerBuiltInPanes();
}

LxPrefsController::LxPrefsController(std::nullptr_t) {
    foundation::NotificationCenter::defaultCenter().addObserver(
        this, PrefSync::kConfigurationReloaded, nullptr,
        [this](const foundation::Notification&) { configurationReloaded(); });
}

LxPrefsController::~LxPrefsController() {
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
    if (PWC_sharedWinController == this) PWC_sharedWinController = nullptr;
    destroyPreferencesWindow();
}

void LxPrefsController::registerBuiltInPanes() {
    for (auto make : {&PrefGeneral::preferencePanes, &PrefSources::preferencePanes,
                      &PrefYearView::preferencePanes, &PrefWeekView::preferencePanes,
                      &PrefSync::preferencePanes, &PrefUpdate::preferencePanes}) {
        auto panes = make();
        if (!panes.empty()) activatePaneForController(panes.front());
    }
}

void LxPrefsController::debugLog(const QString& message) const {
    if (debug_)
        foundation::log(QStringLiteral("[--- PREFERENCES DEBUG MESSAGE ---]\r%1\r\r").arg(message));
}

void LxPrefsController::activatePaneForController(std::shared_ptr<LxPrefPaneProtocol> pane) {
    if (!pane) return;
    const QString id = pane->paneID();
    panesOrder_.append(id);
    preferencePanes_[id] = std::move(pane);
}

QStringList LxPrefsController::loadedPanes() const {
    QStringList ids;
    for (const auto& [id, pane] : preferencePanes_) ids << id;
    return ids;
}

LxPrefPaneProtocol* LxPrefsController::paneWithID(const QString& paneID) const {
    auto it = preferencePanes_.find(paneID);
    return it == preferencePanes_.end() ? nullptr : it->second.get();
}

void LxPrefsController::setPanesOrder(const QStringList& order) {
    panesOrder_.clear();
    for (const QString& id : order) {
        if (paneWithID(id))
            panesOrder_.append(id);
        else
            debugLog(QStringLiteral("Can't add %1 to the order: there is no such pane").arg(id));
    }
    createPrefsToolbar();
}

void LxPrefsController::createPrefsToolbar() {
    std::vector<kit::ToolbarItem*> items;
    for (const QString& id : panesOrder_) {
        LxPrefPaneProtocol* pane = paneWithID(id);
        if (!pane) {
            debugLog(QStringLiteral("No pane for toolbar item %1").arg(id));
            continue;
        }
        auto* item = new kit::ToolbarItem(id);
        item->setPaletteLabel(id);
        item->setLabel(pane->paneName());
        if (const QString tip = pane->paneToolTip(); !tip.isEmpty()) item->setToolTip(tip);
        item->setImage(pane->paneIcon());
        item->setTarget(this);
        item->setAction("prefsToolbarItemClicked");
        items.push_back(item);
    }
    auto* toolbar = new kit::Toolbar(QApplication::applicationName() +
                                     QStringLiteral("_Preferences_Toolbar_Identifier"));
    toolbar->setDisplayMode(kit::Toolbar::DisplayMode::IconAndLabel);
    for (kit::ToolbarItem* item : items) toolbar->addItem(item);
    toolbar->setSelectableItemIdentifiers(panesOrder_);
    if (items.empty() || !prefsWindow_) {
        // No item keeps the window's toolbar; without a window there is nothing to show.
        delete toolbar;
        return;
    }
    if (items.size() > 1 || alwaysShowsToolbar_) {
        if (currentPane_) toolbar->setSelectedItemIdentifier(currentPane_->paneID());
        prefsWindow_->setToolbar(toolbar);
        prefsToolbar_ = toolbar;
    } else {
        debugLog(QStringLiteral("Only one pane: the window gets no toolbar"));
        prefsWindow_->setToolbar(nullptr);
        prefsToolbar_ = nullptr;
        delete toolbar;
    }
}

void LxPrefsController::showPreferencesWindow() {
    createPreferencesWindowAndDisplay(true);
}

void LxPrefsController::createPreferencesWindow() {
    createPreferencesWindowAndDisplay(true);
}

void LxPrefsController::createPreferencesWindowAndDisplay(bool display) {
    if (prefsWindow_) {
        if (alwaysOpensCentered_ && !prefsWindow_->isVisible()) prefsWindow_->center();
        prefsWindow_->makeKeyAndOrderFront();
        return;
    }
    prefsWindow_ =
        new kit::Window(QRectF(0, 0, 350, 200), kit::Window::Titled | kit::Window::Closable);
    prefsWindow_->setTitle(QStringLiteral("Preferences"));
    prefsWindow_->setDelegate(this);
    prefsWindow_->center();
    createPrefsToolbar();

    if (!panesOrder_.isEmpty())
        foundation::Defaults::standard().registerDefaults(
            {{kSelectedPaneKey, panesOrder_.first()}});

    const QString general = QStringLiteral("General");
    bool loaded = panesOrder_.contains(general) && loadPrefsPaneNamed(general, false);
    if (!loaded) {
        debugLog(QStringLiteral("Could not load the General pane"));
        for (const QString& id : panesOrder_) {
            if (id == general) continue;
            if ((loaded = loadPrefsPaneNamed(id, false))) break;
        }
    }
    if (!loaded) {
        debugLog(QStringLiteral("No pane could be loaded"));
        destroyPreferencesWindow();
        showNotAvailableAlert();
        return;
    }
    if (display) prefsWindow_->makeKeyAndOrderFront();
}

void LxPrefsController::showNotAvailableAlert() {
    kit::Alert alert;
    alert.setMessageText(QStringLiteral("Preferences"));
    alert.setInformativeText(foundation::formatLocalizedWith(
        QStringLiteral("Preferences are not available for %@."),
        foundation::Bundle::infoValue(QStringLiteral("CFBundleName")).toString()));
    alert.addButtonWithTitle(QStringLiteral("OK"));
    alert.runModal();
}

void LxPrefsController::destroyPreferencesWindow() {
    if (!prefsWindow_) return;
    kit::Window* window = prefsWindow_;
    prefsWindow_ = nullptr;
    // The panes keep their views for the next window.
    window->setDelegate(nullptr);
    if (isPaneView(window->contentView())) window->setContentView(new kit::View(QRectF()));
    currentPane_ = nullptr;
    delete window;
}

bool LxPrefsController::isPaneView(const kit::View* view) const {
    if (!view) return false;
    for (const auto& [id, pane] : preferencePanes_)
        if (pane->hasView() && pane->paneView() == view) return true;
    return false;
}

void LxPrefsController::dropTakenOut(kit::View* view) {
    // Pane views stay with their panes; the blank stand-ins go.
    if (view && !isPaneView(view)) view->deleteLater();
}

bool LxPrefsController::loadPrefsPaneNamed(const QString& paneID, bool display) {
    if (!prefsWindow_) {
        QApplication::beep();
        debugLog(QStringLiteral("The preferences window does not exist any more"));
        return false;
    }
    LxPrefPaneProtocol* pane = paneWithID(paneID);
    if (!pane) {
        debugLog(QStringLiteral("There is no pane %1").arg(paneID));
        return false;
    }
    kit::View* view = pane->paneView();
    if (!view) {
        debugLog(QStringLiteral("The view of pane %1 could not be loaded").arg(paneID));
        return false;
    }

    kit::Window* window = prefsWindow_;
    if (window->contentView() != view) {
        if (currentPane_) currentPane_->willClose();
    }
    currentPane_ = pane;

    kit::View* old = window->contentView();
    const QRectF oldContent = old ? old->frame() : window->contentRect();
    if (display && old != view) {
        // The old pane is gone while the window resizes.
        dropTakenOut(window->setContentView(new kit::View(oldContent)));
    }

    const QRectF f = window->frame();
    const double c = window->contentRect().height();
    const QRectF p = view->frame();
    // The top edge stays where it is: the window grows or shrinks at the bottom.
    const QRectF frame(f.x(), f.y() + (c - p.height()), p.width(), p.height() + (f.height() - c));

    pane->willShow();

    // The limits of the pane shown before must not hold the new frame back.
    window->setMinSize(QSizeF(0, 0));
    window->setMaxSize(QSizeF(kUnlimited, kUnlimited));
    window->setFrameDisplayAnimate(frame, display, display);
    dropTakenOut(window->setContentView(view));

    // Only the sizes a pane allows: the frame as it is now, and unlimited in the
    // directions the pane may grow.
    const QSizeF size = window->frame().size();
    window->setMinSize(size);
    window->setMaxSize(QSizeF(pane->allowsHorizontalResizing() ? kUnlimited : size.width(),
                              pane->allowsVerticalResizing() ? kUnlimited : size.height()));

    window->setTitle(pane->paneDescription());
    foundation::Defaults::standard().setObject(kSelectedPaneKey, paneID);
    if (kit::Toolbar* toolbar = window->toolbar()) toolbar->setSelectedItemIdentifier(paneID);

    pane->activated();
    return true;
}

void LxPrefsController::showPanes(const QStringList& order, const QString& paneID) {
    setPanesOrder(order);
    showPreferencesWindow();
    loadPrefsPaneNamed(paneID, true);
}

void LxPrefsController::configurationReloaded() {
    if (currentPane_ && currentPane_->gotLoaded()) currentPane_->willShow();
}

void LxPrefsController::prefsToolbarItemClicked(QObject* sender) {
    auto* item = qobject_cast<kit::ToolbarItem*>(sender);
    if (!item) return;
    // The pane shown keeps its edits.
    if (currentPane_ && currentPane_->paneID() == item->itemIdentifier()) return;
    loadPrefsPaneNamed(item->itemIdentifier(), true);
}

void LxPrefsController::windowWillClose(QObject*) {
    // Only the pane shown holds edits; the others were written when they were left.
    if (currentPane_) currentPane_->willClose();
}
