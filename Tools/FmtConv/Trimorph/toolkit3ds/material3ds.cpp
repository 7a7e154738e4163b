// Materials: finds a material (chunk CHUNK_MATERIAL) of a database by its name and fills a
// Material3ds record with its colours, amounts, flags and map references.
//
// The material list of the database (name and chunk of every material) is built on the first
// lookup after the tree changed. A fill works on a copy of each child of the material chunk, so
// that a record decoded from a file that is still open does not stay behind in the database,
// and a record of a detached database stays where it is. The Material3ds holds copies of all
// strings and of the extension blocks; it refers to nothing in the database or its file.
#include "toolkit3ds_internal.h"

namespace {

// Byte colour components to 0..1: the single-precision value nearest 1/255.
constexpr float COLOUR_FACTOR = 0.003921569f;
// Integer percentages to fractions.
constexpr float PERCENT_FACTOR = 0.01f;

// Copies text into a fixed character field of fieldsize bytes, cutting it to fieldsize - 1
// characters so that the NUL always fits.
void CopyField(char* field, size_t fieldsize, const std::string& text) {
  size_t n = 0;
  while (n + 1 < fieldsize && n < text.size() && text[n] != '\0') {
    field[n] = text[n];
    ++n;
  }
  field[n] = '\0';
}

template <size_t N>
void CopyField(char (&field)[N], const std::string& text) {
  CopyField(field, N, text);
}

void SetRgb(float* out, const Color24Data3ds& c) {
  out[0] = float(c.r) * COLOUR_FACTOR;
  out[1] = float(c.g) * COLOUR_FACTOR;
  out[2] = float(c.b) * COLOUR_FACTOR;
}

void SetRgb(float* out, float r, float g, float b) {
  out[0] = r;
  out[1] = g;
  out[2] = b;
}

// A signed 16-bit percentage as a fraction.
float WordPercent(uint16_t value) {
  return float(int16_t(value)) * PERCENT_FACTOR;
}

// The decoded record of a chunk, of the kind the caller expects; null when the chunk has none
// (an undecodable payload has already recorded its error).
template <class T>
T* Decoded(Chunk3ds* chunk) {
  return chunk ? DataAs3ds<T>(ReadChunkData3ds(chunk)) : nullptr;
}

// A float payload into a field, when the chunk has one.
void TakeFloat(Chunk3ds* c, float* field) {
  if (auto* f = Decoded<FloatData3ds>(c)) *field = f->value;
}

// A 24-bit tint colour into a field, when the chunk has one.
void TakeTint(Chunk3ds* c, float* field) {
  if (auto* rgb = Decoded<Color24Data3ds>(c)) SetRgb(field, *rgb);
}

// A copy of chunk with its subtree, released when the holder goes.
class ChunkCopy {
 public:
  explicit ChunkCopy(Chunk3ds* src) { CopyChunk3ds(src, &copy_); }
  ~ChunkCopy() { ReleaseChunk3ds(&copy_); }
  ChunkCopy(const ChunkCopy&) = delete;
  ChunkCopy& operator=(const ChunkCopy&) = delete;
  Chunk3ds* get() const { return copy_; }

