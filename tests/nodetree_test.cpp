// The node hierarchy: merging by name, walk order and indices, level masks, the derived
// matrices and the hierarchy failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "FailReport.h"
#include "NodeTree.h"

namespace {

const char* const CONTEXT = "reading level of detail 2 from 'lod500.3ds'";
const char* const CONFLICT =
    "Conflicting hierarchy found, possible incompatibility between distance levels.";
const char* const MULTIPLE_ROOTS = "Animation hierarchy contains multiple root nodes";
const char* const INSTANCE = "Instance found in mesh file, instances are not supported.";

sMatrix At(float x, float y = 0, float z = 0) {
  sMatrix m = sMatrix::Identity();
  m.m[9] = x;
  m.m[10] = y;
  m.m[11] = z;
  return m;
}

std::string WalkOrder(const NodeTree& tree) {
  std::string s;
  tree.WalkNodes(tree.mRootNode, [&s](sTreeNode* n) {
    if (!s.empty()) s += ",";
    s += n->mName;
  });
  return s;
}

std::string NodeList(const NodeTree& tree) {
  std::string s;
  for (sTreeNode* n = tree.mFirstNode; n; n = n->mNextNode) {
    if (!s.empty()) s += ",";
    s += n->mName;
  }
  return s;
}

void ExpectMatrix(const sMatrix& m, const float (&expected)[12], const char* what) {
  for (int i = 0; i < 12; ++i) EXPECT_FLOAT_EQ(m.m[i], expected[i]) << what << " element " << i;
}

const float IDENTITY[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

TEST(NodeTree, ChildrenAreWalkedLastLinkedFirst) {
  NodeTree tree;
  sTreeNode* a = tree.AddNode("A", nullptr, At(0), 0);
  sTreeNode* b = tree.AddNode("B", "A", At(1), 0);
  sTreeNode* c = tree.AddNode("C", "A", At(2), 0);
  EXPECT_EQ(tree.mRootNode, a);
  EXPECT_EQ(b->mParent, a);
  EXPECT_EQ(a->mFirstChild, c);
  EXPECT_EQ(c->mNextSibling, b);
  EXPECT_EQ(b->mIndex, -1);
  tree.ComputeMatrices();
  EXPECT_EQ(WalkOrder(tree), "A,C,B");
  EXPECT_EQ(a->mIndex, 0);
  EXPECT_EQ(c->mIndex, 1);
  EXPECT_EQ(b->mIndex, 2);
  EXPECT_EQ(tree.mNumNodes, 3);

  // Entered again under the same parent, B keeps its place among the children.
  tree.AddNode("A", "", At(0), 1);
  tree.AddNode("B", "A", At(1), 1);
  tree.AddNode("C", "A", At(2), 1);
  tree.ComputeMatrices();
  EXPECT_EQ(WalkOrder(tree), "A,C,B");
  EXPECT_EQ(tree.mNumNodes, 3);
}

TEST(NodeTree, WalkFromAChildCoversItsFollowingSiblings) {
  NodeTree tree;
  tree.AddNode("R", nullptr, At(0), 0);
  tree.AddNode("X", "R", At(0), 0);
  tree.AddNode("Y", "R", At(0), 0);
  tree.AddNode("Y1", "Y", At(0), 0);
  tree.AddNode("X1", "X", At(0), 0);
  tree.AddNode("X2", "X", At(0), 0);
  tree.AddNode("X21", "X2", At(0), 0);
  EXPECT_EQ(WalkOrder(tree), "R,Y,Y1,X,X2,X21,X1");
  std::string from;
  tree.WalkNodes(tree.FindNode("X2"),
                 [&from](sTreeNode* n) { from += std::string(n->mName) + " "; });
  EXPECT_EQ(from, "X2 X21 X1 ");
  int visits = 0;
  tree.WalkNodes(nullptr, [&visits](sTreeNode*) { ++visits; });
  EXPECT_EQ(visits, 0);
}

TEST(NodeTree, ParentIsCreatedBeforeChild) {
  NodeTree tree;
  sTreeNode* b = tree.AddNode("B", "A", At(5), 0);
  EXPECT_EQ(NodeList(tree), "B,A");
  sTreeNode* a = tree.FindNode("A");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(b->mParent, a);
  EXPECT_EQ(tree.mRootNode, nullptr);
  EXPECT_EQ(tree.AddNode("A", nullptr, At(0), 0), a);
  EXPECT_EQ(tree.mRootNode, a);
  tree.ComputeMatrices();
  EXPECT_EQ(WalkOrder(tree), "A,B");
  EXPECT_EQ(tree.mNumNodes, 2);
}

TEST(NodeTree, NamesCompareExactly) {
  NodeTree tree;
  tree.AddNode("Door", nullptr, At(0), 0);
  EXPECT_NE(tree.FindNode("Door"), nullptr);
  EXPECT_EQ(tree.FindNode("door"), nullptr);
  EXPECT_EQ(tree.FindNode("Doo"), nullptr);
  EXPECT_EQ(tree.FindNode("Door1"), nullptr);
  // Eleven characters fit the name field, as a node and as a parent.
  sTreeNode* child = tree.AddNode("ElevenChars", "Door", At(1), 0);
  EXPECT_STREQ(child->mName, "ElevenChars");
  tree.AddNode("Leaf", "ElevenChars", At(2), 0);
  EXPECT_EQ(tree.FindNode("ElevenChars"), child);
  EXPECT_EQ(tree.FindNode("ElevenChars2"), nullptr);
  EXPECT_EQ(tree.mNumNodes, 3);
}

TEST(NodeTree, EveryNodeOfALargeTreeIsFoundByName) {
  NodeTree tree;
  sMatrix identity = sMatrix::Identity();
  tree.AddNode("R", nullptr, identity, 0);
  // Children entered before their parents, too: the parent is created by the child's entry.
  for (int i = 2000; i >= 1; --i) {
    std::string name = "N" + std::to_string(i), parent = i > 1 ? "N" + std::to_string(i / 2) : "R";
    tree.AddNode(name.c_str(), parent.c_str(), identity, 0);
  }
  EXPECT_EQ(tree.mNumNodes, 2001);
  int listed = 0;
  for (sTreeNode* n = tree.mFirstNode; n; n = n->mNextNode, ++listed) {
    EXPECT_EQ(tree.FindNode(n->mName), n);
  }
  EXPECT_EQ(listed, 2001);
  EXPECT_EQ(tree.FindNode("N2001"), nullptr);
  EXPECT_EQ(tree.FindNode("n1"), nullptr);
  EXPECT_EQ(tree.FindNode(""), nullptr);
}

TEST(NodeTree, LevelMasksAcrossLevels) {
  NodeTree tree;
  sTreeNode* a = tree.AddNode("A", nullptr, At(0), 0);
  sTreeNode* b = tree.AddNode("B", "A", At(1), 0);
  tree.ComputeMatrices();
  EXPECT_EQ(a->mLevelMask, 1u);
  EXPECT_EQ(b->mLevelMask, 1u);

  tree.AddNode("A", nullptr, At(0), 1);
  sTreeNode* d = tree.AddNode("D", "A", At(3), 1);
  tree.ComputeMatrices();
  EXPECT_EQ(a->mLevelMask, 3u);
  EXPECT_EQ(b->mLevelMask, 1u);
  EXPECT_EQ(d->mLevelMask, 2u);

  // A node below B in level 2 gives B and A bit 2, D is untouched.
  sTreeNode* e = tree.AddNode("E", "B", At(4), 2);
  EXPECT_EQ(e->mLevelMask, 4u);
  EXPECT_EQ(b->mLevelMask, 5u);
  EXPECT_EQ(a->mLevelMask, 7u);
  EXPECT_EQ(d->mLevelMask, 2u);

  // Level numbers wrap at 32 bits: level 35 sets bit 3, level 32 bit 0.
  tree.AddNode("E", "B", At(4), 35);
  EXPECT_EQ(e->mLevelMask, 0xCu);
  EXPECT_EQ(a->mLevelMask, 0xFu);
  sTreeNode* f = tree.AddNode("F", "A", At(4), 32);
  EXPECT_EQ(f->mLevelMask, 1u);
}

TEST(NodeTree, MaskOfANodeEnteredBeforeItsParentReachesTheParent) {
  NodeTree tree;
  sTreeNode* b = tree.AddNode("B", "A", At(1), 3);
  sTreeNode* a = tree.FindNode("A");
  EXPECT_EQ(b->mLevelMask, 8u);
  EXPECT_EQ(a->mLevelMask, 8u);
  tree.AddNode("A", nullptr, At(0), 0);
  EXPECT_EQ(a->mLevelMask, 9u);
}

// A random hierarchy entered in a random order over several levels, each level entering a
// random part of the nodes (always with the root); the subtrees of nodes entered before their
// parents join the tree later, and nodes never entered stay unlinked. Nothing in it is a cycle,
// and the level masks must equal what the definition gives: a node's own levels together with
// the levels of every node linked below it.
struct RandomHierarchy {
  int count;
  std::vector<int> parent;                    // -1 for the root (node 0)
  std::vector<std::vector<int>> entryLevels;  // per node, the levels that enter it

  RandomHierarchy(unsigned seed, int n, int levels) : count(n), parent(n), entryLevels(n) {
    std::mt19937 rng(seed);
    parent[0] = -1;
    for (int i = 1; i < n; ++i) {
      // Mostly deep chains, sometimes a branch to any earlier node.
      parent[i] = rng() % 4 ? i - 1 : int(rng() % unsigned(i));
    }
    for (int level = 0; level < levels; ++level) {
      entryLevels[0].push_back(level);
      for (int i = 1; i < n; ++i) {
        if (rng() % 3 == 0) entryLevels[i].push_back(level);
      }
    }
  }
  static std::string Name(int i) { return "N" + std::to_string(i); }

  // Enters every level, each in its own random order.
  void Enter(NodeTree& tree, unsigned seed) const {
    std::mt19937 rng(seed);
    int levels = int(entryLevels[0].size());
    for (int level = 0; level < levels; ++level) {
      std::vector<int> order;
      for (int i = 0; i < count; ++i) {
        if (std::find(entryLevels[i].begin(), entryLevels[i].end(), level) != entryLevels[i].end())
          order.push_back(i);
      }
      std::shuffle(order.begin(), order.end(), rng);
      for (int i : order) {
        std::string parentName = parent[i] < 0 ? "" : Name(parent[i]);
        tree.AddNode(Name(i).c_str(), parent[i] < 0 ? nullptr : parentName.c_str(), At(float(i)),
                     level);
      }
    }
  }

  // A node's levels reach an ancestor through links, and only a node that was entered is linked
  // to its parent.
  uint32_t ExpectedMask(int i) const {
    uint32_t mask = 0;
    for (int k = 0; k < count; ++k) {
      int up = k;
      while (up != i && up > 0 && !entryLevels[up].empty()) up = parent[up];
      if (up == i) {
        for (int level : entryLevels[k]) mask |= 1u << level;
      }
    }
    return mask;
  }
};

TEST(NodeTree, RandomHierarchiesEnteredInAnyOrder) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    RandomHierarchy h(seed, 300, 5);
    NodeTree tree;
    h.Enter(tree, seed * 7919);
    // A node entered in no level exists, unlinked, when a node below it was entered.
    for (int i = 0; i < h.count; ++i) {
      sTreeNode* node = tree.FindNode(RandomHierarchy::Name(i).c_str());
      uint32_t expected = h.ExpectedMask(i);
      if (!expected) continue;
      ASSERT_NE(node, nullptr) << "seed " << seed << " node " << i;
      EXPECT_EQ(node->mLevelMask, expected) << "seed " << seed << " node " << i;
      if (i > 0 && !h.entryLevels[i].empty()) {
        ASSERT_NE(node->mParent, nullptr) << "seed " << seed << " node " << i;
        EXPECT_STREQ(node->mParent->mName, RandomHierarchy::Name(h.parent[i]).c_str());
      }
    }
  }
}

