// Rectangle helpers and the text form of geometry.

#include "platform/kit/Geometry.h"

#include <gtest/gtest.h>

using namespace kit;

TEST(Geometry, EdgesAndMiddlesIgnoreWhichWayYGrows) {
    const QRectF r(10, 20, 30, 40);
    EXPECT_EQ(minX(r), 10);
    EXPECT_EQ(maxX(r), 40);
    EXPECT_EQ(minY(r), 20);
    EXPECT_EQ(maxY(r), 60);
    EXPECT_EQ(midX(r), 25);
    EXPECT_EQ(midY(r), 40);
}

TEST(Geometry, PointTestsAreHalfOpenOnTheRightSide) {
    const QRectF r(0, 0, 10, 10);
    struct Case {
        QPointF p;
        bool in, mouseFlipped, mouseUnflipped;
    } cases[] = {
        {{0, 0}, true, true, false},    // the lower edge belongs below where y grows up
        {{0, 10}, false, false, true},  // and the upper edge to this rectangle
        {{5, 5}, true, true, true},       {{10, 5}, false, false, false},
        {{-0.1, 5}, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pointInRect(c.p, r), c.in) << c.p.x() << "," << c.p.y();
        EXPECT_EQ(mouseInRect(c.p, r, true), c.mouseFlipped) << c.p.x() << "," << c.p.y();
        EXPECT_EQ(mouseInRect(c.p, r, false), c.mouseUnflipped) << c.p.x() << "," << c.p.y();
    }
}

TEST(Geometry, UnionIntersectionInsetAndIntegral) {
    EXPECT_EQ(unionRect(QRectF(), QRectF(1, 2, 3, 4)), QRectF(1, 2, 3, 4));
    EXPECT_EQ(unionRect(QRectF(0, 0, 1, 1), QRectF(5, 5, 1, 1)), QRectF(0, 0, 6, 6));
    EXPECT_EQ(intersectionRect(QRectF(0, 0, 10, 10), QRectF(5, 5, 10, 10)), QRectF(5, 5, 5, 5));
    EXPECT_EQ(intersectionRect(QRectF(0, 0, 10, 10), QRectF(10, 0, 5, 5)), QRectF());  // touching
    EXPECT_FALSE(intersectsRect(QRectF(0, 0, 10, 10), QRectF(10, 0, 5, 5)));
    EXPECT_TRUE(containsRect(QRectF(0, 0, 10, 10), QRectF(0, 0, 10, 10)));
    EXPECT_FALSE(containsRect(QRectF(0, 0, 10, 10), QRectF()));
    EXPECT_EQ(insetRect(QRectF(0, 0, 10, 10), 2, -1), QRectF(2, -1, 6, 12));
    EXPECT_EQ(integralRect(QRectF(0.5, -0.5, 1, 1)), QRectF(0, -1, 2, 2));
    EXPECT_EQ(integralRect(QRectF(3, 3, 0, 5)), QRectF());
}

TEST(Geometry, DivideCutsASliceAtAnEdge) {
    QRectF slice, rest;
    divideRect(QRectF(0, 0, 100, 20), &slice, &rest, 20, RectEdge::MinX);
    EXPECT_EQ(slice, QRectF(0, 0, 20, 20));
    EXPECT_EQ(rest, QRectF(20, 0, 80, 20));
    divideRect(QRectF(0, 0, 100, 20), &slice, &rest, 5, RectEdge::MaxY);
    EXPECT_EQ(slice, QRectF(0, 15, 100, 5));
    EXPECT_EQ(rest, QRectF(0, 0, 100, 15));
    divideRect(QRectF(0, 0, 10, 10), &slice, &rest, 50, RectEdge::MinY);  // more than there is
    EXPECT_EQ(slice, QRectF(0, 0, 10, 10));
    EXPECT_EQ(rest.height(), 0);
}

TEST(Geometry, TextFormsRoundTripAndBadTextGivesZero) {
    EXPECT_EQ(stringFromRect(QRectF(0, 0, 250, 600)), "{{0, 0}, {250, 600}}");
    EXPECT_EQ(stringFromRect(QRectF(1.5, -2, 3.25, 4)), "{{1.5, -2}, {3.25, 4}}");
    EXPECT_EQ(rectFromString("{{1.5, -2}, {3.25, 4}}"), QRectF(1.5, -2, 3.25, 4));
    EXPECT_EQ(rectFromString("{{1000000, 1000000}, {250, 600}}"), QRectF(1e6, 1e6, 250, 600));
    EXPECT_EQ(rectFromString("not a rectangle"), QRectF());
    EXPECT_EQ(rectFromString(""), QRectF());
    EXPECT_EQ(pointFromString("{3, 4}"), QPointF(3, 4));
    EXPECT_EQ(sizeFromString(stringFromSize(QSizeF(7, 8))), QSizeF(7, 8));
}
