#pragma once

#include "prefs/PrefViewPane.h"

#include <memory>
#include <vector>

// The "YView" pane: the year view's group "AppPref YearView" (info popup side,
// right-click selection, grey-out, notes hints, hover contents, day and
// background colours).
class PrefYearView final : public PrefViewPane {
    Q_OBJECT
public:
    PrefYearView();
    static std::vector<std::shared_ptr<LxPrefPaneProtocol>> preferencePanes();

protected:
    void refresh() override;
};
