// The whole picture: one panel per distance level in a row, each titled with the level's
// distance and triangle count above its picture of the shape and a legend of its kinds of
// material below it, all drawn by the same camera, fitted to the sphere around everything
// that any level draws, so that the levels compare at a glance.
#ifndef TRIMORPH_PREVIEW_PREVIEW_H
#define TRIMORPH_PREVIEW_PREVIEW_H

#include <cstddef>
#include <string>
#include <vector>

#include "Camera.h"
#include "Image.h"
#include "ShapeModel.h"

namespace preview {

constexpr Rgb BACKGROUND{236, 238, 241};

// The largest picture drawn: widths and heights beyond it are refused before any drawing.
constexpr long long MAX_PICTURE_WIDTH = 65535;
constexpr long long MAX_PICTURE_PIXELS = 100LL * 1000 * 1000;
bool PictureFits(size_t panels, int panelWidth, int panelHeight);

// The distance levels in the order of their panels: nearest first; levels of equal distance in
// file order.
std::vector<size_t> LevelsByDistance(const shapefile::Shape& shape);

// Where panel i (from 0) shows the shape: the panel without its title and legend bands.
Viewport PanelViewport(size_t panel, int panelWidth, int panelHeight);

// "50 m: 1,204 triangles"
std::string PanelTitle(float distance, long triangles);

// The picture of the given distance levels (indices into the shape's list), a panel each in
// that order. The camera is fitted to the whole shape, whichever levels are shown.
Image RenderPreview(const shapefile::Shape& shape, const std::vector<size_t>& levels,
                    int panelWidth, int panelHeight, View view);

}  // namespace preview

#endif  // TRIMORPH_PREVIEW_PREVIEW_H
