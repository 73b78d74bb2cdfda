#include "column_layout_text.h"

#include <cstring>

#include "column_layout.h"

namespace tools {

namespace {

// Which host outputs each network's outputs become (the result file's order).
const char* HostOutputs(const torvane::InputTableLayout& t) {
  if (std::strcmp(t.network, "A") == 0) return "its outputs 1 and 2 are host outputs 0-99 and 100-199";
  if (std::strcmp(t.network, "C") == 0) return "its output 1 is host outputs 200-299";
  if (std::strcmp(t.network, "B") == 0) return "its output 1 is host outputs 300-399";
  return "the first output F of case 1 feeds network C's indicator column";
}

std::string Columns(int first, int last) {
  return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
}

void Pad(std::string& text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
}

}  // namespace

std::string ColumnLayoutText() {
  std::string text =
      "The host hands over 511 numbers: element 0 is the run flag, elements 1 to 510\n"
      "are host variables 1 to 510 (written to inputvars.dat in that order).\n"
      "Variables 56-155, 311-410 and 411-510 hold one value per time step s (1 to 100).\n"
      "The driver builds one table per network; column j is the network's input j,\n"
      "in the order `quenby titles PROJECT` lists them. hN is host variable N.\n";
  for (const torvane::InputTableLayout& t : torvane::kInputTables) {
    const bool first = std::strcmp(t.network, "first stage") == 0;
    text += "\n";
    text += first ? "first-stage network" : std::string("network ") + t.network;
    text += " (Control.dat line " + std::to_string(t.controlLine) + "): " + std::to_string(t.sources.size()) +
            " columns, one row per case" + (first ? "" : " and step") + ";\n  " + HostOutputs(t) + "\n";
    // Plain host variables in runs of up to ten columns; every other source
    // on a line of its own.
    size_t j = 0;
    while (j < t.sources.size()) {
      std::string line = "  column ";
      size_t end = j;
      if (t.sources[j] > 0) {
        while (end < t.sources.size() && end - j < 10 && t.sources[end] > 0) ++end;
        std::string head = (end - j == 1 ? line : "  columns ") + Columns(static_cast<int>(j + 1), static_cast<int>(end));
        Pad(head, 18);
        head += end - j == 1 ? "host variable " : "host variables ";
        for (size_t k = j; k < end; ++k) head += (k > j ? ", " : "") + std::to_string(t.sources[k]);
        text += head + "\n";
      } else {
        end = j + 1;
        std::string head = line + std::to_string(j + 1);
        Pad(head, 18);
        text += head + torvane::DescribeColumnSource(t.sources[j]) + "\n";
      }
      j = end;
    }
  }
  return text;
}

}  // namespace tools
