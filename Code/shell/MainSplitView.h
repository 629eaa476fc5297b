#pragma once

#include "shell/WsSplitView.h"
#include "shell/WsSplitViewDelegate.h"

#include <QPointer>

// The split of the year and week area: the year area above (the year scroller)
// and the week view below. Its divider takes no room and cannot be dragged; the
// year scroller moves the splitter with setSplitterPositionAnimate. When the
// window is resized the year area keeps its height. The week view can be
// exchanged for one of another display mode, and the start and end of a live
// resize are passed on to both panes. It is its own delegate.
class MainSplitView final : public WsSplitView, public WsSplitViewDelegate {
    Q_OBJECT

public:
    explicit MainSplitView(const QRectF& frame = QRectF());

    // Once both panes are in place: dividers, itself as delegate, the panes.
    void awakeFromNib() override;
    double dividerThickness() const override { return 0.0; }
    void drawDividerInRect(kit::Graphics& graphics, const QRectF& rect) override {}

    kit::View* upperSubview() const { return gui_upperSubview; }
    kit::View* lowerSubview() const { return gui_lowerSubview; }

    // Puts `weekView` in place of the present lower pane, as subview 1, with the
    // frame it comes with; the old pane is taken out and released.
    // The year area asks for it by name.
    Q_INVOKABLE void exchangeWeekSubviewTo(kit::View* weekView);

    unsigned splitViewDelegateOperations() const override;
    // Keeps the upper pane's height; the lower pane takes the change.
    void splitViewResizeSubviewsWithOldSize(WsSplitView* splitView, const QSizeF& oldSize) override;

    void viewWillStartLiveResize() override;
    void viewDidEndLiveResize() override;

private:
    QPointer<kit::View> gui_upperSubview;
    QPointer<kit::View> gui_lowerSubview;
};
