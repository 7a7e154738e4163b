// In-memory writer of .3ds files for the tests and for tools that make sample models.
//
// It only writes bytes: it shares no code with the toolkit, so a fault in the toolkit's reader
// cannot hide in the files it is tested with. Everything lives in namespace build3ds.
//
// A whole model in a few lines:
//
//   build3ds::Model m;
//   m.AddMaterial("SolidNorm").Texture("tri.bmp");
//   m.AddMesh("TRI")
//       .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
//       .TexVerts({{0, 0}, {1, 0}, {0, 1}})
//       .Faces({{0, 1, 2}})
//       .Smoothing({1})
//       .Group("SolidNorm", {0});
//   m.Keyframer().Length(30).Node("TRI").Id(0).Pivot(1, 2, 3).Pos(0, {0, 0, 0});
//   std::string bytes = m.Bytes();  // or m.Write(path)
//
// Add* and Node return references that stay valid as long as their owner, so parts can be
// built step by step. Every optional part is left out unless asked for; the mesh's local frame
// (identity), the file versions (3) and the keyframer header (revision 5, no file name, length
// 30) are written unless switched off.
//
// Malformed files: build the chunks by hand (build3ds::Chunk: a tag, payload bytes, children),
// give any chunk a false length with Chunk::Length, serialise with Bytes(), then cut or patch
// the string (OffsetOf finds where a chunk starts; PutWord/PutDword overwrite values):
//
//   std::string b = m.Bytes();
//   size_t at = m.OffsetOf(0x4120);     // the header of the first face list
//   build3ds::PutDword(b, at + 2, 5);   // a length that ends inside the header
//   b.resize(b.size() - 3);             // a file ending inside its last chunk
#ifndef TRIMORPH_TESTS_BUILDER3DS_H
#define TRIMORPH_TESTS_BUILDER3DS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace build3ds {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

struct UV {
  float u = 0, v = 0;
};

// A face: three corner indices and the flag word.
struct Tri {
  uint16_t a = 0, b = 0, c = 0;
  uint16_t flags = 0;
};

// A 24-bit colour.
struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

// The spline part of a key header. Each setter sets its value and its bit; a float follows the
// frame and flag word for every bit set among 0x01-0x10, in the order tension, continuity,
// bias, ease to, ease from. Spline{flags} sets bits without choosing values (they are 0).
struct Spline {
  uint16_t flags = 0;
  float tension = 0, continuity = 0, bias = 0, easeto = 0, easefrom = 0;

  Spline& Tension(float v) { return Set(0x01, tension, v); }
  Spline& Continuity(float v) { return Set(0x02, continuity, v); }
  Spline& Bias(float v) { return Set(0x04, bias, v); }
  Spline& EaseTo(float v) { return Set(0x08, easeto, v); }
  Spline& EaseFrom(float v) { return Set(0x10, easefrom, v); }

 private:
  Spline& Set(uint16_t bit, float& field, float v) {
    flags |= bit;
    field = v;
    return *this;
  }
};

// Little-endian encodings, for raw payloads and expected bytes.
std::string LeWord(uint16_t v);
std::string LeDword(uint32_t v);
std::string LeFloat(float v);
// Overwrite 2 or 4 bytes of a serialised file at offset (the string grows when needed).
void PutWord(std::string& bytes, size_t offset, uint16_t v);
void PutDword(std::string& bytes, size_t offset, uint32_t v);
// Writes bytes to a file; throws std::runtime_error when it cannot.
void WriteBytes(const std::string& path, const std::string& bytes);

// One chunk: a tag, its own payload bytes and its children. The length field is computed on
// serialisation (6 + payload + children) unless overridden with Length.
class Chunk {
 public:
  explicit Chunk(uint16_t tag) : tag_(tag) {}

