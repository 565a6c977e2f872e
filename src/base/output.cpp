#include "base/output.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "base/fatal.hpp"
#include "base/listing.hpp"

namespace pelvano {

namespace {

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Holds back the signals that end a process by default while the temporary file exists, so
// that an interrupt cannot leave it behind: a signal that came meanwhile ends the process
// once the file has been renamed or removed.
struct HeldSignals {
  sigset_t old;
  HeldSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int s : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGALRM, SIGUSR1, SIGUSR2}) {
      sigaddset(&set, s);
    }
    pthread_sigmask(SIG_BLOCK, &set, &old);
  }
  ~HeldSignals() { pthread_sigmask(SIG_SETMASK, &old, nullptr); }
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;
};

}  // namespace

void replace_file(const std::string& name, std::string_view content) {
  // A null character would cut the name short and make the system write another file.
  if (name.find('\0') != std::string::npos) stop_on_file_error("create", name, EINVAL);
  const HeldSignals held;
  std::string temp = name + ".tmp-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) stop_on_file_error("create", name, errno);
  // The new file gets the permissions a file created the ordinary way would get.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  // On disk before the rename: a crash never leaves an empty file in place of the old one.
  if (!write_all(fd, content) || ::fsync(fd) != 0) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    stop_on_file_error("write", name, err);
  }
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    stop_on_file_error("write", name, err);
  }
  if (std::rename(temp.c_str(), name.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    stop_on_file_error("write", name, err);
  }
}

void remove_file(const std::string& name) {
  if (::unlink(name.c_str()) != 0 && errno != ENOENT && errno != EISDIR) {
    stop_on_file_error("remove", name, errno);
  }
}

void remove_stale_files(const std::string& folder,
                        const std::function<bool(const std::string&)>& ours,
                        const std::set<std::string>& kept, bool folder_too) {
  for (const std::string& name : list_matching(folder + "/", "*")) {
    if (ours(name) && kept.count(name) == 0) remove_file(folder + "/" + name);
  }
  // Only a folder with nothing else left in it goes.
  if (folder_too) ::rmdir(folder.c_str());
}

}  // namespace pelvano
