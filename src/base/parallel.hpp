// Work shared out among the cores the process may use.
#pragma once

#include <cstddef>
#include <functional>

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

}  // namespace pelvano
