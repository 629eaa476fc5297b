#include "yearview/YearViewCell.h"

#include "data/AppearanceStamp.h"
#include "data/Calendar.h"
#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "data/appPref.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Localized.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Gradient.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/Path.h"
#include "shell/AppDelegate.h"

#include <QImage>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

const QString kYearViewGroup = QStringLiteral("AppPref YearView");
const QString kGeneralGroup = QStringLiteral("AppPref General");
const QString kNotesLocation = QStringLiteral("Zolt:Notes");

// The settings the drawing reads, copied as a whole by every drawing so that a
// change of the preferences never tears a cell half drawn with the old ones.
struct CellSettings {
    QColor eventDefaultColor;
    bool useCalendarColors = false;
    bool showCalendarEvents = false;
    bool showHolidayText = false;
    bool showBirthdays = false;
    bool showNotes = false;
    bool notesUseCalColor = false;
    QColor notesHintColor;
    bool grayoutUntilToday = false;
    QColor grayoutColor;
    QColor currentDayColorTop;
    QColor currentDayColorBot;
    QColor selectionColor;
    double dayStart = 0.0;
    double dayEnd = 0.0;
    // Read from the cells' copy of "AppPref YearView".
    QColor weekdayTop;
    QColor weekdayBot;
    QColor weekendTop;
    QColor weekendBot;
    QColor currentDayTextColor;
    QColor standardDayTextColor;
};

// The class-wide state of the cells. Everything here is guarded by the class
// lock: the page's drawing sets sizes and attributes on whatever thread draws,
// while the main thread changes the settings and the selection.
foundation::Lock YVC_classLock;
std::once_flag YVC_initialized;
std::vector<MyDatePtr> YVC_selection;
float YVC_cellWidth = 40.0f;
float YVC_cellHeight = 10.0f;
QImage YVC_candleImage;
QString YVC_calendarWeekAbbrev;
QStringList YVC_cachedDayNames;
kit::TextAttributes YVC_dayTextAttribs;
kit::TextAttributes YVC_holidayTextAttribs;
kit::TextAttributes YVC_cwTextAttribs;
float YVC_textSize = 0.0f;
float YVC_maxDayNameWidth = 0.0f;
float YVC_maxDayNumWidth = 0.0f;
appPref YVC_prefs;
CellSettings YVC_settings;

CellSettings settingsSnapshot() {
    foundation::Guard guard(YVC_classLock);
    return YVC_settings;
}

// Reads the settings into YVC_settings; the caller holds the class lock.
void readSettings() {
    YVC_prefs = appPref::fromMap(foundation::Defaults::standard().dictionaryForKey(kYearViewGroup));
    appPref general =
        appPref::fromMap(foundation::Defaults::standard().dictionaryForKey(kGeneralGroup));
    CellSettings& s = YVC_settings;
    s.eventDefaultColor = YVC_prefs.colorForKey(QStringLiteral("Event Default EventColor"));
    s.useCalendarColors = YVC_prefs.boolForKey(QStringLiteral("Event Use CalendarColor"));
    s.showCalendarEvents = YVC_prefs.boolForKey(QStringLiteral("Event Show Events"));
    s.showHolidayText = YVC_prefs.boolForKey(QStringLiteral("Show Holiday Text"));
    s.showBirthdays = YVC_prefs.boolForKey(QStringLiteral("Show Birthdays"));
    s.showNotes = YVC_prefs.boolForKey(QStringLiteral("Show Notes Hints"));
    s.notesUseCalColor = YVC_prefs.boolForKey(QStringLiteral("Notes Hints Use CalendarColor"));
    s.notesHintColor = YVC_prefs.colorForKey(QStringLiteral("Notes Hints Color"));
    s.grayoutUntilToday = YVC_prefs.boolForKey(QStringLiteral("Grayout Until Today"));
    s.grayoutColor = YVC_prefs.colorForKey(QStringLiteral("Grayout Color"));
    s.currentDayColorTop = general.colorForKey(QStringLiteral("Current Day BackgroundColorTop"));
    s.currentDayColorBot = general.colorForKey(QStringLiteral("Current Day BackgroundColorBot"));
    s.selectionColor = general.colorForKey(QStringLiteral("Selection Color"));
    s.dayStart = general.floatForKey(QStringLiteral("Workday Starts At"));
    s.dayEnd = general.floatForKey(QStringLiteral("Workday Ends At"));
    s.weekdayTop = YVC_prefs.colorForKey(QStringLiteral("Weekday BackgroundColorTop"));
    s.weekdayBot = YVC_prefs.colorForKey(QStringLiteral("Weekday BackgroundColorBot"));
    s.weekendTop = YVC_prefs.colorForKey(QStringLiteral("Weekend BackgroundColorTop"));
    s.weekendBot = YVC_prefs.colorForKey(QStringLiteral("Weekend BackgroundColorBot"));
    s.currentDayTextColor = YVC_prefs.colorForKey(QStringLiteral("Current Day TextColor"));
    s.standardDayTextColor = YVC_prefs.colorForKey(QStringLiteral("Standard Day TextColor"));
}

