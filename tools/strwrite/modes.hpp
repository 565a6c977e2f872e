// The modes of strwrite; each reads argv[2..] and returns the exit status.
#pragma once

namespace pelvano::tools {

// One file with given individuals, K and Ln P(D), memberships drawn or read from a rows file.
int run_file_mode(int argc, char** argv);

// A simulated study: replicate runs for a range of K on one data set with P true populations.
int run_study_mode(int argc, char** argv);

// The same kind of study as the memberships files of ADMIXTURE, fastStructure or NGSadmix.
int run_qstudy_mode(int argc, char** argv);

}  // namespace pelvano::tools
