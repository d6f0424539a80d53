// RunInOrder: results come back in item order, each worker keeps to its own state, the window
// bounds how far the workers run ahead, and failures reach the caller.
#include "cli/ordered_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quillet::cli {
namespace {

// Uneven work, so that later items often finish before earlier ones.
void Stall(std::size_t i) {
  std::this_thread::sleep_for(std::chrono::microseconds((i * 7919) % 300));
}

TEST(RunInOrder, DeliversInItemOrderWithinTheWindow) {
  struct Case {
    std::size_t count;
    unsigned jobs;
    std::size_t window;
  } cases[] = {
      {0, 2, 8},    // nothing to do
      {1, 4, 16},   // fewer items than workers
      {5, 1, 4},    // on the calling thread
      {200, 3, 2},  // a window smaller than the workers is widened to one item each
      {300, 4, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.count << " items, " << c.jobs << " jobs");
    std::atomic<std::size_t> delivered{0};
    std::atomic<std::size_t> furthestAhead{0};
    std::vector<std::size_t> got;
    RunInOrder<std::size_t>(
        c.count, c.jobs, c.window,
        [&] {
          return [&](std::size_t i) {
            const std::size_t ahead = i - delivered.load();
            std::size_t seen = furthestAhead.load();
            while (ahead > seen && !furthestAhead.compare_exchange_weak(seen, ahead)) {
            }
            Stall(i);
            return i * i;
          };
        },
        [&](std::size_t i, std::size_t result) {
          EXPECT_EQ(result, i * i);
          if (i % 16 == 0) Stall(i + 1);  // a slow consumer: the workers must wait for it
          got.push_back(i);
          delivered = i + 1;
        });
    ASSERT_EQ(got.size(), c.count);
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], i);
    // One more than the window: the item being delivered has left its slot already.
    EXPECT_LE(furthestAhead.load(), std::max<std::size_t>(c.window, c.jobs));
  }
}

// Scanner state must be made and used on one thread: the worker's own, or the caller's with
// one job.
TEST(RunInOrder, EachWorkerRunsOnTheThreadThatMadeIt) {
  for (unsigned jobs : {1u, 3u}) {
    std::atomic<int> made{0};
    std::vector<std::thread::id> workThreads;
    RunInOrder<std::thread::id>(
        50, jobs, 6,
        [&] {
          ++made;
          const std::thread::id maker = std::this_thread::get_id();
          return [maker](std::size_t i) {
            Stall(i);
            EXPECT_EQ(std::this_thread::get_id(), maker);
            return maker;
          };
        },
        [&](std::size_t, std::thread::id id) { workThreads.push_back(id); });
    EXPECT_EQ(made.load(), static_cast<int>(jobs));
    if (jobs == 1) {
      for (const auto& id : workThreads) EXPECT_EQ(id, std::this_thread::get_id());
    } else {
      for (const auto& id : workThreads) EXPECT_NE(id, std::this_thread::get_id());
    }
  }
}

TEST(RunInOrder, AWorkersExceptionReachesTheCallerInItsTurn) {
  for (unsigned jobs : {1u, 2u, 4u}) {
    std::vector<std::size_t> got;
    EXPECT_THROW(RunInOrder<int>(
                     100, jobs, 8,
                     [] {
                       return [](std::size_t i) {
                         Stall(i);
                         if (i == 7) throw std::runtime_error("bad file");
                         return 0;
                       };
                     },
                     [&](std::size_t i, int) { got.push_back(i); }),
                 std::runtime_error);
    EXPECT_EQ(got.size(), 7u) << jobs << " jobs";
  }
}

// When the caller stops taking results, the workers stop too instead of waiting forever.
TEST(RunInOrder, StopsTheWorkersWhenDeliveryThrows) {
  std::atomic<std::size_t> done{0};
  EXPECT_THROW(RunInOrder<int>(
                   100000, 2, 4,
                   [&] {
                     return [&](std::size_t) {
                       ++done;
                       return 0;
                     };
                   },
                   [](std::size_t i, int) {
                     if (i == 3) throw std::runtime_error("stdout closed");
                   }),
               std::runtime_error);
  EXPECT_LE(done.load(), 3u + 4u + 2u);
}

}  // namespace
}  // namespace quillet::cli
