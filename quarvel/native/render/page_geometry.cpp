#include "native/render/page_geometry.h"

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
constexpr double kMillimetresPerInch = 25.4;
constexpr double kMinimumSideMillimetres = 10;
constexpr double kMaximumSideMillimetres = 5000;

struct NamedPaper {
  std::string_view name;
  Paper paper;
};

constexpr NamedPaper kNamedPapers[] = {
    {"a4", kA4},
    {"letter", kLetter},
    {"legal", {8.5 * kPointsPerInch, 14 * kPointsPerInch}},
    {"a3", {297 / kMillimetresPerInch * kPointsPerInch, 420 / kMillimetresPerInch* kPointsPerInch}},
    {"a5", {148 / kMillimetresPerInch * kPointsPerInch, 210 / kMillimetresPerInch* kPointsPerInch}},
};

std::string Lowercase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// Reads one side of a paper size in millimetres, within the bounds.
std::optional<double> ParseSide(std::string_view text) {
  double millimetres = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), millimetres,
                                            std::chars_format::fixed);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (!(millimetres >= kMinimumSideMillimetres && millimetres <= kMaximumSideMillimetres)) {
    return std::nullopt;
  }
  return millimetres / kMillimetresPerInch * kPointsPerInch;
}

// Reads "WIDTHxHEIGHTmm".
std::optional<Paper> ParsePaperSize(std::string_view text) {
  if (!text.ends_with("mm")) return std::nullopt;
  text.remove_suffix(2);
  const size_t cross = text.find('x');
  if (cross == std::string_view::npos) return std::nullopt;
  const auto width = ParseSide(text.substr(0, cross));
  const auto height = ParseSide(text.substr(cross + 1));
  if (!width || !height) return std::nullopt;
  return Paper{*width, *height};
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
  for (const NamedPaper& named : kNamedPapers) {
    if (name == named.name) return named.paper;
  }
  return ParsePaperSize(name);
}

SheetSize SheetOf(const Device& device) {
  double width = device.paper.width_points;
  double height = device.paper.height_points;
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
