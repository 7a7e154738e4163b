// The picture's pixels.
#include "Image.h"

#include <algorithm>
#include <cstring>

namespace preview {

Image::Image(int w, int h, Rgb fill) : width(w), height(h), rgb(size_t(w) * size_t(h) * 3) {
  FillRect(0, 0, w, h, fill);
}

void Image::FillRect(int x, int y, int w, int h, Rgb colour) {
  const int x0 = std::max(x, 0), x1 = std::min(x + w, width);
  const int y0 = std::max(y, 0), y1 = std::min(y + h, height);
  for (int py = y0; py < y1; ++py) {
    for (int px = x0; px < x1; ++px) {
      uint8_t* p = At(px, py);
      p[0] = colour.r;
      p[1] = colour.g;
      p[2] = colour.b;
    }
  }
}

void Image::Paste(const Image& other, int x, int y) {
  const int x0 = std::max(x, 0), x1 = std::min(x + other.width, width);
  if (x1 <= x0) return;
  for (int py = std::max(y, 0); py < std::min(y + other.height, height); ++py) {
    memcpy(At(x0, py), other.At(x0 - x, py - y), size_t(x1 - x0) * 3);
  }
}

}  // namespace preview
