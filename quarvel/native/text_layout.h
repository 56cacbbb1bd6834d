// The layout of the native printer's text lines. A run draws the same few
// fonts at the same few sizes again and again, so each scaled font is kept
// for the run, with the glyph and the advance of every character it has
// laid out: a line is laid out without asking cairo again what it answered
// before. The glyphs, their places and the text they stand for are what
// cairo's own layout of the line gives, so nothing of this is seen in the
// output. What is kept is bounded: beyond kKeptFonts scaled fonts, or
// kKeptCharacters characters of one font beyond ASCII, what was kept is
// dropped and asked for again.
#ifndef QUARVEL_NATIVE_TEXT_LAYOUT_H_
#define QUARVEL_NATIVE_TEXT_LAYOUT_H_

#include <cairo.h>

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "native/page_ink.h"
#include "shared_types.h"

namespace quarvel {

// One line laid out: its glyphs from its origin, the character that each
// glyph stands for (one glyph for each character), the whole advance, and
// the box that the glyphs' outlines fill (empty when they fill none).
struct GlyphRun {
  std::vector<cairo_glyph_t> glyphs;
  std::vector<char32_t> characters;
  double advance = 0;
  std::optional<InkBox> ink;
};

// A scaled font kept for the run, and the characters it has laid out.
class KeptFont {
 public:
  static constexpr size_t kKeptCharacters = 4096;

  // Takes a reference to `font`.
  explicit KeptFont(cairo_scaled_font_t* font) : font_(cairo_scaled_font_reference(font)) {}
  ~KeptFont() { cairo_scaled_font_destroy(font_); }
  KeptFont(const KeptFont&) = delete;
  KeptFont& operator=(const KeptFont&) = delete;

  cairo_scaled_font_t* font() const { return font_; }

  // Lays `text` out from (x, y) into `*run`.
  void Layout(const WideString& text, double x, double y, GlyphRun* run);

 private:
  // What a character is in the font: its glyph, its advance, and the box of
  // its outline from the glyph's origin (empty for a glyph without one).
  struct Glyph {
    unsigned long index = 0;
    double x_advance = 0;
    double y_advance = 0;
    std::optional<InkBox> ink;
  };

  // Asks cairo for the glyph of `c` alone, and its advance.
  Glyph LayOutAlone(char32_t c) const;
  const Glyph& GlyphOf(char32_t c);

  cairo_scaled_font_t* const font_;
  std::array<std::optional<Glyph>, 128> ascii_;
  std::unordered_map<char32_t, Glyph> others_;
};

// Gives `cr` the font options that text is laid out and drawn with: glyphs
// keep their outlines and advances unrounded, as on paper, so that a page in
// pixels has its text where a PDF page has it.
void UseUnhintedFonts(cairo_t* cr);

class TextLayout {
 public:
  static constexpr size_t kKeptFonts = 64;

  // The scaled font of `face` at `em`, as `cr` makes it with its current
  // transformation and font options; made on first use, then kept until
  // the next call. Every context given must have the same transformation
  // and font options.
  KeptFont& Font(cairo_t* cr, cairo_font_face_t* face, double em);

 private:
  std::map<std::pair<cairo_font_face_t*, double>, std::optional<KeptFont>> fonts_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_TEXT_LAYOUT_H_
