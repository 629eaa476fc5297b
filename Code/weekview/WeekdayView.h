#pragma once

#include "data/DayEventLayout.h"
#include "data/EventDay.h"
#include "data/MyDate.h"
#include "platform/kit/TextAttributes.h"
#include "platform/kit/View.h"
#include "platform/store/Event.h"
#include "yearview/YearViewCell.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class Calendar;
class WDEventsView;
class WDHeaderView;
class WDSubview;
class YearViewTarget;

namespace kit {
class Event;
class Graphics;
class TextLayout;
class Window;
}  // namespace kit

// One day column of the week view. It shows the day of a year page's cell in
// two stacked subviews: a header with the day's title and its full-day
// entries, and below it the hour area, always 24 hours tall, which the column
// moves up and down to scroll the hours. The column splits its height between
// the two, converts between hours, scroll percentages and positions for the
// week view's hour scrolling, and keeps the two lists it draws: the timed
// events in layout order with their overlap values, and the full-day entries
// of the header.
//
// The class holds what all columns share: the drawing settings read from the
// preferences and the hour height, which every column's layout sets alike.
//
// Main thread only, except threadedUpdateView, which the loader jobs may call
// from their threads.
class WeekdayView final : public kit::View {
    Q_OBJECT

public:
    // Layout constants, in points.
    static constexpr double kTitleHeight = 26.0;        // the title row of the header
    static constexpr double kFulldayRowHeight = 18.0;   // one full-day row
    static constexpr double kFulldayPanelExtra = 10.0;  // below and above the rows
    static constexpr double kHeaderCover = 25.0;        // what the header hides of the hours
    static constexpr double kDefaultHourHeight = 50.0;

    // One timed event of a day as the overlap layout places it (the layout
    // the day popup uses too).
    using TimedEvent = DayEventLayout::TimedEvent;
    // What a column draws of a day: the timed events in layout order and the
    // full-day entries that get a header row.
    struct DayLayout {
        std::vector<TimedEvent> events;
        std::vector<EventDayPtr> fdevents;
    };
    // The header's two heights and rows for a column height and a number of
    // full-day entries.
    struct HeaderHeights {
        double collapsed = 0.0;
        double expanded = 0.0;
        int canDisplay = 0;
        bool hasMoreThanCanDisplay = false;
    };

    // -- Class operations

    // Sets up the class-wide images, text attributes and hour height once;
    // every other operation that needs them calls it first.
    static void initialize();
    // The day names of the title, "dayText0" to "dayText7" and their short
    // forms; entry 7 is the name a column without a day shows.
    static void cacheWeekDayNames();
    static void loadPreferences();
    // Re-reads "AppPref WeekView" and "AppPref General" into the class-wide
    // settings and derives the holiday text colour from the weekend colour.
    static void updatePreferences();
    // Whether some event of the week view is selected.
    static void setSelection(bool selected);
    static bool eventSelected();
    // The height of one hour in every column's hour area.
    static double hourHeight();

    // The settings as the columns use them.
    static bool showFulldayMarks();
    static bool useCalendarColors();
    static bool showHolidays();
    static bool showBirthdays();
    static bool grayoutUntilToday();
    static bool useWeekendColor();
    static bool useBoldLayout();
    static bool useUSformat();
    static bool textDoubleStrike();
    static QColor grayoutColor();
    static QColor weekdayBGColor();
    static QColor weekendBGColor();
    static QColor nowColor();
    static double workdayStart();
    static double workdayEnd();
    static QStringList cachedDayNames();
    static QStringList cachedShortDayNames();
    static kit::TextAttributes titleBigTextAttribs();
    static kit::TextAttributes titleSmallTextAttribs();
    static kit::TextAttributes textAttribsEventTitle();
    static kit::TextAttributes textAttribsHoliday();
    static QImage candleImage();
    static QImage notesImage();
    static QImage markerImage();

