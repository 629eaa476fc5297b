#include "data/EMarker.h"

#include "data/AppearanceStamp.h"
#include "data/ColorCheckbox.h"
#include "data/ModelImages.h"
#include "platform/foundation/Localized.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

namespace {

// Never destroyed: an image that was painted on keeps its paint engine, and
// destroying that engine at exit, after the application object is gone, crashes.
const QImage& errorImage() {
    static const QImage* image = new QImage(ModelImages::named(QStringLiteral("CalTypeError")));
    return *image;
}

}  // namespace

EMarker::EMarker()
    : uID_(createUID()),
      title_(foundation::localized(QStringLiteral("newMarkerDefaultName"),
                                   QStringLiteral("New Marker"))) {
    const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    earliestApplied = now;
    latestApplied = now;
    createMiniIcon();
    createCheckboxImage();
}

EMarker::EMarker(const QString& uid) : EMarker() {
    if (!uid.isEmpty()) {
        foundation::Guard guard(lock_);
        uID_ = uid;
    }
}

QString EMarker::createUID() {
    // The process-wide generator is seeded once and safe to share between threads.
    static const char digits[] = "0123456789ABCDEF";
    QString uid;
    uid.reserve(32);
    for (int i = 0; i < 32; ++i)
        uid.append(QLatin1Char(digits[QRandomGenerator::global()->bounded(16)]));
    return uid;
}

QString EMarker::uID() const {
    foundation::Guard guard(lock_);
    return uID_;
}

QString EMarker::title() const {
    foundation::Guard guard(lock_);
    return title_;
}

QColor EMarker::color() const {
    foundation::Guard guard(lock_);
    return color_;
}

QString EMarker::calendarUID() const {
    foundation::Guard guard(lock_);
    return calendarUID_;
}

QString EMarker::notes() const {
    foundation::Guard guard(lock_);
    return description_;
}

QImage EMarker::miniIcon() const {
    foundation::Guard guard(lock_);
    return miniIcon_;
}

QImage EMarker::checkboxImage() const {
    foundation::Guard guard(lock_);
    return checkboxImg;
}

QImage EMarker::markerTypeImage() const {
    foundation::Guard guard(lock_);
    // A marker that was never given a store (a new one in its sheet) shows no badge.
    const bool noCalendar = !calendarUID_.isNull() && calendarUID_.isEmpty();
    if (noCalendar || !errorMessage_.isEmpty()) return errorImage();
    return QImage();
}

QString EMarker::errorMessage() const {
    foundation::Guard guard(lock_);
    return errorMessage_;
}

double EMarker::earliestMarkerApplied() const {
    foundation::Guard guard(lock_);
    return earliestApplied;
}

double EMarker::latestMarkerApplied() const {
    foundation::Guard guard(lock_);
    return latestApplied;
}

int EMarker::compare(const EMarker& other) const {
    const int mine = sequenceNumber_, theirs = other.sequenceNumber_;
    if (mine < theirs) return -1;
    if (mine > theirs) return 1;
    return 0;
}

void EMarker::setSelected(bool selected) {
    selectState_ = selected;
    createCheckboxImage();
    appearance::changed();
}

void EMarker::setTitle(const QString& title) {
    foundation::Guard guard(lock_);
    title_ = title;
}

void EMarker::setNotes(const QString& notes) {
    foundation::Guard guard(lock_);
    description_ = notes;
}

void EMarker::setColor(const QColor& color) {
    {
        foundation::Guard guard(lock_);
        color_ = color;
    }
    createMiniIcon();
    createCheckboxImage();
    appearance::changed();
}

void EMarker::setMarkerType(int type) {
    markerType_ = type;
    createMiniIcon();
    appearance::changed();
}

void EMarker::setCalendarUID(const QString& uid) {
    foundation::Guard guard(lock_);
    calendarUID_ = uid;
    if (uid.isEmpty())
        errorMessage_ =
            foundation::localized(QStringLiteral("markerErrorNoCalendar"),
                                  QStringLiteral("This marker has no marker calendar."));
}

void EMarker::setErrorMsg(const QString& message) {
    foundation::Guard guard(lock_);
    errorMessage_ = message;
}

void EMarker::appliedToDate(double secondsSince1970) {
    foundation::Guard guard(lock_);
    if (earliestApplied > secondsSince1970) earliestApplied = secondsSince1970;
    if (secondsSince1970 > latestApplied) latestApplied = secondsSince1970;
}

QImage EMarker::miniIconForTypeAndColor(int markerType, const QColor& color) {
    constexpr double side = 16;
    QImage image = ModelImages::emptyImage(QSizeF(side, side));
    QPainter painter(&image);
    // The glyphs are laid out from the lower-left corner, y upwards.
    painter.translate(0, side);
    painter.scale(1, -1);
    painter.fillRect(QRectF(0, 0, 16, 16), QColor(128, 128, 128));
    painter.fillRect(QRectF(1, 1, 14, 14), Qt::white);

    const auto bar = [&](double x, double width) {
        painter.fillRect(QRectF(x, 1, width, 14), color);
    };
    switch (markerType) {
        case 1:  // left half
            bar(1, 7);
            break;
        case 2:  // wide band
            bar(3, 7);
            break;
        case 3:  // right half
            bar(8, 7);
            break;
        case 4:  // full
            bar(1, 14);
            break;
        case 5:  // narrow bar
            bar(3, 3);
            break;
        case 6:  // narrow bar
            bar(6, 3);
            break;
        case 7:  // line
            bar(8, 1);
            break;
        case 8: {  // dot
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(color);
            painter.drawEllipse(QRectF(3, 3, 10, 10));
            break;
        }
        case 9: {  // triangle
            painter.setRenderHint(QPainter::Antialiasing);
            QPainterPath path;
            path.moveTo(3, 3);
            path.lineTo(8, 13);
            path.lineTo(13, 3);
            path.closeSubpath();
            painter.fillPath(path, color);
            break;
        }
        default:
            break;
    }
    return image;
}

void EMarker::createMiniIcon() {
    const QImage icon = miniIconForTypeAndColor(markerType_, color());
    foundation::Guard guard(lock_);
    miniIcon_ = icon;
}

void EMarker::createCheckboxImage() {
    const QImage box = ColorCheckbox::checkboxWithColorAndState(color(), selectState_);
    foundation::Guard guard(lock_);
    checkboxImg = box;
}
