#pragma once

#include <memory>
#include <typeinfo>

// Anything that stands on a row of the source list: group headers, the spacer
// rows between groups, calendars and markers. The rows are shared between the
// model, the list and the background jobs, so they are held by shared_ptr and
// told apart by their exact class.
class SourceListItem : public std::enable_shared_from_this<SourceListItem> {
public:
    virtual ~SourceListItem() = default;

protected:
    SourceListItem() = default;
    SourceListItem(const SourceListItem&) = delete;
    SourceListItem& operator=(const SourceListItem&) = delete;
};

using SourceListItemPtr = std::shared_ptr<SourceListItem>;

// A list with a buffer of its own. The model's lists are copied out this way,
// never as implicitly shared copies: a shared buffer would be read by one thread
// while the owner's next change decides, without synchronisation, whether it
// may still write it in place.
template <class List>
List unsharedCopy(const List& list) {
    List copy;
    copy.reserve(list.size());
    for (const auto& item : list) copy.append(item);
    return copy;
}

// The item as a T when it is exactly of class T (not of a subclass); else null.
template <class T>
std::shared_ptr<T> sourceItemAs(const SourceListItemPtr& item) {
    if (!item || typeid(*item) != typeid(T)) return nullptr;
    return std::static_pointer_cast<T>(item);
}
