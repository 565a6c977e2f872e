// Work shared out among the cores the process may use.
#pragma once

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

// Builds a function once for each of the given instruction sets and once for any x86-64
// processor; the widest the processor has is chosen when the program starts.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(PELVANO_NO_CLONES)
#define PELVANO_CLONES(...) __attribute__((target_clones(__VA_ARGS__, "default")))
#else
#define PELVANO_CLONES(...)
#endif

namespace pelvano {

// The cores this process may run on (fewer than the machine has under taskset or a
// container's limits).
unsigned usable_cores();

// Runs work on one thread per usable core, at most one per task and at most 8, and returns
// when every one has returned. The calling thread is one of them and gets true; threads the
// system refuses to start are done without. work must not throw.
void run_on_cores(std::size_t tasks, const std::function<void(bool caller)>& work);

// No working memory of a thread's own.
struct NoState {};

// Runs task(i, state) for every i from 0 to n - 1 on the usable cores, each thread with a
// State of its own, and then(i), when given, on the calling thread in the order of i as soon
// as tasks 0 to i are done. Whatever the cores, the work reads as if done one i after the
// other: a task that throws stops the work at its i (its failure takes the place of its
// then), a then that throws stops it too, and the first failure in the order of i is thrown
// again once the threads have finished. A task returns false when the tasks after its i are
// not needed, because its then will throw; they are then not begun.
template <class State = NoState, class Task, class Then = std::nullptr_t>
void for_each_in_order(std::size_t n, Task&& task, Then&& then = nullptr) {
  std::vector<std::exception_ptr> failed(n);
  const std::unique_ptr<std::atomic<bool>[]> done(new std::atomic<bool>[n]);
  for (std::size_t i = 0; i < n; ++i) done[i].store(false, std::memory_order_relaxed);
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> last_needed{n};
  const auto stop_after = [&](std::size_t i) {
    std::size_t at = last_needed.load();
    while (i < at && !last_needed.compare_exchange_weak(at, i)) {
    }
  };
  std::size_t shown = 0;
  std::exception_ptr failure;
  const auto advance = [&] {
    while (!failure && shown < n && done[shown].load(std::memory_order_acquire)) {
      const std::size_t i = shown++;
      try {
        if (failed[i]) std::rethrow_exception(failed[i]);
        if constexpr (!std::is_same_v<std::decay_t<Then>, std::nullptr_t>) then(i);
      } catch (...) {
        failure = std::current_exception();
        stop_after(i);
      }
    }
  };
  run_on_cores(n, [&](bool caller) {
    State state;
    for (std::size_t i; (i = next.fetch_add(1)) < n;) {
      if (i > last_needed.load()) continue;
      try {
        if (!task(i, state)) stop_after(i);
      } catch (...) {
        failed[i] = std::current_exception();
        stop_after(i);
      }
      done[i].store(true, std::memory_order_release);
      if (caller) advance();
    }
  });
  advance();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace pelvano
