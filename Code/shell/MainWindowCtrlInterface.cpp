// The main window as the controller builds it: the window with its split views
// and containers, the progress strip, the toolbar, the application menu and the
// error sheet about the external configuration.

#include "shell/MainWindowCtrl.h"

#include "platform/foundation/Localized.h"
#include "platform/kit/Application.h"
#include "platform/kit/Box.h"
#include "platform/kit/Button.h"
#include "platform/kit/Color.h"
#include "platform/kit/Event.h"
#include "platform/kit/Font.h"
#include "platform/kit/Image.h"
#include "platform/kit/MenuBar.h"
#include "platform/kit/Toolbar.h"
#include "platform/kit/ToolbarItem.h"
#include "shell/AppDelegate.h"

#include <QCoreApplication>

using foundation::localized;

namespace {

// An empty area of one colour standing for a part that is built after the
// shell; none for a plain container.
kit::View* placeholder(const QRectF& frame, const QColor& color) {
    if (!color.isValid()) return new kit::View(frame);
    auto* box = new kit::Box(frame, kit::Box::Type::Custom);
    box->setBorderWidth(0);
    box->setCornerRadius(0);
    box->setFillColor(color);
    return box;
}

kit::View* make(const std::function<kit::View*(const QRectF&)>& factory, const QRectF& frame,
                const QColor& color = QColor()) {
    kit::View* view = factory ? factory(frame) : nullptr;
    return view ? view : placeholder(frame, color);
}

constexpr unsigned kFill = kit::View::WidthSizable | kit::View::HeightSizable;

}  // namespace

kit::Window* MainWindowCtrl::loadWindow() {
    auto* window = new MainWindow(QRectF(0, 0, kWindowWidth, kWindowHeight));
    window->setTitle(QStringLiteral("Zolt"));
    // The source column at its narrowest beside the two panes at theirs.
    window->setMinSize(QSizeF(MainSourceSplitView::kMinimumLeftWidth + 1.0 +
                                  MainSourceSplitView::kMinimumRightWidth + 200.0,
                              420.0));
    window->setDelegate(this);
    buildContent(window);
    buildToolbar(window);
    buildMainMenu();
    auto* bar = new kit::MenuBar(mainMenu_.get());
    window->setMenuBarWidget(bar);
    return window;
}

void MainWindowCtrl::windowDidLoad() {
    awakeFromNib();
}

