// The one matrix hierarchy of all levels of detail.
//
// Each level enters its nodes with their parents' names and their frames; nodes that several
// levels share merge by name, the hierarchy must agree between levels, and each node remembers
// in which levels it (or a node below it) occurs. After a level's nodes are in, the tree numbers
// its nodes in hierarchy order and derives each node's matrix relative to its parent and to the
// root.
#ifndef TRIMORPH_NODETREE_H
#define TRIMORPH_NODETREE_H

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "Problem.h"
#include "ShapeMath.h"

// Node names hold at most this many characters (plus the terminator).
constexpr int NODE_NAME_SIZE = 12;

struct sTreeNode {
  sTreeNode* mNextNode;  // next node of the tree's list of all nodes
  sTreeNode* mParent;    // none for the root and for a node not yet linked
  sTreeNode* mFirstChild;
  sTreeNode* mNextSibling;
  int mIndex;  // hierarchy index; -1 until numbered
  char mName[NODE_NAME_SIZE];
  sMatrix mRelMatrix;   // frame relative to the parent
  uint32_t mLevelMask;  // bit k: the node or a node below it occurs in level k
  sMatrix mInvMatrix;   // rigid inverse of the matrix last given to AddNode
  sMatrix mMatrix;      // the matrix last given to AddNode; then the frame relative to the root
};

class NodeTree {
 public:
  int mNumNodes = 0;
  sTreeNode* mFirstNode = nullptr;  // list of all nodes, newest first
  sTreeNode* mRootNode = nullptr;

  NodeTree() = default;
  NodeTree(const NodeTree&) = delete;
  NodeTree& operator=(const NodeTree&) = delete;
  ~NodeTree();

  sTreeNode* FindNode(const char* name) const;
  sTreeNode* FindOrAddNode(const char* name);
  // Enters a node of the given level with its parent (none or empty for the root) and its
  // frame; entered, when given, receives the node. A parent not known yet is created before the
  // node. On a problem (INSTANCED_PARENT, NODE_NAME_TOO_LONG, MULTIPLE_ROOTS,
  // CONFLICTING_HIERARCHY, HIERARCHY_CYCLE) the tree is left as it was.
  Problem TryAddNode(const char* name, const char* parentName, const sMatrix& matrix, int level,
                     sTreeNode** entered = nullptr);
  // TryAddNode, failing on its problem.
  sTreeNode* AddNode(const char* name, const char* parentName, const sMatrix& matrix, int level);

  // Calls visit(node) for start, its following siblings and all their descendants, depth first,
  // each node before its children and each child's subtree before the next child.
  template <class Visit>
  void WalkNodes(sTreeNode* start, Visit&& visit) const;

  // Gives every node its hierarchy index. UNREACHABLE_NODE when a node is not reachable from
  // the root (the first of UnreachableNodes); the reachable nodes are numbered all the same.
  Problem TryNumberNodes();
  void NumberNodes();
  // Numbers the nodes, then sets each node's parent- and root-relative matrices; on a problem
  // of the numbering the matrices are left as they were.
  Problem TryComputeMatrices();
  void ComputeMatrices();
  // One problem for every node that hangs from a node outside the root's tree, in the order the
  // nodes were created: a node linked under a parent that was never entered (no mesh of this
  // level or an earlier one has its name: a camera, light or dummy object).
  std::vector<Problem> UnreachableNodes() const;

 private:
  // A new node of the name, linked in front of the list of all nodes and known by name.
  sTreeNode* AddNewNode(const char* name);

  // Every node of the list by name, so that FindNode does not walk the list.
  std::unordered_map<std::string, sTreeNode*> mNodesByName;
};

template <class Visit>
void NodeTree::WalkNodes(sTreeNode* start, Visit&& visit) const {
  // Iterative pre-order walk: deep hierarchies must not exhaust the stack.
  sTreeNode* const stop = start ? start->mParent : nullptr;
  sTreeNode* node = start;
  while (node) {
    visit(node);
    if (node->mFirstChild) {
      node = node->mFirstChild;
      continue;
    }
    while (node != stop && !node->mNextSibling) node = node->mParent;
    if (node == stop) break;
    node = node->mNextSibling;
  }
}

#endif  // TRIMORPH_NODETREE_H
