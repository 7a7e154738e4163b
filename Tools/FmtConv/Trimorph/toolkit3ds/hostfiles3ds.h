// The host system's part of the toolkit's file access: hostfiles3ds_posix.cpp on POSIX systems,
// hostfiles3ds_windows.cpp on Windows; the build compiles one of them. Names are the toolkit's
// own, as the C library's fopen takes them.
#ifndef TRIMORPH_HOSTFILES3DS_H
#define TRIMORPH_HOSTFILES3DS_H

#include <cstdint>
#include <cstdio>
#include <string>

// Whether an open stream is a regular file, whose end comes (not a pipe or a device), and then
// its size in bytes.
bool RegularFileSize3ds(FILE* stream, uint64_t& size);

// Gives a closed file a fresh temporary name in the folder dir (a prefix ending in its
// separator, or empty for the current folder) that no other file had, in one step: newname
// receives it. False when no such name could be had or the rename failed; the file then keeps
// its name and nothing is left behind.
bool RenameAside3ds(const std::string& name, const std::string& dir, std::string& newname);

#endif  // TRIMORPH_HOSTFILES3DS_H
