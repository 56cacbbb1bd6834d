// Pages drawn with cairo: one PDF or PostScript document per job, or one
// SVG or PNG file per page.
#ifndef QUARVEL_NATIVE_RENDER_CAIRO_CANVAS_H_
#define QUARVEL_NATIVE_RENDER_CAIRO_CANVAS_H_

#include <cairo.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "native/raster/page_encoders.h"
#include "native/render/page_canvas.h"
#include "native/render/page_geometry.h"

namespace quarvel {

class CairoCanvas : public PageCanvas {
 public:
  // Pages for `device` in `format`, in files titled `title`; a streamed
  // format's pages are encoded with `raster` and written to `stream` as
  // they end, which must outlive the canvas.
  CairoCanvas(const Device& device, OutputFormat format, std::string_view title,
              const RasterOptions& raster = {}, JobStream* stream = nullptr);

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
  // Encodes the finished raster page, in the format's way.
  void EncodePage();
  // Finishes the surface and returns what it wrote.
  std::string FinishSurface();
  ContextHandle NewContext() const;
  // Notes the first status of cairo that is an error: the job fails then.
  void Check(cairo_status_t status);
  // The surface of `image` for this page, made on its first use.
  cairo_surface_t* SurfaceOf(const std::shared_ptr<const DecodedImage>& image);

  const SheetSize sheet_;
  const int dpi_;
  const OutputFormat format_;
  const std::string title_;
  // Whether each page is a surface of its own: the raster formats and those
  // of a file per page.
  const bool surface_per_page_;
  const bool gray_;
  // The raster stream of the job, in a streamed format, and the stream it
  // writes to, which keeps its own reason when a write fails.
  std::optional<RasterStreamWriter> raster_;
  JobStream* const stream_;
  // Whether the pages could be encoded, and the stream written.
  Status encoded_ = Status::Ok();
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
