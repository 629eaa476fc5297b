// The class-wide progress of the loader jobs: task counts and what the main
// window's progress strip is told, always on the main thread.

#include "YearViewEventLoaderTestSupport.h"
#include "data/YearViewEventLoader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <thread>

using loadertest::RecordingSink;

namespace {

class LoaderProgressTest : public ::testing::Test {
protected:
    void SetUp() override { YearViewEventLoader::setProgressIndicatorAndTextField(sink); }
    void TearDown() override {
        YearViewEventLoader::tasksDone(YearViewEventLoader::taskCounts().toDo);
        settle();
        YearViewEventLoader::setProgressIndicatorAndTextField(nullptr);
    }
    // Runs what was handed to the main thread.
    static void settle() {
        testsupport::waitUntil([] { return false; }, 0.05);
    }

    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
};

struct CountCase {
    const char* name;
    std::function<void()> steps;  // after beginActivity
    int toDo;
    int done;
    bool indeterminate;
    double value;  // when determinate
};

TEST_F(LoaderProgressTest, IndicatorShowsTheShareDoneOrABusyBarWithoutTasks) {
    using L = YearViewEventLoader;
    const QList<CountCase> cases = {
        {"share",
         [] {
             L::addTasksToDo(4);
             L::tasksDone(1);
         },
         4, 1, false, 25.0},
        {"twoBatches",
         [] {
             L::addTasksToDo(2);
             L::addTasksToDo(2);
             L::tasksDone(3);
         },
         4, 3, false, 75.0},
        {"moreDoneThanAnnounced",
         [] {
             L::addTasksToDo(3);
             L::tasksDone(5);
         },
         0, 0, true, 0},
        {"allDone",
         [] {
             L::addTasksToDo(2);
             L::tasksDone(1);
             L::tasksDone(1);
         },
         0, 0, true, 0},
        {"noTaskAnnounced", [] { L::addTasksToDo(0); }, 0, 0, true, 0},
        {"doneWithoutAnnouncing", [] { L::tasksDone(2); }, 0, 0, true, 0},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.name);
        L::beginActivity();
        c.steps();
        settle();
        EXPECT_EQ(L::taskCounts().toDo, c.toDo);
        EXPECT_EQ(L::taskCounts().done, c.done);
        EXPECT_TRUE(sink->shown);
        EXPECT_EQ(sink->indeterminate, c.indeterminate);
        EXPECT_EQ(sink->animating, c.indeterminate);
        if (!c.indeterminate) EXPECT_DOUBLE_EQ(sink->value, c.value);
        EXPECT_FALSE(std::isnan(sink->value));
        L::tasksDone(L::taskCounts().toDo);
        L::endActivity();
        settle();
        EXPECT_FALSE(sink->shown);
    }
}

TEST_F(LoaderProgressTest, ChangesFromJobThreadsReachTheStripOnTheMainThreadWithoutWaiting) {
    // The job thread is joined while the main thread runs no events: a job that
    // waited for the main thread would never end.
    std::thread job([] {
        YearViewEventLoader::beginActivity();
        YearViewEventLoader::addTasksToDo(4);
        YearViewEventLoader::tasksDone(2);
    });
    job.join();
    EXPECT_TRUE(sink->calls.isEmpty());

    settle();
    EXPECT_EQ(sink->callsOffMain, 0);
    EXPECT_TRUE(sink->shown);
    EXPECT_FALSE(sink->indeterminate);
    EXPECT_FALSE(sink->animating);
    EXPECT_DOUBLE_EQ(sink->value, 50.0);
}

TEST_F(LoaderProgressTest, StripGoesDownWhenAJobEndsWithNoTaskOutstandingEvenWhileOthersRun) {
    using L = YearViewEventLoader;
    // Two jobs run; the one that ends with tasks outstanding leaves the strip up.
    L::beginActivity();
    L::beginActivity();
    L::addTasksToDo(2);
    L::endActivity();
    settle();
    EXPECT_TRUE(sink->shown);

    // The outstanding tasks finish; the other job ends and takes the strip down
    // although the first never reported its end.
    L::tasksDone(2);
    L::beginActivity();
    L::endActivity();
    settle();
    EXPECT_FALSE(sink->shown);
    EXPECT_FALSE(sink->animating);
}

}  // namespace
