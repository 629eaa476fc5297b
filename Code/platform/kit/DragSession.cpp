#include "platform/kit/DragSession.h"

#include "platform/kit/Application.h"
#include "platform/kit/DragDestination.h"
#include "platform/kit/DragSource.h"
#include "platform/kit/Image.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/Panel.h"
#include "platform/kit/Pasteboard.h"
#include "platform/kit/Screen.h"
#include "platform/kit/View.h"
#include "platform/kit/ViewAnimation.h"
#include "platform/kit/Window.h"

#include <QCursor>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QPixmap>

namespace kit {

namespace {

DragSession::Driver& driver() {
    static DragSession::Driver d;
    return d;
}

DragSession*& currentSession() {
    static DragSession* s = nullptr;
    return s;
}

qint64 nextSequence() {
    static qint64 n = 0;
    return ++n;
}

constexpr unsigned kSingleOperations[] = {DragOperation::Copy,    DragOperation::Link,
                                          DragOperation::Generic, DragOperation::Private,
                                          DragOperation::Move,    DragOperation::Delete};

Qt::DropAction qtAction(unsigned op) {
    switch (op) {
        case DragOperation::Copy:
            return Qt::CopyAction;
        case DragOperation::Link:
            return Qt::LinkAction;
        case DragOperation::None:
            return Qt::IgnoreAction;
        default:
            return Qt::MoveAction;
    }
}

Qt::DropActions qtActions(unsigned mask) {
    Qt::DropActions a;
    if (mask & DragOperation::Copy) a |= Qt::CopyAction;
    if (mask & DragOperation::Link) a |= Qt::LinkAction;
    if (mask & (DragOperation::Move | DragOperation::Generic | DragOperation::Private |
                DragOperation::Delete))
        a |= Qt::MoveAction;
    return a;
}

unsigned fromQtActions(Qt::DropActions a) {
    unsigned mask = DragOperation::None;
    if (a & Qt::CopyAction) mask |= DragOperation::Copy;
    if (a & Qt::LinkAction) mask |= DragOperation::Link;
    if (a & Qt::MoveAction) mask |= DragOperation::Move | DragOperation::Generic;
    return mask;
}

}  // namespace

// Hands Qt's drag events on registered views to the drag running now, or to a
// session made for a drag that comes from another program.
class QtDropWatcher final : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        const auto t = e->type();
        if (t != QEvent::DragEnter && t != QEvent::DragMove && t != QEvent::DragLeave &&
            t != QEvent::Drop)
            return false;
        auto* view = qobject_cast<View*>(o);
        if (!view) return false;
        DragSession* s = DragSession::current();
        if (!s) {
            if (!external_ && t == QEvent::DragEnter) {
                auto* de = static_cast<QDropEvent*>(e);
                external_.reset(new DragSession);
                external_->info_.pasteboard_ = Pasteboard::withMimeData(de->mimeData());
                external_->info_.mask_ = fromQtActions(de->possibleActions());
                external_->info_.sequence_ = nextSequence();
            }
            s = external_.get();
        }
        if (!s) return false;
        const bool handled = s->handleQtEvent(view, e);
        if (s == external_.get() && (t == QEvent::Drop || t == QEvent::DragLeave)) {
            if (t == QEvent::DragLeave) s->cancel();
            external_.reset();
        }
        return handled;
    }

private:
    std::unique_ptr<DragSession> external_;
};

