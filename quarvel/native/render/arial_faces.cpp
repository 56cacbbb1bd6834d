#include "native/render/arial_faces.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

namespace quarvel {

namespace {

using PatternHandle = CHandle<FcPattern, FcPatternDestroy>;
using FreeTypeFaceHandle = CHandle<FT_FaceRec_, FT_Done_Face>;

constexpr int32_t kBoldWeight = 700;
const cairo_user_data_key_t kFreeTypeFaceKey = {};

// The FreeType library, made on first use; it lives as long as the process,
// as the faces that cairo keeps in its caches do.
FT_Library FreeType() {
  static const FT_Library library = [] {
    FT_Library created = nullptr;
    return FT_Init_FreeType(&created) == 0 ? created : nullptr;
  }();
  return library;
}

// The file and face index that fontconfig picks for Arial in this style.
bool MatchArial(bool bold, bool italic, std::string* file, int* index) {
  const PatternHandle pattern(FcPatternCreate());
  if (pattern == nullptr) return false;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("Arial"));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  const PatternHandle match(FcFontMatch(nullptr, pattern.get(), &result));
  FcChar8* path = nullptr;
  const bool found = match != nullptr &&
                     FcPatternGetString(match.get(), FC_FILE, 0, &path) == FcResultMatch &&
                     FcPatternGetInteger(match.get(), FC_INDEX, 0, index) == FcResultMatch;
  if (found) *file = reinterpret_cast<const char*>(path);
  return found;
}

FaceMetrics MetricsOf(FT_Face face) {
  FaceMetrics metrics{static_cast<double>(face->units_per_EM), static_cast<double>(face->ascender),
                      static_cast<double>(-face->descender)};
  if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    metrics.win_ascent = os2->usWinAscent;
    metrics.win_descent = os2->usWinDescent;
  }
  return metrics;
}

void ReleaseFreeTypeFace(void* face) { FT_Done_Face(static_cast<FT_Face>(face)); }

ArialFace LoadArial(bool bold, bool italic) {
  ArialFace loaded;
  int index = 0;
  FT_Face opened = nullptr;
  if (!MatchArial(bold, italic, &loaded.file, &index) || FreeType() == nullptr ||
      FT_New_Face(FreeType(), loaded.file.c_str(), index, &opened) != 0) {
    return loaded;
  }
  FreeTypeFaceHandle freetype(opened);
  FontFaceHandle face(cairo_ft_font_face_create_for_ft_face(freetype.get(), 0));
  // The FreeType face must live as long as the cairo face that draws with
  // it, which cairo's caches may keep: cairo frees it with the face.
  if (cairo_font_face_status(face.get()) != CAIRO_STATUS_SUCCESS ||
      cairo_font_face_set_user_data(face.get(), &kFreeTypeFaceKey, freetype.get(),
                                    ReleaseFreeTypeFace) != CAIRO_STATUS_SUCCESS) {
    return loaded;
  }
  loaded.metrics = MetricsOf(freetype.get());
  loaded.freetype = freetype.release();
  loaded.face = std::move(face);
  return loaded;
}

}  // namespace

const ArialFace& ArialFaces::Get(int32_t weight, bool italic) {
  return Load(weight >= kBoldWeight, italic);
}

const std::array<ArialFace, 4>& ArialFaces::All() {
  for (const bool bold : {false, true}) {
    for (const bool italic : {false, true}) Load(bold, italic);
  }
  return faces_;
}

const ArialFace& ArialFaces::Load(bool bold, bool italic) {
  const size_t slot = (bold ? 2 : 0) + (italic ? 1 : 0);
  if (!loaded_[slot]) {
    faces_[slot] = LoadArial(bold, italic);
    loaded_[slot] = true;
  }
  return faces_[slot];
}

}  // namespace quarvel
