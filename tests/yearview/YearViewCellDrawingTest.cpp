// Day cells rendered offscreen, checked where the geometry says something is
// drawn. Every render is saved for a person to look at.

#include "YearViewTestSupport.h"

#include "data/CalendarGroup.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Graphics.h"
#include "support/TestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace yvtest;
using testsupport::colorNear;
using testsupport::saveForInspection;

namespace {

const QColor kWeekdayTop(255, 0, 0), kWeekdayBot(0, 0, 255);
const QColor kWeekendTop(0, 255, 0), kWeekendBot(255, 255, 0);
const QColor kTodayTop(255, 0, 255), kTodayBot(0, 255, 255);
const QColor kBackdrop(255, 255, 255, 0);

// The cell's frame inside a larger image, so that what leaves the frame shows.
constexpr double kX = 10, kY = 10, kW = 120, kH = 24;
const QSize kImageSize(140, 44);

QString colorText(const QColor& c) {
    return QStringLiteral("%1 %2 %3 %4").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF());
}

class YearViewCellDrawing : public CellTest {
protected:
    void SetUp() override {
        CellTest::SetUp();
        if (HasFatalFailure()) return;
        const QString yv = QStringLiteral("AppPref YearView");
        const QString general = QStringLiteral("AppPref General");
        // Loud colours, so that each fill is told apart from the others.
        setPref(yv, QStringLiteral("Weekday BackgroundColorTop"), colorText(kWeekdayTop));
        setPref(yv, QStringLiteral("Weekday BackgroundColorBot"), colorText(kWeekdayBot));
        setPref(yv, QStringLiteral("Weekend BackgroundColorTop"), colorText(kWeekendTop));
        setPref(yv, QStringLiteral("Weekend BackgroundColorBot"), colorText(kWeekendBot));
        setPref(general, QStringLiteral("Current Day BackgroundColorTop"), colorText(kTodayTop));
        setPref(general, QStringLiteral("Current Day BackgroundColorBot"), colorText(kTodayBot));
        YearViewCell::setTextSize(11);
        YearViewCell::setTextAttributes(
            kit::TextAttributes(kit::Font::systemFont(11), kit::Color::black()));
        YearViewCell::setMaxWidthForDayNameAndDayNumber(0, 14);
        YearViewCell::setWidthAndHeight(float(kW), float(kH));
        delegate_->calendarSources->loadMarkers();
    }

    EMarkerPtr addMarker(int type, const QColor& color, bool shown = true) {
        auto marker = std::make_shared<EMarker>();
        marker->setMarkerType(type);
        marker->setColor(color);
        marker->setSelected(shown);
        marker->setTitle(QStringLiteral("Marker %1").arg(type));
        delegate_->calendarSources->markersGroup()->addElement(marker);
        return marker;
    }

    static void mark(const YearViewCellPtr& cell, const EMarkerPtr& marker,
                     const CalendarPtr& store) {
        const MyDatePtr d = cell->cellDate();
        cell->addEventFromCalendar(
            makeAllDay(d->yearNum(), d->monthNum(), d->dayNum(), marker->title(),
                       QStringLiteral("Zolt:") + marker->uID()),
            store);
    }

    // Renders the cell at (kX, kY, kW, kH), or the given frame, onto a clear image.
    static QImage render(YearViewCell& cell, const QString& name,
                         QRectF frame = QRectF(kX, kY, kW, kH), QSize size = kImageSize) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(kBackdrop);
        {
            kit::Graphics g(image);
            cell.drawWithFrame(g, frame, nullptr);
        }
        saveForInspection(image, QStringLiteral("yearcell-") + name);
        return image;
    }

    // The colour drawn at the point (x, y) of the cell's coordinates (y upwards).
    static QColor colorAt(const QImage& image, double x, double y) {
        return testsupport::pixel(image, int(std::floor(x)),
                                  image.height() - 1 - int(std::floor(y)));
    }

    // Pixels inside a rectangle (cell coordinates) that are far from `background`.
    static int inkIn(const QImage& image, const QRectF& r, const std::function<bool(QColor)>& ink) {
        int n = 0;
        for (int x = int(std::ceil(r.x())); x < int(r.x() + r.width()); ++x)
            for (int y = int(std::ceil(r.y())); y < int(r.y() + r.height()); ++y)
                if (ink(colorAt(image, x + 0.5, y + 0.5))) ++n;
        return n;
    }

    static bool dark(const QColor& c) {
        return c.alpha() > 0 && c.red() < 160 && c.green() < 160 && c.blue() < 160;
    }
};

