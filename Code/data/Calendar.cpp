#include "data/Calendar.h"

#include "data/AppearanceStamp.h"
#include "data/ColorCheckbox.h"
#include "data/ModelImages.h"
#include "platform/foundation/Localized.h"

#include <QPainter>

namespace {

// The type badges, loaded once.
struct TypeImages {
    QImage error = ModelImages::named(QStringLiteral("CalTypeError"));
    QImage holiday = ModelImages::named(QStringLiteral("CalTypeHoliday"));
    QImage marker = ModelImages::named(QStringLiteral("CalTypeMarker"));
    QImage birthday = ModelImages::named(QStringLiteral("CalTypeBirthday"));
};

const TypeImages& typeImages() {
    static const TypeImages images;
    return images;
}

}  // namespace

Calendar::Calendar()
    : preTitle(foundation::localized(QStringLiteral("newCalendarDefaultName"),
                                     QStringLiteral("New Calendar"))) {
    createMiniIcon();
    createCheckboxImage();
}

Calendar::Calendar(const calstore::CalendarPtr& calendar) : Calendar() {
    {
        foundation::Guard guard(lock_);
        updateErrMsg = QString();
        sourceStore_ = QString();
        theCalendar = calendar;
    }
    calendarType_ = isBirthdayCalendar() ? kTypeBirthday : kTypeNormal;
    createMiniIcon();
    createCheckboxImage();
}

bool Calendar::isBirthdayCalendar() const {
    foundation::Guard guard(lock_);
    return theCalendar && theCalendar->type() == calstore::CalendarTypeBirthday;
}

bool Calendar::isNew() const {
    foundation::Guard guard(lock_);
    return !theCalendar;
}

calstore::CalendarPtr Calendar::calendar() const {
    foundation::Guard guard(lock_);
    return theCalendar;
}

QString Calendar::sourceStore() const {
    foundation::Guard guard(lock_);
    return sourceStore_;
}

QString Calendar::calendarOSType() const {
    foundation::Guard guard(lock_);
    return theCalendar ? theCalendar->type() : QString();
}

QColor Calendar::color() const {
    foundation::Guard guard(lock_);
    return theCalendar ? theCalendar->color() : preColor;
}

QString Calendar::notes() const {
    foundation::Guard guard(lock_);
    return theCalendar ? theCalendar->notes() : preNotes;
}

QString Calendar::title() const {
    foundation::Guard guard(lock_);
    return theCalendar ? theCalendar->title() : preTitle;
}

QString Calendar::uid() const {
    foundation::Guard guard(lock_);
    return theCalendar ? theCalendar->uid() : QStringLiteral("XXX");
}

QString Calendar::updateError() const {
    foundation::Guard guard(lock_);
    return updateErrMsg;
}

QImage Calendar::miniIcon() const {
    foundation::Guard guard(lock_);
    return miniIcon_;
}

QImage Calendar::checkboxImage() const {
    foundation::Guard guard(lock_);
    return checkboxImg;
}

QImage Calendar::calendarTypeImage() const {
    if (!updateError().isEmpty()) return typeImages().error;
    switch (calendarType_) {
        case kTypeHoliday:
            return typeImages().holiday;
        case kTypeMarker:
            return typeImages().marker;
        case kTypeBirthday:
            return typeImages().birthday;
        default:
            return QImage();
    }
}

int Calendar::compare(const Calendar& other) const {
    const int mine = sequenceNumber_, theirs = other.sequenceNumber_;
    if (mine < theirs) return -1;
    if (mine > theirs) return 1;
    return 0;
}

bool Calendar::canCreateNewEvent() const {
    return selectState_ && calendarType_ == kTypeNormal;
}

void Calendar::setNotNew() {
    foundation::Guard guard(lock_);
    if (!theCalendar) return;
    auto changed = std::make_shared<calstore::Calendar>(*theCalendar);
    changed->setColor(preColor);
    changed->setTitle(preTitle);
    changed->setNotes(preNotes);
    theCalendar = changed;
}

void Calendar::setIsDeleted() {
    foundation::Guard guard(lock_);
    theCalendar.reset();
}

void Calendar::setCalendar(const calstore::CalendarPtr& calendar) {
    {
        foundation::Guard guard(lock_);
        theCalendar = calendar;
    }
    appearance::changed();
}

void Calendar::setSourceStore(const QString& name) {
    foundation::Guard guard(lock_);
    sourceStore_ = name;
}

void Calendar::setCalendarType(int type) {
    calendarType_ = isBirthdayCalendar() ? kTypeBirthday : type;
    appearance::changed();
}

void Calendar::setSelected(bool selected) {
    selectState_ = selected;
    createCheckboxImage();
    appearance::changed();
}

void Calendar::setColor(const QColor& color) {
    {
        foundation::Guard guard(lock_);
        if (theCalendar) {
            auto changed = std::make_shared<calstore::Calendar>(*theCalendar);
            changed->setColor(color);
            theCalendar = changed;
        } else {
            preColor = color;
        }
    }
    createMiniIcon();
    createCheckboxImage();
    appearance::changed();
}

void Calendar::setNotes(const QString& notes) {
    foundation::Guard guard(lock_);
    if (theCalendar) {
        auto changed = std::make_shared<calstore::Calendar>(*theCalendar);
        changed->setNotes(notes);
        theCalendar = changed;
    } else {
        preNotes = notes;
    }
}

void Calendar::setTitle(const QString& title) {
    foundation::Guard guard(lock_);
    if (theCalendar) {
        auto changed = std::make_shared<calstore::Calendar>(*theCalendar);
        changed->setTitle(title);
        theCalendar = changed;
    } else {
        preTitle = title;
    }
}

void Calendar::setUpdateError(const QString& message) {
    foundation::Guard guard(lock_);
    updateErrMsg = message;
}

QImage Calendar::miniIconWithColor(const QColor& color) {
    QImage image = ModelImages::emptyImage(QSizeF(16, 16));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    // The circle is centred, so flipping the y axis changes nothing.
    painter.drawEllipse(QRectF(2, 2, 12, 12));
    return image;
}

void Calendar::createMiniIcon() {
    const QImage icon = miniIconWithColor(color());
    foundation::Guard guard(lock_);
    miniIcon_ = icon;
}

void Calendar::createCheckboxImage() {
    const QImage box = ColorCheckbox::checkboxWithColorAndState(color(), selectState_);
    foundation::Guard guard(lock_);
    checkboxImg = box;
}
