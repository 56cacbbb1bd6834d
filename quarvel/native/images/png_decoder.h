// PNG files, decoded by libpng, and the data that PDF takes of them as it is.
#ifndef QUARVEL_NATIVE_IMAGES_PNG_DECODER_H_
#define QUARVEL_NATIVE_IMAGES_PNG_DECODER_H_

#include <string_view>

#include "native/images/image_file.h"

namespace quarvel {

// Decodes the PNG file `bytes` whole into `*image` (eight bits a sample,
// in sRGB: a gamma of the file's own is corrected); for a file that PDF
// takes as it is (not interlaced, without transparency or a gamma of its
// own), it also keeps its zlib stream. Returns the fault: kDamaged for a file cut
// short or with a damaged chunk, kTooLarge beyond the bounds, before any
// pixel is decoded.
ImageFault DecodePng(std::string_view bytes, DecodedImage* image);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_IMAGES_PNG_DECODER_H_
