#include "native/arial_faces.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

namespace quarvel {

namespace {

constexpr int32_t kBoldWeight = 700;
const cairo_user_data_key_t kFreeTypeFaceKey = {};

FT_Library FreeType() {
  static FT_Library library = [] {
    FT_Library created = nullptr;
    FT_Init_FreeType(&created);
    return created;
  }();
  return library;
}

// The file and face index that fontconfig picks for Arial in this style.
bool MatchArial(bool bold, bool italic, std::string* file, int* index) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("Arial"));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  FcChar8* path = nullptr;
  const bool found = match != nullptr &&
                     FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
                     FcPatternGetInteger(match, FC_INDEX, 0, index) == FcResultMatch;
  if (found) *file = reinterpret_cast<const char*>(path);
  if (match != nullptr) FcPatternDestroy(match);
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

ArialFace LoadArial(bool bold, bool italic) {
  ArialFace loaded;
  int index = 0;
  FT_Face face = nullptr;
  if (!MatchArial(bold, italic, &loaded.file, &index) ||
      FT_New_Face(FreeType(), loaded.file.c_str(), index, &face) != 0) {
    return loaded;
  }
  loaded.metrics = MetricsOf(face);
  loaded.freetype = face;
  loaded.face = cairo_ft_font_face_create_for_ft_face(face, 0);
  // The FreeType face lives as long as the cairo face that uses it.
  cairo_font_face_set_user_data(loaded.face, &kFreeTypeFaceKey, face,
                                [](void* data) { FT_Done_Face(static_cast<FT_Face>(data)); });
  return loaded;
}

}  // namespace

ArialFaces::~ArialFaces() {
  for (const ArialFace& face : faces_) {
    if (face.face != nullptr) cairo_font_face_destroy(face.face);
  }
}

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
