#pragma once

// What the week view tests share: the columns' world (a fixed calendar, the
// factory settings, a delegate whose today is Wednesday 15 June 2011), a year
// area that hands out day cells and takes exchanged week views, and a week
// view built as the main window builds it.

#include "platform/kit/View.h"
#include "weekview/WDEventsView.h"
#include "weekview/WeekView.h"
#include "weekview/WeekdayViewTestSupport.h"
#include "yearview/YearView.h"

#include <QMap>
#include <QPointer>

#include <memory>

namespace wvtest {

// Stands in for the year area: one cell per asked day, kept so that a test
// can fill a day, and the week views it was given in exchange.
class FakeYearArea final : public kit::View {
    Q_OBJECT

public:
    Q_INVOKABLE YearViewCellPtr cellForDate(const MyDatePtr& date) {
        if (!date) return nullptr;
        const QDate key(date->yearNum(), date->monthNum(), date->dayNum());
        YearViewCellPtr& cell = cells[key];
        if (!cell) cell = yvtest::makeCell(key.year(), key.month(), key.day());
        return cell;
    }
    Q_INVOKABLE void exchangeWeekSubviewTo(kit::View* weekView) { exchanged = weekView; }

    QMap<QDate, YearViewCellPtr> cells;
    QPointer<kit::View> exchanged;
};

// The main window's year area as far as the writers ask it: three year pages
// around `year`.
class PagesScroller final : public kit::View {
    Q_OBJECT
public:
    explicit PagesScroller(int year)
        : past(YearView::initWithYear(year - 1)),
          current(YearView::initWithYear(year)),
          future(YearView::initWithYear(year + 1)) {}
    ~PagesScroller() override {
        delete past;
        delete current;
        delete future;
    }
    Q_INVOKABLE kit::View* pastYearView() const { return past; }
    Q_INVOKABLE kit::View* currentYearView() const { return current; }
    Q_INVOKABLE kit::View* futureYearView() const { return future; }

    YearView* past;
    YearView* current;
    YearView* future;
};

class WeekViewTest : public yvtest::CellTest {
protected:
    void SetUp() override {
        yvtest::CellTest::SetUp();
        WeekView::changeServices([](WeekView::Services& s) { s = WeekView::Services(); });
        yearArea = std::make_unique<FakeYearArea>();
    }

    // A week view of that size in the display mode, showing the week of
    // `day` (today when none).
    std::unique_ptr<WeekView> makeView(double width, double height, int mode = 1,
                                       const MyDatePtr& day = nullptr) {
        setWeekPref(QStringLiteral("Display Mode"), mode);
        auto view = std::unique_ptr<WeekView>(WeekView::initWithFrame(QRectF(0, 0, width, height)));
        view->awakeFromNib();
        view->setYearViewScroller(yearArea.get());
        view->loadPreferences();
        view->applicationFinishedLaunching();
        if (day) {
            view->setReferenceDate(view->newReferenceDateForDay(day));
            view->initViews();
        }
        return view;
    }

    // The week of `day` in a view 1000 by 700, its hours drawn, so that the
    // columns know their events' boxes and their earliest and latest events.
    std::unique_ptr<WeekView> drawnWeek(const MyDatePtr& day) {
        auto view = makeView(1000, 700, 1, day);
        for (WeekdayView* column : view->viewSet()) {
            column->eventsView()->setUseCache(false);
            column->eventsView()->renderToImage();
        }
        return view;
    }

    void setPrefIn(const QString& group, const QString& key, const QVariant& value) {
        QVariantMap map = foundation::Defaults::standard().dictionaryForKey(group);
        map.insert(key, value);
        foundation::Defaults::standard().setObject(group, map);
    }
    void setWeekPref(const QString& key, const QVariant& value) {
        setPrefIn(QStringLiteral("AppPref WeekView"), key, value);
    }
    void setGeneralPref(const QString& key, const QVariant& value) {
        setPrefIn(QStringLiteral("AppPref General"), key, value);
    }

    static MyDatePtr day(int year, int month, int dayOfMonth) {
        return MyDate::dateWithDayMonthYear(dayOfMonth, month, year);
    }
    static QDate dateOf(const MyDatePtr& d) {
        return d ? QDate(d->yearNum(), d->monthNum(), d->dayNum()) : QDate();
    }

    std::unique_ptr<FakeYearArea> yearArea;
};

}  // namespace wvtest
