// Stage timings of Pelvano on large studies: reading one file, the similarity kernel of
// one K, the replicate scoring of one K, the pair consistency of one K, the whole analysis,
// the report, and the modes of every K (and of 200 runs of one K). The studies come from
// PELVANO_BENCH_DATA (made by bench/run_bench.sh): <data>/large/runs holds K = 1..10, 10 runs each,
// 5000 individuals, in files K<k>_run<r>_f, and <data>/huge/runs the same with 10000 individuals.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "analysis/analysis.hpp"
#include "analysis/modes.hpp"
#include "analysis/summary.hpp"
#include "base/tables.hpp"
#include "input/discovery.hpp"
#include "input/study_reader.hpp"
#include "report/results.hpp"

namespace {

using pelvano::Run;

constexpr std::int32_t kstart = 1, kend = 10, nind = 5000, nrun = 10;

std::string study(std::int32_t n = nind) {
  const char* dir = std::getenv("PELVANO_BENCH_DATA");
  if (dir == nullptr) throw std::runtime_error("PELVANO_BENCH_DATA is not set");
  std::string path(dir);
  path += n == nind ? "/large/runs" : "/huge/runs";
  return path;
}

std::FILE* null_console() {
  static std::FILE* f = std::fopen("/dev/null", "w");
  return f;
}

void set_up(Run& run, std::int32_t ks, std::int32_t ke, std::int32_t nr, std::int32_t n = nind) {
  run.console = null_console();
  run.pauses = false;
  run.PLATFORMSLASH = '/';
  run.fname = "bench.par";
  run.PATHNAME = study(n);
  run.FILENAME = "K*";
  run.FILENAME0 = "K";
  run.file_stem = "K";
  run.KSTART = ks;
  run.KEND = ke;
  run.NIND = n;
  run.NRUN = nr;
  pelvano::create_tables(run);
}

// A study read and analysed, kept for the whole process.
struct Loaded {
  Run run;
  pelvano::Study study;
};

Loaded* load(std::int32_t n) {
  auto* l = new Loaded;
  set_up(l->run, kstart, kend, nrun, n);
  pelvano::discover(l->run);
  l->study = pelvano::read_study(l->run, l->run.READFILE, pelvano::parameter_checks(l->run), true);
  pelvano::fill_tables(l->run, l->study);
  pelvano::analyse(l->run);
  pelvano::choose(l->run);
  return l;
}

// The whole study, read once and analysed once, shared by the benchmarks of single stages.
Loaded& loaded_study() {
  static Loaded* l = load(nind);
  return *l;
}

Run& whole_study() {
  return loaded_study().run;
}

Run& huge_study() {
  static Loaded* l = load(2 * nind);
  return l->run;
}

double mean_of(const Run& run, std::int32_t k) {
  double sum = 0;
  for (std::int32_t r = 1; r <= run.NRUN; ++r) sum += run.LOGLK(r, k);
  return sum / static_cast<double>(run.NRUN);
}

// The similarity kernel: the sums of every above-mean replicate of one K (arguments K and
// the number of individuals). run_bench.sh runs it on one core; the counter is the time per
// pair of individuals (each with itself included) and replicate.
void BM_Kernel(benchmark::State& state) {
  const auto k = static_cast<std::int32_t>(state.range(0));
  Run& run = state.range(1) == nind ? whole_study() : huge_study();
  const double mean = mean_of(run, k);
  std::int64_t replicates = 0;
  for (std::int32_t r = 1; r <= run.NRUN; ++r) replicates += !(mean >= run.LOGLK(r, k));
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const auto sums = pelvano::precompute_similarities(run, k, k);
    benchmark::DoNotOptimize(sums.data());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
    seconds += took.count();
  }
  const double n = run.NIND;
  const double terms = static_cast<double>(replicates) * (n * (n + 1) / 2);
  state.counters["replicates"] = static_cast<double>(replicates);
  state.counters["ns_per_pair_rep"] =
      seconds * 1e9 / (terms * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_Kernel)
    ->ArgsProduct({{2, 5, 10}, {nind, 2 * nind}})
    ->ArgNames({"K", "n"})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

void BM_ReadOneFile(benchmark::State& state) {
  const std::string file = study() + "/K10_run1_f";
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) throw std::runtime_error("no " + file);
  Run run;
  set_up(run, 10, 10, 1);
  run.NFILES = 1;
  run.READFILE = {file};
  for (auto _ : state) {
    const pelvano::Study s =
        pelvano::read_study(run, run.READFILE, pelvano::parameter_checks(run), false);
    benchmark::DoNotOptimize(s.files.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(st.st_size));
}
BENCHMARK(BM_ReadOneFile)->Unit(benchmark::kMillisecond);

// The replicate scoring of one K: assignment, threshold and the similarity of every pair
// of individuals in every above-mean replicate, on all cores.
void BM_ScoreOneK(benchmark::State& state) {
  Run& run = whole_study();
  const auto k = static_cast<std::int32_t>(state.range(0));
  const double mean = mean_of(run, k);
  std::int64_t replicates = 0;
  for (std::int32_t r = 1; r <= run.NRUN; ++r) replicates += !(mean >= run.LOGLK(r, k));
  for (auto _ : state) {
    const auto sums = pelvano::precompute_similarities(run, k, k);
    run.Q2(1, k) = -1e300;
    run.Q2(2, k) = 0;
    pelvano::score_replicates(run, k, mean,
                              sums.data() + static_cast<std::size_t>(k - run.KSTART) * nrun);
    benchmark::DoNotOptimize(run.Q2(1, k));
  }
  const double terms = static_cast<double>(replicates) * k * (double{nind} * (nind + 1) / 2);
  state.counters["pair_cluster_terms"] =
      benchmark::Counter(terms, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ScoreOneK)->Arg(4)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PairConsistencyOneK(benchmark::State& state) {
  Run& run = whole_study();
  const auto k = static_cast<std::int32_t>(state.range(0));
  const double mean = mean_of(run, k);
  std::int64_t replicates = 0;
  for (std::int32_t r = 1; r <= run.NRUN; ++r) replicates += !(mean >= run.LOGLK(r, k));
  // CLUSTER must hold the assignments of this K.
  run.Q2(1, k) = -1e300;
  run.Q2(2, k) = 0;
  pelvano::score_replicates(run, k, mean);
  for (auto _ : state) {
    run.Q2(5, k) = 0;
    pelvano::penalty_and_consistency(run, k, mean);
    benchmark::DoNotOptimize(run.Q2(5, k));
  }
  const double terms = static_cast<double>(replicates) * (double{nind} * (nind - 1) / 2);
  state.counters["pair_replicate_terms"] =
      benchmark::Counter(terms, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PairConsistencyOneK)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_AnalyseAll(benchmark::State& state) {
  Run& run = whole_study();
  for (auto _ : state) {
    pelvano::analyse(run);
    benchmark::DoNotOptimize(run.Q2(1, kend));
  }
}
BENCHMARK(BM_AnalyseAll)->Unit(benchmark::kMillisecond)->UseRealTime();

// The report: the results file.
void BM_Report(benchmark::State& state) {
  Run& run = whole_study();
  run.ESTFILENAME = study() + "/bench-report.K";
  for (auto _ : state) {
    pelvano::write_results(run, pelvano::summarise(run, loaded_study().study));
  }
  std::remove(run.ESTFILENAME.c_str());
}
BENCHMARK(BM_Report)->Unit(benchmark::kMillisecond);

// The modes of every K of the 5,000-individual study: each pair of runs of each K aligned,
// the modes found and averaged.
void BM_ModesAllK(benchmark::State& state) {
  Loaded& l = loaded_study();
  for (auto _ : state) {
    const auto modes = pelvano::modes_of_study(l.study, l.run.KSTART, l.run.KEND, l.run.NIND,
                                               pelvano::threshold_of("0.9"));
    benchmark::DoNotOptimize(modes.data());
  }
}
BENCHMARK(BM_ModesAllK)->Unit(benchmark::kMillisecond)->UseRealTime();

// The modes of 200 runs of K = 10 at 1,000 individuals (<data>/modes200/runs).
void BM_Modes200Runs(benchmark::State& state) {
  static Loaded* l = [] {
    auto* x = new Loaded;
    set_up(x->run, 10, 10, 200, 1000);
    x->run.PATHNAME = std::string(std::getenv("PELVANO_BENCH_DATA")) + "/modes200/runs";
    pelvano::discover(x->run);
    x->study =
        pelvano::read_study(x->run, x->run.READFILE, pelvano::parameter_checks(x->run), true);
    pelvano::fill_tables(x->run, x->study);
    return x;
  }();
  for (auto _ : state) {
    const auto modes = pelvano::modes_of_study(l->study, l->run.KSTART, l->run.KEND, l->run.NIND,
                                               pelvano::threshold_of("0.9"));
    benchmark::DoNotOptimize(modes.data());
  }
}
BENCHMARK(BM_Modes200Runs)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
