// The calendar and marker hover: the statistics view's texts, counts and where
// it draws them, and the panel that shows it beside a row of the source list.

#include "SourceListFixture.h"
#include "data/MyEventStore.h"
#include "data/MyStoreGroup.h"
#include "data/ScopedUserCalendar.h"
#include "platform/kit/Button.h"
#include "platform/kit/Event.h"
#include "platform/kit/ScrollView.h"
#include "shell/AppDelegate.h"
#include "shell/HoverPanels.h"
#include "shell/MainWindowCtrl.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"
#include "sources/CalHoverView.h"
#include "sources/CalSourceHoverController.h"
#include "yearview/YearView.h"

#include <QDateTime>
#include <QPainter>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>

using sourcelisttest::StoreFixture;
using testsupport::saveForInspection;

namespace {

QDateTime dayAt(int year, int month, int day, int hour = 0, int minute = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute),
                     QTimeZone(QByteArray("Europe/Berlin")));
}

// The source list's store with a year page of 2011 whose counts the view reads.
struct HoverFixture : StoreFixture {
    void SetUp() override {
        StoreFixture::SetUp();
        QString error;
        ASSERT_TRUE(testsupport::registerFactoryDefaults(&error)) << error.toStdString();
        delegate = std::make_unique<AppDelegate>();
        delegate->today = MyDate::dateWithDayMonthYear(15, 6, 2011);
        delegate->calendarSources = sources;
        page = YearView::initWithYear(2011);
        CalHoverView::setYearViewSource([this] { return page; });
        home = sources->calendarWithName(QStringLiteral("Home"));
        work = sources->calendarWithName(QStringLiteral("Work"));
    }
    void TearDown() override {
        CalSourceHoverController::resetSharedWinController();
        MainWindowCtrl::changeServices([](MainWindowCtrl::Services& s) {
            s.calSourceHoverKeyPressed = nullptr;
            s.calSourceHoverOriginatingViewMoved = nullptr;
        });
        CalHoverView::setYearViewSource(nullptr);
        delete page;
        delegate.reset();
        StoreFixture::TearDown();
    }

    // An event on every day from the first to the last, as the loader enters it.
    void enter(const CalendarPtr& calendar, int month, int firstDay, int lastDay,
               const QString& location = QString()) {
        auto event = calstore::Event::event();
        event->setTitle(QStringLiteral("Entry"));
        event->setLocation(location);
        event->setIsAllDay(true);
        event->setStartDate(dayAt(2011, month, firstDay));
        event->setEndDate(dayAt(2011, month, lastDay, 23, 59));
        for (int day = firstDay; day <= lastDay; ++day)
            page->model()->threadedAddEventFromCalendarForDayInMonthInFullLoading(
                event, calendar, day, month, false);
    }
    void mark(const EMarkerPtr& marker, int month, std::initializer_list<int> days) {
        for (int day : days) enter(work, month, day, day, QStringLiteral("Zolt:") + marker->uID());
    }

    ScopedUserCalendar userCalendar{"Europe/Berlin", 2, 4};
    std::unique_ptr<AppDelegate> delegate;
    YearView* page = nullptr;
    CalendarPtr home, work;
};

// --- The statistics view ------------------------------------------------------------

class CalHoverViewTest : public HoverFixture {
protected:
    static constexpr double W = CalSourceHoverController::kViewWidth;
    static constexpr double H = CalSourceHoverController::kViewHeight;

