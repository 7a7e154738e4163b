// The node hierarchy: merging nodes of all levels by name, level masks, hierarchy indices and
// the parent- and root-relative matrices.
#include "NodeTree.h"

#include <cstring>
#include <memory>
#include <utility>

#include "Fail.h"

namespace {

const char* const MSG_CONFLICTING_HIERARCHY =
    "Conflicting hierarchy found, possible incompatibility between distance levels.";
const char* const MSG_MULTIPLE_ROOTS = "Animation hierarchy contains multiple root nodes";
// A parent name too long for a node name can only be an instanced parent.
const char* const MSG_INSTANCE = "Instance found in mesh file, instances are not supported.";

// A node as the tree stores it. Besides the public record the tree keeps the frame that
// AddNode was last given (the node's frame in the world), so that every ComputeMatrices derives
// the relative matrices from world frames, also for a node that a later level does not enter
// again and whose mMatrix already holds its frame relative to the root.
//
// The tree also keeps, for each node, a link towards a representative of the part of the forest
// the node belongs to (a disjoint-set forest, halved on every search): linking a parentless node
// below a parent closes a cycle exactly when both already belong to the same part, which this
// answers in near-constant time where walking up from the parent would cost the depth of the
// hierarchy for every node.
struct sStoredNode : sTreeNode {
  sMatrix mWorldMatrix;
  sStoredNode* mPart;  // towards the representative of the node's part of the forest
  uint32_t mPartSize;  // nodes in the part, valid for a representative
};

sStoredNode* Stored(sTreeNode* node) {
  return static_cast<sStoredNode*>(node);
}

bool NameFits(const char* name) {
  return strlen(name) < size_t(NODE_NAME_SIZE);
}

// A new, unlinked node with the given name and no level bits; fails when the name does not fit.
// The matrices are zero until AddNode sets them.
std::unique_ptr<sStoredNode> NewNode(const char* name) {
  if (!NameFits(name)) Fail(nullptr, false);
  std::unique_ptr<sStoredNode> node(new sStoredNode());
  strcpy(node->mName, name);
  node->mIndex = -1;
  node->mPart = node.get();
  node->mPartSize = 1;
  return node;
}

uint32_t LevelBit(int level) {
  return uint32_t(1) << (unsigned(level) & 31u);
}

sStoredNode* PartOf(sTreeNode* node) {
  sStoredNode* n = Stored(node);
  while (n->mPart != n) {
    n->mPart = n->mPart->mPart;
    n = n->mPart;
  }
  return n;
}

// Whether linking the parentless node below parent would make the node its own ancestor: the
// node heads its part of the forest, so the parent lies below it (or is it) exactly when both
// belong to the same part.
bool WouldCloseCycle(sTreeNode* node, sTreeNode* parent) {
  return PartOf(node) == PartOf(parent);
}

// Records that the parentless node is now linked below parent: their parts become one.
void JoinParts(sTreeNode* node, sTreeNode* parent) {
  sStoredNode* a = PartOf(node);
  sStoredNode* b = PartOf(parent);
  if (a == b) return;
  if (a->mPartSize < b->mPartSize) std::swap(a, b);
  b->mPart = a;
  a->mPartSize += b->mPartSize;
}

void SetFrame(sTreeNode* node, const sMatrix& matrix) {
  node->mMatrix = matrix;
  matrix.RigidInverse(node->mInvMatrix);
  Stored(node)->mWorldMatrix = matrix;
}

}  // namespace

NodeTree::~NodeTree() {
  sTreeNode* node = mFirstNode;
  while (node) {
    sTreeNode* next = node->mNextNode;
    delete Stored(node);
    node = next;
  }
  mFirstNode = nullptr;
  mRootNode = nullptr;
  mNumNodes = 0;
}

// Node names are unique within the tree, so the node of a name is the one the list holds.
sTreeNode* NodeTree::FindNode(const char* name) const {
  // A name too long for a node names none (and must not be cut to a node's name).
  if (!NameFits(name)) return nullptr;
  auto it = mNodesByName.find(name);
  return it == mNodesByName.end() ? nullptr : it->second;
}

sTreeNode* NodeTree::AddNewNode(const char* name) {
  std::unique_ptr<sStoredNode> owned = NewNode(name);
  sTreeNode* node = owned.get();
  mNodesByName.emplace(node->mName, node);
  // From here on the tree owns the node.
  owned.release();
  node->mNextNode = mFirstNode;
  mFirstNode = node;
  ++mNumNodes;
  return node;
}

sTreeNode* NodeTree::FindOrAddNode(const char* name) {
  if (sTreeNode* node = FindNode(name)) return node;
  return AddNewNode(name);
}

sTreeNode* NodeTree::AddNode(const char* name, const char* parentName, const sMatrix& matrix,
                             int level) {
  if (!parentName || !parentName[0]) {
    // The root of the hierarchy.
    sTreeNode* node = FindNode(name);
    if (node != mRootNode && (mRootNode || (node && node->mParent))) {
      Fail(MSG_MULTIPLE_ROOTS, false);
    }
    if (!node) node = AddNewNode(name);
    mRootNode = node;
    SetFrame(node, matrix);
    node->mLevelMask |= LevelBit(level);
    return node;
  }

  if (!NameFits(parentName)) Fail(MSG_INSTANCE, false);

  // The parent is created before the node itself when neither is known yet.
  sTreeNode* parent = FindOrAddNode(parentName);
  sTreeNode* node = FindOrAddNode(name);
  if (node == mRootNode || (node->mParent && node->mParent != parent)) {
    Fail(MSG_CONFLICTING_HIERARCHY, false);
  }
  // Linking the node under a parent that is the node itself or lies below it would close a
  // cycle, after which no walk of the hierarchy would end.
  if (!node->mParent && WouldCloseCycle(node, parent)) Fail(MSG_CONFLICTING_HIERARCHY, false);

  SetFrame(node, matrix);

  if (!node->mParent) {
    node->mNextSibling = parent->mFirstChild;
    parent->mFirstChild = node;
    node->mParent = parent;
    JoinParts(node, parent);
  }

  // Every node's mask holds the masks of the nodes below it, so once an ancestor already has
  // all of the node's bits, so do all the ancestors above it: the walk up stops there. Each step
  // that does not stop sets a new bit, which bounds the walks of all nodes together by 32 steps
  // a node.
  node->mLevelMask |= LevelBit(level);
  const uint32_t mask = node->mLevelMask;
  for (sTreeNode* up = parent; up && (up->mLevelMask & mask) != mask; up = up->mParent) {
    up->mLevelMask |= mask;
  }
  return node;
}

void NodeTree::NumberNodes() {
  int counter = 0;
  WalkNodes(mRootNode, [&counter](sTreeNode* node) { node->mIndex = counter++; });
  // A node outside the root's tree: a second tree, or a parent that was never entered.
  if (counter != mNumNodes) Fail(nullptr, false);
}

void NodeTree::ComputeMatrices() {
  NumberNodes();
  sTreeNode* root = mRootNode;
  WalkNodes(root, [root](sTreeNode* node) {
    if (!node->mParent) {
      node->mRelMatrix = sMatrix::Identity();
      node->mMatrix = sMatrix::Identity();
    } else {
      const sMatrix& world = Stored(node)->mWorldMatrix;
      node->mRelMatrix = world * node->mParent->mInvMatrix;
      node->mMatrix = world * root->mInvMatrix;
    }
  });
}
