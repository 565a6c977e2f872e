#include "input/structure_file.hpp"

#include <algorithm>
#include <string>

#include "base/fatal.hpp"
#include "base/variables.hpp"
#include "input/ancestry_row.hpp"

namespace pelvano {

namespace {

constexpr std::size_t c29 = 29;
static_assert(lnprob_mark.size() == c29);

constexpr std::string_view usepopinfo_mark = "Probability of being from assumed population";
constexpr std::string_view pop_table_mark = "Proportion of membership of each pre-defined";

std::int32_t read_count(TextReader& in, FreeForm& ff, bool needed) {
  begin_read(ff, in);
  std::int32_t value = 0;
  const Item got = read_int(ff, value);
  if (got == Item::eof || got == Item::error || (needed && got != Item::value)) {
    stop_on_item(in, ff, got);
  }
  return value;
}

std::string_view next_line(TextReader& in) {
  std::string_view line;
  if (!read_line(in, line)) stop_on_read(in, ReadError::end_of_file);
  return line;
}

// A row of the table of pre-defined populations: "n:" and then its values.
bool population_row(const std::vector<std::string>& w) {
  return !w.empty() && w[0].size() > 1 && w[0].back() == ':' &&
         w[0].find_first_not_of("0123456789") == w[0].size() - 1;
}

[[noreturn]] void stop_on_row(const TextReader& in, const char* what) {
  stop_on_read_failure(std::string(what) + " in file, " + in.name + ", at line " + itoc(in.lineno) +
                       "!");
}

// The first of the fields that differ between a row of the first file and this row.
bool differs(const Individual& a, const AncestryRow& b, bool b_pop_column, bool a_pop_column,
             RowDifference& d) {
  if (a.label != b.label) {
    d = {0, 0, "label", a.label, std::string(b.label)};
  } else if (a.miss != b.miss) {
    d = {0, 0, "%Miss", a.miss, std::string(b.miss)};
  } else if (a.group != b.pop || a_pop_column != b_pop_column) {
    d = {0, 0, "Pop", a.group, std::string(b.pop)};
  } else {
    return false;
  }
  return true;
}

}  // namespace

void read_file_header(TextReader& in, FreeForm& ff, StudyFile& file) {
  open_reader_or_stop(in, file.name);
  // The first value of each line goes into a 29-character field, which a null value or a
  // slash leaves as it was; the field starts blank for every file.
  std::string C29;
  for (;;) {
    begin_read(ff, in);
    const Item got = read_text(ff, C29, c29);
    if (got == Item::eof || got == Item::error) stop_on_read(in, ff.error);
    if (C29 == "Run") break;
  }
  file.individuals = read_count(in, ff, true);
  file.layout.loci = read_count(in, ff, false);
  file.k = read_count(in, ff, true);
}

void read_file_body(TextReader& in, FreeForm& ff, StudyFile& file, const BodyReading& how,
                    std::vector<Individual>& individuals,
                    std::optional<RowDifference>& difference) {
  // Up to the Ln P(D) line: the table of pre-defined populations, when there is one.
  enum { none, heading, table, done } pop = none;
  std::vector<std::string_view> views;
  for (std::string_view line;;) {
    line = next_line(in);
    if (line.substr(0, c29) == lnprob_mark) break;
    if (line.starts_with(pop_table_mark)) {
      pop = heading;
    } else if (pop == heading || pop == table) {
      split_words(line, views);
      std::vector<std::string> w(views.begin(), views.end());
      if (population_row(w)) {
        w[0].pop_back();
        file.group_table.push_back(std::move(w));
        pop = table;
      } else if (pop == table) {
        pop = done;
      }
    }
  }
  // The estimated Ln probability of the data: the seventh value of its line.
  step_back(in);
  begin_read(ff, in);
  std::string_view word;
  for (int w = 0; w < 6; ++w) {
    const Item got = read_text(ff, word);
    if (got == Item::eof || got == Item::error) stop_on_item(in, ff, got);
  }
  const Item got_lnp = read_real(ff, file.lnp);
  if (got_lnp != Item::value) stop_on_item(in, ff, got_lnp);

  // The ancestry table's header, and the line that tells of prior rows before it.
  TableLayout layout;
  layout.k = file.k;
  std::string_view header;
  for (;;) {
    header = next_line(in);
    if (header.starts_with(usepopinfo_mark)) layout.usepopinfo = true;
    if (header.substr(0, c29).find("(%Miss)") != std::string_view::npos) break;
  }
  layout.ind_r = header.find("Ind's r") != std::string_view::npos;
  layout.intervals = header.find("probability intervals") != std::string_view::npos;
  file.layout.usepopinfo = layout.usepopinfo;
  file.layout.ind_r = layout.ind_r;
  file.layout.intervals = layout.intervals;

  // The rows, one line each; lines without a word are passed over.
  const bool first = how.first == nullptr;
  AncestryRow row;
  std::vector<std::string_view> words;
  std::int64_t decimals = 0;
  const std::int64_t rows = file.k >= 0 ? file.individuals : 0;
  // Room for every membership, as far as the file can hold them (each takes two bytes or
  // more), so that a header's counts never make the reading take more memory than the file.
  if (rows > 0 && file.k > 0) {
    const std::int64_t most = in.size / 2;
    file.q.reserve(static_cast<std::size_t>(std::min(most, rows * std::int64_t{file.k})));
    if (how.keep_text) {
      file.units.reserve(static_cast<std::size_t>(std::min(most, rows * std::int64_t{file.k})));
      file.q_start.reserve(static_cast<std::size_t>(std::min(most, rows) + 1));
      file.q_text.reserve(
          static_cast<std::size_t>(std::min(most, rows * std::int64_t{file.k} * 6)));
    }
  }
  for (std::int64_t j = 0; j < rows; ++j) {
    std::string_view line;
    do {
      line = next_line(in);
    } while (line.find_first_not_of(" \t") == std::string_view::npos);
    switch (read_ancestry_row(line, layout, row, words, how.keep_text)) {
      case RowReading::ok:
        break;
      case RowReading::unreadable:
        stop_on_row(in, "Unreadable ancestry row");
      case RowReading::out_of_range:
        stop_on_row(in, "Membership coefficient out of range");
    }
    if (j == 0) file.groups = row.has_pop;
    if (row.prior) {
      file.prior_rows.push_back(static_cast<std::int32_t>(j));
      file.q.resize(file.q.size() + static_cast<std::size_t>(file.k), 0.0f);
      if (how.keep_text) file.units.resize(file.q.size(), 0);
    } else {
      file.q.insert(file.q.end(), row.value.begin(), row.value.end());
      file.units.insert(file.units.end(), row.units.begin(), row.units.end());
    }
    decimals = std::max(decimals, row.decimals);
    if (how.keep_text) {
      file.q_start.push_back(file.q_text.size());
      for (const std::string_view q : row.q) file.q_text.append(q).push_back(' ');
    }
    if (first) {
      individuals.push_back(Individual{std::string(row.number), std::string(row.label),
                                       std::string(row.miss), std::string(row.pop)});
    } else if (!difference && static_cast<std::size_t>(j) < how.first->size()) {
      RowDifference d;
      if (differs((*how.first)[static_cast<std::size_t>(j)], row, row.has_pop, how.first_groups,
                  d)) {
        d.row = j + 1;
        difference = std::move(d);
      }
    }
  }
  if (how.keep_text) file.q_start.push_back(file.q_text.size());
  file.decimals = static_cast<int>(std::min<std::int64_t>(decimals, 1000000000));
  close_reader(in);
}

}  // namespace pelvano
