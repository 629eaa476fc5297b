#pragma once

#include "platform/kit/TextAttributes.h"
#include "platform/kit/TextLayout.h"
#include "platform/kit/View.h"
#include "yearview/YearViewCell.h"

#include <QRectF>
#include <QString>

#include <memory>
#include <optional>

// The content of the hover box that opens over a day of the year view: the
// day's holiday, birthdays, notes and marks, each under a small icon and a
// headline, white on the dark hover panel. It sizes itself to its text and
// scrolls its top into sight inside the scroll view that hosts it.
//
// Main thread only: one text layout is reused for every measuring and drawing.
class InfoHoverView final : public kit::View {
    Q_OBJECT

public:
    // Layout, in points.
    static constexpr double kContentWidth = 220;
    static constexpr double kHeadlineHeight = 14;
    static constexpr double kIconWidth = 13;
    static constexpr double kIconHeight = 12;
    static constexpr double kTextWidth = 198;
    static constexpr double kMeasureHeight = 800;
    static constexpr double kBaseHeight = 3;
    static constexpr double kMinimumHeight = 85;

    explicit InfoHoverView(const QRectF& frame = QRectF());

    // Builds the text attributes and the layout objects.
    void setupDefaults();
    // Takes the day's cached facts and texts and sizes the view to them.
    void setCell(const YearViewCellPtr& cell);
    YearViewCellPtr cell() const { return theCell; }
    void determineViewHeight();

    void setFlippedY(bool flipped) { flippedY = flipped; }
    bool isFlipped() const override { return flippedY; }

    void drawRect(kit::Graphics& graphics, const QRectF& dirtyRect) override;
    // Draws the text laid out inside the rectangle, its first line at the top edge.
    void drawBoxedTextWithAttributesInRect(kit::Graphics& graphics, const QString& text,
                                           const kit::TextAttributes& attributes,
                                           const QRectF& rect);
    // The rectangle the laid-out text takes in a box of the rectangle's size.
    QRectF requiredRectForTextWithAttributesInRect(const QString& text,
                                                   const kit::TextAttributes& attributes,
                                                   const QRectF& rect);

    // Scrolls the nearest enclosing view that can scroll (one that performs
    // "scrollToPoint" with a point in its own coordinates) so that `point` of
    // this view lies at its origin. Answers whether one did.
    bool scrollPoint(const QPointF& point);

    // What the view shows, for its host and tests.
    bool showsHoliday() const { return dayHasHoliday; }
    bool showsBirthdays() const { return dayHasBirthdays; }
    bool showsNotes() const { return dayHasNotes; }
    bool showsMarks() const { return dayHasMarks; }
    double birthdaysHeight() const { return bHeight; }
    double notesHeight() const { return nHeight; }
    double marksHeight() const { return mHeight; }
    kit::TextAttributes titleAttributes() const;
    kit::TextAttributes standardAttributes() const { return textAttribsStandard; }

private:
    // One section below the holiday: icon, headline with its separator line,
    // text; moves `y` below it.
    void drawSection(kit::Graphics& graphics, const QImage& icon, const QString& headline,
                     const QString& text, double textHeight, double x0, double& y);

    std::optional<kit::TextAttributes> textAttribsTitle;
    kit::TextAttributes textAttribsStandard;
    std::unique_ptr<kit::TextLayout> textLayoutMgr;
    bool flippedY = false;
    YearViewCellPtr theCell;
    bool dayHasNotes = false;
    bool dayHasMarks = false;
    bool dayHasBirthdays = false;
    bool dayHasHoliday = false;
    QString birthdaysText;
    QString holidaysText;
    QString notesText;
    QString marksText;
    double mHeight = 0;
    double bHeight = 0;
    double nHeight = 0;
};
