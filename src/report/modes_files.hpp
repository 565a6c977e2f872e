// The modes of each K as files: the table <stem>.modes.tsv (one row per mode) and, in the
// folder <stem>.modes, for each K the similarity of its runs, each run's mode and alignment,
// and each mode's mean memberships in the layout of CLUMPP's output file and as a table.
#pragma once

#include <string>
#include <vector>

#include "analysis/modes.hpp"
#include "base/study.hpp"

namespace pelvano {

// One row per mode: K, Mode (1 = major), Runs, Of, Run_numbers, Reference_run,
// Mean_similarity, Min_similarity, H_prime (empty for a mode of one run), Mean_LnP, and
// Run_files (the files of Run_numbers, in their order, separated by "|").
std::string modes_table_text(const Study& study, const std::vector<KModes>& ks);

// Writes K<k>.similarity.tsv, K<k>.runs.tsv, K<k>.mode<m>.meanq and K<k>.mode<m>.tsv for
// every K into `folder` (made when missing), and removes such files an earlier run left that
// this one does not write. A mode's .tsv has a row per individual: Individual (from 1),
// Label, Pop (empty without a Pop column), Pop_name (its name from --populations, else the
// Pop value), then Cluster_1 ... Cluster_K, its mean memberships as the .meanq file prints
// them, column j the cluster of colour j in the bar plot of the modes, so that a column
// keeps its colour across K. With `aligned_runs`, also K<k>.aligned.tsv: every run of K, one
// row per run and individual, with Run, File, Mode, then the columns of a mode's table, each
// run's memberships as printed in its file, its clusters aligned to its mode's reference run
// and so put in the colours' order; without it, such files of an earlier run are left alone.
void write_modes_folder(const std::string& folder, const Study& study,
                        const std::vector<KModes>& ks, bool aligned_runs);

// Removes every such file of the folder (the runs aligned too), and the folder when nothing else is
// left in it.
void remove_modes_folder(const std::string& folder);

// Writes a value at `at` as printf's "%.4f" writes it (the exact value of the double,
// rounded to four decimals, a tie to the even last digit; at most 32 characters) and returns
// the end of what it wrote.
char* four_decimals(char* at, double v);

// "K = 5: 4 modes, of 2, 1, 1 and 1 of 5 runs".
std::string modes_line(const KModes& m);

}  // namespace pelvano
