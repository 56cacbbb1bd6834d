#include "native/text_layout.h"

#include "text/utf8.h"

namespace quarvel {

void KeptFont::Layout(const WideString& text, double x, double y, GlyphRun* run) {
  run->glyphs.clear();
  run->characters.clear();
  run->ink.reset();
  const double start = x;
  for (size_t at = 0; at < text.size();) {
    const char32_t c = NextCodePoint(text, &at);
    const Glyph& glyph = GlyphOf(c);
    run->glyphs.push_back({glyph.index, x, y});
    run->characters.push_back(c);
    if (glyph.ink) {
      const InkBox ink = glyph.ink->Moved(x, y);
      run->ink = run->ink ? run->ink->Including(ink) : ink;
    }
    x += glyph.x_advance;
    y += glyph.y_advance;
  }
  run->advance = x - start;
}

KeptFont::Glyph KeptFont::LayOutAlone(char32_t c) const {
  char utf8[kMaxUtf8Bytes];
  const int length = static_cast<int>(WriteUtf8(c, utf8) - utf8);
  cairo_glyph_t* glyphs = nullptr;
  int count = 0;
  Glyph glyph;
  if (cairo_scaled_font_text_to_glyphs(font_, 0, 0, utf8, length, &glyphs, &count, nullptr, nullptr,
                                       nullptr) == CAIRO_STATUS_SUCCESS &&
      count == 1) {
    cairo_text_extents_t extents;
    cairo_scaled_font_glyph_extents(font_, glyphs, 1, &extents);
    glyph = {glyphs[0].index, extents.x_advance, extents.y_advance, std::nullopt};
    if (extents.width > 0 && extents.height > 0) {
      glyph.ink = InkBox{extents.x_bearing, extents.y_bearing, extents.x_bearing + extents.width,
                         extents.y_bearing + extents.height};
    }
  }
  cairo_glyph_free(glyphs);
  return glyph;
}

const KeptFont::Glyph& KeptFont::GlyphOf(char32_t c) {
  if (c < ascii_.size()) {
    std::optional<Glyph>& glyph = ascii_[c];
    if (!glyph) glyph = LayOutAlone(c);
    return *glyph;
  }
  const auto found = others_.find(c);
  if (found != others_.end()) return found->second;
  if (others_.size() >= kKeptCharacters) others_.clear();
  return others_.emplace(c, LayOutAlone(c)).first->second;
}

void UseUnhintedFonts(cairo_t* cr) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

KeptFont& TextLayout::Font(cairo_t* cr, cairo_font_face_t* face, double em) {
  const std::pair key(face, em);
  if (fonts_.size() >= kKeptFonts && !fonts_.contains(key)) fonts_.clear();
  std::optional<KeptFont>& kept = fonts_[key];
  if (!kept) {
    cairo_set_font_face(cr, face);
    cairo_set_font_size(cr, em);
    kept.emplace(cairo_get_scaled_font(cr));
  }
  return *kept;
}

}  // namespace quarvel
