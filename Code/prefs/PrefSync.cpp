#include "prefs/PrefSync.h"

#include "platform/foundation/Defaults.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"
#include "platform/kit/Alert.h"
#include "platform/kit/Button.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/OpenPanel.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TextField.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "prefs/PrefPaneBuilder.h"
#include "prefs/PrefsRefresh.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

using foundation::Defaults;
using foundation::localized;

namespace {
// Lives to the end of the process: its views must not outlive the application
// object in a destructor run at exit.
std::shared_ptr<PrefSync>* PSY_sharedPrefSync = nullptr;
}  // namespace

PrefSync::PrefSync()
    : LxPrefPaneProtocol({QStringLiteral("Sync"), QStringLiteral("PrefSync"),
                          QStringLiteral("prefPaneSyncName"), QStringLiteral("Pref Sync"),
                          QStringLiteral("prefPaneSyncDescription"), QStringLiteral("Pref Sync"),
                          QStringLiteral("prefPaneSyncTooltip"), QStringLiteral("PrefSync"), false,
                          false}) {}

PrefSync::~PrefSync() {
    delete gui_askToLoadPanel.data();
    delete gui_cantReadPanel.data();
}

std::vector<std::shared_ptr<LxPrefPaneProtocol>> PrefSync::preferencePanes() {
    if (!PSY_sharedPrefSync)
        PSY_sharedPrefSync = new std::shared_ptr<PrefSync>(std::make_shared<PrefSync>());
    return {*PSY_sharedPrefSync};
}

PrefSync* PrefSync::shared() {
    return static_cast<PrefSync*>(preferencePanes().front().get());
}

// -- Names and the validity test

QString PrefSync::findUniqueFilenameAtURL(const QString& folder) {
    const QDir dir(folder);
    QString candidate = dir.filePath(kBaseName + QLatin1Char('.') + kExtension);
    for (int n = 1; QFileInfo::exists(candidate); ++n)
        candidate = dir.filePath(QStringLiteral("%1-%2.%3").arg(kBaseName).arg(n).arg(kExtension));
    return QDir::cleanPath(candidate);
}

QString PrefSync::configPathForChosenFile(const QString& path) {
    if (path.isEmpty()) return path;
    return QFileInfo(path).suffix() == kExtension ? path : path + QLatin1Char('.') + kExtension;
}

bool PrefSync::checkAndTryToRead(const QString& path) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path)) return false;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) return false;
    if (!info.isReadable()) return false;
    if (info.suffix() != kExtension) return false;
    const QVariant config = foundation::PropertyList::readFile(path);
    AppDelegate* app = AppDelegate::obj();
    const bool matches = config.typeId() == QMetaType::QVariantMap && app &&
                         app->versionMatchesApplication(
                             config.toMap().value(AppDelegate::kApplicationVersion).toString());
    if (!matches)
        foundation::log(
            QStringLiteral("ERROR: external config file not in correct format or does "
                           "not match current Zolt version!"));
    return matches;
}

// -- The pane

kit::View* PrefSync::makePaneView() {
    PrefPaneBuilder b(480);
    gui_synciCloud = b.checkbox(QStringLiteral("prefSyncCloud"),
                                QStringLiteral("Share the configuration through the cloud folder"));
    gui_synciCloud->setActionHandler([this](QObject* s) { changediCloud(s); });
    b.gap(8);
    gui_syncExternally = b.checkbox(QStringLiteral("prefSyncExternally"),
                                    QStringLiteral("Keep calendars and markers in a shared file"));
    gui_allConf = b.checkbox(QStringLiteral("prefSyncAll"),
                             QStringLiteral("Share all settings, not only calendars and markers"));
    gui_detectFileChanges = b.checkbox(QStringLiteral("prefSyncLive"),
                                       QStringLiteral("Load the file again when it changes"));
    b.gap(4);
    b.text(QStringLiteral("prefSyncFileLabel"), QStringLiteral("Configuration file:"), 20);
    gui_filePath = b.field(440);
    gui_filePath->setEditable(false);
    gui_browse = b.button(QStringLiteral("prefSyncBrowse"), QStringLiteral("Choose…"), 110);
    gui_browse->setActionHandler([this](QObject* s) { browsePressed(s); });
    gui_createNotice =
        b.text(QStringLiteral("prefSyncCreateNotice"),
               QStringLiteral("The new file is written when Zolt next saves its settings."), 36);
    return b.finish();
}

