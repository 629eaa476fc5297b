#pragma once

#include "data/SourceListItem.h"
#include "data/SourceListOutline.h"
#include "platform/kit/OutlineView.h"
#include "platform/kit/Scroller.h"
#include "sources/CalendarSourceView.h"

#include <QPointer>
#include <QVariant>

#include <memory>

class CalendarSources;
class CalendarSourceTFCell;

// The list of calendar groups, calendars and markers in the main window's side
// column. The model root (CalendarSources) answers its rows through this
// view's data source, which stands on the model: rows and heights, what may be
// selected, tooltips, the saved expansion by group short name, and the
// reordering drags of calendars within their group and of markers among
// markers. Main thread only.
class CalendarSourceOutlineView final : public kit::OutlineView, public SourceListOutline {
    Q_OBJECT

public:
    static inline const QString kCalendarDragType = QStringLiteral("CalendarSources Calendar");
    static inline const QString kMarkerDragType = QStringLiteral("CalendarSources Marker");
    static constexpr double kSpacerHeight = 5.0;

    explicit CalendarSourceOutlineView(const QRectF& frame = QRectF());
    ~CalendarSourceOutlineView() override;

    // The model root (a std::shared_ptr<CalendarSources>) as data source and
    // delegate; either call sets both.
    Q_INVOKABLE void setDataSource(const QVariant& sources);
    Q_INVOKABLE void setDelegate(const QVariant& sources);
    Q_INVOKABLE void setAutosaveName(const QString& name) {
        kit::OutlineView::setAutosaveName(name);
    }
    // Without a saved expansion (a first launch) every group opens.
    Q_INVOKABLE void setAutosaveExpandedItems(bool on);
    std::shared_ptr<CalendarSources> calendarSources() const { return sources_; }
    void setCalendarSources(const std::shared_ptr<CalendarSources>& sources);
    // The side column that supplies the context menus.
    void setSourceView(CalendarSourceView* view) { sourceView_ = view; }

    // SourceListOutline
    int selectedRow() const override { return kit::OutlineView::selectedRow(); }
    SourceListItemPtr itemAtRow(int row) const override;
    int rowForItem(const SourceListItemPtr& item) const override;
    void selectRow(int row) override { kit::OutlineView::selectRow(row, false); }
    void reloadData() override { kit::OutlineView::reloadData(); }

    QRectF rectOfSourceRow(int row) const override;
    void expandSourceItem(const SourceListItemPtr& item) override;
    void deselectAllRows() override { deselectAll(); }

    // The cell redraws a row it toggled.
    void reloadSourceItem(const SourceListItemPtr& item);
    // Asked by the cell before in-place editing: calendars whose title the store
    // keeps are not renamed here, nor a row just double-clicked.
    bool shallBeginEditingForObject(const SourceListItemPtr& item);
    // The open hover follows the selected row when the list scrolls or resizes.
    void viewFrameChanged();

    CalendarSourceTFCell* sourceCell() const;

    void mouseDown(const kit::Event& event) override;
    QMenu* menuForEvent(const kit::Event& event) override;

protected:
    void textDidEndEditing(const QString& text, int column, int row) override;

private:
    class Source;
    std::unique_ptr<Source> source_;
    std::shared_ptr<CalendarSources> sources_;
    QPointer<CalendarSourceView> sourceView_;
    SourceListItemPtr objInEditing_;
    bool entryDoubleClickOp_ = false;
};

// The list's vertical scroller: the open hover follows the list as it scrolls.
class CalendarSourceScroller final : public kit::Scroller {
    Q_OBJECT

public:
    explicit CalendarSourceScroller(CalendarSourceOutlineView* list) : olView_(list) {}
    void setDoubleValue(double value) override;

private:
    QPointer<CalendarSourceOutlineView> olView_;
};
