#include "sources/CalHoverView.h"

#include "data/CalendarSources.h"
#include "data/MyEventStore.h"
#include "data/MyStoreGroup.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/kit/AttributedString.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/TextLayout.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "yearview/YearView.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMarkerTypes = 9;

struct HoverClassValues {
    std::array<QString, 12> shortMonthNames;
    std::array<QImage, kMarkerTypes> markerPreviews;
};

HoverClassValues& classValues() {
    static HoverClassValues values;
    return values;
}

std::function<YearView*()>& yearViewSource() {
    static std::function<YearView*()> source;
    return source;
}

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

// Each word with its first letter in upper case and the rest in lower case.
QString capitalized(const QString& s) {
    QString result = s.toLower();
    bool wordStart = true;
    for (QChar& c : result) {
        if (c.isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            c = c.toUpper();
            wordStart = false;
        }
    }
    return result;
}

QString calendarTypeText(int type) {
    switch (type) {
        case Calendar::kTypeNormal:
            return text("cshpCalendarTypeNormals");
        case Calendar::kTypeHoliday:
            return text("cshpCalendarTypeHolidays");
        case Calendar::kTypeBirthday:
            return text("cshpCalendarTypeBirthdays");
        case Calendar::kTypeMarker:
            return text("cshpCalendarTypeMarkers");
        default:
            return QStringLiteral("unknown");
    }
}

}  // namespace

CalHoverView::CalHoverView(const QRectF& frame) : kit::View(frame) {}

CalHoverView::~CalHoverView() = default;

void CalHoverView::initialize() {
    static const bool done = [] {
        HoverClassValues& values = classValues();
        for (int m = 1; m <= 12; ++m)
            values.shortMonthNames[size_t(m - 1)] =
                foundation::localized(QStringLiteral("shortMonthText%1").arg(m), QString());
        for (int t = 1; t <= kMarkerTypes; ++t)
            values.markerPreviews[size_t(t - 1)] =
                kit::Image::named(QStringLiteral("MarkerPreview%1").arg(t, 2, 10, QChar('0')));
        return true;
    }();
    (void)done;
}

QString CalHoverView::shortMonthName(int month) {
    initialize();
    return month >= 1 && month <= 12 ? classValues().shortMonthNames[size_t(month - 1)] : QString();
}

void CalHoverView::setYearViewSource(std::function<YearView*()> source) {
    yearViewSource() = std::move(source);
}

YearView* CalHoverView::currentYearView() const {
    if (const auto& source = yearViewSource()) return source();
    MainWindowCtrl* window = MainWindowCtrl::existingWinController();
    return window ? qobject_cast<YearView*>(window->currentYearView()) : nullptr;
}

void CalHoverView::setupDefaults() {
    flippedY = false;
    kit::ParagraphStyle paragraph;
    paragraph.lineSpacing = -1;
    paragraph.hyphenationFactor = 0.75;
    const kit::Font small = kit::Font::systemFont(kit::Font::smallSystemFontSize());
    textAttribsBig = kit::TextAttributes(kit::Font::boldSystemFont(kit::Font::systemFontSize()),
                                         kit::Color::white(1.0, 1.0), paragraph);
    textAttribsYellow = kit::TextAttributes(small, kit::Color::rgb(1, 1, 0.8, 1), paragraph);
    textAttribsStandard = kit::TextAttributes(small, kit::Color::white(1.0, 1.0), paragraph);
    textLayoutMgr = std::make_unique<kit::TextLayout>();
}

void CalHoverView::takeCommonTexts(const QColor& color, const QString& title, const QString& notes,
                                   const QString& uid) {
    if (!textLayoutMgr) setupDefaults();
    initialize();
    displayColor = color;
    // Missing texts are drawn as empty ones.
    displayTitle = title;
    displayDescr = notes;
    displayUID = uid;
}

int CalHoverView::total() const {
    int sum = 0;
    for (int count : displayStats) sum += count;
    return sum;
}

void CalHoverView::takeCounts(const std::function<int(YearView*, int)>& count) {
    YearView* page = currentYearView();
    currentYear = page ? page->year() : 0;
    for (int m = 1; m <= 12; ++m) displayStats[size_t(m - 1)] = page ? count(page, m) : 0;
}

void CalHoverView::setCalendar(const CalendarPtr& calendar) {
    theCalendar = calendar;
    theMarker.reset();
    if (!calendar) return;
    takeCommonTexts(calendar->color(), calendar->title(), calendar->notes(), calendar->uid());
    const MyStoreGroupPtr group = MyEventStore::groupOfCalendar(calendar->calendar());
    displayGroup = group ? group->title() : QString();
    displayStore = capitalized(calendar->sourceStore());
    displayType = calendarTypeText(calendar->calendarType());
    if (displayGroup.isEmpty()) displayGroup = text("cshpGroupNone");
    displayTypeImg = QImage();
    const Calendar* shown = calendar.get();
    takeCounts([shown](YearView* page, int month) {
        return page->numberOfEventsInMonthForCalendar(month, shown);
    });
    setNeedsDisplay(true);
}

