// Runs numbered pieces of work on worker threads and hands the results back in number order.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace quillet::cli {

// Computes work(i) for each i in [0, count) on `jobs` threads and calls deliver(i, result) on
// the calling thread in order of i. makeWorker() runs once on each worker thread and returns
// that thread's work function, so state such as a scanner and its services is made and used
// on one thread only. A worker does not start item i until item i - window has been delivered,
// which bounds how many finished results wait for their turn. With jobs <= 1 everything runs
// on the calling thread. An exception thrown by a worker is rethrown here when its item is due.
template <typename Result, typename MakeWorker, typename Deliver>
void RunInOrder(std::size_t count, unsigned jobs, std::size_t window, MakeWorker makeWorker,
                Deliver deliver) {
  if (jobs <= 1 || count <= 1) {
    auto work = makeWorker();
    for (std::size_t i = 0; i < count; ++i) deliver(i, work(i));
    return;
  }
  window = std::max<std::size_t>(window, jobs);

  struct Slot {
    std::optional<Result> result;
    std::exception_ptr error;
  };
  std::vector<Slot> slots(window);  // item i waits in slots[i % window]
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next = 0;       // the next item a worker takes
  std::size_t delivered = 0;  // items below it are delivered
  bool stop = false;

  auto workerLoop = [&] {
    std::optional<decltype(makeWorker())> work;
    std::exception_ptr setupError;
    try {
      work.emplace(makeWorker());
    } catch (...) {
      setupError = std::current_exception();
    }
    for (;;) {
      std::size_t i = 0;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stop || next >= count || next < delivered + window; });
        if (stop || next >= count) return;
        i = next++;
      }
      Slot done;
      if (setupError) {
        done.error = setupError;
      } else {
        try {
          done.result.emplace((*work)(i));
        } catch (...) {
          done.error = std::current_exception();
        }
      }
      {
        std::lock_guard lock(mutex);
        slots[i % window] = std::move(done);
      }
      changed.notify_all();
    }
  };

  // Joins the workers however this function is left.
  struct Workers {
    std::vector<std::thread> threads;
    std::mutex& mutex;
    std::condition_variable& changed;
    bool& stop;
    ~Workers() {
      {
        std::lock_guard lock(mutex);
        stop = true;
      }
      changed.notify_all();
      for (std::thread& t : threads) t.join();
    }
  } workers{{}, mutex, changed, stop};
  const unsigned threads = static_cast<unsigned>(std::min<std::size_t>(jobs, count));
  for (unsigned t = 0; t < threads; ++t) workers.threads.emplace_back(workerLoop);

  for (std::size_t i = 0; i < count; ++i) {
    Slot due;
    {
      std::unique_lock lock(mutex);
      Slot& slot = slots[i % window];
      changed.wait(lock, [&] { return slot.result || slot.error; });
      due = std::move(slot);
      slot = Slot();
      delivered = i + 1;
    }
    changed.notify_all();
    if (due.error) std::rethrow_exception(due.error);
    deliver(i, std::move(*due.result));
  }
}

}  // namespace quillet::cli
