// Pool equalities that are not written inline in their header.
#include "ShapePoolTraits.h"

namespace {

char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

}  // namespace

// Image names compare without regard to the case of letters, up to their terminator or the end
// of the 16-byte field, whichever comes first.
bool ObjTraits<sImageName>::Equal(const sImageName& a, const sImageName& b) {
  for (int i = 0; i < IMAGE_NAME_SIZE; ++i) {
    char ca = FoldCase(a.mName[i]);
    if (ca != FoldCase(b.mName[i])) return false;
    if (!ca) return true;
  }
  return true;
}

// Folds case exactly as Equal does and stops where Equal stops, so names that Equal finds equal
// hash alike.
uint64_t ObjTraits<sImageName>::Hash(const sImageName& a) {
  uint64_t h = 0xcbf29ce484222325ULL;
  for (int i = 0; i < IMAGE_NAME_SIZE; ++i) {
    char c = FoldCase(a.mName[i]);
    if (!c) break;
    h = (h ^ uint8_t(c)) * 0x100000001b3ULL;
  }
  return PoolMix(h);
}
