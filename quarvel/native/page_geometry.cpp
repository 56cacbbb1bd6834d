#include "native/page_geometry.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>
#include <utility>

namespace quarvel {

namespace {

constexpr int kMinimumDpi = 72;
constexpr int kMaximumDpi = 4800;
constexpr double kPointsPerInch = 72;
constexpr double kDefaultFontPoints = 12;

std::string Lowercase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

}  // namespace

std::optional<int> ParseDpi(std::string_view text) {
  int dpi = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), dpi);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (dpi < kMinimumDpi || dpi > kMaximumDpi) return std::nullopt;
  return dpi;
}

std::optional<Paper> ParsePaper(std::string_view text) {
  const std::string name = Lowercase(text);
  if (name == "a4") return Paper::kA4;
  if (name == "letter") return Paper::kLetter;
  return std::nullopt;
}

SheetSize SheetOf(const Device& device) {
  // A4 is 210 mm x 297 mm, letter 8.5 in x 11 in.
  double width = device.paper == Paper::kA4 ? 210 / 25.4 * kPointsPerInch : 8.5 * kPointsPerInch;
  double height = device.paper == Paper::kA4 ? 297 / 25.4 * kPointsPerInch : 11 * kPointsPerInch;
  if (device.landscape) std::swap(width, height);
  const double pixels_per_point = device.dpi / kPointsPerInch;
  return {width, height, width * pixels_per_point, height * pixels_per_point};
}

double ImageUnitsToPixels(int32_t units, int dpi) { return units * (dpi / 100.0); }

TextCell CellForFontHeight(int32_t height, const FaceMetrics& face, int dpi) {
  const double cell_ems = (face.win_ascent + face.win_descent) / face.units_per_em;
  double em = dpi * kDefaultFontPoints / kPointsPerInch;
  if (height > 0) em = height / cell_ems;
  if (height < 0) em = -static_cast<double>(height);
  return {em, em * face.win_ascent / face.units_per_em, em * cell_ems};
}

}  // namespace quarvel
