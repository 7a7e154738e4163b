// The known blocks of a shape text, each read by a function of its own into the model
// (ShapeReader.cpp: the shape, its pools, states and animations; ShapeLevelReader.cpp: the
// distance levels and their sub-objects).
#ifndef TRIMORPH_SHAPEFILE_SHAPEBLOCKREADER_H
#define TRIMORPH_SHAPEFILE_SHAPEBLOCKREADER_H

#include <string>

#include "ShapeListReader.h"

namespace shapefile::reading {

class BlockReader : public ListReader {
 public:
  using ListReader::ListReader;
  // Reads the whole input.
  void Run();

 private:
  void ReadShapeBlock(const Ctx& ctx);
  void ReadTexture(const Ctx& ctx);
  void ReadLightModelCfg(const Ctx& ctx);
  void ReadVtxState(const Ctx& ctx);
  void ReadPrimState(const Ctx& ctx, std::string name);
  void ReadLodControl(const Ctx& ctx);
  void ReadDistanceLevel(const Ctx& ctx, int lodControl);
  void ReadSubObject(const Ctx& ctx, SubObject& sub);
  void ReadSubObjectHeader(const Ctx& ctx, SubObject& sub);
  void ReadGeometryInfo(const Ctx& ctx, SubObject& sub);
  void ReadGeometryNode(const Ctx& ctx, SubObject& sub);
  void ReadVertex(const Ctx& ctx, SubObject& sub);
  void ReadPrimitives(const Ctx& ctx, SubObject& sub);
  void ReadTriList(const Ctx& ctx, TriList& list);
  void ReadAnimation(const Ctx& ctx);
  void ReadAnimNode(const Ctx& ctx, AnimNode& node);
  void ReadKey(const Ctx& ctx, Controller& c);
};

}  // namespace shapefile::reading

#endif  // TRIMORPH_SHAPEFILE_SHAPEBLOCKREADER_H
