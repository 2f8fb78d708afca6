// Start-up of the program on the sample installation, through a pseudo-terminal of 80 x 25:
// the time from exec to the parameter screen drawn (its last label has reached the terminal),
// and the whole path from exec to the exit after one Esc. The child's CPU time is reported
// beside the wall time; the machine is shared, so CPU time is the steadier figure.
//
// The sample installation is built once under the system's temporary directory by
// scripts/make_sample.sh from the build's own tools.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const fs::path& SampleRoot() {
  static const fs::path root = [] {
    fs::path dir = fs::temp_directory_path() / ("zem_startup_bench_" + std::to_string(getpid()));
    fs::remove_all(dir);
    const std::string command = "bash " + std::string(ZEM_SOURCE_DIR) + "/scripts/make_sample.sh " +
                                ZEM_BINARY_DIR + " " + dir.string() + " >/dev/null";
    if (std::system(command.c_str()) != 0) std::abort();
    return dir;
  }();
  return root;
}

struct StartTimes {
  double to_screen = 0;  // seconds
  double to_exit = 0;
  bool ok = false;
};

// Reads the terminal until `marker` has come; false on timeout or end of output.
bool ReadUntil(int fd, const std::string& marker, std::string* seen) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  char buffer[4096];
  while (seen->find(marker) == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (Clock::now() > deadline || poll(&p, 1, 100) < 0) return false;
    if (!(p.revents & (POLLIN | POLLHUP))) continue;
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    seen->append(buffer, static_cast<size_t>(n));
  }
  return true;
}

StartTimes StartOnce() {
  StartTimes times;
  const std::string root = SampleRoot().string() + "/";
  const std::string program = std::string(ZEM_BINARY_DIR) + "/zembralo";
  winsize size{25, 80, 0, 0};
  int master = -1;
  const auto start = Clock::now();
  pid_t child = forkpty(&master, nullptr, nullptr, &size);
  if (child < 0) return times;
  if (child == 0) {
    setenv("TERM", "xterm-256color", 1);
    setenv("LANG", "C.UTF-8", 1);
    setenv("VAKROOT", root.c_str(), 1);
    setenv("VAKEXE", (root + "EXE/").c_str(), 1);
    setenv("VAKTMP", (root + "TMP/").c_str(), 1);
    unsetenv("VAKTERM");
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string seen;
  // The last label of the parameter screen, as the terminal receives it.
  if (ReadUntil(master, "Etiquetes per p\xc3\xa0gina", &seen)) {
    times.to_screen = std::chrono::duration<double>(Clock::now() - start).count();
    // Esc alone: the key reader waits a moment to tell it from an Alt sequence.
    if (write(master, "\x1b", 1) == 1) times.ok = true;
  }
  // Drain the terminal until the child has gone.
  char buffer[4096];
  for (;;) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 100) > 0 && read(master, buffer, sizeof buffer) <= 0) break;
    if (waitpid(child, nullptr, WNOHANG) == child) {
      child = -1;
      break;
    }
  }
  if (child > 0) waitpid(child, nullptr, 0);
  times.to_exit = std::chrono::duration<double>(Clock::now() - start).count();
  close(master);
  return times;
}

double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_ExecToParameterScreen(benchmark::State& state) {
  SampleRoot();
  double exit_total = 0;
  const double cpu_before = ChildrenCpuSeconds();
  for (auto _ : state) {
    StartTimes times = StartOnce();
    if (!times.ok) {
      state.SkipWithError("the parameter screen did not appear");
      break;
    }
    state.SetIterationTime(times.to_screen);
    exit_total += times.to_exit;
  }
  const double runs = static_cast<double>(state.iterations());
  if (runs > 0) {
    state.counters["start_to_esc_ms"] = 1000 * exit_total / runs;
    state.counters["child_cpu_ms"] = 1000 * (ChildrenCpuSeconds() - cpu_before) / runs;
  }
}
BENCHMARK(BM_ExecToParameterScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
