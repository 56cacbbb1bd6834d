#include "native/render/rendering_printer.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include "native/images/image_file.h"
#include "native/render/cairo_canvas.h"
#include "native/render/pdf_canvas.h"
#include "printer/drawing_limits.h"
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

// Where the piece of `text` that starts at `from` ends: kTextPiece units on,
// or before a surrogate pair that it would split.
size_t TextPieceEnd(const WideString& text, size_t from) {
  size_t to = std::min(text.size(), from + RenderingPrinter::kTextPiece);
  if (to < text.size() && (text[to - 1] & 0xFC00) == 0xD800) --to;
  return to;
}

// The faults of an image file that the user hears of: the file is there,
// and is an image, but is not drawn.
bool IsReported(ImageFault fault) {
  return fault == ImageFault::kTooLarge || fault == ImageFault::kNoMemory ||
         fault == ImageFault::kDamaged || fault == ImageFault::kUnreadKind;
}

}  // namespace

// The stream of a job, which keeps why writing to it failed: the delivery's
// own reason, which needs nothing added.
class RenderingPrinter::WatchedStream : public JobStream {
 public:
  explicit WatchedStream(std::unique_ptr<JobStream> stream) : stream_(std::move(stream)) {}

  Status Write(std::string_view bytes) override {
    Status written = stream_->Write(bytes);
    if (!written.ok() && failure_.empty()) failure_ = written.message();
    return written;
  }
  Status Finish(int pages) override { return stream_->Finish(pages); }

  const std::string& failure() const { return failure_; }

 private:
  std::unique_ptr<JobStream> stream_;
  std::string failure_;
};

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

bool RenderingPrinter::Embeddable(const ArialFace& face) {
  const auto [known, added] = embeddable_.try_emplace(&face, false);
  if (added) known->second = PdfCanvas::CanEmbed(face);
  return known->second;
}

bool RenderingPrinter::AsOutlines(const ArialFace& face, double em) {
  switch (settings_.format) {
    case OutputFormat::kPdf: return !Embeddable(face);
    default: return InfoOf(settings_.format).raster && em > kMaxBitmapEm;
  }
}

TextLayout& RenderingPrinter::Layout() {
  if (!text_layout_) {
    // Raster pages are drawn in device pixels; the others in points.
    const SheetSize sheet = SheetOf(settings_.device);
    const bool raster = InfoOf(settings_.format).raster;
    text_layout_.emplace(raster ? 1 : sheet.width_points / sheet.width_pixels,
                         raster ? 1 : sheet.height_points / sheet.height_pixels);
  }
  return *text_layout_;
}

template <typename Draw>
void RenderingPrinter::Guarded(Draw draw) {
  if (canvas_ == nullptr) return;
  try {
    draw();
  } catch (const std::bad_alloc&) {
    return FailJob("out of memory");
  }
  if (const Status status = canvas_->status(); !status.ok()) FailJob(status.message());
}

void RenderingPrinter::FailJob(std::string_view reason) {
  canvas_.reset();
  if (failure_) return;
  // A job on a printer is cancelled at once.
  std::unique_ptr<WatchedStream> stream = std::move(stream_);
  if (stream != nullptr && !stream->failure().empty()) {
    failure_ = stream->failure();
    return;
  }
  failure_ = delivery_.NextTarget() + ": cannot render " +
             (pages_ > 0 ? "page " + std::to_string(pages_) + " of " : std::string()) + kJobName +
             ": " + std::string(reason);
}

void RenderingPrinter::StartDocument() {
  if (document_open_) return;
  document_open_ = true;
  ++jobs_started_;
  pages_ = 0;
  failure_.reset();
  try {
    if (settings_.format == OutputFormat::kPdf) {
      canvas_ = std::make_unique<PdfCanvas>(settings_.device, kJobName, settings_.created);
    } else if (!InfoOf(settings_.format).streamed) {
      canvas_ = std::make_unique<CairoCanvas>(settings_.device, settings_.format, kJobName);
    } else {
      StartStream();
    }
  } catch (const std::bad_alloc&) {
    FailJob("out of memory");
  }
}

void RenderingPrinter::StartStream() {
  RasterOptions raster = settings_.raster;
  if (jobs_started_ <= expected_pages_.size()) raster.pages = expected_pages_[jobs_started_ - 1];
  std::unique_ptr<JobStream> stream;
  if (const Status started = delivery_.StartJob(kJobName, raster.pages, &stream); !started.ok()) {
    failure_ = started.message();
    return;
  }
  stream_ = std::make_unique<WatchedStream>(std::move(stream));
  canvas_ = std::make_unique<CairoCanvas>(settings_.device, settings_.format, kJobName, raster,
                                          stream_.get());
}

void RenderingPrinter::StartPage() {
  if (!document_open_ || page_open_) return;
  ++pages_;
  ink_.Clear();
  page_open_ = true;
  Guarded([this] { canvas_->StartPage(); });
}

void RenderingPrinter::EndPage() {
  if (!page_open_) return;
  Guarded([this] { canvas_->EndPage(); });
  page_open_ = false;
  if (canvas_ != nullptr) events_.PageRendered();
}

