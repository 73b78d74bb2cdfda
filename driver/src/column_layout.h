#pragma once
// Where each column of the driver's four input tables takes its value from:
// the one table the driver builds its rows from, and that the tools print
// (`pellmar-run --layout`) and check networks against (`quenby check`), so
// the description cannot drift from what is built.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace torvane {

// A host variable number (1..510) taken as it is, or one of these.
enum ColumnSource : int16_t {
  kStep = -1,                // s
  kStepVar55 = -2,           // h(55 + s)
  kStepVar310 = -3,          // h(310 + s)
  kStepVar410 = -4,          // h(410 + s)
  kBeforeH307OneTwo = -5,    // 1 if s < h307, else 2
  kBeforeH307ZeroOne = -6,   // 0 if s < h307, else 1
  kBeforeFirstStage = -7,    // 0 if s < floor(F / 365), else 1
  kSeriesAtH307 = -8,        // h(411 + floor(h307)): first stage, column 40
};

// First-stage table (40 columns): host variables, then column 40.
inline constexpr int16_t kFirstStageSources[] = {
    1,   2,   3,   5,   6,   9,   10,  11,  12,  14,   // 1..10
    15,  16,  22,  24,  25,  26,  32,  34,  44,  45,   // 11..20
    46,  47,  48,  53,  54,  55,  257, 258, 260, 261,  // 21..30
    264, 265, 267, 269, 270, 271, 277, 287, 307,       // 31..39
    kSeriesAtH307,                                     // 40
};

// SeriesTable1, network A (55 columns).
inline constexpr int16_t kSeriesSources1[] = {
    1,   2,   3,   5,   6,   8,   9,   10,  11,  12,                        // 1..10
    14,  15,  16,  22,  24,  25,  26,  32,  34,  35,                        // 11..20
    36,  37,  39,  40,  41,  42,  44,  45,                                  // 21..28
    kStep, 50, 53, kStepVar55,                                              // 29..32
    257, 258, 260, 261, 263, 264, 265, 266, 267, 270,                       // 33..42
    271, 277, 280, 281, 287, 290, 291, 292, 295, 296,                       // 43..52
    kBeforeH307OneTwo, kStepVar310, kStepVar410,                            // 53..55
};

// SeriesTable2, network B (53 columns).
inline constexpr int16_t kSeriesSources2[] = {
    256, 257, 258, 259, 260, 261,                                           // 1..6: h(255 + j)
    263, 264, 265, 266, 267, 268, 269, 270, 271, 272, 273, 274, 275, 276,   // 7..41: h(256 + j)
    277, 278, 279, 280, 281, 282, 283, 284, 285, 286, 287, 288, 289, 290,
    291, 292, 293, 294, 295, 296, 297,
    299, 300, 301, 302, 303,                                                // 42..46: h(257 + j)
    kStep, kBeforeH307OneTwo, kBeforeH307ZeroOne, 308, 309, kStepVar310, kStepVar410,  // 47..53
};

// SeriesTable3, network C (47 columns).
inline constexpr int16_t kSeriesSources3[] = {
    1,   2,   3,   5,   6,   8,   9,   10,  11,  12,                        // 1..10
    14,  15,  16,  22,  24,  25,  26,  32,  34,  35,                        // 11..20
    36,  37,  39,  40,  41,  42,  44,  45,  46,  47,                        // 21..30
    kStep, kBeforeFirstStage, 53, 54, kStepVar55,                           // 31..35
    257, 258, 260, 261, 263, 264, 265, 267, 277, 287, 292,                  // 36..46
    kStepVar410,                                                            // 47
};

static_assert(std::size(kFirstStageSources) == 40);
static_assert(std::size(kSeriesSources1) == 55);
static_assert(std::size(kSeriesSources2) == 53);
static_assert(std::size(kSeriesSources3) == 47);

// One of the four tables, in the order the driver runs them.
struct InputTableLayout {
  const char* network;  // "first stage", "A", "B", "C"
  long controlLine;     // the Control.dat line that names its project
  int neededOutputs;    // outputs the cascade takes from it
  std::span<const int16_t> sources;
};

inline constexpr InputTableLayout kInputTables[] = {
    {"first stage", 8, 1, kFirstStageSources},
    {"A", 2, 2, kSeriesSources1},
    {"C", 6, 1, kSeriesSources3},
    {"B", 4, 1, kSeriesSources2},
};

// What a column holds, in words: "host variable 257", "the step s (1 to
// 100)", "h(410 + s): host variable 411 to 510 by step", ...
std::string DescribeColumnSource(int16_t source);

}  // namespace torvane
