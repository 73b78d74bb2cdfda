#include "clustering_file_reader.h"

#include <gtest/gtest.h>

#include "common/failure.h"
#include "loaded_network.h"
#include "project_fixture.h"

namespace quenby {
namespace {

using common::Failure;
using common::FailureClass;
using fixture::Lines;
using fixture::ProjectFolder;
using fixture::Scenario;

// Two input-flagged variables and one output: three flags per scenario.
void StartProject(const ProjectFolder& folder, const Lines& clu) {
  Net().ProjectPath = folder.Project();
  Net().InputVarCount = 2;
  Net().OutputCount = 1;
  Net().ClusterCount = 7;  // the design file's value, replaced when a scenario is selected
  ProjectFolder::Write(folder.Project() + ".clu", clu);
}

const Scenario kConvA{"Conv A", {1, 0, 1}, {{0.5, -0.5}, {1.5, 2.5}, {3, 4}}};
const Scenario kConvB{"Conv B", {0, 1, 1}, {{7, 8}}};
const Scenario kFuzzyA{"Fuzzy A", {1, 1, 0}, {{-1, -2}, {-3, -4}}};

TEST(ReadConvClustering, ReadsTheSelectedScenario) {
  ProjectFolder folder;
  StartProject(folder, fixture::ClusteringFile({kConvA, kConvB}, {kFuzzyA}, "Conv B", "Fuzzy A"));
  ReadConvClustering();
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.ClusteringMode, "Conv");
  ASSERT_EQ(n.ClusterVarFlags.Upper(), 3);
  EXPECT_EQ(n.ClusterVarFlags(1), 0);
  EXPECT_EQ(n.ClusterVarFlags(2), 1);
  EXPECT_EQ(n.ClusterVarFlags(3), 1);
  EXPECT_EQ(n.ClusterCount, 1);
  EXPECT_EQ(n.ClusterVarCount, 2);
  EXPECT_EQ(n.ClusterCentres(1, 1), 7);
  EXPECT_EQ(n.ClusterCentres(1, 2), 8);
}

TEST(ReadConvClustering, NoSelectedScenarioClearsTheFlagsAndKeepsTheCounts) {
  ProjectFolder folder;
  StartProject(folder, fixture::ClusteringFile({kConvA}, {kFuzzyA}, "", "Fuzzy A"));
  Net().ClusterVarFlags.Redim(3);
  Net().ClusterVarFlags(1) = 1;
  ReadConvClustering();
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.ClusteringMode, "Conv");
  for (int i = 0; i <= 3; ++i) EXPECT_EQ(n.ClusterVarFlags(i), 0);
  EXPECT_EQ(n.ClusterCount, 7);
  EXPECT_EQ(n.ClusterVarCount, 0);
}

TEST(ReadConvClustering, AScenarioNamedLikeAnEarlierLineIsFoundThere) {
  // Scenario "1" is found at the first flag line "1" of scenario "Conv A":
  // its flags are the lines after that one.
  ProjectFolder folder;
  const Scenario one{"1", {0, 0, 0}, {{9, 9}}};
  StartProject(folder, fixture::ClusteringFile({kConvA, one}, {}, "1", ""));
  ReadConvClustering();
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.ClusterVarFlags(1), 0);  // "Conv A"'s second flag
  EXPECT_EQ(n.ClusterVarFlags(2), 1);  // its third
  // No earlier line of the results section reads "1": the centres are the
  // scenario's own.
  EXPECT_EQ(n.ClusterCount, 1);
  EXPECT_EQ(n.ClusterCentres(1, 2), 9);
}

TEST(ReadFuzzyClustering, ReadsTheSelectedFuzzyScenario) {
  ProjectFolder folder;
  StartProject(folder, fixture::ClusteringFile({kConvA}, {kFuzzyA}, "Conv A", "Fuzzy A"));
  ReadFuzzyClustering();
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.ClusteringMode, "Fuzzy");
  EXPECT_EQ(n.ClusterVarFlags(1), 1);
  EXPECT_EQ(n.ClusterVarFlags(3), 0);
  EXPECT_EQ(n.ClusterCount, 2);
  EXPECT_EQ(n.ClusterCentres(2, 1), -3);
}

TEST(ReadFuzzyClustering, AMarkerThatIsLastOrMissingSelectsNone) {
  for (bool dropMarker : {false, true}) {
    SCOPED_TRACE(dropMarker ? "marker missing" : "marker last");
    ProjectFolder folder;
    Lines clu = fixture::ClusteringFile({kConvA}, {kFuzzyA}, "Conv A", "");
    if (dropMarker) clu.pop_back();
    StartProject(folder, clu);
    EXPECT_NO_THROW(ReadFuzzyClustering());
    EXPECT_EQ(Net().ClusteringMode, "Fuzzy");
    EXPECT_EQ(Net().ClusterCount, 7);
  }
}

TEST(ReadClustering, Failures) {
  struct Case {
    const char* name;
    Lines clu;
    void (*reader)();
    FailureClass cls;
  };
  Lines noSelection{"Clustering", "**** Scenarios ***"};
  Lines unknownScenario = fixture::ClusteringFile({kConvA}, {}, "Conv Z", "");
  Lines unknownFuzzy = fixture::ClusteringFile({kConvA}, {}, "Conv A", "Fuzzy Z");
  Lines badCentre = fixture::ClusteringFile({kConvA}, {}, "Conv A", "");
  badCentre[badCentre.size() - 6] = "0,5";  // a centre of "Conv A"
  Lines hugeCounts = fixture::ClusteringFile({kConvB}, {}, "Conv B", "");
  hugeCounts[8] = "30000";  // clusters of "Conv B"
  hugeCounts[9] = "30000";
  const Case cases[] = {
      {"no selected-scenario marker", noSelection, ReadConvClustering, FailureClass::EndOfFile},
      // An unknown name is found at its own selection line; what follows is
      // read as its flags.
      {"selected conventional scenario not in the file", unknownScenario, ReadConvClustering,
       FailureClass::TypeMismatch},
      {"selected fuzzy scenario not in the file", unknownFuzzy, ReadFuzzyClustering, FailureClass::EndOfFile},
      {"a centre that is not a number", badCentre, ReadConvClustering, FailureClass::TypeMismatch},
      {"counts beyond the file", hugeCounts, ReadConvClustering, FailureClass::EndOfFile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProjectFolder folder;
    StartProject(folder, c.clu);
    try {
      c.reader();
      ADD_FAILURE() << "no failure";
    } catch (const Failure& f) {
      EXPECT_EQ(f.cls, c.cls) << f.message;
      EXPECT_NE(f.message.find(".clu"), std::string::npos) << f.message;
    }
  }
  ProjectFolder folder;
  Net().ProjectPath = folder.Project();
  try {
    ReadFuzzyClustering();
    ADD_FAILURE();
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, FailureClass::FileNotFound);
  }
}

}  // namespace
}  // namespace quenby