    // The view drawn on the hover's dark box, saved for a person to look at;
    // answers the view's own ink.
    static QImage shown(CalHoverView& view, const QString& name) {
        const QImage ink = view.renderToImage();
        testsupport::saveOnHoverBox(ink, name);
        return ink;
    }
    static bool inked(const QImage& image, int x, int y) {
        return image.pixelColor(x, y).alpha() > 40;
    }
    // The columns that carry ink in rows [top, bottom) and columns [left, right).
    static std::pair<int, int> inkColumns(const QImage& image, int top, int bottom, int left,
                                          int right) {
        int lo = right, hi = left - 1;
        for (int y = top; y < bottom; ++y)
            for (int x = std::max(0, left); x < std::min(image.width(), right); ++x)
                if (image.pixelColor(x, y).alpha() > 100)
                    lo = std::min(lo, x), hi = std::max(hi, x);
        return {lo, hi};
    }
    // A light-grey rule across the full width on image row `row`.
    // The mean colour of the solid ink in a region.
    static QColor inkColour(const QImage& image, int top, int bottom, int left, int right) {
        double r = 0, g = 0, b = 0;
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = std::max(0, left); x < std::min(image.width(), right); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() < 200) continue;
                r += c.red(), g += c.green(), b += c.blue(), ++n;
            }
        return n ? QColor(int(r / n), int(g / n), int(b / n)) : QColor();
    }
    static double widthOf(CalHoverView& view, const QString& text) {
        return view
            .requiredRectForTextWithAttributesInRect(text, view.standardAttributes(),
                                                     QRectF(120, 0, W - 120, 14))
            .width();
    }
    static void expectRule(const QImage& image, int row) {
        for (int x : {1, int(W) / 2, int(W) - 2}) {
            const QColor c = image.pixelColor(x, row);
            EXPECT_TRUE(testsupport::colorNear(c, QColor(170, 170, 170), 6))
                << "row " << row << " x " << x << " " << c.name().toStdString();
        }
    }
    static void expectNoRule(const QImage& image, int row) {
        EXPECT_FALSE(inked(image, int(W) - 2, row)) << "row " << row;
    }
    // The month table with its top at image row `top`: ticks on the band's
    // rule, names centred on cx + 20 and counts ending at cx + 38.
    static void expectMonthTable(const QImage& image, int top) {
        const double tx = W - 271;
        for (int band = 0; band < 2; ++band) {
            const int b = top + 60 * band;
            for (int c = 0; c <= 6; ++c) {
                const int cx = int(tx + 45 * c);
                // The tick reaches above and below the rule (row b + 21).
                EXPECT_TRUE(inked(image, cx, b + 20)) << "tick " << c << " band " << band;
                EXPECT_TRUE(inked(image, cx, b + 22)) << "tick " << c << " band " << band;
                const int beside = c == 6 ? cx - 10 : cx + 10;
                EXPECT_FALSE(inked(image, beside, b + 20));
                EXPECT_TRUE(inked(image, beside, b + 21));
                if (c == 6) continue;
                const auto [nameLeft, nameRight] = inkColumns(image, b + 2, b + 16, cx, cx + 45);
                ASSERT_LE(nameLeft, nameRight) << "no month name in column " << c;
                EXPECT_NEAR((nameLeft + nameRight + 1) / 2.0, cx + 20, 2.5) << c;
                const auto [countLeft, countRight] = inkColumns(image, b + 26, b + 40, cx, cx + 45);
                ASSERT_LE(countLeft, countRight) << "no count in column " << c;
                EXPECT_LE(countRight, cx + 38);
                EXPECT_GE(countRight, cx + 34);
            }
        }
    }
};

