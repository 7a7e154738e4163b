// In-memory writer of .3ds files.
#include "Builder3ds.h"

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace build3ds {

namespace {

void PutLe(std::string& bytes, size_t offset, uint32_t v, size_t width) {
  if (bytes.size() < offset + width) bytes.resize(offset + width, '\0');
  for (size_t i = 0; i < width; ++i) bytes[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Le(uint32_t v, size_t width) {
  std::string s;
  PutLe(s, 0, v, width);
  return s;
}

// Key header: frame, spline flags, then the floats of the set bits in their fixed order.
std::string KeyBytes(uint32_t frame, const Spline& s) {
  std::string out = LeDword(frame) + LeWord(s.flags);
  const float values[5] = {s.tension, s.continuity, s.bias, s.easeto, s.easefrom};
  for (int bit = 0; bit < 5; ++bit) {
    if (s.flags & (1u << bit)) out += LeFloat(values[bit]);
  }
  return out;
}

std::string PointBytes(const Vec3& p) {
  return LeFloat(p.x) + LeFloat(p.y) + LeFloat(p.z);
}

Chunk Rgb24(uint16_t tag, const Rgb& c) {
  Chunk ch(tag);
  ch.Byte(c.r).Byte(c.g).Byte(c.b);
  return ch;
}

// Each list element becomes one child chunk, whatever kind of part it holds.
template <typename... Parts>
Chunk PartChunk(const std::variant<Parts...>& part) {
  return std::visit(
      [](const auto& p) -> Chunk {
        if constexpr (std::is_same_v<std::decay_t<decltype(p)>, Chunk>) {
          return p;
        } else {
          return p.ToChunk();
        }
      },
      part);
}

}  // namespace

std::string LeWord(uint16_t v) {
  return Le(v, 2);
}
std::string LeDword(uint32_t v) {
  return Le(v, 4);
}
std::string LeFloat(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return Le(bits, 4);
}
void PutWord(std::string& bytes, size_t offset, uint16_t v) {
  PutLe(bytes, offset, v, 2);
}
void PutDword(std::string& bytes, size_t offset, uint32_t v) {
  PutLe(bytes, offset, v, 4);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  f.close();
  if (!f) throw std::runtime_error("cannot write the file " + path);
}

// ---- Chunk ----

Chunk& Chunk::Byte(uint8_t v) {
  payload_ += static_cast<char>(v);
  return *this;
}
Chunk& Chunk::Word(uint16_t v) {
  return Raw(LeWord(v));
}
Chunk& Chunk::Dword(uint32_t v) {
  return Raw(LeDword(v));
}
Chunk& Chunk::Float(float v) {
  return Raw(LeFloat(v));
}
Chunk& Chunk::Floats(std::initializer_list<float> vs) {
  for (float v : vs) Float(v);
  return *this;
}
Chunk& Chunk::String(const std::string& s) {
  payload_ += s;
  payload_ += '\0';
  return *this;
}
Chunk& Chunk::FixedString(const std::string& s, size_t width) {
  std::string field = s.substr(0, width);
  field.resize(width + 1, '\0');
  return Raw(field);
}
Chunk& Chunk::Raw(const std::string& bytes) {
  payload_ += bytes;
  return *this;
}
Chunk& Chunk::Point(const Vec3& p) {
  return Raw(PointBytes(p));
}
Chunk& Chunk::TexVert(const UV& t) {
  return Float(t.u).Float(t.v);
}
Chunk& Chunk::Face(const Tri& f) {
  return Word(f.a).Word(f.b).Word(f.c).Word(f.flags);
}
Chunk& Chunk::TrackHeader(uint16_t flags, uint32_t keycount, uint32_t unknown1, uint32_t unknown2) {
  return Word(flags).Dword(unknown1).Dword(unknown2).Dword(keycount);
}
Chunk& Chunk::Key(uint32_t frame, const Spline& spline) {
  return Raw(KeyBytes(frame, spline));
}

Chunk& Chunk::Add(Chunk child) {
  children_.push_back(std::move(child));
  return *this;
}
Chunk& Chunk::Child(uint16_t tag) {
  children_.emplace_back(tag);
  return children_.back();
}

Chunk& Chunk::Length(uint32_t length) {
  length_ = length;
  return *this;
}
Chunk& Chunk::RealLength() {
  length_.reset();
  return *this;
}

size_t Chunk::Size() const {
  size_t size = 6 + payload_.size();
  for (const Chunk& c : children_) size += c.Size();
  return size;
}

void Chunk::Emit(std::string& out) const {
  out += LeWord(tag_);
  out += LeDword(length_ ? *length_ : static_cast<uint32_t>(Size()));
  out += payload_;
  for (const Chunk& c : children_) c.Emit(out);
}

std::string Chunk::Bytes() const {
  std::string out;
  out.reserve(Size());
  Emit(out);
  return out;
}

void Chunk::Write(const std::string& path) const {
  WriteBytes(path, Bytes());
}

bool Chunk::Locate(uint16_t tag, size_t& nth, size_t base, size_t& found) const {
  if (tag_ == tag) {
    if (nth == 0) {
      found = base;
      return true;
    }
    --nth;
  }
  size_t at = base + 6 + payload_.size();
  for (const Chunk& c : children_) {
    if (c.Locate(tag, nth, at, found)) return true;
    at += c.Size();
  }
  return false;
}

size_t Chunk::OffsetOf(uint16_t tag, size_t nth) const {
  size_t found = 0;
  return Locate(tag, nth, 0, found) ? found : std::string::npos;
}

// ---- MeshObj ----

MeshObj& MeshObj::Vertices(std::vector<Vec3> v) {
  vertices_ = std::move(v);
  return *this;
}
MeshObj& MeshObj::TexVerts(std::vector<UV> t) {
  texverts_ = std::move(t);
  return *this;
}
MeshObj& MeshObj::Faces(std::vector<Tri> f) {
  faces_ = std::move(f);
  return *this;
}
MeshObj& MeshObj::Smoothing(std::vector<uint32_t> groups) {
  smoothing_ = std::move(groups);
  return *this;
}
MeshObj& MeshObj::Group(std::string material, std::vector<uint16_t> faces) {
  groups_.emplace_back(std::move(material), std::move(faces));
  return *this;
}
MeshObj& MeshObj::Frame(const std::array<float, 12>& rows) {
  frame_ = rows;
  return *this;
}
MeshObj& MeshObj::Origin(float x, float y, float z) {
  if (!frame_) frame_ = std::array<float, 12>{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  (*frame_)[9] = x;
  (*frame_)[10] = y;
  (*frame_)[11] = z;
  return *this;
}
MeshObj& MeshObj::NoFrame() {
  frame_.reset();
  return *this;
}
MeshObj& MeshObj::Flag(uint16_t tag) {
  flags_.emplace_back(tag);
  return *this;
}
MeshObj& MeshObj::ObjectChild(Chunk c) {
  objectExtra_.push_back(std::move(c));
  return *this;
}
MeshObj& MeshObj::MeshChild(Chunk c) {
  meshExtra_.push_back(std::move(c));
  return *this;
}
MeshObj& MeshObj::FaceChild(Chunk c) {
  faceExtra_.push_back(std::move(c));
  return *this;
}

Chunk MeshObj::ToChunk() const {
  Chunk obj(0x4000);
  obj.String(name_);
  for (const Chunk& f : flags_) obj.Add(f);
  Chunk& tri = obj.Child(0x4100);
  if (vertices_) {
    Chunk& v = tri.Child(0x4110);
    v.Word(static_cast<uint16_t>(vertices_->size()));
    for (const Vec3& p : *vertices_) v.Point(p);
  }
  if (texverts_) {
    Chunk& t = tri.Child(0x4140);
    t.Word(static_cast<uint16_t>(texverts_->size()));
    for (const UV& uv : *texverts_) t.TexVert(uv);
  }
  if (frame_) {
    Chunk& m = tri.Child(0x4160);
    for (float f : *frame_) m.Float(f);
  }
  // Groups and smoothing live inside the face list, so asking for them writes one.
  if (faces_ || !groups_.empty() || smoothing_ || !faceExtra_.empty()) {
    Chunk& f = tri.Child(0x4120);
    f.Word(static_cast<uint16_t>(faces_ ? faces_->size() : 0));
    if (faces_) {
      for (const Tri& t : *faces_) f.Face(t);
    }
    for (const auto& g : groups_) {
      Chunk& group = f.Child(0x4130);
      group.String(g.first).Word(static_cast<uint16_t>(g.second.size()));
      for (uint16_t index : g.second) group.Word(index);
    }
    if (smoothing_) {
      Chunk& s = f.Child(0x4150);
      for (uint32_t bits : *smoothing_) s.Dword(bits);
    }
    for (const Chunk& c : faceExtra_) f.Add(c);
  }
  for (const Chunk& c : meshExtra_) tri.Add(c);
  for (const Chunk& c : objectExtra_) obj.Add(c);
  return obj;
}

// ---- LightObj, CameraObj ----

LightObj& LightObj::Position(float x, float y, float z) {
  pos_ = {x, y, z};
  return *this;
}
LightObj& LightObj::LightChild(Chunk c) {
  extra_.push_back(std::move(c));
  return *this;
}
Chunk LightObj::ToChunk() const {
  Chunk obj(0x4000);
  obj.String(name_);
  Chunk& light = obj.Child(0x4600);
  light.Point(pos_);
  for (const Chunk& c : extra_) light.Add(c);
  return obj;
}

CameraObj& CameraObj::Position(float x, float y, float z) {
  pos_ = {x, y, z};
  return *this;
}
CameraObj& CameraObj::Target(float x, float y, float z) {
  target_ = {x, y, z};
  return *this;
}
CameraObj& CameraObj::Bank(float angle) {
  bank_ = angle;
  return *this;
}
CameraObj& CameraObj::Lens(float lens) {
  lens_ = lens;
  return *this;
}
Chunk CameraObj::ToChunk() const {
  Chunk obj(0x4000);
  obj.String(name_);
  obj.Child(0x4700).Point(pos_).Point(target_).Float(bank_).Float(lens_);
  return obj;
}

// ---- Map, Material ----

Map& Map::File(const std::string& file) {
  return Child(Chunk(0xA300).String(file));
}
Map& Map::Percent(uint16_t value) {
  return Child(Chunk(0x0030).Word(value));
}
Map& Map::PercentF(float value) {
  return Child(Chunk(0x0031).Float(value));
}
Map& Map::Flags(uint16_t flags) {
  return Child(Chunk(0xA351).Word(flags));
}
Map& Map::Child(Chunk c) {
  children_.push_back(std::move(c));
  return *this;
}

Material& Material::Name(std::string name) {
  name_ = std::move(name);
  return *this;
}
Material& Material::NoName() {
  name_.reset();
  return *this;
}
Material& Material::MapChunk(uint16_t tag, const Map& map) {
  Chunk m(tag);
  for (const Chunk& c : map.children()) m.Add(c);
  return Child(std::move(m));
}
Material& Material::Colour(uint16_t tag, std::optional<Rgb> rgb, std::optional<Rgb> linear) {
  Chunk c(tag);
  if (rgb) c.Add(Rgb24(0x0011, *rgb));
  if (linear) c.Add(Rgb24(0x0012, *linear));
  return Child(std::move(c));
}
Material& Material::Percent(uint16_t tag, uint16_t value) {
  return Child(Chunk(tag).Add(Chunk(0x0030).Word(value)));
}
Material& Material::PercentF(uint16_t tag, float value) {
  return Child(Chunk(tag).Add(Chunk(0x0031).Float(value)));
}
Material& Material::Flag(uint16_t tag) {
  return Child(Chunk(tag));
}
Material& Material::Child(Chunk c) {
  children_.push_back(std::move(c));
  return *this;
}
Chunk Material::ToChunk() const {
  Chunk m(0xAFFF);
  if (name_) m.Add(Chunk(0xA000).String(*name_));
  for (const Chunk& c : children_) m.Add(c);
  return m;
}

// ---- KfNode, KfData ----

KfNode& KfNode::Tag(uint16_t tag) {
  tag_ = tag;
  return *this;
}
KfNode& KfNode::Flags(uint16_t flags1, uint16_t flags2) {
  flags1_ = flags1;
  flags2_ = flags2;
  return *this;
}
KfNode& KfNode::Parent(uint16_t id) {
  parent_ = id;
  return *this;
}
KfNode& KfNode::Id(uint16_t id) {
  id_ = id;
  return *this;
}
KfNode& KfNode::Instance(std::string name) {
  instance_ = std::move(name);
  return *this;
}
KfNode& KfNode::Pivot(float x, float y, float z) {
  pivot_ = Vec3{x, y, z};
  return *this;
}
KfNode& KfNode::Box(const Vec3& min, const Vec3& max) {
  box_ = std::make_pair(min, max);
  return *this;
}
KfNode& KfNode::MorphSmooth(float angle) {
  morphsmooth_ = angle;
  return *this;
}

KfNode::Track& KfNode::AddKey(uint16_t tracktag, uint32_t frame, const Spline& s) {
  Track& t = tracks_[tracktag];
  ++t.count;
  t.keys += KeyBytes(frame, s);
  return t;
}
KfNode& KfNode::Pos(uint32_t frame, const Vec3& p, const Spline& s) {
  AddKey(0xB020, frame, s).keys += PointBytes(p);
  return *this;
}
KfNode& KfNode::Rot(uint32_t frame, float angle, const Vec3& axis, const Spline& s) {
  AddKey(0xB021, frame, s).keys += LeFloat(angle) + PointBytes(axis);
  return *this;
}
KfNode& KfNode::Scale(uint32_t frame, const Vec3& v, const Spline& s) {
  AddKey(0xB022, frame, s).keys += PointBytes(v);
  return *this;
}
KfNode& KfNode::Morph(uint32_t frame, const std::string& name, const Spline& s) {
  AddKey(0xB026, frame, s).keys += name + '\0';
  return *this;
}
KfNode& KfNode::Hide(uint32_t frame, const Spline& s) {
  AddKey(0xB029, frame, s);
  return *this;
}
KfNode& KfNode::TrackFlags(uint16_t tracktag, uint16_t flags) {
  tracks_[tracktag].flags = flags;
  return *this;
}
KfNode& KfNode::Child(Chunk c) {
  extra_.push_back(std::move(c));
  return *this;
}

Chunk KfNode::ToChunk() const {
  Chunk n(tag_);
  if (id_) n.Child(0xB030).Word(*id_);
  n.Child(0xB010).String(name_).Word(flags1_).Word(flags2_).Word(parent_);
  if (instance_) n.Child(0xB011).String(*instance_);
  if (pivot_) n.Child(0xB013).Point(*pivot_);
  if (box_) n.Child(0xB014).Point(box_->first).Point(box_->second);
  if (morphsmooth_) n.Child(0xB015).Float(*morphsmooth_);
  for (const auto& [tag, track] : tracks_) {
    n.Child(tag).TrackHeader(track.flags, track.count).Raw(track.keys);
  }
  for (const Chunk& c : extra_) n.Add(c);
  return n;
}

KfData& KfData::Revision(uint16_t revision) {
  revision_ = revision;
  return *this;
}
KfData& KfData::FileName(std::string name) {
  filename_ = std::move(name);
  return *this;
}
KfData& KfData::Length(uint32_t frames) {
  length_ = frames;
  return *this;
}
KfData& KfData::NoHeader() {
  header_ = false;
  return *this;
}
KfData& KfData::Segment(uint32_t first, uint32_t last) {
  segment_ = std::make_pair(first, last);
  return *this;
}
KfData& KfData::CurrentFrame(uint32_t frame) {
  current_ = frame;
  return *this;
}
KfNode& KfData::Node(std::string name, uint16_t tag) {
  items_.emplace_back(std::in_place_type<KfNode>, std::move(name), tag);
  return std::get<KfNode>(items_.back());
}
Chunk& KfData::AddChunk(Chunk c) {
  items_.emplace_back(std::move(c));
  return std::get<Chunk>(items_.back());
}
Chunk KfData::ToChunk() const {
  Chunk kf(0xB000);
  if (header_) kf.Child(0xB00A).Word(revision_).String(filename_).Dword(length_);
  if (segment_) kf.Child(0xB008).Dword(segment_->first).Dword(segment_->second);
  if (current_) kf.Child(0xB009).Dword(*current_);
  for (const auto& item : items_) kf.Add(PartChunk(item));
  return kf;
}

// ---- Model ----

Model& Model::Root(uint16_t tag) {
  root_ = tag;
  return *this;
}
Model& Model::Version(uint32_t v) {
  version_ = v;
  return *this;
}
Model& Model::NoVersion() {
  version_.reset();
  return *this;
}
Model& Model::MeshVersion(uint32_t v) {
  meshversion_ = v;
  return *this;
}
Model& Model::NoMeshVersion() {
  meshversion_.reset();
  return *this;
}
Model& Model::NoMeshSection() {
  section_ = false;
  return *this;
}
Model& Model::MaterialLibrary() {
  return Root(0x3DAA).NoVersion().NoMeshVersion().NoMeshSection();
}
Model& Model::MasterScale(float scale) {
  scale_ = scale;
  return *this;
}
Model& Model::Ambient(Rgb rgb) {
  ambient_ = Chunk(0x2100).Add(Rgb24(0x0011, rgb));
  return *this;
}
Model& Model::AmbientF(float r, float g, float b) {
  ambient_ = Chunk(0x2100).Add(Chunk(0x0010).Float(r).Float(g).Float(b));
  return *this;
}

Material& Model::AddMaterial(std::string name) {
  return materials_.emplace_back(std::move(name));
}
MeshObj& Model::AddMesh(std::string name) {
  objects_.emplace_back(std::in_place_type<MeshObj>, std::move(name));
  return std::get<MeshObj>(objects_.back());
}
LightObj& Model::AddLight(std::string name) {
  objects_.emplace_back(std::in_place_type<LightObj>, std::move(name));
  return std::get<LightObj>(objects_.back());
}
CameraObj& Model::AddCamera(std::string name) {
  objects_.emplace_back(std::in_place_type<CameraObj>, std::move(name));
  return std::get<CameraObj>(objects_.back());
}
Chunk& Model::AddSectionChunk(Chunk c) {
  objects_.emplace_back(std::move(c));
  return std::get<Chunk>(objects_.back());
}
KfData& Model::Keyframer() {
  if (!kf_) kf_.emplace();
  return *kf_;
}
Chunk& Model::AddRootChunk(Chunk c) {
  return rootextra_.emplace_back(std::move(c));
}

Chunk Model::ToChunk() const {
  Chunk root(root_);
  if (version_) root.Child(0x0002).Dword(*version_);
  Chunk section(0x3D3D);
  Chunk& into = section_ ? section : root;
  if (meshversion_) into.Child(0x3D3E).Dword(*meshversion_);
  if (scale_) into.Child(0x0100).Float(*scale_);
  if (ambient_) into.Add(*ambient_);
  for (const Material& m : materials_) into.Add(m.ToChunk());
  for (const auto& o : objects_) into.Add(PartChunk(o));
  if (section_) root.Add(std::move(section));
  if (kf_) root.Add(kf_->ToChunk());
  for (const Chunk& c : rootextra_) root.Add(c);
  return root;
}

std::string Model::Bytes() const {
  return ToChunk().Bytes();
}
void Model::Write(const std::string& path) const {
  WriteBytes(path, Bytes());
}
size_t Model::OffsetOf(uint16_t tag, size_t nth) const {
  return ToChunk().OffsetOf(tag, nth);
}

}  // namespace build3ds
