#pragma once

#include "platform/kit/Button.h"
#include "platform/kit/Menu.h"
#include "platform/kit/View.h"

#include <QColor>
#include <QPointer>
#include <QVariant>

#include <memory>

class CalendarSources;
class CalendarSourceOutlineView;
class WsSplitView;

// The main window's side column: the source list above a bottom bar with the
// Add button, a background that follows the window's main state, a grip in the
// bottom-right corner that moves the main split view's divider, and the Add and
// context menus of the list. Main thread only.
class CalendarSourceView final : public kit::View {
    Q_OBJECT

public:
    static constexpr double kBarHeight = 23.0;
    static constexpr double kGripWidth = 15.0;
    static constexpr double kMinWidth = 155.0;
    static constexpr double kMaxWidth = 250.0;
    static inline const QColor kKeyColor = QColor::fromRgbF(0.839f, 0.867f, 0.898f);
    static inline const QColor kNotKeyColor = QColor::fromRgbF(0.91f, 0.91f, 0.91f);

    explicit CalendarSourceView(const QRectF& frame = QRectF());
    ~CalendarSourceView() override;

    // The scrolling list and its outline, made together for the column.
    static kit::View* makeSourceListView(const QRectF& frame);
    static CalendarSourceOutlineView* outlineViewOf(kit::View* sourceListView);

    // The view whose divider the grip moves (the main split view holds it).
    Q_INVOKABLE void setSiblingView(kit::View* view);
    Q_INVOKABLE void setCalendarSources(const QVariant& sources);
    Q_INVOKABLE void setWindowKeyStatus(bool isKey);
    Q_INVOKABLE void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return bgColor_; }
    bool windowKeyStatus() const { return winIsKey_; }

    // -- Commands
    Q_INVOKABLE void cmiNewCalendar(QObject* sender);
    Q_INVOKABLE void cmiNewMarker(QObject* sender);
    Q_INVOKABLE void cmiEditSources(QObject* sender);
    Q_INVOKABLE void cmiFindEvents(QObject* sender);
    Q_INVOKABLE void cmiFindOrphanedMarks(QObject* sender);
    Q_INVOKABLE void addButton(QObject* sender);
    // The focus controller of a selected row: Information and Edit act on it.
    Q_INVOKABLE void menuCommandInformation(QObject* sender);
    Q_INVOKABLE void menuCommandEdit(QObject* sender);

    // -- Menus (asked by the list)
    kit::Menu* contextMenuForAdd();
    kit::Menu* contextMenuForModCal();
    kit::Menu* contextMenuForModMrk();
    kit::Button* addButtonView() const { return addButton_; }

    // The grip in the bottom-right corner, in this view's coordinates.
    QRectF gripRect() const;
    // The column width a drag of the grip by `dx` from `startWidth` gives.
    static double clampedWidth(double startWidth, double dx);

    void drawRect(kit::Graphics& graphics, const QRectF& dirtyRect) override;
    void mouseDown(const kit::Event& event) override;
    void mouseDragged(const kit::Event& event) override;
    void mouseUp(const kit::Event& event) override;
    void resetCursorRects() override;

private:
    void layoutBar();
    kit::MenuItem* addRowCommand(kit::Menu* menu, const QString& key, const QString& english,
                                 const QString& uid, void (CalendarSources::*command)());
    CalendarSourceOutlineView* outline() const;
    WsSplitView* mainSplitView() const;
    bool focusHasRow() const;

    QPointer<kit::View> sibling_;
    QPointer<kit::Button> addButton_;
    std::unique_ptr<kit::Menu> addMenu_;
    std::unique_ptr<kit::Menu> modCalMenu_;
    std::unique_ptr<kit::Menu> modMrkMenu_;
    std::shared_ptr<CalendarSources> sources_;
    QColor bgColor_ = kKeyColor;
    bool winIsKey_ = true;
    // A drag of the grip: where it started and the column width then.
    bool resizing_ = false;
    double pressX_ = 0;
    double startWidth_ = 0;
};
