// The details card of the event hover: which blocks it shows and where, the
// height it needs, the optional lines, the narrowing of a card that scrolls,
// the icons, and how its link button opens addresses.

#include "data/Calendar.h"
#include "data/YearViewEventLoaderTestSupport.h"
#include "events/EventHoverView.h"
#include "platform/foundation/Log.h"
#include "platform/kit/Alert.h"
#include "platform/kit/Button.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Window.h"
#include "platform/kit/Workspace.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTimeZone>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using testsupport::saveForInspection;

const QStringList kTimed{QStringLiteral("DTSTART:20110613T070500Z"),
                         QStringLiteral("DTEND:20110613T080000Z")};
const QString kWeekly = QStringLiteral("RRULE:FREQ=WEEKLY");
const QStringList kAlarm{QStringLiteral("BEGIN:VALARM"), QStringLiteral("ACTION:DISPLAY"),
                         QStringLiteral("TRIGGER:-PT15M"), QStringLiteral("END:VALARM")};

// Notes of `lines` short lines.
QString notesOfLines(int lines) {
    QStringList all;
    for (int i = 1; i <= lines; ++i) all << QStringLiteral("Line %1 of the notes").arg(i);
    return all.join(u'\n');
}

// The iCalendar line of a text property, with its commas and newlines escaped.
QString textLine(const char* name, const QString& value) {
    QString escaped = value;
    escaped.replace(u',', QStringLiteral("\\,")).replace(u'\n', QStringLiteral("\\n"));
    return QString::fromLatin1(name) + u':' + escaped;
}

class EventHoverViewTest : public loadertest::LoaderTest {
protected:
    void SetUp() override {
        LoaderTest::SetUp();
        foundation::Defaults::standard().setObject(QStringLiteral("AppleLanguages"),
                                                   QVariantList{QStringLiteral("en")});
    }
    void TearDown() override {
        kit::Workspace::setURLOpenerForTesting({});
        LoaderTest::TearDown();
    }

    // An event of the "work" calendar written with its extra property lines,
    // read back from the store as its record.
    EventDayPtr record(const QString& uid, const QStringList& extra = {}) {
        writeEvent(QStringLiteral("work"), uid, kTimed + extra);
        if (!store) open();
        store->rescan();
        const auto events = eventsWithUID(uid);
        if (events.isEmpty()) return nullptr;
        auto entry = std::make_shared<EventDay>();
        entry->setEvent(events.first());
        entry->setCalendar(calendarNamed(QStringLiteral("Work")));
        return entry;
    }

    // The card filled with the record and laid out as the hover lays it out.
    std::unique_ptr<EventHoverView> card(const EventDayPtr& entry, bool uid = false,
                                         bool timestamp = false, bool calendar = false) {
        auto view = std::make_unique<EventHoverView>(QRectF(0, 0, 300, 200));
        view->setShowsUIDShowsTimestampShowsCalendar(uid, timestamp, calendar);
        const double h = view->setEvent(entry);
        const QRectF frame(0, 0, EventHoverView::kCardWidth, h);
        view->setFrame(frame);
        view->setTextViewsForRect(frame);
        return view;
    }

    // The card drawn on the hover's dark box, as a person sees it.
    static QImage shown(EventHoverView& view, const QString& name) {
        const QImage ink = view.renderToImage();
        testsupport::saveOnHoverBox(ink, name);
        return ink;
    }

    // The pixels with ink in rows [top, bottom) and columns [left, right).
    static int ink(const QImage& image, double top, double bottom, double left = 0,
                   double right = 1e9) {
        int n = 0;
        for (int y = std::max(0, int(top)); y < std::min(image.height(), int(bottom)); ++y)
            for (int x = std::max(0, int(left)); x < std::min(image.width(), int(right)); ++x)
                if (image.pixelColor(x, y).alpha() > 100) ++n;
        return n;
    }

    // A view's top edge as a distance below the card's top.
    static double topOf(const kit::View* view, const EventHoverView& card) {
        return card.frame().height() - view->frame().y() - view->frame().height();
    }
};

}  // namespace

