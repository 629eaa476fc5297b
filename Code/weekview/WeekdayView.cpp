#include "weekview/WeekdayView.h"

#include "data/PrefGroups.h"
#include "data/appPref.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Localized.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Image.h"
#include "weekview/WDEventsView.h"
#include "weekview/WDHeaderView.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

// The class-wide state of the columns. Written on the main thread by
// initialize and updatePreferences, and by the layout of every column (the
// hour height); read by the columns on the main thread.
std::once_flag WDV_initialized;
QStringList WDV_cachedDayNames;
QStringList WDV_cachedShortDayNames;
QImage WDV_candleImage;
QImage WDV_notesImage;
QImage WDV_markerImage;
kit::TextAttributes WDV_titleBigTextAttribs;
kit::TextAttributes WDV_titleSmallTextAttribs;
kit::TextAttributes WDV_textAttribsEventTitle;
kit::TextAttributes WDV_textAttribsHoliday;
double WDV_hourHeight = WeekdayView::kDefaultHourHeight;
bool WDV_eventSelected = false;
appPref WDV_prefs;
bool WDV_useCalendarColors = false;
bool WDV_showHolidays = false;
bool WDV_showBirthdays = false;
bool WDV_grayoutUntilToday = false;
bool WDV_useWeekendColor = false;
bool WDV_useBoldLayout = false;
QColor WDV_grayoutColor;
QColor WDV_weekdayBGColor;
QColor WDV_weekendBGColor;
bool WDV_showFulldayMarks = false;
bool WDV_useUSformat = false;
double WDV_workdayStart = 0.0;
double WDV_workdayEnd = 0.0;
QColor WDV_nowColor;
bool WDV_textDoubleStrike = false;

// The holiday title stands out from the weekend background: darker, or, on a
// background too dark for that, more saturated.
QColor holidayColorForWeekendColor(const QColor& weekend) {
    const double hue = kit::Color::hueComponent(weekend);
    double saturation = kit::Color::saturationComponent(weekend);
    double brightness = kit::Color::brightnessComponent(weekend);
    if (brightness >= 0.2)
        brightness -= 0.2;
    else if (saturation <= 0.8)
        saturation += 0.2;
    return kit::Color::hsb(hue, saturation, brightness, kit::Color::alphaComponent(weekend));
}

}  // namespace

// -- Class operations --------------------------------------------------------

void WeekdayView::initialize() {
    std::call_once(WDV_initialized, [] {
        WDV_candleImage = kit::Image::named(QStringLiteral("Candle"));
        WDV_notesImage = kit::Image::named(QStringLiteral("Notes"));
        WDV_markerImage = kit::Image::named(QStringLiteral("MiniMarker1"));
        WDV_titleBigTextAttribs =
            kit::TextAttributes(kit::Font::boldSystemFont(11.0), kit::Color::white(0.0, 1.0));
        WDV_titleSmallTextAttribs =
            kit::TextAttributes(kit::Font::systemFont(11.0), kit::Color::white(0.5, 1.0));
        kit::ParagraphStyle eventTitleStyle;
        eventTitleStyle.lineSpacing = -1.0;
        eventTitleStyle.hyphenationFactor = 0.75;
        WDV_textAttribsEventTitle =
            kit::TextAttributes(kit::Font::systemFont(kit::Font::smallSystemFontSize()),
                                kit::Color::white(1.0, 1.0), eventTitleStyle);
        WDV_textAttribsHoliday =
            kit::TextAttributes(kit::Font::boldSystemFont(12.0), kit::Color::white(0.5, 1.0));
        WDV_hourHeight = kDefaultHourHeight;
        WDV_eventSelected = false;
    });
}

void WeekdayView::cacheWeekDayNames() {
    initialize();
    QStringList names, shortNames;
    for (int i = 0; i < 8; ++i) {
        names.append(foundation::localized(QStringLiteral("dayText%1").arg(i), QString()));
        shortNames.append(
            foundation::localized(QStringLiteral("shortDayText%1").arg(i), QString()));
    }
    WDV_cachedDayNames = names;
    WDV_cachedShortDayNames = shortNames;
}

void WeekdayView::loadPreferences() {
    cacheWeekDayNames();
    updatePreferences();
}