// The holiday title's font follows the day text down when that is smaller than 8.
kit::Font holidayFontForTextSize(float textSize) {
    return kit::Font::systemFont(textSize < 8.0f ? 0.9 * textSize : 8.0);
}

bool isShownOfType(const std::shared_ptr<Calendar>& calendar, int type) {
    return calendar && calendar->isSelected() && calendar->calendarType() == type;
}

bool isOfType(const std::shared_ptr<Calendar>& calendar, int type) {
    return calendar && calendar->calendarType() == type;
}

QString locationOf(const EventDayPtr& record) {
    return record && record->event() ? record->event()->location() : QString();
}

QString titleOf(const EventDayPtr& record) {
    return record && record->event() ? record->event()->title() : QString();
}

bool isNotesRecord(const EventDayPtr& record) {
    return locationOf(record) == kNotesLocation;
}

// A mark other than the notes event.
bool isZoltMark(const EventDayPtr& record) {
    return record && record->isMark() && !isNotesRecord(record);
}

const YearViewCell::EventListPtr& emptyList() {
    static const YearViewCell::EventListPtr empty = std::make_shared<YearViewCell::EventList>();
    return empty;
}

std::shared_ptr<EMarker> markerWithUID(const QString& uid) {
    AppDelegate* delegate = AppDelegate::obj();
    if (!delegate || !delegate->calendarSources) return nullptr;
    return delegate->calendarSources->markerWithUID(uid);
}

MyDatePtr applicationToday() {
    AppDelegate* delegate = AppDelegate::obj();
    if (delegate && delegate->today) return delegate->today;
    return MyDate::date();
}

}  // namespace

// -- Class operations --------------------------------------------------------

void YearViewCell::initialize() {
    std::call_once(YVC_initialized, [] {
        foundation::Guard guard(YVC_classLock);
        YVC_selection.clear();
        YVC_candleImage = kit::Image::named(QStringLiteral("Candle"));
        YVC_cellWidth = 40.0f;
        YVC_cellHeight = 10.0f;
        YVC_calendarWeekAbbrev =
            foundation::localized(QStringLiteral("calendarWeekAbbreviation"), QStringLiteral("CW"));
        // Until the page loads the preferences the cells draw with sane attributes.
        YVC_dayTextAttribs = kit::TextAttributes(
            kit::Font::systemFont(kit::Font::smallSystemFontSize()), kit::Color::white(0.0, 1.0));
        kit::ParagraphStyle holidayStyle;
        holidayStyle.lineBreakMode = kit::LineBreakMode::Clipping;
        holidayStyle.alignment = kit::TextAlignment::Right;
        YVC_holidayTextAttribs = kit::TextAttributes(kit::Font::systemFont(8.0),
                                                     kit::Color::white(0.3, 1.0), holidayStyle);
        YVC_cwTextAttribs =
            kit::TextAttributes(kit::Font::systemFont(8.0), kit::Color::white(0.3, 1.0));
        for (int i = 0; i < 7; ++i) YVC_cachedDayNames.append(QString());
    });
}

void YearViewCell::cacheWeekDayNames() {
    initialize();
    QStringList names;
    for (int i = 0; i < 7; ++i)
        names.append(foundation::localized(QStringLiteral("shortDayText%1").arg(i), QString()));
    {
        foundation::Guard guard(YVC_classLock);
        YVC_cachedDayNames = names;
    }
    appearance::changed();
}

