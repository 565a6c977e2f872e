// Fuzz target: Structure output files read into the run tables, then the analysis and the
// results file, as a run does them.
//
// Input: a first line of four numbers (starting K 1..8, ending K up to 3 more, individuals
// 1..48, runs per K 1..4; a number outside its range is folded into it), then the files one after
// the other, each ended by a line "%%%%". Files the input does not reach are empty.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analysis.hpp"
#include "control/fatal.hpp"
#include "control/tables.hpp"
#include "control/variables.hpp"
#include "fuzz_support.hpp"
#include "input/structure_reader.hpp"
#include "report/results.hpp"

namespace pelvano::fuzz {
namespace {

// The numbers of the first line, each at most 9 digits; missing ones are 0.
std::vector<std::uint32_t> numbers(std::string_view line, std::size_t count) {
  std::vector<std::uint32_t> out(count, 0);
  std::size_t i = 0;
  std::size_t p = 0;
  while (i < count && p < line.size()) {
    while (p < line.size() && (line[p] < '0' || line[p] > '9')) ++p;
    std::uint32_t v = 0;
    int digits = 0;
    while (p < line.size() && line[p] >= '0' && line[p] <= '9') {
      if (digits++ < 9) v = v * 10 + static_cast<std::uint32_t>(line[p] - '0');
      ++p;
    }
    if (digits > 0) out[i++] = v;
  }
  return out;
}

// v itself when it lies in lo..lo+span-1, otherwise folded into that range.
std::int32_t fold(std::uint32_t v, std::int32_t lo, std::int32_t span) {
  const std::int64_t d = (std::int64_t{v} - lo) % span;
  return static_cast<std::int32_t>(lo + (d < 0 ? d + span : d));
}

}  // namespace
}  // namespace pelvano::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pelvano;
  using namespace pelvano::fuzz;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::size_t lf = rest.find('\n');
  const std::vector<std::uint32_t> n = numbers(rest.substr(0, lf), 4);
  rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);

  const auto kstart = fold(n[0], 1, 8);
  const auto kend = fold(n[1], kstart, 4);
  const auto nind = fold(n[2], 1, 48);
  auto nrun = fold(n[3], 1, 4);
  while (nrun > 1 && (kend - kstart + 1) * nrun > 12) --nrun;

  clear_scratch();
  const std::string folder = scratch();
  Run run;
  run.console = null_stream();
  run.errstream = null_stream();
  run.pauses = false;
  run.fname = folder + "/fuzz.par";
  run.PATHNAME = folder;
  run.FILENAME = "K*";
  run.FILENAME0 = "K";
  run.KSTART = kstart;
  run.KEND = kend;
  run.NIND = nind;
  run.NRUN = nrun;
  run.FILELISTNAME = folder + "/K.list";
  run.ESTFILENAME = folder + "/K.K";
  run.NFILES = std::int64_t{kend - kstart + 1} * nrun;
  std::vector<std::string> expected = {"K.K"};
  for (std::int64_t f = 1; f <= run.NFILES; ++f) {
    const std::string base = "K_" + std::to_string(f) + "_f";
    constexpr std::string_view end_mark = "\n%%%%\n";
    const std::size_t end = rest.find(end_mark);
    const std::string_view text = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + end_mark.size());
    write_bytes(folder + "/" + base, text);
    run.READFILE.push_back(folder + "/" + base);
    expected.push_back(base);
  }

  try {
    create_tables(run);
    read_output_files(run);
  } catch (const FatalError& e) {
    PELVANO_FUZZ_CHECK(!e.message.empty() && e.message.find('\n') == std::string::npos);
    return 0;
  }
  // As many files as runs: every K has all its runs.
  for (std::int32_t k = kstart; k <= kend; ++k) PELVANO_FUZZ_CHECK(run.KRUN(k) == nrun);

  analyse(run);
  PELVANO_FUZZ_CHECK(run.evanno_best == 0 || (run.evanno_best > kstart && run.evanno_best < kend));
  for (std::int32_t k = kstart; k <= kend; ++k) {
    PELVANO_FUZZ_CHECK(run.BESTREP(k) >= 0 && run.BESTREP(k) <= nrun);
  }

  try {
    write_results(run);
  } catch (const FatalError& e) {
    // Only a run whose files were all complete comes this far: the best file is found
    // again, and the results file lies in a folder that can be written.
    std::fprintf(stderr, "%s\n", e.message.c_str());
    PELVANO_FUZZ_CHECK(false);
  }
  PELVANO_FUZZ_CHECK(run.IDX >= kstart && run.IDX <= kend);
  std::sort(expected.begin(), expected.end());
  // The results file and the input files, nothing else: no temporary file is left.
  PELVANO_FUZZ_CHECK(entries(folder) == expected);
  return 0;
}
