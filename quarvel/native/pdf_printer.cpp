#include "native/pdf_printer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "native/cairo_canvas.h"
#include "native/image_file.h"
#include "native/messages.h"
#include "native/pdf/pdf_canvas.h"
#include "text/utf8.h"

namespace quarvel {

namespace {

constexpr const char* kJobName = "MyDoc";

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

bool PdfPrinter::PdfCanvasDrawsEveryFace() {
  if (!every_face_embeddable_) {
    every_face_embeddable_ = std::ranges::all_of(faces_.All(), [](const ArialFace& face) {
      return face.face == nullptr || PdfCanvas::CanDraw(face);
    });
  }
  return *every_face_embeddable_;
}

void PdfPrinter::StartDocument() {
  if (canvas_ != nullptr) return;
  if (settings_.format == OutputFormat::kPdf && PdfCanvasDrawsEveryFace()) {
    canvas_ = std::make_unique<PdfCanvas>(settings_.device, kJobName);
  } else {
    canvas_ = std::make_unique<CairoCanvas>(settings_.device, settings_.format, kJobName);
  }
}

void PdfPrinter::StartPage() {
  if (canvas_ == nullptr || page_open_) return;
  ink_.Clear();
  canvas_->StartPage();
  page_open_ = true;
}

void PdfPrinter::EndPage() {
  if (!page_open_) return;
  canvas_->EndPage();
  page_open_ = false;
  if (progress_ != nullptr) progress_->PageRendered();
}

void PdfPrinter::EndDocument() {
  if (canvas_ == nullptr) return;
  EndPage();
  const std::vector<JobFile> files = canvas_->Finish();
  canvas_.reset();
  if (!delivery_.Deliver(kJobName, files)) {
    all_delivered_ = false;
  } else if (progress_ != nullptr) {
    progress_->JobDelivered();
  }
}

void PdfPrinter::OutputText(DevicePoint at, const FontSpec& font, const WideString& text) {
  const ArialFace& face = faces_.Get(font.weight, font.italic);
  if (!page_open_ || face.face == nullptr) return;
  cairo_t* cr = canvas_->layout_context();
  const TextCell cell = CellForFontHeight(font.height, face.metrics, settings_.device.dpi);
  if (BeyondFreeType(cr, cell.em)) return;
  KeptFont& scaled = text_layout_.Font(cr, face.face, cell.em);
  double x = at.x;
  double y = at.y + cell.ascent;
  ToCurrentPointPrecision(cr, &x, &y);
  scaled.Layout(text, x, y, &run_);
  const InkBox cell_box = InkBox::Spanning(at.x, at.y, at.x + run_.advance, at.y + cell.height);
  if (!white_page_ || ink_.Touches(cell_box)) {
    canvas_->FillWhite(cell_box);
  }
  if (run_.ink) ink_.Add(*run_.ink);
  canvas_->DrawText(face, scaled, run_,
                    settings_.format == OutputFormat::kPng && cell.em > kMaxBitmapEm);
}

void PdfPrinter::DrawSegment(DevicePoint from, DevicePoint to) {
  if (!page_open_) return;
  // The pixels the segment covers, with its square caps.
  ink_.Add(InkBox::Spanning(from.x, from.y, to.x, to.y).Grown(1.5));
  canvas_->DrawSegment(from, to);
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
  const ImagePlace place = {ImageUnitsToPixels(rect.x, dpi), ImageUnitsToPixels(rect.y, dpi),
                            ImageUnitsToPixels(rect.width, dpi),
                            ImageUnitsToPixels(rect.height, dpi)};
  // The rectangle, and the pixels its smoothed edges reach.
  ink_.Add(InkBox::Spanning(place.x, place.y, place.x + place.width, place.y + place.height)
               .Grown(1));
  canvas_->DrawImage(image, place);
}

}  // namespace quarvel
