// Pages drawn with cairo: one PDF or PostScript document per job, or one
// SVG or PNG file per page.
#ifndef QUARVEL_NATIVE_RENDER_CAIRO_CANVAS_H_
#define QUARVEL_NATIVE_RENDER_CAIRO_CANVAS_H_

#include <cairo.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "native/render/page_canvas.h"
#include "native/render/page_geometry.h"

namespace quarvel {

class CairoCanvas : public PageCanvas {
 public:
  // Pages for `device` in `format`, in files titled `title`.
  CairoCanvas(const Device& device, OutputFormat format, std::string_view title);

  void StartPage() override;
  void EndPage() override;
  Status Finish(std::vector<JobFile>* files) override;
  Status status() const override;
  void FillWhite(const InkBox& box) override;
  void DrawText(const ArialFace& face, double em, const GlyphRun& run, bool as_outlines) override;
  void DrawSegment(DevicePoint from, DevicePoint to) override;
  void DrawImage(const std::shared_ptr<const DecodedImage>& image,
                 const ImagePlace& place) override;

 private:
  class Drawing;

  void Open();
  // Finishes the surface and returns what it wrote.
  std::string FinishSurface();
  ContextHandle NewContext() const;
  // Notes the first status of cairo that is an error: the job fails then.
  void Check(cairo_status_t status);
  // The surface of `image` for this page, made on its first use.
  cairo_surface_t* SurfaceOf(const std::shared_ptr<const DecodedImage>& image);

  const SheetSize sheet_;
  const OutputFormat format_;
  const std::string title_;
  const bool file_per_page_;
  std::string bytes_;
  std::vector<JobFile> files_;
  cairo_status_t error_ = CAIRO_STATUS_SUCCESS;
  SurfaceHandle surface_;
  ContextHandle cr_;
  // The images drawn on the page, each a surface on the pixels it keeps.
  std::map<const DecodedImage*, SurfaceHandle> images_;
  // The line being drawn, kept to reuse its memory.
  std::vector<cairo_glyph_t> glyphs_;
  std::string utf8_;
  std::vector<cairo_text_cluster_t> clusters_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_RENDER_CAIRO_CANVAS_H_
