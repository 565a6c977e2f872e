#include "base/tables.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>
#include <new>

#include "base/fatal.hpp"
#include "base/variables.hpp"

namespace pelvano {

namespace {

constexpr std::uint64_t saturated = std::numeric_limits<std::uint64_t>::max();

std::uint64_t mul(std::uint64_t a, std::uint64_t b) {
  std::uint64_t r = 0;
  return __builtin_mul_overflow(a, b, &r) ? saturated : r;
}

std::uint64_t add(std::uint64_t a, std::uint64_t b) {
  std::uint64_t r = 0;
  return __builtin_add_overflow(a, b, &r) ? saturated : r;
}

std::uint64_t count(std::int64_t first, std::int64_t last) {
  return last >= first ? static_cast<std::uint64_t>(last - first + 1) : 0;
}

// Memory the run tables may take: three quarters of what the system can give right now
// (MemAvailable; the physical memory when that is not known), leaving room for the rest of
// the run, and within the limits of the process (ulimit -v, -d).
std::uint64_t usable_memory() {
  std::uint64_t have = saturated;
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page = ::sysconf(_SC_PAGE_SIZE);
  if (pages > 0 && page > 0) {
    have = mul(static_cast<std::uint64_t>(pages), static_cast<std::uint64_t>(page));
  }
  if (std::FILE* f = std::fopen("/proc/meminfo", "re")) {
    char line[256];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof line, f) != nullptr) {
      if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
        have = std::min(have, mul(kib, 1024));
        break;
      }
    }
    std::fclose(f);
  }
  have = have / 4 * 3;
  for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
      have = std::min<std::uint64_t>(have, limit.rlim_cur);
    }
  }
  return have;
}

}  // namespace

std::uint64_t table_bytes(std::int32_t kstart, std::int32_t kend, std::int32_t nind,
                          std::int32_t nrun) {
  const std::uint64_t nk = count(kstart, kend);
  const std::uint64_t ni = count(1, nind);
  const std::uint64_t nr = count(1, nrun);
  const std::uint64_t upto = count(1, kend);
  // Sum of the K values of the range; every K is at least 1 once the parameters are checked.
  std::uint64_t ksum = 0;
  if (nk > 0) {
    const std::uint64_t first = kstart > 0 ? static_cast<std::uint64_t>(kstart) : 0;
    const std::uint64_t last = kend > 0 ? static_cast<std::uint64_t>(kend) : 0;
    ksum = (nk % 2 == 0) ? mul(nk / 2, first + last) : mul(nk, (first + last) / 2);
  }
  std::uint64_t bytes = 0;
  bytes = add(bytes, mul(mul(ni, nr), sizeof(std::int32_t) + sizeof(double)));  // CLUSTER, QM
  bytes = add(bytes, mul(upto, 2 * sizeof(std::int32_t)));  // CLUSTERSIZE, BESTREP
  bytes = add(bytes, mul(nk, (2 + 1 + 1 + 6 + 1) * sizeof(double) + sizeof(std::int32_t)));
  bytes = add(bytes, mul(mul(nr, nk), sizeof(double)));  // LOGLK
  bytes = add(bytes, mul(nk, sizeof(QEntry)));
  bytes = add(bytes, mul(mul(mul(ksum, ni), nr), sizeof(float)));  // Q
  return bytes;
}

void create_tables(Run& run) {
  const std::int64_t ks = run.KSTART;
  const std::int64_t ke = run.KEND;
  const std::uint64_t need = table_bytes(run.KSTART, run.KEND, run.NIND, run.NRUN);
  const std::uint64_t have = usable_memory();
  if (need > have) {
    const std::uint64_t mib = std::uint64_t{1} << 20;
    const std::string needed =
        need == saturated
            ? std::string("more than ") + itoc(std::numeric_limits<std::int64_t>::max() >> 20)
            : itoc(static_cast<std::int64_t>((need + mib - 1) / mib));
    stoponerror("Not enough memory: the run tables for K from " + itoc(run.KSTART) + " to " +
                itoc(run.KEND) + ", " + itoc(run.NIND) + " individuals and " + itoc(run.NRUN) +
                " runs per K value need " + needed + " MiB, and this computer can give them " +
                itoc(static_cast<std::int64_t>(have / mib)) + " MiB!");
  }
  try {
    run.CLUSTER.create(1, run.NIND, 1, run.NRUN);
    run.CLUSTERSIZE.create(1, ke);
    run.BESTREP.create(1, ke);
    run.X.create(ks, ke, 1, 2);
    run.L1.create(ks + 1, ke);
    run.LOGLK.create(1, run.NRUN, ks, ke);
    run.DELTAK.create(ks + 1, ke - 1);
    run.Q2.create(0, 5, ks, ke);
    run.BESTSCORE.create(ks, ke);
    run.QM.create(1, run.NIND, 1, run.NRUN);
    run.KRUN.create(ks, ke);
    run.Q.clear();
    if (ke >= ks) run.Q.resize(static_cast<std::size_t>(ke - ks + 1));
    for (std::int64_t k = ks; k <= ke; ++k) {
      QEntry& e = run.Q[static_cast<std::size_t>(k - ks)];
      e.k = static_cast<std::int32_t>(k);
      e.nind = run.NIND > 0 ? run.NIND : 0;
      e.nrun = run.NRUN > 0 ? run.NRUN : 0;
      e.runs.assign(static_cast<std::size_t>(e.nrun), nullptr);
    }
  } catch (const std::bad_alloc&) {
    stoponerror("Out of memory while creating the run tables!");
  }
}

void check_numbers(const Run& run) {
  // The numbers must describe at least one run of at least one individual at K >= 1.
  if (run.KSTART < 1) {
    stoponerror("The starting K value, " + itoc(run.KSTART) + ", is less than 1!");
  }
  if (run.KEND < run.KSTART) {
    stoponerror("The ending K value, " + itoc(run.KEND) + ", is less than the starting K value, " +
                itoc(run.KSTART) + "!");
  }
  if (run.NIND < 1) {
    stoponerror("The number of sampled individuals, " + itoc(run.NIND) + ", is less than 1!");
  }
  if (run.NRUN < 1) {
    stoponerror("The number of replicate runs, " + itoc(run.NRUN) + ", is less than 1!");
  }
}

namespace {

bool uneven_runs(const Run& run) {
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    if (run.KRUN(k) != run.NRUN) return true;
  }
  return false;
}

}  // namespace

std::string runs_per_k(const Run& run) {
  if (!uneven_runs(run)) return itoc(run.NRUN);
  std::map<std::int32_t, std::int32_t> times;  // how many K have each number of runs
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) ++times[run.KRUN(k)];
  std::int32_t common = 0;
  std::int32_t most = 0;
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    if (times[run.KRUN(k)] > most) {
      most = times[run.KRUN(k)];
      common = run.KRUN(k);
    }
  }
  std::string text = itoc(common);
  const char* separator = ", except ";
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    if (run.KRUN(k) == common) continue;
    text += separator + ("K = " + itoc(k)) + ": " + itoc(run.KRUN(k));
    separator = ", ";
  }
  return text;
}

}  // namespace pelvano
