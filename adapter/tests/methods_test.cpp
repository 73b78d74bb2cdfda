// The method codes that do not calculate.
#include <gtest/gtest.h>

#include "pellmar.h"

namespace {

TEST(InterfaceFunction, MethodCodes) {
  struct Case {
    int32_t method;
    int32_t status;
    double out0, out1;
  };
  const Case cases[] = {
      {0, 0, -7, -7}, {99, 0, -7, -7}, {2, 0, 1.0, -7}, {3, 0, 511.0, 400.0},
      {4, 1, -7, -7}, {-1, 1, -7, -7}, {100, 1, -7, -7},
  };
  for (const Case& x : cases) {
    double in[511] = {};
    double out[400];
    for (double& v : out) v = -7;
    int32_t status = -5;
    interface_function(x.method, &status, in, out);
    EXPECT_EQ(status, x.status) << x.method;
    EXPECT_EQ(out[0], x.out0) << x.method;
    EXPECT_EQ(out[1], x.out1) << x.method;
    for (int i = 2; i < 400; ++i) ASSERT_EQ(out[i], -7) << x.method;
  }
}

TEST(InterfaceFunction, NullPointersAreRefused) {
  int32_t status = -5;
  interface_function(1, &status, nullptr, nullptr);
  EXPECT_EQ(status, 1);
  interface_function(2, &status, nullptr, nullptr);
  EXPECT_EQ(status, 1);
  interface_function(0, nullptr, nullptr, nullptr);  // nothing to report to, nothing done
}

}  // namespace
