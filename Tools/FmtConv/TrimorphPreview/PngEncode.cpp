// PNG encoding through stb_image_write, whose implementation is compiled here and only here.
#include <string>

#include "Image.h"

// The library's own code is not held to the project's warnings (its tables leave fields to
// their defaults, and of its writers only the PNG one is used).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace preview {

namespace {

void Append(void* context, void* data, int size) {
  if (size > 0)
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size_t(size));
}

}  // namespace

std::string EncodePng(const Image& image) {
  std::string png;
  if (image.width <= 0 || image.height <= 0) return png;
  if (!stbi_write_png_to_func(Append, &png, image.width, image.height, 3, image.rgb.data(),
                              image.width * 3)) {
    png.clear();
  }
  return png;
}

}  // namespace preview
