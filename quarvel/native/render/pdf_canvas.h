// Pages written by the project's own PDF writer (native/pdf), one PDF file
// per job: the canvas's drawings handed to it in its own terms.
#ifndef QUARVEL_NATIVE_RENDER_PDF_CANVAS_H_
#define QUARVEL_NATIVE_RENDER_PDF_CANVAS_H_

#include <string_view>
#include <vector>

#include "native/pdf/pdf_document.h"
#include "native/render/page_canvas.h"
#include "native/render/page_geometry.h"

namespace quarvel {

class PdfCanvas : public PageCanvas {
 public:
  // Whether `face` can be embedded, so that its text is text; the text of
  // another face is drawn as its glyphs' outlines.
  static bool CanEmbed(const ArialFace& face);

  // Pages for `device`, in a file titled `title` made at `created`.
  PdfCanvas(const Device& device, std::string_view title, int64_t created);

  void StartPage() override { document_.StartPage(); }
  void EndPage() override { document_.EndPage(); }
  Status Finish(std::vector<JobFile>* files) override;
  // Always ok: the PDF writer fails only for memory, which it throws.
  Status status() const override { return Status::Ok(); }
  void FillWhite(const InkBox& box) override;
  // As outlines where `as_outlines`; otherwise `face` must be one that
  // CanEmbed accepts.
  void DrawText(const ArialFace& face, double em, const GlyphRun& run, bool as_outlines) override;
  void DrawSegment(DevicePoint from, DevicePoint to) override;
  void DrawImage(const std::shared_ptr<const DecodedImage>& image,
                 const ImagePlace& place) override;

 private:
  PdfDocument document_;
  // The line being drawn, kept to reuse its memory.
  std::vector<PdfGlyph> glyphs_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_RENDER_PDF_CANVAS_H_
