#pragma once

#include "platform/kit/Animation.h"

#include <QPointer>

namespace kit {
class View;
}

// Drives the page curl between two display modes: each step records the
// progress and has the curling view draw its frame at once.
class WeekPageCurlAnimation final : public kit::Animation {
    Q_OBJECT

public:
    explicit WeekPageCurlAnimation(double duration, Curve curve = Curve::EaseInOut);
    void setDelegate(kit::View* view) { delegate_ = view; }
    kit::View* delegate() const { return delegate_; }
    void setCurrentProgress(double progress) override;

private:
    QPointer<kit::View> delegate_;
};
