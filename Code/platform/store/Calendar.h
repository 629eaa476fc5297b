#pragma once

#include "platform/store/ManagedObject.h"

#include <QColor>
#include <QString>

#include <memory>

namespace calstore {

class ManagedObjectContext;

// The kinds of calendar the store knows (the calendar's type text).
inline const QString CalendarTypeLocal = QStringLiteral("local");
inline const QString CalendarTypeCalendarServer = QStringLiteral("calendar-server");
inline const QString CalendarTypeMailServer = QStringLiteral("mail-server");
inline const QString CalendarTypeSubscription = QStringLiteral("subscription");
inline const QString CalendarTypeBirthday = QStringLiteral("birthday");

// One calendar of the store: a folder of the vdir. The store hands out copies;
// changing one changes nothing on disk until it is saved.
class Calendar final {
public:
    // A new calendar that is not in the store yet, with a fresh identifier.
    static std::shared_ptr<Calendar> calendar();

    const QString& uid() const { return uid_; }
    const QString& title() const { return title_; }
    const QColor& color() const { return color_; }
    const QString& notes() const { return notes_; }
    const QString& type() const { return type_; }
    // Whether the calendar holds tasks (a reminders list) rather than events.
    bool holdsTasks() const { return holdsTasks_; }
    // Position among the calendars; calendars without one (-1) follow by title.
    int order() const { return order_; }
    // Whether nothing may be saved into the calendar: a subscription, the
    // store's own birthday calendar, or a folder this user cannot write.
    bool isReadOnly() const;
    bool isFolderWritable() const { return folderWritable_; }
    // Set by the store when it reads the folder.
    void setFolderWritable(bool writable) { folderWritable_ = writable; }

    void setTitle(const QString& title) { title_ = title; }
    void setColor(const QColor& color) { color_ = color; }
    void setNotes(const QString& notes) { notes_ = notes; }
    void setType(const QString& type) { type_ = type; }
    void setHoldsTasks(bool tasks) { holdsTasks_ = tasks; }
    void setOrder(int order) { order_ = order; }

    // The identifier is the calendar's folder name; set by the store when reading.
    void setUid(const QString& uid) { uid_ = uid; }

    // What the calendar holds: 1 events, 2 tasks.
    int calendarItemTypes() const { return holdsTasks_ ? 2 : 1; }
    // For the store's managed-object layer: the calendar's ID, and its managed
    // object in a context (none when the store has no such calendar).
    ManagedObjectID managedObjectID() const;
    ManagedObjectPtr findManagedObject(const std::shared_ptr<ManagedObjectContext>& context) const;

private:
    QString uid_;
    QString title_;
    QColor color_ = QColor(0x1f, 0x6f, 0xd0);
    QString notes_;
    QString type_ = CalendarTypeLocal;
    bool holdsTasks_ = false;
    int order_ = -1;
    bool folderWritable_ = true;
};

using CalendarPtr = std::shared_ptr<Calendar>;

}  // namespace calstore
