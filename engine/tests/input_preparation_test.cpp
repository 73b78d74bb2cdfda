#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/failure.h"
#include "compiled_file.h"
#include "dllfile_fixture.h"
#include "input_preparation.h"
#include "loaded_network.h"

namespace quenby {
namespace {

using common::Failure;
using common::FailureClass;

class InputPreparation : public ::testing::Test {
 protected:
  void SetUp() override { ResetLoadedNetwork(); }
  void TearDown() override { ResetLoadedNetwork(); }
};

void LoadFixture(const std::string& name) { LoadNetworkText(dllfile::FixtureText(name + ".DLLFile"), name); }

Array2<double> Table(const std::vector<std::vector<double>>& rows) {
  Array2<double> t;
  t.Redim(static_cast<int64_t>(rows.size()), rows.empty() ? 0 : static_cast<int64_t>(rows[0].size()));
  for (size_t i = 1; i <= rows.size(); ++i)
    for (size_t j = 1; j <= rows[i - 1].size(); ++j) t(i, j) = rows[i - 1][j - 1];
  return t;
}

// One clustering coordinate, variable 1 (range -1..1, so a value is its own
// scaled value), a direct input; variable 2 the output. Derived codes as given.
void OneCoordinateNetwork(const std::string& mode, const std::vector<double>& centres, const std::vector<int16_t>& codes) {
  LoadedNetwork& n = Net();
  n.VariableCount = 2;
  n.VariableTitles.Redim(2);
  n.VariableTitles(1) = "X";
  n.VariableTitles(2) = "Y";
  n.InputVarCount = 1;
  n.InputVarColumns.Redim(1);
  n.InputVarColumns(1) = 1;
  n.OutputCount = 1;
  n.OutputColumns.Redim(1);
  n.OutputColumns(1) = 2;
  n.ClusteringMode = mode;
  n.ClusterCount = static_cast<int16_t>(centres.size());
  n.ClusterVarCount = 1;
  n.ClusterVarFlags.Redim(2);
  n.ClusterVarFlags(1) = 1;
  n.ClusterCentres.Redim(n.ClusterCount, 1);
  for (size_t c = 1; c <= centres.size(); ++c) n.ClusterCentres(c, 1) = centres[c - 1];
  n.DirectInputCount = 1;
  n.DerivedInputCount = static_cast<int16_t>(codes.size());
  n.NetInputColumns.Redim(1 + n.DerivedInputCount);
  n.NetInputColumns(1) = 1;
  n.DerivedInputCodes.Redim(n.DerivedInputCount);
  for (size_t m = 1; m <= codes.size(); ++m) {
    n.DerivedInputCodes(m) = codes[m - 1];
    n.NetInputColumns(1 + m) = static_cast<int16_t>(2 + codes[m - 1]);
  }
  n.VarMin.Redim(n.ClusterCount + 4);
  n.VarMax.Redim(n.ClusterCount + 4);
  n.VarMin(1) = -1;
  n.VarMax(1) = 1;
}

// Derived inputs of one case with value x.
std::vector<double> Derived(double x) {
  PlanInputColumns();
  BuildNetInputs(Table({{x}}));
  std::vector<double> out;
  for (int k = 1; k <= Net().DerivedInputCount; ++k) out.push_back(Net().NetInputs(1, 1 + k));
  return out;
}

TEST_F(InputPreparation, AsksClusteringVariablesThatAreNoDirectInputs) {
  LoadFixture("derived_conv");
  PlanInputColumns();
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.ExtraInputCount, 1);
  EXPECT_EQ(n.ExtraInputColumns(1), 3);
  ASSERT_EQ(n.InputTitles.Upper(), 3);
  EXPECT_EQ(n.InputTitles(1), "Flow");
  EXPECT_EQ(n.InputTitles(2), "Head");
  EXPECT_EQ(n.InputTitles(3), "Speed");

  Net().ClusterVarFlags(2) = 1;  // Head is a direct input: not asked again
  PlanInputColumns();
  EXPECT_EQ(n.ExtraInputCount, 1);

