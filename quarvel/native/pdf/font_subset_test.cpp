#include "native/pdf/font_subset.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_SFNT_NAMES_H
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "handles/c_handle.h"
#include "native/pdf/test_font.h"

namespace quarvel {
namespace {

using FaceHandle = CHandle<FT_FaceRec_, FT_Done_Face>;

// A face of each kind of outlines that the subsets keep.
constexpr struct {
  const char* path;
  FontOutlines outlines;
} kFaces[] = {
    {TestFont::kPath, FontOutlines::kTrueType},
    {"/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf", FontOutlines::kCff},
};

std::string FileBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The points of glyph `index`'s outline, in font units.
std::vector<FT_Vector> Outline(FT_Face face, unsigned index) {
  if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) return {};
  const FT_Outline& outline = face->glyph->outline;
  return {outline.points, outline.points + outline.n_points};
}

class FontSubsetTest : public ::testing::Test {
 protected:
  FaceHandle Open(const std::string& bytes) {
    FT_Face face = nullptr;
    FT_New_Memory_Face(library_.get(), reinterpret_cast<const FT_Byte*>(bytes.data()),
                       static_cast<FT_Long>(bytes.size()), 0, &face);
    return FaceHandle(face);
  }

  CHandle<FT_LibraryRec_, FT_Done_FreeType> library_ = [] {
    FT_Library library = nullptr;
    FT_Init_FreeType(&library);
    return CHandle<FT_LibraryRec_, FT_Done_FreeType>(library);
  }();
};

// Guards against a subset that loses or moves the glyphs shown, drops the
// parts of a composed glyph, keeps what no page shows, or leaves out the
// tables that text extractors and printers read: the character map of what
// is shown, OS/2, post and name.
TEST_F(FontSubsetTest, KeepsTheGlyphsShownAtTheirIndicesWithTheTablesReadersExpect) {
  for (const auto& kind : kFaces) {
    const std::string whole_bytes = FileBytes(kind.path);
    ASSERT_FALSE(whole_bytes.empty()) << kind.path;
    EXPECT_EQ(OutlinesOf(whole_bytes, 0), kind.outlines) << kind.path;
    const FaceHandle whole = Open(whole_bytes);
    const unsigned composed = FT_Get_Char_Index(whole.get(), U'\u00C1');  // A with acute
    const unsigned unshown = FT_Get_Char_Index(whole.get(), U'B');
    const std::optional<std::string> subset =
        SubsetFont(whole_bytes, 0, {static_cast<uint16_t>(composed)}, {U'\u00C1'});
    ASSERT_TRUE(subset.has_value()) << kind.path;
    EXPECT_EQ(OutlinesOf(*subset, 0), kind.outlines) << kind.path;
    const FaceHandle kept = Open(*subset);
    ASSERT_NE(kept, nullptr) << kind.path;
    EXPECT_LT(kept->num_glyphs, whole->num_glyphs) << kind.path << ": the glyphs after the last";
    EXPECT_EQ(FT_Get_Char_Index(kept.get(), U'\u00C1'), composed) << kind.path;
    const std::vector<FT_Vector> outline = Outline(whole.get(), composed);
    ASSERT_FALSE(outline.empty()) << kind.path;
    const std::vector<FT_Vector> kept_outline = Outline(kept.get(), composed);
    ASSERT_EQ(kept_outline.size(), outline.size()) << kind.path;
    for (size_t i = 0; i < outline.size(); ++i) {
      EXPECT_EQ(kept_outline[i].x, outline[i].x) << kind.path;
      EXPECT_EQ(kept_outline[i].y, outline[i].y) << kind.path;
    }
    EXPECT_TRUE(unshown >= static_cast<unsigned>(kept->num_glyphs) ||
                Outline(kept.get(), unshown).empty())
        << kind.path << ": a glyph not shown";
    for (const FT_Sfnt_Tag table : {FT_SFNT_OS2, FT_SFNT_POST}) {
      EXPECT_NE(FT_Get_Sfnt_Table(kept.get(), table), nullptr) << kind.path << " " << table;
    }
    EXPECT_GT(FT_Get_Sfnt_Name_Count(kept.get()), 0u) << kind.path << ": its names";
  }
}

// Guards against files that are no fonts taken for fonts.
TEST_F(FontSubsetTest, RefusesWhatIsNoFont) {
  for (const std::string& bytes : {std::string(), std::string("not a font at all"),
                                   FileBytes(TestFont::kPath).substr(0, 64)}) {
    EXPECT_EQ(OutlinesOf(bytes, 0), FontOutlines::kNone) << bytes.size();
    EXPECT_FALSE(SubsetFont(bytes, 0, {36}, {U'A'}).has_value()) << bytes.size();
  }
  EXPECT_FALSE(SubsetFont(FileBytes(TestFont::kPath), 1, {36}, {}).has_value())
      << "a face the file does not hold";
}

}  // namespace
}  // namespace quarvel
