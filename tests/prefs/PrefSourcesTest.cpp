// The sources pane over a group list of the test: its rows, the information
// area, the not-supported notice, and the account sheet with its mapping of
// the fields and its server check against a server on the loopback address.

#include "PrefsTestSupport.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/ProgressIndicator.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "prefs/AboutWinController.h"
#include "prefs/CalDAVConnector.h"
#include "prefs/CalSourceInfoView.h"
#include "prefs/LxPrefsController.h"
#include "prefs/PrefSources.h"
#include "support/LoopbackServer.h"

#include <QPainter>

namespace {

using namespace prefstest;
using testsupport::LoopbackServer;
using testsupport::reply;
using testsupport::waitUntil;

MyStoreGroupPtr account(const QString& title, const QString& principal) {
    auto group =
        std::make_shared<MyStoreGroup>(QStringLiteral("uid-") + title, QStringLiteral("CalDAV"));
    group->setTitle(title);
    group->setServerURL(QUrl(QStringLiteral("https://server.example.org/")));
    group->setFullName(title + QStringLiteral(" Owner"));
    if (!principal.isEmpty())
        group->setCalDavAttributesUrlHomePushCalPathHomePathRemoteRenameable(
            QUrl(principal), QString(), QString(), QStringLiteral("/calendars/") + title + '/',
            true, true);
    return group;
}

class PrefSourcesTest : public PrefsTest {
protected:
    void SetUp() override {
        PrefsTest::SetUp();
        auto noServer =
            std::make_shared<MyStoreGroup>(QStringLiteral("uid-none"), QStringLiteral("Other"));
        noServer->setTitle(QStringLiteral("No server"));
        groups = QList<MyStoreGroupPtr>{
            account(QStringLiteral("Work"), QStringLiteral("https://Cal.Example.com/p/anna/")),
            noServer, account(QStringLiteral("Club"), QString())};
        PrefSources::setGroupSourceForTesting([this] { return groups; });
        CalDAVConnector::installModelEntries();
        pane = std::make_unique<PrefSources>();
        window = std::make_unique<kit::Window>(QRectF(100, 100, 560, 390));
        window->setContentView(pane->paneView());
        window->makeKeyAndOrderFront();
        pane->willShow();
        pane->activated();
    }
    void TearDown() override {
        pane.reset();
        window.reset();
        PrefSources::setGroupSourceForTesting({});
        CalendarSources::changeServices([](auto& installed) { installed = {}; });
        PrefsTest::TearDown();
    }
    void select(int row) {
        if (row < 0)
            pane->gui_sourcesList->deselectAll();
        else
            pane->gui_sourcesList->selectRow(row);
    }
    bool sheetOpen() const { return kit::Sheet::sheetParent(pane->gui_configSheet) != nullptr; }
    void fillSheet(const QString& server, int port, bool ssl = false) {
        pane->openConfigSheetForNewSource();
        pane->gui_confDescription->setStringValue(QStringLiteral("Mine"));
        pane->gui_confServer->setStringValue(server);
        pane->controlTextDidChange(pane->gui_confServer);
        pane->gui_confSSL->setState(ssl ? kit::Button::On : kit::Button::Off);
        pane->gui_confPort->setStringValue(QString::number(port));
        pane->gui_confPath->setStringValue(QStringLiteral("/cal/"));
        pane->gui_confUser->setStringValue(QStringLiteral("anna"));
        pane->gui_confPassword->setStringValue(QStringLiteral("pw"));
    }

