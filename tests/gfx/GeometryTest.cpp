#include "gfx/Color.h"
#include "gfx/Dimension.h"
#include "gfx/Point.h"
#include "gfx/Rectangle.h"
#include "gfx/Region.h"

#include <gtest/gtest.h>

using lang::Color;
using lang::Rectangle;
using lang::Region;

TEST(GeometryTest, ColorValuesAndEquality) {
    EXPECT_EQ(Color(1, 2, 3).getRGB(), 0xFF010203u);
    EXPECT_EQ(Color().getRGB(), 0u);
    Color a(10, 20, 30), b(10, 20, 30), c(10, 20, 31);
    EXPECT_TRUE(a.equals(&b));
    EXPECT_FALSE(a.equals(&c));
    Rectangle r;
    EXPECT_FALSE(a.equals(&r));
    EXPECT_TRUE(a.instanceOf("color") && a.instanceOf("Object"));
}

TEST(GeometryTest, RectangleHashEqualityAndInside) {
    Rectangle r(1, 2, 3, 4);
    EXPECT_EQ(r.hashCode(), (1 << 24) + (2 << 16) + (3 << 8) + 4);
    // The hash wraps instead of overflowing.
    EXPECT_EQ(Rectangle(-1, 0, 0, 0).hashCode(), static_cast<int>(0xFF000000u));
    Rectangle same(1, 2, 3, 4), other(1, 2, 3, 5);
    EXPECT_TRUE(r.equals(&r));
    EXPECT_TRUE(r.equals(&same));
    EXPECT_FALSE(r.equals(&other));
    lang::Point p(1, 2);
    EXPECT_FALSE(r.equals(&p));
    // Left and top edges in, right and bottom out.
    EXPECT_TRUE(r.inside(1, 2));
    EXPECT_TRUE(r.inside(3, 5));
    EXPECT_FALSE(r.inside(4, 2));
    EXPECT_FALSE(r.inside(1, 6));
    EXPECT_FALSE(r.inside(0, 3));
}

TEST(GeometryTest, RectangleAddAndIntersect) {
    Rectangle r(0, 0, 10, 10);
    r.add(Rectangle(20, -5, 5, 5));
    Rectangle expected(0, -5, 25, 15);
    EXPECT_TRUE(r.equals(&expected));
    Rectangle i(0, 0, 10, 10);
    i.intersect(Rectangle(5, 6, 10, 10));
    EXPECT_EQ(i.x, 5);
    EXPECT_EQ(i.y, 6);
    EXPECT_EQ(i.width, 5);
    EXPECT_EQ(i.height, 4);
    // No overlap, or only touching edges: all four fields become 0.
    Rectangle apart(100, 100, 10, 10);
    apart.intersect(Rectangle(0, 0, 10, 10));
    EXPECT_EQ(apart.x + apart.y + apart.width + apart.height, 0);
    Rectangle touching(10, 0, 5, 5);
    touching.intersect(Rectangle(0, 0, 10, 10));
    EXPECT_EQ(touching.x + touching.y + touching.width + touching.height, 0);
}

TEST(GeometryTest, RegionIntersectsRules) {
    Region empty;
    EXPECT_EQ(empty.getHandle(), nullptr);
    // No handle: everything intersects, except a rectangle with no area.
    EXPECT_TRUE(empty.intersects(Rectangle(5, 5, 1, 1)));
    EXPECT_FALSE(empty.intersects(Rectangle(5, 5, 0, 1)));
    EXPECT_FALSE(empty.intersects(Rectangle(5, 5, 3, -1)));

    Region r;
    r.add(0, 0, 10, 10);
    r.add(Rectangle(20, 0, 10, 10));
    ASSERT_NE(r.getHandle(), nullptr);
    EXPECT_EQ(r.getHandle()->boxes().size(), 2u);
    EXPECT_TRUE(r.intersects(Rectangle(9, 9, 5, 5)));
    EXPECT_FALSE(r.intersects(Rectangle(10, 0, 10, 10)));
    EXPECT_TRUE(r.intersects(Rectangle(15, 5, 6, 1)));
    r.offset(100, 0);
    EXPECT_FALSE(r.intersects(Rectangle(0, 0, 30, 10)));
    EXPECT_TRUE(r.intersects(Rectangle(125, 5, 1, 1)));
    r.clear();
    EXPECT_EQ(r.getHandle(), nullptr);
    EXPECT_TRUE(r.intersects(Rectangle(-1000, 0, 1, 1)));

    // The first rectangle becomes the region even when it covers nothing.
    Region degenerate;
    degenerate.add(0, 0, 0, 10);
    EXPECT_NE(degenerate.getHandle(), nullptr);
    EXPECT_FALSE(degenerate.intersects(Rectangle(0, 0, 10, 10)));
}

TEST(GeometryTest, PixelRegionSubtractsAndSurvivesExtremeCoordinates) {
    platform::PixelRegion r(0, 0, 10, 10);
    r.subtract(3, 3, 4, 4);
    EXPECT_FALSE(r.contains(4, 4));
    EXPECT_TRUE(r.contains(2, 2));
    EXPECT_EQ(r.boxes().size(), 4u);
    platform::PixelRegion huge(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    huge.translate(INT32_MAX, INT32_MAX);
    huge.unite(INT32_MAX - 1, 0, INT32_MAX, 5);
    EXPECT_FALSE(huge.intersects(0, 0, -1, 5));
}
