// A window holding the form controls, rendered for a person to look at, with
// each control's place checked to hold its drawing.

#include "KitTestViews.h"
#include "platform/foundation/UserCalendar.h"
#include "platform/kit/ColorWell.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/SegmentedControl.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kit;

TEST(FormGallery, EveryControlDrawsInItsPlace) {
    foundation::UserCalendar::setCurrent(
        foundation::UserCalendar(QTimeZone("Europe/Berlin"), 2, 4));
    // The date controls sit in a column on the right.
    Window w(QRectF(100, 100, 720, 300));
    auto* popUp = new PopUpButton(QRectF(20, 190, 180, 28));
    popUp->addItemsWithTitles({"Home", "Work", "Sport"});
    popUp->itemAtIndex(2)->setEnabled(false);
    popUp->selectItemWithTitle("Work");
    auto* segments = new SegmentedControl(QRectF(220, 190, 180, 28));
    segments->setSegmentCount(3);
    for (int i = 0; i < 3; ++i)
        segments->setLabelForSegment(QStringList{"Day", "Week", "Month"}[i], i);
    segments->setSelectedSegment(1);
    auto* any =
        new SegmentedControl(QRectF(220, 140, 180, 28), SegmentedControl::Tracking::SelectAny);
    any->setSegmentCount(3);
    for (int i = 0; i < 3; ++i) any->setLabelForSegment(QStringList{"B", "I", "U"}[i], i);
    any->setObjectValue(QVariantList{true, false, true});
    auto* matrix = new Matrix(QRectF(20, 40, 180, 120));
    const char* titles[] = {"Never", "At time of event", "Minutes before", "Hidden", "Disabled"};
    for (int i = 0; i < 5; ++i) matrix->addCell(titles[i], i);
    matrix->setCellHidden(true, 3);
    matrix->setCellEnabled(false, 4);
    matrix->selectCellWithTag(1);
    auto* well = new ColorWell(QRectF(220, 80, 60, 36));
    well->setColor(QColor(40, 160, 60));
    auto* alphaWell = new ColorWell(QRectF(300, 80, 60, 36));
    alphaWell->setSupportsAlpha(true);
    alphaWell->setColor(QColor(200, 40, 40, 120));
    const QDateTime when(QDate(2026, 1, 29), QTime(9, 5), QTimeZone("Europe/Berlin"));
    using Style = DatePicker::Style;
    using Elements = DatePicker::Elements;
    auto* date = new DatePicker(QRectF(420, 250, 110, 26), Style::TextField, Elements::Date);
    auto* dateTime =
        new DatePicker(QRectF(540, 250, 170, 26), Style::TextField, Elements::DateAndTime);
    auto* time = new DatePicker(QRectF(420, 214, 80, 26), Style::TextField, Elements::Time);
    auto* range = new DatePicker(QRectF(420, 10, 190, 190), Style::Graphical);
    range->setDatePickerMode(DatePicker::Mode::Range);
    auto* clock = new DatePicker(QRectF(620, 110, 90, 90), Style::Clock);
    for (DatePicker* p : {date, dateTime, time, range, clock}) p->setDateValue(when);
    range->setTimeInterval(5 * 86400);  // over the month's end
    const std::initializer_list<View*> inked{popUp,    segments, any,   matrix, date,
                                             dateTime, time,     range, clock};
    for (View* v : inked) w.contentView()->addSubview(v);
    w.contentView()->addSubview(well);
    w.contentView()->addSubview(alphaWell);

    const QImage img = w.contentView()->renderToImage();
    testsupport::saveForInspection(img, "form-gallery");
    foundation::UserCalendar::resetCurrentToSystem();
    ASSERT_EQ(img.size(), QSize(720, 300));
    // Each control leaves ink inside its frame (image rows run downwards).
    for (View* v : inked) {
        const QRectF f = v->frame();
        const QRect inImage(int(f.x()), int(300 - f.y() - f.height()), int(f.width()),
                            int(f.height()));
        const kittest::InkBox ink = kittest::inkBox(img.copy(inImage));
        EXPECT_GE(ink.top, 0) << v->metaObject()->className();
    }
    // The well's swatch shows its colour in the middle.
    EXPECT_TRUE(
        testsupport::colorNear(testsupport::pixel(img, 250, 300 - 98), QColor(40, 160, 60), 10));
}
