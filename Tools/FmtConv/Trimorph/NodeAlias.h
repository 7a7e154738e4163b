// The names under which nodes are written.
//
// Pantograph and wiper nodes have fixed names in the simulator that are longer than the ten
// characters a 3D Studio object name can hold; artists use the short names, which are written
// under their long names.
#ifndef TRIMORPH_NODEALIAS_H
#define TRIMORPH_NODEALIAS_H

// The name a node is written under: the long name of a pantograph or wiper short name
// (compared without case), otherwise the node's own name.
const char* NodeAlias(const char* name);

#endif  // TRIMORPH_NODEALIAS_H
