#include "native/pdf_printer.h"

#include <cairo-pdf.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <filesystem>

#include "printer/utf8.h"

namespace quarvel {

namespace {

constexpr const char* kJobName = "MyDoc";

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// Copies a decoded image into a cairo surface, whose pixels are native-endian
// ARGB with the colour premultiplied by alpha.
cairo_surface_t* SurfaceFromPixbuf(GdkPixbuf* pixbuf) {
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  const int in_stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* in = gdk_pixbuf_read_pixels(pixbuf);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  unsigned char* out = cairo_image_surface_get_data(surface);
  const int out_stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(out + y * out_stride);
    for (int x = 0; x < width; ++x) {
      const guchar* p = in + y * in_stride + x * channels;
      const uint32_t a = alpha ? p[3] : 255;
      const auto premultiply = [a](uint32_t c) { return (c * a + 127) / 255; };
      row[x] = a << 24 | premultiply(p[0]) << 16 | premultiply(p[1]) << 8 | premultiply(p[2]);
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

// A decoded image; null when the file could not be decoded. Only regular
// files are read: opening a named pipe or a terminal would wait for ever.
class PdfPicture : public Picture {
 public:
  explicit PdfPicture(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return;
    if (GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path.c_str(), nullptr)) {
      surface_ = SurfaceFromPixbuf(pixbuf);
      g_object_unref(pixbuf);
    }
  }
  ~PdfPicture() override {
    if (surface_ != nullptr) cairo_surface_destroy(surface_);
  }
  PdfPicture(const PdfPicture&) = delete;
  PdfPicture& operator=(const PdfPicture&) = delete;

  cairo_surface_t* surface() const { return surface_; }

 private:
  cairo_surface_t* surface_ = nullptr;
};

}  // namespace

// One job being rendered: a PDF surface writing into memory, and a context
// whose user space is device pixels.
class PdfPrinter::Document {
 public:
  explicit Document(const Device& device) : sheet_(SheetOf(device)) {
    surface_ = cairo_pdf_surface_create_for_stream(AppendToString, &pdf_, sheet_.width_points,
                                                   sheet_.height_points);
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, kJobName);
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "quarvel");
    cr_ = NewContext();
  }
  ~Document() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
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

  void EndPage() { cairo_show_page(cr_); }

  // Finishes the document and returns its bytes.
  const std::string& Finish() {
    cairo_surface_finish(surface_);
    return pdf_;
  }

 private:
  // A context whose user space is device pixels.
  cairo_t* NewContext() const {
    cairo_t* cr = cairo_create(surface_);
    cairo_scale(cr, sheet_.width_points / sheet_.width_pixels,
                sheet_.height_points / sheet_.height_pixels);
    return cr;
  }

  const SheetSize sheet_;
  std::string pdf_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

namespace {

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

PdfPrinter::PdfPrinter(const Device& device, JobDelivery& delivery)
    : device_(device), delivery_(delivery) {}

PdfPrinter::~PdfPrinter() = default;

DialogOutcome PdfPrinter::ChoosePrinter(Orientation orientation) {
  device_.landscape = orientation == Orientation::kLandscape;
  return DialogOutcome::kPrinterChosen;
}

void PdfPrinter::StartDocument() {
  if (document_ == nullptr) document_ = std::make_unique<Document>(device_);
}

void PdfPrinter::StartPage() {
  if (document_ != nullptr) page_open_ = true;
}

void PdfPrinter::EndPage() {
  if (!page_open_) return;
  document_->EndPage();
  page_open_ = false;
}

void PdfPrinter::EndDocument() {
  if (document_ == nullptr) return;
  EndPage();
  delivery_.Deliver(kJobName, document_->Finish());
  document_.reset();
}

void PdfPrinter::OutputText(DevicePoint at, const FontSpec& font, const WideString& text) {
  const ArialFace& face = faces_.Get(font.weight, font.italic);
  if (!page_open_ || face.face == nullptr) return;
  const Drawing drawing(*document_);
  cairo_t* cr = drawing.context();
  const TextCell cell = CellForFontHeight(font.height, face.metrics, device_.dpi);
  const std::string utf8 = ToUtf8(text);
  cairo_set_font_face(cr, face.face);
  cairo_set_font_size(cr, cell.em);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, utf8.c_str(), &extents);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_rectangle(cr, at.x, at.y, extents.x_advance, cell.height);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_move_to(cr, at.x, at.y + cell.ascent);
  cairo_show_text(cr, utf8.c_str());
}

void PdfPrinter::DrawSegment(DevicePoint from, DevicePoint to) {
  if (!page_open_) return;
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
  return std::make_unique<PdfPicture>(ToUtf8(path));
}

void PdfPrinter::DrawPicture(Picture& picture, const ImageRect& rect) {
  cairo_surface_t* image = static_cast<PdfPicture&>(picture).surface();
  if (!page_open_ || image == nullptr || rect.width == 0 || rect.height == 0) return;
  const Drawing drawing(*document_);
  cairo_t* cr = drawing.context();
  cairo_translate(cr, ImageUnitsToPixels(rect.x, device_.dpi),
                  ImageUnitsToPixels(rect.y, device_.dpi));
  cairo_scale(cr,
              ImageUnitsToPixels(rect.width, device_.dpi) / cairo_image_surface_get_width(image),
              ImageUnitsToPixels(rect.height, device_.dpi) / cairo_image_surface_get_height(image));
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
}

}  // namespace quarvel
