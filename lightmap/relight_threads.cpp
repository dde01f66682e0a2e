// The pool behind RunOnRelightThreads. Workers sleep on a condition variable between runs; a run is
// published under the mutex and its items are claimed through one atomic ticket that carries the run's
// number beside the next item, so a worker that wakes late, after its run has ended, finds the number
// changed and claims nothing of the next one.
#include "lightmap/relight_threads.h"

#include <unistd.h>
#include <xmmintrin.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

struct Run {
  RelightWork work = nullptr;
  void* context = nullptr;
  uint32_t item_count = 0;
  uint32_t grain = 1;
  uint32_t number = 0;
  // The asking thread's rounding and denormal modes, so that every thread computes alike.
  unsigned int mxcsr = 0;
};

class RelightPool {
 public:
  ~RelightPool() { Stop(); }

  bool Start(unsigned thread_count) {
    Stop();
    if (thread_count == 0) return false;
    // A worker counts runs from the pool's count at its making, not at its first look, which may come
    // after the first run has been posted.
    const uint64_t generation = generation_;
    try {
      for (unsigned i = 1; i < thread_count; ++i) workers_.emplace_back(&RelightPool::Work, this, generation);
    } catch (const std::system_error&) {
      Stop();
      return false;
    }
    return true;
  }

  void Stop() {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
    std::lock_guard<std::mutex> hold(mutex_);
    stopping_ = false;
  }

  unsigned ThreadCount() const { return static_cast<unsigned>(workers_.size()) + 1; }

  void RunItems(uint32_t item_count, uint32_t grain, RelightWork work, void* context) {
    if (item_count == 0 || work == nullptr) return;
    if (grain == 0) grain = 1;
    if (workers_.empty() || item_count <= grain) {
      work(context, 0, item_count);
      return;
    }
    Run run;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      run = Run{work, context, item_count, grain, ++run_number_, _mm_getcsr()};
      run_ = run;
      finished_.store(0, std::memory_order_relaxed);
      ticket_.store(uint64_t{run.number} << 32, std::memory_order_release);
      ++generation_;
    }
    wake_.notify_all();
    Claim(run);
    if (finished_.load(std::memory_order_acquire) == item_count) return;
    std::unique_lock<std::mutex> hold(mutex_);
    done_.wait(hold, [&] { return finished_.load(std::memory_order_acquire) == item_count; });
  }

 private:
  void Claim(const Run& run) {
    uint64_t ticket = ticket_.load(std::memory_order_acquire);
    for (;;) {
      if (static_cast<uint32_t>(ticket >> 32) != run.number) return;
      const uint32_t first = static_cast<uint32_t>(ticket);
      if (first >= run.item_count) return;
      const uint32_t taken = std::min(run.grain, run.item_count - first);
      if (!ticket_.compare_exchange_weak(ticket, ticket + taken, std::memory_order_acq_rel)) continue;
      run.work(run.context, first, first + taken);
      if (finished_.fetch_add(taken, std::memory_order_acq_rel) + taken == run.item_count) {
        // Taking the mutex orders this wake after the asking thread's look at the count.
        std::lock_guard<std::mutex> hold(mutex_);
        done_.notify_all();
      }
      ticket = ticket_.load(std::memory_order_acquire);
    }
  }

  void Work(uint64_t seen) {
    std::unique_lock<std::mutex> hold(mutex_);
    for (;;) {
      wake_.wait(hold, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
      const Run run = run_;
      hold.unlock();
      _mm_setcsr(run.mxcsr);
      Claim(run);
      hold.lock();
    }
  }

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  bool stopping_ = false;
  uint64_t generation_ = 0;
  uint32_t run_number_ = 0;
  Run run_;
  std::atomic<uint64_t> ticket_{0};
  std::atomic<uint32_t> finished_{0};
};

// The one pool; started by the program at start-up and by tests, used by the relight.
RelightPool g_relight_pool;

}  // namespace

unsigned OnlineCoreCount() {
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<unsigned>(online) : 1u;
}

bool StartRelightThreads(unsigned thread_count) { return g_relight_pool.Start(thread_count); }

void StopRelightThreads() { g_relight_pool.Stop(); }

unsigned RelightThreadCount() { return g_relight_pool.ThreadCount(); }

void RunOnRelightThreads(uint32_t item_count, uint32_t grain, RelightWork work, void* context) {
  g_relight_pool.RunItems(item_count, grain, work, context);
}
