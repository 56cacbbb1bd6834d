#include "native/pdf/pdf_document.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <ctime>

namespace quarvel {

namespace {

// The smallest shift between glyphs, in thousandths of the em, that text
// tells a reader of; smaller ones are rounding.
constexpr double kLeastShift = 0.05;

// Writes the outline of a glyph as PDF path operators, in user space: the
// glyph's origin and its font units' size there, y growing downward.
class OutlineWriter {
 public:
  OutlineWriter(std::string* out, double x, double y, double scale)
      : out_(out), x_(x), y_(y), scale_(scale) {}

  // Appends the outline of the glyph loaded in `face`; false when it has
  // none, or one that FreeType cannot walk.
  bool Write(FT_Face face) {
    if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    static const FT_Outline_Funcs kFuncs = {MoveTo, LineTo, ConicTo, CubicTo, 0, 0};
    return FT_Outline_Decompose(&face->glyph->outline, &kFuncs, this) == 0;
  }

 private:
  void Point(const FT_Vector* point) {
    AppendNumber(x_ + static_cast<double>(point->x) * scale_, out_);
    *out_ += ' ';
    AppendNumber(y_ - static_cast<double>(point->y) * scale_, out_);
    *out_ += ' ';
  }
  static int MoveTo(const FT_Vector* to, void* self) {
    auto* writer = static_cast<OutlineWriter*>(self);
    writer->Point(to);
    *writer->out_ += "m\n";
    writer->last_ = *to;
    return 0;
  }
  static int LineTo(const FT_Vector* to, void* self) {
    auto* writer = static_cast<OutlineWriter*>(self);
    writer->Point(to);
    *writer->out_ += "l\n";
    writer->last_ = *to;
    return 0;
  }
  // A quadratic curve, as the cubic curve that draws it.
  static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* self) {
    auto* writer = static_cast<OutlineWriter*>(self);
    const FT_Vector& from = writer->last_;
    const FT_Vector first = {from.x + (control->x - from.x) * 2 / 3,
                             from.y + (control->y - from.y) * 2 / 3};
    const FT_Vector second = {to->x + (control->x - to->x) * 2 / 3,
                              to->y + (control->y - to->y) * 2 / 3};
    return CubicTo(&first, &second, to, self);
  }
  static int CubicTo(const FT_Vector* first, const FT_Vector* second, const FT_Vector* to,
                     void* self) {
    auto* writer = static_cast<OutlineWriter*>(self);
    writer->Point(first);
    writer->Point(second);
    writer->Point(to);
    *writer->out_ += "c\n";
    writer->last_ = *to;
    return 0;
  }

  std::string* out_;
  const double x_;
  const double y_;
  const double scale_;
  FT_Vector last_ = {0, 0};
};

// `time` (seconds since 1970) as a PDF date string, in UTC.
std::string PdfDate(int64_t time) {
  const auto seconds = static_cast<std::time_t>(time);
  std::tm utc = {};
  char date[32] = "D:19700101000000Z";
  if (gmtime_r(&seconds, &utc) != nullptr) std::strftime(date, sizeof date, "D:%Y%m%d%H%M%SZ", &utc);
  return "(" + std::string(date) + ")";
}

}  // namespace

PdfDocument::PdfDocument(const PdfPageSize& size, std::string_view title, int64_t created)
    : size_(size),
      title_(title),
      created_(created),
      fonts_(file_),
      pages_object_(file_.NewObject()),
      resources_object_(file_.NewObject()) {}

void PdfDocument::StartPage() {
  content_.clear();
  // Points a unit, to a billionth: a page of 254 dpi put in thousandths
  // moved its bottom edge by a point.
  AppendNumber(size_.width_points / size_.width_units, &content_, 9);
  content_ += " 0 0 ";
  AppendNumber(-size_.height_points / size_.height_units, &content_, 9);
  content_ += " 0 ";
  AppendNumber(size_.height_points, &content_);
  content_ += " cm 2 J\n";
  gray_ = 0;
}

