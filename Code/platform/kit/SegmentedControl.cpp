#include "platform/kit/SegmentedControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QWidget>

namespace kit {

// Draws the segments side by side and finds the one under a point.
class SegmentStrip final : public QWidget {
public:
    explicit SegmentStrip(SegmentedControl* owner) : owner_(owner) {
        setFocusPolicy(Qt::StrongFocus);
    }

    QRect segmentRect(int i) const {
        const int n = owner_->segmentCount();
        if (n <= 0) return QRect();
        const int x0 = width() * i / n, x1 = width() * (i + 1) / n;
        return QRect(x0, 0, x1 - x0, height());
    }

    int segmentAt(const QPoint& p) const {
        for (int i = 0; i < owner_->segmentCount(); ++i)
            if (segmentRect(i).contains(p)) return i;
        return -1;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        for (int i = 0; i < owner_->segmentCount(); ++i) {
            QStyleOptionButton o;
            o.initFrom(this);
            o.rect = segmentRect(i);
            o.text = owner_->labelForSegment(i);
            const bool on = owner_->isSelectedForSegment(i);
            o.state |= on ? QStyle::State_On | QStyle::State_Sunken : QStyle::State_Raised;
            if (i == pressed_) o.state |= QStyle::State_Sunken;
            if (!(hasFocus() && i == owner_->focused_)) o.state &= ~QStyle::State_HasFocus;
            p.drawControl(QStyle::CE_PushButton, o);
        }
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return e->ignore();
        pressed_ = segmentAt(e->position().toPoint());
        update();
    }

    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return e->ignore();
        const int hit = segmentAt(e->position().toPoint());
        const int was = pressed_;
        pressed_ = -1;
        update();
        // A click is a press and a release on the same segment.
        if (hit >= 0 && hit == was) owner_->userPicked(hit);
    }

    void keyPressEvent(QKeyEvent* e) override {
        const int n = owner_->segmentCount();
        int& f = owner_->focused_;
        switch (e->key()) {
            case Qt::Key_Left:
            case Qt::Key_Right: {
                if (n == 0) return;
                f = (f + (e->key() == Qt::Key_Left ? n - 1 : 1)) % n;
                // Moving through a select-one control selects as it goes.
                if (owner_->trackingMode() == SegmentedControl::Tracking::SelectOne)
                    owner_->userPicked(f);
                update();
                return;
            }
            case Qt::Key_Space:
                if (f < n) owner_->userPicked(f);
                return;
            default:
                e->ignore();
        }
    }

private:
    SegmentedControl* owner_;
    int pressed_ = -1;
};

SegmentedControl::SegmentedControl(const QRectF& frame, Tracking tracking)
    : Control(frame), tracking_(tracking) {
    setHostedWidget(new SegmentStrip(this));
    storeState();
}

void SegmentedControl::setTrackingMode(Tracking tracking) {
    tracking_ = tracking;
    storeState();
}

void SegmentedControl::setSegmentCount(int count) {
    count = std::max(0, count);
    labels_.resize(size_t(count));
    on_.resize(size_t(count), false);
    if (selected_ >= count) selected_ = -1;
    if (focused_ >= count) focused_ = 0;
    storeState();
}

QString SegmentedControl::labelForSegment(int segment) const {
    return segment >= 0 && segment < segmentCount() ? labels_[size_t(segment)] : QString();
}

void SegmentedControl::setLabelForSegment(const QString& label, int segment) {
    if (segment < 0 || segment >= segmentCount()) return;
    labels_[size_t(segment)] = label;
    if (QWidget* w = hostedWidget()) w->update();
}

void SegmentedControl::setSelectedSegment(int segment) {
    selected_ = segment >= 0 && segment < segmentCount() ? segment : -1;
    if (selected_ >= 0) focused_ = selected_;
    storeState();
}

bool SegmentedControl::isSelectedForSegment(int segment) const {
    if (segment < 0 || segment >= segmentCount()) return false;
    return tracking_ == Tracking::SelectOne ? segment == selected_ : bool(on_[size_t(segment)]);
}

void SegmentedControl::setSelectedForSegment(bool selected, int segment) {
    if (segment < 0 || segment >= segmentCount()) return;
    if (tracking_ == Tracking::SelectOne) {
        if (selected)
            setSelectedSegment(segment);
        else if (selected_ == segment)
            setSelectedSegment(-1);
        return;
    }
    on_[size_t(segment)] = selected;
    storeState();
}

void SegmentedControl::setObjectValue(const QVariant& value) {
    if (tracking_ == Tracking::SelectOne) {
        setSelectedSegment(value.toInt());
        return;
    }
    const QVariantList states = value.toList();
    for (int i = 0; i < segmentCount(); ++i)
        on_[size_t(i)] = i < states.size() && states[i].toBool();
    storeState();
}

void SegmentedControl::userPicked(int segment) {
    if (!isEnabled()) return;
    focused_ = segment;
    if (tracking_ == Tracking::SelectOne)
        setSelectedSegment(segment);
    else
        setSelectedForSegment(!on_[size_t(segment)], segment);
    sendAction();
}

void SegmentedControl::storeState() {
    if (tracking_ == Tracking::SelectOne) {
        storeValue(selected_);
    } else {
        QVariantList states;
        for (bool on : on_) states << on;
        storeValue(states);
    }
    if (QWidget* w = hostedWidget()) w->update();
}

}  // namespace kit
