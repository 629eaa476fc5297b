#pragma once

#include "prefs/LxPrefPaneProtocol.h"

#include <memory>
#include <vector>

// The "Sources" pane: the calendar sources with their accounts. It is the one
// pane whose window grows, and only downwards. Its content comes with the
// accounts; until then it shows an empty view.
class PrefSources final : public LxPrefPaneProtocol {
    Q_OBJECT
public:
    PrefSources();
    static std::vector<std::shared_ptr<LxPrefPaneProtocol>> preferencePanes();

protected:
    kit::View* makePaneView() override;
    void fillControls() override {}
    void writeBack() override {}
};
