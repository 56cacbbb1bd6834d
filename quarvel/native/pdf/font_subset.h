// The subset of a font that a PDF file embeds, made by HarfBuzz's
// subsetter: the glyphs that its pages show, at their indices in the whole
// font, and the tables that readers, text extractors and printers expect of
// a font (its character map for the characters shown, OS/2, post, name),
// with TrueType or CFF outlines as the font has them.
#ifndef QUARVEL_NATIVE_PDF_FONT_SUBSET_H_
#define QUARVEL_NATIVE_PDF_FONT_SUBSET_H_

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace quarvel {

// The outlines of a face, as a PDF file embeds them.
enum class FontOutlines {
  kNone,      // neither: not a face that a PDF file embeds here
  kTrueType,  // a 'glyf' table: embedded whole, as FontFile2
  kCff,       // a 'CFF ' table: embedded as that table, FontFile3
};

// The outlines of face `index` of the font file `font`.
FontOutlines OutlinesOf(std::string_view font, unsigned index);

// The subset of face `index` of the font file `font` that holds `glyphs`
// and glyph 0 at their indices (every other glyph before the last of them
// is empty, and those after it are left out), and maps `characters` in its
// character map to the glyphs that the font maps them to. Nothing when the
// subsetter cannot read the face.
std::optional<std::string> SubsetFont(std::string_view font, unsigned index,
                                      const std::set<uint16_t>& glyphs,
                                      const std::set<char32_t>& characters);

// The table `tag` of the font file `font` (a single face, as SubsetFont
// makes it); nothing when it has none.
std::optional<std::string> FontTable(std::string_view font, std::string_view tag);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PDF_FONT_SUBSET_H_
