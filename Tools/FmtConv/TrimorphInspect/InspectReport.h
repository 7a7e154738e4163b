// What trimorph-inspect finds in a set of level files: for each level what it holds (objects,
// materials, keyframer nodes, and with --tree its chunks), every problem with what to change,
// and whether trimorph would convert the set, with trimorph's own report when it would not.
//
// The text and JSON writers (ReportWriters.h) show the same report.
#ifndef TRIMORPH_INSPECT_INSPECTREPORT_H
#define TRIMORPH_INSPECT_INSPECTREPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include "Findings.h"

// A material group of an object: the material it names and how many faces it lists.
struct GroupInfo {
  std::string material;
  uint32_t faces = 0;
};

// One mesh object of a level file.
struct ObjectInfo {
  std::string name;
  uint32_t vertices = 0;
  uint32_t faces = 0;
  bool textured = false;  // has texture coordinates
  std::vector<GroupInfo> groups;
  // What is wrong with the object's frame (a scale or a reflection); empty for a sound frame.
  std::string frameProblem;
};

// One material that a material group of the level names, as its name and its maps give it.
struct MaterialInfo {
  std::string name;
  bool found = false;   // the file defines it
  bool parsed = false;  // its name gives a type
  std::string type;     // the type word of the table, as the table spells it
  int number = 0;       // the sub-object number
  bool sorted = false;
  std::string texture;       // the texture map's file name; empty when it has none
  std::string reflection;    // the reflection map's file name; empty when it has none
  std::string parseProblem;  // why the name gives no type (the converter's message)
};

// One keyframer object node of a level, in the order of the level's tree: each node before the
// nodes linked under it.
struct NodeInfo {
  std::string name;
  int id = -1;         // the node's id in the file; -1 when it has none
  std::string parent;  // the parent's name; empty for a node at the top
  int depth = 0;       // 0 for a node at the top of the level's tree
  float pivot[3] = {0, 0, 0};
  uint32_t positionKeys = 0;
  uint32_t rotationKeys = 0;
  uint32_t scaleKeys = 0;
  // A node that is no object node of the level but has object nodes linked under it ("camera
  // node", "no node of this name" ...); empty for an object node.
  std::string notAnObject;
  bool inLoop = false;  // its parents lead in a circle, never to the top
};

// One chunk of a level file's tree (--tree).
struct ChunkRow {
  uint32_t tag = 0;
  std::string name;  // the toolkit's name of the tag; empty for a tag it does not know
  uint32_t offset = 0;
  uint32_t length = 0;
  uint32_t depth = 0;
  bool pastEnd = false;  // the chunk claims to end beyond the end of the file
};

// The chunk tree of a level file as far as it could be read (--tree).
struct ChunkTree {
  bool read = false;      // the file could be opened
  int64_t fileSize = -1;  // -1 when unknown
  std::vector<ChunkRow> chunks;
  // Where reading stopped, -1 when it went through; with the toolkit's error list and a
  // description of the place.
  int64_t stopOffset = -1;
  std::string stopDescription;
  std::vector<std::string> toolkitErrors;
};

// One level file.
struct LevelReport {
  std::string file;  // as given on the command line
  bool hasDistance = false;
  int distance = 0;
  std::string distanceProblem;  // why the name gives no distance
  // The file was read as a mesh file; when not, readProblem says why and nothing below is there.
  bool read = false;
  std::string readProblem;
  bool hasKeyframer = false;  // the level has keyframer object nodes
  int animationLength = -1;   // first level only: the keyframer's length in frames
  std::vector<ObjectInfo> objects;
  std::vector<MaterialInfo> materials;
  std::vector<NodeInfo> nodes;
  bool treeWanted = false;
  ChunkTree tree;
};

// The whole report.
struct SetReport {
  std::vector<LevelReport> levels;
  std::vector<Finding> findings;  // in the order found; the one trimorph reports is marked
  bool converts = false;          // trimorph would convert the set
  // trimorph's report on standard output when it would not convert, line by line as it prints
  // them; a failure in writing names the output file '{out file}'.
  std::vector<std::string> trimorphReport;
};

#endif  // TRIMORPH_INSPECT_INSPECTREPORT_H
