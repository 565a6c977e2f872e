#include "input/study_reader.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <map>

#include "base/fatal.hpp"
#include "base/parallel.hpp"
#include "base/variables.hpp"
#include "input/structure_file.hpp"

namespace pelvano {

namespace {

// How reading one file went.
struct Slot {
  std::exception_ptr header_failure;  // the header could not be read
  std::exception_ptr body_failure;    // the rest of the file could not be read
  std::optional<RowDifference> difference;
  std::atomic<bool> done{false};
};

void read_one(TextReader& in, FreeForm& ff, StudyFile& file, const BodyReading& how,
              std::vector<Individual>& individuals, Slot& slot) {
  try {
    read_file_header(in, ff, file);
  } catch (...) {
    slot.header_failure = std::current_exception();
    close_reader(in);
    return;
  }
  try {
    read_file_body(in, ff, file, how, individuals, slot.difference);
  } catch (...) {
    slot.body_failure = std::current_exception();
    close_reader(in);
  }
}

}  // namespace

HeaderCheck parameter_checks(const Run& run) {
  return [&run](const StudyFile&, const StudyFile& f, std::int32_t runs_before) {
    if (f.individuals != run.NIND) {
      stoponerror("The number of indivduals in output file, " + f.name + ", is " +
                  itoc(f.individuals) + ", which is different from the number, " + itoc(run.NIND) +
                  " in the input file!");
    }
    if (f.k < run.KSTART || f.k > run.KEND) {
      stoponerror("The number of assumed populations in output file, " + f.name + ", is " +
                  itoc(f.k) + ", which is out of the range [" + itoc(run.KSTART) + "," +
                  itoc(run.KEND) + "] defined in the input file!");
    }
    if (runs_before >= run.NRUN) {
      stoponerror("Output file, " + f.name + ", is run " + itoc(std::int64_t{run.NRUN} + 1) +
                  " of K = " + itoc(f.k) + ", more than the " + itoc(run.NRUN) +
                  " runs per K value in the input file!");
    }
  };
}

Study read_study(Run& run, const std::vector<std::string>& names, const HeaderCheck& check,
                 bool keep_text) {
  Study s;
  const std::size_t n = names.size();
  s.files.resize(n);
  for (std::size_t i = 0; i < n; ++i) s.files[i].name = names[i];
  std::vector<Slot> slots(n);
  std::vector<Individual> unused;  // the files after the first keep no rows of their own

  // The files in list order as they are done: the progress line, the header checks, the
  // run number, and the first failure, which stops the reading.
  std::map<std::int32_t, std::int32_t> runs_seen;
  std::atomic<std::size_t> first_failed{n};
  std::size_t shown = 0;
  std::exception_ptr failure;
  auto advance = [&] {
    while (!failure && shown < n && slots[shown].done.load(std::memory_order_acquire)) {
      const std::size_t i = shown++;
      StudyFile& f = s.files[i];
      const std::string progress =
          "\rReading file " + itoc(static_cast<std::int64_t>(i) + 1) + ", " + f.name + "        ";
      std::fputs(progress.c_str(), run.console);
      std::fflush(run.console);
      try {
        if (slots[i].header_failure) std::rethrow_exception(slots[i].header_failure);
        std::int32_t& seen = runs_seen[f.k];
        check(s.files.front(), f, seen);
        f.run = ++seen;
        if (slots[i].body_failure) std::rethrow_exception(slots[i].body_failure);
      } catch (...) {
        failure = std::current_exception();
        std::size_t at = first_failed.load();
        while (i < at && !first_failed.compare_exchange_weak(at, i)) {
        }
      }
    }
  };

  BodyReading how;
  how.keep_text = keep_text;
  if (n > 0) {
    TextReader in;
    FreeForm ff;
    read_one(in, ff, s.files[0], how, s.individuals, slots[0]);
    slots[0].done.store(true, std::memory_order_release);
    advance();
  }
  how.first = &s.individuals;
  how.first_pop_column = n > 0 && s.files[0].pop_column;
  std::atomic<std::size_t> next{1};
  if (!failure) {
    run_on_cores(n > 0 ? n - 1 : 0, [&](bool caller) {
      TextReader in;
      FreeForm ff;
      for (std::size_t i; (i = next.fetch_add(1)) < n;) {
        // Files after one that failed are not needed.
        if (i > first_failed.load()) continue;
        Slot& slot = slots[i];
        read_one(in, ff, s.files[i], how, unused, slot);
        if (slot.header_failure || slot.body_failure) {
          std::size_t at = first_failed.load();
          while (i < at && !first_failed.compare_exchange_weak(at, i)) {
          }
        }
        slot.done.store(true, std::memory_order_release);
        if (caller) advance();
      }
    });
    advance();
  }
  if (failure) std::rethrow_exception(failure);
  std::fputs("\n", run.console);
  std::fflush(run.console);

  s.usepopinfo = n;
  for (std::size_t i = 0; i < n; ++i) {
    const StudyFile& f = s.files[i];
    std::vector<std::size_t>& runs = s.runs_of[f.k];
    runs.push_back(i);
    s.decimals = std::max(s.decimals, f.decimals);
    if (f.usepopinfo && s.usepopinfo == n) s.usepopinfo = i;
    if (slots[i].difference && !s.renamed) {
      s.renamed = std::move(slots[i].difference);
      s.renamed->file = i;
    }
  }
  return s;
}

void fill_tables(Run& run, const Study& study) {
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    run.KRUN(k) = study.runs(k);
    QEntry& q = run.q(k);
    q.nrun = run.KRUN(k);
    q.runs.resize(static_cast<std::size_t>(q.nrun));
  }
  for (const StudyFile& f : study.files) {
    run.LOGLK(f.run, f.k) = f.lnp;
    run.q(f.k).runs[static_cast<std::size_t>(f.run - 1)] = f.q.data();
  }
}

}  // namespace pelvano
