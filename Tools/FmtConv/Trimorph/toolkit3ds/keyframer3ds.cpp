// The keyframer view: the database's list of keyframer nodes, the object nodes as
// self-contained KfMesh3ds records (name, parent, pivot, instance, box and key tracks), and the
// animation settings as a KfSets3ds record.
//
// An object node is read from a private copy of its subtree: the decoded records of that copy
// are taken over (moved out of their chunks), so the arrays handed to the caller are never
// shared with the database, and the copy is released afterwards.
#include <cstring>
#include <memory>
#include <vector>

#include "toolkit3ds_internal.h"

namespace {

constexpr int32_t DEFAULT_ANIM_LENGTH = 30;

// The node kinds that the node list holds: ambient, object, camera, camera target, light,
// light target and spotlight nodes.
bool IsListedNodeTag(uint32_t tag) {
  return tag >= CHUNK_KF_AMBIENT_NODE && tag <= CHUNK_KF_SPOTLIGHT_NODE;
}

// Copies text into a character field of size bytes, cut to size - 1 characters and always
// NUL-terminated.
void CopyField(char* field, size_t size, const std::string& text) {
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  memcpy(field, text.data(), n);
  field[n] = '\0';
}
template <size_t N>
void CopyField(char (&field)[N], const std::string& text) {
  CopyField(field, N, text);
}

// The checks shared by the two fetches that start from a database.
bool CheckDatabase(Database3ds* db, const void* handle) {
  if (!db || !handle) {
    PushError3ds(ERR_INVALID_ARG);
    return false;
  }
  if (!db->rootchunk) {
    PushError3ds(ERR_INVALID_DATABASE);
    return false;
  }
  if (db->rootchunk->tag != CHUNK_MESH_FILE && db->rootchunk->tag != CHUNK_SCENE_FILE) {
    PushError3ds(ERR_WRONG_DATABASE);
    return false;
  }
  return true;
}

// The first direct child of parent with the tag, or null.
Chunk3ds* ChildWithTag(Chunk3ds* parent, uint32_t tag) {
  Chunk3ds* found = nullptr;
  FindNextChunk3ds(parent->firstchild, tag, &found);
  return found;
}

// Decodes the chunk (when there is one) and takes its record over: the chunk no longer holds
// it. Null when the chunk is absent or has no record of kind T.
template <class T>
std::unique_ptr<T> TakeRecord(Chunk3ds* chunk) {
  if (!chunk || !DataAs3ds<T>(ReadChunkData3ds(chunk))) return nullptr;
  return std::unique_ptr<T>(static_cast<T*>(chunk->data.release()));
}

// The first chunk with the tag in the node's (copied) subtree.
Chunk3ds* FindInNode(Chunk3ds* node, uint32_t tag) {
  Chunk3ds* found = nullptr;
  FindChunk3ds(node, tag, &found);
  return found;
}

// One track of a node: the count, and, when there are keys, the flags and both arrays moved
// out of the track record. A track without keys leaves flags 0 and no arrays.
template <class V>
void TakeTrack(Chunk3ds* chunk, uint32_t* count, uint16_t* flags, Array3ds<KeyHeader3ds>* keys,
               Array3ds<V>* values) {
  *count = 0;
  *flags = 0;
  keys->Reset();
  values->Reset();
  std::unique_ptr<TrackData3ds<V>> track = TakeRecord<TrackData3ds<V>>(chunk);
  if (!track || track->header.keycount == 0) return;  // the record, if any, is freed here
  *count = track->header.keycount;
  *flags = track->header.flags;
  *keys = std::move(track->keys);
  *values = std::move(track->values);
}

}  // namespace

//--------------------------------------------------------------------------------------------
// Node list
//--------------------------------------------------------------------------------------------

