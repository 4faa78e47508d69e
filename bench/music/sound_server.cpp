#include "sound_server.h"

#include <SDL.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

extern char** environ;

double BenchNow() {
  return static_cast<double>(SDL_GetPerformanceCounter()) /
         static_cast<double>(SDL_GetPerformanceFrequency());
}

bool StartRecording(Recording& r, const std::string& server, const std::string& device) {
  int ends[2];
  if (pipe(ends) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
  posix_spawn_file_actions_addclose(&actions, ends[0]);
  std::vector<std::string> args = {"parecord", "--device=" + device, "--raw",
                                   "--format=float32le", "--rate=44100", "--channels=2",
                                   "--latency-msec=2", "--server=" + server};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int failed = posix_spawnp(&r.pid, "parecord", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ends[1]);
  if (failed) {
    close(ends[0]);
    return false;
  }
  r.fd = ends[0];
  r.reader = std::thread([&r] {
    float chunk[2 * 256];
    ssize_t got;
    int fd = r.fd;
    size_t pendingBytes = 0;
    char* bytes = reinterpret_cast<char*>(chunk);
    while ((got = read(fd, bytes + pendingBytes, sizeof chunk - pendingBytes)) > 0) {
      double t = BenchNow();
      pendingBytes += static_cast<size_t>(got);
      size_t whole = pendingBytes / (2 * sizeof(float));
      r.samples.insert(r.samples.end(), chunk, chunk + 2 * whole);
      size_t rest = pendingBytes - whole * 2 * sizeof(float);
      std::memmove(bytes, bytes + whole * 2 * sizeof(float), rest);
      pendingBytes = rest;
      r.arrivals.emplace_back(t, static_cast<int64_t>(r.samples.size() / 2));
    }
  });
  return true;
}

void StopRecording(Recording& r) {
  kill(r.pid, SIGTERM);
  waitpid(r.pid, nullptr, 0);
  r.reader.join();
  close(r.fd);
}

double ReceivedAt(const Recording& r, int64_t n) {
  auto it = std::lower_bound(r.arrivals.begin(), r.arrivals.end(), n + 1,
                             [](const std::pair<double, int64_t>& a, int64_t v) { return a.second < v; });
  if (it == r.arrivals.end()) return NAN;
  return it->first - static_cast<double>(it->second - 1 - n) / 44100;
}

double EarliestReceivedAt(const Recording& r, int64_t n) {
  auto it = std::lower_bound(r.arrivals.begin(), r.arrivals.end(), n + 1,
                             [](const std::pair<double, int64_t>& a, int64_t v) { return a.second < v; });
  double earliest = NAN;
  for (; it != r.arrivals.end() && it->second <= n + 44100 / 4; ++it) {
    double by = it->first - static_cast<double>(it->second - 1 - n) / 44100;
    if (!(by >= earliest)) earliest = by;
  }
  return earliest;
}

pid_t StartPulse(const std::string& dir) {
  mkdir(dir.c_str(), 0700);
  std::string runtime = "PULSE_RUNTIME_PATH=" + dir, state = "PULSE_STATE_PATH=" + dir,
              home = "HOME=" + dir;
  std::string socket = "module-native-protocol-unix auth-anonymous=1 socket=" + dir + "/native";
  std::vector<std::string> args = {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                                   "--use-pid-file=no", "--log-target=file:" + dir + "/log",
                                   "-L", "module-null-sink sink_name=bench_null rate=44100",
                                   "-L", socket};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = {runtime, state, home, "PATH=/usr/bin:/bin"};
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "pulseaudio", nullptr, nullptr, argv.data(), envp.data()) != 0) return 0;
  std::string native = dir + "/native";
  for (int i = 0; i < 100 && access(native.c_str(), F_OK) != 0; i++) SDL_Delay(50);
  SDL_Delay(200);
  return pid;
}
