#include "input/structure_reader.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "base/fatal.hpp"
#include "base/parallel.hpp"
#include "base/variables.hpp"
#include "base/format.hpp"

namespace pelvano {

namespace {

constexpr std::size_t c29 = 29;
static_assert(lnprob_mark.size() == c29);

std::int32_t read_count(TextReader& in, FreeForm& ff, bool needed) {
  begin_read(ff, in);
  std::int32_t value = 0;
  const Item got = read_int(ff, value);
  if (got == Item::eof || got == Item::error || (needed && got != Item::value)) {
    stop_on_item(in, ff, got);
  }
  return value;
}

// Whole-line reads until the first 29 characters of a line satisfy `found`.
template <class Found>
std::string_view scan_lines(TextReader& in, Found found) {
  std::string_view text;
  for (;;) {
    if (!read_line(in, text)) stop_on_read(in, ReadError::end_of_file);
    if (found(text.substr(0, c29))) return text;
  }
}

}  // namespace

OutputHeader read_output_header(TextReader& in, FreeForm& ff) {
  // The first value of each line goes into a 29-character field, which a null value or a
  // slash leaves as it was; the field starts blank for every file.
  std::string C29;
  for (;;) {
    begin_read(ff, in);
    const Item got = read_text(ff, C29, c29);
    if (got == Item::eof || got == Item::error) stop_on_read(in, ff.error);
    if (trim_right(C29) == "Run") break;
  }
  OutputHeader h;
  h.individuals = read_count(in, ff, true);
  h.loci = read_count(in, ff, false);
  h.k = read_count(in, ff, true);
  return h;
}

namespace {

// One file of the list: where its values go, as its header told when it was checked, and
// how reading it failed, if it did.
struct Entry {
  std::string name;
  std::int32_t k = 0;
  std::int32_t r = 0;  // its rank among the files of its K, in list order
  std::exception_ptr failure;
  std::atomic<bool> done{false};
};

// Reads one Structure output file from its start: the header, which must still give nind
// individuals and k clusters, the estimated Ln probability of the data into lnp, and the
// ancestry table, k memberships for each of the nind individuals, into q.
void read_output_file(TextReader& in, FreeForm& ff, const std::string& name, std::int32_t nind,
                      std::int32_t k, double& lnp, float* q) {
  open_reader_or_stop(in, name);
  const OutputHeader h = read_output_header(in, ff);
  if (h.individuals != nind || h.k != k) {
    stoponerror("Output file, " + name + ", changed while it was read!");
  }

  // The estimated Ln probability of the data: the seventh value of its line.
  scan_lines(in, [](std::string_view head) { return head == lnprob_mark; });
  step_back(in);
  begin_read(ff, in);
  std::string_view word;
  for (int w = 0; w < 6; ++w) {
    const Item got = read_text(ff, word);
    if (got == Item::eof || got == Item::error) stop_on_item(in, ff, got);
  }
  const Item got_lnp = read_real(ff, lnp);
  if (got_lnp != Item::value) stop_on_item(in, ff, got_lnp);

  // The ancestry table: its header tells how many values come before the memberships.
  const std::string_view header =
      scan_lines(in, [](std::string_view head) { return head.find("(%Miss)") != head.npos; });
  const int skip = header.substr(0, c29).find("Pop:") != std::string_view::npos ? 5 : 4;

  for (std::int32_t j = 1; j <= nind; ++j) {
    begin_read(ff, in);
    // Leading values up to the ":" that ends them; rows written without labels carry
    // one value fewer than rows with labels.
    for (int s = 0; s < skip; ++s) {
      const Item got = read_text(ff, word);
      if (got == Item::eof || got == Item::error) stop_on_item(in, ff, got);
      if (got == Item::value && word == ":") break;
    }
    for (std::int32_t c = 0; c < k; ++c) {
      const Item got = read_real(ff, q[c]);
      if (got != Item::value) stop_on_item(in, ff, got);
    }
    q += k;
  }
  close_reader(in);
}

// Checks the header of a file against the parameter file and gives the file its run number.
void check_header(Run& run, TextReader& in, FreeForm& ff, Entry& e) {
  open_reader_or_stop(in, e.name);
  const OutputHeader h = read_output_header(in, ff);
  close_reader(in);
  const std::string& name = e.name;
  if (h.individuals != run.NIND) {
    stoponerror("The number of indivduals in output file, " + name + ", is " + itoc(h.individuals) +
                ", which is different from the number, " + itoc(run.NIND) + " in the input file!");
  }
  const std::int32_t k = h.k;
  if (k < run.KSTART || k > run.KEND) {
    stoponerror("The number of assumed populations in output file, " + name + ", is " + itoc(k) +
                ", which is out of the range [" + itoc(run.KSTART) + "," + itoc(run.KEND) +
                "] defined in the input file!");
  }
  if (run.KRUN(k) >= run.NRUN) {
    stoponerror("Output file, " + name + ", is run " + itoc(std::int64_t{run.NRUN} + 1) +
                " of K = " + itoc(k) + ", more than the " + itoc(run.NRUN) +
                " runs per K value in the input file!");
  }
  e.k = k;
  e.r = ++run.KRUN(k);
}

}  // namespace

void read_output_files(Run& run) {
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) run.KRUN(k) = 0;
  const auto files = static_cast<std::size_t>(std::max<std::int64_t>(run.NFILES, 0));
  std::vector<Entry> entries(files);

  // The headers, one file after the other in list order: they give each file its K and run
  // number. The first file that fails here is the last one read.
  std::size_t checked = 0;
  {
    TextReader in;
    FreeForm ff;
    while (checked < files) {
      Entry& e = entries[checked++];
      e.name = std::string(trim_right(run.READFILE[checked - 1]));
      try {
        check_header(run, in, ff, e);
      } catch (...) {
        e.failure = std::current_exception();
        e.done = true;
        break;
      }
    }
  }

  // The rest of the files on all cores, each into its own place in the tables; a file that
  // fails makes the cores pass over the files after it.
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> first_failed{checked};
  std::size_t shown = 0;  // progress lines written
  bool stopped = false;
  auto show_progress = [&] {
    // The progress line of each file read, in list order, up to the first that failed.
    while (!stopped && shown < checked && entries[shown].done.load(std::memory_order_acquire)) {
      const Entry& e = entries[shown++];
      const std::string progress =
          "\rReading file " + itoc(static_cast<std::int64_t>(shown)) + ", " + e.name + "        ";
      std::fputs(progress.c_str(), run.console);
      std::fflush(run.console);
      stopped = e.failure != nullptr;
    }
  };
  run_on_cores(checked, [&](bool caller) {
    TextReader in;
    FreeForm ff;
    for (std::size_t i; (i = next.fetch_add(1)) < checked;) {
      Entry& e = entries[i];
      if (i > first_failed.load() || e.failure) continue;
      try {
        read_output_file(in, ff, e.name, run.NIND, e.k, run.LOGLK(e.r, e.k),
                         run.q(e.k).replicate(e.r));
      } catch (...) {
        e.failure = std::current_exception();
        std::size_t f = first_failed.load();
        while (i < f && !first_failed.compare_exchange_weak(f, i)) {
        }
      }
      e.done.store(true, std::memory_order_release);
      if (caller) show_progress();
    }
  });
  show_progress();
  if (stopped) std::rethrow_exception(entries[shown - 1].failure);
  std::fputs("\n", run.console);
  std::fflush(run.console);
}

}  // namespace pelvano
