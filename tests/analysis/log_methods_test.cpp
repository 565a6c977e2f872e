// The methods of choosing K for ADMIXTURE, NGSadmix and fastStructure runs:
// clusters_used_cases.txt holds the cases of the clusters used; DeltaK over the runs' own
// numbers must be Structure's DeltaK, bit for bit, when every run has its number.
#include "analysis/log_methods.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <sstream>

#include "analysis/analysis.hpp"
#include "input/membership.hpp"
#include "input/study_reader.hpp"
#include "support/cases.hpp"

namespace pelvano {
namespace {

// A run of the memberships as printed, rows separated by ";".
StudyFile file_of(const std::string& text) {
  StudyFile f;
  std::istringstream rows(text);
  for (std::string row; std::getline(rows, row, ';');) {
    std::istringstream words(row);
    std::int32_t k = 0;
    for (std::string w; words >> w; ++k) {
      Membership m;
      EXPECT_EQ(read_membership(w, true, m), MembershipText::ok) << w;
      f.q.push_back(m.value);
      f.units.push_back(m.units);
    }
    f.k = k;
    ++f.individuals;
  }
  return f;
}

TEST(LogMethods, ClustersUsed) {
  for (const auto& row : test::table("analysis/clusters_used_cases.txt")) {
    std::istringstream runs(row.at(0));
    std::string each;
    std::vector<std::int32_t> used;
    for (std::string run; std::getline(runs, run, '/');) {
      used.push_back(clusters_used(file_of(run)));
      each += (each.empty() ? "" : " ") + std::to_string(used.back());
    }
    EXPECT_EQ(each, row.at(1)) << row[0];
    EXPECT_EQ(std::to_string(most_common(used)), row.at(2)) << row[0];
  }
}

bool same_bits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool same_bits(const std::optional<double>& a, const std::optional<double>& b) {
  return a.has_value() == b.has_value() && (!a || same_bits(*a, *b));
}

// Random studies of every run with a log-likelihood: the summary of the other programs'
// numbers is the one of Structure's Ln P(D), bit for bit.
TEST(LogMethods, DeltaKIsStructuresWhenEveryRunHasItsNumber) {
  std::mt19937_64 rng(11);
  for (int trial = 0; trial < 300; ++trial) {
    pelvano::Run run;
    run.KSTART = 1 + static_cast<std::int32_t>(rng() % 3);
    run.KEND = run.KSTART + 2 + static_cast<std::int32_t>(rng() % 6);
    run.NIND = 3;
    run.NRUN = 1 + static_cast<std::int32_t>(rng() % 6);
    run.score_replicates = false;
    create_tables(run);
    Study study;
    for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
      for (std::int32_t r = 1; r <= run.NRUN; ++r) {
        StudyFile f;
        f.k = k;
        f.run = r;
        f.individuals = run.NIND;
        // Log-likelihoods of every size, some equal.
        f.lnp = -std::ldexp(static_cast<double>(rng() % 1000 + 1), static_cast<int>(rng() % 40));
        if (rng() % 4 == 0) f.lnp = -1000.5;
        f.q.assign(static_cast<std::size_t>(k * run.NIND), 1.0f / static_cast<float>(k));
        study.runs_of[k].push_back(study.files.size());
        study.files.push_back(std::move(f));
      }
    }
    fill_tables(run, study);
    analyse(run);
    choose(run);
    const StudySummary structure = summarise(run, study);
    study.program = "NGSadmix";
    study.lnp_name = "log-likelihood";
    study.lnp_grows = true;
    const StudySummary other = summarise(run, study);
    ASSERT_EQ(structure.ks.size(), other.ks.size());
    for (std::size_t i = 0; i < other.ks.size(); ++i) {
      const KSummary& a = structure.ks[i];
      const KSummary& b = other.ks[i];
      EXPECT_TRUE(same_bits(a.mean, b.mean) && same_bits(a.sd, b.sd) && same_bits(a.l1, b.l1) &&
                  same_bits(a.l2, b.l2) && same_bits(a.deltak, b.deltak))
          << "trial " << trial << ", K = " << a.k;
      EXPECT_EQ(b.numbered, run.NRUN);
    }
    EXPECT_EQ(structure.evanno, other.evanno) << "trial " << trial;
  }
}

}  // namespace
}  // namespace pelvano