QStringList YearViewCell::weekDayNames() {
    initialize();
    foundation::Guard guard(YVC_classLock);
    return YVC_cachedDayNames;
}

void YearViewCell::loadPreferences() {
    initialize();
    {
        foundation::Guard guard(YVC_classLock);
        YVC_dayTextAttribs = kit::TextAttributes(
            kit::Font::systemFont(kit::Font::smallSystemFontSize()), kit::Color::white(0.0, 1.0));
        kit::ParagraphStyle holidayStyle;
        holidayStyle.lineBreakMode = kit::LineBreakMode::Clipping;
        holidayStyle.alignment = kit::TextAlignment::Right;
        YVC_holidayTextAttribs = kit::TextAttributes(kit::Font::systemFont(8.0),
                                                     kit::Color::white(0.3, 1.0), holidayStyle);
        YVC_cwTextAttribs = kit::TextAttributes();
        YVC_cwTextAttribs.font = kit::Font::systemFont(8.0);
    }
    cacheWeekDayNames();
    updatePreferences();
}

void YearViewCell::updatePreferences() {
    initialize();
    {
        foundation::Guard guard(YVC_classLock);
        readSettings();
    }
    appearance::changed();
}

void YearViewCell::setTextSize(float size) {
    initialize();
    foundation::Guard guard(YVC_classLock);
    YVC_textSize = size;
    YVC_holidayTextAttribs.font = holidayFontForTextSize(size);
}

void YearViewCell::setTextAttributes(const kit::TextAttributes& attributes) {
    initialize();
    foundation::Guard guard(YVC_classLock);
    YVC_dayTextAttribs = attributes;
}

void YearViewCell::setMaxWidthForDayNameAndDayNumber(float nameWidth, float numberWidth) {
    initialize();
    foundation::Guard guard(YVC_classLock);
    YVC_maxDayNameWidth = nameWidth;
    YVC_maxDayNumWidth = numberWidth;
}

void YearViewCell::setWidthAndHeight(float width, float height) {
    initialize();
    foundation::Guard guard(YVC_classLock);
    YVC_cellWidth = width;
    YVC_cellHeight = height;
}

float YearViewCell::width() {
    initialize();
    foundation::Guard guard(YVC_classLock);
    return YVC_cellWidth;
}

float YearViewCell::height() {
    initialize();
    foundation::Guard guard(YVC_classLock);
    return YVC_cellHeight;
}

void YearViewCell::deselectAll() {
    initialize();
    foundation::Guard guard(YVC_classLock);
    YVC_selection.clear();
}

std::vector<MyDatePtr> YearViewCell::currentSelection() {
    initialize();
    foundation::Guard guard(YVC_classLock);
    return YVC_selection;
}

// The count is the length of the list itself, so that a deselectAll followed by
// the unhighlighting of the cells can never count below zero.
int YearViewCell::selectCount() {
    initialize();
    foundation::Guard guard(YVC_classLock);
    return int(YVC_selection.size());
}

int YearViewCell::selectedDayMonth() {
    initialize();
    foundation::Guard guard(YVC_classLock);
    return YVC_selection.empty() ? 0 : YVC_selection.front()->monthNum();
}

int YearViewCell::selectedDayDay() {
    initialize();
    foundation::Guard guard(YVC_classLock);
    return YVC_selection.empty() ? 0 : YVC_selection.front()->dayNum();
}

kit::TextAttributes YearViewCell::dayTextAttributes() {
    initialize();
    foundation::Guard guard(YVC_classLock);
    return YVC_dayTextAttribs;
}

kit::TextAttributes YearViewCell::holidayTextAttributes() {
    initialize();
    foundation::Guard guard(YVC_classLock);
    return YVC_holidayTextAttribs;
}

kit::TextAttributes YearViewCell::calendarWeekTextAttributes() {
    initialize();
    foundation::Guard guard(YVC_classLock);
    return YVC_cwTextAttribs;
}

QString YearViewCell::calendarWeekAbbreviation() {
    initialize();
    foundation::Guard guard(YVC_classLock);
    return YVC_calendarWeekAbbrev;
}

// -- The cell -----------------------------------------------------------------

YearViewCell::YearViewCell() {
    initialize();
}

