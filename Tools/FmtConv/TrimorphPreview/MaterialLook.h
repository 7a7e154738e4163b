// How the preview draws a prim state, without its textures: a colour per kind of material and
// a lighting per light material.
//
// The kind comes from the prim state:
//   alpha-tested  its alpha test mode is not 0 (the Trans... materials): opaque, green
//   blended       a shader whose name holds "Blend" without alpha test (the Alph...
//                 materials): translucent blue, drawn after everything opaque in the order of
//                 the prim states, which is the order of their passes
//   gloss         a shader whose name holds "Gloss" (reflecting): silver, with a highlight
//   solid         any other (the Solid... materials): opaque, sand
// The lighting comes from the light material of its vertex state, a built-in one by its
// number (-1 - the number written): full bright (7) is not shaded, half bright (10) half,
// dark shade (11) darker than normal (4), low and high shine (5, 6) and the reflecting
// material (0) add a highlight. Light materials of the file's own list are drawn as normal.
#ifndef TRIMORPH_PREVIEW_MATERIALLOOK_H
#define TRIMORPH_PREVIEW_MATERIALLOOK_H

#include <cstdint>

#include "ShapeModel.h"

namespace preview {

enum class MaterialKind { SOLID, GLOSS, ALPHA_TESTED, BLENDED };
constexpr int MATERIAL_KINDS = 4;

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

struct MaterialLook {
  MaterialKind kind = MaterialKind::SOLID;
  float colour[3] = {};  // the surface colour, 0 to 255
  float opacity = 1;     // of blended materials: how much of the colour covers what is behind
  float ambient = 1;     // the share of the colour lit from everywhere
  float diffuse = 0;     // the share lit by the light, by the angle of the surface to it
  float highlight = 0;   // the brightness of the highlight
  int sharpness = 0;     // the highlight falls off with the angle to the power 2^sharpness
};

// The colour of a kind of material, unlit, and how much of what is behind it that colour
// covers (for the legend).
Rgb KindColour(MaterialKind kind);
float KindOpacity(MaterialKind kind);
const char* KindName(MaterialKind kind);

MaterialKind KindOf(const shapefile::Shape& shape, const shapefile::PrimState& state);
MaterialLook LookOf(const shapefile::Shape& shape, const shapefile::PrimState& state);

// The lit colour of a surface point whose normal makes the cosines `toLight` with the light
// and `toHalf` with the half-way vector of light and view (both 0 when facing away).
inline void Shade(const MaterialLook& look, float toLight, float toHalf, float out[3]) {
  float h = toHalf;
  for (int i = 0; i < look.sharpness; ++i) h *= h;
  const float lit = look.ambient + look.diffuse * toLight;
  const float shine = look.highlight * h * 255;
  for (int i = 0; i < 3; ++i) {
    const float c = look.colour[i] * lit + shine;
    out[i] = c < 255 ? c : 255;
  }
}

}  // namespace preview

#endif  // TRIMORPH_PREVIEW_MATERIALLOOK_H
