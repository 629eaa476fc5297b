// The model's marker commands start their jobs on the shown year page: a
// marker given another store, a marker deleted with its marks, and the
// consistency check; checked in the store's files.
#include "CalendarSourcesTestSupport.h"
#include "MarkJobsTestSupport.h"

#include <gtest/gtest.h>

using namespace markjobs;

namespace {

class MarkerCommandsTest : public MarkJobsTest {
protected:
    void SetUp() override {
        MarkJobsTest::SetUp();
        savedServices = CalendarSources::services();
    }
    void TearDown() override {
        CalendarSources::changeServices(
            [this](CalendarSources::Services& s) { s = savedServices; });
        if (sources) sources->setOutlineView(nullptr);
        MarkJobsTest::TearDown();
    }
    // The page the main window shows, and the source list with one row.
    void show(const std::shared_ptr<ObservedPage>& page) {
        CalendarSources::changeServices([page](CalendarSources::Services& s) {
            s.currentYearPage = [page]() -> std::shared_ptr<YearViewTarget> { return page; };
        });
        sources->setOutlineView(&outline);
    }
    void selectAndEdit(const EMarkerPtr& marker) {
        outline.rows = {marker};
        outline.selected = 0;
        sources->entryEdit();  // no sheet here: the marker is only noted
    }
    bool waitFor(const QString& filter, const QStringList& wanted) const {
        return testsupport::waitUntil([&] { return storedEvents(filter) == wanted; });
    }

    calsrctest::FakeOutline outline;
    CalendarSources::Services savedServices;
};

TEST_F(MarkerCommandsTest, AMarkerGivenAnotherStoreTakesItsMarksAlong) {
    defineMarkers({{kTwoA, "Two A", 2, "marks"}});
    // Within the span the marker was applied to.
    writeMark("marks", "applied", markLocation(kTwoA), "20300101");
    openWithMarkers();
    auto page = loadedPage(2016);
    show(page);
    const EMarkerPtr marker = markerOf(kTwoA);

    // Only the colour: no job, the mark stays.
    selectAndEdit(marker);
    QVariantMap data{{"title", "Two A"},
                     {"notes", ""},
                     {"color", QColor(Qt::red)},
                     {"type", 2},
                     {"calendar", "marks"}};
    ASSERT_TRUE(sources->markerUpdatedWithData(data));
    testsupport::waitUntil([] { return false; }, 0.2);
    EXPECT_EQ(storedEvents(kTwoA), QStringList{"marks 2030-01-01 " + markLocation(kTwoA)});

    selectAndEdit(marker);
    data["calendar"] = "marks2";
    ASSERT_TRUE(sources->markerUpdatedWithData(data));
    EXPECT_TRUE(waitFor(kTwoA, {"marks2 2030-01-01 " + markLocation(kTwoA)}))
        << storedEvents(kTwoA).join(", ").toStdString();
    EXPECT_EQ(foundation::Defaults::standard()
                  .dictionaryForKey(CalendarSources::kMarkersPrefs)
                  .value(kTwoA)
                  .toMap()
                  .value("Calendar"),
              "marks2");
}

TEST_F(MarkerCommandsTest, DeletingWithMarksAndTheConsistencyCheckEmptyTheStore) {
    defineMarkers({{kTwoA, "Two A", 2, "marks"}, {kTwoB, "Two B", 2, "marks"}});
    writeMark("marks", "a", markLocation(kTwoA), "20300101");
    writeMark("marks", "b", markLocation(kTwoB), "20300101");
    writeMark("marks2", "gone", markLocation(kGone), "20160401");
    openWithMarkers();
    auto page = loadedPage(2016);
    show(page);

    sources->removeOrphanedMarks();
    EXPECT_TRUE(waitFor(kGone, {}));

    // Without the marks, the marker alone goes; with them, its marks too.
    selectAndEdit(markerOf(kTwoA));
    sources->deleteMarkerAndMarks(false);
    selectAndEdit(markerOf(kTwoB));
    sources->deleteMarkerAndMarks(true);
    EXPECT_TRUE(waitFor(kTwoB, {}));
    EXPECT_EQ(storedEvents(kTwoA), QStringList{"marks 2030-01-01 " + markLocation(kTwoA)});
    EXPECT_TRUE(foundation::Defaults::standard()
                    .dictionaryForKey(CalendarSources::kMarkersPrefs)
                    .isEmpty());
}

}  // namespace
