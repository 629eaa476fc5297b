#pragma once

#include "platform/kit/OffscreenWindow.h"
#include "platform/kit/Printable.h"
#include "weekview/WeekView.h"

#include <QPointer>
#include <QSizeF>

// The printed week: a week view of its own, made from the shown one at a large
// size (same days, same display mode, the same day cells), laid out and drawn
// in a window that is never shown, and captured into a picture that is then
// printed stretched onto the page. It has no menus and follows no
// notifications. Main thread only.
class WeekViewPrint final : public WeekView, public kit::Printable {
    Q_OBJECT

public:
    static WeekViewPrint* printViewForWeekView(WeekView* weekView, const QSizeF& size);
    ~WeekViewPrint() override;

    // Builds the columns of the reference date, without observers.
    void applicationFinishedLaunching();

    // The one page is the whole view.
    bool knowsPageRange(int& first, int& count) override;
    QRectF rectForPage(int page) override;
    void drawRect(kit::Graphics& g, const QRectF& dirtyRect) override;

    // The print command's steps: put the view in its window scrolled to 6:00,
    // take its picture, size the window (and so the view) to the paper laid
    // across, and close the window after printing.
    Q_INVOKABLE void openCacheWin();
    Q_INVOKABLE void loadCacheImage();
    Q_INVOKABLE void adjustSizeTo(const QSizeF& size);
    Q_INVOKABLE void purgeCacheImage();

    // A resize of the print view's window never takes a snapshot of its own.
    void viewWillStartLiveResize() override {}
    void viewDidEndLiveResize() override {}

    kit::OffscreenWindow* offscreenWindow() const { return offscreenWindow_; }
    // The first hour the page shows.
    static constexpr double kFirstHour = 6.0;

private:
    explicit WeekViewPrint(const QRectF& frame);
    void initFromWeekView(WeekView* weekView);

    QPointer<kit::OffscreenWindow> offscreenWindow_;
};