void YearViewCell::setObjectValue(const QVariant& value) {
    setDate(value.canConvert<MyDatePtr>() ? value.value<MyDatePtr>() : MyDatePtr());
}

void YearViewCell::setDate(const MyDatePtr& date) {
    date_ = date;
    kit::Cell::setObjectValue(date ? QVariant::fromValue(date) : QVariant());
    changed();
}

QString YearViewCell::dayName() const {
    if (!date_) return QString();
    const int weekday = date_->weekdayNum();
    foundation::Guard guard(YVC_classLock);
    return weekday >= 0 && weekday < YVC_cachedDayNames.size() ? YVC_cachedDayNames.at(weekday)
                                                               : QString();
}

// The list to change; the caller holds the lock. A list no reader holds is
// changed in place (readers only take their snapshot under the lock, so none can
// appear meanwhile); one that a reader holds is copied and replaced, and the
// reader keeps walking the list it took. A day filled by a job thus costs one
// copy per drawing that happens meanwhile, not one per added event.
YearViewCell::EventList& YearViewCell::mutableEvents() {
    if (!events_ || eventsHandedOut_ || events_.use_count() > 1) {
        events_ = std::make_shared<EventList>(events_ ? *events_ : EventList());
        eventsHandedOut_ = false;
    }
    return const_cast<EventList&>(*events_);
}

YearViewCell::EventListPtr YearViewCell::snapshot() const {
    foundation::Guard guard(lock_);
    eventsHandedOut_ = true;
    return events_;
}

YearViewCell::EventListPtr YearViewCell::events() const {
    EventListPtr list = snapshot();
    return list ? list : emptyList();
}

bool YearViewCell::hasEventList() const {
    return bool(snapshot());
}

void YearViewCell::setHighlighted(bool highlighted) {
    {
        foundation::Guard guard(YVC_classLock);
        if (highlighted && !highlighted_) {
            if (date_) YVC_selection.push_back(date_);
        } else if (!highlighted && highlighted_) {
            // The date object itself, not an equal date of another cell.
            auto it = std::find(YVC_selection.begin(), YVC_selection.end(), date_);
            if (it != YVC_selection.end()) YVC_selection.erase(it);
        }
    }
    if (highlighted_.exchange(highlighted) != highlighted) changed();
    kit::Cell::setHighlighted(highlighted);
}

// -- Day facts ------------------------------------------------------------------

bool YearViewCell::rescanHoliday(const EventList& list) {
    for (const EventDayPtr& record : list) {
        if (isShownOfType(record->calendar(), Calendar::kTypeHoliday)) {
            holiday_ = record;
            return true;
        }
    }
    holiday_.reset();
    return false;
}

bool YearViewCell::rescanBirthdays(const EventList& list) {
    bool any = false;
    bool visible = false;
    for (const EventDayPtr& record : list) {
        if (!isOfType(record->calendar(), Calendar::kTypeBirthday)) continue;
        any = true;
        if (record->calendar()->isSelected()) {
            visible = true;
            break;
        }
    }
    hasBirthdays_ = any;
    hasVisibleBirthdays_ = visible;
    return visible;
}

bool YearViewCell::rescanNotes(const EventList& list) {
    for (const EventDayPtr& record : list) {
        if (isNotesRecord(record)) {
            notesCalColor_ = record->calendar() ? record->calendar()->color() : QColor();
            hasNotes_ = 1;
            return true;
        }
    }
    hasNotes_ = 0;
    return false;
}

bool YearViewCell::dayHasHolidayEntry() {
    foundation::Guard guard(lock_);
    if (!events_) return false;
    return rescanHoliday(*events_);
}

bool YearViewCell::dayHasHolidayEntry2() const {
    foundation::Guard guard(lock_);
    return bool(holiday_);
}

bool YearViewCell::dayHasBirthdays() {
    foundation::Guard guard(lock_);
    if (!events_) {
        hasBirthdays_ = false;
        hasVisibleBirthdays_ = false;
        return false;
    }
    return rescanBirthdays(*events_);
}

bool YearViewCell::hasNotes() {
    foundation::Guard guard(lock_);
    return rescanNotes(events_ ? *events_ : *emptyList());
}

