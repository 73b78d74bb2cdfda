#include <gtest/gtest.h>

#include <string>

#include "common/failure.h"
#include "loaded_network.h"
#include "output_scaling.h"

namespace quenby {
namespace {

class OutputScaling : public ::testing::Test {
 protected:
  // Output 1 is column 3 (10..30), output 2 column 1 (7..7).
  void SetUp() override {
    ResetLoadedNetwork();
    LoadedNetwork& n = Net();
    n.OutputCount = 2;
    n.OutputColumns.Redim(2);
    n.OutputColumns(1) = 3;
    n.OutputColumns(2) = 1;
    n.VarMin.Redim(3);
    n.VarMax.Redim(3);
    n.VarMin(1) = n.VarMax(1) = 7;
    n.VarMin(2) = -1000;
    n.VarMax(2) = 1000;
    n.VarMin(3) = 10;
    n.VarMax(3) = 30;
  }
  void TearDown() override { ResetLoadedNetwork(); }
};

TEST_F(OutputScaling, MapsZeroToMinimumAndOneToMaximumByOutputColumn) {
  const double y[] = {0, 0.25, 1, 1.5, -1};
  const double want[] = {10, 15, 30, 40, -10};
  Array2<double> out;
  out.Redim(5, 2);
  for (int i = 1; i <= 5; ++i) out(i, 1) = out(i, 2) = y[i - 1];
  out(0, 1) = 123;
  ScaleOutputs(5, out, 2);
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(out(i, 1), want[i - 1]) << y[i - 1];
    EXPECT_EQ(out(i, 2), 7) << "equal range: the maximum whatever the network gave";
  }
  EXPECT_EQ(out(0, 1), 123);  // row 0 untouched
}

TEST_F(OutputScaling, NothingToDoWithoutCasesOrOutputs) {
  Array2<double> out;
  out.Redim(1, 2);
  out(1, 1) = 0.5;
  ScaleOutputs(0, out, 2);
  ScaleOutputs(1, out, 0);
  EXPECT_EQ(out(1, 1), 0.5);
}

TEST_F(OutputScaling, Failures) {
  Array2<double> out;
  out.Redim(1, 2);
  out(1, 1) = 1e308;
  Net().VarMax(3) = 1e300;
  try {
    ScaleOutputs(1, out, 1);
    ADD_FAILURE() << "no overflow";
  } catch (const common::Failure& f) {
    EXPECT_EQ(f.cls, common::FailureClass::FloatingPoint) << f.message;
    EXPECT_NE(f.message.find("output 1 of case 1"), std::string::npos) << f.message;
  }
  out(1, 1) = 0.5;
  Net().OutputColumns(2) = 4;
  try {
    ScaleOutputs(1, out, 2);
    ADD_FAILURE() << "no subscript failure";
  } catch (const common::Failure& f) {
    EXPECT_EQ(f.cls, common::FailureClass::Subscript) << f.message;
  }
}

}  // namespace
}  // namespace quenby
