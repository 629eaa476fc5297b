// The year page's layout, font fitting and drawing, on screen and offscreen.

#include "yearview/YearViewModel.h"

#include "data/MyDateOps.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "shell/AppDelegate.h"
#include "yearview/YearViewCell.h"

#include <cmath>

namespace {

// The class-wide cell settings (size, fonts, widths) are shared by every page:
// a page sets them and draws its cells in one go under this lock, so pages
// drawn at once on different threads never draw with each other's settings.
foundation::Lock& cellSettingsLock() {
    static foundation::Lock lock;
    return lock;
}

// Today as year * 10000 + month * 100 + day; 0 until first asked on the main thread.
std::atomic<int> YV_today{0};

int todayKey() {
    if (foundation::isMainThread() || YV_today.load() == 0) YearViewModel::refreshToday();
    return YV_today.load();
}

}  // namespace

int YearViewModel::todayValue() {
    return YV_today.load();
}

void YearViewModel::refreshToday() {
    MyDatePtr today;
    if (foundation::isMainThread() && AppDelegate::obj()) today = AppDelegate::obj()->today;
    if (!today) today = MyDate::date();
    YV_today = today->yearNum() * 10000 + today->monthNum() * 100 + today->dayNum();
}

// -- Font fitting

// The day name column is as wide as the widest short weekday name of the
// current language, and the font is fitted to that name with a two-digit day,
// so that no name runs into its day's number.
double YearViewModel::determineOptimalDayCellAttributesForCellWidth(const QSizeF& size) {
    foundation::Guard guard(lock_);
    const QStringList names = YearViewCell::weekDayNames();
    // The widest name in the day font as it stands.
    const auto widestName = [&](double* width) {
        QString widest;
        *width = 0.0;
        for (const QString& name : names) {
            const double w = dayCellAttribs_.sizeOfString(name).width();
            if (!name.isEmpty() && (widest.isEmpty() || w > *width)) {
                widest = name;
                *width = w;
            }
        }
        return widest;
    };
    double nameWidth = 0.0;
    const QString sample = widestName(&nameWidth);
    const double s = determineOptimalFontSizeForStringNotBiggerThanTryingFromTo(
        sample.isEmpty() ? QStringLiteral("30") : sample + QStringLiteral(" 30"), size, 6.0, 14.0);
    layout_.daySize = s;
    layout_.maxDayNumWidth =
        std::floor(dayCellAttribs_.sizeOfString(QStringLiteral("30")).width() + 1.0);
    // Without names there is no name column.
    const bool named = !widestName(&nameWidth).isEmpty();
    layout_.maxDayNameWidth =
        layout_.useAbbreviatedDayCellEntries || !named ? 0.0 : std::floor(nameWidth + 1.0);
    return s;
}

// Bisection between `low` and `high`: the middle size is kept when the text fits
// with room to spare (15 points of width, 2 of height). Once the range is under
// 2 points wide, the day names are dropped when the text takes more than half
// the width. The font left in the day attributes is the answer's.
double YearViewModel::determineOptimalFontSizeForStringNotBiggerThanTryingFromTo(
    const QString& text, const QSizeF& size, double low, double high) {
    foundation::Guard guard(lock_);
    const double m = std::floor((low + high) * 0.5);
    dayCellAttribs_.font = kit::Font::systemFont(m);
    const QSizeF t = dayCellAttribs_.sizeOfString(text);
    if (high - low < 2.0) {
        layout_.useAbbreviatedDayCellEntries = t.width() > size.width() / 2.0;
        return m;
    }
    if (t.width() <= size.width() - 15.0 && t.height() <= size.height() - 2.0)
        return determineOptimalFontSizeForStringNotBiggerThanTryingFromTo(text, size, m, high);
    return determineOptimalFontSizeForStringNotBiggerThanTryingFromTo(text, size, low, m);
}

