// The materials view: lookups by name, the material list, colours, percentages, flags, map
// references and their flag words, extension blocks, failures and reuse of a handle.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "Builder3ds.h"
#include "ChunkBytes3ds.h"
#include "Subprocess.h"
#include "toolkit3ds_internal.h"

using build3ds::Chunk;
using build3ds::Map;
using build3ds::Model;
using build3ds::Rgb;
using bytes3ds::Errors;

namespace {

float FromBits(uint32_t bits) {
  float f;
  memcpy(&f, &bits, 4);
  return f;
}
// The conversion factors as the file format defines them.
const float kColour = FromBits(0x3B808081);   // nearest 1/255
const float kPercent = FromBits(0x3C23D70A);  // 0.01

std::vector<ErrCode3ds> Codes(std::initializer_list<ErrCode3ds> codes) {
  return codes;
}

// The sixteen bitmaps of a material in a fixed order: each slot's map, then its mask.
std::vector<Bitmap3ds*> AllBitmaps(Material3ds* m) {
  return {
      &m->texture.map,      &m->texture.mask,      &m->secondtexture.map, &m->secondtexture.mask,
      &m->opacitymap.map,   &m->opacitymap.mask,   &m->bumpmap.map,       &m->bumpmap.mask,
      &m->specularmap.map,  &m->specularmap.mask,  &m->shininessmap.map,  &m->shininessmap.mask,
      &m->selfillummap.map, &m->selfillummap.mask, &m->texture2.map,      &m->texture2.mask};
}

class MaterialView : public ::testing::Test {
 protected:
  void SetUp() override { ResetErrorList3ds(); }
  void TearDown() override {
    for (Material3ds*& m : materials_) ReleaseMaterial3ds(&m);
    for (Database3ds*& db : dbs_) ReleaseDatabase3ds(&db);
    for (File3ds* f : open_) CloseFile3ds(f);
    for (Chunk3ds*& c : chunks_) ReleaseChunk3ds(&c);
    ResetErrorList3ds();
  }

  // Reads the model as the converter does: open, create, disconnect, close. With keepOpen the
  // database stays tied to its open file.
  Database3ds* Load(const Model& model, bool keepOpen = false) {
    std::string path = dir_.File("m" + std::to_string(dbs_.size()) + ".3ds");
    model.Write(path);
    File3ds* file = OpenFile3ds(path.c_str(), "rw");
    Database3ds* db = nullptr;
    InitDatabase3ds(&db);
    dbs_.push_back(db);
    CreateDatabase3ds(file, db);
    if (keepOpen) {
      open_.push_back(file);
    } else {
      DisconnectDatabase3ds(db);
      CloseFile3ds(file);
    }
    EXPECT_FALSE(ErrorsPending3ds);
    return db;
  }
  // A new handle owned by the fixture.
  Material3ds*& Handle() { return materials_.emplace_back(nullptr); }
  Material3ds* Fetch(Database3ds* db, const char* name) {
    Material3ds*& h = Handle();
    GetMaterialByName3ds(db, name, &h);
    return h;
  }
  Material3ds* FetchOne(const Model& model, const char* name = "M") {
    Material3ds* m = Fetch(Load(model), name);
    EXPECT_NE(m, nullptr);
    return m;
  }
  // A chunk made in memory; a chunk without parent is owned by the fixture.
  Chunk3ds* Make(uint32_t tag, Chunk3ds* parent = nullptr) {
    Chunk3ds* c = nullptr;
    NewChunk3ds(&c);
    c->tag = tag;
    if (parent) {
      AppendChunk3ds(parent, c);
    } else {
      chunks_.push_back(c);
    }
    return c;
  }
  Chunk3ds* MakeString(uint32_t tag, Chunk3ds* parent, const std::string& text) {
    Chunk3ds* c = Make(tag, parent);
    DataAs3ds<StringData3ds>(AllocChunkData3ds(c))->value = text;
    return c;
  }

