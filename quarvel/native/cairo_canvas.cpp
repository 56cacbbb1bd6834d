#include "native/cairo_canvas.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo-svg.h>

#include <cmath>

#include "text/utf8.h"

namespace quarvel {

namespace {

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// A white page of device pixels.
cairo_surface_t* NewRaster(const SheetSize& sheet) {
  cairo_surface_t* surface = cairo_image_surface_create(
      CAIRO_FORMAT_RGB24, static_cast<int>(std::ceil(sheet.width_pixels)),
      static_cast<int>(std::ceil(sheet.height_pixels)));
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
  return surface;
}

// A surface in `format` of the size of `sheet`, titled `title`, that
// writes to `out`: one that holds a whole job, or a page in the formats of a
// file per page.
cairo_surface_t* NewSurface(OutputFormat format, const SheetSize& sheet, const std::string& title,
                            std::string* out) {
  const double width = sheet.width_points;
  const double height = sheet.height_points;
  switch (format) {
    case OutputFormat::kPdf: {
      cairo_surface_t* surface =
          cairo_pdf_surface_create_for_stream(AppendToString, out, width, height);
      cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, title.c_str());
      cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "quarvel");
      return surface;
    }
    case OutputFormat::kPostScript: {
      cairo_surface_t* surface =
          cairo_ps_surface_create_for_stream(AppendToString, out, width, height);
      cairo_ps_surface_dsc_comment(surface, ("%%Title: " + title).c_str());
      return surface;
    }
    case OutputFormat::kSvg:
      return cairo_svg_surface_create_for_stream(AppendToString, out, width, height);
    case OutputFormat::kPng: return NewRaster(sheet);
  }
  return nullptr;
}

}  // namespace

// One drawing on the current page: the context's state is saved for it and
// restored after it, and an error it caused ends with it. A context in
// error draws nothing more, and values far beyond the page can put it there
// (a font millions of pixels high, say); the next drawing gets a fresh
// context on the same page.
class CairoCanvas::Drawing {
 public:
  explicit Drawing(CairoCanvas& canvas) : canvas_(canvas) { cairo_save(canvas_.cr_); }
  ~Drawing() {
    cairo_restore(canvas_.cr_);
    canvas_.RecoverFromError();
  }
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;

  cairo_t* context() const { return canvas_.cr_; }

 private:
  CairoCanvas& canvas_;
};

CairoCanvas::CairoCanvas(const Device& device, OutputFormat format, std::string_view title)
    : sheet_(SheetOf(device)),
      format_(format),
      title_(title),
      file_per_page_(InfoOf(format).file_per_page) {
  if (!file_per_page_) Open();
}

CairoCanvas::~CairoCanvas() { Close(); }

void CairoCanvas::RecoverFromError() {
  if (cairo_status(cr_) == CAIRO_STATUS_SUCCESS) return;
  cairo_destroy(cr_);
  cr_ = NewContext();
}

void CairoCanvas::StartPage() {
  if (file_per_page_) Open();
}

void CairoCanvas::EndPage() {
  if (!file_per_page_) {
    cairo_show_page(cr_);
    return;
  }
  files_.push_back({static_cast<int>(files_.size()) + 1, FinishSurface()});
}

std::vector<JobFile> CairoCanvas::Finish() {
  if (!file_per_page_) files_.push_back({0, FinishSurface()});
  return std::move(files_);
}

void CairoCanvas::Open() {
  surface_ = NewSurface(format_, sheet_, title_, &bytes_);
  cr_ = NewContext();
}

std::string CairoCanvas::FinishSurface() {
  if (format_ == OutputFormat::kPng) {
    cairo_surface_write_to_png_stream(surface_, AppendToString, &bytes_);
  }
  Close();
  return std::move(bytes_);
}

void CairoCanvas::Close() {
  if (cr_ != nullptr) cairo_destroy(cr_);
  if (surface_ != nullptr) cairo_surface_destroy(surface_);
  cr_ = nullptr;
  surface_ = nullptr;
}

// A context whose user space is device pixels.
cairo_t* CairoCanvas::NewContext() const {
  cairo_t* cr = cairo_create(surface_);
  UseUnhintedFonts(cr);
  if (format_ != OutputFormat::kPng) {
    cairo_scale(cr, sheet_.width_points / sheet_.width_pixels,
                sheet_.height_points / sheet_.height_pixels);
  }
  return cr;
}

void CairoCanvas::FillWhite(const InkBox& box) {
  const Drawing drawing(*this);
  cairo_t* cr = drawing.context();
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_rectangle(cr, box.left, box.top, box.right - box.left, box.bottom - box.top);
  cairo_fill(cr);
}

void CairoCanvas::DrawText(const ArialFace&, const KeptFont& font, const GlyphRun& run,
                           bool as_outlines) {
  const Drawing drawing(*this);
  cairo_t* cr = drawing.context();
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_scaled_font(cr, font.font());
  const int glyphs = static_cast<int>(run.glyphs.size());
  if (as_outlines) {
    cairo_glyph_path(cr, run.glyphs.data(), glyphs);
    cairo_fill(cr);
    return;
  }
  // The text as UTF-8, with a cluster tying each character to its glyph,
  // so that it can be copied out of a PDF or PostScript file.
  utf8_.clear();
  clusters_.clear();
  for (const char32_t c : run.characters) {
    const size_t bytes_before = utf8_.size();
    AppendUtf8(c, &utf8_);
    clusters_.push_back({static_cast<int>(utf8_.size() - bytes_before), 1});
  }
  cairo_show_text_glyphs(cr, utf8_.data(), static_cast<int>(utf8_.size()), run.glyphs.data(),
                         glyphs, clusters_.data(), static_cast<int>(clusters_.size()),
                         cairo_text_cluster_flags_t{});
}

void CairoCanvas::DrawSegment(DevicePoint from, DevicePoint to) {
  const Drawing drawing(*this);
  cairo_t* cr = drawing.context();
  cairo_move_to(cr, from.x + 0.5, from.y + 0.5);
  cairo_line_to(cr, to.x + 0.5, to.y + 0.5);
  cairo_set_line_width(cr, 1);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_stroke(cr);
}

void CairoCanvas::DrawImage(cairo_surface_t* image, const ImagePlace& place) {
  const Drawing drawing(*this);
  cairo_t* cr = drawing.context();
  cairo_translate(cr, place.x, place.y);
  cairo_scale(cr, place.width / cairo_image_surface_get_width(image),
              place.height / cairo_image_surface_get_height(image));
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
}

}  // namespace quarvel
