// The fonts of one PDF file: each face that its pages show, TrueType or CFF,
// with the glyphs they show and the characters that each stands for,
// embedded as a subset (font_subset.h) once the file ends. Text shows a
// font's characters by two-byte codes (CIDs): a glyph's code is its index in
// the face. In a TrueType face, a character shown by a glyph that already
// stands for another gets a code of its own after them, so that a reader
// copies out each character as it was written; a CFF face's codes are its
// glyphs' indices and nothing else, so there such a character copies out
// as the glyph's first.
#ifndef QUARVEL_NATIVE_PDF_PDF_FONTS_H_
#define QUARVEL_NATIVE_PDF_PDF_FONTS_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "native/pdf/font_subset.h"
#include "native/pdf/pdf_file.h"

struct FT_FaceRec_;

namespace quarvel {

class PdfFonts {
 public:
  // Whether `face` is a TrueType or CFF face with glyphs that can be
  // embedded.
  static bool CanEmbed(FT_FaceRec_* face);

  // Takes the file that the fonts are written into when it ends.
  explicit PdfFonts(PdfFile& file) : file_(file) {}

  // The font of `face`, which must be embeddable and outlive this object,
  // for the resource name "/F<number>"; noted on first use.
  int FontOf(FT_FaceRec_* face);

  // A glyph as text shows it.
  struct Shown {
    uint16_t code = 0;
    double advance = 0;  // in thousandths of the em
  };

  // Notes that font `font` shows `glyph` for the character `c`, and returns
  // the code that shows it.
  Shown Show(int font, uint16_t glyph, char32_t c);

  // Appends the resource entries of every font noted: "/F1 12 0 R ...".
  void AppendResources(std::string* out) const;

  // Writes every font noted into the file.
  void WriteAll();

 private:
  static constexpr char32_t kNotShown = 0xFFFFFFFF;
  static constexpr size_t kCodes = 0x10000;

  struct Font {
    FT_FaceRec_* face;
    int object;
    // The face's font file, and its outlines.
    std::string program;
    FontOutlines outlines;
    // The glyphs of the face.
    size_t glyph_count;
    // What each code shown stands for, by code; kNotShown for the others.
    std::vector<char32_t> characters;
    // The advance of each code shown, by code.
    std::vector<double> advances;
    // The glyphs of the codes from glyph_count on, and those codes by glyph
    // and character.
    std::vector<uint16_t> shared_glyphs;
    std::map<std::pair<uint16_t, char32_t>, uint16_t> shared_codes;

    uint16_t GlyphOf(size_t code) const {
      return code < glyph_count ? static_cast<uint16_t>(code) : shared_glyphs[code - glyph_count];
    }
  };

  // Gives character `c` a code of its own for `glyph`, which shows another.
  static Shown ShareGlyph(Font& font, uint16_t glyph, char32_t c);
  void Write(const Font& font);
  // The widths of the codes `shown`, as a CID font's W array.
  static std::string Widths(const Font& font, const std::vector<uint16_t>& shown);
  // The character map that tells a reader what each code shown stands for.
  static std::string ToUnicode(const Font& font, const std::vector<uint16_t>& shown);
  // The glyph of each code, where some codes are not their glyph's index.
  static std::string CodesToGlyphs(const Font& font);
  // Writes the face's descriptor and the font program `subset`; returns
  // the descriptor's object number.
  int WriteDescriptor(const Font& font, std::string_view name, const std::string& subset);

  PdfFile& file_;
  std::vector<Font> fonts_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PDF_PDF_FONTS_H_
