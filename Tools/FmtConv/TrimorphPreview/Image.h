// The picture: rows of 8-bit RGB pixels, top row first, and its PNG encoding.
#ifndef TRIMORPH_PREVIEW_IMAGE_H
#define TRIMORPH_PREVIEW_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "MaterialLook.h"

namespace preview {

struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // 3 bytes per pixel

  Image() = default;
  Image(int w, int h, Rgb fill);

  uint8_t* At(int x, int y) { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
  const uint8_t* At(int x, int y) const {
    return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
  }
  Rgb Pixel(int x, int y) const {
    const uint8_t* p = At(x, y);
    return {p[0], p[1], p[2]};
  }
  // A rectangle in one colour, cut to the image.
  void FillRect(int x, int y, int w, int h, Rgb colour);
  // Copies another image with its top left corner at (x, y), cut to this image.
  void Paste(const Image& other, int x, int y);
};

// The PNG file's bytes; empty when the encoder fails.
std::string EncodePng(const Image& image);

}  // namespace preview

#endif  // TRIMORPH_PREVIEW_IMAGE_H
