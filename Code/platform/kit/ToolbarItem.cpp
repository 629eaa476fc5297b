#include "platform/kit/ToolbarItem.h"

#include "platform/kit/Perform.h"

namespace kit {

ToolbarItem::ToolbarItem(const QString& itemIdentifier) : identifier_(itemIdentifier) {}

bool ToolbarItem::isSpaceOrSeparator() const {
    return identifier_ == separatorIdentifier() || identifier_ == spaceIdentifier() ||
           identifier_ == flexibleSpaceIdentifier();
}

void ToolbarItem::setLabel(const QString& label) {
    if (label == label_) return;
    label_ = label;
    emit changed();
}

void ToolbarItem::setToolTip(const QString& tip) {
    if (tip == toolTip_) return;
    toolTip_ = tip;
    emit changed();
}

void ToolbarItem::setImage(const QImage& image) {
    image_ = image;
    emit changed();
}

void ToolbarItem::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    emit changed();
}

bool ToolbarItem::validate() {
    if (isSpaceOrSeparator() || !autovalidates_) return enabled_;
    bool ok = false;
    if (action_.handler()) {
        ok = true;
    } else if (!action_.name().isEmpty()) {
        QObject* t = action_.resolvedTarget();
        if (t && respondsTo(t, action_.name().constData())) {
            ok = true;
            if (respondsTo(t, "validateToolbarItem")) {
                QVariant answer;
                if (performWithArguments(t, "validateToolbarItem",
                                         {QVariant::fromValue<QObject*>(this)}, &answer))
                    ok = answer.toBool();
            }
        }
    }
    setEnabled(ok);
    return ok;
}

bool ToolbarItem::performAction() {
    if (!validate()) return false;
    return action_.send(this);
}

}  // namespace kit
