#pragma once

#include "shell/MainWindowCtrl.h"
#include "weekview/WeekView.h"
#include "yearview/YearView.h"
#include "yearview/YearViewScroller.h"

namespace testsupport {

// The main window's year area and week pane, and the year page refreshes, set
// as the program sets them; the other entries stay as they are.
inline void wireMainWindowPanes() {
    MainWindowCtrl::changeServices([](MainWindowCtrl::Services& window) {
        window.makeYearScroller = [](const QRectF& frame) -> kit::View* {
            return new YearViewScroller(frame);
        };
        window.makeWeekView = [](const QRectF& frame) -> kit::View* {
            auto* week = WeekView::initWithFrame(frame);
            week->awakeFromNib();
            return week;
        };
        window.setViewsToRedraw = [](int count) { YearView::setViewsToRedraw(count); };
        window.startPopulatingView = [](kit::View* view) {
            if (auto* page = qobject_cast<YearView*>(view))
                if (const auto& start = YearView::services().startPopulatingView) start(page);
        };
    });
}

}  // namespace testsupport
