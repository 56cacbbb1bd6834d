#include "native/render/rendering_printer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "native/images/image_file.h"
#include "native/render/cairo_canvas.h"
#include "native/render/pdf_canvas.h"
#include "text/utf8.h"

namespace quarvel {

namespace {

constexpr const char* kJobName = "MyDoc";

// A loaded image; null when the file could not be loaded.
struct LoadedPicture : Picture {
  explicit LoadedPicture(std::shared_ptr<const DecodedImage> decoded) : image(std::move(decoded)) {}
  std::shared_ptr<const DecodedImage> image;
};

// On raster pages, glyphs of more device pixels to the em than this are
// filled as outlines: cairo renders each glyph that it shows into a bitmap
// of its size and keeps it, and a line of huge glyphs took gigabytes.
constexpr double kMaxBitmapEm = 256;

// The faults of an image file that the user hears of: the file is there,
// and is an image, but is not drawn.
bool IsReported(ImageFault fault) {
  return fault == ImageFault::kTooLarge || fault == ImageFault::kNoMemory;
}

}  // namespace

RenderingPrinter::RenderingPrinter(const PageSettings& settings, JobDelivery& delivery,
                                   PrintEvents& events)
    : settings_(settings),
      delivery_(delivery),
      events_(events),
      white_page_(settings.format != OutputFormat::kSvg) {}

RenderingPrinter::~RenderingPrinter() = default;

DialogOutcome RenderingPrinter::ChoosePrinter(Orientation orientation) {
  settings_.device.landscape =
      settings_.orientation.value_or(orientation) == Orientation::kLandscape;
  return DialogOutcome::kPrinterChosen;
}

bool RenderingPrinter::PdfCanvasDrawsEveryFace() {
  if (!every_face_embeddable_) {
    every_face_embeddable_ = std::ranges::all_of(faces_.All(), [](const ArialFace& face) {
      return face.face == nullptr || PdfCanvas::CanDraw(face);
    });
  }
  return *every_face_embeddable_;
}

TextLayout& RenderingPrinter::Layout() {
  if (!text_layout_) {
    // Raster pages are drawn in device pixels; the others in points.
    const SheetSize sheet = SheetOf(settings_.device);
    const bool raster = settings_.format == OutputFormat::kPng;
    text_layout_.emplace(raster ? 1 : sheet.width_points / sheet.width_pixels,
                         raster ? 1 : sheet.height_points / sheet.height_pixels);
  }
  return *text_layout_;
}

void RenderingPrinter::StartDocument() {
  if (canvas_ != nullptr) return;
  if (settings_.format == OutputFormat::kPdf && PdfCanvasDrawsEveryFace()) {
    canvas_ = std::make_unique<PdfCanvas>(settings_.device, kJobName);
  } else {
    canvas_ = std::make_unique<CairoCanvas>(settings_.device, settings_.format, kJobName);
  }
}

void RenderingPrinter::StartPage() {
  if (canvas_ == nullptr || page_open_) return;
  ink_.Clear();
  canvas_->StartPage();
  page_open_ = true;
}

void RenderingPrinter::EndPage() {
  if (!page_open_) return;
  canvas_->EndPage();
  page_open_ = false;
  events_.PageRendered();
}

void RenderingPrinter::EndDocument() {
  if (canvas_ == nullptr) return;
  EndPage();
  std::vector<JobFile> files;
  const Status rendered = canvas_->Finish(&files);
  canvas_.reset();
  const Status delivered =
      rendered.ok()
          ? delivery_.Deliver(kJobName, files)
          : Status::Error("cannot render " + delivery_.NextTarget() + ": " + rendered.message());
  if (delivered.ok()) {
    events_.JobDelivered();
  } else {
    all_delivered_ = false;
    events_.JobFailed(delivered.message());
  }
}

void RenderingPrinter::OutputText(DevicePoint at, const FontSpec& font, const WideString& text) {
  const ArialFace& face = faces_.Get(font.weight, font.italic);
  if (!page_open_ || face.face == nullptr) return;
  const TextCell cell = CellForFontHeight(font.height, face.metrics, settings_.device.dpi);
  if (!Layout().LayOut(face, cell.em, text, at.x, at.y + cell.ascent, &run_)) return;
  const InkBox cell_box = InkBox::Spanning(at.x, at.y, at.x + run_.advance, at.y + cell.height);
  if (!white_page_ || ink_.Touches(cell_box)) {
    canvas_->FillWhite(cell_box);
  }
  if (run_.ink) ink_.Add(*run_.ink);
  canvas_->DrawText(face, cell.em, run_,
                    settings_.format == OutputFormat::kPng && cell.em > kMaxBitmapEm);
}

void RenderingPrinter::DrawSegment(DevicePoint from, DevicePoint to) {
  if (!page_open_) return;
  // The pixels the segment covers, with its square caps.
  ink_.Add(InkBox::Spanning(from.x, from.y, to.x, to.y).Grown(1.5));
  canvas_->DrawSegment(from, to);
}

std::unique_ptr<Picture> RenderingPrinter::LoadPicture(const WideString& path) {
  std::string file = ToUtf8(path);
  events_.ImageRead(file);
  LoadedImage image = LoadImageFile(file);
  if (IsReported(image.fault) && reported_images_.insert(file).second) {
    events_.Warn(file + ": " + std::string(DescribeImageFault(image.fault)) + ", not drawn");
  }
  return std::make_unique<LoadedPicture>(std::move(image.image));
}

void RenderingPrinter::DrawPicture(Picture& picture, const ImageRect& rect) {
  const std::shared_ptr<const DecodedImage>& image = static_cast<LoadedPicture&>(picture).image;
  if (!page_open_ || image == nullptr || rect.width == 0 || rect.height == 0) return;
  const int dpi = settings_.device.dpi;
  const ImagePlace place = {ImageUnitsToPixels(rect.x, dpi), ImageUnitsToPixels(rect.y, dpi),
                            ImageUnitsToPixels(rect.width, dpi),
                            ImageUnitsToPixels(rect.height, dpi)};
  // The rectangle, and the pixels its smoothed edges reach.
  ink_.Add(
      InkBox::Spanning(place.x, place.y, place.x + place.width, place.y + place.height).Grown(1));
  canvas_->DrawImage(image, place);
}

}  // namespace quarvel
