#pragma once

// The week view in a window over a temporary store, as the editing tests of
// the columns and of the week view use it: Berlin times, events written as
// files, the week of a day filled from the store, and presses scripted
// through the window's modal loop (the moves, the release or the Escape key
// are queued in the window before the press).

#include "weekview/WeekViewTestSupport.h"

#include "data/Calendar.h"
#include "data/CalendarSources.h"
#include "data/YearViewEventLoader.h"
#include "data/YearViewEventLoaderTestSupport.h"
#include "platform/kit/Event.h"
#include "platform/kit/Window.h"
#include "platform/store/Store.h"
#include "shell/MainWindowCtrl.h"
#include "support/TestSupport.h"

#include <QTimeZone>

#include <set>

namespace wvtest {

class WeekViewStoreFixture : public WeekViewTest {
protected:
    void SetUp() override {
        WeekViewTest::SetUp();
        MainWindowCtrl::resetSharedWinController();
        MainWindowCtrl::changeServices([](MainWindowCtrl::Services& s) {
            s.makeYearScroller = [](const QRectF&) -> kit::View* {
                return new PagesScroller(2011);
            };
        });
        controller = std::make_unique<MainWindowCtrl>();
        controller->window();
        WeekView::changeServices([this](WeekView::Services& s) {
            s.eventHoverShowWindow = [this](const EventDayPtr& e, const QRectF&, kit::View*) {
                shown = e;
            };
        });
        dir.write(QStringLiteral("store/work/displayname"), "Work");
        dir.write(QStringLiteral("store/work/color"), "#3366CC");
    }
    void TearDown() override {
        window.reset();
        controller.reset();
        MainWindowCtrl::resetSharedWinController();
        MainWindowCtrl::changeServices([](auto& s) { s = {}; });
        YearViewEventLoader::setCalendarSources(nullptr);
        testsupport::waitUntil([] { return false; }, 0.05);  // runs queued main-thread work
        calstore::Store::setDefaultStore(nullptr);
        WeekViewTest::TearDown();
    }

    // -- The store
    static QString utc(const QDateTime& local) {
        return local.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    }
    // The user's calendar of the tests is Berlin's, whatever the process's zone.
    static QTimeZone berlin() { return QTimeZone("Europe/Berlin"); }
    // "HH:mm" of the day; hours from 24 on run into the next day.
    static QDateTime local(const QDate& d, const char* hhmm) {
        const QStringList parts = QString::fromLatin1(hhmm).split(QLatin1Char(':'));
        const int h = parts.value(0).toInt(), m = parts.value(1).toInt();
        return QDateTime(d.addDays(h / 24), QTime(h % 24, m), berlin());
    }
    void writeEvent(const QString& uid, const QStringList& properties) {
        dir.write(QStringLiteral("store/work/%1.ics").arg(uid),
                  loadertest::eventFile(uid, properties));
    }
    // A timed event of the local day; "24:00" is the next midnight.
    void writeTimed(const QString& uid, const QDate& d, const char* from, const char* to,
                    const QStringList& more = {}) {
        writeEvent(uid, QStringList{QStringLiteral("DTSTART:") + utc(local(d, from)),
                                    QStringLiteral("DTEND:") + utc(local(d, to))} +
                            more);
    }
    void writeAllDay(const QString& uid, const QDate& d, const QString& location = QString()) {
        QStringList p{
            QStringLiteral("DTSTART;VALUE=DATE:") + d.toString(QStringLiteral("yyyyMMdd")),
            QStringLiteral("DTEND;VALUE=DATE:") +
                d.addDays(1).toString(QStringLiteral("yyyyMMdd"))};
        if (!location.isEmpty()) p << QStringLiteral("LOCATION:") + location;
        writeEvent(uid, p);
    }
    void open() {
        store = calstore::Store::openAt(dir.file(QStringLiteral("store")));
        calstore::Store::setDefaultStore(store);
        sources = std::make_shared<CalendarSources>();
        sources->loadCalendarsFromICal();
        YearViewEventLoader::setCalendarSources(sources);
        delegate_->calendarSources = sources;
        work = sources->calendarWithName(QStringLiteral("Work"));
        ASSERT_TRUE(work);
    }
    QList<calstore::EventPtr> allEvents() const {
        return store->eventsWithPredicate(
            calstore::Store::eventPredicateWithStartDateEndDateCalendars(
                QDateTime(QDate(2010, 1, 1), QTime(0, 0)),
                QDateTime(QDate(2100, 1, 1), QTime(0, 0)), store->calendars()));
    }
    QList<calstore::EventPtr> eventsWithUID(const QString& uid) const {
        QList<calstore::EventPtr> found;
        for (const calstore::EventPtr& e : allEvents())
            if (e->uid() == uid) found << e;
        return found;
    }
    // The events written since `before` (UIDs).
    QList<calstore::EventPtr> newEvents(const std::set<QString>& before) const {
        QList<calstore::EventPtr> found;
        for (const calstore::EventPtr& e : allEvents())
            if (!before.count(e->uid())) found << e;
        return found;
    }
    std::set<QString> uids() const {
        std::set<QString> all;
        for (const calstore::EventPtr& e : allEvents()) all.insert(e->uid());
        return all;
    }
    QByteArray file(const QString& uid) const {
        return dir.read(QStringLiteral("store/work/%1.ics").arg(uid));
    }
    static QString span(const calstore::EventPtr& e) {
        if (!e) return QStringLiteral("none");
        const QDateTime s = e->startDate().toTimeZone(berlin()),
                        t = e->endDate().toTimeZone(berlin());
        return s.toString(QStringLiteral("dd. HH:mm")) + QStringLiteral("-") +
               t.toString(QStringLiteral("dd. HH:mm"));
    }

