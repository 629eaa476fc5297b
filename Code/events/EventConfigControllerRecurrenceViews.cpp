// The four rule sub-views of the repetition pane, built in code. Each is laid
// out as it looks with its day row and its end date picker shown; every
// control keeps its distance to the sub-view's top, so that hiding the picker
// (the sub-view loses its lower 126 points) or the day row (the ending moves
// up by the row's height) needs no other change.
#include "events/EventConfigController.h"

#include "platform/foundation/Localized.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Font.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/SegmentedControl.h"
#include "platform/kit/TextField.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"

namespace {

constexpr double kWidth = 460;
constexpr double kIntervalRow = 32;   // from the sub-view's top to the interval row's foot
constexpr double kEndingHeight = 54;  // the ending matrix: three rows of 18
constexpr double kBaseHeight = 100;   // without the day row and the end date picker
constexpr double kLeft = 10, kControls = 62;

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

template <typename T>
T* place(kit::View* parent, T* view) {
    view->setAutoresizingMask(kit::View::MinYMargin);
    parent->addSubview(view);
    return view;
}

}  // namespace

void EventConfigController::buildRecurrenceSubviews() {
    const char* units[4] = {"eceRecurrenceDays", "eceRecurrenceWeeks", "eceRecurrenceMonths",
                            "eceRecurrenceYears"};
    const char* useDays[4] = {nullptr, "eceRecurrenceWeeklyUseDays", "eceRecurrenceMonthlyUseDays",
                              "eceRecurrenceYearlyUseDays"};
    const double rows[4] = {0, 27, 47, 66};
    const char* endingActions[4] = {"rpDailyEndingSelect", "rpWeeklyEndingSelect",
                                    "rpMonthlyEndingSelect", "rpYearlyEndingSelect"};
    const char* useDaysActions[4] = {nullptr, "rpClickWeeklyDays", "rpClickMonthlyDays",
                                     "rpClickYearlyDays"};
    for (int kind = 0; kind < 4; ++kind) {
        RecurrenceControls& c = rpControls(kind);
        c.rowHeight = rows[kind];
        const double top = kBaseHeight + c.rowHeight + kEndPickerHeight;
        c.view = new kit::View(QRectF(0, 0, kWidth, top));
        c.view->setAutoresizesSubviews(true);
        kit::View* v = c.view;

        // Every n days, weeks, months or years; beside it the use-days checkbox.
        const double intervalY = top - kIntervalRow;
        place(v, label(text("eceRecurrenceEvery"), QRectF(kLeft, intervalY + 3, 48, 16), true));
        place(v, label(text(units[kind]), QRectF(108, intervalY + 3, 80, 16)));
        c.interval = place(v, new kit::TextField(QRectF(kControls, intervalY, 40, 22)));
        if (useDays[kind]) {
            c.useDays = place(v, new kit::Button(QRectF(200, intervalY + 2, 250, 18),
                                                 kit::Button::Type::Checkbox));
            c.useDays->setTitle(text(useDays[kind]));
            c.useDays->setTarget(this);
            c.useDays->setAction(useDaysActions[kind]);
        }

        // The day row below the interval, lines of 22 points from its top.
        const double rowTop = intervalY - 4;
        auto line = [rowTop](int n, double height = 22) {
            return rowTop - 22 * (n + 1) + (22 - height);
        };
        if (kind == 1) {
            c.dayRow << place(
                v, label(text("eceRecurrenceOnDays"), QRectF(kLeft, line(0) + 3, 48, 16), true));
            c.weekdays =
                place(v, new kit::SegmentedControl(QRectF(kControls, line(0), 380, 22),
                                                   kit::SegmentedControl::Tracking::SelectAny));
            c.weekdays->setSegmentCount(7);
            c.dayRow << c.weekdays;
        } else if (kind == 2) {
            c.dayRow << place(
                v, label(text("eceRecurrenceOnDays"), QRectF(kLeft, line(0) + 3, 48, 16), true));
            c.daysType = place(v, new kit::Matrix(QRectF(kControls, line(1) + 2, 78, 42)));
            c.daysType->addCell(text("eceRecurrenceDaysOfMonth"), 1);
            c.daysType->addCell(text("eceRecurrenceOrdinalDay"), 2);
            c.daysType->setTarget(this);
            c.daysType->setAction("rpClickMonthlyDayUsage");
            c.daysList = place(v, new kit::TextField(QRectF(144, line(0), 110, 22)));
            c.exampleLabel = place(
                v, label(text("eceRecurrenceDaysExample"), QRectF(260, line(0) + 3, 180, 16)));
            c.dayRow << c.daysType << c.daysList << c.exampleLabel;
        } else if (kind == 3) {
            c.dayRow << place(
                v, label(text("eceRecurrenceInMonths"), QRectF(kLeft, line(0) + 3, 48, 16), true));
            c.months1 =
                place(v, new kit::SegmentedControl(QRectF(kControls, line(0), 380, 20),
                                                   kit::SegmentedControl::Tracking::SelectAny));
            c.months2 =
                place(v, new kit::SegmentedControl(QRectF(kControls, line(1), 380, 20),
                                                   kit::SegmentedControl::Tracking::SelectAny));
            for (int i = 0; i < 12; ++i) {
                kit::SegmentedControl* months = i < 6 ? c.months1 : c.months2;
                if (i % 6 == 0) months->setSegmentCount(6);
                months->setLabelForSegment(
                    foundation::localized(QStringLiteral("shortMonthText%1").arg(i + 1)), i % 6);
            }
            c.onWeekdays = place(v, new kit::Button(QRectF(kControls, line(2) + 2, 78, 18),
                                                    kit::Button::Type::Checkbox));
            c.onWeekdays->setTitle(text("eceRecurrenceOrdinalDay"));
            c.onWeekdays->setTarget(this);
            c.onWeekdays->setAction("rpClickYearlyDayUsage");
            c.dayRow << c.months1 << c.months2 << c.onWeekdays;
        }
        if (kind >= 2) {
            const double y = line(kind == 2 ? 1 : 2);
            c.numPopup = place(v, new kit::PopUpButton(QRectF(144, y, 80, 22)));
            for (int entry = 0; entry < kLastOrdinalEntry; ++entry)
                c.numPopup->addItemWithTitle(EventTexts::textForNumber(entry + 1));
            c.numPopup->addItemWithTitle(text("numberExtenderLast"));
            c.weekdayPopup = place(v, new kit::PopUpButton(QRectF(230, y, 120, 22)));
            c.dayRow << c.numPopup << c.weekdayPopup;
        }

        // The ending: never, after a count, on a date (with the picker below).
        const double endingY = rowTop - c.rowHeight - kEndingHeight;
        c.endingLabel =
            place(v, label(text("eceRecurrenceEnds"), QRectF(kLeft, endingY + 38, 48, 16), true));
        c.endingStyle = place(v, new kit::Matrix(QRectF(kControls, endingY, 80, kEndingHeight)));
        c.endingStyle->addCell(text("eceRecurrenceNever"), 1);
        c.endingStyle->addCell(text("eceRecurrenceAfter"), 2);
        c.endingStyle->addCell(text("wveipRecurrenceAfterGivenDate"), 3);
        c.endingStyle->setTarget(this);
        c.endingStyle->setAction(endingActions[kind]);
        c.endingNum = place(v, new kit::TextField(QRectF(144, endingY + 17, 44, 20)));
        c.occLabel =
            place(v, label(text("eceRecurrenceOccurrences"), QRectF(194, endingY + 19, 150, 16)));
        c.endingDate = place(v, new kit::DatePicker(QRectF(kControls, 4, 220, kEndPickerHeight - 8),
                                                    kit::DatePicker::Style::Graphical));
    }
}

RecurrenceControls& EventConfigController::rpControls(int kind) {
    switch (kind) {
        case 0:
            return gui_rpDaily;
        case 1:
            return gui_rpWeekly;
        case 2:
            return gui_rpMonthly;
        default:
            return gui_rpYearly;
    }
}
