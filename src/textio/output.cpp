#include "textio/output.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "control/fatal.hpp"

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

}  // namespace

void replace_file(const std::string& name, std::string_view content) {
  std::string temp = name + ".tmp-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) stop_on_file_error("create", name, errno);
  // The new file gets the permissions a file created the ordinary way would get.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  if (!write_all(fd, content)) {
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

}  // namespace pelvano