  // Payload appenders (little-endian); each returns *this.
  Chunk& Byte(uint8_t v);
  Chunk& Word(uint16_t v);
  Chunk& Dword(uint32_t v);
  Chunk& Float(float v);
  Chunk& Floats(std::initializer_list<float> vs);
  Chunk& String(const std::string& s);  // the characters and a NUL
  // Exactly width+1 bytes: the characters (cut to width) then NULs.
  Chunk& FixedString(const std::string& s, size_t width);
  Chunk& Raw(const std::string& bytes);
  Chunk& Point(const Vec3& p);
  Chunk& TexVert(const UV& t);
  Chunk& Face(const Tri& f);
  // flags, the two values without meaning to the reader, the key count: 14 bytes.
  Chunk& TrackHeader(uint16_t flags, uint32_t keycount, uint32_t unknown1 = 0,
                     uint32_t unknown2 = 0);
  // frame, spline flags, then the floats of the set bits: 6 to 26 bytes.
  Chunk& Key(uint32_t frame, const Spline& spline = {});

  // Appends a child and returns *this (so siblings chain).
  Chunk& Add(Chunk child);
  // Appends a new empty child and returns it (so its payload and children can follow).
  Chunk& Child(uint16_t tag);

  // Writes this value into the length field instead of the real length.
  Chunk& Length(uint32_t length);
  Chunk& RealLength();  // drops the override

  uint16_t tag() const { return tag_; }
  const std::string& payload() const { return payload_; }
  const std::list<Chunk>& children() const { return children_; }
  std::list<Chunk>& children() { return children_; }

  // The real number of bytes Bytes() gives.
  size_t Size() const;
  std::string Bytes() const;
  void Write(const std::string& path) const;
  // Offset in Bytes() of the header of the nth chunk (counting from 0, pre-order: a chunk before
  // its children, this chunk included) with the tag; std::string::npos when there is none.
  size_t OffsetOf(uint16_t tag, size_t nth = 0) const;

 private:
  void Emit(std::string& out) const;
  bool Locate(uint16_t tag, size_t& nth, size_t base, size_t& found) const;

  uint16_t tag_;
  std::string payload_;
  std::list<Chunk> children_;
  std::optional<uint32_t> length_;
};

// A named object 0x4000 holding a triangle mesh 0x4100. Inside 0x4100: vertices 0x4110,
// texture vertices 0x4140, local frame 0x4160, faces 0x4120 (holding the groups 0x4130, then
// smoothing 0x4150), then extra children. Inside 0x4000: the flag chunks, then 0x4100, then
// extra children.
class MeshObj {
 public:
  explicit MeshObj(std::string name) : name_(std::move(name)) {}

  MeshObj& Vertices(std::vector<Vec3> v);
  MeshObj& TexVerts(std::vector<UV> t);  // any count, also 0; absent unless called
  MeshObj& Faces(std::vector<Tri> f);
  MeshObj& Smoothing(std::vector<uint32_t> groups);  // any count; absent unless called
  MeshObj& Group(std::string material, std::vector<uint16_t> faces);
  // Rows X axis, Y axis, Z axis, origin. Identity unless set.
  MeshObj& Frame(const std::array<float, 12>& rows);
  MeshObj& Origin(float x, float y, float z);  // the frame's last row
  MeshObj& NoFrame();                          // no 0x4160 at all
  MeshObj& Flag(uint16_t tag);                 // an empty flag chunk in 0x4000 (0x4010-0x4017)
  MeshObj& Hidden() { return Flag(0x4010); }
  MeshObj& ObjectChild(Chunk c);  // extra child of 0x4000, after 0x4100
  MeshObj& MeshChild(Chunk c);    // extra child of 0x4100, after the face list
  MeshObj& FaceChild(Chunk c);    // extra child of 0x4120, after the smoothing groups

  const std::string& name() const { return name_; }
  Chunk ToChunk() const;

 private:
  std::string name_;
  std::optional<std::vector<Vec3>> vertices_;
  std::optional<std::vector<UV>> texverts_;
  std::optional<std::vector<Tri>> faces_;
  std::optional<std::vector<uint32_t>> smoothing_;
  std::vector<std::pair<std::string, std::vector<uint16_t>>> groups_;
  std::optional<std::array<float, 12>> frame_ =
      std::array<float, 12>{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  std::vector<Chunk> flags_, objectExtra_, meshExtra_, faceExtra_;
};

// A named object 0x4000 holding a light 0x4600 (position, then its children).
class LightObj {
 public:
  explicit LightObj(std::string name) : name_(std::move(name)) {}
  LightObj& Position(float x, float y, float z);
  LightObj& LightChild(Chunk c);  // e.g. a spotlight 0x4610
  Chunk ToChunk() const;

