#include "base/options.hpp"

#include <getopt.h>

#include <algorithm>
#include <iterator>
#include <string_view>
#include <vector>

#include "base/fatal.hpp"
#include "report/outputs.hpp"
#include "report/render.hpp"

namespace pelvano {

namespace {

enum : int {
  opt_name = 256,
  opt_no_pause,
  opt_keep_order,
  opt_populations,
  opt_clumpp,
  opt_threshold,
  opt_mode_threshold,
  opt_best_runs,
  opt_format,
  opt_out,
  opt_title,
  opt_aligned_runs,
  opt_fam,
  opt_groups
};

[[noreturn]] void usage_error(const std::string& program, const std::string& what) {
  throw FatalError{program + ": " + what + " (see " + program + " --help)", FatalKind::usage};
}

// --format LIST: svg, pdf and png, comma-separated, each at most once. The SVG documents are
// written whatever the list says: the page shows them.
// The items of a comma-separated list, empty ones included ("" gives one empty item).
std::vector<std::string_view> comma_list(std::string_view list) {
  std::vector<std::string_view> items;
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    items.push_back(list.substr(start, comma - start));
    start = comma + 1;
  }
  return items;
}

void read_formats(const std::string& program, std::string_view list, Options& o) {
  const std::string given = "--format " + std::string(list);
  if (list.empty()) usage_error(program, given + ": no format given; list svg, pdf or png");
  o.pdf = o.png = false;
  bool svg = false;
  for (const std::string_view format : comma_list(list)) {
    bool* seen = format == "svg"   ? &svg
                 : format == "pdf" ? &o.pdf
                 : format == "png" ? &o.png
                                   : nullptr;
    if (seen == nullptr) {
      usage_error(program, given + ": each format must be svg, pdf or png, comma-separated");
    }
    if (*seen) usage_error(program, given + ": " + std::string(format) + " is given twice");
    *seen = true;
  }
  if ((o.pdf || o.png) && !can_render)
    usage_error(program, given + ": " + std::string(render_missing));
}

}  // namespace

Options parse_options(int argc, const char* const* argv, const std::string& program) {
  static const option longs[] = {{"help", no_argument, nullptr, 'h'},
                                 {"version", no_argument, nullptr, 'V'},
                                 {"name", required_argument, nullptr, opt_name},
                                 {"no-pause", no_argument, nullptr, opt_no_pause},
                                 // pelvano-plot only, from here on
                                 {"keep-order", no_argument, nullptr, opt_keep_order},
                                 {"populations", required_argument, nullptr, opt_populations},
                                 {"clumpp", no_argument, nullptr, opt_clumpp},
                                 {"threshold", required_argument, nullptr, opt_threshold},
                                 {"mode-threshold", required_argument, nullptr, opt_mode_threshold},
                                 {"best-runs", no_argument, nullptr, opt_best_runs},
                                 {"format", required_argument, nullptr, opt_format},
                                 {"out", required_argument, nullptr, opt_out},
                                 {"title", required_argument, nullptr, opt_title},
                                 {"aligned-runs", no_argument, nullptr, opt_aligned_runs},
                                 {"fam", required_argument, nullptr, opt_fam},
                                 {"groups", required_argument, nullptr, opt_groups},
                                 {nullptr, 0, nullptr, 0}};
  static const option pelvano_longs[] = {longs[0], longs[1], longs[2], longs[3],
                                         longs[std::size(longs) - 1]};
  Options o;
  char* const* args = const_cast<char* const*>(argv);
  opterr = 0;
  optind = 0;  // a fresh scan
  const option* table = program == "pelvano-plot" ? longs : pelvano_longs;
  for (int c; (c = getopt_long(argc, args, ":hV", table, nullptr)) != -1;) {
    const std::string given = optind > 0 && optind <= argc ? argv[optind - 1] : "";
    switch (c) {
      case 'h':
        o.help = true;
        break;
      case 'V':
        o.version = true;
        break;
      case opt_name:
        o.name = optarg;
        o.has_name = true;
        break;
      case opt_no_pause:
        o.pauses = false;
        break;
      case opt_keep_order:
        o.keep_order = true;
        break;
      case opt_populations:
        o.populations = optarg;
        break;
      case opt_clumpp:
        o.clumpp = true;
        break;
      case opt_threshold: {
        o.thresholds.clear();
        const std::string_view list = optarg;
        for (const std::string_view item : comma_list(list)) {
          Threshold t;
          if (!read_threshold(item, t)) {
            usage_error(program, "--threshold " + std::string(list) +
                                     ": each threshold must be a decimal between 0 and 1 of at "
                                     "most 9 decimals, such as 0.5");
          }
          if (std::none_of(o.thresholds.begin(), o.thresholds.end(),
                           [&](const Threshold& x) { return x.text == t.text; })) {
            o.thresholds.push_back(t);
          }
        }
        break;
      }
      case opt_mode_threshold:
        if (!read_threshold(optarg, o.mode_threshold)) {
          usage_error(program, "--mode-threshold " + std::string(optarg) +
                                   ": the threshold must be a decimal between 0 and 1 of at most "
                                   "9 decimals, such as 0.9");
        }
        break;
      case opt_best_runs:
        o.best_runs = true;
        break;
      case opt_format:
        read_formats(program, optarg, o);
        break;
      case opt_out:
        o.out = optarg;
        o.has_out = true;
        break;
      case opt_aligned_runs:
        o.aligned_runs = true;
        break;
      case opt_fam:
        o.fam = optarg;
        if (o.fam.empty()) usage_error(program, "--fam needs the name of a .fam file");
        break;
      case opt_groups:
        o.groups = optarg;
        if (o.groups.empty()) usage_error(program, "--groups needs the name of a file");
        break;
      case opt_title:
        o.title = optarg;
        if (o.title.empty()) usage_error(program, "--title needs a text, not an empty one");
        break;
      case ':':
        usage_error(program, "option " + given + " needs a value");
      default: {
        std::string what = "unknown option ";
        if (optopt != 0) {
          what += '-';
          what += static_cast<char>(optopt);
        } else {
          what += given.substr(0, given.find('='));
        }
        usage_error(program, what);
      }
    }
  }
  if (optind < argc) {
    o.argument = argv[optind];
    o.has_argument = true;
  }
  // One study per run: several operands (say from results/*/) would leave all but the first
  // unread without a word.
  if (argc - optind > 1 && !o.help && !o.version) {
    std::string listed;
    for (int i = optind; i < argc; ++i) listed += (i == optind ? "" : ", ") + std::string(argv[i]);
    throw FatalError{program + " takes one folder or parameter file, not " +
                         std::to_string(argc - optind) + " (" + listed + ")",
                     FatalKind::usage};
  }
  return o;
}

