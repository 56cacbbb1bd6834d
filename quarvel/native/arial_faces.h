// The Arial faces of the native PDF printer, found through fontconfig and
// loaded with FreeType. Where Arial itself is missing, fontconfig resolves it
// to a metric-compatible face (Liberation Sans).
#ifndef QUARVEL_NATIVE_ARIAL_FACES_H_
#define QUARVEL_NATIVE_ARIAL_FACES_H_

#include <cairo.h>

#include <array>
#include <string>

#include "native/page_geometry.h"

struct FT_FaceRec_;

namespace quarvel {

// One face, ready for cairo.
struct ArialFace {
  cairo_font_face_t* face = nullptr;  // null when no font could be loaded
  FT_FaceRec_* freetype = nullptr;    // what `face` draws with
  FaceMetrics metrics;
  std::string file;  // the font file fontconfig chose
};

class ArialFaces {
 public:
  ArialFaces() = default;
  ~ArialFaces();
  ArialFaces(const ArialFaces&) = delete;
  ArialFaces& operator=(const ArialFaces&) = delete;

  // The face for a weight (700 and above is bold) and slant, loaded the
  // first time it is asked for.
  const ArialFace& Get(int32_t weight, bool italic);

  // The four faces, each loaded.
  const std::array<ArialFace, 4>& All();

 private:
  const ArialFace& Load(bool bold, bool italic);

  std::array<ArialFace, 4> faces_;
  std::array<bool, 4> loaded_ = {};
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_ARIAL_FACES_H_
