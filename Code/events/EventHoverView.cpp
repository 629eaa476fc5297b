#include "events/EventHoverView.h"

#include "data/Calendar.h"
#include "events/EventTexts.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/foundation/Log.h"
#include "platform/kit/Alert.h"
#include "platform/kit/AttributedString.h"
#include "platform/kit/Button.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Workspace.h"
#include "platform/store/Calendar.h"

#include <algorithm>

namespace {

// The class-wide values, read once before the first card is filled.
struct CardClassValues {
    QString language = QStringLiteral("en");
    QImage recurrenceIcon;
    QImage alarmIcon;
};

CardClassValues& classValues() {
    static CardClassValues values;
    return values;
}

constexpr double kLabelWidth = 90;
constexpr double kUrlButtonWidth = 213;
constexpr double kUrlButtonHeight = 28;

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key));
}

}  // namespace

EventHoverView::EventHoverView(const QRectF& frame) : kit::View(frame) {
    gui_urlButton = new kit::Button(QRectF(kValueX, 0, kUrlButtonWidth, kUrlButtonHeight));
    gui_urlButton->setBordered(false);
    gui_urlButton->setTitleColor(QColor(150, 200, 255));
    gui_urlButton->setTitleAlignment(kit::TextAlignment::Left);
    gui_urlButton->setTarget(this);
    gui_urlButton->setAction("urlPressed");
    gui_urlButton->setHidden(true);
    addSubview(gui_urlButton);
}

EventHoverView::~EventHoverView() = default;

void EventHoverView::initialize() {
    static const bool done = [] {
        CardClassValues& values = classValues();
        const QString language = EventTexts::preferredLanguage();
        if (!language.isEmpty()) values.language = language;
        values.recurrenceIcon = kit::Image::named(QStringLiteral("RecurrenceSmallWhite"));
        values.alarmIcon = kit::Image::named(QStringLiteral("AlarmSmallWhite"));
        return true;
    }();
    (void)done;
}

void EventHoverView::setupDefaults() {
    kit::ParagraphStyle paragraph;
    paragraph.lineSpacing = -1;
    paragraph.hyphenationFactor = 0.75;
    const QColor white = kit::Color::white(1.0, 1.0);
    textAttribsBig = kit::TextAttributes(kit::Font::boldSystemFont(kit::Font::systemFontSize()),
                                         white, paragraph);
    textAttribsBold = kit::TextAttributes(
        kit::Font::boldSystemFont(kit::Font::smallSystemFontSize()), white, paragraph);
    textAttribsStandard = kit::TextAttributes(
        kit::Font::systemFont(kit::Font::smallSystemFontSize()), white, paragraph);
    flippedY = false;
    textLayoutMgr = std::make_unique<kit::TextLayout>();
}

void EventHoverView::setShowsUIDShowsTimestampShowsCalendar(bool uid, bool timestamp,
                                                            bool calendar) {
    showsUID_ = uid;
    showsTimestamp_ = timestamp;
    showsCalendar_ = calendar;
}

float EventHoverView::setEvent(const EventDayPtr& record) {
    initialize();
    removeAllTextViews();
    theEvent = record;
    const calstore::EventPtr e = record ? record->event() : nullptr;
    const EventTexts texts({classValues().language, true});
    if (e) {
        titleText = e->title();
        locationText = e->location();
        datesText = texts.determineDatesTextForStartAndEndIsFullday(e->startDate(), e->endDate(),
                                                                    record->fulldayEvent());
        attendeesText = EventTexts::determineAttendeesText(e->attendees());
        notesText = e->notes();
        uidText = e->uid();
        calendarText = e->calendar() ? e->calendar()->title() : QString();
        datestampText = EventTexts::determineDateTextFor(e->dateStamp());
        recurrenceText =
            texts.determineRecurrenceTextForStoreRule(e->recurrenceRule(), e->startDate());
        url_ = e->url();
        urlText = url_.isEmpty() ? QString() : url_.toString();
        eventHasAlarm = e->hasAlarm();
    } else {
        titleText = locationText = datesText = attendeesText = notesText = uidText = calendarText =
            datestampText = recurrenceText = urlText = QString();
        url_ = QUrl();
        eventHasAlarm = false;
    }
    if (titleText.isEmpty()) titleText = text("wveipUntitledEvent");
    if (calendarText.isEmpty()) calendarText = text("wveipUnknownCalendar");
    if (datestampText.isEmpty()) datestampText = text("wveipNotYetSavedEventDate");
    if (!textAttribsBold) setupDefaults();
    return determineViewHeight();
}

