#pragma once

#include "data/SourceListItem.h"
#include "platform/kit/Cell.h"
#include "platform/kit/TextAttributes.h"

#include <QImage>
#include <QString>

class CalendarSourceOutlineView;

// The one data cell of the source list. The list hands it the row's model object
// as object value (a SourceListItemPtr); it draws group titles, calendars and
// markers with their colour checkbox and badge, turns a press on the checkbox
// into a show/hide toggle, and narrows in-place editing to the title. Main
// thread only.
class CalendarSourceTFCell final : public kit::Cell {
public:
    // The row kinds.
    enum Kind { kOther = 0, kGroup = 1, kCalendar = 2, kMarker = 3 };
    static constexpr double kCheckboxSize = 18.0;

    CalendarSourceTFCell();

    void setParent(CalendarSourceOutlineView* list) { outlineView_ = list; }
    void setObjectValue(const QVariant& value) override;
    SourceListItemPtr representedItem() const { return item_; }
    int representedObjectType() const { return kind_; }
    QString title() const { return title_; }

    QSizeF cellSize() const override;
    // Checkbox slice: toggles once per press (5); the title: 3; elsewhere 0.
    unsigned hitTestForEvent(const kit::Event& event, const QRectF& cellFrame,
                             kit::View* controlView) override;
    // Calendars and markers only, when the list agrees; the title part of the frame.
    std::optional<QRectF> editingFrameForCellFrame(const QRectF& cellFrame,
                                                   kit::View* controlView) override;
    void drawWithFrame(kit::Graphics& graphics, const QRectF& frame,
                       kit::View* controlView) override;
    void drawInteriorWithFrame(kit::Graphics& graphics, const QRectF& frame,
                               kit::View* controlView) override;

    // Flips the shown state of the calendar or marker and announces it.
    void toggleSelection();

    // The text shortened by whole letters (with their accents, or an emoji) to
    // fit `width`, trailing spaces before the cut dropped, and an ellipsis added.
    static QString truncateString(const QString& text, double width,
                                  const kit::TextAttributes& attributes);

private:
    CalendarSourceOutlineView* outlineView_ = nullptr;
    int lastEventNum_ = 0;
    SourceListItemPtr item_;
    int kind_ = kOther;
    QString title_;
};
