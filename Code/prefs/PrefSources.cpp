#include "prefs/PrefSources.h"

#include "data/CalendarSources.h"
#include "data/MyEventStore.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/kit/Button.h"
#include "platform/kit/Image.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TableColumn.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "prefs/CalSourceInfoView.h"

using foundation::localized;

namespace {

constexpr int kLocalGroupType = 2;
constexpr double kPaneWidth = 560.0;
constexpr double kPaneHeight = 390.0;

PrefSources::GroupSource& groupSource() {
    static PrefSources::GroupSource source;
    return source;
}

QString unknown() {
    return QStringLiteral("unknown");
}

bool isLocal(const MyStoreGroupPtr& group) {
    return group && group->groupType() == kLocalGroupType;
}

// A cloud kind's domain suffix; an empty one matches no address.
bool principalContains(const MyStoreGroupPtr& group, const QString& suffixKey) {
    const QString suffix = foundation::Bundle::infoValue(suffixKey).toString();
    if (suffix.isEmpty()) return false;
    return group->principalURL().toString().contains(suffix, Qt::CaseInsensitive);
}

kit::TextField* label(kit::View* in, const QString& key, const QString& fallback,
                      const QRectF& frame) {
    auto* field = kit::TextField::labelWithString(localized(key, fallback), frame);
    in->addSubview(field);
    return field;
}

kit::TextField* editField(kit::View* in, const QRectF& frame, QObject* delegate) {
    auto* field = new kit::TextField(frame);
    field->setDelegate(delegate);
    in->addSubview(field);
    return field;
}

}  // namespace

PrefSources::PrefSources()
    : LxPrefPaneProtocol({QStringLiteral("Sources"), QStringLiteral("PrefSources"),
                          QStringLiteral("prefPaneCalSourceName"), QStringLiteral("Sources"),
                          QStringLiteral("prefPaneCalSourceDescription"),
                          QStringLiteral("Calendar Sources Preferences"),
                          QStringLiteral("prefPaneCalSourceTooltip"),
                          QStringLiteral("Calendar Sources and Accounts"), false, true}) {}

PrefSources::~PrefSources() {
    if (connectorIsRunning_ && activeConf)
        CalendarSources::killServerConfigCheck(activeConf->toMap());
    if (gui_sourcesList) {
        gui_sourcesList->setDataSource(nullptr);
        gui_sourcesList->setDelegate(nullptr);
    }
    delete gui_configSheet;
}

std::vector<std::shared_ptr<LxPrefPaneProtocol>> PrefSources::preferencePanes() {
    return {std::make_shared<PrefSources>()};
}

void PrefSources::setGroupSourceForTesting(GroupSource source) {
    groupSource() = std::move(source);
}

// -- The pane