 private:
  std::string name_;
  Vec3 pos_;
  std::vector<Chunk> extra_;
};

// A named object 0x4000 holding a camera 0x4700 (position, target, bank angle, lens).
class CameraObj {
 public:
  explicit CameraObj(std::string name) : name_(std::move(name)) {}
  CameraObj& Position(float x, float y, float z);
  CameraObj& Target(float x, float y, float z);
  CameraObj& Bank(float angle);
  CameraObj& Lens(float lens);
  Chunk ToChunk() const;

 private:
  std::string name_;
  Vec3 pos_, target_{0, 1, 0};
  float bank_ = 0, lens_ = 50;
};

// A map chunk's children, in the order they are added: file name 0xA300, percentages
// 0x0030/0x0031, the flag word 0xA351, anything else.
class Map {
 public:
  Map() = default;
  explicit Map(const std::string& file) { File(file); }
  Map& File(const std::string& file);
  Map& Percent(uint16_t value);  // 0x0030
  Map& PercentF(float value);    // 0x0031
  Map& Flags(uint16_t flags);    // 0xA351
  Map& Child(Chunk c);
  const std::vector<Chunk>& children() const { return children_; }

 private:
  std::vector<Chunk> children_;
};

// A material 0xAFFF: its name 0xA000 first (unless NoName), then the other children in the
// order they are added.
class Material {
 public:
  explicit Material(std::string name) : name_(std::move(name)) {}
  Material& Name(std::string name);
  Material& NoName();
  Material& Texture(const std::string& file) { return MapChunk(0xA200, Map(file)); }
  Material& Texture(const Map& map) { return MapChunk(0xA200, map); }
  Material& Reflection(const std::string& file) { return MapChunk(0xA220, Map(file)); }
  Material& Reflection(const Map& map) { return MapChunk(0xA220, map); }
  Material& MapChunk(uint16_t tag, const Map& map);  // any map or mask tag
  // A colour chunk (0xA010, 0xA020, 0xA030) with a 24-bit 0x0011 and/or linear 0x0012 child.
  Material& Colour(uint16_t tag, std::optional<Rgb> rgb, std::optional<Rgb> linear = {});
  Material& Ambient(Rgb rgb, std::optional<Rgb> linear = {}) { return Colour(0xA010, rgb, linear); }
  Material& Diffuse(Rgb rgb, std::optional<Rgb> linear = {}) { return Colour(0xA020, rgb, linear); }
  Material& Specular(Rgb rgb, std::optional<Rgb> linear = {}) {
    return Colour(0xA030, rgb, linear);
  }
  Material& Percent(uint16_t tag, uint16_t value);  // tag holding 0x0030
  Material& PercentF(uint16_t tag, float value);    // tag holding 0x0031
  Material& Flag(uint16_t tag);                     // an empty chunk, e.g. 0xA081 two-sided
  Material& Child(Chunk c);
  Chunk ToChunk() const;

 private:
  std::optional<std::string> name_;
  std::vector<Chunk> children_;
};

// A keyframer node: by default an object node 0xB002. Children in this order: node id 0xB030,
// header 0xB010, instance 0xB011, pivot 0xB013, bounding box 0xB014, morph smoothing 0xB015,
// the tracks in tag order (position 0xB020, rotation 0xB021, scale 0xB022, morph 0xB026, hide
// 0xB029), extra children. A track is written when it has keys or flags were set for it.
class KfNode {
 public:
  KfNode(std::string name, uint16_t tag) : name_(std::move(name)), tag_(tag) {}
  KfNode& Tag(uint16_t tag);
  KfNode& Flags(uint16_t flags1, uint16_t flags2);
  KfNode& Parent(uint16_t id);  // the parent's node id; 0xFFFF (the default) for none
  KfNode& Id(uint16_t id);
  KfNode& Instance(std::string name);
  KfNode& Pivot(float x, float y, float z);
  KfNode& Box(const Vec3& min, const Vec3& max);
  KfNode& MorphSmooth(float angle);
  KfNode& Pos(uint32_t frame, const Vec3& p, const Spline& s = {});
  KfNode& Rot(uint32_t frame, float angle, const Vec3& axis, const Spline& s = {});
  KfNode& Scale(uint32_t frame, const Vec3& v, const Spline& s = {});
  KfNode& Morph(uint32_t frame, const std::string& name, const Spline& s = {});
  KfNode& Hide(uint32_t frame, const Spline& s = {});
  // The track header's flag word of one track tag (0xB020 ...); also writes a track without
  // keys.
  KfNode& TrackFlags(uint16_t tracktag, uint16_t flags);
  KfNode& Child(Chunk c);

