// The preferences window controller: the panes offered and their toolbar, the
// window's frame and size limits for each pane, what panes are told and when,
// a click on the pane shown, the pane remembered in the settings, and the
// alert when no pane can be shown.

#include "PrefsTestSupport.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/ToolbarItem.h"
#include "platform/kit/View.h"
#include "prefs/LxPrefPaneProtocol.h"
#include "prefs/LxPrefsController.h"

#include <QTimer>

#include <limits>

namespace {

using namespace prefstest;

// A pane of a given size that records what it is told.
class RecordingPane final : public LxPrefPaneProtocol {
public:
    RecordingPane(const QString& id, QSizeF size, QStringList* log, bool vertical = false,
                  bool hasView = true)
        : LxPrefPaneProtocol({id, id, id, id, id, id, id, id, false, vertical}),
          size_(size),
          log_(log),
          hasView_(hasView) {}
    void activated() override { *log_ << paneID() + QStringLiteral(".activated"); }

protected:
    kit::View* makePaneView() override {
        return hasView_ ? new kit::View(QRectF(QPointF(0, 0), size_)) : nullptr;
    }
    void fillControls() override { *log_ << paneID() + QStringLiteral(".willShow"); }
    void writeBack() override { *log_ << paneID() + QStringLiteral(".willClose"); }

private:
    QSizeF size_;
    QStringList* log_;
    bool hasView_;
};

class LxPrefsControllerTest : public PrefsTest {
protected:
    void SetUp() override {
        PrefsTest::SetUp();
        controller = std::make_unique<LxPrefsController>(nullptr);
        add(QStringLiteral("General"), {400, 300});
        add(QStringLiteral("Sources"), {500, 420}, true);
        add(QStringLiteral("YView"), {600, 250});
    }
    void add(const QString& id, QSizeF size, bool vertical = false, bool hasView = true) {
        controller->activatePaneForController(
            std::make_shared<RecordingPane>(id, size, &log, vertical, hasView));
    }
    QStringList toolbarIdentifiers() const {
        QStringList ids;
        kit::Toolbar* toolbar = controller->preferencesWindow()->toolbar();
        if (toolbar)
            for (kit::ToolbarItem* item : toolbar->items()) ids << item->itemIdentifier();
        return ids;
    }