double EventHoverView::iconBand() const {
    const int icons = int(eventHasAlarm) + int(!recurrenceText.isEmpty());
    return icons ? icons * kIconSize + 10 : 0;
}

double EventHoverView::drawingWidth() const {
    return innerHeight_ > kMaxVisibleHeight ? kNarrowDrawingWidth : kWideDrawingWidth;
}

float EventHoverView::determineViewHeight() {
    if (!textAttribsBold) setupDefaults();
    const double i = iconBand();
    auto measure = [this](const QString& s, const kit::TextAttributes& attributes, double width,
                          double limit) {
        return s.isEmpty() ? QRectF()
                           : requiredRectForTextWithAttributesInRect(s, attributes,
                                                                     QRectF(0, 0, width, limit));
    };
    titleRect = measure(titleText, textAttribsBig, kTextWidth - i, kMeasureLimit);
    recurrenceRect = measure(recurrenceText, textAttribsStandard, kTextWidth, kMeasureLimit);
    notesRect = measure(notesText, textAttribsStandard, kTextWidth, kMeasureLimit);
    uidRect = measure(uidText, textAttribsStandard, kTextWidth, kMeasureLimit);
    locationRect = measure(locationText, textAttribsStandard, kValueWidth, kValueMeasureLimit);
    attendeesRect = measure(attendeesText, textAttribsStandard, kValueWidth, kValueMeasureLimit);
    urlRect = measure(urlText, textAttribsStandard, kValueWidth, kValueMeasureLimit);
    urlRect.setHeight(kUrlHeight);

    double h = 3 + titleRect.height() + 4 + kLineHeight + 4;
    if (!recurrenceText.isEmpty()) h += recurrenceRect.height() + 6;
    h += 14 + 10;
    if (!locationText.isEmpty()) h += locationRect.height() - 14 + 6;
    if (!attendeesText.isEmpty()) h += 14 + attendeesRect.height() - 14 + 6;
    const double a = h;
    if (!urlText.isEmpty()) h += 14 + kUrlHeight - 14 + 6;
    if (!notesText.isEmpty()) h += 10 + notesRect.height() + 6;
    if (showsUID_ || showsTimestamp_ || showsCalendar_) {
        if (!locationText.isEmpty() || !attendeesText.isEmpty() || !urlText.isEmpty() ||
            !notesText.isEmpty())
            h += 10;
        if (showsUID_) h += uidRect.height();
        if (showsTimestamp_) h += kLineHeight;
        if (showsCalendar_) h += kLineHeight;
        h += 2;
    }
    h = std::max(h, kMinimumHeight);
    innerHeight_ = float(h);

    if (!urlText.isEmpty()) {
        urlHoverRect = QRectF(kValueX, h - a - 24, kUrlButtonWidth, kUrlButtonHeight);
        gui_urlButton->setFrame(urlHoverRect);
        gui_urlButton->setTitle(urlText);
        gui_urlButton->setHidden(false);
    } else {
        gui_urlButton->setHidden(true);
    }
    return innerHeight_;
}

EventHoverView::Layout EventHoverView::layout() const {
    Layout l;
    double u = titleRect.height() + 22;
    l.dates = u - 13;
    u += 4;
    if (!recurrenceText.isEmpty()) {
        l.recurrence = u + 1;
        u += recurrenceRect.height() + 6;
    }
    l.separator = u + 5.5;
    u += 24;
    if (!locationText.isEmpty()) {
        l.location = u - 13;
        u += locationRect.height() - 8;
    }
    if (!attendeesText.isEmpty()) {
        u += 14;
        l.attendees = u - 13;
        u += attendeesRect.height() - 8;
    }
    if (!urlText.isEmpty()) {
        l.url = u + 1;
        u += 19;
    }
    if (!notesText.isEmpty()) {
        l.notesSeparator = u + 5.5;
        l.notes = u + 12;
        u += 10 + notesRect.height() + 6;
    }
    if (showsUID_ || showsTimestamp_ || showsCalendar_) {
        if (!locationText.isEmpty() || !attendeesText.isEmpty() || !urlText.isEmpty() ||
            !notesText.isEmpty()) {
            l.optionalSeparator = u + 5.5;
            u += 10;
        }
        if (showsUID_) {
            l.uid = u;
            u += uidRect.height();
        }
        if (showsTimestamp_) {
            u += 14;
            l.timestamp = u - 13;
        }
        if (showsCalendar_) l.calendar = u + 1;
    }
    return l;
}

