// The week view's selection against a real store: the Delete key on a single
// and on a repeating event, and the selection dropped when another program
// changes the selected event's file.

#include "data/CalendarSources.h"
#include "data/EventDay.h"
#include "data/WritersTestSupport.h"
#include "data/YearViewEventLoaderTestSupport.h"
#include "platform/kit/Event.h"
#include "platform/store/Store.h"
#include "weekview/WeekView.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace {

class WeekViewStoreTest : public loadertest::LoaderTest {
protected:
    void SetUp() override {
        LoaderTest::SetUp();
        WeekView::changeServices([](WeekView::Services& s) { s = WeekView::Services(); });
        writeTimed(QStringLiteral("work"), QStringLiteral("single"),
                   QStringLiteral("20910310T090000"), QStringLiteral("20910310T100000"));
        writeEvent(
            QStringLiteral("work"), QStringLiteral("weekly"),
            {QStringLiteral("DTSTART:20910311T090000Z"), QStringLiteral("DTEND:20910311T100000Z"),
             QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=5")});
        open();
        view.reset(WeekView::initWithFrame(QRectF(0, 0, 800, 500)));
        hooks->weekView = view.get();
    }
    void TearDown() override {
        WeekView::changeServices([](WeekView::Services& s) { s = WeekView::Services(); });
        view.reset();
        LoaderTest::TearDown();
    }

    EventDayPtr select(const QString& uid) {
        const auto events = eventsWithUID(uid);
        if (events.isEmpty()) return nullptr;
        auto record = std::make_shared<EventDay>();
        record->setEvent(events.first());
        view->selectEvent(record);
        return record;
    }
    void pressDelete() {
        view->keyDown(
            kit::Event::keyEvent(kit::EventType::KeyDown, kit::KeyCodes::Delete, QString()));
    }
    bool fileExists(const QString& uid) const {
        return QFile::exists(dir.file(QStringLiteral("store/work/%1.ics").arg(uid)));
    }

    writerstest::ScopedHooks hooks;
    std::unique_ptr<WeekView> view;
};

}  // namespace

TEST_F(WeekViewStoreTest, DeleteRemovesASingleEventAtOnce) {
    pressDelete();  // nothing selected: nothing goes
    EXPECT_TRUE(fileExists(QStringLiteral("single")));

    ASSERT_TRUE(select(QStringLiteral("single")));
    pressDelete();
    EXPECT_FALSE(fileExists(QStringLiteral("single")));
    EXPECT_TRUE(eventsWithUID(QStringLiteral("single")).isEmpty());
    EXPECT_EQ(view->selection(), nullptr);
    EXPECT_TRUE(fileExists(QStringLiteral("weekly")));
}

TEST_F(WeekViewStoreTest, DeleteOnARepeatingEventAsksFirst) {
    const EventDayPtr weekly = select(QStringLiteral("weekly"));
    ASSERT_TRUE(weekly);

    // No sheet to ask with: nothing is deleted.
    pressDelete();
    EXPECT_TRUE(fileExists(QStringLiteral("weekly")));
    EXPECT_EQ(view->selection(), weekly);

    EventDayPtr asked;
    WeekView::changeServices([&](WeekView::Services& s) {
        s.eventDeleteSheet = [&](WeekView*, const EventDayPtr& e) { asked = e; };
    });
    pressDelete();
    EXPECT_EQ(asked, weekly);
    EXPECT_TRUE(fileExists(QStringLiteral("weekly")));  // until the user confirms
    EXPECT_EQ(eventsWithUID(QStringLiteral("weekly")).size(), 5);

    view->selectionGotDeleted();  // OK in the sheet
    EXPECT_FALSE(fileExists(QStringLiteral("weekly")));
    EXPECT_EQ(view->selection(), nullptr);

    view->selectionGotDeleted();  // with no selection left, nothing happens
    EXPECT_TRUE(fileExists(QStringLiteral("single")));
}

TEST_F(WeekViewStoreTest, AnotherProgramChangingTheSelectedEventClearsTheSelection) {
    const EventDayPtr single = select(QStringLiteral("single"));
    ASSERT_TRUE(single);

    // Another event's change leaves the selection.
    writeEvent(
        QStringLiteral("work"), QStringLiteral("weekly"),
        {QStringLiteral("DTSTART:20910311T100000Z"), QStringLiteral("DTEND:20910311T110000Z"),
         QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=5")});
    ASSERT_TRUE(store->rescan());
    EXPECT_EQ(view->selection(), single);

    writeTimed(QStringLiteral("work"), QStringLiteral("single"), QStringLiteral("20910310T120000"),
               QStringLiteral("20910310T130000"));
    ASSERT_TRUE(store->rescan());
    EXPECT_EQ(view->selection(), nullptr);
}