    // The header's heights for a column `columnHeight` points high whose day
    // has `fulldayCount` full-day entries. A column too low for one row gets
    // none (never a negative number of rows).
    static HeaderHeights headerHeightsFor(double columnHeight, int fulldayCount);

    // Lays out a day's entries: the timed events of shown calendars sorted by
    // start (entries starting together keep the day's order), grouped and
    // indented, and the full-day entries the header lists (neither the notes
    // event nor holiday or birthday entries; marks only with
    // `showFulldayMarks`). Entries without an event or a calendar are not
    // shown. Writes nothing into the records, so any thread may ask.
    static DayLayout sortEvents(const YearViewCell::EventList& entries, bool showFulldayMarks);

    // -- Construction
    explicit WeekdayView(const QRectF& frame);
    static WeekdayView* initWithFrame(const QRectF& frame) { return new WeekdayView(frame); }

    // -- Day and geometry
    // The day to show, or none; the lists and the header follow it.
    void setYVCell(const YearViewCellPtr& cell);
    void setFrame(const QRectF& frame) override;
    // Splits `frame` (the column's frame) into the header and the hour area:
    // the hour height, the header's heights and the hour area's size.
    void setInnerFrames(const QRectF& frame);
    Q_INVOKABLE void setPositionInView(int position);
    // The first and the only column of a week view draw no separator at
    // their left edge.
    static bool drawsLeftSeparator(int position);
    int cellPosition() const { return cellPosition_; }
    // Whether the title needs the narrow date form at the current width.
    void determineCellSpace();
    bool useNarrowText() const { return useNarrowText_; }
    bool isOffScreen() const { return isOffScreen_; }

    // -- The day
    int day() const;
    int month() const;
    int year() const;
    MyDatePtr date() const;
    YearViewCellPtr dataCell() const { return yvcell_; }
    Q_INVOKABLE QString birthdaysText() const;
    Q_INVOKABLE QString notesText() const;
    bool hasNotes2() const;

    WDEventsView* eventsView() const { return eventsView_; }
    WDHeaderView* headerView() const { return headerView_; }
    float earliestEvent() const { return earliestEvent_; }
    float latestEvent() const { return latestEvent_; }
    // The highest bottom edge and the lowest top edge of the boxes of the last
    // drawing, in the hour area's points (0 and its height when none).
    float earliestEventBottomBorder() const { return earliestEventBottomBorder_; }
    float latestEventTopBorder() const { return latestEventTopBorder_; }
    // The timed events of the last drawing, the one drawn last first: the
    // order in which a point is tested against their boxes.
    const std::vector<EventDayPtr>& hitRects() const { return hitRects_; }

    // -- Hour scrolling. A percentage of 0 shows hour 0 right under the title
    // row, 1 the end of the day at the bottom. When all 24 hours fit, every
    // percentage is 0 and nothing scrolls.
    bool hourIsVisible(double hour) const;
    double scrollPercentForHour(double hour) const;
    // The percentage at which `hour` is just visible at the bottom.
    double maxScrollPercentForHour(double hour) const;
    // The hour at the top for a percentage.
    double hourForScrollPercent(double percent) const;
    // The hour area's y for a percentage.
    double yPosForScrollPercent(double percent) const;
    // The percentage that scrolls half an hour.
    double scrollDiffForHalfHour() const;
    void setEventsViewYpos(double y);

    // Where an event is seen: a full-day entry's row in the header's
    // coordinates, a timed event's box cut to the visible hours in the hour
    // area's; empty for a full-day entry the header does not list.
    QRectF visibleRectForEvent(const EventDayPtr& event) const;