void PdfDocument::EndPage() {
  const int contents = file_.NewObject();
  file_.WriteStream(contents, "", content_);
  const int page = file_.NewObject();
  std::string dictionary =
      "<</Type /Page /Parent " + std::to_string(pages_object_) + " 0 R /MediaBox [0 0 ";
  AppendNumber(size_.width_points, &dictionary);
  dictionary += ' ';
  AppendNumber(size_.height_points, &dictionary);
  dictionary += "] /Resources " + std::to_string(resources_object_) + " 0 R /Contents " +
                std::to_string(contents) + " 0 R>>";
  file_.WriteObject(page, dictionary);
  pages_.push_back(page);
}

std::string PdfDocument::Finish() {
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
  const std::string date = PdfDate(created_);
  file_.WriteObject(info, information + " /Creator (quarvel) /Producer (quarvel) /CreationDate " +
                              date + " /ModDate " + date + ">>");
  return file_.Finish(catalog, info);
}

void PdfDocument::SetGray(int gray) {
  if (gray == gray_) return;
  gray_ = gray;
  content_ += gray == 0 ? "0 g\n" : "1 g\n";
}

void PdfDocument::AppendPoint(double x, double y) {
  AppendNumber(x, &content_);
  content_ += ' ';
  AppendNumber(y, &content_);
  content_ += ' ';
}

void PdfDocument::FillWhite(double left, double top, double right, double bottom) {
  SetGray(1);
  AppendPoint(left, top);
  AppendPoint(right - left, bottom - top);
  content_ += "re f\n";
}

void PdfDocument::ShowText(FT_FaceRec_* face, double em, std::span<const PdfGlyph> glyphs) {
  if (glyphs.empty()) return;
  const int number = fonts_.FontOf(face);
  SetGray(0);
  content_ += "BT /F";
  AppendInteger(number, &content_);
  content_ += " 1 Tf ";
  AppendNumber(em, &content_);
  content_ += " 0 0 ";
  AppendNumber(-em, &content_);
  content_ += ' ';
  AppendPoint(glyphs.front().x, glyphs.front().y);
  content_ += "Tm [(";
  // Where the reader's pen is, after the glyphs so far and their advances.
  double pen = glyphs.front().x;
  for (const PdfGlyph& glyph : glyphs) {
    const double shift = (pen - glyph.x) * 1000 / em;
    if (std::abs(shift) >= kLeastShift) {
      content_ += ") ";
      AppendNumber(shift, &content_);
      content_ += " (";
      pen = glyph.x;
    }
    const PdfFonts::Shown shown = fonts_.Show(number, glyph.index, glyph.character);
    const char code[2] = {static_cast<char>(shown.code >> 8), static_cast<char>(shown.code)};
    AppendStringBytes({code, 2}, &content_);
    pen += shown.advance * em / 1000;
  }
  content_ += ")] TJ ET\n";
}

void PdfDocument::FillGlyphOutlines(FT_FaceRec_* face, double em,
                                    std::span<const PdfGlyph> glyphs) {
  if (face->units_per_EM == 0) return;
  SetGray(0);
  const double scale = em / face->units_per_EM;
  bool filled = false;
  for (const PdfGlyph& glyph : glyphs) {
    if (FT_Load_Glyph(face, glyph.index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) continue;
    filled = OutlineWriter(&content_, glyph.x, glyph.y, scale).Write(face) || filled;
  }
  if (filled) content_ += "f\n";
}

void PdfDocument::StrokeLine(double x1, double y1, double x2, double y2) {
  AppendPoint(x1, y1);
  content_ += "m ";
  AppendPoint(x2, y2);
  content_ += "l S\n";
}

int PdfDocument::ImageNumber(const PdfImage& image, std::string_view id) {
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

void PdfDocument::DrawImage(const PdfImage& image, std::string_view id, double x, double y,
                            double width, double height) {
  const int number = ImageNumber(image, id);
  content_ += "q ";
  AppendNumber(width, &content_);
  content_ += " 0 0 ";
  AppendNumber(-height, &content_);
  content_ += ' ';
  AppendPoint(x, y + height);
  content_ += "cm /I";
  AppendInteger(number, &content_);
  content_ += " Do Q\n";
}

}  // namespace quarvel
