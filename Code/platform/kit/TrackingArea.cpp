#include "platform/kit/TrackingArea.h"

#include "platform/kit/Responder.h"

namespace kit {

TrackingArea::TrackingArea(const QRectF& rect, unsigned options, Responder* owner,
                           const QVariantMap& userInfo)
    : rect_(rect),
      options_(options),
      owner_(owner),
      ownerLife_(owner ? owner->lifeToken() : std::weak_ptr<int>()),
      userInfo_(userInfo) {}

std::shared_ptr<TrackingArea> TrackingArea::create(const QRectF& rect, unsigned options,
                                                   Responder* owner, const QVariantMap& userInfo) {
    return std::make_shared<TrackingArea>(rect, options, owner, userInfo);
}

Responder* TrackingArea::owner() const {
    return ownerLife_.expired() ? nullptr : owner_;
}

}  // namespace kit