void CalHoverView::setMarker(const EMarkerPtr& marker) {
    theCalendar.reset();
    theMarker = marker;
    if (!marker) return;
    takeCommonTexts(marker->color(), marker->title(), marker->notes(), marker->uID());
    displayGroup.clear();
    displayStore = text("cshpMarkerStoreNone");
    const QString storeUID = marker->calendarUID();
    if (!storeUID.isEmpty()) {
        AppDelegate* app = AppDelegate::obj();
        if (app && app->calendarSources)
            if (const CalendarPtr store = app->calendarSources->calendarWithUID(storeUID))
                displayStore = store->title();
    }
    const int type = marker->markerType();
    displayType = text(QStringLiteral("cshpMarkerDspType%1").arg(type).toLatin1().constData());
    displayTypeImg = type >= 1 && type <= kMarkerTypes
                         ? classValues().markerPreviews[size_t(type - 1)]
                         : QImage();
    const EMarker* shown = marker.get();
    takeCounts([shown](YearView* page, int month) {
        return page->numberOfMarksInMonthForMarker(month, shown);
    });
    setNeedsDisplay(true);
}

// --- Drawing ------------------------------------------------------------------------

void CalHoverView::drawBoxedTextWithAttributesInRect(kit::Graphics& graphics, const QString& s,
                                                     const kit::TextAttributes& attributes,
                                                     const QRectF& rect) {
    if (!textLayoutMgr) setupDefaults();
    // The view answers flipped while the glyphs are drawn, which keeps them upright.
    if (!textLayoutMgr->drawBoxed(graphics, kit::AttributedString(s, attributes), rect,
                                  [this](bool drawing) { flippedY = drawing; }))
        setNeedsDisplay(true);
}

QRectF CalHoverView::requiredRectForTextWithAttributesInRect(const QString& s,
                                                             const kit::TextAttributes& attributes,
                                                             const QRectF& rect) {
    if (!textLayoutMgr) setupDefaults();
    // Only the width of the one-line texts measured here is used; the container
    // has no height limit, so that even a one-character text has its line.
    return textLayoutMgr->requiredRect(kit::AttributedString(s, attributes),
                                       QSizeF(rect.width(), kit::TextLayout::kUnlimited));
}

double CalHoverView::measuredWidth(const QString& s, const kit::TextAttributes& attributes,
                                   const QRectF& rect) {
    return requiredRectForTextWithAttributesInRect(s, attributes, rect).width();
}

void CalHoverView::drawImagePart(kit::Graphics& graphics, const QImage& image, double x,
                                 double bottom, const QSizeF& size) {
    if (image.isNull()) return;
    const QSizeF own = kit::Image::sizeInPoints(image);
    const QSizeF part(std::min(own.width(), size.width()), std::min(own.height(), size.height()));
    graphics.drawImage(image, QRectF(QPointF(x, bottom), part), QRectF(QPointF(0, 0), part),
                       kit::CompositingOperation::SourceOver, 1.0);
}

QRectF CalHoverView::lineBox(double x, double bottom, double width,
                             const kit::TextAttributes& attributes) {
    // The rows are 14 points apart; a font whose line is taller gets the room
    // below, so that its one line is laid out and starts at the row's top.
    const double h = std::max(kLineHeight, std::ceil(attributes.font.lineHeight()));
    return QRectF(x, bottom + kLineHeight - h, width, h);
}

void CalHoverView::drawRule(kit::Graphics& graphics, double y, double below) {
    const QRectF b = bounds();
    graphics.strokeLine(QPointF(b.x(), y - below), QPointF(b.x() + b.width(), y - below));
}

void CalHoverView::drawLabelAndValue(kit::Graphics& graphics, const QString& label,
                                     const QString& value, double y) {
    const double x = bounds().x(), w = bounds().width();
    drawBoxedTextWithAttributesInRect(graphics, label, textAttribsStandard,
                                      lineBox(x, y - 16, w, textAttribsStandard));
    drawBoxedTextWithAttributesInRect(graphics, value, textAttribsStandard,
                                      lineBox(x + 120, y - 16, w - 120, textAttribsStandard));
}

