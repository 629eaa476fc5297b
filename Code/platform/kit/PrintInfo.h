#pragma once

#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPrinter;

namespace kit {

// How a print job lays out its pages: the paper (in points), its orientation,
// the margins, how a view too large or too small for a page is paginated in
// each direction, whether the image is centred, and where the job goes: to a
// printer (the default one unless named) or into a PDF file. The application
// keeps one shared print information that the page-layout panel changes.
// A value type; main thread only for the shared one.
class PrintInfo final {
public:
    enum class Orientation { Portrait, Landscape };
    enum class Pagination { Auto, Fit, Clip };
    enum class Disposition { Spool, Save };

    PrintInfo();
    static PrintInfo& shared();
    static void setShared(const PrintInfo& info);

    // The paper as it lies: wider than high in landscape.
    QSizeF paperSize() const;
    // Sets the paper (either way round); the orientation stays.
    void setPaperSize(const QSizeF& size);
    Orientation orientation() const { return orientation_; }
    void setOrientation(Orientation o) { orientation_ = o; }
    QMarginsF margins() const { return margins_; }  // left, top, right, bottom
    void setMargins(const QMarginsF& m) { margins_ = m; }
    // The part of the paper printed on, with the origin at its top left.
    QRectF imageableRect() const;

    Pagination horizontalPagination() const { return hPagination_; }
    void setHorizontalPagination(Pagination p) { hPagination_ = p; }
    Pagination verticalPagination() const { return vPagination_; }
    void setVerticalPagination(Pagination p) { vPagination_ = p; }
    bool isHorizontallyCentered() const { return hCentered_; }
    void setHorizontallyCentered(bool c) { hCentered_ = c; }
    bool isVerticallyCentered() const { return vCentered_; }
    void setVerticallyCentered(bool c) { vCentered_ = c; }

    Disposition jobDisposition() const { return disposition_; }
    void setJobDisposition(Disposition d) { disposition_ = d; }
    // The PDF file a job with the Save disposition writes.
    QString savePath() const { return savePath_; }
    void setSavePath(const QString& path) { savePath_ = path; }
    QString printerName() const { return printer_; }
    void setPrinterName(const QString& name) { printer_ = name; }

    // Puts the paper, orientation and margins on `printer`, and reads them back.
    void applyToPrinter(QPrinter& printer) const;
    void takeFromPrinter(const QPrinter& printer);

private:
    QSizeF portraitSize_;
    Orientation orientation_ = Orientation::Portrait;
    QMarginsF margins_{36, 36, 36, 36};
    Pagination hPagination_ = Pagination::Auto;
    Pagination vPagination_ = Pagination::Auto;
    bool hCentered_ = true;
    bool vCentered_ = true;
    Disposition disposition_ = Disposition::Spool;
    QString savePath_;
    QString printer_;
};

}  // namespace kit
