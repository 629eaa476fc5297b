#pragma once

#include <QTimeZone>

namespace calstore {

// The zone in which floating times and all-day dates are read and in which the
// store presents every QDateTime it hands out: the user's calendar zone. The one
// place that decides it.
QTimeZone storeTimeZone();

}  // namespace calstore
