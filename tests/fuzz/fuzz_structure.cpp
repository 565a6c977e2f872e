// Fuzz target: Structure output files of a study given by a parameter file, read into the
// study and the run tables, then the analysis and the results file, as pelvano does them.
//
// Input: a first line of four numbers (starting K 1..8, ending K up to 3 more,
// individuals 1..48, runs per K 1..4; other numbers are folded into these ranges), then the
// files one after the other, each ended by a line "%%%%". Files the input does not reach
// are empty.
#include <algorithm>

#include "analysis/analysis.hpp"
#include "analysis/summary.hpp"
#include "base/fatal.hpp"
#include "fuzz.hpp"
#include "input/study_reader.hpp"
#include "report/results.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pelvano;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::int64_t n[4] = {};
  for (std::int64_t& v : n) {
    while (!rest.empty() && rest[0] != '\n' && (rest[0] < '0' || rest[0] > '9'))
      rest.remove_prefix(1);
    for (int digits = 0; !rest.empty() && rest[0] >= '0' && rest[0] <= '9'; rest.remove_prefix(1)) {
      if (digits++ < 9) v = v * 10 + (rest[0] - '0');
    }
  }
  const std::size_t lf = rest.find('\n');
  rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
  const auto fold = [](std::int64_t v, std::int64_t lo, std::int64_t span) {
    return static_cast<std::int32_t>(lo + ((v - lo) % span + span) % span);
  };
  fuzz::clear_scratch();
  const std::string folder = fuzz::scratch();
  Run run;
  run.console = run.errstream = fuzz::null_stream();
  run.pauses = false;
  run.fname = folder + "/fuzz.par";
  run.PATHNAME = folder;
  run.FILENAME = "K*";
  run.FILENAME0 = "K";
  run.KSTART = fold(n[0], 1, 8);
  run.KEND = fold(n[1], run.KSTART, 4);
  run.NIND = fold(n[2], 1, 48);
  run.NRUN = fold(n[3], 1, 4);
  while (run.NRUN > 1 && (run.KEND - run.KSTART + 1) * run.NRUN > 12) --run.NRUN;
  run.FILELISTNAME = folder + "/K.list";
  run.ESTFILENAME = folder + "/K.K";
  run.NFILES = std::int64_t{run.KEND - run.KSTART + 1} * run.NRUN;
  std::vector<std::string> expected = {"K.K"};
  for (std::int64_t f = 1; f <= run.NFILES; ++f) {
    expected.push_back("K_" + std::to_string(f) + "_f");
    const std::size_t end = rest.find("\n%%%%\n");
    fuzz::write_bytes(folder + "/" + expected.back(), rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 6);
    run.READFILE.push_back(folder + "/" + expected.back());
  }
  Study study;
  try {
    create_tables(run);
    study = read_study(run, run.READFILE, parameter_checks(run), false);
  } catch (const FatalError& e) {
    PELVANO_FUZZ_CHECK(!e.message.empty() && e.message.find('\n') == std::string::npos);
    return 0;
  }
  fill_tables(run, study);
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) PELVANO_FUZZ_CHECK(run.KRUN(k) == run.NRUN);
  for (const StudyFile& f : study.files) {
    for (const float q : f.q) PELVANO_FUZZ_CHECK(q >= 0.0f && q <= 1.0f);
  }
  run.score_replicates = study.has_memberships();
  analyse(run);
  choose(run);
  PELVANO_FUZZ_CHECK(run.evanno_best == 0 ||
                     (run.evanno_best > run.KSTART && run.evanno_best < run.KEND));
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    PELVANO_FUZZ_CHECK(run.BESTREP(k) >= 0 && run.BESTREP(k) <= run.NRUN);
  }
  // The folder can be written: the report cannot fail. It leaves the results file and
  // nothing else.
  PELVANO_FUZZ_CHECK(run.IDX >= run.KSTART && run.IDX <= run.KEND);
  write_results(run, summarise(run, study));
  std::sort(expected.begin(), expected.end());
  PELVANO_FUZZ_CHECK(fuzz::entries(folder) == expected);
  return 0;
}
