#include "platform/kit/DragDestination.h"

#include "platform/kit/DragSession.h"
#include "platform/kit/View.h"

namespace kit {

DragDestination::~DragDestination() = default;

void DragDestination::registerForDraggedTypes(const QStringList& types) {
    for (const QString& t : types)
        if (!types_.contains(t)) types_ << t;
    if (auto* view = dynamic_cast<View*>(this)) DragSession::watchQtDrops(view);
}

void DragDestination::unregisterDraggedTypes() {
    types_.clear();
    if (auto* view = dynamic_cast<View*>(this)) view->setAcceptDrops(false);
}

}  // namespace kit