  Net().DerivedInputCount = 0;  // no derived inputs: no extra column at all
  PlanInputColumns();
  EXPECT_EQ(n.ExtraInputCount, 0);
  EXPECT_EQ(n.InputTitles(3), "");
}

TEST_F(InputPreparation, PlacesCallerColumnsAndIgnoresFurtherOnes) {
  LoadFixture("derived_conv");
  PlanInputColumns();
  BuildNetInputs(Table({{8, 0.5, 5, 99}, {3, 0.25, 9, 99}}));
  const LoadedNetwork& n = Net();
  ASSERT_EQ(n.NetInputs.Upper1(), 2);
  ASSERT_EQ(n.NetInputs.Upper2(), 4);
  EXPECT_EQ(n.NetInputs(2, 1), 3);
  EXPECT_EQ(n.NetInputs(2, 2), 0.25);
  EXPECT_EQ(n.CaseVariables(1, 1), 8);
  EXPECT_EQ(n.CaseVariables(1, 2), 0.5);
  EXPECT_EQ(n.CaseVariables(1, 3), 5);
  EXPECT_EQ(n.CaseVariables(1, 4), 0);  // the output: never supplied
  // Case 1 lies at distances 0.6 and 0.8: cluster 1 wins, membership 0.64.
  EXPECT_EQ(n.NetInputs(1, 3), 1);
  EXPECT_DOUBLE_EQ(n.NetInputs(1, 4), 0.64);
}

TEST_F(InputPreparation, DerivedInputsByModeAndCode) {
  // Case at 0.25, centres at 0 and 0.75: twice as far from cluster 2.
  struct Case {
    const char* mode;
    int16_t code;
    double want;
  } cases[] = {
      {"Fuzzy", 1, 1},    {"Fuzzy", 2, 0.25}, {"Fuzzy", 3, 0.8}, {"Fuzzy", 4, 0.2}, {"Conv", 1, 1},
      {"Conv", 2, 0.5},   {"Conv", 3, 0.8},   {"Conv", 4, 0.2},  {"None", 1, 0},    {"None", 2, 0},
      {"None", 3, 0.8},   {"fuzzy", 1, 0},    {"Conv", 0, 0},    {"Fuzzy", -2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " code " + std::to_string(c.code));
    ResetLoadedNetwork();
    OneCoordinateNetwork(c.mode, {0.0, 0.75}, {c.code});
    EXPECT_NEAR(Derived(0.25)[0], c.want, 1e-15);
  }
}

TEST_F(InputPreparation, TiesKeepTheLowerClusterNumber) {
  for (const char* mode : {"Fuzzy", "Conv"}) {
    ResetLoadedNetwork();
    OneCoordinateNetwork(mode, {0.9, -0.5, 0.5}, {1, 3, 4, 5});
    const std::vector<double> d = Derived(0);  // equal distance to clusters 2 and 3
    EXPECT_EQ(d[0], 2) << mode;
    EXPECT_EQ(d[2], d[3]) << mode;
  }
}

TEST_F(InputPreparation, CaseOnACentreGetsFullMembership) {
  // Once a division by zero: now membership 1 on the centre, 0 elsewhere.
  OneCoordinateNetwork("Fuzzy", {0.5, -0.5, 0.9}, {1, 2, 3, 4, 5});
  std::vector<double> d = Derived(0.5);
  EXPECT_EQ(d[0], 1);
  EXPECT_EQ(d[1], 0);  // (1 - 1) / (1 - 0)
  EXPECT_EQ(d[2], 1);
  EXPECT_EQ(d[3], 0);
  EXPECT_EQ(d[4], 0);

  // On two coincident centres: shared equally.
  ResetLoadedNetwork();
  OneCoordinateNetwork("Conv", {-0.5, 0.5, 0.5}, {1, 2, 3, 4, 5});
  d = Derived(0.5);
  EXPECT_EQ(d[0], 2);
  EXPECT_EQ(d[1], 0);  // smallest / largest distance
  EXPECT_EQ(d[2], 0);
  EXPECT_EQ(d[3], 0.5);
  EXPECT_EQ(d[4], 0.5);

  // Next to a centre, far nearer than to any other: the limit, no failure.
  ResetLoadedNetwork();
  OneCoordinateNetwork("Fuzzy", {1e-155, 0.5}, {3, 4});
  d = Derived(0);  // (0.5 / 1e-155) squared is beyond a double
  EXPECT_EQ(d[0], 1);
  EXPECT_EQ(d[1], 0);
}

TEST_F(InputPreparation, CoordinatesAreClampedRangeScaled) {
  // Centre at 0: the distance is the scaled value's magnitude, so the
  // membership ratio against a centre at 2 shows it.
  struct Case {
    double x, min, max, scaled;
  } cases[] = {{-5, -1, 1, -1}, {5, -1, 1, 1}, {-1, -1, 1, -1}, {3, 2, 2, 1}, {-3, 2, 2, 1}};
  for (const Case& c : cases) {
    ResetLoadedNetwork();
    OneCoordinateNetwork("Conv", {0.0, 3.0}, {2});
    Net().VarMin(1) = c.min;
    Net().VarMax(1) = c.max;
    const double dist1 = std::abs(c.scaled), dist2 = std::abs(c.scaled - 3.0);
    EXPECT_DOUBLE_EQ(Derived(c.x)[0], dist1 / dist2) << c.x;
  }
}

TEST_F(InputPreparation, FlaggedOutputIsNotAskedAndReadsZero) {
  LoadFixture("derived_fuzzy");
  LoadedNetwork& n = Net();
  n.ClusterVarFlags(4) = 1;  // the output Power, range 100..200
  n.ClusterVarCount = 3;
  n.ClusterCentres.Redim(2, 3);
  n.ClusterCentres(2, 1) = 0.6;
  n.ClusterCentres(2, 2) = 0.8;
  n.ClusterCentres(1, 3) = -1;  // where a zero output scales to
  n.ClusterCentres(2, 3) = 0;
  PlanInputColumns();
  EXPECT_EQ(n.ExtraInputCount, 1);
  BuildNetInputs(Table({{5, 0, 5}}));
  // dist1 = 0 (0 - 0, 0 - 0, -1 - -1), so cluster 1 holds the whole membership.
  EXPECT_EQ(n.NetInputs(1, 3), 1);
  EXPECT_EQ(n.NetInputs(1, 4), 1);
}

TEST_F(InputPreparation, Failures) {
  struct Case {
    const char* name;
    void (*setUp)();
    std::vector<std::vector<double>> rows;
    FailureClass cls;
    const char* message;
  } cases[] = {
      {"too few columns", [] { LoadFixture("derived_conv"); }, {{1, 2}}, FailureClass::Subscript,
       "the input table has 2 columns; the network needs 3 (2 direct inputs, then 1 clustering variables)"},
      {"code beyond the clusters", [] { OneCoordinateNetwork("Conv", {0, 1}, {5}); }, {{0.3}},
       FailureClass::Subscript, "addresses cluster 3, but the network has 2 clusters"},
      {"no clusters, Conv code 1", [] { OneCoordinateNetwork("Conv", {}, {1}); }, {{0.3}}, FailureClass::Subscript,
       "addresses cluster 1"},
      {"one cluster, Fuzzy code 2 is 0 / 0", [] { OneCoordinateNetwork("Fuzzy", {0.5}, {2}); }, {{0.3}},
       FailureClass::FloatingPoint, "membership ratio"},
      {"centre beyond a double", [] { OneCoordinateNetwork("Fuzzy", {1e200, 0}, {3}); }, {{0.3}},
       FailureClass::FloatingPoint, "squared distance of case 1 to cluster 1"},
      {"input column beyond the variables, no derived inputs",
       [] {
         OneCoordinateNetwork("None", {}, {});
         Net().NetInputColumns(1) = 3;
         Net().VariableTitles.Redim(3);  // a title, but no such variable
       },
       {{0.3}}, FailureClass::Subscript, "CaseVariables(3) lies outside 0 To 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetLoadedNetwork();
    c.setUp();
    try {
      PlanInputColumns();
      BuildNetInputs(Table(c.rows));
      ADD_FAILURE() << "no failure";
    } catch (const Failure& f) {
      EXPECT_EQ(f.cls, c.cls) << f.message;
      EXPECT_NE(f.message.find(c.message), std::string::npos) << f.message;
    }
  }
  // "None" with codes 1 and 2 and no clusters at all is no failure.
  ResetLoadedNetwork();
  OneCoordinateNetwork("None", {}, {1, 2});
  EXPECT_EQ(Derived(0.3), (std::vector<double>{0, 0}));
}

// NetInputs is not cleared before it is filled: a second, smaller table in
// the same memory must leave nothing of the first, and row 0 and column 0
// stay 0 as before.
TEST_F(InputPreparation, EveryCaseIsTakenAsItStandsWhateverTheTableHeldBefore) {
  for (const char* fixture : {"derived_conv", "derived_fuzzy"}) {
    SCOPED_TRACE(fixture);
    ResetLoadedNetwork();
    LoadFixture(fixture);
    PlanInputColumns();
    BuildNetInputs(Table(std::vector<std::vector<double>>(6, {7, 7, 7})));
    BuildNetInputs(Table({{3, 0.5, 9}, {4, 0.25, 8}}));
    const LoadedNetwork& n = Net();
    ASSERT_EQ(n.NetInputs.Upper1(), 2);
    for (int j = 0; j <= n.NetInputs.Upper2(); ++j) EXPECT_EQ(n.NetInputs(0, j), 0.0);
    for (int e = 0; e <= 2; ++e) EXPECT_EQ(n.NetInputs(e, 0), 0.0);
    EXPECT_EQ(n.NetInputs(2, 1), 4);
    EXPECT_EQ(n.NetInputs(2, 2), 0.25);
  }
  // Without derived inputs the direct ones alone, and no case variables.
  ResetLoadedNetwork();
  OneCoordinateNetwork("None", {}, {});
  Net().NetInputColumns(1) = 1;
  PlanInputColumns();
  BuildNetInputs(Table({{0.75}, {-0.5}}));
  EXPECT_EQ(Net().NetInputs(2, 1), -0.5);
  EXPECT_EQ(Net().CaseVariables.Upper1(), 0);
}

TEST_F(InputPreparation, ClusterInputMatchesThePerCaseGeometry) {
  LoadFixture("derived_fuzzy");
  PlanInputColumns();
  BuildNetInputs(Table({{3, 0.5, 9}}));
  Array1<double> v;
  v.Redim(3);
  v(1) = 3;
  v(2) = 0.5;
  v(3) = 9;
  EXPECT_EQ(ClusterInput(v, 1, 1), Net().NetInputs(1, 3));
  EXPECT_EQ(ClusterInput(v, 1, 3), Net().NetInputs(1, 4));
}

}  // namespace
}  // namespace quenby
