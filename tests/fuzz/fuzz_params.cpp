// Fuzz target: the parameter file, read and checked as a run does, then the run tables
// when they are small enough to create here.
//
// The folder named in the file is probed by creating and removing a file in it; the smoke
// run starts this target in a scratch folder of the build, so that relative folders land
// there, and no probe may be left in it.
#include <string>

#include "control/fatal.hpp"
#include "control/params.hpp"
#include "control/tables.hpp"
#include "fuzz_support.hpp"

namespace {

bool probe_left_here() {
  for (const std::string& name : pelvano::fuzz::entries(".")) {
    if (name.rfind("deleteme", 0) == 0) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pelvano;
  using namespace pelvano::fuzz;
  const std::string name = scratch() + "/pelvano.par";
  write_bytes(name, std::string_view(reinterpret_cast<const char*>(data), size));

  Run run;
  run.console = null_stream();
  run.errstream = null_stream();
  run.pauses = false;
  run.fname = name;
  try {
    read_parameters(run);
  } catch (const FatalError& e) {
    PELVANO_FUZZ_CHECK(!e.message.empty() && e.message.find('\n') == std::string::npos);
    PELVANO_FUZZ_CHECK(!probe_left_here());
    return 0;
  }
  // What a run goes on with.
  PELVANO_FUZZ_CHECK(run.PATHNAME.size() <= 199 && run.FILENAME.size() <= 199);
  PELVANO_FUZZ_CHECK(!run.FILENAME.empty() && run.FILENAME.back() == '*');
  PELVANO_FUZZ_CHECK(run.FILENAME0 + "*" == run.FILENAME);
  PELVANO_FUZZ_CHECK(run.PATHNAME.find('\0') == std::string::npos);
  PELVANO_FUZZ_CHECK(run.KSTART >= 1 && run.KEND >= run.KSTART && run.NIND >= 1 && run.NRUN >= 1);
  // The probe of the folder is gone.
  PELVANO_FUZZ_CHECK(!probe_left_here());

  if (table_bytes(run.KSTART, run.KEND, run.NIND, run.NRUN) <= (std::uint64_t{16} << 20)) {
    try {
      create_tables(run);
    } catch (const FatalError&) {
      PELVANO_FUZZ_CHECK(false);  // small tables always fit
    }
    PELVANO_FUZZ_CHECK(run.Q.size() == static_cast<std::size_t>(run.KEND - run.KSTART + 1));
    for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
      const QEntry& q = run.q(k);
      PELVANO_FUZZ_CHECK(q.k == k);
      PELVANO_FUZZ_CHECK(q.v.size() ==
                         static_cast<std::size_t>(std::int64_t{k} * run.NIND * run.NRUN));
    }
  }
  return 0;
}
