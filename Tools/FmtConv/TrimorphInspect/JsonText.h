// Text for JSON documents: strings from level files, which may hold any bytes, as valid JSON.
#ifndef TRIMORPH_INSPECT_JSONTEXT_H
#define TRIMORPH_INSPECT_JSONTEXT_H

#include <string>

// The bytes as a JSON string literal, quotes included. Well-formed UTF-8 sequences are kept as
// they are; every byte that is not part of one (names from files written with an 8-bit code
// page) is written as the \u escape of the byte's value, that is, read as Latin-1, so that no
// byte is lost. Control characters, the quote and the backslash are escaped.
std::string JsonString(const std::string& bytes);

// A number as JSON: finite numbers with up to 9 significant digits, null for the others.
std::string JsonNumber(double value);

#endif  // TRIMORPH_INSPECT_JSONTEXT_H
