#include "native/pdf/pdf_fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include FT_ADVANCES_H

#include <cstdio>
#include <set>

namespace quarvel {

namespace {

// The flags of a font descriptor: a font whose glyphs are named by index,
// not by the standard Latin names, and italic.
constexpr int kSymbolic = 1 << 2;
constexpr int kItalic = 1 << 6;
// The most mappings in one block of a character map.
constexpr size_t kMappingsPerBlock = 100;

// A number of font units in thousandths of the em.
double Thousandths(double units, FT_Face face) { return units * 1000 / face->units_per_EM; }

void AppendHex16(uint32_t value, std::string* out) {
  char digits[5];
  std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(value & 0xFFFF));
  out->append(digits, 4);
}

// Appends `c` as UTF-16 in hexadecimal, in angle brackets.
void AppendUtf16Hex(char32_t c, std::string* out) {
  *out += '<';
  if (c >= 0x10000) {
    AppendHex16(0xD800 + ((c - 0x10000) >> 10), out);
    AppendHex16(0xDC00 + ((c - 0x10000) & 0x3FF), out);
  } else {
    AppendHex16(c, out);
  }
  *out += '>';
}

// The name of a subset: six capital letters made from its font program, so
// that subsets of other glyphs have other names, a plus sign, and the
// face's PostScript name.
std::string SubsetName(std::string_view program, FT_Face face) {
  uint64_t hash = 0xCBF29CE484222325;  // FNV-1a
  for (const char byte : program) hash = (hash ^ static_cast<uint8_t>(byte)) * 0x100000001B3;
  std::string name(6, 'A');
  for (char& letter : name) {
    letter = static_cast<char>('A' + hash % 26);
    hash /= 26;
  }
  const char* postscript = FT_Get_Postscript_Name(face);
  return name + "+" + (postscript != nullptr ? postscript : "Arial");
}

// The whole font file of `face`, as FreeType reads it; empty for a face
// that is not in one (not SFNT).
std::string ProgramOf(FT_Face face) {
  FT_ULong length = 0;
  if (!FT_IS_SFNT(face) || FT_Load_Sfnt_Table(face, 0, 0, nullptr, &length) != 0) return "";
  std::string program(length, '\0');
  if (FT_Load_Sfnt_Table(face, 0, 0, reinterpret_cast<FT_Byte*>(program.data()), &length) != 0) {
    return "";
  }
  return program;
}

// The index of `face` in its font file.
unsigned IndexOf(FT_Face face) { return static_cast<unsigned>(face->face_index & 0xFFFF); }

}  // namespace

bool PdfFonts::CanEmbed(FT_FaceRec_* face) {
  // A variable font's instance is not its default outlines, which are all
  // that a subset holds.
  if (face == nullptr || FT_HAS_MULTIPLE_MASTERS(face) || face->face_index >> 16 != 0 ||
      face->units_per_EM == 0 || face->num_glyphs <= 0) {
    return false;
  }
  const std::string program = ProgramOf(face);
  return OutlinesOf(program, IndexOf(face)) != FontOutlines::kNone &&
         SubsetFont(program, IndexOf(face), {}, {}).has_value();
}

int PdfFonts::FontOf(FT_FaceRec_* face) {
  for (size_t i = 0; i < fonts_.size(); ++i) {
    if (fonts_[i].face == face) return static_cast<int>(i) + 1;
  }
  const auto glyphs = static_cast<size_t>(face->num_glyphs);
  std::string program = ProgramOf(face);
  const FontOutlines outlines = OutlinesOf(program, IndexOf(face));
  fonts_.push_back({face,
                    file_.NewObject(),
                    std::move(program),
                    outlines,
                    glyphs,
                    std::vector<char32_t>(glyphs, kNotShown),
                    std::vector<double>(glyphs, 0),
                    {},
                    {}});
  return static_cast<int>(fonts_.size());
}

PdfFonts::Shown PdfFonts::Show(int font, uint16_t glyph, char32_t c) {
  Font& noted = fonts_[font - 1];
  if (glyph >= noted.glyph_count) glyph = 0;
  char32_t& stands_for = noted.characters[glyph];
  if (stands_for == c) return {glyph, noted.advances[glyph]};
  if (stands_for != kNotShown) {
    if (noted.outlines == FontOutlines::kCff) return {glyph, noted.advances[glyph]};
    return ShareGlyph(noted, glyph, c);
  }
  stands_for = c;
  FT_Fixed advance = 0;
  FT_Get_Advance(noted.face, glyph, FT_LOAD_NO_SCALE, &advance);
  noted.advances[glyph] = Thousandths(static_cast<double>(advance), noted.face);
  return {glyph, noted.advances[glyph]};
}

PdfFonts::Shown PdfFonts::ShareGlyph(Font& font, uint16_t glyph, char32_t c) {
  const auto [code, added] = font.shared_codes.try_emplace({glyph, c}, 0);
  if (added) {
    // Beyond the last code, the character copies out as the glyph's first.
    if (font.characters.size() == kCodes) {
      font.shared_codes.erase(code);
      return {glyph, font.advances[glyph]};
    }
    code->second = static_cast<uint16_t>(font.characters.size());
    font.characters.push_back(c);
    font.advances.push_back(font.advances[glyph]);
    font.shared_glyphs.push_back(glyph);
  }
  return {code->second, font.advances[code->second]};
}

void PdfFonts::AppendResources(std::string* out) const {
  for (size_t i = 0; i < fonts_.size(); ++i) {
    *out += " /F" + std::to_string(i + 1) + ' ' + std::to_string(fonts_[i].object) + " 0 R";
  }
}

void PdfFonts::WriteAll() {
  for (const Font& font : fonts_) Write(font);
}

