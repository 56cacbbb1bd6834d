#include "native/render/cairo_canvas.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo-svg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "text/utf8.h"

namespace quarvel {

namespace {

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  try {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  } catch (const std::bad_alloc&) {
    return CAIRO_STATUS_NO_MEMORY;
  }
  return CAIRO_STATUS_SUCCESS;
}

// The pixels across and down a sheet.
int PixelsAcross(const SheetSize& sheet) { return static_cast<int>(std::ceil(sheet.width_pixels)); }
int PixelsDown(const SheetSize& sheet) { return static_cast<int>(std::ceil(sheet.height_pixels)); }

// The bytes of a band of a page drawn in bands, about what a processor's
// cache holds near it: the band is painted, drawn and coded there.
constexpr int kBandBytes = 1 << 20;

// How far smoothing may reach beyond the box of a drawing, in pixels.
constexpr double kSmoothingReach = 2;

void PaintWhite(cairo_surface_t* surface) {
  const ContextHandle cr(cairo_create(surface));
  cairo_set_source_rgb(cr.get(), 1, 1, 1);
  cairo_paint(cr.get());
}

// A band for the lines, `width` pixels wide, of a page `height` lines high.
SurfaceHandle NewBand(int width, int height) {
  const int lines = std::clamp(kBandBytes / std::max(width * 4, 1), 1, std::max(height, 1));
  return SurfaceHandle(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, lines));
}

// A surface in `format` of the size of `sheet`, titled `title`, that
// writes to `out`: one that holds a whole job, or a page in the formats of a
// file per page. It may be in error.
SurfaceHandle NewSurface(OutputFormat format, const SheetSize& sheet, const std::string& title,
                         std::string* out) {
  const double width = sheet.width_points;
  const double height = sheet.height_points;
  switch (format) {
    case OutputFormat::kPdf: {
      SurfaceHandle surface(
          cairo_pdf_surface_create_for_stream(AppendToString, out, width, height));
      cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, title.c_str());
      cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "quarvel");
      return surface;
    }
    case OutputFormat::kPostScript: {
      SurfaceHandle surface(cairo_ps_surface_create_for_stream(AppendToString, out, width, height));
      cairo_ps_surface_dsc_comment(surface.get(), ("%%Title: " + title).c_str());
      return surface;
    }
    case OutputFormat::kSvg:
      return SurfaceHandle(cairo_svg_surface_create_for_stream(AppendToString, out, width, height));
    case OutputFormat::kPng:
    case OutputFormat::kPwgRaster:
    case OutputFormat::kUrf:
    case OutputFormat::kJpeg:
      // The page's bands are drawn, then copied in.
      return SurfaceHandle(
          cairo_image_surface_create(CAIRO_FORMAT_RGB24, PixelsAcross(sheet), PixelsDown(sheet)));
  }
  return nullptr;
}

// An image's pixels as cairo draws them, and the image they come from.
struct ImagePixels {
  std::shared_ptr<const DecodedImage> image;
  std::vector<uint32_t> argb;
};
using KeptPixels = std::shared_ptr<const ImagePixels>;

// A reference to pixels, for cairo to release with what it was given to.
KeptPixels* Keep(const KeptPixels& pixels) { return new KeptPixels(pixels); }
void Release(void* kept) { delete static_cast<KeptPixels*>(kept); }

const cairo_user_data_key_t kPixelsKey = {};

// Gives `surface` `data` as its `mime_type` data, which keeps `pixels`
// alive while cairo keeps it. A failure puts the surface in error.
void SetMimeData(cairo_surface_t* surface, const char* mime_type, std::string_view data,
                 const KeptPixels& pixels) {
  KeptPixels* kept = Keep(pixels);
  if (cairo_surface_set_mime_data(surface, mime_type,
                                  reinterpret_cast<const unsigned char*>(data.data()), data.size(),
                                  Release, kept) != CAIRO_STATUS_SUCCESS) {
    Release(kept);
  }
}