    // -- The event lists
    // The timed events in layout order and the full-day entries of the header.
    const std::vector<EventDayPtr>& events() const { return events_; }
    const std::vector<EventDayPtr>& fdevents() const { return fdevents_; }
    // Lays out the day's entries again and gives the header its heights.
    Q_INVOKABLE void eventlistChanged();
    // Re-reads the day after a loader changed it and redraws. Any thread may
    // ask; the lists, the header and the redraw change on the main thread.
    Q_INVOKABLE void threadedUpdateView();
    // The part of it that lays out: answers whether the day's list changed
    // since it was last laid out (and so the column must be redrawn).
    bool relayoutChangedDay();
    Q_INVOKABLE void redrawViewOnMainThread(QObject* ignored = nullptr);
    // Rebuilds the hour area's cached image, places the header's hover areas
    // anew at its next drawing and redraws the column.
    void forceRedraw();
    // Has the hour area draw itself at once without its cached image.
    void forceRedrawEvents();
    // Whether this very record is listed (timed or full-day).
    bool containsEvent(const EventDayPtr& event) const;
    // The timed record of the store event's occurrence (same UID and start).
    EventDayPtr eventDayForCalEvent(const calstore::EventPtr& event) const;
    // The shown calendars changed: the selection is cleared and the lists
    // follow them.
    void calendarSelectionChange();

    // -- Selection. The week view owns it; the column asks its enclosing view
    // by name and marks its own entries.
    // The timed event whose box holds the point (column coordinates), the one
    // drawn last first, borders included; none elsewhere.
    EventDayPtr eventAtLocation(const QPointF& point) const;
    // A press in the hours waits until it is a click (selects what lies under
    // it), a drag of the event under it, a vertical drag on empty space (draws
    // a new event) or a sideways one (the week view's drag); Escape cancels
    // it. A double click opens the event under it (edits it with Command or
    // Option) or creates one on empty space.
    void mouseDown(const kit::Event& event) override;
    // A press on the header's full-day rows (row 0 the lowest): a click
    // selects the entry, a double click opens or edits it; the overflow row
    // of a full header closes the flap.
    void mouseDownInFulldayList(const kit::Event& event);
    // Folds the header's full-day flap.
    void showFullDaysInSeparatePanel();
    // Opens the notes hover for editing the day's notes below the title's
    // notes mark; the mark shows meanwhile.
    Q_INVOKABLE void addOrEditNote();
    // Right clicks: over the hours the week view's event menu (after
    // selecting the event under the pointer when "Rightclick Performs Select"
    // is set), over the title the week view's title menu of this day.
    QMenu* menuForEvent(const kit::Event& event) override;
    QMenu* titleMenuForEvent(const kit::Event& event);
    Q_INVOKABLE void selectEvent(const EventDayPtr& event);
    Q_INVOKABLE void openEvent(const EventDayPtr& event);
    Q_INVOKABLE void editEvent(const EventDayPtr& event);
    // A one-hour event in the half-hour slot under the point (window
    // coordinates).
    void emptyDoubleClick(const QPointF& locationInWindow);
    // Marks every entry of the same store event (same UID) selected.
    Q_INVOKABLE void neighboringSelectEvent(const EventDayPtr& event);
    Q_INVOKABLE void deselectAllEvents();
    // The event's hit box becomes the selection frame, with a start handle
    // unless it began the day before and an end handle unless it goes on.
    void setCursorRectsForEvent(const EventDayPtr& event);
    // An open full-day flap that does not list the event folds.
    Q_INVOKABLE void collapseFulldaysNotShowingEvent(const EventDayPtr& event);
    // The event's hit box from its current times (after an edge drag), then
    // its selection frame.
    void recalcCursorRectForEvent(const EventDayPtr& event);

