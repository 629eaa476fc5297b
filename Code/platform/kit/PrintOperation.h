#pragma once

#include "platform/kit/PrintInfo.h"

#include <QPointer>
#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

namespace kit {

class View;

// Prints a view: to a printer (through the print panel when asked) or into a PDF
// file, as the print information says. The view draws itself through its
// drawRect on the printer's painter, so text and shapes reach the page as
// vectors, not as a picture. Pages come from the view when it is Printable,
// else from cutting its bounds by the pagination; a page is scaled down to fit
// in each direction paginated to fit and centred as asked. A PDF file is
// written whole or not at all. Main thread only.
class PrintOperation final {
public:
    // One page: the part of the view printed on it and the scale it is printed at.
    struct Page {
        QRectF rect;
        double scale = 1.0;
    };

    explicit PrintOperation(View* view, const PrintInfo& info = PrintInfo::shared());
    static std::unique_ptr<PrintOperation> printOperationWithView(
        View* view, const PrintInfo& info = PrintInfo::shared());

    const PrintInfo& printInfo() const { return info_; }
    void setPrintInfo(const PrintInfo& info) { info_ = info; }
    // Whether a job for a printer first shows the print panel (the default).
    bool showsPrintPanel() const { return showsPanel_; }
    void setShowsPrintPanel(bool shows) { showsPanel_ = shows; }

    std::vector<Page> pages() const;
    // Prints; answers whether every page went out (false when the user cancels
    // the print panel). Failures are logged and kept in errorText.
    bool runOperation();
    QString errorText() const { return error_; }

private:
    std::vector<QRectF> pageRects() const;
    double scaleFor(const QRectF& rect) const;
    bool fail(const QString& why);

    QPointer<View> view_;
    PrintInfo info_;
    bool showsPanel_ = true;
    QString error_;
};

}  // namespace kit
