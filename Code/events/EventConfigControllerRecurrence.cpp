// The repetition pane: the working rule taken from the event, the rule
// sub-view of the chosen kind put into the pane, the controls set from the
// working rule, and the handlers of the pattern, ending and day choices. The
// pane grows and shrinks with what is shown; every handler decides from the
// present state of the controls whether to move anything, so that a sub-view
// kept from an earlier opening is only changed where it differs.
#include "events/EventConfigController.h"

#include "data/MyDate.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/SegmentedControl.h"
#include "platform/kit/TextField.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"

#include <algorithm>

namespace {

constexpr int kNever = 1, kAfterCount = 2, kOnDate = 3;

bool isOn(const kit::Button* box) {
    return box && box->state() == kit::Button::On;
}

void setEnabled(kit::View* view, bool enabled) {
    if (view) view->setEnabled(enabled);
}

void moveBy(kit::View* view, double dy) {
    if (view) view->setFrame(view->frame().translated(0, dy));
}

// Grows (positive) or shrinks a view by `dh` and moves its origin by `dy`.
void reshape(kit::View* view, double dy, double dh) {
    QRectF f = view->frame();
    f.translate(0, dy);
    f.setHeight(f.height() + dh);
    view->setFrame(f);
}

// The long day names in the order the week is shown.
QStringList dayNamesInWeekOrder() {
    const bool sunday = EventConfigController::weekStartsSunday();
    QStringList names;
    for (int p = 0; p < 7; ++p)
        names << foundation::localized(
            QStringLiteral("dayText%1")
                .arg(EventConfigController::weekdayForPosition(p, sunday) - 1));
    return names;
}

void fillWeekdayPopup(kit::PopUpButton* popup) {
    if (!popup) return;
    popup->removeAllItems();
    popup->addItemsWithTitles(dayNamesInWeekOrder());
}

bool hasNth(const LocalRecurrenceRule& rule) {
    return rule.nthWeekDaysOfTheMonth && !rule.nthWeekDaysOfTheMonth->isEmpty();
}

}  // namespace

std::array<kit::View*, 5> RecurrenceControls::endingControls() const {
    return {endingStyle, endingNum, endingDate, endingLabel, occLabel};
}

bool RecurrenceControls::dayRowShown() const {
    return !dayRow.isEmpty() && !dayRow.first()->isHidden();
}

// -- Numbering of the controls

int EventConfigController::weekNumberForOrdinalEntry(int entry) {
    return entry >= 0 && entry < kLastOrdinalEntry ? entry + 1 : -1;
}

int EventConfigController::ordinalEntryForWeekNumber(int weekNumber) {
    if (weekNumber < 1) return kLastOrdinalEntry;
    return std::min(weekNumber, kLastOrdinalEntry) - 1;
}

int EventConfigController::weekdayForPosition(int position, bool sundayFirst) {
    const int weekday = position + (sundayFirst ? 1 : 2);
    return weekday == 8 ? 1 : weekday;
}

int EventConfigController::positionForWeekday(int weekday, bool sundayFirst) {
    int position = std::clamp(weekday - 1, 0, 6);
    if (!sundayFirst) position = position == 0 ? 6 : position - 1;
    return position;
}

// -- The working rule

void EventConfigController::captureRecurrenceSettings() {
    const auto stored = _event ? _event->recurrenceRule() : std::nullopt;
    modifiedRecRule =
        LocalRecurrenceRule::fromStoreRule(stored, _event ? _event->startDate() : QDateTime());
    // A rule the working record cannot hold is shown by its frequency, with
    // its interval and ending; it stays as stored unless the user changes it.
    if (stored && !stored->isRepresentable()) {
        const QString text = stored->iCalendarText().toUpper();
        const char* frequencies[4] = {"FREQ=DAILY", "FREQ=WEEKLY", "FREQ=MONTHLY", "FREQ=YEARLY"};
        for (int kind = 0; kind < 4; ++kind)
            if (text.contains(QLatin1String(frequencies[kind])))
                modifiedRecRule.recurrenceType = kind;
    }
}

