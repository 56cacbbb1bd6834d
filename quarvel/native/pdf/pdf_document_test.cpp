#include "native/pdf/pdf_document.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "native/pdf/pdf_fonts.h"
#include "native/pdf/test_font.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

int Occurrences(std::string_view text, std::string_view part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// What `command` prints for the file `pdf`, written to document.pdf; its
// exit status in `*status`.
std::string RunOnFile(const std::string& command, const std::string& pdf, int* status) {
  WriteFileBytes("document.pdf", pdf);
  FILE* out = popen((command + " document.pdf 2>&1").c_str(), "r");
  std::string printed;
  char buffer[4096];
  for (size_t read; (read = fread(buffer, 1, sizeof buffer, out)) > 0;)
    printed.append(buffer, read);
  *status = pclose(out);
  return printed;
}

// The widths of a CID font's W array, by code.
std::map<int, std::string> Widths(const std::string& pdf) {
  std::smatch array;
  std::map<int, std::string> widths;
  if (!std::regex_search(pdf, array, std::regex(R"(/W \[(.*)\]>>)"))) return widths;
  std::istringstream in(array[1].str());
  for (int code; in >> code;) {
    std::string width;
    in >> width;  // "[first"
    for (width.erase(0, 1);; ++code) {
      const bool last = width.back() == ']';
      if (last) width.pop_back();
      widths[code] = width;
      if (last || !(in >> width)) break;
    }
  }
  return widths;
}

// Guards against text that shows the right glyphs but copies out as other
// characters, or is set with other widths than the face's. In Liberation
// Sans, the glyphs of "E", "F" and "y" have the indices of a string's
// parentheses and its backslash, and a hyphen and a soft hyphen share a
// glyph, which each keep a code of their own.
TEST(PdfDocumentTest, TextCopiesOutAsShownWithTheFacesWidths) {
  ScopedTempDir temp_dir;
  const TestFont font;
  ASSERT_NE(font.face(), nullptr) << TestFont::kPath;
  const FT_Face face = font.face();
  PdfDocument document({612, 792, 612, 792}, "Text", 0);
  document.StartPage();
  std::vector<PdfGlyph> glyphs;
  double x = 72;
  for (const char32_t c : std::u32string(U"EFy a-b\u00ADc \u010D\u20AC")) {
    const auto index = static_cast<uint16_t>(FT_Get_Char_Index(face, c));
    glyphs.push_back({index, c, x, 100});
    FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE);
    x += 12.0 * face->glyph->advance.x / face->units_per_EM;
  }
  document.ShowText(face, 12, glyphs);
  document.EndPage();
  const std::string pdf = document.Finish();

  int status = 0;
  EXPECT_EQ(RunOnFile("pdftotext -q", pdf, &status), "");
  EXPECT_EQ(ReadFileBytes("document.txt"), "EFy a-b\u00ADc \u010D\u20AC\n\n\f");
  const std::map<int, std::string> widths = Widths(pdf);
  for (const PdfGlyph& glyph : glyphs) {
    FT_Load_Glyph(face, glyph.index, FT_LOAD_NO_SCALE);
    std::string expected;
    AppendNumber(1000.0 * face->glyph->advance.x / face->units_per_EM, &expected);
    ASSERT_TRUE(widths.contains(glyph.index)) << glyph.index;
    EXPECT_EQ(widths.at(glyph.index), expected) << glyph.index;
  }
  EXPECT_EQ(widths.size(), glyphs.size() - 1) << "the two spaces are one code";
  const auto soft_hyphen = static_cast<int>(face->num_glyphs);
  ASSERT_TRUE(widths.contains(soft_hyphen)) << "the soft hyphen's code, after the glyphs";
  EXPECT_EQ(widths.at(soft_hyphen), widths.at(glyphs[5].index)) << "the hyphen's width";
  EXPECT_EQ(Occurrences(pdf, "/CIDToGIDMap /Identity"), 0) << "codes beyond the glyphs need a map";
}