kit::View* PrefSources::makePaneView() {
    auto* view = new kit::View(QRectF(0, 0, kPaneWidth, kPaneHeight));
    const unsigned top = kit::View::MinYMargin;

    gui_sourcesScrollView = new kit::ScrollView(QRectF(20, 84, 180, kPaneHeight - 104));
    gui_sourcesScrollView->setHasVerticalScroller(true);
    gui_sourcesScrollView->setAutoresizingMask(kit::View::HeightSizable);
    gui_sourcesList = new kit::TableView(QRectF(0, 0, 180, kPaneHeight - 104));
    gui_sourcesList->addTableColumn(QStringLiteral("source"), 176);
    gui_sourcesList->setRowHeight(20);
    gui_sourcesList->setDataSource(this);
    gui_sourcesList->setDelegate(this);
    gui_sourcesScrollView->setDocumentView(gui_sourcesList);
    view->addSubview(gui_sourcesScrollView);

    auto button = [&](const QString& key, const QString& fallback, const QRectF& frame) {
        auto* b = new kit::Button(frame);
        b->setTitle(localized(key, fallback));
        view->addSubview(b);
        return b;
    };
    gui_addSource =
        button(QStringLiteral("prefPaneCalSourceAdd"), QStringLiteral("+"), QRectF(20, 52, 40, 26));
    gui_addSource->setActionHandler([this](QObject* s) { addSource(s); });
    gui_removeSource = button(QStringLiteral("prefPaneCalSourceRemove"), QStringLiteral("\u2212"),
                              QRectF(62, 52, 40, 26));
    gui_removeSource->setActionHandler([this](QObject* s) { removeSource(s); });
    gui_editSource = button(QStringLiteral("prefPaneCalSourceEdit"), QStringLiteral("Edit"),
                            QRectF(104, 52, 96, 26));
    gui_editSource->setActionHandler([this](QObject* s) { editSource(s); });
    gui_checkServer = button(QStringLiteral("prefPaneCalSourceCheckServer"),
                             QStringLiteral("Check Server\u2026"), QRectF(400, 52, 140, 26));
    gui_checkServer->setActionHandler([this](QObject*) { openConfigSheetForNewSource(); });

    gui_noticeIcon = new kit::ImageView(QRectF(20, 16, 20, 20));
    gui_noticeIcon->setImage(kit::Image::named(QStringLiteral("EventWarning")));
    view->addSubview(gui_noticeIcon);
    gui_notice = label(view, QStringLiteral("prefPaneCalSourceNotSupported"),
                       QStringLiteral("Adding, removing and editing calendar sources is not "
                                      "supported here; use your calendar server's own tools."),
                       QRectF(46, 8, 494, 36));
    gui_notice->setWraps(true);

    gui_infoView = new CalSourceInfoView(QRectF(212, kPaneHeight - 240, 328, 220));
    gui_infoView->setAutoresizingMask(top);
    view->addSubview(gui_infoView);
    gui_sourceIcon = new kit::ImageView(QRectF(280, 184, 32, 32));
    gui_infoView->addSubview(gui_sourceIcon);
    const double labelX = 18, labelW = 96, valueX = 118, valueW = 205;
    auto row = [&](double y, const QString& key, const QString& fallback, kit::TextField** lbl,
                   kit::TextField** value) {
        *lbl = label(gui_infoView, key, fallback, QRectF(labelX, y, labelW, 20));
        (*lbl)->setAlignment(kit::TextAlignment::Right);
        *value = label(gui_infoView, QString(), QString(), QRectF(valueX, y, valueW, 20));
    };
    kit::TextField *l = nullptr, *v = nullptr;
    row(146, QStringLiteral("prefPaneCalSourceTypeLabel"), QStringLiteral("Type:"), &l, &v);
    gui_typeLabel = l, gui_typeStr = v;
    row(122, QStringLiteral("prefPaneCalSourceUserLabel"), QStringLiteral("User:"), &l, &v);
    gui_userLabel = l, gui_userStr = v;
    row(98, QStringLiteral("prefPaneCalSourceServerLabel"), QStringLiteral("Server:"), &l, &v);
    gui_serverLabel = l, gui_serverStr = v;
    row(74, QStringLiteral("prefPaneCalSourceURLLabel"), QStringLiteral("Calendars:"), &l, &v);
    gui_urlLabel = l, gui_urlStr = v;
    gui_configuredLabel = label(gui_infoView, QString(), QString(), QRectF(18, 8, 305, 56));
    gui_configuredLabel->setWraps(true);
    return view;
}

void PrefSources::fillControls() {
    gotEditNotSupportedMessage = false;
    gui_notice->setHidden(true);
    gui_noticeIcon->setHidden(true);
    for (kit::Button* b : {gui_addSource.data(), gui_removeSource.data(), gui_editSource.data()})
        b->setEnabled(true);
    gui_infoView->setHidden(true);
    getConfiguredCalSources();
    gui_sourcesList->reloadData();
    gui_sourcesList->deselectAll();
    tableViewSelectionDidChange(gui_sourcesList);
}

void PrefSources::activated() {
    if (!gui_sourcesList) return;
    if (kit::Window* w = gui_sourcesList->window()) w->makeFirstResponder(gui_sourcesList);
    gui_infoView->setHidden(gui_infoView->title().isEmpty());
    gui_infoView->display();
}

void PrefSources::writeBack() {
    // Nothing is stored here; the rows are read afresh the next time.
    calSources_.reset();
}

