// Materials: finds a material (chunk 0xAFFF) of a database by its name and fills a Material3ds
// record with its colours, amounts, flags and map references.
//
// The material list of the database (name and chunk of every material) is built on the first
// lookup after the tree changed. A fill works on a copy of each child of the material chunk, so
// that a record decoded from a file that is still open does not stay behind in the database,
// and a record of a detached database stays where it is. The Material3ds holds copies of all
// strings and owns the extension blocks it took over; it refers to nothing in the database.
#include "toolkit3ds.h"

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
    case 0xA200: return &m->texture.map;
    case 0xA204: return &m->specularmap.map;
    case 0xA210: return &m->opacitymap.map;
    case 0xA220: return &m->texture2.map;
    case 0xA230: return &m->bumpmap.map;
    case 0xA33A: return &m->secondtexture.map;
    case 0xA33C: return &m->shininessmap.map;
    case 0xA33D: return &m->selfillummap.map;
    default: return nullptr;
  }
}

Bitmap3ds* MaskOfTag(Material3ds* m, uint32_t tag) {
  switch (tag) {
    case 0xA33E: return &m->texture.mask;
    case 0xA340: return &m->secondtexture.mask;
    case 0xA342: return &m->opacitymap.mask;
    case 0xA344: return &m->bumpmap.mask;
    case 0xA346: return &m->shininessmap.mask;
    case 0xA348: return &m->specularmap.mask;
    case 0xA34A: return &m->selfillummap.mask;
    case 0xA34C: return &m->texture2.mask;
    default: return nullptr;
  }
}

// The reflection map has no extension data of its own; its mask has.
Bitmap3ds* ExtDataTarget(Material3ds* m, uint32_t tag) {
  switch (tag) {
    case 0xA320: return &m->texture.map;
    case 0xA32A: return &m->texture.mask;
    case 0xA321: return &m->secondtexture.map;
    case 0xA32C: return &m->secondtexture.mask;
    case 0xA322: return &m->opacitymap.map;
    case 0xA32E: return &m->opacitymap.mask;
    case 0xA324: return &m->bumpmap.map;
    case 0xA330: return &m->bumpmap.mask;
    case 0xA325: return &m->specularmap.map;
    case 0xA332: return &m->specularmap.mask;
    case 0xA326: return &m->shininessmap.map;
    case 0xA334: return &m->shininessmap.mask;
    case 0xA328: return &m->selfillummap.map;
    case 0xA336: return &m->selfillummap.mask;
    case 0xA338: return &m->texture2.mask;
    default: return nullptr;
  }
}

float* PercentageOfTag(Material3ds* m, uint32_t tag) {
  switch (tag) {
    case 0xA040: return &m->shininess;
    case 0xA041: return &m->shininessstrength;
    case 0xA053: return &m->blur;
    case 0xA050: return &m->transparency;
    case 0xA052: return &m->transparencyfalloff;
    case 0xA084: return &m->selfillumamount;
    default: return nullptr;
  }
}

uint8_t* FlagOfTag(Material3ds* m, uint32_t tag) {
  switch (tag) {
    case 0xA080: return &m->selfillumflag;
    case 0xA081: return &m->twosided;
    case 0xA083: return &m->additive;
    case 0xA088: return &m->facemapping;
    case 0xA08C: return &m->softenflag;
    case 0xA08E: return &m->wireabsolute;
    case 0xA240: return &m->falloffflag;
    case 0xA250: return &m->blurflag;
    default: return nullptr;
  }
}

float* ColourOfTag(Material3ds* m, uint32_t tag) {
  switch (tag) {
    case 0xA010: return m->ambient;
    case 0xA020: return m->diffuse;
    case 0xA030: return m->specular;
    default: return nullptr;
  }
}
// clang-format on

// A colour chunk: the 24-bit colour 0x0011 is required; a linear 24-bit colour 0x0012, when
// present, replaces it. Returns false (ERR_UNFOUND_CHUNK recorded) without 0x0011.
bool ReadColour(Chunk3ds* colour, float* out) {
  Chunk3ds* rgb = nullptr;
  FindChunk3ds(colour, 0x0011, &rgb);
  if (!rgb) {
    PushError3ds(ERR_UNFOUND_CHUNK);
    return false;
  }
  if (auto* c = Decoded<Color24Data3ds>(rgb)) SetRgb(out, *c);
  Chunk3ds* linear = nullptr;
  FindChunk3ds(colour, 0x0012, &linear);
  if (auto* c = Decoded<Color24Data3ds>(linear)) SetRgb(out, *c);
  return true;
}

// The map flag word 0xA351.
void ApplyMapFlags(uint16_t f, Bitmap3ds* map) {
  if (!(f & 0x01)) {
    map->tilingmode = 1;
  } else if (f & 0x10) {
    map->tilingmode = 2;
  } else {
    map->tilingmode = 3;
  }
  map->noalpha = (f & 0x100) ? 1 : 0;
  map->filtering = (f & 0x20) ? 1 : 0;
  map->mirror = (f & 0x02) ? 1 : 0;
  map->negative = (f & 0x08) ? 1 : 0;
  if ((f & 0x80) && (f & 0x40)) {
    map->alphasource = 3;
  } else if (f & 0x80) {
    map->alphasource = 2;
  } else if (f & 0x200) {
    map->alphasource = 4;
  } else if (f & 0x40) {
    map->alphasource = 1;
  } else {
    map->alphasource = 0;
  }
}

