#include "platform/kit/ClockFace.h"

#include <QLineF>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

// How far a point is from the segment a to b.
double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / len2, 0.0, 1.0) : 0.0;
    return QLineF(p, a + t * ab).length();
}

}  // namespace

ClockFace::ClockFace() {
    setFocusPolicy(Qt::NoFocus);
}

void ClockFace::setTime(int hour, int minute) {
    hour_ = ((hour % 24) + 24) % 24;
    minute_ = ((minute % 60) + 60) % 60;
    update();
}

QPointF ClockFace::centre() const {
    return QRectF(rect()).center();
}

double ClockFace::radius() const {
    return std::max(1.0, std::min(width(), height()) / 2.0 - 2);
}

QPointF ClockFace::pointOnDial(double minutes, double reach) const {
    const double a = minutes / 60.0 * 2 * M_PI;
    // Clockwise from 12 with y growing downwards.
    return centre() + QPointF(std::sin(a), -std::cos(a)) * (reach * radius());
}

double ClockFace::dialMinutes(Hand hand) const {
    if (hand == Hand::Minute) return minute_;
    return (hour_ % 12 + minute_ / 60.0) * 5;
}

double ClockFace::minutesAt(const QPointF& p) const {
    const QPointF d = p - centre();
    double a = std::atan2(d.x(), -d.y()) / (2 * M_PI) * 60;
    if (a < 0) a += 60;
    return a;
}

void ClockFace::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const QColor ink =
        pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    const QPointF c = centre();
    const double r = radius();
    p.setPen(QPen(QColor(150, 150, 150), 1.5));
    p.setBrush(pal.color(QPalette::Base));
    p.drawEllipse(c, r, r);

    // Ticks: long at the hours, short at the minutes when there is room.
    for (int m = 0; m < 60; ++m) {
        const bool hourTick = m % 5 == 0;
        if (!hourTick && r < 40) continue;
        p.setPen(QPen(ink, hourTick ? 1.5 : 0.75));
        p.drawLine(pointOnDial(m, hourTick ? 0.84 : 0.9), pointOnDial(m, 0.95));
    }
    if (r >= 40) {
        QFont f = font();
        f.setPixelSize(std::max(8, int(r * 0.16)));
        p.setFont(f);
        p.setPen(ink);
        for (int h = 1; h <= 12; ++h) {
            const QPointF at = pointOnDial(h * 5, 0.7);
            p.drawText(QRectF(at.x() - r * 0.15, at.y() - r * 0.12, r * 0.3, r * 0.24),
                       Qt::AlignCenter, QString::number(h));
        }
        p.drawText(QRectF(c.x() - r * 0.3, c.y() + r * 0.25, r * 0.6, r * 0.22), Qt::AlignCenter,
                   hour_ < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
    }

    p.setPen(QPen(ink, std::max(2.0, r * 0.06), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, pointOnDial(dialMinutes(Hand::Hour), kHourReach));
    p.setPen(QPen(ink, std::max(1.5, r * 0.035), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, pointOnDial(dialMinutes(Hand::Minute), kMinuteReach));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(c, 2.5, 2.5);
}

void ClockFace::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return e->ignore();
    const QPointF at = e->position();
    if (QLineF(at, centre()).length() > radius()) return e->ignore();
    const double toHour =
        distanceToSegment(at, centre(), pointOnDial(dialMinutes(Hand::Hour), kHourReach));
    const double toMinute =
        distanceToSegment(at, centre(), pointOnDial(dialMinutes(Hand::Minute), kMinuteReach));
    grabbed_ = toHour < toMinute ? Hand::Hour : Hand::Minute;
}

void ClockFace::mouseMoveEvent(QMouseEvent* e) {
    if (grabbed_ == Hand::None || !(e->buttons() & Qt::LeftButton)) return e->ignore();
    turn(grabbed_, e->position());
}

void ClockFace::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || grabbed_ == Hand::None) return e->ignore();
    turn(grabbed_, e->position());
    grabbed_ = Hand::None;
}

void ClockFace::turn(Hand hand, const QPointF& to) {
    // The middle has no direction.
    if (QLineF(to, centre()).length() < 1) return;
    const double at = minutesAt(to);
    int hour = hour_, minute = minute_;
    if (hand == Hand::Minute) {
        minute = int(std::lround(at)) % 60;
        // Passing 12 clockwise goes into the next hour, anticlockwise into the
        // one before.
        if (minute_ >= 45 && minute < 15) ++hour;
        if (minute_ < 15 && minute >= 45) --hour;
    } else {
        const int h12 = std::clamp(int(at / 5), 0, 11);
        const int was = hour_ % 12;
        bool pm = hour_ >= 12;
        // A quick drag may skip hours: the way through 12 is the shorter one.
        if ((was >= 9 && h12 < 3) || (was < 3 && h12 >= 9)) pm = !pm;
        hour = h12 + (pm ? 12 : 0);
    }
    hour = (hour + 24) % 24;
    if (hour == hour_ && minute == minute_) return;
    setTime(hour, minute);
    if (set) set(hour_, minute_);
}

}  // namespace kit
