#pragma once

#include "data/SourceListItem.h"

#include <memory>

// The empty row that stands before each group of the source list. It has no data
// of its own; the list draws it as a short gap that cannot be selected.
class OutlineViewSpacer final : public SourceListItem {
public:
    OutlineViewSpacer() = default;
};

using OutlineViewSpacerPtr = std::shared_ptr<OutlineViewSpacer>;