TEST_F(EventHoverViewTest, ATitleAndDatesAloneAreRaisedTo200PointsWithNothingBelowTheSeparator) {
    const EventDayPtr entry = record(QStringLiteral("Dentist"));
    auto view = card(entry);
    EXPECT_EQ(view->title(), "Dentist");
    EXPECT_EQ(view->datesLine(), "Monday, June 13, 2011, 9:05 - 10:00");
    const double titleHeight = view->titleView()->frame().height();
    EXPECT_LT(3 + titleHeight + 4 + 14 + 4 + 24, 200);
    EXPECT_EQ(view->innerHeight(), 200);
    EXPECT_TRUE(!view->locationView() && !view->attendeesView() && !view->notesView() &&
                !view->uidView());
    EXPECT_TRUE(view->urlButton()->isHidden());
    const auto layout = view->layout();
    EXPECT_FALSE(layout.recurrence || layout.location || layout.attendees || layout.url ||
                 layout.notes || layout.optionalSeparator);
    // The title view at 4 below the top, 300 - 22 wide without icons.
    EXPECT_EQ(topOf(view->titleView(), *view), 4);
    EXPECT_EQ(view->titleView()->frame().width(), 278);

    const QImage image = shown(*view, QStringLiteral("event-card-bare"));
    EXPECT_GT(ink(image, layout.dates, layout.dates + 14), 30);              // the dates line
    EXPECT_GT(ink(image, layout.separator - 1, layout.separator + 1), 200);  // the separator
    EXPECT_EQ(ink(image, layout.separator + 2, 200), 0);
}

// An event not saved yet, without title or calendar, still reads sensibly.
TEST_F(EventHoverViewTest, MissingTitleCalendarAndTimeStampReadAsSuch) {
    auto event = calstore::Event::event();
    event->setStartDate(QDateTime(QDate(2011, 6, 13), QTime(9, 0), QTimeZone::utc()));
    event->setEndDate(QDateTime(QDate(2011, 6, 13), QTime(10, 0), QTimeZone::utc()));
    auto entry = std::make_shared<EventDay>();
    entry->setEvent(event);
    auto view = card(entry, true, true, true);
    EXPECT_EQ(view->title(), "New Event");
    EXPECT_EQ(view->calendarLine(), "Unknown calendar");
    EXPECT_EQ(view->timestampLine(), "Not saved yet");
    EXPECT_TRUE(view->locationLine().isEmpty() && view->notesLine().isEmpty());
    EXPECT_FALSE(view->layout().location || view->layout().notes);
}

