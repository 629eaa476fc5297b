#include "platform/kit/PageLayout.h"

#include "platform/kit/ModalSession.h"
#include "platform/kit/PrintInfo.h"

#include <QPageSetupDialog>
#include <QPrinter>

namespace kit {

PageLayout::PageLayout(PrintInfo& info) : info_(info) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    info_.applyToPrinter(*printer_);
    dialog_ = std::make_unique<QPageSetupDialog>(printer_.get());
}

PageLayout::~PageLayout() = default;

int PageLayout::runModal() {
    if (dialog_->exec() != QDialog::Accepted) return ModalSession::Cancel;
    info_.takeFromPrinter(*printer_);
    return ModalSession::OK;
}

int PageLayout::runModalWithSharedPrintInfo() {
    PageLayout panel(PrintInfo::shared());
    return panel.runModal();
}

}  // namespace kit