void WeekdayView::updatePreferences() {
    initialize();
    auto& defaults = foundation::Defaults::standard();
    WDV_prefs = appPref::fromMap(defaults.dictionaryForKey(PrefGroups::weekView));
    appPref general = appPref::fromMap(defaults.dictionaryForKey(PrefGroups::general));
    WDV_useCalendarColors = WDV_prefs.boolForKey(QStringLiteral("Event Use CalendarColor"));
    WDV_showHolidays = WDV_prefs.boolForKey(QStringLiteral("Show Holidays"));
    WDV_showBirthdays = WDV_prefs.boolForKey(QStringLiteral("Show Birthdays"));
    WDV_grayoutUntilToday = WDV_prefs.boolForKey(QStringLiteral("Grayout Until Now"));
    WDV_useWeekendColor = WDV_prefs.boolForKey(QStringLiteral("Weekend Use Color"));
    WDV_useBoldLayout = WDV_prefs.boolForKey(QStringLiteral("Use Bold Layout"));
    WDV_grayoutColor = WDV_prefs.colorForKey(QStringLiteral("Grayout Color"));
    WDV_weekdayBGColor = WDV_prefs.colorForKey(QStringLiteral("Weekday BackgroundColor"));
    WDV_weekendBGColor = WDV_prefs.colorForKey(QStringLiteral("Weekend BackgroundColor"));
    WDV_showFulldayMarks = WDV_prefs.boolForKey(QStringLiteral("Show Marks As Fullday Events"));
    WDV_useUSformat = general.boolForKey(QStringLiteral("Use US Date Format"));
    WDV_workdayStart = general.floatForKey(QStringLiteral("Workday Starts At"));
    WDV_workdayEnd = general.floatForKey(QStringLiteral("Workday Ends At"));
    WDV_nowColor = general.colorForKey(QStringLiteral("Current Day BackgroundColorBot"));
    WDV_textDoubleStrike = general.boolForKey(QStringLiteral("Antialiase Text Doublestrike"));
    WDV_textAttribsHoliday.color = holidayColorForWeekendColor(WDV_weekendBGColor);
}

void WeekdayView::setSelection(bool selected) {
    WDV_eventSelected = selected;
}

bool WeekdayView::eventSelected() {
    return WDV_eventSelected;
}

double WeekdayView::hourHeight() {
    initialize();
    return WDV_hourHeight;
}

bool WeekdayView::showFulldayMarks() {
    return WDV_showFulldayMarks;
}
bool WeekdayView::useCalendarColors() {
    return WDV_useCalendarColors;
}
bool WeekdayView::showHolidays() {
    return WDV_showHolidays;
}
bool WeekdayView::showBirthdays() {
    return WDV_showBirthdays;
}
bool WeekdayView::grayoutUntilToday() {
    return WDV_grayoutUntilToday;
}
bool WeekdayView::useWeekendColor() {
    return WDV_useWeekendColor;
}
bool WeekdayView::useBoldLayout() {
    return WDV_useBoldLayout;
}
bool WeekdayView::useUSformat() {
    return WDV_useUSformat;
}
bool WeekdayView::textDoubleStrike() {
    return WDV_textDoubleStrike;
}
QColor WeekdayView::grayoutColor() {
    return WDV_grayoutColor;
}
QColor WeekdayView::weekdayBGColor() {
    return WDV_weekdayBGColor;
}
QColor WeekdayView::weekendBGColor() {
    return WDV_weekendBGColor;
}
QColor WeekdayView::nowColor() {
    return WDV_nowColor;
}
double WeekdayView::workdayStart() {
    return WDV_workdayStart;
}
double WeekdayView::workdayEnd() {
    return WDV_workdayEnd;
}
QStringList WeekdayView::cachedDayNames() {
    return WDV_cachedDayNames;
}
QStringList WeekdayView::cachedShortDayNames() {
    return WDV_cachedShortDayNames;
}
kit::TextAttributes WeekdayView::titleBigTextAttribs() {
    initialize();
    return WDV_titleBigTextAttribs;
}
kit::TextAttributes WeekdayView::titleSmallTextAttribs() {
    initialize();
    return WDV_titleSmallTextAttribs;
}
kit::TextAttributes WeekdayView::textAttribsEventTitle() {
    initialize();
    return WDV_textAttribsEventTitle;
}
kit::TextAttributes WeekdayView::textAttribsHoliday() {
    initialize();
    return WDV_textAttribsHoliday;
}
QImage WeekdayView::candleImage() {
    initialize();
    return WDV_candleImage;
}
QImage WeekdayView::notesImage() {
    initialize();
    return WDV_notesImage;
}
QImage WeekdayView::markerImage() {
    initialize();
    return WDV_markerImage;
}

