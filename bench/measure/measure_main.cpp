// quorbel-bench-measure RESULT_FILE COMMAND [ARGS...]
// Runs COMMAND, waits for it with wait4 and appends one line to RESULT_FILE:
//   <wall seconds> <user+sys CPU seconds> <peak RSS in KiB> <exit status>
// The exit status is COMMAND's (128 + signal when a signal ended it); the line is written
// either way, so a caller can tell a failed run from a slow one.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

double Seconds(const timeval& value) {
  return static_cast<double>(value.tv_sec) + static_cast<double>(value.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: quorbel-bench-measure RESULT_FILE COMMAND [ARGS...]\n");
    return 2;
  }
  const auto started = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) {
    std::perror("quorbel-bench-measure: fork");
    return 2;
  }
  if (child == 0) {
    execvp(argv[2], argv + 2);
    std::fprintf(stderr, "quorbel-bench-measure: cannot run %s: %s\n", argv[2], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::perror("quorbel-bench-measure: wait4");
      return 2;
    }
  }
  const double wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::FILE* result = std::fopen(argv[1], "a");
  if (result == nullptr) {
    std::perror("quorbel-bench-measure: result file");
    return 2;
  }
  std::fprintf(result, "%.3f %.3f %ld %d\n", wallSeconds, Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
               usage.ru_maxrss, exitStatus);
  std::fclose(result);
  return exitStatus;
}
