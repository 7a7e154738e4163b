// The chunk tree database: reads the tree of chunks of a .3ds file into memory (headers only;
// payloads are decoded on demand), gives every keyframer node header a chunk naming its parent,
// and offers the tree operations the object views use: search, insertion by rank, copies,
// disconnection from the file, name lists and release.
//
// The reader recurses once per nesting level of the file, and the nesting is bounded by
// MAX_CHUNK_DEPTH3DS. Everything that walks a sibling chain or a whole subtree does so with a
// loop and, where it must come back up, a stack on the heap, so that neither a long chain of
// siblings nor a deep tree made in memory can exhaust the call stack.
#include <unordered_map>
#include <vector>

#include "toolkit3ds_internal.h"

namespace {

bool IsRootTag(uint32_t tag) {
  return tag == CHUNK_MESH_FILE || tag == CHUNK_SCENE_FILE || tag == CHUNK_MATERIAL_LIBRARY;
}

// Reads and throws away a NUL-terminated string of at most limit bytes, NUL included.
bool SkipString(uint32_t limit) {
  char buf[513];
  ReadString3ds(buf, limit < sizeof buf ? limit : uint32_t(sizeof buf));
  return !ErrorsPending3ds;
}

// Visits start and then its subtree in pre-order (each child's subtree in sibling order);
// start's own siblings are not visited. visit returns false to end the walk.
template <class Visit>
void WalkSubtree(Chunk3ds* start, Visit visit) {
  if (!start || !visit(start)) return;
  std::vector<Chunk3ds*> resume;  // per open level, the sibling to go on with afterwards
  Chunk3ds* c = start->firstchild;
  for (;;) {
    if (!c) {
      if (resume.empty()) return;
      c = resume.back();
      resume.pop_back();
      continue;
    }
    if (!visit(c)) return;
    if (c->firstchild) {
      if (c->next) resume.push_back(c->next);
      c = c->firstchild;
    } else {
      c = c->next;
    }
  }
}

// The chunk's header is read and the stream stands after it. Reads its children (and theirs)
// up to the chunk's end; depth is the nesting level of the chunk, the root being 1. Records
// ERR_READING_DATABASE for this level when anything fails below, and the file offset of the
// chunk (or header) at which it failed in *stop, unless a deeper level has set it already.
void ReadTreeLevel(Chunk3ds* chunk, int depth, bool extdata, int64_t* stop);

void NoteStop(int64_t* stop, uint64_t offset) {
  if (*stop < 0) *stop = int64_t(offset);
}

bool ValidLevel(const Chunk3ds* chunk, int depth) {
  // A length below the header's own 6 bytes would not move the reader forward; a nesting
  // deeper than the bound is refused rather than followed.
  if (chunk->length < 6 || depth > MAX_CHUNK_DEPTH3DS) {
    PushError3ds(ERR_INVALID_CHUNK);
    return false;
  }
  return true;
}

// A new chunk with its header read from the current position; null (and the chunk released,
// the position noted in *stop) when that fails.
Chunk3ds* ReadChildHeader(int64_t* stop) {
  const uint64_t pos = TellFile3ds();
  auto failed = [stop, pos](Chunk3ds** child) {
    ReleaseChunk3ds(child);
    NoteStop(stop, pos);
    return nullptr;
  };
  Chunk3ds* child = nullptr;
  NewChunk3ds(&child);
  if (ErrorsPending3ds) return failed(&child);
  if (pos > UINT32_MAX) {
    // Chunk offsets are 32-bit in this format.
    PushError3ds(ERR_INVALID_CHUNK);
    return failed(&child);
  }
  child->offset = uint32_t(pos);
  child->fileindex = CurrentFileIndex3ds();
  ReadHeader3ds(child);
  if (ErrorsPending3ds) return failed(&child);
  return child;
}

void ReadTreeLevel(Chunk3ds* chunk, int depth, bool extdata, int64_t* stop) {
  SelectFileByIndex3ds(chunk->fileindex);
  if (!ValidLevel(chunk, depth)) {
    NoteStop(stop, chunk->offset);
    PushError3ds(ERR_READING_DATABASE);
    return;
  }
  SkipChunkData3ds(chunk);
  if (ErrorsPending3ds) {
    NoteStop(stop, chunk->offset);
    PushError3ds(ERR_READING_DATABASE);
    return;
  }
  const uint64_t end = uint64_t(chunk->offset) + chunk->length;

  // New children go after the last one; keeping the tail makes long sibling chains linear.
  Chunk3ds* last = chunk->firstchild;
  while (last && last->next) last = last->next;

  while (TellFile3ds() < end) {
    Chunk3ds* child = ReadChildHeader(stop);
    if (!child) {
      PushError3ds(ERR_READING_DATABASE);
      return;
    }
    if (extdata) {
      if (child->tag < CHUNK_EXT_APP_NAME || child->tag > CHUNK_EXT_ITEM_LAST) {
        // Anything else ends the extension entry.
        ReleaseChunk3ds(&child);
        SeekFile3ds(end);
        break;
      }
      if (uint64_t(child->offset) + child->length > end) {
        // An item reaching beyond its entry is dropped; reading goes on after its header.
        ReleaseChunk3ds(&child);
        continue;
      }
    }
    if (last) {
      last->next = child;
    } else {
      chunk->firstchild = child;
    }
    last = child;
    ReadTreeLevel(child, depth + 1, extdata || child->tag == CHUNK_EXT_ENTRY, stop);
    if (ErrorsPending3ds) {
      PushError3ds(ERR_READING_DATABASE);
      return;
    }
  }
}

// Decodes the payload of the chunk and of every chunk below it and detaches them from their
// file, stopping at the first that cannot be decoded, whose offset goes to *stop unless it is
// set already.
void DisconnectTree(Chunk3ds* chunk, int64_t* stop) {
  WalkSubtree(chunk, [stop](Chunk3ds* c) {
    ReadChunkData3ds(c);
    if (ErrorsPending3ds) {
      NoteStop(stop, c->offset);
      return false;
    }
    c->fileindex = NO_FILE_INDEX;
    return true;
  });
}

// One keyframer node as the parent resolution sees it.
struct KfNodeRef3ds {
  int16_t id = -1;
  uint32_t tag = 0;
  std::string name;
  bool hasinstance = false;
  std::string instance;
  int16_t parent = -1;
  Chunk3ds* node = nullptr;  // the node chunk the entry was built from
};

bool IsKfNodeTag(uint32_t tag) {
  for (uint32_t t : KF_NODE_TAGS) {
    if (t == tag) return true;
  }
  return false;
}

// The entry of one keyframer node, or false when the node has no decodable header.
bool BuildNodeRef(Chunk3ds* node, KfNodeRef3ds* ref) {
  Chunk3ds* header = nullptr;
  FindChunk3ds(node, CHUNK_KF_NODE_HEADER, &header);
  if (!header) return false;
  auto* hdr = DataAs3ds<NodeHdrData3ds>(ReadChunkData3ds(header));
  if (!hdr || ErrorsPending3ds) {
    DropChunkData3ds(header);
    return false;
  }
  ref->node = node;
  ref->tag = node->tag;
  ref->name = hdr->name;
  ref->parent = int16_t(hdr->parentindex);
  DropChunkData3ds(header);

  Chunk3ds* idchunk = nullptr;
  FindChunk3ds(node, CHUNK_KF_NODE_ID, &idchunk);
  if (idchunk) {
    if (auto* id = DataAs3ds<WordData3ds>(ReadChunkData3ds(idchunk))) ref->id = int16_t(id->value);
    DropChunkData3ds(idchunk);
  }
  if (node->tag == CHUNK_KF_OBJECT_NODE) {
    Chunk3ds* inst = nullptr;
    FindChunk3ds(node, CHUNK_KF_INSTANCE_NAME, &inst);
    if (inst) {
      if (auto* s = DataAs3ds<StringData3ds>(ReadChunkData3ds(inst))) {
        ref->hasinstance = true;
        ref->instance = s->value;
      }
      DropChunkData3ds(inst);
    }
  }
  return true;
}

}  // namespace