double YearViewModel::determineOptimalMonthHeaderAttributesForCellWidthAndNormSize(
    const QSizeF& size, double daySize) {
    foundation::Guard guard(lock_);
    const QString text =
        foundation::localized(QStringLiteral("monthText9"), QStringLiteral("September"));
    const double m = determineOptimalBoldFontSizeForStringNotBiggerThanTryingFromToWithNormSize(
        text, size, 6.0, 24.0, daySize);
    layout_.monthSize = m;
    return m;
}

// The month titles never get smaller than the day font: when the middle size
// is below it, the short month names are taken at the day font's size.
double YearViewModel::determineOptimalBoldFontSizeForStringNotBiggerThanTryingFromToWithNormSize(
    const QString& text, const QSizeF& size, double low, double high, double normSize) {
    foundation::Guard guard(lock_);
    double m = std::floor(0.5 * (low + high));
    bool atNormSize = false;
    if (normSize > m) {
        layout_.useAbbreviatedMonthHeaders = true;
        m = normSize;
        atNormSize = true;
    }
    monthNameAttribs_.font = kit::Font::boldSystemFont(m);
    const QSizeF t = monthNameAttribs_.sizeOfString(text);
    layout_.monthHeaderHeight = t.height() * 1.1;
    if (atNormSize) return m;
    const bool tooWide = t.width() > size.width() - 5.0;
    if (high - low < 2.0) {
        layout_.useAbbreviatedMonthHeaders = tooWide;
        return m;
    }
    if (!tooWide && !(t.height() > size.height()))
        return determineOptimalBoldFontSizeForStringNotBiggerThanTryingFromToWithNormSize(
            text, size, m, high, normSize);
    return determineOptimalBoldFontSizeForStringNotBiggerThanTryingFromToWithNormSize(
        text, size, low, m, normSize);
}

// -- Drawing

void YearViewModel::drawYearNumberInRect(kit::Graphics& g, int year, const QRectF& rect) {
    g.drawString(QString::number(year), rect.topLeft(), yearTitleAttribs_);
}

void YearViewModel::drawMonthTitleInRect(kit::Graphics& g, int month, const QRectF& rect) {
    const QString key = layout_.useAbbreviatedMonthHeaders ? QStringLiteral("shortMonthText%1")
                                                           : QStringLiteral("monthText%1");
    const QString title = foundation::localized(key.arg(month), QString());
    const QSizeF size = monthNameAttribs_.sizeOfString(title);
    g.saveGraphicsState();
    g.drawString(title,
                 QPointF(rect.x() + (rect.width() - size.width()) * 0.5,
                         rect.y() + (rect.height() - size.height()) * 0.5),
                 monthNameAttribs_);
    g.restoreGraphicsState();
}

bool YearViewModel::drawPage(kit::Graphics& g, const QRectF& boundsIn, const QRectF& dirty,
                             Pass pass, bool liveDrawing, kit::View* controlView) {
    foundation::Guard guard(lock_);
    foundation::Guard settingsGuard(cellSettingsLock());
    QRectF bounds = boundsIn;
    g.setFillColor(kit::Color::whiteColor());
    g.fillRect(bounds);
    if (dirty.height() < 1.0) return false;
    if (inInitialDrawing) bounds = dirty;
    const double W = bounds.width();
    const double H = bounds.height();

    const bool cached = pass == Pass::Screen && liveDrawing && !cachedView_.isNull();
    if (cached) {
        g.setFillColor(kit::Color::whiteColor());
        g.fillRect(bounds);
        if (H > kMinCachedHeight) {
            const QSizeF image = kit::Image::sizeInPoints(cachedView_);
            g.drawImage(cachedView_,
                        QRectF(bounds.x() + kSideMargin, bounds.y() + kTopBottomMargin,
                               W - kSideMargin, H - 2 * kTopBottomMargin),
                        QRectF(kSideMargin, kTopBottomMargin, image.width() - kSideMargin,
                               image.height() - 2 * kTopBottomMargin),
                        kit::CompositingOperation::SourceOver, H < kMinFullHeight ? 0.5 : 1.0);
        }
    }

    // Columns and rows from the page's own size, fonts fitted to them.
    const double w = std::floor((W - 2 * kSideMargin) / 12.0);
    const double n = std::floor((H - 2 * kTopBottomMargin) / kNormRows);
    const double s = determineOptimalDayCellAttributesForCellWidth(QSizeF(w, n));
    determineOptimalMonthHeaderAttributesForCellWidthAndNormSize(QSizeF(w, 2 * n), s);
    YearViewCell::setTextAttributes(dayCellAttribs_);
    YearViewCell::setTextSize(s);
    YearViewCell::setMaxWidthForDayNameAndDayNumber(layout_.maxDayNameWidth,
                                                    layout_.maxDayNumWidth);
    const double h =
        std::floor((H - 2 * kTopBottomMargin - layout_.monthHeaderHeight - kMonthTitleGap) / 31.0);
    YearViewCell::setWidthAndHeight(w, h);
    layout_.cellWidth = w;
    layout_.cellHeight = h;
    layout_.dayCellStartX = kSideMargin;
    layout_.dayCellStartY =
        std::floor(H - kTopBottomMargin - layout_.monthHeaderHeight - kMonthTitleGap);

    drawYearNumberInRect(
        g, theYear, QRectF(kSideMargin, std::floor(H) - kTopBottomMargin, W, kTopBottomMargin));
    if (cached) return false;
    drawCells(g, dirty, controlView);
    return true;
}

