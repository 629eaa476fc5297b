#pragma once

#include "platform/kit/DraggingInfo.h"
#include "platform/kit/Event.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QPointer>

#include <functional>
#include <memory>

class QDropEvent;
class QEvent;

namespace kit {

class DragDestination;
class DragSource;
class Pasteboard;
class View;
class Window;

// One drag of an image with a pasteboard, from a view of this application.
// dragImage starts it and returns when it has ended, as the user's drag does:
// over Qt's drag for real use, or, when a driver is set (tests), by handing the
// session to the driver, which moves the pointer over windows and drops. Either
// way the destinations under the pointer are asked as DragDestination says, the
// operation is what the destination answered within the source's mask, and the
// source is told where and how the drag ended. A drag nobody took slides its
// image back to where it started when asked to. Main thread only.
class DragSession final : public QObject {
    Q_OBJECT

public:
    // Starts a drag from `view` of `image`, whose lower left corner lies at
    // `imageLocation` in the view's coordinates, for the mouse event `event`;
    // answers the operation done (None when the drag was not taken).
    static unsigned dragImage(const QImage& image, const QPointF& imageLocation, View* view,
                              const Event& event, std::shared_ptr<Pasteboard> pasteboard,
                              DragSource* source, bool slideBack);

    using Driver = std::function<void(DragSession&)>;
    // Replaces the user's drag with `driver` (an empty driver restores it).
    static void setDriverForTesting(Driver driver);
    // The drag running now (null when none).
    static DragSession* current();

    // -- Driving (what the pointer does)
    // The pointer moves to a point of `window` (null: off every window); answers
    // the operation the destination under it would do.
    unsigned moveTo(Window* window, const QPointF& locationInWindow);
    // Drops where the pointer is; answers the operation done.
    unsigned drop();
    // Ends the drag without a drop (Escape).
    void cancel();

    // -- State
    bool isFinished() const { return finished_; }
    unsigned operation() const { return operation_; }
    const DraggingInfo& draggingInfo() const { return info_; }
    bool slidBack() const { return slidBack_; }
    // The image's lower left corner on screen now (back at the start after a
    // slide back), and where it was when the drag ended.
    QPointF imageLocationOnScreen() const { return imageOnScreen_; }
    QPointF endedLocationOnScreen() const { return endedOnScreen_; }
    View* destinationView() const;

    // Lets Qt's drags reach a view that registered for dragged types.
    static void watchQtDrops(View* view);

private:
    DragSession() = default;
    friend class QtDropWatcher;
    DragDestination* destination() const;
    View* destinationAt(Window* window, const QPointF& location) const;
    unsigned allowed(unsigned answer) const;
    bool sourceAlive() const;
    void exitDestination();
    void finish(unsigned operation);
    void slideImageBack();
    unsigned runQtDrag(View* view, const QPointF& hotSpot);
    // A Qt drag event on `view`: routed like a driven pointer move or drop.
    bool handleQtEvent(View* view, QEvent* event);

    DraggingInfo info_;
    DragSource* source_ = nullptr;
    bool sourceIsObject_ = false;  // then info_.source_ tells whether it is alive
    QPointer<View> destination_;
    unsigned operation_ = DragOperation::None;
    bool finished_ = false;
    bool slideBack_ = false;
    bool slidBack_ = false;
    QPointF startOnScreen_;  // the image's corner where the drag began
    QPointF imageOnScreen_;
    QPointF grabOffset_;  // the image's corner less the pointer, on screen
    QPointF pointerOnScreen_;
    QPointF endedOnScreen_;  // the image's corner where the drag ended
};

}  // namespace kit
