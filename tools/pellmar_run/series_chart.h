#pragma once
// The calculation's four series as a chart: one panel per series, the year
// on the horizontal axis, titled by the output names; plain SVG.
#include <string>
#include <vector>

namespace tools {

// series[i] holds the values of years 1..n; titles[i] names it. Values that
// are not finite are left out of the line.
std::string SeriesChartSvg(const std::string& caption, const std::vector<std::string>& titles,
                           const std::vector<std::vector<double>>& series);

// Round tick positions covering [lo, hi] (about five of them).
std::vector<double> NiceTicks(double lo, double hi);

// Escapes text for an SVG text node or attribute.
std::string XmlEscape(const std::string& text);

}  // namespace tools