void RefreshNodeList3ds(Database3ds* db) {
  if (!db) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (!db->nodesstale) return;
  ReleaseNameList3ds(&db->nodelist);

  Chunk3ds* kf = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_KEYFRAMER, &kf);
  uint32_t count = 0;
  if (kf) {
    for (Chunk3ds* c = kf->firstchild; c; c = c->next) {
      if (IsListedNodeTag(c->tag)) ++count;
    }
  }
  InitNameList3ds(&db->nodelist, count);
  if (ErrorsPending3ds) return;
  // An empty list is built again on the next use: the keyframer may have gained nodes since.
  if (count == 0) return;

  uint32_t i = 0;
  for (Chunk3ds* node = kf->firstchild; node; node = node->next) {
    if (!IsListedNodeTag(node->tag)) continue;
    NameListEntry3ds& entry = db->nodelist->entries[i++];
    // A node without a readable header keeps an empty entry and is passed over.
    Chunk3ds* header = ChildWithTag(node, CHUNK_KF_NODE_HEADER);
    if (!header) continue;
    auto* hdr = DataAs3ds<NodeHdrData3ds>(ReadChunkData3ds(header));
    if (ErrorsPending3ds) return;
    if (!hdr) continue;
    entry.chunk = node;
    entry.name = hdr->name;

    if (node->tag != CHUNK_KF_OBJECT_NODE) continue;
    Chunk3ds* inst = ChildWithTag(node, CHUNK_KF_INSTANCE_NAME);
    if (!inst) continue;
    auto* instance = DataAs3ds<StringData3ds>(ReadChunkData3ds(inst));
    if (ErrorsPending3ds) return;
    if (instance) entry.name += "." + instance->value;
  }
  db->nodesstale = 0;
}

uint32_t GetNodeCount3ds(Database3ds* db, uint32_t tag) {
  RefreshNodeList3ds(db);
  if (ErrorsPending3ds || !db->nodelist) return 0;
  uint32_t n = 0;
  for (uint32_t i = 0; i < db->nodelist->count; ++i) {
    const Chunk3ds* c = db->nodelist->entries[i].chunk;
    if (c && c->tag == tag) ++n;
  }
  return n;
}

Chunk3ds* GetNodeByIndex3ds(Database3ds* db, uint32_t index, uint32_t tag) {
  RefreshNodeList3ds(db);
  if (ErrorsPending3ds || !db->nodelist) return nullptr;
  // Counting goes on from the node found last when it has the same tag and comes no later.
  NameList3ds& list = *db->nodelist;
  uint32_t n = 0, i = 0;
  if (tag != 0 && list.cursorkind == tag && list.cursorindex <= index) {
    n = list.cursorindex;
    i = list.cursorpos;
  }
  for (; i < list.count; ++i) {
    Chunk3ds* c = list.entries[i].chunk;
    if (!c || c->tag != tag) continue;
    if (n == index) {
      list.cursorkind = tag;
      list.cursorindex = index;
      list.cursorpos = i;
      return c;
    }
    ++n;
  }
  return nullptr;
}

//--------------------------------------------------------------------------------------------
// Object nodes
//--------------------------------------------------------------------------------------------

uint32_t GetObjectNodeCount3ds(Database3ds* db) {
  return GetNodeCount3ds(db, CHUNK_KF_OBJECT_NODE);
}

void GetObjectNodeByIndex3ds(Database3ds* db, uint32_t index, KfMesh3ds** handle) {
  if (!CheckDatabase(db, handle)) return;
  Chunk3ds* chunk = GetNodeByIndex3ds(db, index, CHUNK_KF_OBJECT_NODE);
  // An index past the last object node is not an error: the handle stays as it was.
  if (ErrorsPending3ds || !chunk) return;
  GetObjectNodeFromChunk3ds(chunk, handle);
}

