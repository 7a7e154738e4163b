// The colour and lighting of each kind of material and light material.
#include "MaterialLook.h"

#include <cctype>
#include <string>

namespace preview {

namespace {

struct KindStyle {
  const char* name;
  Rgb colour;
  float opacity;
};

const KindStyle KIND_STYLES[MATERIAL_KINDS] = {
    {"SOLID", {214, 190, 146}, 1},
    {"GLOSS", {170, 174, 186}, 1},
    {"ALPHA TEST", {72, 178, 104}, 1},
    {"BLENDED", {52, 118, 236}, 0.5f},
};

const KindStyle& Style(MaterialKind kind) {
  return KIND_STYLES[int(kind)];
}

bool NameHolds(const std::string& name, const char* word) {
  std::string lower;
  for (char c : name) lower += char(std::tolower(static_cast<unsigned char>(c)));
  return lower.find(word) != std::string::npos;
}

const std::string& ShaderName(const shapefile::Shape& shape, const shapefile::PrimState& state) {
  static const std::string none;
  if (state.shader < 0 || size_t(state.shader) >= shape.shaders.size()) return none;
  return shape.shaders[size_t(state.shader)];
}

// The built-in light material of the prim state's vertex state, -1 when it has its own.
int BuiltInLightMaterial(const shapefile::Shape& shape, const shapefile::PrimState& state) {
  if (state.vtxState < 0 || size_t(state.vtxState) >= shape.vtxStates.size()) return 4;
  const int written = shape.vtxStates[size_t(state.vtxState)].lightMaterial;
  return written < 0 ? -1 - written : -1;
}

}  // namespace

Rgb KindColour(MaterialKind kind) {
  return Style(kind).colour;
}

float KindOpacity(MaterialKind kind) {
  return Style(kind).opacity;
}

const char* KindName(MaterialKind kind) {
  return Style(kind).name;
}

MaterialKind KindOf(const shapefile::Shape& shape, const shapefile::PrimState& state) {
  if (state.alphaTestMode != 0) return MaterialKind::ALPHA_TESTED;
  const std::string& shader = ShaderName(shape, state);
  if (NameHolds(shader, "blend")) return MaterialKind::BLENDED;
  if (NameHolds(shader, "gloss")) return MaterialKind::GLOSS;
  return MaterialKind::SOLID;
}

MaterialLook LookOf(const shapefile::Shape& shape, const shapefile::PrimState& state) {
  MaterialLook look;
  look.kind = KindOf(shape, state);
  const KindStyle& style = Style(look.kind);
  look.colour[0] = style.colour.r;
  look.colour[1] = style.colour.g;
  look.colour[2] = style.colour.b;
  look.opacity = style.opacity;
  // Normal lighting unless the light material says otherwise.
  look.ambient = 0.45f;
  look.diffuse = 0.55f;
  switch (BuiltInLightMaterial(shape, state)) {
    case 7:  // full bright
      look.ambient = 1;
      look.diffuse = 0;
      break;
    case 10:  // half bright
      look.ambient = 0.7f;
      look.diffuse = 0.3f;
      break;
    case 11:  // dark shade
      look.ambient = 0.2f;
      look.diffuse = 0.45f;
      break;
    case 5:  // low shine
      look.highlight = 0.2f;
      look.sharpness = 3;
      break;
    case 6:  // high shine
      look.highlight = 0.4f;
      look.sharpness = 5;
      break;
    case 0:  // reflecting
      look.highlight = 0.3f;
      look.sharpness = 5;
      break;
    default:  // normal (4) and the others
      break;
  }
  return look;
}

}  // namespace preview