QRectF EventHoverView::fromTop(double x, double top, double width, double height) const {
    return QRectF(x, bounds().height() - top - height, width, height);
}

void EventHoverView::removeAllTextViews() {
    const std::vector<kit::View*> views = subviews();
    for (kit::View* view : views) {
        if (view->metaObject() != &kit::TextView::staticMetaObject) continue;
        view->removeFromSuperview();
        view->deleteLater();
    }
    titleView_ = locationView_ = attendeesView_ = notesView_ = uidView_ = nullptr;
}

kit::TextView* EventHoverView::makeTextView(const QString& s, const kit::TextAttributes& attributes,
                                            const QRectF& frame) {
    auto* view = new kit::TextView(frame);
    view->setEditable(false);
    view->setSelectable(true);
    view->setDrawsBackground(false);
    view->setTextContainerInset(0);
    view->setFont(attributes.font);
    view->setTextColor(attributes.color);
    view->setLineSpacing(attributes.paragraph.lineSpacing);
    view->setString(s);
    addSubview(view);
    return view;
}

void EventHoverView::setTextViewsForRect(const QRectF& r) {
    removeAllTextViews();
    if (!textAttribsBold) setupDefaults();
    const Layout l = layout();
    // A rectangle of `r` given by its distance below r's top edge.
    auto at = [&r](double x, double top, double width, double height) {
        return QRectF(x, r.y() + r.height() - top - height, width, height);
    };
    titleView_ = makeTextView(
        titleText, textAttribsBig,
        at(r.x(), l.title, r.width() - kScrollerRoom - iconBand(), titleRect.height()));
    const double v = innerHeight_ > kMaxVisibleHeight ? r.width() - kScrollerRoom : r.width();
    if (l.location)
        locationView_ =
            makeTextView(locationText, textAttribsStandard,
                         at(r.x() + kValueX, *l.location, v - 65, locationRect.height()));
    if (l.attendees)
        attendeesView_ =
            makeTextView(attendeesText, textAttribsStandard,
                         at(r.x() + kValueX, *l.attendees, v - 65, attendeesRect.height()));
    if (l.notes)
        notesView_ = makeTextView(notesText, textAttribsStandard,
                                  at(r.x(), *l.notes, v, notesRect.height()));
    if (l.uid)
        uidView_ =
            makeTextView(uidText, textAttribsStandard, at(r.x(), *l.uid, v, uidRect.height()));
}

void EventHoverView::scrollToTop() {
    setFrame(QRectF(0, 0, kCardWidth, innerHeight_));
    const double visible = superview() ? superview()->bounds().height() : innerHeight_;
    scrollPoint(QPointF(0, innerHeight_ - visible));
}

void EventHoverView::drawLabel(kit::Graphics& graphics, const char* key, double top) {
    drawBoxedTextWithAttributesInRect(graphics, text(key), textAttribsStandard,
                                      fromTop(0, top, kLabelWidth, kLineHeight));
}

