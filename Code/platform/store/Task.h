#pragma once

#include "platform/store/Calendar.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <memory>

namespace calstore {

namespace detail {
class TaskAccess;
struct StoreWriter;
}  // namespace detail

// One task (to-do) of a reminders calendar; a copy, like events.
class Task final {
public:
    Task() = default;
    // A new task, not in the store yet, with a fresh UID.
    static std::shared_ptr<Task> task();

    const QString& uid() const { return uid_; }
    const CalendarPtr& calendar() const { return calendar_; }
    const QString& title() const { return title_; }
    const QString& notes() const { return notes_; }
    const QUrl& url() const { return url_; }
    const QDateTime& dueDate() const { return due_; }              // invalid: none
    const QDateTime& completedDate() const { return completed_; }  // invalid: not completed
    bool isCompleted() const { return completed_.isValid(); }
    int priority() const { return priority_; }  // 0 none, 1 highest .. 9 lowest
    const QDateTime& dateStamp() const { return stamp_; }

    void setCalendar(const CalendarPtr& calendar) { calendar_ = calendar; }
    void setTitle(const QString& title) { title_ = title; }
    void setNotes(const QString& notes) { notes_ = notes; }
    void setUrl(const QUrl& url) { url_ = url; }
    void setDueDate(const QDateTime& date) { due_ = date; }
    void setCompletedDate(const QDateTime& date) { completed_ = date; }
    void setPriority(int priority) { priority_ = priority; }

private:
    friend class detail::TaskAccess;
    friend struct detail::StoreWriter;

    QString uid_;
    CalendarPtr calendar_;
    QString title_;
    QString notes_;
    QUrl url_;
    QDateTime due_;
    QDateTime completed_;
    int priority_ = 0;
    QDateTime stamp_;
    QByteArray readHash_;  // the SHA-1 of the file this copy was read from; empty for a new task
};

using TaskPtr = std::shared_ptr<Task>;

}  // namespace calstore
