#include "input/structure_reader.hpp"

#include <string>
#include <string_view>

#include "control/fatal.hpp"
#include "control/variables.hpp"
#include "textio/format.hpp"

namespace pelvano {

namespace {

constexpr std::size_t c29 = 29;
static_assert(lnprob_mark.size() == c29);

// Ends the run for an item that did not give the number the file must hold there.
[[noreturn]] void stop_on_item(const TextReader& in, const FreeForm& ff, Item got) {
  if (got == Item::eof || got == Item::error) stop_on_read(in, ff.error);
  stop_on_read(in, ReadError::missing);
}

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

void read_output_files(Run& run) {
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) run.KRUN(k) = 0;

  TextReader in;
  FreeForm ff;
  std::string progress;
  for (std::int64_t i = 1; i <= run.NFILES; ++i) {
    const std::string name(trim_right(run.READFILE[static_cast<std::size_t>(i - 1)]));
    progress = "\rReading file " + itoc(i) + ", " + name + "        ";
    std::fputs(progress.c_str(), run.console);
    std::fflush(run.console);

    open_reader_or_stop(in, name);
    const OutputHeader h = read_output_header(in, ff);
    if (h.individuals != run.NIND) {
      stoponerror("The number of indivduals in output file, " + name + ", is " +
                  itoc(h.individuals) + ", which is different from the number, " + itoc(run.NIND) +
                  " in the input file!");
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
    const std::int32_t r = ++run.KRUN(k);

    // The estimated Ln probability of the data: the seventh value of its line.
    scan_lines(in, [](std::string_view head) { return head == lnprob_mark; });
    step_back(in);
    begin_read(ff, in);
    std::string_view word;
    for (int w = 0; w < 6; ++w) {
      const Item got = read_text(ff, word);
      if (got == Item::eof || got == Item::error) stop_on_item(in, ff, got);
    }
    double lnp = 0;
    const Item got_lnp = read_real(ff, lnp);
    if (got_lnp != Item::value) stop_on_item(in, ff, got_lnp);
    run.LOGLK(r, k) = lnp;

    // The ancestry table: its header tells how many values come before the memberships.
    const std::string_view header =
        scan_lines(in, [](std::string_view head) { return head.find("(%Miss)") != head.npos; });
    const int skip = header.substr(0, c29).find("Pop:") != std::string_view::npos ? 5 : 4;

    float* q = run.q(k).replicate(r);
    for (std::int32_t j = 1; j <= run.NIND; ++j) {
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
  std::fputs("\n", run.console);
  std::fflush(run.console);
}

}  // namespace pelvano
