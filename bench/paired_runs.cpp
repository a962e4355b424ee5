// Times two commands run alternately, A then B, RUNS times after one warm-up run of each, and
// prints the median wall time of each, the ratio of the medians and the median of the pairs'
// ratios. Output goes to /dev/null; a command that exits otherwise than it did in its warm-up run,
// or that is killed, stops the comparison.
//   paired_runs RUNS NAME -- A [ARGS...] -- B [ARGS...]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Wall time of one run in milliseconds, and its exit code (-1 when killed).
std::pair<double, int> Run(const std::vector<char*>& argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  int status = 0;
  const bool ran = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                   waitpid(pid, &status, 0) == pid;
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  posix_spawn_file_actions_destroy(&actions);
  return {took.count(), ran && WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  // The two commands, each ended by the next "--" or the end of the arguments.
  std::vector<std::vector<char*>> commands;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) {
      commands.emplace_back();
    } else if (!commands.empty()) {
      commands.back().push_back(argv[i]);
    }
  }
  const int runs = argc > 1 ? std::atoi(argv[1]) : 0;
  if (argc < 3 || std::strcmp(argv[3], "--") != 0 || commands.size() != 2 || runs < 1 ||
      commands[0].empty() || commands[1].empty()) {
    std::fputs("usage: paired_runs RUNS NAME -- A [ARGS...] -- B [ARGS...]\n", stderr);
    return 2;
  }
  int exit_codes[2];
  for (int c = 0; c < 2; ++c) {
    commands[c].push_back(nullptr);
    exit_codes[c] = Run(commands[c]).second;
    if (exit_codes[c] < 0) {
      std::fprintf(stderr, "%s: %s could not run\n", argv[2], commands[c][0]);
      return 1;
    }
  }
  std::vector<double> times[2], ratios;
  for (int r = 0; r < runs; ++r) {
    for (int c = 0; c < 2; ++c) {
      const auto [ms, code] = Run(commands[c]);
      if (code != exit_codes[c]) {
        std::fprintf(stderr, "%s: %s exited %d, not %d\n", argv[2], commands[c][0], code,
                     exit_codes[c]);
        return 1;
      }
      times[c].push_back(ms);
    }
    ratios.push_back(times[0].back() / times[1].back());
  }
  const double a = Median(times[0]), b = Median(times[1]);
  std::printf(
      "%-12s %9.2f ms vs %9.2f ms   ratio of medians %.2f   median ratio %.2f   (%d pairs)\n",
      argv[2], a, b, a / b, Median(ratios), runs);
  return 0;
}