 private:
  Chunk3ds* copy_ = nullptr;
};

// clang-format off
// Which bitmap of a material a map, mask or extension-data tag fills; null for other tags.
Bitmap3ds* MapOfTag(Material3ds* m, uint32_t tag) {
  switch (tag) {
    case CHUNK_MAT_TEXTURE_MAP: return &m->texture.map;
    case CHUNK_MAT_SPECULAR_MAP: return &m->specularmap.map;
    case CHUNK_MAT_OPACITY_MAP: return &m->opacitymap.map;
    case CHUNK_MAT_REFLECTION_MAP: return &m->texture2.map;
    case CHUNK_MAT_BUMP_MAP: return &m->bumpmap.map;
    case CHUNK_MAT_TEXTURE2_MAP: return &m->secondtexture.map;
    case CHUNK_MAT_SHININESS_MAP: return &m->shininessmap.map;
    case CHUNK_MAT_SELF_ILLUM_MAP: return &m->selfillummap.map;
    default: return nullptr;
  }
}

Bitmap3ds* MaskOfTag(Material3ds* m, uint32_t tag) {
  switch (tag) {
    case CHUNK_MAT_TEXTURE_MASK: return &m->texture.mask;
    case CHUNK_MAT_TEXTURE2_MASK: return &m->secondtexture.mask;
    case CHUNK_MAT_OPACITY_MASK: return &m->opacitymap.mask;
    case CHUNK_MAT_BUMP_MASK: return &m->bumpmap.mask;
    case CHUNK_MAT_SHININESS_MASK: return &m->shininessmap.mask;
    case CHUNK_MAT_SPECULAR_MASK: return &m->specularmap.mask;
    case CHUNK_MAT_SELF_ILLUM_MASK: return &m->selfillummap.mask;
    case CHUNK_MAT_REFLECTION_MASK: return &m->texture2.mask;
    default: return nullptr;
  }
}

// The reflection map has no extension data of its own; its mask has.
Bitmap3ds* ExtDataTarget(Material3ds* m, uint32_t tag) {
  switch (tag) {
    case CHUNK_MAT_TEXTURE_MAP_DATA: return &m->texture.map;
    case CHUNK_MAT_TEXTURE_MASK_DATA: return &m->texture.mask;
    case CHUNK_MAT_TEXTURE2_MAP_DATA: return &m->secondtexture.map;
    case CHUNK_MAT_TEXTURE2_MASK_DATA: return &m->secondtexture.mask;
    case CHUNK_MAT_OPACITY_MAP_DATA: return &m->opacitymap.map;
    case CHUNK_MAT_OPACITY_MASK_DATA: return &m->opacitymap.mask;
    case CHUNK_MAT_BUMP_MAP_DATA: return &m->bumpmap.map;
    case CHUNK_MAT_BUMP_MASK_DATA: return &m->bumpmap.mask;
    case CHUNK_MAT_SPECULAR_MAP_DATA: return &m->specularmap.map;
    case CHUNK_MAT_SPECULAR_MASK_DATA: return &m->specularmap.mask;
    case CHUNK_MAT_SHININESS_MAP_DATA: return &m->shininessmap.map;
    case CHUNK_MAT_SHININESS_MASK_DATA: return &m->shininessmap.mask;
    case CHUNK_MAT_SELF_ILLUM_MAP_DATA: return &m->selfillummap.map;
    case CHUNK_MAT_SELF_ILLUM_MASK_DATA: return &m->selfillummap.mask;
    case CHUNK_MAT_REFLECTION_MASK_DATA: return &m->texture2.mask;
    default: return nullptr;
  }
}

float* PercentageOfTag(Material3ds* m, uint32_t tag) {
  switch (tag) {
    case CHUNK_MAT_SHININESS: return &m->shininess;
    case CHUNK_MAT_SHININESS_STRENGTH: return &m->shininessstrength;
    case CHUNK_MAT_REFLECTION_BLUR: return &m->blur;
    case CHUNK_MAT_TRANSPARENCY: return &m->transparency;
    case CHUNK_MAT_TRANSPARENCY_FALLOFF: return &m->transparencyfalloff;
    case CHUNK_MAT_SELF_ILLUM: return &m->selfillumamount;
    default: return nullptr;
  }
}

uint8_t* FlagOfTag(Material3ds* m, uint32_t tag) {
  switch (tag) {
    case CHUNK_MAT_SELF_ILLUM_FLAG: return &m->selfillumflag;
    case CHUNK_MAT_TWO_SIDED: return &m->twosided;
    case CHUNK_MAT_ADDITIVE: return &m->additive;
    case CHUNK_MAT_FACE_MAPPING: return &m->facemapping;
    case CHUNK_MAT_SOFTEN: return &m->softenflag;
    case CHUNK_MAT_WIRE_ABSOLUTE: return &m->wireabsolute;
    case CHUNK_MAT_FALLOFF_FLAG: return &m->falloffflag;
    case CHUNK_MAT_BLUR_FLAG: return &m->blurflag;
    default: return nullptr;
  }
}

float* ColourOfTag(Material3ds* m, uint32_t tag) {
  switch (tag) {
    case CHUNK_MAT_AMBIENT: return m->ambient;
    case CHUNK_MAT_DIFFUSE: return m->diffuse;
    case CHUNK_MAT_SPECULAR: return m->specular;
    default: return nullptr;
  }
}
// clang-format on

// A colour chunk: the 24-bit colour CHUNK_COLOUR_24 is required; a linear 24-bit colour
// CHUNK_LINEAR_COLOUR_24, when present, replaces it. Returns false (ERR_UNFOUND_CHUNK recorded)
// without CHUNK_COLOUR_24.
bool ReadColour(Chunk3ds* colour, float* out) {
  Chunk3ds* rgb = nullptr;
  FindChunk3ds(colour, CHUNK_COLOUR_24, &rgb);
  if (!rgb) {
    PushError3ds(ERR_UNFOUND_CHUNK);
    return false;
  }
  if (auto* c = Decoded<Color24Data3ds>(rgb)) SetRgb(out, *c);
  Chunk3ds* linear = nullptr;
  FindChunk3ds(colour, CHUNK_LINEAR_COLOUR_24, &linear);
  if (auto* c = Decoded<Color24Data3ds>(linear)) SetRgb(out, *c);
  return true;
}

// Bits of a map's flag word (CHUNK_MAP_FLAGS).
constexpr uint16_t MAP_DECAL = 0x01;  // with MAP_NO_TILE: a decal only, else tiled too
constexpr uint16_t MAP_MIRROR = 0x02;
constexpr uint16_t MAP_NEGATIVE = 0x08;
constexpr uint16_t MAP_NO_TILE = 0x10;
constexpr uint16_t MAP_SUMMED_AREA = 0x20;  // summed-area filtering
constexpr uint16_t MAP_ALPHA_SOURCE = 0x40;
constexpr uint16_t MAP_TINT = 0x80;
constexpr uint16_t MAP_IGNORE_ALPHA = 0x100;
constexpr uint16_t MAP_RGB_TINT = 0x200;

// Flags of the automatic reflection (CHUNK_MAT_AUTO_REFLECTION): each setting takes two bits.
constexpr uint16_t AUTOREFL_FIRST_FRAME_ONLY = 0x09;
constexpr uint16_t AUTOREFL_FLAT_MIRROR = 0x11;

// The map flag word.
void ApplyMapFlags(uint16_t f, Bitmap3ds* map) {
  if (!(f & MAP_DECAL)) {
    map->tilingmode = 1;
  } else if (f & MAP_NO_TILE) {
    map->tilingmode = 2;
  } else {
    map->tilingmode = 3;
  }
  map->noalpha = (f & MAP_IGNORE_ALPHA) ? 1 : 0;
  map->filtering = (f & MAP_SUMMED_AREA) ? 1 : 0;
  map->mirror = (f & MAP_MIRROR) ? 1 : 0;
  map->negative = (f & MAP_NEGATIVE) ? 1 : 0;
  if ((f & MAP_TINT) && (f & MAP_ALPHA_SOURCE)) {
    map->alphasource = 3;
  } else if (f & MAP_TINT) {
    map->alphasource = 2;
  } else if (f & MAP_RGB_TINT) {
    map->alphasource = 4;
  } else if (f & MAP_ALPHA_SOURCE) {
    map->alphasource = 1;
  } else {
    map->alphasource = 0;
  }
}

void ApplyAutoReflection(const AutoReflData3ds& r, AutoReflect3ds* a) {
  a->enabled = 1;
  a->firstframeonly = (r.flags & AUTOREFL_FIRST_FRAME_ONLY) == AUTOREFL_FIRST_FRAME_ONLY ? 1 : 0;
  a->flatmirrored = (r.flags & AUTOREFL_FLAT_MIRROR) == AUTOREFL_FLAT_MIRROR ? 1 : 0;
  a->mapsize = r.mapsize;
  a->everynthframe = r.everynthframe;
}

// Copies the extension block of a data chunk into the bitmap: the decoded block may view the
// file's bytes, which the material must not hold.
void CopyExtData(const BytesData3ds& block, Bitmap3ds* map) {
  if (!block.bytes.CopyTo(&map->extdata)) {
    PushError3ds(ERR_NO_MEM);
    return;
  }
  map->extdatasize = int32_t(block.size);
}

// One child of a material chunk (a copy of it, with its subtree). Returns false when the child
// ends the fill: a tag the material does not know, or a colour without its 24-bit value.
bool ApplyMaterialChild(Chunk3ds* c, Material3ds* m) {
  const uint32_t tag = c->tag;
  if (Bitmap3ds* map = MapOfTag(m, tag)) {
    ReadBitmap3ds(c, map);
    if (tag == CHUNK_MAT_BUMP_MAP) {
      // The bump map's strength.
      Chunk3ds* amount = nullptr;
      FindChunk3ds(c, CHUNK_MAT_BUMP_AMOUNT, &amount);
      if (auto* w = Decoded<WordData3ds>(amount)) map->amount = WordPercent(w->value);
    }
    return true;
  }
  if (Bitmap3ds* mask = MaskOfTag(m, tag)) {
    ReadBitmap3ds(c, mask);
    return true;
  }
  if (Bitmap3ds* target = ExtDataTarget(m, tag)) {
    if (auto* block = Decoded<BytesData3ds>(c)) CopyExtData(*block, target);
    return true;
  }
  if (float* amount = PercentageOfTag(m, tag)) {
    *amount = ReadPercentage3ds(c);
    return true;
  }
  if (uint8_t* flag = FlagOfTag(m, tag)) {
    *flag = 1;
    return true;
  }
  if (float* colour = ColourOfTag(m, tag)) return ReadColour(c, colour);

  switch (tag) {
    case CHUNK_MAT_NAME:
      if (auto* s = Decoded<StringData3ds>(c)) CopyField(m->name, s->value);
      return true;
    case CHUNK_MAT_SHININESS_3:  // known and of no use here
      return true;
    case CHUNK_MAT_WIRE:
      m->shading = 0;
      return true;
    case CHUNK_MAT_WIRE_SIZE:
      TakeFloat(c, &m->wirethickness);
      return true;
    case CHUNK_MAT_FALLOFF_IN:
      // Negates the transparency read so far; a later CHUNK_MAT_TRANSPARENCY sets it anew.
      m->transparency = -m->transparency;
      return true;
    case CHUNK_MAT_SHADING:
      if (auto* w = Decoded<WordData3ds>(c)) m->shading = int16_t(w->value);
      return true;
    case CHUNK_MAT_AUTO_REFLECTION:
      if (auto* r = Decoded<AutoReflData3ds>(c))
        ApplyAutoReflection(*r, &m->texture2.autoreflection);
      return true;
    default:
      PushError3ds(ERR_INVALID_CHUNK);
      return false;
  }
}

// One child of a map chunk (a copy of it). Tags a map does not use are ignored.
void ApplyBitmapChild(Chunk3ds* c, Bitmap3ds* map) {
  switch (c->tag) {
    case CHUNK_PERCENT_INT:
      if (auto* w = Decoded<WordData3ds>(c)) map->amount = WordPercent(w->value);
      return;
    case CHUNK_PERCENT_FLOAT:
      TakeFloat(c, &map->amount);
      return;
    case CHUNK_MAP_FILE_NAME:
      if (auto* s = Decoded<StringData3ds>(c)) CopyField(map->name, s->value);
      return;
    case CHUNK_MAP_FLAGS:
      if (auto* w = Decoded<WordData3ds>(c)) ApplyMapFlags(w->value, map);
      return;
    // clang-format off
    case CHUNK_MAP_BLUR: TakeFloat(c, &map->blur); return;
    case CHUNK_MAP_U_SCALE: TakeFloat(c, &map->scaleu); return;
    case CHUNK_MAP_V_SCALE: TakeFloat(c, &map->scalev); return;
    case CHUNK_MAP_U_OFFSET: TakeFloat(c, &map->offsetu); return;
    case CHUNK_MAP_V_OFFSET: TakeFloat(c, &map->offsetv); return;
    case CHUNK_MAP_ROTATION: TakeFloat(c, &map->rotation); return;
    case CHUNK_MAP_TINT_FIRST: TakeTint(c, map->tintfirst); return;
    case CHUNK_MAP_TINT_SECOND: TakeTint(c, map->tintsecond); return;
    case CHUNK_MAP_TINT_RED: TakeTint(c, map->tintred); return;
    case CHUNK_MAP_TINT_GREEN: TakeTint(c, map->tintgreen); return;
    case CHUNK_MAP_TINT_BLUE: TakeTint(c, map->tintblue); return;
    // clang-format on
    default:
      return;
  }
}

}  // namespace

