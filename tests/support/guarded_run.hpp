// Runs of the built program that may go wrong: with a time limit, with set-up in the child
// (resource limits, a private mount namespace), and snapshots of a folder tree to show
// which files a run changed.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace pelvano::test {

struct GuardedResult {
  int status = -1;         // exit status; -1 when the process did not exit normally
  int signal = 0;          // the signal that ended it, if one did
  bool timed_out = false;  // it was still running after the time limit and was killed
  std::string out;
  std::string err;
};

// Exit status of a child whose set-up could not be done (for example a mount that is not
// permitted here): the test is then skipped.
inline constexpr int setup_failed = 125;

// Runs the program in cwd with PATH=/usr/bin:/bin. `in_child` runs in the child before the
// program starts, after every descriptor above 2 has been closed; it may end the child
// with setup_failed. A run still going after `seconds` is killed.
GuardedResult run_guarded(const std::string& program, const std::vector<std::string>& args,
                          const std::string& cwd, const std::function<void()>& in_child = {},
                          double seconds = 60);

// What a file system entry looks like, without reading a file: type, size, times, inode,
// permissions and, for a link, its target.
struct EntryState {
  std::string type;
  std::string link;
  long long size = 0;
  long long inode = 0;
  unsigned mode = 0;
  long long mtime_ns = 0;
  long long ctime_ns = 0;
  bool operator==(const EntryState&) const = default;
};

// Every entry below root (links not followed), by path relative to root.
std::map<std::string, EntryState> snapshot(const std::string& root);

// The relative paths whose entries were added, removed or changed between two snapshots.
std::vector<std::string> changed_entries(const std::map<std::string, EntryState>& before,
                                         const std::map<std::string, EntryState>& after);

}  // namespace pelvano::test