    QStringList log;
    std::unique_ptr<LxPrefsController> controller;
};

TEST_F(LxPrefsControllerTest, TheOrderKeepsKnownPanesAndTheToolbarNeedsMoreThanOne) {
    controller->showPanes({"YView", "Nothing", "General", "Sources"}, "YView");
    EXPECT_EQ(controller->panesOrder(), QStringList({"YView", "General", "Sources"}));
    EXPECT_EQ(toolbarIdentifiers(), QStringList({"YView", "General", "Sources"}));
    EXPECT_EQ(controller->preferencesWindow()->toolbar()->selectedItemIdentifier(), "YView");

    // IDs of no pane only: nothing is offered and the toolbar stays as it was.
    controller->setPanesOrder({"Nothing", "Else"});
    EXPECT_TRUE(controller->panesOrder().isEmpty());
    EXPECT_EQ(toolbarIdentifiers(), QStringList({"YView", "General", "Sources"}));

    // One pane stands alone, without toolbar.
    controller->showPanes({"YView"}, "YView");
    EXPECT_EQ(controller->preferencesWindow()->toolbar(), nullptr);
    EXPECT_EQ(controller->currentPane()->paneID(), "YView");
}

TEST_F(LxPrefsControllerTest, TheBuiltInPanesAreRegisteredInTheirOrder) {
    LxPrefsController builtIn;
    EXPECT_EQ(builtIn.panesOrder(),
              QStringList({"General", "Sources", "YView", "WView", "Sync", "Updates"}));
    builtIn.showPanes(builtIn.panesOrder(), "General");
    QStringList ids;
    for (kit::ToolbarItem* item : builtIn.preferencesWindow()->toolbar()->items())
        ids << item->itemIdentifier();
    EXPECT_EQ(ids, builtIn.panesOrder());
    EXPECT_EQ(builtIn.preferencesWindow()->title(), "General");
    builtIn.preferencesWindow()->close();
}

TEST_F(LxPrefsControllerTest, ThePaneSizesTheWindowBelowAFixedTopEdge) {
    controller->showPanes({"General", "Sources", "YView"}, "General");
    kit::Window* window = controller->preferencesWindow();
    const double top = window->frame().y() + window->frame().height();
    const double bars = window->frame().height() - window->contentRect().height();

    for (const auto& [id, size, vertical] :
         std::vector<std::tuple<QString, QSizeF, bool>>{{"Sources", {500, 420}, true},
                                                        {"YView", {600, 250}, false},
                                                        {"General", {400, 300}, false}}) {
        SCOPED_TRACE(id.toStdString());
        ASSERT_TRUE(controller->loadPrefsPaneNamed(id, true));
        const QRectF frame = window->frame();
        EXPECT_DOUBLE_EQ(frame.y() + frame.height(), top);
        EXPECT_DOUBLE_EQ(frame.width(), size.width());
        EXPECT_DOUBLE_EQ(frame.height(), size.height() + bars);
        EXPECT_EQ(window->contentView(), controller->currentPane()->paneView());
        EXPECT_EQ(window->minSize(), frame.size());
        // Only the sources pane grows, and only downwards.
        EXPECT_DOUBLE_EQ(window->maxSize().width(), frame.width());
        EXPECT_DOUBLE_EQ(window->maxSize().height(),
                         vertical ? double(std::numeric_limits<float>::max()) : frame.height());
        EXPECT_EQ(window->title(), id);
    }
}

TEST_F(LxPrefsControllerTest, PanesAreToldWhenTheyShowAndWhenTheyAreLeft) {
    controller->showPanes({"General", "Sources", "YView"}, "Sources");
    // The window opens on General, then the caller's pane follows.
    EXPECT_EQ(log, QStringList({"General.willShow", "General.activated", "General.willClose",
                                "Sources.willShow", "Sources.activated"}));
    log.clear();
    // Again the pane shown: filled and activated again, not left.
    controller->loadPrefsPaneNamed("Sources", true);
    EXPECT_EQ(log, QStringList({"Sources.willShow", "Sources.activated"}));
    log.clear();
    // Closing the window writes back only the pane shown.
    controller->preferencesWindow()->close();
    EXPECT_EQ(log, QStringList({"Sources.willClose"}));
    log.clear();
    // Showing the closed window again does not switch panes.
    controller->showPreferencesWindow();
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(controller->currentPane()->paneID(), "Sources");
}

TEST_F(LxPrefsControllerTest, AClickOnThePaneShownKeepsItsEdits) {
    controller->showPanes({"General", "Sources", "YView"}, "YView");
    log.clear();
    kit::Toolbar* toolbar = controller->preferencesWindow()->toolbar();
    toolbar->itemWithIdentifier("YView")->performAction();
    EXPECT_TRUE(log.isEmpty());
    toolbar->itemWithIdentifier("General")->performAction();
    EXPECT_EQ(log, QStringList({"YView.willClose", "General.willShow", "General.activated"}));
    EXPECT_EQ(toolbar->selectedItemIdentifier(), "General");
}

TEST_F(LxPrefsControllerTest, ThePaneShownIsRememberedInTheSettings) {
    controller->showPanes({"YView", "Sources"}, "Sources");
    auto& defaults = foundation::Defaults::standard();
    EXPECT_EQ(defaults.stringForKey(LxPrefsController::kSelectedPaneKey), "Sources");
    // Without a General pane the first listed pane that loads is shown first.
    EXPECT_EQ(log.first(), "YView.willShow");
}

TEST_F(LxPrefsControllerTest, FailedSwitchesChangeNothing) {
    add(QStringLiteral("Broken"), {100, 100}, false, false);
    EXPECT_FALSE(controller->loadPrefsPaneNamed("General", true));  // no window yet
    controller->showPanes({"General", "Broken"}, "General");
    kit::Window* window = controller->preferencesWindow();
    const QRectF frame = window->frame();
    EXPECT_FALSE(controller->loadPrefsPaneNamed("Broken", true));
    EXPECT_FALSE(controller->loadPrefsPaneNamed("Missing", true));
    EXPECT_EQ(controller->currentPane()->paneID(), "General");
    EXPECT_EQ(window->frame(), frame);
    EXPECT_EQ(window->title(), "General");
}

TEST_F(LxPrefsControllerTest, NoPaneThatLoadsGivesAnAlertAndNoWindow) {
    add(QStringLiteral("Broken"), {100, 100}, false, false);
    controller->setPanesOrder({"Broken"});
    QString shown;
    QTimer::singleShot(0, [&] {
        if (kit::Window* modal = kit::ModalSession::modalWindow()) {
            shown = QStringLiteral("alert");
            kit::ModalSession::stopModal();
        }
    });
    controller->showPreferencesWindow();
    EXPECT_EQ(shown, "alert");
    EXPECT_EQ(controller->preferencesWindow(), nullptr);
}

}  // namespace
