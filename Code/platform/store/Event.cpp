#include "platform/store/Event.h"

#include "platform/store/Series.h"

#include <QUuid>

namespace calstore {

std::shared_ptr<Event> Event::event() {
    auto e = std::make_shared<Event>();
    e->editCommon().uid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return e;
}

const detail::EventCommon& Event::common() const {
    static const detail::EventCommon none;
    return common_ ? *common_ : none;
}

detail::EventCommon& Event::editCommon() {
    // A part no other event holds is changed in place; events are changed by
    // one thread at a time, so no copy can be taken of this one meanwhile.
    if (!common_ || common_.use_count() != 1)
        common_ = std::make_shared<detail::EventCommon>(common());
    return *common_;
}

ManagedObjectID Event::managedObjectID() const {
    const auto& series = this->series();
    if (!series) return {};
    return ManagedObjectID{ManagedObjectID::Entity::Event, series->calendarUid, series->uid,
                           detached_ ? occurrence() : QDateTime()};
}

bool Event::isRecurring() const {
    return recurrenceRule().has_value() || (series() && series()->isRecurring());
}

}  // namespace calstore
