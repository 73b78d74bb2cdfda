#include <gtest/gtest.h>

#include <string>

#include "compiled_file.h"
#include "dllfile_fixture.h"
#include "loaded_network.h"
#include "quenby.h"
#include "quenby_network.h"

namespace quenby {
namespace {

using dllfile::FixtureText;

std::vector<std::string> Titles(const std::vector<NetworkColumn>& columns) {
  std::vector<std::string> t;
  for (const auto& c : columns) t.push_back(c.title);
  return t;
}

TEST(NetworkDescription, StatesTheFileAndLeavesTheLoadedNetworkAlone) {
  dllfile::Folder folder;
  LoadNetworkText(FixtureText("single_slab.DLLFile"), "single.DLLFile");
  const std::string fuzzy = folder.WithFixture("fuzzy", "derived_fuzzy");

  const NetworkDescription d = DescribeNetwork(fuzzy);
  EXPECT_EQ(d.compiledFile, fuzzy + ".DLLFile");
  EXPECT_EQ(d.variableCount, 4);
  ASSERT_EQ(d.columns.size(), 8u);  // 4 variables, 2 clusters + 2 derived
  EXPECT_EQ(d.Column(4).title, "Power");
  EXPECT_EQ(d.Column(4).min, 100);
  EXPECT_EQ(d.Column(4).max, 200);
  EXPECT_TRUE(d.Column(5).derived);
  EXPECT_EQ(d.Column(5).title, "derived: winning cluster");
  // What PrintTitlesName lists: the direct inputs, then the clustering
  // variable that is not one.
  EXPECT_EQ(Titles(d.callerColumns), (std::vector<std::string>{"Flow", "Head", "Speed"}));
  EXPECT_EQ(d.extraInputCount, 1);
  EXPECT_EQ(Titles(d.networkInputs), (std::vector<std::string>{"Flow", "Head", "derived: winning cluster",
                                                               "derived: membership of cluster 1"}));
  EXPECT_EQ(d.derivedInputCodes, (std::vector<int>{1, 3}));
  EXPECT_EQ(d.clusteringMode, "Fuzzy");
  EXPECT_EQ(d.clusterVariableColumns, (std::vector<int>{1, 3}));
  ASSERT_EQ(d.clusterCentres.size(), 2u);
  EXPECT_EQ(d.clusterCentres[1], (std::vector<double>{0.6, 0.8}));
  EXPECT_EQ(Titles(d.outputs), std::vector<std::string>{"Power"});
  EXPECT_TRUE(d.hasBackProp);
  EXPECT_FALSE(d.multiSlab);
  EXPECT_FALSE(d.hasGrnn);
  EXPECT_THROW(d.Column(9), std::out_of_range);

  // The module-wide network still holds the file loaded before.
  EXPECT_EQ(Net().VariableCount, 3);
  EXPECT_EQ(Net().VariableTitles(3), "Yield");
  EXPECT_TRUE(Net().ProjectPath.empty());

  const NetworkDescription slabs = DescribeNetwork(folder.WithFixture("slabs", "multi_slab"));
  EXPECT_TRUE(slabs.multiSlab);
  EXPECT_EQ(slabs.slabActivations, (std::vector<std::string>{"tan Hyperbolic", "Gaussian"}));
  // A file without networks says so, whatever was described before.
  const NetworkDescription none = DescribeNetwork(folder.WithFixture("none", "no_network"));
  EXPECT_FALSE(none.hasBackProp);
  EXPECT_EQ(none.hiddenCount, 0);
  EXPECT_FALSE(none.hasGrnn);
}

TEST(NetworkDescription, FailuresCarryTheEnginesMessageFileAndLine) {
  dllfile::Folder folder;
  try {
    DescribeNetwork(folder.Project("absent"));
    ADD_FAILURE() << "no failure";
  } catch (const NetworkReadError& e) {
    EXPECT_EQ(e.status(), QUENBY_FILE_NOT_FOUND);
    EXPECT_EQ(e.file(), folder.Project("absent") + ".DLLFile");
    EXPECT_NE(std::string(e.what()).find("file not found"), std::string::npos) << e.what();
  }
  std::string text = FixtureText("derived_fuzzy.DLLFile");
  text.replace(text.find(" 4  3  1 "), 9, " 4  x  1 ");
  const std::string broken = folder.WithDllFile("broken", text);
  try {
    DescribeNetwork(broken);
    ADD_FAILURE() << "no failure";
  } catch (const NetworkReadError& e) {
    EXPECT_EQ(e.status(), QUENBY_TYPE_MISMATCH);
    EXPECT_EQ(e.file(), broken + ".DLLFile");
    EXPECT_EQ(e.line(), 2);
    EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace quenby
