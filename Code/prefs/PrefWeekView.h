#pragma once

#include "prefs/PrefViewPane.h"

#include <memory>
#include <vector>

// The "WView" pane: the week view's group "AppPref WeekView" (info popup side,
// right-click selection, grey-out, marks as full-day events, event info
// contents, weekend colouring and colours).
class PrefWeekView final : public PrefViewPane {
    Q_OBJECT
public:
    PrefWeekView();
    static std::vector<std::shared_ptr<LxPrefPaneProtocol>> preferencePanes();

protected:
    void refresh() override;
};
