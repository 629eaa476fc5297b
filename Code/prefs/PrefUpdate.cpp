#include "prefs/PrefUpdate.h"

#include "data/appPref.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/kit/Button.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/TextField.h"
#include "prefs/PrefPaneBuilder.h"
#include "shell/AppDelegate.h"

namespace {
const QString kAutoCheck = QStringLiteral("Auto Check Updates");
const QString kAutoDownload = QStringLiteral("Auto Download Updates");
const QString kInterval = QStringLiteral("Auto Check Interval");
constexpr qint64 kDay = 86400;
constexpr qint64 kWeek = 604800;
constexpr qint64 kMonth = 2629800;

// The twelve short month names, read once.
const QStringList& shortMonthNames() {
    static const QStringList names = [] {
        QStringList list;
        for (int m = 1; m <= 12; ++m)
            list << foundation::localized(QStringLiteral("shortMonthText%1").arg(m), QString());
        return list;
    }();
    return names;
}
}  // namespace

PrefUpdate::PrefUpdate()
    : LxPrefPaneProtocol({QStringLiteral("Updates"), QStringLiteral("PrefUpdate"),
                          QStringLiteral("prefPaneUpdateName"), QStringLiteral("Updates"),
                          QStringLiteral("prefPaneUpdateDescription"), QStringLiteral("Updates"),
                          QStringLiteral("prefPaneUpdateTooltip"), QStringLiteral("Updates"), false,
                          false}) {}

PrefUpdate::~PrefUpdate() {
    if (foundation::Updater* u = updater(); u && u->delegate() == this) u->setDelegate(nullptr);
}

std::vector<std::shared_ptr<LxPrefPaneProtocol>> PrefUpdate::preferencePanes() {
    return {std::make_shared<PrefUpdate>()};
}

qint64 PrefUpdate::normalizedInterval(qint64 seconds) {
    if (seconds <= kDay) return kDay;
    if (seconds <= kWeek) return kWeek;
    return kMonth;
}

QString PrefUpdate::stringFromDate(const MyDate& date) {
    const int month = date.monthNum();
    const QString name = month >= 1 && month <= 12 ? shortMonthNames().at(month - 1) : QString();
    return QStringLiteral("%1-%2-%3").arg(date.dayNum()).arg(name).arg(date.yearNum());
}

foundation::Updater* PrefUpdate::updater() {
    AppDelegate* app = AppDelegate::obj();
    return app ? app->sparkleUpdater : nullptr;
}

kit::View* PrefUpdate::makePaneView() {
    PrefPaneBuilder b(420);
    gui_autoCheck = b.checkbox(QStringLiteral("prefUpdateAutoCheck"),
                               QStringLiteral("Check for updates automatically"));
    gui_autoCheck->setActionHandler([this](QObject* s) { autoCheckChanged(s); });
    gui_frequency =
        b.popUp(QStringLiteral("prefUpdateFrequency"), QStringLiteral("Check:"),
                {{QStringLiteral("prefUpdateDaily"), QStringLiteral("Daily"), kDay},
                 {QStringLiteral("prefUpdateWeekly"), QStringLiteral("Weekly"), kWeek},
                 {QStringLiteral("prefUpdateMonthly"), QStringLiteral("Monthly"), kMonth}});
    gui_frequencyLabel = b.lastLabel();
    gui_frequency->setActionHandler([this](QObject* s) { frequencyChanged(s); });
    gui_autoDownload = b.checkbox(QStringLiteral("prefUpdateAutoDownload"),
                                  QStringLiteral("Download updates automatically"));
    gui_autoDownload->setActionHandler([this](QObject* s) { autoDownloadChanged(s); });
    b.gap(10);
    gui_checkNow = b.button(QStringLiteral("prefUpdateCheckNow"), QStringLiteral("Check Now"), 120);
    gui_checkNow->setActionHandler([this](QObject* s) { checkPressed(s); });
    gui_progress = new kit::ProgressIndicator;
    gui_progress->setIndeterminate(true);
    b.gap(4);
    gui_status = b.text(QStringLiteral("prefUpdateStatus"), QString());
    kit::View* view = b.finish();
    // The spinner sits beside the check button.
    const QRectF button = gui_checkNow->frame();
    gui_progress->setFrame(QRectF(button.x() + button.width() + 12, button.y() + 5, 120, 16));
    gui_progress->setAutoresizingMask(gui_checkNow->autoresizingMask());
    view->addSubview(gui_progress);
    return view;
}

