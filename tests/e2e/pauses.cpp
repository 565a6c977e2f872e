// The pauses of a run, as the end-to-end runner sees them: a library it preloads
// (LD_PRELOAD) into the programs it runs. Every call of nanosleep, clock_nanosleep, sleep
// or usleep is told, before it sleeps, as one line "PROGRAM SECONDS" (the time asked for)
// written to the FIFO named by PELVANO_PAUSES, and then made as asked. So the runner counts
// the pauses and their lengths exactly, however long the rest of the run takes on a busy
// machine. Nothing is told when PELVANO_PAUSES is not set or nobody reads the FIFO.
#include <dlfcn.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

void tell(double seconds) {
  const char* fifo = std::getenv("PELVANO_PAUSES");
  if (fifo == nullptr) return;
  const int saved = errno;
  // Opened at each pause and closed at once: the program holds no descriptor of ours at any
  // other time. A FIFO is not bound by the file-size limit of the run.
  const int fd = ::open(fifo, O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd >= 0) {
    char line[128];
    const int n =
        std::snprintf(line, sizeof line, "%s %.9f\n", program_invocation_short_name, seconds);
    if (n > 0 && n < static_cast<int>(sizeof line)) {
      [[maybe_unused]] const ssize_t written = ::write(fd, line, n);  // whole: below PIPE_BUF
    }
    ::close(fd);
  }
  errno = saved;
}

double seconds_of(const timespec& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

template <class F>
F next(const char* name) {
  return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int nanosleep(const timespec* req, timespec* rem) {
  static const auto real = next<int (*)(const timespec*, timespec*)>("nanosleep");
  if (req != nullptr) tell(seconds_of(*req));
  return real(req, rem);
}

int clock_nanosleep(clockid_t clock, int flags, const timespec* req, timespec* rem) {
  static const auto real =
      next<int (*)(clockid_t, int, const timespec*, timespec*)>("clock_nanosleep");
  if (req != nullptr) {
    double seconds = seconds_of(*req);
    timespec now{};
    if ((flags & TIMER_ABSTIME) != 0 && ::clock_gettime(clock, &now) == 0) {
      seconds -= seconds_of(now);
    }
    tell(seconds);
  }
  return real(clock, flags, req, rem);
}

unsigned int sleep(unsigned int seconds) {
  static const auto real = next<unsigned int (*)(unsigned int)>("sleep");
  tell(seconds);
  return real(seconds);
}

int usleep(useconds_t microseconds) {
  static const auto real = next<int (*)(useconds_t)>("usleep");
  tell(microseconds / 1e6);
  return real(microseconds);
}

}  // extern "C"
