#include "native/pdf/truetype_subset.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "native/pdf/pdf_fonts.h"
#include "native/pdf/test_font.h"

namespace quarvel {
namespace {

constexpr uint32_t kGlyfTag = 0x676C7966;
constexpr uint32_t kLocaTag = 0x6C6F6361;

// The points of glyph `index`'s outline, in font units.
std::vector<FT_Vector> Outline(FT_Face face, unsigned index) {
  if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) return {};
  const FT_Outline& outline = face->glyph->outline;
  return {outline.points, outline.points + outline.n_points};
}

bool IsComposite(FT_Face face, unsigned index) {
  return FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_RECURSE) == 0 &&
         face->glyph->format == FT_GLYPH_FORMAT_COMPOSITE;
}

class TrueTypeSubsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    face_ = font_.face();
    ASSERT_NE(face_, nullptr) << TestFont::kPath;
  }

  unsigned GlyphOf(char32_t c) const { return FT_Get_Char_Index(face_, c); }

  TestFont font_;
  FT_Face face_ = nullptr;
};

// Guards against a subset that loses or moves the glyphs shown, drops the
// parts of a composed glyph, or keeps what no page shows.
TEST_F(TrueTypeSubsetTest, KeepsTheGlyphsShownAndTheirPartsAtTheirIndices) {
  const unsigned a = GlyphOf(U'A');
  const unsigned composed = GlyphOf(U'\u00C1');  // A with acute, made of A and the accent
  ASSERT_TRUE(IsComposite(face_, composed));
  const std::optional<std::string> subset =
      SubsetTrueType(FaceTables(face_), {static_cast<uint16_t>(composed)});
  ASSERT_TRUE(subset.has_value());

  FT_Face opened = nullptr;
  ASSERT_EQ(FT_New_Memory_Face(face_->glyph->library,
                               reinterpret_cast<const FT_Byte*>(subset->data()),
                               static_cast<FT_Long>(subset->size()), 0, &opened),
            0);
  const CHandle<FT_FaceRec_, FT_Done_Face> held(opened);
  const FT_Face loaded = held.get();
  EXPECT_LT(loaded->num_glyphs, face_->num_glyphs) << "the glyphs after the last kept";
  EXPECT_FALSE(Outline(loaded, static_cast<unsigned>(loaded->num_glyphs) - 1).empty());
  const std::vector<FT_Vector> whole = Outline(face_, composed);
  const std::vector<FT_Vector> kept = Outline(loaded, composed);
  ASSERT_FALSE(whole.empty());
  ASSERT_EQ(kept.size(), whole.size());
  for (size_t i = 0; i < whole.size(); ++i) {
    EXPECT_EQ(kept[i].x, whole[i].x);
    EXPECT_EQ(kept[i].y, whole[i].y);
  }
  EXPECT_FALSE(Outline(loaded, a).empty()) << "a part of the composed glyph";
  EXPECT_TRUE(Outline(loaded, GlyphOf(U'B')).empty()) << "a glyph not shown";

  // The checksum of the whole font, with its adjustment, is the magic number.
  uint32_t sum = 0;
  for (size_t at = 0; at + 4 <= subset->size(); at += 4) {
    sum += static_cast<uint32_t>(static_cast<uint8_t>((*subset)[at])) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>((*subset)[at + 1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>((*subset)[at + 2])) << 8 |
           static_cast<uint8_t>((*subset)[at + 3]);
  }
  EXPECT_EQ(sum, 0xB1B0AFBAu);
}

// Guards against fonts that cannot be subset taken for TrueType, and
// against glyph locations beyond the glyphs being read.
TEST_F(TrueTypeSubsetTest, RefusesFontsWithoutSoundOutlines) {
  const FontTableReader whole = FaceTables(face_);
  const FontTableReader no_outlines = [&whole](uint32_t tag) {
    return tag == kGlyfTag ? std::nullopt : whole(tag);
  };
  const FontTableReader short_locations = [&whole](uint32_t tag) {
    std::optional<std::string> table = whole(tag);
    if (tag == kLocaTag) table->resize(table->size() / 2);
    return table;
  };
  const FontTableReader locations_beyond = [&whole](uint32_t tag) {
    std::optional<std::string> table = whole(tag);
    if (tag == kLocaTag) table->back() = '\x7F';
    if (tag == kGlyfTag) table->resize(16);
    return table;
  };
  for (const FontTableReader* read : {&no_outlines, &short_locations, &locations_beyond}) {
    EXPECT_FALSE(SubsetTrueType(*read, {36}).has_value());
  }
  EXPECT_TRUE(SubsetTrueType(whole, {36, 60000}).has_value()) << "an index beyond the glyphs";
}

}  // namespace
}  // namespace quarvel
