// The day hover box: which sections it shows, how high it gets, where it draws
// them, and how it scrolls its top into sight.

#include "YearViewTestSupport.h"

#include "platform/kit/Event.h"
#include "platform/kit/Font.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/ScrollView.h"
#include "support/TestSupport.h"
#include "yearview/InfoHoverView.h"

#include <QImage>
#include <QPointF>

#include <gtest/gtest.h>

#include <cmath>

using namespace yvtest;
using testsupport::saveForInspection;

namespace {

// Stands in for the clip view of the scroll view that hosts the hover box.
class ClipStandIn : public kit::View {
    Q_OBJECT
public:
    using kit::View::View;
    Q_INVOKABLE void scrollToPoint(QPointF point) {
        scrolledTo = point;
        ++scrolls;
    }
    QPointF scrolledTo;
    int scrolls = 0;
};

class InfoHover : public CellTest {
protected:
    // The white ink of the view's drawing in image rows (0 at the top).
    static int inkInRows(const QImage& img, int firstRow, int lastRow, int firstCol = 0,
                         int lastCol = -1) {
        if (lastCol < 0) lastCol = img.width() - 1;
        int n = 0;
        for (int y = std::max(0, firstRow); y <= std::min(lastRow, img.height() - 1); ++y)
            for (int x = firstCol; x <= lastCol; ++x)
                if (img.pixelColor(x, y).alpha() > 100) ++n;
        return n;
    }
    static double lineHeight() {
        return kit::Font::systemFont(kit::Font::smallSystemFontSize()).lineHeight();
    }
};

}  // namespace

TEST_F(InfoHover, AHolidayAloneGivesTheMinimumHeightWithTheTitleOnTop) {
    auto cell = makeCell(2011, 9, 13);
    cell->addEventFromCalendar(makeAllDay(2011, 9, 13, QStringLiteral("Harvest Festival")),
                               makeCalendar(Calendar::kTypeHoliday));
    InfoHoverView view(QRectF(0, 0, 220, 10));
    view.setCell(cell);
    EXPECT_TRUE(view.showsHoliday());
    EXPECT_FALSE(view.showsBirthdays() || view.showsNotes() || view.showsMarks());
    EXPECT_DOUBLE_EQ(view.frame().height(), 85);
    EXPECT_DOUBLE_EQ(view.frame().width(), 220);

    const QImage img = view.renderToImage();
    saveForInspection(img, QStringLiteral("hover-holiday"));
    // The title and the star fill the top 14 points; nothing is drawn below.
    EXPECT_GT(inkInRows(img, 0, 14, 20), 20);
    EXPECT_EQ(inkInRows(img, 16, 84), 0);
}

TEST_F(InfoHover, BirthdaysAndNotesStackWithTheirMeasuredHeights) {
    auto cell = makeCell(2011, 9, 13);
    const auto hiddenBirthdays = makeCalendar(Calendar::kTypeBirthday, false);
    for (const char* name : {"Ann", "Bob", "Cid"})
        cell->addEventFromCalendar(makeAllDay(2011, 9, 13, QString::fromLatin1(name)),
                                   hiddenBirthdays);
    cell->addEventFromCalendar(makeAllDay(2011, 9, 13, QStringLiteral("Notes"),
                                          QStringLiteral("Zolt:Notes"), QStringLiteral("Call Ann")),
                               makeCalendar(Calendar::kTypeMarker));
    InfoHoverView view(QRectF(0, 0, 220, 10));
    view.setCell(cell);
    // A birthday of a hidden store is still listed.
    ASSERT_TRUE(view.showsBirthdays());
    ASSERT_TRUE(view.showsNotes());
    EXPECT_NEAR(view.birthdaysHeight(), 3 * lineHeight(), 1.0);
    EXPECT_NEAR(view.notesHeight(), lineHeight(), 1.0);
    const double expected = 3 + 14 + view.birthdaysHeight() + 6 + 14 + view.notesHeight() + 6;
    EXPECT_DOUBLE_EQ(view.frame().height(), std::max(85.0, expected));

    const QImage img = view.renderToImage();
    saveForInspection(img, QStringLiteral("hover-birthdays-notes"));
    // The birthdays' text lies below their headline; the notes' icon follows 6
    // points below that text (rows counted from the top).
    const int birthdaysTextTop = 14 + 1;
    const int birthdaysTextBottom = int(std::ceil(14 + 1 + view.birthdaysHeight()));
    EXPECT_GT(inkInRows(img, birthdaysTextTop, birthdaysTextBottom, 20), 30);
    const int notesIconTop = int(14 + view.birthdaysHeight() + 6 + 14 - 12);
    EXPECT_GT(inkInRows(img, notesIconTop, notesIconTop + 11, 3, 15), 10);
    // Between the birthdays' text and the notes' row nothing is drawn.
    EXPECT_EQ(inkInRows(img, birthdaysTextBottom + 1, notesIconTop - 1, 0, 219), 0);
}