// The source column beside the year and week area; the year area above the
// week pane. The views of the later parts are made here and placed by
// awakeFromNib, as the window's interface file would.
void MainWindowCtrl::buildContent(MainWindow* window) {
    const double w = kWindowWidth, h = kWindowHeight;
    const double left = kSourceColumnWidth;
    const double rightWidth = w - left - 1.0;

    auto* split = new MainSourceSplitView(QRectF(0, 0, w, h));
    split->setAutoresizingMask(kFill);
    window->setContentView(split);
    gui_mainWindowSplitView = split;

    gui_mainWindowLeftViewContainer = new EmptyContainerView(QRectF(0, 0, left, h));
    split->addSubview(gui_mainWindowLeftViewContainer);
    auto* yearWeek = new MainSplitView(QRectF(left + 1.0, 0, rightWidth, h));
    split->addSubview(yearWeek);
    gui_yearWeekSplitView = yearWeek;

    gui_mainWindowTopRightViewContainer =
        new EmptyContainerView(QRectF(0, 0, rightWidth, kYearAreaHeight));
    yearWeek->addSubview(gui_mainWindowTopRightViewContainer);
    const QRectF weekFrame(0, kYearAreaHeight, rightWidth, h - kYearAreaHeight);
    gui_calWeekView = make(services().makeWeekView, weekFrame, kit::Color::whiteColor());
    gui_calWeekView->setFrame(weekFrame);
    yearWeek->addSubview(gui_calWeekView);

    split->awakeFromNib();
    yearWeek->awakeFromNib();

    // The parts that awakeFromNib places into the containers.
    const QRectF column(0, 0, left, h);
    gui_calSourceView = make(services().makeSourceView, column);
    gui_calSourceListView =
        make(services().makeSourceListView, column, CSUProgressView::keyColor());
    gui_calSourceListView->setFrame(column);
    gui_calSourceListView->setAutoresizingMask(kFill);
    gui_calSourceView->addSubview(gui_calSourceListView);
    if (services().outlineViewOf) gui_calOLView = services().outlineViewOf(gui_calSourceListView);
    buildProgressStrip(gui_calSourceView);

    gui_calYearScroller =
        make(services().makeYearScroller, QRectF(0, 0, rightWidth, kYearAreaHeight));

    // The splitter handle and the two pane buttons lie on the bar at the
    // bottom of the year area; the year area enables the buttons once it has
    // them.
    const double bar = 23.0;
    gui_rightSplitButton = new kit::ImageView(QRectF(rightWidth - 43.0, 0, 43.0, bar));
    gui_rightSplitButton->setImageScaling(kit::ImageView::Scaling::None);
    gui_rightSplitButton->setAutoresizingMask(kit::View::MinXMargin | kit::View::MaxYMargin);
    gui_yearButton = new BottomButton(QRectF(47.0, 0, 28.0, bar));
    gui_yearButton->setImageNamed(QStringLiteral("YearButton"));
    gui_yearButton->setToolTip(
        localized(QStringLiteral("mwYearButtonTip"), QStringLiteral("Show the year only")));
    gui_weekButton = new BottomButton(QRectF(77.0, 0, 28.0, bar));
    gui_weekButton->setImageNamed(QStringLiteral("WeekButton"));
    gui_weekButton->setToolTip(
        localized(QStringLiteral("mwWeekButtonTip"), QStringLiteral("Show the week only")));
    // They act as the View menu's year-only and week-only items.
    gui_yearButton->setAction("menuCommandShowYear");
    gui_weekButton->setAction("menuCommandShowWeek");
    for (BottomButton* b : {gui_yearButton.data(), gui_weekButton.data()}) {
        b->setTarget(this);
        b->setAutoresizingMask(kit::View::MaxXMargin | kit::View::MaxYMargin);
        b->setEnabled(false);
    }
}

// The strip shares the source column with the list and lies below the
// column's bottom edge, hidden, until a job raises it.
void MainWindowCtrl::buildProgressStrip(kit::View* sourceView) {
    const double w = sourceView->bounds().width();
    const double h = kProgressStripHeight;
    gui_progressView = new CSUProgressView(QRectF(0, -h, w, h));
    gui_progressView->setAutoresizingMask(kit::View::WidthSizable | kit::View::MaxYMargin);
    gui_progressView->setHidden(true);

    gui_progressTxt = kit::TextField::labelWithString(
        localized(QStringLiteral("progressViewText"), QStringLiteral("Loading")),
        QRectF(8, 4, 64, 16));
    gui_progressTxt->setTextFont(kit::Font::systemFont(11));
    gui_progressTxt->setTextColor(kit::Color::white(0.3));
    gui_progressView->addSubview(gui_progressTxt);

    gui_progressInd = new kit::ProgressIndicator(QRectF(76, 7, w - 84, 10));
    gui_progressInd->setAutoresizingMask(kit::View::WidthSizable);
    gui_progressInd->setIndeterminate(true);
    gui_progressView->addSubview(gui_progressInd);

    sourceView->addSubview(gui_progressView);
}