//--------------------------------------------------------------------------------------------
// Database
//--------------------------------------------------------------------------------------------

void InitDatabase3ds(Database3ds** db) {
  Database3ds* d = HandleRecord3ds(db);
  if (!d) return;
  d->rootchunk = nullptr;
  d->objectsstale = 1;
  d->materialsstale = 1;
  d->nodesstale = 1;
  d->objectlist = nullptr;
  d->materiallist = nullptr;
  d->nodelist = nullptr;
  d->stopoffset = -1;
}

void CreateDatabase3ds(File3ds* file, Database3ds* db) {
  if (!file || !db) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (file->mode != FILE_MODE_READ3DS) return;

  // The tree is read into an empty database: whatever one held before is released, so that no
  // list refers to chunks of an older tree.
  ReleaseChunk3ds(&db->rootchunk);
  ReleaseNameList3ds(&db->objectlist);
  ReleaseNameList3ds(&db->materiallist);
  ReleaseNameList3ds(&db->nodelist);
  db->objectsstale = db->materialsstale = db->nodesstale = 1;
  db->stopoffset = -1;

  Chunk3ds* root = nullptr;
  NewChunk3ds(&root);
  if (ErrorsPending3ds) {
    ReleaseChunk3ds(&root);
    PushError3ds(ERR_CREATING_DATABASE);
    return;
  }
  db->rootchunk = root;
  root->fileindex = file->tableindex;

  SetCurrentFile3ds(file);
  SeekFile3ds(0);
  ReadHeader3ds(root);
  if (ErrorsPending3ds) {
    db->stopoffset = 0;
    PushError3ds(ERR_CREATING_DATABASE);
    return;
  }
  if (!IsRootTag(root->tag)) return;  // a lone root: not a file this toolkit knows

  ReadTreeLevel(root, 1, false, &db->stopoffset);
  if (ErrorsPending3ds) {
    PushError3ds(ERR_CREATING_DATABASE);
    return;
  }
  ResolveNodeParents3ds(db);
  if (ErrorsPending3ds) PushError3ds(ERR_CREATING_DATABASE);
}

