// Clipping and filling of triangles.
#include "Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace preview {

namespace {

const int SUBPIXEL_BITS = 8;
const long long SUBPIXEL = 1LL << SUBPIXEL_BITS;
const long long HALF_PIXEL = SUBPIXEL / 2;

// The planes a corner must be inside: near, then the four sides of the guard band.
const int PLANES = 5;
double Inside(const ClipVertex& v, int plane, double near, double guard) {
  switch (plane) {
    case 0:
      return v.w - near;
    case 1:
      return v.x + guard * v.w;
    case 2:
      return guard * v.w - v.x;
    case 3:
      return v.y + guard * v.w;
    default:
      return guard * v.w - v.y;
  }
}

ClipVertex Between(const ClipVertex& a, const ClipVertex& b, double t) {
  ClipVertex v;
  v.x = a.x + (b.x - a.x) * t;
  v.y = a.y + (b.y - a.y) * t;
  v.w = a.w + (b.w - a.w) * t;
  for (int i = 0; i < 3; ++i) v.colour[i] = float(a.colour[i] + (b.colour[i] - a.colour[i]) * t);
  return v;
}

bool Finite(const ClipVertex& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.w);
}

// The nearest point of the grid of 1/256 pixel, for a coordinate within the guard band (far
// inside the range of long long).
long long ToGrid(double pixels) {
  const double x = pixels * SUBPIXEL;
  return x >= 0 ? (long long)(x + 0.5) : -(long long)(0.5 - x);
}

long long FloorDiv(long long a, long long b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Whether pixels exactly on the edge from a to b belong to the triangle on its positive side:
// those on a top edge (horizontal, the inside below) and on a left edge (the inside right).
bool TopLeft(long long dx, long long dy) {
  return dy < 0 || (dy == 0 && dx > 0);
}

// The part of the viewport inside the image.
Viewport InImage(Viewport v, const Image& image) {
  const int x1 = std::min(v.x + v.width, image.width), y1 = std::min(v.y + v.height, image.height);
  v.x = std::max(v.x, 0);
  v.y = std::max(v.y, 0);
  v.width = std::max(x1 - v.x, 0);
  v.height = std::max(y1 - v.y, 0);
  return v;
}

}  // namespace

Rasterizer::Rasterizer(Image& image, const Camera& camera)
    : image_(image),
      viewport_(InImage(camera.viewport, image)),
      centreX_(camera.viewport.x + camera.viewport.width * 0.5),
      centreY_(camera.viewport.y + camera.viewport.height * 0.5),
      near_(camera.nearDepth),
      guard_(camera.guard),
      depth_(size_t(viewport_.width) * size_t(viewport_.height), 0.0f) {}

void Rasterizer::Triangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c,
                          float opacity) {
  if (!Finite(a) || !Finite(b) || !Finite(c)) return;
  const ClipVertex v[3] = {a, b, c};
  bool allInside = true;
  for (int plane = 0; plane < PLANES; ++plane) {
    int outside = 0;
    for (const ClipVertex& corner : v) outside += Inside(corner, plane, near_, guard_) < 0;
    if (outside == 3) return;
    allInside = allInside && outside == 0;
  }
  if (allInside) {
    Polygon(v, 3, opacity);
    return;
  }
  // Cut the triangle at each plane in turn (each cut adds at most one corner).
  ClipVertex buffers[2][3 + PLANES];
  int n = 3;
  std::copy(v, v + 3, buffers[0]);
  for (int plane = 0; plane < PLANES && n >= 3; ++plane) {
    const ClipVertex* in = buffers[plane % 2];
    ClipVertex* out = buffers[(plane + 1) % 2];
    int m = 0;
    for (int i = 0; i < n; ++i) {
      const ClipVertex& p = in[i];
      const ClipVertex& q = in[(i + 1) % n];
      const double dp = Inside(p, plane, near_, guard_), dq = Inside(q, plane, near_, guard_);
      if (dp >= 0) out[m++] = p;
      if ((dp >= 0) != (dq >= 0)) out[m++] = Between(p, q, dp / (dp - dq));
    }
    n = m;
  }
  if (n >= 3) Polygon(buffers[PLANES % 2], n, opacity);
}

