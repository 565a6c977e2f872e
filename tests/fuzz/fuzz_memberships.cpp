// Fuzz target: a folder of memberships files (ADMIXTURE, fastStructure, NGSadmix) with a .fam
// file, a groups file and a file of the groups' order, read as pelvano-plot reads them, and
// the runs aligned into modes.
//
// Input: chunks separated by lines "%%%%". The first three are the .fam file, the groups
// file and the order file (an empty chunk: not given); each further chunk is one file of
// the folder, its first line its path there (letters, digits, ".", "_" and at most one "/",
// other bytes dropped), the rest its bytes. At most 8 files.
#include <sys/stat.h>

#include <algorithm>

#include "analysis/findings.hpp"
#include "base/fatal.hpp"
#include "fuzz.hpp"
#include "input/run_input.hpp"

namespace {

std::string_view next_chunk(std::string_view& rest) {
  const std::size_t end = rest.find("\n%%%%\n");
  const std::string_view chunk = rest.substr(0, end);
  rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 6);
  return chunk;
}

// A path of at most one folder, of harmless characters, never empty or hidden.
std::string safe_path(std::string_view line) {
  std::string path;
  bool slash = false;
  for (const char c : line.substr(0, 40)) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
        (c == '.' && !path.empty() && path.back() != '/') ||
        (c == '/' && !slash && !path.empty())) {
      slash = slash || c == '/';
      path += c;
    }
  }
  if (path.empty() || path.back() == '/') path += "x";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pelvano;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  fuzz::clear_scratch();
  const std::string top = fuzz::scratch();
  const std::string folder = top + "/runs";
  ::mkdir(folder.c_str(), 0777);
  Run run;
  run.console = run.errstream = fuzz::null_stream();
  run.pauses = false;
  run.options.argument = folder;
  run.options.has_argument = true;
  const std::string_view fam = next_chunk(rest);
  const std::string_view groups = next_chunk(rest);
  const std::string_view order = next_chunk(rest);
  if (!fam.empty()) {
    run.options.fam = top + "/ind.fam";
    fuzz::write_bytes(run.options.fam, fam);
  }
  if (!groups.empty()) {
    run.options.groups = top + "/groups.txt";
    fuzz::write_bytes(run.options.groups, groups);
  }
  if (!order.empty()) {
    run.options.populations = top + "/order.txt";
    fuzz::write_bytes(run.options.populations, order);
  }
  for (int files = 0; files < 8 && !rest.empty(); ++files) {
    std::string_view chunk = next_chunk(rest);
    const std::size_t lf = chunk.find('\n');
    const std::string path = folder + "/" + safe_path(chunk.substr(0, lf));
    chunk.remove_prefix(lf == std::string_view::npos ? chunk.size() : lf + 1);
    const std::size_t slash = path.rfind('/');
    ::mkdir(path.substr(0, slash).c_str(), 0777);
    // A path whose folder is a file, or that is a folder already, is not written.
    struct stat st {};
    if (::stat(path.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
      continue;
    }
    fuzz::write_bytes(path, chunk);
  }
  Study study;
  try {
    study = read_input(run, /*plot=*/true);
  } catch (const FatalError& e) {
    PELVANO_FUZZ_CHECK(!e.message.empty() && e.message.find('\n') == std::string::npos);
    return 0;
  }
  // One complete study: every K of the range, every file of the same individuals, each
  // individual named once, each group numbered.
  PELVANO_FUZZ_CHECK(!study.files.empty());
  PELVANO_FUZZ_CHECK(study.individuals.size() ==
                     static_cast<std::size_t>(study.files.front().individuals));
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) PELVANO_FUZZ_CHECK(study.runs(k) > 0);
  for (const StudyFile& f : study.files) {
    PELVANO_FUZZ_CHECK(f.individuals == study.files.front().individuals);
    PELVANO_FUZZ_CHECK(f.q.size() ==
                       static_cast<std::size_t>(f.k) * static_cast<std::size_t>(f.individuals));
    PELVANO_FUZZ_CHECK(f.q_start.size() == static_cast<std::size_t>(f.individuals) + 1);
    for (const float q : f.q) PELVANO_FUZZ_CHECK(q >= 0.0f && q <= 1.0f);
  }
  for (const Individual& x : study.individuals) {
    if (!x.group.empty()) {
      const std::size_t g = std::stoul(x.group);
      PELVANO_FUZZ_CHECK(g >= 1 && g <= study.numbered_groups.size());
    }
  }
  try {
    const Findings found = find(run, study);
    PELVANO_FUZZ_CHECK(found.summary.ks.size() ==
                       static_cast<std::size_t>(run.KEND - run.KSTART + 1));
  } catch (const FatalError& e) {
    // Memberships of more decimals than can be compared exactly.
    PELVANO_FUZZ_CHECK(e.message.find("more decimals") != std::string::npos);
  }
  return 0;
}
