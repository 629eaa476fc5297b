#include "platform/store/Event.h"

#include <QUuid>

namespace calstore {

std::shared_ptr<Event> Event::event() {
    auto e = std::make_shared<Event>();
    e->uid_ = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return e;
}

}  // namespace calstore