void GetMaterialByName3ds(Database3ds* db, const char* name, Material3ds** handle) {
  if (!handle) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  Chunk3ds* chunk = nullptr;
  FindMaterialChunk3ds(db, name, &chunk);
  // A name that no material has is not an error: the handle stays as it was.
  if (ErrorsPending3ds || !chunk) return;
  GetMaterialFromChunk3ds(chunk, handle);
}

void ReleaseMaterial3ds(Material3ds** handle) {
  if (!handle || !*handle) return;
  delete *handle;  // the extension blocks go with the record
  *handle = nullptr;
}

void FindMaterialChunk3ds(Database3ds* db, const char* name, Chunk3ds** out) {
  if (out) *out = nullptr;
  if (!db || !name || !out) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (!db->rootchunk) {
    PushError3ds(ERR_INVALID_DATABASE);
    return;
  }
  const uint32_t root = db->rootchunk->tag;
  if (root != CHUNK_MATERIAL_LIBRARY && root != CHUNK_MESH_FILE && root != CHUNK_SCENE_FILE) {
    PushError3ds(ERR_WRONG_DATABASE);
    return;
  }
  RefreshMaterialList3ds(db);
  if (ErrorsPending3ds) return;

  const NameList3ds* list = db->materiallist;
  if (!list) return;
  if (!list->firstbyname.empty()) {
    auto it = list->firstbyname.find(name);
    if (it != list->firstbyname.end()) *out = list->entries[it->second].chunk;
    return;
  }
  for (uint32_t i = 0; i < list->count; ++i) {
    // Exact, case-sensitive comparison.
    if (list->entries[i].name == name) {
      *out = list->entries[i].chunk;
      return;
    }
  }
}