int EventConfigController::currentEndingTag() const {
    if (!modifiedRecRule.recurrenceEnd) return kNever;
    return modifiedRecRule.recurrenceEndUsesEndDate ? kOnDate : kAfterCount;
}

QList<MyNthWeekDayPtr> EventConfigController::storedOrStartNthWeekDays() const {
    const auto stored = _event ? _event->recurrenceRule() : std::nullopt;
    if (stored && !stored->nthWeekDaysOfTheMonth().isEmpty())
        return MyNthWeekDay::arrayWithObjects(stored->nthWeekDaysOfTheMonth()).value();
    const MyDate start(_event ? _event->startDate() : QDateTime::currentDateTime());
    return {MyNthWeekDay::objWithNthAndWeekday(1, start.weekdayNum() + 1)};
}

// -- Placing the sub-view

void EventConfigController::changePaneContentBy(CollapsablePanel* pane, double delta) {
    if (!pane || delta == 0) return;
    if (!pane->isCollapsed()) {
        pane->changeContentHeightBy(float(delta));
        return;
    }
    // Disclosing the pane here would open it behind the user's back: only its
    // content changes, and the pane shows it at that height once disclosed.
    kit::View* content = pane->contentView();
    if (!content) return;
    QRectF f = content->frame();
    f.setHeight(f.height() + delta);
    const bool autoresizes = content->autoresizesSubviews();
    content->setAutoresizesSubviews(true);
    content->setFrame(f);
    content->setAutoresizesSubviews(autoresizes);
}

void EventConfigController::setupRecurrencePaneForTypeFromUI(int type, bool fromUI) {
    if (!gui_recurrencePane) return;
    if (fromUI && type == modifiedRecRule.recurrenceType) return;
    const double width = gui_recurrencePane->frame().width();
    double old = 0;
    if (currentRPsubview) {
        old = currentRPsubview->frame().height();
        currentRPsubview->removeFromSuperview();
        currentRPsubview = nullptr;
    }
    if (fromUI) {
        modifiedRecRule.rule = type >= 0 && type <= 3;
        modifiedRecRule.recurrenceType = modifiedRecRule.rule ? type : -1;
    }
    const int kind = modifiedRecRule.rule ? modifiedRecRule.recurrenceType : -1;
    // Rules of a kind the pattern control has no segment for show none.
    if (kind < 0 || kind > 3) {
        changePaneContentBy(gui_recurrencePane, -old);
        gui_rpPattern->setSelectedSegment(0);
        return;
    }
    RecurrenceControls& c = rpControls(kind);
    rpUpdateStyle(kind);
    rpUpdateEndDatePickerWithPaneUpdate(kind, false);
    if (fromUI && kind > 0) rpCheckDays(kind, false);
    const double height = float(c.view->frame().height());
    // Placed below the pane's content, which then grows over it.
    c.view->setFrame(QRectF(0, -(height - old), width, height));
    gui_recurrencePane->addToContentView(c.view);
    changePaneContentBy(gui_recurrencePane, height - old);
    currentRPsubview = c.view;
    gui_rpPattern->setSelectedSegment(kind + 1);
}

void EventConfigController::patternSelect(QObject*) {
    const int segment = gui_rpPattern ? gui_rpPattern->selectedSegment() : -1;
    if (segment == 0)
        setupRecurrencePaneForTypeFromUI(-1, true);
    else if (segment >= 1 && segment <= 4)
        setupRecurrencePaneForTypeFromUI(segment - 1, true);
    else
        foundation::log(QStringLiteral("oops: recurrence set to what?"));
    placeRecurrenceIcon();
}

