// Colour wells sharing the one colour panel: activation by Qt's clicks and the
// kit's, the alpha channel shown as each well asks, and colours the user types
// into the panel going to the active well with an action for every change.

#include "platform/kit/ColorPanel.h"
#include "platform/kit/ColorWell.h"
#include "platform/kit/Event.h"
#include "platform/kit/Window.h"

#include <QColorDialog>
#include <QLabel>
#include <QSpinBox>
#include "KitTestViews.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

// The spin box of the panel's colour widget labelled `label`.
QSpinBox* field(const QString& label) {
    for (QLabel* l : ColorPanel::shared()->colorDialog()->findChildren<QLabel*>())
        if (l->text() == label) return qobject_cast<QSpinBox*>(l->buddy());
    return nullptr;
}

// Types `digits` into a field over what it holds, as the user would.
void typeInto(QSpinBox* box, const QString& digits) {
    box->setFocus();
    box->selectAll();
    kittest::typeText(box, digits);
}

}  // namespace

TEST(ColorWell, TwoWellsShareThePanelWithAndWithoutAlpha) {
    Window w(QRectF(100, 100, 200, 80));
    auto* opaque = new ColorWell(QRectF(20, 20, 44, 28));
    auto* translucent = new ColorWell(QRectF(100, 20, 44, 28));
    translucent->setSupportsAlpha(true);
    opaque->setColor(QColor(10, 20, 30, 40));  // no alpha support: opaque
    EXPECT_EQ(opaque->color(), QColor(10, 20, 30));
    translucent->setColor(QColor(200, 100, 50, 128));
    for (ColorWell* well : {opaque, translucent}) w.contentView()->addSubview(well);
    w.makeKeyAndOrderFront();
    int opaqueActions = 0, translucentActions = 0;
    opaque->setActionHandler([&](QObject* s) {
        EXPECT_EQ(s, opaque);
        ++opaqueActions;
    });
    translucent->setActionHandler([&](QObject* s) {
        EXPECT_EQ(s, translucent);
        ++translucentActions;
    });
    ColorPanel* panel = ColorPanel::shared();
    QSpinBox* red = field(QColorDialog::tr("&Red:"));
    QSpinBox* alpha = field(QColorDialog::tr("A&lpha channel:"));
    ASSERT_NE(red, nullptr);
    ASSERT_NE(alpha, nullptr);

    // Qt's click opens the panel for the opaque well, without alpha.
    kittest::click(opaque->hostedWidget());
    EXPECT_TRUE(opaque->isActive());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->activeWell(), opaque);
    EXPECT_FALSE(panel->showsAlpha());
    EXPECT_FALSE(alpha->isVisibleTo(panel->colorDialog()));
    EXPECT_EQ(panel->color(), QColor(10, 20, 30));
    EXPECT_EQ(opaqueActions, 0);  // opening changes no colour

    // Every keystroke changes the colour: the well follows with an action each.
    typeInto(red, "255");
    EXPECT_EQ(opaqueActions, 3);
    EXPECT_EQ(opaque->color(), QColor(255, 20, 30));
    EXPECT_EQ(opaque->objectValue().value<QColor>(), QColor(255, 20, 30));

    // The kit's click on the other well moves the panel over to it, with alpha.
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, QPointF(120, 34)));
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, QPointF(120, 34)));
    EXPECT_TRUE(translucent->isActive());
    EXPECT_FALSE(opaque->isActive());
    EXPECT_EQ(panel->activeWell(), translucent);
    EXPECT_TRUE(panel->showsAlpha());
    EXPECT_TRUE(alpha->isVisibleTo(panel->colorDialog()));
    EXPECT_EQ(panel->color(), QColor(200, 100, 50, 128));

    typeInto(alpha, "64");
    EXPECT_EQ(translucentActions, 2);
    EXPECT_EQ(translucent->color(), QColor(200, 100, 50, 64));
    EXPECT_EQ(opaque->color(), QColor(255, 20, 30));  // the other well keeps its own
    EXPECT_EQ(opaqueActions, 3);

    // A second click lets go of the panel: its colours reach no well.
    kittest::click(translucent->hostedWidget());
    EXPECT_FALSE(translucent->isActive());
    EXPECT_EQ(panel->activeWell(), nullptr);
    typeInto(red, "9");
    EXPECT_EQ(translucent->color(), QColor(200, 100, 50, 64));
    EXPECT_EQ(translucentActions, 2);
    panel->orderOut();
    w.orderOut();
}
