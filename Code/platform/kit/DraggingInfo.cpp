#include "platform/kit/DraggingInfo.h"

#include "platform/kit/Window.h"

namespace kit {

Window* DraggingInfo::draggingDestinationWindow() const {
    return window_;
}

}  // namespace kit