void RefreshMaterialList3ds(Database3ds* db) {
  if (!db) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (!db->materialsstale) return;
  db->materialsstale = 0;
  ReleaseNameList3ds(&db->materiallist);

  // The materials of a mesh or scene file sit in its mesh section; a material library holds
  // them directly under its root.
  Chunk3ds* section = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_MESH_SECTION, &section);
  if (!section) FindChunk3ds(db->rootchunk, CHUNK_MATERIAL_LIBRARY, &section);
  Chunk3ds* first = nullptr;
  FindChunk3ds(section, CHUNK_MATERIAL, &first);

  uint32_t count = 0;
  for (Chunk3ds* c = first; c;) {
    ++count;
    FindNextChunk3ds(c->next, CHUNK_MATERIAL, &c);
  }
  InitNameList3ds(&db->materiallist, count);
  NameList3ds* list = db->materiallist;
  if (!list || list->count != count) return;  // ERR_NO_MEM recorded

  uint32_t i = 0;
  for (Chunk3ds* c = first; c && i < count; ++i) {
    NameListEntry3ds& entry = list->entries[i];
    entry.chunk = c;
    // A material without a name chunk is listed under the empty name.
    Chunk3ds* namechunk = nullptr;
    FindChunk3ds(c, CHUNK_MAT_NAME, &namechunk);
    if (auto* s = Decoded<StringData3ds>(namechunk)) entry.name = s->value;
    FindNextChunk3ds(c->next, CHUNK_MATERIAL, &c);
  }

  // Index the names, keeping the first entry of a name that occurs twice as the search in order
  // would find it.
  list->firstbyname.reserve(count);
  for (uint32_t k = 0; k < count; ++k) list->firstbyname.emplace(list->entries[k].name, k);
}

