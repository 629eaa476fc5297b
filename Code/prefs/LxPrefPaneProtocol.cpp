#include "prefs/LxPrefPaneProtocol.h"

#include "data/appPref.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Localized.h"
#include "platform/kit/Button.h"
#include "platform/kit/ColorPanel.h"
#include "platform/kit/ColorWell.h"
#include "platform/kit/Image.h"
#include "platform/kit/View.h"

#include <utility>

LxPrefPaneProtocol::LxPrefPaneProtocol(Identity identity) : identity_(std::move(identity)) {}

LxPrefPaneProtocol::~LxPrefPaneProtocol() {
    // A view out of the window belongs to the pane; one in a window to the window.
    if (prefView_ && !prefView_->parent()) delete prefView_.data();
}

kit::View* LxPrefPaneProtocol::paneView() {
    if (!prefView_) prefView_ = makePaneView();
    return prefView_;
}

QString LxPrefPaneProtocol::paneName() const {
    return foundation::localized(identity_.nameKey, identity_.nameDefault);
}

QString LxPrefPaneProtocol::paneDescription() const {
    return foundation::localized(identity_.descriptionKey, identity_.descriptionDefault);
}

QImage LxPrefPaneProtocol::paneIcon() const {
    return kit::Image::named(identity_.iconName);
}

QString LxPrefPaneProtocol::paneToolTip() const {
    return foundation::localized(identity_.toolTipKey, identity_.toolTipDefault);
}

void LxPrefPaneProtocol::willShow() {
    if (!prefView_) return;
    fillControls();
    gotLoaded_ = true;
}

void LxPrefPaneProtocol::willClose() {
    if (gotLoaded_) writeBack();
}

appPref LxPrefPaneProtocol::freshGroup(const QString& group) {
    return appPref::fromMap(foundation::Defaults::standard().dictionaryForKey(group));
}

void LxPrefPaneProtocol::storeGroup(const QString& group, const appPref& values) {
    foundation::Defaults::standard().setObject(group, values.toVariantMap());
}

void LxPrefPaneProtocol::showState(kit::Button* checkbox, bool on) {
    checkbox->setState(on ? kit::Button::On : kit::Button::Off);
}

bool LxPrefPaneProtocol::isChecked(const kit::Button* checkbox) {
    return checkbox->state() == kit::Button::On;
}

void LxPrefPaneProtocol::showAlphaInColorPanel() {
    kit::ColorPanel::shared()->setShowsAlpha(true);
}
