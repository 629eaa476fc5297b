// The open panel as a sheet (an accessory button ending it with OK, a chosen
// file given as its local path), the help browser's history, and the
// toolbar's selected item.

#include "KitTestViews.h"
#include "platform/kit/Button.h"
#include "platform/kit/HelpBrowser.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/OpenPanel.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/ToolbarItem.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <optional>

using namespace kit;
using testsupport::TempDir;
using testsupport::waitUntil;

TEST(OpenPanel, AnAccessoryButtonEndsTheSheetWithOKInTheFolderShown) {
    TempDir dir;
    dir.write(QStringLiteral("Zolt Config.plist"), "<plist/>");
    dir.write(QStringLiteral("notes.txt"), "x");
    Window window(QRectF(100, 100, 500, 400));
    window.makeKeyAndOrderFront();

    auto* panel = new OpenPanel;
    panel->setAllowedFileTypes({QStringLiteral("plist")});
    panel->setCanCreateDirectories(true);
    panel->setMessage(QStringLiteral("Set secondary configuration file"));
    panel->setPrompt(QStringLiteral("Apply"));
    panel->setNameFieldLabel(QStringLiteral("Target:"));
    panel->setDirectory(dir.path());
    auto* accessory = new View(QRectF(0, 0, 300, 40));
    auto* newFile = new Button(QRectF(10, 8, 120, 24));
    newFile->setTitle(QStringLiteral("New File"));
    newFile->setTarget(panel);
    newFile->setAction("ok");
    accessory->addSubview(newFile);
    panel->setAccessoryView(accessory);

    std::optional<int> response;
    ASSERT_TRUE(panel->beginSheetModalForWindow(&window, [&](int r) { response = r; }));
    EXPECT_EQ(Sheet::attachedSheet(&window), panel);
    EXPECT_EQ(panel->fileDialog()->nameFilters(), QStringList({"*.plist"}));
    EXPECT_EQ(panel->fileDialog()->labelText(QFileDialog::Accept), QStringLiteral("Apply"));
    EXPECT_EQ(panel->message(), QStringLiteral("Set secondary configuration file"));
    EXPECT_TRUE(panel->canCreateDirectories());
    // The accessory lies under the files, as wide as the panel.
    EXPECT_DOUBLE_EQ(accessory->frame().width(), panel->contentView()->bounds().width());

    kittest::click(newFile->hostedWidget());
    ASSERT_TRUE(response.has_value());
    EXPECT_EQ(*response, ModalSession::OK);
    EXPECT_EQ(Sheet::attachedSheet(&window), nullptr);
    EXPECT_EQ(QDir(panel->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(panel->path(), QString()) << "the folder shown is no file";
    panel->deleteLater();
}

TEST(OpenPanel, AChosenFileIsItsLocalPathAndCancelSaysCancel) {
    TempDir dir;
    dir.write(QStringLiteral("with space #1.plist"), "<plist/>");
    Window window(QRectF(100, 100, 500, 400));
    window.makeKeyAndOrderFront();
    {
        OpenPanel panel;
        panel.setAllowedFileTypes({QStringLiteral("plist")});
        panel.setDirectory(dir.path());
        std::optional<int> response;
        panel.beginSheetModalForWindow(&window, [&](int r) { response = r; });
        panel.fileDialog()->selectFile(dir.file(QStringLiteral("with space #1.plist")));
        static_cast<QDialog*>(panel.fileDialog())->accept();  // the Open button
        ASSERT_TRUE(response.has_value());
        EXPECT_EQ(*response, ModalSession::OK);
        EXPECT_EQ(QFileInfo(panel.path()).canonicalFilePath(),
                  QFileInfo(dir.file(QStringLiteral("with space #1.plist"))).canonicalFilePath());
        EXPECT_FALSE(panel.path().startsWith(QStringLiteral("file:")));
    }
    {
        OpenPanel panel;
        std::optional<int> response;
        panel.beginSheetModalForWindow(&window, [&](int r) { response = r; });
        panel.fileDialog()->reject();
        ASSERT_TRUE(response.has_value());
        EXPECT_EQ(*response, ModalSession::Cancel);
        panel.ok();  // ended already: nothing more
        EXPECT_EQ(*response, ModalSession::Cancel);
    }
}

TEST(HelpBrowser, BackAndForwardFollowTheHistory) {
    TempDir dir;
    dir.write(QStringLiteral("index.html"),
              "<html><body><h1>Help</h1><a href=\"storage.html\">Storage</a></body></html>");
    dir.write(QStringLiteral("storage.html"), "<html><body><h1>Storage</h1></body></html>");
    dir.write(QStringLiteral("sync.html"), "<html><body><h1>Sync</h1></body></html>");
    HelpBrowser browser(QRectF(0, 0, 400, 300));
    int loads = 0;
    QList<std::pair<bool, bool>> states;
    browser.setLoadFinishedHandler([&](HelpBrowser* b) {
        ++loads;
        states << std::make_pair(b->canGoBack(), b->canGoForward());
    });
    const auto page = [&](const char* name) {
        return QUrl::fromLocalFile(dir.file(QString::fromLatin1(name)));
    };
    EXPECT_FALSE(browser.canGoBack());
    browser.loadURL(page("index.html"));
    browser.loadURL(page("storage.html"));
    EXPECT_EQ(browser.currentURL(), page("storage.html"));
    browser.goBack();
    EXPECT_EQ(browser.currentURL(), page("index.html"));
    browser.goForward();
    EXPECT_EQ(browser.currentURL(), page("storage.html"));
    browser.goBack();
    browser.loadURL(page("sync.html"));  // a new page drops what lay ahead
    EXPECT_FALSE(browser.canGoForward());
    EXPECT_TRUE(browser.canGoBack());
    EXPECT_EQ(loads, 6);
    using P = std::pair<bool, bool>;
    EXPECT_EQ(states, (QList<P>{{false, false},
                                {true, false},
                                {false, true},
                                {true, false},
                                {false, true},
                                {true, false}}));
    // A link is followed in place.
    browser.goBack();
    browser.textBrowser()->setSource(page("storage.html"));
    EXPECT_EQ(browser.currentURL(), page("storage.html"));
    // Pages of the application's resources go by name; a missing one loads nothing.
    EXPECT_FALSE(browser.loadPageNamed(QStringLiteral("no-such-help-page")));
    EXPECT_EQ(browser.currentURL(), page("storage.html"));
}

TEST(Toolbar, TheSelectedItemIsDrawnSelectedAndFollowsClicksOnSelectableItems) {
    Window window(QRectF(100, 100, 400, 300));
    auto* toolbar = new Toolbar(QStringLiteral("Tests Panes"));
    QStringList clicked;
    for (const char* id : {"General", "Sources", "Sync"}) {
        auto* item = new ToolbarItem(QString::fromLatin1(id));
        item->setLabel(QString::fromLatin1(id));
        item->setActionHandler([&clicked, id](QObject*) { clicked << QString::fromLatin1(id); });
        toolbar->addItem(item);
    }
    auto* other = new ToolbarItem(QStringLiteral("Help"));
    other->setLabel(QStringLiteral("Help"));
    other->setActionHandler([](QObject*) {});
    toolbar->addItem(other);
    window.setToolbar(toolbar);
    window.makeKeyAndOrderFront();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // buttons rebuilt
    const auto button = [&](const char* id) {
        return toolbar->widget()->findChild<QToolButton*>(QString::fromLatin1(id));
    };
    toolbar->setSelectableItemIdentifiers({"General", "Sources", "Sync"});
    toolbar->setSelectedItemIdentifier(QStringLiteral("Sources"));
    EXPECT_TRUE(button("Sources")->isChecked());
    EXPECT_FALSE(button("General")->isChecked());

    button("Sync")->click();
    EXPECT_EQ(toolbar->selectedItemIdentifier(), QStringLiteral("Sync"));
    EXPECT_TRUE(button("Sync")->isChecked());
    EXPECT_FALSE(button("Sources")->isChecked());
    EXPECT_EQ(clicked, QStringList({"Sync"}));
    // An item that cannot be selected sends its action and leaves the selection.
    button("Help")->click();
    EXPECT_FALSE(button("Help")->isChecked());
    EXPECT_EQ(toolbar->selectedItemIdentifier(), QStringLiteral("Sync"));
    // Code may select any item, and none.
    toolbar->setSelectedItemIdentifier(QString());
    EXPECT_FALSE(button("Sync")->isChecked());
    window.orderOut();
}
