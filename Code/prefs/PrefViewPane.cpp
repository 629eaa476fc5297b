#include "prefs/PrefViewPane.h"

#include "data/appPref.h"
#include "platform/kit/Button.h"
#include "platform/kit/ColorWell.h"
#include "platform/kit/Matrix.h"
#include "prefs/PrefPaneBuilder.h"

#include <utility>

PrefViewPane::PrefViewPane(Identity identity, QString group, QList<Binding> checkboxes,
                           QList<Binding> colors)
    : LxPrefPaneProtocol(std::move(identity)),
      group_(std::move(group)),
      checkboxBindings_(std::move(checkboxes)),
      colorBindings_(std::move(colors)) {}

kit::Button* PrefViewPane::checkboxForKey(const QString& key) const {
    auto it = checkboxes_.find(key);
    return it == checkboxes_.end() ? nullptr : it->second.data();
}

kit::ColorWell* PrefViewPane::wellForKey(const QString& key) const {
    auto it = wells_.find(key);
    return it == wells_.end() ? nullptr : it->second.data();
}

QStringList PrefViewPane::checkboxKeys() const {
    QStringList keys;
    for (const Binding& b : checkboxBindings_) keys << b.key;
    return keys;
}

QStringList PrefViewPane::colorKeys() const {
    QStringList keys;
    for (const Binding& b : colorBindings_) keys << b.key;
    return keys;
}

kit::View* PrefViewPane::makePaneView() {
    constexpr double kColumn = 300;
    PrefPaneBuilder b(2 * kColumn + 3 * PrefPaneBuilder::kMargin);
    b.column(PrefPaneBuilder::kMargin, kColumn);
    gui_infoPopupLocation =
        b.leftRight(QStringLiteral("prefViewPopupSide"), QStringLiteral("Info popup opens:"));
    b.gap(6);
    for (const Binding& binding : checkboxBindings_)
        checkboxes_[binding.key] = b.checkbox(binding.titleKey, binding.titleDefault);
    b.column(2 * PrefPaneBuilder::kMargin + kColumn, kColumn);
    for (const Binding& binding : colorBindings_)
        wells_[binding.key] = b.colorWell(binding.titleKey, binding.titleDefault);
    return b.finish();
}

void PrefViewPane::fillControls() {
    appPref values = freshGroup(group_);
    gui_infoPopupLocation->selectCellWithTag(values.boolForKey(kPopupOpensRight) ? 2 : 1);
    for (const auto& [key, box] : checkboxes_) showState(box, values.boolForKey(key));
    for (const auto& [key, well] : wells_) well->setColor(values.colorForKey(key));
    showAlphaInColorPanel();
}

void PrefViewPane::writeBack() {
    appPref values = freshGroup(group_);
    values.setBoolForKey(gui_infoPopupLocation->selectedTag() == 2, kPopupOpensRight);
    for (const auto& [key, box] : checkboxes_) values.setBoolForKey(isChecked(box), key);
    for (const auto& [key, well] : wells_) values.setColorForKey(well->color(), key);
    storeGroup(group_, values);
    refresh();
}
