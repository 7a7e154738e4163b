// The text of the shape file, made in pieces by several threads at once and written in order.
#include "ParallelText.h"

#include <system_error>

namespace {

// Jobs waiting, being made or done but not written, per thread.
constexpr size_t JOBS_PER_THREAD = 3;

}  // namespace

ParallelText::ParallelText(ShapeText& out, int threads) : mOut(out), mThreads(threads) {
  if (mThreads <= 1) {
    mThreads = 1;
    return;
  }
  mNow = NewText();
  for (int i = 1; i < mThreads; ++i) {
    try {
      mWorkers.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;  // the threads started will do
    }
  }
  if (mWorkers.empty()) mThreads = 1;
}

ParallelText::~ParallelText() {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mStop = true;
  }
  mToMake.notify_all();
  for (std::thread& t : mWorkers) t.join();
}

std::unique_ptr<ShapeText> ParallelText::NewText() {
  if (mSpare.empty()) return std::unique_ptr<ShapeText>(new ShapeText());
  std::unique_ptr<ShapeText> text = std::move(mSpare.back());
  mSpare.pop_back();
  text->Clear();
  return text;
}

void ParallelText::CloseNow() {
  std::unique_ptr<Job> job(new Job);
  job->text = std::move(mNow);
  job->started = job->done = true;
  mNow = NewText();
  std::lock_guard<std::mutex> lock(mMutex);
  mJobs.push_back(std::move(job));
}

void ParallelText::PassNow() {
  CloseNow();
  Settle(JOBS_PER_THREAD * size_t(mThreads));
}

void ParallelText::Add(Piece make) {
  if (mThreads == 1) {
    make(mOut);
    mOut.MaybeFlush();
    return;
  }
  CloseNow();
  std::unique_ptr<Job> job(new Job);
  job->make = std::move(make);
  job->text = NewText();
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mJobs.push_back(std::move(job));
  }
  mToMake.notify_one();
  Settle(JOBS_PER_THREAD * size_t(mThreads));
}

void ParallelText::Finish() {
  if (mThreads == 1) return;
  CloseNow();
  Settle(0);
}

ParallelText::Job* ParallelText::NextToMake() {
  for (std::unique_ptr<Job>& job : mJobs) {
    if (!job->started) return job.get();
  }
  return nullptr;
}

void ParallelText::Make(Job& job) {
  try {
    job.make(*job.text);
  } catch (...) {
    job.error = std::current_exception();
  }
}

void ParallelText::Settle(size_t keep) {
  std::unique_lock<std::mutex> lock(mMutex);
  while (mJobs.size() > keep) {
    Job& front = *mJobs.front();
    if (front.done) {
      std::unique_ptr<Job> job = std::move(mJobs.front());
      mJobs.pop_front();
      lock.unlock();
      if (job->error) std::rethrow_exception(job->error);
      mOut.Append(*job->text);
      mSpare.push_back(std::move(job->text));
      lock.lock();
    } else if (Job* job = NextToMake()) {
      // Rather than wait, the writer's thread makes a piece itself.
      job->started = true;
      lock.unlock();
      Make(*job);
      lock.lock();
      job->done = true;
    } else {
      mMade.wait(lock);
    }
  }
}

void ParallelText::Work() {
  std::unique_lock<std::mutex> lock(mMutex);
  for (;;) {
    Job* job = nullptr;
    mToMake.wait(lock, [&] { return mStop || (job = NextToMake()) != nullptr; });
    if (mStop) return;
    job->started = true;
    lock.unlock();
    Make(*job);
    lock.lock();
    job->done = true;
    mMade.notify_all();
  }
}