void GetMaterialFromChunk3ds(Chunk3ds* chunk, Material3ds** handle) {
  if (!chunk || !handle) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (chunk->tag != CHUNK_MATERIAL) {
    PushError3ds(ERR_INVALID_CHUNK);
    return;
  }
  InitMaterial3ds(handle);
  Material3ds* m = *handle;
  if (!m) return;  // ERR_NO_MEM recorded

  for (Chunk3ds* child = chunk->firstchild; child; child = child->next) {
    // Extension chunks (of the high byte of CHUNK_EXT_SECTION) belong to other applications.
    if ((child->tag >> 8) == (CHUNK_EXT_SECTION >> 8)) continue;
    ChunkCopy copy(child);
    if (!copy.get()) return;
    // A chunk the material does not know ends the fill; what was read so far stays.
    if (!ApplyMaterialChild(copy.get(), m)) return;
  }
}

void InitMaterial3ds(Material3ds** handle) {
  Material3ds* m = HandleRecord3ds(handle);
  if (!m) return;
  // Resetting frees the extension blocks a reused record still holds.
  *m = Material3ds();
  m->name[0] = '\0';
  SetRgb(m->ambient, 0, 0, 0);
  SetRgb(m->diffuse, 0, 0, 0);
  SetRgb(m->specular, 0, 0, 0);
  m->shininess = m->shininessstrength = m->blur = 0;
  m->transparency = m->transparencyfalloff = m->selfillumamount = 0;
  m->wirethickness = 1.0f;
  m->shading = 3;
  m->blurflag = m->falloffflag = m->twosided = m->selfillumflag = 0;
  m->additive = m->wireabsolute = m->facemapping = m->softenflag = 0;
  for (MapSlot3ds* slot : {&m->texture, &m->secondtexture, &m->opacitymap, &m->bumpmap,
                           &m->specularmap, &m->shininessmap, &m->selfillummap}) {
    InitBitmap3ds(&slot->map);
    InitBitmap3ds(&slot->mask);
  }
  InitBitmap3ds(&m->texture2.map);
  InitBitmap3ds(&m->texture2.mask);
  AutoReflect3ds& a = m->texture2.autoreflection;
  a.enabled = a.firstframeonly = a.flatmirrored = 0;
  a.mapsize = 100;
  a.everynthframe = 1;
}

