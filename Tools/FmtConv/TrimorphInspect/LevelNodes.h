// The keyframer nodes of one level: every node of the file with its kind and id (for a parent
// that is no mesh, and for the ids of the object nodes), and the level's object nodes arranged
// as the tree the report shows.
#ifndef TRIMORPH_INSPECT_LEVELNODES_H
#define TRIMORPH_INSPECT_LEVELNODES_H

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "InspectReport.h"
#include "toolkit3ds/toolkit3ds.h"

// The keyframer's nodes of one level, of every kind, as GetKeyframerNodes3ds gives them.
struct LevelNodes {
  std::vector<KfNodeInfo3ds> all;
  std::vector<int> objectIds;                              // per object node, in fetch order
  std::unordered_map<std::string, size_t> byName;          // first node of each name in all
  std::unordered_map<std::string, uint32_t> objectByName;  // first object node of each name

  // What a node of the name is in this level, for a parent that is no mesh ("a camera"); null
  // when the level has no node of the name.
  const char* KindOf(const std::string& name) const;
};

// The nodes of the database (GetKeyframerNodes3ds). Records no toolkit error: one it would
// record (memory) is not the conversion's and is taken back.
LevelNodes ReadLevelNodes(Database3ds* db);

// The level's object nodes, in the order fetched, as a tree: each node after its parent, at its
// depth. Nodes linked under a node that is no object node of the level hang from an entry for
// that node (saying what it is); nodes whose parents lead in a circle come last. Iterative: a
// hierarchy may be a chain of thousands of nodes.
std::vector<NodeInfo> LevelNodeTree(std::vector<NodeInfo> flat, const LevelNodes& nodes);

#endif  // TRIMORPH_INSPECT_LEVELNODES_H