void EventConfigController::placeRecurrenceIcon() {
    if (!gui_recurrenceIcon) return;
    QRectF f = gui_recurrenceIcon->frame();
    const bool alarm = _event && _event->hasAlarm();
    f.moveLeft(alarm ? kRecurrenceIconXWithAlarm : kRecurrenceIconX);
    gui_recurrenceIcon->setFrame(f);
    gui_recurrenceIcon->setHidden(!modifiedRecRule.rule);
}

// -- The family of the four kinds

void EventConfigController::rpDailyEndingSelect(QObject*) {
    rpEndingSelect(0);
}
void EventConfigController::rpWeeklyEndingSelect(QObject*) {
    rpEndingSelect(1);
}
void EventConfigController::rpMonthlyEndingSelect(QObject*) {
    rpEndingSelect(2);
}
void EventConfigController::rpYearlyEndingSelect(QObject*) {
    rpEndingSelect(3);
}
void EventConfigController::rpClickWeeklyDays(QObject* sender) {
    rpClickDays(1, sender);
}
void EventConfigController::rpClickMonthlyDays(QObject* sender) {
    rpClickDays(2, sender);
}
void EventConfigController::rpClickYearlyDays(QObject* sender) {
    rpClickDays(3, sender);
}

void EventConfigController::rpEndingSelect(int kind) {
    RecurrenceControls& c = rpControls(kind);
    const int tag = c.endingStyle->selectedTag();
    if (tag == currentEndingTag() || tag < kNever || tag > kOnDate) return;
    // The count the rule had is offered again; 2 only seeds a rule without one.
    const int count = modifiedRecRule.recurrenceEndOccurrenceCount >= 1
                          ? modifiedRecRule.recurrenceEndOccurrenceCount
                          : 2;
    setEnabled(c.endingNum, tag == kAfterCount);
    c.endingNum->setStringValue(tag == kAfterCount ? QString::number(count) : QString());
    modifiedRecRule.recurrenceEnd = tag != kNever;
    modifiedRecRule.recurrenceEndUsesEndDate = tag == kOnDate;
    rpUpdateEndDatePickerWithPaneUpdate(kind, true);
}

void EventConfigController::rpUpdateStyle(int kind) {
    RecurrenceControls& c = rpControls(kind);
    c.interval->setStringValue(QString::number(modifiedRecRule.recurrenceInterval));
    if (modifiedRecRule.recurrenceEndEndDate)
        c.endingDate->setDateValue(modifiedRecRule.recurrenceEndEndDate->nsDate());
    if (kind == 1)
        rpUpdateWeeklyWeekdays();
    else if (kind == 2)
        rpUpdateMonthlyPopups();
    else if (kind == 3)
        rpUpdateYearlyPopups();
    const int tag = currentEndingTag();
    c.endingStyle->selectCellWithTag(tag);
    setEnabled(c.endingNum, tag == kAfterCount);
    c.endingNum->setStringValue(
        tag == kAfterCount
            ? QString::number(std::max(1, modifiedRecRule.recurrenceEndOccurrenceCount))
            : QString());
}

void EventConfigController::rpUpdateEndDatePickerWithPaneUpdate(int kind, bool resize) {
    RecurrenceControls& c = rpControls(kind);
    const bool hide = currentEndingTag() != kOnDate;
    c.endingStyle->setTitleOfCellWithTag(
        foundation::localized(hide ? QStringLiteral("wveipRecurrenceAfterGivenDate")
                                   : QStringLiteral("wveipRecurrenceAfterFollowingDate")),
        kOnDate);
    // The daily sub-view tells by its height whether the picker is shown.
    const bool shown =
        kind == 0 ? c.view->frame().height() > kDailyPickerEdge : !c.endingDate->isHidden();
    if (shown == !hide) return;
    const double delta = hide ? -kEndPickerHeight : kEndPickerHeight;
    c.endingDate->setHidden(hide);
    reshape(c.view, resize ? -delta : 0, delta);
    if (resize) changePaneContentBy(gui_recurrencePane, delta);
}

