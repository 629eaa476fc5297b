#include "data/CalendarSources.h"

void CalendarSources::loadCalendarsFromICal() {}

void CalendarSources::loadMarkers() {}