void Rasterizer::Polygon(const ClipVertex* v, int n, float opacity) {
  Corner corners[3 + PLANES];
  for (int i = 0; i < n; ++i) {
    // Inside the guard band: the corner is within a few thousand pixels of the centre.
    const double invDepth = 1 / v[i].w;
    corners[i].x = ToGrid(centreX_ + v[i].x * invDepth);
    corners[i].y = ToGrid(centreY_ + v[i].y * invDepth);
    corners[i].invDepth = invDepth;
    for (int k = 0; k < 3; ++k) corners[i].colour[k] = v[i].colour[k];
  }
  for (int i = 1; i + 1 < n; ++i) Fill(corners[0], corners[i], corners[i + 1], opacity);
}

void Rasterizer::Fill(Corner a, Corner b, Corner c, float opacity) {
  long long area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  if (area == 0) return;
  if (area < 0) {
    std::swap(b, c);
    area = -area;
  }
  // The pixels whose centres lie in the triangle's box, cut to the viewport.
  const long long minX = std::min({a.x, b.x, c.x}), maxX = std::max({a.x, b.x, c.x});
  const long long minY = std::min({a.y, b.y, c.y}), maxY = std::max({a.y, b.y, c.y});
  const long long x0 = std::max<long long>(viewport_.x, -FloorDiv(HALF_PIXEL - minX, SUBPIXEL));
  const long long x1 =
      std::min<long long>(viewport_.x + viewport_.width - 1, FloorDiv(maxX - HALF_PIXEL, SUBPIXEL));
  const long long y0 = std::max<long long>(viewport_.y, -FloorDiv(HALF_PIXEL - minY, SUBPIXEL));
  const long long y1 = std::min<long long>(viewport_.y + viewport_.height - 1,
                                           FloorDiv(maxY - HALF_PIXEL, SUBPIXEL));
  if (x0 > x1 || y0 > y1) return;

  // Edge functions: the weight of each corner is the edge across from it, positive inside.
  const Corner* corner[3] = {&a, &b, &c};
  long long rowStart[3], stepX[3], stepY[3];
  const long long px = x0 * SUBPIXEL + HALF_PIXEL, py = y0 * SUBPIXEL + HALF_PIXEL;
  for (int i = 0; i < 3; ++i) {
    const Corner& from = *corner[(i + 1) % 3];
    const Corner& to = *corner[(i + 2) % 3];
    const long long dx = to.x - from.x, dy = to.y - from.y;
    rowStart[i] = dx * (py - from.y) - dy * (px - from.x) - (TopLeft(dx, dy) ? 0 : 1);
    stepX[i] = -dy * SUBPIXEL;
    stepY[i] = dx * SUBPIXEL;
  }
  const double invArea = 1.0 / double(area);
  const bool opaque = opacity >= 1;
  for (long long y = y0; y <= y1; ++y) {
    long long e0 = rowStart[0], e1 = rowStart[1], e2 = rowStart[2];
    for (long long x = x0; x <= x1; ++x) {
      if ((e0 | e1 | e2) >= 0) {
        const double w0 = double(e0) * invArea, w1 = double(e1) * invArea,
                     w2 = double(e2) * invArea;
        const float invDepth = float(w0 * a.invDepth + w1 * b.invDepth + w2 * c.invDepth);
        float& there =
            depth_[size_t(y - viewport_.y) * size_t(viewport_.width) + size_t(x - viewport_.x)];
        if (invDepth > there) {
          uint8_t* p = image_.At(int(x), int(y));
          for (int k = 0; k < 3; ++k) {
            const float value = float(w0 * a.colour[k] + w1 * b.colour[k] + w2 * c.colour[k]);
            const float mixed = opaque ? value : p[k] + (value - p[k]) * opacity;
            p[k] = uint8_t(std::clamp(mixed, 0.0f, 255.0f) + 0.5f);
          }
          if (opaque) there = invDepth;
        }
      }
      e0 += stepX[0];
      e1 += stepX[1];
      e2 += stepX[2];
    }
    for (int i = 0; i < 3; ++i) rowStart[i] += stepY[i];
  }
}

}  // namespace preview