TEST(NodeTree, MatricesRelativeToParentAndRoot) {
  NodeTree tree;
  sTreeNode* a = tree.AddNode("A", nullptr, At(10), 0);
  sTreeNode* b = tree.AddNode("B", "A", At(12), 0);
  sTreeNode* c = tree.AddNode("C", "B", At(15, 1), 0);
  const float invA[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, -10, 0, 0};
  ExpectMatrix(a->mInvMatrix, invA, "A inverse");
  tree.ComputeMatrices();
  ExpectMatrix(a->mRelMatrix, IDENTITY, "A relative");
  ExpectMatrix(a->mMatrix, IDENTITY, "A to root");
  const float two[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 2, 0, 0};
  ExpectMatrix(b->mRelMatrix, two, "B relative");
  ExpectMatrix(b->mMatrix, two, "B to root");
  const float cRel[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 3, 1, 0};
  const float cRoot[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 1, 0};
  ExpectMatrix(c->mRelMatrix, cRel, "C relative");
  ExpectMatrix(c->mMatrix, cRoot, "C to root");
  // The inverses keep the frames given to AddNode.
  ExpectMatrix(a->mInvMatrix, invA, "A inverse after the pass");
}

TEST(NodeTree, RotatedParent) {
  // The parent is turned a quarter about z and stands at (10, 0, 0); the child has the same
  // axes and stands at (10, 5, 0), which is 5 along the parent's x axis (0, 1, 0).
  NodeTree tree;
  sMatrix turned = At(10);
  turned.m[0] = 0, turned.m[1] = 1, turned.m[3] = -1, turned.m[4] = 0;
  sMatrix child = turned;
  child.m[10] = 5;
  tree.AddNode("P", nullptr, turned, 0);
  sTreeNode* c = tree.AddNode("C", "P", child, 0);
  tree.ComputeMatrices();
  const float rel[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 0, 0};
  ExpectMatrix(c->mRelMatrix, rel, "C relative");
  ExpectMatrix(c->mMatrix, rel, "C to root");
}