void PrefSources::getConfiguredCalSources() {
    if (calSources_) return;
    QList<MyStoreGroupPtr> rows;
    const QString localName =
        localized(QStringLiteral("csCalendarGroupNameLocal"), QStringLiteral("Local"));
    auto local = std::make_shared<MyStoreGroup>(QString(), localName);
    local->setGroupType(kLocalGroupType);
    local->setTitle(localName);
    rows << local;
    const auto groups = groupSource() ? groupSource()() : MyEventStore::groups();
    if (groups)
        for (const MyStoreGroupPtr& group : *groups)
            if (group && !group->serverURL().isEmpty()) rows << group;
    calSources_ = rows;
}

void PrefSources::notSupported(kit::Button* button) {
    gui_notice->setHidden(false);
    gui_noticeIcon->setHidden(false);
    button->setEnabled(false);
    gotEditNotSupportedMessage = true;
}

void PrefSources::addSource(QObject*) {
    notSupported(gui_addSource);
}
void PrefSources::removeSource(QObject*) {
    notSupported(gui_removeSource);
}
void PrefSources::editSource(QObject*) {
    notSupported(gui_editSource);
}

// -- Rows and the information area

int PrefSources::numberOfRowsInTableView(kit::TableView*) {
    return calSources_ ? int(calSources_->size()) : 0;
}

QVariant PrefSources::tableViewObjectValueForTableColumnRow(kit::TableView*, kit::TableColumn*,
                                                            int row) {
    if (!calSources_ || row < 0 || row >= calSources_->size()) return QVariant();
    return calSources_->at(row)->title();
}

QString PrefSources::imgFileNameForGroup(const MyStoreGroupPtr& group) {
    if (isLocal(group)) return QStringLiteral("SourceLocal");
    if (group && principalContains(group, QStringLiteral("ZoltOlderCloudCalendarDomain")))
        return QStringLiteral("SourceMobileMe");
    if (group && principalContains(group, QStringLiteral("ZoltCloudCalendarDomain")))
        return QStringLiteral("SourceiCloud");
    return QStringLiteral("SourceCaldav");
}

QString PrefSources::typeStringForGroup(const MyStoreGroupPtr& group) {
    static const QHash<QString, QString> keys = {
        {QStringLiteral("SourceLocal"), QStringLiteral("prefPaneCalSourceTypeLocal")},
        {QStringLiteral("SourceMobileMe"), QStringLiteral("prefPaneCalSourceTypeMobileMe")},
        {QStringLiteral("SourceiCloud"), QStringLiteral("prefPaneCalSourceTypeICloud")},
        {QStringLiteral("SourceCaldav"), QStringLiteral("prefPaneCalSourceTypeCaldav")},
    };
    return localized(
        keys.value(imgFileNameForGroup(group), QStringLiteral("prefPaneCalSourceTypeUnknown")),
        unknown());
}

QImage PrefSources::imageForGroup(const MyStoreGroupPtr& group) {
    return kit::Image::named(imgFileNameForGroup(group));
}

QString PrefSources::serverForGroup(const MyStoreGroupPtr& group) {
    const QUrl principal = group ? group->principalURL() : QUrl();
    if (principal.isEmpty())
        return localized(QStringLiteral("prefPaneCalSourceUnknownServer"), unknown());
    return principal.host();
}

QString PrefSources::configNoticeForLocal(bool local) {
    return localized(local ? QStringLiteral("prefPaneCalSourceConfigLocal")
                           : QStringLiteral("prefPaneCalSourceConfigiCal"),
                     unknown());
}

