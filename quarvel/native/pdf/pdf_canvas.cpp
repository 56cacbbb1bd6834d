#include "native/pdf/pdf_canvas.h"

#include <cmath>

#include "native/image_file.h"
#include "native/pdf/pdf_images.h"

namespace quarvel {

namespace {

// The smallest shift between glyphs, in thousandths of the em, that text
// tells a reader of; smaller ones are rounding.
constexpr double kLeastShift = 0.05;

}  // namespace

bool PdfCanvas::CanDraw(const ArialFace& face) { return PdfFonts::CanEmbed(face.freetype); }

PdfCanvas::PdfCanvas(const Device& device, std::string_view title)
    : sheet_(SheetOf(device)),
      title_(title),
      fonts_(file_),
      pages_object_(file_.NewObject()),
      resources_object_(file_.NewObject()),
      layout_surface_(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1)),
      layout_(cairo_create(layout_surface_)) {
  UseUnhintedFonts(layout_);
  cairo_scale(layout_, sheet_.width_points / sheet_.width_pixels,
              sheet_.height_points / sheet_.height_pixels);
}

PdfCanvas::~PdfCanvas() {
  cairo_destroy(layout_);
  cairo_surface_destroy(layout_surface_);
}

void PdfCanvas::StartPage() {
  content_.clear();
  // Points a pixel, to a billionth: a page of 254 dpi put in thousandths
  // moved its bottom edge by a point.
  AppendNumber(sheet_.width_points / sheet_.width_pixels, &content_, 9);
  content_ += " 0 0 ";
  AppendNumber(-sheet_.height_points / sheet_.height_pixels, &content_, 9);
  content_ += " 0 ";
  AppendNumber(sheet_.height_points, &content_);
  content_ += " cm 2 J\n";
  gray_ = 0;
}

void PdfCanvas::EndPage() {
  const int contents = file_.NewObject();
  file_.WriteStream(contents, "", content_);
  const int page = file_.NewObject();
  std::string dictionary = "<</Type /Page /Parent " + std::to_string(pages_object_) +
                           " 0 R /MediaBox [0 0 ";
  AppendNumber(sheet_.width_points, &dictionary);
  dictionary += ' ';
  AppendNumber(sheet_.height_points, &dictionary);
  dictionary += "] /Resources " + std::to_string(resources_object_) + " 0 R /Contents " +
                std::to_string(contents) + " 0 R>>";
  file_.WriteObject(page, dictionary);
  pages_.push_back(page);
}

std::vector<JobFile> PdfCanvas::Finish() {
  // A reader refuses a document without pages; a job without any is one
  // blank page.
  if (pages_.empty()) {
    StartPage();
    EndPage();
  }
  fonts_.WriteAll();
  std::string resources = "<</Font <<";
  fonts_.AppendResources(&resources);
  resources += ">> /XObject <<";
  for (size_t i = 0; i < images_.size(); ++i) {
    resources += " /I" + std::to_string(i + 1) + ' ' + std::to_string(images_[i]) + " 0 R";
  }
  file_.WriteObject(resources_object_, resources + ">>>>");
  std::string kids;
  for (const int page : pages_) kids += std::to_string(page) + " 0 R ";
  file_.WriteObject(pages_object_, "<</Type /Pages /Kids [" + kids + "] /Count " +
                                       std::to_string(pages_.size()) + ">>");
  const int catalog = file_.NewObject();
  file_.WriteObject(catalog, "<</Type /Catalog /Pages " + std::to_string(pages_object_) + " 0 R>>");
  const int info = file_.NewObject();
  std::string information = "<</Title ";
  AppendLiteralString(title_, &information);
  file_.WriteObject(info, information + " /Creator (quarvel) /Producer (quarvel)>>");
  std::vector<JobFile> files;
  files.push_back({0, file_.Finish(catalog, info)});
  return files;
}

void PdfCanvas::SetGray(int gray) {
  if (gray == gray_) return;
  gray_ = gray;
  content_ += gray == 0 ? "0 g\n" : "1 g\n";
}

void PdfCanvas::AppendPoint(double x, double y) {
  AppendNumber(x, &content_);
  content_ += ' ';
  AppendNumber(y, &content_);
  content_ += ' ';
}

void PdfCanvas::FillWhite(const InkBox& box) {
  SetGray(1);
  AppendPoint(box.left, box.top);
  AppendPoint(box.right - box.left, box.bottom - box.top);
  content_ += "re f\n";
}

void PdfCanvas::DrawText(const ArialFace& face, const KeptFont& font, const GlyphRun& run, bool) {
  if (run.glyphs.empty()) return;
  cairo_matrix_t matrix;
  cairo_scaled_font_get_font_matrix(font.font(), &matrix);
  const double em = matrix.xx;
  const int number = fonts_.FontOf(face.freetype);
  SetGray(0);
  content_ += "BT /F";
  AppendInteger(number, &content_);
  content_ += " 1 Tf ";
  AppendNumber(em, &content_);
  content_ += " 0 0 ";
  AppendNumber(-em, &content_);
  content_ += ' ';
  AppendPoint(run.glyphs.front().x, run.glyphs.front().y);
  content_ += "Tm [(";
  // Where the reader's pen is, after the glyphs so far and their advances.
  double pen = run.glyphs.front().x;
  for (size_t i = 0; i < run.glyphs.size(); ++i) {
    const cairo_glyph_t& glyph = run.glyphs[i];
    const double shift = (pen - glyph.x) * 1000 / em;
    if (std::abs(shift) >= kLeastShift) {
      content_ += ") ";
      AppendNumber(shift, &content_);
      content_ += " (";
      pen = glyph.x;
    }
    const PdfFonts::Shown shown =
        fonts_.Show(number, static_cast<uint16_t>(glyph.index), run.characters[i]);
    const char code[2] = {static_cast<char>(shown.code >> 8), static_cast<char>(shown.code)};
    AppendStringBytes({code, 2}, &content_);
    pen += shown.advance * em / 1000;
  }
  content_ += ")] TJ ET\n";
}

void PdfCanvas::DrawSegment(DevicePoint from, DevicePoint to) {
  AppendPoint(from.x + 0.5, from.y + 0.5);
  content_ += "m ";
  AppendPoint(to.x + 0.5, to.y + 0.5);
  content_ += "l S\n";
}

int PdfCanvas::ImageNumber(cairo_surface_t* image) {
  const std::string id(MimeDataOf(image, CAIRO_MIME_TYPE_UNIQUE_ID));
  if (!id.empty()) {
    if (const auto found = image_numbers_.find(id); found != image_numbers_.end()) {
      return found->second;
    }
  }
  images_.push_back(WriteImage(file_, image));
  const int number = static_cast<int>(images_.size());
  if (!id.empty()) image_numbers_.emplace(id, number);
  return number;
}

void PdfCanvas::DrawImage(cairo_surface_t* image, const ImagePlace& place) {
  const int number = ImageNumber(image);
  content_ += "q ";
  AppendNumber(place.width, &content_);
  content_ += " 0 0 ";
  AppendNumber(-place.height, &content_);
  content_ += ' ';
  AppendPoint(place.x, place.y + place.height);
  content_ += "cm /I";
  AppendInteger(number, &content_);
  content_ += " Do Q\n";
}

}  // namespace quarvel
