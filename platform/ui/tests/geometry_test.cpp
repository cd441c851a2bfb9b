// The geometry value types: half-open rectangles and their arithmetic.
#include "ui/geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(GeometryTest, RectanglesHoldTheirTopLeftButNotTheirBottomRight) {
    const CRect rect(10, 20, 30, 40);
    EXPECT_EQ(rect.Width(), 20);
    EXPECT_EQ(rect.Height(), 20);
    EXPECT_EQ(rect.Size(), CSize(20, 20));
    EXPECT_EQ(rect.CenterPoint(), CPoint(20, 30));
    struct Case {
        POINT point;
        bool inside;
    };
    const Case cases[] = {{{10, 20}, true}, {{29, 39}, true}, {{30, 39}, false}, {{29, 40}, false}, {{9, 25}, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(rect.PtInRect(c.point), c.inside) << c.point.x << "," << c.point.y;
        EXPECT_EQ(PtInRect(&rect, c.point) != FALSE, c.inside);
    }
    EXPECT_TRUE(CRect(5, 5, 5, 9).IsRectEmpty());
    EXPECT_TRUE(CRect(5, 5, 4, 9).IsRectEmpty());
    EXPECT_FALSE(rect.IsRectEmpty());
}

TEST(GeometryTest, MovingGrowingAndNormalising) {
    CRect rect(10, 20, 30, 40);
    rect.OffsetRect(-5, 5);
    EXPECT_EQ(rect, CRect(5, 25, 25, 45));
    rect.InflateRect(2, 3);
    EXPECT_EQ(rect, CRect(3, 22, 27, 48));
    rect.DeflateRect(2, 3);
    EXPECT_EQ(rect, CRect(5, 25, 25, 45));

    // A rubber band dragged up and to the left.
    CRect band(CPoint(50, 60), CPoint(20, 10));
    band.NormalizeRect();
    EXPECT_EQ(band, CRect(20, 10, 50, 60));

    RECT record{0, 0, 10, 10};
    OffsetRect(&record, 3, 4);
    InflateRect(&record, 1, 1);
    EXPECT_EQ(CRect(record), CRect(2, 3, 14, 15));
}

TEST(GeometryTest, IntersectionAndUnion) {
    CRect overlap;
    CRect a(0, 0, 10, 10), b(5, 5, 20, 20), apart(10, 0, 20, 10);
    EXPECT_TRUE(overlap.IntersectRect(a, b));
    EXPECT_EQ(overlap, CRect(5, 5, 10, 10));
    EXPECT_FALSE(overlap.IntersectRect(a, apart)) << "touching edges do not overlap";
    EXPECT_TRUE(overlap.IsRectNull());
    RECT result;
    EXPECT_FALSE(IntersectRect(&result, a, apart));
    CRect both;
    EXPECT_TRUE(both.UnionRect(a, b));
    EXPECT_EQ(both, CRect(0, 0, 20, 20));
    EXPECT_TRUE(both.UnionRect(CRect(3, 3, 3, 3), a)) << "an empty rectangle counts for nothing";
    EXPECT_EQ(both, a);
}

TEST(GeometryTest, PointsUnpackSignedFromAMessage) {
    EXPECT_EQ(CPoint(MAKELPARAM(static_cast<WORD>(-4), 7)), CPoint(-4, 7));
    EXPECT_EQ(CPoint(MAKELPARAM(300, static_cast<WORD>(-1))), CPoint(300, -1));
    CPoint point(1, 2);
    point += CPoint(3, 4);
    EXPECT_EQ(point, CPoint(4, 6));
    EXPECT_EQ(point - CPoint(4, 6), CPoint(0, 0));
}

}  // namespace
