// Animation output: node-name aliases and the anim_node blocks.
//
// Pantograph and wiper nodes have fixed names in the simulator that are longer than the ten
// characters a 3D Studio object name can hold; artists use the short names, which are written
// under their long names. Tracks are converted to the file's axes: y and z exchanged, and the
// rotation's vector part negated.
#include <strings.h>

#include "ShapeWriter.h"

namespace {

struct sNodeAlias {
  const char* mShort;
  const char* mLong;
};

const sNodeAlias NODE_ALIASES[] = {
    {"PANTOBOT1", "PANTOGRAPHBOTTOM1"},   {"PANTOTOP1", "PANTOGRAPHTOP1"},
    {"PANTOBOT2", "PANTOGRAPHBOTTOM2"},   {"PANTOTOP2", "PANTOGRAPHTOP2"},
    {"PANTOBOT1A", "PANTOGRAPHBOTTOM1A"}, {"PANTOMID1A", "PANTOGRAPHMIDDLE1A"},
    {"PANTOTOP1A", "PANTOGRAPHTOP1A"},    {"PANTOBOT1B", "PANTOGRAPHBOTTOM1B"},
    {"PANTOMID1B", "PANTOGRAPHMIDDLE1B"}, {"PANTOTOP1B", "PANTOGRAPHTOP1B"},
    {"PANTOBOT2A", "PANTOGRAPHBOTTOM2A"}, {"PANTOMID2A", "PANTOGRAPHMIDDLE2A"},
    {"PANTOTOP2A", "PANTOGRAPHTOP2A"},    {"PANTOBOT2B", "PANTOGRAPHBOTTOM2B"},
    {"PANTOMID2B", "PANTOGRAPHMIDDLE2B"}, {"PANTOTOP2B", "PANTOGRAPHTOP2B"},
    {"WIPERARML1", "WIPERARMLEFT1"},      {"WIPEBLADL1", "WIPERBLADELEFT1"},
    {"WIPERARMR1", "WIPERARMRIGHT1"},     {"WIPEBLADR1", "WIPERBLADERIGHT1"},
    {"WIPERARML2", "WIPERARMLEFT2"},      {"WIPEBLADL2", "WIPERBLADELEFT2"},
    {"WIPERARMR2", "WIPERARMRIGHT2"},     {"WIPEBLADR2", "WIPERBLADERIGHT2"},
};

}  // namespace

const char* NodeAlias(const char* name) {
  for (const sNodeAlias& alias : NODE_ALIASES) {
    if (strcasecmp(name, alias.mShort) == 0) return alias.mLong;
  }
  return name;
}

void WriteAnimNode(ShapeText& text, const sAnimNode& node) {
  bool rotTrack = node.mNumRotKeys > 1;
  bool posTrack = node.mNumPosKeys > 1;
  text.Write("\t\t\t\tanim_node %s (\n\t\t\t\t\tcontrollers ( %d\n",
             {NodeAlias(node.mNode->mName), int(rotTrack) + int(posTrack)});
  if (rotTrack) {
    text.Write("\t\t\t\t\t\ttcb_rot ( %d\n", {node.mNumRotKeys});
    for (int i = 0; i < node.mNumRotKeys; ++i) {
      const sRotKey& k = node.mRotKeys[i];
      text.Write("\t\t\t\t\t\t\ttcb_key ( %d %g %g %g %g 0 0 0 0 0 )\n",
                 {k.mFrame, -k.x, -k.z, -k.y, k.w});
    }
    text.Write("\t\t\t\t\t\t)\n");
  }
  if (posTrack) {
    text.Write("\t\t\t\t\t\tlinear_pos ( %d\n", {node.mNumPosKeys});
    for (int i = 0; i < node.mNumPosKeys; ++i) {
      const sPosKey& k = node.mPosKeys[i];
      text.Write("\t\t\t\t\t\t\tlinear_key ( %d %g %g %g )\n", {k.mFrame, k.x, k.z, k.y});
    }
    text.Write("\t\t\t\t\t\t)\n");
  }
  text.Write("\t\t\t\t\t)\n\t\t\t\t)\n");
}
