// The editor's window, built in code: the header over the seven panes.
#include "events/EventConfigController.h"

#include "events/MyDatePicker.h"
#include "platform/foundation/Localized.h"
#include "platform/kit/Box.h"
#include "platform/kit/Button.h"
#include "platform/kit/Color.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Font.h"
#include "platform/kit/Image.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/SegmentedControl.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Window.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"

#include <QPainter>

namespace {

constexpr double kWidth = 460;
constexpr double kHeaderHeight = 64;
constexpr double kFooterHeight = 42;  // the buttons under the panes
constexpr double kPaneBand = 20;      // the panes' header band
constexpr double kDataLabelX = 120;

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

// The thin upright line that sets the time fields apart from their buttons.
QImage barImage() {
    QImage image = kit::Image::withSize(QSizeF(2, 30));
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, image.height());
    gradient.setColorAt(0, QColor(0, 0, 0, 0));
    gradient.setColorAt(0.5, QColor(0, 0, 0, 70));
    gradient.setColorAt(1, QColor(0, 0, 0, 0));
    painter.fillRect(image.rect(), gradient);
    return image;
}

kit::Button* iconButton(const QRectF& frame, const QString& imageName) {
    auto* button = new kit::Button(frame);
    button->setBordered(false);
    button->setImageNamed(imageName);
    return button;
}

}  // namespace

kit::TextField* EventConfigController::label(const QString& title, const QRectF& frame,
                                             bool rightAligned) {
    kit::TextField* field = kit::TextField::labelWithString(title, frame);
    field->setTextFont(kit::Font::systemFont(kit::Font::smallSystemFontSize()));
    field->setAlignment(rightAligned ? kit::TextAlignment::Right : kit::TextAlignment::Left);
    return field;
}

