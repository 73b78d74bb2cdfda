#include "run_flag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(RunFlag, SinglePrecisionLimitStrict) {
  struct Case {
    double flag;
    bool set;
  };
  const Case cases[] = {
      {1.0, true},        {0.9, true},           {1.1, true},   {1.0999999, true},
      {1.100000001, true}, {0.8999, false},      {1.100000002, false}, {2.0, false},
      {0.0, false},       {std::nan(""), false}, {std::numeric_limits<double>::infinity(), false},
      {1.0 + static_cast<double>(0.1f), false},  // the limit itself: strict
      {0.899999999, true}, {0.8999999984, false},  // either side of the limit below 1
  };
  for (const Case& x : cases) EXPECT_EQ(pellmar::RunFlagSet(x.flag), x.set) << x.flag;
}

}  // namespace
