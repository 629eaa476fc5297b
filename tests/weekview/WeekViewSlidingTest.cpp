// Sliding the week view to other days: the slide set and where its columns
// stand as the slide progresses, the columns and the reference date after a
// move, the fast move, calendar weeks, and the highlight of an event.

#include "weekview/WeekViewStoreFixture.h"

#include "platform/kit/Animation.h"
#include "weekview/WeekdayView.h"

#include <vector>

using namespace wvtest;

namespace {

// Every slide and blink ends at once and is recorded: its duration, and a
// blink's direction.
struct AnimationLog {
    AnimationLog() {
        kit::Animation::setInstantForTesting(true);
        WeekView::setAnimationObserver([this](const kit::Animation& a) {
            durations.push_back(a.duration());
            if (auto* blink = qobject_cast<const WeekEventBlinkAnimation*>(&a))
                blinks.push_back(blink->configuration().appearDirection);
        });
    }
    ~AnimationLog() {
        WeekView::setAnimationObserver(nullptr);
        kit::Animation::setInstantForTesting(false);
    }
    std::vector<double> durations;
    std::vector<bool> blinks;
};

class WeekViewSlidingTest : public WeekViewTest {
protected:
    static std::vector<QDate> datesOf(const std::vector<WeekdayView*>& columns) {
        std::vector<QDate> dates;
        for (WeekdayView* c : columns) dates.push_back(dateOf(c->date()));
        return dates;
    }
    AnimationLog animations;
    std::vector<double>& durations = animations.durations;
};

// Wednesday 15 June 2011; its week begins on Monday 13 June.
const QDate kMonday(2011, 6, 13);

struct Place {
    int index;
    double progress;
    double columns;  // x from the inner rectangle's x, in column widths
    double gaps;     // and in 40-point gaps
};
struct SlideCase {
    const char* name;
    int mode;
    int offset;    // days from the shown first day to the new one
    int count;     // columns in the slide set
    int firstNew;  // slide-set index of the first new column
    QDate newDay;  // its day
    std::vector<Place> places;
};

class SlideSetTest : public WeekViewSlidingTest, public ::testing::WithParamInterface<SlideCase> {};

TEST_P(SlideSetTest, BuildsTheNewColumnsBesideTheShownOnesAndSlidesThem) {
    const SlideCase& c = GetParam();
    auto view = makeView(1000, 700, c.mode, day(2011, 6, 13));
    const MyDatePtr r = view->referenceDate()->dateByAddingYearsMonthsDays(0, 0, c.offset);
    const std::vector<WeekdayView*> shown = view->viewSet();
    const std::vector<WeekdayView*> set = view->createSlideSetForRefDate(r, c.offset);
    ASSERT_EQ(int(set.size()), c.count);
    EXPECT_EQ(dateOf(set[size_t(c.firstNew)]->date()), c.newDay);
    // The shown columns keep their order within the set.
    const size_t firstShown = c.offset < 0 ? set.size() - shown.size() : 0;
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(set[firstShown + i], shown[i]);
    // The new ones stand outside the view until the slide moves them.
    const QRectF B = view->bounds();
    const QRectF newFrame = set[size_t(c.firstNew)]->frame();
    EXPECT_TRUE(newFrame.right() <= B.left() || newFrame.left() >= B.right()) << newFrame.left();

    const WVAnimationConfig config = view->prepareAnimationConfigFor(set, c.offset);
    for (const Place& p : c.places) {
        const double expected = config.xBase + p.columns * config.width + p.gaps * 40;
        EXPECT_NEAR(WeekViewAnimation::columnX(config, p.index, p.progress), expected, 1e-3)
            << "column " << p.index << " at " << p.progress;
    }
    // The animation puts them there.
    WeekViewAnimation animation;
    animation.setConfiguration(config);
    animation.setCurrentProgress(0.5);
    for (const Place& p : c.places)
        if (p.progress == 0.5)
            EXPECT_NEAR(set[size_t(p.index)]->frame().x(),
                        WeekViewAnimation::columnX(config, p.index, 0.5), 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    Slides, SlideSetTest,
    ::testing::Values(
        // A week on: the 7 new columns enter behind the gap and the whole row
        // slides one full width.
        SlideCase{"NextWeek",
                  1,
                  7,
                  14,
                  7,
                  kMonday.addDays(7),
                  {{0, 0, 0, 0},
                   {6, 0, 6, 0},
                   {7, 0, 7, 1},
                   {7, 0.5, 3.5, 0.5},
                   {0, 1, -7, -1},
                   {7, 1, 0, 0},
                   {13, 1, 6, 0}}},
        SlideCase{"PreviousWeek",
                  1,
                  -7,
                  14,
                  0,
                  kMonday.addDays(-7),
                  {{0, 0, -7, -1},
                   {6, 0, -1, -1},
                   {7, 0, 0, 0},
                   {0, 1, 0, 0},
                   {7, 1, 7, 1},
                   {13, 0.5, 9.5, 0.5}}},
        // Several weeks at once still build one week of new columns, from the
        // new first day.
        SlideCase{"ThreeWeeksOn",
                  1,
                  21,
                  14,
                  7,
                  kMonday.addDays(21),
                  {{7, 0, 7, 1}, {7, 1, 0, 0}, {0, 1, -7, -1}}},
        SlideCase{
            "ThreeWeeksBack", 1, -21, 14, 0, kMonday.addDays(-21), {{0, 0, -7, -1}, {0, 1, 0, 0}}},
        // A day on in the next-7-days mode: the leaving column goes behind
        // the gap, six shift by one column without one, one enters.
        SlideCase{"NextDay",
                  3,
                  1,
                  8,
                  7,
                  QDate(2011, 6, 20),
                  {{0, 0, 0, 0},
                   {0, 1, -1, -1},
                   {1, 0, 1, 0},
                   {1, 1, 0, 0},
                   {3, 0.5, 2.5, 0},
                   {6, 1, 5, 0},
                   {7, 0, 7, 1},
                   {7, 1, 6, 0}}},
        SlideCase{"PreviousDay",
                  3,
                  -1,
                  8,
                  0,
                  QDate(2011, 6, 12),
                  {{0, 0, -1, -1},
                   {0, 1, 0, 0},
                   {1, 0, 0, 0},
                   {1, 1, 1, 0},
                   {6, 0, 5, 0},
                   {7, 0, 6, 0},
                   {7, 1, 7, 1}}},
        SlideCase{"TwoDaysOnInFiveDays",
                  4,
                  2,
                  7,
                  5,
                  QDate(2011, 6, 18),
                  {{0, 1, -2, -1}, {2, 0, 2, 0}, {2, 1, 0, 0}, {5, 0, 5, 1}, {6, 1, 4, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WeekViewSlidingTest, AMoveLeavesTheNewDaysInPlaceAndTheShownDayOnlyRedraws) {
    auto view = makeView(1000, 700, 1, day(2011, 6, 15));
    const std::vector<WeekdayView*> before = view->viewSet();

    view->moveTo(view->referenceDate());
    EXPECT_EQ(view->viewSet(), before);
    EXPECT_TRUE(durations.empty());

    view->moveToWeekOf(day(2011, 6, 22));
    EXPECT_EQ(dateOf(view->referenceDate()), kMonday.addDays(7));
    std::vector<QDate> expected;
    for (int i = 7; i < 14; ++i) expected.push_back(kMonday.addDays(i));
    EXPECT_EQ(datesOf(view->viewSet()), expected);
    // The old columns are gone and the new ones fill the inner rectangle.
    int columns = 0;
    for (kit::View* v : view->subviews()) columns += qobject_cast<WeekdayView*>(v) ? 1 : 0;
    EXPECT_EQ(columns, 7);
    const QRectF I = view->innerRectForDrawing();
    EXPECT_EQ(view->viewSet().front()->frame().x(), I.x());
    EXPECT_EQ(view->viewSet().front()->frame().y(), I.y());
    EXPECT_FALSE(view->viewSet().front()->inLiveMove());
    ASSERT_EQ(durations, std::vector<double>{0.5});

    // The fast move (go to today, a day of the year) takes the short slide.
    view->fastMoveToWeekOf(day(2011, 5, 4));
    EXPECT_EQ(dateOf(view->referenceDate()), QDate(2011, 5, 2));
    EXPECT_EQ(durations, (std::vector<double>{0.5, 0.1}));
    EXPECT_FALSE(view->acceleratedSlide());
    view->moveToWeekOf(day(2011, 5, 12));
    EXPECT_EQ(durations.back(), 0.5);
}

TEST_F(WeekViewSlidingTest, WeekOneWhoseMondayLiesInDecemberCountsInTheLaterYear) {
    // 1 January 2015 is a Thursday: week 1 begins on Monday 29 December 2014.
    auto view = makeView(1000, 700, 1, day(2015, 6, 10));
    view->showCalendarWeek(1);
    EXPECT_EQ(dateOf(view->referenceDate()), QDate(2014, 12, 29));
    EXPECT_EQ(view->referenceDateY()->yearNum(), 2015);
    EXPECT_EQ(view->weeksInYear(), 53);
    EXPECT_EQ(dateOf(view->viewSet().front()->date()), QDate(2014, 12, 29));

    // Another week of the bar's year; the shown week only redraws.
    view->showCalendarWeek(10);
    EXPECT_EQ(dateOf(view->referenceDate()), QDate(2015, 3, 2));
    const size_t slides = durations.size();
    view->showCalendarWeek(10);
    EXPECT_EQ(durations.size(), slides);
}

TEST_F(WeekViewSlidingTest, WithWeeksFromSundayTheCalendarWeekBeginsTheDayBefore) {
    setGeneralPref(QStringLiteral("Week Begins on Sunday"), true);
    auto view = makeView(1000, 700, 1, day(2015, 6, 10));
    ASSERT_TRUE(view->weekStartsSunday());
    view->showCalendarWeek(10);
    EXPECT_EQ(dateOf(view->referenceDate()), QDate(2015, 3, 1));
}

// -- Highlighting

class WeekViewHighlightTest : public WeekViewStoreFixture {
protected:
    AnimationLog animations;
    std::vector<bool>& blinks = animations.blinks;
};

TEST_F(WeekViewHighlightTest, ScrollsOnlyForAHiddenHourSelectsAndBlinksFourTimes) {
    const QDate wednesday(2011, 6, 15);
    writeTimed(QStringLiteral("noon"), wednesday, "12:00", "13:00");
    writeTimed(QStringLiteral("late"), wednesday, "22:00", "23:00");
    writeTimed(QStringLiteral("away"), wednesday.addDays(14), "12:00", "13:00");
    open();
    showWeek(wednesday);
    WeekdayView* first = view->viewSet().front();
    ASSERT_TRUE(first->hourIsVisible(12));
    ASSERT_FALSE(first->hourIsVisible(22));
    const double hour = view->shownHour();

    view->highlightCalEvent(eventsWithUID(QStringLiteral("noon")).value(0));
    EXPECT_EQ(view->shownHour(), hour);
    ASSERT_TRUE(view->selection());
    EXPECT_EQ(view->selection()->event()->uid(), QStringLiteral("noon"));
    EXPECT_EQ(blinks, (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(view->selection()->blinkingFactor(), 1.0f);  // shown in full afterwards

    blinks.clear();
    view->highlightCalEvent(eventsWithUID(QStringLiteral("late")).value(0));
    EXPECT_TRUE(view->viewSet().front()->hourIsVisible(22));
    EXPECT_EQ(view->selection()->event()->uid(), QStringLiteral("late"));
    EXPECT_EQ(blinks.size(), 4u);

    // An event in none of the columns: nothing selected, nothing blinks.
    view->selectEvent(nullptr);
    blinks.clear();
    view->highlightCalEvent(eventsWithUID(QStringLiteral("away")).value(0));
    EXPECT_FALSE(view->selection());
    EXPECT_TRUE(blinks.empty());
    view->highlightCalEvent(nullptr);
    EXPECT_FALSE(view->selection());
}

}  // namespace
