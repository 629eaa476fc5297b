#include "yearview/InfoHoverView.h"

#include "platform/foundation/Localized.h"
#include "platform/kit/AttributedString.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/Perform.h"

#include <QImage>

namespace {

struct HoverImages {
    QImage marks = kit::Image::named(QStringLiteral("MiniMarker1"));
    QImage birthdays = kit::Image::named(QStringLiteral("MiniCandle1"));
    QImage holiday = kit::Image::named(QStringLiteral("MiniStar1"));
    QImage notes = kit::Image::named(QStringLiteral("Notes"));
};

// Loaded once, the first time a hover view draws.
const HoverImages& hoverImages() {
    static const HoverImages images;
    return images;
}

}  // namespace

InfoHoverView::InfoHoverView(const QRectF& frame) : kit::View(frame) {}

void InfoHoverView::setupDefaults() {
    flippedY = false;
    const QColor white = kit::Color::white(1.0, 1.0);
    textAttribsTitle =
        kit::TextAttributes(kit::Font::boldSystemFont(kit::Font::smallSystemFontSize()), white);
    textAttribsStandard =
        kit::TextAttributes(kit::Font::systemFont(kit::Font::smallSystemFontSize()), white);
    textLayoutMgr = std::make_unique<kit::TextLayout>();
}

kit::TextAttributes InfoHoverView::titleAttributes() const {
    return textAttribsTitle.value_or(kit::TextAttributes());
}

void InfoHoverView::setCell(const YearViewCellPtr& cell) {
    theCell = cell;
    if (cell) {
        dayHasNotes = cell->hasNotes2();
        dayHasMarks = cell->hasMarks2();
        dayHasBirthdays = cell->dayHasBirthdays3();
        dayHasHoliday = cell->dayHasHolidayEntry2();
        birthdaysText = cell->birthdaysText();
        holidaysText = cell->holidayText();
        notesText = cell->notesText();
        marksText = cell->marksText();
    } else {
        dayHasNotes = dayHasMarks = dayHasBirthdays = dayHasHoliday = false;
        birthdaysText.clear();
        holidaysText.clear();
        notesText.clear();
        marksText.clear();
    }
    if (!textAttribsTitle) setupDefaults();
    determineViewHeight();
}

void InfoHoverView::determineViewHeight() {
    if (!textAttribsTitle) setupDefaults();
    QRectF f = frame();
    f.setHeight(1000);
    setFrame(f);

    QRectF box = bounds();
    box.setWidth(kTextWidth);
    box.setHeight(kMeasureHeight);

    double h = kBaseHeight;
    if (dayHasHoliday) h += kHeadlineHeight + 4;
    auto section = [&](bool shown, const QString& text, double& measured) {
        if (!shown) return;
        measured = requiredRectForTextWithAttributesInRect(text, textAttribsStandard, box).height();
        h += kHeadlineHeight + measured + 6;
    };
    section(dayHasBirthdays, birthdaysText, bHeight);
    section(dayHasNotes, notesText, nHeight);
    section(dayHasMarks, marksText, mHeight);

    if (h < kMinimumHeight) h = kMinimumHeight;
    f.setHeight(h);
    setFrame(f);
    scrollPoint(QPointF(0, h - kMinimumHeight));
}

bool InfoHoverView::scrollPoint(const QPointF& point) {
    for (kit::View* ancestor = superview(); ancestor; ancestor = ancestor->superview()) {
        if (kit::respondsTo(ancestor, "scrollToPoint"))
            return kit::perform(ancestor, "scrollToPoint", convertPointToView(point, ancestor));
    }
    return false;
}

void InfoHoverView::drawRect(kit::Graphics& graphics, const QRectF&) {
    if (!textAttribsTitle) setupDefaults();
    const HoverImages& images = hoverImages();
    const QRectF b = bounds();
    const double x0 = b.x();
    double y = b.height() - kHeadlineHeight;

    graphics.saveGraphicsState();
    graphics.setColor(kit::Color::lightGray());
    graphics.setDefaultLineWidth(1.0);

    if (dayHasHoliday) {
        graphics.drawImage(images.holiday, QRectF(x0 + 3, y, kIconWidth, kIconHeight), QRectF(),
                           kit::CompositingOperation::SourceOver, 1.0, true);
        drawBoxedTextWithAttributesInRect(graphics, holidaysText, *textAttribsTitle,
                                          QRectF(x0 + 12, y - 1, 206, kHeadlineHeight));
        y -= kHeadlineHeight + 4;
    }
    if (dayHasBirthdays)
        drawSection(graphics, images.birthdays,
                    foundation::localized(QStringLiteral("birthdaysHeadline"), QString()),
                    birthdaysText, bHeight, x0, y);
    if (dayHasNotes)
        drawSection(graphics, images.notes,
                    foundation::localized(QStringLiteral("notesHeadline"), QString()), notesText,
                    nHeight, x0, y);
    if (dayHasMarks)
        drawSection(graphics, images.marks,
                    foundation::localized(QStringLiteral("marksHeadline"), QString()), marksText,
                    mHeight, x0, y);
    graphics.restoreGraphicsState();
}

void InfoHoverView::drawSection(kit::Graphics& graphics, const QImage& icon,
                                const QString& headline, const QString& text, double textHeight,
                                double x0, double& y) {
    graphics.drawImage(icon, QRectF(x0 + 3, y, kIconWidth, kIconHeight), QRectF(),
                       kit::CompositingOperation::SourceOver, 1.0, true);
    drawBoxedTextWithAttributesInRect(graphics, headline, *textAttribsTitle,
                                      QRectF(x0 + 12, y - 1, 206, kHeadlineHeight));
    const double headlineWidth = textAttribsTitle->sizeOfString(headline).width();
    graphics.strokeLine(QPointF(x0 + 20 + headlineWidth, y + 5.5),
                        QPointF(x0 + kContentWidth, y + 5.5));
    drawBoxedTextWithAttributesInRect(graphics, text, textAttribsStandard,
                                      QRectF(x0 + 20, y - textHeight - 1, kTextWidth, textHeight));
    y -= kHeadlineHeight + textHeight + 6;
}

void InfoHoverView::drawBoxedTextWithAttributesInRect(kit::Graphics& graphics, const QString& text,
                                                      const kit::TextAttributes& attributes,
                                                      const QRectF& rect) {
    if (!textLayoutMgr) setupDefaults();
    // The view answers flipped while the glyphs are drawn, which keeps them upright.
    if (!textLayoutMgr->drawBoxed(graphics, kit::AttributedString(text, attributes), rect,
                                  [this](bool drawing) { flippedY = drawing; }))
        setNeedsDisplay(true);
}

QRectF InfoHoverView::requiredRectForTextWithAttributesInRect(const QString& text,
                                                              const kit::TextAttributes& attributes,
                                                              const QRectF& rect) {
    if (!textLayoutMgr) setupDefaults();
    return textLayoutMgr->requiredRect(kit::AttributedString(text, attributes), rect.size());
}
