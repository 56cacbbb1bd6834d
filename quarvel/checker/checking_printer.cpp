#include "checker/checking_printer.h"

#include <cmath>
#include <cstdint>

#include "printer/drawing_limits.h"

#include "text/quoted_text.h"

namespace quarvel {

namespace {

std::string AtLine(size_t line) { return "line " + std::to_string(line); }

}  // namespace

void CheckingPrinter::StartDocument() {
  reported_drawing_ = false;
  if (document_line_ != 0) {
    Report("\"beginDocument\" starts a document while the one started at " +
           AtLine(document_line_) + " is open");
    return;
  }
  document_line_ = diagnostics_.current_line();
  started_document_ = true;
  drawn_in_document_ = false;
}

void CheckingPrinter::StartPage() {
  reported_drawing_ = false;
  if (document_line_ == 0) {
    Report("\"beginPage\" starts a page outside a document");
  } else if (page_line_ != 0) {
    Report("\"beginPage\" starts a page while the one started at " + AtLine(page_line_) +
           " is open");
  } else {
    page_line_ = diagnostics_.current_line();
  }
}

void CheckingPrinter::EndPage() {
  reported_drawing_ = false;
  if (page_line_ == 0) {
    Report("\"endPage\" ends no page: none is open");
    return;
  }
  page_line_ = 0;
}

void CheckingPrinter::EndDocument() {
  reported_drawing_ = false;
  if (document_line_ == 0) {
    Report("\"endDocument\" ends no document: none is open");
    return;
  }
  if (page_line_ != 0) {
    Report("\"endDocument\" ends the document while the page started at " + AtLine(page_line_) +
           " is open");
  }
  document_line_ = 0;
  page_line_ = 0;
  ended_document_ = true;
  printed_ = printed_ || drawn_in_document_;
}

std::unique_ptr<Picture> CheckingPrinter::LoadPicture(const WideString& path) {
  const std::string reason = probe_(path);
  if (!reason.empty()) {
    diagnostics_.ReportHere(Warning::kImage,
                            "the image file " + QuoteForLog(path) + " cannot be loaded: " + reason);
  }
  return std::make_unique<Picture>();
}

void CheckingPrinter::Finish() {
  if (page_line_ != 0) {
    diagnostics_.Report(page_line_, Warning::kSpooler,
                        "the page started here is never ended: \"endPage\" is missing");
  }
  if (document_line_ != 0) {
    diagnostics_.Report(document_line_, Warning::kSpooler,
                        "the document started here is never ended: \"endDocument\" is missing, "
                        "so the job is never completed");
  }
  if (const std::string why = WhyNothingPrints(); !why.empty()) {
    diagnostics_.Report(1, Warning::kPrintsNothing, "the script prints nothing: " + why);
  }
}

std::string CheckingPrinter::WhyNothingPrints() const {
  if (printed_) return "";
  if (!started_document_) return "no \"beginDocument\" line begins a document";
  if (!ended_document_) return "no document that it begins is ended";
  return "the documents that it ends have nothing drawn on their pages";
}

void CheckingPrinter::OutputText(DevicePoint at, const FontSpec& font, const WideString&) {
  Draw("text");
  if (!TextHeightIsDrawn(font)) {
    diagnostics_.ReportHere(Warning::kRange, "text of size " + std::to_string(font.height) +
                                                 " is beyond the " +
                                                 std::to_string(kMaxTextHeight) +
                                                 " device pixels that the native printer draws "
                                                 "text at: it is left out");
  } else if (!TextIsDrawn(at, font)) {
    ReportBeyond("the text at (" + std::to_string(at.x) + ", " + std::to_string(at.y) + ")");
  }
}

void CheckingPrinter::DrawSegment(DevicePoint from, DevicePoint to) {
  Draw("a rule");
  if (!SegmentIsDrawn(from, to)) {
    ReportBeyond("the rule from (" + std::to_string(from.x) + ", " + std::to_string(from.y) +
                 ") to (" + std::to_string(to.x) + ", " + std::to_string(to.y) + ")");
  }
}

void CheckingPrinter::DrawPicture(Picture&, const ImageRect& rect) {
  Draw("an image");
  if (!ImageIsDrawn(rect)) ReportBeyond("the image's rectangle (at 600 dpi)");
}

void CheckingPrinter::ReportBeyond(const std::string& what) {
  diagnostics_.ReportHere(Warning::kRange,
                          what + " lies beyond the " +
                              std::to_string(static_cast<int64_t>(kMaxDrawnPixels)) +
                              " device pixels either way that the native printer draws: it is "
                              "left out");
}

void CheckingPrinter::Draw(const char* what) {
  drawn_in_document_ = drawn_in_document_ || page_line_ != 0;
  if (page_line_ != 0 || reported_drawing_) return;
  reported_drawing_ = true;
  Report(std::string(what) + " is drawn outside an open page, where it goes nowhere");
}

void CheckingPrinter::Report(const std::string& message) {
  diagnostics_.ReportHere(Warning::kSpooler, message);
}

}  // namespace quarvel
