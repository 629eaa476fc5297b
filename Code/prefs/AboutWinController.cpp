#include "prefs/AboutWinController.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/kit/Button.h"
#include "platform/kit/Font.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Window.h"
#include "prefs/PrefUpdate.h"
#include "shell/AppDelegate.h"

#include <QRegularExpression>

namespace {

AboutWinController*& sharedInstance() {
    static AboutWinController* shared = nullptr;
    return shared;
}

}  // namespace

AboutWinController::AboutWinController() {
    if (!sharedInstance()) sharedInstance() = this;
}

AboutWinController::~AboutWinController() {
    if (foundation::Updater* u = updater(); u && u->delegate() == this) u->setDelegate(nullptr);
    if (sharedInstance() == this) sharedInstance() = nullptr;
    delete window();
}

AboutWinController* AboutWinController::sharedWinController() {
    if (!sharedInstance()) new AboutWinController;
    AboutWinController* shared = sharedInstance();
    shared->window();
    return shared;
}

void AboutWinController::resetSharedWinControllerForTesting() {
    delete sharedInstance();
}

foundation::Updater* AboutWinController::updater() {
    AppDelegate* app = AppDelegate::obj();
    return app ? app->sparkleUpdater : nullptr;
}

kit::Window* AboutWinController::loadWindow() {
    const double width = 420, height = 400;
    auto* window = new kit::Window(QRectF(0, 0, width, height));
    window->setTitle(
        foundation::localized(QStringLiteral("aboutWindowTitle"), QStringLiteral("About Zolt")));
    kit::View* content = window->contentView();

    auto* name = kit::TextField::labelWithString(QStringLiteral("Zolt"),
                                                 QRectF(20, height - 52, width - 40, 32));
    name->setTextFont(kit::Font::boldSystemFont(22));
    name->setAlignment(kit::TextAlignment::Center);
    content->addSubview(name);
    gui_version =
        kit::TextField::labelWithString(QString(), QRectF(20, height - 78, width - 40, 20));
    gui_version->setAlignment(kit::TextAlignment::Center);
    content->addSubview(gui_version);

    gui_scrollview = new kit::ScrollView(QRectF(20, 60, width - 40, height - 150));
    gui_scrollview->setHasVerticalScroller(true);
    gui_textview = new kit::TextView(QRectF(0, 0, width - 40, height - 150));
    gui_textview->setEditable(false);
    gui_textview->setSelectable(true);
    gui_scrollview->setDocumentView(gui_textview);
    content->addSubview(gui_scrollview);

    gui_checkUpdates = new kit::Button(QRectF(width - 200, 16, 180, 28));
    gui_checkUpdates->setTitle(foundation::localized(QStringLiteral("aboutCheckForUpdates"),
                                                     QStringLiteral("Check for Updates\u2026")));
    gui_checkUpdates->setActionHandler([this](QObject* s) { checkForUpdates(s); });
    content->addSubview(gui_checkUpdates);
    gui_progress = new kit::ProgressIndicator(QRectF(20, 24, 120, 12));
    gui_progress->setIndeterminate(true);
    content->addSubview(gui_progress);
    return window;
}

QString AboutWinController::stringFromVersionString(const QString& version) {
    // Reads "major.minor.build" from the start; reading stops at the first
    // part that does not fit, and what was not read counts as 0.
    static const QRegularExpression parts(QStringLiteral(R"(^\s*(\d+)(?:\.(\d+)(?:\.(\d+))?)?)"));
    int numbers[3] = {0, 0, 0};
    const auto match = parts.match(version);
    if (match.hasMatch())
        for (int i = 0; i < 3; ++i) numbers[i] = match.captured(i + 1).toInt();
    return QStringLiteral("%1.%2 (build %3)").arg(numbers[0]).arg(numbers[1]).arg(numbers[2]);
}

QString AboutWinController::stringFromMyDate(const MyDate& date) {
    const QVariantList languages =
        foundation::Defaults::standard().arrayForKey(QStringLiteral("AppleLanguages"));
    const bool english =
        !languages.isEmpty() && languages.first().toString() == QLatin1String("en");
    if (english)
        return QStringLiteral("%1/%2/%3")
            .arg(date.monthNum())
            .arg(date.dayNum())
            .arg(date.yearNum());
    return QStringLiteral("%1.%2.%3").arg(date.dayNum()).arg(date.monthNum()).arg(date.yearNum());
}

void AboutWinController::showWindow(QObject* sender) {
    kit::Window* w = window();
    if (!w) return;
    const MyDatePtr built = AppDelegate::appBuildDate();
    const QString dateText = built ? stringFromMyDate(*built) : QString();
    const QString versionText = stringFromVersionString(AppDelegate::appVersion());
    gui_version->setStringValue(foundation::formatLocalizedWith(
        foundation::localized(QStringLiteral("appVersionAndBuildDateTemplate"),
                              QStringLiteral("%@ - %@")),
        versionText, dateText));
    gui_progress->stopAnimation();
    gui_progress->setHidden(true);
    gui_textview->setHtml(QString::fromUtf8(
        foundation::Bundle::resourceData(QStringLiteral("Credits"), QStringLiteral("html"))));
    gui_scrollview->setScrollerStyle(kit::Scroller::Style::Overlay);
    w->center();
    kit::WindowController::showWindow(sender);
}

void AboutWinController::checkForUpdates(QObject*) {
    PrefUpdate::startUpdateCheck(gui_progress, this);
}

void AboutWinController::updaterDidFinishLoadingAppcast(foundation::Updater* u, const QByteArray&) {
    PrefUpdate::endUpdateCheck(gui_progress, u, this);
}
