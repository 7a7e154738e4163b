// The shape model: every level of detail merged into one node hierarchy and one set of pools,
// the import that fills it and the output stage that writes it as a text shape file.
//
// The records the pools hold are in ShapeRecords.h, the pools' equalities in ShapePoolTraits.h.
#ifndef TRIMORPH_SHAPE_H
#define TRIMORPH_SHAPE_H

#include <vector>

#include "NodeTree.h"
#include "ObjSet.h"
#include "Problem.h"
#include "ShapeMath.h"
#include "ShapePoolTraits.h"
#include "ShapeRecords.h"

struct Database3ds;
struct KfMesh3ds;
class HelperThread;

class Shape {
 public:
  ObjSet<sVolSphere> mVolumes;
  ObjSet<int> mShaders;
  ObjSet<sVector> mPoints;
  ObjSet<sUVPoint> mUVPoints;
  ObjSet<sVector> mNormals;
  ObjSet<sVector> mSortVectors;
  NodeTree mNodeTree;
  ObjSet<sImageName> mImages;
  ObjSet<int> mLightCfgs;
  ObjSet<sVtxState> mVtxStates;
  ObjSet<sPrimState> mPrimStates;
  ObjSet<sDistLevel> mDistLevels;
  int mNumFrames = 0;
  int mFrameRate = 0;
  int mNumAnimated = 0;
  ObjSet<sAnimNode> mAnimNodes;

  // Reads one level file into the model (open, import, release).
  void ReadLevel(const char* fileName, int levelIndex, int maxDist, int threads = 1);
  // Merges one level of detail, read into a database, into the model; with threads of two or
  // more, a second thread helps build the geometry (the model is the same).
  void ImportLevel(Database3ds* db, int levelIndex, int maxDist, int threads = 1);
  // The scale applied to a level's geometry (reads the mesh settings to surface toolkit errors).
  static float GetMeshScale(Database3ds* db);

  // Animation of the first level: length, frame rate and segment check; one node's keys.
  void ReadAnimSettings(Database3ds* db);
  // The node's keys from its keyframer node. TRACKS_INCONSISTENT when a key has no value,
  // NODE_KEYS_TWICE when the node has keys already; nothing is added then.
  Problem TryAddNodeTrack(const KfMesh3ds& k, sTreeNode* node);
  // TryAddNodeTrack, failing on its problem.
  void AddNodeTrack(KfMesh3ds* k, sTreeNode* node);

  // Prepares the model for output (AssignIndices, ComputeBounds, BuildGeomNodes, once) and checks
  // that every number the shape file would hold is finite (NUMBERS_NOT_FINITE). With threads of
  // two or more, the sub-objects are shared with a second thread.
  Problem TryPrepareOutput(int threads = 1);
  // TryPrepareOutput, failing on its problem, then writes the shape file, its text made by up
  // to threads threads.
  void WriteShape(const char* fileName, int threads = 1);
  // Each of the three shares the work on the sub-objects with helper when it is given and
  // running (the results are the same).
  // Sorts and numbers every pool but the volumes and sort vectors.
  void AssignIndices(HelperThread* helper = nullptr);
  // Bounding spheres and sort vectors of sorted sub-objects, and the whole-shape sphere.
  void ComputeBounds(HelperThread* helper = nullptr);
  // Per sub-object counts of vertex sets, triangle lists and triangles, per node.
  void BuildGeomNodes(HelperThread* helper = nullptr);
  // The sub-objects of every distance level, in the order of the file.
  std::vector<sSubObject*> SubObjects();
};

#endif  // TRIMORPH_SHAPE_H
