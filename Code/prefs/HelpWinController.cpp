#include "prefs/HelpWinController.h"

#include "platform/foundation/Log.h"
#include "platform/kit/Button.h"
#include "platform/kit/HelpBrowser.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"

namespace {

HelpWinController* HWC_sharedWinController = nullptr;

constexpr double kWidth = 620;
constexpr double kHeight = 520;
constexpr double kBarHeight = 40;

}  // namespace

HelpWinController::HelpWinController() {
    if (!HWC_sharedWinController) HWC_sharedWinController = this;
}

HelpWinController::~HelpWinController() {
    if (HWC_sharedWinController == this) HWC_sharedWinController = nullptr;
}

HelpWinController* HelpWinController::sharedWinController() {
    if (!HWC_sharedWinController) new HelpWinController();
    return HWC_sharedWinController;
}

void HelpWinController::resetSharedWinControllerForTesting() {
    delete HWC_sharedWinController;
}

kit::Window* HelpWinController::loadWindow() {
    auto* panel = new kit::Window(QRectF(0, 0, kWidth, kHeight));
    panel->setTitle(QStringLiteral("Zolt Help"));
    kit::View* content = panel->contentView();
    auto navigation = [&](const QString& title, double x, const char* action) {
        auto* made = new kit::Button(QRectF(x, kHeight - kBarHeight + 6, 40, 28));
        made->setTitle(title);
        made->setTarget(this);
        made->setAction(action);
        made->setAutoresizingMask(kit::View::MinYMargin | kit::View::MaxXMargin);
        content->addSubview(made);
        return made;
    };
    gui_back = navigation(QStringLiteral("\u25C0"), 10, "goBack");
    gui_home = navigation(QStringLiteral("\u2302"), 52, "goHome");
    gui_forward = navigation(QStringLiteral("\u25B6"), 94, "goForward");
    gui_view = new kit::HelpBrowser(QRectF(0, 0, kWidth, kHeight - kBarHeight));
    gui_view->setAutoresizingMask(kit::View::WidthSizable | kit::View::HeightSizable);
    gui_view->setLoadFinishedHandler([this](kit::HelpBrowser*) { didFinishLoad(); });
    content->addSubview(gui_view);
    return panel;
}

void HelpWinController::showWindow(QObject*) {
    showWindowWithFile(kStartPage);
}

void HelpWinController::showWindowWithFile(const QString& page) {
    kit::Window* panel = window();
    if (!panel) return;
    gui_back->setEnabled(false);
    gui_forward->setEnabled(false);
    if (!gui_view->loadPageNamed(page))
        foundation::log(QStringLiteral("no help page \"%1\"").arg(page));
    panel->center();
    kit::WindowController::showWindow(nullptr);
}

void HelpWinController::goBack(QObject*) {
    if (gui_view) gui_view->goBack();
}

void HelpWinController::goHome(QObject*) {
    if (gui_view) gui_view->loadPageNamed(kStartPage);
}

void HelpWinController::goForward(QObject*) {
    if (gui_view) gui_view->goForward();
}

void HelpWinController::didFinishLoad() {
    if (!gui_view) return;
    gui_back->setEnabled(gui_view->canGoBack());
    gui_forward->setEnabled(gui_view->canGoForward());
}
