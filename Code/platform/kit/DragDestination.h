#pragma once

#include "platform/kit/DraggingInfo.h"

#include <QStringList>

namespace kit {

// What a view that takes drops answers. A view derives from it besides View and
// registers the types it takes; drags carrying one of them are offered to it
// while the pointer is over it: entered (answering the operation it would do,
// None to refuse), updated as the pointer moves (the entered answer by
// default), exited when the pointer leaves or the drag is refused at the drop,
// and on the drop prepare, perform and conclude, in that order, while each
// agrees. The same calls come from Qt's drags and from DragSession's driven
// drags. Main thread only.
class DragDestination {
public:
    virtual ~DragDestination();

    void registerForDraggedTypes(const QStringList& types);
    void unregisterDraggedTypes();
    QStringList registeredDraggedTypes() const { return types_; }

    virtual unsigned draggingEntered(const DraggingInfo&) { return DragOperation::None; }
    virtual unsigned draggingUpdated(const DraggingInfo& info) { return info.entered_; }
    virtual void draggingExited(const DraggingInfo&) {}
    virtual bool prepareForDragOperation(const DraggingInfo&) { return true; }
    virtual bool performDragOperation(const DraggingInfo&) { return false; }
    virtual void concludeDragOperation(const DraggingInfo&) {}
    // After the drag ended, whatever happened.
    virtual void draggingEnded(const DraggingInfo&) {}

private:
    QStringList types_;
};

}  // namespace kit