TEST(NodeTree, LaterLevelsTakeTheirOwnFrames) {
  NodeTree tree;
  sTreeNode* a = tree.AddNode("A", nullptr, At(10), 0);
  sTreeNode* b = tree.AddNode("B", "A", At(12), 0);
  tree.ComputeMatrices();

  // Level 1 enters A again, B not: B stays 2 from A, as its level-0 frame says.
  tree.AddNode("A", nullptr, At(10), 1);
  tree.ComputeMatrices();
  const float two[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 2, 0, 0};
  ExpectMatrix(b->mRelMatrix, two, "B relative after level 1");
  ExpectMatrix(b->mMatrix, two, "B to root after level 1");

  // Level 2 enters B at a new place: B takes that frame.
  tree.AddNode("A", nullptr, At(10), 2);
  tree.AddNode("B", "A", At(17, 0, 1), 2);
  tree.ComputeMatrices();
  const float seven[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 7, 0, 1};
  ExpectMatrix(b->mRelMatrix, seven, "B relative after level 2");
  const float invB[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, -17, 0, -1};
  ExpectMatrix(b->mInvMatrix, invB, "B inverse after level 2");
  ExpectMatrix(a->mMatrix, IDENTITY, "A to root after level 2");
}

// One step of a hierarchy: a node entered with its parent (none or empty for the root) in a
// level, or, without a name, the numbering and matrices after a level.
struct Step {
  const char* name;
  const char* parent;
  int level;
};
const Step COMPUTE = {nullptr, nullptr, 0};

