#pragma once

#include <memory>

class QPageSetupDialog;
class QPrinter;

namespace kit {

class PrintInfo;

// The page-layout panel: the user picks the paper, its orientation and the
// margins for a print information. Main thread only.
class PageLayout final {
public:
    explicit PageLayout(PrintInfo& info);
    ~PageLayout();

    // Shows the panel and waits; on OK the print information takes the user's
    // choices. Answers ModalSession::OK or ModalSession::Cancel.
    int runModal();
    QPageSetupDialog* dialog() const { return dialog_.get(); }

    // The panel for the shared print information.
    static int runModalWithSharedPrintInfo();

private:
    PrintInfo& info_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPageSetupDialog> dialog_;
};

}  // namespace kit
