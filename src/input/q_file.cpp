#include "input/q_file.hpp"

#include <algorithm>
#include <limits>
#include <vector>

#include "base/decimal.hpp"
#include "base/fatal.hpp"
#include "base/variables.hpp"
#include "input/ancestry_row.hpp"
#include "input/membership.hpp"

namespace pelvano {

namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

bool blank_line(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

[[noreturn]] void stop_at(const TextReader& in, const std::string& what) {
  stop_on_read_failure("File " + in.name + ", line " + itoc(in.lineno) + ": " + what + "!");
}

// Whether a row's memberships, in units of 10^-most_decimals, sum to 1 within 0.01.
bool sums_to_one(const std::int64_t* units, std::size_t k) {
  constexpr std::int64_t one = 1'000'000'000'000'000;
  constexpr std::int64_t hundredth = one / 100;
  std::int64_t sum = 0;
  // Each value is at most 1: the sum cannot overflow before it is known to be too large.
  for (std::size_t c = 0; c < k && sum <= 2 * one; ++c) sum += units[c];
  return sum >= one - hundredth && sum <= one + hundredth;
}

}  // namespace

std::int32_t k_in_name(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  const std::string_view base =
      std::string_view(name).substr(slash == std::string::npos ? 0 : slash + 1);
  std::string_view stem;
  if (base.ends_with(".meanQ")) {
    stem = base.substr(0, base.size() - 6);
  } else if (base.ends_with(".Q")) {
    stem = base.substr(0, base.size() - 2);
  } else {
    return 0;
  }
  const std::size_t dot = stem.rfind('.');
  if (dot == std::string_view::npos || dot + 1 == stem.size()) return 0;
  const std::string_view digits = stem.substr(dot + 1);
  if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return 0;
  }
  std::int32_t k = 0;
  for (const char c : digits) k = k * 10 + (c - '0');
  return k;
}

QFileNotes read_q_file(TextReader& in, StudyFile& file, bool keep_text, std::int32_t name_k) {
  QFileNotes notes;
  open_reader_or_stop(in, file.name);
  std::vector<std::string_view> words;
  std::int64_t decimals = 0;
  std::int64_t blank_at = 0;  // the first empty line, which only the file's end may follow
  std::size_t k = 0;
  std::vector<std::int64_t> row_units;
  for (std::string_view line; read_line(in, line);) {
    if (in.lineno == 1 && line.starts_with(byte_order_mark)) line.remove_prefix(3);
    if (blank_line(line)) {
      if (blank_at == 0) blank_at = in.lineno;
      continue;
    }
    if (blank_at != 0) {
      in.lineno = blank_at;
      stop_at(in, "an empty line among the individuals' lines");
    }
    split_words(line, words);
    if (file.individuals == 0) {
      k = words.size();
      if (name_k != 0 && static_cast<std::size_t>(name_k) != k) {
        stop_at(in, itoc(static_cast<std::int64_t>(k)) +
                        " values, but its name says K = " + itoc(name_k));
      }
      // Room for the memberships of as many lines as the first one's length promises.
      const auto rows = static_cast<std::size_t>(in.size) / (line.size() + 1) + 1;
      file.q.reserve(rows * k);
      if (keep_text) {
        file.units.reserve(rows * k);
        file.q_text.reserve(static_cast<std::size_t>(in.size));
        file.q_start.reserve(rows + 1);
      }
    } else if (words.size() != k) {
      stop_at(in, itoc(static_cast<std::int64_t>(words.size())) + " values, not " +
                      itoc(static_cast<std::int64_t>(k)) + " as on the first line");
    }
    if (keep_text) file.q_start.push_back(file.q_text.size());
    bool exact = true;
    row_units.clear();
    for (const std::string_view text : words) {
      Membership m;
      switch (read_membership(text, true, m)) {
        case MembershipText::ok:
          break;
        case MembershipText::unreadable:
          stop_at(in, "value " + std::string(text) + " is not a real");
        case MembershipText::out_of_range:
          stop_at(in, "value " + std::string(text) + " lies outside 0 to 1");
      }
      file.q.push_back(m.value);
      row_units.push_back(m.units);
      decimals = std::max(decimals, m.decimals);
      exact = exact && m.decimals <= most_decimals;
      if (keep_text) file.q_text.append(text).push_back(' ');
    }
    if (keep_text) file.units.insert(file.units.end(), row_units.begin(), row_units.end());
    if (notes.off_sum_line == 0 && exact && !sums_to_one(row_units.data(), k)) {
      notes.off_sum_line = in.lineno;
    }
    ++file.individuals;
  }
  if (file.individuals == 0) {
    stop_on_read_failure("File " + in.name + " holds no memberships: it is empty!");
  }
  if (keep_text) file.q_start.push_back(file.q_text.size());
  file.k = static_cast<std::int32_t>(k);
  file.decimals = static_cast<int>(std::min<std::int64_t>(decimals, 1000000000));
  file.lnp = std::numeric_limits<double>::quiet_NaN();  // these files hold no Ln P(D)
  close_reader(in);
  return notes;
}

}  // namespace pelvano