// 13 September 2011 is a Tuesday after the test's today (15 June 2011).
constexpr int kYear = 2011, kMonth = 9, kTuesday = 13, kSaturday = 17, kSunday = 18;

}  // namespace

TEST_F(YearViewCellDrawing, BackgroundsRunFromTheirTopColourDownToTheirBottomColour) {
    const auto holidays = makeCalendar(Calendar::kTypeHoliday);
    struct Case {
        const char* name;
        int day;
        bool holiday;
        bool today;
        QColor top, bottom;
    };
    const Case cases[] = {
        {"weekday", kTuesday, false, false, kWeekdayTop, kWeekdayBot},
        {"saturday", kSaturday, false, false, kWeekendTop, kWeekendBot},
        {"sunday", kSunday, false, false, kWeekendTop, kWeekendBot},
        {"holiday-weekday", kTuesday, true, false, kWeekendTop, kWeekendBot},
        {"today", kTuesday, false, true, kTodayTop, kTodayBot},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto cell = makeCell(kYear, kMonth, c.day);
        if (c.holiday)
            cell->addEventFromCalendar(makeAllDay(kYear, kMonth, c.day, QStringLiteral("Fest")),
                                       holidays);
        cell->setToday(c.today);
        const QImage img = render(*cell, QStringLiteral("background-") + c.name);
        // The middle column holds neither text nor bars.
        EXPECT_TRUE(colorNear(colorAt(img, kX + 60, kY + kH - 1.5), c.top, 24));
        EXPECT_TRUE(colorNear(colorAt(img, kX + 60, kY + 0.5), c.bottom, 24));
        // Nothing outside the frame but the grid lines' half points.
        EXPECT_EQ(colorAt(img, kX - 2, kY + 5).alpha(), 0);
        EXPECT_EQ(colorAt(img, kX + kW + 2, kY + 5).alpha(), 0);
        EXPECT_EQ(colorAt(img, kX + 5, kY + kH + 2).alpha(), 0);
    }
}

TEST_F(YearViewCellDrawing, ACellWithoutDateDrawsNothingAtAll) {
    YearViewCell cell;
    const QImage img = render(cell, QStringLiteral("no-date"));
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) ASSERT_EQ(img.pixelColor(x, y).alpha(), 0);
    EXPECT_TRUE(cell.inset().isNull());
}

TEST_F(YearViewCellDrawing, TheDrawnRectangleIsKeptOnWholePoints) {
    auto cell = makeCell(kYear, kMonth, kTuesday);
    render(*cell, QStringLiteral("inset"), QRectF(kX, kY + 0.6, kW, kH));
    EXPECT_EQ(cell->inset(), QRectF(kX, kY + 1, kW, kH));
}

