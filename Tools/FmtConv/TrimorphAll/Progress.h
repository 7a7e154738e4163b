// The progress of a run on standard output: on a terminal one status line, rewritten in place
// (models done of all, elapsed time, the models being converted); otherwise one plain line per
// finished model.
#ifndef TRIMORPH_ALL_PROGRESS_H
#define TRIMORPH_ALL_PROGRESS_H

#include <chrono>
#include <string>
#include <vector>

class Progress {
 public:
  // columns: the terminal's width, 0 when standard output is not a terminal.
  Progress(bool terminal, int columns, size_t total);

  void Started(const std::string& model);
  void Finished(const std::string& model, bool converted, const std::string& reason,
                double seconds);
  // Brings the status line up to date (the elapsed time moves on).
  void Tick();
  // Clears the status line, leaving the cursor at the start of an empty line.
  void Clear();

  double Elapsed() const;

 private:
  void Draw();

  bool mTerminal;
  size_t mColumns;
  size_t mTotal;
  size_t mDone = 0;
  std::vector<std::string> mCurrent;  // the models being converted, in starting order
  std::chrono::steady_clock::time_point mStart;
  std::string mLastLine;  // the status line as last drawn
};

// A duration for people: "0.25 s", "42.0 s", "3 min 05 s".
std::string FormatDuration(double seconds);

#endif  // TRIMORPH_ALL_PROGRESS_H
