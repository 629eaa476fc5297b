// The repetition pane read back: the controls of the chosen kind into the
// working rule, the pane's collapsed summary, and the list of days of the
// month typed into the monthly sub-view.
#include "events/EventConfigController.h"

#include "platform/foundation/Localized.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/SegmentedControl.h"
#include "platform/kit/TextField.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"

#include <algorithm>
#include <bitset>

namespace {

bool isOn(const kit::Button* box) {
    return box && box->state() == kit::Button::On;
}

// The integer a text starts with (after blanks, with an optional sign); 0
// when it starts with none.
int leadingInteger(QStringView text) {
    text = text.trimmed();
    qsizetype end = 0;
    if (end < text.size() && (text[end] == u'+' || text[end] == u'-')) ++end;
    while (end < text.size() && text[end].isDigit() && end < 11) ++end;
    bool ok = false;
    const int value = text.left(end).toInt(&ok);
    return ok ? value : 0;
}

}  // namespace

std::optional<QList<int>> EventConfigController::stringWithNumbersToArray(const QString& text) {
    std::bitset<32> days;
    qsizetype at = 0;
    while (at < text.size()) {
        // Blanks and line breaks before an item are skipped.
        while (at < text.size() && text[at].isSpace()) ++at;
        const qsizetype comma = text.indexOf(QLatin1Char(','), at);
        const qsizetype end = comma < 0 ? text.size() : comma;
        if (end == at) break;  // an empty item ends the list
        const int value = leadingInteger(QStringView(text).mid(at, end - at));
        if (value >= 1 && value <= 31) days.set(size_t(value));
        at = comma < 0 ? text.size() : comma + 1;
    }
    QList<int> list;
    for (int day = 1; day <= 31; ++day)
        if (days.test(size_t(day))) list << day;
    if (list.isEmpty()) return std::nullopt;
    return list;
}

LocalRecurrenceRule EventConfigController::readRecurrenceControls(LocalRecurrenceRule r) {
    const int segment = gui_rpPattern ? gui_rpPattern->selectedSegment() : 0;
    r.daysOfTheWeek.reset();
    r.daysOfTheMonth.reset();
    r.nthWeekDaysOfTheMonth.reset();
    r.monthsOfTheYear.reset();
    if (segment < 1 || segment > 4) {
        r.rule = false;
        r.recurrenceEndEndDate = nullptr;
        r.recurrenceEndOccurrenceCount = 2;
        r.recurrenceInterval = 1;
        return r;
    }
    const int kind = segment - 1;
    const RecurrenceControls& c = rpControls(kind);
    // No rule repeats less than once per period, or ends before it began.
    r.recurrenceInterval = std::max(1, c.interval->stringValue().trimmed().toInt());
    r.recurrenceEndOccurrenceCount = c.endingNum->stringValue().trimmed().toInt();
    if (r.recurrenceEnd && !r.recurrenceEndUsesEndDate)
        r.recurrenceEndOccurrenceCount = std::max(1, r.recurrenceEndOccurrenceCount);
    r.recurrenceEndEndDate = MyDate::dateWithNSDate(c.endingDate->dateValue());

    const bool sunday = weekStartsSunday();
    const bool useDays = isOn(c.useDays);
    auto nthFromPopups = [&c, sunday] {
        return QList<MyNthWeekDayPtr>{MyNthWeekDay::objWithNthAndWeekday(
            weekNumberForOrdinalEntry(c.numPopup->indexOfSelectedItem()),
            weekdayForPosition(std::clamp(c.weekdayPopup->indexOfSelectedItem(), 0, 6), sunday))};
    };
    // An empty choice of days or months is no restriction.
    auto listOrNone = [](const QList<int>& list) {
        return list.isEmpty() ? std::nullopt : std::optional<QList<int>>(list);
    };
    if (kind == 1 && useDays) {
        QList<int> days;
        for (int p = 0; p < 7; ++p)
            if (c.weekdays->isSelectedForSegment(p)) days << weekdayForPosition(p, sunday);
        r.daysOfTheWeek = listOrNone(days);
    } else if (kind == 2 && useDays) {
        const int tag = c.daysType->selectedTag();
        if (tag == 1) r.daysOfTheMonth = stringWithNumbersToArray(c.daysList->stringValue());
        if (tag == 2) r.nthWeekDaysOfTheMonth = nthFromPopups();
    } else if (kind == 3 && useDays) {
        if (isOn(c.onWeekdays)) r.nthWeekDaysOfTheMonth = nthFromPopups();
        QList<int> months;
        for (int i = 0; i < 12; ++i)
            if ((i < 6 ? c.months1 : c.months2)->isSelectedForSegment(i % 6)) months << i + 1;
        r.monthsOfTheYear = listOrNone(months);
    }
    return r;
}

void EventConfigController::rpReadControls() {
    if (!recurrenceShown_) return;
    const LocalRecurrenceRule read = readRecurrenceControls(modifiedRecRule);
    if (!(read == shownRecRule_)) recurrenceChanged_ = true;
    // Unchanged, the working rule stays as it was taken from the event, also
    // where the controls cannot show all of it.
    if (recurrenceChanged_) modifiedRecRule = read;
}

void EventConfigController::rpUpdatePaneText() {
    rpReadControls();
    rpUpdatePaneSummary();
}

void EventConfigController::rpUpdatePaneSummary() {
    QString text = summaryText(determineRecurrenceText());
    if (text.isEmpty()) text = foundation::localized(QStringLiteral("wveipRecurrenceNoRepeats"));
    gui_recurrencePane->setDataForCollapsedState(text);
}
