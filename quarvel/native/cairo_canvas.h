// Pages drawn with cairo: one PDF or PostScript document per job, or one
// SVG or PNG file per page.
#ifndef QUARVEL_NATIVE_CAIRO_CANVAS_H_
#define QUARVEL_NATIVE_CAIRO_CANVAS_H_

#include <string>
#include <string_view>
#include <vector>

#include "native/page_canvas.h"
#include "native/page_geometry.h"

namespace quarvel {

class CairoCanvas : public PageCanvas {
 public:
  // Pages for `device` in `format`, in files titled `title`.
  CairoCanvas(const Device& device, OutputFormat format, std::string_view title);
  ~CairoCanvas() override;
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  cairo_t* layout_context() override { return cr_; }
  void StartPage() override;
  void EndPage() override;
  std::vector<JobFile> Finish() override;
  void FillWhite(const InkBox& box) override;
  void DrawText(const ArialFace& face, const KeptFont& font, const GlyphRun& run,
                bool as_outlines) override;
  void DrawSegment(DevicePoint from, DevicePoint to) override;
  void DrawImage(cairo_surface_t* image, const ImagePlace& place) override;

 private:
  class Drawing;

  void Open();
  // Finishes the surface and returns what it wrote.
  std::string FinishSurface();
  void Close();
  cairo_t* NewContext() const;
  // Replaces a context that a drawing put in error.
  void RecoverFromError();

  const SheetSize sheet_;
  const OutputFormat format_;
  const std::string title_;
  const bool file_per_page_;
  std::string bytes_;
  std::vector<JobFile> files_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  // The text of the line being drawn, kept to reuse its memory.
  std::string utf8_;
  std::vector<cairo_text_cluster_t> clusters_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_CAIRO_CANVAS_H_
