#pragma once

#include "platform/store/Event.h"

#include <QPointF>
#include <QString>

#include <memory>

class Calendar;
class EventDay;
namespace calstore {
class ZoneTable;
}
class MyDate;
using EventDayPtr = std::shared_ptr<EventDay>;

// One store event as shown on one day of a view: the event and its calendar,
// whether it is a mark (its location begins with "Zolt:") or an all-day event,
// where it lies within the day and the workday, and the layout, hit, selection,
// drag and blink state the views keep on it.
//
// Records are made on background threads (loaders, search) and read on the main
// thread afterwards; they have no lock of their own.
class EventDay final {
public:
    // Every event location of our own kinds of events begins with this.
    static inline const QString kZoltPrefix = QStringLiteral("Zolt:");

    EventDay() = default;

    // A record for a search hit: the mark and all-day flags from the event, no
    // calendar, no positions.
    static EventDayPtr eventDayFromCalEvent(const calstore::EventPtr& event);

    // A record for the event listed on the day that begins at `day` (00:00), with
    // its positions within the day and within the workday from `workdayStart` to
    // `workdayEnd` (hours); null when the event is not listed on that day (it ends
    // at the midnight that begins the day). A day is taken as 86,400 seconds.
    static EventDayPtr eventDayForDay(const calstore::EventPtr& event,
                                      const std::shared_ptr<Calendar>& calendar, const MyDate& day,
                                      double workdayStart, double workdayEnd);

    // Holds the table of the user's zone, as it is when the scope begins, for the
    // day entries this thread makes until it ends: a job that makes thousands of
    // them (a year's population) then reads the user's settings once, and all
    // its entries agree with the days it walks. Scopes nest; the innermost counts.
    class UserZoneScope final {
    public:
        UserZoneScope();
        ~UserZoneScope();
        UserZoneScope(const UserZoneScope&) = delete;
        UserZoneScope& operator=(const UserZoneScope&) = delete;

    private:
        std::shared_ptr<const calstore::ZoneTable> zone_;
        const calstore::ZoneTable* outer_ = nullptr;
    };

    // Whether a location marks our own kinds of events (exact, case-sensitive prefix).
    static bool isMarkLocation(const QString& location);
    // Whether two records show the same occurrence: the same record, or
    // records of events with the same UID and start (a reload makes new
    // records of the same occurrences).
    static bool sameOccurrence(const EventDayPtr& a, const EventDayPtr& b);

    // The location after "Zolt:" (a marker's identifier, or "Notes"); empty
    // for other events.
    QString markerID() const;
    QPointF dragStart() const { return QPointF(dragStartX_, dragStartY_); }

    bool isNew() const { return isNew_; }
    void setIsNew(bool value) { isNew_ = value; }
    bool isMark() const { return isMark_; }
    void setIsMark(bool value) { isMark_ = value; }
    bool fulldayEvent() const { return fulldayEvent_; }
    void setFulldayEvent(bool value) { fulldayEvent_ = value; }
    float sortPercent() const { return sortPercent_; }
    void setSortPercent(float value) { sortPercent_ = value; }
    float startPercent() const { return startPercent_; }
    void setStartPercent(float value) { startPercent_ = value; }
    float endPercent() const { return endPercent_; }
    void setEndPercent(float value) { endPercent_ = value; }
    const calstore::EventPtr& event() const { return event_; }
    void setEvent(const calstore::EventPtr& event) { event_ = event; }
    const std::shared_ptr<Calendar>& calendar() const { return calendar_; }
    void setCalendar(const std::shared_ptr<Calendar>& calendar) { calendar_ = calendar; }
    int indentLevel() const { return indentLevel_; }
    void setIndentLevel(int value) { indentLevel_ = value; }
    int indexAtSameTime() const { return indexAtSameTime_; }
    void setIndexAtSameTime(int value) { indexAtSameTime_ = value; }
    int eventsAtSameTime() const { return eventsAtSameTime_; }
    void setEventsAtSameTime(int value) { eventsAtSameTime_ = value; }
    float hitX() const { return hitX_; }
    void setHitX(float value) { hitX_ = value; }
    float hitY() const { return hitY_; }
    void setHitY(float value) { hitY_ = value; }
    float hitW() const { return hitW_; }
    void setHitW(float value) { hitW_ = value; }
    float hitH() const { return hitH_; }
    void setHitH(float value) { hitH_ = value; }
    bool isSelected() const { return isSelected_; }
    void setIsSelected(bool value) { isSelected_ = value; }
    bool extendsPrevDay() const { return extendsPrevDay_; }
    void setExtendsPrevDay(bool value) { extendsPrevDay_ = value; }
    bool extendsNextDay() const { return extendsNextDay_; }
    void setExtendsNextDay(bool value) { extendsNextDay_ = value; }
    float dragStartX() const { return dragStartX_; }
    void setDragStartX(float value) { dragStartX_ = value; }
    float dragStartY() const { return dragStartY_; }
    void setDragStartY(float value) { dragStartY_ = value; }
    float viewOffsetY() const { return viewOffsetY_; }
    void setViewOffsetY(float value) { viewOffsetY_ = value; }
    bool isInDragging() const { return isInDragging_; }
    void setIsInDragging(bool value) { isInDragging_ = value; }
    float blinkingFactor() const { return blinkingFactor_; }
    void setBlinkingFactor(float value) { blinkingFactor_ = value; }

private:
    bool isNew_ = false;
    bool isMark_ = false;
    bool fulldayEvent_ = false;
    float sortPercent_ = 0.0f;
    float startPercent_ = 0.0f;
    float endPercent_ = 0.0f;
    calstore::EventPtr event_;
    std::shared_ptr<Calendar> calendar_;
    int indentLevel_ = 0;
    int indexAtSameTime_ = 0;
    int eventsAtSameTime_ = 0;
    float hitX_ = 0.0f;
    float hitY_ = 0.0f;
    float hitW_ = 0.0f;
    float hitH_ = 0.0f;
    bool isSelected_ = false;
    bool extendsPrevDay_ = false;
    bool extendsNextDay_ = false;
    float dragStartX_ = 0.0f;
    float dragStartY_ = 0.0f;
    float viewOffsetY_ = 0.0f;
    bool isInDragging_ = false;
    float blinkingFactor_ = 0.0f;
};