TEST_F(CalHoverViewTest, ACalendarWithoutDescriptionShowsItsFormAndCountsEveryDayOfItsEvents) {
    enter(home, 3, 3, 5);  // three days
    enter(home, 11, 20, 20);
    enter(work, 3, 10, 10);  // another calendar's
    CalHoverView view(QRectF(0, 0, W, H));
    view.setCalendar(home);
    EXPECT_EQ(view.title(), "Home");
    EXPECT_EQ(view.typeText(), "Calendar");
    const MyStoreGroupPtr group = MyEventStore::groupOfCalendar(home->calendar());
    EXPECT_EQ(view.groupText(), group ? group->title() : QStringLiteral("none"));
    EXPECT_EQ(view.uidText(), home->uid());
    EXPECT_EQ(view.year(), 2011);
    EXPECT_EQ(view.countForMonth(3), 3);
    EXPECT_EQ(view.countForMonth(11), 1);
    EXPECT_EQ(view.countForMonth(1), 0);
    EXPECT_EQ(view.total(), 4);

    const QImage img = shown(view, QStringLiteral("cal-hover-calendar"));
    // The title and the colour disc in a white ring at the top right.
    EXPECT_GT(inkColumns(img, 2, 18, 0, int(W) - 20).second, 40);
    EXPECT_TRUE(testsupport::colorNear(img.pixelColor(int(W) - 8, 12), home->color(), 10));
    EXPECT_TRUE(testsupport::colorNear(img.pixelColor(int(W) - 8, 4), QColor(255, 255, 255), 60));
    // Without a description the rule of the type block lies at H - 27.5.
    expectRule(img, 27);
    expectNoRule(img, 89);
    // An ordinary calendar has no badge beside its type.
    const int typeTop = 38;
    const int badgeLeft = 120 + int(widthOf(view, view.typeText())) + 6;
    EXPECT_LT(inkColumns(img, typeTop, typeTop + 16, badgeLeft + 2, int(W)).second, badgeLeft + 2);
    expectRule(img, 93);  // below the group row
    expectMonthTable(img, 122);
    // The total ends 8 points left of the right edge in pale yellow, its label
    // 8 points left of it.
    const auto [lineLeft, totalRight] = inkColumns(img, 254, 268, 0, int(W));
    EXPECT_LE(totalRight, int(W) - 8);
    EXPECT_GE(totalRight, int(W) - 13);
    // Walking left from the total's end, the first run of empty columns is
    // the gap before its label.
    int totalLeft = totalRight, labelRight = -1;
    for (int x = totalRight; x > lineLeft; --x) {
        if (inkColumns(img, 254, 268, x, x + 1).second == x) {
            if (totalLeft - x > 1) {
                labelRight = x;
                break;
            }
            totalLeft = x;
        }
    }
    const QColor yellow = inkColour(img, 254, 268, totalLeft, totalRight + 1);
    EXPECT_GT(yellow.red(), yellow.blue() + 20) << yellow.name().toStdString();
    const QColor white = inkColour(img, 254, 268, lineLeft, labelRight + 1);
    EXPECT_LT(white.red(), white.blue() + 10) << white.name().toStdString();
    EXPECT_GE(totalLeft - labelRight, 5);
    EXPECT_LE(totalLeft - labelRight, 13);
    // The identifier below the last rule, down to H - 330.
    expectRule(img, 296);
    EXPECT_GT(inkColumns(img, 302, 330, 0, int(W)).second, 20);
    EXPECT_EQ(inkColumns(img, 331, int(H), 0, int(W)).second, -1);
}

TEST_F(CalHoverViewTest, ADescriptionTakesThreeLinesBetweenTwoRules) {
    home->setNotes(QStringLiteral("First line of the description\nSecond\nThird\nFourth is cut"));
    CalHoverView view(QRectF(0, 0, W, H));
    view.setCalendar(home);
    const QImage img = shown(view, QStringLiteral("cal-hover-calendar-described"));
    expectRule(img, 27);
    EXPECT_GT(inkColumns(img, 36, 78, 0, int(W)).second, 50);
    expectRule(img, 89);
    expectMonthTable(img, 184);
    EXPECT_EQ(inkColumns(img, 393, int(H), 0, int(W)).second, -1);
}

