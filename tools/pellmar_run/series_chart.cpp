#include "series_chart.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tools {

namespace {

constexpr double kPanelWidth = 480, kPanelHeight = 300;
constexpr double kLeft = 70, kRight = 20, kTop = 40, kBottom = 45;
constexpr int kColumns = 2;
const char* const kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd"};

std::string Num(double v, int precision = 6) {
  if (std::fabs(v) < 1e-12) v = 0;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, precision);
  return std::string(buf, res.ptr);
}

std::string Coord(double v) { return Num(std::round(v * 100) / 100, 8); }

}  // namespace

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += ch;
    }
  }
  return out;
}

std::vector<double> NiceTicks(double lo, double hi) {
  if (!(hi > lo)) {
    double pad = lo == 0 ? 1.0 : std::fabs(lo) * 0.1;
    lo -= pad;
    hi += pad;
  }
  double raw = (hi - lo) / 4;
  double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  double step = magnitude;
  for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (m * magnitude >= raw) {
      step = m * magnitude;
      break;
    }
  std::vector<double> ticks;
  for (double t = std::floor(lo / step) * step; t <= hi + step * 0.999; t += step) {
    ticks.push_back(t);
    if (t >= hi - step * 1e-9) break;
  }
  return ticks;
}

std::string SeriesChartSvg(const std::string& caption, const std::vector<std::string>& titles,
                           const std::vector<std::vector<double>>& series) {
  const int panels = static_cast<int>(series.size());
  const int rows = (panels + kColumns - 1) / kColumns;
  const double width = kColumns * kPanelWidth, height = 36 + rows * kPanelHeight;
  std::string s;
  s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(width) + "\" height=\"" + Num(height) + "\" viewBox=\"0 0 " +
       Num(width) + " " + Num(height) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  s += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  s += "<text x=\"" + Num(width / 2) + "\" y=\"24\" text-anchor=\"middle\" font-size=\"16\">" + XmlEscape(caption) + "</text>\n";
  for (int p = 0; p < panels; ++p) {
    const std::vector<double>& v = series[static_cast<size_t>(p)];
    const double ox = (p % kColumns) * kPanelWidth, oy = 36 + (p / kColumns) * kPanelHeight;
    const double x0 = ox + kLeft, x1 = ox + kPanelWidth - kRight, y0 = oy + kPanelHeight - kBottom, y1 = oy + kTop;
    double lo = 0, hi = 0;
    bool any = false;
    for (double x : v)
      if (std::isfinite(x)) {
        lo = any ? std::min(lo, x) : x;
        hi = any ? std::max(hi, x) : x;
        any = true;
      }
    std::vector<double> yt = NiceTicks(lo, hi);
    const double ylo = yt.front(), yhi = yt.back();
    const double n = static_cast<double>(std::max<size_t>(v.size(), 2));
    auto px = [&](double year) { return x0 + (year - 1) / (n - 1) * (x1 - x0); };
    auto py = [&](double y) { return y0 - (y - ylo) / (yhi - ylo) * (y0 - y1); };
    const std::string title = p < static_cast<int>(titles.size()) ? titles[static_cast<size_t>(p)] : "Series " + std::to_string(p + 1);
    s += "<g>\n<text x=\"" + Num(ox + kPanelWidth / 2) + "\" y=\"" + Num(oy + 22) + "\" text-anchor=\"middle\" font-size=\"14\">" +
         XmlEscape(title) + "</text>\n";
    for (double t : yt) {
      s += "<line x1=\"" + Coord(x0) + "\" y1=\"" + Coord(py(t)) + "\" x2=\"" + Coord(x1) + "\" y2=\"" + Coord(py(t)) +
           "\" stroke=\"#e0e0e0\"/>\n";
      s += "<text x=\"" + Coord(x0 - 6) + "\" y=\"" + Coord(py(t) + 4) + "\" text-anchor=\"end\">" + Num(t) + "</text>\n";
    }
    for (int year = 0; year <= static_cast<int>(n); year += 20) {
      double at = px(std::max(year, 1));
      s += "<line x1=\"" + Coord(at) + "\" y1=\"" + Coord(y0) + "\" x2=\"" + Coord(at) + "\" y2=\"" + Coord(y0 + 5) + "\" stroke=\"black\"/>\n";
      s += "<text x=\"" + Coord(at) + "\" y=\"" + Coord(y0 + 18) + "\" text-anchor=\"middle\">" + std::to_string(std::max(year, 1)) + "</text>\n";
    }
    s += "<rect x=\"" + Coord(x0) + "\" y=\"" + Coord(y1) + "\" width=\"" + Coord(x1 - x0) + "\" height=\"" + Coord(y0 - y1) +
         "\" fill=\"none\" stroke=\"black\"/>\n";
    s += "<text x=\"" + Coord((x0 + x1) / 2) + "\" y=\"" + Coord(y0 + 36) + "\" text-anchor=\"middle\">step</text>\n";
    s += "<polyline fill=\"none\" stroke=\"" + std::string(kColours[p % 4]) + "\" stroke-width=\"2\" points=\"";
    bool first = true;
    for (size_t i = 0; i < v.size(); ++i) {
      if (!std::isfinite(v[i])) continue;
      if (!first) s += ' ';
      s += Coord(px(static_cast<double>(i + 1))) + "," + Coord(py(v[i]));
      first = false;
    }
    s += "\"/>\n</g>\n";
  }
  s += "</svg>\n";
  return s;
}

}  // namespace tools
