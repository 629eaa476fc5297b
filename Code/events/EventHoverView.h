#pragma once

#include "data/EventDay.h"
#include "platform/kit/Button.h"
#include "platform/kit/TextAttributes.h"
#include "platform/kit/TextLayout.h"
#include "platform/kit/TextView.h"
#include "platform/kit/View.h"

#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

// The read-only card of the event hover: an event's title, dates, repetition,
// location, attendees, link and notes in white on the dark panel, and on
// request its UID, time stamp and calendar. Blocks without text take no room.
// The texts a user may want to copy (title, location, attendees, notes, UID)
// are selectable text views; the rest is drawn. The card computes the height it
// needs; its host shows at most kMaxVisibleHeight of it and scrolls the rest,
// and the card then keeps kScrollerRoom free at its right edge for the
// scroller.
//
// Main thread only: one text layout is reused for all measuring and drawing.
class EventHoverView final : public kit::View {
    Q_OBJECT

public:
    // Layout, in points.
    static constexpr double kCardWidth = 300;
    static constexpr double kTextWidth = 278;   // full-width texts are measured in it
    static constexpr double kValueX = 70;       // the value column beside the labels
    static constexpr double kValueWidth = 208;  // kTextWidth - kValueX
    static constexpr double kMinimumHeight = 200;
    static constexpr double kMaxVisibleHeight = 400;
    static constexpr double kScrollerRoom = 22;
    static constexpr double kWideDrawingWidth = 297;
    static constexpr double kNarrowDrawingWidth = 278;
    static constexpr double kIconSize = 14;
    static constexpr double kLineHeight = 14;
    static constexpr double kUrlHeight = 13;
    static constexpr double kMeasureLimit = 800;
    static constexpr double kValueMeasureLimit = 170;

    // Where the blocks lie, as distances below the card's top edge; a block
    // that is not shown has no entry.
    struct Layout {
        double title = 4;
        double dates = 0;
        std::optional<double> recurrence;
        double separator = 0;
        std::optional<double> location;
        std::optional<double> attendees;
        std::optional<double> url;
        std::optional<double> notesSeparator;
        std::optional<double> notes;
        std::optional<double> optionalSeparator;
        std::optional<double> uid;
        std::optional<double> timestamp;
        std::optional<double> calendar;
    };

    explicit EventHoverView(const QRectF& frame = QRectF());
    ~EventHoverView() override;

    // Reads the name tables' language and the icons, once.
    static void initialize();

    // Builds the text attributes and the layout objects.
    void setupDefaults();
    void setShowsUIDShowsTimestampShowsCalendar(bool uid, bool timestamp, bool calendar);
    // Takes the event's texts and answers the height the card needs.
    float setEvent(const EventDayPtr& event);
    const EventDayPtr& event() const { return theEvent; }
    // Measures the blocks, stores and answers innerHeight, places the URL button.
    float determineViewHeight();
    // Drops the text views (the URL button stays).
    void removeAllTextViews();
    // Makes the selectable text views for the card's frame `rect`.
    void setTextViewsForRect(const QRectF& rect);
    // Gives the card its full frame and shows its top in the enclosing clip view.
    void scrollToTop();

    void drawRect(kit::Graphics& graphics, const QRectF& dirtyRect) override;
    // Draws the text wrapped to the rectangle, its first line at the top edge.
    void drawBoxedTextWithAttributesInRect(kit::Graphics& graphics, const QString& text,
                                           const kit::TextAttributes& attributes,
                                           const QRectF& rect);
    // The rectangle the text takes wrapped to the rectangle's width.
    QRectF requiredRectForTextWithAttributesInRect(const QString& text,
                                                   const kit::TextAttributes& attributes,
                                                   const QRectF& rect);
    void setFlippedY(bool flipped) { flippedY = flipped; }
    bool isFlipped() const override { return flippedY; }

    // Opens the event's link. Web and mail addresses open at once; a text
    // without a scheme is tried again as a web address; any other scheme is
    // opened only when the user agrees in an alert that names it.
    Q_INVOKABLE void urlPressed(QObject* sender = nullptr);
    // Whether a link of this scheme opens without asking.
    static bool opensWithoutAsking(const QUrl& url);

    // -- What the card shows, for its host and tests.
    float innerHeight() const { return innerHeight_; }
    // The width the drawn content takes: narrower when the card scrolls.
    double drawingWidth() const;
    // The band the icons take left of the title's right end (0 without icons).
    double iconBand() const;
    Layout layout() const;
    bool showsUID() const { return showsUID_; }
    bool showsTimestamp() const { return showsTimestamp_; }
    bool showsCalendar() const { return showsCalendar_; }
    bool hasAlarm() const { return eventHasAlarm; }
    QString title() const { return titleText; }
    QString datesLine() const { return datesText; }
    QString recurrenceLine() const { return recurrenceText; }
    QString locationLine() const { return locationText; }
    QString attendeesLine() const { return attendeesText; }
    QString urlLine() const { return urlText; }
    QString notesLine() const { return notesText; }
    QString uidLine() const { return uidText; }
    QString calendarLine() const { return calendarText; }
    QString timestampLine() const { return datestampText; }
    kit::Button* urlButton() const { return gui_urlButton; }
    kit::TextView* titleView() const { return titleView_; }
    kit::TextView* locationView() const { return locationView_; }
    kit::TextView* attendeesView() const { return attendeesView_; }
    kit::TextView* notesView() const { return notesView_; }
    kit::TextView* uidView() const { return uidView_; }

private:
    kit::TextView* makeTextView(const QString& text, const kit::TextAttributes& attributes,
                                const QRectF& frame);
    // A label of the left column with its top `top` below the card's top.
    void drawLabel(kit::Graphics& graphics, const char* key, double top);
    // A rectangle given by its distance below the card's top edge.
    QRectF fromTop(double x, double top, double width, double height) const;
    bool openURL(const QUrl& url) const;

    std::optional<kit::TextAttributes> textAttribsBold;
    kit::TextAttributes textAttribsBig;
    kit::TextAttributes textAttribsStandard;
    std::unique_ptr<kit::TextLayout> textLayoutMgr;
    kit::Button* gui_urlButton = nullptr;
    bool flippedY = false;
    EventDayPtr theEvent;
    bool showsUID_ = false;
    bool showsTimestamp_ = false;
    bool showsCalendar_ = false;
    bool eventHasAlarm = false;
    float innerHeight_ = float(kMinimumHeight);
    QString titleText, locationText, datesText, notesText, attendeesText, urlText, uidText,
        calendarText, datestampText, recurrenceText;
    QUrl url_;
    QRectF titleRect, locationRect, attendeesRect, notesRect, urlRect;
    QRectF urlHoverRect;
    QRectF recurrenceRect, uidRect;
    QPointer<kit::TextView> titleView_, locationView_, attendeesView_, notesView_, uidView_;
};