// Makes `*surface` a surface on the pixels of `image`, which it keeps
// alive, with the data that lets PDF and PostScript embed the image once,
// and a JPEG file as it is.
cairo_status_t SurfaceOnPixels(const std::shared_ptr<const DecodedImage>& image,
                               SurfaceHandle* surface) {
  const auto pixels =
      std::make_shared<const ImagePixels>(ImagePixels{image, PremultipliedArgb(*image)});
  surface->reset(cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(pixels->argb.data())),
      CAIRO_FORMAT_ARGB32, image->width, image->height, image->width * 4));
  if (const cairo_status_t status = cairo_surface_status(surface->get());
      status != CAIRO_STATUS_SUCCESS) {
    return status;
  }
  KeptPixels* kept = Keep(pixels);
  if (const cairo_status_t status =
          cairo_surface_set_user_data(surface->get(), &kPixelsKey, kept, Release);
      status != CAIRO_STATUS_SUCCESS) {
    Release(kept);
    return status;
  }
  SetMimeData(surface->get(), CAIRO_MIME_TYPE_UNIQUE_ID, image->id, pixels);
  if (!image->jpeg.empty()) SetMimeData(surface->get(), CAIRO_MIME_TYPE_JPEG, image->jpeg, pixels);
  return cairo_surface_status(surface->get());
}

// pixman draws no image of more than about 32,740 pixels on a side, nor do
// the SVG readers that draw through it; one that large is drawn in tiles
// of this side.
constexpr int kMaxTileSide = 16384;

// Fills the rectangle of `image` (`width` x `height` in user space, from
// the origin) with it, smoothed, as PDF readers draw an image: its edge
// pixels reach its edges, and nothing of it lies outside its rectangle.
void FillWithImage(cairo_t* cr, cairo_surface_t* image, int width, int height) {
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_rectangle(cr, 0, 0, width, height);
  cairo_fill(cr);
}

}  // namespace

// One drawing on the current page: the context's state is saved for it and
// restored after it, and an error it caused ends with it. A context in
// error draws nothing more, and values far beyond the page can put it there
// (an image scaled to nothing, say); the next drawing gets a fresh context
// on the same page. Memory that ran out, or a surface in error, fails the
// job.
class CairoCanvas::Drawing {
 public:
  explicit Drawing(CairoCanvas& canvas) : canvas_(canvas) { cairo_save(context()); }
  ~Drawing() {
    cairo_restore(context());
    const cairo_status_t status = cairo_status(context());
    if (status == CAIRO_STATUS_NO_MEMORY) canvas_.Check(status);
    if (status != CAIRO_STATUS_SUCCESS) canvas_.cr_ = canvas_.NewContext();
    canvas_.Check(cairo_surface_status(canvas_.Target()));
  }
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;

  cairo_t* context() const { return canvas_.cr_.get(); }

 private:
  CairoCanvas& canvas_;
};

CairoCanvas::CairoCanvas(const Device& device, OutputFormat format, std::string_view title,
                         const RasterOptions& raster, JobStream* stream)
    : sheet_(SheetOf(device)),
      dpi_(device.dpi),
      format_(format),
      title_(title),
      surface_per_page_(InfoOf(format).file_per_page || InfoOf(format).raster),
      gray_(raster.gray),
      feed_width_(InfoOf(format).streamed ? std::min(PixelsAcross(sheet_), PixelsDown(sheet_))
                                          : PixelsAcross(sheet_)),
      feed_height_(InfoOf(format).streamed ? std::max(PixelsAcross(sheet_), PixelsDown(sheet_))
                                           : PixelsDown(sheet_)),
      turned_(InfoOf(format).streamed && PixelsAcross(sheet_) > PixelsDown(sheet_)),
      stream_(stream) {
  if (InfoOf(format).streamed) {
    raster_.emplace(format == OutputFormat::kUrf ? RasterKind::kUrf : RasterKind::kPwg, raster,
                    [this](std::string_view bytes) { return stream_->Write(bytes).ok(); });
  }
  if (InfoOf(format).raster) {
    band_ = NewBand(feed_width_, feed_height_);
    Check(cairo_surface_status(band_.get()));
  }
  if (!surface_per_page_) Open();
}