void ReadChunkTree3ds(Chunk3ds* chunk) {
  if (!chunk) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  int64_t stop = -1;
  ReadTreeLevel(chunk, 1, false, &stop);
}

void ReadExtDataTree3ds(Chunk3ds* chunk) {
  if (!chunk) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  int64_t stop = -1;
  ReadTreeLevel(chunk, 1, true, &stop);
}

void SkipChunkData3ds(Chunk3ds* chunk) {
  if (!chunk) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  SelectFileByIndex3ds(chunk->fileindex);
  const uint64_t start = uint64_t(chunk->offset) + 6;
  const OwnData3ds& own = LookUpChunk3ds(chunk->tag).owndata;
  if (own.whole) {
    // All of it: the chunk has no children.
    SeekFile3ds(start + (chunk->length > 6 ? chunk->length - 6 : 0));
    return;
  }
  uint64_t pos = start + own.lead;
  if (own.textbytes != 0 || own.elemsize != 0) {
    // Strings are read and thrown away; a count is read to know how much follows it.
    SeekFile3ds(pos);
    if (own.textbytes != 0 && !SkipString(own.textbytes)) return;
    if (own.elemsize != 0) {
      uint16_t n = ReadWord3ds();
      if (ErrorsPending3ds) return;
      pos = TellFile3ds() + uint64_t(own.elemsize) * n;
    } else {
      pos = TellFile3ds();
    }
  }
  SeekFile3ds(pos + own.trail);
}

void ResolveNodeParents3ds(Database3ds* db) {
  if (!db) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  Chunk3ds* kf = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_KEYFRAMER, &kf);
  if (!kf) return;

  // The node list, in file order.
  std::vector<KfNodeRef3ds> refs;
  bool renumber = false;
  for (Chunk3ds* node = kf->firstchild; node; node = node->next) {
    if (!IsKfNodeTag(node->tag)) continue;
    KfNodeRef3ds ref;
    if (!BuildNodeRef(node, &ref)) continue;
    if (ref.id == -1) renumber = true;
    refs.push_back(std::move(ref));
  }
  // Without an id for every node, the ids are the nodes' positions in the list.
  if (renumber) {
    for (size_t i = 0; i < refs.size(); ++i) refs[i].id = int16_t(i);
  }

  std::unordered_map<const Chunk3ds*, size_t> entryOfNode;
  std::unordered_map<int16_t, size_t> entryOfId;  // first entry with the id, in list order
  for (size_t i = 0; i < refs.size(); ++i) {
    entryOfNode.emplace(refs[i].node, i);
    entryOfId.emplace(refs[i].id, i);
  }

  for (uint32_t tag : KF_NODE_TAGS) {
    Chunk3ds* node = nullptr;
    FindChunk3ds(kf, tag, &node);
    while (node) {
      Chunk3ds* header = nullptr;
      FindChunk3ds(node, CHUNK_KF_NODE_HEADER, &header);
      // Each node's parent comes from the entry built for that very node, so that nodes
      // without an id chunk keep their place in the hierarchy.
      auto own = entryOfNode.find(node);
      if (header && own != entryOfNode.end() && refs[own->second].parent != -1) {
        auto parent = entryOfId.find(refs[own->second].parent);
        if (parent != entryOfId.end()) {
          const KfNodeRef3ds& p = refs[parent->second];
          std::string text = p.hasinstance ? p.name + "." + p.instance : p.name;
          Chunk3ds* namechunk = nullptr;
          FindChunk3ds(header, CHUNK_PARENT_NAME, &namechunk);
          if (!namechunk) {
            AddParentNameChunk3ds(header, text.c_str());
          } else if (auto* s = DataAs3ds<StringData3ds>(namechunk->data.get())) {
            s->value = text;
          }
        }
      }
      Chunk3ds* following = nullptr;
      FindNextChunk3ds(node->next, tag, &following);
      node = following;
    }
  }
}

