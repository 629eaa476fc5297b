// The year page's loader jobs: which loader runs which job for a page.
#include "data/YearViewEventLoader.h"
#include "yearview/YearView.h"
#include "yearview/YearViewModel.h"

void YearView::connectLoaderJobs() {
    changeServices([](Services& s) {
        s.startPopulatingView = [](YearView* view) {
            YearViewEventLoader::eventLoaderForYear(view->year())
                ->startPopulatingView(view->model());
        };
        s.startPopulatingOffscreen = [](YearView* view) {
            YearViewEventLoader::eventLoaderForYear(view->year())
                ->startPopulatingOffscreen(view->model());
        };
        s.startPopulatingFromCals = [](const std::vector<CalendarPtr>& calendars, YearView* view) {
            YearViewEventLoader::newEventLoaderForYear(view->year())
                ->startPopulatingFromCalsToView(calendars, view->model());
        };
        s.startRemovingCals = [](const std::vector<CalendarPtr>& calendars, YearView* view) {
            YearViewEventLoader::newEventLoaderForYear(view->year())
                ->startRemovingCalsFromView(calendars, view->model());
        };
        s.startUpdatingEvents = [](const QVariantMap& changes, YearView* view) {
            YearViewEventLoader::newEventLoaderForYear(view->year())
                ->startUpdatingEventsFromView(changes, view->model());
        };
        // Jobs on marks and days run on a loader of their own.
        s.startMarkingDays = [](const std::vector<MyDatePtr>& days,
                                const std::shared_ptr<EMarker>& marker, YearView* view) {
            YearViewEventLoader::newEventLoaderForYear(view->year())
                ->startMarkingDaysWithMarkerFromView(days, marker, view->model());
        };
        s.startRemovingMarksOfMarker = [](const std::shared_ptr<EMarker>& marker,
                                          const std::vector<MyDatePtr>& days, YearView* view) {
            YearViewEventLoader::newEventLoaderForYear(view->year())
                ->startRemovingMarksOfMarkerFromDaysFromView(marker, days, view->model());
        };
        s.startRemovingAllMarksFromDays = [](const std::vector<MyDatePtr>& days, YearView* view) {
            YearViewEventLoader::newEventLoaderForYear(view->year())
                ->startRemovingAllMarksFromDaysFromView(days, view->model());
        };
        // The calendar is named by identity (its UID or all of them): a UID that
        // names no calendar starts no job, so a title can never delete from the
        // wrong calendar.
        s.startDeletingEventsFromDays = [](const std::vector<MyDatePtr>& days,
                                           const YearViewEventLoader::DeletionCalendars& calendars,
                                           YearView* view) {
            YearViewEventLoader::newEventLoaderForYear(view->year())
                ->startDeletingEventsFromDaysFromCalendarFromView(days, calendars, view->model());
        };
        s.startMovingEventsFromDayToDay =
            [](const QList<calstore::EventPtr>& events, const MyDatePtr& sourceDay,
               const MyDatePtr& destinationDay, bool copy, YearView* view) {
                YearViewEventLoader::newEventLoaderForYear(view->year())
                    ->startMovingEventsFromDayToDayCopyFromView(events, sourceDay, destinationDay,
                                                                copy, view->model());
            };
    });
}
