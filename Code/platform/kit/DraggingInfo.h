#pragma once

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QPointer>

#include <memory>

namespace kit {

class Pasteboard;
class Window;

// Drag operations, with the system's values; a mask combines them.
namespace DragOperation {
constexpr unsigned None = 0, Copy = 1, Link = 2, Generic = 4, Private = 8, Move = 16, Delete = 32,
                   Every = ~0u;
}

// What a drop target learns of the drag over it: where the pointer is, what the
// drag carries, which operations its source allows, and who the source is (an
// object of this application; null for a drag from another program, so a
// target can accept only drags it knows).
class DraggingInfo final {
public:
    QObject* draggingSource() const { return source_; }
    std::shared_ptr<Pasteboard> draggingPasteboard() const { return pasteboard_; }
    // The pointer, in the destination window's coordinates.
    QPointF draggingLocation() const { return location_; }
    Window* draggingDestinationWindow() const;
    unsigned draggingSourceOperationMask() const { return mask_; }
    qint64 draggingSequenceNumber() const { return sequence_; }
    QImage draggedImage() const { return image_; }
    // The dragged image's lower left corner, in the destination window's coordinates.
    QPointF draggedImageLocation() const { return imageLocation_; }

private:
    friend class DragSession;
    friend class DragDestination;
    friend class QtDropWatcher;
    QPointer<QObject> source_;
    std::shared_ptr<Pasteboard> pasteboard_;
    QPointF location_;
    QPointer<Window> window_;
    unsigned mask_ = DragOperation::None;
    qint64 sequence_ = 0;
    QImage image_;
    QPointF imageLocation_;
    unsigned entered_ = DragOperation::None;  // what the target answered on entering
};

}  // namespace kit