void PrefSync::enableFileControls() {
    const bool fileAllowed = !isChecked(gui_synciCloud);
    for (kit::Control* control : {static_cast<kit::Control*>(gui_syncExternally.data()),
                                  static_cast<kit::Control*>(gui_filePath.data()),
                                  static_cast<kit::Control*>(gui_browse.data()),
                                  static_cast<kit::Control*>(gui_detectFileChanges.data())})
        control->setEnabled(fileAllowed);
}

void PrefSync::fillControls() {
    Defaults& defaults = Defaults::standard();
    gui_createNotice->setHidden(true);
    showState(gui_synciCloud, defaults.boolForKey(AppDelegate::kUseICloudConfig));
    showState(gui_syncExternally, defaults.boolForKey(AppDelegate::kUseExternalMarkerConfig));
    showState(gui_allConf, defaults.boolForKey(AppDelegate::kUseExternalConfig));
    showState(gui_detectFileChanges, defaults.boolForKey(AppDelegate::kLiveUpdate));
    gui_filePath->setStringValue(defaults.stringForKey(AppDelegate::kExternalConfigurationFile));
    enableFileControls();
}

void PrefSync::writeBack() {
    Defaults& defaults = Defaults::standard();
    defaults.setBool(AppDelegate::kUseICloudConfig, isChecked(gui_synciCloud));
    defaults.setBool(AppDelegate::kUseExternalMarkerConfig, isChecked(gui_syncExternally));
    defaults.setBool(AppDelegate::kUseExternalConfig, isChecked(gui_allConf));
    defaults.setObject(AppDelegate::kExternalConfigurationFile, gui_filePath->stringValue());
    defaults.setBool(AppDelegate::kLiveUpdate, isChecked(gui_detectFileChanges));
}

void PrefSync::changediCloud(QObject*) {
    enableFileControls();
}

kit::Window* PrefSync::prefsWindow() const {
    return prefView() ? prefView()->window() : nullptr;
}

// -- Choosing the file

void PrefSync::browsePressed(QObject*) {
    const QString current = gui_filePath->stringValue();
    const QFileInfo info(current);
    createNewFileMode = false;

    auto* open = new kit::OpenPanel;
    open->setCanCreateDirectories(true);
    open->setCanChooseDirectories(false);
    open->setShowsHiddenFiles(false);
    open->setAllowsMultipleSelection(false);
    open->setAllowedFileTypes({kExtension});
    auto* accessory = new kit::View(QRectF(0, 0, 400, 40));
    auto* newFile = new kit::Button(QRectF(10, 6, 160, 28), kit::Button::Type::Push);
    newFile->setTitle(localized(QStringLiteral("prefSyncNewFile"), QStringLiteral("New File")));
    newFile->setActionHandler([this](QObject* s) { createNewFile(s); });
    accessory->addSubview(newFile);
    open->setAccessoryView(accessory);
    open->setNameFieldLabel(
        localized(QStringLiteral("prefPaneSyncNameFieldLabel"), QStringLiteral("Target:")));
    open->setMessage(localized(QStringLiteral("prefPaneSyncMessage"),
                               QStringLiteral("Set secondary configuration file")));
    open->setPrompt(localized(QStringLiteral("prefPaneSyncPrompt"), QStringLiteral("Apply")));
    if (!current.isEmpty()) {
        open->setDirectory(info.absolutePath());
        if (!info.fileName().isEmpty()) open->setNameFieldStringValue(info.fileName());
    }
    panel = open;
    const bool begun = open->beginSheetModalForWindow(prefsWindow(), [this, open](int response) {
        if (response == kit::ModalSession::OK) apply();
        open->deleteLater();
    });
    if (!begun) open->deleteLater();
}

void PrefSync::createNewFile(QObject*) {
    createNewFileMode = true;
    if (panel) panel->ok();
}

void PrefSync::apply() {
    if (!panel) return;
    Defaults& defaults = Defaults::standard();
    if (createNewFileMode) {
        const QString path = findUniqueFilenameAtURL(panel->directory());
        gui_filePath->setStringValue(path);
        gui_createNotice->setHidden(false);
        defaults.setObject(AppDelegate::kExternalConfigurationFile, path);
        return;
    }
    const QString path = configPathForChosenFile(panel->path());
    const bool readable = checkAndTryToRead(path);
    // A file that cannot serve keeps the file in use as it was.
    if (readable) {
        gui_filePath->setStringValue(path);
        defaults.setObject(AppDelegate::kExternalConfigurationFile, path);
    }
    // After the file panel's sheet has gone, so that the two never overlap.
    QTimer::singleShot(kSheetDelayMs, this, [this, readable] {
        if (readable)
            askRead();
        else
            cantRead();
    });
}