void PrefSources::tableViewSelectionDidChange(kit::TableView* table) {
    const int row = table ? table->selectedRow() : -1;
    if (!calSources_ || row < 0 || row >= calSources_->size()) {
        gui_infoView->setTitle(QString());
        gui_infoView->setHidden(true);
        gui_removeSource->setEnabled(false);
        gui_editSource->setEnabled(false);
        gui_infoView->setNeedsDisplay(true);
        return;
    }
    const MyStoreGroupPtr group = calSources_->at(row);
    const bool local = isLocal(group);
    const QString name = local ? group->type() : group->title();
    QString user, server;
    if (local) {
        user = foundation::SystemInfo::fullUserName();
        QString host = foundation::SystemInfo::localHostName();
        if (host.isEmpty()) host = unknown();
        server = host + QStringLiteral(".local");
    } else {
        user = group->fullName();
        server = serverForGroup(group);
        gui_urlStr->setStringValue(group->calendarHomePath());
        gui_configuredLabel->setStringValue(configNoticeForLocal(false));
    }
    gui_urlLabel->setHidden(local);
    gui_urlStr->setHidden(local);
    gui_configuredLabel->setHidden(local);
    gui_infoView->setTitle(name);
    gui_infoView->setHidden(false);
    gui_sourceIcon->setImage(imageForGroup(group));
    for (kit::TextField* f : {gui_typeLabel.data(), gui_userLabel.data(), gui_serverLabel.data()})
        f->setHidden(false);
    gui_typeStr->setStringValue(typeStringForGroup(group));
    gui_userStr->setStringValue(user);
    gui_serverStr->setStringValue(server);
    const bool editable = !local && !gotEditNotSupportedMessage;
    gui_removeSource->setEnabled(editable);
    gui_editSource->setEnabled(editable);
    gui_infoView->setNeedsDisplay(true);
}

// -- The account sheet

void PrefSources::makeConfigSheet() {
    if (gui_configSheet) return;
    const double width = 440, height = 370;
    gui_configSheet = new kit::Window(QRectF(0, 0, width, height));
    gui_configSheet->setTitle(localized(QStringLiteral("prefPaneCalSourceSheetTitle"),
                                        QStringLiteral("Calendar Server")));
    kit::View* content = gui_configSheet->contentView();
    double y = height - 20;
    auto next = [&](double h = 24, double gap = 6) {
        y -= h;
        const double at = y;
        y -= gap;
        return at;
    };
    auto line = [&](const QString& key, const QString& fallback, double fieldWidth) {
        const double at = next();
        auto* l = label(content, key, fallback, QRectF(20, at + 2, 110, 20));
        l->setAlignment(kit::TextAlignment::Right);
        return editField(content, QRectF(136, at, fieldWidth, 24), this);
    };
    auto* intro = label(content, QStringLiteral("prefPaneCalSourceSheetIntro"),
                        QStringLiteral("Checks that a calendar server answers with this account. "
                                       "The account is not stored."),
                        QRectF(20, next(34), width - 40, 34));
    intro->setWraps(true);
    gui_confDescription = line(QStringLiteral("prefPaneCalSourceConfDescription"),
                               QStringLiteral("Description:"), 280);
    gui_confServer =
        line(QStringLiteral("prefPaneCalSourceConfServer"), QStringLiteral("Server:"), 280);
    gui_confPath = line(QStringLiteral("prefPaneCalSourceConfPath"), QStringLiteral("Path:"), 280);
    gui_confPort = line(QStringLiteral("prefPaneCalSourceConfPort"), QStringLiteral("Port:"), 80);
    gui_confSSL = new kit::Button(QRectF(230, gui_confPort->frame().y(), 120, 24),
                                  kit::Button::Type::Checkbox);
    gui_confSSL->setTitle(
        localized(QStringLiteral("prefPaneCalSourceConfSSL"), QStringLiteral("Use SSL")));
    gui_confSSL->setActionHandler([this](QObject* s) { sslToggled(s); });
    content->addSubview(gui_confSSL);
    gui_confUser = line(QStringLiteral("prefPaneCalSourceConfUser"), QStringLiteral("User:"), 280);
    gui_confPassword =
        line(QStringLiteral("prefPaneCalSourceConfPassword"), QStringLiteral("Password:"), 280);
    gui_confPassword->setSecure(true);
    const double optionsAt = next();
    gui_confActive = new kit::Button(QRectF(136, optionsAt, 90, 24), kit::Button::Type::Checkbox);
    gui_confActive->setTitle(
        localized(QStringLiteral("prefPaneCalSourceConfActive"), QStringLiteral("Active")));
    content->addSubview(gui_confActive);
    gui_confUpdate = new kit::PopUpButton(QRectF(230, optionsAt, 190, 24));
    for (const auto& [key, fallback] :
         {std::pair{QStringLiteral("prefPaneCalSourceUpdate1"), QStringLiteral("Every minute")},
          std::pair{QStringLiteral("prefPaneCalSourceUpdate5"), QStringLiteral("Every 5 minutes")},
          std::pair{QStringLiteral("prefPaneCalSourceUpdate15"),
                    QStringLiteral("Every 15 minutes")},
          std::pair{QStringLiteral("prefPaneCalSourceUpdate30"),
                    QStringLiteral("Every 30 minutes")},
          std::pair{QStringLiteral("prefPaneCalSourceUpdateManually"), QStringLiteral("Manually")}})
        gui_confUpdate->addItemWithTitle(localized(key, fallback));
    content->addSubview(gui_confUpdate);

    gui_confWarningIcon = new kit::ImageView(QRectF(20, 58, 20, 20));
    gui_confWarningIcon->setImage(kit::Image::named(QStringLiteral("EventWarning")));
    content->addSubview(gui_confWarningIcon);
    gui_confProgress = new kit::ProgressIndicator(QRectF(20, 62, 60, 12));
    gui_confProgress->setIndeterminate(true);
    content->addSubview(gui_confProgress);
    gui_confNotice = label(content, QString(), QString(), QRectF(46, 52, width - 66, 34));
    gui_confNotice->setWraps(true);

    gui_confCancel = new kit::Button(QRectF(width - 220, 14, 96, 28));
    gui_confCancel->setTitle(
        localized(QStringLiteral("prefPaneCalSourceConfCancel"), QStringLiteral("Cancel")));
    gui_confCancel->setActionHandler([this](QObject* s) { confCancel(s); });
    content->addSubview(gui_confCancel);
    gui_confOK = new kit::Button(QRectF(width - 116, 14, 96, 28));
    gui_confOK->setTitle(
        localized(QStringLiteral("prefPaneCalSourceConfOK"), QStringLiteral("OK")));
    gui_confOK->setActionHandler([this](QObject* s) { confOK(s); });
    content->addSubview(gui_confOK);
}

