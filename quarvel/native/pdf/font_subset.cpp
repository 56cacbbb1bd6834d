#include "native/pdf/font_subset.h"

#include <hb-subset.h>
#include <hb.h>

#include "handles/c_handle.h"

namespace quarvel {

namespace {

using BlobHandle = CHandle<hb_blob_t, hb_blob_destroy>;
using FaceHandle = CHandle<hb_face_t, hb_face_destroy>;
using SubsetInputHandle = CHandle<hb_subset_input_t, hb_subset_input_destroy>;

// A blob over `bytes`, which must outlive it.
BlobHandle BlobOf(std::string_view bytes) {
  return BlobHandle(hb_blob_create_or_fail(bytes.data(), static_cast<unsigned>(bytes.size()),
                                           HB_MEMORY_MODE_READONLY, nullptr, nullptr));
}

// Face `index` of `font`; null when HarfBuzz cannot read it.
FaceHandle FaceOf(std::string_view font, unsigned index) {
  const BlobHandle blob = BlobOf(font);
  if (blob == nullptr || index >= hb_face_count(blob.get())) return nullptr;
  FaceHandle face(hb_face_create(blob.get(), index));
  if (hb_face_get_glyph_count(face.get()) == 0) return nullptr;
  return face;
}

BlobHandle TableOf(hb_face_t* face, std::string_view tag) {
  return BlobHandle(
      hb_face_reference_table(face, hb_tag_from_string(tag.data(), static_cast<int>(tag.size()))));
}

bool HasTable(hb_face_t* face, std::string_view tag) {
  return hb_blob_get_length(TableOf(face, tag).get()) > 0;
}

}  // namespace

FontOutlines OutlinesOf(std::string_view font, unsigned index) {
  const FaceHandle face = FaceOf(font, index);
  if (face == nullptr) return FontOutlines::kNone;
  if (HasTable(face.get(), "glyf") && HasTable(face.get(), "loca")) return FontOutlines::kTrueType;
  if (HasTable(face.get(), "CFF ")) return FontOutlines::kCff;
  return FontOutlines::kNone;
}

std::optional<std::string> SubsetFont(std::string_view font, unsigned index,
                                      const std::set<uint16_t>& glyphs,
                                      const std::set<char32_t>& characters) {
  const FaceHandle face = FaceOf(font, index);
  const SubsetInputHandle input(hb_subset_input_create_or_fail());
  if (face == nullptr || input == nullptr) return std::nullopt;
  hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_RETAIN_GIDS);
  hb_set_t* kept_glyphs = hb_subset_input_glyph_set(input.get());
  hb_set_add(kept_glyphs, 0);
  const unsigned glyph_count = hb_face_get_glyph_count(face.get());
  for (const uint16_t glyph : glyphs) {
    if (glyph < glyph_count) hb_set_add(kept_glyphs, glyph);
  }
  hb_set_t* kept_characters = hb_subset_input_unicode_set(input.get());
  for (const char32_t c : characters) hb_set_add(kept_characters, c);
  if (!hb_set_allocation_successful(kept_glyphs) ||
      !hb_set_allocation_successful(kept_characters)) {
    return std::nullopt;
  }
  const FaceHandle subset(hb_subset_or_fail(face.get(), input.get()));
  if (subset == nullptr) return std::nullopt;
  const BlobHandle bytes(hb_face_reference_blob(subset.get()));
  unsigned length = 0;
  const char* data = hb_blob_get_data(bytes.get(), &length);
  if (data == nullptr || length == 0) return std::nullopt;
  return std::string(data, length);
}

std::optional<std::string> FontTable(std::string_view font, std::string_view tag) {
  const FaceHandle face = FaceOf(font, 0);
  if (face == nullptr) return std::nullopt;
  const BlobHandle table = TableOf(face.get(), tag);
  unsigned length = 0;
  const char* data = hb_blob_get_data(table.get(), &length);
  if (data == nullptr || length == 0) return std::nullopt;
  return std::string(data, length);
}

}  // namespace quarvel
