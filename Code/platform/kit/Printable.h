#pragma once

#include <QRectF>

namespace kit {

// What a view that lays out its own pages answers when it is printed (a view
// derives from it besides View). Without it, a print job cuts the view's bounds
// into pages itself, as the print information's pagination says.
class Printable {
public:
    virtual ~Printable() = default;

    // True when the view knows its pages: numbered from `first`, `count` of them.
    virtual bool knowsPageRange(int& first, int& count) = 0;
    // The part of the view, in its coordinates, printed on page `page`.
    virtual QRectF rectForPage(int page) = 0;
};

}  // namespace kit
