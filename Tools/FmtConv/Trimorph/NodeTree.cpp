// The node hierarchy: merging nodes of all levels by name, level masks, hierarchy indices and
// the parent- and root-relative matrices.
#include "NodeTree.h"

#include <cstring>
#include <memory>
#include <utility>

#include <unordered_set>

namespace {

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
  bool mEntered;       // given a frame by AddNode (not only named as a parent)
};

sStoredNode* Stored(sTreeNode* node) {
  return static_cast<sStoredNode*>(node);
}

const sStoredNode* Stored(const sTreeNode* node) {
  return static_cast<const sStoredNode*>(node);
}

std::string Quoted(const char* name) {
  return "'" + std::string(name) + "'";
}

bool NameFits(const char* name) {
  return strlen(name) < size_t(NODE_NAME_SIZE);
}

// A new, unlinked node with the given name (which fits) and no level bits. The matrices are zero
// until AddNode sets them.
std::unique_ptr<sStoredNode> NewNode(const char* name) {
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
  Stored(node)->mEntered = true;
}

Problem NameTooLong(const char* name) {
  return MakeProblem(ProblemCode::NODE_NAME_TOO_LONG, name,
                     "node name " + Quoted(name) + " is longer than " +
                         std::to_string(NODE_NAME_SIZE - 1) + " characters");
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
  if (!NameFits(name)) FailWith(NameTooLong(name));
  return AddNewNode(name);
}

namespace {

// What stops the node of the name from being entered as the root.
Problem CheckRoot(const NodeTree& tree, const char* name) {
  const sTreeNode* node = tree.FindNode(name);
  const sTreeNode* root = tree.mRootNode;
  if (node != root && (root || (node && node->mParent))) {
    return MakeProblem(ProblemCode::MULTIPLE_ROOTS, name,
                       root ? "node " + Quoted(name) + " has no parent, but " +
                                  Quoted(root->mName) + " is the root already"
                            : "node " + Quoted(name) + " has no parent here, but " +
                                  Quoted(node->mParent->mName) + " before");
  }
  if (!node && !NameFits(name)) return NameTooLong(name);
  return Problem();
}

// What stops the node of the name from being entered below the parent of parentName. Nothing is
// created here, so that a problem leaves the tree as it was.
Problem CheckLink(const NodeTree& tree, const char* name, const char* parentName) {
  // A parent name too long for a node name can only be an instanced parent.
  if (!NameFits(parentName)) {
    return MakeProblem(ProblemCode::INSTANCED_PARENT, name,
                       "the parent name " + Quoted(parentName) + " of node " + Quoted(name) +
                           " is too long for a node name: the parent is an instance");
  }
  sTreeNode* parent = tree.FindNode(parentName);
  sTreeNode* node = tree.FindNode(name);
  if (!node && !NameFits(name)) return NameTooLong(name);
  if (node && node == tree.mRootNode) {
    return MakeProblem(ProblemCode::CONFLICTING_HIERARCHY, name,
                       "node " + Quoted(name) + " is the root (has no parent) elsewhere, but " +
                           Quoted(parentName) + " is its parent here");
  }
  if (node && node->mParent && node->mParent != parent) {
    return MakeProblem(ProblemCode::CONFLICTING_HIERARCHY, name,
                       "node " + Quoted(name) + " has the parent " + Quoted(parentName) +
                           " here, but " + Quoted(node->mParent->mName) + " elsewhere");
  }
  // Linking the node under a parent that is the node itself or lies below it would close a
  // cycle, after which no walk of the hierarchy would end. A node or parent not created yet
  // closes one only when both are the same new node.
  const bool cycle = (node && parent) ? !node->mParent && WouldCloseCycle(node, parent)
                                      : strcmp(name, parentName) == 0;
  if (cycle) {
    return MakeProblem(ProblemCode::HIERARCHY_CYCLE, name,
                       "linking node " + Quoted(name) + " under " + Quoted(parentName) +
                           " would make it its own ancestor");
  }
  return Problem();
}

}  // namespace

Problem NodeTree::TryAddNode(const char* name, const char* parentName, const sMatrix& matrix,
                             int level, sTreeNode** entered) {
  if (!parentName || !parentName[0]) {
    // The root of the hierarchy.
    if (Problem p = CheckRoot(*this, name)) return p;
    sTreeNode* node = FindNode(name);
    if (!node) node = AddNewNode(name);
    mRootNode = node;
    SetFrame(node, matrix);
    node->mLevelMask |= LevelBit(level);
    if (entered) *entered = node;
    return Problem();
  }

  if (Problem p = CheckLink(*this, name, parentName)) return p;
  // The parent is created before the node itself when neither is known yet.
  sTreeNode* parent = FindOrAddNode(parentName);
  sTreeNode* node = FindOrAddNode(name);

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
  if (entered) *entered = node;
  return Problem();
}

sTreeNode* NodeTree::AddNode(const char* name, const char* parentName, const sMatrix& matrix,
                             int level) {
  sTreeNode* node = nullptr;
  FailOn(TryAddNode(name, parentName, matrix, level, &node));
  return node;
}

Problem NodeTree::TryNumberNodes() {
  int counter = 0;
  WalkNodes(mRootNode, [&counter](sTreeNode* node) { node->mIndex = counter++; });
  if (counter == mNumNodes) return Problem();
  // A node outside the root's tree: a second tree, or a parent that was never entered.
  std::vector<Problem> unreachable = UnreachableNodes();
  if (unreachable.empty()) {
    return MakeProblem(ProblemCode::UNREACHABLE_NODE, std::string(),
                       "a node is not linked below the root");
  }
  return unreachable.front();
}

void NodeTree::NumberNodes() {
  FailOn(TryNumberNodes());
}

std::vector<Problem> NodeTree::UnreachableNodes() const {
  std::unordered_set<const sTreeNode*> reached;
  WalkNodes(mRootNode, [&reached](sTreeNode* node) { reached.insert(node); });
  // Every part outside the root's tree hangs from a top node without a parent.
  std::vector<const sTreeNode*> tops;
  for (const sTreeNode* node = mFirstNode; node; node = node->mNextNode) {
    if (!node->mParent && !reached.count(node)) tops.push_back(node);
  }
  std::vector<Problem> problems;
  for (auto top = tops.rbegin(); top != tops.rend(); ++top) {
    const sTreeNode* t = *top;
    if (Stored(t)->mEntered) {
      problems.push_back(MakeProblem(ProblemCode::UNREACHABLE_NODE, t->mName,
                                     "node " + Quoted(t->mName) + " is not linked below the root"));
      continue;
    }
    std::vector<const sTreeNode*> children;
    for (const sTreeNode* c = t->mFirstChild; c; c = c->mNextSibling) children.push_back(c);
    for (auto c = children.rbegin(); c != children.rend(); ++c) {
      problems.push_back(MakeProblem(
          ProblemCode::UNREACHABLE_NODE, (*c)->mName,
          "node " + Quoted((*c)->mName) + " is linked under " + Quoted(t->mName) +
              ", which is not a mesh object of this level or an earlier one (a camera, light or "
              "dummy object)"));
    }
  }
  return problems;
}

Problem NodeTree::TryComputeMatrices() {
  if (Problem p = TryNumberNodes()) return p;
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
  return Problem();
}

void NodeTree::ComputeMatrices() {
  FailOn(TryComputeMatrices());
}