void CairoCanvas::Check(cairo_status_t status) {
  if (error_ == CAIRO_STATUS_SUCCESS) error_ = status;
}

void CairoCanvas::StartPage() {
  if (surface_per_page_ && !raster_) Open();
}

void CairoCanvas::EndPage() {
  if (band_ != nullptr) DrawBands();
  if (surface_per_page_ && !raster_) {
    EncodePage();
  } else if (!surface_per_page_) {
    cairo_show_page(cr_.get());
    Check(cairo_status(cr_.get()));
    Check(cairo_surface_status(surface_.get()));
  }
  images_.clear();
}

template <typename Draw>
void CairoCanvas::DrawWithin(const InkBox& reach, Draw draw) {
  if (band_ == nullptr) return draw();
  drawings_.push_back({reach, std::move(draw)});
}

void CairoCanvas::DrawBands() {
  const int band_lines = cairo_image_surface_get_height(band_.get());
  if (raster_ && error_ == CAIRO_STATUS_SUCCESS && encoded_.ok()) {
    encoded_ = raster_->StartPage(feed_width_, feed_height_, dpi_);
  }
  for (int top = 0; top < feed_height_ && error_ == CAIRO_STATUS_SUCCESS && encoded_.ok();
       top += band_lines) {
    DrawBand(top, std::min(band_lines, feed_height_ - top));
  }
  if (!raster_ && surface_ != nullptr) cairo_surface_mark_dirty(surface_.get());
  drawings_.clear();
}

void CairoCanvas::DrawBand(int top, int lines) {
  // The band's lines as page pixels: columns from the right on a page
  // that is turned.
  const InkBox band = turned_ ? InkBox{double(feed_height_ - top - lines), 0,
                                       double(feed_height_ - top), double(feed_width_)}
                              : InkBox{0, double(top), double(feed_width_), double(top + lines)};
  if (band_drawn_) PaintWhite(band_.get());
  band_drawn_ = false;
  band_top_ = top;
  cr_ = NewContext();
  for (const KeptDrawing& drawing : drawings_) {
    if (!drawing.reach.Overlaps(band)) continue;
    band_drawn_ = true;
    drawing.draw();
  }
  cr_.reset();
  cairo_surface_flush(band_.get());
  Check(cairo_surface_status(band_.get()));
  if (error_ != CAIRO_STATUS_SUCCESS) return;
  const PagePixels drawn = {cairo_image_surface_get_data(band_.get()), feed_width_, lines,
                            cairo_image_surface_get_stride(band_.get()), dpi_};
  if (raster_) {
    encoded_ = raster_->WriteLines(drawn);
  } else {
    CopyToPage(drawn, top);
  }
}

void CairoCanvas::CopyToPage(const PagePixels& lines, int top) {
  Check(cairo_surface_status(surface_.get()));
  if (error_ != CAIRO_STATUS_SUCCESS) return;
  unsigned char* page = cairo_image_surface_get_data(surface_.get());
  const int stride = cairo_image_surface_get_stride(surface_.get());
  for (int y = 0; y < lines.height; ++y) {
    std::memcpy(page + size_t(top + y) * stride, lines.data + size_t(y) * lines.stride,
                size_t(lines.width) * 4);
  }
}

