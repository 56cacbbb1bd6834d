#include "native/render/text_layout.h"

#include <cmath>

#include "text/utf8.h"

namespace quarvel {

namespace {

using ScaledFontHandle = CHandle<cairo_scaled_font_t, cairo_scaled_font_destroy>;
using FontOptionsHandle = CHandle<cairo_font_options_t, cairo_font_options_destroy>;
using GlyphsHandle = CHandle<cairo_glyph_t, cairo_glyph_free>;

// FreeType sizes glyphs in 16-bit pixels to the em. Beyond that, cairo puts
// the context in error, and keeps the scaled font in error, and its face,
// for ever.
constexpr double kMaxFreeTypeEm = 65535;

}  // namespace

class TextLayout::KeptFont {
 public:
  // Takes a reference to `font`.
  explicit KeptFont(cairo_scaled_font_t* font) : font_(cairo_scaled_font_reference(font)) {}

  // Lays `text` out from (x, y) into `*run`, and moves (x, y) past it.
  void Layout(std::basic_string_view<WideChar> text, double* x, double* y, GlyphRun* run);

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

  const ScaledFontHandle font_;
  std::array<std::optional<Glyph>, 128> ascii_;
  std::unordered_map<char32_t, Glyph> others_;
};

void TextLayout::KeptFont::Layout(std::basic_string_view<WideChar> text, double* pen_x,
                                  double* pen_y, GlyphRun* run) {
  run->glyphs.clear();
  run->characters.clear();
  run->ink.reset();
  double x = *pen_x;
  double y = *pen_y;
  const double start = x;
  for (size_t at = 0; at < text.size();) {
    const char32_t c = NextCodePoint(text, &at);
    const Glyph& glyph = GlyphOf(c);
    run->glyphs.push_back({static_cast<uint32_t>(glyph.index), x, y});
    run->characters.push_back(c);
    if (glyph.ink) {
      const InkBox ink = glyph.ink->Moved(x, y);
      run->ink = run->ink ? run->ink->Including(ink) : ink;
    }
    x += glyph.x_advance;
    y += glyph.y_advance;
  }
  run->advance = x - start;
  *pen_x = x;
  *pen_y = y;
}

TextLayout::KeptFont::Glyph TextLayout::KeptFont::LayOutAlone(char32_t c) const {
  char utf8[kMaxUtf8Bytes];
  const int length = static_cast<int>(WriteUtf8(c, utf8) - utf8);
  cairo_glyph_t* made = nullptr;
  int count = 0;
  const cairo_status_t status = cairo_scaled_font_text_to_glyphs(
      font_.get(), 0, 0, utf8, length, &made, &count, nullptr, nullptr, nullptr);
  const GlyphsHandle glyphs(made);
  Glyph glyph;
  if (status == CAIRO_STATUS_SUCCESS && count == 1) {
    cairo_text_extents_t extents;
    cairo_scaled_font_glyph_extents(font_.get(), glyphs.get(), 1, &extents);
    glyph = {glyphs.get()[0].index, extents.x_advance, extents.y_advance, std::nullopt};
    if (extents.width > 0 && extents.height > 0) {
      glyph.ink = InkBox{extents.x_bearing, extents.y_bearing, extents.x_bearing + extents.width,
                         extents.y_bearing + extents.height};
    }
  }
  return glyph;
}

const TextLayout::KeptFont::Glyph& TextLayout::KeptFont::GlyphOf(char32_t c) {
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
  const FontOptionsHandle options(cairo_font_options_create());
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr, options.get());
}

TextLayout::TextLayout(double x_scale, double y_scale)
    : surface_(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1)),
      context_(cairo_create(surface_.get())) {
  UseUnhintedFonts(context_.get());
  cairo_scale(context_.get(), x_scale, y_scale);
}

TextLayout::~TextLayout() = default;

std::optional<TextLayout::Pen> TextLayout::Origin(double em, double x, double y) const {
  cairo_t* cr = context_.get();
  double device_x = em;
  double device_y = em;
  cairo_user_to_device_distance(cr, &device_x, &device_y);
  if (std::abs(device_x) > kMaxFreeTypeEm || std::abs(device_y) > kMaxFreeTypeEm) {
    return std::nullopt;
  }
  constexpr double kFixedOne = 256;
  cairo_user_to_device(cr, &x, &y);
  x = std::nearbyint(x * kFixedOne) / kFixedOne;
  y = std::nearbyint(y * kFixedOne) / kFixedOne;
  cairo_device_to_user(cr, &x, &y);
  return Pen{x, y};
}

void TextLayout::LayOut(const ArialFace& face, double em, std::basic_string_view<WideChar> text,
                        Pen* pen, GlyphRun* run) {
  Font(face.face.get(), em).Layout(text, &pen->x, &pen->y, run);
}

TextLayout::KeptFont& TextLayout::Font(cairo_font_face_t* face, double em) {
  const std::pair key(face, em);
  if (fonts_.size() >= kKeptFonts && !fonts_.contains(key)) fonts_.clear();
  std::unique_ptr<KeptFont>& kept = fonts_[key];
  if (kept == nullptr) {
    cairo_set_font_face(context_.get(), face);
    cairo_set_font_size(context_.get(), em);
    kept = std::make_unique<KeptFont>(cairo_get_scaled_font(context_.get()));
  }
  return *kept;
}

}  // namespace quarvel
