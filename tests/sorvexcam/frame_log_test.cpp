#include "frame_log.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "convergence_plot.h"

namespace sorvexcam {
namespace {

size_t Count(const std::string &text, const std::string &what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

TEST(FrameLog, EveryLineHasAValueOrAnEmptyCellForEachColumn) {
  FrameRecord record;
  record.frame = 7;
  record.timeMs = 266.6667;
  record.aeIndex = -1;
  record.blanked = true;
  const size_t columns = Count(FrameLogHeader(), ",") + 1;
  const std::string plain = FrameLogLine(record);
  EXPECT_EQ(Count(plain, ",") + 1, columns);
  EXPECT_EQ(plain.rfind("7,266.667,", 0), 0u) << plain;
  EXPECT_NE(plain.find(",1,-1,"), std::string::npos) << plain;  // blanked, then the index
  EXPECT_NE(plain.find(",,,,"), std::string::npos) << plain;    // no snapshot values

  record.snapshot = SnapshotValues{3, 78, 120, 100, 90};
  record.sensorExposure = 988;
  record.sensorGain = 119;
  const std::string full = FrameLogLine(record);
  EXPECT_EQ(Count(full, ",") + 1, columns);
  EXPECT_NE(full.find(",78,120,100,90,"), std::string::npos) << full;
  EXPECT_EQ(full.substr(full.size() - 8), "988,119\n");
}

TEST(ConvergencePlot, DrawsOnePointPerFrameAndShadesBlankedFrames) {
  std::vector<FrameRecord> records(12);
  for (uint32_t i = 0; i < records.size(); ++i) {
    records[i].frame = i;
    records[i].blanked = i < 3;
    records[i].aeIndex = static_cast<int32_t>(100 + i);
    records[i].aeLength = 200;
    records[i].aeTarget = 72;
    records[i].rawBrightness = 20 + 5.0 * i;
  }
  const std::string svg = ConvergencePlotSvg(records, "OV9650 & <scene>");
  EXPECT_EQ(svg.rfind("<svg ", 0), 0u);
  EXPECT_NE(svg.find("OV9650 &amp; &lt;scene&gt;"), std::string::npos);
  EXPECT_EQ(Count(svg, "<polyline"), 7u);  // four exposure series, the 100 line and two balances
  EXPECT_EQ(Count(svg, "fill=\"#e4e4e4\""), 2u * 3u);  // three blanked frames in each panel
  const size_t points = svg.find("points=\"", svg.find("#2e86c1\" stroke-width"));
  const size_t end = svg.find('"', points + 8);
  const std::string series = svg.substr(points + 8, end - points - 8);
  EXPECT_EQ(std::count(series.begin(), series.end(), ','), 12);
  EXPECT_NE(svg.find("index 0..199"), std::string::npos);
}

}  // namespace
}  // namespace sorvexcam