void MainWindowCtrl::buildToolbar(MainWindow* window) {
    struct ItemSpec {
        const char* identifier;
        const char* key;
        const char* english;
        const char* action;
        const char* tip;
    };
    static const ItemSpec specs[] = {
        {"TBToday", "tbToday", "Today", "toolbarShowToday", "Show today"},
        {"TBYear", "tbYear", "Year", "toolbarGotoYear", "Show the year only"},
        {"TBWeek", "tbWeek", "Week", "toolbarGotoWeek", "Show the week only"},
        {nullptr, nullptr, nullptr, nullptr, nullptr},
        {"TBNewEvent", "tbNewEvent", "New Event", "toolbarNewEvent", "Create a new event"},
        {"TBNewCal", "tbNewCal", "New Calendar", "toolbarNewCalendar", "Create a new calendar"},
        {"TBEdit", "tbEdit", "Edit", "toolbarEdit", "Edit the selection"},
        {"TBInfo", "tbInfo", "Info", "toolbarInfo", "Show information on the selection"},
        {nullptr, nullptr, nullptr, nullptr, nullptr},
        {"TBFind", "tbFind", "Find", "toolbarFind", "Find events"},
        {"TBPrint", "tbPrint", "Print", "toolbarPrint", "Print the week"},
        {"TBPrefs", "tbPrefs", "Preferences", "toolbarPreferences", "Open the preferences"},
    };
    auto* toolbar = new kit::Toolbar(QStringLiteral("MainWindowToolbar"));
    for (const ItemSpec& spec : specs) {
        if (!spec.identifier) {
            toolbar->addItem(new kit::ToolbarItem(kit::ToolbarItem::flexibleSpaceIdentifier()));
            continue;
        }
        const QString identifier = QString::fromLatin1(spec.identifier);
        auto* item = new kit::ToolbarItem(identifier);
        item->setLabel(localized(QString::fromLatin1(spec.key), QString::fromLatin1(spec.english)));
        item->setToolTip(localized(QString::fromLatin1(spec.key) + QStringLiteral("Tip"),
                                   QString::fromLatin1(spec.tip)));
        item->setImage(kit::Image::named(identifier));
        item->setTarget(this);
        item->setAction(spec.action);
        toolbar->addItem(item);
    }
    window->setToolbar(toolbar);
}

kit::MenuItem* MainWindowCtrl::addMenuItem(kit::Menu* menu, int tag, const QString& key,
                                           const QString& english, const QByteArray& action,
                                           const QString& keyEquivalent) {
    kit::MenuItem* item = menu->addItemWithTitle(localized(key, english), action, keyEquivalent);
    item->setTag(tag);
    if (!action.isEmpty()) item->setTarget(this);
    return item;
}