    // -- Creating and editing events. New events go to the selected calendar
    // of the calendar list, else its first one, when that is shown and
    // ordinary; otherwise nothing is created.
    static std::shared_ptr<Calendar> calendarForNewEvents(bool selectInList);
    // The year page that holds a day: of the main window's three pages the
    // one of the day's year (the window is asked to show that year when none
    // is); none without a main window.
    static std::shared_ptr<YearViewTarget> yearPageForDate(const MyDatePtr& day);
    // A new one-hour event from `hour` of the column's day (to 23:59 from
    // 23:00 on), and a new full-day event of the day; neither is stored.
    EventDayPtr createNewEventDataAtTimeInCalendar(double hour,
                                                   const std::shared_ptr<Calendar>& calendar) const;
    EventDayPtr createNewFulldayEventDataInCalendar(
        const std::shared_ptr<Calendar>& calendar) const;
    // Creates, shows, stores and selects a one-hour event from `hour`.
    Q_INVOKABLE void createNewEventAtHour(double hour);
    // Creates, shows, stores and selects a full-day event on the day.
    Q_INVOKABLE void addFulldayEvent();
    // A drag that began on an event: its start or end handle drags that edge,
    // its inside moves the event (the week view's move).
    void startDraggingEventFrom(const EventDayPtr& event, const QPointF& locationInWindow);
    // The modal edge drags from a point of the hour area: the edge follows the
    // pointer in quarter hours, at least half an hour from the other edge, and
    // is written on release when it changed; Escape writes nothing.
    void dragStartDateOfEventFrom(const EventDayPtr& event, const QPointF& from);
    void dragEndDateOfEventFrom(const EventDayPtr& event, const QPointF& from);
    // A new one-hour event in the slot under the press whose end the pointer
    // then drags down; it is stored on release and dropped on Escape.
    void startDraggingNewEventFrom(const QPointF& locationInWindow);
    // While the week view moves an event across the columns each shows it;
    // when it moves a preview of a stored event, the records of that event's
    // occurrence step aside for it. The reset keeps the moved record where
    // it lies on the column's day, or with `restore` brings back the records
    // the column had before.
    Q_INVOKABLE void setDraggedEvent(const EventDayPtr& event,
                                     const calstore::EventPtr& replaces = nullptr);
    Q_INVOKABLE void resetDraggedEvent(bool restore = false);
    // The next release, drag or Escape of the press being tracked (other keys
    // are passed over); none when the window gives none.
    static std::optional<kit::Event> nextEventOfPress(kit::Window* window);

    // -- The event whose start or end is being dragged: its box follows the
    // offsets (hours later than its stored times) while every hit box keeps
    // its place until the drag ends.
    EventDayPtr currentlyDraggedEvent() const { return currentlyDraggedEvent_; }
    void setCurrentlyDraggedEvent(const EventDayPtr& event);
    void setTempHourOffsets(float start, float end);
    float tempHourOffsetStart() const { return tempHourOffsetStart_; }
    float tempHourOffsetEnd() const { return tempHourOffsetEnd_; }

    // -- Drawing
    // The background, or during a live move the picture taken at its start.
    void drawRect(kit::Graphics& g, const QRectF& dirtyRect) override;
    // Prepares a column that is not on screen yet: a fresh image of the hours
    // and of the background (a column without size is drawn 200 by 500).
    Q_INVOKABLE void drawOffscreen(QObject* ignored = nullptr);
    // While the week view moves the column it shows one picture of itself in
    // place of its subviews.
    void willStartLiveMove();
    void didEndLiveMove();
    bool inLiveMove() const { return inLiveMove_; }
    const QImage& cachedView() const { return cachedView_; }

