#include "prefs/PrefYearView.h"

#include "data/PrefGroups.h"
#include "prefs/PrefsRefresh.h"

PrefYearView::PrefYearView()
    : PrefViewPane(
          {QStringLiteral("YView"), QStringLiteral("PrefYearView"),
           QStringLiteral("prefPaneYViewName"), QStringLiteral("Year View"),
           QStringLiteral("prefPaneYViewDescription"), QStringLiteral("Year View"),
           QStringLiteral("prefPaneYViewTooltip"), QStringLiteral("Year View"), false, false},
          PrefGroups::yearView,
          {
              {QStringLiteral("Rightclick Performs Select"), QStringLiteral("prefYViewRightClick"),
               QStringLiteral("Right click selects the day")},
              {QStringLiteral("Grayout Until Today"), QStringLiteral("prefYViewGrayOut"),
               QStringLiteral("Grey out the days before today")},
              {QStringLiteral("Notes Hints Use CalendarColor"),
               QStringLiteral("prefYViewNotesCalColor"),
               QStringLiteral("Notes hints in the calendar's colour")},
              {QStringLiteral("Hover Info"), QStringLiteral("prefYViewHoverInfo"),
               QStringLiteral("Show a day's events on hover")},
              {QStringLiteral("Hover CalendarWeek"), QStringLiteral("prefYViewHoverWeek"),
               QStringLiteral("Show the calendar week on hover")},
              {QStringLiteral("Hover Shows Notes"), QStringLiteral("prefYViewHoverNotes"),
               QStringLiteral("Hover includes the notes")},
              {QStringLiteral("Hover Shows Marks"), QStringLiteral("prefYViewHoverMarks"),
               QStringLiteral("Hover includes the marks")},
          },
          {
              {QStringLiteral("Standard Day TextColor"), QStringLiteral("prefYViewDayText"),
               QStringLiteral("Day text:")},
              {QStringLiteral("Current Day TextColor"), QStringLiteral("prefYViewTodayText"),
               QStringLiteral("Today's text:")},
              {QStringLiteral("Weekday BackgroundColorTop"), QStringLiteral("prefYViewWeekdayTop"),
               QStringLiteral("Weekday, top:")},
              {QStringLiteral("Weekday BackgroundColorBot"),
               QStringLiteral("prefYViewWeekdayBottom"), QStringLiteral("Weekday, bottom:")},
              {QStringLiteral("Weekend BackgroundColorTop"), QStringLiteral("prefYViewWeekendTop"),
               QStringLiteral("Weekend, top:")},
              {QStringLiteral("Weekend BackgroundColorBot"),
               QStringLiteral("prefYViewWeekendBottom"), QStringLiteral("Weekend, bottom:")},
              {QStringLiteral("Event Default EventColor"), QStringLiteral("prefYViewEventColor"),
               QStringLiteral("Default event colour:")},
              {QStringLiteral("Grayout Color"), QStringLiteral("prefYViewGrayColor"),
               QStringLiteral("Grey-out colour:")},
              {QStringLiteral("Notes Hints Color"), QStringLiteral("prefYViewNotesColor"),
               QStringLiteral("Notes hints colour:")},
          }) {}

std::vector<std::shared_ptr<LxPrefPaneProtocol>> PrefYearView::preferencePanes() {
    return {std::make_shared<PrefYearView>()};
}

void PrefYearView::refresh() {
    PrefsRefresh::dayPopupUpdatePreferences();
    PrefsRefresh::yearViewCellUpdatePreferences();
    PrefsRefresh::redisplayYearView(true);
}