void ApplyAutoReflection(const AutoReflData3ds& r, AutoReflect3ds* a) {
  a->enabled = 1;
  a->firstframeonly = (r.flags & 0x09) == 0x09 ? 1 : 0;
  a->flatmirrored = (r.flags & 0x11) == 0x11 ? 1 : 0;
  a->mapsize = r.mapsize;
  a->everynthframe = r.everynthframe;
}

// Takes the extension block of a data chunk over into the bitmap.
void TakeExtData(BytesData3ds* block, Bitmap3ds* map) {
  map->extdatasize = int32_t(block->size);
  map->extdata = std::move(block->bytes);
  block->size = 0;
}

// One child of a material chunk (a copy of it, with its subtree). Returns false when the child
// ends the fill: a tag the material does not know, or a colour without its 24-bit value.
bool ApplyMaterialChild(Chunk3ds* c, Material3ds* m) {
  const uint32_t tag = c->tag;
  if (Bitmap3ds* map = MapOfTag(m, tag)) {
    ReadBitmap3ds(c, map);
    if (tag == 0xA230) {
      // The bump map's strength.
      Chunk3ds* amount = nullptr;
      FindChunk3ds(c, 0xA252, &amount);
      if (auto* w = Decoded<WordData3ds>(amount)) map->amount = WordPercent(w->value);
    }
    return true;
  }
  if (Bitmap3ds* mask = MaskOfTag(m, tag)) {
    ReadBitmap3ds(c, mask);
    return true;
  }
  if (Bitmap3ds* target = ExtDataTarget(m, tag)) {
    if (auto* block = Decoded<BytesData3ds>(c)) TakeExtData(block, target);
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
    case 0xA000:
      if (auto* s = Decoded<StringData3ds>(c)) CopyField(m->name, s->value);
      return true;
    case 0xA042:  // known and of no use here
      return true;
    case 0xA085:
      m->shading = 0;
      return true;
    case 0xA087:
      TakeFloat(c, &m->wirethickness);
      return true;
    case 0xA08A:
      // Negates the transparency read so far; a later 0xA050 sets it anew.
      m->transparency = -m->transparency;
      return true;
    case 0xA100:
      if (auto* w = Decoded<WordData3ds>(c)) m->shading = int16_t(w->value);
      return true;
    case 0xA310:
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
    case 0x0030:
      if (auto* w = Decoded<WordData3ds>(c)) map->amount = WordPercent(w->value);
      return;
    case 0x0031:
      TakeFloat(c, &map->amount);
      return;
    case 0xA300:
      if (auto* s = Decoded<StringData3ds>(c)) CopyField(map->name, s->value);
      return;
    case 0xA351:
      if (auto* w = Decoded<WordData3ds>(c)) ApplyMapFlags(w->value, map);
      return;
    // clang-format off
    case 0xA353: TakeFloat(c, &map->blur); return;
    case 0xA354: TakeFloat(c, &map->scaleu); return;
    case 0xA356: TakeFloat(c, &map->scalev); return;
    case 0xA358: TakeFloat(c, &map->offsetu); return;
    case 0xA35A: TakeFloat(c, &map->offsetv); return;
    case 0xA35C: TakeFloat(c, &map->rotation); return;
    case 0xA360: TakeTint(c, map->tintfirst); return;
    case 0xA362: TakeTint(c, map->tintsecond); return;
    case 0xA364: TakeTint(c, map->tintred); return;
    case 0xA366: TakeTint(c, map->tintgreen); return;
    case 0xA368: TakeTint(c, map->tintblue); return;
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
  if (root != 0x3DAA && root != 0x4D4D && root != 0xC23D) {
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
  FindChunk3ds(db->rootchunk, 0x3D3D, &section);
  if (!section) FindChunk3ds(db->rootchunk, 0x3DAA, &section);
  Chunk3ds* first = nullptr;
  FindChunk3ds(section, 0xAFFF, &first);

  uint32_t count = 0;
  for (Chunk3ds* c = first; c;) {
    ++count;
    FindNextChunk3ds(c->next, 0xAFFF, &c);
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
    FindChunk3ds(c, 0xA000, &namechunk);
    if (auto* s = Decoded<StringData3ds>(namechunk)) entry.name = s->value;
    FindNextChunk3ds(c->next, 0xAFFF, &c);
  }

  // Index the names, keeping the first entry of a name that occurs twice as the search in order
  // would find it. Without memory for the index the list is searched in order.
  try {
    list->firstbyname.reserve(count);
    for (uint32_t k = 0; k < count; ++k) list->firstbyname.emplace(list->entries[k].name, k);
  } catch (const std::bad_alloc&) {
    list->firstbyname.clear();
  }
}

void GetMaterialFromChunk3ds(Chunk3ds* chunk, Material3ds** handle) {
  if (!chunk || !handle) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (chunk->tag != 0xAFFF) {
    PushError3ds(ERR_INVALID_CHUNK);
    return;
  }
  InitMaterial3ds(handle);
  Material3ds* m = *handle;
  if (!m) return;  // ERR_NO_MEM recorded

  for (Chunk3ds* child = chunk->firstchild; child; child = child->next) {
    // Extension chunks (high byte 0x80) belong to other applications.
    if ((child->tag & 0xFF00) == 0x8000) continue;
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
  FindChunk3ds(chunk, 0x0030, &found);
  if (found) {
    auto* w = Decoded<WordData3ds>(found);
    return w ? WordPercent(w->value) : 0;
  }
  FindChunk3ds(chunk, 0x0031, &found);
  if (auto* f = Decoded<FloatData3ds>(found)) return f->value;
  return 0;
}
