#include "native/ipp/job_plan.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "native/ipp/ipp_client.h"

namespace quarvel {

namespace {

// The formats quarvel sends, in the order it prefers them.
constexpr OutputFormat kPrinterFormats[] = {OutputFormat::kPdf, OutputFormat::kPwgRaster,
                                            OutputFormat::kUrf, OutputFormat::kJpeg};

// A resolution in dots per inch.
int DotsPerInch(ipp_attribute_t* attribute, int i) {
  int yres = 0;
  ipp_res_t units = IPP_RES_PER_INCH;
  const int xres = ippGetResolution(attribute, i, &yres, &units);
  return units == IPP_RES_PER_CM ? (xres * 254 + 50) / 100 : xres;
}

std::vector<int> Resolutions(ipp_t* response, const char* name) {
  std::vector<int> values;
  ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_RESOLUTION);
  for (int i = 0; i < ippGetCount(attribute); ++i) values.push_back(DotsPerInch(attribute, i));
  return values;
}

// The resolutions of an urf-supported "RS300-600" keyword.
std::vector<int> UrfResolutions(const std::vector<std::string>& urf) {
  std::vector<int> values;
  for (const std::string& keyword : urf) {
    if (!keyword.starts_with("RS")) continue;
    for (size_t at = 2; at < keyword.size();) {
      int dpi = 0;
      const auto [end, error] =
          std::from_chars(keyword.data() + at, keyword.data() + keyword.size(), dpi);
      if (error != std::errc()) break;
      values.push_back(dpi);
      at = static_cast<size_t>(end - keyword.data()) + 1;
    }
  }
  return values;
}

bool Contains(const std::vector<std::string>& values, std::string_view value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

std::string Joined(const std::vector<std::string>& values) {
  std::string text;
  for (const std::string& value : values) text += (text.empty() ? "" : ", ") + value;
  return text.empty() ? "none" : text;
}

std::string Unsupported(std::string_view what, std::string_view value,
                        const std::vector<std::string>& supported) {
  return std::string(what) + " " + std::string(value) +
         " is not supported (supported: " + Joined(supported) + ")";
}

// The format to send: the one asked for, else the first that the printer takes.
std::variant<OutputFormat, std::string> ChooseFormat(const PrinterCapabilities& printer,
                                                     std::optional<OutputFormat> asked) {
  if (asked) {
    if (Contains(printer.formats, InfoOf(*asked).mime_type)) return *asked;
    return "it does not take " + std::string(InfoOf(*asked).mime_type) +
           " (it takes: " + Joined(printer.formats) + ")";
  }
  for (const OutputFormat format : kPrinterFormats) {
    if (Contains(printer.formats, InfoOf(format).mime_type)) return format;
  }
  std::string ours;
  for (const OutputFormat format : kPrinterFormats) {
    ours += (ours.empty() ? "" : ", ") + std::string(InfoOf(format).mime_type);
  }
  return "it takes none of " + ours + " (it takes: " + Joined(printer.formats) + ")";
}

// The listed resolution nearest `wanted`; `wanted` when none is listed.
int Nearest(const std::vector<int>& listed, int wanted) {
  if (listed.empty()) return wanted;
  int best = listed.front();
  for (const int dpi : listed) {
    if (std::abs(dpi - wanted) < std::abs(best - wanted)) best = dpi;
  }
  return best;
}

int ChooseResolution(const PrinterCapabilities& printer, const JobOptions& options,
                     OutputFormat format) {
  const std::vector<int>& listed = format == OutputFormat::kPwgRaster ? printer.pwg_resolutions
                                   : format == OutputFormat::kUrf     ? printer.urf_resolutions
                                                                      : std::vector<int>{};
  if (!options.dpi &&
      std::find(listed.begin(), listed.end(), printer.default_resolution) != listed.end()) {
    return printer.default_resolution;
  }
  return Nearest(listed, options.dpi.value_or(options.fallback_dpi));
}

// Whether the raster goes in grey: asked for, or the only kind the printer
// takes; or why the printer takes no raster that quarvel writes.
std::variant<bool, std::string> ChooseGray(const PrinterCapabilities& printer, OutputFormat format,
                                           bool gray_wanted) {
  const bool pwg = format == OutputFormat::kPwgRaster;
  if (!pwg && format != OutputFormat::kUrf) return gray_wanted;
  const std::vector<std::string>& types = pwg ? printer.pwg_types : printer.urf;
  const bool color = Contains(types, pwg ? "srgb_8" : "SRGB24");
  const bool gray = Contains(types, pwg ? "sgray_8" : "W8");
  if (!color && !gray) {
    return std::string("it takes no raster of 8-bit sRGB or sGray (it takes: ") + Joined(types) +
           ")";
  }
  return gray && (gray_wanted || !color);
}

}  // namespace

const char* const kPrinterAttributes[] = {
    "copies-supported",
    "document-format-supported",
    "media-supported",
    "multiple-document-jobs-supported",
    "operations-supported",
    "print-color-mode-supported",
    "printer-is-accepting-jobs",
    "printer-make-and-model",
    "printer-resolution-default",
    "printer-state",
    "printer-state-message",
    "printer-state-reasons",
    "pwg-raster-document-resolution-supported",
    "pwg-raster-document-type-supported",
    "sides-supported",
    "urf-supported",
};
const int kPrinterAttributeCount = std::size(kPrinterAttributes);

bool PrinterCapabilities::Supports(ipp_op_t operation) const {
  return std::find(operations.begin(), operations.end(), operation) != operations.end();
}

PrinterCapabilities ReadCapabilities(ipp_t* response) {
  PrinterCapabilities printer;
  if (ipp_attribute_t* accepting =
          ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN)) {
    printer.accepting = ippGetBoolean(accepting, 0) != 0;
  }
  if (ipp_attribute_t* state = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM)) {
    printer.state = ippGetInteger(state, 0);
  }
  printer.state_reasons = AttributeStrings(response, "printer-state-reasons");
  printer.state_message = AttributeText(response, "printer-state-message");
  printer.make_and_model = AttributeText(response, "printer-make-and-model");
  printer.formats = AttributeStrings(response, "document-format-supported");
  printer.pwg_resolutions = Resolutions(response, "pwg-raster-document-resolution-supported");
  const std::vector<int> defaults = Resolutions(response, "printer-resolution-default");
  if (!defaults.empty()) printer.default_resolution = defaults.front();
  printer.pwg_types = AttributeStrings(response, "pwg-raster-document-type-supported");
  printer.urf = AttributeStrings(response, "urf-supported");
  printer.urf_resolutions = UrfResolutions(printer.urf);
  printer.media = AttributeStrings(response, "media-supported");
  printer.sides = AttributeStrings(response, "sides-supported");
  printer.color_modes = AttributeStrings(response, "print-color-mode-supported");
  if (ipp_attribute_t* copies = ippFindAttribute(response, "copies-supported", IPP_TAG_RANGE)) {
    int upper = 1;
    ippGetRange(copies, 0, &upper);
    printer.max_copies = std::max(upper, 1);
  }
  ipp_attribute_t* operations = ippFindAttribute(response, "operations-supported", IPP_TAG_ENUM);
  for (int i = 0; i < ippGetCount(operations); ++i) {
    printer.operations.push_back(ippGetInteger(operations, i));
  }
  if (ipp_attribute_t* multiple =
          ippFindAttribute(response, "multiple-document-jobs-supported", IPP_TAG_BOOLEAN)) {
    printer.multiple_documents = ippGetBoolean(multiple, 0) != 0;
  }
  return printer;
}