void Apply(NodeTree& t, const Step& s) {
  if (s.name) {
    t.AddNode(s.name, s.parent, At(0), s.level);
  } else {
    t.ComputeMatrices();
  }
}

Problem TryApply(NodeTree& t, const Step& s) {
  return s.name ? t.TryAddNode(s.name, s.parent, At(0), s.level) : t.TryComputeMatrices();
}

struct FailCase {
  const char* what;
  std::vector<Step> steps;  // the last one fails
  ProblemCode code;
  const char* message;  // null: "Unexpected error occurred"
};

TEST(NodeTreeFailures, Reports) {
  SKIP_WITHOUT_FORK();
  const FailCase cases[] = {
      {"level 1 moves C from B to A",
       {{"A", nullptr, 0}, {"B", "A", 0}, {"C", "B", 0}, COMPUTE, {"A", nullptr, 1}, {"C", "A", 1}},
       ProblemCode::CONFLICTING_HIERARCHY,
       CONFLICT},
      {"the root entered with a parent",
       {{"A", nullptr, 0}, {"A", "X", 1}},
       ProblemCode::CONFLICTING_HIERARCHY,
       CONFLICT},
      {"a node as its own parent", {{"A", "A", 0}}, ProblemCode::HIERARCHY_CYCLE, CONFLICT},
      {"a node as its own parent below the root",
       {{"R", nullptr, 0}, {"A", "A", 0}},
       ProblemCode::HIERARCHY_CYCLE,
       CONFLICT},
      {"two nodes parents of each other",
       {{"B", "A", 0}, {"A", "B", 0}},
       ProblemCode::HIERARCHY_CYCLE,
       CONFLICT},
      {"a cycle through three nodes",
       {{"B", "A", 0}, {"C", "B", 0}, {"A", "C", 1}},
       ProblemCode::HIERARCHY_CYCLE,
       CONFLICT},
      {"two roots in one level",
       {{"A", nullptr, 0}, {"B", "", 0}},
       ProblemCode::MULTIPLE_ROOTS,
       MULTIPLE_ROOTS},
      {"level 1 with another top node",
       {{"A", nullptr, 0}, COMPUTE, {"Z", nullptr, 1}},
       ProblemCode::MULTIPLE_ROOTS,
       MULTIPLE_ROOTS},
      {"a linked node entered without parent, no root yet",
       {{"B", "A", 0}, {"B", nullptr, 0}},
       ProblemCode::MULTIPLE_ROOTS,
       MULTIPLE_ROOTS},
      {"a parent never entered",
       {{"A", nullptr, 0}, {"B", "X", 0}, COMPUTE},
       ProblemCode::UNREACHABLE_NODE,
       nullptr},
      {"nothing entered but a child and its parent",
       {{"B", "A", 0}, COMPUTE},
       ProblemCode::UNREACHABLE_NODE,
       nullptr},
      {"a parent name too long for a node name",
       {{"A", nullptr, 0}, {"B", "Twelve_Chars", 0}},
       ProblemCode::INSTANCED_PARENT,
       INSTANCE},
      {"a node name too long for a node name",
       {{"A", nullptr, 0}, {"Twelve_Chars", "A", 0}},
       ProblemCode::NODE_NAME_TOO_LONG,
       nullptr},
  };
  for (const FailCase& c : cases) {
    SCOPED_TRACE(c.what);
    // The conversion's path: the report, and the end of the run.
    EXPECT_TRUE(FailsWith(
        [&c] {
          NodeTree t;
          for (const Step& s : c.steps) Apply(t, s);
        },
        CONTEXT, c.message));
    // The checks' path: the steps before the last pass; the last returns its problem and leaves
    // the nodes as they were, so that the steps after it can still be checked.
    NodeTree t;
    for (size_t i = 0; i + 1 < c.steps.size(); ++i) ASSERT_FALSE(TryApply(t, c.steps[i])) << i;
    const std::string nodesBefore = NodeList(t);
    const Problem p = TryApply(t, c.steps.back());
    EXPECT_EQ(p.code, c.code);
    EXPECT_EQ(p.message, c.message ? c.message : "");
    EXPECT_FALSE(p.toolkitErrors);
    EXPECT_FALSE(p.detail.empty());
    EXPECT_EQ(NodeList(t), nodesBefore);
  }
}