// The application menu with every command of the window and the application.
// Items that act on the application delegate call it directly.
void MainWindowCtrl::buildMainMenu() {
    mainMenu_ = std::make_unique<kit::Menu>(QStringLiteral("MainMenu"));
    auto submenu = [this](const QString& key, const QString& english) {
        const QString title = localized(key, english);
        kit::MenuItem* holder = mainMenu_->addItemWithTitle(title);
        auto* menu = new kit::Menu(title);
        holder->setSubmenu(menu);
        return menu;
    };
    auto delegateItem = [this](kit::Menu* menu, int tag, const QString& key, const QString& english,
                               void (AppDelegate::*command)(QObject*),
                               const QString& keyEquivalent = QString()) {
        kit::MenuItem* item = addMenuItem(menu, tag, key, english, QByteArray(), keyEquivalent);
        item->setActionHandler([command](QObject* sender) {
            if (AppDelegate* app = AppDelegate::obj()) (app->*command)(sender);
        });
        return item;
    };
    auto separator = [](kit::Menu* menu) { menu->addItem(kit::MenuItem::separatorItem()); };

    kit::Menu* app = submenu(QStringLiteral("mmApplication"), QStringLiteral("Zolt"));
    delegateItem(app, kTagAbout, QStringLiteral("mmAbout"), QStringLiteral("About Zolt"),
                 &AppDelegate::menuAbout);
    separator(app);
    delegateItem(app, kTagPreferences, QStringLiteral("mmPreferences"),
                 QStringLiteral("Preferences..."), &AppDelegate::menuPreferences,
                 QStringLiteral(","));
    delegateItem(app, kTagAssistant, QStringLiteral("mmAssistant"),
                 QStringLiteral("Setup Assistant..."), &AppDelegate::menuAssistant);
    separator(app);
    kit::MenuItem* quit =
        addMenuItem(app, kTagQuit, QStringLiteral("mmQuit"), QStringLiteral("Quit Zolt"),
                    QByteArray(), QStringLiteral("q"));
    quit->setActionHandler([](QObject*) { kit::Application::terminate(); });

    kit::Menu* file = submenu(QStringLiteral("mmFile"), QStringLiteral("File"));
    gui_mainMenuNewEvent =
        addMenuItem(file, kTagNewEvent, QStringLiteral("mmNewEvent"), QStringLiteral("New Event"),
                    "menuCommandNewEvent", QStringLiteral("n"));
    kit::MenuItem* add = addMenuItem(file, kTagAddMenu, QStringLiteral("mmAddCalendar"),
                                     QStringLiteral("New Calendar"), QByteArray());
    gui_mainMenuAddMenu = new kit::Menu(add->title());
    add->setSubmenu(gui_mainMenuAddMenu);
    addMenuItem(file, kTagNewMarker, QStringLiteral("mmNewMarker"), QStringLiteral("New Marker"),
                "menuCommandNewMarker");
    separator(file);
    addMenuItem(file, kTagReloadData, QStringLiteral("mmReloadData"), QStringLiteral("Reload Year"),
                "menuCommandReloadData", QStringLiteral("r"));
    addMenuItem(file, kTagCheckConsistency, QStringLiteral("mmCheckConsistency"),
                QStringLiteral("Check Consistency"), "menuCommandCheckConsistency");
    separator(file);
    kit::MenuItem* close =
        addMenuItem(file, kTagCloseWindow, QStringLiteral("mmCloseWindow"),
                    QStringLiteral("Close Window"), QByteArray(), QStringLiteral("w"));
    close->setActionHandler([this](QObject* sender) {
        if (kit::Window* w = window()) w->performClose(sender);
    });
    separator(file);
    addMenuItem(file, kTagPageSetup, QStringLiteral("mmPageSetup"), QStringLiteral("Page Setup..."),
                "menuCommandPageSetup", QStringLiteral("P"));
    addMenuItem(file, kTagPrint, QStringLiteral("mmPrint"), QStringLiteral("Print Week..."),
                "menuCommandPrint", QStringLiteral("p"));

    kit::Menu* edit = submenu(QStringLiteral("mmEdit"), QStringLiteral("Edit"));
    gui_mainMenuEdit = addMenuItem(edit, kTagEdit, QStringLiteral("mmEditSelection"),
                                   QStringLiteral("Edit"), "menuCommandEdit", QStringLiteral("e"));
    gui_mainMenuInformation =
        addMenuItem(edit, kTagInformation, QStringLiteral("mmInformation"),
                    QStringLiteral("Information"), "menuCommandInformation", QStringLiteral("i"));
    separator(edit);
    addMenuItem(edit, kTagFind, QStringLiteral("mmFind"), QStringLiteral("Find..."),
                "menuCommandFind", QStringLiteral("f"));

    kit::Menu* view = submenu(QStringLiteral("mmView"), QStringLiteral("View"));
    addMenuItem(view, kTagShowYear, QStringLiteral("mmShowYear"), QStringLiteral("Year Only"),
                "menuCommandShowYear", QStringLiteral("1"));
    addMenuItem(view, kTagShowWeek, QStringLiteral("mmShowWeek"), QStringLiteral("Week Only"),
                "menuCommandShowWeek", QStringLiteral("2"));
    separator(view);
    addMenuItem(view, kTagWeek5Day, QStringLiteral("mmWeek5Day"),
                QStringLiteral("Monday to Friday"), "menuCommandWeek5Day");
    addMenuItem(view, kTagWeek7Day, QStringLiteral("mmWeek7Day"), QStringLiteral("Whole Week"),
                "menuCommandWeek7Day");
    addMenuItem(view, kTagWeekNext5, QStringLiteral("mmWeekNext5"),
                QStringLiteral("Next Five Days"), "menuCommandWeekNext5");
    addMenuItem(view, kTagWeekNext7, QStringLiteral("mmWeekNext7"),
                QStringLiteral("Next Seven Days"), "menuCommandWeekNext7");
    separator(view);
    addMenuItem(view, kTagCustYearView, QStringLiteral("mmCustYearView"),
                QStringLiteral("Customize Year View..."), "menuCommandCustYearView");
    addMenuItem(view, kTagCustWeekView, QStringLiteral("mmCustWeekView"),
                QStringLiteral("Customize Week View..."), "menuCommandCustWeekView");
    separator(view);
    addMenuItem(view, kTagToggleToolbar, QStringLiteral("mmHideToolbar"),
                QStringLiteral("Hide Toolbar"), "toggleToolbarShown");

    kit::Menu* go = submenu(QStringLiteral("mmGo"), QStringLiteral("Go"));
    addMenuItem(go, kTagGotoToday, QStringLiteral("mmGotoToday"), QStringLiteral("Today"),
                "menuCommandGotoToday", QStringLiteral("t"));
    separator(go);
    gui_mainMenuNextYear = addMenuItem(go, kTagNextYear, QStringLiteral("mmNextYear"),
                                       QStringLiteral("Next Year"), "menuCommandNextYear");
    gui_mainMenuPrevYear = addMenuItem(go, kTagPrevYear, QStringLiteral("mmPrevYear"),
                                       QStringLiteral("Previous Year"), "menuCommandPrevYear");
    gui_mainMenuNextWeek = addMenuItem(go, kTagNextWeek, QStringLiteral("mmNextWeek"),
                                       QStringLiteral("Next Week"), "menuCommandNextWeek");
    gui_mainMenuPrevWeek = addMenuItem(go, kTagPrevWeek, QStringLiteral("mmPrevWeek"),
                                       QStringLiteral("Previous Week"), "menuCommandPrevWeek");

    kit::Menu* help = submenu(QStringLiteral("mmHelp"), QStringLiteral("Help"));
    delegateItem(help, kTagHelp, QStringLiteral("mmZoltHelp"), QStringLiteral("Zolt Help"),
                 &AppDelegate::menuHelp, QStringLiteral("?"));
}

