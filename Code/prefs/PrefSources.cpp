#include "prefs/PrefSources.h"

#include "platform/kit/View.h"

PrefSources::PrefSources()
    : LxPrefPaneProtocol({QStringLiteral("Sources"), QStringLiteral("PrefSources"),
                          QStringLiteral("prefPaneCalSourceName"), QStringLiteral("Sources"),
                          QStringLiteral("prefPaneCalSourceDescription"),
                          QStringLiteral("Calendar Sources Preferences"),
                          QStringLiteral("prefPaneCalSourceTooltip"),
                          QStringLiteral("Calendar Sources and Accounts"), false, true}) {}

std::vector<std::shared_ptr<LxPrefPaneProtocol>> PrefSources::preferencePanes() {
    return {std::make_shared<PrefSources>()};
}

kit::View* PrefSources::makePaneView() {
    return new kit::View(QRectF(0, 0, 560, 360));
}