void EventConfigController::rpClickDays(int kind, QObject* sender) {
    RecurrenceControls& c = rpControls(kind);
    if (!c.useDays) return;
    const bool off = !isOn(c.useDays);
    const bool shown = c.dayRowShown();
    if (shown != off) return;
    const double delta = off ? -c.rowHeight : c.rowHeight;
    if (sender != this) changePaneContentBy(gui_recurrencePane, delta);
    for (kit::View* view : c.dayRow) view->setHidden(off);
    for (kit::View* view : c.endingControls()) moveBy(view, -delta);
    reshape(c.view, -delta, delta);
}

void EventConfigController::rpCheckDays(int kind, bool resize) {
    RecurrenceControls& c = rpControls(kind);
    LocalRecurrenceRule& r = modifiedRecRule;
    const MyDate start(_event ? _event->startDate() : QDateTime::currentDateTime());
    // A rule restricted only to the start's own day or month shows as unrestricted.
    auto dropLone = [&r](std::optional<QList<int>>& list, int own) {
        if (list && list->size() == 1 && !hasNth(r) && list->first() == own) list.reset();
    };
    bool on = false;
    if (kind == 1) {
        on = r.daysOfTheWeek.has_value();
    } else if (kind == 2) {
        dropLone(r.daysOfTheMonth, start.dayNum());
        on = r.daysOfTheMonth.has_value() || r.nthWeekDaysOfTheMonth.has_value();
    } else if (kind == 3) {
        dropLone(r.monthsOfTheYear, start.monthNum());
        on = r.monthsOfTheYear.has_value() || r.nthWeekDaysOfTheMonth.has_value();
    }
    if (!c.useDays) return;
    c.useDays->setState(on ? kit::Button::On : kit::Button::Off);
    rpClickDays(kind, resize ? static_cast<QObject*>(c.useDays) : this);
}

// -- Weekly

void EventConfigController::rpUpdateWeeklyWeekdays() {
    kit::SegmentedControl* weekdays = gui_rpWeekly.weekdays;
    const bool sunday = weekStartsSunday();
    for (int p = 0; p < 7; ++p) {
        weekdays->setLabelForSegment(
            foundation::localized(
                QStringLiteral("shortDayText%1").arg(weekdayForPosition(p, sunday) - 1)),
            p);
        weekdays->setSelectedForSegment(false, p);
    }
    const auto& days = modifiedRecRule.daysOfTheWeek;
    if (days && !days->isEmpty()) {
        for (int w : *days) weekdays->setSelectedForSegment(true, positionForWeekday(w, sunday));
    } else {
        const MyDate start(_event ? _event->startDate() : QDateTime::currentDateTime());
        weekdays->setSelectedForSegment(true, positionForWeekday(start.weekdayNum() + 1, sunday));
    }
}

// -- Monthly

void EventConfigController::rpSelectNthPopups(const RecurrenceControls& c,
                                              const MyNthWeekDayPtr& entry) {
    if (!entry) return;
    c.numPopup->selectItemAtIndex(ordinalEntryForWeekNumber(entry->weekNumber()));
    c.weekdayPopup->selectItemAtIndex(
        positionForWeekday(entry->dayOfTheWeek(), weekStartsSunday()));
}

void EventConfigController::rpUpdateMonthlyPopups() {
    fillWeekdayPopup(gui_rpMonthly.weekdayPopup);
    // The day kind follows the working rule before the first refresh, which
    // loads the restriction of the selected kind.
    gui_rpMonthly.daysType->selectCellWithTag(
        !modifiedRecRule.daysOfTheMonth && hasNth(modifiedRecRule) ? 2 : 1);
    rpClickMonthlyDayUsage(this);
}