    // The two texts of the title: the day name and the date, in the narrow
    // or the full form and in the user's order; placeholders without a day.
    struct TitleTexts {
        QString dayName;
        QString dateText;
    };
    TitleTexts titleTexts() const;
    // The title row and, in a header taller than it, the full-day panel.
    void drawTitle(WDHeaderView* header, kit::Graphics& g);
    void drawTitleFulldays(WDHeaderView* header, kit::Graphics& g);
    // The hour grid, the timed events and the grey-out of the past, into the
    // hour area directly or into its flipped cached image.
    void drawEventsView(WDEventsView* view, kit::Graphics& g);
    // One event box (x, y, w, h; y its bottom edge, measured from the top of
    // a view drawing into its cached image).
    void drawEventBox(kit::Graphics& g, const QRectF& box, const EventDayPtr& event,
                      const WDSubview* view);
    void drawEventText(kit::Graphics& g, const EventDayPtr& event, const QRectF& box,
                       WDSubview* view);
    // Lays `text` out wrapped in a box of `size`: the whole lines that fit, or
    // the first line when the box is lower than one (rows and small boxes
    // still show their title). False when there is nothing to draw. The day
    // popup's lists lay their texts out the same way.
    static bool layoutBoxedText(kit::TextLayout& layout, const QString& text,
                                const kit::TextAttributes& attributes, const QSizeF& size);
    // Wrapped text from the top of `rect`; lines that do not fit are left out.
    void drawBoxedText(kit::Graphics& g, const QString& text, const kit::TextAttributes& attributes,
                       const QRectF& rect, WDSubview* view);
    void drawFulldayTextForEvent(kit::Graphics& g, const EventDayPtr& event, const QRectF& row,
                                 WDSubview* view, bool eventIsMark);
    // A one-line grey text in a full-day row, shortened to fit.
    void drawFulldayText(kit::Graphics& g, const QString& text, const QRectF& row, WDSubview* view);
    // `text` cut to `width` with an ellipsis; texts of two characters or
    // fewer, and texts that fit, as they are.
    static QString truncateString(const QString& text, double width,
                                  const kit::TextAttributes& attributes);

    // The moment the past is greyed up to; none (the default) reads the clock.
    // Pictures of a fixed moment and the tests set it.
    static void setFixedNow(const MyDatePtr& now);

    // A timed event's box on a day, in hours from the bottom of the day: an
    // end at or after the next midnight lies at the bottom, a start before the
    // day's midnight at the top.
    struct HourSpan {
        double bottom = 0;
        double top = 0;
    };
    static HourSpan hourSpanOnDay(const QDateTime& start, const QDateTime& end,
                                  const MyDatePtr& day, double startOffset = 0,
                                  double endOffset = 0);

private:
    // A new record and its store event from `start` to `end` (hours of the
    // day `startHour` to `endHour`), in the calendar, not stored.
    static EventDayPtr newRecord(const std::shared_ptr<Calendar>& calendar, const MyDatePtr& start,
                                 const MyDatePtr& end, bool fullday, double startHour,
                                 double endHour);
    void showNewRecord(const EventDayPtr& record);
    void openEditorForNewEvent(const EventDayPtr& record);
    // Runs the modal loop of an edge drag; `follow` gets each drag's distance
    // in quarter hours from the press and the pointer's y in the hour area,
    // and answers whether the edge moved. Answers false for Escape.
    bool trackEdgeDrag(const EventDayPtr& event, const QPointF& from,
                       const std::function<bool(double hours, double y)>& follow);
    double visibleHours() const;
    double lastTopHour() const;
    void applyHeaderHeights(double columnHeight);

    YearViewCellPtr yvcell_;
    // The day's list as last laid out, held so that a list the cell still
    // hands out is known to be unchanged.
    YearViewCell::EventListPtr laidOutList_;
    WDHeaderView* headerView_ = nullptr;
    WDEventsView* eventsView_ = nullptr;
    int cellPosition_ = 1;
    bool isOffScreen_ = true;
    bool useNarrowText_ = false;
    std::vector<EventDayPtr> events_;
    std::vector<EventDayPtr> eventsBeforeDrag_;
    std::vector<EventDayPtr> fdevents_;
    float earliestEvent_ = 24.0f;
    float latestEvent_ = 0.0f;
    float earliestEventBottomBorder_ = 0.0f;
    float latestEventTopBorder_ = 0.0f;
    std::vector<EventDayPtr> hitRects_;
    EventDayPtr currentlyDraggedEvent_;
    float tempHourOffsetStart_ = 0.0f;
    float tempHourOffsetEnd_ = 0.0f;
    QImage cachedView_;
    std::vector<QPointer<kit::View>> visibleSubviews_;
    bool inLiveMove_ = false;
    bool inInitialDrawing_ = false;
};
