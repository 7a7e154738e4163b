// The keyframer nodes of a level and the tree the report shows.
#include "LevelNodes.h"

namespace {

const char* NodeKindWord(KfNodeKind3ds kind) {
  switch (kind) {
    case KfAmbientNode:
      return "the ambient light";
    case KfObjectNode:
      return "an object node without a mesh (a dummy object)";
    case KfCameraNode:
      return "a camera";
    case KfCameraTargetNode:
      return "a camera's target";
    case KfLightNode:
      return "a light";
    case KfLightTargetNode:
      return "a spotlight's target";
    case KfSpotlightNode:
      return "a spotlight";
  }
  return "a node";
}

}  // namespace

const char* LevelNodes::KindOf(const std::string& name) const {
  auto it = byName.find(name);
  return it == byName.end() ? nullptr : NodeKindWord(all[it->second].kind);
}

LevelNodes ReadLevelNodes(Database3ds* db) {
  LevelNodes nodes;
  Array3ds<KfNodeInfo3ds> list;
  // On the detached database this reads decoded records only and records nothing.
  const bool pending = ErrorsPending3ds;
  GetKeyframerNodes3ds(db, &list);
  if (!pending && ErrorsPending3ds) ResetErrorList3ds();
  for (size_t i = 0; i < list.size(); ++i) {
    const KfNodeInfo3ds& n = list[i];
    nodes.byName.emplace(n.name, nodes.all.size());
    // A child names an instanced parent by its name and instance name.
    if (n.instance[0]) {
      nodes.byName.emplace(std::string(n.name) + "." + n.instance, nodes.all.size());
    }
    if (n.kind == KfObjectNode) {
      nodes.objectByName.emplace(n.name, uint32_t(nodes.objectIds.size()));
      nodes.objectIds.push_back(n.id);
    }
    nodes.all.push_back(n);
  }
  return nodes;
}

std::vector<NodeInfo> LevelNodeTree(std::vector<NodeInfo> flat, const LevelNodes& nodes) {
  std::unordered_map<std::string, size_t> index;
  for (size_t i = 0; i < flat.size(); ++i) index.emplace(flat[i].name, i);
  std::vector<std::vector<size_t>> children(flat.size());
  std::vector<size_t> tops;
  // Parents that are no object node of the level, in the order first named.
  std::vector<std::string> others;
  std::unordered_map<std::string, std::vector<size_t>> underOther;
  for (size_t i = 0; i < flat.size(); ++i) {
    const std::string& parent = flat[i].parent;
    auto it = parent.empty() ? index.end() : index.find(parent);
    if (parent.empty()) {
      tops.push_back(i);
    } else if (it != index.end()) {
      children[it->second].push_back(i);
    } else {
      if (!underOther.count(parent)) others.push_back(parent);
      underOther[parent].push_back(i);
    }
  }
  std::vector<NodeInfo> ordered;
  std::vector<bool> placed(flat.size(), false);
  // Depth first without recursion: a hierarchy may be a chain of thousands of nodes.
  auto place = [&](size_t top, int depth) {
    std::vector<std::pair<size_t, int>> stack = {{top, depth}};
    while (!stack.empty()) {
      auto [i, d] = stack.back();
      stack.pop_back();
      if (placed[i]) continue;
      placed[i] = true;
      ordered.push_back(flat[i]);
      ordered.back().depth = d;
      for (auto c = children[i].rbegin(); c != children[i].rend(); ++c)
        stack.push_back({*c, d + 1});
    }
  };
  for (size_t top : tops) place(top, 0);
  for (const std::string& other : others) {
    NodeInfo entry;
    entry.name = other;
    const char* kind = nodes.KindOf(other);
    entry.notAnObject = kind ? kind : "no node of this level";
    ordered.push_back(std::move(entry));
    for (size_t i : underOther[other]) place(i, 1);
  }
  for (size_t i = 0; i < flat.size(); ++i) {
    if (placed[i]) continue;
    const size_t from = ordered.size();
    place(i, 0);
    for (size_t k = from; k < ordered.size(); ++k) ordered[k].inLoop = true;
  }
  return ordered;
}