QString YearViewCell::birthdaysText() const {
    QStringList titles;
    const EventListPtr list = events();
    for (const EventDayPtr& record : *list)
        if (isOfType(record->calendar(), Calendar::kTypeBirthday)) titles.append(titleOf(record));
    return titles.join(QLatin1Char('\n'));
}

QString YearViewCell::holidayText() const {
    return titleOf(holiday());
}

calstore::EventPtr YearViewCell::notesEvent() const {
    const EventListPtr list = events();
    for (const EventDayPtr& record : *list)
        if (isNotesRecord(record)) return record->event();
    return nullptr;
}

QString YearViewCell::notesText() const {
    const calstore::EventPtr event = notesEvent();
    return event ? event->notes() : QString();
}

YearViewCell::EventList YearViewCell::zoltMarks() const {
    EventList marks;
    const EventListPtr list = events();
    for (const EventDayPtr& record : *list)
        if (isZoltMark(record)) marks.push_back(record);
    return marks;
}

QString YearViewCell::marksText() const {
    QStringList titles;
    for (const EventDayPtr& record : zoltMarks()) titles.append(titleOf(record));
    return titles.join(QLatin1Char('\n'));
}

EventDayPtr YearViewCell::holiday() const {
    foundation::Guard guard(lock_);
    return holiday_;
}

QColor YearViewCell::notesCalColor() const {
    foundation::Guard guard(lock_);
    return notesCalColor_;
}

QRectF YearViewCell::inset() const {
    foundation::Guard guard(lock_);
    return cellInset_;
}

// -- List maintenance -------------------------------------------------------------

YearViewCell::EventListPtr YearViewCell::invalidateEvents() {
    foundation::Guard guard(lock_);
    EventListPtr dropped;
    if (events_) dropped = std::exchange(events_, emptyList());
    changed();
    return dropped;
}

void YearViewCell::addEventFromCalendar(const calstore::EventPtr& event,
                                        const std::shared_ptr<Calendar>& calendar) {
    if (!date_ || !event) return;
    double dayStart = 0.0, dayEnd = 0.0;
    {
        foundation::Guard guard(YVC_classLock);
        dayStart = YVC_settings.dayStart;
        dayEnd = YVC_settings.dayEnd;
    }
    // A workday that ends where it starts has no length to divide by: it counts
    // as the whole day.
    if (dayStart == dayEnd) {
        dayStart = 0.0;
        dayEnd = 24.0;
    }
    EventDayPtr record = EventDay::eventDayForDay(event, calendar, *date_, dayStart, dayEnd);
    if (!record) return;

    const QString location = event->location();
    foundation::Guard guard(lock_);
    if (location == kNotesLocation) {
        notesCalColor_ = calendar ? calendar->color() : QColor();
        hasNotes_ = 1;
    }
    if (isShownOfType(calendar, Calendar::kTypeHoliday)) holiday_ = record;
    if (isOfType(calendar, Calendar::kTypeBirthday)) {
        hasBirthdays_ = true;
        if (calendar->isSelected()) hasVisibleBirthdays_ = true;
    }
    mutableEvents().push_back(record);
    changed();
}

void YearViewCell::userAddedNewEvent(const EventDayPtr& record) {
    if (!date_ || !record) return;
    foundation::Guard guard(lock_);
    mutableEvents().push_back(record);
    changed();
}

void YearViewCell::removeCalendar(const std::shared_ptr<Calendar>& calendar) {
    foundation::Guard guard(lock_);
    if (!events_ || events_->empty()) return;
    std::erase_if(mutableEvents(), [&](const EventDayPtr& r) { return r->calendar() == calendar; });
    changed();
}

void YearViewCell::removeEventWithUID(const QString& uid) {
    foundation::Guard guard(lock_);
    if (!events_ || events_->empty()) return;
    const size_t removed = std::erase_if(mutableEvents(), [&](const EventDayPtr& r) {
        return r->event() && r->event()->uid() == uid;
    });
    if (removed == 0) return;
    changed();
    hasNotes_ = -1;
    rescanBirthdays(*events_);
    rescanHoliday(*events_);
    rescanNotes(*events_);
}

// -- Drawing ------------------------------------------------------------------------