void PrefSources::openConfigSheetForNewSource() {
    makeConfigSheet();
    for (kit::TextField* f :
         {gui_confDescription.data(), gui_confServer.data(), gui_confPath.data(),
          gui_confPort.data(), gui_confUser.data(), gui_confPassword.data()})
        f->setStringValue(QString());
    gui_confActive->setState(kit::Button::On);
    gui_confSSL->setState(kit::Button::Off);
    gui_confUpdate->selectItemAtIndex(2);
    gui_confProgress->setHidden(true);
    gui_confWarningIcon->setHidden(true);
    gui_confNotice->setHidden(true);
    gui_confCancel->setEnabled(true);
    gui_confOK->setEnabled(false);
    showConfigSheet();
}

void PrefSources::showConfigSheet() {
    connectorIsRunning_ = false;
    kit::Window* window = prefView() ? prefView()->window() : nullptr;
    kit::Sheet::beginSheet(gui_configSheet, window);
}

void PrefSources::endConfigSheet() {
    if (gui_configSheet) kit::Sheet::endSheet(gui_configSheet);
}

void PrefSources::controlTextDidChange(QObject*) {
    if (!gui_confOK) return;
    gui_confOK->setEnabled(!gui_confDescription->stringValue().isEmpty() &&
                           !gui_confServer->stringValue().isEmpty());
}

void PrefSources::sslToggled(QObject*) {
    gui_confPort->setStringValue(isChecked(gui_confSSL) ? QStringLiteral("443")
                                                        : QStringLiteral("80"));
}

