#pragma once

#include <QPointF>
#include <QWidget>

#include <functional>

namespace kit {

// The analog clock a clock-style date picker shows: a round dial with hour and
// minute hands and AM or PM under the middle. A press grabs the hand nearest to
// it; dragging turns that hand to the mouse and tells `set` the new time:
// - the minute hand moves to the nearest minute, and passing 12 moves the hour
//   on or back;
// - the hour hand moves to the hour it points into, and passing 12 turns AM
//   into PM and back.
// The time stays within one day: 23:59 plus a minute is 0:00. Main thread only.
class ClockFace final : public QWidget {
public:
    ClockFace();

    // Called with the hour (0-23) and minute whenever the user changes them.
    std::function<void(int hour, int minute)> set;

    int hour() const { return hour_; }
    int minute() const { return minute_; }
    void setTime(int hour, int minute);

    // The dial: its middle and radius in the widget's coordinates.
    QPointF centre() const;
    double radius() const;
    // The point at a place on the dial: `minutes` clockwise from 12 (0-60), at
    // `reach` (0 the middle, 1 the rim).
    QPointF pointOnDial(double minutes, double reach) const;

    enum class Hand { None, Hour, Minute };
    // The lengths of the hands, as parts of the radius.
    static constexpr double kHourReach = 0.5;
    static constexpr double kMinuteReach = 0.8;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Where a hand points now, in minutes of the dial.
    double dialMinutes(Hand hand) const;
    // The dial position of a point, in minutes clockwise from 12 (0-60).
    double minutesAt(const QPointF& p) const;
    void turn(Hand hand, const QPointF& to);

    int hour_ = 0;
    int minute_ = 0;
    Hand grabbed_ = Hand::None;
};

}  // namespace kit
