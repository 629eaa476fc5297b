#pragma once

#include "platform/kit/DraggingInfo.h"

#include <QImage>
#include <QPointF>

namespace kit {

// What a view that starts drags may answer and learn: the operations it allows
// (inside the application, or for other programs) and where and how its drag
// ended. Points are in screen coordinates.
class DragSource {
public:
    virtual ~DragSource() = default;

    virtual unsigned draggingSourceOperationMaskForLocal(bool isLocal) {
        return isLocal ? DragOperation::Every : DragOperation::Copy;
    }
    virtual void draggedImageMovedTo(const QImage&, const QPointF&) {}
    // `operation` is what the target did (None when nobody took the drop).
    virtual void draggedImageEndedAtOperation(const QImage&, const QPointF&, unsigned) {}
};

}  // namespace kit
