// A window holding the form controls, rendered for a person to look at, with
// each control's place checked to hold its drawing.

#include "KitTestViews.h"
#include "platform/kit/ColorWell.h"
#include "platform/kit/Matrix.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/PopUpButton.h"
#include "platform/kit/SegmentedControl.h"
#include "platform/kit/Window.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kit;

TEST(FormGallery, EveryControlDrawsInItsPlace) {
    Window w(QRectF(100, 100, 420, 240));
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
    for (View* v : std::initializer_list<View*>{popUp, segments, any, matrix, well, alphaWell})
        w.contentView()->addSubview(v);

    const QImage img = w.contentView()->renderToImage();
    testsupport::saveForInspection(img, "form-gallery");
    ASSERT_EQ(img.size(), QSize(420, 240));
    // Each control leaves ink inside its frame (image rows run downwards).
    for (View* v : std::initializer_list<View*>{popUp, segments, any, matrix}) {
        const QRectF f = v->frame();
        const QRect inImage(int(f.x()), int(240 - f.y() - f.height()), int(f.width()),
                            int(f.height()));
        const kittest::InkBox ink = kittest::inkBox(img.copy(inImage));
        EXPECT_GE(ink.top, 0) << v->metaObject()->className();
    }
    // The well's swatch shows its colour in the middle.
    EXPECT_TRUE(
        testsupport::colorNear(testsupport::pixel(img, 250, 240 - 98), QColor(40, 160, 60), 10));
}
