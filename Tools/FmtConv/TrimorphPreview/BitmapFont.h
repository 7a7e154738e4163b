// A tiny bitmap font for the titles: digits, capital letters (small letters are drawn as
// capitals), the space and . , - : ( ) / + = _ % ?; any other character is drawn as '?'.
// Each glyph is 5 by 7 pixels with one pixel between glyphs, drawn `scale` times larger.
#ifndef TRIMORPH_PREVIEW_BITMAPFONT_H
#define TRIMORPH_PREVIEW_BITMAPFONT_H

#include <string_view>

#include "Image.h"

namespace preview {

constexpr int GLYPH_WIDTH = 5, GLYPH_HEIGHT = 7, GLYPH_ADVANCE = 6;

// The width in pixels of a text drawn at the scale (without the space after its last glyph).
int TextWidth(std::string_view text, int scale);
// Draws a text with the top left corner of its first glyph at (x, y), cut to the image.
void DrawText(Image& image, int x, int y, std::string_view text, int scale, Rgb colour);

}  // namespace preview

#endif  // TRIMORPH_PREVIEW_BITMAPFONT_H