unsigned DragSession::dragImage(const QImage& image, const QPointF& imageLocation, View* view,
                                const Event& event, std::shared_ptr<Pasteboard> pasteboard,
                                DragSource* source, bool slideBack) {
    if (!view || !pasteboard || current()) return DragOperation::None;
    DragSession s;
    auto* sourceObject = dynamic_cast<QObject*>(source);
    s.source_ = source;
    s.sourceIsObject_ = sourceObject != nullptr;
    s.info_.source_ = sourceObject ? sourceObject : view;
    s.info_.pasteboard_ = std::move(pasteboard);
    s.info_.mask_ =
        source ? source->draggingSourceOperationMaskForLocal(true) : DragOperation::Every;
    s.info_.sequence_ = nextSequence();
    s.info_.image_ = image;
    s.slideBack_ = slideBack;

    // The image's rectangle on screen: the given corner is its lower left one.
    const QSizeF size = Image::sizeInPoints(image);
    const QRectF inView = view->isFlipped()
                              ? QRectF(imageLocation.x(), imageLocation.y() - size.height(),
                                       size.width(), size.height())
                              : QRectF(imageLocation, size);
    s.startOnScreen_ = view->convertRectToScreen(inView).topLeft();
    Window* w = event.window() ? event.window() : view->window();
    s.pointerOnScreen_ = w ? w->convertPointToScreen(event.locationInWindow()) : s.startOnScreen_;
    s.grabOffset_ = s.startOnScreen_ - s.pointerOnScreen_;
    s.imageOnScreen_ = s.startOnScreen_;

    currentSession() = &s;
    struct Reset {
        ~Reset() { currentSession() = nullptr; }
    } reset;
    if (driver()) {
        driver()(s);
    } else {
        // Qt's hot spot: the pointer from the image's top left corner, in pixels.
        const QPointF hotSpot(-s.grabOffset_.x(), size.height() + s.grabOffset_.y());
        s.runQtDrag(view, hotSpot);
    }
    if (!s.finished_) s.cancel();
    return s.operation_;
}

void DragSession::setDriverForTesting(Driver d) {
    driver() = std::move(d);
}

DragSession* DragSession::current() {
    return currentSession();
}

View* DragSession::destinationView() const {
    return destination_;
}

DragDestination* DragSession::destination() const {
    return destination_ ? dynamic_cast<DragDestination*>(destination_.data()) : nullptr;
}

bool DragSession::sourceAlive() const {
    return source_ && (!sourceIsObject_ || info_.source_);
}

View* DragSession::destinationAt(Window* window, const QPointF& location) const {
    if (!window || !window->isVisible() || !window->contentView()) return nullptr;
    // A window held back by a modal loop or a sheet takes no drops.
    if (ModalSession::blocksInputTo(window)) return nullptr;
    for (View* v = window->contentView()->hitTest(location); v; v = v->superview()) {
        auto* d = dynamic_cast<DragDestination*>(v);
        if (!d) continue;
        for (const QString& type : d->registeredDraggedTypes())
            if (info_.pasteboard_ && info_.pasteboard_->hasType(type)) return v;
    }
    return nullptr;
}

unsigned DragSession::allowed(unsigned answer) const {
    const unsigned both = answer & info_.mask_;
    for (unsigned op : kSingleOperations)
        if (both & op) return op;
    return DragOperation::None;
}

unsigned DragSession::moveTo(Window* window, const QPointF& locationInWindow) {
    if (finished_) return DragOperation::None;
    if (window) pointerOnScreen_ = window->convertPointToScreen(locationInWindow);
    imageOnScreen_ = pointerOnScreen_ + grabOffset_;
    if (sourceAlive()) source_->draggedImageMovedTo(info_.image_, imageOnScreen_);
    info_.window_ = window;
    info_.location_ = locationInWindow;
    info_.imageLocation_ = window ? window->convertPointFromScreen(imageOnScreen_) : QPointF();

    View* target = destinationAt(window, locationInWindow);
    if (target != destination_) {
        exitDestination();
        destination_ = target;
        if (DragDestination* d = destination()) {
            info_.entered_ = d->draggingEntered(info_);
            operation_ = allowed(info_.entered_);
        }
    } else if (DragDestination* d = destination()) {
        operation_ = allowed(d->draggingUpdated(info_));
    }
    return operation_;
}

void DragSession::exitDestination() {
    if (DragDestination* d = destination()) d->draggingExited(info_);
    destination_ = nullptr;
    info_.entered_ = DragOperation::None;
    operation_ = DragOperation::None;
}

