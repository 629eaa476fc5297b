#include "sources/CalendarSourceTFCell.h"

#include "data/Calendar.h"
#include "data/CalendarGroup.h"
#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Event.h"
#include "platform/kit/Font.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/View.h"
#include "sources/CalendarSourceOutlineView.h"

#include <QTextBoundaryFinder>

namespace {

constexpr double kSlice = CalendarSourceTFCell::kCheckboxSize + 2.0;

QRectF checkboxRect(const QRectF& cellFrame) {
    return QRectF(cellFrame.x() + 2.0, cellFrame.y(), CalendarSourceTFCell::kCheckboxSize,
                  CalendarSourceTFCell::kCheckboxSize);
}

QRectF textArea(const QRectF& cellFrame, double slice) {
    return QRectF(cellFrame.x() + slice, cellFrame.y(), std::max(0.0, cellFrame.width() - slice),
                  cellFrame.height());
}

// The width of the enclosing view (the clip view of the list's scroll view),
// else the list's own.
double availableWidth(kit::View* controlView, const QRectF& frame) {
    if (!controlView) return frame.right();
    kit::View* outer = controlView->superview();
    return (outer ? outer->bounds().width() : controlView->bounds().width());
}

}  // namespace

CalendarSourceTFCell::CalendarSourceTFCell() {
    setEditable(true);
    setFont(kit::Font::systemFont(kit::Font::smallSystemFontSize()));
}

void CalendarSourceTFCell::setObjectValue(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<SourceListItemPtr>()) {
        const SourceListItemPtr item = value.value<SourceListItemPtr>();
        if (item && item == item_) return;
        item_ = item;
        kind_ = kOther;
        title_.clear();
        if (auto group = sourceItemAs<CalendarGroup>(item)) {
            kind_ = kGroup;
            title_ = group->shortName();
        } else if (auto calendar = sourceItemAs<Calendar>(item)) {
            kind_ = kCalendar;
            title_ = calendar->title();
        } else if (auto marker = sourceItemAs<EMarker>(item)) {
            kind_ = kMarker;
            title_ = marker->title();
        }
        // The title is the text in-place editing starts from.
        kit::Cell::setObjectValue(title_);
        return;
    }
    // A text (an edited name handed back) leaves the row as it is.
    if (value.metaType() == QMetaType::fromType<QString>()) return;
    item_.reset();
    kind_ = kOther;
    title_.clear();
    kit::Cell::setObjectValue(QString());
}

QSizeF CalendarSourceTFCell::cellSize() const {
    const QSizeF text(kit::Font::systemFont(kit::Font::smallSystemFontSize()).widthOfString(title_),
                      kCheckboxSize);
    return QSizeF(text.width() + kSlice, text.height());
}

unsigned CalendarSourceTFCell::hitTestForEvent(const kit::Event& event, const QRectF& cellFrame,
                                               kit::View* controlView) {
    const QPointF point = controlView
                              ? controlView->convertPointFromView(event.locationInWindow(), nullptr)
                              : event.locationInWindow();
    if (checkboxRect(cellFrame).contains(point)) {
        if (event.type() == kit::EventType::LeftMouseDown && event.eventNumber() != lastEventNum_) {
            lastEventNum_ = int(event.eventNumber());
            if (kind_ == kCalendar || kind_ == kMarker) {
                toggleSelection();
                if (outlineView_) outlineView_->reloadSourceItem(item_);
            }
        }
        return kit::CellHit::ContentArea | kit::CellHit::TrackableArea;
    }
    if (textArea(cellFrame, kSlice).contains(point))
        return kit::CellHit::ContentArea | kit::CellHit::EditableTextArea;
    return kit::CellHit::None;
}

void CalendarSourceTFCell::toggleSelection() {
    if (auto calendar = sourceItemAs<Calendar>(item_)) {
        calendar->setSelected(!calendar->isSelected());
        foundation::NotificationCenter::defaultCenter().post(
            CalendarSources::calendarSelectionChangedNotification, this);
    } else if (auto marker = sourceItemAs<EMarker>(item_)) {
        marker->setSelected(!marker->isSelected());
        foundation::NotificationCenter::defaultCenter().post(
            CalendarSources::markerSelectionChangedNotification, this);
    }
}

