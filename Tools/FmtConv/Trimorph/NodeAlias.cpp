// The long names of the pantograph and wiper nodes.
#include "NodeAlias.h"

#include <strings.h>

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