TEST_F(InfoHover, ANoteBeingWrittenShowsTheNotesHeadlineOverNoText) {
    auto cell = makeCell(2011, 9, 13);
    cell->addTempNote();
    InfoHoverView view(QRectF(0, 0, 220, 10));
    view.setCell(cell);
    EXPECT_TRUE(view.showsNotes());
    EXPECT_DOUBLE_EQ(view.notesHeight(), 0);
    EXPECT_DOUBLE_EQ(view.frame().height(), 85);
    const QImage img = view.renderToImage();
    saveForInspection(img, QStringLiteral("hover-temp-notes"));
    EXPECT_GT(inkInRows(img, 2, 14, 3, 15), 10);  // the notes icon
}

TEST_F(InfoHover, ALongHolidayTitleIsCutToOneLine) {
    auto cell = makeCell(2011, 9, 13);
    cell->addEventFromCalendar(
        makeAllDay(2011, 9, 13,
                   QStringLiteral("The Very Long Name Of A Holiday That Wraps Well Beyond The "
                                  "Width Of Its Box")),
        makeCalendar(Calendar::kTypeHoliday));
    InfoHoverView view(QRectF(0, 0, 220, 10));
    view.setCell(cell);
    const QImage img = view.renderToImage();
    saveForInspection(img, QStringLiteral("hover-long-holiday"));
    EXPECT_GT(inkInRows(img, 0, 14, 20), 20);
    EXPECT_EQ(inkInRows(img, 16, 84), 0);
    // Nothing runs past the box's right edge (12 + 206).
    EXPECT_EQ(inkInRows(img, 0, 84, 219, 219), 0);
}

TEST_F(InfoHover, TallContentScrollsItsTopIntoSight) {
    auto cell = makeCell(2011, 9, 13);
    const auto birthdays = makeCalendar(Calendar::kTypeBirthday);
    for (int i = 0; i < 12; ++i)
        cell->addEventFromCalendar(makeAllDay(2011, 9, 13, QStringLiteral("Person %1").arg(i)),
                                   birthdays);
    ClipStandIn clip(QRectF(0, 0, 220, 85));
    auto* view = new InfoHoverView(QRectF(0, 0, 220, 10));
    clip.addSubview(view);
    view->setCell(cell);
    const double h = view->frame().height();
    // Twelve lines, each laid out on whole points.
    EXPECT_NEAR(view->birthdaysHeight(), 12 * lineHeight(), 12 * 0.5);
    EXPECT_DOUBLE_EQ(h, 3 + 14 + view->birthdaysHeight() + 6);
    EXPECT_GT(h, 85);
    EXPECT_GE(clip.scrolls, 1);
    EXPECT_EQ(clip.scrolledTo, QPointF(0, h - 85));

    const QImage img = view->renderToImage();
    saveForInspection(img, QStringLiteral("hover-tall"));
    EXPECT_GT(inkInRows(img, 0, 14, 3, 15), 10);  // the candle of the first section on top
}

TEST_F(InfoHover, InTheKitsScrollViewANewDayShowsItsTopAgain) {
    const auto birthdays = makeCalendar(Calendar::kTypeBirthday);
    auto tallDay = [&](int day, int people) {
        auto cell = makeCell(2011, 9, day);
        for (int i = 0; i < people; ++i)
            cell->addEventFromCalendar(makeAllDay(2011, 9, day, QStringLiteral("Person %1").arg(i)),
                                       birthdays);
        return cell;
    };
    kit::ScrollView scroll(QRectF(0, 0, 220, 85));
    auto* view = new InfoHoverView(QRectF(0, 0, 220, 10));
    scroll.setDocumentView(view);
    view->setCell(tallDay(13, 12));
    const double h = view->frame().height();
    ASSERT_GT(h, 85);
    EXPECT_EQ(scroll.documentVisibleRect(), QRectF(0, h - 85, 220, 85));
    EXPECT_DOUBLE_EQ(scroll.verticalScroller()->doubleValue(), 0.0);

    // Read down to the bottom, then hover another day: its top comes back.
    scroll.scrollWheel(kit::Event::scrollEvent(QPointF(), 0, -100));
    EXPECT_DOUBLE_EQ(scroll.documentVisibleRect().y(), 0);
    view->setCell(tallDay(14, 9));
    const double h2 = view->frame().height();
    EXPECT_LT(h2, h);
    EXPECT_EQ(scroll.documentVisibleRect(), QRectF(0, h2 - 85, 220, 85));
}

TEST_F(InfoHover, MarksAreListedOnceTheCellHasBeenDrawn) {
    delegate_->calendarSources->loadMarkers();
    auto cell = makeCell(2011, 9, 13);
    cell->addEventFromCalendar(makeAllDay(2011, 9, 13, QStringLiteral("Vacation"),
                                          QStringLiteral("Zolt:0123456789ABCDEF0123456789ABCDEF")),
                               makeCalendar(Calendar::kTypeMarker));
    InfoHoverView view(QRectF(0, 0, 220, 10));
    view.setCell(cell);
    EXPECT_FALSE(view.showsMarks());
    QImage page(60, 12, QImage::Format_ARGB32_Premultiplied);
    {
        kit::Graphics g(page);
        cell->drawWithFrame(g, QRectF(0, 0, 60, 12), nullptr);
    }
    view.setCell(cell);
    EXPECT_TRUE(view.showsMarks());
    EXPECT_NEAR(view.marksHeight(), lineHeight(), 1.0);
    saveForInspection(view.renderToImage(), QStringLiteral("hover-marks"));
}

#include "InfoHoverViewTest.moc"