// Each block takes room only when it has text: the notes move down by exactly
// what the blocks before them add.
TEST_F(EventHoverViewTest, EmptyBlocksTakeNoRoom) {
    const QString notes = textLine("DESCRIPTION", notesOfLines(14));
    auto base = card(record(QStringLiteral("base"), {notes}));
    ASSERT_GT(base->innerHeight(), 200);
    const double baseNotes = *base->layout().notes;
    EXPECT_EQ(topOf(base->notesView(), *base), baseNotes);

    const struct {
        const char* uid;
        QStringList lines;
        std::function<double(const EventHoverView&)> shift;
    } cases[] = {
        {"empty-location", {QStringLiteral("LOCATION:")}, [](auto&) { return 0.0; }},
        {"location",
         {textLine("LOCATION", QStringLiteral("Room 4, second floor"))},
         [](const EventHoverView& v) { return v.locationView()->frame().height() - 8; }},
        {"attendees",
         {QStringLiteral("ATTENDEE;CN=Ann Smith:mailto:ann@example.com"),
          QStringLiteral("ATTENDEE;CN=Bob Jones:mailto:bob@example.com")},
         [](const EventHoverView& v) { return v.attendeesView()->frame().height() + 6; }},
        {"url", {QStringLiteral("URL:https://example.com/plan")}, [](auto&) { return 19.0; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uid);
        auto view = card(record(QString::fromLatin1(c.uid), c.lines + QStringList{notes}));
        EXPECT_EQ(*view->layout().notes, baseNotes + c.shift(*view));
        EXPECT_EQ(view->innerHeight(), base->innerHeight() + c.shift(*view));
    }
}

// Without a location the attendees begin one line lower than a location
// would, leaving the first label line blank.
TEST_F(EventHoverViewTest, AnEmptyLocationWithAttendeesLeavesTheFirstLabelLineBlank) {
    auto withLocation = card(record(QStringLiteral("located"), {QStringLiteral("LOCATION:Hall")}));
    auto attendeesOnly =
        card(record(QStringLiteral("invited"),
                    {QStringLiteral("ATTENDEE;CN=Ann Smith:mailto:ann@example.com")}));
    const double locationTop = *withLocation->layout().location;
    ASSERT_TRUE(attendeesOnly->layout().attendees);
    EXPECT_EQ(*attendeesOnly->layout().attendees, locationTop + 14);
    EXPECT_EQ(topOf(attendeesOnly->attendeesView(), *attendeesOnly), locationTop + 14);
    EXPECT_EQ(attendeesOnly->attendeesView()->frame().x(), 70);
    EXPECT_EQ(attendeesOnly->attendeesView()->string(), "Ann Smith");

    const QImage image = shown(*attendeesOnly, QStringLiteral("event-card-attendees-only"));
    EXPECT_EQ(ink(image, locationTop, locationTop + 12), 0);               // the blank label line
    EXPECT_GT(ink(image, locationTop + 14, locationTop + 26, 0, 66), 20);  // "Attendees:"
    shown(*withLocation, QStringLiteral("event-card-location"));
}

TEST_F(EventHoverViewTest, TheOptionalLinesFollowASeparatorOnlyAfterALowerBlock) {
    const EventDayPtr plain = record(QStringLiteral("plain"), {kWeekly});
    const EventDayPtr located =
        record(QStringLiteral("located"), {QStringLiteral("LOCATION:Hall")});
    const struct {
        bool uid, timestamp, calendar;
    } flags[] = {{false, false, false},
                 {true, false, false},
                 {false, true, false},
                 {false, false, true},
                 {true, true, true}};
    for (const EventDayPtr& entry : {plain, located}) {
        auto none = card(entry);
        for (const auto& f : flags) {
            SCOPED_TRACE(testing::Message()
                         << entry->event()->uid().toStdString() << " uid " << f.uid << " stamp "
                         << f.timestamp << " cal " << f.calendar);
            auto view = card(entry, f.uid, f.timestamp, f.calendar);
            const auto l = view->layout();
            const bool any = f.uid || f.timestamp || f.calendar;
            EXPECT_EQ(bool(l.optionalSeparator), any && entry == located);
            EXPECT_EQ(bool(l.uid), f.uid);
            EXPECT_EQ(bool(view->uidView()), f.uid);
            EXPECT_EQ(bool(l.timestamp), f.timestamp);
            EXPECT_EQ(bool(l.calendar), f.calendar);
            // Above the 200-point floor each line adds its height.
            if (entry == located && none->innerHeight() > 200) {
                double added = any ? 2 + 10 : 0;
                if (f.uid) added += view->uidView()->frame().height();
                added += 14 * (int(f.timestamp) + int(f.calendar));
                EXPECT_EQ(view->innerHeight(), none->innerHeight() + added);
            }
        }
    }
    auto all = card(located, true, true, true);
    EXPECT_EQ(all->uidLine(), "located");
    EXPECT_EQ(all->calendarLine(), "Work");
    EXPECT_EQ(all->timestampLine(), "1:00, Jan 1, 2024");
    const QImage image = shown(*all, QStringLiteral("event-card-optional-lines"));
    const auto l = all->layout();
    EXPECT_GT(ink(image, *l.optionalSeparator - 1, *l.optionalSeparator + 1), 200);
    EXPECT_GT(ink(image, *l.timestamp, *l.timestamp + 13, 70), 20);  // the time stamp
    EXPECT_GT(ink(image, *l.calendar, *l.calendar + 13, 70), 20);    // "Work"
}

// A card higher than 400 points scrolls: its drawing and text views keep 22
// points free at the right for the scroller.
TEST_F(EventHoverViewTest, ACardHigherThan400PointsIs22PointsNarrower) {
    auto tall = card(record(QStringLiteral("tall"), {textLine("DESCRIPTION", notesOfLines(45))}));
    auto short_ = card(record(QStringLiteral("short"), {textLine("DESCRIPTION", notesOfLines(3))}));
    ASSERT_GT(tall->innerHeight(), 400);
    ASSERT_LE(short_->innerHeight(), 400);
    EXPECT_EQ(tall->drawingWidth(), 278);
    EXPECT_EQ(short_->drawingWidth(), 297);
    EXPECT_EQ(tall->notesView()->frame().width(), 278);
    EXPECT_EQ(short_->notesView()->frame().width(), 300);
    EXPECT_EQ(tall->titleView()->frame().width(), 278);  // the title is narrowed either way
    // The notes view is as high as its text needs: no line is cut off.
    EXPECT_LE(tall->notesView()->textHeight(), tall->notesView()->frame().height() + 2);

    const QImage tallImage = shown(*tall, QStringLiteral("event-card-scrolling"));
    const QImage shortImage = shown(*short_, QStringLiteral("event-card-notes"));
    for (const auto& [image, view, end] :
         {std::tuple{tallImage, tall.get(), 278}, std::tuple{shortImage, short_.get(), 297}}) {
        const double y = view->layout().separator;
        EXPECT_GT(ink(image, y - 1, y + 1, end - 4, end), 0);
        EXPECT_EQ(ink(image, y - 1, y + 1, end + 1, 300), 0);
    }
}

// Alarm rightmost, the repetition icon left of it; the title gives way to them.
TEST_F(EventHoverViewTest, IconsStandAtTheRightEdgeAndNarrowTheTitle) {
    const struct {
        const char* uid;
        QStringList lines;
        bool alarmAtEdge, ruleAtEdge, ruleBeside;
        double titleWidth;
    } cases[] = {
        {"both", QStringList{kWeekly} + kAlarm, true, false, true, 278 - 38},
        {"rule", {kWeekly}, false, true, false, 278 - 24},
        {"alarm", kAlarm, true, false, false, 278 - 24},
        {"none", {}, false, false, false, 278},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uid);
        auto view = card(record(QString::fromLatin1(c.uid), c.lines));
        EXPECT_EQ(view->titleView()->frame().width(), c.titleWidth);
        const QImage image =
            shown(*view, QStringLiteral("event-card-icons-%1").arg(QString::fromLatin1(c.uid)));
        const double w = view->drawingWidth();
        const bool atEdge = ink(image, 5, 19, w - 14, w) > 10;
        const bool beside = ink(image, 5, 19, w - 28, w - 14) > 10;
        EXPECT_EQ(atEdge, c.alarmAtEdge || c.ruleAtEdge);
        EXPECT_EQ(beside, c.ruleBeside);
        EXPECT_EQ(view->hasAlarm(), c.alarmAtEdge);
    }
}

