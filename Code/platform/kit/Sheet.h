#pragma once

#include <QVariant>

#include <functional>

class QObject;

namespace kit {

class Window;

// Sheets: a window attached to the top of another, which takes no input while
// the sheet is up (other windows go on working). Beginning a sheet returns at
// once; the sheet ends when someone calls endSheet with a return code, which
// goes to the end handler. A window holds one sheet at a time. Main thread only.
class Sheet final {
public:
    using EndHandler = std::function<void(Window* sheet, int returnCode)>;

    Sheet() = delete;

    // Shows `sheet` at the top of `window`, makes it key and holds `window` back.
    // False (with a log line) when `window` has a sheet already, when `sheet` is
    // up as a sheet already, or when either is missing.
    static bool beginSheet(Window* sheet, Window* window, EndHandler handler = {});
    // The same with an end handler performed by name on `delegate`, with the
    // sheet, the return code and `contextInfo` as arguments.
    static bool beginSheetModalForWindow(Window* sheet, Window* window, QObject* delegate,
                                         const char* didEndOperation,
                                         const QVariant& contextInfo = QVariant());
    // Detaches the sheet (its window takes input again) and runs the end handler
    // with `returnCode`. The sheet is ordered out after the handler unless the
    // handler began it again. Nothing for a window that is not up as a sheet.
    static void endSheet(Window* sheet, int returnCode = -1000);

    static Window* attachedSheet(const Window* window);
    static Window* sheetParent(const Window* sheet);
    static bool anyAttached();
};

}  // namespace kit
