// The PDF writer's fuzzer: the writer alone, without a script or a page
// geometry, given faces and images that are not what they claim.
//
//   bash scripts/fuzz.sh SECONDS pdf_fuzzer
//
// The input's first byte picks what is mutated:
// - 0 and 1: a TrueType face (Liberation Sans) or a CFF face (Nimbus Sans),
//   whose bytes the rest of the input patches, three bytes of offset and
//   one of value at a time, before FreeType loads it and the writer shows
//   its first glyphs with it (embedded, or drawn as outlines where it
//   cannot be embedded);
// - 2: an image, whose header is the next bytes (width, height, colours,
//   alpha, bits, palette size) and whose data, JPEG or PNG, is the rest.
// The file is then finished, and its structure checked where it is cheap.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "handles/c_handle.h"
#include "native/pdf/pdf_document.h"
#include "native/pdf/pdf_fonts.h"

namespace quarvel {
namespace {

const char* const kFaces[] = {
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf",
};

std::string FileBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

FT_Library FreeType() {
  static const CHandle<FT_LibraryRec_, FT_Done_FreeType> library([] {
    FT_Library made = nullptr;
    if (FT_Init_FreeType(&made) != 0) std::abort();
    return made;
  }());
  return library.get();
}

void ShowGlyphs(PdfDocument& document, FT_Face face) {
  std::vector<PdfGlyph> glyphs;
  const auto count = static_cast<uint16_t>(face->num_glyphs < 40 ? face->num_glyphs : 40);
  for (uint16_t glyph = 0; glyph < count; ++glyph) {
    glyphs.push_back({glyph, static_cast<char32_t>(U'A' + glyph % 26), 10.0 + glyph * 7, 100});
  }
  glyphs.push_back({1, U'\u00AD', 400, 100});  // a character that shares a glyph
  if (PdfFonts::CanEmbed(face)) {
    document.ShowText(face, 12, glyphs);
  } else {
    document.FillGlyphOutlines(face, 12, glyphs);
  }
}

void FuzzFace(const std::string& original, const uint8_t* patches, size_t size) {
  std::string font = original;
  for (size_t at = 0; at + 4 <= size; at += 4) {
    const size_t offset = (size_t{patches[at]} << 16 | size_t{patches[at + 1]} << 8 |
                           patches[at + 2]) % font.size();
    font[offset] = static_cast<char>(patches[at + 3]);
  }
  FT_Face made = nullptr;
  if (FT_New_Memory_Face(FreeType(), reinterpret_cast<const FT_Byte*>(font.data()),
                         static_cast<FT_Long>(font.size()), 0, &made) != 0) {
    return;
  }
  // Outlives the document, which refers to it until it is finished.
  const CHandle<FT_FaceRec_, FT_Done_Face> face(made);
  PdfDocument document({612, 792, 612, 792}, "Fuzz", 0);
  document.StartPage();
  ShowGlyphs(document, face.get());
  document.EndPage();
  if (!document.Finish().ends_with("%%EOF\n")) std::abort();
}

void FuzzImage(const uint8_t* data, size_t size) {
  if (size < 7) return;
  PdfImage image;
  image.width = 1 + data[0] % 64;
  image.height = 1 + data[1] % 64;
  image.colours = data[2] % 4;
  image.alpha = (data[3] & 1) != 0;
  const std::string_view payload(reinterpret_cast<const char*>(data + 7), size - 7);
  std::vector<uint8_t> samples(data[3] & 2 ? payload.size()
                                           : size_t(image.width) * image.height * 4);
  image.samples = samples;
  if (data[4] & 1) image.jpeg = payload;
  const std::string palette(data[6] % 8 * 3, '\x7F');
  if (data[4] & 2) image.png = {payload, data[5] % 4, 1 << (data[5] >> 2 & 7), palette};
  PdfDocument document({612, 792, 612, 792}, "Fuzz", 0);
  document.StartPage();
  document.DrawImage(image, "", 10, 10, 100, -100);
  document.EndPage();
  if (!document.Finish().ends_with("%%EOF\n")) std::abort();
}

}  // namespace
}  // namespace quarvel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string faces[] = {quarvel::FileBytes(quarvel::kFaces[0]),
                                      quarvel::FileBytes(quarvel::kFaces[1])};
  if (size == 0) return 0;
  if (data[0] % 3 == 2) {
    quarvel::FuzzImage(data + 1, size - 1);
  } else {
    quarvel::FuzzFace(faces[data[0] % 3], data + 1, size - 1);
  }
  return 0;
}