// Guards against a face that the writer cannot draw sending the job to
// another writer (cairo's, with its own fonts and dates): TrueType and CFF
// faces are embedded and copy out, and a face of neither is drawn as its
// outlines.
TEST(PdfDocumentTest, EveryFaceIsDrawnByTheWriter) {
  ScopedTempDir temp_dir;
  const struct {
    const char* path;
    bool embedded;
  } kFaces[] = {
      {TestFont::kPath, true},
      {"/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf", true},
      {"/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1", false},
  };
  for (const auto& kind : kFaces) {
    const TestFont font(kind.path);
    ASSERT_NE(font.face(), nullptr) << kind.path;
    ASSERT_EQ(PdfFonts::CanEmbed(font.face()), kind.embedded) << kind.path;
    PdfDocument document({612, 792, 612, 792}, "Faces", 0);
    document.StartPage();
    std::vector<PdfGlyph> glyphs;
    double x = 72;
    for (const char32_t c : std::u32string(U"Ink \u010D")) {
      const auto index = static_cast<uint16_t>(FT_Get_Char_Index(font.face(), c));
      glyphs.push_back({index, c, x, 100});
      FT_Load_Glyph(font.face(), index, FT_LOAD_NO_SCALE);
      x += 40.0 * font.face()->glyph->advance.x / font.face()->units_per_EM;
    }
    if (kind.embedded) {
      document.ShowText(font.face(), 40, glyphs);
    } else {
      document.FillGlyphOutlines(font.face(), 40, glyphs);
    }
    document.EndPage();
    const std::string pdf = document.Finish();
    int status = 0;
    const std::string checked = RunOnFile("qpdf --check", pdf, &status);
    EXPECT_EQ(status, 0) << kind.path << checked;
    RunOnFile("pdftotext -q", pdf, &status);
    EXPECT_EQ(ReadFileBytes("document.txt").starts_with("Ink \u010D"), kind.embedded) << kind.path;
    const std::string page = RunOnFile("pdftoppm -q -r 36 -gray", pdf, &status);
    EXPECT_GT(std::count_if(page.begin() + 20, page.end(),
                            [](char level) { return static_cast<uint8_t>(level) < 0x80; }),
              10)
        << kind.path << ": dark pixels";
  }
}

// Guards against a face without glyphs taken for one to embed, as a font
// whose maxp table runs past its end is to FreeType and the subsetter: each
// glyph shown with it would be noted beyond its glyphs.
TEST(PdfDocumentTest, AFaceWithoutGlyphsIsNotEmbedded) {
  ScopedTempDir temp_dir;
  std::string font = ReadFileBytes(TestFont::kPath);
  const size_t tables = uint8_t(font[4]) << 8 | uint8_t(font[5]);
  for (size_t entry = 12; entry < 12 + 16 * tables; entry += 16) {
    if (font.compare(entry, 4, "maxp") == 0) font[entry + 13] = '\xFF';  // its length
  }
  WriteFileBytes("glyphless.ttf", font);
  const TestFont glyphless("glyphless.ttf");
  ASSERT_NE(glyphless.face(), nullptr);
  ASSERT_EQ(glyphless.face()->num_glyphs, 0);
  EXPECT_FALSE(PdfFonts::CanEmbed(glyphless.face()));
}

// Guards against an image embedded once per use, and against a document
// that a reader refuses: one without pages, or whose objects do not check.
TEST(PdfDocumentTest, AnImageIsEmbeddedOncePerIdAndTheFileChecks) {
  ScopedTempDir temp_dir;
  const uint8_t samples[] = {0x33, 0x66, 0x99, 0xFF, 0x80, 0x40, 0x20, 0x80};
  const PdfImage image = {2, 1, 3, true, samples, "", {}};
  PdfDocument document({595, 842, 4961, 7016}, "Images", 0);
  document.StartPage();
  for (const char* id : {"a", "b", "a", "", ""}) document.DrawImage(image, id, 10, 20, 200, -100);
  document.EndPage();
  const std::string pdf = document.Finish();
  EXPECT_EQ(Occurrences(pdf, "/Subtype /Image"), 4 + 4) << "four images, each with its mask";
  int status = 0;
  const std::string checked = RunOnFile("qpdf --check", pdf, &status);
  EXPECT_EQ(status, 0) << checked;
  EXPECT_NE(checked.find("No syntax or stream encoding errors"), std::string::npos) << checked;

  const std::string empty = PdfDocument({612, 792, 612, 792}, "Empty", 1796704800).Finish();
  EXPECT_EQ(Occurrences(empty, "/Count 1>>"), 1) << "one blank page";
  EXPECT_EQ(Occurrences(empty, "/CreationDate (D:20261208044000Z) /ModDate (D:20261208044000Z)"),
            1);
}

}  // namespace
}  // namespace quarvel
