#include "platform/store/Event.h"

#include "platform/store/Series.h"

#include <QUuid>

namespace calstore {

std::shared_ptr<Event> Event::event() {
    auto e = std::make_shared<Event>();
    e->uid_ = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return e;
}

ManagedObjectID Event::managedObjectID() const {
    if (!series_) return {};
    return ManagedObjectID{ManagedObjectID::Entity::Event, series_->calendarUid, series_->uid,
                           detached_ ? occurrence_ : QDateTime()};
}

bool Event::isRecurring() const {
    return rule_.get().has_value() || (series_ && series_->isRecurring());
}

}  // namespace calstore
