// Pages drawn with cairo: one PDF or PostScript document per job, one SVG,
// PNG or JPEG file per page, or a raster stream of pages drawn in bands.
#ifndef QUARVEL_NATIVE_RENDER_CAIRO_CANVAS_H_
#define QUARVEL_NATIVE_RENDER_CAIRO_CANVAS_H_

#include <cairo.h>

#include <functional>
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

  // A drawing, kept on a page drawn in bands, with the box it may ink.
  struct KeptDrawing {
    InkBox reach;
    std::function<void()> draw;
  };

  void Open();
  // Encodes the finished raster page, in the format's way.
  void EncodePage();
  // Draws `draw` now, or, on a page drawn in bands, for each band that
  // `reach` overlaps once the page has ended.
  template <typename Draw>
  void DrawWithin(const InkBox& reach, Draw draw);
  // Draws the kept drawings of the page band by band, each band in
  // `band_`, and writes its lines to the raster stream or copies them into
  // the page's surface.
  void DrawBands();
  // Draws the drawings that reach the band of page lines from `top` on.
  void DrawBand(int top, int lines);
  void CopyToPage(const PagePixels& lines, int top);
  // The surface drawn on: the band, on a page drawn in bands.
  cairo_surface_t* Target() const { return band_ != nullptr ? band_.get() : surface_.get(); }
  // Fills `glyphs` of `font` at the size `em` in black, as outlines or as
  // glyphs.
  void PaintGlyphs(cairo_font_face_t* font, double em, const std::vector<cairo_glyph_t>& glyphs,
                   bool as_outlines);
  void PaintImage(const std::shared_ptr<const DecodedImage>& image, const ImagePlace& place);
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
  // The size of the raster pages as they are fed, and whether the page is
  // turned a quarter counterclockwise onto them: landscape pages of a
  // raster stream, fed upright as printers feed paper.
  const int feed_width_;
  const int feed_height_;
  const bool turned_;
  // The raster stream of the job, in a streamed format, and the stream it
  // writes to, which keeps its own reason when a write fails.
  std::optional<RasterStreamWriter> raster_;
  JobStream* const stream_;
  // The raster formats draw each page in bands, so that all of them have
  // the same pixels, and a stream holds no more than a band at once. On
  // such a page: the band, what was drawn on the page, in order, the first
  // page line in the band, and whether the band was drawn on since it was
  // last painted white.
  SurfaceHandle band_;
  std::vector<KeptDrawing> drawings_;
  int band_top_ = 0;
  bool band_drawn_ = true;
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