  TempDir dir_;
  std::deque<Material3ds*> materials_;
  std::vector<Database3ds*> dbs_;
  std::vector<File3ds*> open_;
  std::vector<Chunk3ds*> chunks_;
};

TEST_F(MaterialView, LookupsAreExactAndCaseSensitive) {
  Model model;
  model.AddMaterial("BRICK").Texture("UPPER.ACE");
  model.AddMaterial("brick").Texture("LOWER.ACE");
  Database3ds* db = Load(model);

  EXPECT_STREQ(Fetch(db, "BRICK")->texture.map.name, "UPPER.ACE");
  Material3ds*& h = Handle();
  GetMaterialByName3ds(db, "brick", &h);
  ASSERT_NE(h, nullptr);
  EXPECT_STREQ(h->name, "brick");
  EXPECT_STREQ(h->texture.map.name, "LOWER.ACE");

  // No material is called Brick: the handle keeps the record it holds.
  Material3ds* before = h;
  for (const char* name : {"Brick", "bric", "brick ", ""}) {
    GetMaterialByName3ds(db, name, &h);
    EXPECT_EQ(h, before);
    EXPECT_STREQ(h->name, "brick");
    EXPECT_STREQ(h->texture.map.name, "LOWER.ACE");
  }
  EXPECT_EQ(Fetch(db, "Brick"), nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(MaterialView, ANameGivenTwiceFindsItsFirstMaterial) {
  // Among many materials, as a large model has them; some names occur twice or three times.
  Model model;
  for (int i = 0; i < 500; ++i) {
    std::string name = "MAT" + std::to_string(i % 200);
    model.AddMaterial(name).Texture("T" + std::to_string(i) + ".ACE");
  }
  Database3ds* db = Load(model);
  for (int i : {0, 1, 99, 199}) {
    std::string name = "MAT" + std::to_string(i);
    Material3ds* m = Fetch(db, name.c_str());
    ASSERT_NE(m, nullptr) << name;
    EXPECT_EQ(std::string(m->texture.map.name), "T" + std::to_string(i) + ".ACE") << name;
  }
  for (const char* name : {"MAT200", "MAT", "mat1", "MAT1 "}) EXPECT_EQ(Fetch(db, name), nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(MaterialView, MaterialsAreFoundUnderEveryKindOfRoot) {
  for (uint16_t root : {CHUNK_MESH_FILE, CHUNK_SCENE_FILE, CHUNK_MATERIAL_LIBRARY}) {
    SCOPED_TRACE(root);
    Model model;
    if (root == CHUNK_MATERIAL_LIBRARY) {
      model.MaterialLibrary();
    } else {
      model.Root(root);
    }
    model.AddMaterial("FIRST").Texture("A.ACE");
    model.AddMaterial("SECOND").Texture("B.ACE");
    Database3ds* db = Load(model);
    EXPECT_STREQ(Fetch(db, "SECOND")->texture.map.name, "B.ACE");
    ASSERT_NE(db->materiallist, nullptr);
    EXPECT_EQ(db->materiallist->count, 2u);
    EXPECT_EQ(db->materialsstale, 0);
  }
}

TEST_F(MaterialView, MaterialWithoutNameIsListedUnderTheEmptyName) {
  Model model;
  model.AddMaterial("NAMED").Texture("N.ACE");
  model.AddMaterial("").NoName().Texture("ANON.ACE");
  Database3ds* db = Load(model);

  Material3ds* anon = Fetch(db, "");
  ASSERT_NE(anon, nullptr);
  EXPECT_STREQ(anon->name, "");
  EXPECT_STREQ(anon->texture.map.name, "ANON.ACE");
  EXPECT_STREQ(Fetch(db, "NAMED")->texture.map.name, "N.ACE");
  ASSERT_EQ(db->materiallist->count, 2u);
  EXPECT_EQ(db->materiallist->entries[0].name, "NAMED");
  EXPECT_EQ(db->materiallist->entries[1].name, "");
  EXPECT_EQ(db->materiallist->entries[1].chunk->tag, CHUNK_MATERIAL);
}

TEST_F(MaterialView, LookupFailures) {
  Model plain;
  plain.AddMaterial("M");
  Database3ds* db = Load(plain);
  Model other;
  other.Root(0x1234);
  Database3ds* wrong = Load(other);
  Database3ds* empty = nullptr;
  InitDatabase3ds(&empty);
  dbs_.push_back(empty);

  Chunk3ds* out = nullptr;
  const struct {
    Database3ds* db;
    const char* name;
    Chunk3ds** out;
    ErrCode3ds code;
  } cases[] = {
      {nullptr, "M", &out, ERR_INVALID_ARG},  {db, nullptr, &out, ERR_INVALID_ARG},
      {db, "M", nullptr, ERR_INVALID_ARG},    {empty, "M", &out, ERR_INVALID_DATABASE},
      {wrong, "M", &out, ERR_WRONG_DATABASE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    ResetErrorList3ds();
    FindMaterialChunk3ds(c.db, c.name, c.out);
    EXPECT_EQ(Errors(), Codes({c.code}));
    Material3ds*& h = Handle();
    if (c.out) GetMaterialByName3ds(c.db, c.name, &h);
    EXPECT_EQ(h, nullptr);
  }
  ResetErrorList3ds();
  GetMaterialByName3ds(db, "M", nullptr);
  EXPECT_EQ(Errors(), Codes({ERR_INVALID_ARG}));
}

TEST_F(MaterialView, DefaultsOfARecord) {
  Model model;
  model.AddMaterial("M");
  Material3ds* m = FetchOne(model);
  EXPECT_STREQ(m->name, "M");
  EXPECT_EQ(m->wirethickness, 1.0f);
  EXPECT_EQ(m->shading, 3);
  EXPECT_EQ(m->texture2.autoreflection.enabled, 0);
  EXPECT_EQ(m->texture2.autoreflection.mapsize, 100);
  EXPECT_EQ(m->texture2.autoreflection.everynthframe, 1);
  for (Bitmap3ds* b : AllBitmaps(m)) {
    EXPECT_STREQ(b->name, "");
    EXPECT_EQ(b->tilingmode, 1);
    EXPECT_EQ(b->scaleu, 1.0f);
    EXPECT_EQ(b->scalev, 1.0f);
    const float tints[5][3] = {{0, 0, 0}, {1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const float* got[5] = {b->tintfirst, b->tintsecond, b->tintred, b->tintgreen, b->tintblue};
    for (int t = 0; t < 5; ++t) {
      for (int i = 0; i < 3; ++i) EXPECT_EQ(got[t][i], tints[t][i]);
    }
    EXPECT_FALSE(b->extdata);
  }
}

TEST_F(MaterialView, ColoursFromBytesTheLinearOneWinning) {
  Model model;
  model.AddMaterial("M")
      .Ambient(Rgb{10, 20, 30})
      .Diffuse(Rgb{255, 0, 51}, Rgb{128, 128, 128})
      .Specular(Rgb{0, 255, 1});
  Material3ds* m = FetchOne(model);
  const float ambient[3] = {10 * kColour, 20 * kColour, 30 * kColour};
  const float specular[3] = {0, 255 * kColour, kColour};
  // 128 times the factor is the factor with its exponent raised by 7.
  const float half = FromBits(0x3B808081 + (7u << 23));
  EXPECT_FLOAT_EQ(half, 0.50196081f);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(m->ambient[i], ambient[i]);
    EXPECT_EQ(m->diffuse[i], half);
    EXPECT_EQ(m->specular[i], specular[i]);
  }
}

TEST_F(MaterialView, ColourWithoutItsByteValueEndsTheFill) {
  Model model;
  model.AddMaterial("M")
      .Flag(CHUNK_MAT_SELF_ILLUM_FLAG)
      .Colour(CHUNK_MAT_DIFFUSE, std::nullopt, Rgb{9, 9, 9})
      .Flag(CHUNK_MAT_TWO_SIDED);
  Material3ds* m = FetchOne(model);
  EXPECT_EQ(Errors(), Codes({ERR_UNFOUND_CHUNK}));
  EXPECT_EQ(m->selfillumflag, 1);
  EXPECT_EQ(m->diffuse[0], 0.0f);
  EXPECT_EQ(m->twosided, 0);
}

TEST_F(MaterialView, Percentages) {
  Model model;
  model.AddMaterial("M")
      .Percent(CHUNK_MAT_SHININESS, 75)
      .PercentF(CHUNK_MAT_SHININESS_STRENGTH, 0.5f)
      .Percent(CHUNK_MAT_REFLECTION_BLUR, 0xFFF6)  // -10: the word is signed
      .Percent(CHUNK_MAT_TRANSPARENCY, 40)
      .PercentF(CHUNK_MAT_TRANSPARENCY_FALLOFF, 0.25f)
      .Percent(CHUNK_MAT_SELF_ILLUM, 100)
      // The integer form wins wherever it stands; an empty amount gives 0.
      .Child(Chunk(CHUNK_MAT_SHININESS_3)
                 .Add(Chunk(CHUNK_PERCENT_FLOAT).Float(0.9f))
                 .Add(Chunk(CHUNK_PERCENT_INT).Word(5)));
  model.AddMaterial("N")
      .Child(Chunk(CHUNK_MAT_SHININESS)
                 .Add(Chunk(CHUNK_PERCENT_FLOAT).Float(0.9f))
                 .Add(Chunk(CHUNK_PERCENT_INT).Word(5)))
      .Child(Chunk(CHUNK_MAT_SHININESS_STRENGTH));
  Database3ds* db = Load(model);
  Material3ds* m = Fetch(db, "M");
  EXPECT_EQ(m->shininess, 0.75f);
  EXPECT_EQ(m->shininessstrength, 0.5f);
  EXPECT_EQ(m->blur, -10 * kPercent);
  EXPECT_EQ(m->transparency, 40 * kPercent);
  EXPECT_EQ(m->transparencyfalloff, 0.25f);
  EXPECT_EQ(m->selfillumamount, 100 * kPercent);
  Material3ds* n = Fetch(db, "N");
  EXPECT_EQ(n->shininess, 5 * kPercent);
  EXPECT_EQ(n->shininessstrength, 0.0f);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(MaterialView, TransparencyNegationActsOnTheValueSoFar) {
  Model model;
  model.AddMaterial("BEFORE").Flag(CHUNK_MAT_FALLOFF_IN).Percent(CHUNK_MAT_TRANSPARENCY, 40);
  model.AddMaterial("AFTER").Percent(CHUNK_MAT_TRANSPARENCY, 40).Flag(CHUNK_MAT_FALLOFF_IN);
  model.AddMaterial("TWICE")
      .Percent(CHUNK_MAT_TRANSPARENCY, 40)
      .Flag(CHUNK_MAT_FALLOFF_IN)
      .Flag(CHUNK_MAT_FALLOFF_IN);
  Database3ds* db = Load(model);
  EXPECT_EQ(Fetch(db, "BEFORE")->transparency, 40 * kPercent);
  EXPECT_EQ(Fetch(db, "AFTER")->transparency, -40 * kPercent);
  EXPECT_EQ(Fetch(db, "TWICE")->transparency, 40 * kPercent);
}

TEST_F(MaterialView, FlagChunksAndScalars) {
  const struct {
    uint16_t tag;
    uint8_t Material3ds::*field;
  } flags[] = {
      {CHUNK_MAT_SELF_ILLUM_FLAG, &Material3ds::selfillumflag},
      {CHUNK_MAT_TWO_SIDED, &Material3ds::twosided},
      {CHUNK_MAT_ADDITIVE, &Material3ds::additive},
      {CHUNK_MAT_FACE_MAPPING, &Material3ds::facemapping},
      {CHUNK_MAT_SOFTEN, &Material3ds::softenflag},
      {CHUNK_MAT_WIRE_ABSOLUTE, &Material3ds::wireabsolute},
      {CHUNK_MAT_FALLOFF_FLAG, &Material3ds::falloffflag},
      {CHUNK_MAT_BLUR_FLAG, &Material3ds::blurflag},
  };
  Model model;
  for (const auto& f : flags) model.AddMaterial(std::to_string(f.tag)).Flag(f.tag);
  model.AddMaterial("SHADE")
      .Child(Chunk(CHUNK_MAT_SHADING).Word(0xFFFE))
      .Child(Chunk(CHUNK_MAT_WIRE_SIZE).Float(2.5f));
  model.AddMaterial("FLAT").Child(Chunk(CHUNK_MAT_SHADING).Word(2)).Flag(CHUNK_MAT_WIRE);
  // Chunks of other applications (high byte 0x80) are passed over.
  model.AddMaterial("EXT").Child(Chunk(0x80A5).Raw("xyz")).Flag(CHUNK_MAT_TWO_SIDED);
  Database3ds* db = Load(model);

  for (const auto& f : flags) {
    SCOPED_TRACE(f.tag);
    Material3ds* m = Fetch(db, std::to_string(f.tag).c_str());
    for (const auto& other : flags) EXPECT_EQ(m->*other.field, other.tag == f.tag ? 1 : 0);
  }
  Material3ds* shade = Fetch(db, "SHADE");
  EXPECT_EQ(shade->shading, -2);
  EXPECT_EQ(shade->wirethickness, 2.5f);
  EXPECT_EQ(Fetch(db, "FLAT")->shading, 0);
  EXPECT_EQ(Fetch(db, "EXT")->twosided, 1);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(MaterialView, UnknownChunkEndsTheFillWithTheRecordSoFar) {
  Model model;
  model.AddMaterial("M")
      .Diffuse(Rgb{0, 0, 255})
      .Flag(0xA082)
      .Flag(CHUNK_MAT_TWO_SIDED)
      .Texture("LATE.ACE");
  Material3ds* m = FetchOne(model);
  EXPECT_EQ(Errors(), Codes({ERR_INVALID_CHUNK}));
  EXPECT_STREQ(m->name, "M");
  EXPECT_EQ(m->diffuse[2], 255 * kColour);
  EXPECT_EQ(m->twosided, 0);
  EXPECT_STREQ(m->texture.map.name, "");
}

TEST_F(MaterialView, TextureAndReflectionMaps) {
  Model model;
  model.AddMaterial("WALL").Texture("WALL.ACE");
  model.AddMaterial("SHINY").Reflection("CHROME.ACE");
  Database3ds* db = Load(model);
  Material3ds* wall = Fetch(db, "WALL");
  EXPECT_STREQ(wall->texture.map.name, "WALL.ACE");
  EXPECT_STREQ(wall->texture2.map.name, "");
  Material3ds* shiny = Fetch(db, "SHINY");
  EXPECT_STREQ(shiny->texture2.map.name, "CHROME.ACE");
  EXPECT_STREQ(shiny->texture.map.name, "");
}

// Map and mask tags with the index of the bitmap they fill in AllBitmaps.
const struct {
  uint16_t tag;
  size_t index;
} kMapTags[] = {
    {CHUNK_MAT_TEXTURE_MAP, 0},     {CHUNK_MAT_TEXTURE_MASK, 1},
    {CHUNK_MAT_TEXTURE2_MAP, 2},    {CHUNK_MAT_TEXTURE2_MASK, 3},
    {CHUNK_MAT_OPACITY_MAP, 4},     {CHUNK_MAT_OPACITY_MASK, 5},
    {CHUNK_MAT_BUMP_MAP, 6},        {CHUNK_MAT_BUMP_MASK, 7},
    {CHUNK_MAT_SPECULAR_MAP, 8},    {CHUNK_MAT_SPECULAR_MASK, 9},
    {CHUNK_MAT_SHININESS_MAP, 10},  {CHUNK_MAT_SHININESS_MASK, 11},
    {CHUNK_MAT_SELF_ILLUM_MAP, 12}, {CHUNK_MAT_SELF_ILLUM_MASK, 13},
    {CHUNK_MAT_REFLECTION_MAP, 14}, {CHUNK_MAT_REFLECTION_MASK, 15},
};
const struct {
  uint16_t tag;
  size_t index;
} kDataTags[] = {
    {CHUNK_MAT_TEXTURE_MAP_DATA, 0},      {CHUNK_MAT_TEXTURE_MASK_DATA, 1},
    {CHUNK_MAT_TEXTURE2_MAP_DATA, 2},     {CHUNK_MAT_TEXTURE2_MASK_DATA, 3},
    {CHUNK_MAT_OPACITY_MAP_DATA, 4},      {CHUNK_MAT_OPACITY_MASK_DATA, 5},
    {CHUNK_MAT_BUMP_MAP_DATA, 6},         {CHUNK_MAT_BUMP_MASK_DATA, 7},
    {CHUNK_MAT_SPECULAR_MAP_DATA, 8},     {CHUNK_MAT_SPECULAR_MASK_DATA, 9},
    {CHUNK_MAT_SHININESS_MAP_DATA, 10},   {CHUNK_MAT_SHININESS_MASK_DATA, 11},
    {CHUNK_MAT_SELF_ILLUM_MAP_DATA, 12},  {CHUNK_MAT_SELF_ILLUM_MASK_DATA, 13},
    {CHUNK_MAT_REFLECTION_MASK_DATA, 15},
};

TEST_F(MaterialView, EveryMapAndMaskTagFillsItsOwnBitmap) {
  Model model;
  for (const auto& t : kMapTags)
    model.AddMaterial(std::to_string(t.tag)).MapChunk(t.tag, Map("F.ACE"));
  Database3ds* db = Load(model);
  for (const auto& t : kMapTags) {
    SCOPED_TRACE(t.tag);
    std::vector<Bitmap3ds*> maps = AllBitmaps(Fetch(db, std::to_string(t.tag).c_str()));
    for (size_t i = 0; i < maps.size(); ++i) {
      EXPECT_STREQ(maps[i]->name, i == t.index ? "F.ACE" : "");
    }
  }
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(MaterialView, ExtensionBlocksAreTakenOverByTheirBitmaps) {
  Model model;
  for (const auto& t : kDataTags) {
    model.AddMaterial(std::to_string(t.tag))
        .Child(Chunk(t.tag).Raw(std::string(t.index + 1, 'a' + t.index)));
  }
  Database3ds* db = Load(model);
  for (const auto& t : kDataTags) {
    SCOPED_TRACE(t.tag);
    Material3ds* m = Fetch(db, std::to_string(t.tag).c_str());
    std::vector<Bitmap3ds*> maps = AllBitmaps(m);
    for (size_t i = 0; i < maps.size(); ++i) {
      if (i != t.index) {
        EXPECT_EQ(maps[i]->extdatasize, 0);
        EXPECT_FALSE(maps[i]->extdata);
        continue;
      }
      ASSERT_EQ(maps[i]->extdatasize, int32_t(t.index + 1));
      ASSERT_TRUE(maps[i]->extdata);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(maps[i]->extdata.get()), t.index + 1),
                std::string(t.index + 1, 'a' + t.index));
    }
  }
  // The database keeps its own block: a detached chunk's record is copied, not moved.
  Chunk3ds* data = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_MAT_TEXTURE_MAP_DATA, &data);
  auto* block = DataAs3ds<BytesData3ds>(data->data.get());
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->size, 1u);
  EXPECT_TRUE(block->bytes);
  EXPECT_NE(block->bytes.get(), Fetch(db, "41760")->texture.map.extdata.get());
}

TEST_F(MaterialView, DatabaseStillTiedToItsFileDecodesAgainOnEveryFetch) {
  Model model;
  model.AddMaterial("M").Texture("OPEN.ACE").Child(Chunk(CHUNK_MAT_TEXTURE_MAP_DATA).Raw("blk"));
  Database3ds* db = Load(model, /*keepOpen=*/true);
  for (int i = 0; i < 2; ++i) {
    Material3ds* m = Fetch(db, "M");
    EXPECT_STREQ(m->texture.map.name, "OPEN.ACE");
    ASSERT_EQ(m->texture.map.extdatasize, 3);
    EXPECT_EQ(memcmp(m->texture.map.extdata.get(), "blk", 3), 0);
  }
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(MaterialView, MapFlagWords) {
  const struct {
    uint16_t flags;
    int tiling, alpha;
    uint8_t noalpha;
    int filtering;
    uint8_t mirror, negative;
  } rows[] = {
      {0x0000, 1, 0, 0, 0, 0, 0}, {0x00C1, 3, 3, 0, 0, 0, 0}, {0x0011, 2, 0, 0, 0, 0, 0},
      {0x0010, 1, 0, 0, 0, 0, 0}, {0x0080, 1, 2, 0, 0, 0, 0}, {0x0040, 1, 1, 0, 0, 0, 0},
      {0x0240, 1, 4, 0, 0, 0, 0}, {0x02C0, 1, 3, 0, 0, 0, 0}, {0x0281, 3, 2, 0, 0, 0, 0},
      {0x012A, 1, 0, 1, 1, 1, 1},
  };
  Model model;
  for (const auto& r : rows) {
    model.AddMaterial(std::to_string(r.flags)).Texture(Map("T.ACE").Flags(r.flags));
  }
  Database3ds* db = Load(model);
  for (const auto& r : rows) {
    SCOPED_TRACE(r.flags);
    const Bitmap3ds& b = Fetch(db, std::to_string(r.flags).c_str())->texture.map;
    EXPECT_EQ(b.tilingmode, r.tiling);
    EXPECT_EQ(b.alphasource, r.alpha);
    EXPECT_EQ(b.noalpha, r.noalpha);
    EXPECT_EQ(b.filtering, r.filtering);
    EXPECT_EQ(b.mirror, r.mirror);
    EXPECT_EQ(b.negative, r.negative);
  }
}

TEST_F(MaterialView, MapValues) {
  Map map("V.ACE");
  map.Percent(30)
      .PercentF(0.125f)  // the later amount counts
      .Child(Chunk(CHUNK_MAP_BLUR).Float(0.5f))
      .Child(Chunk(CHUNK_MAP_U_SCALE).Float(2))
      .Child(Chunk(CHUNK_MAP_V_SCALE).Float(3))
      .Child(Chunk(CHUNK_MAP_U_OFFSET).Float(4))
      .Child(Chunk(CHUNK_MAP_V_OFFSET).Float(5))
      .Child(Chunk(CHUNK_MAP_ROTATION).Float(6))
      .Child(Chunk(CHUNK_MAT_BUMP_AMOUNT).Word(99))  // a bump amount means nothing to a texture
      .Child(Chunk(CHUNK_MAP_TINT_FIRST).Byte(1).Byte(2).Byte(3))
      .Child(Chunk(CHUNK_MAP_TINT_SECOND).Byte(4).Byte(5).Byte(6))
      .Child(Chunk(CHUNK_MAP_TINT_RED).Byte(7).Byte(8).Byte(9))
      .Child(Chunk(CHUNK_MAP_TINT_GREEN).Byte(10).Byte(11).Byte(12))
      .Child(Chunk(CHUNK_MAP_TINT_BLUE).Byte(13).Byte(14).Byte(15));
  Model model;
  model.AddMaterial("M").Texture(map);
  model.AddMaterial("N").Texture(Map("W.ACE").PercentF(0.125f).Percent(30));
  Database3ds* db = Load(model);
  const Bitmap3ds& b = Fetch(db, "M")->texture.map;
  EXPECT_STREQ(b.name, "V.ACE");
  EXPECT_EQ(b.amount, 0.125f);
  const float floats[6] = {b.blur, b.scaleu, b.scalev, b.offsetu, b.offsetv, b.rotation};
  const float expected[6] = {0.5f, 2, 3, 4, 5, 6};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(floats[i], expected[i]);
  const float* tints[5] = {b.tintfirst, b.tintsecond, b.tintred, b.tintgreen, b.tintblue};
  for (int t = 0; t < 5; ++t) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(tints[t][i], float(3 * t + i + 1) * kColour);
  }
  EXPECT_EQ(Fetch(db, "N")->texture.map.amount, 30 * kPercent);
}

TEST_F(MaterialView, BumpAmountOverridesTheMapPercentage) {
  Model model;
  model.AddMaterial("M").MapChunk(
      CHUNK_MAT_BUMP_MAP,
      Map("B.ACE").Child(Chunk(CHUNK_MAT_BUMP_AMOUNT).Word(0xFF9C)).Percent(50));
  model.AddMaterial("N").MapChunk(CHUNK_MAT_BUMP_MAP, Map("B.ACE").Percent(50));
  Database3ds* db = Load(model);
  EXPECT_EQ(Fetch(db, "M")->bumpmap.map.amount, -100 * kPercent);
  EXPECT_EQ(Fetch(db, "N")->bumpmap.map.amount, 50 * kPercent);
}

TEST_F(MaterialView, AutomaticReflection) {
  const struct {
    uint16_t flags;
    uint8_t firstframe, flat;
  } rows[] = {{0x09, 1, 0}, {0x11, 0, 1}, {0x19, 1, 1}, {0x08, 0, 0}, {0x01, 0, 0}, {0x10, 0, 0}};
  Model model;
  for (const auto& r : rows) {
    model.AddMaterial(std::to_string(r.flags))
        .Child(Chunk(CHUNK_MAT_AUTO_REFLECTION).Byte(0).Byte(0).Word(r.flags).Dword(256).Dword(3));
  }
  Database3ds* db = Load(model);
  for (const auto& r : rows) {
    SCOPED_TRACE(r.flags);
    const AutoReflect3ds& a = Fetch(db, std::to_string(r.flags).c_str())->texture2.autoreflection;
    EXPECT_EQ(a.enabled, 1);
    EXPECT_EQ(a.firstframeonly, r.firstframe);
    EXPECT_EQ(a.flatmirrored, r.flat);
    EXPECT_EQ(a.mapsize, 256);
    EXPECT_EQ(a.everynthframe, 3);
  }
}

TEST_F(MaterialView, NamesAreCutToTheirFields) {
  // The tree reader admits map file names of at most 12 characters, so longer names can only
  // come from a tree made in memory.
  Chunk3ds* mat = Make(CHUNK_MATERIAL);
  MakeString(CHUNK_MAT_NAME, mat, "ABCDEFGHIJKLMNOPQRST");
  MakeString(CHUNK_MAP_FILE_NAME, Make(CHUNK_MAT_TEXTURE_MAP, mat), "ABCDEFGHIJKLMN");  // 14: fits
  MakeString(CHUNK_MAP_FILE_NAME, Make(CHUNK_MAT_REFLECTION_MAP, mat),
             "ABCDEFGHIJKLMNOP");  // 16: one too many
  MakeString(CHUNK_MAP_FILE_NAME, Make(CHUNK_MAT_TEXTURE_MASK, mat),
             "ABCDEFGHIJKLMNO");  // 15: fits exactly
  Material3ds*& h = Handle();
  GetMaterialFromChunk3ds(mat, &h);
  ASSERT_NE(h, nullptr);
  EXPECT_STREQ(h->name, "ABCDEFGHIJKLMNOP");
  EXPECT_STREQ(h->texture.map.name, "ABCDEFGHIJKLMN");
  EXPECT_STREQ(h->texture2.map.name, "ABCDEFGHIJKLMNO");
  EXPECT_STREQ(h->texture.mask.name, "ABCDEFGHIJKLMNO");

  Model model;
  model.AddMaterial("ABCDEFGHIJKLMNOP").Texture("ABCDEFGH.ACE");
  Material3ds* m = FetchOne(model, "ABCDEFGHIJKLMNOP");
  EXPECT_STREQ(m->name, "ABCDEFGHIJKLMNOP");
  EXPECT_STREQ(m->texture.map.name, "ABCDEFGH.ACE");
}

TEST_F(MaterialView, RepeatedFetchesIntoOneHandleStartAfresh) {
  Model model;
  model.AddMaterial("A")
      .Flag(CHUNK_MAT_TWO_SIDED)
      .Texture(Map("A.ACE").Flags(0x00C1))
      .Child(Chunk(CHUNK_MAT_TEXTURE_MAP_DATA).Raw("first"))
      .Child(Chunk(CHUNK_MAT_REFLECTION_MASK_DATA).Raw("mask"));
  model.AddMaterial("B").Reflection("B.ACE").Child(Chunk(CHUNK_MAT_TEXTURE_MAP_DATA).Raw("2nd"));
  Database3ds* db = Load(model);
  Material3ds*& h = Handle();
  for (int round = 0; round < 3; ++round) {
    GetMaterialByName3ds(db, "A", &h);
    Material3ds* first = h;
    EXPECT_EQ(h->texture.map.extdatasize, 5);
    EXPECT_EQ(h->texture2.mask.extdatasize, 4);
    GetMaterialByName3ds(db, "B", &h);
    EXPECT_EQ(h, first);
    EXPECT_STREQ(h->name, "B");
    EXPECT_EQ(h->twosided, 0);
    EXPECT_STREQ(h->texture.map.name, "");
    EXPECT_EQ(h->texture.map.tilingmode, 1);
    EXPECT_EQ(h->texture.map.alphasource, 0);
    EXPECT_EQ(h->texture.map.extdatasize, 3);
    EXPECT_EQ(h->texture2.mask.extdatasize, 0);
    EXPECT_FALSE(h->texture2.mask.extdata);
  }
  ReleaseMaterial3ds(&h);
  EXPECT_EQ(h, nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(MaterialView, ArgumentFailures) {
  Chunk3ds* notMaterial = Make(CHUNK_MAT_NAME);
  Material3ds*& h = Handle();
  GetMaterialFromChunk3ds(notMaterial, &h);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(Errors(), Codes({ERR_INVALID_CHUNK}));

  ResetErrorList3ds();
  GetMaterialFromChunk3ds(nullptr, &h);
  GetMaterialFromChunk3ds(Make(CHUNK_MATERIAL), nullptr);
  InitMaterial3ds(nullptr);
  InitBitmap3ds(nullptr);
  Bitmap3ds map{};
  ReadBitmap3ds(nullptr, &map);
  ReadBitmap3ds(Make(CHUNK_MAT_TEXTURE_MAP), nullptr);
  RefreshMaterialList3ds(nullptr);
  EXPECT_EQ(ReadPercentage3ds(nullptr), 0.0f);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>(8, ERR_INVALID_ARG));
}

}  // namespace