    // -- The week
    // The week of `d` in a window, its days filled from the store and drawn.
    WeekView* showWeek(const QDate& d) {
        window.reset();
        yearArea->cells.clear();
        const QDate monday = d.addDays(1 - d.dayOfWeek());
        for (const calstore::EventPtr& e : allEvents()) {
            const QDate first = e->startDate().toTimeZone(berlin()).date();
            const QDate last = e->endDate().addSecs(-1).toTimeZone(berlin()).date();
            for (QDate day = std::max(first, monday); day <= last && day < monday.addDays(7);
                 day = day.addDays(1))
                yearArea->cellForDate(WeekViewTest::day(day.year(), day.month(), day.day()))
                    ->addEventFromCalendar(e, work);
        }
        window = std::make_unique<kit::Window>(QRectF(0, 0, 1000, 700));
        view = makeView(1000, 700, 1, WeekViewTest::day(d.year(), d.month(), d.day())).release();
        window->contentView()->addSubview(view);
        for (WeekdayView* column : view->viewSet()) column->forceRedraw();
        return view;
    }
    WeekdayView* column(const QDate& d) const {
        for (WeekdayView* c : view->viewSet())
            if (c->date() && dateOf(c->date()) == d) return c;
        return nullptr;
    }
    static EventDayPtr recordOf(WeekdayView* c, const QString& uid) {
        for (const EventDayPtr& r : c->events())
            if (r->event() && r->event()->uid() == uid) return r;
        for (const EventDayPtr& r : c->fdevents())
            if (r->event() && r->event()->uid() == uid) return r;
        return nullptr;
    }

    // -- Input. A point of the hour area (x, y from the bottom of the day) in
    // window coordinates.
    static QPointF inWindow(WeekdayView* c, double x, double yInArea) {
        return c->convertPointToView(QPointF(x, c->eventsView()->frame().y() + yInArea), nullptr);
    }
    static QPointF atHour(WeekdayView* c, double hour, double x = 60) {
        return inWindow(c, x, (24 - hour) * WeekdayView::hourHeight());
    }
    kit::Event mouse(kit::EventType type, const QPointF& p, unsigned flags = 0, int clicks = 1) {
        return kit::Event::mouseEvent(type, p, flags, clicks, window.get());
    }
    kit::Event drag(const QPointF& p) { return mouse(kit::EventType::LeftMouseDragged, p); }
    kit::Event up(const QPointF& p) { return mouse(kit::EventType::LeftMouseUp, p); }
    kit::Event escape() {
        return kit::Event::keyEvent(kit::EventType::KeyDown, kit::KeyCodes::Escape,
                                    QString(QChar(0x1b)), 0, false, QString(), window.get());
    }
    // Queues what follows the press, then presses: the column's modal loop
    // takes the queued events.
    void press(WeekdayView* c, const QPointF& p, const std::vector<kit::Event>& then,
               unsigned flags = 0, int clicks = 1) {
        for (const kit::Event& e : then) window->postEvent(e);
        c->mouseDown(mouse(kit::EventType::LeftMouseDown, p, flags, clicks));
    }
    // Selects the record, as its handles need, and drags an edge of its box
    // by `hours` (positive is later).
    void dragEdge(WeekdayView* c, const EventDayPtr& r, bool start, double hours,
                  bool cancel = false) {
        c->selectEvent(r);
        const double x = r->hitX() + r->hitW() / 2;
        const double y = start ? r->hitY() + r->hitH() - 2 : r->hitY() + 2;
        const QPointF to = inWindow(c, x, y - hours * WeekdayView::hourHeight());
        press(c, inWindow(c, x, y),
              {drag(inWindow(c, x + 1, y)), drag(to), cancel ? escape() : up(to)});
    }

    testsupport::TempDir dir;
    calstore::StorePtr store;
    std::shared_ptr<CalendarSources> sources;
    CalendarPtr work;
    std::unique_ptr<MainWindowCtrl> controller;
    std::unique_ptr<kit::Window> window;
    WeekView* view = nullptr;  // owned by the window
    EventDayPtr shown;
};

}  // namespace wvtest
