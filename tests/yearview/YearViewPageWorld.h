#pragma once

// What the year page tests share: a fixed calendar and today, the factory
// settings, a model root read from a small test store (two ordinary calendars,
// a holiday, a birthday and a marker store, three markers), a window holding
// the year pages, the page's services recorded instead of the windows and jobs
// that provide them, and builders for the events of those calendars.

#include "YearViewTestSupport.h"
#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/DragSession.h"
#include "platform/kit/Event.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/TrackingArea.h"
#include "platform/kit/Window.h"
#include "platform/store/Store.h"
#include "support/TestSupport.h"
#include "yearview/YearView.h"
#include "yearview/YearViewCell.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace yvpage {

inline const QString kMarkerShade = QStringLiteral("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
inline const QString kMarkerDot = QStringLiteral("BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB");
inline const QString kMarkerBar = QStringLiteral("CCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC");

// What the page asked of its services, counted by name.
struct ServiceLog {
    std::mutex mutex;
    std::map<std::string, int> calls;
    YearViewCellPtr lastCell;
    QRectF lastRect;
    QString lastText;
    QImage lastImage;
    QPointF lastPoint;
    std::vector<MyDatePtr> lastDays;
    std::vector<YearView*> populated;  // pages asked to load offscreen, in order
    bool dayPopupOpen = false;
    bool notesHoverOpen = false;
    bool notesPopupOpen = false;
    bool popupTakesScroll = false;

    void note(const std::string& name) {
        std::lock_guard<std::mutex> guard(mutex);
        ++calls[name];
    }
    int count(const std::string& name) {
        std::lock_guard<std::mutex> guard(mutex);
        return calls[name];
    }
};

inline YearView::Services recordingServices(const std::shared_ptr<ServiceLog>& log) {
    YearView::Services s;
    s.dayPopupWindowOpen = [log] { return log->dayPopupOpen; };
    s.dayPopupShowWindowForCellInView = [log](const YearViewCellPtr& cell, YearView*) {
        log->note("dayPopupShow");
        log->lastCell = cell;
        log->dayPopupOpen = true;
    };
    s.dayPopupCloseWindow = [log](YearView*) {
        log->note("dayPopupClose");
        log->dayPopupOpen = false;
    };
    s.dayPopupReloadData = [log] { log->note("dayPopupReload"); };
    s.dayPopupScrollNotify = [log](const kit::Event&) {
        log->note("dayPopupScroll");
        return log->popupTakesScroll;
    };
    s.dayPopupOriginatingViewMoved = [log] { log->note("dayPopupMoved"); };
    s.dayPopupLoadPreferences = [log] { log->note("dayPopupLoadPrefs"); };
    s.dayPopupUpdatePreferences = [log] { log->note("dayPopupUpdatePrefs"); };
    s.notesHoverWindowOpen = [log] { return log->notesHoverOpen; };
    s.notesHoverCloseWindow = [log](YearView*) { log->note("notesHoverClose"); };
    s.notesHoverCloseWindowIfNoHover = [log](YearView*) {
        log->note("notesHoverCloseIfNoHover");
        log->notesHoverOpen = false;
    };
    s.notesHoverShowWindowForCellAtRectInView = [log](const YearViewCellPtr& cell,
                                                      const QRectF& rect, YearView*) {
        log->note("notesHoverShow");
        log->lastCell = cell;
        log->lastRect = rect;
        log->notesHoverOpen = true;
    };
    s.notesPopupWindowOpen = [log] { return log->notesPopupOpen; };
    s.notesPopupShowWindowForCellInViewWithString = [log](const YearViewCellPtr& cell, YearView*,
                                                          const QString& text) {
        log->note("notesPopupShow");
        log->lastCell = cell;
        log->lastText = text;
    };
    s.startPopulatingView = [log](YearView*) { log->note("startPopulatingView"); };
    s.startPopulatingOffscreen = [log](YearView* page) {
        log->note("startPopulatingOffscreen");
        std::lock_guard<std::mutex> guard(log->mutex);
        log->populated.push_back(page);
    };
    s.startPopulatingFromCals = [log](const std::vector<CalendarPtr>&, YearView*) {
        log->note("startPopulatingFromCals");
    };
    s.startRemovingCals = [log](const std::vector<CalendarPtr>&, YearView*) {
        log->note("startRemovingCals");
    };
    s.startUpdatingEvents = [log](const QVariantMap&, YearView*) {
        log->note("startUpdatingEvents");
    };
    s.startMarkingDays = [log](const std::vector<MyDatePtr>& days,
                               const std::shared_ptr<EMarker>& marker, YearView*) {
        log->note("startMarkingDays");
        log->lastDays = days;
        log->lastText = marker ? marker->uID() : QString();
    };
    s.startRemovingMarksOfMarker = [log](const std::shared_ptr<EMarker>& marker,
                                         const std::vector<MyDatePtr>& days, YearView*) {
        log->note("startRemovingMarksOfMarker");
        log->lastDays = days;
        log->lastText = marker ? marker->uID() : QString();
    };
    s.startRemovingAllMarksFromDays = [log](const std::vector<MyDatePtr>& days, YearView*) {
        log->note("startRemovingAllMarksFromDays");
        log->lastDays = days;
    };
    s.startDeletingEventsFromDays = [log](const std::vector<MyDatePtr>& days,
                                          const YearViewEventLoader::DeletionCalendars& c,
                                          YearView*) {
        log->note("startDeletingEventsFromDays");
        log->lastDays = days;
        log->lastText = c.all ? QStringLiteral("(all)") : c.uid;
    };
    s.startMovingEventsFromDayToDay = [log](const QList<calstore::EventPtr>& events,
                                            const MyDatePtr& from, const MyDatePtr& to, bool copy,
                                            YearView*) {
        log->note(copy ? "startCopyingMarks" : "startMovingMarks");
        log->lastDays = {from, to};
        log->lastText = QString::number(events.size());
    };
    return s;
}

// A calendar, an event's calendar and the events to put into a page.
struct Placed {
    calstore::EventPtr event;
    CalendarPtr calendar;
};

// The world of a year page: settings, model root, services, a window.
// A calendar of a test store: its folder, title, colour and kind.
struct CalendarDef {
    const char* folder;
    const char* title;
    const char* color;
    int type;
};

// Writes one local store folder per calendar under "store" in `dir` and their
// kinds, in this order, into "AppPref Calendars".
inline void writeCalendars(const testsupport::TempDir& dir,
                           std::initializer_list<CalendarDef> defs) {
    QVariantMap calendars;
    int sequence = 0;
    for (const CalendarDef& d : defs) {
        const QString folder = QString::fromLatin1(d.folder);
        dir.write(QStringLiteral("store/%1/displayname").arg(folder), d.title);
        dir.write(QStringLiteral("store/%1/color").arg(folder), d.color);
        dir.write(QStringLiteral("store/%1/zolt-calendar.json").arg(folder),
                  QJsonDocument(QJsonObject{{QStringLiteral("type"), QStringLiteral("local")},
                                            {QStringLiteral("items"), QStringLiteral("events")}})
                      .toJson());
        calendars.insert(folder,
                         QVariantMap{{QStringLiteral("Selected"), true},
                                     {QStringLiteral("Calendar Type"), d.type},
                                     {QStringLiteral("Sequence"), sequence++},
                                     {QStringLiteral("Name"), QString::fromLatin1(d.title)}});
    }
    foundation::Defaults::standard().setObject(CalendarSources::kCalendarsPrefs, calendars);
}

// The settings of a marker kept in the "markers" store.
inline QVariantMap markerSettings(const QString& name, const QString& color, int type, int seq) {
    return QVariantMap{{QStringLiteral("Name"), name},
                       {QStringLiteral("Selected"), true},
                       {QStringLiteral("Description"), QString()},
                       {QStringLiteral("Color"), color},
                       {QStringLiteral("Type"), type},
                       {QStringLiteral("Calendar"), QStringLiteral("markers")},
                       {QStringLiteral("Sequence"), seq}};
}

class PageTest : public ::testing::Test {
protected:
    void SetUp() override {
        foundation::Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
        QString error;
        ASSERT_TRUE(testsupport::registerFactoryDefaults(&error)) << error.toStdString();
        writeStore();
        calstore::Store::setDefaultStore(
            calstore::Store::openAt(dir.file(QStringLiteral("store"))));
        delegate = std::make_unique<AppDelegate>();
        delegate->today = MyDate::dateWithDayMonthYear(15, 3, 2024);
        delegate->calendarSources = std::make_shared<CalendarSources>();
        delegate->calendarSources->loadCalendarsFromICal();
        delegate->calendarSources->loadMarkers();
        work = calendar(QStringLiteral("work"));
        home = calendar(QStringLiteral("home"));
        holidays = calendar(QStringLiteral("holidays"));
        birthdays = calendar(QStringLiteral("birthdays"));
        markers = calendar(QStringLiteral("markers"));
        log = std::make_shared<ServiceLog>();
        YearView::changeServices([&](auto& installed) { installed = recordingServices(log); });
        YearView::setViewsToRedraw(0);
        YearViewCell::loadPreferences();
        YearViewCell::deselectAll();
    }
    void TearDown() override {
        pages.clear();
        window.reset();
        // Pages drawn offscreen on their own threads read the application
        // delegate; as the program does, let them end before it goes.
        foundation::waitForThreads(30);
        YearView::changeServices([](auto& installed) { installed = {}; });
        YearViewCell::deselectAll();
        if (delegate && delegate->calendarSources)
            foundation::NotificationCenter::defaultCenter().removeObserver(
                delegate->calendarSources.get());
        delegate.reset();
        calstore::Store::setDefaultStore(nullptr);
        foundation::Defaults::resetStandard();
    }

    // The test store: one folder per calendar, their kinds in "AppPref Calendars",
    // three markers in "AppPref Markers".
    void writeStore() {
        writeCalendars(dir, {{"work", "Work", "#3366CC", 1},
                             {"home", "Home", "#33AA44", 1},
                             {"holidays", "Holidays", "#CC3333", 2},
                             {"birthdays", "Birthdays", "#CC66CC", 3},
                             {"markers", "Markers", "#888888", 4}});
        auto& defaults = foundation::Defaults::standard();
        defaults.setObject(
            CalendarSources::kMarkersPrefs,
            QVariantMap{{kMarkerShade, markerSettings(QStringLiteral("Vacation"),
                                                      QStringLiteral("90 170 250 0.8"), 4, 0)},
                        {kMarkerDot, markerSettings(QStringLiteral("Gym"),
                                                    QStringLiteral("230 60 60 1.0"), 8, 1)},
                        {kMarkerBar, markerSettings(QStringLiteral("Travel"),
                                                    QStringLiteral("60 170 90 1.0"), 1, 2)}});
    }

    CalendarPtr calendar(const QString& uid) {
        CalendarPtr c = delegate->calendarSources->calendarWithUID(uid);
        EXPECT_TRUE(c) << uid.toStdString();
        return c;
    }

    // Option+Shift press on a day of `from`; the driver moves to a day of `to`
    // and drops there.
    void dragMarks(YearView* from, int day, int month, YearView* to, int toDay, int toMonth) {
        kit::DragSession::setDriverForTesting([&](kit::DragSession& session) {
            session.moveTo(window.get(), dayCenterInWindow(to, 15, 6));
            session.moveTo(window.get(), dayCenterInWindow(to, toDay, toMonth));
            session.drop();
        });
        const QPointF p = dayCenterInWindow(from, day, month);
        window->sendEvent(kit::Event::mouseEvent(
            kit::EventType::LeftMouseDown, p,
            kit::ModifierFlags::Option | kit::ModifierFlags::Shift, 1, window.get()));
        window->sendEvent(kit::Event::mouseEvent(
            kit::EventType::LeftMouseUp, p, kit::ModifierFlags::Option | kit::ModifierFlags::Shift,
            1, window.get()));
    }

    // A page of `year` in a window, `size` points large, shown and laid out.
    YearView* makePage(int year, QSizeF size = QSizeF(1000, 600)) {
        if (!window) {
            window =
                std::make_unique<kit::Window>(QRectF(100, 100, size.width(), size.height() + 23));
            window->orderFront();
            window->makeKeyWindow();
        }
        YearView* page = YearView::initWithYear(year);
        page->setFrame(QRectF(QPointF(0, 23), size));
        page->setIsVisible(true);
        window->contentView()->addSubview(page);
        page->loadPreferences();
        pages.push_back(page);
        return page;
    }

    // Adds each event to every day of its span in the page's year from a thread
    // of its own, as a loader job does, and finishes with the threaded update.
    static void fillFromThread(YearView* page, const std::vector<Placed>& events,
                               bool fullLoading = true) {
        const auto model = page->model();
        std::thread job([model, events, fullLoading] {
            for (const Placed& p : events) {
                MyDatePtr day = MyDate::dateWithNSDate(p.event->startDate())->startOfDay();
                const MyDatePtr end = MyDate::dateWithNSDate(p.event->endDate());
                while (!end->isBefore(day)) {
                    if (day->yearNum() == model->year())
                        model->threadedAddEventFromCalendarForDayInMonthInFullLoading(
                            p.event, p.calendar, day->dayNum(), day->monthNum(), fullLoading);
                    day = day->nextDay();
                }
            }
            model->threadedUpdateView();
        });
        job.join();
    }

    // Renders the page as it draws on screen.
    static QImage render(YearView* page) { return page->renderToImage(); }

    // The centre of a day's cell, in window coordinates.
    static QPointF dayCenterInWindow(YearView* page, int day, int month) {
        const YearViewModel::Layout l = page->model()->layout();
        const QPointF inPage(l.dayCellStartX + (month - 0.5) * l.cellWidth,
                             l.dayCellStartY - (day - 0.5) * l.cellHeight);
        return page->convertPointToView(inPage, nullptr);
    }

    void click(YearView* page, int day, int month, unsigned flags = 0, int clicks = 1) {
        const QPointF p = dayCenterInWindow(page, day, month);
        window->sendEvent(
            kit::Event::mouseEvent(kit::EventType::LeftMouseDown, p, flags, clicks, window.get()));
        window->sendEvent(
            kit::Event::mouseEvent(kit::EventType::LeftMouseUp, p, flags, clicks, window.get()));
    }

    void key(int code, const QString& characters = QString(), unsigned flags = 0) {
        window->sendEvent(kit::Event::keyEvent(kit::EventType::KeyDown, code, characters, flags,
                                               false, characters, window.get()));
    }

    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    testsupport::TempDir dir;
    ScopedUserCalendar calendar_{"Europe/Berlin", 2, 4};
    std::unique_ptr<AppDelegate> delegate;
    std::shared_ptr<ServiceLog> log;
    std::unique_ptr<kit::Window> window;
    std::vector<YearView*> pages;
    CalendarPtr work, home, holidays, birthdays, markers;
};

// The inside of a day's cell (its grid lines left out) in image pixels of a
// page rendered at scale 1.
inline QRect cellPixels(YearView* page, int day, int month) {
    const YearViewModel::Layout l = page->model()->layout();
    const double H = page->bounds().height();
    const double x = l.dayCellStartX + (month - 1) * l.cellWidth;
    const double top = l.dayCellStartY - (day - 1) * l.cellHeight;
    return QRect(int(x), int(H - top), int(l.cellWidth), int(l.cellHeight)).adjusted(2, 2, -2, -2);
}

// Pixels of the rectangle that are not white.
inline int inkIn(const QImage& image, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (!testsupport::colorNear(testsupport::pixel(image, x, y), Qt::white, 4)) ++n;
    return n;
}

}  // namespace yvpage
