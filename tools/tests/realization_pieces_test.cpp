// The small pieces behind --realizations and the input checks.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "common/failure.h"
#include "common/text_file.h"
#include "input_precision.h"
#include "output_guard.h"
#include "sample_folder.h"
#include "series_bands.h"
#include "series_chart.h"
#include "text_encoding.h"
#include "training_range.h"

namespace tools {
namespace {

TEST(SeriesBands, PercentilesInterpolateBetweenRanksAndSkipFailedRealizations) {
  EXPECT_EQ(Percentile({1, 2, 3, 4, 5}, 0.5), 3);
  EXPECT_EQ(Percentile({1, 2, 3, 4}, 0.5), 2.5);
  EXPECT_DOUBLE_EQ(Percentile({0, 10}, 0.05), 0.5);
  EXPECT_EQ(Percentile({7}, 0.95), 7);
  std::vector<std::vector<double>> runs;
  for (int i = 0; i < 21; ++i) runs.push_back(std::vector<double>(400, static_cast<double>(i)));
  std::vector<double> failed;  // no values: left out
  std::vector<const std::vector<double>*> all;
  for (const auto& r : runs) all.push_back(&r);
  all.push_back(&failed);
  auto bands = SeriesBands(all);
  ASSERT_EQ(bands.size(), 4u);
  EXPECT_EQ(bands[3][99].p5, 1);
  EXPECT_EQ(bands[3][99].median, 10);
  EXPECT_EQ(bands[3][99].p95, 19);
  EXPECT_EQ(bands[3][99].mean, 10);
  std::string csv = BandsCsv({"A, \"a\"", "B", "C", "D"}, bands);
  EXPECT_EQ(csv.substr(0, csv.find("\r\n", csv.find("\r\n") + 2)), "series,step,5 %,median,95 %,mean\r\n\"A, \"\"a\"\"\",1,1,10,19,10");
}

TEST(Charts, TitlesBecomeUtf8AndEscapedAndTheAxisIsNamed) {
  EXPECT_EQ(ToUtf8("m\xB3/d"), "m\xC2\xB3/d");              // Windows-1252 superscript three
  EXPECT_EQ(ToUtf8("m\xC2\xB3/d"), "m\xC2\xB3/d");          // already UTF-8
  EXPECT_EQ(ToUtf8("\x80 \x81"), "\xE2\x82\xAC \xEF\xBF\xBD");  // euro sign; an unassigned byte
  EXPECT_FALSE(IsUtf8("\xE2\x82"));
  EXPECT_EQ(XmlEscape("a<b & \"c\"\x01"), "a&lt;b &amp; &quot;c&quot;");
  std::vector<BandPoint> steps(100, BandPoint{1, 2, 3, 2.5});
  std::string svg = BandChartSvg("Spread", {"Flow (m\xB3/d)"}, {steps}, "Year");
  EXPECT_NE(svg.find("Flow (m\xC2\xB3/d)"), std::string::npos);
  EXPECT_NE(svg.find(">Year</text>"), std::string::npos);
  EXPECT_NE(svg.find("<polygon"), std::string::npos);
  EXPECT_NE(svg.find("stroke-dasharray"), std::string::npos);
  EXPECT_NE(SeriesChartSvg("One", {"x"}, {std::vector<double>(100, 1.0)}, "Year").find(">Year</text>"), std::string::npos);
}

TEST(InputPrecision, ChangesBeyondAPartInAMillionAreReported) {
  std::vector<double> in{1.5, 0.02501, 0.00002, 123456.78901, 0, 1e10, -273.15, 0.02500001};
  std::vector<PrecisionChange> c = PrecisionChanges(in);
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(DescribeChange(c[0]), "host variable 2: 0.02501 reaches the driver as 0.0250");
  EXPECT_EQ(DescribeChange(c[1]), "host variable 3: 0.00002 reaches the driver as 0.0000");
  EXPECT_EQ(DescribeChange(c[2]), "host variable 6: 10000000000 is written as \"***************\", which the driver cannot read");
  EXPECT_EQ(DriverSees(0.02504), 0.025);
}

TEST(TrainingRange, ExcessInWidthsOfTheRange) {
  EXPECT_EQ(RangeExcess(5, 0, 10), 0);
  EXPECT_EQ(RangeExcess(15, 0, 10), 0.5);
  EXPECT_EQ(RangeExcess(-10, 0, 10), 1);
  EXPECT_EQ(RangeExcess(4, 2, 2), 1);  // a range of one value: widths of its magnitude
  EXPECT_TRUE(std::isinf(RangeExcess(std::nan(""), 0, 1)));
  DomainReport report;
  report.Add(2, 4, {2, {{"network C (W)", "Rain", 15, 0, 10, 0.5, 7}}, {"network C (W): \"Rain\"", "network C (W): \"Snow\""}});
  report.Add(3, 5, {});
  std::ostringstream err;
  report.Print(err, "tool", "case", 4);
  EXPECT_EQ(err.str(),
            "tool: outside the training range: case 3 (line 4): 2 inputs outside the training range; worst network C (W): \"Rain\" = 15 "
            "outside [0, 10] (step 7)\n"
            "tool: 1 of 4 cases left the networks' training ranges (back propagation clamps such inputs, general regression "
            "extrapolates); most often: network C (W): \"Rain\" in 1; network C (W): \"Snow\" in 1\n");
}

}  // namespace
}  // namespace tools

namespace tools {
namespace {

TEST(OutputGuard, FoldersAndProjectFilesAreNotWrittenOverUnasked) {
  const std::string folder = testing::FreshFolder("guard-pieces");
  EXPECT_TRUE(OtherEntries(folder + "/missing", {}).empty());
  common::WriteFileReplacing(folder + "/Torvane", "x");
  EXPECT_TRUE(OtherEntries(folder, {"Torvane"}).empty());
  common::WriteFileReplacing(folder + "/notes.txt", "x");
  EXPECT_EQ(OtherEntries(folder, {"Torvane"}), std::vector<std::string>{"notes.txt"});

  common::WriteFileReplacing(folder + "/Well.flg", "x");
  EXPECT_THROW(RefuseToOverwrite(folder + "/Well.dat", {}, false), common::Failure);
  EXPECT_THROW(RefuseToOverwrite(folder + "/./notes.txt", {{folder + "/notes.txt", "the input"}}, false), common::Failure);
  EXPECT_NO_THROW(RefuseToOverwrite(folder + "/Well.dat", {}, true));
  EXPECT_NO_THROW(RefuseToOverwrite(folder + "/results.dat", {}, false));  // no project of that name
  EXPECT_NO_THROW(RefuseToOverwrite(folder + "/Well.csv", {{folder + "/notes.txt", "the input"}}, false));
}

}  // namespace
}  // namespace tools