void EventHoverView::drawRect(kit::Graphics& graphics, const QRectF&) {
    if (!textAttribsBold) setupDefaults();
    initialize();
    const double w = drawingWidth();
    const Layout l = layout();
    const CardClassValues& values = classValues();

    graphics.saveGraphicsState();
    graphics.setColor(kit::Color::lightGray());
    graphics.setDefaultLineWidth(1.0);
    auto separator = [&](double top) {
        const double y = bounds().height() - top;
        graphics.strokeLine(QPointF(0, y), QPointF(w, y));
    };
    auto icon = [&](const QImage& image, double x) {
        graphics.drawImage(image, fromTop(x, 5, kIconSize, kIconSize), QRectF(),
                           kit::CompositingOperation::SourceOver, 1.0, true);
    };

    // The alarm icon stands rightmost, the repetition icon left of it.
    if (eventHasAlarm) icon(values.alarmIcon, w - kIconSize);
    if (!recurrenceText.isEmpty())
        icon(values.recurrenceIcon, eventHasAlarm ? w - 2 * kIconSize : w - kIconSize);

    drawBoxedTextWithAttributesInRect(graphics, datesText, *textAttribsBold,
                                      fromTop(0, l.dates, w - 2, kLineHeight));
    if (l.recurrence)
        drawBoxedTextWithAttributesInRect(graphics, recurrenceText, textAttribsStandard,
                                          fromTop(0, *l.recurrence, w, recurrenceRect.height()));
    separator(l.separator);
    if (l.location) drawLabel(graphics, "wveipLocation", *l.location);
    if (l.attendees) drawLabel(graphics, "wveipAttendees", *l.attendees);
    if (l.url) drawLabel(graphics, "wveipUrlAddress", *l.url);
    if (l.notesSeparator) separator(*l.notesSeparator);
    if (l.optionalSeparator) separator(*l.optionalSeparator);
    if (l.timestamp) {
        drawLabel(graphics, "wveipEventLastModified", *l.timestamp);
        drawBoxedTextWithAttributesInRect(graphics, datestampText, textAttribsStandard,
                                          fromTop(kValueX, *l.timestamp, w - 65, kLineHeight));
    }
    if (l.calendar) {
        drawLabel(graphics, "wveipEventCalendar", *l.calendar);
        drawBoxedTextWithAttributesInRect(graphics, calendarText, textAttribsStandard,
                                          fromTop(kValueX, *l.calendar, w - 65, kLineHeight));
    }
    graphics.restoreGraphicsState();
}

void EventHoverView::drawBoxedTextWithAttributesInRect(kit::Graphics& graphics, const QString& s,
                                                       const kit::TextAttributes& attributes,
                                                       const QRectF& rect) {
    if (!textLayoutMgr) setupDefaults();
    // The view answers flipped while the glyphs are drawn, which keeps them upright.
    if (!textLayoutMgr->drawBoxed(graphics, kit::AttributedString(s, attributes), rect,
                                  [this](bool drawing) { flippedY = drawing; }))
        setNeedsDisplay(true);
}

QRectF EventHoverView::requiredRectForTextWithAttributesInRect(
    const QString& s, const kit::TextAttributes& attributes, const QRectF& rect) {
    if (!textLayoutMgr) setupDefaults();
    return textLayoutMgr->requiredRect(kit::AttributedString(s, attributes), rect.size());
}

// -- The link

bool EventHoverView::opensWithoutAsking(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("mailto");
}

bool EventHoverView::openURL(const QUrl& url) const {
    return kit::Workspace::openURL(url);
}

void EventHoverView::urlPressed(QObject*) {
    if (urlText.isEmpty()) return;
    if (url_.scheme().isEmpty()) {
        // A bare address ("www.example.com") is taken as a web page.
        if (openURL(url_) || urlText.startsWith(QLatin1String("http"))) return;
        if (!openURL(QUrl(QStringLiteral("http://%1").arg(urlText))))
            foundation::log(
                QStringLiteral("ERROR: couldn't find a way to open URL %1").arg(urlText));
        return;
    }
    if (!opensWithoutAsking(url_)) {
        // Any other scheme may start a program: the user sees the address first.
        kit::Alert alert;
        alert.setMessageText(foundation::formatLocalizedWith(text("ehvOpenOtherURL"), urlText));
        alert.setInformativeText(text("ehvOpenOtherURLInfo"));
        alert.addButtonWithTitle(text("ehvOpenOtherURLOpen"));
        alert.addButtonWithTitle(text("ehvOpenOtherURLCancel"));
        if (alert.runModal() != kit::Alert::FirstButtonReturn) return;
    }
    if (!openURL(url_))
        foundation::log(QStringLiteral("ERROR: couldn't find a way to open URL %1").arg(urlText));
}
