// A second thread that runs jobs for the thread that owns it.
#include "HelperThread.h"

#include <system_error>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

// Rounds a waiting thread watches before it sleeps: some tens of microseconds.
constexpr int WATCH_ROUNDS = 4000;

void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#else
  std::this_thread::yield();
#endif
}

}  // namespace

HelperThread::~HelperThread() {
  if (!Running()) return;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mStop = true;
  }
  mChanged.notify_all();
  mThread.join();
}

bool HelperThread::Start() {
  if (Running()) return true;
  try {
    mThread = std::thread([this] { Work(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

// Every change a waiter looks for is made with the mutex held and followed by a notification,
// so a waiter that found it missing with the mutex held sleeps before the notification comes.
template <class Ready>
void HelperThread::WaitUntil(Ready ready, std::unique_lock<std::mutex>& lock, bool watchStop) {
  auto done = [&] { return ready() || (watchStop && mStop.load()); };
  if (lock.owns_lock()) lock.unlock();
  for (int i = 0; i < WATCH_ROUNDS && !done(); ++i) Pause();
  lock.lock();
  mChanged.wait(lock, done);
}

void HelperThread::Post(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mJobs.push_back(std::move(job));
    ++mNotDone;
    ++mNumJobs;
  }
  mChanged.notify_all();
}

void HelperThread::Wait(size_t pending) {
  std::unique_lock<std::mutex> lock(mMutex, std::defer_lock);
  WaitUntil([&] { return mNotDone.load() <= pending || mFailed.load(); }, lock, false);
  if (mFailed) {
    // Every later job is skipped: wait for the thread to pass them before the owner unwinds
    // what they would use.
    mChanged.wait(lock, [&] { return mNotDone.load() == 0; });
    std::exception_ptr error = mError;
    mError = nullptr;
    mFailed = false;
    lock.unlock();
    std::rethrow_exception(error);
  }
}

void HelperThread::Signal() {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    ++mSignals;
  }
  mChanged.notify_all();
}

bool HelperThread::AwaitSignal(uint64_t count) {
  std::unique_lock<std::mutex> lock(mMutex, std::defer_lock);
  WaitUntil([&] { return mSignals.load() >= count; }, lock, true);
  return !mStop;
}

void HelperThread::Work() {
  std::unique_lock<std::mutex> lock(mMutex);
  for (;;) {
    WaitUntil([&] { return mNumJobs.load() > 0; }, lock, true);
    if (mStop) return;
    std::function<void()> job = std::move(mJobs.front());
    mJobs.pop_front();
    --mNumJobs;
    const bool skip = mFailed;
    lock.unlock();
    if (!skip) {
      try {
        job();
      } catch (...) {
        std::lock_guard<std::mutex> guard(mMutex);
        mError = std::current_exception();
        mFailed = true;
      }
    }
    job = nullptr;
    lock.lock();
    --mNotDone;
    lock.unlock();
    mChanged.notify_all();
    lock.lock();
  }
}
