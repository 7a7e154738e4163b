// Panels, titles and legends.
#include "Preview.h"

#include <algorithm>
#include <cstdio>

#include "BitmapFont.h"
#include "Placement.h"
#include "RenderPanel.h"

namespace preview {

namespace {

const Rgb TEXT{40, 44, 52};
const Rgb SEPARATOR{190, 195, 202};
const int PADDING = 5;

// Titles are drawn twice as large in panels that have the room.
int TitleScale(int panelWidth, int panelHeight) {
  return panelWidth >= 300 && panelHeight >= 200 ? 2 : 1;
}
int LegendScale(int panelWidth) {
  return panelWidth >= 800 ? 2 : 1;
}
int TitleBand(int panelWidth, int panelHeight) {
  return GLYPH_HEIGHT * TitleScale(panelWidth, panelHeight) + 2 * PADDING;
}
int LegendBand(int panelWidth) {
  return GLYPH_HEIGHT * LegendScale(panelWidth) + 2 * PADDING;
}

// 1234567 as "1,234,567"
std::string Grouped(long n) {
  const std::string digits = std::to_string(n);
  const size_t first = digits[0] == '-' ? 1 : 0;
  std::string out = digits.substr(0, first);
  for (size_t i = first; i < digits.size(); ++i) {
    if (i > first && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// The title at the larger scale if it fits, else at the smaller one, else without the word
// "triangles", cut to the panel.
void DrawTitle(Image& picture, int x, int panelWidth, int panelHeight, float distance,
               long triangles) {
  const int room = panelWidth - 2 * PADDING;
  std::string title = PanelTitle(distance, triangles);
  int scale = TitleScale(panelWidth, panelHeight);
  if (TextWidth(title, scale) > room) scale = 1;
  if (TextWidth(title, scale) > room) title = title.substr(0, title.rfind(' '));
  while (!title.empty() && TextWidth(title, scale) > room) title.pop_back();
  DrawText(picture, x + PADDING, PADDING, title, scale, TEXT);
}

// A square of each kind's colour as a panel draws it over the background (blended ones mixed
// with it), and its name.
void DrawLegend(Image& picture, int x, int panelWidth, int panelHeight,
                const std::array<bool, MATERIAL_KINDS>& kinds) {
  const int scale = LegendScale(panelWidth);
  const int side = GLYPH_HEIGHT * scale;
  const int y = panelHeight - PADDING - side;
  int at = x + PADDING;
  for (int k = 0; k < MATERIAL_KINDS; ++k) {
    if (!kinds[size_t(k)]) continue;
    const MaterialKind kind = MaterialKind(k);
    const char* name = KindName(kind);
    if (at + side + 2 * scale + TextWidth(name, scale) > x + panelWidth - PADDING) break;
    const Rgb c = KindColour(kind);
    const float opacity = KindOpacity(kind);
    auto mix = [opacity](uint8_t over, uint8_t under) {
      return uint8_t(under + (over - under) * opacity + 0.5f);
    };
    picture.FillRect(at, y, side, side,
                     {mix(c.r, BACKGROUND.r), mix(c.g, BACKGROUND.g), mix(c.b, BACKGROUND.b)});
    at += side + 2 * scale;
    DrawText(picture, at, y, name, scale, TEXT);
    at += TextWidth(name, scale) + 4 * GLYPH_ADVANCE * scale / 3;
  }
}

}  // namespace

bool PictureFits(size_t panels, int panelWidth, int panelHeight) {
  const long long width = (long long)(panels)*panelWidth;
  return panels > 0 && panels <= size_t(MAX_PICTURE_WIDTH) && width <= MAX_PICTURE_WIDTH &&
         width * panelHeight <= MAX_PICTURE_PIXELS;
}

std::vector<size_t> LevelsByDistance(const shapefile::Shape& shape) {
  std::vector<size_t> order(shape.distanceLevels.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return shape.distanceLevels[a].distance < shape.distanceLevels[b].distance;
  });
  return order;
}

Viewport PanelViewport(size_t panel, int panelWidth, int panelHeight) {
  const int top = TitleBand(panelWidth, panelHeight);
  Viewport v;
  v.x = int(panel) * panelWidth;
  v.y = top;
  v.width = panelWidth;
  v.height = std::max(1, panelHeight - top - LegendBand(panelWidth));
  return v;
}

std::string PanelTitle(float distance, long triangles) {
  char d[32];
  snprintf(d, sizeof d, "%g", double(distance));
  return std::string(d) + " m: " + Grouped(triangles) +
         (triangles == 1 ? " triangle" : " triangles");
}

Image RenderPreview(const shapefile::Shape& shape, const std::vector<size_t>& levels,
                    int panelWidth, int panelHeight, View view) {
  Image picture(int(levels.size()) * panelWidth, panelHeight, BACKGROUND);
  const Bounds bounds = ShapeBounds(shape);
  for (size_t i = 0; i < levels.size(); ++i) {
    const shapefile::DistanceLevel& level = shape.distanceLevels[levels[i]];
    const Camera camera = MakeCamera(view, bounds, PanelViewport(i, panelWidth, panelHeight));
    const PanelCounts counts = RenderPanel(shape, level, camera, picture);
    const int x = int(i) * panelWidth;
    DrawTitle(picture, x, panelWidth, panelHeight, level.distance, counts.triangles);
    DrawLegend(picture, x, panelWidth, panelHeight, counts.kinds);
    if (i > 0) picture.FillRect(x, 0, 1, panelHeight, SEPARATOR);
  }
  return picture;
}

}  // namespace preview