CalDAVConf PrefSources::currentConfig() {
    CalDAVConf conf;
    conf.setServer(gui_confServer->stringValue());
    conf.setPath(gui_confPath->stringValue());
    conf.setUser(gui_confUser->stringValue());
    conf.setPassword(gui_confPassword->stringValue());
    conf.setPort(gui_confPort->stringValue().trimmed().toInt());
    conf.setIsActive(isChecked(gui_confActive));
    conf.setUsesSSL(isChecked(gui_confSSL));
    static const int minutes[] = {1, 5, 15, 30};
    const int index = gui_confUpdate->indexOfSelectedItem();
    conf.setUpdateFrequ(index >= 0 && index < 4 ? minutes[index] : 65000);
    if (conf.port() == 0) {
        conf.setPort(conf.usesSSL() ? 443 : 80);
        gui_confPort->setStringValue(QString::number(conf.port()));
    }
    return conf;
}

void PrefSources::setNotice(const QString& text, bool warning) {
    gui_confNotice->setStringValue(text);
    gui_confNotice->setHidden(text.isEmpty());
    gui_confWarningIcon->setHidden(!warning);
}

void PrefSources::stopProgress() {
    gui_confProgress->stopAnimation();
    gui_confProgress->setHidden(true);
}

void PrefSources::confOK(QObject*) {
    if (connectorIsRunning_) return;
    gui_confProgress->setHidden(false);
    gui_confProgress->startAnimation();
    setNotice(localized(QStringLiteral("prefPaneCalSourceValidating"), QStringLiteral("?")), false);
    if (validateConfig()) {
        gui_confOK->setEnabled(false);
        return;
    }
    stopProgress();
    gui_confWarningIcon->setHidden(false);
}

// A failed name or connection test: the sheet shows why and takes OK again.
void PrefSources::showFailure(const QString& key) {
    dropCheck();
    connectorIsRunning_ = false;
    stopProgress();
    setNotice(localized(key, QStringLiteral("?")), true);
    gui_confOK->setEnabled(true);
}

// The context of a check may be inside one of its own callbacks: it goes later.
void PrefSources::dropCheck() {
    if (QObject* check = checkContext_.release()) check->deleteLater();
}

bool PrefSources::validateConfig() {
    const CalDAVConf conf = currentConfig();
    activeConf = conf.copy();
    if (conf.server().trimmed().isEmpty()) {
        setNotice(
            localized(QStringLiteral("prefPaneCalSourceFailedServerName"), QStringLiteral("?")),
            true);
        return false;
    }
    // The look-up and the connection test answer later; each step goes on only
    // while this check is still the one under way.
    connectorIsRunning_ = true;
    checkContext_ = std::make_unique<QObject>();
    QObject* check = checkContext_.get();
    auto current = [this, check] { return connectorIsRunning_ && checkContext_.get() == check; };
    CalendarSources::serverValid(activeConf->toMap(), check, [this, check, current](bool valid) {
        if (!current()) return;
        if (!valid) return showFailure(QStringLiteral("prefPaneCalSourceFailedServerName"));
        QVariantMap map = activeConf->toMap();
        CalendarSources::serverReachable(map, check, [this, check, current](bool reachable) {
            if (!current()) return;
            if (!reachable)
                return showFailure(QStringLiteral("prefPaneCalSourceFailedServerConnection"));
            CalendarSources::serverConfigCheckReplyToSelector(
                activeConf->toMap(), check, [this, current](const QString& message) {
                    if (current()) connectionValidationCompleted(message);
                });
        });
    });
    return true;
}

void PrefSources::connectionValidationCompleted(const QString& message) {
    if (activeConf) CalendarSources::endServerConfigCheck(activeConf->toMap());
    stopProgress();
    connectorIsRunning_ = false;
    gui_confOK->setEnabled(true);
    if (message.isEmpty()) {
        setNotice(QString(), false);
        endConfigSheet();
    } else {
        setNotice(message, true);
    }
    dropCheck();
}

void PrefSources::confCancel(QObject*) {
    if (!connectorIsRunning_) return endConfigSheet();
    if (activeConf) CalendarSources::killServerConfigCheck(activeConf->toMap());
    dropCheck();
    stopProgress();
    setNotice(QString(), false);
    gui_confOK->setEnabled(true);
    connectorIsRunning_ = false;
}