TEST_F(CalHoverViewTest, TypeTextsAndBadges) {
    struct Case {
        int type;
        QString error;
        QString text;
        bool badge;
    };
    const Case cases[] = {
        {Calendar::kTypeNormal, {}, QStringLiteral("Calendar"), false},
        {Calendar::kTypeNormal, QStringLiteral("write failed"), QStringLiteral("Calendar"), true},
        {Calendar::kTypeHoliday, {}, QStringLiteral("Holiday calendar"), true},
        {Calendar::kTypeMarker, {}, QStringLiteral("Marker calendar"), true},
        {7, {}, QStringLiteral("unknown"), false},
    };
    for (const Case& c : cases) {
        home->setCalendarType(c.type);
        home->setUpdateError(c.error);
        CalHoverView view(QRectF(0, 0, W, H));
        view.setCalendar(home);
        EXPECT_EQ(view.typeText(), c.text) << c.type;
        const QImage img = view.renderToImage();
        // The 16-point badge stands 6 points right of the type text.
        const int left = 120 + int(widthOf(view, c.text)) + 6;
        const bool badge = inkColumns(img, 38, 54, left + 2, int(W)).second >= left + 2;
        EXPECT_EQ(badge, c.badge) << c.type << " " << c.error.toStdString();
        if (!c.error.isEmpty()) {
            const QColor red = img.pixelColor(left + 3, 46);
            EXPECT_GT(red.red(), red.green() + 80) << red.name().toStdString();
            saveForInspection(img, QStringLiteral("cal-hover-error-badge"));
        }
    }
}

TEST_F(CalHoverViewTest, AMarkerCountsItsMarkedDaysAndNamesItsStore) {
    const EMarkerPtr holidays = addMarker(QStringLiteral("Vacation"));
    holidays->setMarkerType(8);
    holidays->setCalendarUID(work->uid());
    holidays->setNotes(QStringLiteral("Days off"));
    const EMarkerPtr other = addMarker(QStringLiteral("Other"));
    mark(holidays, 3, {1, 9, 30});
    mark(holidays, 11, {2, 3, 4, 5, 6});
    mark(other, 3, {2});
    CalHoverView view(QRectF(0, 0, W, H));
    view.setMarker(holidays);
    EXPECT_EQ(view.countForMonth(3), 3);
    EXPECT_EQ(view.countForMonth(11), 5);
    EXPECT_EQ(view.total(), 8);
    EXPECT_EQ(view.storeText(), "Work");
    EXPECT_EQ(view.typeText(), "Dot");
    EXPECT_EQ(view.groupText(), "");
    EXPECT_EQ(view.description(), "Days off");
    const QImage img = shown(view, QStringLiteral("cal-hover-marker"));
    // The heading spans the width (no disc); the preview stands at the right
    // of the type row.
    EXPECT_FALSE(inked(img, int(W) - 8, 10));
    const int typeTop = 2 + 20 + 14 + 48 + 14;
    EXPECT_GE(inkColumns(img, typeTop, typeTop + 17, int(W) - 80, int(W)).second, int(W) - 4);
    // With a description the marker form reaches down to H - 372.
    expectMonthTable(img, typeTop + 16 + 16 + 14 + 20);
    EXPECT_EQ(inkColumns(img, 373, int(H), 0, int(W)).second, -1);

    // Without a known store it says so.
    other->setCalendarUID(QStringLiteral("gone"));
    view.setMarker(other);
    EXPECT_EQ(view.storeText(), "no marker calendar");
    EXPECT_EQ(view.total(), 1);
    EXPECT_EQ(view.description(), "");
}

TEST_F(CalHoverViewTest, NothingHeldDrawsNothing) {
    CalHoverView view(QRectF(0, 0, W, H));
    view.setCalendar(home);
    view.setMarker(nullptr);
    EXPECT_FALSE(view.calendar() || view.marker());
    EXPECT_EQ(inkColumns(view.renderToImage(), 0, int(H), 0, int(W)).second, -1);
}

// --- The panel ----------------------------------------------------------------------

class CalSourceHoverTest : public HoverFixture {
protected:
    void SetUp() override {
        HoverFixture::SetUp();
        CalSourceHoverController::installEntries();
        CalendarSources::changeServices([this](CalendarSources::Services& s) {
            s.openCalendarSheet = [this](const CalendarPtr& c) { editedCalendars << c; };
            s.openMarkerSheet = [this](const EMarkerPtr& m) { editedMarkers << m; };
        });
    }
    CalSourceHoverController* hover() { return CalSourceHoverController::existingWinController(); }
    // Double click on the selected row.
    void openOn(const SourceListItemPtr& item) {
        outline->selectRow(outline->rowForItem(item));
        sources->entryDoubleClick(false);
    }
    static std::optional<kit::Event> key(int code) {
        return MainWindowCtrl::services().calSourceHoverKeyPressed(
            kit::Event::keyEvent(kit::EventType::KeyDown, code, QStringLiteral(" ")));
    }

