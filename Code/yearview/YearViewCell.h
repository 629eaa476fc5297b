#pragma once

#include "data/EventDay.h"
#include "data/MyDate.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/Cell.h"
#include "platform/kit/TextAttributes.h"
#include "platform/store/Event.h"

#include <QColor>
#include <QRectF>
#include <QString>
#include <QVariant>

#include <atomic>
#include <memory>
#include <vector>

class Calendar;
class EMarker;
class YearViewCell;
using YearViewCellPtr = std::shared_ptr<YearViewCell>;

// One day of the year view. It holds the day's date, every record of the store
// events that touch the day (ordinary events, marks, the notes event, birthday
// and holiday entries) and the facts derived from them that the views ask for,
// and it draws the day inside its year page. The class holds what all cells
// share: the drawing settings, the text attributes, the cell size and the list
// of selected days.
//
// The same cell objects are read by the year page, the week view's columns and
// the day's popups and hovers, while the loader threads add and remove records.
// Every change of the record list and of the day facts happens under the cell's
// lock; readers never see the live list but a snapshot of it (an immutable list
// that a change replaces), so a reader never fails on a list being changed.
class YearViewCell final : public kit::Cell {
public:
    using EventList = std::vector<EventDayPtr>;
    using EventListPtr = std::shared_ptr<const EventList>;

    // Class operations.

    // Sets up the class-wide state once; every class operation that needs it
    // calls it first, so calling it is optional.
    static void initialize();
    static void cacheWeekDayNames();
    // The short weekday names the cells draw (Sunday first).
    static QStringList weekDayNames();
    // Builds the day, holiday and calendar-week text attributes, caches the day
    // names and reads the settings.
    static void loadPreferences();
    // Re-reads every setting from "AppPref YearView" and "AppPref General".
    static void updatePreferences();
    static void setTextSize(float size);
    static void setTextAttributes(const kit::TextAttributes& attributes);
    static void setMaxWidthForDayNameAndDayNumber(float nameWidth, float numberWidth);
    static void setWidthAndHeight(float width, float height);
    static float width();
    static float height();
    // Empties the list of selected days; the cells' highlight is left alone
    // (their page unhighlights them itself).
    static void deselectAll();
    // The dates of the highlighted cells, in the order they were highlighted.
    static std::vector<MyDatePtr> currentSelection();
    static int selectCount();
    // Month and day of the first date highlighted; 0 without selection.
    static int selectedDayMonth();
    static int selectedDayDay();

    // The class-wide attributes, as the drawing uses them.
    static kit::TextAttributes dayTextAttributes();
    static kit::TextAttributes holidayTextAttributes();
    static kit::TextAttributes calendarWeekTextAttributes();
    static QString calendarWeekAbbreviation();

    YearViewCell();  // a cell without date

    // The day this cell shows, at 00:00; given once by its page before the cell
    // is shared with any other thread. An object value that holds no MyDatePtr
    // leaves the cell without date.
    void setObjectValue(const QVariant& value) override;
    void setDate(const MyDatePtr& date);

    bool isToday() const { return isToday_; }
    void setToday(bool today) {
        if (isToday_.exchange(today) != today) changed();
    }
    bool drawsCalendarWeek() const { return drawsCalendarWeek_; }
    void setDrawsCalendarWeek(bool draws) {
        if (drawsCalendarWeek_.exchange(draws) != draws) changed();
    }

    // Grows with every change of what the cell draws (its records, highlight,
    // today and calendar-week state, notes hint), so that a picture of an
    // earlier drawing can tell it is out of date. Any thread.
    unsigned version() const { return version_.load(); }

    bool isValidDate() const { return bool(date_); }
    MyDatePtr cellDate() const { return date_; }
    // The cached short weekday name of the day; "" without a date.
    QString dayName() const;

    // A snapshot of the day's records in the order they were added; an empty
    // list while the day has none. Never the live list, and never null. Keep
    // the pointer while using the list: `for (auto& r : *cell->events())` lets
    // the snapshot go before the loop runs.
    EventListPtr events() const;
    // Whether a list exists yet (records were added at some time).
    bool hasEventList() const;

