#pragma once

#include "platform/store/Event.h"

#include <QString>

#include <memory>

// One row of the birthday and holiday list sheets: the entry's date and title,
// the store event behind it (none for a row added in the sheet and not stored
// yet), and the flags by which the sheet decides what to write back.
class Birthday final {
public:
    Birthday() = default;

    // The ordering of the two dates, ascending: -1, 0 (same date) or 1.
    int compare(const Birthday& other) const;
    // "BD new:%i chg:%i prv:%i '%@' on %@", for debugging.
    QString description() const;

    double date() const { return date_; }
    void setDate(double secondsSince1970) { date_ = secondsSince1970; }
    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    calstore::EventPtr event() const { return event_; }
    void setEvent(const calstore::EventPtr& event) { event_ = event; }
    bool isNew() const { return isNew_; }
    void setIsNew(bool value) { isNew_ = value; }
    bool isChanged() const { return isChanged_; }
    void setIsChanged(bool value) { isChanged_ = value; }
    bool isFromPrevYear() const { return isFromPrevYear_; }
    void setIsFromPrevYear(bool value) { isFromPrevYear_ = value; }
    int isFromYear() const { return isFromYear_; }
    void setIsFromYear(int year) { isFromYear_ = year; }

private:
    double date_ = 0.0;  // seconds since 1970
    QString title_;
    calstore::EventPtr event_;
    bool isNew_ = false;
    bool isChanged_ = false;
    bool isFromPrevYear_ = false;
    int isFromYear_ = 0;
};

using BirthdayPtr = std::shared_ptr<Birthday>;
