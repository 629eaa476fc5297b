#pragma once

#include "platform/kit/Control.h"

#include <QString>
#include <vector>

namespace kit {

// A row of segments with labels. Tracking selects one segment (the selected
// segment is the object value, -1 for none) or any (a click turns a segment's
// state over; the object value is the list of states). A click, or Left, Right
// and Space on the focused control, changes the selection and sends the action.
// The segments are drawn by a small widget of the kit's own, so a kit click
// lands on the segment under it. Main thread only.
class SegmentedControl final : public Control {
    Q_OBJECT

public:
    enum class Tracking { SelectOne, SelectAny };

    explicit SegmentedControl(const QRectF& frame = QRectF(),
                              Tracking tracking = Tracking::SelectOne);

    Tracking trackingMode() const { return tracking_; }
    void setTrackingMode(Tracking tracking);

    int segmentCount() const { return int(labels_.size()); }
    void setSegmentCount(int count);
    QString labelForSegment(int segment) const;
    void setLabelForSegment(const QString& label, int segment);

    // Select-one: the segment shown selected (-1: none).
    int selectedSegment() const { return selected_; }
    void setSelectedSegment(int segment);
    // Select-any: each segment's own state.
    bool isSelectedForSegment(int segment) const;
    void setSelectedForSegment(bool selected, int segment);
    void setObjectValue(const QVariant& value) override;

    // The segment the user is on (the focused one with the keyboard).
    int focusedSegment() const { return focused_; }

private:
    friend class SegmentStrip;
    void userPicked(int segment);
    void storeState();

    Tracking tracking_;
    std::vector<QString> labels_;
    std::vector<bool> on_;
    int selected_ = -1;
    int focused_ = 0;
};

}  // namespace kit
