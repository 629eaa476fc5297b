#include "platform/kit/PrintOperation.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Log.h"
#include "platform/kit/Printable.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"

#include <QFile>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace kit {

PrintOperation::PrintOperation(View* view, const PrintInfo& info) : view_(view), info_(info) {}

std::unique_ptr<PrintOperation> PrintOperation::printOperationWithView(View* view,
                                                                       const PrintInfo& info) {
    return std::make_unique<PrintOperation>(view, info);
}

double PrintOperation::scaleFor(const QRectF& rect) const {
    const QSizeF area = info_.imageableRect().size();
    double s = 1.0;
    if (info_.horizontalPagination() == PrintInfo::Pagination::Fit && rect.width() > 0)
        s = std::min(s, area.width() / rect.width());
    if (info_.verticalPagination() == PrintInfo::Pagination::Fit && rect.height() > 0)
        s = std::min(s, area.height() / rect.height());
    return s;
}

std::vector<QRectF> PrintOperation::pageRects() const {
    std::vector<QRectF> rects;
    if (!view_) return rects;
    if (auto* printable = dynamic_cast<Printable*>(view_.data())) {
        int first = 1, count = 0;
        if (printable->knowsPageRange(first, count)) {
            for (int i = 0; i < count; ++i) rects.push_back(printable->rectForPage(first + i));
            return rects;
        }
    }
    const QRectF b = view_->bounds();
    if (b.width() <= 0 || b.height() <= 0) return rects;
    // Cut the bounds into page-sized pieces in each direction that is neither
    // fitted nor clipped: rows from the top of the view, left to right.
    const double s = scaleFor(b);
    const QSizeF area = info_.imageableRect().size();
    const double pw = area.width() / s, ph = area.height() / s;
    if (pw <= 0 || ph <= 0) return rects;
    const auto count = [](PrintInfo::Pagination p, double length, double page) {
        return p == PrintInfo::Pagination::Auto ? std::max(1, int(std::ceil(length / page - 1e-9)))
                                                : 1;
    };
    const int cols = count(info_.horizontalPagination(), b.width(), pw);
    const int rows = count(info_.verticalPagination(), b.height(), ph);
    const bool flipped = view_->isFlipped();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const double w = cols == 1 && info_.horizontalPagination() == PrintInfo::Pagination::Fit
                                 ? b.width()
                                 : std::min(pw, b.width() - c * pw);
            const double h = rows == 1 && info_.verticalPagination() == PrintInfo::Pagination::Fit
                                 ? b.height()
                                 : std::min(ph, b.height() - r * ph);
            const double x = b.x() + c * pw;
            const double y = flipped ? b.y() + r * ph : b.y() + b.height() - r * ph - h;
            rects.push_back(QRectF(x, y, w, h));
        }
    }
    return rects;
}

std::vector<PrintOperation::Page> PrintOperation::pages() const {
    std::vector<Page> list;
    for (const QRectF& r : pageRects()) list.push_back(Page{r, scaleFor(r)});
    return list;
}

bool PrintOperation::fail(const QString& why) {
    error_ = why;
    foundation::log(QStringLiteral("Printing failed: ") + why);
    return false;
}

bool PrintOperation::runOperation() {
    error_.clear();
    if (!view_) return fail(QStringLiteral("there is no view to print"));
    const std::vector<Page> list = pages();
    if (list.empty()) return fail(QStringLiteral("the view has nothing to print"));

    const bool toFile = info_.jobDisposition() == PrintInfo::Disposition::Save;
    if (toFile && info_.savePath().isEmpty()) return fail(QStringLiteral("no file to print into"));
    QPrinter printer(QPrinter::HighResolution);
    QTemporaryDir scratch;
    QString scratchFile;
    if (toFile) {
        // The PDF is made aside and put in place whole.
        if (!scratch.isValid()) return fail(QStringLiteral("no room for a temporary file"));
        scratchFile = scratch.filePath(QStringLiteral("print.pdf"));
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(scratchFile);
    }
    info_.applyToPrinter(printer);
    if (view_->window()) printer.setDocName(view_->window()->title());
    if (!toFile && showsPanel_) {
        QPrintDialog panel(&printer);
        if (panel.exec() != QDialog::Accepted) {
            error_ = QStringLiteral("cancelled");
            return false;
        }
    }

    QPainter painter;
    if (!painter.begin(&printer)) return fail(QStringLiteral("the printer cannot be opened"));
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    const double perPoint = printer.resolution() / 72.0;
    const QSizeF area = info_.imageableRect().size();
    const bool flipped = view_->isFlipped();
    for (size_t i = 0; i < list.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            return fail(QStringLiteral("a new page could not be started"));
        }
        const Page& page = list[i];
        const QSizeF drawn(page.rect.width() * page.scale, page.rect.height() * page.scale);
        const double ox =
            info_.isHorizontallyCentered() ? std::max(0.0, (area.width() - drawn.width()) / 2) : 0;
        const double oy =
            info_.isVerticallyCentered() ? std::max(0.0, (area.height() - drawn.height()) / 2) : 0;
        // Page points from the printable area's top left; the view's y upwards
        // unless it is flipped.
        QTransform t;
        t.scale(perPoint, perPoint);
        t.translate(ox, oy);
        t.scale(page.scale, page.scale);
        if (flipped) {
            t.translate(-page.rect.x(), -page.rect.y());
        } else {
            t.translate(-page.rect.x(), page.rect.y() + page.rect.height());
            t.scale(1, -1);
        }
        painter.save();
        painter.setTransform(t);
        painter.setClipRect(page.rect);
        view_->drawHierarchy(painter, page.rect);
        painter.restore();
    }
    if (!painter.end()) return fail(QStringLiteral("the printer did not take the pages"));
    if (!toFile) return true;

    QFile made(scratchFile);
    if (!made.open(QIODevice::ReadOnly)) return fail(QStringLiteral("the PDF was not made"));
    QString why;
    if (!foundation::writeFileAtomically(info_.savePath(), made.readAll(), &why))
        return fail(QStringLiteral("%1 could not be written: %2").arg(info_.savePath(), why));
    return true;
}

}  // namespace kit
