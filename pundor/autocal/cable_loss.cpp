#include "autocal/cable_loss.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "vocabulary/frequency_text.h"

namespace autocal {
namespace {

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

bool ParseDouble(std::string_view text, double& value) {
  text = Trim(text);
  if (text.empty()) return false;
  if (text.front() == '+') text.remove_prefix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

CableLoss::CableLoss(std::vector<std::pair<int64_t, double>> points) : points_(std::move(points)) {
  if (points_.empty()) throw std::invalid_argument("a loss table needs at least one frequency");
  std::sort(points_.begin(), points_.end());
}

double CableLoss::At(int64_t hz) const {
  const auto above = std::upper_bound(points_.begin(), points_.end(), hz,
                                      [](int64_t f, const auto& point) { return f < point.first; });
  if (above == points_.begin()) return points_.front().second;
  if (above == points_.end()) return points_.back().second;
  const auto below = above - 1;
  const double share =
      static_cast<double>(hz - below->first) / static_cast<double>(above->first - below->first);
  return below->second + share * (above->second - below->second);
}

std::string CableLoss::Describe() const {
  if (points_.size() == 1) {
    char text[32];
    std::snprintf(text, sizeof text, "%g dB", points_.front().second);
    return text;
  }
  std::string table = "table";
  for (const auto& [hz, db] : points_) {
    char point[64];
    std::snprintf(point, sizeof point, " %lld Hz %g dB;", static_cast<long long>(hz), db);
    table += point;
  }
  table.pop_back();
  return table;
}

CableLoss ParseLossTable(std::string_view text) {
  std::vector<std::pair<int64_t, double>> points;
  int lineNumber = 0;
  bool anyLine = false;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    line = Trim(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const bool heading = !anyLine;
    anyLine = true;
    const auto comma = line.find_first_of(",;\t");
    const std::optional<int64_t> hz =
        comma == std::string_view::npos ? std::nullopt : vocabulary::ReadFrequency(line.substr(0, comma));
    double db = 0;
    if (hz && ParseDouble(line.substr(comma + 1), db)) {
      points.emplace_back(*hz, db);
    } else if (!heading) {
      throw std::invalid_argument("line " + std::to_string(lineNumber) +
                                  ": expected \"frequency,loss\", found \"" + std::string(line) + "\"");
    }
  }
  if (points.empty()) throw std::invalid_argument("the loss table holds no frequency");
  return CableLoss(std::move(points));
}

}  // namespace autocal