void PrefUpdate::fillControls() {
    foundation::Updater* u = updater();
    const bool autoCheck = u && u->automaticallyChecksForUpdates();
    showState(gui_autoCheck, autoCheck);
    showState(gui_autoDownload, u && u->automaticallyDownloadsUpdates());
    showFrequency(autoCheck);
    const qint64 interval = normalizedInterval(u ? qint64(u->updateCheckInterval()) : kDay);
    gui_frequency->selectItemWithTag(int(interval));
    gui_progress->setHidden(true);
    const MyDatePtr built = AppDelegate::appBuildDate();
    gui_status->setStringValue(foundation::formatLocalizedWith(
        foundation::localized(QStringLiteral("prefPaneUpdateStatusLine"), QStringLiteral("%@, %@")),
        AppDelegate::appVersion(), built ? stringFromDate(*built) : QString()));
}

void PrefUpdate::storeAutoCheck() {
    appPref general = freshGroup(AppDelegate::kGeneral);
    general.setBoolForKey(isChecked(gui_autoCheck), kAutoCheck);
    storeGroup(AppDelegate::kGeneral, general);
}

void PrefUpdate::showFrequency(bool shown) {
    gui_frequency->setHidden(!shown);
    if (gui_frequencyLabel) gui_frequencyLabel->setHidden(!shown);
}

void PrefUpdate::autoCheckChanged(QObject*) {
    storeAutoCheck();
    const bool on = isChecked(gui_autoCheck);
    if (foundation::Updater* u = updater()) u->setAutomaticallyChecksForUpdates(on);
    showFrequency(on);
}

void PrefUpdate::autoDownloadChanged(QObject*) {
    appPref general = freshGroup(AppDelegate::kGeneral);
    const bool on = isChecked(gui_autoDownload);
    general.setBoolForKey(on, kAutoDownload);
    storeGroup(AppDelegate::kGeneral, general);
    if (foundation::Updater* u = updater()) u->setAutomaticallyDownloadsUpdates(on);
}

void PrefUpdate::frequencyChanged(QObject*) {
    const qint64 interval = normalizedInterval(gui_frequency->selectedTag());
    appPref general = freshGroup(AppDelegate::kGeneral);
    general.setIntForKey(int(interval), kInterval);
    storeGroup(AppDelegate::kGeneral, general);
    if (foundation::Updater* u = updater()) u->setUpdateCheckInterval(double(interval));
}

void PrefUpdate::startUpdateCheck(kit::ProgressIndicator* spinner,
                                  foundation::UpdaterDelegate* delegate) {
    spinner->setHidden(false);
    spinner->startAnimation();
    foundation::Updater* u = updater();
    if (!u) return;
    u->setDelegate(delegate);
    u->checkForUpdates();
}

void PrefUpdate::endUpdateCheck(kit::ProgressIndicator* spinner, foundation::Updater* u,
                                foundation::UpdaterDelegate* delegate) {
    if (spinner) {
        spinner->stopAnimation();
        spinner->setHidden(true);
    }
    if (u && u->delegate() == delegate) u->setDelegate(nullptr);
}

void PrefUpdate::checkPressed(QObject*) {
    startUpdateCheck(gui_progress, this);
}

void PrefUpdate::updaterDidFinishLoadingAppcast(foundation::Updater* u, const QByteArray&) {
    endUpdateCheck(gui_progress, u, this);
}

void PrefUpdate::writeBack() {
    storeAutoCheck();
}