std::optional<QRectF> CalendarSourceTFCell::editingFrameForCellFrame(const QRectF& cellFrame,
                                                                     kit::View*) {
    if (kind_ != kCalendar && kind_ != kMarker) return std::nullopt;
    if (outlineView_ && !outlineView_->shallBeginEditingForObject(item_)) return std::nullopt;
    QRectF frame = cellFrame;
    frame.setWidth(std::max(0.0, frame.width() - 3.0));
    return textArea(frame, kCheckboxSize + 1.0);
}

void CalendarSourceTFCell::drawWithFrame(kit::Graphics& graphics, const QRectF& frame,
                                         kit::View* controlView) {
    drawInteriorWithFrame(graphics, frame, controlView);
}

void CalendarSourceTFCell::drawInteriorWithFrame(kit::Graphics& g, const QRectF& frame,
                                                 kit::View* controlView) {
    if (kind_ == kOther || !item_) return;
    const kit::Font small = kit::Font::systemFont(kit::Font::smallSystemFontSize());
    kit::TextAttributes text(small, QColor(0, 0, 0));
    kit::TextAttributes copy;
    bool withCopy = false;

    const QRectF r = drawingRectForBounds(frame);
    const double available = availableWidth(controlView, frame) - 3.0 - r.x();
    double textWidth = available - 4.0;
    double left = 0.0;

    if (auto group = sourceItemAs<CalendarGroup>(item_)) {
        if (group->type() > 0) {
            text = kit::TextAttributes(small.bold(), QColor::fromRgbF(0.357f, 0.431f, 0.506f));
            copy = kit::TextAttributes(small.bold(), QColor::fromRgbF(0.92f, 0.92f, 0.92f));
            withCopy = true;
        }
    } else {
        QImage box, badge;
        if (auto calendar = sourceItemAs<Calendar>(item_)) {
            box = calendar->checkboxImage();
            badge = calendar->calendarTypeImage();
        } else if (auto marker = sourceItemAs<EMarker>(item_)) {
            box = marker->checkboxImage();
            badge = marker->markerTypeImage();
        }
        if (!box.isNull()) g.drawImage(box, QRectF(r.x(), r.y(), kCheckboxSize, kCheckboxSize));
        left = kCheckboxSize;
        if (!badge.isNull()) {
            const QSizeF size = badge.deviceIndependentSize();
            const double margin = r.x() == 0.0 ? 19.0 : 0.0;
            g.drawImage(badge, QRectF(r.x() + available - margin - size.width(), r.y(),
                                      size.width(), size.height()));
            textWidth -= size.width();
        }
    }
    if (isHighlighted()) {
        text.color = QColor(255, 255, 255);
        copy = kit::TextAttributes(text.font, QColor(0, 0, 0));
        withCopy = true;
    }
    const QPointF origin(r.x() + 3.0 + left, r.y() + 3.0);
    textWidth -= left;
    const QString shown = truncateString(title_, textWidth, text);
    // In the flipped list the copy lies a point below the text.
    if (withCopy) g.drawString(shown, origin, copy);
    g.drawString(shown, QPointF(origin.x(), origin.y() - 1.0), text);
}

QString CalendarSourceTFCell::truncateString(const QString& text, double width,
                                             const kit::TextAttributes& attributes) {
    const kit::Font& font = attributes.font;
    if (text.size() <= 2 || font.widthOfString(text) <= width) return text;
    const QString ellipsis(QChar(0x2026));
    const double target = width - font.widthOfString(ellipsis);
    QString shown = text;
    QTextBoundaryFinder letters(QTextBoundaryFinder::Grapheme, shown);
    while (!shown.isEmpty() && font.widthOfString(shown) > target) {
        // Drop the last whole letter, then the spaces before it.
        letters = QTextBoundaryFinder(QTextBoundaryFinder::Grapheme, shown);
        letters.toEnd();
        const qsizetype cut = letters.toPreviousBoundary();
        shown.truncate(std::max<qsizetype>(0, cut));
        while (!shown.isEmpty() && shown.back().isSpace()) shown.chop(1);
    }
    return shown + ellipsis;
}