// Whole columns left or right of the dirty rectangle and rows below it are not
// visited, so redrawing one cell draws that cell and its month title only.
void YearViewModel::drawCells(kit::Graphics& g, const QRectF& D, kit::View* controlView) {
    if (kit::maxX(D) < kSideMargin) return;
    const double w = layout_.cellWidth;
    const double h = layout_.cellHeight;
    const double startY = layout_.dayCellStartY;
    const int key = todayKey();
    const SimpleDate today{(key / 100) % 100, key % 100, key / 10000};
    SimpleDate date{1, 1, theYear};
    double x = kSideMargin;
    for (int month = 1; month <= 12; ++month) {
        if (x + w < D.x()) {
            date = firstInNextMonth(date);
            x += w;
            continue;
        }
        drawMonthTitleInRect(g, month,
                             QRectF(x, startY, w, layout_.monthHeaderHeight + kMonthTitleGap));
        if (startY < D.y()) {
            date = firstInNextMonth(date);
        } else {
            double y = startY;
            for (int row = 1; row <= 31; ++row) {
                y -= h;
                if (y <= kit::maxY(D)) {
                    const YearViewCellPtr& cell = yvcell[size_t((month - 1) * 31 + (row - 1))];
                    cell->setToday(isSameDate(date, today) != 0);
                    cell->drawWithFrame(g, QRectF(x, y, w, h), controlView);
                }
                date = nextDay(date);
                if (y < D.y() && date.day != 1) date = firstInNextMonth(date);
                if (date.month != month) break;
            }
        }
        x += w;
        if (kit::maxX(D) < x) break;
    }
}

QImage YearViewModel::renderImage(const QSizeF& size, Pass pass, kit::View* controlView) {
    QImage image = kit::Image::withSize(size, renderScale_);
    kit::Graphics g(image, false);
    const QRectF rect(QPointF(0, 0), size);
    drawPage(g, rect, rect, pass, false, controlView);
    return image;
}

void YearViewModel::drawOffscreen() {
    foundation::Guard guard(lock_);
    QSizeF size = boundsSize_;
    if (size.width() < 1.0 || size.height() < 1.0) size = QSizeF(kOffscreenWidth, kOffscreenHeight);
    inInitialDrawing = true;
    QImage image = renderImage(size, Pass::Offscreen, nullptr);
    cachedView_ = image;
    inInitialDrawing = false;
    initialRedrawDone_ = true;
}

void YearViewModel::snapshotIntoCache(kit::View* controlView) {
    foundation::Guard guard(lock_);
    if (boundsSize_.width() < 1.0 || boundsSize_.height() < 1.0) return;
    cachedView_ = renderImage(boundsSize_, Pass::Snapshot, controlView);
}