    std::optional<QList<MyStoreGroupPtr>> groups;
    std::unique_ptr<PrefSources> pane;
    std::unique_ptr<kit::Window> window;
};

TEST_F(PrefSourcesTest, RowsAndTheInformationAreaOfEachKind) {
    ASSERT_EQ(pane->numberOfRowsInTableView(pane->gui_sourcesList), 3);
    QStringList titles;
    for (int row = 0; row < 3; ++row)
        titles << pane->tableViewObjectValueForTableColumnRow(nullptr, nullptr, row).toString();
    EXPECT_EQ(titles, QStringList({"Local", "Work", "Club"}));

    // No selection: nothing to show, nothing to remove or edit.
    EXPECT_TRUE(pane->gui_infoView->isHidden());
    EXPECT_FALSE(pane->gui_removeSource->isEnabled());
    EXPECT_FALSE(pane->gui_editSource->isEnabled());

    select(0);
    QString host = foundation::SystemInfo::localHostName();
    if (host.isEmpty()) host = QStringLiteral("unknown");
    EXPECT_FALSE(pane->gui_infoView->isHidden());
    EXPECT_EQ(pane->gui_infoView->title(), "Local");
    EXPECT_EQ(pane->gui_userStr->stringValue(), foundation::SystemInfo::fullUserName());
    EXPECT_EQ(pane->gui_serverStr->stringValue(), host + ".local");
    EXPECT_EQ(pane->gui_typeStr->stringValue(), "Local calendars");
    EXPECT_TRUE(pane->gui_urlStr->isHidden());
    EXPECT_TRUE(pane->gui_configuredLabel->isHidden());
    EXPECT_FALSE(pane->gui_removeSource->isEnabled());
    EXPECT_FALSE(pane->gui_editSource->isEnabled());

    struct Case {
        int row;
        QString server, home;
    };
    for (const Case& c : {Case{1, "cal.example.com", "/calendars/Work/"}, Case{2, "unknown", ""}}) {
        select(c.row);
        const QString title = c.row == 1 ? "Work" : "Club";
        EXPECT_EQ(pane->gui_infoView->title(), title);
        EXPECT_EQ(pane->gui_userStr->stringValue(), title + " Owner");
        EXPECT_EQ(pane->gui_serverStr->stringValue(), c.server);
        // Empty cloud domains match nothing: every account is a calendar server.
        EXPECT_EQ(PrefSources::imgFileNameForGroup(pane->calSources()->at(c.row)), "SourceCaldav");
        EXPECT_EQ(pane->gui_typeStr->stringValue(), "Calendar server (CalDAV)");
        EXPECT_FALSE(pane->gui_urlStr->isHidden());
        EXPECT_EQ(pane->gui_urlStr->stringValue(), c.home);
        EXPECT_FALSE(pane->gui_configuredLabel->isHidden());
        EXPECT_TRUE(pane->gui_removeSource->isEnabled());
        EXPECT_TRUE(pane->gui_editSource->isEnabled());
    }
    EXPECT_FALSE(pane->gui_sourceIcon->image().isNull());

    select(1);
    pane->gui_infoView->display();
    const QImage image = window->contentView()->renderToImage();
    testsupport::saveForInspection(image, QStringLiteral("prefs-sources-pane"));
}

TEST_F(PrefSourcesTest, WithoutStoreGroupsOnlyTheLocalRowRemainsAndRowsAreReadAgain) {
    groups.reset();
    pane->willClose();
    EXPECT_FALSE(pane->calSources().has_value());
    pane->willShow();
    EXPECT_EQ(pane->numberOfRowsInTableView(pane->gui_sourcesList), 1);
}

TEST_F(PrefSourcesTest, TheNoticeHoldsUntilThePaneIsShownAgain) {
    EXPECT_TRUE(pane->gui_notice->isHidden());
    pane->gui_addSource->performClick();
    EXPECT_FALSE(pane->gui_notice->isHidden());
    EXPECT_FALSE(pane->gui_noticeIcon->isHidden());
    EXPECT_FALSE(pane->gui_addSource->isEnabled());

    select(1);
    EXPECT_FALSE(pane->gui_removeSource->isEnabled());
    EXPECT_FALSE(pane->gui_editSource->isEnabled());

    pane->willShow();
    EXPECT_TRUE(pane->gui_notice->isHidden());
    EXPECT_TRUE(pane->gui_addSource->isEnabled());
    select(1);
    EXPECT_TRUE(pane->gui_removeSource->isEnabled());
}

TEST_F(PrefSourcesTest, TheSheetMapsPortSslAndUpdateInterval) {
    pane->gui_checkServer->performClick();
    ASSERT_TRUE(sheetOpen());
    EXPECT_FALSE(pane->gui_confOK->isEnabled());
    EXPECT_EQ(pane->gui_confActive->state(), kit::Button::On);
    EXPECT_EQ(pane->gui_confUpdate->indexOfSelectedItem(), 2);
    EXPECT_TRUE(pane->gui_confPassword->isSecure());

    pane->gui_confDescription->setStringValue(QStringLiteral("Mine"));
    pane->controlTextDidChange(pane->gui_confDescription);
    EXPECT_FALSE(pane->gui_confOK->isEnabled());
    pane->gui_confServer->setStringValue(QStringLiteral("cal.example.org"));
    pane->controlTextDidChange(pane->gui_confServer);
    EXPECT_TRUE(pane->gui_confOK->isEnabled());

    pane->gui_confSSL->performClick();
    EXPECT_EQ(pane->gui_confPort->stringValue(), "443");
    pane->gui_confSSL->performClick();
    EXPECT_EQ(pane->gui_confPort->stringValue(), "80");

    struct Case {
        QString port;
        bool ssl;
        int index;
        int wantPort, wantMinutes;
    };
    for (const Case& c : {Case{"", true, 4, 443, 65000}, Case{"", false, 0, 80, 1},
                          Case{"8443", true, 1, 8443, 5}, Case{"0", false, 3, 80, 30}}) {
        pane->gui_confPort->setStringValue(c.port);
        pane->gui_confSSL->setState(c.ssl ? kit::Button::On : kit::Button::Off);
        pane->gui_confUpdate->selectItemAtIndex(c.index);
        const CalDAVConf conf = pane->currentConfig();
        EXPECT_EQ(conf.port(), c.wantPort) << c.port.toStdString();
        EXPECT_EQ(pane->gui_confPort->stringValue(), QString::number(c.wantPort));
        EXPECT_EQ(conf.updateFrequ(), c.wantMinutes);
        EXPECT_EQ(conf.usesSSL(), c.ssl);
    }

    select(1);
    window->contentView()->display();
    testsupport::saveForInspection(pane->gui_configSheet->contentView()->renderToImage(),
                                   QStringLiteral("prefs-sources-sheet"));
    pane->gui_confCancel->performClick();
    EXPECT_FALSE(sheetOpen());
}

TEST_F(PrefSourcesTest, TheCheckRepliesInTheSheet) {
    struct Case {
        QByteArray response;  // empty: no server at the port
        QString notice;       // empty: the sheet closes
    };
    const Case cases[] = {
        {reply(200, "OK"), QString()},
        {reply(404, "Not Found"), QStringLiteral("HTTP error code.")},
        {QByteArray(), QStringLiteral("The server does not accept connections on this port.")},
    };
    for (const Case& c : cases) {
        LoopbackServer server([&](const QByteArray&) { return c.response; });
        fillSheet(QStringLiteral("127.0.0.1"),
                  c.response.isEmpty() ? testsupport::closedPort() : server.port());
        pane->gui_confOK->performClick();
        EXPECT_TRUE(pane->connectorIsRunning());
        EXPECT_FALSE(pane->gui_confOK->isEnabled());
        EXPECT_FALSE(pane->gui_confProgress->isHidden());
        ASSERT_TRUE(waitUntil([&] { return !pane->connectorIsRunning(); }, 20));
        EXPECT_TRUE(pane->gui_confProgress->isHidden());
        EXPECT_EQ(sheetOpen(), !c.notice.isEmpty());
        if (c.notice.isEmpty()) continue;
        EXPECT_EQ(pane->gui_confNotice->stringValue(), c.notice);
        EXPECT_FALSE(pane->gui_confWarningIcon->isHidden());
        EXPECT_TRUE(pane->gui_confOK->isEnabled());
        if (c.response.isEmpty())
            testsupport::saveForInspection(pane->gui_configSheet->contentView()->renderToImage(),
                                           QStringLiteral("prefs-sources-sheet-failed"));
        pane->confCancel(nullptr);
        EXPECT_FALSE(sheetOpen());
    }
    EXPECT_EQ(CalDAVConnector::connectorForServer(QStringLiteral("127.0.0.1")), nullptr);

    fillSheet(QStringLiteral("no-such-calendar-host.invalid"), 80);
    pane->gui_confOK->performClick();
    ASSERT_TRUE(waitUntil([&] { return !pane->connectorIsRunning(); }, 20));
    EXPECT_EQ(pane->gui_confNotice->stringValue(), "The server name cannot be found.");
    pane->confCancel(nullptr);
}

TEST_F(PrefSourcesTest, CancelAbandonsARunningCheckAndASecondCancelCloses) {
    LoopbackServer silent([](const QByteArray&) { return QByteArray(); });
    fillSheet(QStringLiteral("127.0.0.1"), silent.port());
    pane->gui_confOK->performClick();
    ASSERT_TRUE(waitUntil([&] { return !silent.heads.isEmpty(); }, 20));
    pane->gui_confOK->performClick();  // ignored while the check runs
    EXPECT_EQ(silent.heads.size(), 1);

    pane->gui_confCancel->performClick();
    EXPECT_TRUE(sheetOpen());
    EXPECT_FALSE(pane->connectorIsRunning());
    EXPECT_TRUE(pane->gui_confOK->isEnabled());
    EXPECT_TRUE(pane->gui_confProgress->isHidden());
    EXPECT_TRUE(pane->gui_confNotice->isHidden());
    EXPECT_EQ(CalDAVConnector::connectorForServer(QStringLiteral("127.0.0.1")), nullptr);

    pane->gui_confCancel->performClick();
    EXPECT_FALSE(sheetOpen());
}

// The pieces as the application puts them together: the main window, the
// About command of its menu and the preferences window with every pane.
class AccountsInMainWindowTest : public prefstest::PrefsTest {
protected:
    void TearDown() override {
        AboutWinController::resetSharedWinControllerForTesting();
        CalendarSources::changeServices([](auto& installed) { installed = {}; });
        PrefSources::setGroupSourceForTesting({});
        PrefsTest::TearDown();
    }
};

// `over` drawn on `base` at `at` (pixels from the top left).
QImage composed(QImage base, const QImage& over, const QPoint& at) {
    QPainter painter(&base);
    // A view renders without the window's background behind it.
    painter.fillRect(QRect(at, over.size() / over.devicePixelRatio()), QColor(236, 236, 236));
    painter.drawImage(at, over);
    return base;
}

TEST_F(AccountsInMainWindowTest, AboutAndTheServerCheckFromTheRealWindow) {
    makeMainWindow();
    PrefSources::setGroupSourceForTesting([] {
        return QList<MyStoreGroupPtr>{
            account(QStringLiteral("Work"), QStringLiteral("https://cal.example.com/p/anna/"))};
    });
    CalDAVConnector::installModelEntries();
    delegate->changeServices([](AppDelegate::Services& app) {
        app.showAbout = [] { AboutWinController::sharedWinController()->showWindow(); };
    });
    const QImage main = mainWindow->window()->contentView()->renderToImage();

    delegate->menuAbout(nullptr);
    AboutWinController* about = AboutWinController::sharedWinController();
    ASSERT_TRUE(about->window()->isVisible());
    testsupport::saveForInspection(
        composed(main, about->window()->contentView()->renderToImage(), QPoint(120, 60)),
        QStringLiteral("accounts-about-over-main"));

    LxPrefsController controller;
    controller.showPanes(controller.panesOrder(), QStringLiteral("Sources"));
    auto* pane = qobject_cast<PrefSources*>(controller.currentPane());
    ASSERT_NE(pane, nullptr);
    pane->gui_sourcesList->selectRow(1);
    pane->gui_checkServer->performClick();
    ASSERT_EQ(kit::Sheet::sheetParent(pane->gui_configSheet), controller.preferencesWindow());
    LoopbackServer server([](const QByteArray&) { return reply(200, "OK"); });
    pane->gui_confDescription->setStringValue(QStringLiteral("Mine"));
    pane->gui_confServer->setStringValue(QStringLiteral("127.0.0.1"));
    pane->gui_confPort->setStringValue(QString::number(server.port()));
    pane->controlTextDidChange(pane->gui_confServer);
    const QImage prefs = composed(
        main, controller.preferencesWindow()->contentView()->renderToImage(), QPoint(80, 40));
    testsupport::saveForInspection(
        composed(prefs, pane->gui_configSheet->contentView()->renderToImage(), QPoint(140, 40)),
        QStringLiteral("accounts-sheet-over-main"));
    const QRectF list = pane->gui_sourcesScrollView->frame();
    EXPECT_DOUBLE_EQ(list.width(), 180) << list.height();
    pane->gui_confOK->performClick();
    ASSERT_TRUE(waitUntil([&] { return !pane->connectorIsRunning(); }, 20));
    EXPECT_EQ(server.heads.size(), 1);
    EXPECT_EQ(kit::Sheet::sheetParent(pane->gui_configSheet), nullptr);
}

}  // namespace
