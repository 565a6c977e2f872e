// strwrite: writes text files laid out like the output of the population-structure
// program Structure (one file per replicate run per assumed number of clusters K), or like
// the memberships files of ADMIXTURE, fastStructure and NGSadmix.
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
//   strwrite qstudy --format admixture|faststructure|ngsadmix --dir DIR [--stem NAME]
//                  --kmin A --kmax B --runs R --ind N --pops P [--groups G]
//                  [--admixed FRACTION] [--seed S] [--crlf] [--fam] [--group-file] [--shuffle]
//
// qstudy writes the memberships files of the clustering programs users run in place of
// Structure, one line per individual, K values printed %.6f summing to exactly 1, no header:
//   admixture      NAME.K.Q, one blank between values, no value below 0.000010;
//   faststructure  NAME.K.meanQ, two blanks between values, no value below 0.000010;
//   ngsadmix       NAME_K<K>_run<R>.qopt, one blank between values and one after the last.
// With more than one run per K, ADMIXTURE's and fastStructure's runs each go in a folder of
// their own (DIR/run01/NAME.K.Q, ...), as users lay out replicate seeds; with one, into DIR.
// The N individuals fall in G equal blocks of groups "Pop A", "Pop B", ... (G defaults to P),
// group g belonging to true population g * P / G + 1 (0-based g), and are listed in that
// order or, with --shuffle, in a random one. --fam writes DIR/NAME.fam (PLINK: family = the
// group with its blank made "_", individual ind<number>, parents 0, sex 1 or 2, phenotype
// -9), --group-file DIR/groups.txt (the group of each individual, one line each); --crlf
// ends the lines of every file written with CR LF.
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
  if (mode == "qstudy") return run_qstudy_mode(argc, argv);
  if (mode == "--help" || mode == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return usage_error(mode.empty() ? "no mode given" : "unknown mode: " + mode);
}
