// Printing views into PDF files: the text stays text (read back with pdftotext),
// nothing is printed as a picture, pagination, centring, own page ranges, and
// failures that leave nothing half-written.

#include "platform/foundation/Log.h"
#include "platform/kit/Font.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/PageLayout.h"
#include "platform/kit/PrintInfo.h"
#include "platform/kit/PrintOperation.h"
#include "platform/kit/Printable.h"
#include "platform/kit/TextAttributes.h"
#include "platform/kit/View.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace kit;

namespace {

// A view that frames its bounds and writes one word at (10, 40).
class WordView : public View {
public:
    WordView(const QRectF& frame, QString word, bool flipped = false)
        : View(frame), word_(std::move(word)), flipped_(flipped) {}
    bool isFlipped() const override { return flipped_; }
    void drawRect(Graphics& g, const QRectF&) override {
        g.setStrokeColor(QColor(0, 0, 160));
        g.strokeRect(bounds());
        g.setFillColor(QColor(230, 240, 255));
        g.fillRect(QRectF(2, 2, 40, 20));
        g.drawString(word_, QPointF(10, 40), TextAttributes(Font::systemFont(12), Qt::black));
    }

private:
    QString word_;
    bool flipped_;
};

// A view that knows it prints on one page showing its frame.
class OnePageView : public WordView, public Printable {
public:
    using WordView::WordView;
    bool knowsPageRange(int& first, int& count) override {
        first = 1;
        count = 1;
        return true;
    }
    QRectF rectForPage(int) override { return bounds(); }
};

// Runs a poppler tool; a missing tool fails the test (CI installs them).
QString runTool(const QString& tool, const QStringList& args) {
    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty()) {
        ADD_FAILURE() << tool.toStdString() << " is missing (poppler-utils, tools/setup.sh)";
        return QString();
    }
    QProcess p;
    p.start(path, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString()
                      << " failed: " << p.readAllStandardError().toStdString();
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pageCount(const QString& pdf) {
    const QString info = runTool("pdfinfo", {pdf});
    const auto m = QRegularExpression(R"(Pages:\s+(\d+))").match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

PrintInfo pdfInfo(const QString& path) {
    PrintInfo info;
    info.setPaperSize(QSizeF(595, 842));  // A4, whatever the locale
    info.setMargins(QMarginsF(36, 36, 36, 36));
    info.setJobDisposition(PrintInfo::Disposition::Save);
    info.setSavePath(path);
    return info;
}

// The box of the first word of a page from `pdftotext -bbox`: xMin, yMin, xMax,
// yMax in points from the page's top left.
QRectF wordBox(const QString& pdf, const QString& word) {
    const QString html = runTool("pdftotext", {"-bbox", pdf, "-"});
    const QRegularExpression re(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">)re" +
        QRegularExpression::escape(word) + "</word>");
    const auto m = re.match(html);
    if (!m.hasMatch()) return QRectF();
    const double x0 = m.captured(1).toDouble(), y0 = m.captured(2).toDouble();
    return QRectF(x0, y0, m.captured(3).toDouble() - x0, m.captured(4).toDouble() - y0);
}

}  // namespace

TEST(Print, AViewPrintedToPdfKeepsItsTextAsTextAndDrawsNoPicture) {
    testsupport::TempDir dir;
    const QString pdf = dir.file("week.pdf");
    WordView view(QRectF(0, 0, 2400, 1700), "Weekprint");
    PrintInfo info = pdfInfo(pdf);
    info.setOrientation(PrintInfo::Orientation::Landscape);
    info.setHorizontalPagination(PrintInfo::Pagination::Fit);
    info.setVerticalPagination(PrintInfo::Pagination::Fit);
    PrintOperation op(&view, info);
    ASSERT_EQ(op.pages().size(), 1u);
    // Landscape: 770 by 523 points to print on; the height decides.
    EXPECT_NEAR(op.pages()[0].scale, (595.0 - 72) / 1700, 1e-9);
    ASSERT_TRUE(op.runOperation()) << op.errorText().toStdString();

    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();
    EXPECT_TRUE(data.startsWith("%PDF"));
    EXPECT_FALSE(data.contains("/Subtype /Image"));  // vectors, not a bitmap
    EXPECT_TRUE(runTool("pdftotext", {pdf, "-"}).contains("Weekprint"));
    EXPECT_EQ(pageCount(pdf), 1);
    const QString size = runTool("pdfinfo", {pdf});
    EXPECT_TRUE(size.contains(QRegularExpression(R"(Page size:\s+842(\.\d+)? x 595)")))
        << size.toStdString();
}

TEST(Print, CentringPutsTheViewInTheMiddleOfThePrintableArea) {
    struct Case {
        bool centred;
        bool flipped;
        double x;     // where the word's box starts on the page, from its left
        double edge;  // the baseline (unflipped) or the top of the text (flipped)
    };
    // The 200 by 100 view lies at 36 + (523 - 200) / 2 = 197.5 across and
    // 36 + (770 - 100) / 2 = 371 down when centred, at 36, 36 otherwise. The word
    // is written at (10, 40) of the view: its baseline 60 above the view's bottom,
    // or, in a flipped view, the top of its text 40 below the view's top.
    const Case cases[] = {
        {true, false, 207.5, 371 + 60},
        {false, false, 46, 36 + 60},
        {true, true, 207.5, 371 + 40},
    };
    for (const Case& c : cases) {
        testsupport::TempDir dir;
        const QString pdf = dir.file("centred.pdf");
        WordView view(QRectF(0, 0, 200, 100), "Centred", c.flipped);
        PrintInfo info = pdfInfo(pdf);
        info.setHorizontallyCentered(c.centred);
        info.setVerticallyCentered(c.centred);
        PrintOperation op(&view, info);
        ASSERT_TRUE(op.runOperation());
        const QRectF box = wordBox(pdf, "Centred");
        ASSERT_FALSE(box.isNull());
        EXPECT_NEAR(box.x(), c.x, 2.0) << c.centred << c.flipped;
        if (c.flipped)
            EXPECT_NEAR(box.y(), c.edge, 4.0);
        else
            EXPECT_NEAR(box.y() + box.height(), c.edge, 5.0);  // a little below the baseline
        EXPECT_GT(box.height(), 8.0);
        EXPECT_LT(box.height(), 20.0);
    }
}

TEST(Print, PagesComeFromTheViewOrFromCuttingItsBounds) {
    struct Case {
        const char* name;
        QSizeF size;
        PrintInfo::Pagination h, v;
        bool ownPages;
        size_t pages;
    };
    // The printable area is 523 by 770 points.
    const Case cases[] = {
        {"fits as it is",
         {500, 700},
         PrintInfo::Pagination::Auto,
         PrintInfo::Pagination::Auto,
         false,
         1},
        {"tall, cut into pages",
         {500, 2000},
         PrintInfo::Pagination::Auto,
         PrintInfo::Pagination::Auto,
         false,
         3},
        {"wide and tall",
         {1000, 800},
         PrintInfo::Pagination::Auto,
         PrintInfo::Pagination::Auto,
         false,
         4},
        {"fitted across, cut down",
         {1046, 3000},
         PrintInfo::Pagination::Fit,
         PrintInfo::Pagination::Auto,
         false,
         2},
        {"clipped",
         {1000, 2000},
         PrintInfo::Pagination::Clip,
         PrintInfo::Pagination::Clip,
         false,
         1},
        {"its own single page",
         {500, 2000},
         PrintInfo::Pagination::Auto,
         PrintInfo::Pagination::Auto,
         true,
         1},
    };
    for (const Case& c : cases) {
        testsupport::TempDir dir;
        const QString pdf = dir.file("pages.pdf");
        std::unique_ptr<WordView> view;
        if (c.ownPages)
            view = std::make_unique<OnePageView>(QRectF(QPointF(0, 0), c.size), "Pages");
        else
            view = std::make_unique<WordView>(QRectF(QPointF(0, 0), c.size), "Pages");
        PrintInfo info = pdfInfo(pdf);
        info.setHorizontalPagination(c.h);
        info.setVerticalPagination(c.v);
        PrintOperation op(view.get(), info);
        const auto pages = op.pages();
        EXPECT_EQ(pages.size(), c.pages) << c.name;
        // The pages cover the view from its top, without overlapping.
        if (!c.ownPages && c.h == PrintInfo::Pagination::Auto && pages.size() > 1) {
            double area = 0;
            for (const auto& p : pages) area += p.rect.width() * p.rect.height();
            EXPECT_NEAR(area, c.size.width() * c.size.height(), 1e-6) << c.name;
            EXPECT_DOUBLE_EQ(pages[0].rect.y() + pages[0].rect.height(), c.size.height());
        }
        ASSERT_TRUE(op.runOperation()) << c.name;
        EXPECT_EQ(pageCount(pdf), int(c.pages)) << c.name;
    }
}

TEST(Print, AFailedJobReportsWhyAndLeavesNoFile) {
    foundation::LogCapture log;
    testsupport::TempDir dir;
    WordView view(QRectF(0, 0, 100, 100), "Nothing");
    ASSERT_TRUE(dir.write("plain-file", "not a folder"));
    const QString pdf = dir.file("plain-file/out.pdf");
    PrintOperation op(&view, pdfInfo(pdf));
    EXPECT_FALSE(op.runOperation());
    EXPECT_FALSE(op.errorText().isEmpty());
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(log.contains("Printing failed"));

    // An existing file stays as it was when nothing can be printed.
    ASSERT_TRUE(dir.write("old.pdf", "old"));
    View empty(QRectF(0, 0, 0, 0));
    PrintOperation none(&empty, pdfInfo(dir.file("old.pdf")));
    EXPECT_FALSE(none.runOperation());
    EXPECT_EQ(dir.read("old.pdf"), QByteArray("old"));
}

TEST(Print, PrintInfoTurnsThePaperWithTheOrientationAndGoesToAPrinterAndBack) {
    PrintInfo info;
    info.setPaperSize(QSizeF(842, 595));  // given either way round
    EXPECT_EQ(info.paperSize(), QSizeF(595, 842));
    info.setOrientation(PrintInfo::Orientation::Landscape);
    EXPECT_EQ(info.paperSize(), QSizeF(842, 595));
    info.setMargins(QMarginsF(20, 30, 40, 50));
    EXPECT_EQ(info.imageableRect(), QRectF(20, 30, 842 - 60, 595 - 80));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    info.applyToPrinter(printer);
    PrintInfo back;
    back.takeFromPrinter(printer);
    EXPECT_EQ(back.orientation(), PrintInfo::Orientation::Landscape);
    EXPECT_NEAR(back.paperSize().width(), 842, 1);
    EXPECT_NEAR(back.paperSize().height(), 595, 1);
    EXPECT_NEAR(back.margins().left(), 20, 0.5);
    EXPECT_NEAR(back.margins().bottom(), 50, 0.5);

    // The page-layout panel is made over the same settings (it is not run here).
    PageLayout panel(info);
    ASSERT_NE(panel.dialog(), nullptr);
}
