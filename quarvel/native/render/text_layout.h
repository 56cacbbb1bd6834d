// The layout of the native printer's text lines, by cairo. A run draws the
// same few fonts at the same few sizes again and again, so each scaled font
// is kept for the run, with the glyph and the advance of every character it
// has laid out: a line is laid out without asking cairo again what it
// answered before. The glyphs, their places and the text they stand for
// are what cairo's own layout of the line gives, so nothing of this is seen
// in the output. What is kept is bounded: beyond kKeptFonts scaled fonts,
// or kKeptCharacters characters of one font beyond ASCII, what was kept is
// dropped and asked for again.
#ifndef QUARVEL_NATIVE_RENDER_TEXT_LAYOUT_H_
#define QUARVEL_NATIVE_RENDER_TEXT_LAYOUT_H_

#include <cairo.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "handles/c_handle.h"
#include "native/render/arial_faces.h"
#include "native/render/page_ink.h"
#include "shared_types.h"

namespace quarvel {

using ContextHandle = CHandle<cairo_t, cairo_destroy>;
using SurfaceHandle = CHandle<cairo_surface_t, cairo_surface_destroy>;

// A glyph of a line: its index in the face, and its origin in user space.
struct PlacedGlyph {
  uint32_t index = 0;
  double x = 0;
  double y = 0;
};

// One line laid out: its glyphs from its origin, the character that each
// glyph stands for (one glyph for each character), the whole advance, and
// the box that the glyphs' outlines fill (empty when they fill none).
struct GlyphRun {
  std::vector<PlacedGlyph> glyphs;
  std::vector<char32_t> characters;
  double advance = 0;
  std::optional<InkBox> ink;
};

// Gives `cr` the font options that text is laid out and drawn with: glyphs
// keep their outlines and advances unrounded, as on paper, so that a page in
// pixels has its text where a PDF page has it.
void UseUnhintedFonts(cairo_t* cr);

class TextLayout {
 public:
  static constexpr size_t kKeptFonts = 64;
  static constexpr size_t kKeptCharacters = 4096;

  // Lays text out in a user space that is `x_scale` by `y_scale` device
  // units a unit, as the page it is drawn on has it.
  TextLayout(double x_scale, double y_scale);
  ~TextLayout();
  TextLayout(const TextLayout&) = delete;
  TextLayout& operator=(const TextLayout&) = delete;

  // Where the next glyph of a line goes, in user space.
  struct Pen {
    double x = 0;
    double y = 0;
  };

  // The pen of a line whose glyphs of the size `em` start at (x, y): the
  // point rounded as cairo keeps its current point, to 1/256 of a device
  // unit, so that the glyphs lie where cairo's own layout from a current
  // point puts them. None when glyphs of `em` are beyond the sizes that
  // FreeType can make on the device.
  std::optional<Pen> Origin(double em, double x, double y) const;

  // Lays `text` out in `face`, a loaded face, at the size `em` (one that
  // Origin accepts), from `*pen` into `*run`, and moves the pen past it. A
  // line laid out in pieces, each from where the one before left the pen,
  // has its glyphs where it has them laid out whole.
  void LayOut(const ArialFace& face, double em, std::basic_string_view<WideChar> text, Pen* pen,
              GlyphRun* run);

 private:
  // A scaled font kept for the run, and the characters it has laid out.
  class KeptFont;

  // The scaled font of `face` at `em`; made on first use, then kept.
  KeptFont& Font(cairo_font_face_t* face, double em);

  SurfaceHandle surface_;
  ContextHandle context_;
  std::map<std::pair<cairo_font_face_t*, double>, std::unique_ptr<KeptFont>> fonts_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_RENDER_TEXT_LAYOUT_H_