void GetObjectNodeFromChunk3ds(Chunk3ds* chunk, KfMesh3ds** handle) {
  if (!chunk || !handle) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (chunk->tag != CHUNK_KF_OBJECT_NODE) {
    PushError3ds(ERR_WRONG_OBJECT);
    return;
  }

  Chunk3ds* copy = nullptr;
  CopyChunk3ds(chunk, &copy);
  // Released on every way out, with whatever records are still in it.
  std::unique_ptr<Chunk3ds, void (*)(Chunk3ds*)> guard(copy,
                                                       [](Chunk3ds* c) { ReleaseChunk3ds(&c); });
  if (ErrorsPending3ds || !copy) return;

  Chunk3ds* header = FindInNode(copy, CHUNK_KF_NODE_HEADER);
  auto* hdr = header ? DataAs3ds<NodeHdrData3ds>(ReadChunkData3ds(header)) : nullptr;
  if (!hdr) {
    // Without a header there is no name to give the record: nothing is filled.
    PushError3ds(ERR_UNFOUND_CHUNK);
    return;
  }

  // The records of the other chunks belong to this operation from here on; whatever is not
  // handed to the caller is freed on the way out.
  std::unique_ptr<StringData3ds> instance =
      TakeRecord<StringData3ds>(FindInNode(copy, CHUNK_KF_INSTANCE_NAME));
  std::unique_ptr<PointData3ds> pivot = TakeRecord<PointData3ds>(FindInNode(copy, CHUNK_KF_PIVOT));
  std::unique_ptr<BoundBoxData3ds> box =
      TakeRecord<BoundBoxData3ds>(FindInNode(copy, CHUNK_KF_BOUNDING_BOX));
  std::unique_ptr<FloatData3ds> smooth =
      TakeRecord<FloatData3ds>(FindInNode(copy, CHUNK_KF_MORPH_SMOOTH));
  Chunk3ds* pos = FindInNode(copy, CHUNK_KF_POSITION_TRACK);
  Chunk3ds* rot = FindInNode(copy, CHUNK_KF_ROTATION_TRACK);
  Chunk3ds* scale = FindInNode(copy, CHUNK_KF_SCALE_TRACK);
  Chunk3ds* morph = FindInNode(copy, CHUNK_KF_MORPH_TRACK);
  Chunk3ds* hide = FindInNode(copy, CHUNK_KF_HIDE_TRACK);

  if (!*handle) {
    *handle = new (std::nothrow) KfMesh3ds();
    if (!*handle) {
      PushError3ds(ERR_NO_MEM);
      return;
    }
  } else {
    // A record fetched before gives up everything it held, its arrays first of all.
    **handle = KfMesh3ds();
  }
  KfMesh3ds* kf = *handle;

  CopyField(kf->name, hdr->name);
  kf->headerflags1 = hdr->flags1;
  kf->headerflags2 = hdr->flags2;
  GetParentName3ds(header, kf->parent);

  CopyField(kf->instance, instance ? instance->value : std::string());
  kf->pivot = pivot ? pivot->value : Point3ds{0, 0, 0};
  kf->boxmin = box ? box->min : Point3ds{0, 0, 0};
  kf->boxmax = box ? box->max : Point3ds{0, 0, 0};
  kf->morphsmoothangle = smooth ? smooth->value : 0.0f;

  TakeTrack(pos, &kf->poskeycount, &kf->posflags, &kf->poskeys, &kf->posvalues);
  TakeTrack(rot, &kf->rotkeycount, &kf->rotflags, &kf->rotkeys, &kf->rotvalues);
  TakeTrack(scale, &kf->scalekeycount, &kf->scaleflags, &kf->scalekeys, &kf->scalevalues);
  TakeTrack(morph, &kf->morphkeycount, &kf->morphflags, &kf->morphkeys, &kf->morphnames);

  // The hide track has keys only.
  kf->hidekeycount = 0;
  kf->hideflags = 0;
  kf->hidekeys.Reset();
  std::unique_ptr<HideTrackData3ds> hidden = TakeRecord<HideTrackData3ds>(hide);
  if (hidden && hidden->header.keycount != 0) {
    kf->hidekeycount = hidden->header.keycount;
    kf->hideflags = hidden->header.flags;
    kf->hidekeys = std::move(hidden->keys);
  }
}

void GetParentName3ds(Chunk3ds* header, char* out) {
  if (!out) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  out[0] = '\0';
  Chunk3ds* namechunk = nullptr;
  FindChunk3ds(header, CHUNK_PARENT_NAME, &namechunk);
  if (!namechunk) return;
  auto* name = DataAs3ds<StringData3ds>(ReadChunkData3ds(namechunk));
  // The field holds 21 characters: a parent name and an instance name of 10 each and the dot.
  if (name && !name->value.empty()) CopyField(out, sizeof(KfMesh3ds::parent), name->value);
  DropChunkData3ds(namechunk);
}

void ReleaseObjectNode3ds(KfMesh3ds** handle) {
  if (!handle) return;
  delete *handle;  // the record's key and value arrays go with it
  *handle = nullptr;
}

//--------------------------------------------------------------------------------------------
// Animation settings
//--------------------------------------------------------------------------------------------

void InitKeyframerSettings3ds(KfSets3ds** handle) {
  KfSets3ds* s = HandleRecord3ds(handle);
  if (!s) return;
  s->anim.length = DEFAULT_ANIM_LENGTH;
  s->anim.currentframe = 0;
  s->seg.use = 0;
  s->seg.begin = 0;
  s->seg.end = DEFAULT_ANIM_LENGTH;
}

Chunk3ds* NewChildChunk3ds(uint32_t tag, Chunk3ds* parent) {
  if (!parent) {
    PushError3ds(ERR_INVALID_ARG);
    return nullptr;
  }
  Chunk3ds* chunk = nullptr;
  NewChunk3ds(&chunk);
  if (!chunk) return nullptr;
  chunk->tag = tag;
  InsertChunk3ds(parent, chunk);
  return chunk;
}

