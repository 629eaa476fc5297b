#pragma once

#include "shell/WsSplitView.h"
#include "shell/WsSplitViewDelegate.h"

#include <QPointer>

// The main window's side-by-side split between the calendar source list (left
// pane) and the year and week area (right pane). Its divider is a 1-point light
// grey line that the user drags within limits that keep the source list at least
// 155 points wide and the right pane at least 250 points; when the window is
// resized, the source list keeps its width. It is its own delegate.
class MainSourceSplitView final : public WsSplitView, public WsSplitViewDelegate {
    Q_OBJECT

public:
    static constexpr double kMinimumLeftWidth = 155.0;
    static constexpr double kMinimumRightWidth = 250.0;

    explicit MainSourceSplitView(const QRectF& frame = QRectF());

    // Once both panes are in place: dividers, itself as delegate, the panes.
    void awakeFromNib() override;
    double dividerThickness() const override { return 1.0; }
    void drawDividerInRect(kit::Graphics& graphics, const QRectF& rect) override;

    kit::View* leftSubview() const { return gui_leftSubview; }
    kit::View* rightSubview() const { return gui_rightSubview; }

    unsigned splitViewDelegateOperations() const override;
    double splitViewConstrainMinCoordinateOfSubviewAt(WsSplitView* splitView, double proposedMin,
                                                      qint64 dividerIndex) override;
    double splitViewConstrainMaxCoordinateOfSubviewAt(WsSplitView* splitView, double proposedMax,
                                                      qint64 dividerIndex) override;
    // Keeps the left pane's width; the right pane takes the change.
    void splitViewResizeSubviewsWithOldSize(WsSplitView* splitView, const QSizeF& oldSize) override;

private:
    QPointer<kit::View> gui_leftSubview;
    QPointer<kit::View> gui_rightSubview;
};
