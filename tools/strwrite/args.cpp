#include "strwrite/args.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "strwrite/model.hpp"

namespace pelvano::tools {

const char* const kUsage =
    "usage: strwrite file --out PATH --ind N --k K --lnp VALUE [--loci L] [--alleles A] [--seed S]"
    " [--pop-column] [--no-labels] [--q ROWSFILE] [--crlf] [--ind-r] [--intervals]"
    " [--usepopinfo]\n"
    "       strwrite study --dir DIR [--stem NAME] --kmin A --kmax B --runs R --ind N --pops P"
    " [--admixed FRACTION] [--loci L] [--alleles A] [--seed S] [--pop-column] [--no-labels]"
    " [--ind-r] [--intervals] [--usepopinfo]\n"
    "       strwrite qstudy --format admixture|faststructure|ngsadmix --dir DIR [--stem NAME]"
    " --kmin A --kmax B --runs R --ind N --pops P [--groups G] [--admixed FRACTION] [--seed S]"
    " [--crlf] [--fam] [--group-file] [--shuffle]\n"
    "layouts of the ancestry table, as Structure writes it with these settings:\n"
    "  --ind-r       LINKAGE=1, INDIVIDUALR=1: each individual's r before its memberships\n"
    "  --intervals   ANCESTDIST=1: the 90% probability interval of every membership\n"
    "  --usepopinfo  POPDATA=1, POPFLAG=1, USEPOPINFO=1 (implies --pop-column): individuals\n"
    "                not numbered by a multiple of 5, whose Pop is at most K, are used as\n"
    "                prior and get the probabilities of their given and other populations\n"
    "                instead of memberships\n"
    "qstudy writes memberships files, K values %.6f per individual summing to 1:\n"
    "  admixture      DIR/run01/NAME.K.Q ... (DIR/NAME.K.Q with one run per K), one blank\n"
    "                 between values, none below 0.000010\n"
    "  faststructure  DIR/run01/NAME.K.meanQ ... likewise, two blanks between values\n"
    "  ngsadmix       DIR/NAME_K<K>_run<R>.qopt, one blank between values and one at the end\n"
    "  --groups G     the individuals fall in G equal blocks of groups \"Pop A\", \"Pop B\", ...\n"
    "                 (default P), each part of one of the P true populations\n"
    "  --fam          also DIR/NAME.fam: family = group (blank made _), ind<number>, 0, 0,\n"
    "                 sex 1 or 2, -9\n"
    "  --group-file   also DIR/groups.txt: the group of each individual, one line each\n"
    "  --shuffle      the individuals in a random order rather than group by group\n"
    "  --crlf         CR LF line ends in every file\n";

Args parse_args(int argc, char** argv, const std::vector<std::string>& with_value,
                const std::vector<std::string>& flag_names) {
  Args a;
  for (int i = 2; i < argc && a.error.empty(); ++i) {
    std::string name = argv[i], value;
    const auto eq = name.find('=');
    const bool inline_value = name.rfind("--", 0) == 0 && eq != std::string::npos;
    if (inline_value) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    if (std::find(flag_names.begin(), flag_names.end(), name) != flag_names.end() &&
        !inline_value) {
      a.flags.push_back(name);
    } else if (std::find(with_value.begin(), with_value.end(), name) != with_value.end()) {
      if (!inline_value) {
        if (i + 1 >= argc) {
          a.error = "missing value for " + name;
          break;
        }
        value = argv[++i];
      }
      for (const auto& [n, v] : a.values)
        if (n == name) a.error = "option given twice: " + name;
      a.values.emplace_back(name, value);
    } else {
      a.error = "unknown argument: " + std::string(argv[i]);
    }
  }
  return a;
}

const std::string* find_value(const Args& a, const std::string& name) {
  for (const auto& [n, v] : a.values)
    if (n == name) return &v;
  return nullptr;
}

bool has_flag(const Args& a, const std::string& name) {
  return std::find(a.flags.begin(), a.flags.end(), name) != a.flags.end();
}

bool fraction_option(const Args& a, const std::string& name, double& out, std::string& err) {
  const std::string* v = find_value(a, name);
  if (!v) return true;
  char* end = nullptr;
  const double x = std::strtod(v->c_str(), &end);
  if (v->empty() || *end != '\0' || !(x >= 0.0 && x <= 1.0)) {
    err = "bad value for " + name + ": " + *v;
    return false;
  }
  out = x;
  return true;
}

int usage_error(const std::string& msg) {
  std::fprintf(stderr, "strwrite: %s\n%s", msg.c_str(), kUsage);
  return 2;
}

void set_layout_flags(const Args& a, DataSet& d) {
  d.ind_r = has_flag(a, "--ind-r");
  d.intervals = has_flag(a, "--intervals");
  d.use_pop_info = has_flag(a, "--usepopinfo");
}

bool too_large(long long n, long long k, long long loci, long long alleles) {
  return n * k > 200000000LL || loci * alleles * k > 100000000LL;
}

}  // namespace pelvano::tools