    // Keeps the class-wide selection in step with the highlight. Hides the base
    // class's setter: the page highlights its cells through this class.
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return highlighted_; }

    void addTempNote() {
        if (!hasTempNotes_.exchange(true)) changed();
    }
    void clearTempNotes() {
        if (hasTempNotes_.exchange(false)) changed();
    }
    bool hasTempNotes() const { return hasTempNotes_; }

    // Day facts. The plain forms rescan the list; the forms ending in 2 or 3
    // answer what the last rescan (or drawing) found without walking the list.
    bool dayHasHolidayEntry();
    bool dayHasHolidayEntry2() const;
    bool dayHasBirthdays();
    bool dayHasBirthdays2() const { return hasVisibleBirthdays_; }
    bool dayHasBirthdays3() const { return hasBirthdays_; }
    QString birthdaysText() const;
    QString holidayText() const;
    bool hasNotes();
    bool hasNotes2() const { return hasNotes_ > 0 || hasTempNotes_; }
    bool hasMarks2() const { return hasMarks_; }
    calstore::EventPtr notesEvent() const;
    QString notesText() const;
    EventList zoltMarks() const;
    QString marksText() const;

    EventDayPtr holiday() const;
    QColor notesCalColor() const;
    // The rectangle the cell was last drawn in, in its view's coordinates.
    QRectF inset() const;
    float freeCellInsetX() const { return freeCellInsetX_; }

    // Drawing, in the coordinates of the year page (y grows upwards).
    void drawInteriorWithFrame(kit::Graphics& graphics, const QRectF& frame,
                               kit::View* controlView) override;
    void drawBackgroundForWeekdayInFrame(kit::Graphics& graphics, int weekday, const QRectF& frame);
    void drawNameAndNumberInFrame(kit::Graphics& graphics, const QString& name,
                                  const QString& number, const QRectF& frame);
    void drawSelectionOverlay(kit::Graphics& graphics, const QRectF& frame);
    void drawCalEventsInFrame(kit::Graphics& graphics, const QRectF& frame);
    void drawMarkersInFrame(kit::Graphics& graphics, const QRectF& frame);
    void drawGradientInFrameForColor(kit::Graphics& graphics, const QRectF& frame,
                                     const QColor& color);
    void drawHolidayTextInFrame(kit::Graphics& graphics, const QRectF& frame);
    void drawBirthdayIconFrame(kit::Graphics& graphics, const QRectF& frame);
    void drawNotesCornerInFrame(kit::Graphics& graphics, const QRectF& frame);
    void drawCalendarWeekInFrame(kit::Graphics& graphics, const QRectF& frame);

    // The drawing order of a marker type (the whole-cell glyph first).
    static int sortLevelForMarkerType(int markerType);
    // The rectangle a marker type's glyph takes in a cell's frame (the bounds of
    // the oval or triangle for types 8 and 9); empty for unknown types.
    static QRectF glyphRectForMarkerType(int markerType, const QRectF& frame);

    // List maintenance. The loader threads add and remove; the week view
    // appends the events it creates.
    // Empties the list; answers the list it held (null without one), so that
    // the caller chooses the thread that takes it apart.
    EventListPtr invalidateEvents();
    void addEventFromCalendar(const calstore::EventPtr& event,
                              const std::shared_ptr<Calendar>& calendar);
    void userAddedNewEvent(const EventDayPtr& record);
    void removeCalendar(const std::shared_ptr<Calendar>& calendar);
    void removeEventWithUID(const QString& uid);

private:
    void changed() { version_.fetch_add(1); }
    EventListPtr snapshot() const;
    EventList& mutableEvents();
    // Rescans; the caller holds the lock.
    bool rescanHoliday(const EventList& list);
    bool rescanBirthdays(const EventList& list);
    bool rescanNotes(const EventList& list);

    mutable foundation::Lock lock_;
    MyDatePtr date_;
    std::atomic<bool> isToday_{false};
    QRectF cellInset_;
    EventListPtr events_;  // null until the first record; replaced on every change
    // Set when the list has been handed to a reader: the next change then
    // works on a copy. The reference count alone cannot tell, since a reader
    // letting go of its copy on another thread is not ordered before the change.
    mutable bool eventsHandedOut_ = false;
    EventDayPtr holiday_;
    QColor notesCalColor_;
    std::atomic<bool> hasBirthdays_{false};
    std::atomic<bool> hasVisibleBirthdays_{false};
    std::atomic<bool> hasMarks_{false};
    std::atomic<int> hasNotes_{-1};  // -1 not scanned, 0 no notes event, 1 one
    std::atomic<bool> hasTempNotes_{false};
    std::atomic<bool> drawsCalendarWeek_{false};
    std::atomic<float> freeCellInsetX_{0.0f};
    std::atomic<bool> highlighted_{false};
    std::atomic<unsigned> version_{0};
};
