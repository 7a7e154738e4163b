// The chunk tree of a level file as the toolkit read it, and where and why reading stopped.
#ifndef TRIMORPH_INSPECT_CHUNKTREE_H
#define TRIMORPH_INSPECT_CHUNKTREE_H

#include <string>

#include "InspectReport.h"

struct Database3ds;

// The chunks of db's tree (what was read of it, also after a failure), the file's size, and the
// offset where reading stopped; db may be null (the file could not be opened).
ChunkTree ReadChunkTree(Database3ds* db, const std::string& file);

// Where and why reading stopped, in words, naming the chunk: empty when it did not stop.
std::string DescribeStop(const ChunkTree& tree);

// The tag as the report shows it: "0x4110 MESH_VERTICES", or "0x1234 (unknown)".
std::string TagText(uint32_t tag, const std::string& name);

#endif  // TRIMORPH_INSPECT_CHUNKTREE_H
