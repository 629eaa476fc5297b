#pragma once

#include "platform/kit/ViewAnimation.h"

#include <QPointer>

#include <vector>

class YVPageIndicator;

// The slide of the year pages that ends a drag, a swipe or a year change: it
// moves the pages and carries the indicator's dot on to the neighbouring ring
// (or back to the centre when the drag is taken back).
class YVPIAnimation final : public kit::ViewAnimation {
    Q_OBJECT

public:
    explicit YVPIAnimation(const std::vector<Entry>& entries = {});
    static YVPIAnimation* initWithViewAnimations(const std::vector<Entry>& entries) {
        return new YVPIAnimation(entries);
    }

    // Starts from the indicator's offset and ends on the ring of its sign.
    void setPageIndicator(YVPageIndicator* indicator);
    // Reverting ends on the centre ring.
    void setAnimationReverts(bool reverts);
    void setCurrentProgress(double progress) override;

    double startOffset() const { return startOffset_; }
    double endOffset() const { return endOffset_; }
    double width() const { return width_; }
    bool reverting() const { return reverting_; }

private:
    QPointer<YVPageIndicator> indicator;
    double startOffset_ = 0.0;
    double endOffset_ = 0.0;
    double width_ = 0.0;
    bool reverting_ = false;
};
