// Fuzz target: the parameter file, read and checked as a run does, then the run tables
// when they are small enough. The folder it names is probed by creating and removing a
// file in it: the smoke run starts this target in a scratch folder of the build, where
// relative folders land, and no probe may be left there.
#include "base/fatal.hpp"
#include "fuzz.hpp"
#include "input/parameter_file.hpp"

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
  Run run;
  run.console = run.errstream = fuzz::null_stream();
  run.pauses = false;
  run.fname = fuzz::scratch() + "/pelvano.par";
  fuzz::write_bytes(run.fname, std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    read_parameters(run);
  } catch (const FatalError& e) {
    PELVANO_FUZZ_CHECK(!e.message.empty() && e.message.find('\n') == std::string::npos);
    PELVANO_FUZZ_CHECK(!probe_left_here());
    return 0;
  }
  // What a run goes on with.
  PELVANO_FUZZ_CHECK(!probe_left_here());
  PELVANO_FUZZ_CHECK(run.PATHNAME.size() <= 199 && run.PATHNAME.find('\0') == std::string::npos);
  PELVANO_FUZZ_CHECK(run.FILENAME.size() <= 199 && run.FILENAME0 + "*" == run.FILENAME);
  PELVANO_FUZZ_CHECK(run.KSTART >= 1 && run.KEND >= run.KSTART && run.NIND >= 1 && run.NRUN >= 1);
  if (table_bytes(run.KSTART, run.KEND, run.NIND, run.NRUN) <= (std::uint64_t{16} << 20)) {
    create_tables(run);  // small tables always fit: a failure aborts
    for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
      PELVANO_FUZZ_CHECK(run.q(k).runs.size() == static_cast<std::size_t>(run.NRUN) &&
                         run.q(k).k == k && run.q(k).nind == run.NIND);
    }
  }
  return 0;
}
