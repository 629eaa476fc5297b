#pragma once

// What the year-view tests share: a fixed calendar, the factory settings, an
// application delegate with a model root, and builders for calendars, markers,
// events and cells.

#include "data/Calendar.h"
#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "data/MyDate.h"
#include "data/ScopedUserCalendar.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/PropertyList.h"
#include "platform/store/Event.h"
#include "shell/AppDelegate.h"
#include "yearview/YearViewCell.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <memory>

namespace yvtest {

inline QDateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second),
                     QTimeZone(QByteArray("Europe/Berlin")));
}

inline CalendarPtr makeCalendar(int type, bool shown = true, QColor color = QColor(Qt::blue),
                                const QString& title = QStringLiteral("Cal")) {
    auto calendar = std::make_shared<Calendar>();
    calendar->setCalendarType(type);
    calendar->setSelected(shown);
    calendar->setColor(color);
    calendar->setTitle(title);
    return calendar;
}

inline calstore::EventPtr makeEvent(const QDateTime& start, const QDateTime& end,
                                    const QString& title = QStringLiteral("Event"),
                                    const QString& location = QString(), bool allDay = false,
                                    const QString& notes = QString()) {
    auto event = calstore::Event::event();
    event->setTitle(title);
    event->setLocation(location);
    event->setStartDate(start);
    event->setEndDate(end);
    event->setIsAllDay(allDay);
    event->setNotes(notes);
    return event;
}

// An all-day event of one day (the store ends it at 23:59:59 of that day).
inline calstore::EventPtr makeAllDay(int year, int month, int day,
                                     const QString& title = QStringLiteral("All day"),
                                     const QString& location = QString(),
                                     const QString& notes = QString()) {
    return makeEvent(at(year, month, day), at(year, month, day, 23, 59, 59), title, location, true,
                     notes);
}

inline YearViewCellPtr makeCell(int year, int month, int day) {
    auto cell = std::make_shared<YearViewCell>();
    cell->setDate(MyDate::dateWithDayMonthYear(day, month, year));
    return cell;
}

// A fixed calendar, the factory settings under the cells, and an application
// delegate whose today is 15 June 2011.
class CellTest : public ::testing::Test {
protected:
    void SetUp() override {
        foundation::Defaults::resetStandard(QString());
        QString error;
        ASSERT_TRUE(testsupport::registerFactoryDefaults(&error)) << error.toStdString();
        delegate_ = std::make_unique<AppDelegate>();
        delegate_->today = MyDate::dateWithDayMonthYear(15, 6, 2011);
        delegate_->calendarSources = std::make_shared<CalendarSources>();
        YearViewCell::loadPreferences();
        YearViewCell::deselectAll();
    }
    void TearDown() override { delegate_.reset(); }

    // Changes one setting of a preference group and has the cells re-read them.
    void setPref(const QString& group, const QString& key, const QVariant& value) {
        QVariantMap map = foundation::Defaults::standard().dictionaryForKey(group);
        map.insert(key, value);
        foundation::Defaults::standard().setObject(group, map);
        YearViewCell::updatePreferences();
    }

    ScopedUserCalendar calendar_{"Europe/Berlin", 2, 4};
    std::unique_ptr<AppDelegate> delegate_;
};

}  // namespace yvtest