void CalHoverView::drawMonthTable(kit::Graphics& graphics, double y) {
    const double w = bounds().width();
    const double tx = w - (kTableWidth + 1);
    graphics.strokeLine(QPointF(tx, y - 21.5), QPointF(tx + kTableWidth, y - 21.5));
    graphics.strokeLine(QPointF(tx, y - 81.5), QPointF(tx + kTableWidth, y - 81.5));
    const auto tick = [&](double cx, double band) {
        graphics.strokeLine(QPointF(cx + 0.5, band - 20.5), QPointF(cx + 0.5, band - 22.5));
    };
    for (int c = 0; c < 6; ++c) {
        const double cx = tx + kColumnWidth * c;
        for (int half = 0; half < 2; ++half) {
            const int month = c + 1 + 6 * half;
            const double band = y - 60 * half;
            tick(cx, band);
            const QString name = classValues().shortMonthNames[size_t(month - 1)];
            const double nw =
                measuredWidth(name, textAttribsStandard, QRectF(cx, band - 16, kColumnWidth, 14));
            drawBoxedTextWithAttributesInRect(
                graphics, name, textAttribsStandard,
                lineBox(cx + 20 - nw / 2, band - 16, kColumnWidth, textAttribsStandard));
            const int count = displayStats[size_t(month - 1)];
            const QString number = QString::number(count);
            const double cw =
                measuredWidth(number, textAttribsYellow, QRectF(cx, band - 40, kColumnWidth, 14));
            drawBoxedTextWithAttributesInRect(
                graphics, number, textAttribsYellow,
                lineBox(cx + 38 - cw, band - 40, kColumnWidth, textAttribsYellow));
        }
    }
    tick(tx + kTableWidth, y);
    tick(tx + kTableWidth, y - 60);
}

void CalHoverView::drawRect(kit::Graphics& graphics, const QRectF&) {
    graphics.setColor(kit::Color::lightGray());
    graphics.setDefaultLineWidth(1.0);
    if (!theCalendar && !theMarker) return;
    if (!textLayoutMgr) setupDefaults();
    initialize();
    const bool isMarker = !theCalendar;
    const QRectF b = bounds();
    const double x = b.x(), w = b.width();
    double y = b.height() - 2;

    // Title and colour disc.
    const QString heading = foundation::formatLocalizedWith(
        QStringLiteral("%@ %@"), text(isMarker ? "cshpMarker" : "cshpCalendar"), displayTitle);
    drawBoxedTextWithAttributesInRect(graphics, heading, textAttribsBig,
                                      lineBox(x, y - 16, isMarker ? w : w - 20, textAttribsBig));
    if (!isMarker) {
        graphics.setColor(kit::Color::white(1.0));
        graphics.fillOval(QRectF(x + w - 16, y - 18, 16, 16));
        graphics.setColor(displayColor);
        graphics.fillOval(QRectF(x + w - 15, y - 17, 14, 14));
        graphics.setColor(kit::Color::lightGray());
    }
    y -= 20;

    if (!displayDescr.isEmpty()) {
        drawRule(graphics, y);
        y -= 14;
        drawBoxedTextWithAttributesInRect(graphics, displayDescr, textAttribsStandard,
                                          QRectF(x, y - 44, w, 42));
        y -= 48;
    }
    drawRule(graphics, y);
    y -= 14;

    // Type, with the calendar's badge beside it or the marker's preview at the right.
    drawLabelAndValue(graphics, text(isMarker ? "cshpMarkerDspType" : "cshpCalendarType"),
                      displayType, y);
    if (isMarker) {
        drawImagePart(graphics, displayTypeImg, x + w - 80, y - 18, QSizeF(79, 17));
    } else {
        const double tw = measuredWidth(displayType, textAttribsStandard,
                                        QRectF(x + 120, y - 16, w - 120, kLineHeight));
        drawImagePart(graphics, theCalendar->calendarTypeImage(), x + 120 + tw + 6, y - 18,
                      QSizeF(26, 18));
    }
    y -= 16;
    drawLabelAndValue(graphics, text(isMarker ? "cshpMarkerStore" : "cshpCalendarStore"),
                      displayStore, y);
    y -= 16;
    if (!isMarker) {
        drawLabelAndValue(graphics, text("cshpCalendarGroup"), displayGroup, y);
        y -= 20;
    }
    drawRule(graphics, y);
    y -= 14;

    // The months of the year on screen.
    drawBoxedTextWithAttributesInRect(
        graphics, foundation::formatLocalizedWith(text("cshpStatistics"), currentYear),
        textAttribsStandard, lineBox(x, y - 16, w, textAttribsStandard));
    y -= 20;
    drawMonthTable(graphics, y);
    y -= 130;

    const QString sum = QString::number(total());
    const double sw = measuredWidth(sum, textAttribsYellow, QRectF(x, y - 16, w, kLineHeight));
    const double sx = x + w - 8 - sw;
    drawBoxedTextWithAttributesInRect(graphics, sum, textAttribsYellow,
                                      lineBox(sx, y - 16, w, textAttribsYellow));
    const QString label = foundation::formatLocalizedWith(
        text(isMarker ? "cshpTotalMarks" : "cshpTotal"), currentYear);
    const double lw = measuredWidth(label, textAttribsStandard, QRectF(x, y - 16, w, kLineHeight));
    drawBoxedTextWithAttributesInRect(graphics, label, textAttribsStandard,
                                      lineBox(sx - 8 - lw, y - 16, w, textAttribsStandard));
    y -= 34;

    drawRule(graphics, y, 10.5);
    y -= 14;
    drawBoxedTextWithAttributesInRect(graphics, displayUID, textAttribsStandard,
                                      QRectF(x, y - 30, w, 28));
}