    QList<CalendarPtr> editedCalendars;
    QList<EMarkerPtr> editedMarkers;
};

TEST_F(CalSourceHoverTest, OpensBesideItsRowAndCountsAnewOnlyForAnotherItem) {
    enter(home, 3, 3, 5);
    openOn(home);
    ASSERT_TRUE(hover() && hover()->windowOpen());
    SpringPanel* panel = hover()->panel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->actualOpeningDirection(), SpringPanel::Right);
    EXPECT_EQ(hover()->originatingView(), static_cast<kit::View*>(outline));
    EXPECT_EQ(hover()->originatingRect(), outline->rectOfRow(rowOf(QStringLiteral("Home"))));
    EXPECT_EQ(panel->referenceRect(), outline->convertRectToScreen(hover()->originatingRect()));
    EXPECT_TRUE(hover()->drawsAnchor());
    EXPECT_FALSE(hover()->editButton()->isHidden());
    EXPECT_EQ(hover()->statisticsView()->calendar(), home);
    EXPECT_EQ(hover()->statisticsView()->countForMonth(3), 3);
    // The panel holds the longest form.
    EXPECT_GE(hover()->statisticsView()->frame().height(), CalHoverView::kMinimumHeight);
    EXPECT_GE(hover()->statisticsView()->frame().width(), CalHoverView::kMinimumWidth);
    {
        QImage shot = panel->contentView()->renderToImage();
        saveForInspection(shot, QStringLiteral("cal-hover-panel"));
    }

    // The same calendar again keeps what was counted when it was filled.
    enter(home, 3, 20, 20);
    sources->entryDoubleClick(false);
    EXPECT_TRUE(hover()->windowOpen());
    EXPECT_EQ(hover()->statisticsView()->countForMonth(3), 3);
    // Another one is counted anew, and so is the first one after it.
    outline->selectRow(rowOf(QStringLiteral("Work")));
    EXPECT_EQ(hover()->statisticsView()->calendar(), work);
    EXPECT_EQ(hover()->originatingRect(), outline->rectOfRow(rowOf(QStringLiteral("Work"))));
    outline->selectRow(rowOf(QStringLiteral("Home")));
    EXPECT_EQ(hover()->statisticsView()->countForMonth(3), 4);
    // A marker too.
    const EMarkerPtr marker = addMarker(QStringLiteral("Trip"));
    outline->selectRow(outline->rowForItem(marker));
    EXPECT_EQ(hover()->statisticsView()->marker(), marker);
    EXPECT_FALSE(hover()->statisticsView()->calendar());
    EXPECT_TRUE(hover()->windowOpen());
}

TEST_F(CalSourceHoverTest, SpaceAndEscapeAreTakenOnlyWhileOpen) {
    for (int code :
         {CalSourceHoverController::kSpaceKeyCode, CalSourceHoverController::kEscapeKeyCode}) {
        // Closed: handed back untouched.
        EXPECT_TRUE(key(code).has_value()) << code;
        openOn(home);
        ASSERT_TRUE(hover()->windowOpen());
        const std::optional<kit::Event> other = key(0);  // "a"
        ASSERT_TRUE(other.has_value());
        EXPECT_EQ(other->keyCode(), 0);
        EXPECT_TRUE(hover()->windowOpen());
        EXPECT_FALSE(key(code).has_value()) << code;
        EXPECT_FALSE(hover()->windowOpen());
        EXPECT_FALSE(hover()->panel()->isVisible());
    }
}