void RenderingPrinter::EndDocument() {
  if (!document_open_) return;
  EndPage();
  document_open_ = false;
  Status delivered = Status::Ok();
  if (canvas_ != nullptr) {
    try {
      std::vector<JobFile> files;
      const Status rendered = canvas_->Finish(&files);
      canvas_.reset();
      if (!rendered.ok()) FailJob(rendered.message());
      if (!failure_) {
        delivered = stream_ != nullptr ? stream_->Finish(pages_)
                                       : delivery_.Deliver(kJobName, pages_, files);
      }
    } catch (const std::bad_alloc&) {
      FailJob("out of memory");
    }
  }
  // A job that failed is discarded with its stream.
  stream_.reset();
  pages_ = 0;
  if (failure_) delivered = Status::Error(*std::exchange(failure_, std::nullopt));
  if (delivered.ok()) {
    events_.JobDelivered();
  } else {
    all_delivered_ = false;
    events_.JobFailed(delivered.message());
  }
}

void RenderingPrinter::MeasureText(const ArialFace& face, double em, const WideString& text,
                                   TextLayout::Pen origin, double* advance,
                                   std::optional<InkBox>* ink) {
  TextLayout::Pen pen = origin;
  size_t from = 0;
  do {
    const size_t to = TextPieceEnd(text, from);
    Layout().LayOut(face, em, std::basic_string_view<WideChar>(text).substr(from, to - from), &pen,
                    &run_);
    if (run_.ink) *ink = *ink ? (*ink)->Including(*run_.ink) : *run_.ink;
    from = to;
  } while (from < text.size());
  *advance = pen.x - origin.x;
}

void RenderingPrinter::DrawTextPieces(const ArialFace& face, double em, const WideString& text,
                                      TextLayout::Pen origin, bool as_outlines) {
  if (text.size() <= kTextPiece) return canvas_->DrawText(face, em, run_, as_outlines);
  const SheetSize sheet = SheetOf(settings_.device);
  const InkBox sheet_box = {0, 0, sheet.width_pixels, sheet.height_pixels};
  TextLayout::Pen pen = origin;
  for (size_t from = 0; from < text.size();) {
    const size_t to = TextPieceEnd(text, from);
    const double start = pen.x;
    Layout().LayOut(face, em, std::basic_string_view<WideChar>(text).substr(from, to - from), &pen,
                    &run_);
    // The piece's glyphs and its pen's way, one em above and below.
    InkBox reach = InkBox::Spanning(start, pen.y - em, pen.x, pen.y + em);
    if (run_.ink) reach = reach.Including(*run_.ink);
    if (reach.Overlaps(sheet_box)) canvas_->DrawText(face, em, run_, as_outlines);
    from = to;
  }
}

void RenderingPrinter::OutputText(DevicePoint at, const FontSpec& font, const WideString& text) {
  const ArialFace& face = faces_.Get(font.weight, font.italic);
  if (!page_open_ || face.face == nullptr || canvas_ == nullptr || !TextIsDrawn(at, font)) return;
  const TextCell cell = CellForFontHeight(font.height, face.metrics, settings_.device.dpi);
  const std::optional<TextLayout::Pen> origin = Layout().Origin(cell.em, at.x, at.y + cell.ascent);
  if (!origin) return;
  Guarded([&] {
    double advance = 0;
    std::optional<InkBox> ink;
    MeasureText(face, cell.em, text, *origin, &advance, &ink);
    const InkBox cell_box = InkBox::Spanning(at.x, at.y, at.x + advance, at.y + cell.height);
    if (!white_page_ || ink_.Touches(cell_box)) {
      canvas_->FillWhite(cell_box);
    }
    if (ink) ink_.Add(*ink);
    DrawTextPieces(face, cell.em, text, *origin, AsOutlines(face, cell.em));
  });
}

void RenderingPrinter::DrawSegment(DevicePoint from, DevicePoint to) {
  if (!page_open_ || !SegmentIsDrawn(from, to)) return;
  Guarded([&] {
    // The pixels the segment covers, with its square caps.
    ink_.Add(InkBox::Spanning(from.x, from.y, to.x, to.y).Grown(1.5));
    canvas_->DrawSegment(from, to);
  });
}

std::unique_ptr<Picture> RenderingPrinter::LoadPicture(const WideString& path) {
  std::string file = ToUtf8(path);
  events_.ImageRead(file);
  LoadedImage image;
  try {
    image = LoadImageFile(file);
  } catch (const std::bad_alloc&) {
    image.fault = ImageFault::kNoMemory;
  }
  if (IsReported(image.fault) && reported_images_.insert(file).second) {
    events_.Warn(file + ": " + DescribeImageFault(image) + ", not drawn");
  }
  return std::make_unique<LoadedPicture>(std::move(image.image));
}

void RenderingPrinter::DrawPicture(Picture& picture, const ImageRect& rect) {
  const std::shared_ptr<const DecodedImage>& image = static_cast<LoadedPicture&>(picture).image;
  const int dpi = settings_.device.dpi;
  if (!page_open_ || image == nullptr || rect.width == 0 || rect.height == 0 ||
      !ImageIsDrawn(rect, dpi)) {
    return;
  }
  const ImagePlace place = {ImageUnitsToPixels(rect.x, dpi), ImageUnitsToPixels(rect.y, dpi),
                            ImageUnitsToPixels(rect.width, dpi),
                            ImageUnitsToPixels(rect.height, dpi)};
  Guarded([&] {
    // The rectangle, and the pixels its smoothed edges reach.
    ink_.Add(
        InkBox::Spanning(place.x, place.y, place.x + place.width, place.y + place.height).Grown(1));
    canvas_->DrawImage(image, place);
  });
}

}  // namespace quarvel