// A sheet with the reason and an OK button; made on first use.
void MainWindowCtrl::buildErrorPanel() {
    const double w = 440.0, h = 150.0;
    auto panel = std::make_unique<kit::Window>(QRectF(0, 0, w, h), kit::Window::Titled);
    panel->setTitle(localized(QStringLiteral("errorPanelExternalConfigTitle"),
                              QStringLiteral("External Configuration Not Read")));
    kit::View* content = panel->contentView();
    auto* headline = kit::TextField::labelWithString(
        localized(QStringLiteral("errorPanelExternalConfigTitle"),
                  QStringLiteral("External Configuration Not Read")),
        QRectF(20, h - 38, w - 40, 20));
    headline->setTextFont(kit::Font::boldSystemFont(13));
    content->addSubview(headline);
    auto* text = kit::TextField::labelWithString(
        localized(QStringLiteral("errorPanelExternalConfigText"),
                  QStringLiteral("The external configuration file was written by another "
                                 "version of Zolt. Your settings were not changed, and the "
                                 "file will not be written until you turn the external "
                                 "configuration on again.")),
        QRectF(20, 50, w - 40, h - 94));
    text->setWraps(true);
    content->addSubview(text);
    auto* ok = new kit::Button(QRectF(w - 110, 12, 90, 28));
    ok->setTitle(localized(QStringLiteral("okButton"), QStringLiteral("OK")));
    ok->setKeyEquivalent(QStringLiteral("\r"));
    ok->setTarget(this);
    ok->setAction("okErrorPanelExternalPrefs");
    content->addSubview(ok);
    gui_errorPanelExternalConfig = std::move(panel);
}
