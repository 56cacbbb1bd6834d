#include "native/pdf_printer.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo-svg.h>

#include <cmath>
#include <vector>

#include "native/image_file.h"
#include "native/messages.h"
#include "printer/utf8.h"

namespace quarvel {

namespace {

constexpr const char* kJobName = "MyDoc";

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

// A surface in `format` of the size of `sheet` that writes to `out`: one
// that holds a whole job, or a page in the formats of a file per page.
cairo_surface_t* NewSurface(OutputFormat format, const SheetSize& sheet, std::string* out) {
  const double width = sheet.width_points;
  const double height = sheet.height_points;
  switch (format) {
    case OutputFormat::kPdf: {
      cairo_surface_t* surface =
          cairo_pdf_surface_create_for_stream(AppendToString, out, width, height);
      cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, kJobName);
      cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "quarvel");
      return surface;
    }
    case OutputFormat::kPostScript: {
      cairo_surface_t* surface =
          cairo_ps_surface_create_for_stream(AppendToString, out, width, height);
      cairo_ps_surface_dsc_comment(surface, "%%Title: MyDoc");
      return surface;
    }
    case OutputFormat::kSvg:
      return cairo_svg_surface_create_for_stream(AppendToString, out, width, height);
    case OutputFormat::kPng: return NewRaster(sheet);
  }
  return nullptr;
}

}  // namespace

// One job being rendered: a surface writing into memory, and a context
// whose user space is device pixels. In the formats of a file per page, each
// page has a surface of its own.
class PdfPrinter::Document {
 public:
  Document(const Device& device, OutputFormat format)
      : sheet_(SheetOf(device)), format_(format), file_per_page_(InfoOf(format).file_per_page) {
    if (!file_per_page_) Open();
  }
  ~Document() { Close(); }
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  cairo_t* context() const { return cr_; }

  // A context in error draws nothing more, and values far beyond the page
  // can put it there (a font millions of pixels high, say). Such a drawing
  // is dropped and the next one gets a fresh context on the same page.
  void RecoverFromError() {
    if (cairo_status(cr_) == CAIRO_STATUS_SUCCESS) return;
    cairo_destroy(cr_);
    cr_ = NewContext();
  }

  void StartPage() {
    if (file_per_page_) Open();
  }

  void EndPage() {
    if (!file_per_page_) {
      cairo_show_page(cr_);
      return;
    }
    files_.push_back({static_cast<int>(files_.size()) + 1, FinishSurface()});
  }

  // Finishes the job and returns its files.
  std::vector<JobFile> Finish() {
    if (!file_per_page_) files_.push_back({0, FinishSurface()});
    return std::move(files_);
  }

 private:
  void Open() {
    surface_ = NewSurface(format_, sheet_, &bytes_);
    cr_ = NewContext();
  }

  // Finishes the surface and returns what it wrote.
  std::string FinishSurface() {
    if (format_ == OutputFormat::kPng) {
      cairo_surface_write_to_png_stream(surface_, AppendToString, &bytes_);
    }
    Close();
    return std::move(bytes_);
  }

  void Close() {
    if (cr_ != nullptr) cairo_destroy(cr_);
    if (surface_ != nullptr) cairo_surface_destroy(surface_);
    cr_ = nullptr;
    surface_ = nullptr;
  }

  // A context whose user space is device pixels. Glyphs keep their
  // outlines and advances unrounded, as on paper, so that a page in pixels
  // has its text where the PDF has it.
  cairo_t* NewContext() const {
    cairo_t* cr = cairo_create(surface_);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
    if (format_ != OutputFormat::kPng) {
      cairo_scale(cr, sheet_.width_points / sheet_.width_pixels,
                  sheet_.height_points / sheet_.height_pixels);
    }
    return cr;
  }

  const SheetSize sheet_;
  const OutputFormat format_;
  const bool file_per_page_;
  std::string bytes_;
  std::vector<JobFile> files_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

namespace {

// A loaded image; null when the file could not be loaded.
struct PdfPicture : Picture {
  explicit PdfPicture(SurfacePtr image) : surface(std::move(image)) {}
  SurfacePtr surface;
};

// Rounds the user-space point (x, y) as cairo keeps its current point: to
// 1/256 of a device unit. A line laid out from there has its glyphs where
// cairo's own layout from a current point puts them.
void ToCurrentPointPrecision(cairo_t* cr, double* x, double* y) {
  constexpr double kFixedOne = 256;
  cairo_user_to_device(cr, x, y);
  *x = std::nearbyint(*x * kFixedOne) / kFixedOne;
  *y = std::nearbyint(*y * kFixedOne) / kFixedOne;
  cairo_device_to_user(cr, x, y);
}

// FreeType sizes glyphs in 16-bit pixels to the em. Beyond that, cairo puts
// the context in error, and keeps the scaled font in error, and its face,
// for ever.
constexpr double kMaxFreeTypeEm = 65535;

// Whether glyphs of `em` in the user space of `cr` are beyond FreeType's
// sizes on the device.
bool BeyondFreeType(cairo_t* cr, double em) {
  double x = em;
  double y = em;
  cairo_user_to_device_distance(cr, &x, &y);
  return std::abs(x) > kMaxFreeTypeEm || std::abs(y) > kMaxFreeTypeEm;
}

// On raster pages, glyphs of more device pixels to the em than this are
// filled as outlines: cairo renders each glyph that it shows into a bitmap
// of its size and keeps it, and a line of huge glyphs took gigabytes.
constexpr double kMaxBitmapEm = 256;

// Draws `run` in the context's scaled font and source, as glyphs or as
// their outlines.
void DrawRun(cairo_t* cr, const GlyphRun& run, bool as_outlines) {
  const int glyphs = static_cast<int>(run.glyphs.size());
  if (as_outlines) {
    cairo_glyph_path(cr, run.glyphs.data(), glyphs);
    cairo_fill(cr);
    return;
  }
  cairo_show_text_glyphs(cr, run.utf8.data(), static_cast<int>(run.utf8.size()), run.glyphs.data(),
                         glyphs, run.clusters.data(), static_cast<int>(run.clusters.size()),
                         cairo_text_cluster_flags_t{});
}

// One drawing on the current page: the context's state is saved for it and
// restored after it, and an error it caused ends with it.
class Drawing {
 public:
  explicit Drawing(PdfPrinter::Document& document) : document_(document) {
    cairo_save(document_.context());
  }
  ~Drawing() {
    cairo_restore(document_.context());
    document_.RecoverFromError();
  }
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;