int YearViewCell::sortLevelForMarkerType(int markerType) {
    switch (markerType) {
        case 4:
            return 1;
        case 1:
            return 2;
        case 2:
            return 3;
        case 3:
            return 4;
        case 5:
        case 6:
        case 7:
        case 8:
        case 9:
            return markerType;
        default:
            return 10;
    }
}

QRectF YearViewCell::glyphRectForMarkerType(int markerType, const QRectF& frame) {
    const float x = float(frame.x()), y = float(frame.y());
    const float w = float(frame.width()), h = float(frame.height());
    switch (markerType) {
        case 1:
            return QRectF(x + 1, y, 0.27f * w, h - 1);
        case 2:
            return QRectF(x + 1 + 0.27f * w, y, 0.27f * w, h - 1);
        case 3:
            return QRectF(x + w - 0.27f * w, y, 0.27f * w, h - 1);
        case 4:
            return QRectF(x + 1, y, w - 1, h - 1);
        case 5:
            return QRectF(x + 0.2f * w, y, 3, h);
        case 6:
            return QRectF(x + 0.3f * w, y, 3, h);
        case 7:
            return QRectF(x + 0.5f * w, y, 1, h);
        case 8:
            return h > 5 ? QRectF(x + w - h + 2, y + 2, h - 5, h - 5)
                         : QRectF(x + w - h + 1, y + 1, h - 2, h - 2);
        case 9:
            return QRectF(x + w - h + 2, y + 2, h - 4, h - 6);
        default:
            return QRectF();
    }
}

void YearViewCell::drawInteriorWithFrame(kit::Graphics& graphics, const QRectF& frame,
                                         kit::View* controlView) {
    if (!date_) return;
    QRectF f = drawingRectForBounds(frame);
    f = QRectF(f.x(), std::floor(f.y() + 0.5), f.width(), f.height());
    {
        foundation::Guard guard(lock_);
        cellInset_ = f;
    }
    const QString number = QString::number(date_->dayNum());
    drawBackgroundForWeekdayInFrame(graphics, date_->weekdayNum(), f);

    const double x = f.x(), y = f.y(), w = f.width(), h = f.height();
    graphics.saveGraphicsState();
    graphics.setDefaultLineWidth(1.0);
    graphics.setStrokeColor(kit::Color::lightGray());
    graphics.strokeLine(QPointF(x + 0.5, y), QPointF(x + 0.5, y + h - 0.5));
    graphics.strokeLine(QPointF(x + 0.5, y + h - 0.5), QPointF(x + w, y + h - 0.5));
    graphics.strokeLine(QPointF(x, y - 0.5), QPointF(x + w + 0.5, y - 0.5));
    graphics.strokeLine(QPointF(x + w + 0.5, y - 0.5), QPointF(x + w + 0.5, y + h));
    graphics.restoreGraphicsState();

    drawMarkersInFrame(graphics, f);
    drawNameAndNumberInFrame(graphics, dayName(), number, f);
    drawCalEventsInFrame(graphics, f);
    drawHolidayTextInFrame(graphics, f);
    drawBirthdayIconFrame(graphics, f);
    drawNotesCornerInFrame(graphics, f);
    drawSelectionOverlay(graphics, f);
    if (drawsCalendarWeek_) drawCalendarWeekInFrame(graphics, f);
}

void YearViewCell::drawBackgroundForWeekdayInFrame(kit::Graphics& graphics, int weekday,
                                                   const QRectF& frame) {
    const bool holidayToday = dayHasHolidayEntry();
    const CellSettings s = settingsSnapshot();
    const bool weekend = holidayToday || weekday == 0 || weekday == 6;
    graphics.drawGradient(weekend ? kit::Gradient(s.weekendTop, s.weekendBot)
                                  : kit::Gradient(s.weekdayTop, s.weekdayBot),
                          frame, 270);
    if (isToday_)
        graphics.drawGradient(kit::Gradient(s.currentDayColorTop, s.currentDayColorBot), frame,
                              270);
}

