// The subset of a TrueType font that a PDF file embeds: the outlines of the
// glyphs that its pages show, and the tables that a reader needs to draw
// them. Glyphs keep their indices, so text refers to them as the whole font
// numbers them.
#ifndef QUARVEL_NATIVE_PDF_TRUETYPE_SUBSET_H_
#define QUARVEL_NATIVE_PDF_TRUETYPE_SUBSET_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>

namespace quarvel {

// Reads the table of a font with the tag `tag` (four characters, big-endian
// in one number); returns nothing when the font has no such table.
using FontTableReader = std::function<std::optional<std::string>(uint32_t tag)>;

// Returns a TrueType font that holds, of the font read by `read`, the
// glyphs `used`, the glyphs they are composed of, and glyph 0; every other
// glyph is empty, and those after the last kept one are left out. Indices
// beyond the font's glyphs are ignored. Returns nothing when the font has
// no TrueType outlines, or tables that contradict each other.
std::optional<std::string> SubsetTrueType(const FontTableReader& read,
                                          const std::set<uint16_t>& used);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PDF_TRUETYPE_SUBSET_H_
