#include "platform/kit/PrintInfo.h"

#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include <algorithm>

namespace kit {

namespace {

QSizeF portrait(const QSizeF& s) {
    return QSizeF(std::min(s.width(), s.height()), std::max(s.width(), s.height()));
}

}  // namespace

PrintInfo::PrintInfo() {
    // Letter where the user's locale measures in US units, A4 elsewhere.
    const bool us = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
    portraitSize_ = QPageSize(us ? QPageSize::Letter : QPageSize::A4).size(QPageSize::Point);
}

PrintInfo& PrintInfo::shared() {
    static PrintInfo info;
    return info;
}

void PrintInfo::setShared(const PrintInfo& info) {
    shared() = info;
}

QSizeF PrintInfo::paperSize() const {
    return orientation_ == Orientation::Landscape ? portraitSize_.transposed() : portraitSize_;
}

void PrintInfo::setPaperSize(const QSizeF& size) {
    if (size.width() > 0 && size.height() > 0) portraitSize_ = portrait(size);
}

QRectF PrintInfo::imageableRect() const {
    const QSizeF p = paperSize();
    return QRectF(margins_.left(), margins_.top(),
                  std::max(0.0, p.width() - margins_.left() - margins_.right()),
                  std::max(0.0, p.height() - margins_.top() - margins_.bottom()));
}

void PrintInfo::applyToPrinter(QPrinter& printer) const {
    const QPageLayout layout(
        QPageSize(portraitSize_, QPageSize::Point),
        orientation_ == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
        margins_, QPageLayout::Point);
    printer.setPageLayout(layout);
    if (!printer_.isEmpty() && printer.outputFormat() == QPrinter::NativeFormat)
        printer.setPrinterName(printer_);
}

void PrintInfo::takeFromPrinter(const QPrinter& printer) {
    const QPageLayout layout = printer.pageLayout();
    setPaperSize(layout.pageSize().size(QPageSize::Point));
    orientation_ = layout.orientation() == QPageLayout::Landscape ? Orientation::Landscape
                                                                  : Orientation::Portrait;
    margins_ = layout.margins(QPageLayout::Point);
    if (printer.outputFormat() == QPrinter::NativeFormat) printer_ = printer.printerName();
}

}  // namespace kit
