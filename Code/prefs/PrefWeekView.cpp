#include "prefs/PrefWeekView.h"

#include "data/PrefGroups.h"
#include "prefs/PrefsRefresh.h"

PrefWeekView::PrefWeekView()
    : PrefViewPane(
          {QStringLiteral("WView"), QStringLiteral("PrefWeekView"),
           QStringLiteral("prefPaneWViewName"), QStringLiteral("Week View"),
           QStringLiteral("prefPaneWViewDescription"), QStringLiteral("Week View"),
           QStringLiteral("prefPaneWViewTooltip"), QStringLiteral("Week View"), false, false},
          PrefGroups::weekView,
          {
              {QStringLiteral("Rightclick Performs Select"), QStringLiteral("prefWViewRightClick"),
               QStringLiteral("Right click selects the event")},
              {QStringLiteral("Grayout Until Now"), QStringLiteral("prefWViewGrayOut"),
               QStringLiteral("Grey out the hours before now")},
              {QStringLiteral("Show Marks As Fullday Events"), QStringLiteral("prefWViewMarks"),
               QStringLiteral("Show marks as full-day events")},
              {QStringLiteral("EventInfo Shows UID"), QStringLiteral("prefWViewInfoUID"),
               QStringLiteral("Event info shows the UID")},
              {QStringLiteral("EventInfo Shows Calendar"), QStringLiteral("prefWViewInfoCalendar"),
               QStringLiteral("Event info shows the calendar")},
              {QStringLiteral("EventInfo Shows TimeStamp"),
               QStringLiteral("prefWViewInfoTimestamp"),
               QStringLiteral("Event info shows the time stamp")},
              {QStringLiteral("Weekend Use Color"), QStringLiteral("prefWViewColorWeekends"),
               QStringLiteral("Colour the weekend")},
          },
          {
              {QStringLiteral("Weekday BackgroundColor"), QStringLiteral("prefWViewWeekday"),
               QStringLiteral("Weekday background:")},
              {QStringLiteral("Weekend BackgroundColor"), QStringLiteral("prefWViewWeekend"),
               QStringLiteral("Weekend background:")},
              {QStringLiteral("Event Default EventColor"), QStringLiteral("prefWViewEventColor"),
               QStringLiteral("Default event colour:")},
              {QStringLiteral("Grayout Color"), QStringLiteral("prefWViewGrayColor"),
               QStringLiteral("Grey-out colour:")},
          }) {}

std::vector<std::shared_ptr<LxPrefPaneProtocol>> PrefWeekView::preferencePanes() {
    return {std::make_shared<PrefWeekView>()};
}

void PrefWeekView::refresh() {
    PrefsRefresh::eventHoverUpdatePreferences();
    PrefsRefresh::weekdayViewUpdatePreferences();
    PrefsRefresh::updateAndRedrawWeekView();
}
