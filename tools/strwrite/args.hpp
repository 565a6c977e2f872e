// Command-line helpers for strwrite: the usage text, options with values and flags, and the
// checks both modes share.
#pragma once

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace pelvano::tools {

// The usage text printed by --help and after every command-line error.
extern const char* const kUsage;

// The arguments after the mode: options given with a value ("--name VALUE" or "--name=VALUE")
// and flags, in the order given; `error` is set for the first argument that cannot be used.
struct Args {
  std::vector<std::pair<std::string, std::string>> values;
  std::vector<std::string> flags;
  std::string error;
};

// Reads argv[2..] knowing which names take a value and which are flags.
Args parse_args(int argc, char** argv, const std::vector<std::string>& with_value,
                const std::vector<std::string>& flag_names);

// The value of an option, or nullptr when it was not given.
const std::string* find_value(const Args& a, const std::string& name);

bool has_flag(const Args& a, const std::string& name);

// Reads a non-negative integer option within [lo, hi]; a missing option keeps `out` unless
// required.
template <typename T>
bool int_option(const Args& a, const std::string& name, unsigned long long lo,
                unsigned long long hi, bool required, T& out, std::string& err) {
  const std::string* v = find_value(a, name);
  if (!v) {
    if (required) err = "missing " + name;
    return !required;
  }
  char* end = nullptr;
  errno = 0;
  const unsigned long long x = std::strtoull(v->c_str(), &end, 10);
  if (v->empty() || !std::isdigit(static_cast<unsigned char>((*v)[0])) || *end != '\0' ||
      errno != 0 || x < lo || x > hi) {
    err = "bad value for " + name + ": " + *v;
    return false;
  }
  out = static_cast<T>(x);
  return true;
}

// Reads a real option within [0, 1]; a missing option keeps `out`.
bool fraction_option(const Args& a, const std::string& name, double& out, std::string& err);

// Prints msg and the usage text to stderr; returns the exit status for a usage error.
int usage_error(const std::string& msg);

struct DataSet;

// Sets the ancestry-table layouts of d from --ind-r, --intervals and --usepopinfo.
void set_layout_flags(const Args& a, DataSet& d);

// Keeps the in-memory tables of one run at a sensible size.
bool too_large(long long n, long long k, long long loci, long long alleles);

}  // namespace pelvano::tools
