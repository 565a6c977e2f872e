#include "input/study_reader.hpp"

#include <algorithm>
#include <exception>
#include <map>
#include <optional>

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
};

// The working memory of one thread of the reading.
struct Reading {
  TextReader in;
  FreeForm ff;
};

// Reads one file; false when it failed (the failure is kept in its slot).
bool read_one(Reading& r, StudyFile& file, const BodyReading& how,
              std::vector<Individual>& individuals, Slot& slot) {
  try {
    read_file_header(r.in, r.ff, file);
  } catch (...) {
    slot.header_failure = std::current_exception();
    close_reader(r.in);
    return false;
  }
  try {
    read_file_body(r.in, r.ff, file, how, individuals, slot.difference);
  } catch (...) {
    slot.body_failure = std::current_exception();
    close_reader(r.in);
    return false;
  }
  return true;
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
  const auto in_order = [&](std::size_t i) {
    StudyFile& f = s.files[i];
    show_progress(run, i, f.name);
    if (slots[i].header_failure) std::rethrow_exception(slots[i].header_failure);
    std::int32_t& seen = runs_seen[f.k];
    check(s.files.front(), f, seen);
    f.run = ++seen;
    if (slots[i].body_failure) std::rethrow_exception(slots[i].body_failure);
  };
  BodyReading how;
  how.keep_text = keep_text;
  // The first file first: the others' rows are compared with its rows.
  for_each_in_order<Reading>(
      std::min<std::size_t>(n, 1),
      [&](std::size_t, Reading& r) {
        return read_one(r, s.files[0], how, s.individuals, slots[0]);
      },
      in_order);
  how.first = &s.individuals;
  how.first_groups = n > 0 && s.files[0].groups;
  for_each_in_order<Reading>(
      n > 0 ? n - 1 : 0,
      [&](std::size_t i, Reading& r) {
        return read_one(r, s.files[i + 1], how, unused, slots[i + 1]);
      },
      [&](std::size_t i) { in_order(i + 1); });
  std::fputs("\n", run.console);
  std::fflush(run.console);
  run.progress_open = false;

  for (std::size_t i = 0; i < n; ++i) {
    const StudyFile& f = s.files[i];
    std::vector<std::size_t>& runs = s.runs_of[f.k];
    runs.push_back(i);
    s.decimals = std::max(s.decimals, f.decimals);
    if (f.layout.usepopinfo && !s.missing) {
      s.missing = MissingMemberships{
          i,
          "The Structure output file " + f.name +
              " was written with USEPOPINFO: it holds no memberships for the individuals of "
              "known population, so the Parsimony method, bar plots, CLUMPP files, "
              "Puechmaille's estimators and modes need runs without it.",
          "written with USEPOPINFO", "USEPOPINFO", "Rows of individuals of known population"};
    }
    if (slots[i].difference && !s.renamed) {
      s.renamed = std::move(slots[i].difference);
      s.renamed->file = i;
    }
  }
  return s;
}

void show_progress(Run& run, std::size_t i, const std::string& name) {
  const std::string progress =
      "\rReading file " + itoc(static_cast<std::int64_t>(i) + 1) + ", " + name + "        ";
  std::fputs(progress.c_str(), run.console);
  std::fflush(run.console);
  run.progress_open = true;
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
