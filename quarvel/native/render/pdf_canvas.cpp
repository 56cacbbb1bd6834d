#include "native/render/pdf_canvas.h"

namespace quarvel {

namespace {

PdfPageSize PageSizeOf(const Device& device) {
  const SheetSize sheet = SheetOf(device);
  return {sheet.width_points, sheet.height_points, sheet.width_pixels, sheet.height_pixels};
}

}  // namespace

bool PdfCanvas::CanEmbed(const ArialFace& face) { return PdfFonts::CanEmbed(face.freetype); }

PdfCanvas::PdfCanvas(const Device& device, std::string_view title, int64_t created)
    : document_(PageSizeOf(device), title, created) {}

Status PdfCanvas::Finish(std::vector<JobFile>* files) {
  files->clear();
  files->push_back({0, document_.Finish()});
  return Status::Ok();
}

void PdfCanvas::FillWhite(const InkBox& box) {
  document_.FillWhite(box.left, box.top, box.right, box.bottom);
}

void PdfCanvas::DrawText(const ArialFace& face, double em, const GlyphRun& run, bool as_outlines) {
  glyphs_.clear();
  for (size_t i = 0; i < run.glyphs.size(); ++i) {
    const PlacedGlyph& glyph = run.glyphs[i];
    glyphs_.push_back({static_cast<uint16_t>(glyph.index), run.characters[i], glyph.x, glyph.y});
  }
  if (as_outlines) {
    document_.FillGlyphOutlines(face.freetype, em, glyphs_);
  } else {
    document_.ShowText(face.freetype, em, glyphs_);
  }
}

void PdfCanvas::DrawSegment(DevicePoint from, DevicePoint to) {
  document_.StrokeLine(from.x + 0.5, from.y + 0.5, to.x + 0.5, to.y + 0.5);
}

void PdfCanvas::DrawImage(const std::shared_ptr<const DecodedImage>& image,
                          const ImagePlace& place) {
  const PngStream& png = image->png;
  document_.DrawImage({image->width,
                       image->height,
                       image->colours,
                       image->alpha,
                       image->samples,
                       image->jpeg,
                       {png.zlib, png.colours, png.bits, png.palette}},
                      image->id, place.x, place.y, place.width, place.height);
}

}  // namespace quarvel