TEST_F(YearViewCellDrawing, EachMarkerTypeDrawsItsGlyphInItsRectangle) {
    const auto store = makeCalendar(Calendar::kTypeMarker);
    const QColor color(20, 140, 40);
    const QRectF frame(kX, kY, kW, kH);
    for (int type = 1; type <= 9; ++type) {
        SCOPED_TRACE(type);
        auto cell = makeCell(kYear, kMonth, kTuesday);
        mark(cell, addMarker(type, color), store);
        const QImage img = render(*cell, QStringLiteral("marker-type%1").arg(type));
        const QRectF r = YearViewCell::glyphRectForMarkerType(type, frame);
        ASSERT_FALSE(r.isEmpty());
        // Shaded glyphs end in the full colour at their bottom; filled ones are
        // the colour throughout. The triangle is probed above its base's middle.
        const QPointF probe = type <= 4   ? QPointF(r.center().x(), r.y() + 1.5)
                              : type == 9 ? QPointF(r.center().x(), r.y() + 2.5)
                                          : r.center();
        EXPECT_TRUE(colorNear(colorAt(img, probe.x(), probe.y()), color, 40))
            << colorAt(img, probe.x(), probe.y()).name().toStdString();
        EXPECT_TRUE(cell->hasMarks2());
        // Left of the glyph the background shows (the whole-cell glyph excepted).
        if (type != 4 && type != 1) {
            const QColor outside = colorAt(img, r.x() - 3, probe.y());
            EXPECT_FALSE(colorNear(outside, color, 40)) << outside.name().toStdString();
        }
    }
}

TEST_F(YearViewCellDrawing, ShadedGlyphsFadeTowardsTheTop) {
    const auto store = makeCalendar(Calendar::kTypeMarker);
    auto cell = makeCell(kYear, kMonth, kTuesday);
    // On a white backdrop, a colour with alpha 0.2 fades out to nothing at the top.
    setPref(QStringLiteral("AppPref YearView"), QStringLiteral("Weekday BackgroundColorTop"),
            QStringLiteral("255 255 255 1.0"));
    setPref(QStringLiteral("AppPref YearView"), QStringLiteral("Weekday BackgroundColorBot"),
            QStringLiteral("255 255 255 1.0"));
    mark(cell, addMarker(4, QColor::fromRgbF(0, 0, 1, 0.2)), store);
    const QImage img = render(*cell, QStringLiteral("marker-alpha"));
    const QColor top = colorAt(img, kX + 60, kY + kH - 2.5);
    const QColor bottom = colorAt(img, kX + 60, kY + 0.5);
    EXPECT_GE(top.red(), 245);                // barely tinted
    EXPECT_NEAR(bottom.red(), 255 * 0.8, 8);  // blue at about 0.2 over white
    EXPECT_EQ(bottom.blue(), 255);
}

TEST_F(YearViewCellDrawing, TheWholeCellGlyphIsDrawnFirstWhateverTheOrderOfMarks) {
    const auto store = makeCalendar(Calendar::kTypeMarker);
    const auto dot = addMarker(8, QColor(200, 0, 0));
    const auto whole = addMarker(4, QColor(0, 0, 200));
    const QRectF dotRect = YearViewCell::glyphRectForMarkerType(8, QRectF(kX, kY, kW, kH));
    for (bool dotFirst : {true, false}) {
        SCOPED_TRACE(dotFirst);
        auto cell = makeCell(kYear, kMonth, kTuesday);
        mark(cell, dotFirst ? dot : whole, store);
        mark(cell, dotFirst ? whole : dot, store);
        const QImage img = render(*cell, dotFirst ? QStringLiteral("marker-order-dot-first")
                                                  : QStringLiteral("marker-order-whole-first"));
        EXPECT_TRUE(colorNear(colorAt(img, dotRect.center().x(), dotRect.center().y()),
                              QColor(200, 0, 0), 30));
        EXPECT_EQ(dot->sortLevel(), 8);
        EXPECT_EQ(whole->sortLevel(), 1);
    }
}

