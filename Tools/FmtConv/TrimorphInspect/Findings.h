// The problems trimorph-inspect lists: every problem a check of the converter finds (its kinds
// are the converter's, Problem.h), and the inspector's own findings about the set of levels as a
// whole, which trimorph does not fail on. Each kind has a stable name (the JSON "code") and a
// hint of what to change.
#ifndef TRIMORPH_INSPECT_FINDINGS_H
#define TRIMORPH_INSPECT_FINDINGS_H

#include <string>
#include <vector>

#include "Problem.h"

// The inspector's own kinds: about the order, distances and nodes of the levels together.
// trimorph converts such a set all the same, so these are warnings and never change the exit
// status. The values are stable; new kinds are added at the end.
enum class SetCode {
  NONE = 0,
  // The level files are not given nearest first: a file's distance is smaller than the one
  // before it. The node tree counts levels in command-line order, the shape file orders them by
  // distance.
  LEVELS_OUT_OF_ORDER = 1,
  // Two level files have the same distance: trimorph merges them into one distance level.
  SAME_DISTANCE = 2,
  // A node of a far level is missing from a nearer one, where it is then not drawn.
  NODE_MISSING_FROM_NEARER_LEVEL = 3,
  // More than 32 level files: the node tree records in which levels a node occurs in 32 bits.
  TOO_MANY_LEVELS = 4,
};

// One problem as the inspector lists it.
struct Finding {
  ProblemCode code = ProblemCode::NONE;  // a check of the converter, or NONE
  SetCode own = SetCode::NONE;           // one of the inspector's own kinds, or NONE
  int level = -1;  // index of the level file it concerns; -1 for the set as a whole
  // The converter's message (empty for a bare report, and for the inspector's own kinds), the
  // object, material, node or file concerned, and what exactly is wrong.
  std::string message;
  std::string subject;
  std::string detail;
  // The toolkit's error list at the time, newest first, for a kind whose report adds it.
  std::vector<std::string> toolkitErrors;
  bool reportedByTrimorph = false;  // the problem trimorph stops on

  bool IsError() const { return code != ProblemCode::NONE; }
};

// The stable name of the finding's kind ("no-texture-name", "levels-out-of-order").
const char* FindingName(const Finding& f);
// What the subject of the finding's kind is: "object", "material", "node", "file" or "".
const char* SubjectNoun(const Finding& f);
// One line on what to change.
const char* FindingHint(const Finding& f);

#endif  // TRIMORPH_INSPECT_FINDINGS_H
