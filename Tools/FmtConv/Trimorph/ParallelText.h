// The text of the shape file, made in pieces by several threads at once and written in order.
//
// The writer walks the model in the order of the file. Short texts it writes at once into the
// current text (Now); a long list (points, vertices, the indices of a triangle list) it hands
// over as a piece (Add), a function that writes the list's text into a text of its own. Pieces
// are made by the threads as they become free, the writer's own thread among them, and every
// text goes to the output in the order in which it was written or added, so the file is the
// same whatever the number of threads. With one thread every piece is made at once, into the
// output itself.
//
// A piece reads the model and writes its own text, nothing else: the model does not change
// while the file is written. At most a few pieces per thread are waiting or made at any time,
// so the memory they take does not grow with the file. An exception that a piece throws
// (std::bad_alloc) is thrown again by Add or Finish, in the writer's thread.
#ifndef TRIMORPH_PARALLELTEXT_H
#define TRIMORPH_PARALLELTEXT_H

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ShapeText.h"

class ParallelText {
 public:
  using Piece = std::function<void(ShapeText&)>;

  // out: where the text goes; threads: how many threads make pieces (1: the writer's alone).
  // Threads that cannot be started are done without.
  ParallelText(ShapeText& out, int threads);
  // Stops the threads; text not yet written is dropped (Finish writes it).
  ~ParallelText();
  ParallelText(const ParallelText&) = delete;
  ParallelText& operator=(const ParallelText&) = delete;

  // The text that the writer writes at once; it goes to the output after everything written
  // or added before. A long one is handed on first, so that it does not grow with the file.
  ShapeText& Now() {
    if (mThreads == 1) return mOut;
    if (mNow->Length() >= NOW_LENGTH) PassNow();
    return *mNow;
  }
  // A piece, whose text goes to the output after everything written or added before.
  void Add(Piece make);
  // Waits for every piece and writes all the text to the output.
  void Finish();

 private:
  struct Job {
    Piece make;  // empty for a text written at once
    std::unique_ptr<ShapeText> text;
    bool started = false;
    bool done = false;
    std::exception_ptr error;
  };

  // A text written at once is handed on once it is this long.
  static constexpr size_t NOW_LENGTH = size_t(1) << 20;

  // Ends the text written at once as a job of its own, and starts a new one.
  void CloseNow();
  // CloseNow, then writes what is done as Add does.
  void PassNow();
  // Writes the jobs at the front that are done, makes waiting ones or waits, until at most keep
  // jobs are left.
  void Settle(size_t keep);
  // The first job not yet started, or null. Call with the lock held.
  Job* NextToMake();
  // Makes a job's text; notes an exception instead of letting it pass.
  static void Make(Job& job);
  void Work();
  std::unique_ptr<ShapeText> NewText();

  ShapeText& mOut;
  int mThreads;
  std::unique_ptr<ShapeText> mNow;
  std::deque<std::unique_ptr<Job>> mJobs;          // in the order of the file
  std::vector<std::unique_ptr<ShapeText>> mSpare;  // texts written out, to be used again
  std::mutex mMutex;
  std::condition_variable mToMake;  // a job is waiting, or the threads are to stop
  std::condition_variable mMade;    // a job is done
  bool mStop = false;
  std::vector<std::thread> mWorkers;
};

#endif  // TRIMORPH_PARALLELTEXT_H
