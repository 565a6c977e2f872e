#include "base/parallel.hpp"

#include <sched.h>

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace pelvano {

unsigned usable_cores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    return static_cast<unsigned>(std::max(1, CPU_COUNT(&set)));
  }
  return std::max(1u, std::thread::hardware_concurrency());
}

void run_on_cores(std::size_t tasks, const std::function<void(bool caller)>& work) {
  const auto workers = std::min<std::size_t>({usable_cores(), tasks, 8});
  std::vector<std::jthread> threads;
  for (std::size_t t = 1; t < workers; ++t) {
    try {
      threads.emplace_back([&work] { work(false); });
    } catch (const std::system_error&) {
      break;
    }
  }
  work(true);
}

}  // namespace pelvano