WeekdayView::HeaderHeights WeekdayView::headerHeightsFor(double columnHeight, int fulldayCount) {
    const int n = std::max(0, fulldayCount);
    const double panel = n > 0 ? kFulldayPanelExtra : 0.0;
    const double needed = n * kFulldayRowHeight + kTitleHeight + panel;
    // Rows below the title, counted in single precision; a column too low for
    // a single row has none rather than a negative count.
    const float rows = std::max(
        0.0f, std::floor(float(columnHeight - 15.0 - kTitleHeight) / float(kFulldayRowHeight)));
    const double largest = rows * kFulldayRowHeight + kTitleHeight + kFulldayPanelExtra;
    HeaderHeights h;
    h.collapsed = (n > 0 ? kFulldayRowHeight : 0.0) + kTitleHeight + panel;
    h.expanded = std::min(needed, largest);
    h.canDisplay = int(rows);
    h.hasMoreThanCanDisplay = needed > largest;
    return h;
}

// -- Construction and geometry -----------------------------------------------

WeekdayView::WeekdayView(const QRectF& frame) : kit::View(frame) {
    initialize();
    headerView_ = WDHeaderView::initWithFrameAndParent(
        kit::makeRect(0, kit::height(frame) - kTitleHeight, kit::width(frame), kTitleHeight), this);
    eventsView_ = WDEventsView::initWithFrameAndParent(
        kit::makeRect(0, 0, kit::width(frame), 24 * kDefaultHourHeight), this);
    addSubview(headerView_);
    // The header covers the top of the hours.
    addSubview(eventsView_, Ordering::Below, headerView_);
    setInnerFrames(frame);
}

void WeekdayView::setYVCell(const YearViewCellPtr& cell) {
    if (cell != yvcell_ && headerView_) headerView_->dayChanged();
    yvcell_ = cell;
    // A column left without a day shows no events rather than the last day's.
    eventlistChanged();
}

void WeekdayView::setFrame(const QRectF& frame) {
    kit::View::setFrame(frame);
    determineCellSpace();
    setInnerFrames(frame);
}

void WeekdayView::setInnerFrames(const QRectF& frame) {
    if (!headerView_ || !eventsView_) return;
    const double height = kit::height(frame);
    WDV_hourHeight = kDefaultHourHeight;
    double eventsHeight = 24 * kDefaultHourHeight;
    // Taller columns get whole-point hours that fill them.
    if (height - kHeaderCover > eventsHeight) {
        WDV_hourHeight = std::floor((height - kHeaderCover) / 24.0 + 0.5);
        eventsHeight = WDV_hourHeight * 24;
    }
    applyHeaderHeights(height);
    const double y = kit::minY(eventsView_->frame());
    eventsView_->setFrame(kit::makeRect(0, 0, kit::width(frame), eventsHeight));
    // Where the hours stand is the week view's to say; until it does they keep
    // their place.
    setEventsViewYpos(y);
}

void WeekdayView::applyHeaderHeights(double columnHeight) {
    const HeaderHeights h = headerHeightsFor(columnHeight, int(fdevents_.size()));
    headerView_->setCollapsedHeight(h.collapsed);
    headerView_->setExpandedHeight(h.expanded);
    headerView_->setHasMoreThanCanDisplay(h.hasMoreThanCanDisplay);
    headerView_->setCanDisplay(h.canDisplay);
}

void WeekdayView::setPositionInView(int position) {
    cellPosition_ = position;
    eventsView_->setPositionInView(position);
}

void WeekdayView::determineCellSpace() {
    double widest = 0.0;
    for (int i : {3, 4})
        if (i < WDV_cachedDayNames.size())
            widest =
                std::max(widest, titleBigTextAttribs().sizeOfString(WDV_cachedDayNames[i]).width());
    useNarrowText_ = kit::width(bounds()) - 4 < widest;
}