TEST_F(EventHoverViewTest, AFullCardShowsEveryBlockInItsPlace) {
    const QStringList lines{
        kWeekly,
        kAlarm[0],
        kAlarm[1],
        kAlarm[2],
        kAlarm[3],
        textLine("LOCATION",
                 QStringLiteral("Room 4, second floor, north wing of the old building")),
        QStringLiteral("ATTENDEE;CN=Ann Smith:mailto:ann@example.com"),
        QStringLiteral("ATTENDEE;CN=Bob Jones:mailto:bob@example.com"),
        QStringLiteral("URL:https://example.com/plan"),
        textLine("DESCRIPTION",
                 QStringLiteral("Bring the figures of the last quarter.\nAnd coffee."))};
    auto view = card(record(QStringLiteral("Quarterly planning with the whole team"), lines), true,
                     true, true);
    const auto l = view->layout();
    EXPECT_EQ(view->recurrenceLine(), "Repeats: Every Monday");
    EXPECT_EQ(topOf(view->locationView(), *view), *l.location);
    EXPECT_EQ(topOf(view->attendeesView(), *view), *l.attendees);
    EXPECT_EQ(topOf(view->notesView(), *view), *l.notes);
    EXPECT_EQ(topOf(view->uidView(), *view), *l.uid);
    // The link button beside its label, 213 wide at x 70.
    kit::Button* button = view->urlButton();
    EXPECT_FALSE(button->isHidden());
    EXPECT_EQ(button->title(), "https://example.com/plan");
    EXPECT_EQ(button->frame().x(), 70);
    EXPECT_EQ(button->frame().width(), 213);
    const double buttonTop = topOf(button, *view);
    EXPECT_LT(buttonTop, *l.url);
    EXPECT_GT(buttonTop + 28, *l.url + 13);
    shown(*view, QStringLiteral("event-card-full"));
}

