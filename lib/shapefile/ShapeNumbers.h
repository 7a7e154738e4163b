// The words of a shape text read as numbers. Each function takes the whole word: a word with
// anything after its number is not one.
#ifndef TRIMORPH_SHAPEFILE_SHAPENUMBERS_H
#define TRIMORPH_SHAPEFILE_SHAPENUMBERS_H

#include <cstdint>
#include <string_view>

namespace shapefile {

// A decimal integer, "-" allowed in front.
bool ParseLong(std::string_view s, long& out);
// One to eight hexadecimal digits.
bool ParseHex(std::string_view s, uint32_t& out);
// A finite decimal number as C's strtof reads it (not "inf" or "nan").
bool ParseFloat(std::string_view s, float& out);
// A count in front of a list: a decimal number without a sign or leading zeros.
bool LooksLikeCount(std::string_view s);

}  // namespace shapefile

#endif  // TRIMORPH_SHAPEFILE_SHAPENUMBERS_H
