#pragma once

#include "data/Calendar.h"
#include "data/EventDay.h"
#include "data/MyDate.h"
#include "data/YearViewTarget.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/TextAttributes.h"
#include "platform/store/Event.h"
#include "yearview/YearViewCell.h"

#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <array>
#include <atomic>
#include <memory>
#include <vector>

class YearView;

namespace kit {
class Graphics;
class View;
}  // namespace kit

// What one year page holds that outlives the widget showing it: the 12 x 31 day
// cells of its year, the loaded state, and everything its drawing needs (fitted
// fonts, the grid's layout, the offscreen picture). Loader jobs and offscreen
// renderings hold it by shared_ptr, so a page dropped by the year area while a
// job still fills it is never freed under the job's feet.
//
// The threaded operations may be called on any thread. Whatever they change on
// screen is handed to the main thread, where the page widget (held weakly, and
// only looked at there) redraws; nothing here touches a widget off the main
// thread. Drawing, on screen or offscreen, runs under the page's lock.
class YearViewModel final : public YearViewTarget,
                            public std::enable_shared_from_this<YearViewModel> {
public:
    // Layout of a page, in points.
    static constexpr double kSideMargin = 40.0;
    static constexpr double kTopBottomMargin = 22.0;
    static constexpr double kMonthTitleGap = 4.0;
    static constexpr double kNormRows = 33.0;
    static constexpr double kMinFullHeight = 252.0;  // below it the page is "small"
    static constexpr double kMinCachedHeight = 46.0;
    static constexpr double kOffscreenWidth = 800.0;
    static constexpr double kOffscreenHeight = 600.0;

    // The page of the year that `firstDayInYear` (1 January, 00:00) begins.
    explicit YearViewModel(const MyDatePtr& firstDayInYear);
    ~YearViewModel();
    YearViewModel(const YearViewModel&) = delete;
    YearViewModel& operator=(const YearViewModel&) = delete;

    int year() const override { return theYear; }
    MyDatePtr firstDayInYear() const { return firstDayInYear_; }

    // The widget that shows this page; set and read on the main thread only.
    void setView(YearView* view);
    YearView* view() const;

    // -- Cells. Day 1..31, month 1..12.
    // The grid position's cell, dated or not; null outside the grid.
    YearViewCellPtr gridCell(int day, int month) const;
    // The cell of an existing day; null outside the grid and for days the month
    // lacks (30 February).
    YearViewCellPtr cellForDayAndMonth(int day, int month) const;
    // The day's list as it stands (the cell's current snapshot); an empty list
    // for a day that does not exist. Never null.
    YearViewCell::EventListPtr eventsForDayAndMonth(int day, int month) const override;
    // Runs `fn` on every cell, dated or not, month by month.
    void forEachCell(
        const std::function<void(const YearViewCellPtr&, int day, int month)>& fn) const;

    // -- Threaded interface (any thread)
    void threadedAddEventFromCalendarForDayInMonthInFullLoading(const calstore::EventPtr& event,
                                                                const CalendarPtr& calendar,
                                                                int day, int month,
                                                                bool fullLoading) override;
    void threadedRemoveCalendarForDayInMonth(const CalendarPtr& calendar, int day,
                                             int month) override;
    void threadedRemoveEventUIDFromDayInMonth(const QString& uid, int day, int month) override;
    // A job finished changing the page: it counts as loaded, and the main thread
    // reloads the day popup, redraws the page, updates the week view and, unless
    // the redraw count says otherwise, starts loading the sibling pages.
    void threadedUpdateView() override;
    // An offscreen population finished: loaded, rendered anew on the main thread,
    // week view updated.
    void threadedUpdateViewOffscreen() override;
    // Redrawn with what a population still waiting for calendars has added.
    void threadedShowPartialLoad() override;
    // Every cell drops its entries; the page counts as not loaded.
    void invalidateEvents() override;

    bool eventsLoaded() const { return isLoaded.load(); }
    bool initialRedrawDone() const { return initialRedrawDone_.load(); }
    // Sets the first-drawing flag; answers whether it was set already.
    bool markInitialRedrawDone() { return initialRedrawDone_.exchange(true); }

    // -- Month counts
    int numberOfEventsInMonthForCalendar(int month, const Calendar* calendar) const;
    int numberOfMarksInMonthForMarker(int month, const QString& markerUID) const;

    // -- The class-wide redraw count: how many coming job completions start no
    // loading of sibling pages.
    static void setViewsToRedraw(int count);
    static int viewsToRedraw();
    // One step: when the count is above 0 it is decremented and the answer is
    // true (this completion starts nothing); otherwise false.
    static bool consumeViewToRedraw();

    // -- Drawing. The geometry the last drawing laid out; read by the mouse code.
    struct Layout {
        double dayCellStartX = kSideMargin;
        double dayCellStartY = 0.0;
        double cellWidth = 40.0;
        double cellHeight = 10.0;
        double monthHeaderHeight = 0.0;
        double daySize = 0.0;    // fitted day text size
        double monthSize = 0.0;  // fitted month title size
        bool useAbbreviatedMonthHeaders = false;
        bool useAbbreviatedDayCellEntries = false;
        double maxDayNameWidth = 0.0;
        double maxDayNumWidth = 0.0;
    };
    Layout layout() const;
    // The grid origin the year area presets for pages it moves in.
    void presetInnerFrame(const QPointF& origin);
    QPointF innerFrame() const;

    // The size of the page's bounds, kept by the widget on the main thread so
    // that renderings elsewhere never ask the widget.
    void setBoundsSize(const QSizeF& size);
    QSizeF boundsSize() const;
    // Pixels per point of offscreen pictures.
    void setRenderScale(double scale);

    // How a drawing pass runs.
    enum class Pass {
        Screen,     // on screen: cells, or the cached picture during live drawing
        Offscreen,  // into the cached picture (drawOffscreen)
        Snapshot,   // the current look, taken when a live resize begins
    };
    // The page's full drawing into `g` (steps of the page layout): background,
    // fonts fitted to `bounds`, year number, month titles and the cells inside
    // `dirty`. With `liveDrawing` on a screen pass, the cached picture is shown
    // instead of the cells. `controlView` is handed to the cells on the main
    // thread only (null elsewhere). Answers whether cells were drawn.
    bool drawPage(kit::Graphics& g, const QRectF& bounds, const QRectF& dirty, Pass pass,
                  bool liveDrawing, kit::View* controlView);
    // Renders the page into a new cached picture the size of its bounds (800 x 600
    // when they are under 1 point) and marks the first drawing done. Any thread.
    void drawOffscreen();
    // The current look of the page, for the start of a live resize (main thread).
    void snapshotIntoCache(kit::View* controlView);
    QImage cachedView() const;
    void setCachedView(const QImage& image);

    // Font fitting, as the drawing uses it (page lock held by the caller or not:
    // they take it themselves).
    double determineOptimalDayCellAttributesForCellWidth(const QSizeF& size);
    double determineOptimalFontSizeForStringNotBiggerThanTryingFromTo(const QString& text,
                                                                      const QSizeF& size,
                                                                      double low, double high);
    double determineOptimalMonthHeaderAttributesForCellWidthAndNormSize(const QSizeF& size,
                                                                        double daySize);
    double determineOptimalBoldFontSizeForStringNotBiggerThanTryingFromToWithNormSize(
        const QString& text, const QSizeF& size, double low, double high, double normSize);
    kit::TextAttributes dayCellAttribs() const;
    kit::TextAttributes monthNameAttribs() const;
    kit::TextAttributes yearTitleAttribs() const;

    // Today's date as the drawing compares it, renewed on the main thread (when a
    // page is made, when the day changes, and at each drawing on screen).
    static void refreshToday();
    // Today as refreshToday left it: year * 10000 + month * 100 + day.
    static int todayValue();

    // The page's lock: held by every drawing pass.
    foundation::Lock& lock() const { return lock_; }

private:
    void initCells();
    void drawYearNumberInRect(kit::Graphics& g, int year, const QRectF& rect);
    void drawMonthTitleInRect(kit::Graphics& g, int month, const QRectF& rect);
    void drawCells(kit::Graphics& g, const QRectF& dirty, kit::View* controlView);
    QImage renderImage(const QSizeF& size, Pass pass, kit::View* controlView);
    // Hands `fn` (given the widget) to the main thread, when the widget still exists.
    void onView(std::function<void(YearView*)> fn);

    const MyDatePtr firstDayInYear_;
    const int theYear;
    std::array<YearViewCellPtr, 12 * 31> yvcell;  // month-major

    std::atomic<bool> isLoaded{false};
    std::atomic<bool> initialRedrawDone_{false};
    bool inInitialDrawing = false;  // under the lock

    mutable foundation::Lock lock_;
    // Under the lock:
    Layout layout_;
    kit::TextAttributes dayCellAttribs_;
    kit::TextAttributes monthNameAttribs_;
    kit::TextAttributes yearTitleAttribs_;
    QImage cachedView_;
    QSizeF boundsSize_;
    double renderScale_ = 1.0;

    QPointer<YearView> view_;  // main thread only
};