void PdfFonts::Write(const Font& font) {
  std::vector<uint16_t> shown;
  std::set<uint16_t> glyphs;
  std::set<char32_t> characters;
  for (size_t code = 0; code < font.characters.size(); ++code) {
    if (font.characters[code] == kNotShown) continue;
    shown.push_back(static_cast<uint16_t>(code));
    glyphs.insert(font.GlyphOf(code));
    characters.insert(font.characters[code]);
  }
  const std::string subset =
      SubsetFont(font.program, IndexOf(font.face), glyphs, characters).value_or("");
  const std::string name = SubsetName(subset, font.face);
  const int descendant = file_.NewObject();
  const int to_unicode = file_.NewObject();
  const std::string base = "/BaseFont /" + name;
  file_.WriteObject(font.object, "<</Type /Font /Subtype /Type0 " + base +
                                     " /Encoding /Identity-H /DescendantFonts [" +
                                     std::to_string(descendant) + " 0 R] /ToUnicode " +
                                     std::to_string(to_unicode) + " 0 R>>");
  const int descriptor = WriteDescriptor(font, name, subset);
  std::string glyph_map;
  if (font.outlines == FontOutlines::kTrueType) {
    glyph_map = " /CIDToGIDMap /Identity";
    if (!font.shared_glyphs.empty()) {
      const int stream = file_.NewObject();
      file_.WriteStream(stream, "", CodesToGlyphs(font));
      glyph_map = " /CIDToGIDMap " + std::to_string(stream) + " 0 R";
    }
  }
  file_.WriteObject(
      descendant,
      std::string("<</Type /Font /Subtype ") +
          (font.outlines == FontOutlines::kCff ? "/CIDFontType0 " : "/CIDFontType2 ") + base +
          " /CIDSystemInfo <</Registry (Adobe) /Ordering (Identity) /Supplement 0>>"
          " /FontDescriptor " +
          std::to_string(descriptor) + " 0 R" + glyph_map + " /W [" + Widths(font, shown) + "]>>");
  file_.WriteStream(to_unicode, "", ToUnicode(font, shown));
}

std::string PdfFonts::Widths(const Font& font, const std::vector<uint16_t>& shown) {
  std::string widths;
  for (size_t i = 0; i < shown.size(); ++i) {
    const bool run_goes_on = i > 0 && shown[i] == shown[i - 1] + 1;
    if (!run_goes_on) {
      if (i > 0) widths += "] ";
      widths += std::to_string(shown[i]) + " [";
    } else {
      widths += ' ';
    }
    AppendNumber(font.advances[shown[i]], &widths);
  }
  return shown.empty() ? widths : widths + "]";
}

std::string PdfFonts::CodesToGlyphs(const Font& font) {
  std::string map;
  map.reserve(font.characters.size() * 2);
  for (size_t code = 0; code < font.characters.size(); ++code) {
    const uint16_t glyph = font.GlyphOf(code);
    map += static_cast<char>(glyph >> 8);
    map += static_cast<char>(glyph & 0xFF);
  }
  return map;
}

std::string PdfFonts::ToUnicode(const Font& font, const std::vector<uint16_t>& shown) {
  std::string map =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo <</Registry (Adobe) /Ordering (UCS) /Supplement 0>> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  for (size_t start = 0; start < shown.size(); start += kMappingsPerBlock) {
    const size_t end = std::min(shown.size(), start + kMappingsPerBlock);
    map += std::to_string(end - start) + " beginbfchar\n";
    for (size_t i = start; i < end; ++i) {
      AppendUtf16Hex(shown[i], &map);
      map += ' ';
      AppendUtf16Hex(font.characters[shown[i]], &map);
      map += '\n';
    }
    map += "endbfchar\n";
  }
  return map + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

int PdfFonts::WriteDescriptor(const Font& font, std::string_view name, const std::string& subset) {
  FT_Face face = font.face;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
  const double italic_angle = post != nullptr ? static_cast<double>(post->italicAngle) / 65536 : 0;
  const double cap_height = os2 != nullptr && os2->version >= 2 ? os2->sCapHeight : face->ascender;
  std::string descriptor = "<</Type /FontDescriptor /FontName /" + std::string(name) + " /Flags " +
                           std::to_string(kSymbolic | (italic_angle != 0 ? kItalic : 0)) +
                           " /FontBBox [";
  for (const FT_Pos edge : {face->bbox.xMin, face->bbox.yMin, face->bbox.xMax, face->bbox.yMax}) {
    AppendNumber(Thousandths(static_cast<double>(edge), face), &descriptor);
    descriptor += ' ';
  }
  descriptor += "] /ItalicAngle ";
  AppendNumber(italic_angle, &descriptor);
  descriptor += " /Ascent ";
  AppendNumber(Thousandths(face->ascender, face), &descriptor);
  descriptor += " /Descent ";
  AppendNumber(Thousandths(face->descender, face), &descriptor);
  descriptor += " /CapHeight ";
  AppendNumber(Thousandths(cap_height, face), &descriptor);
  descriptor += " /StemV 80";
  if (font.outlines == FontOutlines::kTrueType && !subset.empty()) {
    const int program = file_.NewObject();
    file_.WriteStream(program, "/Length1 " + std::to_string(subset.size()), subset);
    descriptor += " /FontFile2 " + std::to_string(program) + " 0 R";
  } else if (const std::optional<std::string> cff = FontTable(subset, "CFF ")) {
    const int program = file_.NewObject();
    file_.WriteStream(program, "/Subtype /CIDFontType0C", *cff);
    descriptor += " /FontFile3 " + std::to_string(program) + " 0 R";
  }
  const int number = file_.NewObject();
  file_.WriteObject(number, descriptor + ">>");
  return number;
}

}  // namespace quarvel
