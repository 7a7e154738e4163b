// Material types: the 36 types that a material's name selects, and the rule that splits a
// material name "{type word}{sub-object number}[s]...".
//
// The converter takes no rendering settings from the materials themselves: the type word fixes
// the lighting, the shader, alpha testing, the draw order and the z-buffer mode of every
// triangle of the material; the number says which sub-object of the distance level takes them;
// an 's' after the number marks that sub-object as sorted.
#ifndef TRIMORPH_MATERIALTYPES_H
#define TRIMORPH_MATERIALTYPES_H

#include <cstdint>

#include "Problem.h"

// Light configuration ids.
constexpr int LIGHTCFG_NORMAL = 0;
constexpr int LIGHTCFG_REFLECT = 1;

// Shader ids.
constexpr int SHADER_TEX = 0;
constexpr int SHADER_TEXDIFF = 1;
constexpr int SHADER_BLENDATEX = 2;
constexpr int SHADER_BLENDATEXDIFF = 3;
constexpr int SHADER_GLOSSMAP = 4;

struct sMatType {
  char mName[16];  // the type word, compared without regard to case
  int mLightMat;   // light material number
  uint8_t mClearFlag400;
  int mLightCfg;  // LIGHTCFG_NORMAL or LIGHTCFG_REFLECT
  int mShader;    // shader id
  int mSortKey;
  int mAlphaTestMode;
  int mZBufMode;
};

constexpr int NUM_MATERIAL_TYPES = 36;
extern const sMatType MaterialTypes[NUM_MATERIAL_TYPES];

// Splits a material name "{type word}{sub-object number}[s]..." and finds its type: the row of
// MaterialTypes, the sub-object number (0 when there is none) and whether the sub-object is
// sorted. MATERIAL_NAME_FORMAT when the name has no type word (or a number too large),
// MATERIAL_TYPE_UNKNOWN when the type word is not in the table; type is then none.
Problem ParseMaterialName(const char* name, const sMatType*& type, int& number, bool& sorted);

#endif  // TRIMORPH_MATERIALTYPES_H
