#pragma once

#include "platform/kit/Animation.h"

#include <QPointer>
#include <QRectF>

#include <optional>
#include <vector>

namespace kit {

// Moves and resizes views and windows from start frames to end frames, and fades
// them in or out. An entry whose target is neither a view nor a window is dropped;
// missing frames are the target's frame when the entries are set. Frames follow
// the curved value; fades follow the progress. At the end a view faded out is
// hidden (and gets its opacity back), a window faded out is ordered out.
class ViewAnimation : public Animation {
    Q_OBJECT

public:
    enum class Effect { None, FadeIn, FadeOut };
    struct Entry {
        QPointer<QObject> target;  // a View or a Window
        std::optional<QRectF> startFrame;
        std::optional<QRectF> endFrame;
        Effect effect = Effect::None;
    };

    explicit ViewAnimation(const std::vector<Entry>& entries = {});

    void setViewAnimations(const std::vector<Entry>& entries);
    const std::vector<Entry>& viewAnimations() const { return entries_; }

    void setCurrentProgress(double progress) override;
    void startAnimation() override;

    // The frame of an entry at a value between 0 (start) and 1 (end).
    static QRectF frameAtValue(const Entry& entry, double value);

private:
    std::vector<Entry> entries_;
    std::vector<double> originalAlpha_;
};

}  // namespace kit
