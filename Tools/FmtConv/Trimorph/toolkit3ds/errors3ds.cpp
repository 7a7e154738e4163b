// The toolkit's error list: one process-wide list of recorded error codes and the flag that says
// errors are pending. The first 19 errors of a run stay in arrival order in positions 0-18; the
// 20th goes to a separate overflow slot, and from the 21st on the overflow slot only says that
// more errors arrived than could be kept. The dump prints the positions newest first.
#include <cstdio>

#include "toolkit3ds_internal.h"

bool ErrorsPending3ds = false;

namespace {

// Positions 0-18 take errors; position 19 is the empty marker after position 18.
constexpr int LAST_ERROR_POSITION = ERROR_LIST_SIZE3DS - 2;

ErrorEntry3ds gErrorList[ERROR_LIST_SIZE3DS];
ErrorEntry3ds gOverflow;

const char* const ERROR_TEXTS[] = {
    "NO_FTK_ERRORS: No errors are pending",
    "ERR_NO_MEM: Not enough memory to complete operation",
    "ERR_INVALID_ARG: The argument passed to the function is invalid.  Usually caused by a NULL "
    "pointer or an out of range numeric argument.",
    "ERR_INVALID_DATA: The structure passed as an argument to the function has invalid or out of "
    "range data in its fields.",
    "ERR_INVALID_CHUNK: An invalid chunk structure was encountered while reading the database. "
    "Usually caused by a corrupt database or file",
    "ERR_INVALID_DATABASE: The database passed as an argument has not be created yet.",
    "ERR_WRONG_DATABASE: The database passed as an argument is the wrong kind of database for this "
    "function.",
    "ERR_UNFOUND_CHUNK: The database is missing important file chunks needed to fill out the "
    "requested structure.  Usually caused by a corrupt database or file",
    "ERR_WRONG_OBJECT: The name passed to the functions exists, but is not the type of object "
    "asked for.  For example, asking for a mesh object with the GetCameraByName3ds function.",
    "ERR_NO_SUCH_FILE: The filename passed as an argument for reading does not exist",
    "ERR_INIT_FAILED: Failed to initialize structure passed as an argument",
    "ERR_OPENING_FILE: Could not open requested file",
    "ERR_CLOSING_FILE: Could not close requested file",
    "ERR_READING_FILE: Error occured while reading file",
    "ERR_CREATING_DATABASE: Error occured while creating database",
    "ERR_READING_DATABASE: Error occured while reading database",
    "ERR_WRITING_DATABASE: Error occured while writing database",
    "ERR_WRITING_FILE: Error occured while writing file",
    "ERR_STRING_TOO_LONG: String encountered in file, structure, or as an argument was longer than "
    "expected.  Possibly caused by an uninitialed pointer, corrupt file or database",
    "ERR_TOO_MANY_FILES: The toolkit has reached its maximum open file limit of 252 files.",
};
const char* const N_ERRORS_TEXT = "N_ERRORS: More errors were reported then could be recorded.";
const char* const UNKNOWN_ERROR_TEXT = "Unknown error code was encountered";

}  // namespace

const char* ErrorMessage3ds(ErrCode3ds code) {
  if (code >= 0 && code <= ERR_TOO_MANY_FILES) return ERROR_TEXTS[code];
  if (code == N_ERRORS) return N_ERRORS_TEXT;
  return UNKNOWN_ERROR_TEXT;
}

void PushError3ds(ErrCode3ds code) {
  if (code == NO_FTK_ERRORS) return;
  ErrorsPending3ds = true;
  for (int i = 0; i <= LAST_ERROR_POSITION; ++i) {
    if (gErrorList[i].code == NO_FTK_ERRORS) {
      gErrorList[i] = {code, ErrorMessage3ds(code)};
      gErrorList[i + 1].code = NO_FTK_ERRORS;
      return;
    }
  }
  if (gOverflow.code == NO_FTK_ERRORS) {
    gOverflow = {code, ErrorMessage3ds(code)};
  } else {
    gOverflow = {N_ERRORS, ErrorMessage3ds(N_ERRORS)};
  }
}

void DumpErrorList3ds(FILE* stream) {
  for (int i = ERROR_LIST_SIZE3DS - 1; i >= 0; --i) {
    if (gErrorList[i].code != NO_FTK_ERRORS) fprintf(stream, "%s\n", gErrorList[i].message);
  }
}

int GetErrorMessages3ds(const char* messages[], int max) {
  int n = 0;
  for (int i = ERROR_LIST_SIZE3DS - 1; i >= 0; --i) {
    if (gErrorList[i].code == NO_FTK_ERRORS) continue;
    if (n < max) messages[n] = gErrorList[i].message;
    ++n;
  }
  return n;
}

ErrorEntry3ds ErrorListEntry3ds(int position) {
  if (position < 0 || position >= ERROR_LIST_SIZE3DS) return {NO_FTK_ERRORS, nullptr};
  return gErrorList[position];
}

ErrorEntry3ds ErrorOverflowEntry3ds() {
  return gOverflow;
}

void ResetErrorList3ds() {
  for (ErrorEntry3ds& e : gErrorList) e = {NO_FTK_ERRORS, nullptr};
  gOverflow = {NO_FTK_ERRORS, nullptr};
  ErrorsPending3ds = false;
}
