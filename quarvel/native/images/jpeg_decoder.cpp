#include "native/images/jpeg_decoder.h"

#include <turbojpeg.h>

#include "handles/c_handle.h"

namespace quarvel {

namespace {

using DecoderHandle = CHandle<void, tjDestroy>;

// The RGB of CMYK pixels stored inverted, as Adobe stores them (0 is full
// ink), in place: the first three bytes of each four.
void CmykToRgb(std::vector<uint8_t>* pixels) {
  size_t to = 0;
  for (size_t at = 0; at + 4 <= pixels->size(); at += 4) {
    const unsigned k = (*pixels)[at + 3];
    for (size_t i = 0; i < 3; ++i) {
      (*pixels)[to++] = static_cast<uint8_t>((*pixels)[at + i] * k / 255);
    }
  }
  pixels->resize(to);
}

}  // namespace

ImageFault DecodeJpeg(std::string_view bytes, DecodedImage* image) {
  const DecoderHandle decoder(tjInitDecompress());
  if (decoder == nullptr) return ImageFault::kNoMemory;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto size = static_cast<unsigned long>(bytes.size());
  int width = 0;
  int height = 0;
  int subsampling = 0;
  int colourspace = 0;
  if (tjDecompressHeader3(decoder.get(), data, size, &width, &height, &subsampling, &colourspace) !=
      0) {
    return ImageFault::kDamaged;
  }
  if (!WithinBounds(width, height)) return BeyondBounds(width, height, image);
  const bool grey = colourspace == TJCS_GRAY;
  const bool cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
  const int format = grey ? TJPF_GRAY : cmyk ? TJPF_CMYK : TJPF_RGB;
  std::vector<uint8_t> pixels(size_t(width) * height * tjPixelSize[format]);
  if (tjDecompress2(decoder.get(), data, size, pixels.data(), width, 0, height, format,
                    TJFLAG_STOPONWARNING) != 0) {
    return ImageFault::kDamaged;
  }
  if (cmyk) CmykToRgb(&pixels);
  image->width = width;
  image->height = height;
  image->colours = grey ? 1 : 3;
  image->alpha = false;
  image->samples = std::move(pixels);
  return ImageFault::kNone;
}

}  // namespace quarvel