// -- The link

namespace {

// The texts shown in a window's text fields, joined.
QString textsOf(kit::View* view) {
    QString all;
    if (auto* field = qobject_cast<kit::TextField*>(view)) all += field->stringValue() + u'\n';
    for (kit::View* sub : view->subviews()) all += textsOf(sub);
    return all;
}

}  // namespace

TEST_F(EventHoverViewTest, TheLinkOpensWebAndMailAtOnceRetriesBareTextsAndAsksForOtherSchemes) {
    QStringList opened;
    bool refuse = false;
    kit::Workspace::setURLOpenerForTesting([&](const QUrl& url) {
        opened << url.toString();
        return !refuse;
    });
    const struct {
        const char* text;
        int answer;  // 0: no question expected; else the button answered
        QStringList expected;
    } cases[] = {
        {"https://example.com/plan", 0, {"https://example.com/plan"}},
        {"http://example.com", 0, {"http://example.com"}},
        {"mailto:ann@example.com", 0, {"mailto:ann@example.com"}},
        {"www.example.com/plan", 0, {"http://www.example.com/plan"}},
        {"httpdocs/plan", 0, {}},  // begins with "http": not retried
        {"ftp://files.example.com/plan.pdf",
         kit::Alert::FirstButtonReturn,
         {"ftp://files.example.com/plan.pdf"}},
        {"file:///home/ann/plan.pdf", kit::Alert::SecondButtonReturn, {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto view = card(record(QStringLiteral("link%1").arg(++n),
                                {QStringLiteral("URL:") + QString::fromLatin1(c.text)}));
        ASSERT_EQ(view->urlLine(), QString::fromLatin1(c.text));
        opened.clear();
        QString question;
        // A question is answered (Cancel where none is expected); the timer
        // runs out before the next case.
        QTimer::singleShot(0, [&question, answer = c.answer] {
            if (kit::Window* modal = kit::ModalSession::modalWindow()) {
                question = textsOf(modal->contentView());
                kit::ModalSession::stopModalWithCode(answer ? answer
                                                            : kit::Alert::SecondButtonReturn);
            }
        });
        view->urlButton()->performClick();
        QCoreApplication::processEvents();
        EXPECT_EQ(opened, c.expected);
        if (c.answer)
            EXPECT_TRUE(question.contains(QString::fromLatin1(c.text))) << question.toStdString();
        else
            EXPECT_TRUE(question.isEmpty()) << question.toStdString();
    }

    // A bare text the desktop refuses as a web address too is logged.
    foundation::LogCapture log;
    refuse = true;
    auto view = card(record(QStringLiteral("refused"), {QStringLiteral("URL:intranet/plan")}));
    view->urlPressed();
    EXPECT_EQ(opened, QStringList{"http://intranet/plan"});
    EXPECT_TRUE(log.contains("ERROR: couldn't find a way to open URL intranet/plan"));
}
