// The faces that the PDF writer's tests embed: Liberation Sans, from the
// fonts-liberation package, or another, loaded with FreeType alone.
#ifndef QUARVEL_NATIVE_PDF_TEST_FONT_H_
#define QUARVEL_NATIVE_PDF_TEST_FONT_H_

#include <ft2build.h>
#include FT_FREETYPE_H

#include "handles/c_handle.h"

namespace quarvel {

class TestFont {
 public:
  static constexpr const char* kPath =
      "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";

  // The face at `path`, Liberation Sans by default.
  explicit TestFont(const char* path = kPath) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0) return;
    library_.reset(library);
    if (FT_New_Face(library, path, 0, &face) == 0) face_.reset(face);
  }

  // Null when the font could not be loaded.
  FT_Face face() const { return face_.get(); }

 private:
  CHandle<FT_LibraryRec_, FT_Done_FreeType> library_;
  CHandle<FT_FaceRec_, FT_Done_Face> face_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PDF_TEST_FONT_H_
