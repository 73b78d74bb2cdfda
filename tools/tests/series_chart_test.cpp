#include "series_chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tools {
namespace {

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

TEST(NiceTicks, CoverTheRangeWithRoundSteps) {
  struct Case {
    double lo, hi;
  } cases[] = {{0, 1}, {3.1, 35.7}, {-0.004, 0.0021}, {1491.9, 19714.3}, {7, 7}, {0, 0}, {-5, -5}};
  for (const auto& c : cases) {
    std::vector<double> t = NiceTicks(c.lo, c.hi);
    ASSERT_GE(t.size(), 2u) << c.lo;
    EXPECT_LE(t.front(), c.lo);
    EXPECT_GE(t.back(), c.hi);
    EXPECT_LE(t.size(), 7u) << c.lo << " " << c.hi;
    EXPECT_LT(t.front(), t.back());
  }
}

TEST(SeriesChart, FourPanelsTitledWithOneLineOf100PointsEach) {
  std::vector<std::vector<double>> series(4, std::vector<double>(100));
  for (int i = 0; i < 4; ++i)
    for (int s = 0; s < 100; ++s) series[static_cast<size_t>(i)][static_cast<size_t>(s)] = i * 10 + std::sin(s * 0.1);
  series[3] = std::vector<double>(100, 2.0);  // a flat series still gets an axis
  std::string svg = SeriesChartSvg("Demo", {"Flow <L/s> & \"more\"", "B", "C", "D"}, series);
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_EQ(Count(svg, "<polyline"), 4u);
  EXPECT_NE(svg.find("Flow &lt;L/s&gt; &amp; &quot;more&quot;"), std::string::npos);
  EXPECT_EQ(svg.find("Flow <L/s>"), std::string::npos);
  size_t points = svg.find("points=\"");
  std::string first = svg.substr(points + 8, svg.find('"', points + 8) - points - 8);
  EXPECT_EQ(Count(first, ","), 100u);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
  EXPECT_EQ(svg.find("inf"), std::string::npos);
  EXPECT_NE(svg.rfind("</svg>"), std::string::npos);
}

TEST(SeriesChart, LeavesOutValuesThatAreNotFinite) {
  std::vector<double> v(100, 1.0);
  v[10] = std::numeric_limits<double>::quiet_NaN();
  v[20] = std::numeric_limits<double>::infinity();
  std::string svg = SeriesChartSvg("x", {"a"}, {v});
  size_t points = svg.find("points=\"");
  std::string line = svg.substr(points + 8, svg.find('"', points + 8) - points - 8);
  EXPECT_EQ(Count(line, ","), 98u);
}

}  // namespace
}  // namespace tools