TEST(NodeTreeFailures, UnreachableNodesNameTheNodeTheyHangFrom) {
  // Meshes linked under a camera and a light, which never become nodes of their own.
  NodeTree t;
  ASSERT_FALSE(t.TryAddNode("Root", nullptr, At(0), 0));
  ASSERT_FALSE(t.TryAddNode("Box01", "Camera01", At(0), 0));
  ASSERT_FALSE(t.TryAddNode("Box02", "Light01", At(0), 0));
  ASSERT_FALSE(t.TryAddNode("Box03", "Camera01", At(0), 0));
  ASSERT_FALSE(t.TryAddNode("Lid", "Box03", At(0), 0));
  const std::vector<Problem> problems = t.UnreachableNodes();
  const char* const expected[][2] = {
      {"Box01", "Camera01"}, {"Box03", "Camera01"}, {"Box02", "Light01"}};
  ASSERT_EQ(problems.size(), 3u);
  for (size_t i = 0; i < problems.size(); ++i) {
    EXPECT_EQ(problems[i].code, ProblemCode::UNREACHABLE_NODE);
    EXPECT_EQ(problems[i].subject, expected[i][0]);
    EXPECT_NE(problems[i].detail.find(std::string("'") + expected[i][1] + "'"), std::string::npos)
        << problems[i].detail;
  }
  // The conversion's check reports the first of them.
  EXPECT_EQ(t.TryComputeMatrices().subject, "Box01");
}