void EventConfigController::rpUpdateMonthlyDayUsage(bool resize) {
    rpCheckDays(2, resize);
    fillWeekdayPopup(gui_rpMonthly.weekdayPopup);
    if (modifiedRecRule.daysOfTheMonth)
        gui_rpMonthly.daysType->selectCellWithTag(1);
    else if (modifiedRecRule.nthWeekDaysOfTheMonth)
        gui_rpMonthly.daysType->selectCellWithTag(2);
    rpClickMonthlyDayUsage(this);
}

void EventConfigController::rpClickMonthlyDayUsage(QObject* sender) {
    RecurrenceControls& c = gui_rpMonthly;
    const int tag = c.daysType->selectedTag();
    const int current = sender == this ? -1 : modifiedRecRule.daysOfTheMonth ? 1 : 2;
    if (tag == current) return;
    modifiedRecRule.nthWeekDaysOfTheMonth = storedOrStartNthWeekDays();
    rpSelectNthPopups(c, modifiedRecRule.nthWeekDaysOfTheMonth->first());
    if (tag == 1) {
        setEnabled(c.numPopup, false);
        setEnabled(c.weekdayPopup, false);
        setEnabled(c.daysList, true);
        const auto stored = _event ? _event->recurrenceRule() : std::nullopt;
        QList<int> days = stored ? stored->daysOfTheMonth() : QList<int>();
        if (days.isEmpty())
            days << MyDate(_event ? _event->startDate() : QDateTime::currentDateTime()).dayNum();
        modifiedRecRule.daysOfTheMonth = days;
        QStringList parts;
        for (int day : days) parts << QString::number(day);
        c.daysList->setStringValue(parts.join(QLatin1Char(',')));
        modifiedRecRule.nthWeekDaysOfTheMonth.reset();
    } else if (tag == 2) {
        setEnabled(c.numPopup, true);
        setEnabled(c.weekdayPopup, true);
        setEnabled(c.daysList, false);
        modifiedRecRule.daysOfTheMonth.reset();
        c.daysList->setStringValue(QString());
    }
}

// -- Yearly

void EventConfigController::rpUpdateYearlyPopups() {
    fillWeekdayPopup(gui_rpYearly.weekdayPopup);
    rpClickYearlyDayUsage(this);
}

void EventConfigController::rpUpdateYearlyDayUsage(bool resize) {
    rpCheckDays(3, resize);
    rpUpdateYearlyPopulateSelection();
    rpClickYearlyDayUsage(this);
}

void EventConfigController::rpClickYearlyDayUsage(QObject* sender) {
    RecurrenceControls& c = gui_rpYearly;
    bool on;
    if (sender == this) {
        on = hasNth(modifiedRecRule);
        c.onWeekdays->setState(on ? kit::Button::On : kit::Button::Off);
        // Set-up shows the months of the working rule; a click of the user
        // keeps the months chosen since.
        rpUpdateYearlyPopulateSelection();
    } else {
        on = isOn(c.onWeekdays);
    }
    setEnabled(c.numPopup, on);
    setEnabled(c.weekdayPopup, on);
    if (!on) return;
    modifiedRecRule.nthWeekDaysOfTheMonth = storedOrStartNthWeekDays();
    rpSelectNthPopups(c, modifiedRecRule.nthWeekDaysOfTheMonth->first());
}

void EventConfigController::rpUpdateYearlyPopulateSelection() {
    RecurrenceControls& c = gui_rpYearly;
    fillWeekdayPopup(c.weekdayPopup);
    for (int i = 0; i < 6; ++i) {
        c.months1->setSelectedForSegment(false, i);
        c.months2->setSelectedForSegment(false, i);
    }
    QList<int> months = modifiedRecRule.monthsOfTheYear.value_or(QList<int>());
    if (months.isEmpty())
        months << MyDate(_event ? _event->startDate() : QDateTime::currentDateTime()).monthNum();
    for (int m : months) {
        const int i = std::clamp(m - 1, 0, 11);
        (i < 6 ? c.months1 : c.months2)->setSelectedForSegment(true, i % 6);
    }
}