void YearViewCell::drawNameAndNumberInFrame(kit::Graphics& graphics, const QString& name,
                                            const QString& number, const QRectF& frame) {
    const CellSettings s = settingsSnapshot();
    kit::TextAttributes attributes;
    float nameWidth = 0.0f, numberWidth = 0.0f;
    {
        // The colour is set on the shared attributes, as the page reads them too.
        foundation::Guard guard(YVC_classLock);
        YVC_dayTextAttribs.color = isToday_ ? s.currentDayTextColor : s.standardDayTextColor;
        attributes = YVC_dayTextAttribs;
        nameWidth = YVC_maxDayNameWidth;
        numberWidth = YVC_maxDayNumWidth;
    }
    // A day without a name (no names configured) is placed by its number.
    const double textHeight = attributes.sizeOfString(name.isEmpty() ? number : name).height();
    double x0 = frame.x() + 2;
    const double y0 = frame.y() + (frame.height() - 1 - textHeight) / 2;
    if (nameWidth > 0) {
        graphics.drawString(name, QPointF(x0, y0), attributes);
        x0 += 1.2 * nameWidth;
    }
    freeCellInsetX_ = float(x0 + numberWidth);
    const double width = attributes.sizeOfString(number).width();
    graphics.drawString(number, QPointF(x0 + numberWidth - width, y0), attributes);
}

void YearViewCell::drawSelectionOverlay(kit::Graphics& graphics, const QRectF& frame) {
    const CellSettings s = settingsSnapshot();
    graphics.saveGraphicsState();
    if (s.grayoutUntilToday && date_ && date_->isBefore(applicationToday())) {
        graphics.setFillColor(s.grayoutColor);
        graphics.fillRect(frame, kit::CompositingOperation::SourceOver);
    }
    if (highlighted_) {
        graphics.setFillColor(s.selectionColor);
        graphics.fillRect(frame, kit::CompositingOperation::SourceOver);
    }
    graphics.restoreGraphicsState();
}

void YearViewCell::drawCalEventsInFrame(kit::Graphics& graphics, const QRectF& frame) {
    const CellSettings s = settingsSnapshot();
    const EventListPtr list = snapshot();
    if (!list || !s.showCalendarEvents) return;
    const float x = float(frame.x()), y = float(frame.y());
    const float w = float(frame.width()), h = float(frame.height());
    const float barX = x + 0.8f * w, barW = 0.2f * w;
    graphics.saveGraphicsState();
    graphics.setColor(s.eventDefaultColor);
    for (const EventDayPtr& record : *list) {
        const std::shared_ptr<Calendar>& calendar = record->calendar();
        if (!isShownOfType(calendar, Calendar::kTypeNormal)) continue;
        if (s.useCalendarColors) graphics.setColor(calendar->color());
        const float end = record->endPercent(), start = record->startPercent();
        graphics.fillRect(QRectF(barX, y + h * (1 - end), barW, (end - start) * h));
    }
    graphics.restoreGraphicsState();
}

void YearViewCell::drawMarkersInFrame(kit::Graphics& graphics, const QRectF& frame) {
    const EventListPtr list = snapshot();
    if (!list) return;
    {
        // Under the lock, so that the flag matches the list a change left behind.
        foundation::Guard guard(lock_);
        hasMarks_ = events_ && std::any_of(events_->begin(), events_->end(), isZoltMark);
    }
    struct Glyph {
        int level;
        std::shared_ptr<EMarker> marker;
    };
    std::vector<Glyph> glyphs;
    for (const EventDayPtr& record : *list) {
        if (!record->isMark()) continue;
        if (!record->calendar() || !record->calendar()->isSelected()) continue;
        std::shared_ptr<EMarker> marker = markerWithUID(record->markerID());
        if (!marker || !marker->isSelected()) continue;
        const int level = sortLevelForMarkerType(marker->markerType());
        marker->setSortLevel(level);
        glyphs.push_back({level, marker});
    }
    std::stable_sort(glyphs.begin(), glyphs.end(),
                     [](const Glyph& a, const Glyph& b) { return a.level < b.level; });

    graphics.saveGraphicsState();
    for (const Glyph& glyph : glyphs) {
        const int type = glyph.marker->markerType();
        const QColor color = glyph.marker->color();
        const QRectF r = glyphRectForMarkerType(type, frame);
        graphics.setColor(color);
        switch (type) {
            case 1:
            case 2:
            case 3:
            case 4:
                drawGradientInFrameForColor(graphics, r, color);
                break;
            case 5:
            case 6:
            case 7:
                graphics.fillRect(r);
                break;
            case 8:
                graphics.fillOval(r);
                break;
            case 9: {
                const float x = float(frame.x()), y = float(frame.y());
                const float w = float(frame.width()), h = float(frame.height());
                kit::Path triangle;
                triangle.moveTo(QPointF(x + w - h + 2, y + 2));
                triangle.lineTo(QPointF((2 * x + 2 * w - h) / 2, y + h - 4));
                triangle.lineTo(QPointF(x + w - 2, y + 2));
                triangle.closePath();
                graphics.fill(triangle);
                break;
            }
            default:
                break;
        }
    }
    graphics.restoreGraphicsState();
}

