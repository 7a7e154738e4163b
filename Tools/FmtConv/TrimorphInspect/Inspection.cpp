// Inspecting a set of level files with the converter's checks.
//
// Each level goes through the steps of the conversion: the distance from the file's name, the
// opening of the file, the mesh settings, the keyframer settings (first level), the counts of
// objects, the first pass over the meshes that enters their nodes into the one node tree of all
// levels, the numbering of that tree, and the second pass over the meshes with their geometry,
// normals, animation and material groups. The same check functions are called in the same
// order; what the conversion would then add to its pools is left out, since no check looks at it
// until the model is written.
#include "Inspection.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "ChunkTree.h"
#include "Fail.h"
#include "ImportChecks.h"
#include "LevelNodes.h"
#include "MaterialTypes.h"
#include "MeshNormals.h"
#include "SetFindings.h"
#include "Shape.h"
#include "ToolkitRecords.h"
#include "Trimorph.h"
#include "toolkit3ds/toolkit3ds.h"

namespace {

std::string Quoted(const std::string& name) {
  return "'" + name + "'";
}

// The toolkit's error list, newest first, as trimorph prints it.
std::vector<std::string> ToolkitErrorLines() {
  constexpr int MAX_LINES = 64;
  const char* messages[MAX_LINES];
  int n = GetErrorMessages3ds(messages, MAX_LINES);
  if (n > MAX_LINES) n = MAX_LINES;
  return std::vector<std::string>(messages, messages + n);
}

// The lines trimorph prints for a failure: the context, the message (which may hold several
// lines, and is followed by a newline of its own) or "Unexpected error occurred", then the
// toolkit's list when the kind adds it.
std::vector<std::string> ReportLines(const std::string& context, const Finding& f) {
  std::vector<std::string> lines = {"While " + context};
  const std::string text = (f.message.empty() ? "Unexpected error occurred" : f.message) + "\n";
  size_t start = 0;
  for (size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', start)) {
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  lines.insert(lines.end(), f.toolkitErrors.begin(), f.toolkitErrors.end());
  return lines;
}

class SetInspection {
 public:
  SetInspection(const std::vector<std::string>& files, const InspectOptions& options) {
    for (const std::string& f : files) {
      LevelReport level;
      level.file = f;
      level.treeWanted = options.tree;
      mReport.levels.push_back(std::move(level));
    }
  }

  SetReport Run();

 private:
  int NumLevels() const { return int(mReport.levels.size()); }
  void EnterLevelContext(int level);
  void EnterWritingContext();

  // Lists the problem (none: nothing) under the level; true when there is one. The first
  // problem of a check of the converter is the one trimorph stops on.
  bool Record(int level, const Problem& p);
  // Runs a step that reads through the toolkit and lists its problem. A TOOLKIT_ERRORS problem
  // of errors raised before the step (which it only noticed) is put down to what raised them;
  // then the list is emptied and the step runs again, to be judged on its own. An error that the
  // step raises without noticing it is remembered, for the step that will notice it.
  template <class Step>
  Problem ToolkitStep(int level, const std::string& what, Step step);
  // After a toolkit call that returns no problem: remembers what raised an error it recorded.
  void NoteToolkitErrors(bool pendingBefore, int level, const std::string& what,
                         const std::string& subject = std::string());
  // A problem that noticed errors raised by an earlier step, put down to that step: listed
  // under its level and subject, saying where trimorph notices it. Returns the level.
  int PutDownToCulprit(int level, Problem& p) const;

  void InspectLevel(int level);
  // Opens the level file; false when it cannot be read as a mesh file.
  bool OpenLevel(int level, DatabaseHandle& db);
  void ImportLevel(int level, Database3ds* db);
  void MaterialGroup(int level, Database3ds* db, const MeshMatGroup3ds& g);
  // The checks of the model the conversion builds: made once every other check holds.
  void CheckTheModel();

  SetReport mReport;
  Shape mShape;           // the node tree and animation entries, as the conversion has them
  std::string mContext;   // what trimorph would be doing
  bool mStopped = false;  // a problem trimorph stops on has been found
  // What raised the toolkit errors pending unnoticed: its level, what it read, the subject.
  struct Culprit {
    int level = -1;
    std::string what;
    std::string subject;
  } mCulprit;
  // The databases of the levels read so far while no problem has been found: the model's
  // checks import them, so that no file is read twice (a level may be a pipe).
  std::vector<DatabaseHandle> mDatabases;
  std::unordered_set<std::string> mListed;                 // the problems listed, to list each once
  std::unordered_map<std::string, size_t> mMaterialIndex;  // of the current level's materials
};

void SetInspection::EnterLevelContext(int level) {
  SetContext("reading level of detail %d from '%s'", level + 1, mReport.levels[level].file.c_str());
  mContext = GetContext();
}

void SetInspection::EnterWritingContext() {
  mContext = "writing combined shape file '{out file}'";
}

bool SetInspection::Record(int level, const Problem& p) {
  if (!p) return false;
  Finding f;
  f.code = p.code;
  f.level = level;
  f.message = p.message;
  f.subject = p.subject;
  f.detail = p.detail;
  if (p.systemError) f.detail += ": " + std::string(strerror(p.systemError));
  if (p.toolkitErrors) f.toolkitErrors = ToolkitErrorLines();
  // The same problem met again (the second pass repeats checks of the first, every group of a
  // material checks the material) is listed once; a node outside the hierarchy stays outside in
  // every later level and is listed for the level it came in.
  const bool outside = p.code == ProblemCode::UNREACHABLE_NODE;
  const std::string key = std::to_string(int(p.code)) + '\n' +
                          std::to_string(outside ? -1 : level) + '\n' + p.subject + '\n' +
                          (outside ? std::string() : f.detail);
  if (!mListed.insert(key).second) return true;
  if (!mStopped) {
    mStopped = true;
    f.reportedByTrimorph = true;
    mReport.trimorphReport = ReportLines(mContext, f);
  }
  mReport.findings.push_back(std::move(f));
  return true;
}

int SetInspection::PutDownToCulprit(int level, Problem& p) const {
  if (mCulprit.level < 0) return level;
  p.detail = "the .3ds reader recorded errors while " + mCulprit.what + " of " +
             Quoted(mReport.levels[size_t(mCulprit.level)].file) +
             ", which trimorph notices only later, in level " + std::to_string(level + 1) + " (" +
             p.detail + ")";
  p.subject = mCulprit.subject;
  return mCulprit.level;
}

template <class Step>
Problem SetInspection::ToolkitStep(int level, const std::string& what, Step step) {
  const bool pending = ErrorsPending3ds;
  Problem p = step();
  if (p.code == ProblemCode::TOOLKIT_ERRORS && pending) {
    Record(PutDownToCulprit(level, p), p);
    ResetErrorList3ds();
    mCulprit = Culprit();
    p = step();
  }
  if (p.code == ProblemCode::TOOLKIT_ERRORS) {
    Record(level, p);
    ResetErrorList3ds();
    mCulprit = Culprit();
    return p;
  }
  NoteToolkitErrors(pending, level, what, p.subject);
  Record(level, p);
  return p;
}

void SetInspection::NoteToolkitErrors(bool pendingBefore, int level, const std::string& what,
                                      const std::string& subject) {
  if (!pendingBefore && ErrorsPending3ds) mCulprit = Culprit{level, what, subject};
}

SetReport SetInspection::Run() {
  ResetErrorList3ds();
  for (int level = 0; level < NumLevels(); ++level) InspectLevel(level);
  if (NumLevels() > 0) {
    // An error raised while the last level was imported has met no check yet.
    const int last = NumLevels() - 1;
    EnterLevelContext(last);
    ToolkitStep(last, std::string(), [] { return CheckToolkitErrors("importing the last level"); });
  }
  if (!mStopped) CheckTheModel();
  for (Finding& f : SetFindings(mReport.levels)) mReport.findings.push_back(std::move(f));
  mReport.converts = !mStopped;
  return std::move(mReport);
}

void SetInspection::InspectLevel(int level) {
  LevelReport& report = mReport.levels[level];
  EnterLevelContext(level);
  int maxDist = 0;
  const Problem name = CheckLevelFileName(report.file.c_str(), maxDist);
  if (name) {
    report.distanceProblem = name.detail;
    Record(level, name);
  } else {
    report.hasDistance = true;
    report.distance = maxDist;
  }
  // Past a missing distance trimorph stops; the file is read all the same.
  DatabaseHandle db;
  if (OpenLevel(level, db)) {
    report.read = true;
    mMaterialIndex.clear();
    ImportLevel(level, db.get());
  }
  // Once trimorph would stop, the model is not built: the databases are not needed.
  if (mStopped) {
    mDatabases.clear();
  } else {
    mDatabases.push_back(std::move(db));
  }
}

bool SetInspection::OpenLevel(int level, DatabaseHandle& db) {
  LevelReport& report = mReport.levels[level];
  const char* file = report.file.c_str();
  const bool pending = ErrorsPending3ds;
  Problem p = TryOpenMeshFile(file, db);
  if (p.code == ProblemCode::TOOLKIT_ERRORS && pending) {
    // Errors of the level before, which the opening of this one notices.
    Record(PutDownToCulprit(level, p), p);
    ResetErrorList3ds();
    mCulprit = Culprit();
    p = TryOpenMeshFile(file, db);
  }
  const bool damaged = p.code == ProblemCode::TOOLKIT_ERRORS;
  if (report.treeWanted || damaged) {
    report.tree = ReadChunkTree(db.get(), report.file);
    if (damaged) report.tree.toolkitErrors = ToolkitErrorLines();
    report.tree.stopDescription = DescribeStop(report.tree);
    if (!report.treeWanted) report.tree.chunks.clear();
  }
  if (!p) return true;
  if (damaged) {
    if (!report.tree.read) {
      p.detail = "the file cannot be opened";
    } else if (!report.tree.stopDescription.empty()) {
      p.detail += ": " + report.tree.stopDescription;
    }
  }
  report.readProblem = p.detail;
  Record(level, p);
  if (damaged) ResetErrorList3ds();
  return false;
}

void SetInspection::ImportLevel(int level, Database3ds* db) {
  LevelReport& report = mReport.levels[level];

  bool pending = ErrorsPending3ds;
  const float meshScale = Shape::GetMeshScale(db);
  NoteToolkitErrors(pending, level, "reading the mesh settings");
  ToolkitStep(level, std::string(), [] { return CheckToolkitErrors("reading the mesh settings"); });

  if (level == 0) {
    KeyframerSettingsHandle sets;
    ToolkitStep(level, "reading the keyframer settings",
                [&] { return FetchKeyframerSettings(db, sets); });
    if (sets) {
      report.animationLength = sets->anim.length;
      Record(level, CheckAnimSegment(*sets));
    }
  }

  pending = ErrorsPending3ds;
  const uint32_t numNodes = GetObjectNodeCount3ds(db);
  NoteToolkitErrors(pending, level, "counting the keyframer nodes");
  pending = ErrorsPending3ds;
  const uint32_t meshCount = GetMeshCount3ds(db);
  NoteToolkitErrors(pending, level, "counting the meshes");
  const Problem counts = CheckObjectCounts(numNodes, meshCount);
  Record(level, counts);
  report.hasKeyframer = numNodes > 0;
  const LevelNodes nodes = ReadLevelNodes(db);

  // The meshes and their keyframer nodes: by position as the conversion pairs them, or, when
  // the counts do not match, every mesh with the object node of its name.
  const uint32_t numMeshes = counts ? meshCount : (numNodes == 0 ? 1 : numNodes);
  auto nodeIndexOf = [&](uint32_t mesh, const char* name) -> int64_t {
    if (!counts) return numNodes > 0 ? int64_t(mesh) : -1;
    auto it = nodes.objectByName.find(name);
    return it == nodes.objectByName.end() ? -1 : int64_t(it->second);
  };
  auto fetchNode = [&](uint32_t mesh, const Mesh3ds& m, ObjectNodeHandle& kf) -> int64_t {
    const int64_t index = nodeIndexOf(mesh, m.name);
    const std::string what = "reading the keyframer node of mesh " + Quoted(m.name);
    if (!counts) {
      ToolkitStep(level, what, [&] { return FetchObjectNode(db, mesh, numNodes > 0, kf); });
    } else if (index >= 0) {
      ToolkitStep(level, what, [&] { return FetchObjectNode(db, uint32_t(index), true, kf); });
    }
    return index;
  };

  // First pass: the nodes.
  std::unordered_set<std::string> entered;
  std::unordered_set<std::string> meshNames;
  std::vector<bool> meshHasNode(nodes.objectIds.size(), false);
  for (uint32_t i = 0; i < numMeshes; ++i) {
    MeshHandle mesh;
    ToolkitStep(level, "reading mesh " + std::to_string(i), [&] { return FetchMesh(db, i, mesh); });
    if (!mesh) continue;
    meshNames.insert(mesh->name);
    Record(level, CheckMeshRecord(*mesh));
    ObjectNodeHandle kf;
    const int64_t nodeIndex = fetchNode(i, *mesh, kf);
    if (kf) Record(level, CheckNodeRecord(*kf, *mesh));
    Record(level, CheckObjectName(*mesh));
    const Problem frame = CheckMeshFrame(*mesh, kf.get());
    Record(level, frame);

    ObjectInfo object;
    object.name = mesh->name;
    object.vertices = mesh->pointcount;
    object.faces = mesh->trianglecount;
    object.textured = bool(mesh->textarray);
    const size_t groups = std::min<size_t>(mesh->matgroupcount, mesh->matgrouparray.size());
    for (size_t j = 0; j < groups; ++j) {
      const MeshMatGroup3ds& g = mesh->matgrouparray[j];
      object.groups.push_back({g.name, g.trianglecount});
    }
    if (frame) object.frameProblem = frame.detail;
    report.objects.push_back(std::move(object));

    if (kf) {
      NodeInfo node;
      node.name = kf->name;
      if (nodeIndex >= 0 && size_t(nodeIndex) < nodes.objectIds.size()) {
        node.id = nodes.objectIds[size_t(nodeIndex)];
        meshHasNode[size_t(nodeIndex)] = true;
      }
      node.parent = kf->parent;
      node.pivot[0] = kf->pivot.x;
      node.pivot[1] = kf->pivot.y;
      node.pivot[2] = kf->pivot.z;
      node.positionKeys = kf->poskeycount;
      node.rotationKeys = kf->rotkeycount;
      node.scaleKeys = kf->scalekeycount;
      report.nodes.push_back(std::move(node));
    }

    // The node goes into the hierarchy with the arguments the conversion gives it. A mesh
    // without a name, or without its node in a level whose counts do not match, stays out.
    if (!mesh->name[0] || (counts && !kf)) continue;
    sMatrix m;
    memcpy(m.m, mesh->localframe, sizeof m.m);
    for (int t = 9; t < 12; ++t) m.m[t] = m.m[t] * meshScale;
    const Problem added =
        mShape.mNodeTree.TryAddNode(mesh->name, kf ? kf->parent : nullptr, m, level);
    if (!Record(level, added)) entered.insert(mesh->name);
  }
  if (counts && numNodes > 0) {
    // Which object nodes have no mesh of their name: dummy objects, most often.
    std::string unpaired;
    for (size_t j = 0; j < nodes.all.size(); ++j) {
      const KfNodeInfo3ds& n = nodes.all[j];
      if (n.kind != KfObjectNode) continue;
      auto it = nodes.objectByName.find(n.name);
      if (it != nodes.objectByName.end() && meshHasNode[it->second]) continue;
      unpaired += (unpaired.empty() ? "" : ", ") + Quoted(n.name);
    }
    if (!unpaired.empty() && !mReport.findings.empty()) {
      for (Finding& f : mReport.findings) {
        if (f.level == level && f.code == counts.code && f.detail == counts.detail) {
          f.detail += "; keyframer object nodes without a mesh of their name: " + unpaired;
        }
      }
    }
  }

  // The numbering of the hierarchy, with every node outside it.
  if (Problem numbering = mShape.mNodeTree.TryComputeMatrices()) {
    std::vector<Problem> outside = mShape.mNodeTree.UnreachableNodes();
    if (outside.empty()) outside.push_back(numbering);
    for (Problem& p : outside) {
      // What the node it hangs from is in this level: a camera, a light, a dummy object.
      const sTreeNode* node = mShape.mNodeTree.FindNode(p.subject.c_str());
      const sTreeNode* parent = node ? node->mParent : nullptr;
      const char* kind = parent ? nodes.KindOf(parent->mName) : nullptr;
      if (parent && meshNames.count(parent->mName)) {
        p.detail = "node " + Quoted(p.subject) + " is linked under " + Quoted(parent->mName) +
                   ", a mesh of this level that is not in the hierarchy: its own problem keeps "
                   "it out";
      } else if (kind) {
        p.detail = "node " + Quoted(p.subject) + " is linked under " +
                   Quoted(node->mParent->mName) + ", which is " + kind +
                   " in this level, not a mesh object";
      }
      Record(level, p);
    }
  }

  // Second pass: the geometry, normals, animation and materials.
  for (uint32_t i = 0; i < numMeshes; ++i) {
    MeshHandle mesh;
    ToolkitStep(level, "reading mesh " + std::to_string(i), [&] { return FetchMesh(db, i, mesh); });
    if (!mesh) continue;
    // Without texture coordinates the geometry check would only say so again.
    const bool textured = !Record(level, CheckMeshRecord(*mesh));
    const bool geometry = textured && !Record(level, CheckMeshGeometry(*mesh));
    ObjectNodeHandle kf;
    fetchNode(i, *mesh, kf);
    const bool tracks = !(kf && Record(level, CheckNodeTracks(*kf, mesh->name, level == 0)));
    sTreeNode* node = mShape.mNodeTree.FindNode(mesh->name);
    if (!node && entered.count(mesh->name)) {
      Record(level, MakeProblem(ProblemCode::NODE_NOT_FOUND, mesh->name,
                                "the node of mesh '" + std::string(mesh->name) +
                                    "' is missing from the hierarchy"));
    }
    if (geometry) {
      std::unique_ptr<sMeshNorm> normals;
      Record(level, TryComputeMeshNormals(*mesh, normals));
    }
    if (kf && level == 0 && node && tracks) Record(level, mShape.TryAddNodeTrack(*kf, node));
    const size_t groups = std::min<size_t>(mesh->matgroupcount, mesh->matgrouparray.size());
    for (size_t j = 0; j < groups; ++j) MaterialGroup(level, db, mesh->matgrouparray[j]);
  }
  report.nodes = LevelNodeTree(std::move(report.nodes), nodes);
}

void SetInspection::MaterialGroup(int level, Database3ds* db, const MeshMatGroup3ds& g) {
  LevelReport& report = mReport.levels[level];
  MaterialHandle material;
  ToolkitStep(level, "reading material " + Quoted(g.name),
              [&] { return FetchMaterial(db, g.name, material); });
  const sMatType* type = nullptr;
  int number = 0;
  bool sorted = false;
  const Problem parsed = ParseMaterialName(g.name, type, number, sorted);
  Record(level, parsed);
  if (material && type) Record(level, CheckMaterialMaps(*material, g.name, *type));

  if (!mMaterialIndex.emplace(g.name, report.materials.size()).second) return;
  MaterialInfo info;
  info.name = g.name;
  info.found = bool(material);
  info.parsed = type != nullptr;
  if (type) info.type = type->mName;
  info.number = number;
  info.sorted = sorted;
  if (material) {
    info.texture = material->texture.map.name;
    info.reflection = material->texture2.map.name;
  }
  info.parseProblem = parsed.message;
  report.materials.push_back(std::move(info));
}

void SetInspection::CheckTheModel() {
  // Every check of the levels holds, so the conversion's own import takes them without failing.
  // It imports the databases the inspection read: a detached database gives every fetch the same
  // records again, and each is released once imported, as the conversion releases it.
  Shape shape;
  for (int level = 0; level < NumLevels(); ++level) {
    shape.ImportLevel(mDatabases[size_t(level)].get(), level, mReport.levels[level].distance);
    mDatabases[size_t(level)].reset();
  }
  const int last = NumLevels() - 1;
  if (last >= 0) {
    EnterLevelContext(last);
    if (Record(last, CheckToolkitErrors("importing the last level"))) return;
  }
  EnterWritingContext();
  if (Record(-1, CheckHasTriangles(shape))) return;
  Record(-1, shape.TryPrepareOutput());
}

}  // namespace

SetReport InspectLevelSet(const std::vector<std::string>& files, const InspectOptions& options) {
  SetInspection inspection(files, options);
  return inspection.Run();
}
