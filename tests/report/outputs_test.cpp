// The folders pelvano-plot writes are the ones its search for memberships files passes over:
// otherwise a second run would read the modes it wrote as runs.
#include <gtest/gtest.h>

#include <algorithm>

#include "input/q_folder.hpp"
#include "report/outputs.hpp"

namespace pelvano {
namespace {

TEST(PlotOutputs, FoldersAreNotSearchedForRuns) {
  int folders = 0;
  for (const PlotOutput& o : plot_outputs()) {
    if (!o.suffix.ends_with('/')) continue;
    ++folders;
    const std::string_view name = o.suffix.substr(0, o.suffix.size() - 1);
    EXPECT_TRUE(std::any_of(output_folder_ends.begin(), output_folder_ends.end(),
                            [&](std::string_view end) { return name.ends_with(end); }))
        << name;
  }
  EXPECT_GT(folders, 0);
}

}  // namespace
}  // namespace pelvano
