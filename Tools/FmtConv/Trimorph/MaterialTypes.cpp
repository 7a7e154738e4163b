// Material types: the table of the 36 types that a material name selects, and the rule that
// splits a material name "{type word}{sub-object number}[s]...".
#include <climits>
#include <cstddef>

#include "MaterialTypes.h"

#include <string>

// Seven lighting families (the number is the light material) in five variants each: Solid (no
// blending), Trans (blending with alpha test), Alph-, Alph and Alph+ (blending drawn after the
// others, by sort key 5, 10 and 15); Bright and HlfBrt use the shaders without diffuse lighting.
// Gloss stands alone and takes a reflection map.
// Columns: name, light material, clear-0x400 flag, light configuration, shader, sort key,
// alpha test mode, z-buffer mode.
const sMatType MaterialTypes[NUM_MATERIAL_TYPES] = {
    {"SolidBright", 7, 0, LIGHTCFG_NORMAL, SHADER_TEX, 0, 0, 1},              // 0
    {"TransBright", 7, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEX, 0, 1, 1},        // 1
    {"AlphBright-", 7, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEX, 5, 0, 1},        // 2
    {"AlphBright", 7, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEX, 10, 0, 1},        // 3
    {"AlphBright+", 7, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEX, 15, 0, 1},       // 4
    {"SolidHlfBrt", 10, 0, LIGHTCFG_NORMAL, SHADER_TEX, 0, 0, 1},             // 5
    {"TransHlfBrt", 10, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEX, 0, 1, 1},       // 6
    {"AlphHlfBrt-", 10, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEX, 5, 0, 1},       // 7
    {"AlphHlfBrt", 10, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEX, 10, 0, 1},       // 8
    {"AlphHlfBrt+", 10, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEX, 15, 0, 1},      // 9
    {"SolidNorm", 4, 0, LIGHTCFG_NORMAL, SHADER_TEXDIFF, 0, 0, 1},            // 10
    {"TransNorm", 4, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 0, 1, 1},      // 11
    {"AlphNorm-", 4, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 5, 0, 1},      // 12
    {"AlphNorm", 4, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 10, 0, 1},      // 13
    {"AlphNorm+", 4, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 15, 0, 1},     // 14
    {"SolidLoShine", 5, 0, LIGHTCFG_NORMAL, SHADER_TEXDIFF, 0, 0, 1},         // 15
    {"TransLoShine", 5, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 0, 1, 1},   // 16
    {"AlphLoShine-", 5, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 5, 0, 1},   // 17
    {"AlphLoShine", 5, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 10, 0, 1},   // 18
    {"AlphLoShine+", 5, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 15, 0, 1},  // 19
    {"SolidHiShine", 6, 0, LIGHTCFG_NORMAL, SHADER_TEXDIFF, 0, 0, 1},         // 20
    {"TransHiShine", 6, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 0, 1, 1},   // 21
    {"AlphHiShine-", 6, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 5, 0, 1},   // 22
    {"AlphHiShine", 6, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 10, 0, 1},   // 23
    {"AlphHiShine+", 6, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 15, 0, 1},  // 24
    {"SolidDrkShd", 11, 0, LIGHTCFG_NORMAL, SHADER_TEXDIFF, 0, 0, 1},         // 25
    {"TransDrkShd", 11, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 0, 1, 1},   // 26
    {"AlphDrkShd-", 11, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 5, 0, 1},   // 27
    {"AlphDrkShd", 11, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 10, 0, 1},   // 28
    {"AlphDrkShd+", 11, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 15, 0, 1},  // 29
    {"SolidCrcfrm", 8, 0, LIGHTCFG_NORMAL, SHADER_TEXDIFF, 0, 0, 1},          // 30
    {"TransCrcfrm", 8, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 0, 1, 1},    // 31
    {"AlphCrcfrm-", 8, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 5, 0, 1},    // 32
    {"AlphCrcfrm", 8, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 10, 0, 1},    // 33
    {"AlphCrcfrm+", 8, 0, LIGHTCFG_NORMAL, SHADER_BLENDATEXDIFF, 15, 0, 1},   // 34
    {"Gloss", 0, 0, LIGHTCFG_REFLECT, SHADER_GLOSSMAP, 0, 0, 1},              // 35
};

namespace {

char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The type word of length len equals the row's name, ignoring the case of letters.
bool TypeWordIs(const char* word, size_t len, const char* typeName) {
  for (size_t i = 0; i < len; ++i) {
    if (!typeName[i] || FoldCase(word[i]) != FoldCase(typeName[i])) return false;
  }
  return typeName[len] == '\0';
}

}  // namespace

Problem ParseMaterialName(const char* name, const sMatType*& type, int& number, bool& sorted) {
  type = nullptr;
  number = 0;
  sorted = false;
  if (!name) name = "";

  // The type word: every character up to the first digit or underscore; it must not be empty.
  size_t wordLen = 0;
  while (name[wordLen] && !IsDigit(name[wordLen]) && name[wordLen] != '_') ++wordLen;
  if (wordLen == 0) {
    return MakeProblem(ProblemCode::MATERIAL_NAME_FORMAT, name,
                       "the name does not begin with a type word");
  }

  // The sub-object number, when digits follow, and the sort flag right after it.
  const char* p = name + wordLen;
  if (IsDigit(*p)) {
    long long value = 0;
    for (; IsDigit(*p); ++p) {
      value = value * 10 + (*p - '0');
      if (value > INT_MAX) {
        number = 0;
        return MakeProblem(ProblemCode::MATERIAL_NAME_FORMAT, name,
                           "the sub-object number is greater than 2147483647");
      }
    }
    number = int(value);
    sorted = *p == 's';
  }

  for (const sMatType& row : MaterialTypes) {
    if (TypeWordIs(name, wordLen, row.mName)) {
      type = &row;
      return Problem();
    }
  }
  return MakeProblem(
      ProblemCode::MATERIAL_TYPE_UNKNOWN, name,
      "the type word '" + std::string(name, wordLen) + "' is not one of the material types");
}