  cairo_t* context() const { return document_.context(); }

 private:
  PdfPrinter::Document& document_;
};

}  // namespace

PdfPrinter::PdfPrinter(const PageSettings& settings, JobDelivery& delivery, PrintProgress* progress)
    : settings_(settings),
      delivery_(delivery),
      progress_(progress),
      white_page_(settings.format != OutputFormat::kSvg) {}

PdfPrinter::~PdfPrinter() = default;

DialogOutcome PdfPrinter::ChoosePrinter(Orientation orientation) {
  settings_.device.landscape =
      settings_.orientation.value_or(orientation) == Orientation::kLandscape;
  return DialogOutcome::kPrinterChosen;
}

void PdfPrinter::StartDocument() {
  if (document_ == nullptr) {
    document_ = std::make_unique<Document>(settings_.device, settings_.format);
  }
}

void PdfPrinter::StartPage() {
  if (document_ == nullptr || page_open_) return;
  ink_.Clear();
  document_->StartPage();
  page_open_ = true;
}

void PdfPrinter::EndPage() {
  if (!page_open_) return;
  document_->EndPage();
  page_open_ = false;
  if (progress_ != nullptr) progress_->PageRendered();
}

void PdfPrinter::EndDocument() {
  if (document_ == nullptr) return;
  EndPage();
  const std::vector<JobFile> files = document_->Finish();
  document_.reset();
  if (!delivery_.Deliver(kJobName, files)) {
    all_delivered_ = false;
  } else if (progress_ != nullptr) {
    progress_->JobDelivered();
  }
}

void PdfPrinter::OutputText(DevicePoint at, const FontSpec& font, const WideString& text) {
  const ArialFace& face = faces_.Get(font.weight, font.italic);
  if (!page_open_ || face.face == nullptr) return;
  const Drawing drawing(*document_);
  cairo_t* cr = drawing.context();
  const TextCell cell = CellForFontHeight(font.height, face.metrics, settings_.device.dpi);
  if (BeyondFreeType(cr, cell.em)) return;
  KeptFont& scaled = text_layout_.Font(cr, face.face, cell.em);
  double x = at.x;
  double y = at.y + cell.ascent;
  ToCurrentPointPrecision(cr, &x, &y);
  scaled.Layout(text, x, y, &run_);
  const InkBox cell_box = InkBox::Spanning(at.x, at.y, at.x + run_.advance, at.y + cell.height);
  if (!white_page_ || ink_.Touches(cell_box)) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, at.x, at.y, run_.advance, cell.height);
    cairo_fill(cr);
  }
  if (run_.ink) ink_.Add(*run_.ink);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_scaled_font(cr, scaled.font());
  DrawRun(cr, run_, settings_.format == OutputFormat::kPng && cell.em > kMaxBitmapEm);
}

void PdfPrinter::DrawSegment(DevicePoint from, DevicePoint to) {
  if (!page_open_) return;
  // The pixels the segment covers, with its square caps.
  ink_.Add(InkBox::Spanning(from.x, from.y, to.x, to.y).Grown(1.5));
  const Drawing drawing(*document_);
  cairo_t* cr = drawing.context();
  // Through the pixel centres, so that the line covers whole device pixels.
  cairo_move_to(cr, from.x + 0.5, from.y + 0.5);
  cairo_line_to(cr, to.x + 0.5, to.y + 0.5);
  cairo_set_line_width(cr, 1);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_stroke(cr);
}

std::unique_ptr<Picture> PdfPrinter::LoadPicture(const WideString& path) {
  std::string file = ToUtf8(path);
  LoadedImage image = LoadImageFile(file);
  if (image.fault == ImageFault::kTooLarge && reported_images_.insert(file).second) {
    ReportWarning(file + ": " + std::string(DescribeImageFault(image.fault)) + ", not drawn");
  }
  return std::make_unique<PdfPicture>(std::move(image.surface));
}

void PdfPrinter::DrawPicture(Picture& picture, const ImageRect& rect) {
  cairo_surface_t* image = static_cast<PdfPicture&>(picture).surface.get();
  if (!page_open_ || image == nullptr || rect.width == 0 || rect.height == 0) return;
  const int dpi = settings_.device.dpi;
  const double x = ImageUnitsToPixels(rect.x, dpi);
  const double y = ImageUnitsToPixels(rect.y, dpi);
  const double width = ImageUnitsToPixels(rect.width, dpi);
  const double height = ImageUnitsToPixels(rect.height, dpi);
  // The rectangle, and the pixels its smoothed edges reach.
  ink_.Add(InkBox::Spanning(x, y, x + width, y + height).Grown(1));
  const Drawing drawing(*document_);
  cairo_t* cr = drawing.context();
  cairo_translate(cr, x, y);
  cairo_scale(cr, width / cairo_image_surface_get_width(image),
              height / cairo_image_surface_get_height(image));
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
}

}  // namespace quarvel
