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
    ~EventDay();

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
    QPointF dragStart() const { return QPointF(shown().dragStartX, shown().dragStartY); }

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
    bool extendsPrevDay() const { return extendsPrevDay_; }
    void setExtendsPrevDay(bool value) { extendsPrevDay_ = value; }
    bool extendsNextDay() const { return extendsNextDay_; }
    void setExtendsNextDay(bool value) { extendsNextDay_ = value; }

    // The state a day column keeps on the records it shows (main thread only).
    int indentLevel() const { return shown().indentLevel; }
    void setIndentLevel(int value) { setShown(&Shown::indentLevel, value); }
    int indexAtSameTime() const { return shown().indexAtSameTime; }
    void setIndexAtSameTime(int value) { setShown(&Shown::indexAtSameTime, value); }
    int eventsAtSameTime() const { return shown().eventsAtSameTime; }
    void setEventsAtSameTime(int value) { setShown(&Shown::eventsAtSameTime, value); }
    float hitX() const { return shown().hitX; }
    void setHitX(float value) { setShown(&Shown::hitX, value); }
    float hitY() const { return shown().hitY; }
    void setHitY(float value) { setShown(&Shown::hitY, value); }
    float hitW() const { return shown().hitW; }
    void setHitW(float value) { setShown(&Shown::hitW, value); }
    float hitH() const { return shown().hitH; }
    void setHitH(float value) { setShown(&Shown::hitH, value); }
    bool isSelected() const { return shown().isSelected; }
    void setIsSelected(bool value) { setShown(&Shown::isSelected, value); }
    float dragStartX() const { return shown().dragStartX; }
    void setDragStartX(float value) { setShown(&Shown::dragStartX, value); }
    float dragStartY() const { return shown().dragStartY; }
    void setDragStartY(float value) { setShown(&Shown::dragStartY, value); }
    float viewOffsetY() const { return shown().viewOffsetY; }
    void setViewOffsetY(float value) { setShown(&Shown::viewOffsetY, value); }
    bool isInDragging() const { return shown().isInDragging; }
    void setIsInDragging(bool value) { setShown(&Shown::isInDragging, value); }
    float blinkingFactor() const { return shown().blinkingFactor; }
    void setBlinkingFactor(float value) { setShown(&Shown::blinkingFactor, value); }

    EventDay(const EventDay& other);
    EventDay& operator=(const EventDay& other);

private:
    // The layout, hit box, selection, drag and blink state of a record a day
    // column shows. A year holds a record per event and day, of which only a
    // week's are ever shown in columns: the state is made on its first change.
    struct Shown {
        int indentLevel = 0;
        int indexAtSameTime = 0;
        int eventsAtSameTime = 0;
        float hitX = 0.0f;
        float hitY = 0.0f;
        float hitW = 0.0f;
        float hitH = 0.0f;
        float dragStartX = 0.0f;
        float dragStartY = 0.0f;
        float viewOffsetY = 0.0f;
        float blinkingFactor = 0.0f;
        bool isSelected = false;
        bool isInDragging = false;
    };
    const Shown& shown() const;
    template <class T>
    void setShown(T Shown::*field, T value) {
        if (!shown_) {
            if (value == T{}) return;
            shown_ = std::make_unique<Shown>();
        }
        (*shown_).*field = value;
    }

    calstore::EventPtr event_;
    std::shared_ptr<Calendar> calendar_;
    std::unique_ptr<Shown> shown_;
    float sortPercent_ = 0.0f;
    float startPercent_ = 0.0f;
    float endPercent_ = 0.0f;
    bool isNew_ : 1 = false;
    bool isMark_ : 1 = false;
    bool fulldayEvent_ : 1 = false;
    bool extendsPrevDay_ : 1 = false;
    bool extendsNextDay_ : 1 = false;
};
