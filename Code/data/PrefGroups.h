#pragma once

#include <QString>

// The names of the six preference groups in the user defaults (and in the
// external configuration file and the cloud store), in one place.
struct PrefGroups final {
    static inline const QString general = QStringLiteral("AppPref General");
    static inline const QString calendars = QStringLiteral("AppPref Calendars");
    static inline const QString markers = QStringLiteral("AppPref Markers");
    static inline const QString yearView = QStringLiteral("AppPref YearView");
    static inline const QString weekView = QStringLiteral("AppPref WeekView");
    static inline const QString searchOptions = QStringLiteral("AppPref SearchOptions");
};