void GetKeyframerChunk3ds(Chunk3ds* root, Chunk3ds** out) {
  if (!root || !out) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  *out = ChildWithTag(root, CHUNK_KEYFRAMER);
  // A file without keyframer data gets an empty keyframer section.
  if (!*out) *out = NewChildChunk3ds(CHUNK_KEYFRAMER, root);
}

void GetKeyframerSettings3ds(Database3ds* db, KfSets3ds** handle) {
  if (!CheckDatabase(db, handle)) return;
  InitKeyframerSettings3ds(handle);
  if (ErrorsPending3ds) return;
  KfSets3ds* s = *handle;

  Chunk3ds* kf = nullptr;
  GetKeyframerChunk3ds(db->rootchunk, &kf);
  if (ErrorsPending3ds || !kf) return;

  if (Chunk3ds* c = ChildWithTag(kf, CHUNK_KF_HEADER)) {
    auto* hdr = DataAs3ds<KfHdrData3ds>(ReadChunkData3ds(c));
    if (ErrorsPending3ds) return;
    if (hdr) s->anim.length = hdr->animlength;
    DropChunkData3ds(c);
  }
  if (Chunk3ds* c = ChildWithTag(kf, CHUNK_KF_CURRENT_FRAME)) {
    auto* frame = DataAs3ds<DwordData3ds>(ReadChunkData3ds(c));
    if (ErrorsPending3ds) return;
    if (frame) s->anim.currentframe = int32_t(frame->value);
    DropChunkData3ds(c);
  }
  if (Chunk3ds* c = ChildWithTag(kf, CHUNK_KF_SEGMENT)) {
    auto* seg = DataAs3ds<KfSegData3ds>(ReadChunkData3ds(c));
    if (ErrorsPending3ds) return;
    if (seg) {
      s->seg.use = 1;
      s->seg.begin = seg->first;
      s->seg.end = seg->last;
    }
    DropChunkData3ds(c);
  }
}

void ReleaseKeyframerSettings3ds(KfSets3ds** handle) {
  if (!handle) return;
  delete *handle;
  *handle = nullptr;
}

//--------------------------------------------------------------------------------------------
// Nodes of every kind
//--------------------------------------------------------------------------------------------

void GetKeyframerNodes3ds(Database3ds* db, Array3ds<KfNodeInfo3ds>* nodes) {
  if (!db || !nodes) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  nodes->Reset();
  Chunk3ds* kf = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_KEYFRAMER, &kf);
  if (!kf) return;
  // The nodes that the node list holds, with the same test of their header.
  std::vector<std::pair<Chunk3ds*, NodeHdrData3ds*>> found;
  for (Chunk3ds* node = kf->firstchild; node; node = node->next) {
    if (!IsListedNodeTag(node->tag)) continue;
    Chunk3ds* header = ChildWithTag(node, CHUNK_KF_NODE_HEADER);
    auto* hdr = header ? DataAs3ds<NodeHdrData3ds>(ReadChunkData3ds(header)) : nullptr;
    if (hdr) found.push_back({node, hdr});
  }
  if (!nodes->Allocate(found.size())) {
    PushError3ds(ERR_NO_MEM);
    return;
  }
  for (size_t i = 0; i < found.size(); ++i) {
    Chunk3ds* node = found[i].first;
    KfNodeInfo3ds& info = (*nodes)[i];
    info.kind = KfNodeKind3ds(node->tag - CHUNK_KEYFRAMER);
    CopyField(info.name, found[i].second->name);
    info.parentid = int16_t(found[i].second->parentindex);
    info.id = -1;
    info.instance[0] = '\0';
    // The id and the instance name are found as the resolution of parents finds them.
    Chunk3ds* id = FindInNode(node, CHUNK_KF_NODE_ID);
    if (auto* word = id ? DataAs3ds<WordData3ds>(ReadChunkData3ds(id)) : nullptr) {
      info.id = int16_t(word->value);
    }
    Chunk3ds* inst = FindInNode(node, CHUNK_KF_INSTANCE_NAME);
    auto* instance = inst ? DataAs3ds<StringData3ds>(ReadChunkData3ds(inst)) : nullptr;
    if (node->tag == CHUNK_KF_OBJECT_NODE && instance) CopyField(info.instance, instance->value);
  }
}
