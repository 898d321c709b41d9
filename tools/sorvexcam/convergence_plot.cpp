#include "convergence_plot.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace sorvexcam {
namespace {

constexpr double kWidth = 940;
constexpr double kLeft = 60;
constexpr double kRight = 780;
constexpr double kPanelHeight = 220;

struct Panel {
  double top;       // pixel row of the value `high`
  double low, high; // value range shown
  double X(double frame, double frames) const {
    return kLeft + (kRight - kLeft) * frame / std::max(1.0, frames - 1);
  }
  double Y(double value) const {
    const double clipped = std::min(high, std::max(low, value));
    return top + kPanelHeight * (high - clipped) / (high - low);
  }
};

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string Escape(const std::string &text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Text(double x, double y, const std::string &text, const char *anchor = "start",
                 const char *colour = "#222") {
  return "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" text-anchor=\"" + anchor + "\" fill=\"" +
         colour + "\">" + Escape(text) + "</text>\n";
}

std::string Series(const Panel &panel, const std::vector<FrameRecord> &records,
                   const std::function<double(const FrameRecord &)> &value, const char *colour,
                   const char *dash = "") {
  std::string points;
  const double frames = static_cast<double>(records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    points += Number(panel.X(static_cast<double>(i), frames)) + "," + Number(panel.Y(value(records[i]))) + " ";
  }
  return "<polyline fill=\"none\" stroke=\"" + std::string(colour) + "\" stroke-width=\"1.6\"" +
         (*dash ? " stroke-dasharray=\"" + std::string(dash) + "\"" : "") + " points=\"" + points + "\"/>\n";
}

std::string Frame(const Panel &panel, const std::vector<FrameRecord> &records, const std::string &title,
                  const std::vector<double> &ticks) {
  std::string svg;
  const double frames = static_cast<double>(records.size());
  const double step = (kRight - kLeft) / std::max(1.0, frames - 1);
  for (size_t i = 0; i < records.size(); ++i) {
    if (!records[i].blanked) continue;
    svg += "<rect x=\"" + Number(panel.X(static_cast<double>(i), frames) - step / 2) + "\" y=\"" +
           Number(panel.top) + "\" width=\"" + Number(step) + "\" height=\"" + Number(kPanelHeight) +
           "\" fill=\"#e4e4e4\"/>\n";
  }
  svg += "<rect x=\"" + Number(kLeft) + "\" y=\"" + Number(panel.top) + "\" width=\"" + Number(kRight - kLeft) +
         "\" height=\"" + Number(kPanelHeight) + "\" fill=\"none\" stroke=\"#888\"/>\n";
  for (double tick : ticks) {
    svg += "<line x1=\"" + Number(kLeft - 4) + "\" x2=\"" + Number(kRight) + "\" y1=\"" + Number(panel.Y(tick)) +
           "\" y2=\"" + Number(panel.Y(tick)) + "\" stroke=\"#ddd\"/>\n";
    svg += Text(kLeft - 6, panel.Y(tick) + 4, Number(tick), "end");
  }
  const size_t frameStep = std::max<size_t>(1, records.size() / 10);
  for (size_t i = 0; i < records.size(); i += frameStep) {
    svg += Text(panel.X(static_cast<double>(i), frames), panel.top + kPanelHeight + 16, std::to_string(records[i].frame),
                "middle");
  }
  svg += Text(kLeft, panel.top - 8, title);
  return svg;
}

std::string Legend(double x, double y, const std::vector<std::pair<const char *, std::string>> &entries) {
  std::string svg;
  for (const auto &entry : entries) {
    svg += "<line x1=\"" + Number(x) + "\" x2=\"" + Number(x + 18) + "\" y1=\"" + Number(y - 4) + "\" y2=\"" +
           Number(y - 4) + "\" stroke=\"" + entry.first + "\" stroke-width=\"2\"/>\n";
    svg += Text(x + 22, y, entry.second);
    y += 16;
  }
  return svg;
}

}  // namespace

std::string ConvergencePlotSvg(const std::vector<FrameRecord> &records, const std::string &title) {
  const Panel exposure = {70, 0, 255};
  const Panel balance = {70 + kPanelHeight + 80, 0, 200};
  uint32_t tableLength = 1;
  for (const FrameRecord &r : records) tableLength = std::max(tableLength, r.aeLength);
  const double indexScale = 255.0 / tableLength;

  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(kWidth) +
                    "\" height=\"" + Number(balance.top + kPanelHeight + 50) +
                    "\" font-family=\"sans-serif\" font-size=\"11\">\n"
                    "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + Number(kLeft) + "\" y=\"24\" font-size=\"15\">" + Escape(title) + "</text>\n";
  svg += Text(kLeft, 42, "grey columns: blanked frames; x axis: frame");

  svg += Frame(exposure, records, "Exposure (0..255 scale; the index drawn against its table length)",
               {0, 64, 128, 192, 255});
  svg += Series(exposure, records, [](const FrameRecord &r) { return static_cast<double>(r.aeTarget); }, "#c0392b", "6,4");
  svg += Series(exposure, records, [](const FrameRecord &r) { return r.rawBrightness; }, "#2e86c1");
  svg += Series(exposure, records, [](const FrameRecord &r) { return r.outLuma; }, "#27ae60");
  svg += Series(exposure, records, [&](const FrameRecord &r) { return r.aeIndex * indexScale; }, "#8e44ad");
  svg += Legend(kRight + 8, exposure.top + 12,
                {{"#c0392b", "target (full light)"}, {"#2e86c1", "raw brightness"}, {"#27ae60", "output luma"},
                 {"#8e44ad", "exposure index"}});
  svg += Text(kRight + 8, exposure.top + 86, "index 0.." + std::to_string(tableLength - 1));

  svg += Frame(balance, records, "White balance of the output (percent of green)", {0, 50, 100, 150, 200});
  svg += Series(balance, records, [](const FrameRecord &) { return 100.0; }, "#999", "4,4");
  svg += Series(balance, records, [](const FrameRecord &r) { return r.outRedOverGreen; }, "#c0392b");
  svg += Series(balance, records, [](const FrameRecord &r) { return r.outBlueOverGreen; }, "#2e86c1");
  svg += Legend(kRight + 8, balance.top + 12, {{"#c0392b", "red / green"}, {"#2e86c1", "blue / green"}});
  svg += "</svg>\n";
  return svg;
}

}  // namespace sorvexcam
