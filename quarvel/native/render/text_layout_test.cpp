#include "native/render/text_layout.h"

#include <gtest/gtest.h>

#include "native/render/arial_faces.h"
#include "text/utf8.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

// Guards against a layout that differs from cairo's own: another glyph,
// another place, or characters tied to the wrong glyphs, which would move
// text or spoil what is copied out of a PDF.
TEST(TextLayoutTest, LaysOutLinesAsCairoDoes) {
  ArialFaces faces;
  const ArialFace& face = faces.Get(700, false);
  ASSERT_NE(face.face, nullptr);
  const SurfaceHandle surface(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1));
  const ContextHandle cr(cairo_create(surface.get()));
  UseUnhintedFonts(cr.get());
  cairo_scale(cr.get(), 0.12, 0.12);
  TextLayout layout(0.12, 0.12);
  GlyphRun run;
  for (const std::u16string text :
       {u"", u"Invoice 2026-117", u"Na\u010d\u00edt\u00e1n\u00ed \u017e", u"a\U0001F600b\u20ac"}) {
    for (const double em : {53.7, 86.0}) {
      const std::optional<TextLayout::Pen> origin = layout.Origin(em, 100, 200);
      ASSERT_TRUE(origin.has_value());
      TextLayout::Pen pen = *origin;
      layout.LayOut(face, em, Wide(text), &pen, &run);
      cairo_set_font_face(cr.get(), face.face.get());
      cairo_set_font_size(cr.get(), em);
      const std::string utf8 = ToUtf8(Wide(text));
      cairo_glyph_t* made = nullptr;
      int count = 0;
      cairo_scaled_font_text_to_glyphs(cairo_get_scaled_font(cr.get()), 100, 200, utf8.data(),
                                       static_cast<int>(utf8.size()), &made, &count, nullptr,
                                       nullptr, nullptr);
      const CHandle<cairo_glyph_t, cairo_glyph_free> glyph_array(made);
      const cairo_glyph_t* glyphs = made;
      ASSERT_EQ(run.glyphs.size(), static_cast<size_t>(count));
      for (int i = 0; i < count; ++i) {
        EXPECT_EQ(run.glyphs[i].index, glyphs[i].index);
        EXPECT_NEAR(run.glyphs[i].x, glyphs[i].x, 1e-9);
        EXPECT_NEAR(run.glyphs[i].y, glyphs[i].y, 1e-9);
      }
      cairo_text_extents_t extents;
      cairo_scaled_font_glyph_extents(cairo_get_scaled_font(cr.get()), glyphs, count, &extents);
      EXPECT_NEAR(run.advance, extents.x_advance, 1e-9);
      EXPECT_EQ(run.ink.has_value(), extents.width > 0);
      std::string characters;
      for (const char32_t c : run.characters) AppendUtf8(c, &characters);
      EXPECT_EQ(characters, utf8);
    }
  }
  // In pieces, each from where the one before left the pen, as whole.
  TextLayout::Pen whole = *layout.Origin(60, 10, 20);
  TextLayout::Pen pieces = whole;
  GlyphRun all;
  layout.LayOut(face, 60, Wide(u"Invoice 2026"), &whole, &all);
  std::vector<double> joined;
  for (const char16_t* piece : {u"Inv", u"oice ", u"2026"}) {
    layout.LayOut(face, 60, Wide(piece), &pieces, &run);
    for (const PlacedGlyph& glyph : run.glyphs) joined.push_back(glyph.x);
  }
  ASSERT_EQ(joined.size(), all.glyphs.size());
  for (size_t i = 0; i < joined.size(); ++i) EXPECT_EQ(joined[i], all.glyphs[i].x) << i;
  EXPECT_EQ(pieces.x, whole.x);
  EXPECT_FALSE(layout.Origin(65536 / 0.12, 0, 0).has_value())
      << "beyond FreeType's sizes on the device";
}

}  // namespace
}  // namespace quarvel
