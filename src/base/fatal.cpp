#include "base/fatal.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/format.hpp"
#include "base/variables.hpp"

namespace pelvano {

std::string itoc(std::int64_t n) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, n);
  return std::string(buf, res.ptr);
}

void stoponerror(std::string_view message) {
  throw FatalError{std::string(trim_right(message)), FatalKind::check};
}

void stop_on_file_error(std::string_view action, std::string_view file, int err) {
  stop_on_file_error(action, file, std::strerror(err));
}

void stop_on_file_error(std::string_view action, std::string_view file, std::string_view reason) {
  std::string msg = "Cannot ";
  msg += action;
  msg += " file, ";
  msg += file;
  msg += ": ";
  msg += reason;
  msg += "!";
  throw FatalError{std::move(msg), FatalKind::file_system};
}

void stop_on_read_failure(std::string message) {
  throw FatalError{std::move(message), FatalKind::read_failure};
}

void sleeping(float seconds) {
  const float target_ms = seconds * 1000.0f;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    const float done = static_cast<float>(elapsed.count());
    if (done >= target_ms) return;
    std::this_thread::sleep_for(std::chrono::duration<float, std::milli>(target_ms - done));
  }
}

std::string banner_text() {
  std::string s;
  s += line;
  s += "\nPelvano, Version 1.0.0.0, Build 20180630\n";
  s += "Copyright (C) 2018-2026 The Pelvano developers. Free for research and teaching.\n";
  s += "Contact: see the README for how to report a problem\n";
  s += line;
  s += "\n\n";
  return s;
}

void showversion(std::FILE* console, bool pause) {
  const std::string text = banner_text();
  std::fwrite(text.data(), 1, text.size(), console);
  std::fflush(console);
  if (pause) sleeping(1.0f);
}

int checkdir(std::string_view folder) {
  // The probe is created exclusively, so that a file of the user's that happens to carry
  // the probe's name (or a link in its place) is never opened, truncated or deleted.
  const std::string base(folder);
  // A name with a null character would be cut short by the system and name another file.
  if (base.find('\0') != std::string::npos) return ENOENT;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string probe = base;
    if (attempt == 0) {
      probe += "deleteme.txt";
    } else {
      probe +=
          "deleteme." + itoc(static_cast<std::int64_t>(::getpid())) + "." + itoc(attempt) + ".txt";
    }
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      ::unlink(probe.c_str());
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

void check_folder(const std::string& folder, char separator) {
  // An empty folder is no folder: with the separator added it would name the root folder.
  const int err = folder.empty() ? ENOENT : checkdir(folder + separator);
  if (err == ENOENT || err == ENOTDIR) stoponerror("The path, " + folder + ", does not exist!");
  if (err != 0) {
    stoponerror("The path, " + folder + ", cannot be written: " + std::strerror(err) + "!");
  }
}

std::string error_file_name(std::string_view fname) {
  return std::string(fname) + ".error";
}

bool write_error_file(const std::string& name, std::string_view message) {
  // A link in place of the error file is not followed: the message never lands elsewhere.
  // Nor is anything but a regular file written: a FIFO in its place would block the open.
  if (name.find('\0') != std::string::npos) {
    errno = ENOENT;
    return false;
  }
  const int fd = ::open(name.c_str(),
                        O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  if (::ftruncate(fd, 0) != 0) {
    const int err = errno;
    ::close(fd);
    errno = err;
    return false;
  }
  std::string text(trim_right(message));
  text += '\n';
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  const bool closed = ::close(fd) == 0;
  return written && closed;
}

}  // namespace pelvano
