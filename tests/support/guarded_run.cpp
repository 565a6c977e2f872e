#include "support/guarded_run.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace pelvano::test {

namespace fs = std::filesystem;

GuardedResult run_guarded(const std::string& program, const std::vector<std::string>& args,
                          const std::string& cwd, const std::function<void()>& in_child,
                          double seconds) {
  // Pipes rather than files take the output, so that a file-size limit set in the child
  // does not apply to them.
  int out_pipe[2];
  int err_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null_fd = ::open("/dev/null", O_RDONLY);
    ::dup2(null_fd, 0);
    ::dup2(out_pipe[1], 1);
    ::dup2(err_pipe[1], 2);
    for (int fd = 3; fd < 1024; ++fd) ::close(fd);
    if (::chdir(cwd.c_str()) != 0) ::_exit(setup_failed);
    ::setenv("PATH", "/usr/bin:/bin", 1);
    if (in_child) in_child();
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);

  GuardedResult r;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&r.out, &r.err};
  int open_pipes = 2;
  while (open_pipes > 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      r.timed_out = true;
      ::kill(pid, SIGKILL);
      break;
    }
    if (::poll(fds, 2, 50) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buf[65536];
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      }
    }
  }
  for (const pollfd& p : fds) {
    if (p.fd >= 0) ::close(p.fd);
  }
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  r.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
  return r;
}

std::map<std::string, EntryState> snapshot(const std::string& root) {
  std::map<std::string, EntryState> entries;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    const std::string path = it->path().string();
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) continue;
    EntryState e;
    if (S_ISREG(st.st_mode)) {
      e.type = "file";
    } else if (S_ISDIR(st.st_mode)) {
      e.type = "folder";
    } else if (S_ISLNK(st.st_mode)) {
      e.type = "link";
      e.link = fs::read_symlink(it->path(), ec).string();
    } else if (S_ISFIFO(st.st_mode)) {
      e.type = "fifo";
    } else {
      e.type = "other";
    }
    e.size = static_cast<long long>(st.st_size);
    e.inode = static_cast<long long>(st.st_ino);
    e.mode = static_cast<unsigned>(st.st_mode);
    e.mtime_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    e.ctime_ns = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    // The times of a folder change with its entries; those are compared one by one.
    if (e.type == "folder") e.mtime_ns = e.ctime_ns = 0;
    entries[fs::relative(it->path(), root).string()] = e;
  }
  return entries;
}

std::vector<std::string> changed_entries(const std::map<std::string, EntryState>& before,
                                         const std::map<std::string, EntryState>& after) {
  std::vector<std::string> changed;
  for (const auto& [path, state] : before) {
    const auto it = after.find(path);
    if (it == after.end() || !(it->second == state)) changed.push_back(path);
  }
  for (const auto& [path, state] : after) {
    if (before.find(path) == before.end()) changed.push_back(path);
  }
  return changed;
}

}  // namespace pelvano::test
