// A year page filled while the store still reads its events: each calendar's
// events come in whole as they arrive, the shown page is redrawn with what it
// has, and it counts as loaded only once every calendar is in.
#include "YearViewEventLoaderTestSupport.h"

using namespace loadertest;

namespace {

class PopulationWhileStoreReads : public LoaderTest {
protected:
    void TearDown() override {
        calstore::Store::setBeforeReadingEventsForTesting({});
        gate.open();
        if (store) store->waitUntilLoaded();
        LoaderTest::TearDown();
    }

    // Opens the store in the background, holding the reading before the
    // events of "work", and builds the model once the calendars are known.
    void openHoldingWork() {
        calstore::Store::setBeforeReadingEventsForTesting([this](const QString& uid) {
            if (uid == QStringLiteral("work")) gate.pass();
        });
        store = calstore::Store::openInBackground(dir.file(QStringLiteral("store")));
        calstore::Store::setDefaultStore(store);
        ASSERT_TRUE(testsupport::waitUntil([this] { return gate.reached(); }));
        sources = std::make_shared<CalendarSources>();
        sources->loadCalendarsFromICal();
        YearViewEventLoader::setCalendarSources(sources);
    }

    // "Home" comes first in the model and in the store.
    void writeWorkAndHome() {
        writeTimed(QStringLiteral("work"), QStringLiteral("w1"), QStringLiteral("20300505T080000"),
                   QStringLiteral("20300505T090000"));
        writeTimed(QStringLiteral("work"), QStringLiteral("w2"), QStringLiteral("20300507T080000"),
                   QStringLiteral("20300507T090000"));
        writeAllDay(QStringLiteral("home"), QStringLiteral("h"), QStringLiteral("20300506"),
                    QStringLiteral("20300508"));
    }

    Gate gate;
};

TEST_F(PopulationWhileStoreReads, TakesEachCalendarAsItArrivesAndIsLoadedWithAll) {
    writeWorkAndHome();
    openHoldingWork();
    ASSERT_EQ(sources->allCalendars().size(), 2);

    const auto loader = YearViewEventLoader::newEventLoaderForYear(2030);
    auto page = std::make_shared<TestPage>(2030);
    auto offscreen = std::make_shared<TestPage>(2030);
    loader->startPopulatingView(page);
    const auto side = YearViewEventLoader::newEventLoaderForYear(2030);
    side->startPopulatingOffscreen(offscreen);

    // What has arrived is on the page and shown; the page waits for the rest.
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->partialLoads() > 0; }));
    EXPECT_EQ(page->daysOf(QStringLiteral("h")),
              (QStringList{QStringLiteral("05-06"), QStringLiteral("05-07")}));
    EXPECT_TRUE(page->daysOf(QStringLiteral("w1")).isEmpty());
    EXPECT_FALSE(page->loaded());
    EXPECT_TRUE(loader->isRunning());
    EXPECT_EQ(page->updates(), 0);

    gate.open();
    ASSERT_TRUE(finished(loader));
    ASSERT_TRUE(finished(side));
    // Every event once, the page loaded with one final update; the offscreen
    // page is never redrawn in between.
    for (const auto& p : {page, offscreen}) {
        EXPECT_TRUE(p->loaded());
        EXPECT_EQ(p->entryCount(), 4);
        EXPECT_EQ(p->daysOf(QStringLiteral("w1")), QStringList{QStringLiteral("05-05")});
        EXPECT_EQ(p->daysOf(QStringLiteral("h")),
                  (QStringList{QStringLiteral("05-06"), QStringLiteral("05-07")}));
    }
    EXPECT_EQ(page->updates(), 1);
    EXPECT_EQ(offscreen->partialLoads(), 0);
    EXPECT_EQ(offscreen->offscreenUpdates(), 1);
}

TEST_F(PopulationWhileStoreReads, AStopWhileWaitingEndsThePopulationAtOnce) {
    writeWorkAndHome();
    openHoldingWork();

    const auto loader = YearViewEventLoader::newEventLoaderForYear(2030);
    auto page = std::make_shared<TestPage>(2030);
    loader->startPopulatingView(page);
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->partialLoads() > 0; }));
    loader->stopPopulating();
    ASSERT_TRUE(finished(loader));
    EXPECT_FALSE(page->loaded());
    EXPECT_EQ(page->entryCount(), 0);
    EXPECT_EQ(page->updates(), 0);
}

}  // namespace