void InitBitmap3ds(Bitmap3ds* map) {
  if (!map) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  map->name[0] = '\0';
  map->amount = 0;
  map->tilingmode = 1;
  map->noalpha = 0;
  map->filtering = 0;
  map->blur = 0;
  map->mirror = 0;
  map->negative = 0;
  map->scaleu = map->scalev = 1.0f;
  map->offsetu = map->offsetv = 0;
  map->rotation = 0;
  map->alphasource = 0;
  SetRgb(map->tintfirst, 0, 0, 0);
  SetRgb(map->tintsecond, 1, 1, 1);
  SetRgb(map->tintred, 1, 0, 0);
  SetRgb(map->tintgreen, 0, 1, 0);
  SetRgb(map->tintblue, 0, 0, 1);
  map->extdatasize = 0;
  map->extdata.Reset();
}

void ReadBitmap3ds(Chunk3ds* mapchunk, Bitmap3ds* map) {
  if (!mapchunk || !map) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  for (Chunk3ds* child = mapchunk->firstchild; child; child = child->next) {
    ChunkCopy copy(child);
    if (!copy.get()) return;
    ApplyBitmapChild(copy.get(), map);
  }
}

float ReadPercentage3ds(Chunk3ds* chunk) {
  if (!chunk) {
    PushError3ds(ERR_INVALID_ARG);
    return 0;
  }
  Chunk3ds* found = nullptr;
  FindChunk3ds(chunk, CHUNK_PERCENT_INT, &found);
  if (found) {
    auto* w = Decoded<WordData3ds>(found);
    return w ? WordPercent(w->value) : 0;
  }
  FindChunk3ds(chunk, CHUNK_PERCENT_FLOAT, &found);
  if (auto* f = Decoded<FloatData3ds>(found)) return f->value;
  return 0;
}
