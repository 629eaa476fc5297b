#include "platform/store/Task.h"

#include <QUuid>

namespace calstore {

std::shared_ptr<Task> Task::task() {
    auto t = std::make_shared<Task>();
    t->uid_ = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return t;
}

}  // namespace calstore
