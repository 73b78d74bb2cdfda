#include "backprop_file_reader.h"

#include <gtest/gtest.h>

#include "common/failure.h"
#include "loaded_network.h"
#include "project_fixture.h"

namespace quenby {
namespace {

using common::Failure;
using common::FailureClass;
using fixture::BackPropNet;
using fixture::Lines;
using fixture::ProjectFolder;

constexpr int16_t kIn = 2;
constexpr int16_t kOut = 1;

void WriteNet(const ProjectFolder& folder, const Lines& lines) {
  Net().ProjectPath = folder.Project();
  ProjectFolder::Write(folder.Project() + ".net", lines);
}

TEST(ReadBackPropInfo, TheSwitchLineIsTrueForAnOrdinaryLayer) {
  struct Case {
    const char* line;
    int16_t multiSlab;
  };
  for (const Case& c : {Case{"True", kFalse}, Case{"1", kFalse}, Case{"-1", kFalse}}) {
    SCOPED_TRACE(c.line);
    ProjectFolder folder;
    BackPropNet b;
    b.hidden = 3;
    Lines lines = fixture::BackPropFile(b);
    lines[7] = c.line;
    WriteNet(folder, lines);
    Net().SlabCount = 9;
    ReadBackPropInfo();
    EXPECT_EQ(Net().HiddenCount, 3);
    EXPECT_EQ(Net().MultiSlab, c.multiSlab);
    EXPECT_EQ(Net().SlabCount, 1);
    EXPECT_TRUE(Net().SlabActivations.Empty());
  }
}

TEST(ReadBackPropInfo, FalseOrZeroReadsTheSlabs) {
  for (const char* line : {"False", "0"}) {
    SCOPED_TRACE(line);
    ProjectFolder folder;
    BackPropNet b;
    b.hidden = 4;
    b.slabs = {"Logistic", "Gaussian", "tan Hyperbolic"};
    Lines lines = fixture::BackPropFile(b);
    lines[7] = line;
    WriteNet(folder, lines);
    ReadBackPropInfo();
    const LoadedNetwork& n = Net();
    EXPECT_EQ(n.MultiSlab, kTrue);
    EXPECT_EQ(n.HiddenCount, 4);
    ASSERT_EQ(n.SlabCount, 3);
    ASSERT_EQ(n.SlabActivations.Upper(), 3);
    EXPECT_EQ(n.SlabActivations(3), "tan Hyperbolic");
  }
}

TEST(ReadBackPropInfo, AnEmptyInformationSectionKeepsTheLayout) {
  ProjectFolder folder;
  WriteNet(folder, {"Network", "*** BKP Information ***", "*** Initial Weights ***", "1"});
  Net().HiddenCount = 6;
  Net().MultiSlab = kTrue;
  Net().SlabCount = 4;
  ReadBackPropInfo();
  EXPECT_EQ(Net().HiddenCount, 6);
  EXPECT_EQ(Net().MultiSlab, kTrue);
  EXPECT_EQ(Net().SlabCount, 1);
}

TEST(ReadBackPropWeights, ReadsTheBestSetRowByRow) {
  ProjectFolder folder;
  BackPropNet b;
  b.hidden = 2;
  b.best = fixture::Weights((kIn + 1) * 2 + (2 + 1) * kOut, 0);
  WriteNet(folder, fixture::BackPropFile(b));
  ReadBackPropWeights("Best", kIn, kOut);
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.HiddenCount, 2);
  ASSERT_EQ(n.InputWeights.Upper1(), 3);
  ASSERT_EQ(n.InputWeights.Upper2(), 2);
  EXPECT_EQ(n.InputWeights(1, 1), b.best[0]);
  EXPECT_EQ(n.InputWeights(1, 2), b.best[1]);
  EXPECT_EQ(n.InputWeights(3, 2), b.best[5]);
  ASSERT_EQ(n.OutputWeights.Upper1(), 3);
  ASSERT_EQ(n.OutputWeights.Upper2(), 1);
  EXPECT_EQ(n.OutputWeights(1, 1), b.best[6]);
  EXPECT_EQ(n.OutputWeights(3, 1), b.best[8]);
}

TEST(ReadSlabWeights, OneBiasRowPerSlabAndHiddenCountUntouched) {
  ProjectFolder folder;
  BackPropNet b;
  b.hidden = 2;
  b.slabs = {"Logistic", "Linear"};
  b.setHidden = 3;
  b.best = fixture::Weights((kIn + 1) * 3 + (3 + 2) * kOut, 10);
  WriteNet(folder, fixture::BackPropFile(b));
  ReadBackPropInfo();
  ReadSlabWeights("Best", kIn, kOut);
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.HiddenCount, 2);
  EXPECT_EQ(n.InputWeights.Upper2(), 3);
  ASSERT_EQ(n.OutputWeights.Upper1(), 5);
  EXPECT_EQ(n.OutputWeights(5, 1), b.best.back());
}

TEST(ReadBackPropWeights, Failures) {
  struct Case {
    const char* name;
    BackPropNet net;
    FailureClass cls;
    const char* text;
  };
  BackPropNet extraBlank;
  extraBlank.bestMarker = "*** Best  Weights ***";
  BackPropNet trailingBlank;
  trailingBlank.bestMarker = "*** Best Weights *** ";
  BackPropNet shortSet;
  shortSet.best = fixture::Weights(7, 0);  // 9 expected
  BackPropNet hugeSet;
  hugeSet.setHidden = 30000;
  hugeSet.best = fixture::Weights(9, 0);
  BackPropNet badWeight;
  badWeight.best = fixture::Weights(9, 0);
  const Case cases[] = {
      {"marker with an extra blank", extraBlank, FailureClass::EndOfFile, "found the end of the file"},
      {"marker with a trailing blank", trailingBlank, FailureClass::EndOfFile, "found the end of the file"},
      {"set shorter than its counts", shortSet, FailureClass::EndOfFile,
       "expected 9 weights of set \"Best\", found 7"},
      {"set larger than the file", hugeSet, FailureClass::EndOfFile, "weights of set \"Best\", but only"},
      {"weight that is not a number", badWeight, FailureClass::TypeMismatch, "a weight of set \"Best\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProjectFolder folder;
    Lines lines = fixture::BackPropFile(c.net);
    if (c.cls == FailureClass::TypeMismatch) lines[lines.size() - 3] = "0.5.5";
    WriteNet(folder, lines);
    try {
      ReadBackPropWeights("Best", kIn, kOut);
      ADD_FAILURE() << "no failure";
    } catch (const Failure& f) {
      EXPECT_EQ(f.cls, c.cls) << f.message;
      EXPECT_NE(f.message.find(c.text), std::string::npos) << f.message;
      EXPECT_NE(f.message.find(".net, line "), std::string::npos) << f.message;
    }
  }
}

}  // namespace
}  // namespace quenby
