// Animation output: the anim_node blocks of the shape file.
#ifndef TRIMORPH_SHAPEANIMWRITER_H
#define TRIMORPH_SHAPEANIMWRITER_H

#include "ShapeRecords.h"
#include "ShapeText.h"

// Writes one anim_node block: the node's aliased name, its rotation track and its position
// track (each only with more than one key), converted to the file's axes.
void WriteAnimNode(ShapeText& text, const sAnimNode& node);

#endif  // TRIMORPH_SHAPEANIMWRITER_H