unsigned DragSession::drop() {
    if (finished_) return DragOperation::None;
    unsigned done = DragOperation::None;
    // The destination takes the drop as the event being handled: what it reads
    // of the current event (where a menu of its choices opens) is the release
    // where the drag ended, not the press that started it.
    const Event release =
        Event::mouseEvent(EventType::LeftMouseUp, info_.location_,
                          Application::shared().currentEvent().modifierFlags(), 1, info_.window_);
    Application::shared().handleAsCurrentEvent(release, [&] {
        DragDestination* d = destination();
        if (d && operation_ != DragOperation::None) {
            if (d->prepareForDragOperation(info_) && (d = destination()) &&
                d->performDragOperation(info_)) {
                done = operation_;
                if ((d = destination())) d->concludeDragOperation(info_);
            }
        } else if (d) {
            d->draggingExited(info_);
        }
    });
    finish(done);
    return done;
}

void DragSession::cancel() {
    if (finished_) return;
    exitDestination();
    finish(DragOperation::None);
}

void DragSession::finish(unsigned operation) {
    finished_ = true;
    operation_ = operation;
    endedOnScreen_ = imageOnScreen_;
    if (operation == DragOperation::None && slideBack_) slideImageBack();
    if (DragDestination* d = destination()) d->draggingEnded(info_);
    if (sourceAlive())
        source_->draggedImageEndedAtOperation(info_.image_, endedOnScreen_, operation);
}

void DragSession::slideImageBack() {
    slidBack_ = true;
    const QPointF from = imageOnScreen_;
    imageOnScreen_ = startOnScreen_;
    if (from == startOnScreen_ || info_.image_.isNull()) return;
    // The image flies back to where it was picked up.
    const QSizeF size = Image::sizeInPoints(info_.image_);
    Panel panel(QRectF(from, size), Panel::Borderless);
    panel.setBackgroundColor(QColor(0, 0, 0, 0));
    panel.setFloatingPanel(true);
    panel.setHasShadow(false);
    auto* picture = new ImageView(QRectF(QPointF(0, 0), size));
    picture->setImage(info_.image_);
    picture->setImageScaling(ImageView::Scaling::AxesIndependently);
    picture->setAutoresizingMask(View::WidthSizable | View::HeightSizable);
    panel.contentView()->addSubview(picture);
    panel.orderFront();
    ViewAnimation slide(
        {ViewAnimation::Entry{&panel, QRectF(from, size), QRectF(startOnScreen_, size)}});
    slide.setDuration(0.2);
    slide.setAnimationCurve(Animation::Curve::EaseOut);
    slide.setAnimationBlockingMode(Animation::BlockingMode::Blocking);
    slide.startAnimation();
    panel.orderOut();
}

unsigned DragSession::runQtDrag(View* view, const QPointF& hotSpot) {
    auto* drag = new QDrag(view);
    drag->setMimeData(info_.pasteboard_->toMimeData().release());
    if (!info_.image_.isNull()) {
        drag->setPixmap(QPixmap::fromImage(info_.image_));
        drag->setHotSpot(hotSpot.toPoint());
    }
    const Qt::DropAction result = drag->exec(qtActions(info_.mask_));
    if (!finished_) {
        // Dropped outside this application's views: another program took it,
        // or nobody did.
        pointerOnScreen_ = Screen::fromQtPoint(QPointF(QCursor::pos()));
        imageOnScreen_ = pointerOnScreen_ + grabOffset_;
        exitDestination();
        finish(result == Qt::IgnoreAction ? DragOperation::None : allowed(fromQtActions(result)));
    }
    return operation_;
}

bool DragSession::handleQtEvent(View* view, QEvent* e) {
    if (e->type() == QEvent::DragLeave) {
        exitDestination();
        return true;
    }
    auto* de = static_cast<QDropEvent*>(e);
    Window* window = view->window();
    const QPointF own = view->widgetTransform().inverted().map(de->position());
    unsigned op = moveTo(window, view->transformToWindow().map(own));
    if (e->type() == QEvent::Drop) op = drop();
    de->setDropAction(qtAction(op));
    // An entering drag is always taken, so that its moves keep coming.
    if (op != DragOperation::None || e->type() == QEvent::DragEnter)
        de->accept();
    else
        de->ignore();
    return true;
}

void DragSession::watchQtDrops(View* view) {
    static QtDropWatcher* watcher = nullptr;
    if (!watcher) watcher = new QtDropWatcher;
    if (!view) return;
    view->setAcceptDrops(true);
    view->removeEventFilter(watcher);
    view->installEventFilter(watcher);
}

}  // namespace kit