// -- The sheets

void PrefSync::showAskSheet(const QString& text, kit::Window* window) {
    auto* alert = new kit::Alert;
    alert->setMessageText(localized(QStringLiteral("prefSyncAskTitle"),
                                    QStringLiteral("Load the configuration file?")));
    alert->setInformativeText(text);
    alert->addButtonWithTitle(localized(QStringLiteral("prefSyncLoad"), QStringLiteral("Load")));
    alert->addButtonWithTitle(
        localized(QStringLiteral("prefSyncCancel"), QStringLiteral("Cancel")));
    gui_askToLoadPanel = alert;
    const bool begun = alert->beginSheetModalForWindow(window, [this, alert](int answer) {
        alert->deleteLater();
        if (gui_askToLoadPanel == alert) gui_askToLoadPanel = nullptr;
        if (answer == kit::Alert::FirstButtonReturn) okRead(nullptr);
    });
    if (!begun) delete alert;
}

void PrefSync::endAlert(QPointer<kit::Alert>& alert) {
    if (!alert) return;
    if (kit::Panel* sheet = alert->window(); kit::Sheet::sheetParent(sheet))
        kit::Sheet::endSheet(sheet, kit::Alert::SecondButtonReturn);
    alert = nullptr;
}

void PrefSync::askRead() {
    showAskSheet(localized(QStringLiteral("prefPaneSyncAskToLoadUser")), prefsWindow());
}

void PrefSync::cantRead() {
    auto* alert = new kit::Alert;
    alert->setMessageText(localized(QStringLiteral("prefSyncCantReadTitle"),
                                    QStringLiteral("The file cannot be used")));
    alert->setInformativeText(localized(QStringLiteral("prefSyncCantReadText")));
    alert->addButtonWithTitle(
        localized(QStringLiteral("prefSyncUnderstood"), QStringLiteral("OK")));
    gui_cantReadPanel = alert;
    const bool begun = alert->beginSheetModalForWindow(prefsWindow(), [this, alert](int) {
        alert->deleteLater();
        if (gui_cantReadPanel == alert) gui_cantReadPanel = nullptr;
    });
    if (!begun) delete alert;
}

void PrefSync::understoodCantRead(QObject*) {
    endAlert(gui_cantReadPanel);
}

void PrefSync::cancelRead(QObject*) {
    endAlert(gui_askToLoadPanel);
}

void PrefSync::okRead(QObject*) {
    // The sync choices on screen go first; a pane not shown holds old values.
    if (kit::Window* window = prefsWindow(); window && window->isVisible()) willClose();
    if (AppDelegate* app = AppDelegate::obj()) app->loadPreferences();
    PrefsRefresh::eventEditorUpdatePreferences();
    PrefsRefresh::weekdayViewUpdatePreferences();
    PrefsRefresh::yearViewCellUpdatePreferences();
    PrefsRefresh::dayPopupUpdatePreferences();
    PrefsRefresh::updateAndRedrawWeekView();
    PrefsRefresh::redisplayYearView(true);
    // What was just read must not be overwritten by a pane filled before.
    foundation::NotificationCenter::defaultCenter().post(kConfigurationReloaded, this);
    if (hasView()) fillControls();
    endAlert(gui_askToLoadPanel);
}

void PrefSync::externalConfigChanged() {
    paneView();
    MainWindowCtrl* main = MainWindowCtrl::existingWinController();
    kit::Window* window = main ? main->window() : nullptr;
    if (!window) return;
    if (gui_askToLoadPanel || externalAskPending_) return;  // one question at a time
    if (kit::Sheet::attachedSheet(window)) {
        // Another sheet is up: ask once it has gone.
        externalAskPending_ = true;
        QTimer::singleShot(kBusyRetryMs, this, [this] {
            externalAskPending_ = false;
            externalConfigChanged();
        });
        return;
    }
    showAskSheet(localized(QStringLiteral("prefPaneSyncAskToLoadAuto")), window);
}
