#pragma once

#include "data/SourceListItem.h"
#include "platform/foundation/Threads.h"
#include "platform/store/Calendar.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <atomic>
#include <memory>

// One calendar of the store as the views and the source list see it: the store
// calendar with our own calendar type, its shown state, its place in its group
// and its small images.
//
// A calendar the user has just started in the calendar sheet exists before its
// store calendar does; while it is new its title, colour and notes are held
// here. Changes to the store calendar are made on a copy that then replaces the
// held one, so a background job that took the store calendar never sees it
// change under its feet; whoever saves the calendar saves calendar().
//
// Shared by the views, the loaders and the search; every member may be read on
// any thread while the main thread changes it.
class Calendar final : public SourceListItem {
public:
    // Calendar type codes.
    static constexpr int kTypeNormal = 1;    // the only kind new events are made in
    static constexpr int kTypeHoliday = 2;   // holds the holiday entry events
    static constexpr int kTypeBirthday = 3;  // holds the birthday entry events
    static constexpr int kTypeMarker = 4;    // holds the marker events

    Calendar();                                                // a new calendar
    explicit Calendar(const calstore::CalendarPtr& calendar);  // initWithCalendar

    bool isNew() const;
    calstore::CalendarPtr calendar() const;
    QString sourceStore() const;
    int calendarType() const { return calendarType_; }
    // The store calendar's own type ("local", "subscription", "birthday" ...);
    // empty while new.
    QString calendarOSType() const;
    bool isSelected() const { return selectState_; }
    QColor color() const;
    QString notes() const;
    QString title() const;
    // The store calendar's identifier; "XXX" while new.
    QString uid() const;
    QString updateError() const;
    QImage miniIcon() const;
    QImage checkboxImage() const;
    // The badge of the source-list row: the error image while an update error is
    // held, else the image of the holiday, marker or birthday type; null for
    // ordinary calendars.
    QImage calendarTypeImage() const;
    int sequenceNumber() const { return sequenceNumber_; }
    // By sequence number, ascending: -1, 0 or 1.
    int compare(const Calendar& other) const;
    bool canCreateNewEvent() const;

    // Copies the held title, colour and notes into the store calendar (when there
    // is one); the caller saves it.
    void setNotNew();
    // Drops the store calendar after it was removed: the calendar is new again.
    void setIsDeleted();
    void setCalendar(const calstore::CalendarPtr& calendar);
    void setSourceStore(const QString& name);
    // A calendar of the store's birthday type stays a birthday store.
    void setCalendarType(int type);
    void setSelected(bool selected);
    void setColor(const QColor& color);
    void setNotes(const QString& notes);
    void setTitle(const QString& title);
    void setUpdateError(const QString& message);
    void setSequenceNumber(int number) { sequenceNumber_ = number; }

    void createMiniIcon();
    void createCheckboxImage();

    // The 16 x 16 icon of a calendar of this colour: a filled circle.
    static QImage miniIconWithColor(const QColor& color);

private:
    bool isBirthdayCalendar() const;

    mutable foundation::Lock lock_;
    std::atomic<bool> selectState_{true};
    std::atomic<int> calendarType_{kTypeNormal};
    calstore::CalendarPtr theCalendar;
    QString updateErrMsg;
    QString sourceStore_;
    std::atomic<int> sequenceNumber_{999};
    QImage miniIcon_;
    QImage checkboxImg;
    QColor preColor = QColor(Qt::blue);
    QString preTitle;
    QString preNotes;
};

using CalendarPtr = std::shared_ptr<Calendar>;
