#pragma once

#include <QString>

// Posted by whatever opens a popup, a hover or the event editor, so that every
// other open popup and hover panel closes. Each of them observes it.
inline const QString closeHoverPanelsNotification = QStringLiteral("Close Hover Panels");
