#include "series_chart.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "text_encoding.h"

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

struct Curve {
  std::vector<double> values;
  double width;
  const char* dash;  // "" for a solid line
};

// One panel's frame, axes and curves; band (lo, hi) shaded when given.
struct Panel {
  const std::vector<Curve>& curves;
  const std::vector<double>* bandLow;
  const std::vector<double>* bandHigh;
};

std::string Chart(const std::string& caption, const std::vector<std::string>& titles, const std::vector<Panel>& panels,
                  const std::string& xLabel, const std::string& legend) {
  const int count = static_cast<int>(panels.size());
  const int rows = (count + kColumns - 1) / kColumns;
  const double width = kColumns * kPanelWidth, height = 36 + rows * kPanelHeight + (legend.empty() ? 0 : 20);
  std::string s;
  s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(width) + "\" height=\"" + Num(height) + "\" viewBox=\"0 0 " +
       Num(width) + " " + Num(height) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  s += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  s += "<text x=\"" + Num(width / 2) + "\" y=\"24\" text-anchor=\"middle\" font-size=\"16\">" + XmlEscape(caption) + "</text>\n";
  for (int p = 0; p < count; ++p) {
    const Panel& panel = panels[static_cast<size_t>(p)];
    const double ox = (p % kColumns) * kPanelWidth, oy = 36 + (p / kColumns) * kPanelHeight;
    const double x0 = ox + kLeft, x1 = ox + kPanelWidth - kRight, y0 = oy + kPanelHeight - kBottom, y1 = oy + kTop;
    double lo = 0, hi = 0;
    bool any = false;
    size_t n = 2;
    auto take = [&](const std::vector<double>& v) {
      n = std::max(n, v.size());
      for (double x : v)
        if (std::isfinite(x)) {
          lo = any ? std::min(lo, x) : x;
          hi = any ? std::max(hi, x) : x;
          any = true;
        }
    };
    for (const Curve& c : panel.curves) take(c.values);
    if (panel.bandLow) take(*panel.bandLow), take(*panel.bandHigh);
    std::vector<double> yt = NiceTicks(lo, hi);
    const double ylo = yt.front(), yhi = yt.back(), steps = static_cast<double>(n);
    auto px = [&](double step) { return x0 + (step - 1) / (steps - 1) * (x1 - x0); };
    auto py = [&](double y) { return y0 - (y - ylo) / (yhi - ylo) * (y0 - y1); };
    const std::string title = p < static_cast<int>(titles.size()) ? titles[static_cast<size_t>(p)] : "Series " + std::to_string(p + 1);
    const std::string colour = kColours[p % 4];
    s += "<g>\n<text x=\"" + Num(ox + kPanelWidth / 2) + "\" y=\"" + Num(oy + 22) + "\" text-anchor=\"middle\" font-size=\"14\">" +
         XmlEscape(title) + "</text>\n";
    for (double t : yt) {
      s += "<line x1=\"" + Coord(x0) + "\" y1=\"" + Coord(py(t)) + "\" x2=\"" + Coord(x1) + "\" y2=\"" + Coord(py(t)) +
           "\" stroke=\"#e0e0e0\"/>\n";
      s += "<text x=\"" + Coord(x0 - 6) + "\" y=\"" + Coord(py(t) + 4) + "\" text-anchor=\"end\">" + Num(t) + "</text>\n";
    }
    for (int step = 0; step <= static_cast<int>(n); step += 20) {
      double at = px(std::max(step, 1));
      s += "<line x1=\"" + Coord(at) + "\" y1=\"" + Coord(y0) + "\" x2=\"" + Coord(at) + "\" y2=\"" + Coord(y0 + 5) + "\" stroke=\"black\"/>\n";
      s += "<text x=\"" + Coord(at) + "\" y=\"" + Coord(y0 + 18) + "\" text-anchor=\"middle\">" + std::to_string(std::max(step, 1)) + "</text>\n";
    }
    s += "<rect x=\"" + Coord(x0) + "\" y=\"" + Coord(y1) + "\" width=\"" + Coord(x1 - x0) + "\" height=\"" + Coord(y0 - y1) +
         "\" fill=\"none\" stroke=\"black\"/>\n";
    s += "<text x=\"" + Coord((x0 + x1) / 2) + "\" y=\"" + Coord(y0 + 36) + "\" text-anchor=\"middle\">" + XmlEscape(xLabel) + "</text>\n";
    if (panel.bandLow) {
      // Upper edge forwards, lower edge back; steps where either is missing are skipped.
      std::string points;
      const std::vector<double>&low = *panel.bandLow, &high = *panel.bandHigh;
      auto point = [&](size_t i, double y) {
        if (!points.empty()) points += ' ';
        points.append(Coord(px(static_cast<double>(i + 1)))).append(",").append(Coord(py(y)));
      };
      for (size_t i = 0; i < high.size(); ++i)
        if (std::isfinite(high[i]) && std::isfinite(low[i])) point(i, high[i]);
      for (size_t i = low.size(); i-- > 0;)
        if (std::isfinite(high[i]) && std::isfinite(low[i])) point(i, low[i]);
      s += "<polygon fill=\"" + colour + "\" fill-opacity=\"0.2\" stroke=\"none\" points=\"" + points + "\"/>\n";
    }
    for (const Curve& c : panel.curves) {
      s += "<polyline fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"" + Num(c.width) + "\"";
      if (*c.dash) s += std::string(" stroke-dasharray=\"") + c.dash + "\"";
      s += " points=\"";
      bool first = true;
      for (size_t i = 0; i < c.values.size(); ++i) {
        if (!std::isfinite(c.values[i])) continue;
        if (!first) s += ' ';
        s += Coord(px(static_cast<double>(i + 1))) + "," + Coord(py(c.values[i]));
        first = false;
      }
      s += "\"/>\n";
    }
    s += "</g>\n";
  }
  if (!legend.empty())
    s += "<text x=\"" + Num(width / 2) + "\" y=\"" + Num(height - 8) + "\" text-anchor=\"middle\" fill=\"#404040\">" + XmlEscape(legend) +
         "</text>\n";
  s += "</svg>\n";
  return s;
}

}  // namespace

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (char ch : ToUtf8(text)) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (static_cast<unsigned char>(ch) >= 0x20 || ch == '\t') out += ch;  // XML takes no other control characters
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
                           const std::vector<std::vector<double>>& series, const std::string& xLabel) {
  std::vector<std::vector<Curve>> curves;
  for (const auto& v : series) curves.push_back({{v, 2, ""}});
  std::vector<Panel> panels;
  for (const auto& c : curves) panels.push_back({c, nullptr, nullptr});
  return Chart(caption, titles, panels, xLabel, "");
}

std::string BandChartSvg(const std::string& caption, const std::vector<std::string>& titles,
                         const std::vector<std::vector<BandPoint>>& bands, const std::string& xLabel) {
  std::vector<std::vector<Curve>> curves;
  std::vector<std::vector<double>> lows, highs;
  for (const auto& series : bands) {
    std::vector<double> median, mean, low, high;
    for (const BandPoint& b : series) {
      median.push_back(b.median);
      mean.push_back(b.mean);
      low.push_back(b.p5);
      high.push_back(b.p95);
    }
    curves.push_back({{median, 2, ""}, {mean, 1.5, "6 4"}});
    lows.push_back(std::move(low));
    highs.push_back(std::move(high));
  }
  std::vector<Panel> panels;
  for (size_t i = 0; i < curves.size(); ++i) panels.push_back({curves[i], &lows[i], &highs[i]});
  return Chart(caption, titles, panels, xLabel, "shaded: 5 % to 95 % of the realizations; solid line: median; dashed line: mean");
}

}  // namespace tools
