#include "platform/kit/Sheet.h"

#include "platform/foundation/Log.h"
#include "platform/kit/Action.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/Perform.h"
#include "platform/kit/Window.h"

#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace kit {

namespace {

struct Attached {
    QPointer<Window> sheet;
    QPointer<Window> parent;
    Sheet::EndHandler handler;
};

std::vector<Attached>& attached() {
    static std::vector<Attached> list;
    return list;
}

// Forgets sheets and parents that went away.
void prune() {
    auto& list = attached();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](const Attached& a) { return !a.sheet || !a.parent; }),
               list.end());
}

}  // namespace

bool Sheet::beginSheet(Window* sheet, Window* window, EndHandler handler) {
    prune();
    if (!sheet || !window || sheet == window) return false;
    if (attachedSheet(window)) {
        foundation::log(
            QStringLiteral("A sheet is up on window \"%1\" already").arg(window->title()));
        return false;
    }
    if (sheetParent(sheet)) {
        foundation::log(
            QStringLiteral("Window \"%1\" is up as a sheet already").arg(sheet->title()));
        return false;
    }
    ModalSession::guardInput();
    attached().push_back(Attached{sheet, window, std::move(handler)});
    // At the top of the window's content, in the middle.
    const QRectF p = window->frame(), s = sheet->frame();
    const double top = p.y() + window->contentRect().height();
    sheet->setFrameOrigin(QPointF(p.x() + (p.width() - s.width()) / 2.0, top - s.height()));
    sheet->widget()->winId();
    if (QWindow* handle = sheet->widget()->windowHandle())
        handle->setTransientParent(window->widget()->windowHandle());
    sheet->makeKeyAndOrderFront();
    return true;
}

bool Sheet::beginSheetModalForWindow(Window* sheet, Window* window, QObject* delegate,
                                     const char* didEndOperation, const QVariant& contextInfo) {
    QPointer<QObject> target(delegate);
    const QByteArray name(didEndOperation ? didEndOperation : "");
    return beginSheet(sheet, window, [target, name, contextInfo](Window* s, int code) {
        if (target && !name.isEmpty())
            performWithArguments(target, name.constData(),
                                 {QVariant::fromValue<QObject*>(s), code, contextInfo});
    });
}

void Sheet::endSheet(Window* sheet, int returnCode) {
    prune();
    auto& list = attached();
    auto it = std::find_if(list.begin(), list.end(),
                           [sheet](const Attached& a) { return a.sheet == sheet; });
    if (it == list.end()) return;
    Attached entry = std::move(*it);
    list.erase(it);
    const bool wasKey = sheet->isKeyWindow();
    QPointer<Window> guard(sheet);
    if (entry.handler) entry.handler(sheet, returnCode);
    if (guard && !sheetParent(guard)) guard->orderOut();
    if (wasKey && entry.parent && entry.parent->isVisible() && !attachedSheet(entry.parent))
        entry.parent->makeKeyWindow();
}

Window* Sheet::attachedSheet(const Window* window) {
    for (const Attached& a : attached())
        if (a.parent == window && a.sheet) return a.sheet;
    return nullptr;
}

Window* Sheet::sheetParent(const Window* sheet) {
    for (const Attached& a : attached())
        if (a.sheet == sheet && a.parent) return a.parent;
    return nullptr;
}

bool Sheet::anyAttached() {
    for (const Attached& a : attached())
        if (a.sheet && a.parent) return true;
    return false;
}

}  // namespace kit
