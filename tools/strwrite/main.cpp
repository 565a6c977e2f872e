// strwrite: writes text files laid out like the output of the population-structure
// program Structure (one file per replicate run per assumed number of clusters K).
// Pelvano uses these files for its tests, benchmarks and example study.
//
//   strwrite file  --out PATH --ind N --k K --lnp VALUE [--loci L] [--alleles A]
//                  [--seed S] [--pop-column] [--no-labels] [--q ROWSFILE] [--crlf]
//                  [--ind-r] [--intervals] [--usepopinfo]
//   strwrite study --dir DIR [--stem NAME] --kmin A --kmax B --runs R --ind N --pops P
//                  [--admixed FRACTION] [--loci L] [--alleles A] [--seed S] [--pop-column]
//                  [--no-labels] [--ind-r] [--intervals] [--usepopinfo]
//
// The rows of the ancestry table carry a Label column unless --no-labels is given, and a Pop
// column (the given population of the individual; in a study its true population) when
// --pop-column is given; the two flags may be combined. Three more flags lay the table out as
// Structure does with the settings users turn on, and combine with each other and the above:
//   --ind-r       LINKAGE=1 with INDIVIDUALR=1: each individual's r between the colon and the
//                 memberships.
//   --intervals   ANCESTDIST=1: after the memberships, their 90% probability intervals.
//   --usepopinfo  POPDATA=1, POPFLAG=1, USEPOPINFO=1, with the Pop column: individuals used
//                 as prior (see layout_values.hpp) get the probabilities of coming from their
//                 given population and, they or an ancestor, from each other cluster, in place
//                 of their memberships; the run parameters say USEPOPINFO is on.
//
// All random numbers come from a self-contained xoshiro256** generator, and every
// transcendental function used by the draws is computed here with plain arithmetic,
// so the same seed gives byte-identical files with any compiler and C library.
// Numbers are printed through integer arithmetic and snprintf with explicit formats.
// The flags that only change the layout draw no numbers from the streams of the memberships,
// Ln P(D) and the rest, so those values stay the same whichever of them are given; the numbers
// the three layouts add come from generators of their own.

#include <cstdio>
#include <string>

#include "strwrite/args.hpp"
#include "strwrite/modes.hpp"

int main(int argc, char** argv) {
  using namespace pelvano::tools;
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "file") return run_file_mode(argc, argv);
  if (mode == "study") return run_study_mode(argc, argv);
  if (mode == "--help" || mode == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return usage_error(mode.empty() ? "no mode given" : "unknown mode: " + mode);
}
