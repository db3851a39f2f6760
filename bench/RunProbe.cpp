// Runs one program and says what it cost, as one JSON object on stdout:
// its exit status, wall time, peak resident memory (the kernel's ru_maxrss
// of the child) and, when the program prints a line "shown <ns>" (steady
// clock), the time from its start to that moment. The program's own
// output goes to stderr.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double MsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The moment of the "shown" line, if the program printed one.
std::string ShownMs(const std::string& output, Clock::time_point start) {
  const std::size_t at = output.find("shown ");
  if (at == std::string::npos) return "null";
  const Clock::time_point shown{Clock::duration(std::stoll(output.substr(at + 6)))};
  return std::to_string(MsBetween(start, shown));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: orten_run_probe PROGRAM [ARGS...]\n");
    return 2;
  }
  int out[2];
  if (pipe(out) != 0) return 1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);

  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[1], &actions, nullptr, argv + 1, environ) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  close(out[1]);
  std::string output;
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) {
    output.append(buffer, static_cast<std::size_t>(n));
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const Clock::time_point end = Clock::now();
  std::fwrite(output.data(), 1, output.size(), stderr);

  const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::printf("{\"exit\": %d, \"wall_ms\": %.3f, \"max_rss_kib\": %ld, \"shown_ms\": %s}\n",
              exitCode, MsBetween(start, end), usage.ru_maxrss, ShownMs(output, start).c_str());
  return 0;
}
