// A second thread that runs jobs for the thread that owns it, one after the other in the order
// they are handed over.
//
// The owner hands over a job (Post) and goes on with work of its own; it waits for jobs to be
// done (Wait) before it touches what they use. Everything the owner wrote before a Post is seen
// by that job, and everything a job wrote is seen by the owner once Wait has returned for it.
//
// An exception that a job throws (std::bad_alloc) is thrown again by the owner's next Wait; the
// jobs after it are skipped. Destroying the helper stops the thread once the job it is on is
// done: jobs not yet started are dropped.
#ifndef TRIMORPH_HELPERTHREAD_H
#define TRIMORPH_HELPERTHREAD_H

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class HelperThread {
 public:
  HelperThread() = default;
  ~HelperThread();
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

  // Starts the thread; false when none can be started (the owner then does the work itself).
  bool Start();
  bool Running() const { return mThread.joinable(); }

  // Hands over a job.
  void Post(std::function<void()> job);
  // Waits until at most pending of the jobs handed over are not done; throws again what a job
  // threw.
  void Wait(size_t pending = 0);

 private:
  void Work();

  std::thread mThread;
  std::mutex mMutex;                 // guards everything below
  std::condition_variable mChanged;  // a job was handed over or done, or stop
  std::deque<std::function<void()>> mJobs;
  size_t mNotDone = 0;        // handed over and not done
  std::exception_ptr mError;  // thrown by a job, not yet thrown again by Wait
  bool mStop = false;
};

// Calls work(i) for every i below n. With a running helper the items are shared: this thread
// takes the first ones and the helper the rest, split where the items' weights (weight(i)) reach
// half of their sum. The calls for different items must touch different data. Returns once
// every call is done; an exception of either thread's calls is thrown again here (this
// thread's first).
template <class Weight, class Work>
void ShareWork(HelperThread* helper, size_t n, Weight weight, Work work) {
  size_t split = n;
  if (helper && helper->Running() && n >= 2) {
    double total = 0;
    for (size_t i = 0; i < n; ++i) total += double(weight(i));
    double first = 0;
    split = 0;
    while (split < n - 1 && 2 * (first + double(weight(split))) <= total) {
      first += double(weight(split++));
    }
    if (split == 0) split = 1;
    helper->Post([&work, split, n] {
      for (size_t i = split; i < n; ++i) work(i);
    });
  }
  try {
    for (size_t i = 0; i < split; ++i) work(i);
  } catch (...) {
    // The helper's calls use work: they end before it goes.
    if (split < n) {
      try {
        helper->Wait();
      } catch (...) {
      }
    }
    throw;
  }
  if (split < n) helper->Wait();
}

#endif  // TRIMORPH_HELPERTHREAD_H
