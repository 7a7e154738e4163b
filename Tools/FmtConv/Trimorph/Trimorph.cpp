// The conversion driver.
//
// The run: print the banner when the command line is too short; otherwise read every level
// file in command-line order into one shape model, then write the combined shape file. Every
// failure goes through Fail (Fail.h), which reports the progress context and the reason on
// standard output and ends the process with status -5.
#include "Trimorph.h"

#include <strings.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#include "Convert.h"
#include "Fail.h"
#include "OutputFile.h"
#include "ParallelText.h"
#include "Problem.h"
#include "Shape.h"
#include "ToolkitRecords.h"
#include "TrimorphVersion.h"
#include "toolkit3ds/toolkit3ds.h"

namespace {

// The model of the run. It lives until the process ends and is never torn down; holding it here
// keeps it reachable to the end, as the process-lifetime object it is (volatile, so that the
// store is kept although nothing reads it back).
Shape* volatile gShape = nullptr;

}  // namespace

const char* const USAGE_BANNER =
    "\n"
    "TRIMORPH v" TRIMORPH_VERSION
    "\n"
    "Copyright (c) 2026 the Trimorph developers.\n"
    "Report problems to the Trimorph developers, with the level files that caused them.\n"
    "\n"
    "This program is used to convert 3D Studio compatible .3ds scene files into\n"
    "Halvard(tm) compatible .S shape files.\n"
    "\n"
    "Usage: Trimorph {out file} {dist levels}\n"
    "\n"
    "Where: {out file}    is the name of shape file to be created.\n"
    "       {dist levels} is a space separated list of source 3ds files ordered\n"
    "                     by detail level, with most detailed first.\n"
    "\n"
    "The names of the 3ds distance level files must be of the form:\n"
    "\n"
    "File:  {base name}{max dist}.3ds\n"
    "\n"
    "Where: {base name}   only contains letters\n"
    "       {max dist}    is the maximum distance in metres at which the detail\n"
    "                     level can be seen.\n";