TEST_F(YearViewCellDrawing, HiddenMarksAreNotDrawnButStillCount) {
    const auto store = makeCalendar(Calendar::kTypeMarker);
    const auto hiddenStore = makeCalendar(Calendar::kTypeMarker, false);
    const QColor color(20, 140, 40);
    struct Case {
        const char* name;
        bool markerShown;
        bool storeShown;
    };
    for (const Case& c : {Case{"hidden-marker", false, true}, Case{"hidden-store", true, false}}) {
        SCOPED_TRACE(c.name);
        auto cell = makeCell(kYear, kMonth, kTuesday);
        mark(cell, addMarker(4, color, c.markerShown), c.storeShown ? store : hiddenStore);
        const QImage img = render(*cell, QStringLiteral("marker-") + c.name);
        EXPECT_TRUE(colorNear(colorAt(img, kX + 60, kY + 0.5), kWeekdayBot, 24));
        EXPECT_TRUE(cell->hasMarks2());
        // Once the last mark is gone the next drawing says so.
        cell->removeEventWithUID(cell->zoltMarks().front()->event()->uid());
        render(*cell, QStringLiteral("marker-removed"));
        EXPECT_FALSE(cell->hasMarks2());
    }
}

TEST_F(YearViewCellDrawing, TheDotFollowsTheCellHeight) {
    const QRectF frame5(0, 0, 40, 5), frame10(0, 0, 40, 10);
    EXPECT_EQ(YearViewCell::glyphRectForMarkerType(8, frame5), QRectF(36, 1, 3, 3));
    EXPECT_EQ(YearViewCell::glyphRectForMarkerType(8, frame10), QRectF(32, 2, 5, 5));
    EXPECT_TRUE(YearViewCell::glyphRectForMarkerType(0, frame10).isEmpty());
    EXPECT_TRUE(YearViewCell::glyphRectForMarkerType(10, frame10).isEmpty());
}

