// A second thread that runs jobs for the thread that owns it, one after the other in the order
// they are handed over.
//
// The owner hands over a job (Post) and goes on with work of its own; it waits for jobs to be
// done (Wait) before it touches what they use. A job can wait in turn for the owner to reach a
// point in its own work: the owner counts those points (Signal) and the job waits for a count
// (AwaitSignal). Everything written before a Post or a Signal is seen by the job that follows
// them, and everything a job wrote is seen by the owner once Wait has returned for it.
//
// A thread that waits first watches for a while before it sleeps: the two threads hand work to
// each other often, and waking a sleeping thread can take longer than the work it is handed.
//
// An exception that a job throws (std::bad_alloc) is thrown again by the owner's next Wait; the
// jobs after it are skipped. Destroying the helper stops the thread: jobs not yet started are
// dropped, and a job waiting for a signal gives up.
#ifndef TRIMORPH_HELPERTHREAD_H
#define TRIMORPH_HELPERTHREAD_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
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
  // The owner has reached its next point: the signal count goes up by one.
  void Signal();
  // The signals counted so far.
  uint64_t Signals() const { return mSignals.load(); }
  // In a job: waits until the signal count reaches count. False when the helper is being
  // stopped: the job is to return at once.
  bool AwaitSignal(uint64_t count);

 private:
  void Work();
  // Waits until ready() holds (or stop is asked, when watchStop). ready reads only atomics.
  template <class Ready>
  void WaitUntil(Ready ready, std::unique_lock<std::mutex>& lock, bool watchStop);

  std::thread mThread;
  std::mutex mMutex;  // guards mJobs and mError; changes that a sleeper waits for take it too
  std::condition_variable mChanged;  // a job was handed over or done, a signal, or stop
  std::deque<std::function<void()>> mJobs;
  std::atomic<size_t> mNumJobs{0};  // in mJobs
  std::atomic<size_t> mNotDone{0};  // handed over and not done
  std::atomic<uint64_t> mSignals{0};
  std::atomic<bool> mFailed{false};  // mError holds an exception
  std::atomic<bool> mStop{false};
  std::exception_ptr mError;
};

#endif  // TRIMORPH_HELPERTHREAD_H
