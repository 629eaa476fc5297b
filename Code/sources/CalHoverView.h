#pragma once

#include "data/Calendar.h"
#include "data/EMarker.h"
#include "platform/kit/TextAttributes.h"
#include "platform/kit/View.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class YearView;

namespace kit {
class Graphics;
class TextLayout;
}  // namespace kit

// The content of the calendar and marker hover: the title with a colour disc,
// the description, the type, store and account group, a table of the twelve
// months with the number of entries the year on screen holds for the calendar
// or marker, the year's total and the identifier, in white and pale yellow on
// the panel's dark box. The texts and counts are taken when the item is set,
// not when drawing. The layout is fixed and runs from the top edge down; the
// host gives the view a size that holds it (kMinimumWidth by kMinimumHeight).
//
// Main thread only: one text layout is reused for all measuring and drawing.
class CalHoverView final : public kit::View {
    Q_OBJECT

public:
    // What the longest form (a calendar with a description) needs.
    static constexpr double kMinimumWidth = 271;
    static constexpr double kMinimumHeight = 392;
    static constexpr double kLineHeight = 14;
    static constexpr double kTableWidth = 270;
    static constexpr double kColumnWidth = 45;

    explicit CalHoverView(const QRectF& frame = QRectF());
    ~CalHoverView() override;

    // The short month names and the marker type previews, once.
    static void initialize();
    // Where the counts come from: by default the main window's current year
    // page; tests hand in a page of their own (an empty function restores it).
    static void setYearViewSource(std::function<YearView*()> source);

    void setupDefaults();
    // Shows a calendar (or, with none, nothing more is drawn).
    void setCalendar(const CalendarPtr& calendar);
    // Shows a marker (or, with none, nothing more is drawn).
    void setMarker(const EMarkerPtr& marker);

    void setFlippedY(bool flipped) { flippedY = flipped; }
    bool isFlipped() const override { return flippedY; }

    void drawRect(kit::Graphics& graphics, const QRectF& dirtyRect) override;
    // Draws the text wrapped to the rectangle, its first line at the top edge;
    // lines that do not fit its height are left out.
    void drawBoxedTextWithAttributesInRect(kit::Graphics& graphics, const QString& text,
                                           const kit::TextAttributes& attributes,
                                           const QRectF& rect);
    // The rectangle the text takes wrapped to the rectangle's width.
    QRectF requiredRectForTextWithAttributesInRect(const QString& text,
                                                   const kit::TextAttributes& attributes,
                                                   const QRectF& rect);

    // -- What the view shows, for its host and tests.
    const CalendarPtr& calendar() const { return theCalendar; }
    const EMarkerPtr& marker() const { return theMarker; }
    QString title() const { return displayTitle; }
    QString description() const { return displayDescr; }
    QString typeText() const { return displayType; }
    QString uidText() const { return displayUID; }
    QString groupText() const { return displayGroup; }
    QString storeText() const { return displayStore; }
    int countForMonth(int month) const {
        return month >= 1 && month <= 12 ? displayStats[size_t(month - 1)] : 0;
    }
    int year() const { return currentYear; }
    // The sum of the twelve counts, drawn below the table.
    int total() const;
    // The attributes of the plain white texts (after an item was set).
    const kit::TextAttributes& standardAttributes() const { return textAttribsStandard; }
    static QString shortMonthName(int month);

private:
    YearView* currentYearView() const;
    // Takes the colour, title, description and identifier common to both forms.
    void takeCommonTexts(const QColor& color, const QString& title, const QString& notes,
                         const QString& uid);
    // Reads the counts of the year on screen through `count` (month 1 to 12).
    void takeCounts(const std::function<int(YearView*, int)>& count);
    // Draws an image's bottom-left part of at most `size` with that corner at
    // (x, bottom).
    static void drawImagePart(kit::Graphics& graphics, const QImage& image, double x, double bottom,
                              const QSizeF& size);
    // The box of a one-line text on a 14-point row whose bottom edge is given.
    static QRectF lineBox(double x, double bottom, double width,
                          const kit::TextAttributes& attributes);
    void drawRule(kit::Graphics& graphics, double y, double below = 5.5);
    // A label and its value, one line (rows 7 to 11).
    void drawLabelAndValue(kit::Graphics& graphics, const QString& label, const QString& value,
                           double y);
    void drawMonthTable(kit::Graphics& graphics, double y);
    double measuredWidth(const QString& text, const kit::TextAttributes& attributes,
                         const QRectF& rect);

    kit::TextAttributes textAttribsYellow;
    kit::TextAttributes textAttribsBig;
    kit::TextAttributes textAttribsStandard;
    std::unique_ptr<kit::TextLayout> textLayoutMgr;
    bool flippedY = false;
    CalendarPtr theCalendar;
    EMarkerPtr theMarker;
    QString displayTitle;
    QString displayDescr;
    QString displayType;
    QString displayUID;
    QString displayGroup;
    QString displayStore;
    std::array<int, 12> displayStats{};
    int currentYear = 0;
    QImage displayTypeImg;
    QColor displayColor;
};
