#pragma once

#include "data/MyStoreGroup.h"
#include "platform/kit/TableView.h"
#include "prefs/CalDAVConf.h"
#include "prefs/LxPrefPaneProtocol.h"

#include <QImage>
#include <QList>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CalSourceInfoView;
namespace kit {
class Button;
class ImageView;
class PopUpButton;
class ProgressIndicator;
class ScrollView;
class TextField;
class Window;
}  // namespace kit

// The "Sources" pane: the local calendars and every account of the calendar
// store with a server, one row each, and the selected source's kind, owner,
// server and calendar home in an information area. Sources are not added,
// removed or edited here; those buttons only say so. An account sheet checks a
// calendar server's name, connection and answer without storing the account.
// The one pane whose window grows, and only downwards. Main thread only.
class PrefSources final : public LxPrefPaneProtocol,
                          public kit::TableViewDataSource,
                          public kit::TableViewDelegate {
    Q_OBJECT
public:
    using GroupSource = std::function<std::optional<QList<MyStoreGroupPtr>>()>;

    PrefSources();
    ~PrefSources() override;
    static std::vector<std::shared_ptr<LxPrefPaneProtocol>> preferencePanes();
    // Where the account rows come from (the store's groups unless set).
    static void setGroupSourceForTesting(GroupSource source);

    void activated() override;

    void addSource(QObject* sender);
    void removeSource(QObject* sender);
    void editSource(QObject* sender);

    // The kind of a row: image name, localised kind text and image.
    static QString imgFileNameForGroup(const MyStoreGroupPtr& group);
    static QString typeStringForGroup(const MyStoreGroupPtr& group);
    static QImage imageForGroup(const MyStoreGroupPtr& group);
    static QString serverForGroup(const MyStoreGroupPtr& group);
    static QString configNoticeForLocal(bool local);

    // The account sheet.
    void openConfigSheetForNewSource();
    Q_INVOKABLE void controlTextDidChange(QObject* sender);
    void sslToggled(QObject* sender);
    void confOK(QObject* sender);
    void confCancel(QObject* sender);
    bool validateConfig();
    CalDAVConf currentConfig();
    void connectionValidationCompleted(const QString& message);
    bool connectorIsRunning() const { return connectorIsRunning_; }
    const std::optional<QList<MyStoreGroupPtr>>& calSources() const { return calSources_; }

    // kit::TableViewDataSource / kit::TableViewDelegate
    int numberOfRowsInTableView(kit::TableView* table) override;
    QVariant tableViewObjectValueForTableColumnRow(kit::TableView* table, kit::TableColumn* column,
                                                   int row) override;
    bool tableViewShouldEditTableColumnRow(kit::TableView*, kit::TableColumn*, int) override {
        return false;
    }
    void tableViewSelectionDidChange(kit::TableView* table) override;

    QPointer<kit::ScrollView> gui_sourcesScrollView;
    QPointer<kit::TableView> gui_sourcesList;
    QPointer<kit::Button> gui_addSource, gui_removeSource, gui_editSource, gui_checkServer;
    QPointer<kit::TextField> gui_notice;
    QPointer<kit::ImageView> gui_noticeIcon;
    QPointer<CalSourceInfoView> gui_infoView;
    QPointer<kit::ImageView> gui_sourceIcon;
    QPointer<kit::TextField> gui_typeLabel, gui_userLabel, gui_serverLabel, gui_urlLabel;
    QPointer<kit::TextField> gui_typeStr, gui_userStr, gui_serverStr, gui_urlStr;
    QPointer<kit::TextField> gui_configuredLabel;

    QPointer<kit::Window> gui_configSheet;
    QPointer<kit::TextField> gui_confDescription, gui_confServer, gui_confPath, gui_confPort,
        gui_confUser, gui_confPassword;
    QPointer<kit::Button> gui_confActive, gui_confSSL;
    QPointer<kit::PopUpButton> gui_confUpdate;
    QPointer<kit::ProgressIndicator> gui_confProgress;
    QPointer<kit::ImageView> gui_confWarningIcon;
    QPointer<kit::TextField> gui_confNotice;
    QPointer<kit::Button> gui_confCancel, gui_confOK;

protected:
    kit::View* makePaneView() override;
    void fillControls() override;
    void writeBack() override;

private:
    void notSupported(kit::Button* button);
    void getConfiguredCalSources();
    void makeConfigSheet();
    void showConfigSheet();
    void endConfigSheet();
    void stopProgress();
    void showFailure(const QString& key);
    void dropCheck();
    void setNotice(const QString& text, bool warning);

    bool gotEditNotSupportedMessage = false;
    bool connectorIsRunning_ = false;
    std::optional<QList<MyStoreGroupPtr>> calSources_;
    std::optional<CalDAVConf> activeConf;
    // Stands for the check under way: a probe answer for an older check finds
    // it gone and is dropped.
    std::unique_ptr<QObject> checkContext_;
};
