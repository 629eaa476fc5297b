#pragma once

#include "data/SourceListItem.h"

#include <QRectF>

// What the model asks of the source list's outline view: which row is
// selected, which item stands on a row, selecting a row, opening a group and
// reloading. The view
// (built with the calendar list) implements it and hands itself to
// CalendarSources::setOutlineView(); only the main thread calls it.
class SourceListOutline {
public:
    virtual ~SourceListOutline() = default;

    // The selected row; -1 when none.
    virtual int selectedRow() const = 0;
    // The item on a row; null when the row does not exist.
    virtual SourceListItemPtr itemAtRow(int row) const = 0;
    // The row of an item; -1 when it has none (not shown, or inside a collapsed group).
    virtual int rowForItem(const SourceListItemPtr& item) const = 0;
    // Selects the row alone.
    virtual void selectRow(int row) = 0;
    virtual void reloadData() = 0;
    // The row's rectangle in the view; empty when the row does not exist.
    virtual QRectF rectOfSourceRow(int row) const {
        (void)row;
        return QRectF();
    }
    // Opens a group so that its elements have rows.
    virtual void expandSourceItem(const SourceListItemPtr& item) { (void)item; }
    virtual void deselectAllRows() {}
};
