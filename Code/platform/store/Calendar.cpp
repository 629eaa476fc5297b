#include "platform/store/Calendar.h"

#include <QUuid>

namespace calstore {

std::shared_ptr<Calendar> Calendar::calendar() {
    auto c = std::make_shared<Calendar>();
    c->setUid(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    return c;
}

}  // namespace calstore
