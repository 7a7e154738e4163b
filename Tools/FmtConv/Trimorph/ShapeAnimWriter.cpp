// Animation output: the anim_node blocks.
//
// Tracks are converted to the file's axes: y and z exchanged, and the rotation's vector part
// negated. Nodes are written under their aliases (NodeAlias.h).
#include "ShapeAnimWriter.h"

#include "NodeAlias.h"
#include "NodeTree.h"

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
