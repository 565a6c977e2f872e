#include "strwrite/args.hpp"

#include <algorithm>
#include <cstdio>

namespace pelvano::tools {

const char* const kUsage =
    "usage: strwrite file --out PATH --ind N --k K --lnp VALUE [--loci L] [--alleles A] [--seed S]"
    " [--pop-column] [--no-labels] [--q ROWSFILE] [--crlf]\n"
    "       strwrite study --dir DIR [--stem NAME] --kmin A --kmax B --runs R --ind N --pops P"
    " [--admixed FRACTION] [--loci L] [--alleles A] [--seed S] [--pop-column] [--no-labels]\n";

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

int usage_error(const std::string& msg) {
  std::fprintf(stderr, "strwrite: %s\n%s", msg.c_str(), kUsage);
  return 2;
}

bool too_large(long long n, long long k, long long loci, long long alleles) {
  return n * k > 200000000LL || loci * alleles * k > 100000000LL;
}

}  // namespace pelvano::tools