std::variant<JobPlan, std::string> PlanJob(const PrinterCapabilities& printer,
                                           const JobOptions& options) {
  JobPlan plan;
  const auto format = ChooseFormat(printer, options.format);
  if (const auto* refusal = std::get_if<std::string>(&format)) return *refusal;
  plan.format = std::get<OutputFormat>(format);
  plan.dpi = ChooseResolution(printer, options, plan.format);
  if (options.color_mode) {
    if (!printer.color_modes.empty() && !Contains(printer.color_modes, *options.color_mode)) {
      return Unsupported("color mode", *options.color_mode, printer.color_modes);
    }
    plan.color_mode = *options.color_mode;
  }
  const auto gray = ChooseGray(printer, plan.format, plan.color_mode == "monochrome");
  if (const auto* refusal = std::get_if<std::string>(&gray)) return *refusal;
  plan.gray = std::get<bool>(gray);
  if (options.sides) {
    const std::vector<std::string> sides =
        printer.sides.empty() ? std::vector<std::string>{"one-sided"} : printer.sides;
    if (!Contains(sides, *options.sides)) return Unsupported("sides", *options.sides, sides);
    plan.sides = *options.sides;
  }
  if (options.media) {
    if (!Contains(printer.media, *options.media)) {
      return Unsupported("media", *options.media, printer.media);
    }
    plan.media = *options.media;
  } else if (Contains(printer.media, options.paper_media)) {
    plan.media = options.paper_media;
  }
  if (options.copies > printer.max_copies) {
    return "copies " + std::to_string(options.copies) + " is not supported (supported: 1 to " +
           std::to_string(printer.max_copies) + ")";
  }
  plan.copies = options.copies;
  return plan;
}

std::optional<std::pair<double, double>> MediaSize(std::string_view name) {
  const pwg_media_t* media = pwgMediaForPWG(std::string(name).c_str());
  if (media == nullptr || media->width <= 0 || media->length <= 0) return std::nullopt;
  // PWG sizes are in hundredths of millimetres.
  return std::pair(media->width * 72 / 2540.0, media->length * 72 / 2540.0);
}

std::string MediaName(double width, double height) {
  const pwg_media_t* media = pwgMediaForSize(static_cast<int>(std::lround(width * 2540 / 72)),
                                             static_cast<int>(std::lround(height * 2540 / 72)));
  return media != nullptr && media->pwg != nullptr ? media->pwg : "";
}

void AddJobAttributes(const JobPlan& plan, ipp_t* request) {
  if (plan.copies != 1) {
    ippAddInteger(request, IPP_TAG_JOB, IPP_TAG_INTEGER, "copies", plan.copies);
  }
  if (!plan.sides.empty()) {
    ippAddString(request, IPP_TAG_JOB, IPP_TAG_KEYWORD, "sides", nullptr, plan.sides.c_str());
  }
  if (!plan.media.empty()) {
    ippAddString(request, IPP_TAG_JOB, IPP_TAG_KEYWORD, "media", nullptr, plan.media.c_str());
  }
  if (!plan.color_mode.empty()) {
    ippAddString(request, IPP_TAG_JOB, IPP_TAG_KEYWORD, "print-color-mode", nullptr,
                 plan.color_mode.c_str());
  }
}

}  // namespace quarvel