TEST(NodeTreeFailures, CyclesThroughJoinedSubtrees) {
  SKIP_WITHOUT_FORK();
  // Parts of the hierarchy entered child first are joined in random orders; the last entry links
  // the head of one part below a node of that same part, at any depth: always a cycle.
  for (unsigned seed = 1; seed <= 12; ++seed) {
    auto run = [seed] {
      std::mt19937 rng(seed);
      const int n = 200;
      std::vector<int> parent(n, -1);
      for (int i = 1; i < n; ++i) parent[i] = rng() % 3 ? i - 1 : int(rng() % unsigned(i));
      // Enter the links of the nodes in a random order, leaving out node 1's link to node 0,
      // so that nodes 1 and everything below it form a part headed by node 1.
      std::vector<int> order;
      for (int i = 2; i < n; ++i) order.push_back(i);
      std::shuffle(order.begin(), order.end(), rng);
      NodeTree t;
      t.AddNode("N0", nullptr, At(0), 0);
      std::vector<int> belowOne;
      for (int i : order) {
        std::string name = "N" + std::to_string(i), up = "N" + std::to_string(parent[i]);
        t.AddNode(name.c_str(), up.c_str(), At(0), 0);
      }
      for (int i = 2; i < n; ++i) {
        int up = i;
        while (up > 1) up = parent[up];
        if (up == 1) belowOne.push_back(i);
      }
      // Node 1 below one of its own descendants (or below itself when it has none).
      int target = belowOne.empty() ? 1 : belowOne[rng() % belowOne.size()];
      std::string name = "N" + std::to_string(target);
      t.AddNode("N1", name.c_str(), At(0), 1);
    };
    EXPECT_TRUE(FailsWith(run, CONTEXT, CONFLICT)) << "seed " << seed;
  }
}

TEST(NodeTreeFailures, ValidTreesDoNotFail) {
  SKIP_WITHOUT_FORK();
  // The same calls as some failing cases, minus the offending one, end normally.
  ChildResult r = RunInChild([] {
    NodeTree t;
    t.AddNode("B", "A", At(0), 0);
    t.AddNode("C", "B", At(0), 0);
    t.AddNode("A", nullptr, At(0), 0);
    t.ComputeMatrices();
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
}

}  // namespace