TEST_F(YearViewCellDrawing, EventBarsSpanTheirWorkdayPositionsInTheRightFifth) {
    setPref(QStringLiteral("AppPref YearView"), QStringLiteral("Event Use CalendarColor"), true);
    const QColor barColor(250, 120, 0);
    const auto calendar = makeCalendar(Calendar::kTypeNormal, true, barColor);
    struct Case {
        const char* name;
        CalendarPtr calendar;
        bool drawn;
    };
    const Case cases[] = {
        {"bar", calendar, true},
        {"bar-hidden-calendar", makeCalendar(Calendar::kTypeNormal, false, barColor), false},
        {"bar-holiday-store", makeCalendar(Calendar::kTypeHoliday, false, barColor), false},
        {"bar-birthday-store", makeCalendar(Calendar::kTypeBirthday, true, barColor), false},
        {"bar-marker-store", makeCalendar(Calendar::kTypeMarker, true, barColor), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto cell = makeCell(kYear, kMonth, kTuesday);
        // 13:00 to 18:00 is the second half of the workday: the bar's lower half.
        cell->addEventFromCalendar(
            makeEvent(at(kYear, kMonth, kTuesday, 13), at(kYear, kMonth, kTuesday, 18)),
            c.calendar);
        const QImage img = render(*cell, QString::fromLatin1(c.name));
        const double barX = kX + 0.9 * kW;
        EXPECT_EQ(colorNear(colorAt(img, barX, kY + 0.25 * kH), barColor, 10), c.drawn);
        EXPECT_FALSE(colorNear(colorAt(img, barX, kY + 0.75 * kH), barColor, 10));
        EXPECT_FALSE(colorNear(colorAt(img, kX + 0.8 * kW - 1.5, kY + 0.25 * kH), barColor, 10));
    }
    // The default colour when calendar colours are off.
    setPref(QStringLiteral("AppPref YearView"), QStringLiteral("Event Use CalendarColor"), false);
    auto cell = makeCell(kYear, kMonth, kTuesday);
    cell->addEventFromCalendar(makeAllDay(kYear, kMonth, kTuesday), calendar);
    const QImage img = render(*cell, QStringLiteral("bar-default-colour"));
    EXPECT_TRUE(colorNear(colorAt(img, kX + 0.9 * kW, kY + 0.5), QColor(70, 110, 200), 10));
    EXPECT_TRUE(colorNear(colorAt(img, kX + 0.9 * kW, kY + kH - 0.5), QColor(70, 110, 200), 10));
}

TEST_F(YearViewCellDrawing, TheHolidayTitleStartsAfterTheNumberColumn) {
    const auto holidays = makeCalendar(Calendar::kTypeHoliday);
    auto cell = makeCell(kYear, kMonth, kTuesday);
    cell->addEventFromCalendar(makeAllDay(kYear, kMonth, kTuesday, QStringLiteral("Harvest")),
                               holidays);
    // Neutral backgrounds, so that the grey title shows as ink.
    for (const char* key : {"Weekend BackgroundColorTop", "Weekend BackgroundColorBot"})
        setPref(QStringLiteral("AppPref YearView"), QString::fromLatin1(key),
                QStringLiteral("255 255 255 1.0"));
    const QImage with = render(*cell, QStringLiteral("holiday-title"));
    // With no day names the number column starts 2 points in; the title follows it.
    EXPECT_FLOAT_EQ(cell->freeCellInsetX(), float(kX + 2 + 14));
    const QRectF titleArea(cell->freeCellInsetX(), kY + 1, kX + kW - cell->freeCellInsetX(),
                           kH - 2);
    EXPECT_GT(inkIn(with, titleArea, dark), 10);

    setPref(QStringLiteral("AppPref YearView"), QStringLiteral("Show Holiday Text"), false);
    const QImage without = render(*cell, QStringLiteral("holiday-title-off"));
    EXPECT_EQ(inkIn(without, titleArea, dark), 0);
}

TEST_F(YearViewCellDrawing, TheDayNumberSitsInItsColumnAfterTheName) {
    for (const char* key : {"Weekday BackgroundColorTop", "Weekday BackgroundColorBot"})
        setPref(QStringLiteral("AppPref YearView"), QString::fromLatin1(key),
                QStringLiteral("255 255 255 1.0"));
    auto cell = makeCell(kYear, kMonth, kTuesday);
    const QImage img = render(*cell, QStringLiteral("number"));
    // "13" right-aligned in the column of 14 points after 2 points of margin.
    EXPECT_GT(inkIn(img, QRectF(kX + 2, kY + 1, 14, kH - 2), dark), 10);
    EXPECT_EQ(inkIn(img, QRectF(kX + 17, kY + 1, 40, kH - 2), dark), 0);

    YearViewCell::setMaxWidthForDayNameAndDayNumber(20, 14);
    render(*cell, QStringLiteral("number-after-name"));
    EXPECT_FLOAT_EQ(cell->freeCellInsetX(), float(kX + 2 + 1.2 * 20 + 14));
    YearViewCell::setMaxWidthForDayNameAndDayNumber(0, 14);
}

TEST_F(YearViewCellDrawing, ABirthdayOfAShownStoreDrawsTheCandle) {
    const QRectF candle(kX + kW - 1.5 * kH, kY + 0.1 * kH, 0.8 * kH, 0.8 * kH);
    struct Case {
        const char* name;
        bool storeShown;
        bool setting;
        bool drawn;
    };
    const Case cases[] = {
        {"birthday", true, true, true},
        {"birthday-hidden-store", false, true, false},
        {"birthday-setting-off", true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setPref(QStringLiteral("AppPref YearView"), QStringLiteral("Show Birthdays"), c.setting);
        auto cell = makeCell(kYear, kMonth, kTuesday);
        cell->addEventFromCalendar(makeAllDay(kYear, kMonth, kTuesday, QStringLiteral("Ann")),
                                   makeCalendar(Calendar::kTypeBirthday, c.storeShown));
        const QImage img = render(*cell, QString::fromLatin1(c.name));
        const QImage plain = render(*makeCell(kYear, kMonth, kTuesday), QStringLiteral("plain"));
        int changed = 0;
        for (int x = int(candle.x()); x < int(candle.x() + candle.width()); ++x)
            for (int y = int(candle.y()); y < int(candle.y() + candle.height()); ++y)
                if (!colorNear(colorAt(img, x + 0.5, y + 0.5), colorAt(plain, x + 0.5, y + 0.5),
                               30))
                    ++changed;
        EXPECT_EQ(changed > 20, c.drawn) << changed;
        // Nothing of the candle left of its square.
        for (int y = int(candle.y()); y < int(candle.y() + candle.height()); ++y)
            EXPECT_TRUE(colorNear(colorAt(img, candle.x() - 1.5, y + 0.5),
                                  colorAt(plain, candle.x() - 1.5, y + 0.5), 4));
    }
}

TEST_F(YearViewCellDrawing, NotesMarkTheTopRightCorner) {
    const QColor hint(255, 150, 0);
    const QColor calColor(0, 160, 0);
    struct Case {
        const char* name;
        bool useCalColor;
        bool show;
        QColor expected;
    };
    const Case cases[] = {
        {"notes-hint-colour", false, true, hint},
        {"notes-calendar-colour", true, true, calColor},
        {"notes-off", false, false, QColor()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setPref(QStringLiteral("AppPref YearView"), QStringLiteral("Notes Hints Use CalendarColor"),
                c.useCalColor);
        setPref(QStringLiteral("AppPref YearView"), QStringLiteral("Show Notes Hints"), c.show);
        auto cell = makeCell(kYear, kMonth, kTuesday);
        cell->addEventFromCalendar(makeAllDay(kYear, kMonth, kTuesday, QStringLiteral("Notes"),
                                              QStringLiteral("Zolt:Notes")),
                                   makeCalendar(Calendar::kTypeMarker, true, calColor));
        const QImage img = render(*cell, QString::fromLatin1(c.name));
        // Inside the triangle near its right angle, and outside it below.
        const QColor inside = colorAt(img, kX + kW - 1.5, kY + kH - 2.5);
        EXPECT_EQ(colorNear(inside, c.expected, 10), c.show) << inside.name().toStdString();
        EXPECT_FALSE(colorNear(colorAt(img, kX + kW - 1.5, kY + kH - 9), c.expected, 10));
        EXPECT_FALSE(colorNear(colorAt(img, kX + kW - 8, kY + kH - 2.5), c.expected, 10));
    }
}

TEST_F(YearViewCellDrawing, PastDaysAreGreyedAndSelectedDaysTinted) {
    // 15 March 2011 lies before the test's today; 13 September after it.
    struct Case {
        const char* name;
        int month, day;
        bool selected;
        bool grey;
    };
    const Case cases[] = {
        {"future", 9, kTuesday, false, false}, {"past", 3, 15, false, true},
        {"today", 6, 15, false, false},        {"future-selected", 9, kTuesday, true, false},
        {"past-selected", 3, 15, true, true},
    };
    const QColor grey(128, 128, 128), selection(60, 120, 220);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto cell = makeCell(kYear, c.month, c.day);
        const QImage plain = render(*cell, QStringLiteral("overlay-plain"));
        setPref(QStringLiteral("AppPref YearView"), QStringLiteral("Grayout Until Today"), true);
        cell->setHighlighted(c.selected);
        const QImage img = render(*cell, QStringLiteral("overlay-") + c.name);
        cell->setHighlighted(false);
        setPref(QStringLiteral("AppPref YearView"), QStringLiteral("Grayout Until Today"), false);

        // Each overlay blends its colour at its alpha over what lies below.
        QColor expected = colorAt(plain, kX + 60, kY + 0.5);
        auto blend = [](QColor below, QColor over, double alpha) {
            return QColor::fromRgbF(below.redF() * (1 - alpha) + over.redF() * alpha,
                                    below.greenF() * (1 - alpha) + over.greenF() * alpha,
                                    below.blueF() * (1 - alpha) + over.blueF() * alpha);
        };
        if (c.grey) expected = blend(expected, grey, 0.25);
        if (c.selected) expected = blend(expected, selection, 0.35);
        EXPECT_TRUE(colorNear(colorAt(img, kX + 60, kY + 0.5), expected, 6))
            << colorAt(img, kX + 60, kY + 0.5).name().toStdString() << " "
            << expected.name().toStdString();
    }
}

TEST_F(YearViewCellDrawing, TheCalendarWeekLabelIsDrawnOnlyWhenItFits) {
    for (const char* key : {"Weekday BackgroundColorTop", "Weekday BackgroundColorBot"})
        setPref(QStringLiteral("AppPref YearView"), QString::fromLatin1(key),
                QStringLiteral("255 255 255 1.0"));
    auto cell = makeCell(kYear, kMonth, kTuesday);  // week 37
    const kit::TextAttributes cw = YearViewCell::calendarWeekTextAttributes();
    const double textWidth =
        cw.sizeOfString(YearViewCell::calendarWeekAbbreviation() + QStringLiteral(" 37")).width();
    const QRectF label(kX + kW - textWidth - 2, kY + 1, textWidth, kH - 2);
    auto grey = [](QColor c) { return c.alpha() > 0 && c.red() < 200; };

    const QImage off = render(*cell, QStringLiteral("cw-off"));
    EXPECT_EQ(inkIn(off, label, grey), 0);
    cell->setDrawsCalendarWeek(true);
    const QImage on = render(*cell, QStringLiteral("cw-on"));
    EXPECT_GT(inkIn(on, label, grey), 10);

    // A cell narrower than the label plus 2 points shows no label at all; the
    // day number stays.
    const double narrow = std::floor(textWidth + 1);
    const QImage tight =
        render(*cell, QStringLiteral("cw-too-narrow"), QRectF(kX, kY, narrow, kH), kImageSize);
    EXPECT_EQ(inkIn(tight, QRectF(kX + 17, kY + 1, narrow - 18, kH - 2), grey), 0);
    const QImage fits = render(*cell, QStringLiteral("cw-just-fits"),
                               QRectF(kX, kY, std::ceil(textWidth + 2), kH), kImageSize);
    EXPECT_GT(inkIn(fits, QRectF(kX + 1, kY + 1, std::ceil(textWidth + 2) - 2, kH - 2), grey), 10);
}

TEST_F(YearViewCellDrawing, OnPastDaysTheOverlayGreysEverythingButTheWeekLabel) {
    for (const char* key : {"Weekday BackgroundColorTop", "Weekday BackgroundColorBot"})
        setPref(QStringLiteral("AppPref YearView"), QString::fromLatin1(key),
                QStringLiteral("255 255 255 1.0"));
    setPref(QStringLiteral("AppPref YearView"), QStringLiteral("Grayout Color"),
            QStringLiteral("0 0 0 0.5"));
    auto cell = makeCell(2011, 3, 15);
    cell->addEventFromCalendar(
        makeAllDay(2011, 3, 15, QStringLiteral("Notes"), QStringLiteral("Zolt:Notes")),
        makeCalendar(Calendar::kTypeMarker));
    cell->setDrawsCalendarWeek(true);
    const QImage img = render(*cell, QStringLiteral("past-with-notes-and-week"));
    // The notes corner lies under the grey: orange darkened to half.
    EXPECT_TRUE(colorNear(colorAt(img, kX + kW - 1.5, kY + kH - 2.5), QColor(128, 75, 0), 10));
    // The label is drawn over the grey in its own grey, as dark as on a day that
    // is not greyed (under the half-black overlay it would come out darker).
    setPref(QStringLiteral("AppPref YearView"), QStringLiteral("Grayout Until Today"), false);
    const QImage plain = render(*cell, QStringLiteral("past-not-greyed"));
    auto darkest = [&](const QImage& image) {
        int v = 255;
        for (int x = int(kX + 60); x < int(kX + kW - 2); ++x)
            for (int y = int(kY + 1); y < int(kY + kH - 8); ++y)
                v = std::min(v, colorAt(image, x + 0.5, y + 0.5).red());
        return v;
    };
    EXPECT_NEAR(darkest(img), darkest(plain), 6);
    EXPECT_LT(darkest(plain), 120);
}