std::string usage_text(const std::string& program) {
  const bool plot = program == "pelvano-plot";
  const std::string what =
      plot ? "Turns the analysis of a study of Structure runs (the same as Pelvano's) into files\n"
             "beside Pelvano's results file, named like it (K.tsv beside K.K):\n" +
                 outputs_help()
           : "Chooses the best number of clusters K from the output files of Structure, by\n"
             "Evanno's DeltaK, the largest mean Ln P(D|K) and the Parsimony score.\n";
  const std::string plot_options =
      plot ? "  --clumpp        also write the input files of CLUMPP\n"
             "  --keep-order    in the bar plot, the individuals of each population in the\n"
             "                  files' order (not sorted by cluster and membership)\n"
             "  --populations FILE\n"
             "                  the names and the order of the populations in the bar plot:\n"
             "                  one per line, its Pop value and then its name (for\n"
             "                  memberships files: the group's name, or it, a tab and the\n"
             "                  name to show)\n"
             "  --fam FILE      for memberships files: the individuals' labels from a PLINK\n"
             "                  .fam file, and its family words as groups when shared (the\n"
             "                  one .fam file of FOLDER is used without this option)\n"
             "  --groups FILE   for memberships files: each individual's group, one name a\n"
             "                  line in the files' order\n"
             "  --threshold LIST\n"
             "                  the thresholds of Puechmaille's estimators, comma-separated,\n"
             "                  each a decimal between 0 and 1 (default 0.5)\n"
             "  --mode-threshold T\n"
             "                  the similarity (G') from which two runs of a K are linked into\n"
             "                  one mode, a decimal between 0 and 1 (default 0.9)\n"
             "  --best-runs     the bar plot shows one run of each K, the Parsimony method's\n"
             "                  best, instead of the modes\n"
             "  --format LIST   svg, pdf and png, comma-separated: the figure and the bar plot\n"
             "                  also as PDF (vectors) and PNG (300 dpi); SVG always\n"
             "  --out DIR       write the files into the folder DIR (made when missing; its\n"
             "                  parent must exist) instead of beside the input\n"
             "  --title TEXT    the title of the figure, the bar plot and the page\n"
             "  --aligned-runs  also write every run's memberships aligned to the colours'\n"
             "                  order, K<k>.aligned.tsv in the folder .modes\n"
           : "";
  const std::string memberships =
      plot ? "pelvano-plot also reads the runs of ADMIXTURE (NAME.K.Q), fastStructure\n"
             "(NAME.K.meanQ) and NGSadmix (NAME.qopt): the memberships files in FOLDER and its\n"
             "subfolders, when FOLDER holds no Structure output files, and the numbers of\n"
             "their logs beside them (ADMIXTURE's saved output, NAME.log, NAME.K.log).\n"
           : "";
  const std::string name_option =
      plot ? "  --name PATTERN  in FOLDER, only the files PATTERN_f (PATTERN ends with *, as\n"
             "                  K* for K1_run1_f, ...), or the memberships files whose names\n"
             "                  match PATTERN ('wolves.*.Q'); needed when the folder holds\n"
             "                  several studies, such as admix_* and noadmix_*\n"
           : "  --name PATTERN  in FOLDER, only the files PATTERN_f (PATTERN ends with *, as\n"
             "                  K* for K1_run1_f, ...); needed when the folder holds several\n"
             "                  studies of the same individuals, such as admix_* and noadmix_*\n";
  return "Usage: " + program + " [options] FOLDER\n" + "       " + program +
         " [options] [PARAMETER-FILE]\n\n" + what +
         "\n"
         "FOLDER holds the Structure output files (names ending in \"_f\"); the number of\n"
         "individuals, the range of K and the runs per K are read from the files. A\n"
         "parameter file (default pelvano.par) gives them instead, as six lines: the\n"
         "folder, the generic name ending with *, the starting K, the ending K, the number\n"
         "of individuals and the number of runs per K.\n" +
         memberships +
         "\n"
         "Options:\n" +
         name_option +
         "  --no-pause      no pause after the banner or before the end of a failed run\n" +
         plot_options +
         "  -h, --help      this text\n"
         "  -V, --version   the version\n"
         "  --              ends the options (for a parameter file whose name starts with -)\n"
         "\n"
         "Exit status: 0 when the run is complete, 1 when it failed (the message is also in\n"
         "the error file, but for a path that does not exist or an --out folder that cannot\n"
         "be written with pelvano-plot), 2 for a command line that cannot be used (an\n"
         "unknown option, more than one FOLDER or PARAMETER-FILE, a Structure output file\n"
         "given instead of its folder).\n"
         "See man " +
         program + " and the README.\n";
}

}  // namespace pelvano