// -- The day ------------------------------------------------------------------

MyDatePtr WeekdayView::date() const {
    return yvcell_ ? yvcell_->cellDate() : nullptr;
}

int WeekdayView::day() const {
    const MyDatePtr d = date();
    return d ? d->dayNum() : 0;
}

int WeekdayView::month() const {
    const MyDatePtr d = date();
    return d ? d->monthNum() : 0;
}

int WeekdayView::year() const {
    const MyDatePtr d = date();
    return d ? d->yearNum() : 0;
}

QString WeekdayView::birthdaysText() const {
    return yvcell_ ? yvcell_->birthdaysText() : QString();
}

QString WeekdayView::notesText() const {
    return yvcell_ ? yvcell_->notesText() : QString();
}

bool WeekdayView::hasNotes2() const {
    return yvcell_ && yvcell_->hasNotes2();
}

// -- Hour scrolling -------------------------------------------------------------

double WeekdayView::visibleHours() const {
    return (kit::height(frame()) - kHeaderCover) / WDV_hourHeight;
}

// The last hour that can stand at the top; 0 or less when all hours fit.
double WeekdayView::lastTopHour() const {
    return 24.0 - visibleHours();
}

bool WeekdayView::hourIsVisible(double hour) const {
    const double y = (24.0 - hour) * WDV_hourHeight + kit::minY(eventsView_->frame());
    return y >= WDV_hourHeight && y <= kit::height(frame()) - kHeaderCover;
}

double WeekdayView::scrollPercentForHour(double hour) const {
    const double last = lastTopHour();
    if (last <= 0) return 0.0;
    return hour > last ? 1.0 : hour / last;
}

double WeekdayView::maxScrollPercentForHour(double hour) const {
    return scrollPercentForHour(std::max(0.0, hour - visibleHours()));
}

double WeekdayView::hourForScrollPercent(double percent) const {
    const double last = lastTopHour();
    return last <= 0 ? 0.0 : percent * last;
}

double WeekdayView::yPosForScrollPercent(double percent) const {
    if (lastTopHour() <= 0) percent = 0.0;
    const double room = kit::height(frame()) - kHeaderCover - kit::height(eventsView_->frame());
    return std::floor((1.0 - percent) * room);
}

double WeekdayView::scrollDiffForHalfHour() const {
    const double last = lastTopHour();
    return last <= 0 ? 0.0 : 0.5 / last;
}

void WeekdayView::setEventsViewYpos(double y) {
    const QRectF f = eventsView_->frame();
    eventsView_->setFrame(kit::makeRect(0, y, kit::width(f), kit::height(f)));
}

QRectF WeekdayView::visibleRectForEvent(const EventDayPtr& event) const {
    if (!event) return QRectF();
    if (event->fulldayEvent()) {
        const int n = int(fdevents_.size());
        const auto found = std::find(fdevents_.begin(), fdevents_.end(), event);
        if (n < 1 || found == fdevents_.end()) return QRectF();
        // The first entry has the top row.
        int row = n - 1 - int(found - fdevents_.begin());
        if (headerView_->hasMoreThanCanDisplay())
            // The rows that do not fit are summed up in the lowest row.
            row = std::max(0, row + headerView_->canDisplay() - n);
        return kit::makeRect(10, 7 + row * kFulldayRowHeight, kit::width(headerView_->frame()) - 20,
                             kFulldayRowHeight);
    }
    double y = event->hitY(), h = event->hitH();
    QRectF visible = eventsView_->visibleRect();
    visible.setHeight(std::max(0.0, kit::height(visible) - kTitleHeight));
    const double visibleBottom = kit::minY(visible);
    const double visibleTop = kit::maxY(visible);
    if (visibleBottom > y) {
        h = std::max(0.0, h - (visibleBottom - y));
        y = visibleBottom;
    }
    if (y + h > visibleTop) {
        h -= y + h - visibleTop;
        if (h < 0) {
            h = 0;
            y = visibleTop;
        }
    }
    return kit::makeRect(event->hitX(), y, event->hitW(), h);
}
