#include "input/individuals.hpp"

#include <map>

#include "base/fatal.hpp"
#include "base/variables.hpp"
#include "input/structure_reader.hpp"
#include "base/format.hpp"

namespace pelvano {

namespace {

constexpr int most_decimals = 15;

std::vector<std::string> words(std::string_view line) {
  std::vector<std::string> out;
  for (std::size_t p = 0; p < line.size();) {
    p = line.find_first_not_of(" \t", p);
    if (p == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t", p), line.size());
    out.emplace_back(line.substr(p, end - p));
    p = end;
  }
  return out;
}

bool population_row(const std::vector<std::string>& w) {
  return !w.empty() && w[0].size() > 1 && w[0].back() == ':' &&
         w[0].find_first_not_of("0123456789") == w[0].size() - 1;
}

// Everything before the ancestry rows: the table of pre-defined populations (it comes
// before the Ln P(D) line), then the ancestry header. Returns the number of values the
// rows may carry before their memberships.
int read_to_ancestry(TextReader& in, RunRows& rows) {
  enum { none, heading, table, done } pop = none;
  bool lnp = false;
  std::string_view line;
  for (;;) {
    if (!read_line(in, line)) stop_on_read(in, ReadError::end_of_file);
    const std::string_view head = line.substr(0, lnprob_mark.size());
    if (!lnp && head == lnprob_mark) {
      lnp = true;
    } else if (lnp && head.find("(%Miss)") != std::string_view::npos) {
      return head.find("Pop:") != std::string_view::npos ? 5 : 4;
    } else if (!lnp && line.starts_with("Proportion of membership of each pre-defined")) {
      pop = heading;
    } else if (pop == heading || pop == table) {
      std::vector<std::string> w = words(line);
      if (population_row(w)) {
        w[0].pop_back();
        rows.pop_table.push_back(std::move(w));
        pop = table;
      } else if (pop == table) {
        pop = done;
      }
    }
  }
}

std::string describe(const Individual& x) {
  std::string s = "individual " + x.number;
  if (x.label != x.number) s += ", " + x.label;
  if (!x.pop.empty()) s += ", Pop " + x.pop;
  return s;
}

}  // namespace

const RunRows& StudyRows::run(std::int32_t k, std::int32_t r) const {
  for (const RunRows& rows : runs) {
    if (rows.k == k && rows.r == r) return rows;
  }
  return runs.front();
}

int decimals_of(std::string_view t) {
  const std::size_t e = t.find_first_of("eEdD");
  std::string_view mantissa = t.substr(0, e);
  int exponent = 0;
  if (e != std::string_view::npos) exponent = std::stoi(std::string(t.substr(e + 1)));
  const std::size_t point = mantissa.find('.');
  if (point == std::string_view::npos) return std::max(0, -exponent);
  std::string_view fraction = mantissa.substr(point + 1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  return std::max(0, static_cast<int>(fraction.size()) - exponent);
}

bool exact_units(std::string_view t, int decimals, std::int64_t& units) {
  const bool negative = !t.empty() && t[0] == '-';
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) t.remove_prefix(1);
  const std::size_t e = t.find_first_of("eEdD");
  int shift = decimals;  // the power of ten the digits are multiplied by
  if (e != std::string_view::npos) shift += std::stoi(std::string(t.substr(e + 1)));
  std::string digits;
  for (const char c : t.substr(0, e)) {
    if (c == '.') {
      shift -= static_cast<int>(t.substr(0, e).size() - t.find('.') - 1);
    } else {
      digits += c;
    }
  }
  // Zeros at the end of the digits may stand beyond the decimals kept.
  while (shift < 0 && !digits.empty() && digits.back() == '0') {
    digits.pop_back();
    ++shift;
  }
  if (shift < 0 && digits.find_first_not_of('0') != std::string::npos) return false;
  shift = std::max(shift, 0);
  std::int64_t v = 0;
  for (const char c : digits) {
    if (__builtin_mul_overflow(v, 10, &v) || __builtin_add_overflow(v, c - '0', &v)) return false;
  }
  for (; shift > 0; --shift) {
    if (__builtin_mul_overflow(v, 10, &v)) return false;
  }
  units = negative ? -v : v;
  return true;
}

std::vector<std::int64_t> units_of(const RunRows& rows, int decimals) {
  std::vector<std::int64_t> out;
  const std::size_t n = rows.start.size() - 1;
  out.reserve(n * static_cast<std::size_t>(rows.k));
  for (std::size_t i = 0; i < n; ++i) {
    for (const std::string& w : words(rows.memberships(i))) {
      std::int64_t u = 0;
      if (!exact_units(w, decimals, u)) {
        stoponerror("The membership " + w + " in row " + itoc(static_cast<std::int64_t>(i) + 1) +
                    " of file " + rows.file +
                    " has more digits than pelvano-plot can compare exactly!");
      }
      out.push_back(u);
    }
  }
  return out;
}

StudyRows read_rows(const Run& run) {
  StudyRows s;
  std::map<std::int32_t, std::int32_t> runs_of;
  TextReader in;
  FreeForm ff;
  for (const std::string& entry : run.READFILE) {
    RunRows rows;
    std::vector<Individual> individuals;
    rows.file = std::string(trim_right(entry));
    open_reader_or_stop(in, rows.file);
    rows.k = read_output_header(in, ff).k;
    rows.r = ++runs_of[rows.k];
    const int skip = read_to_ancestry(in, rows);
    s.pop_column = skip == 5;
    std::string_view word;
    for (std::int32_t j = 0; j < run.NIND; ++j) {
      begin_read(ff, in);
      std::vector<std::string> before;
      for (int v = 0; v < skip; ++v) {
        const Item got = read_text(ff, word);
        if (got == Item::eof || got == Item::error) stop_on_item(in, ff, got);
        if (got == Item::value && word == ":") break;
        before.emplace_back(got == Item::value ? word : std::string_view());
      }
      before.resize(std::max<std::size_t>(before.size(), 2));
      const bool labels = before.size() >= static_cast<std::size_t>(skip - 1);
      Individual x;
      x.number = before[0];
      x.label = labels ? before[1] : x.number;
      x.miss = before[labels ? 2 : 1];
      if (s.pop_column && before.size() > (labels ? 3u : 2u)) x.pop = before[labels ? 3 : 2];
      individuals.push_back(std::move(x));
      rows.start.push_back(rows.text.size());
      for (std::int32_t c = 0; c < rows.k; ++c) {
        const Item got = read_real_text(ff, word);
        if (got != Item::value) stop_on_item(in, ff, got);
        s.decimals = std::max(s.decimals, decimals_of(word));
        rows.text.append(word).push_back(' ');
      }
    }
    rows.start.push_back(rows.text.size());
    close_reader(in);
    if (s.decimals > most_decimals) {
      stoponerror("The memberships of file " + rows.file +
                  " have more decimals than pelvano-plot can compare exactly!");
    }
    if (s.runs.empty()) {
      s.individuals = std::move(individuals);
    } else {
      for (std::size_t i = 0; i < s.individuals.size(); ++i) {
        const Individual& a = s.individuals[i];
        const Individual& b = individuals[i];
        if (a.number != b.number || a.label != b.label || a.pop != b.pop) {
          stoponerror("The Structure output files " + s.runs.front().file + " and " + rows.file +
                      " hold other individuals: row " + itoc(static_cast<std::int64_t>(i) + 1) +
                      " is " + describe(a) + " in the first and " + describe(b) +
                      " in the second!");
        }
      }
    }
    s.runs.push_back(std::move(rows));
  }
  return s;
}

}  // namespace pelvano
