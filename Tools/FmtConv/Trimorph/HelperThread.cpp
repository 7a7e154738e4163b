// A second thread that runs jobs for the thread that owns it.
#include "HelperThread.h"

#include <system_error>

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

void HelperThread::Post(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mJobs.push_back(std::move(job));
    ++mNotDone;
  }
  mChanged.notify_all();
}

void HelperThread::Wait(size_t pending) {
  std::unique_lock<std::mutex> lock(mMutex);
  mChanged.wait(lock, [&] { return mNotDone <= pending || mError; });
  if (!mError) return;
  // The jobs after the one that threw are skipped: the thread passes them before the owner
  // unwinds what they would use.
  mChanged.wait(lock, [&] { return mNotDone == 0; });
  std::exception_ptr error = mError;
  mError = nullptr;
  lock.unlock();
  std::rethrow_exception(error);
}

void HelperThread::Work() {
  std::unique_lock<std::mutex> lock(mMutex);
  for (;;) {
    mChanged.wait(lock, [&] { return !mJobs.empty() || mStop; });
    if (mStop) return;
    std::function<void()> job = std::move(mJobs.front());
    mJobs.pop_front();
    if (!mError) {
      lock.unlock();
      try {
        job();
      } catch (...) {
        lock.lock();
        mError = std::current_exception();
        lock.unlock();
      }
      job = nullptr;
      lock.lock();
    }
    --mNotDone;
    lock.unlock();
    mChanged.notify_all();
    lock.lock();
  }
}
