// What a printer takes, as its answer to Get-Printer-Attributes says, and
// the job that quarvel makes for it: the format and resolution of the
// document, and the job's options checked against what it supports.
#ifndef QUARVEL_NATIVE_IPP_JOB_PLAN_H_
#define QUARVEL_NATIVE_IPP_JOB_PLAN_H_

#include <cups/cups.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "native/job/print_job.h"

namespace quarvel {

// The attributes of a printer that quarvel asks for, for requested-attributes.
extern const char* const kPrinterAttributes[];
extern const int kPrinterAttributeCount;

struct PrinterCapabilities {
  bool accepting = true;
  // printer-state: 3 idle, 4 processing, 5 stopped.
  int state = 3;
  std::vector<std::string> state_reasons;
  std::string state_message;
  std::string make_and_model;
  std::vector<std::string> formats;
  // The resolutions of PWG Raster and of Apple raster, in dots per inch,
  // and the printer's default one (0: none given).
  std::vector<int> pwg_resolutions;
  std::vector<int> urf_resolutions;
  int default_resolution = 0;
  // pwg-raster-document-type-supported ("srgb_8", "sgray_8", ...) and the
  // keywords of urf-supported ("SRGB24", "W8", "RS300-600", ...).
  std::vector<std::string> pwg_types;
  std::vector<std::string> urf;
  std::vector<std::string> media;
  std::vector<std::string> sides;
  std::vector<std::string> color_modes;
  // copies-supported; 1 when the printer makes no copies.
  int max_copies = 1;
  std::vector<int> operations;
  bool multiple_documents = false;

  bool Supports(ipp_op_t operation) const;
};

// Reads a printer's answer to Get-Printer-Attributes.
PrinterCapabilities ReadCapabilities(ipp_t* response);

// What the user asked of the job.
struct JobOptions {
  // The format, when --format chose one; else the printer's choice.
  std::optional<OutputFormat> format;
  // The resolution, when --dpi or QUARVEL_DPI chose one, and the one to
  // come nearest to else.
  std::optional<int> dpi;
  int fallback_dpi = 600;
  int copies = 1;
  std::optional<std::string> sides;
  // The PWG media name, from --media, else the paper's.
  std::optional<std::string> media;
  std::string paper_media;
  std::optional<std::string> color_mode;
};

// A job as the printer can take it.
struct JobPlan {
  OutputFormat format = OutputFormat::kPdf;
  int dpi = 600;
  bool gray = false;
  std::string sides;  // empty: the printer's default
  // The media sent; empty: the printer's default.
  std::string media;
  std::string color_mode;
  int copies = 1;
};

// The plan of a job of `options` for a printer of `capabilities`, or why
// the printer cannot take it: one reason, naming what it supports.
std::variant<JobPlan, std::string> PlanJob(const PrinterCapabilities& capabilities,
                                           const JobOptions& options);

// The size of the PWG media `name` ("iso_a4_210x297mm"), in points, in
// portrait; nothing for a name that does not read.
std::optional<std::pair<double, double>> MediaSize(std::string_view name);

// The PWG name of paper of the size `width` x `height` in points.
std::string MediaName(double width, double height);

// Adds the job's template attributes to `request` (Create-Job, Print-Job,
// Validate-Job).
void AddJobAttributes(const JobPlan& plan, ipp_t* request);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_IPP_JOB_PLAN_H_
