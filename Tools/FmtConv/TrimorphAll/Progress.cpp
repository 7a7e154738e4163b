// Progress of a run.
#include "Progress.h"

#include <algorithm>
#include <cstdio>

Progress::Progress(bool terminal, int columns, size_t total)
    : mTerminal(terminal),
      mColumns(columns >= 20 ? size_t(columns) : 80),
      mTotal(total),
      mStart(std::chrono::steady_clock::now()) {}

double Progress::Elapsed() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count();
}

void Progress::Started(const std::string& model) {
  mCurrent.push_back(model);
  if (mTerminal) Draw();
}

void Progress::Finished(const std::string& model, bool converted, const std::string& reason,
                        double seconds) {
  ++mDone;
  auto it = std::find(mCurrent.begin(), mCurrent.end(), model);
  if (it != mCurrent.end()) mCurrent.erase(it);
  if (mTerminal) {
    Draw();
    return;
  }
  printf("[%zu/%zu] %s: %s (%s)\n", mDone, mTotal, model.c_str(),
         converted ? "converted" : reason.c_str(), FormatDuration(seconds).c_str());
  fflush(stdout);
}

void Progress::Tick() {
  if (mTerminal) Draw();
}

void Progress::Clear() {
  if (!mTerminal || mLastLine.empty()) return;
  fputs("\r\033[K", stdout);
  fflush(stdout);
  mLastLine.clear();
}

void Progress::Draw() {
  std::string line = std::to_string(mDone) + " of " + std::to_string(mTotal) + " done, " +
                     FormatDuration(Elapsed());
  for (size_t i = 0; i < mCurrent.size(); ++i) line += (i ? ", " : "; converting ") + mCurrent[i];
  // One character short of the width, so that the terminal never wraps the line.
  if (line.size() >= mColumns) line = line.substr(0, mColumns - 4) + "...";
  if (line == mLastLine) return;
  mLastLine = line;
  printf("\r\033[K%s", line.c_str());
  fflush(stdout);
}

std::string FormatDuration(double seconds) {
  char text[64];
  if (seconds < 10) {
    snprintf(text, sizeof text, "%.2f s", seconds);
  } else if (seconds < 60) {
    snprintf(text, sizeof text, "%.1f s", seconds);
  } else {
    long whole = long(seconds);
    snprintf(text, sizeof text, "%ld min %02ld s", whole / 60, whole % 60);
  }
  return text;
}
