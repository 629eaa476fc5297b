// Sliding the week view to other days: the columns of the new days are built
// beside the shown ones and the whole row slides until they fill the view.
// Also the highlight of an event (its hour brought into view, selected,
// blinked) and the page indicator the slides and drags move.

#include "weekview/WeekView.h"

#include "platform/kit/Geometry.h"
#include "platform/kit/Perform.h"
#include "weekview/WeekdayView.h"

#include <algorithm>
#include <cmath>

namespace {

std::function<void(const kit::Animation&)>& animationObserver() {
    static std::function<void(const kit::Animation&)> observer;
    return observer;
}

}  // namespace

void WeekView::setAnimationObserver(std::function<void(const kit::Animation&)> observer) {
    animationObserver() = std::move(observer);
}

void WeekView::runBlocking(kit::Animation& animation) {
    animation.setAnimationBlockingMode(kit::Animation::BlockingMode::Blocking);
    if (const auto& observe = animationObserver()) observe(animation);
    animation.startAnimation();
}

// -- Moving

void WeekView::moveToWeekOf(const MyDatePtr& day) {
    if (!day) return;
    moveTo(newReferenceDateForDay(day));
}

void WeekView::fastMoveToWeekOf(const MyDatePtr& day) {
    acceleratedSlide_ = true;
    moveToWeekOf(day);
    acceleratedSlide_ = false;
}

void WeekView::moveTo(const MyDatePtr& firstDay) {
    // A move asked for while a slide runs (between its frames) is not taken:
    // the slide owns the columns until it ends.
    if (firstDay && !sliding_ && !(referenceDate_ && firstDay->isSameDateAs(referenceDate_))) {
        animateSlidingTo(firstDay);
        setReferenceDate(firstDay);
        repositionViewsDuringResize();
    }
    setNeedsDisplay(true);
}

void WeekView::showCalendarWeek(int week) {
    if (!referenceDateY_ || sliding_) return;
    MyDatePtr d = referenceDateY_->mondayInCalendarWeekUsNorm(week, weekStartsSunday_);
    if (!d) return;
    const int mode = effectiveDisplayMode();
    if ((mode == kWeek7Day || mode == kNext7Days) && weekStartsSunday_)
        d = d->dateByAddingYearsMonthsDays(0, 0, -1);
    if (referenceDate_ && d->isSameDateAs(referenceDate_)) {
        setNeedsDisplay(true);
        return;
    }
    kit::perform(gui_yearViewScroller_.data(), "ensureYearIsShown",
                 QVariant(referenceDateY_->yearNum()));
    animateSlidingTo(d);
    setReferenceDate(d);
    // Week 1 counts in the year of its Thursday, also when its Monday lies in
    // December.
    if (week == 1) {
        referenceDateY_ = d->nextThursday();
        weeksInYear_ = referenceDateY_->weeksInYear();
        activateCalWeekHover();
    }
    repositionViewsDuringResize();
    setNeedsDisplay(true);
}

// -- The slide

void WeekView::animateSlidingTo(const MyDatePtr& firstDay) {
    const int off = dateOffsetFromTo(referenceDate_, firstDay);
    if (off == 0 || !firstDay) return;
    if (viewSet_.empty()) {
        // Nothing shown to slide away from: the new days simply appear.
        referenceDate_ = firstDay;
        initViews();
        return;
    }
    sliding_ = true;
    const std::vector<WeekdayView*> set = createSlideSetForRefDate(firstDay, off);
    slideViews(set, off);

    adoptSlideSet(set, off);
    sliding_ = false;
}

void WeekView::adoptSlideSet(const std::vector<WeekdayView*>& set, int off) {
    const size_t n = size_t(viewSetMaxIndex() + 1);
    const size_t first = off > 0 && set.size() >= n ? set.size() - n : 0;
    viewSet_.clear();
    for (size_t i = 0; i < set.size(); ++i) {
        if (i >= first && i < first + n) {
            viewSet_.push_back(set[i]);
        } else {
            set[i]->removeFromSuperview();
            set[i]->deleteLater();
        }
    }
}