void DisconnectDatabase3ds(Database3ds* db) {
  if (!db) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (!db->rootchunk) {
    PushError3ds(ERR_INVALID_DATABASE);
    return;
  }
  DisconnectTree(db->rootchunk, &db->stopoffset);
}

DbType3ds GetDatabaseType3ds(Database3ds* db) {
  if (!db || !db->rootchunk) return UnknownFile;
  switch (db->rootchunk->tag) {
    case CHUNK_MESH_FILE:
      return MeshFile;
    case CHUNK_SCENE_FILE:
      return SceneFile;
    case CHUNK_MATERIAL_LIBRARY:
      return MaterialLibFile;
    default:
      return UnknownFile;
  }
}

int64_t ReadStopOffset3ds(Database3ds* db) {
  return db ? db->stopoffset : -1;
}

void WalkChunkTree3ds(Database3ds* db, const std::function<void(const ChunkView3ds&)>& visit) {
  if (!db || !db->rootchunk) return;
  // Per open level, the sibling to go on with afterwards and its depth.
  std::vector<std::pair<Chunk3ds*, uint32_t>> resume;
  Chunk3ds* c = db->rootchunk;
  uint32_t depth = 1;
  for (;;) {
    if (!c) {
      if (resume.empty()) return;
      c = resume.back().first;
      depth = resume.back().second;
      resume.pop_back();
      continue;
    }
    // A chunk made in memory has no place in the file: offset 0 belongs to the root alone.
    const bool inMemory = depth > 1 && c->offset == 0;
    if (!inMemory) visit(ChunkView3ds{c->tag, c->offset, c->length, depth});
    if (c->firstchild && !inMemory) {
      if (c->next && depth > 1) resume.push_back({c->next, depth});
      c = c->firstchild;
      ++depth;
    } else {
      c = depth > 1 ? c->next : nullptr;
    }
  }
}

void ReleaseDatabase3ds(Database3ds** db) {
  if (!db || !*db) return;
  ReleaseChunk3ds(&(*db)->rootchunk);
  ReleaseNameList3ds(&(*db)->objectlist);
  ReleaseNameList3ds(&(*db)->materiallist);
  ReleaseNameList3ds(&(*db)->nodelist);
  delete *db;
  *db = nullptr;
}

//--------------------------------------------------------------------------------------------
// Chunk tree
//--------------------------------------------------------------------------------------------

void NewChunk3ds(Chunk3ds** chunk) {
  if (!chunk) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  *chunk = new (std::nothrow) Chunk3ds();
  if (!*chunk) PushError3ds(ERR_NO_MEM);
}

void ReleaseChunk3ds(Chunk3ds** chunk) {
  if (!chunk) return;
  // The chunk, its subtree and its later siblings form a binary tree (firstchild on one side,
  // next on the other). Rotating each first child up in front of its parent flattens it into
  // one chain that is freed in a loop, without a stack.
  Chunk3ds* c = *chunk;
  while (c) {
    if (Chunk3ds* child = c->firstchild) {
      c->firstchild = child->next;
      child->next = c;
      c = child;
    } else {
      Chunk3ds* next = c->next;
      ReleaseChunkData3ds(c);
      delete c;
      c = next;
    }
  }
  *chunk = nullptr;
}

void FindChunk3ds(Chunk3ds* start, uint32_t tag, Chunk3ds** out) {
  if (!out) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  *out = nullptr;
  WalkSubtree(start, [&](Chunk3ds* c) {
    if (c->tag != tag) return true;
    *out = c;
    return false;
  });
}