  const std::string& name() const { return name_; }
  Chunk ToChunk() const;

 private:
  struct Track {
    uint16_t flags = 0;
    uint32_t count = 0;
    std::string keys;  // key headers and values as written
  };
  Track& AddKey(uint16_t tracktag, uint32_t frame, const Spline& s);

  std::string name_;
  uint16_t tag_;
  uint16_t flags1_ = 0, flags2_ = 0, parent_ = 0xFFFF;
  std::optional<uint16_t> id_;
  std::optional<std::string> instance_;
  std::optional<Vec3> pivot_;
  std::optional<std::pair<Vec3, Vec3>> box_;
  std::optional<float> morphsmooth_;
  std::map<uint16_t, Track> tracks_;
  std::vector<Chunk> extra_;
};

// The keyframer 0xB000: header 0xB00A, segment 0xB008, current frame 0xB009, then the nodes
// and extra children in the order they are added.
class KfData {
 public:
  KfData& Revision(uint16_t revision);
  KfData& FileName(std::string name);
  KfData& Length(uint32_t frames);
  KfData& NoHeader();
  KfData& Segment(uint32_t first, uint32_t last);
  KfData& CurrentFrame(uint32_t frame);
  KfNode& Node(std::string name, uint16_t tag = 0xB002);
  Chunk& AddChunk(Chunk c);
  Chunk ToChunk() const;

 private:
  bool header_ = true;
  uint16_t revision_ = 5;
  std::string filename_;
  uint32_t length_ = 30;
  std::optional<std::pair<uint32_t, uint32_t>> segment_;
  std::optional<uint32_t> current_;
  std::list<std::variant<KfNode, Chunk>> items_;
};

// A whole file: root 0x4D4D holding the version 0x0002, the mesh section 0x3D3D (mesh version
// 0x3D3E, master scale 0x0100, ambient light 0x2100, the materials, then objects and extra
// section chunks in the order they are added), the keyframer 0xB000 when asked for, then extra
// root chunks. Without the mesh section its contents go directly into the root.
class Model {
 public:
  Model& Root(uint16_t tag);
  Model& Version(uint32_t v);
  Model& NoVersion();
  Model& MeshVersion(uint32_t v);
  Model& NoMeshVersion();
  Model& NoMeshSection();
  // A material library: root 0x3DAA holding the materials directly, no version.
  Model& MaterialLibrary();
  Model& MasterScale(float scale);
  Model& Ambient(Rgb rgb);                     // 0x2100 holding 0x0011
  Model& AmbientF(float r, float g, float b);  // 0x2100 holding 0x0010

  Material& AddMaterial(std::string name);
  MeshObj& AddMesh(std::string name);
  LightObj& AddLight(std::string name);
  CameraObj& AddCamera(std::string name);
  Chunk& AddSectionChunk(Chunk c);  // into the mesh section, in order with the objects
  KfData& Keyframer();              // made on first use
  Chunk& AddRootChunk(Chunk c);     // into the root, after the keyframer

  Chunk ToChunk() const;
  std::string Bytes() const;
  void Write(const std::string& path) const;
  size_t OffsetOf(uint16_t tag, size_t nth = 0) const;

 private:
  uint16_t root_ = 0x4D4D;
  std::optional<uint32_t> version_ = 3, meshversion_ = 3;
  bool section_ = true;
  std::optional<float> scale_;
  std::optional<Chunk> ambient_;
  std::list<Material> materials_;
  std::list<std::variant<MeshObj, LightObj, CameraObj, Chunk>> objects_;
  std::optional<KfData> kf_;
  std::list<Chunk> rootextra_;
};

}  // namespace build3ds

#endif  // TRIMORPH_TESTS_BUILDER3DS_H