std::vector<WeekdayView*> WeekView::createSlideSetForRefDate(const MyDatePtr& firstDay, int off) {
    std::vector<WeekdayView*> set;
    if (!firstDay || viewSet_.empty()) return set;
    const int n = viewSetMaxIndex() + 1;
    const QRectF B = bounds();
    const QRectF I = innerRectForDrawing();
    const double w = kit::width(I) / n;
    WeekdayView* front = viewSet_.front();
    // The new columns show the same hours as the shown ones.
    const double y0 = front->yPosForScrollPercent(front->scrollPercentForHour(shownHour_));
    const int mode = effectiveDisplayMode();
    const bool dayByDay = mode == kNext7Days || mode == kNext5Days;

    auto addNew = [&](MyDatePtr day, double x, int k) {
        for (int i = 0; i < k && day; ++i, day = day->nextDay()) {
            WeekdayView* column = newColumnForDay(day);
            column->setFrame(kit::makeRect(x, kit::minY(I), std::floor(w + 0.5), kit::height(I)));
            column->setEventsViewYpos(y0);
            column->setPositionInView(k == 1 ? 5 : i == 0 ? 2 : i == k - 1 ? 4 : 3);
            column->drawOffscreen();
            set.push_back(column);
            x = std::floor(x + w + 0.5);
        }
    };

    if (off < 0) {
        const int k = std::min(-off, n);
        MyDatePtr day = firstDay;
        if (dayByDay && -off < n && front->date())
            day = front->date()->dateByAddingYearsMonthsDays(0, 0, -k);
        addNew(day, std::floor(kit::minX(B) - w * k), k);
    }
    for (WeekdayView* column : viewSet_) set.push_back(column);
    if (off > 0) {
        const int k = std::min(off, n);
        MyDatePtr day = firstDay;
        if (dayByDay && off < n && viewSet_.back()->date())
            day = viewSet_.back()->date()->nextDay();
        addNew(day, kit::minX(B) + kit::width(B), k);
    }
    return set;
}

WVAnimationConfig WeekView::prepareAnimationConfigFor(const std::vector<WeekdayView*>& set,
                                                      int off) {
    const int n = viewSetMaxIndex() + 1;
    const int count = int(set.size());
    const int k = std::min(std::abs(off), n);
    const QRectF I = innerRectForDrawing();
    const float w = float(kit::width(I)) / float(n);
    WVAnimationConfig c;
    c.viewCount = count;
    c.slideSet.assign(set.begin(), set.end());
    c.borderWidth = 40.0f;
    c.xBase = float(kit::minX(I));
    c.yBase = float(kit::minY(I));
    c.width = w;
    c.refOffset = off;
    c.refIndex = off < 0 ? 0 : count - n;
    c.rearIndex = n - 1;
    c.frontIndex = count - n;
    c.slideByPixels = w * float(k);
    c.dir = off <= 0 ? 1.0f : -1.0f;
    c.caller = this;
    return c;
}

void WeekView::slideViews(const std::vector<WeekdayView*>& set, int off) {
    WeekViewAnimation animation(acceleratedSlide_ ? 0.1 : 0.5, kit::Animation::Curve::EaseIn);
    animation.setFrameRate(40);
    animation.setConfiguration(prepareAnimationConfigFor(set, off));
    for (WeekdayView* column : set) column->willStartLiveMove();
    runBlocking(animation);
    for (WeekdayView* column : set) column->didEndLiveMove();
}

void WeekView::updateAnimationProgress(double progress) {
    moveIndicatorTo(progress);
}

// -- The page indicator

void WeekView::moveIndicatorTo(double value) {
    dotOffset_ = dotDirection_ * std::clamp(value, -1.0, 1.0);
}

void WeekView::centerIndicator() {
    dotOffset_ = 0;
    dotDirection_ = 0;
    setNeedsDisplay(true);
}

// -- Highlighting an event

void WeekView::highlightCalEvent(const calstore::EventPtr& event) {
    if (!event || viewSet_.empty()) return;
    WeekdayView* front = viewSet_.front();
    const double hour = MyDate::dateWithNSDate(event->startDate())->hourNum();
    const double q = front->scrollPercentForHour(hour);
    if (!front->hourIsVisible(hour)) {
        scrollToHourAnimate(hour, false);
        scrollWheelProgress(q);
    }
    const EventDayPtr record = eventDayForCalEvent(event);
    if (!record) return;
    selectEvent(record);
    // Out and in, twice.
    WeekEventBlinkAnimation blink(0.18, kit::Animation::Curve::EaseIn);
    blink.setFrameRate(10);
    for (const bool appear : {false, true, false, true}) {
        blink.setConfiguration({appear, record, this});
        runBlocking(blink);
    }
}
