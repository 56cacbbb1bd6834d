#include "native/ipp/job_plan.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "native/ipp/ipp_client.h"

namespace quarvel {
namespace {

// An answer to Get-Printer-Attributes, as a printer gives it.
class PrinterAnswer {
 public:
  PrinterAnswer() : ipp_(ippNew()) {}

  PrinterAnswer& Keywords(const char* name, std::initializer_list<const char*> values,
                          ipp_tag_t tag = IPP_TAG_KEYWORD) {
    const std::vector<const char*> list(values);
    ippAddStrings(ipp_.get(), IPP_TAG_PRINTER, tag, name, static_cast<int>(list.size()), nullptr,
                  list.data());
    return *this;
  }
  PrinterAnswer& Resolutions(const char* name, std::initializer_list<int> dpis) {
    const std::vector<int> list(dpis);
    ippAddResolutions(ipp_.get(), IPP_TAG_PRINTER, name, static_cast<int>(list.size()),
                      IPP_RES_PER_INCH, list.data(), list.data());
    return *this;
  }
  PrinterCapabilities Read() const { return ReadCapabilities(ipp_.get()); }

 private:
  IppHandle ipp_;
};

PrinterAnswer Formats(std::initializer_list<const char*> formats) {
  PrinterAnswer answer;
  answer.Keywords("document-format-supported", formats, IPP_TAG_MIMETYPE);
  return answer;
}

// Guards against a format the printer does not take, and against PDF sent
// where a raster format is all it takes.
TEST(JobPlan, FormatIsTheFirstThePrinterTakes) {
  struct Case {
    std::initializer_list<const char*> formats;
    OutputFormat expected;
  };
  const Case cases[] = {
      {{"application/octet-stream", "image/pwg-raster", "application/pdf"}, OutputFormat::kPdf},
      {{"image/urf", "image/pwg-raster"}, OutputFormat::kPwgRaster},
      {{"image/jpeg", "image/urf"}, OutputFormat::kUrf},
      {{"image/jpeg"}, OutputFormat::kJpeg},
  };
  for (const Case& c : cases) {
    PrinterAnswer answer = Formats(c.formats);
    answer.Keywords("pwg-raster-document-type-supported", {"srgb_8"})
        .Keywords("urf-supported", {"W8", "RS300"});
    const auto plan = PlanJob(answer.Read(), JobOptions{});
    ASSERT_TRUE(std::holds_alternative<JobPlan>(plan)) << std::get<std::string>(plan);
    EXPECT_EQ(std::get<JobPlan>(plan).format, c.expected) << *c.formats.begin();
  }
  EXPECT_EQ(std::get<std::string>(PlanJob(Formats({"text/plain"}).Read(), JobOptions{})),
            "it takes none of application/pdf, image/pwg-raster, image/urf, image/jpeg (it "
            "takes: text/plain)");
  JobOptions postscript;
  postscript.format = OutputFormat::kPostScript;
  EXPECT_EQ(std::get<std::string>(PlanJob(Formats({"application/pdf"}).Read(), postscript)),
            "it does not take application/postscript (it takes: application/pdf)");
}

// Guards against a raster at a resolution or of a colour the printer does
// not list.
TEST(JobPlan, RasterIsAtAListedResolutionAndKind) {
  PrinterAnswer pwg = Formats({"image/pwg-raster"});
  pwg.Resolutions("pwg-raster-document-resolution-supported", {300, 600})
      .Resolutions("printer-resolution-default", {600})
      .Keywords("pwg-raster-document-type-supported", {"black_1", "sgray_8"});
  const PrinterCapabilities printer = pwg.Read();
  JobOptions options;
  EXPECT_EQ(std::get<JobPlan>(PlanJob(printer, options)).dpi, 600) << "the printer's default";
  options.dpi = 360;
  const JobPlan plan = std::get<JobPlan>(PlanJob(printer, options));
  EXPECT_EQ(plan.dpi, 300);
  EXPECT_TRUE(plan.gray) << "grey is all it takes";
  PrinterAnswer urf = Formats({"image/urf"});
  urf.Keywords("urf-supported", {"CP1", "RS300-600", "SRGB24", "W8"});
  options.dpi = 1200;
  const JobPlan urf_plan = std::get<JobPlan>(PlanJob(urf.Read(), options));
  EXPECT_EQ(urf_plan.dpi, 600);
  EXPECT_FALSE(urf_plan.gray);
  PrinterAnswer bilevel = Formats({"image/pwg-raster"});
  bilevel.Keywords("pwg-raster-document-type-supported", {"black_1"});
  EXPECT_EQ(std::get<std::string>(PlanJob(bilevel.Read(), JobOptions{})),
            "it takes no raster of 8-bit sRGB or sGray (it takes: black_1)");
}

// Guards against an option sent that the printer does not support, and
// against a refusal that does not say what it supports.
TEST(JobPlan, UnsupportedOptionsAreRefusedNamingTheSupported) {
  PrinterAnswer answer = Formats({"application/pdf"});
  answer.Keywords("sides-supported", {"one-sided"})
      .Keywords("media-supported", {"iso_a4_210x297mm"})
      .Keywords("print-color-mode-supported", {"monochrome"});
  const PrinterCapabilities printer = answer.Read();
  struct Case {
    JobOptions options;
    std::string refusal;
  };
  JobOptions sides, media, copies, color;
  sides.sides = "two-sided-long-edge";
  media.media = "na_letter_8.5x11in";
  copies.copies = 2;
  color.color_mode = "color";
  const Case cases[] = {
      {sides, "sides two-sided-long-edge is not supported (supported: one-sided)"},
      {media, "media na_letter_8.5x11in is not supported (supported: iso_a4_210x297mm)"},
      {copies, "copies 2 is not supported (supported: 1 to 1)"},
      {color, "color mode color is not supported (supported: monochrome)"},
  };
  for (const Case& c : cases) {
    const auto plan = PlanJob(printer, c.options);
    ASSERT_TRUE(std::holds_alternative<std::string>(plan)) << c.refusal;
    EXPECT_EQ(std::get<std::string>(plan), c.refusal);
  }
  JobOptions paper;
  paper.paper_media = "na_letter_8.5x11in";
  EXPECT_EQ(std::get<JobPlan>(PlanJob(printer, paper)).media, "")
      << "a paper the printer does not list is left to its default";
  paper.paper_media = "iso_a4_210x297mm";
  EXPECT_EQ(std::get<JobPlan>(PlanJob(printer, paper)).media, "iso_a4_210x297mm");
}

// Guards against media names read to the wrong paper.
TEST(JobPlan, MediaNamesAndSizesMeet) {
  EXPECT_EQ(MediaName(595.28, 841.89), "iso_a4_210x297mm");
  EXPECT_EQ(MediaName(612, 792), "na_letter_8.5x11in");
  const auto letter = MediaSize("na_letter_8.5x11in");
  ASSERT_TRUE(letter);
  EXPECT_DOUBLE_EQ(letter->first, 612);
  EXPECT_DOUBLE_EQ(letter->second, 792);
  EXPECT_FALSE(MediaSize("A4"));
}

}  // namespace
}  // namespace quarvel
