// The fonts of one PDF file: each TrueType face that its pages show, with
// the glyphs they show and the text that each glyph stands for, embedded as
// a subset once the file ends. Text shows glyphs by their index in the face
// (two bytes each), and a reader copies out the characters they stand for.
#ifndef QUARVEL_NATIVE_PDF_PDF_FONTS_H_
#define QUARVEL_NATIVE_PDF_PDF_FONTS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "native/pdf/pdf_file.h"
#include "native/pdf/truetype_subset.h"

struct FT_FaceRec_;

namespace quarvel {

// The tables of `face`, read through FreeType.
FontTableReader FaceTables(FT_FaceRec_* face);

class PdfFonts {
 public:
  // Whether `face` is a TrueType face that can be embedded.
  static bool CanEmbed(FT_FaceRec_* face);

  // Takes the file that the fonts are written into when it ends.
  explicit PdfFonts(PdfFile& file) : file_(file) {}

  // The font of `face`, which must be embeddable and outlive this object,
  // for the resource name "/F<number>"; noted on first use.
  int FontOf(FT_FaceRec_* face);

  // Notes that font `font` shows `glyph` for the character `c`, unless it
  // was shown before, and returns the glyph's advance in thousandths of the
  // em.
  double Show(int font, uint16_t glyph, char32_t c);

  // Appends the resource entries of every font noted: "/F1 12 0 R ...".
  void AppendResources(std::string* out) const;

  // Writes every font noted into the file.
  void WriteAll();

 private:
  static constexpr char32_t kNotShown = 0xFFFFFFFF;

  struct Font {
    FT_FaceRec_* face;
    int object;
    // What each glyph shown stands for, by glyph index; kNotShown for the
    // others.
    std::vector<char32_t> characters;
    // The advances of the glyphs shown, by glyph index.
    std::vector<double> advances;
  };

  void Write(const Font& font, std::string_view name);
  // The character map that tells a reader what each glyph shown stands for.
  static std::string ToUnicode(const Font& font, const std::vector<uint16_t>& shown);
  // Writes the face's descriptor and its subset; returns the descriptor's
  // object number.
  int WriteDescriptor(const Font& font, std::string_view name, const std::vector<uint16_t>& shown);

  PdfFile& file_;
  std::vector<Font> fonts_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PDF_PDF_FONTS_H_