void CairoCanvas::EncodePage() {
  cr_.reset();
  cairo_surface_flush(surface_.get());
  const PagePixels page = {cairo_image_surface_get_data(surface_.get()),
                           cairo_image_surface_get_width(surface_.get()),
                           cairo_image_surface_get_height(surface_.get()),
                           cairo_image_surface_get_stride(surface_.get()), dpi_};
  if (error_ == CAIRO_STATUS_SUCCESS && encoded_.ok() && format_ == OutputFormat::kJpeg) {
    encoded_ = EncodeJpeg(page, gray_, &bytes_);
  }
  std::string bytes = FinishSurface();
  files_.push_back({static_cast<int>(files_.size()) + 1, std::move(bytes)});
}

Status CairoCanvas::Finish(std::vector<JobFile>* files) {
  if (!surface_per_page_) files_.push_back({0, FinishSurface()});
  files->clear();
  if (const Status failed = status(); !failed.ok()) return failed;
  *files = std::move(files_);
  return Status::Ok();
}

Status CairoCanvas::status() const {
  if (error_ != CAIRO_STATUS_SUCCESS) return Status::Error(cairo_status_to_string(error_));
  return encoded_;
}

void CairoCanvas::Open() {
  surface_ = NewSurface(format_, sheet_, title_, &bytes_);
  Check(cairo_surface_status(surface_.get()));
  if (band_ == nullptr) cr_ = NewContext();
}

std::string CairoCanvas::FinishSurface() {
  if (format_ == OutputFormat::kPng && error_ == CAIRO_STATUS_SUCCESS) {
    Check(cairo_surface_write_to_png_stream(surface_.get(), AppendToString, &bytes_));
  }
  cr_.reset();
  cairo_surface_finish(surface_.get());
  Check(cairo_surface_status(surface_.get()));
  surface_.reset();
  return std::move(bytes_);
}

// A context whose user space is device pixels: on a page drawn in bands,
// those of the page that the band shows, turned where the page is.
ContextHandle CairoCanvas::NewContext() const {
  ContextHandle cr(cairo_create(Target()));
  UseUnhintedFonts(cr.get());
  if (band_ != nullptr) {
    cairo_matrix_t band;
    if (turned_) {
      cairo_matrix_init(&band, 0, -1, 1, 0, 0, feed_height_ - band_top_);
    } else {
      cairo_matrix_init_translate(&band, 0, -band_top_);
    }
    cairo_set_matrix(cr.get(), &band);
  } else if (!InfoOf(format_).raster) {
    cairo_scale(cr.get(), sheet_.width_points / sheet_.width_pixels,
                sheet_.height_points / sheet_.height_pixels);
  }
  return cr;
}

void CairoCanvas::FillWhite(const InkBox& box) {
  DrawWithin(box, [this, box] {
    const Drawing drawing(*this);
    cairo_t* cr = drawing.context();
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, box.left, box.top, box.right - box.left, box.bottom - box.top);
    cairo_fill(cr);
  });
}

void CairoCanvas::PaintGlyphs(cairo_font_face_t* font, double em,
                              const std::vector<cairo_glyph_t>& glyphs, bool as_outlines) {
  const Drawing drawing(*this);
  cairo_t* cr = drawing.context();
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_font_face(cr, font);
  cairo_set_font_size(cr, em);
  if (!as_outlines) return cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
  cairo_glyph_path(cr, glyphs.data(), static_cast<int>(glyphs.size()));
  cairo_fill(cr);
}

