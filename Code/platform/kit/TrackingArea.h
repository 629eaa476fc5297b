#pragma once

#include <QRectF>
#include <QVariantMap>

#include <memory>

namespace kit {

class Responder;
class View;

// A rectangle of a view in which the pointer is followed: its owner is told when
// the pointer enters and leaves it (the events carry the area, so the owner can
// tell its areas apart) and, when asked, of every movement inside it. Views hold
// their areas; owners are held weakly.
class TrackingArea final {
public:
    enum Option : unsigned {
        MouseEnteredAndExited = 0x01,
        MouseMoved = 0x02,
        CursorUpdate = 0x04,
        ActiveWhenFirstResponder = 0x10,
        ActiveInKeyWindow = 0x20,
        ActiveInActiveApp = 0x40,
        ActiveAlways = 0x80,
        AssumeInside = 0x100,
        InVisibleRect = 0x200,  // follows the view's visible rectangle, ignoring `rect`
        EnabledDuringMouseDrag = 0x400,
    };

    TrackingArea(const QRectF& rect, unsigned options, Responder* owner,
                 const QVariantMap& userInfo = {});
    static std::shared_ptr<TrackingArea> create(const QRectF& rect, unsigned options,
                                                Responder* owner, const QVariantMap& userInfo = {});

    QRectF rect() const { return rect_; }
    unsigned options() const { return options_; }
    bool hasOption(Option o) const { return (options_ & o) != 0; }
    Responder* owner() const;
    QVariantMap userInfo() const { return userInfo_; }
    View* view() const { return view_; }  // the view it was added to (null when none)

private:
    friend class View;
    QRectF rect_;
    unsigned options_ = 0;
    Responder* owner_ = nullptr;
    std::weak_ptr<int> ownerLife_;
    QVariantMap userInfo_;
    View* view_ = nullptr;
};

}  // namespace kit