void YearViewCell::drawGradientInFrameForColor(kit::Graphics& graphics, const QRectF& frame,
                                               const QColor& color) {
    const double alpha = std::max(0.0, kit::Color::alphaComponent(color) - 0.3);
    const QColor top =
        kit::Color::hsb(kit::Color::hueComponent(color), kit::Color::saturationComponent(color),
                        kit::Color::brightnessComponent(color), alpha);
    graphics.drawGradient(kit::Gradient(top, color), frame, 270);
}

void YearViewCell::drawHolidayTextInFrame(kit::Graphics& graphics, const QRectF& frame) {
    const EventDayPtr day = holiday();
    if (!day || !settingsSnapshot().showHolidayText) return;
    const QString title = titleOf(day);
    kit::TextAttributes attributes = holidayTextAttributes();
    const QSizeF titleSize = attributes.sizeOfString(title);
    const double left = freeCellInsetX_;
    const QRectF box(left, frame.y() + (frame.height() - titleSize.height()) / 2,
                     frame.x() + frame.width() - left, titleSize.height());
    // A title too long for the box keeps its beginning and loses its end, rather
    // than being pushed left under the day number.
    if (titleSize.width() > box.width()) attributes.paragraph.alignment = kit::TextAlignment::Left;
    graphics.drawString(title, box, attributes);
}

void YearViewCell::drawBirthdayIconFrame(kit::Graphics& graphics, const QRectF& frame) {
    if (!dayHasBirthdays() || !settingsSnapshot().showBirthdays) return;
    QImage candle;
    {
        foundation::Guard guard(YVC_classLock);
        candle = YVC_candleImage;
    }
    const double x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();
    graphics.drawImage(candle, QRectF(x + w - 1.5 * h, y + 0.1 * h, 0.8 * h, 0.8 * h), QRectF(),
                       kit::CompositingOperation::SourceOver, 1.0, true);
}

void YearViewCell::drawNotesCornerInFrame(kit::Graphics& graphics, const QRectF& frame) {
    if (hasNotes_ == 0 || !hasNotes()) return;
    const CellSettings s = settingsSnapshot();
    if (!s.showNotes) return;
    const float x = float(frame.x()), y = float(frame.y());
    const float w = float(frame.width()), h = float(frame.height());
    kit::Path corner;
    corner.moveTo(QPointF(x + w - 6, y + h - 1));
    corner.lineTo(QPointF(x + w, y + h - 1));
    corner.lineTo(QPointF(x + w, y + h - 7));
    corner.closePath();
    graphics.saveGraphicsState();
    graphics.setColor(s.notesUseCalColor ? notesCalColor() : s.notesHintColor);
    graphics.fill(corner);
    graphics.restoreGraphicsState();
}

void YearViewCell::drawCalendarWeekInFrame(kit::Graphics& graphics, const QRectF& frame) {
    if (!date_) return;
    kit::TextAttributes attributes;
    QString abbreviation;
    {
        foundation::Guard guard(YVC_classLock);
        abbreviation = YVC_calendarWeekAbbrev;
        attributes = YVC_cwTextAttribs;
    }
    const QString text = QStringLiteral("%1 %2").arg(abbreviation).arg(date_->calendarWeek());
    const QSizeF size = attributes.sizeOfString(text);
    const float tx = float(frame.x() + frame.width() - size.width() - 2);
    if (tx < frame.x()) return;
    attributes.color = kit::Color::white(0.3, 1.0);
    {
        foundation::Guard guard(YVC_classLock);
        YVC_cwTextAttribs.color = attributes.color;
    }
    graphics.drawString(text, QPointF(tx, frame.y() + (frame.height() - size.height()) * 0.5),
                        attributes);
}