bool ParseMaxDist(const char* fileName, int& maxDist) {
  size_t len = strlen(fileName);
  if (len == 0) return false;
  const char* dot = strrchr(fileName, '.');
  if (dot == fileName) return false;
  // Start just before the last '.', or at the last character when there is none; the starting
  // character itself is taken whatever it is.
  size_t pos = dot ? size_t(dot - fileName) - 1 : len - 1;
  while (pos > 0 && isdigit((unsigned char)fileName[pos - 1])) --pos;

  // Read a decimal integer as "%d" would: white space, an optional sign, at least one digit.
  // Values beyond the 32-bit range saturate to its nearest limit.
  const char* p = fileName + pos;
  while (isspace((unsigned char)*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  if (!isdigit((unsigned char)*p)) return false;
  long long value = 0;
  const long long limit = negative ? -(long long)INT_MIN : INT_MAX;
  for (; isdigit((unsigned char)*p); ++p) {
    value = value * 10 + (*p - '0');
    if (value > limit) value = limit;
  }
  maxDist = int(negative ? -value : value);
  return true;
}

Problem CheckLevelFileName(const char* fileName, int& maxDist) {
  if (ParseMaxDist(fileName, maxDist)) return Problem();
  return MakeProblem(ProblemCode::NO_DISTANCE_IN_NAME, fileName,
                     "the file name has no number right before its last '.'");
}

Problem TryOpenMeshFile(const char* fileName, DatabaseHandle& db) {
  db.reset();
  errno = 0;
  FileHandle file(OpenFile3ds(fileName, "rw"));
  // When the file could not be opened, the operating system's reason goes with the report.
  const int openError = file ? 0 : errno;
  // After each toolkit call the toolkit's error flag must be clear; a report then carries the
  // toolkit's own error list.
  auto check = [fileName, openError](const char* doing) {
    Problem p = CheckToolkitErrors(doing);
    if (p) {
      p.subject = fileName;
      p.systemError = openError;
    }
    return p;
  };
  if (Problem p = check("opening the file")) return p;
  Database3ds* created = nullptr;
  InitDatabase3ds(&created);
  db.reset(created);
  if (Problem p = check("creating the database")) return p;
  CreateDatabase3ds(file.get(), db.get());
  if (Problem p = check("reading the chunks of the file")) return p;
  // Every payload is decoded now, so the import works on a database detached from the file.
  DisconnectDatabase3ds(db.get());
  if (Problem p = check("reading the data of the chunks")) return p;
  file.reset();
  if (Problem p = check("closing the file")) return p;
  const DbType3ds type = GetDatabaseType3ds(db.get());
  if (Problem p = check("reading the type of the file")) return p;
  if (type != MeshFile) {
    return MakeProblem(ProblemCode::NOT_A_MESH_FILE, fileName,
                       type == MaterialLibFile ? "the file is a material library"
                       : type == SceneFile     ? "the file is a scene file without meshes"
                                               : "the file is of an unknown kind");
  }
  return Problem();
}

void OpenMeshFile(const char* fileName, DatabaseHandle& db) {
  FailOn(TryOpenMeshFile(fileName, db));
}

void Shape::ReadLevel(const char* fileName, int levelIndex, int maxDist, int threads) {
  DatabaseHandle db;
  OpenMeshFile(fileName, db);
  ImportLevel(db.get(), levelIndex, maxDist, threads);
}

bool ParseThreadsOption(const char* arg, int& threads) {
  if (arg[0] != '-' || arg[1] != 'j' || !isdigit((unsigned char)arg[2])) return false;
  long long value = 0;
  const char* p = arg + 2;
  for (; isdigit((unsigned char)*p); ++p) {
    value = value * 10 + (*p - '0');
    if (value > MAX_THREADS) value = MAX_THREADS;
  }
  if (*p != '\0' || value == 0) return false;
  threads = int(value);
  return true;
}

int DefaultThreads() {
  const unsigned processors = std::thread::hardware_concurrency();
  if (processors < 2) return 1;
#ifndef _WIN32
  // On a machine whose processors are all busy already, the two threads would take turns with
  // the other work and wait for each other: one thread is faster there.
  double load = 0;
  if (getloadavg(&load, 1) == 1 && load >= double(processors)) return 1;
#endif
  return 2;
}

int TrimorphMain(int argc, char** argv) {
  // A leading -jN sets the threads; the rest is the command line as ever.
  int threads = DefaultThreads();
  if (argc >= 2 && ParseThreadsOption(argv[1], threads)) {
    argv[1] = argv[0];
    --argc;
    ++argv;
  }
  if (argc < 3) {
    fputs(USAGE_BANNER, stdout);
    return 0;
  }
  Shape* shape = new (std::nothrow) Shape;
  if (!shape) FailOutOfMemory();
  gShape = shape;
  ConvertLevels(*shape, argv[1], argc - 2, argv + 2, threads);
  return 0;
}

namespace {

bool EndsWith3ds(const char* name) {
  size_t len = strlen(name);
  return len >= 4 && strcasecmp(name + len - 4, ".3ds") == 0;
}

}  // namespace

// A forgotten output name makes the first level file the output, which must never be replaced
// by a shape file.
Problem CheckOutputName(const char* outName, int numLevels, char* const* levelNames) {
  if (EndsWith3ds(outName)) {
    return MakeProblem(ProblemCode::OUTPUT_REPLACES_3DS, outName, "the name ends in .3ds");
  }
  for (int level = 0; level < numLevels; ++level) {
    if (NamesSameFile(outName, levelNames[level])) {
      return MakeProblem(
          ProblemCode::OUTPUT_REPLACES_3DS, outName,
          "the name leads to the same file as level file '" + std::string(levelNames[level]) + "'");
    }
  }
  if (outName[0] == '-') {
    return MakeProblem(ProblemCode::OUTPUT_LOOKS_LIKE_OPTION, outName, "the name begins with '-'");
  }
  return Problem();
}

// Faces reach the shape only through material groups: a model none of whose faces has a
// material would give a shape file without a single triangle.
Problem CheckHasTriangles(const Shape& shape) {
  for (const ObjEntry<sDistLevel>* d = shape.mDistLevels.mFirstObj; d; d = d->mNext) {
    for (const ObjEntry<sSubObject>* s = d->mObj.mSubObjects.mFirstObj; s; s = s->mNext) {
      if (s->mObj.mTriangles.mNumObjs > 0) return Problem();
    }
  }
  return MakeProblem(ProblemCode::NO_TRIANGLES, std::string(),
                     "no material group of any level lists a face");
}

namespace {

void ConvertAll(Shape& shape, const char* outName, int numLevels, char* const* levelNames,
                int threads) {
  // The output name is checked before anything is read.
  SetContext("writing combined shape file '%s'", outName);
  FailOn(CheckOutputName(outName, numLevels, levelNames));
  for (int level = 0; level < numLevels; ++level) {
    const char* name = levelNames[level];
    SetContext("reading level of detail %d from '%s'", level + 1, name);
    int maxDist = 0;
    FailOn(CheckLevelFileName(name, maxDist));
    shape.ReadLevel(name, level, maxDist, threads);
  }
  // A toolkit error raised while the last level was imported has met no check yet: it fails the
  // run in that level's context rather than letting a damaged model be written.
  FailOn(CheckToolkitErrors("importing the last level"));
  SetContext("writing combined shape file '%s'", outName);
  FailOn(CheckHasTriangles(shape));
  shape.WriteShape(outName, threads);
}

}  // namespace

void ConvertLevels(Shape& shape, const char* outName, int numLevels, char* const* levelNames,
                   int threads) {
  // Memory that cannot be had, anywhere in the conversion, ends the run here: every allocation
  // failure of the converter throws, and the unwinding has released what the conversion held
  // (the unfinished output file included) by the time it is reported.
  try {
    ConvertAll(shape, outName, numLevels, levelNames, threads);
  } catch (const std::bad_alloc&) {
    FailOutOfMemory();
  }
}
