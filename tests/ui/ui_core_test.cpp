#include "ui/format_pattern.h"
#include "ui/main_layout.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orlomat {
namespace {

TEST(MainLayout, DesignedWidthExamples) {
    const MainLayout a = ComputeMainLayout(1292, 800);
    EXPECT_EQ(a.readLeft, 10);
    EXPECT_EQ(a.filterLeft, 98);
    EXPECT_EQ(a.flightGroupLeft, 185);
    EXPECT_EQ(a.diskGroupLeft, 541);
    EXPECT_EQ(a.compareLeft, 875);
    EXPECT_EQ(a.compareGroupLeft, 987);
    EXPECT_EQ(a.chartWidth, 1277);
    EXPECT_EQ(a.rightLabelsLeft, 1192);

    const MainLayout b = ComputeMainLayout(1916, 1000);
    EXPECT_EQ(b.readLeft, 15);
    EXPECT_EQ(b.filterLeft, 145);
    EXPECT_EQ(b.flightGroupLeft, 278);
    EXPECT_EQ(b.chartHeight, 880);
    EXPECT_EQ(b.unitLabelsTop, 860);
}

TEST(MainLayout, SmallWindowsKeepTheChartsMinimumAndGroupsApart) {
    const MainLayout l = ComputeMainLayout(400, 300);
    EXPECT_EQ(l.chartHeight, 200);
    EXPECT_EQ(l.unitLabelsTop, 180);
    EXPECT_EQ(l.chartWidth, 500);
    const DesignedWidths w;
    EXPECT_GE(l.diskGroupLeft, l.flightGroupLeft + w.flightGroup + 3);
    EXPECT_GE(l.compareLeft, l.diskGroupLeft + w.diskGroup + 5);
    EXPECT_GE(l.compareGroupLeft, l.compareLeft + w.compareButton + 5);
}

// Narrower than the minimum, the comparison group ran off the window's right edge.
TEST(MainLayout, FromTheMinimumWidthUpTheComparisonGroupLiesInside) {
    const ClientSize min = MinimumClientSize();
    EXPECT_EQ(min.height, 370);
    EXPECT_LT(min.width, 1024); // a small laptop screen still holds the window
    for (int width = min.width; width < min.width + 3000; ++width) {
        const MainLayout l = ComputeMainLayout(width, min.height);
        ASSERT_LE(l.compareGroupLeft + 297 + 8, width) << width;
        ASSERT_EQ(l.chartWidth, width - 15) << width; // the chart shrinks with the window
    }
    const MainLayout narrower = ComputeMainLayout(min.width - 1, min.height);
    EXPECT_GT(narrower.compareGroupLeft + 297 + 8, min.width - 1) << "not the least width";
}

TEST(MainLayout, DegenerateWidthsDoNotDivideByZero) {
    for (int w : {0, -5, 128001, 1000000}) {
        const MainLayout l = ComputeMainLayout(w, 500);
        EXPECT_GE(l.chartWidth, 500) << w;
    }
}

TEST(FormatPattern, AxisAndMarkPatterns) {
    EXPECT_EQ(FormatPattern(1234.56, "#,##0.# "), "1,234.6 ");
    EXPECT_EQ(FormatPattern(0.0, "#,##0.# "), "0 ");
    EXPECT_EQ(FormatPattern(-0.04, "#,##0.# "), "0 ");
    EXPECT_EQ(FormatPattern(-12.25, "#,##0.##"), "-12.25");
    EXPECT_EQ(FormatPattern(0.5, "#,##0.##"), "0.5");
    EXPECT_EQ(FormatPattern(1234567.0, "#,##0"), "1,234,567");
    EXPECT_EQ(FormatPattern(42.0, "#####"), "42");
    EXPECT_EQ(FormatPattern(0.5, "#,####.##"), ".5");
    EXPECT_EQ(FormatPattern(12345.678, "#,####.##"), "12,345.68");
    EXPECT_EQ(FormatPattern(0.25, "#,###0.###"), "0.25");
    EXPECT_EQ(FormatPattern(2.0006, "#,###0.###"), "2.001");
    EXPECT_EQ(FormatPattern(1234.5, "#,##0.# ", {",", "\xC2\xA0"}), "1\xC2\xA0"
                                                                    "234,5 ");
}

} // namespace
} // namespace orlomat
