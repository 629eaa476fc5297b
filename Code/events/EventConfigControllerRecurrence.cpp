// The editor's working rule, taken from the event, and the pattern it selects
// in the repetition pane.
#include "events/EventConfigController.h"

#include "platform/kit/Button.h"
#include "platform/kit/SegmentedControl.h"
#include "platform/kit/TextField.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"

void EventConfigController::captureRecurrenceSettings() {
    modifiedRecRule =
        LocalRecurrenceRule::fromStoreRule(_event ? _event->recurrenceRule() : std::nullopt,
                                           _event ? _event->startDate() : QDateTime());
}

void EventConfigController::setupRecurrencePaneForTypeFromUI(int type, bool fromUI) {
    if (fromUI && type == modifiedRecRule.recurrenceType) return;
    if (fromUI) {
        modifiedRecRule.rule = type >= 0 && type <= 3;
        modifiedRecRule.recurrenceType = modifiedRecRule.rule ? type : -1;
    }
    const int kind = modifiedRecRule.rule ? modifiedRecRule.recurrenceType : -1;
    // Rules of a kind the pattern control has no segment for show none.
    if (gui_rpPattern) gui_rpPattern->setSelectedSegment(kind >= 0 && kind <= 3 ? kind + 1 : 0);
}
