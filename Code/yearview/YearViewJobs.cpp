// The year page's loader jobs: which loader runs which job for a page.
#include "data/YearViewEventLoader.h"
#include "yearview/YearView.h"
#include "yearview/YearViewModel.h"

void YearView::connectLoaderJobs() {
    Services s = services();
    s.startPopulatingView = [](YearView* view) {
        YearViewEventLoader::eventLoaderForYear(view->year())->startPopulatingView(view->model());
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
    setServices(std::move(s));
}