void CairoCanvas::DrawText(const ArialFace& face, double em, const GlyphRun& run,
                           bool as_outlines) {
  glyphs_.clear();
  for (const PlacedGlyph& glyph : run.glyphs) glyphs_.push_back({glyph.index, glyph.x, glyph.y});
  if (band_ != nullptr) {
    // A run without ink draws no pixel.
    if (!run.ink) return;
    const std::shared_ptr<cairo_font_face_t> font(cairo_font_face_reference(face.face.get()),
                                                  cairo_font_face_destroy);
    return DrawWithin(run.ink->Grown(kSmoothingReach),
                      [this, font, em, glyphs = glyphs_, as_outlines] {
                        PaintGlyphs(font.get(), em, glyphs, as_outlines);
                      });
  }
  if (as_outlines) return PaintGlyphs(face.face.get(), em, glyphs_, true);
  const Drawing drawing(*this);
  cairo_t* cr = drawing.context();
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_font_face(cr, face.face.get());
  cairo_set_font_size(cr, em);
  const int glyphs = static_cast<int>(glyphs_.size());
  // The text as UTF-8, with a cluster tying each character to its glyph,
  // so that it can be copied out of a PDF or PostScript file.
  utf8_.clear();
  clusters_.clear();
  for (const char32_t c : run.characters) {
    const size_t bytes_before = utf8_.size();
    AppendUtf8(c, &utf8_);
    clusters_.push_back({static_cast<int>(utf8_.size() - bytes_before), 1});
  }
  cairo_show_text_glyphs(cr, utf8_.data(), static_cast<int>(utf8_.size()), glyphs_.data(), glyphs,
                         clusters_.data(), static_cast<int>(clusters_.size()),
                         cairo_text_cluster_flags_t{});
}

void CairoCanvas::DrawSegment(DevicePoint from, DevicePoint to) {
  const InkBox reach = InkBox::Spanning(from.x, from.y, to.x, to.y).Grown(kSmoothingReach);
  DrawWithin(reach, [this, from, to] {
    const Drawing drawing(*this);
    cairo_t* cr = drawing.context();
    cairo_move_to(cr, from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr, to.x + 0.5, to.y + 0.5);
    cairo_set_line_width(cr, 1);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_stroke(cr);
  });
}

cairo_surface_t* CairoCanvas::SurfaceOf(const std::shared_ptr<const DecodedImage>& image) {
  SurfaceHandle& surface = images_[image.get()];
  if (surface != nullptr) return surface.get();
  const cairo_status_t status = SurfaceOnPixels(image, &surface);
  Check(status);
  if (status == CAIRO_STATUS_SUCCESS) return surface.get();
  images_.erase(image.get());
  return nullptr;
}

void CairoCanvas::DrawImage(const std::shared_ptr<const DecodedImage>& image,
                            const ImagePlace& place) {
  const InkBox reach =
      InkBox::Spanning(place.x, place.y, place.x + place.width, place.y + place.height)
          .Grown(kSmoothingReach);
  DrawWithin(reach, [this, image, place] { PaintImage(image, place); });
}

void CairoCanvas::PaintImage(const std::shared_ptr<const DecodedImage>& image,
                             const ImagePlace& place) {
  cairo_surface_t* surface = SurfaceOf(image);
  if (surface == nullptr) return;
  const Drawing drawing(*this);
  cairo_t* cr = drawing.context();
  cairo_translate(cr, place.x, place.y);
  cairo_scale(cr, place.width / image->width, place.height / image->height);
  const bool tiled = image->width > kMaxTileSide || image->height > kMaxTileSide;
  if (format_ == OutputFormat::kPostScript || (format_ == OutputFormat::kSvg && !tiled)) {
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    return cairo_paint(cr);
  }
  if (!tiled) return FillWithImage(cr, surface, image->width, image->height);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int top = 0; top < image->height; top += kMaxTileSide) {
    for (int left = 0; left < image->width; left += kMaxTileSide) {
      const int width = std::min(kMaxTileSide, image->width - left);
      const int height = std::min(kMaxTileSide, image->height - top);
      const SurfaceHandle tile(
          cairo_image_surface_create_for_data(data + ptrdiff_t{top} * stride + ptrdiff_t{left} * 4,
                                              CAIRO_FORMAT_ARGB32, width, height, stride));
      Check(cairo_surface_status(tile.get()));
      cairo_save(cr);
      cairo_translate(cr, left, top);
      FillWithImage(cr, tile.get(), width, height);
      cairo_restore(cr);
    }
  }
}

}  // namespace quarvel