TEST_F(CalSourceHoverTest, ClosesOnOthersNoticesButNotOnItsOwnOnTheButtonAndWithTheSelection) {
    openOn(home);
    auto& center = foundation::NotificationCenter::defaultCenter();
    center.post(closeHoverPanelsNotification, hover());
    EXPECT_TRUE(hover()->windowOpen());
    hover()->closeWindow(hover());
    EXPECT_TRUE(hover()->windowOpen());
    int someoneElse = 0;
    center.post(closeHoverPanelsNotification, &someoneElse);
    EXPECT_FALSE(hover()->windowOpen());

    openOn(home);
    hover()->closeButton()->performClick();
    EXPECT_FALSE(hover()->windowOpen());
    // What it showed stays held.
    EXPECT_EQ(hover()->calendar(), home);

    openOn(work);
    ASSERT_TRUE(hover()->windowOpen());
    outline->deselectAll();
    EXPECT_FALSE(hover()->windowOpen());
    EXPECT_FALSE(hover()->panel()->isVisible());
}

TEST_F(CalSourceHoverTest, TheAnchorShowsOnlyWhileTheRowsMiddleIsInTheVisibleBand) {
    openOn(home);
    kit::View* clip = outline->superview();
    ASSERT_TRUE(clip);
    const QRectF band = clip->convertRectToScreen(clip->bounds());
    const auto row = [&](double middle) { return QRectF(band.x(), middle - 9, 100, 18); };
    struct Case {
        double middle;
        bool shown;
    };
    for (const Case& c : {Case{band.y(), true}, Case{band.y() + band.height(), true},
                          Case{band.y() + band.height() / 2, true}, Case{band.y() - 0.5, false},
                          Case{band.y() + band.height() + 0.5, false}}) {
        hover()->checkAnchorVisibilityForRect(row(c.middle));
        EXPECT_EQ(hover()->drawsAnchor(), c.shown) << c.middle - band.y();
    }
    // The row scrolled out of the band: the panel stays open, without anchor.
    hover()->updateAnchorToRect(QRectF(0, 2000, outline->frame().width(), 18));
    EXPECT_TRUE(hover()->windowOpen());
    EXPECT_FALSE(hover()->drawsAnchor());
    hover()->updateAnchorToRect(outline->rectOfRow(rowOf(QStringLiteral("Home"))));
    EXPECT_TRUE(hover()->drawsAnchor());
}

TEST_F(CalSourceHoverTest, WindowMovesReanchorWithoutChangingTheAnchorsVisibility) {
    openOn(home);
    const QRectF before = hover()->panel()->frame();
    for (bool shown : {true, false}) {
        hover()->springView()->setDrawsAnchor(shown);
        const QPointF origin = window->frame().topLeft();
        window->setFrameOrigin(origin + QPointF(40, -30));
        MainWindowCtrl::services().calSourceHoverOriginatingViewMoved();
        EXPECT_EQ(hover()->panel()->referenceRect(),
                  outline->convertRectToScreen(hover()->originatingRect()));
        EXPECT_EQ(hover()->drawsAnchor(), shown);
        EXPECT_NE(hover()->panel()->frame(), before);
        window->setFrameOrigin(origin);
        MainWindowCtrl::services().calSourceHoverOriginatingViewMoved();
    }
    // A closed hover stays where it was put.
    hover()->closeWindow();
    const QRectF closedRef = hover()->panel()->referenceRect();
    window->setFrameOrigin(window->frame().topLeft() + QPointF(10, 10));
    MainWindowCtrl::services().calSourceHoverOriginatingViewMoved();
    EXPECT_EQ(hover()->panel()->referenceRect(), closedRef);
}

TEST_F(CalSourceHoverTest, EditOpensTheSheetOfTheSelectedRow) {
    openOn(home);
    hover()->editButton()->performClick();
    EXPECT_EQ(editedCalendars, QList<CalendarPtr>({home}));
    const EMarkerPtr marker = addMarker(QStringLiteral("Trip"));
    outline->selectRow(outline->rowForItem(marker));
    hover()->editClicked();
    EXPECT_EQ(editedMarkers, QList<EMarkerPtr>({marker}));
}

}  // namespace
