// JPEG files, decoded by libjpeg-turbo.
#ifndef QUARVEL_NATIVE_IMAGES_JPEG_DECODER_H_
#define QUARVEL_NATIVE_IMAGES_JPEG_DECODER_H_

#include <string_view>

#include "native/images/image_file.h"

namespace quarvel {

// Decodes the JPEG file `bytes` whole into `*image`: grey, or RGB. A CMYK
// file is read as Adobe's are, and as ImageMagick, Pillow and gdk-pixbuf
// read every CMYK JPEG file: its samples are inverted. Returns the fault:
// kDamaged for a file that cannot all be read (a warning of the decoder is
// damage too, and so is a kind that it cannot decode), kTooLarge beyond the
// bounds, before any pixel is decoded.
ImageFault DecodeJpeg(std::string_view bytes, DecodedImage* image);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_IMAGES_JPEG_DECODER_H_
