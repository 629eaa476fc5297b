#include "platform/kit/ScreenUpdates.h"

#include "platform/kit/View.h"

#include <QPointer>

#include <algorithm>
#include <vector>

namespace kit {

namespace {

int& depth() {
    static int d = 0;
    return d;
}

std::vector<QPointer<View>>& pending() {
    static std::vector<QPointer<View>> p;
    return p;
}

}  // namespace

void ScreenUpdates::disable() {
    ++depth();
}

void ScreenUpdates::enable() {
    if (depth() == 0) return;  // unbalanced enables are ignored
    if (--depth() > 0) return;
    auto views = std::move(pending());
    pending().clear();
    for (auto& v : views)
        if (v) v->repaint();
}

bool ScreenUpdates::areEnabled() {
    return depth() == 0;
}

void ScreenUpdates::displayWhenEnabled(View* view) {
    auto& p = pending();
    if (std::find(p.begin(), p.end(), view) == p.end()) p.emplace_back(view);
}

}  // namespace kit