void FindNextChunk3ds(Chunk3ds* start, uint32_t tag, Chunk3ds** out) {
  if (!out) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  Chunk3ds* c = start;
  while (c && c->tag != tag) c = c->next;
  *out = c;
}

void AppendChunk3ds(Chunk3ds* parent, Chunk3ds* child) {
  if (!parent || !child) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (!parent->firstchild) {
    parent->firstchild = child;
    return;
  }
  Chunk3ds* last = parent->firstchild;
  while (last->next) last = last->next;
  last->next = child;
}

void InsertChunk3ds(Chunk3ds* parent, Chunk3ds* child) {
  if (!parent || !child) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  // Children stay in non-increasing rank; a new chunk goes after those of equal rank.
  const int rank = ChunkRank3ds(child->tag);
  Chunk3ds* prev = nullptr;
  Chunk3ds* cur = parent->firstchild;
  while (cur && ChunkRank3ds(cur->tag) >= rank) {
    prev = cur;
    cur = cur->next;
  }
  child->next = cur;
  if (prev) {
    prev->next = child;
  } else {
    parent->firstchild = child;
  }
}

int ChunkRank3ds(uint32_t tag) {
  return LookUpChunk3ds(tag).rank;
}

void CopyChunk3ds(Chunk3ds* src, Chunk3ds** dst) {
  if (!src || !dst) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  // A copy of one chunk; its data moves over when it can be decoded again from the file, and
  // is deep-copied from a detached chunk.
  auto copyOne = [](Chunk3ds* s) -> Chunk3ds* {
    Chunk3ds* d = nullptr;
    NewChunk3ds(&d);
    if (!d) return nullptr;
    d->tag = s->tag;
    d->length = s->length;
    d->offset = s->offset;
    d->fileindex = s->fileindex;
    if (s->data) {
      if (s->fileindex == NO_FILE_INDEX) {
        CopyChunkData3ds(s, d);
      } else {
        d->data = std::move(s->data);
      }
    }
    return d;
  };

  *dst = copyOne(src);
  if (!*dst || ErrorsPending3ds) return;

  // Pre-order over src's subtree. For each open level: the source sibling to go on with, and
  // the copy's parent and last child at that level.
  struct Level {
    Chunk3ds* src;
    Chunk3ds* parent;
    Chunk3ds* last;
  };
  std::vector<Level> resume;
  Level cur{src->firstchild, *dst, nullptr};
  for (;;) {
    if (!cur.src) {
      if (resume.empty()) return;
      cur = resume.back();
      resume.pop_back();
      continue;
    }
    Chunk3ds* d = copyOne(cur.src);
    if (!d) return;
    if (cur.last) {
      cur.last->next = d;
    } else {
      cur.parent->firstchild = d;
    }
    cur.last = d;
    if (ErrorsPending3ds) return;
    if (cur.src->firstchild) {
      resume.push_back({cur.src->next, cur.parent, d});
      cur = {cur.src->firstchild, d, nullptr};
    } else {
      cur.src = cur.src->next;
    }
  }
}

void DisconnectChunk3ds(Chunk3ds* chunk) {
  int64_t stop = -1;
  DisconnectTree(chunk, &stop);
}

void AddParentNameChunk3ds(Chunk3ds* parent, const char* name) {
  if (!name) return;
  if (!parent) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  Chunk3ds* chunk = nullptr;
  NewChunk3ds(&chunk);
  if (!chunk) return;
  chunk->tag = CHUNK_PARENT_NAME;
  auto* s = DataAs3ds<StringData3ds>(AllocChunkData3ds(chunk));
  if (!s) {
    ReleaseChunk3ds(&chunk);
    return;
  }
  s->value = name;
  InsertChunk3ds(parent, chunk);
}

void InitNameList3ds(NameList3ds** list, uint32_t count) {
  if (!list) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (!*list) {
    *list = new (std::nothrow) NameList3ds();
    if (!*list) {
      PushError3ds(ERR_NO_MEM);
      return;
    }
  }
  NameList3ds* l = *list;
  l->count = 0;
  l->cursorkind = 0;
  l->firstbyname.clear();
  l->entries.Reset();
  if (count > 0 && !l->entries.Allocate(count)) {
    PushError3ds(ERR_NO_MEM);
    return;
  }
  l->count = count;
}

void ReleaseNameList3ds(NameList3ds** list) {
  if (!list || !*list) return;
  delete *list;
  *list = nullptr;
}