kit::Window* EventConfigController::loadWindow() {
    // The content heights of the panes, top to bottom, as they are disclosed.
    const double dates = 200, recurrence = 40, line = 34, alarm = 30, notes = 90;
    const double heights[7] = {dates, recurrence, line, line, alarm, line, notes};
    double total = kHeaderHeight + kFooterHeight;
    for (double h : heights) total += kPaneBand + h + 1;

    auto* w = new kit::Window(QRectF(200, 200, kWidth, total),
                              kit::Window::Titled | kit::Window::Closable);
    w->setTitle(text("eceWindowTitle"));
    w->setMinSize(QSizeF(kWidth, total));
    kit::View* root = w->contentView();

    // Header
    auto* header = new kit::View(QRectF(0, total - kHeaderHeight, kWidth, kHeaderHeight));
    header->setAutoresizingMask(kit::View::MinYMargin | kit::View::WidthSizable);
    root->addSubview(header);
    gui_eventImage = new kit::ImageView(QRectF(14, 20, 32, 32));
    header->addSubview(gui_eventImage);
    gui_title = new kit::TextField(QRectF(56, 28, 330, 24));
    gui_title->setTextFont(kit::Font::boldSystemFont(kit::Font::systemFontSize()));
    header->addSubview(gui_title);
    gui_alarmIcon = iconButton(QRectF(kRecurrenceIconX, 32, 16, 16), QStringLiteral("EventAlarm"));
    header->addSubview(gui_alarmIcon);
    gui_recurrenceIcon =
        iconButton(QRectF(kRecurrenceIconX, 32, 16, 16), QStringLiteral("EventRecurrence"));
    header->addSubview(gui_recurrenceIcon);
    gui_warningIcon = new kit::ImageView(QRectF(56, 6, 16, 16));
    gui_warningIcon->setImage(kit::Image::named(QStringLiteral("EventWarning")));
    header->addSubview(gui_warningIcon);
    gui_warningLabel = label(QString(), QRectF(76, 6, 360, 16));
    gui_warningLabel->setTextColor(QColor(170, 30, 30));
    header->addSubview(gui_warningLabel);

    // The panes, stacked downwards from the header.
    double top = total - kHeaderHeight;
    const char* titles[7] = {"eceDatesPane",     "eceRecurrencePane", "eceLocationPane",
                             "eceAttendeesPane", "eceAlarmPane",      "eceUrlPane",
                             "eceNotesPane"};
    CollapsablePanel* made[7] = {};
    for (int i = 0; i < 7; ++i) {
        const double h = kPaneBand + heights[i] + 1;
        top -= h;
        made[i] =
            new CollapsablePanel(QRectF(0, top, kWidth, h), text(titles[i]), true, kDataLabelX);
        made[i]->setAutoresizingMask(kit::View::MinYMargin | kit::View::WidthSizable);
        root->addSubview(made[i]);
    }
    gui_datePane = made[0];
    gui_recurrencePane = made[1];
    gui_locationPane = made[2];
    gui_attendeesPane = made[3];
    gui_alarmPane = made[4];
    gui_urlPane = made[5];
    gui_notesPane = made[6];

    // Dates: the range of days at the left, the full-day switch and the clock
    // at the right, and below them the time block's row of fields.
    gui_dpDates = new kit::DatePicker(QRectF(10, 54, 220, 140), kit::DatePicker::Style::Graphical);
    gui_datePane->addToContentView(gui_dpDates);
    gui_dpFullday = new kit::Button(QRectF(250, 172, 190, 20), kit::Button::Type::Checkbox);
    gui_dpFullday->setTitle(text("eceFullday"));
    gui_dpFullday->setTarget(this);
    gui_dpFullday->setAction("dpClickFullday");
    gui_datePane->addToContentView(gui_dpFullday);
    gui_dpTimes = new kit::DatePicker(QRectF(280, 58, 110, 110), kit::DatePicker::Style::Clock,
                                      kit::DatePicker::Elements::Time);
    gui_datePane->addToContentView(gui_dpTimes);
    gui_dpBar1 = new kit::Box(QRectF(10, 46, 440, 1), kit::Box::Type::Separator);
    gui_datePane->addToContentView(gui_dpBar1);
    // The start and the end time each: label, field, bar and Set button.
    struct TimeRow {
        kit::TextField*& label;
        MyDatePicker*& field;
        kit::ImageView*& bar;
        kit::Button*& set;
        const char* title;
        const char* action;
        double x;
    };
    const TimeRow rows[2] = {
        {gui_dpLabelStartTime, gui_dpStartTime, gui_dpBar2, gui_dpSetStartTime, "eceStartTime",
         "setStartTime", 10},
        {gui_dpLabelEndTime, gui_dpEndTime, gui_dpBar3, gui_dpSetEndTime, "eceEndTime",
         "setEndTime", 222},
    };
    for (const TimeRow& row : rows) {
        row.label = label(text(row.title), QRectF(row.x, 16, 46, 16), true);
        gui_datePane->addToContentView(row.label);
        row.field = new MyDatePicker(QRectF(row.x + 50, 12, 80, 24));
        gui_datePane->addToContentView(row.field);
        row.bar = new kit::ImageView(QRectF(row.x + 136, 9, 2, 30));
        row.bar->setImage(barImage());
        gui_datePane->addToContentView(row.bar);
        row.set = new kit::Button(QRectF(row.x + 142, 12, 52, 24));
        row.set->setTitle(text("eceSetTime"));
        row.set->setTarget(this);
        row.set->setAction(row.action);
        gui_datePane->addToContentView(row.set);
    }

    // Repetition: the pattern; the rule's own controls come below it.
    gui_rpPattern = new kit::SegmentedControl(QRectF(40, 8, 380, 24));
    gui_rpPattern->setSegmentCount(5);
    const char* patterns[5] = {"eceRecurrenceNone", "eceRecurrenceDaily", "eceRecurrenceWeekly",
                               "eceRecurrenceMonthly", "eceRecurrenceYearly"};
    for (int i = 0; i < 5; ++i) gui_rpPattern->setLabelForSegment(text(patterns[i]), i);
    gui_rpPattern->setTarget(this);
    gui_rpPattern->setAction("patternSelect");
    gui_recurrencePane->addToContentView(gui_rpPattern);
    buildRecurrenceSubviews();

    // Location, attendees, URL, notes.
    gui_lpLocation = new kit::TextField(QRectF(10, 6, 440, 22));
    gui_locationPane->addToContentView(gui_lpLocation);
    gui_apAttendees = new kit::TextField(QRectF(10, 6, 440, 22));
    gui_attendeesPane->addToContentView(gui_apAttendees);
    gui_upUrl = new kit::TextField(QRectF(10, 6, 440, 22));
    gui_urlPane->addToContentView(gui_upUrl);
    gui_npNotes = new kit::TextView(QRectF(10, 6, 440, 78));
    gui_npNotes->setEditable(true);
    gui_notesPane->addToContentView(gui_npNotes);

    // Under the panes: show the event in the week view, and save it.
    gui_findButton = new kit::Button(QRectF(12, 8, 130, 28));
    gui_findButton->setTitle(text("eceShowInWeek"));
    gui_findButton->setTarget(this);
    gui_findButton->setAction("findEvent");
    root->addSubview(gui_findButton);
    gui_saveButton = new kit::Button(QRectF(kWidth - 112, 8, 100, 28));
    gui_saveButton->setTitle(text("eceSave"));
    gui_saveButton->setTarget(this);
    gui_saveButton->setAction("saveButton");
    root->addSubview(gui_saveButton);

    w->center();
    return w;
}

void EventConfigController::windowDidLoad() {
    window()->setDelegate(this);
    for (CollapsablePanel* pane : panes()) {
        if (!pane || pane == gui_alarmPane) continue;
        pane->setDrawsTitlebarWhileCollapsed(false);
        pane->setDataForDisclosedState(QString());
        pane->setUsesAnimation(true);
        pane->setDrawsContentBackground(true);
        pane->setDelegate(this);
    }
}

std::array<CollapsablePanel*, 7> EventConfigController::panes() const {
    return {gui_datePane,  gui_recurrencePane, gui_locationPane, gui_attendeesPane,
            gui_alarmPane, gui_urlPane,        gui_notesPane};
}

std::array<kit::View*, 10> EventConfigController::timeBlock() const {
    return {gui_dpTimes,        gui_dpLabelStartTime, gui_dpLabelEndTime, gui_dpStartTime,
            gui_dpEndTime,      gui_dpBar1,           gui_dpBar2,         gui_dpBar3,
            gui_dpSetStartTime, gui_dpSetEndTime};
}
