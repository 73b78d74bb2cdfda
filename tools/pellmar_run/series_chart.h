#pragma once
// The calculation's four series as a chart: one panel per series, the
// table's first column (the year) on the horizontal axis, titled by the
// output names; plain SVG in UTF-8.
#include <string>
#include <vector>

#include "series_bands.h"

namespace tools {

// series[i] holds the values of steps 1..n; titles[i] names it (8-bit text
// as the project files hold it). xLabel names the horizontal axis. Values
// that are not finite are left out of the line.
std::string SeriesChartSvg(const std::string& caption, const std::vector<std::string>& titles,
                           const std::vector<std::vector<double>>& series, const std::string& xLabel = "Year");

// Many realizations: per panel the 5-95 % band, the median as a line and the
// mean as a dashed line.
std::string BandChartSvg(const std::string& caption, const std::vector<std::string>& titles,
                         const std::vector<std::vector<BandPoint>>& bands, const std::string& xLabel = "Year");

// Round tick positions covering [lo, hi] (about five of them).
std::vector<double> NiceTicks(double lo, double hi);

// Text for an SVG text node or attribute: UTF-8 (8-bit code page text
// converted), markup characters escaped, control characters dropped.
std::string XmlEscape(const std::string& text);

}  // namespace tools
