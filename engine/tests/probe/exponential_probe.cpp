// The exponential at scale, outside the unit tests' time budget.
//
//   exponential_probe values [exact]
//       reads one argument per line (C hexadecimal or decimal; "nan"),
//       writes Exp of each (or its exact path's value) in C hexadecimal:
//       what exponential_reference.py holds against mpmath.
//   exponential_probe decisions COUNT [SEED]
//       COUNT random arguments: every decision of the fast path against the
//       exact path, and the lanes of every instruction set this processor
//       has against the scalar function. Exit 1 on any difference.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "exponential_check.h"

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "values" && (argc == 2 || (argc == 3 && std::string(argv[2]) == "exact"))) {
    const bool exact = argc == 3;
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
      const double x = std::strtod(line, nullptr);
      const double y = exact ? quenby::exp_detail::ExpExact(x) : quenby::Exp(x);
      if (std::isnan(y))
        std::printf("nan\n");
      else
        std::printf("%a\n", y);
    }
    return 0;
  }
  if (mode == "decisions" && (argc == 3 || argc == 4)) {
    const uint64_t count = std::strtoull(argv[2], nullptr, 10);
    const uint64_t seed = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 18;
    const quenby_test::ExpCheckCounts c = quenby_test::CheckExpDecisions(count, seed, true);
    std::printf("%" PRIu64 " arguments (seed %" PRIu64 "): fast path decided %" PRIu64 " (%.6f %%), "
                "%" PRIu64 " decided differently from the exact path; lanes: %" PRIu64
                " values on %d instruction sets, %" PRIu64 " differ from the scalar function\n",
                c.arguments, seed, c.fastDecided, 100.0 * static_cast<double>(c.fastDecided) / static_cast<double>(c.arguments),
                c.fastWrong, c.laneValues, c.isas, c.laneDifferences);
    return c.fastWrong == 0 && c.laneDifferences == 0 ? 0 : 1;
  }
  std::fprintf(stderr, "usage: exponential_probe values [exact] | decisions COUNT [SEED]\n");
  return 2;
}
