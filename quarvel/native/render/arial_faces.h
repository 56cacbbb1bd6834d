// The Arial faces of the native printer, found through fontconfig and
// loaded with FreeType. Where Arial itself is missing, fontconfig resolves it
// to a metric-compatible face (Liberation Sans).
#ifndef QUARVEL_NATIVE_RENDER_ARIAL_FACES_H_
#define QUARVEL_NATIVE_RENDER_ARIAL_FACES_H_

#include <cairo.h>

#include <array>
#include <cstdint>
#include <string>

#include "handles/c_handle.h"
#include "native/render/page_geometry.h"

struct FT_FaceRec_;

namespace quarvel {

using FontFaceHandle = CHandle<cairo_font_face_t, cairo_font_face_destroy>;

// One face, ready for cairo and for the PDF writer.
struct ArialFace {
  FontFaceHandle face;  // null when no font could be loaded
  // What `face` draws with, freed with it.
  FT_FaceRec_* freetype = nullptr;
  FaceMetrics metrics;
  std::string file;  // the font file fontconfig chose
};

class ArialFaces {
 public:
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

#endif  // QUARVEL_NATIVE_RENDER_ARIAL_FACES_H_
